// rootsolve_seeded, the program of the comparison scripts: every random
// number comes from the seed on its command line, so one seed gives one
// data.roots, byte for byte, in both homotopies; anything but a single
// number on the command line is refused.
#include <gtest/gtest.h>

#include "road.h"
#include "standard_systems.h"

namespace hc::test {
namespace {

TEST(rootsolve_seeded, OneSeedOneFile) {
  temp_dir dir;
  run_road(dir, text(cyclic(5)), 5, 1);  // input.num and MEva.so
  for (const char* option : {"1\n", "2\n"}) {
    SCOPED_TRACE(option);
    std::string files[2];
    for (std::string& file : files) {
      const proc_result r = run_process({ROOTSOLVE_SEEDED_BIN, "20240611"}, option, dir.path());
      ASSERT_EQ(r.status, 0) << r.err;
      file = slurp(dir / "data.roots");
    }
    EXPECT_NE(files[0].find(" The # of roots      ="), std::string::npos);
    EXPECT_EQ(files[0], files[1]);
  }
  // Another seed draws other start coefficients, and gives another file.
  const proc_result r = run_process({ROOTSOLVE_SEEDED_BIN, "7"}, "1\n", dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string other = slurp(dir / "data.roots");
  run_process({ROOTSOLVE_SEEDED_BIN, "20240611"}, "1\n", dir.path());
  EXPECT_NE(other, slurp(dir / "data.roots"));
}

TEST(rootsolve_seeded, CommandLineOfOneNumber) {
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{ROOTSOLVE_SEEDED_BIN},
        std::vector<std::string>{ROOTSOLVE_SEEDED_BIN, "7x"},
        std::vector<std::string>{ROOTSOLVE_SEEDED_BIN, "1", "2"}}) {
    temp_dir dir;
    const proc_result r = run_process(argv, "1\n", dir.path());
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rootsolve_seeded: usage: rootsolve_seeded SEED\n");
  }
}

}  // namespace
}  // namespace hc::test

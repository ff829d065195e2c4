// rootsolve as a process: the binding of ./MEva.so, the reading of
// input.num and the prompt loop, with their exact texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "proc.h"

namespace hc::test {
namespace {

namespace fs = std::filesystem;

const std::string circle_input =
    "2\n3\n2\n2 0 \n0 2 \n0 0 \n1 1 \n0 0 \n"
    "(1.000000000000000,0.000000000000000)\n(1.000000000000000,0.000000000000000)\n"
    "(-4.000000000000000,0.000000000000000)\n(1.000000000000000,0.000000000000000)\n"
    "(-1.000000000000000,0.000000000000000)\nx\ny\n";

const std::string prompt =
    " Please enter the option of homotopy method\n"
    "   1. The polyhedral homotopy\n"
    "   2. The classical linear homotopy\n";
const std::string wrong = " \n Please enter 1 or 2.\n";

proc_result rootsolve(const temp_dir& dir, const std::string& answers) {
  return run_process({ROOTSOLVE_BIN}, answers, dir.path());
}

TEST(rootsolve_binding, NoLibraryPrintsOnlyTheLoaderMessage) {
  temp_dir dir;
  spit(dir / "input.num", circle_input);
  const proc_result r = rootsolve(dir, "2\n");
  EXPECT_EQ(r.out, "error: ./MEva.so: cannot open shared object file: No such file or directory\n");
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(fs::exists(dir / "data.roots"));
}

TEST(rootsolve_binding, MissingSymbolStopsAfterTheFoundOnes) {
  temp_dir dir;
  fs::copy_file(EVALCORE_NO_COEF, dir / "MEva.so");
  spit(dir / "input.num", circle_input);
  const proc_result r = rootsolve(dir, "2\n");
  EXPECT_EQ(r.out, "error: ./MEva.so: undefined symbol: coefhhthx_\n");
  EXPECT_NE(r.status, 0);
}

// With a good library, a missing or malformed input.num ends the run with
// the reader's message on standard error, before any prompt.
TEST(rootsolve_input, BadInputEndsBeforeThePrompt) {
  struct bad_case {
    const char* what;
    const char* text;  // nullptr: no input.num at all
  };
  const bad_case cases[] = {
      {"missing file", nullptr},
      {"letter for a count", "2\n3\nx\n"},
      {"ends early", "2\n3\n2\n2 0\n"},
      {"zero equations", "0\n"},
      {"zero terms", "1\n0\n"},
      {"negative exponent", "1\n2\n-1\n0\n(1,0)\n(1,0)\nx\n"},
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.what);
    temp_dir dir;
    fs::copy_file(EVALCORE_FULL, dir / "MEva.so");
    if (c.text) spit(dir / "input.num", c.text);
    const proc_result r = rootsolve(dir, "2\n");
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("input.num"), std::string::npos) << r.err;
  }
}

TEST(rootsolve_prompt, AsksAgainUntilOneOrTwo) {
  temp_dir dir;
  fs::copy_file(EVALCORE_FULL, dir / "MEva.so");
  spit(dir / "input.num", circle_input);
  const proc_result r = rootsolve(dir, "3\n0\n1\n");
  const std::string expected =
      prompt + wrong + prompt + wrong + prompt + " The polyhedral homotopy method\n";
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);

  const proc_result r2 = rootsolve(dir, "  2   7\n");
  const std::string expected2 = prompt + " The classical linear homotopy\n";
  EXPECT_EQ(r2.out.substr(0, expected2.size()), expected2);
}

TEST(rootsolve_prompt, UnreadableAnswerOrEndOfInputIsFatal) {
  for (const char* answers : {"", "5\n", "one\n"}) {
    SCOPED_TRACE(answers);
    temp_dir dir;
    fs::copy_file(EVALCORE_FULL, dir / "MEva.so");
    spit(dir / "input.num", circle_input);
    const proc_result r = rootsolve(dir, answers);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("standard input"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "data.roots"));
  }
}

// The numeric layout of a system of n equations x_i^d - 1 = 0.
std::string powers_input(int n, int d) {
  std::string s = std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) s += "2\n";
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) s += (j == i ? std::to_string(d) : "0") + " ";
    s += "\n";
    for (int j = 0; j < n; ++j) s += "0 ";
    s += "\n";
  }
  for (int i = 0; i < n; ++i) s += "(1,0)\n(-1,0)\n";
  for (int i = 0; i < n; ++i) s += "x" + std::to_string(i + 1) + "\n";
  return s;
}

TEST(rootsolve_linear, MorePathsThanArraysHoldStopsBeforeAllocating) {
  // 31 quadrics: 2^31 paths, one more than a 32-bit count holds.
  temp_dir dir;
  fs::copy_file(EVALCORE_FULL, dir / "MEva.so");
  spit(dir / "input.num", powers_input(31, 2));
  const proc_result r = rootsolve(dir, "2\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, prompt + " The classical linear homotopy\n");
  EXPECT_NE(r.err.find("2147483647"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "data.roots"));
}

TEST(rootsolve_linear, EquationOfDegreeZeroRunsWithNoPath) {
  // x^2 - 1 = 0 and the constant equation 5 = 0: no path at all.
  temp_dir dir;
  fs::copy_file(EVALCORE_FULL, dir / "MEva.so");
  spit(dir / "input.num", "2\n2\n1\n2 0\n0 0\n0 0\n(1,0)\n(-1,0)\n(5,0)\nx\ny\n");
  const proc_result r = rootsolve(dir, "2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" The # of paths followed  =          0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" The # of roots =               0\n"), std::string::npos) << r.out;
  const std::string roots = slurp(dir / "data.roots");
  EXPECT_EQ(roots.rfind("  The order of variables : \n x\n y\n", 0), 0u) << roots;
  EXPECT_NE(roots.find(" The # of paths followed =        0\n"), std::string::npos);
}

}  // namespace
}  // namespace hc::test

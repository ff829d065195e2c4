#include "sysinput.h"

#include "fatal.h"

#include <gtest/gtest.h>

#include "proc.h"

#include <sstream>
#include <string>
#include <vector>

namespace hc {
using test::exactly;
namespace {

// x^2 + y - 1 = 0, x - y = 0 in the layout the converter writes: each
// exponent followed by a blank, coefficients with 16 significant digits.
const char* const two_by_two =
    "2\n"
    "3\n"
    "2\n"
    "2 0 \n"
    "0 1 \n"
    "0 0 \n"
    "1 0 \n"
    "0 1 \n"
    "(1.000000000000000,0.000000000000000)\n"
    "(1.000000000000000,0.000000000000000)\n"
    "(-1.000000000000000,0.000000000000000)\n"
    "(0.1234567890123456,-2.718281828459045e-07)\n"
    "(-1.000000000000000,0.000000000000000)\n"
    "x\n"
    "y\n";

TEST(sysinput, ReadsTheLayout) {
  std::istringstream in(two_by_two);
  ffreader rd(in, "input.num");
  suppsys s;
  read_suppsys(rd, true, s);
  ASSERT_EQ(s.n, 2);
  ASSERT_EQ(s.m, 5);
  EXPECT_EQ(s.nm.std(), std::vector<int>({3, 2}));
  ASSERT_EQ(s.supp.rows(), 2);
  ASSERT_EQ(s.supp.cols(), 5);
  const int cols[5][2] = {{2, 0}, {0, 1}, {0, 0}, {1, 0}, {0, 1}};
  for (int k = 1; k <= 5; ++k)
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(s.supp(j, k), cols[k - 1][j - 1]) << j << "," << k;
  EXPECT_EQ(s.coef.std(),
            std::vector<cplx>(
                {{1, 0}, {1, 0}, {-1, 0}, {0.1234567890123456, -2.718281828459045e-07}, {-1, 0}}));
  EXPECT_EQ(s.var.std(),
            std::vector<std::string>({"x                   ", "y                   "}));
  EXPECT_EQ(rd.line(), 15);
}

TEST(sysinput, WithoutNamesStopsAfterTheCoefficients) {
  // The names are not read, so a layout that lacks them is complete.
  std::string text(two_by_two);
  text.resize(text.find("x\n"));
  std::istringstream in(text);
  ffreader rd(in, "standard input");
  suppsys s;
  read_suppsys(rd, false, s);
  EXPECT_EQ(s.m, 5);
  EXPECT_EQ(s.var.size(), 0);
  EXPECT_EQ(rd.line(), 13);
}

TEST(sysinputDeathTest, RejectsWhatLaterCodeCannotIndex) {
  struct {
    const char* text;
    const char* message;  // after "test_sysinput: input.num"
  } cases[] = {
      {"0\n", ", line 1: the number of equations is 0; it must be at least 1"},
      {"-3\n", ", line 1: the number of equations is -3; it must be at least 1"},
      {"2\n1\n0\n", ", line 3: equation 2 has 0 terms; it must have at least 1"},
      {"2\n1\n1\n1 0 \n1 -1 \n", ", line 5: negative exponent -1 of variable 2 in term 2"},
      {"2\n2000000000\n",
       ", line 2: the system is too large: 2 equations with 2000000000 or more terms"},
      {"1\n2147483647\n",
       ", line 2: the system is too large: 1 equations with 2147483647 or more terms"},
      // A huge count with a short input ends at the end of the input, without
      // allocating for the count first.
      {"1\n2000000000\n1 \n", ": end of input after line 3, expected an integer"},
      {"1\n1\n1 \n", ": end of input after line 3, expected a complex value \"(re,im)\""},
      {"1\n1\n1 \n(1,0)\n", ": end of input after line 4, expected a name"},
      {"1\n1\n1.5 \n(1,0)\nx\n", ", line 3: expected an integer, found \"1.5\""},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EXIT(
        {
          std::istringstream in(text);
          ffreader rd(in, "input.num");
          suppsys s;
          read_suppsys(rd, true, s);
        },
        ::testing::ExitedWithCode(status::data),
        exactly(std::string("test_sysinput: input.num") + c.message))
        << c.text;
  }
}

}  // namespace
}  // namespace hc

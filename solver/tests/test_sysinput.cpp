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
    std::string text;
    int status;
    const char* message;  // after "test_sysinput: input.num"
  } cases[] = {
      {"0\n", status::data, ", line 1: the number of equations is 0; it must be at least 1"},
      {"-3\n", status::data, ", line 1: the number of equations is -3; it must be at least 1"},
      {"2\n1\n0\n", status::data, ", line 3: equation 2 has 0 terms; it must have at least 1"},
      {"2\n1\n1\n1 0 \n1 -1 \n", status::data,
       ", line 5: negative exponent -1 of variable 2 in term 2"},
      // Sizes beyond the 32-bit numbering.
      {"2\n2000000000\n", status::size,
       ", line 2: the system is too large: the n x (m + n) exponents of 2 equations with "
       "2000000000 or more terms pass the 32-bit numbering"},
      {"1\n2147483647\n", status::size,
       ", line 2: the system is too large: the n x (m + n) exponents of 1 equation with "
       "2147483647 or more terms pass the 32-bit numbering"},
      {"32768\n", status::size,
       ", line 1: the system is too large: the n x (m + n) exponents of 32768 equations with "
       "32768 or more terms pass the 32-bit numbering"},
      {"2000000000\n", status::size,
       ", line 1: the system is too large: the n x (m + n) exponents of 2000000000 equations "
       "with 2000000000 or more terms pass the 32-bit numbering"},
      {"3000000000\n", status::size,
       ", line 1: integer out of the 32-bit range, found \"3000000000\""},
      {"2\n1\n4294967297\n", status::size,
       ", line 3: integer out of the 32-bit range, found \"4294967297\""},
      {"1\n2\n2147483648 \n", status::size,
       ", line 3: integer out of the 32-bit range, found \"2147483648\""},
      // Fewer equations than unknowns, as eqtrans writes x + y + z; x*y.
      {"3\n3\n1\n1 0 0 \n0 1 0 \n", status::data,
       ", line 4: a system of 2 equations in 3 unknowns, where a square system is needed (as "
       "many equations as unknowns): the line holds 3 exponents where the term count of "
       "equation 3 belongs"},
      {"2\n1\n0 1\n", status::data,
       ", line 3: a system of 1 equation in 2 unknowns, where a square system is needed (as "
       "many equations as unknowns): the line holds 2 exponents where the term count of "
       "equation 2 belongs"},
      // A huge count with a short input ends at the end of the input, without
      // allocating for the count first.
      {"1\n2000000000\n1 \n", status::data, ": end of input after line 3, expected an integer"},
      {"1\n1\n1 \n", status::data, ": end of input after line 3, expected a complex value \"(re,im)\""},
      {"1\n1\n1 \n(1,0)\n", status::data, ": end of input after line 4, expected a name"},
      {"1\n1\n1.5 \n(1,0)\nx\n", status::data, ", line 3: expected an integer, found \"1.5\""},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          std::istringstream in(c.text);
          ffreader rd(in, "input.num");
          suppsys s;
          read_suppsys(rd, true, s);
        },
        ::testing::ExitedWithCode(c.status),
        exactly(std::string("test_sysinput: input.num") + c.message))
        << c.text;
  }
}

// Two counts on one line of a square system are not two equations in n
// unknowns: only a line of exactly n integers where a count belongs is.
TEST(sysinput, ACountLineOfOtherLengthIsNotTakenForExponents) {
  std::istringstream in("3\n1 7\n1\n1 2\n1 0 0 \n0 1 0 \n0 0 1 \n(1,0)\n(1,0)\n(1,0)\nx\ny\nz\n");
  ffreader rd(in, "input.num");
  suppsys s;
  read_suppsys(rd, true, s);
  EXPECT_EQ(s.n, 3);
  EXPECT_EQ(s.m, 3);
}

}  // namespace
}  // namespace hc

#include "ffwrite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

namespace hc {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double nan = std::nan("");

struct real_case {
  double x;
  int w, d;
  const char* text;
};

TEST(ffwrite, ScientificFields) {
  const std::vector<real_case> cases = {
      // The coordinate records of the root file.
      {1.0, 24, 16, "  1.0000000000000000E+00"},
      {0.0, 24, 16, "  0.0000000000000000E+00"},
      {-2.5, 24, 16, " -2.5000000000000000E+00"},
      {-3.0, 24, 16, " -3.0000000000000000E+00"},
      // The nearest 17-digit decimal of the binary value, not of the literal.
      {0.1, 24, 16, "  1.0000000000000001E-01"},
      {1e-5, 24, 16, "  1.0000000000000001E-05"},
      {0.99999999999999989, 24, 16, "  9.9999999999999989E-01"},
      // Three-digit exponents replace the letter.
      {1e100, 24, 16, "  1.0000000000000000+100"},
      {-1.234e-105, 12, 3, "  -1.234-105"},
      {1e-300, 12, 3, "   1.000-300"},
      {9.9e99, 12, 3, "   9.900E+99"},
      // Residuals and condition numbers.
      {0.0, 12, 3, "   0.000E+00"},
      {1e17, 12, 3, "   1.000E+17"},
      {1.5e-8, 12, 3, "   1.500E-08"},
      {9.9996, 12, 3, "   1.000E+01"},  // rounding carries into the exponent
      {-1.0, 10, 3, "-1.000E+00"},
      {-1.0, 9, 3, "*********"},
      {nan, 12, 3, "         NaN"},
      {kInf, 12, 3, "    Infinity"},
      {-kInf, 12, 3, "   -Infinity"},
      {kInf, 5, 3, "  Inf"},
      {-kInf, 3, 3, "***"},
  };
  for (const auto& c : cases) EXPECT_EQ(fmt_es(c.x, c.w, c.d), c.text) << c.x;
}

TEST(ffwrite, FixedPointFields) {
  const std::vector<real_case> cases = {
      {0.0, 16, 5, "         0.00000"},
      {12.5, 16, 5, "        12.50000"},
      {-0.75, 16, 5, "        -0.75000"},
      {2.000004, 16, 5, "         2.00000"},
      {2.000006, 16, 5, "         2.00001"},
      {9999999999.0, 16, 5, "9999999999.00000"},
      {99999999999.0, 16, 5, "****************"},
      {0.5, 7, 5, "0.50000"},
      {0.5, 6, 5, ".50000"},  // the optional zero gives way
      {-0.5, 7, 5, "-.50000"},
      {-0.5, 6, 5, "******"},
      {3.0, 5, 0, "   3."},
      {nan, 16, 5, "             NaN"},
      {-kInf, 16, 5, "       -Infinity"},
  };
  for (const auto& c : cases) EXPECT_EQ(fmt_f(c.x, c.w, c.d), c.text) << c.x;
}

TEST(ffwrite, IntegerFields) {
  struct {
    long long v;
    int w;
    const char* text;
  } cases[] = {
      {0, 8, "       0"},
      {12345678, 8, "12345678"},
      {123456789, 8, "********"},
      {-1234567, 8, "-1234567"},
      {-12345678, 8, "********"},
      {42, 15, "             42"},
      {7, 1, "7"},
      {-7, 1, "*"},
  };
  for (const auto& c : cases) EXPECT_EQ(fmt_i(c.v, c.w), c.text) << c.v;
}

TEST(ffwrite, DoubleInGeneralFormat) {
  struct {
    double x;
    const char* text;
  } cases[] = {
      {1.0, "   1.00000000000000     "},
      {-2.5, "  -2.50000000000000     "},
      {0.1, "  0.100000000000000     "},
      {0.0, "   0.00000000000000     "},
      {123456789012345.6, "   123456789012346.     "},
      {1e15, "  0.100000000000000E+016"},
      {999999999999999.9, "  0.100000000000000E+016"},    // rounds up out of the fixed range
      {0.09999999999999999, "  0.100000000000000     "},  // rounds up into it
      {1e-5, "  0.100000000000000E-004"},
      {0.01, "  0.100000000000000E-001"},
      {-1e300, " -0.100000000000000E+301"},
      {5e-324, "  0.494065645841247E-323"},
      {nan, "                     NaN"},
      {kInf, "                Infinity"},
      {-kInf, "               -Infinity"},
  };
  for (const auto& c : cases) EXPECT_EQ(ff_value(c.x), c.text) << c.x;
}

TEST(ffwrite, SingleAndIntegerValues) {
  EXPECT_EQ(ff_value(1.0f), "   1.000000    ");
  EXPECT_EQ(ff_value(0.1f), "  0.1000000    ");
  EXPECT_EQ(ff_value(-1e10f), " -0.1000000E+11");
  EXPECT_EQ(ff_value(111), "         111");
  EXPECT_EQ(ff_value(std::numeric_limits<int>::min()), " -2147483648");
}

TEST(ffwrite, RecordOpensWithABlank) {
  std::ostringstream out;
  ff_record(out);
  ff_record(out, " det = 0 !  ");
  ff_record(out, "n =", 3, 2.5);
  EXPECT_EQ(out.str(),
            " \n"
            "  det = 0 !  \n"
            " n =           3   2.50000000000000     \n");
}

}  // namespace
}  // namespace hc

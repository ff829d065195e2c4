// The table of standard systems that the road tests, the mixed-cell tests and
// the benchmark scripts share: small members written out by hand from their
// definitions, compared to the character, and the names the scripts use.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "standard_systems.h"

namespace hc::test {
namespace {

TEST(standard_systems, SmallMembersInOrdinaryNotation) {
  struct row {
    const char* name;
    std::string text;
  };
  const row rows[] = {
      {"cyclic-3", "x1 + x2 + x3;\nx1*x2 + x2*x3 + x1*x3;\nx1*x2*x3 - 1\n"},
      // x0^2 + 2 x1^2 + 2 x2^2 - x0; 2 x0 x1 + 2 x1 x2 - x1; x0 + 2 x1 + 2 x2 - 1.
      {"katsura-2",
       "2*x2^2 + 2*x1^2 + x0^2 - x0;\n2*x1*x2 + 2*x0*x1 - x1;\nx0 + 2*x1 + 2*x2 - 1\n"},
      {"noon-2", "x1*x2^2 - 1.1*x1 + 1;\nx1^2*x2 - 1.1*x2 + 1\n"},
      {"eco-3", "x1*x3 + x1*x2*x3 - 1;\nx2*x3 - 2;\nx1 + x2 + 1\n"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(text(by_name(r.name)), r.text);
  }
}

TEST(standard_systems, DenseSystemsHaveEveryMonomialAndRepeatableCoefficients) {
  // n = 3, d = 2: C(3 + 2, 2) = 10 monomials of degree <= 2 per equation.
  const poly_system s = by_name("dense-3-2");
  ASSERT_EQ(s.n(), 3);
  ASSERT_EQ(s.eqs.size(), 3u);
  for (const poly_equation& eq : s.eqs) {
    EXPECT_EQ(eq.size(), 10u);
    for (const poly_term& t : eq) {
      EXPECT_LE(t.e[0] + t.e[1] + t.e[2], 2);
      for (double part : {t.c.real(), t.c.imag()}) {
        EXPECT_GE(part, -1.0);
        EXPECT_LT(part, 1.0);
        EXPECT_EQ(std::round(part * 1e6) / 1e6, part);  // six decimals
      }
    }
  }
  EXPECT_EQ(text(s), text(dense({2, 2, 2}, 1)));
  EXPECT_EQ(text(by_name("dense-3-2-1")), text(s));
  EXPECT_NE(text(by_name("dense-3-2-2")), text(s));
}

TEST(standard_systems, OtherNamesAreRefused) {
  for (const char* name : {"cyclic", "cyclic-", "cyclic-1", "cyclic-x", "cyclic-3-2", "katsura-0",
                           "noon-1", "eco-1", "dense-2", "dense-2-2-1-1", "sphere-3", ""}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(by_name(name), std::invalid_argument);
  }
}

}  // namespace
}  // namespace hc::test

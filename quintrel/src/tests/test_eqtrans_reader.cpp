// Round trip: systems in ordinary notation through eqtrans, read back by the
// solver's reader of input.num, against the same systems written by hand in
// that layout (in another order of equations and terms; both are put into the
// solver's normal order before comparing).
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "MisTools.h"
#include "run_process.h"
#include "sysinput.h"

namespace hc::test {
namespace {

const std::string eqtrans = EQTRANS_BIN;

// Coefficients are written with 16 significant digits, so they come back
// within a few units of the 16th digit.
constexpr double kCoefRelTol = 1e-15;

suppsys read_normal(const std::string& text, const std::string& source) {
  std::istringstream in(text);
  ffreader rd(in, source);
  suppsys s;
  read_suppsys(rd, true, s);
  nmsc_ascend(s.n, s.m, s.nm, s.supp, s.coef);
  lexicosc(s.n, s.m, s.nm, s.supp, s.coef);
  return s;
}

struct round_trip_case {
  const char* name;
  const char* notation;
  const char* by_hand;
};

const round_trip_case cases[] = {
    {"circle and line", "x^2 + y^2 - 1;\nx - y\n",
     "2\n2\n3\n"
     "0 1\n1 0\n"
     "0 0\n2 0\n0 2\n"
     "(-1, 0)\n(1, 0)\n"
     "(-1,0)\n(1,0)\n(1,0)\n"
     "x\ny\n"},
    {"complex coefficients, products and a quotient",
     "(x + 2i*y)*(x - z)/2 + 1.5;  # expanded by eqtrans\n"
     "y^3 - 3*x*z + i;\n"
     "z*(x+y+z) - 0.25\n",
     "3\n5\n3\n4\n"
     "0 1 1\n2 0 0\n0 0 0\n1 1 0\n1 0 1\n"
     "0 0 0\n1 0 1\n0 3 0\n"
     "0 0 2\n1 0 1\n0 0 0\n0 1 1\n"
     "(0,-1)\n(0.5,0)\n(1.5,0)\n(0,1)\n(-0.5,0)\n"
     "(0,1)\n(-3,0)\n(1,0)\n"
     "(1,0)\n(1,0)\n(-0.25,0)\n(1,0)\n"
     "x\ny\nz\n"},
    {"names, comments and constant powers",
     "# a system with long names\n"
     "alpha_1*beta + 2^(0.5) ; # first\n"
     " beta^2 - alpha_1/(4i)\n",
     "2\n2\n2\n"
     "1 1\n0 0\n"
     "0 2\n1 0\n"
     "(1,0)\n(1.4142135623730951,0)\n"
     "(1,0)\n(0,0.25)\n"
     "alpha_1\nbeta\n"},
};

TEST(EqtransReader, SameSystemAsWrittenByHand) {
  for (const round_trip_case& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    const proc_result r = run_in(eqtrans, {}, c.notation, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.err, "");
    const suppsys got = read_normal(r.out, "eqtrans output");
    const suppsys want = read_normal(c.by_hand, "by hand");
    ASSERT_EQ(got.n, want.n);
    ASSERT_EQ(got.m, want.m);
    for (int i = 1; i <= want.n; ++i) {
      EXPECT_EQ(got.nm(i), want.nm(i)) << "equation " << i;
      EXPECT_EQ(got.var(i), want.var(i));
    }
    for (int k = 1; k <= want.m; ++k) {
      for (int j = 1; j <= want.n; ++j)
        EXPECT_EQ(got.supp(j, k), want.supp(j, k)) << "term " << k << ", variable " << j;
      const double tol = kCoefRelTol * std::max(1.0, std::abs(want.coef(k)));
      EXPECT_NEAR(got.coef(k).real(), want.coef(k).real(), tol) << "term " << k;
      EXPECT_NEAR(got.coef(k).imag(), want.coef(k).imag(), tol) << "term " << k;
    }
  }
}

// W_N(x) = (x-1)(x-2)...(x-N) expanded: its integer coefficients, those of
// x^N down to x^0, computed exactly.
std::vector<long long> wilkinson(int N) {
  std::vector<long long> c{1};  // the polynomial 1
  for (int r = 1; r <= N; ++r) {
    std::vector<long long> next(c.size() + 1, 0);
    for (std::size_t k = 0; k < c.size(); ++k) {
      next[k] += c[k];          // times x
      next[k + 1] -= r * c[k];  // times -r
    }
    c = next;
  }
  return c;
}

// Integer literals used as coefficients keep their value through eqtrans
// and the reader, also beyond 32 bits (W_16 has 20692933630 and 16!); the
// reader takes integer parts written by hand the same way.
TEST(EqtransReader, IntegerCoefficientsKeepTheirValue) {
  for (int N : {12, 16}) {
    SCOPED_TRACE("W_" + std::to_string(N));
    const std::vector<long long> c = wilkinson(N);
    std::string notation, by_hand = "1\n" + std::to_string(N + 1) + "\n";
    for (int k = 0; k <= N; ++k) {
      notation += (c[k] < 0 ? " - "
                   : k > 0  ? " + "
                            : "") +
                  std::to_string(std::llabs(c[k])) + "*x^" + std::to_string(N - k);
      by_hand += std::to_string(N - k) + "\n";
    }
    for (int k = 0; k <= N; ++k) by_hand += "(" + std::to_string(c[k]) + ",0)\n";
    by_hand += "x\n";
    scratch_dir dir;
    const proc_result r = run_in(eqtrans, {}, notation, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& text : {r.out, by_hand}) {
      const suppsys got = read_normal(text, "W_N");
      ASSERT_EQ(got.m, N + 1);
      for (int k = 1; k <= N + 1; ++k) {
        EXPECT_EQ(got.supp(1, k), N + 1 - k);
        EXPECT_EQ(got.coef(k), cplx(static_cast<double>(c[k - 1]), 0.0)) << "term " << k;
      }
    }
  }
}

}  // namespace
}  // namespace hc::test

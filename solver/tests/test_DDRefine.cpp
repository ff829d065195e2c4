// Values in double-double and the Newton refinement built on them, on
// systems built from chosen roots: the expanded Wilkinson polynomial
// W_16(x) = (x-1)...(x-16) and a complex system in two unknowns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "DDRefine.h"
#include "fake_eval.h"
#include "wilkinson.h"

namespace hc {
namespace {

// A system in support form: nm(n) terms per equation, supp(n, m), coef(m).
struct system {
  int n;
  vec<int> nm;
  mat<int> supp;
  vec<cplx> coef;

  // sum over the terms of equation i of |c_k| |x|^a_k, in double.
  double term_sum(int i, const vec<cplx>& x) const {
    int k = 0;
    for (int e = 1; e < i; ++e) k += nm(e);
    double s = 0;
    for (int t = 1; t <= nm(i); ++t) {
      double mono = cabs(coef(k + t));
      for (int v = 1; v <= n; ++v) mono *= std::pow(cabs(x(v)), supp(v, k + t));
      s += mono;
    }
    return s;
  }
};

// W_N(x), one term per power, highest power first (the layout of
// wilkinson.h).
system wilkinson_system(int N) {
  system s{1, vec<int>{N + 1}, mat<int>(1, N + 1), vec<cplx>(N + 1)};
  const std::vector<double> c = test::wilkinson_coefficients(N);
  for (int k = 1; k <= N + 1; ++k) {
    s.supp(1, k) = N + 1 - k;
    s.coef(k) = c[static_cast<std::size_t>(k - 1)];
  }
  return s;
}

// (x - a)(y - b) and (x - a)^2 + (y - b)^3, expanded, with the root
// (a, b) = (3 + 2i, 1 - 5i): Gaussian-integer coefficients, exact in double.
const cplx kA(3, 2), kB(1, -5);
system complex_system() {
  system s{2, vec<int>{4, 6}, mat<int>(2, 10), vec<cplx>(10)};
  const int e[2][10] = {{1, 1, 0, 0, 2, 1, 0, 0, 0, 0}, {1, 0, 1, 0, 0, 0, 3, 2, 1, 0}};
  const cplx c[10] = {1.0,       -kB, -kA,       kA * kB,       1.0,
                      -2.0 * kA, 1.0, -3.0 * kB, 3.0 * kB * kB, kA * kA - kB * kB * kB};
  for (int k = 1; k <= 10; ++k) {
    s.supp(1, k) = e[0][k - 1];
    s.supp(2, k) = e[1][k - 1];
    s.coef(k) = c[k - 1];
  }
  return s;
}

TEST(two_sum_two_prod, ErrorsAreExact) {
  // 1 + 2^-60 and (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60 do not fit one double;
  // the error terms hold what is lost.
  const dd s = two_sum(1.0, 0x1p-60);
  EXPECT_EQ(s.hi, 1.0);
  EXPECT_EQ(s.lo, 0x1p-60);
  const dd p = two_prod(1.0 + 0x1p-30, 1.0 + 0x1p-30);
  EXPECT_EQ(p.hi, 1.0 + 0x1p-29);
  EXPECT_EQ(p.lo, 0x1p-60);
  const dd q = dd_mul(dd_add({1.0, 0.0}, {0x1p-60, 0.0}), {3.0, 0.0});
  EXPECT_EQ(q.hi, 3.0);
  EXPECT_EQ(q.lo, 3 * 0x1p-60);
}

// W_16 at its roots: every product c_j k^j and every partial sum is an
// integer below 2^106, so the values are exactly 0 (in double they are
// rounding noise up to eps times the term sums, 1e6 at k = 12).
TEST(dd_values, ExactAtTheIntegerRootsOfW16) {
  const system w = wilkinson_system(16);
  for (int k = 1; k <= 16; ++k) {
    vec<cplx> x{cplx(k, 0)}, p(1);
    dd_values(1, w.nm, w.supp, w.coef, x, p);
    EXPECT_EQ(p(1), cplx(0, 0)) << "x = " << k;
  }
}

// Near a root the values are small and the terms large: W_16 at 7 + h,
// h = 2^-40, is h W'(7) + ... = 2.4e-4 beside term sums of 5e18.  The
// exact value comes from the shifted polynomial W_16(7 + y) =
// prod_j (y + 7 - j), whose coefficients q_k are integers below 2^53, so
// q_1 h + q_2 h^2 + q_3 h^3 is the value to far below the bound; the
// bound is (degree + terms) eps^2 times the term sum.  The complex system
// at its root is exactly 0, and at (a + d1, b + d2) it is d1 d2 and
// d1^2 + d2^3.
TEST(dd_values, MatchTheExactValuesNearChosenRoots) {
  std::vector<std::int64_t> q{1};  // prod_j (y + 7 - j), lowest power first
  for (int j = 1; j <= 16; ++j) {
    std::vector<std::int64_t> r(q.size() + 1, 0);
    for (std::size_t i = 0; i < q.size(); ++i) {
      r[i] += (7 - j) * q[i];
      r[i + 1] += q[i];
    }
    q = r;
  }
  const double h = 0x1p-40;
  ASSERT_EQ(q[0], 0);
  const double w16_near7 = static_cast<double>(q[1]) * h + static_cast<double>(q[2]) * h * h +
                           static_cast<double>(q[3]) * h * h * h;
  const double d1 = 0x1p-30;
  const cplx d2(0, 0x1p-20);

  struct row {
    std::string what;
    system s;
    std::vector<cplx> x, value;
    bool exact;
    int degree;
  } rows[] = {
      {"W_16 at 7 + 2^-40", wilkinson_system(16), {7.0 + h}, {w16_near7}, false, 16},
      {"complex system at its root", complex_system(), {kA, kB}, {0.0, 0.0}, true, 3},
      {"complex system near its root",
       complex_system(),
       {kA + d1, kB + d2},
       {d1 * d2, d1 * d1 + d2 * d2 * d2},
       false,
       3},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const int n = r.s.n;
    vec<cplx> x(n), p(n);
    for (int i = 1; i <= n; ++i) x(i) = r.x[static_cast<std::size_t>(i - 1)];
    dd_values(n, r.s.nm, r.s.supp, r.s.coef, x, p);
    for (int i = 1; i <= n; ++i) {
      const cplx want = r.value[static_cast<std::size_t>(i - 1)];
      const double bound =
          r.exact ? 0.0 : (r.degree + r.s.nm(i)) * kMachEps * kMachEps * r.s.term_sum(i, x);
      EXPECT_LE(cabs(p(i) - want), bound) << "equation " << i << ": " << p(i) << " for " << want;
      if (!r.exact) {
        EXPECT_GT(cabs(want), 1e6 * bound);  // the bound says something
      }
    }
  }
}

// The refinement on W_16 with its Jacobian from the expanded polynomial in
// double (the tests' evaluator): points at the distance from their root that
// a backward error of a few eps allows in double reach the integer itself,
// with the values 0 and the Jacobian there; a point already at the root, or
// one whose first correction exceeds the caller's bound, stays; at the
// double root of (x-1)^2 (x-2) Newton only halves the error per step and
// uses every step.
TEST(dd_refine, RefinementTable) {
  const system w16 = wilkinson_system(16);
  system dbl{1, vec<int>{4}, mat<int>(1, 4), vec<cplx>(4)};  // x^3 - 4x^2 + 5x - 2
  const double c3[4] = {1, -4, 5, -2};
  for (int k = 1; k <= 4; ++k) {
    dbl.supp(1, k) = 4 - k;
    dbl.coef(k) = c3[k - 1];
  }
  struct row {
    std::string what;
    const system* s;
    cplx x0;
    double maxstep;
    cplx want;   // where the point ends
    double tol;  // |x - want| at most
    int steps;   // steps taken, -1: at least one
  } rows[] = {
      {"W_16 near 7", &w16, 7 + 3e-6, 1e-3, 7, 0, -1},
      {"W_16 near 9, complex", &w16, cplx(9 - 4e-5, 1e-6), 1e-3, 9, 1e-14, -1},
      {"W_16 near 12", &w16, 12 + 1.2e-4, 1e-3, 12, 0, -1},
      {"W_16 near 16", &w16, 16 - 2e-6, 1e-3, 16, 0, -1},
      {"W_16 at 11", &w16, 11, 1e-3, 11, 0, 0},
      {"W_16 near 12, step above the bound", &w16, 12 + 1.2e-4, 1e-5, 12 + 1.2e-4, 0, 0},
      {"double root near 1", &dbl, 1 + 1e-8, 1e-3, 1, 1e-10, kRefineSteps},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const system& s = *r.s;
    fake::sparse.supp = s.supp;
    fake::sparse_nm = {s.nm(1)};
    vec<cplx> x{r.x0}, b(1), cfd;
    vec<double> maxstep{r.maxstep};
    mat<cplx> a(1, 1);
    dd_refine_work w(1);
    const int steps =
        dd_refine(1, s.nm, s.supp, s.coef, cfd, x, a, b, maxstep, w, fake::sparse_core);
    if (r.steps < 0) {
      EXPECT_GE(steps, 1);
      EXPECT_LE(steps, kRefineSteps);
    } else {
      EXPECT_EQ(steps, r.steps);
    }
    EXPECT_LE(cabs(x(1) - r.want), r.tol) << x(1);
    // a and b belong to the returned point.
    vec<cplx> p(1), q(1);
    mat<cplx> j(1, 1);
    dd_values(1, s.nm, s.supp, s.coef, x, p);
    fake::sparse_evahhx(1, s.coef.data(), x.data(), q.data(), cfd.data(), j.data());
    EXPECT_EQ(b(1), p(1));
    EXPECT_EQ(a(1, 1), j(1, 1));
    if (r.tol == 0 && r.want.imag() == 0 && r.want.real() == std::round(r.want.real())) {
      EXPECT_EQ(b(1), cplx(0, 0));
    }
  }
}

}  // namespace
}  // namespace hc

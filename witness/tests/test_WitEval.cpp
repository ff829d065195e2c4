// The interpreted evaluators against a direct evaluation of the same sparse
// system (monomials by repeated multiplication, derivatives by the power
// rule), and their exact behaviour at zero coordinates.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "WitEval.h"
#include "fatal.h"
#include "ref_eval.h"

namespace hc {
namespace {

struct sparse {
  int n = 0;
  vec<int> nm;
  mat<int> supp;
  vec<cplx> cf, cft;
  int m() const { return supp.cols(); }
};

// Direct evaluation: values, t-derivatives and Jacobian.
void direct(const sparse& s, const vec<cplx>& x, vec<cplx>& p, vec<cplx>& pt, mat<cplx>& J) {
  p.assign(s.n);
  pt.assign(s.n);
  J.assign(s.n, s.n);
  test::ref_eval(s.n, s.nm.data(), s.supp, s.cf.data(), s.cft.data(), x.data(), p.data(), J.data(),
                 pt.data());
}

sparse random_system(int n, std::vector<int> counts, int maxe, unsigned seed) {
  std::mt19937 g(seed);
  std::uniform_int_distribution<int> ex(0, maxe);
  std::uniform_real_distribution<double> u(-1, 1);
  sparse s;
  s.n = n;
  s.nm.assign(n);
  int m = 0;
  for (int i = 1; i <= n; ++i) m += (s.nm(i) = counts[static_cast<std::size_t>(i - 1)]);
  s.supp.assign(n, m);
  s.cf.assign(m);
  s.cft.assign(m);
  for (int k = 1; k <= m; ++k) {
    for (int j = 1; j <= n; ++j) s.supp(j, k) = ex(g);
    s.cf(k) = cplx(u(g), u(g));
    s.cft(k) = cplx(u(g), u(g));
  }
  return s;
}

struct evaluated {
  vec<cplx> p, pt, p2;
  mat<cplx> J, J2, J3;
};

evaluated all_three(const sparse& s, const vec<cplx>& x) {
  const int n = s.n, m = s.m();
  evaluated e{vec<cplx>(n),    vec<cplx>(n),    vec<cplx>(n),
              mat<cplx>(n, n), mat<cplx>(n, n), mat<cplx>(n, n)};
  vec<int> maxdeg(n);
  maxdeg_of(n, m, s.supp, maxdeg);
  evalpdpds(n, m, s.supp, s.cf, s.cft, maxdeg, x, s.nm, e.J, e.p, e.pt);
  evalpdp(n, m, s.supp, s.cf, maxdeg, x, s.nm, e.J2, e.p2);
  evaldp(n, m, s.supp, s.cf, maxdeg, x, s.nm, e.J3);
  return e;
}

// Relative agreement with the direct evaluation.
constexpr double kTol = 1e-12;

void expect_close(cplx a, cplx b, double scale) { EXPECT_LE(cabs(a - b), kTol * scale) << a << b; }

TEST(wit_eval, AgreesWithDirectEvaluation) {
  struct shape {
    int n;
    std::vector<int> counts;
    int maxe;
  };
  const std::vector<shape> shapes = {{1, {4}, 5},
                                     {2, {3, 5}, 3},
                                     {3, {1, 4, 6}, 4},
                                     {5, {7, 2, 3, 9, 4}, 2},
                                     {4, {3, 3, 3, 3}, 6}};
  unsigned seed = 1;
  for (const shape& sh : shapes) {
    SCOPED_TRACE(sh.n);
    sparse s = random_system(sh.n, sh.counts, sh.maxe, seed++);
    vec<cplx> x(sh.n);
    std::mt19937 g(seed * 7);
    std::uniform_real_distribution<double> u(-1.2, 1.2);
    for (int j = 1; j <= sh.n; ++j) x(j) = cplx(u(g), u(g));
    vec<cplx> p, pt;
    mat<cplx> J;
    direct(s, x, p, pt, J);
    evaluated e = all_three(s, x);
    double scale = 1;
    for (int i = 1; i <= sh.n; ++i) scale = std::max(scale, cabs(p(i)));
    for (int i = 1; i <= sh.n; ++i) {
      expect_close(e.p(i), p(i), scale);
      expect_close(e.pt(i), pt(i), scale);
      for (int j = 1; j <= sh.n; ++j) expect_close(e.J(i, j), J(i, j), 10 * scale);
    }
    // The three routines form the same Jacobian, bit for bit, and the same values.
    for (int i = 1; i <= sh.n; ++i) {
      EXPECT_EQ(e.p(i), e.p2(i));
      for (int j = 1; j <= sh.n; ++j) {
        EXPECT_EQ(e.J(i, j), e.J2(i, j));
        EXPECT_EQ(e.J(i, j), e.J3(i, j));
      }
    }
  }
}

// Equation 1: 2 x y^3 + 5 y^2 z + 7 (constant); equation 2: 3 x; equation 3: none.
sparse zero_fixture() {
  sparse s;
  s.n = 3;
  s.nm = vec<int>{3, 1, 0};
  s.supp.assign(3, 4);
  const int cols[4][3] = {{1, 3, 0}, {0, 2, 1}, {0, 0, 0}, {1, 0, 0}};
  for (int k = 1; k <= 4; ++k)
    for (int j = 1; j <= 3; ++j) s.supp(j, k) = cols[k - 1][j - 1];
  s.cf = vec<cplx>{cplx(2, 0), cplx(5, 0), cplx(7, 0), cplx(3, 0)};
  s.cft = vec<cplx>{cplx(0, 1), cplx(0, 2), cplx(0, 3), cplx(0, 4)};
  return s;
}

TEST(wit_eval, ZeroCoordinatesGiveExactDerivatives) {
  sparse s = zero_fixture();
  // x = 0: d/dx of 2 x y^3 is 2 y^3 exactly; y = 0: d/dy of y^2 z and y^3 terms are 0.
  vec<cplx> x{cplx(0, 0), cplx(1.5, -0.5), cplx(-2, 1)};
  evaluated e = all_three(s, x);
  const cplx y = x(2), z = x(3);
  EXPECT_EQ(e.J(1, 1), cplx(2, 0) * (y * y * y));
  EXPECT_EQ(e.J(2, 1), cplx(3, 0));
  EXPECT_EQ(e.J(2, 2), cplx(0, 0));
  EXPECT_EQ(e.J(2, 3), cplx(0, 0));

  vec<cplx> x0{cplx(0.5, 0.25), cplx(0, 0), cplx(-2, 1)};
  evaluated f = all_three(s, x0);
  EXPECT_EQ(f.J(1, 2), cplx(0, 0));  // exponents 3 and 2 of y = 0
  EXPECT_EQ(f.J(1, 3), cplx(0, 0));  // 5 y^2 at y = 0
  EXPECT_EQ(f.p(1), cplx(7, 0));     // only the constant survives
  EXPECT_EQ(f.pt(1), cplx(0, 3));    // and its cft
  (void)z;
}

TEST(wit_eval, EquationWithoutTermsIsZero) {
  sparse s = zero_fixture();
  vec<cplx> x{cplx(1, 2), cplx(3, 4), cplx(5, 6)};
  evaluated e = all_three(s, x);
  EXPECT_EQ(e.p(3), cplx(0, 0));
  EXPECT_EQ(e.pt(3), cplx(0, 0));
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(e.J(3, j), cplx(0, 0));
}

TEST(wit_eval, OneVariable) {
  // 4 x^3 - x + 2 at x = 1 + i: value, derivative 12 x^2 - 1.
  sparse s;
  s.n = 1;
  s.nm = vec<int>{3};
  s.supp.assign(1, 3);
  s.supp(1, 1) = 3;
  s.supp(1, 2) = 1;
  s.supp(1, 3) = 0;
  s.cf = vec<cplx>{cplx(4, 0), cplx(-1, 0), cplx(2, 0)};
  s.cft = s.cf;
  vec<cplx> x{cplx(1, 1)};
  evaluated e = all_three(s, x);
  const cplx z = x(1);
  expect_close(e.p(1), 4.0 * z * z * z - z + 2.0, 10);
  expect_close(e.J(1, 1), 12.0 * z * z - 1.0, 10);
}

TEST(wit_eval_death, ExponentBeyondMaxdegEndsTheProgram) {
  sparse s = zero_fixture();
  vec<int> maxdeg{1, 2, 1};  // y has exponent 3 in term 1
  vec<cplx> x(3), p(3);
  mat<cplx> J(3, 3);
  EXPECT_EXIT(evalpdp(3, 4, s.supp, s.cf, maxdeg, x, s.nm, J, p),
              testing::ExitedWithCode(status::internal), "largest degree");
}

}  // namespace
}  // namespace hc

#include "LinTool.h"
#include "fatal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "prng.h"
#include "scoped.h"

namespace hc {
namespace {

const cplx I(0.0, 1.0);

mat<cplx> random_cmat(int m, int n, std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  mat<cplx> a(m, n);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= m; ++i) a(i, j) = cplx(u(g), u(g));
  return a;
}

vec<cplx> random_cvec(int n, std::mt19937& g, double scale = 1.0) {
  std::uniform_real_distribution<double> u(-scale, scale);
  vec<cplx> v(n);
  for (int i = 1; i <= n; ++i) v(i) = cplx(u(g), u(g));
  return v;
}

vec<cplx> times(const mat<cplx>& a, const vec<cplx>& x) {
  vec<cplx> y(a.rows());
  for (int i = 1; i <= a.rows(); ++i)
    for (int k = 1; k <= a.cols(); ++k) y(i) += a(i, k) * x(k);
  return y;
}

// Unitary I - 2 w w^H for a random unit w.
mat<cplx> random_reflector(int n, std::mt19937& g) {
  vec<cplx> w = random_cvec(n, g);
  double s = 0.0;
  for (int i = 1; i <= n; ++i) s += std::norm(w(i));
  mat<cplx> h(n, n);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) h(i, j) = (i == j ? 1.0 : 0.0) - 2.0 * w(i) * std::conj(w(j)) / s;
  return h;
}

mat<cplx> matmul(const mat<cplx>& a, const mat<cplx>& b) {
  mat<cplx> c(a.rows(), b.cols());
  for (int j = 1; j <= b.cols(); ++j)
    for (int k = 1; k <= a.cols(); ++k)
      for (int i = 1; i <= a.rows(); ++i) c(i, j) += a(i, k) * b(k, j);
  return c;
}

// ---------------------------------------------------------------- cqaxb

TEST(LinTool_cqaxb, SolvesSystemsBuiltFromAChosenSolution) {
  std::mt19937 g(7);
  for (int n : {1, 2, 3, 5, 8, 12}) {
    mat<cplx> a = random_cmat(n, n, g);
    if (n >= 2) a(1, 1) = 0.0;  // forces a row exchange at the first step
    const vec<cplx> x = random_cvec(n, g, 3.0);
    vec<cplx> b = times(a, x);
    mat<cplx> work = a;
    cqaxb(n, work, b);
    for (int i = 1; i <= n; ++i)
      EXPECT_LT(std::abs(b(i) - x(i)), 1e-11) << "n = " << n << ", i = " << i;
  }
}

// The elimination as written row by row: pivot, floor, then
// a(j,k) -= f a(i,k) for k = i..n and b(j) -= f b(i); back substitution.
void cqaxb_rowwise(int n, mat<cplx>& a, vec<cplx>& b) {
  for (int i = 1; i <= n - 1; ++i) {
    int p = i;
    for (int r = i + 1; r <= n; ++r)
      if (cabs(a(r, i)) > cabs(a(p, i))) p = r;
    if (p != i) {
      for (int k = 1; k <= n; ++k) std::swap(a(i, k), a(p, k));
      std::swap(b(i), b(p));
    }
    if (cabs(a(i, i)) < kEps5) a(i, i) = kEps5;
    for (int j = i + 1; j <= n; ++j) {
      const cplx f = a(j, i) / a(i, i);
      for (int k = i; k <= n; ++k) a(j, k) = a(j, k) - f * a(i, k);
      b(j) = b(j) - f * b(i);
    }
  }
  if (cabs(a(n, n)) < kEps5) a(n, n) = kEps5;
  b(n) = b(n) / a(n, n);
  for (int j = n - 1; j >= 1; --j) {
    cplx s = 0.0;
    for (int k = j + 1; k <= n; ++k) s = s + a(j, k) * b(k);
    b(j) = (b(j) - s) / a(j, j);
  }
}

TEST(LinTool_cqaxb, RoundsExactlyAsTheRowByRowElimination) {
  std::mt19937 g(11);
  for (int n : {2, 4, 9}) {
    mat<cplx> a = random_cmat(n, n, g);
    a(n, 1) = a(1, 1) * 3.0;  // a pivot search that moves the last row up
    vec<cplx> b = random_cvec(n, g);
    mat<cplx> a_ref = a, a_work = a;
    vec<cplx> b_ref = b;
    cqaxb_rowwise(n, a_ref, b_ref);
    cqaxb(n, a_work, b);
    for (int i = 1; i <= n; ++i) {
      EXPECT_EQ(b(i), b_ref(i)) << "n = " << n << ", i = " << i;
      for (int k = i; k <= n; ++k) EXPECT_EQ(a_work(i, k), a_ref(i, k));
    }
  }
}

TEST(LinTool_cqaxb, ZeroOneByOneGivesTheFlooredPivot) {
  mat<cplx> a(1, 1, cplx(0.0, 0.0));
  vec<cplx> b{cplx(1.0, 0.0)};
  cqaxb(1, a, b);
  EXPECT_EQ(b(1).real(), 1.0 / kEps5);
  EXPECT_EQ(b(1).imag(), 0.0);
}

// Singular 2 x 2 systems [1 1; a21 a21] x = (1, 0): the second pivot is
// floored, and the answer shows which row was the first pivot.
TEST(LinTool_cqaxb, FirstRowOfLargestModulusIsThePivot) {
  const double E = 1.0 / kEps5;
  struct Case {
    cplx a21;
    cplx x1, x2;
  } cases[] = {
      // |i| = |1|: no exchange.  b(2) - i b(1) = -i, x2 = -i/kEps5, x1 = 1 - x2.
      {I, cplx(1.0, E), cplx(0.0, -E)},
      // |2i| > |1|: rows exchanged.  x2 = 1/kEps5, x1 = -2i x2 / 2i.
      {2.0 * I, cplx(-E, 0.0), cplx(E, 0.0)},
  };
  for (const Case& c : cases) {
    mat<cplx> a(2, 2);
    a(1, 1) = 1.0;
    a(1, 2) = 1.0;
    a(2, 1) = c.a21;
    a(2, 2) = c.a21;
    vec<cplx> b{cplx(1.0, 0.0), cplx(0.0, 0.0)};
    cqaxb(2, a, b);
    EXPECT_DOUBLE_EQ(b(1).real(), c.x1.real()) << c.a21;
    EXPECT_DOUBLE_EQ(b(1).imag(), c.x1.imag()) << c.a21;
    EXPECT_DOUBLE_EQ(b(2).real(), c.x2.real()) << c.a21;
    EXPECT_DOUBLE_EQ(b(2).imag(), c.x2.imag()) << c.a21;
  }
}

// ---------------------------------------------------------------- norms

TEST(LinTool_cqnormm, ColumnRowOrNothing) {
  // Moduli |(3,4)| = 5, |(0,-2)| = 2, |(-1,0)| = 1, |(6,8)| = 10:
  //   [5 2 0]   column sums 6, 12, 7; row sums 7, 18.
  //   [1 10 7]
  mat<cplx> a(2, 3);
  a(1, 1) = cplx(3, 4);
  a(1, 2) = cplx(0, -2);
  a(2, 1) = cplx(-1, 0);
  a(2, 2) = cplx(6, 8);
  a(2, 3) = cplx(0, 7);
  struct Case {
    int info;
    double want;
  } cases[] = {{1, 12.0}, {-1, 18.0}, {0, 0.0}, {2, 0.0}};
  for (const Case& c : cases) EXPECT_EQ(cqnormm(2, 3, a, c.info), c.want) << "info " << c.info;
}

double norm_unscaled(const vec<cplx>& v) {
  double s = 0.0;
  for (int i = 1; i <= v.size(); ++i) s += v(i).real() * v(i).real() + v(i).imag() * v(i).imag();
  return std::sqrt(s);
}

double norm_scaled(const vec<cplx>& v, double maxv) {
  double s = 0.0;
  for (int i = 1; i <= v.size(); ++i) {
    const double d = cabs(v(i) * (1.0 / maxv));
    s += d * d;
  }
  return maxv * std::sqrt(s);
}

TEST(LinTool_cqnormv, ScalesOnlyAboveTheThreshold) {
  const double big = 1e5, above = std::nextafter(1e5, 2e5);
  // A second entry chosen so that the two ways of summing round differently.
  const vec<cplx> at{cplx(big, 0.0), cplx(1000.0, 4000.0)};
  const vec<cplx> over{cplx(above, 0.0), cplx(1000.0, 4000.0)};
  ASSERT_NE(norm_unscaled(at), norm_scaled(at, big));
  ASSERT_NE(norm_unscaled(over), norm_scaled(over, above));
  EXPECT_EQ(cqnormv(2, at), norm_unscaled(at));
  EXPECT_EQ(cqnormv(2, over), norm_scaled(over, above));

  // Each modulus representable, the unscaled sum of squares not.
  const vec<cplx> huge{cplx(1e154, 0.0), cplx(0.0, -1e154), cplx(-1e154, 0.0)};
  EXPECT_DOUBLE_EQ(cqnormv(3, huge), std::sqrt(3.0) * 1e154);
  EXPECT_EQ(cqnormv(0, huge), 0.0);
}

// ---------------------------------------------------------------- QR

TEST(LinTool_cqhousevec, ReflectsTheVectorOntoTheFirstAxis) {
  const std::vector<std::vector<cplx>> cases = {
      {cplx(3, 4), cplx(1, -2), cplx(0, 5)},
      {cplx(0, 0), cplx(1, 1), cplx(-2, 0)},  // |v(1)| = 0: c = -||v||
      {cplx(-1, 0.5)},
      {cplx(2e6, -1e6), cplx(3e5, 0)},
  };
  for (const auto& cv : cases) {
    const int n = static_cast<int>(cv.size());
    vec<cplx> v(n), w(n);
    for (int i = 1; i <= n; ++i) v(i) = cv[i - 1];
    cplx c;
    cqhousevec(n, n, v, w, c);
    const double nv = norm_unscaled(v);
    EXPECT_NEAR(cabs(c), nv, 1e-14 * nv);
    if (cabs(v(1)) == 0.0) {
      EXPECT_EQ(c, cplx(-nv, 0.0));
    }
    // (I - 2 w w^H) v = c e1.
    cplx t = 0.0;
    for (int i = 1; i <= n; ++i) t += std::conj(w(i)) * v(i);
    for (int i = 1; i <= n; ++i) {
      const cplx hv = v(i) - 2.0 * t * w(i);
      EXPECT_LT(std::abs(hv - (i == 1 ? c : cplx(0.0))), 1e-14 * nv) << "entry " << i;
    }
  }
}

TEST(LinTool_cqqrsr, GivesTheTriangularFactor) {
  std::mt19937 g(3);
  for (int m : {1, 2, 5}) {
    const mat<cplx> a = random_cmat(m, m, g);
    mat<cplx> r = a;
    cqqrsr(m, r);
    for (int j = 1; j <= m; ++j)
      for (int i = j + 1; i <= m; ++i) EXPECT_EQ(r(i, j), cplx(0.0, 0.0));
    // R^H R = A^H A.
    for (int j = 1; j <= m; ++j)
      for (int i = 1; i <= m; ++i) {
        cplx rr = 0.0, aa = 0.0;
        for (int k = 1; k <= m; ++k) {
          rr += std::conj(r(k, i)) * r(k, j);
          aa += std::conj(a(k, i)) * a(k, j);
        }
        EXPECT_LT(std::abs(rr - aa), 1e-13 * m) << "m = " << m << " (" << i << "," << j << ")";
      }
  }
}

// ---------------------------------------------------------------- singular values

class LinTool_cqmaxminsv : public ::testing::Test {
 protected:
  const test::scoped_seed fixed_{20240607};
};

TEST_F(LinTool_cqmaxminsv, EstimatesOfMatricesWithKnownSingularValues) {
  constexpr double tol = 1e-5;
  std::mt19937 g(5);
  struct Case {
    const char* name;
    std::vector<cplx> diag;
    bool rotate;  // U diag V^H with random unitary U, V
    double smax, smin, rel;
  };
  const Case cases[] = {
      {"identity", {1.0, 1.0, 1.0, 1.0}, false, 1.0, 1.0, 1e-14},
      {"diagonal", {cplx(0, 10), 1.0, cplx(-0.1, 0), cplx(0.6, 0.8)}, false, 10.0, 0.1, 1e-4},
      {"rotated", {4.0, 1.0, 0.5, 0.05}, true, 4.0, 0.05, 1e-4},
      {"zero", {0.0, 0.0, 0.0}, false, kEps5, kEps5, 1e-6},
  };
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.diag.size());
    mat<cplx> a(n, n);
    for (int i = 1; i <= n; ++i) a(i, i) = c.diag[i - 1];
    if (c.rotate) a = matmul(matmul(random_reflector(n, g), a), random_reflector(n, g));
    double smax = 0.0, smin = 0.0;
    cqmaxminsv(n, a, smax, smin, tol);
    EXPECT_NEAR(smax, c.smax, c.rel * c.smax) << c.name;
    EXPECT_NEAR(smin, c.smin, c.rel * c.smin) << c.name;
  }
}

// ---------------------------------------------------------------- real least squares

TEST(LinTool_housevec, WorkedVectors) {
  struct Case {
    std::vector<double> x;
    double c, beta;
    std::vector<double> w;
  } cases[] = {
      // s = 16, |x| = 5; x(1) > 0: w(1) = -16/8 = -2, beta = 8/20.
      {{3, 4}, 5.0, 0.4, {1, -2}},
      // x(1) <= 0: w(1) = -3 - 5 = -8, beta = 128/80.
      {{-3, 4}, 5.0, 1.6, {1, -0.5}},
      // A tail below machine epsilon: no reflection.
      {{2, 1e-9}, 2.0, 0.0, {1, 1e-9}},
      // x(1) > 0 with a small tail, s = 5e-14: w(1) = -s/(x(1) + |x|) avoids
      // the cancellation of x(1) - |x|; beta = s/2 and c = 1 + s/2 to 1e-12.
      {{1, 1e-7, -2e-7}, 1.0 + 2.5e-14, 2.5e-14, {}},
  };
  for (const Case& cs : cases) {
    const int n = static_cast<int>(cs.x.size());
    vec<double> x(n), w(n);
    for (int i = 1; i <= n; ++i) x(i) = cs.x[i - 1];
    double c = 0.0, beta = -1.0;
    housevec(n, n, x, c, w, beta);
    EXPECT_NEAR(c, cs.c, 1e-12 * std::fabs(cs.c));
    EXPECT_NEAR(beta, cs.beta, 1e-12 * cs.beta);
    EXPECT_EQ(w(1), 1.0);
    for (int i = 1; i <= static_cast<int>(cs.w.size()); ++i) EXPECT_DOUBLE_EQ(w(i), cs.w[i - 1]);
    if (cs.beta == 0.0) continue;  // no reflection: the tail stays
    // (I - beta w w^T) x = c e1.
    double t = 0.0, nx = 0.0;
    for (int i = 1; i <= n; ++i) t += w(i) * x(i), nx += x(i) * x(i);
    for (int i = 1; i <= n; ++i)
      EXPECT_LT(std::fabs(x(i) - beta * t * w(i) - (i == 1 ? c : 0.0)), 1e-15 * std::sqrt(nx))
          << "x(1) = " << x(1) << ", entry " << i;
  }
}

// The complex least squares of the slice Newton: b = a x + r, with x chosen
// and r drawn, gives y with y = x when r = 0 and a^H (a y - b) = 0 always
// (the normal equations), for tall and square a.
TEST(LinTool_cqlsq, SolvesTheNormalEquations) {
  std::mt19937 g(29);
  std::uniform_real_distribution<double> u(-2.0, 2.0);
  for (const auto& [m, n] : {std::pair{5, 2}, std::pair{3, 3}, std::pair{9, 4}})
    for (const bool consistent : {true, false}) {
      SCOPED_TRACE(std::to_string(m) + " x " + std::to_string(n) +
                   (consistent ? ", consistent" : ", with a residual"));
      mat<cplx> a(m, n), a0(m, n);
      for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= m; ++i) a0(i, j) = a(i, j) = cplx(u(g), u(g));
      vec<cplx> x(n), b(m), b0(m), w(m);
      for (int j = 1; j <= n; ++j) x(j) = cplx(u(g), u(g));
      for (int i = 1; i <= m; ++i) {
        b(i) = consistent ? cplx(0, 0) : cplx(u(g), u(g));
        for (int j = 1; j <= n; ++j) b(i) += a0(i, j) * x(j);
        b0(i) = b(i);
      }
      cqlsq(m, n, a, b, w);
      for (int i = 1; i <= m; ++i)
        for (int j = 1; j < std::min(i, n + 1); ++j) EXPECT_EQ(a(i, j), cplx(0, 0));
      if (consistent) {
        for (int j = 1; j <= n; ++j) EXPECT_LT(std::abs(b(j) - x(j)), 1e-13) << j;
      }
      for (int j = 1; j <= n; ++j) {
        cplx t(0, 0);
        for (int i = 1; i <= m; ++i) {
          cplx r = -b0(i);
          for (int l = 1; l <= n; ++l) r += a0(i, l) * b(l);
          t += std::conj(a0(i, j)) * r;
        }
        EXPECT_LT(std::abs(t), 1e-12) << j;
      }
    }
}

TEST(LinTool_lsqrt, OverdeterminedSystemWithKnownLeastSquaresSolution) {
  constexpr int m = 7, n = 3;
  std::mt19937 g(17);
  std::uniform_real_distribution<double> u(-2.0, 2.0);
  mat<double> a(m, n);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= m; ++i) a(i, j) = u(g);
  const double x[n] = {1.5, -0.25, 3.0};
  // A residual orthogonal to the columns of a (Gram-Schmidt, twice), so that
  // x stays the least-squares solution of a y = a x + r.
  vec<double> r(m);
  for (int i = 1; i <= m; ++i) r(i) = u(g);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::vector<double>> q;
    for (int j = 1; j <= n; ++j) {
      std::vector<double> col(m);
      for (int i = 1; i <= m; ++i) col[i - 1] = a(i, j);
      for (auto& e : q) {
        double d = 0.0;
        for (int i = 0; i < m; ++i) d += e[i] * col[i];
        for (int i = 0; i < m; ++i) col[i] -= d * e[i];
      }
      double s = 0.0;
      for (double v : col) s += v * v;
      for (double& v : col) v /= std::sqrt(s);
      double d = 0.0;
      for (int i = 0; i < m; ++i) d += col[i] * r(i + 1);
      for (int i = 0; i < m; ++i) r(i + 1) -= d * col[i];
      q.push_back(col);
    }
  }
  vec<double> b(m);
  for (int i = 1; i <= m; ++i) {
    b(i) = r(i);
    for (int j = 1; j <= n; ++j) b(i) += a(i, j) * x[j - 1];
  }
  int info = -1;
  lsqrt(m, n, a, b, info);
  EXPECT_EQ(info, 0);
  for (int j = 1; j <= n; ++j) EXPECT_NEAR(b(j), x[j - 1], 1e-12) << j;
}

TEST(LinTool_lsqrt, RankDeficientGivesZeroSolution) {
  struct Case {
    const char* name;
    int m, n;
    std::vector<double> a;  // column by column
  } cases[] = {
      {"equal columns", 3, 2, {1, 2, 3, 1, 2, 3}},
      {"zero column", 3, 2, {1, 2, 3, 0, 0, 0}},
      {"fewer rows than columns", 2, 3, {1, 0, 0, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    mat<double> a(c.m, c.n);
    for (int j = 1; j <= c.n; ++j)
      for (int i = 1; i <= c.m; ++i) a(i, j) = c.a[(j - 1) * c.m + (i - 1)];
    vec<double> b(c.m, 1.0);
    int info = 0;
    lsqrt(c.m, c.n, a, b, info);
    EXPECT_EQ(info, 1) << c.name;
    for (int i = 1; i <= c.m; ++i) EXPECT_EQ(b(i), 0.0) << c.name;
  }
}

// ---------------------------------------------------------------- scaling

// A system given equation by equation as exponent columns.
struct sys {
  int n;
  vec<int> nm;
  mat<int> supp;
  vec<cplx> coef;
  sys(int n_, const std::vector<std::vector<std::vector<int>>>& eqs) : n(n_), nm(n_) {
    int m = 0;
    for (auto& e : eqs) m += static_cast<int>(e.size());
    supp.assign(n, m);
    coef.assign(m, cplx(1.0, 0.0));
    int k = 0;
    for (int i = 1; i <= n; ++i) {
      nm(i) = static_cast<int>(eqs[i - 1].size());
      for (auto& col : eqs[i - 1]) {
        ++k;
        for (int j = 1; j <= n; ++j) supp(j, k) = col[j - 1];
      }
    }
  }
  int m() const { return coef.size(); }
  int eq_of(int k) const {
    int last = 0;
    for (int i = 1; i <= n; ++i)
      if (k <= (last += nm(i))) return i;
    return 0;
  }
};

// x^2 + y + 1 = 0, x y + 1 = 0.
sys two_equations() { return sys(2, {{{2, 0}, {0, 1}, {0, 0}}, {{1, 1}, {0, 0}}}); }

TEST(LinTool_sclcoef, RowCountInSixtyFourBits) {
  sys s = two_equations();
  EXPECT_EQ(sclcoef_rows(s.n, s.m(), s.nm), 5 + 3 + 1);
  vec<int> nm{70000};
  EXPECT_EQ(sclcoef_rows(1, 70000, nm), 70000LL + 70000LL * 69999LL / 2);
}

TEST(LinTool_sclcoef, FitTooLargeForTheArraysEndsTheProgram) {
  const int m = 70000;  // 70000 + 70000*69999/2 rows exceed 32-bit indices
  vec<int> nm{m};
  mat<int> supp(1, m);
  for (int k = 1; k <= m; ++k) supp(1, k) = m - k;
  vec<cplx> coef(m, cplx(2.0, 0.0));
  vec<double> sclc(2);
  EXPECT_EXIT(sclcoef(1, m, nm, supp, coef, sclc), ::testing::ExitedWithCode(status::size),
              "scaling fit needs a 2450035000 x 2 matrix");
}

TEST(LinTool_sclcoef, UnitModuliNeedNoScaling) {
  sys s = two_equations();
  const cplx unit[] = {cplx(0, 1), cplx(-1, 0), cplx(0, -1), cplx(1, 0), cplx(-1, 0)};
  for (int k = 1; k <= s.m(); ++k) s.coef(k) = unit[k - 1];
  const vec<cplx> before = s.coef;
  vec<double> sclc(2 * s.n, -1.0);
  sclcoef(s.n, s.m(), s.nm, s.supp, s.coef, sclc);
  for (int i = 1; i <= 2 * s.n; ++i) EXPECT_EQ(sclc(i), 0.0) << i;
  for (int k = 1; k <= s.m(); ++k) EXPECT_EQ(s.coef(k), before(k)) << k;
}

// Coefficients built from chosen exponents alpha, beta: coef(k) =
// phase * e^-(beta_i + supp(.,k) . alpha) * wobble(k).  Without wobble the
// fit recovers alpha, beta and every scaled coefficient has modulus 1; with
// it, each |log|scaled coef|| is bounded by the residual of the least-squares
// fit, itself at most the norm of the wobble's logarithms over all rows.
TEST(LinTool_sclcoef, CoefficientsOverManyOrdersComeNearModulusOne) {
  const double alpha[2] = {10.0, -12.0}, beta[2] = {15.0, -8.0};
  std::mt19937 g(23);
  for (double wob : {0.0, 0.7}) {
    sys s = two_equations();
    std::uniform_real_distribution<double> u(-wob, wob);
    std::vector<double> logw(s.m() + 1, 0.0);
    double spread_before = 0.0;
    for (int k = 1; k <= s.m(); ++k) {
      const int i = s.eq_of(k);
      double e = beta[i - 1];
      for (int j = 1; j <= s.n; ++j) e += s.supp(j, k) * alpha[j - 1];
      logw[k] = wob > 0 ? u(g) : 0.0;
      s.coef(k) = std::polar(std::exp(-e + logw[k]), 0.3 * k);
      spread_before = std::max(spread_before, std::fabs(std::log(cabs(s.coef(k)))));
    }
    ASSERT_GT(spread_before, 30.0);  // moduli from e^-35 to e^10
    // Norm of the wobble over the term rows and the pair rows.
    double bound = 0.0;
    for (int k = 1; k <= s.m(); ++k) bound += logw[k] * logw[k];
    for (int first = 1, i = 1; i <= s.n; first += s.nm(i), ++i)
      for (int p = first; p < first + s.nm(i); ++p)
        for (int q = p + 1; q < first + s.nm(i); ++q)
          bound += (logw[p] - logw[q]) * (logw[p] - logw[q]);
    bound = std::sqrt(bound) + 1e-9;

    const vec<cplx> before = s.coef;
    vec<double> sclc(2 * s.n);
    sclcoef(s.n, s.m(), s.nm, s.supp, s.coef, sclc);
    if (wob == 0.0) {
      for (int j = 1; j <= s.n; ++j) EXPECT_NEAR(sclc(j), alpha[j - 1], 1e-10);
      for (int i = 1; i <= s.n; ++i) EXPECT_NEAR(sclc(s.n + i), beta[i - 1], 1e-10);
    }
    for (int k = 1; k <= s.m(); ++k) {
      EXPECT_LE(std::fabs(std::log(cabs(s.coef(k)))), bound) << "wobble " << wob << ", k " << k;
      EXPECT_NEAR(std::arg(s.coef(k)), std::arg(before(k)), 1e-12);
    }
  }
}

TEST(LinTool_sclcoef, UndeterminedOrUnusableFitLeavesTheSystemUnscaled) {
  struct Case {
    const char* name;
    sys s;
  };
  std::vector<Case> cases = {
      // y occurs in no term: its exponent is not determined.
      {"variable in no term", sys(2, {{{2, 0}, {1, 0}, {0, 0}}, {{1, 0}, {0, 0}}})},
      // log 0 is -inf.
      {"zero coefficient", two_equations()},
      // Two rows for four unknowns.
      {"one term per equation", sys(2, {{{1, 0}}, {{0, 1}}})},
  };
  for (int k = 1; k <= cases[0].s.m(); ++k) cases[0].s.coef(k) = cplx(std::pow(10.0, k), 1.0);
  for (int k = 1; k <= cases[1].s.m(); ++k) cases[1].s.coef(k) = cplx(0.0, std::pow(10.0, -k));
  cases[1].s.coef(3) = 0.0;
  cases[2].s.coef(1) = 5.0;
  cases[2].s.coef(2) = cplx(0.0, 7.0);
  for (Case& c : cases) {
    const vec<cplx> before = c.s.coef;
    vec<double> sclc(2 * c.s.n, -1.0);
    sclcoef(c.s.n, c.s.m(), c.s.nm, c.s.supp, c.s.coef, sclc);
    for (int i = 1; i <= 2 * c.s.n; ++i) EXPECT_EQ(sclc(i), 0.0) << c.name << " sclc " << i;
    for (int k = 1; k <= c.s.m(); ++k) EXPECT_EQ(c.s.coef(k), before(k)) << c.name << " k " << k;
  }
}

}  // namespace
}  // namespace hc

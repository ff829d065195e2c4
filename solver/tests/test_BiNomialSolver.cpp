#include "BiNomialSolver.h"
#include "fatal.h"
#include "ref_eval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace hc {
namespace {

constexpr double kTwoPi = 6.283185307179586;
// The 12-character text as one free-format record: the record's own opening
// blank, the text, a line end.
const std::string singular_record = std::string(" ") + " det = 0 !  " + "\n";

// A square integer matrix from its rows.
mat<int> from_rows(const std::vector<std::vector<int>>& rows) {
  const int n = static_cast<int>(rows.size());
  mat<int> a(n, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a(i, j) = rows[i - 1][j - 1];
  return a;
}

// Determinant by the sum over all permutations (n <= 8 here), in wrapping
// 128-bit arithmetic: exact for the matrices A, and exact modulo 2^128 for
// the transforms V, whose products of n entries may pass 2^127.
__int128 brute_det(const mat<int>& a) {
  using u128 = unsigned __int128;
  const int n = a.rows();
  std::vector<int> perm(n);
  std::iota(perm.begin(), perm.end(), 1);
  u128 sum = 0;
  do {
    int inversions = 0;
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j) inversions += perm[i] > perm[j];
    u128 prod = inversions % 2 ? ~u128(0) : u128(1);
    for (int i = 1; i <= n; ++i)
      prod *= static_cast<u128>(static_cast<__int128>(a(i, perm[i - 1])));
    sum += prod;
  } while (std::next_permutation(perm.begin(), perm.end()));
  return static_cast<__int128>(sum);
}

// All entries column by column, widened, for exact comparisons.
template <class T>
std::vector<long long> entries(const mat<T>& a) {
  return std::vector<long long>(a.data(), a.data() + a.rows() * a.cols());
}

long long iabs(__int128 v) { return static_cast<long long>(v < 0 ? -v : v); }

// A exactly times V.
mat<long long> product(const mat<int>& a, const mat<int>& v) {
  const int n = a.rows();
  mat<long long> p(n, n, 0);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      for (int k = 1; k <= n; ++k) p(i, j) += static_cast<long long>(a(i, k)) * v(k, j);
  return p;
}

using test::ipow;

// ---------------------------------------------------------------- gcd

struct gcd_case {
  int a, b, d, s, t;
};

TEST(BiNomialGcd, KnownCoefficients) {
  // clang-format off
  const gcd_case cases[] = {
      {12, -8, 4, 1, 1}, {7, 5, 1, -2, 3}, {5, 7, 1, 3, -2}, {0, 0, 0, 0, 0},
      {0, -5, -5, 0, 1}, {6, 0, 6, 1, 0},  {6, 3, 3, 0, 1},  {3, 6, 3, 1, 0},
      {-4, 4, 4, 0, 1},
  };
  // clang-format on
  for (const auto& c : cases) {
    int d = 99, s = 99, t = 99;
    gcd(c.a, c.b, d, s, t);
    EXPECT_EQ(d, c.d) << c.a << ", " << c.b;
    EXPECT_EQ(s, c.s) << c.a << ", " << c.b;
    EXPECT_EQ(t, c.t) << c.a << ", " << c.b;
  }
}

// The identity and divisibility hold at the ends of the 32-bit range; under
// the sanitizer build any overflow inside gcd would stop the test.
TEST(BiNomialGcd, ExtremeArgumentsKeepTheIdentity) {
  const int big[] = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, -1,    1,          2,
                     3,       -3,          65536,   -65537,      46341, 1073741824, 999999937};
  for (int a : big)
    for (int b : big) {
      int d = 0, s = 0, t = 0;
      gcd(a, b, d, s, t);
      ASSERT_NE(d, 0);
      EXPECT_EQ(static_cast<long long>(s) * a + static_cast<long long>(t) * b, d) << a << ", " << b;
      EXPECT_EQ(static_cast<long long>(a) % d, 0) << a << ", " << b;
      EXPECT_EQ(static_cast<long long>(b) % d, 0) << a << ", " << b;
    }
}

// ---------------------------------------------------------------- reduction

struct reduce_case {
  const char* what;
  std::vector<std::vector<int>> a, l, v;
  long long det;
};

TEST(BiNomialIntmatqr, HandReducedMatrices) {
  // clang-format off
  const reduce_case cases[] = {
      {"size reduction then gcd, negative diagonal", {{4, 6}, {1, 1}}, {{2, 0}, {0, -1}},
       {{-1, -3}, {1, 2}}, 2},
      {"remainder -|p|/2 keeps its sign", {{4, -6}, {1, 1}}, {{-2, 0}, {2, -5}},
       {{1, -3}, {1, -2}}, 10},
      {"equal pivot moduli: the first column wins", {{2, -2}, {1, 0}}, {{-2, 0}, {0, -1}},
       {{0, -1}, {1, -1}}, 2},
      {"final reduction by q0", {{1, 0}, {7, 3}}, {{1, 0}, {1, 3}}, {{1, 0}, {-2, 1}}, 3},
      {"final reduction rounds up", {{1, 0}, {8, 3}}, {{1, 0}, {-1, 3}}, {{1, 0}, {-3, 1}}, 3},
      {"final reduction rounds down", {{1, 0}, {-8, 3}}, {{1, 0}, {1, 3}}, {{1, 0}, {3, 1}}, 3},
      {"pivot column exchange", {{0, 1}, {1, 0}}, {{1, 0}, {0, 1}}, {{0, 1}, {1, 0}}, 1},
      {"one by one", {{-3}}, {{-3}}, {{1}}, 3},
  };
  // clang-format on
  for (const auto& c : cases) {
    mat<int> m = from_rows(c.a), q(m.rows(), m.rows(), 7);
    long long det = -1;
    intmatqr(m.rows(), m, q, det);
    const mat<int> l = from_rows(c.l), v = from_rows(c.v);
    EXPECT_EQ(entries(m), entries(l)) << c.what;
    EXPECT_EQ(entries(q), entries(v)) << c.what;
    EXPECT_EQ(det, c.det) << c.what;
  }
}

// Random matrices: A V = L, L lower triangular and size-reduced, V
// unimodular, det = |det A|; the reduction without V gives the same L, det
// and output.  From order six on, the values met between the size
// reductions of such matrices pass 2^31 although L and V stay small.
TEST(BiNomialIntmatqr, RandomMatricesReduceExactly) {
  std::mt19937 gen(20240611);
  std::uniform_int_distribution<int> entry(-5, 5);
  for (int n = 1; n <= 8; ++n) {
    for (int trial = 0; trial < 40; ++trial) {
      mat<int> a(n, n);
      for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) a(i, j) = entry(gen);
      if (trial % 10 == 9) {  // some singular ones: a repeated column
        for (int i = 1; i <= n; ++i) a(i, n) = a(i, 1);
      }
      mat<int> l = a, v(n, n);
      long long det = -1;
      testing::internal::CaptureStdout();
      intmatqr(n, l, v, det);
      const std::string out = testing::internal::GetCapturedStdout();

      const long long want = iabs(brute_det(a));
      ASSERT_EQ(det, want) << "n " << n << " trial " << trial;
      if (det != 0) {
        EXPECT_EQ(out, "");
        EXPECT_EQ(entries(product(a, v)), entries(l));
        EXPECT_EQ(iabs(brute_det(v)), 1);
        for (int i = 1; i <= n; ++i)
          for (int j = 1; j <= n; ++j) {
            if (j > i) {
              EXPECT_EQ(l(i, j), 0);
            } else if (j < i) {
              EXPECT_TRUE(std::abs(l(i, j)) <= 3 || 2 * std::abs(l(i, j)) <= std::abs(l(i, i)))
                  << "entry (" << i << "," << j << ") not size-reduced";
            }
          }
      } else {
        EXPECT_TRUE(out == "" || out == singular_record) << out;
      }

      mat<int> l2 = a;
      long long det2 = -1;
      testing::internal::CaptureStdout();
      intmat_reduce(n, l2, {}, false, det2);
      EXPECT_EQ(testing::internal::GetCapturedStdout(), out);
      EXPECT_EQ(det2, det);
      EXPECT_EQ(entries(l2), entries(l));
    }
  }
}

struct singular_case {
  const char* what;
  std::vector<std::vector<int>> a;
  std::string out;
};

TEST(BiNomialIntmatqr, SingularMatrices) {
  // clang-format off
  const singular_case cases[] = {
      {"zero first row", {{0, 0}, {1, 2}}, singular_record},
      {"zero middle row", {{1, 2, 3}, {0, 0, 0}, {4, 5, 6}}, singular_record},
      {"row left without pivot", {{1, 2, 3}, {2, 4, 6}, {1, 0, 1}}, singular_record},
      {"last diagonal entry zero", {{1, 2}, {2, 4}}, ""},
      // Below the zero diagonal entry stays an entry of modulus >= 4, which
      // the final size reduction must leave alone rather than divide by 0.
      {"zero divisor for the final reduction", {{1, 2}, {5, 10}}, ""},
      {"zero last row", {{1, 2}, {0, 0}}, ""},
  };
  // clang-format on
  for (const auto& c : cases) {
    for (bool with_q : {true, false}) {
      mat<int> m = from_rows(c.a), q(m.rows(), m.rows());
      long long det = -1;
      testing::internal::CaptureStdout();
      if (with_q)
        intmatqr(m.rows(), m, q, det);
      else
        intmat_reduce(m.rows(), m, {}, false, det);
      EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.what;
      EXPECT_EQ(det, 0) << c.what;
    }
  }
}

// ---------------------------------------------------------------- xac

// Every column s of x solves prod_j x_j^A(i,j) = c_i.
void expect_solves(const mat<int>& a, const vec<cplx>& c, const mat<cplx>& x, int det, double tol) {
  const int n = a.rows();
  for (int s = 1; s <= det; ++s)
    for (int i = 1; i <= n; ++i) {
      cplx prod(1.0, 0.0);
      for (int j = 1; j <= n; ++j) prod *= ipow(x(j, s), a(i, j));
      EXPECT_LE(std::abs(prod - c(i)), tol * std::abs(c(i))) << "column " << s << " eq " << i;
    }
}

void expect_distinct(const mat<cplx>& x, int n, int det) {
  for (int s = 1; s <= det; ++s)
    for (int r = s + 1; r <= det; ++r) {
      double dist = 0.0, size = 0.0;
      for (int j = 1; j <= n; ++j) {
        dist = std::max(dist, std::abs(x(j, s) - x(j, r)));
        size = std::max(size, std::abs(x(j, s)));
      }
      EXPECT_GT(dist, 1e-8 * size) << "columns " << s << " and " << r;
    }
}

TEST(BiNomialXac, CubeRootsOfEight) {
  mat<int> a = from_rows({{3}});
  vec<cplx> c{cplx(8, 0)};
  mat<cplx> x(1, 3);
  mat<double> y(1, 3);
  int det = 0;
  xac(1, x, y, a, c, det);
  ASSERT_EQ(det, 3);
  EXPECT_EQ(a(1, 1), 3);
  EXPECT_EQ(c(1), cplx(1, 0));
  for (int t = 1; t <= 3; ++t) {
    const cplx want = 2.0 * cplx(std::cos(kTwoPi * t / 3), std::sin(kTwoPi * t / 3));
    EXPECT_NEAR(std::abs(x(1, t) - want), 0.0, 1e-14) << "t " << t;
  }
  EXPECT_NEAR(x(1, 3).real(), 2.0, 1e-14);
}

// diag(2, 3): column s has t_1 = (s-1)/3 + 1 and t_2 = (s-1)%3 + 1.
TEST(BiNomialXac, DiagonalColumnOrder) {
  const cplx c1(0.3, -1.1), c2(-2.0, 0.5);
  mat<int> a = from_rows({{2, 0}, {0, 3}});
  vec<cplx> c{c1, c2};
  mat<cplx> x(2, 6);
  mat<double> y(2, 6);
  int det = 0;
  xac(2, x, y, a, c, det);
  ASSERT_EQ(det, 6);
  for (int s = 1; s <= 6; ++s) {
    const int t1 = (s - 1) / 3 + 1, t2 = (s - 1) % 3 + 1;
    const cplx w1 =
        std::pow(std::abs(c1), 1.0 / 2) * std::exp(cplx(0, (std::arg(c1) + t1 * kTwoPi) / 2));
    const cplx w2 =
        std::pow(std::abs(c2), 1.0 / 3) * std::exp(cplx(0, (std::arg(c2) + t2 * kTwoPi) / 3));
    EXPECT_NEAR(std::abs(x(1, s) - w1), 0.0, 1e-13) << "column " << s;
    EXPECT_NEAR(std::abs(x(2, s) - w2), 0.0, 1e-13) << "column " << s;
  }
}

// A negative diagonal entry divides the angles by itself: x^-2 = 4 gives
// 1/2 (cos, sin)(-pi t), so -1/2 first and 1/2 second; and a 2x2 matrix
// that reduces to diag(2, -1) still solves its system.
TEST(BiNomialXac, NegativeDiagonal) {
  {
    mat<int> a = from_rows({{-2}});
    vec<cplx> c{cplx(4, 0)};
    mat<cplx> x(1, 2);
    mat<double> y(1, 2);
    int det = 0;
    xac(1, x, y, a, c, det);
    ASSERT_EQ(det, 2);
    EXPECT_NEAR(std::abs(x(1, 1) - cplx(-0.5, 0)), 0.0, 1e-15);
    EXPECT_NEAR(std::abs(x(1, 2) - cplx(0.5, 0)), 0.0, 1e-15);
  }
  {
    const mat<int> a0 = from_rows({{4, 6}, {1, 1}});
    const vec<cplx> c0{cplx(3, 4), cplx(0, -0.25)};
    mat<int> a = a0;
    vec<cplx> c = c0;
    mat<cplx> x(2, 2);
    mat<double> y(2, 2);
    int det = 0;
    xac(2, x, y, a, c, det);
    ASSERT_EQ(det, 2);
    EXPECT_EQ(a(2, 2), -1);
    expect_solves(a0, c0, x, det, 1e-12);
    expect_distinct(x, 2, det);
  }
}

TEST(BiNomialXac, RandomSystemsAreSolved) {
  std::mt19937 gen(77);
  std::uniform_int_distribution<int> entry(-3, 3);
  std::uniform_real_distribution<double> modulus(0.5, 2.0), angle(-3.1, 3.1);
  for (int n = 1; n <= 4; ++n) {
    for (int trial = 0; trial < 15; ++trial) {
      mat<int> a0(n, n);
      long long want = 0;
      while (want == 0) {
        for (int j = 1; j <= n; ++j)
          for (int i = 1; i <= n; ++i) a0(i, j) = entry(gen);
        want = iabs(brute_det(a0));
      }
      vec<cplx> c0(n);
      for (int i = 1; i <= n; ++i) c0(i) = std::polar(modulus(gen), angle(gen));
      mat<int> a = a0;
      vec<cplx> c = c0;
      mat<cplx> x(n, static_cast<int>(want));
      mat<double> y(n, static_cast<int>(want));
      int det = 0;
      xac(n, x, y, a, c, det);
      ASSERT_EQ(det, want);
      for (int i = 1; i <= n; ++i) EXPECT_NEAR(std::abs(c(i)), 1.0, 1e-15);
      expect_solves(a0, c0, x, det, 1e-10);
      expect_distinct(x, n, det);
    }
  }
}

TEST(BiNomialXac, SingularGivesNoSolutions) {
  for (const auto& rows : {std::vector<std::vector<int>>{{0, 0}, {1, 2}},
                           std::vector<std::vector<int>>{{1, 2}, {5, 10}}}) {
    mat<int> a = from_rows(rows);
    vec<cplx> c{cplx(2, 0), cplx(0, 3)};
    mat<cplx> x(2, 1, cplx(7, 7));
    mat<double> y(2, 1, 7.0);
    int det = -1;
    testing::internal::CaptureStdout();
    xac(2, x, y, a, c, det);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(det, 0);
    EXPECT_EQ(x(1, 1), cplx(7, 7));
    EXPECT_EQ(y(2, 1), 7.0);
  }
}

TEST(BiNomialXacDeathTest, SolutionArrayTooSmall) {
  mat<int> a = from_rows({{5}});
  vec<cplx> c{cplx(1, 0)};
  mat<cplx> x(1, 4);
  mat<double> y(1, 5);
  int det = 0;
  EXPECT_EXIT(xac(1, x, y, a, c, det), testing::ExitedWithCode(status::internal),
              "fewer columns than solutions");
}

// ---------------------------------------------------------------- bisolver

// Two equations in normal order: terms 1..2 of equation 1, 3..5 of
// equation 2.  Cell 2 takes the edges (1,2) and (3,4): A = [[2,1],[1,-3]].
struct cell_fixture {
  mat<int> supp = mat<int>(2, 5);
  vec<cplx> coef{cplx(1.5, 0.5), cplx(-2, 1), cplx(0.7, -0.2), cplx(1, 1), cplx(3, 0)};
  mat<int> mcl = mat<int>(2, 4);
  cell_fixture() {
    const int cols[5][2] = {{2, 1}, {0, 0}, {1, 0}, {0, 3}, {0, 0}};
    for (int k = 1; k <= 5; ++k)
      for (int j = 1; j <= 2; ++j) supp(j, k) = cols[k - 1][j - 1];
    const int cells[2][4] = {{1, 2, 1, 2}, {4, 5, 3, 4}};
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 4; ++j) mcl(i, j) = cells[i - 1][j - 1];
  }
};

TEST(BiNomialBisolver, CellStartSolutionsSolveTheCellSystem) {
  cell_fixture f;
  mat<cplx> bix(2, 9, cplx(7, 7));
  const int det = bisolver(2, 2, 5, f.supp, f.coef, f.mcl, bix);
  ASSERT_EQ(det, 7);
  for (int s = 1; s <= det; ++s)
    for (int i = 1; i <= 2; ++i) {
      const int k1 = f.mcl(i, 3), k2 = f.mcl(i, 4);
      const cplx t1 = f.coef(k1) * ipow(bix(1, s), f.supp(1, k1)) * ipow(bix(2, s), f.supp(2, k1));
      const cplx t2 = f.coef(k2) * ipow(bix(1, s), f.supp(1, k2)) * ipow(bix(2, s), f.supp(2, k2));
      EXPECT_LE(std::abs(t1 + t2), 1e-12 * std::abs(t2)) << "column " << s << " eq " << i;
    }
  expect_distinct(bix, 2, det);
  EXPECT_EQ(bix(1, 8), cplx(7, 7));  // nothing beyond the det columns

  // Cell 1: A = [[2,1],[0,3]], 6 solutions.
  mat<cplx> bix1(2, 6);
  EXPECT_EQ(bisolver(1, 2, 5, f.supp, f.coef, f.mcl, bix1), 6);
}

TEST(BiNomialBisolverDeathTest, SolutionArrayTooSmall) {
  cell_fixture f;
  mat<cplx> bix(2, 6);
  EXPECT_EXIT(bisolver(2, 2, 5, f.supp, f.coef, f.mcl, bix),
              testing::ExitedWithCode(status::internal), "fewer columns than solutions");
}

// ---------------------------------------------------------------- bisolvertd

TEST(BiNomialBisolvertd, TotalDegreeStartSystem) {
  const vec<cplx> coef{cplx(1, 1), cplx(-2, 0), cplx(0, 2), cplx(1, -3)};
  const vec<int> deg{2, 3};
  mat<cplx> bix(2, 6);
  // A wrong product from the caller does not change what is written.
  const int det = bisolvertd(2, 4, coef, bix, 5, deg);
  ASSERT_EQ(det, 6);
  for (int s = 1; s <= 6; ++s) {
    const int t1 = (s - 1) / 3 + 1, t2 = (s - 1) % 3 + 1;
    const cplx c1 = -coef(2) / coef(1), c2 = -coef(4) / coef(3);
    const cplx w1 = std::sqrt(std::abs(c1)) * std::exp(cplx(0, (std::arg(c1) + t1 * kTwoPi) / 2));
    const cplx w2 = std::cbrt(std::abs(c2)) * std::exp(cplx(0, (std::arg(c2) + t2 * kTwoPi) / 3));
    EXPECT_NEAR(std::abs(bix(1, s) - w1), 0.0, 1e-13) << "column " << s;
    EXPECT_NEAR(std::abs(bix(2, s) - w2), 0.0, 1e-13) << "column " << s;
  }
}

TEST(BiNomialBisolvertd, ZeroDegreeGivesNoSolutions) {
  const vec<cplx> coef{cplx(1, 0), cplx(1, 0), cplx(1, 0), cplx(1, 0)};
  struct {
    std::vector<int> deg;
    std::string out;
  } cases[] = {{{0, 2}, singular_record}, {{2, 0}, ""}};
  for (const auto& c : cases) {
    vec<int> deg{c.deg[0], c.deg[1]};
    mat<cplx> bix(2, 1, cplx(7, 7));
    testing::internal::CaptureStdout();
    EXPECT_EQ(bisolvertd(2, 4, coef, bix, 0, deg), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
    EXPECT_EQ(bix(1, 1), cplx(7, 7));
  }
}

TEST(BiNomialBisolvertdDeathTest, MoreSolutionsThanColumnsCanCount) {
  const vec<cplx> coef{cplx(1, 0), cplx(1, 0), cplx(1, 0), cplx(1, 0)};
  const vec<int> deg{65536, 65536};
  mat<cplx> bix(2, 1);
  EXPECT_EXIT(bisolvertd(2, 4, coef, bix, 0, deg), testing::ExitedWithCode(status::size),
              "too many solutions");
}

}  // namespace
}  // namespace hc

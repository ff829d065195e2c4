// The polyhedral tracker: the powers of t of a cell, whole runs of fcurve on
// systems built from chosen roots with hand-made cells (evaluated by the
// tests' own sparse evaluator), the re-track of a path and the duplicate
// check, and the limits that end the program.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "BackErr.h"
#include "BiNomialSolver.h"
#include "CheckSol.h"
#include "FollowCurve.h"
#include "fake_sparse_eval.h"
#include "far_roots.h"
#include "fatal.h"
#include "poly_run.h"
#include "scoped.h"

namespace hc {
namespace {

using polytest::system;

// Reduction of a cell's difference matrix as fcurve makes it.
struct reduced {
  mat<int> v, q;
  long long det = 0;
};
reduced reduce(int n, mat_ref<const int> supp, mat_ref<const int> mcl, int p) {
  reduced r{mat<int>(n, n), mat<int>(n, n), 0};
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) r.v(i, j) = supp(j, mcl(i, 2 * p - 1)) - supp(j, mcl(i, 2 * p));
  intmatqr(n, r.v, r.q, r.det);
  return r;
}

TEST(crtpwt, PowersAndTheLeastPositiveOne) {
  // x^2 + x + 1 with the cell {x^2, 1} lifted at 0: alpha = 0 and the power
  // of the middle term is its lifting itself.
  struct row {
    const char* what;
    double w2, tpow2, minpow;
  } rows[] = {
      {"every positive power at least 1: minpow 1", 5.0, 5.0, 1.0},
      {"a power below 1 is minpow", 0.3, 0.3, 0.3},
      {"a power of exactly 1e-12 counts as 0", 1e-12, 0.0, 1.0},
      {"a power just above 1e-12 is minpow", 2e-12, 2e-12, 2e-12},
      {"a negative power becomes 0", -0.5, 0.0, 1.0},
  };
  mat<int> supp(1, 3);
  supp(1, 1) = 2;
  supp(1, 2) = 1;
  supp(1, 3) = 0;
  mat<int> mcl(1, 2);
  mcl(1, 1) = 1;
  mcl(1, 2) = 3;
  const vec<int> nm{3};
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    reduced r = reduce(1, supp, mcl, 1);
    ASSERT_EQ(r.det, 2);
    const vec<double> w{0.0, c.w2, 0.0};
    vec<double> tpow(3, -9.0);
    double minpow = -9.0;
    crtpwt(1, 1, 3, nm, mcl, supp, r.v, r.q, w, tpow, minpow);
    EXPECT_EQ(tpow(1), 0.0);
    EXPECT_EQ(tpow(2), c.tpow2);
    EXPECT_EQ(tpow(3), 0.0);
    EXPECT_EQ(minpow, c.minpow);
  }
}

TEST(crtpwt, InnerNormalThroughTheReduction) {
  // Equations (3,1) (1,2) (0,0) and (2,2) (1,0) (0,1); the cell takes terms
  // 1, 3 and 4, 5, a difference matrix of determinant 5 that the reduction
  // turns with a non-trivial transform.
  const int sv[2][6] = {{3, 1, 0, 2, 1, 0}, {1, 2, 0, 2, 0, 1}};
  mat<int> supp(2, 6);
  for (int k = 1; k <= 6; ++k)
    for (int j = 1; j <= 2; ++j) supp(j, k) = sv[j - 1][k - 1];
  mat<int> mcl(2, 2);
  mcl(1, 1) = 1;
  mcl(1, 2) = 3;
  mcl(2, 1) = 4;
  mcl(2, 2) = 5;
  const vec<int> nm{3, 3};
  const vec<double> w{0.1, 0.7, 0.25, 0.4, 0.05, 0.9};
  reduced r = reduce(2, supp, mcl, 1);
  ASSERT_EQ(r.det, 5);
  vec<double> tpow(6);
  double minpow = 0;
  crtpwt(1, 2, 6, nm, mcl, supp, r.v, r.q, w, tpow, minpow);

  // alpha by Cramer's rule from the difference matrix itself.
  const double a11 = 3, a12 = 1, a21 = 1, a22 = 2;
  const double b1 = w(3) - w(1), b2 = w(5) - w(4);
  const double d = a11 * a22 - a12 * a21;
  const double al1 = (b1 * a22 - a12 * b2) / d, al2 = (a11 * b2 - b1 * a21) / d;
  auto lifted = [&](int k) { return w(k) + supp(1, k) * al1 + supp(2, k) * al2; };
  double expect_min = 1.0;
  for (int k = 1; k <= 6; ++k) {
    const double base = k <= 3 ? lifted(1) : lifted(4);
    double e = lifted(k) - base;
    if (e <= 1e-12) e = 0;
    if (e > 1e-12 && e < expect_min) expect_min = e;
    EXPECT_NEAR(tpow(k), e, 1e-14) << "term " << k;
  }
  for (int k : {1, 3, 4, 5}) EXPECT_EQ(tpow(k), 0.0) << "cell term " << k;
  EXPECT_NEAR(minpow, expect_min, 1e-14);
}

// x^2 - 4 = 0 and y^2 + c x^2 - (9 + 4c) = 0, times complex factors, roots
// (+-2, +-3).  Terms in normal order: x^2, 1 | x^2, y^2, 1.
system two_squares() {
  system s;
  s.n = 2;
  s.nm = {2, 3};
  s.supp.assign(2, 5);
  s.supp(1, 1) = 2;
  s.supp(1, 3) = 2;
  s.supp(2, 4) = 2;
  const cplx f1(0.3, 0.7), f2(1.0, -0.5), c(0.6, -0.2);
  s.coef = {f1, -4.0 * f1, c * f2, f2, -(9.0 + 4.0 * c) * f2};
  return s;
}
const std::vector<std::vector<cplx>> kSquaresRoots{
    {2.0, 3.0}, {2.0, -3.0}, {-2.0, 3.0}, {-2.0, -3.0}};

// Cell 1 pairs x^2 with 1 in both equations: a singular difference matrix.
// Cell 2 is {x^2, 1}, {y^2, 1}, with the x^2 of the second equation lifted.
struct squares_cells {
  vec<double> w{0.0, 0.0, 0.5, 0.0, 0.0};
  mat<int> mcl{2, 4};
  squares_cells() {
    mcl(1, 1) = 1, mcl(1, 2) = 2, mcl(2, 1) = 3, mcl(2, 2) = 5;
    mcl(1, 3) = 1, mcl(1, 4) = 2, mcl(2, 3) = 4, mcl(2, 4) = 5;
  }
};

TEST(fcurve, FindsEveryRootOnceAndSkipsASingularCell) {
  const system s = two_squares();
  squares_cells c;
  const vec<cplx> coef_q = polytest::start_coefs(s.m(), 11);
  const polytest::run r = polytest::track(s, c.w, c.mcl, 2, 4, coef_q);
  polytest::expect_roots_once(2, r, kSquaresRoots, 1e-8);
  EXPECT_EQ(r.blow_up, 0);
  std::set<int> starts;
  for (int j = 1; j <= r.nroot; ++j) {
    EXPECT_EQ(r.dat(kDatCell, j), 2) << "the singular cell has no path";
    starts.insert(r.dat(kDatStart, j));
    EXPECT_GT(r.dat(kDatSteps, j), 0);
    EXPECT_EQ(r.dat(kDatRetracks, j), 0) << "distinct roots are not re-tracked";
    EXPECT_EQ(r.dat(kDatGaveUp, j), 0);
    EXPECT_EQ(r.dat(kDatRows, j), 0);
  }
  EXPECT_EQ(starts, (std::set<int>{1, 2, 3, 4}));
}

// The far roots' fixtures: s = trinomial(eps, hi, lo), eps x^hi + x^lo - 1
// in one unknown, tracked through the two cells {x^hi, x^lo} and {x^lo, 1}
// of the lifting (0, 0, 1/2), with the start coefficients of seed 11 and
// hi paths (the mixed volume).
polytest::run track_trinomial(const system& s) {
  vec<double> w{0.0, 0.0, 0.5};
  mat<int> mcl(1, 4);
  mcl(1, 1) = 1, mcl(1, 2) = 2, mcl(1, 3) = 2, mcl(1, 4) = 3;
  const vec<cplx> coef_q = polytest::start_coefs(3, 11);
  return polytest::track(s, w, mcl, 2, s.supp(1, 1), coef_q);
}

system trinomial(double eps, int hi, int lo) {
  system s;
  s.n = 1;
  s.nm = {3};
  s.supp.assign(1, 3);
  s.supp(1, 1) = hi;
  s.supp(1, 2) = lo;
  s.coef = {eps, 1.0, -1.0};
  return s;
}

// 5e-5 x^5 + x^4 - 1 with the cells {x^5, x^4} and {x^4, 1}: four roots near
// the fourth roots of unity and one near -2e4 (below the growth bound), whose
// terms are near 1.6e17.  No double within 40 ulps of the far root has values
// below 1 in modulus, far above the final Newton's residual bound 1e-4 and
// the corrector's clamped accuracy near the end.  The corrector reaches it
// because its accuracy is never below the rounding level of the values, and
// the final Newton keeps it by its componentwise backward error.
TEST(fcurve, ARootWhoseValuesAreRoundingNoiseAboveTheClampedAccuracy) {
  constexpr double eps = 5e-5;
  const system s = trinomial(eps, 5, 4);
  auto value = [&](cplx x) {
    fakesp::set_system(1, s.nm, s.supp);
    cplx p, dp;
    fakesp::evahhx(1, s.coef.data(), &x, &p, nullptr, &dp);
    return std::abs(p);
  };
  double far = -1.0 / eps;  // Newton from -1/eps in double
  for (int k = 0; k < 80; ++k)
    far -= (eps * std::pow(far, 5) + std::pow(far, 4) - 1) /
           (5 * eps * std::pow(far, 4) + 4 * std::pow(far, 3));
  double z = far;
  for (int k = 0; k < 40; ++k) z = std::nextafter(z, -1e300);
  for (int k = 0; k <= 80; ++k, z = std::nextafter(z, 0.0))
    ASSERT_GE(value(z), 1.0) << "the premise: no double is a root to 1";
  const polytest::run r = track_trinomial(s);
  ASSERT_EQ(r.nroot, 5);
  EXPECT_EQ(r.blow_up, 0);
  int farfound = 0;
  for (int k = 1; k <= 5; ++k) {
    const cplx x = r.sol(1, k);
    const double terms = eps * std::pow(std::abs(x), 5) + std::pow(std::abs(x), 4) + 1;
    EXPECT_LE(value(x), kBackErrFactor * kMachEps * terms) << x;
    if (std::abs(x) > 2) {
      ++farfound;
      EXPECT_LT(std::abs(x - far), 1e-9 * std::fabs(far)) << x;
      EXPECT_GT(value(x), kFnResidual) << "kept by its backward error only";
    } else {
      EXPECT_LT(std::fabs(std::abs(x) - 1.0), 1e-4) << x;
    }
  }
  EXPECT_EQ(farfound, 1);
}

// 1e-12 x^4 + x - 1 with the cells {x^4, x} and {x, 1}: the root near 1 and
// three of modulus 1e4.  Along the three paths of the first cell the
// coefficient of x^4 is about -t coef_q until -t falls below 1e-12, so
// their points grow like (-t)^(-1/3) through the whole end game's zone, and
// the end game takes them for poles; followed on in the logarithm of -t
// they settle at the far roots.
TEST(fcurve, FarRootsThatLookLikePolesAtTheEndGame) {
  constexpr double eps = 1e-12;
  const polytest::run r = track_trinomial(trinomial(eps, 4, 1));
  EXPECT_EQ(r.blow_up, 0);
  test::expect_far_quartic_roots(eps, r.sol, r.nroot);
}

TEST(fcurve, APathThatTurnsNaNLeavesNoColumn) {
  // Values are NaN near (2, 3): the path to that root never converges, the
  // other three are packed into columns 1..3 and column 4 is not written.
  const system s = two_squares();
  squares_cells c;
  const vec<cplx> coef_q = polytest::start_coefs(s.m(), 11);
  const polytest::run all = polytest::track(s, c.w, c.mcl, 2, 4, coef_q);
  fakesp::sys.poison = {2.0, 3.0};
  fakesp::sys.poison_radius = 0.5;
  vec<int> nm{2, 3};
  polytest::run r{mat<cplx>(2, 4, polytest::kUnwritten), mat<int>(kDatRows, 4, 0), -1, -1};
  fcurve(2, 5, 2, nm, s.supp, s.coef, coef_q, c.w, c.mcl, r.nroot, r.sol, r.dat, r.blow_up,
         fakesp::core);
  polytest::expect_roots_once(2, r, {{2.0, -3.0}, {-2.0, 3.0}, {-2.0, -3.0}}, 1e-8);
  for (int i = 1; i <= 2; ++i) EXPECT_EQ(r.sol(i, 4), polytest::kUnwritten);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(r.dat(i, 4), 0);
  // The kept columns are the unpoisoned run's, in the same order.
  int k = 0;
  for (int j = 1; j <= all.nroot; ++j) {
    if (polytest::dist(2, all.sol.col(j), {2.0, 3.0}) < 1e-8) continue;
    ++k;
    EXPECT_EQ(r.dat(kDatStart, k), all.dat(kDatStart, j));
    EXPECT_LT(polytest::dist(2, r.sol.col(k), {all.sol(1, j), all.sol(2, j)}), 1e-12);
  }
  EXPECT_EQ(k, 3);
}

TEST(retrace, FollowsEachKeptPathAgainToItsEndPoint) {
  const system s = two_squares();
  squares_cells c;
  const vec<cplx> coef_q = polytest::start_coefs(s.m(), 11);
  const polytest::run r = polytest::track(s, c.w, c.mcl, 2, 4, coef_q);
  ASSERT_EQ(r.nroot, 4);
  vec<cplx> cfd(5);
  build_cfd(2, 5, s.supp, s.coef, cfd);
  const vec<int> nm{2, 3};
  for (int j = 1; j <= r.nroot; ++j) {
    double c3 = 0.01;
    int stepcount = -1, give_up = -1;
    vec<cplx> rtrcx(2);
    retrace(2, 2, 5, stepcount, s.supp, s.coef, coef_q, nm, c.w, c.mcl, c3, r.dat(kDatCell, j),
            r.dat(kDatStart, j), rtrcx, give_up, cfd, fakesp::core);
    EXPECT_EQ(give_up, 0);
    EXPECT_GT(stepcount, 0);
    EXPECT_LT(polytest::dist(2, rtrcx, {r.sol(1, j), r.sol(2, j)}), 1e-8) << "path " << j;
  }
  // Paths that do not exist: a singular cell, a root beyond the cell's
  // count, a cell beyond the table.
  const std::pair<int, int> none[] = {{1, 1}, {2, 5}, {3, 1}, {0, 1}};
  for (auto [p, rr] : none) {
    double c3 = 0.01;
    int stepcount = -1, give_up = -1;
    vec<cplx> rtrcx(2);
    retrace(2, 2, 5, stepcount, s.supp, s.coef, coef_q, nm, c.w, c.mcl, c3, p, rr, rtrcx, give_up,
            cfd, fakesp::core);
    EXPECT_EQ(give_up, 1) << "cell " << p << " root " << rr;
    EXPECT_EQ(stepcount, 0);
  }
}

TEST(chksln, RetracesTwoPathsThatEndTogetherAndSeparatesThem) {
  // Column 2 is overwritten by column 1's end point, as if two paths had
  // met: the check follows both paths again and restores both roots.
  const system s = two_squares();
  squares_cells c;
  const vec<cplx> coef_q = polytest::start_coefs(s.m(), 11);
  polytest::run r = polytest::track(s, c.w, c.mcl, 2, 4, coef_q);
  ASSERT_EQ(r.nroot, 4);
  const mat<cplx> before = r.sol;
  r.sol(1, 2) = r.sol(1, 1);
  r.sol(2, 2) = r.sol(2, 1);
  const int steps1 = r.dat(kDatSteps, 1), steps2 = r.dat(kDatSteps, 2);
  vec<cplx> cfd(5);
  build_cfd(2, 5, s.supp, s.coef, cfd);
  const vec<int> nm{2, 3};
  {
    const test::scoped_seed fixed(5);
    chksln(2, 2, 5, r.nroot, s.supp, s.coef, coef_q, nm, r.dat, c.w, c.mcl, r.sol, cfd,
           fakesp::core);
  }
  for (int j = 1; j <= 4; ++j) {
    EXPECT_LT(polytest::dist(2, r.sol.col(j), {before(1, j), before(2, j)}), 1e-8) << j;
    EXPECT_EQ(r.dat(kDatRetracks, j), j <= 2 ? 1 : 0) << j;
    EXPECT_EQ(r.dat(kDatGaveUp, j), 0) << j;
  }
  EXPECT_GT(r.dat(kDatSteps, 1), steps1);
  EXPECT_GT(r.dat(kDatSteps, 2), steps2);
}

// --- limits that end the program ---------------------------------------------
TEST(fcurveDeathTest, ArraysAndCellsBeyondWhatTheyCanHold) {
  const system s = two_squares();
  const vec<cplx> coef_q = polytest::start_coefs(s.m(), 11);
  const vec<int> nm{2, 3};
  auto run = [&](mat_ref<const int> supp, const vec<double>& w, const mat<int>& mcl, int nc,
                 int cols, int datcols) {
    fakesp::set_system(2, s.nm, supp);
    mat<cplx> sol(2, cols);
    mat<int> dat(kDatRows, datcols);
    int nroot = 0, blow_up = 0;
    fcurve(2, 5, nc, nm, supp, s.coef, coef_q, w, mcl, nroot, sol, dat, blow_up, fakesp::core);
  };
  squares_cells c;
  EXPECT_EXIT(run(s.supp, c.w, c.mcl, 2, 3, 4), testing::ExitedWithCode(status::internal),
              "fewer columns");
  EXPECT_EXIT(run(s.supp, c.w, c.mcl, 2, 4, 3), testing::ExitedWithCode(status::internal),
              "fewer columns");
  EXPECT_EXIT(run(s.supp, c.w, c.mcl, 3, 4, 4), testing::ExitedWithCode(status::internal),
              "fewer cells");
  squares_cells outside;
  outside.mcl(2, 4) = 6;
  EXPECT_EXIT(run(s.supp, outside.w, outside.mcl, 2, 4, 4),
              testing::ExitedWithCode(status::internal), "outside the supports");
  // Exponents 65536 in both equations: 2^32 start roots.
  mat<int> big = s.supp;
  big(1, 1) = 65536;
  big(2, 4) = 65536;
  EXPECT_EXIT(run(big, c.w, c.mcl, 2, 4, 4), testing::ExitedWithCode(status::size),
              "more start roots than the arrays can hold");
}

}  // namespace
}  // namespace hc

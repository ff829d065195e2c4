// The linear homotopy tracker: its evaluation, the refinement of start roots,
// and whole runs of fcurvetd on systems built from chosen roots, evaluated by
// an evaluator of the tests' own (fake_eval.h).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "BackErr.h"
#include "BiNomialSolver.h"
#include "FollowCurveTD.h"
#include "fake_eval.h"
#include "far_roots.h"
#include "fatal.h"
#include "prng.h"
#include "scoped.h"

namespace hc {
namespace {

TEST(evaltd, BlendsTheStartSystemAndTheTarget) {
  // P(z) = z - root with Jacobian k I; Q_1 = a1 x1 + b1 (degree 1), Q_2 = a2 x2^3 + b2.
  fake::lin_reset({cplx(1, 1), cplx(-2, 0.5)}, cplx(3, -1));
  const vec<cplx> coef_q{cplx(0.6, 0.8), cplx(-1, 0), cplx(0, 1), cplx(0.5, -0.5)};
  const vec<int> deg{1, 3};
  const vec<cplx> x{cplx(2, 1), cplx(0.5, -1)};
  const double t = 0.3;
  vec<cplx> coef, cfd, polyv(2), polyt(2);
  mat<cplx> jcb(2, 2);
  mat<int> supp_q(2, 4);
  evaltd(2, 0, supp_q, coef, coef_q, cfd, deg, x, t, jcb, polyv, polyt, 3, fake::lin_core);

  const cplx q1 = coef_q(1) * x(1) + coef_q(2), dq1 = coef_q(1);
  const cplx q2 = coef_q(3) * x(2) * x(2) * x(2) + coef_q(4), dq2 = 3.0 * coef_q(3) * x(2) * x(2);
  const cplx p1 = x(1) - cplx(1, 1), p2 = x(2) - cplx(-2, 0.5), k(3, -1);
  const double tol = 1e-14;
  EXPECT_LT(std::abs(polyv(1) - ((1 - t) * q1 + t * p1)), tol);
  EXPECT_LT(std::abs(polyv(2) - ((1 - t) * q2 + t * p2)), tol);
  EXPECT_LT(std::abs(polyt(1) - (p1 - q1)), tol);
  EXPECT_LT(std::abs(polyt(2) - (p2 - q2)), tol);
  EXPECT_EQ(jcb(1, 1), (1 - t) * dq1 + t * k) << "degree 1: the leading coefficient itself";
  EXPECT_LT(std::abs(jcb(2, 2) - ((1 - t) * dq2 + t * k)), tol);
  EXPECT_EQ(jcb(1, 2), cplx(0, 0));
  EXPECT_EQ(jcb(2, 1), cplx(0, 0));
}

// Refinement at t = 1 with a zero start system, so that H = P = x - root.
struct refine_out {
  cplx x, polyv;
  int evals;
};

refine_out refine(double x0, double k, int nan_from = std::numeric_limits<int>::max()) {
  fake::lin_reset({cplx(1, 0)}, cplx(k, 0));
  fake::lin.nan_from = nan_from;
  vec<cplx> x{cplx(x0, 0)}, polyv(1), polyt(1), coef, cfd;
  vec<cplx> coef_q{cplx(0, 0), cplx(0, 0)};
  mat<cplx> jacob(1, 1);
  vec<int> deg{1}, nm{1};
  mat<int> supp(1, 1), supp_q(1, 2);
  refinittd(1, 0, nm, 1.0, supp, supp_q, coef, coef_q, deg, x, jacob, polyv, polyt, cfd, 1,
            fake::lin_core);
  return {x(1), polyv(1), fake::lin.calls};
}

TEST(refinittd, StopsOnEveryInput) {
  struct row {
    const char* what;
    double x0, k;
    int nan_from;
    double x_back;
    int evals;
  } rows[] = {
      {"a residual within 1e-7 is left alone", 1 + 1e-8, 1.0, 1 << 30, 1 + 1e-8, 1},
      {"exact Newton converges in one correction", 1.5, 1.0, 1 << 30, 1.0, 2},
      {"a growing residual restores the start and evaluates it", 1.5, 0.4, 1 << 30, 1.5, 3},
      {"a NaN residual counts as growth", 1.5, 20.0 / 19, 2, 1.5, 3},
      // A correction of 1e-300 leaves x and its residual exactly as they were.
      {"a residual that stays exactly equal ends the refinement", 1.5, 1e300, 1 << 30, 1.5, 2},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    refine_out o = refine(r.x0, r.k, r.nan_from);
    EXPECT_EQ(o.x, cplx(r.x_back, 0));
    EXPECT_EQ(o.evals, r.evals);
    if (r.nan_from > 100) {
      EXPECT_EQ(o.polyv, o.x - 1.0) << "the evaluation belongs to the returned point";
    }
  }
}

// --- whole runs on systems with chosen roots ------------------------------
struct term {
  std::vector<int> e;
  cplx c;
};
using equation = std::vector<term>;

struct run_case {
  const char* what;
  std::vector<equation> eqs;
  std::vector<std::vector<cplx>> roots;  // every finite root
};

struct run_result {
  int n, tdeg, nroot, blow_up;
  mat<cplx> sol;
  mat<int> dat;
};

run_result run_linear(const std::vector<equation>& eqs) {
  const int n = static_cast<int>(eqs.size());
  int m = 0;
  for (const equation& q : eqs) m += static_cast<int>(q.size());
  vec<int> nm(n), deg(n);
  mat<int> supp(n, m);
  vec<cplx> coef(m);
  int k = 0;
  for (int i = 1; i <= n; ++i) {
    nm(i) = static_cast<int>(eqs[static_cast<std::size_t>(i - 1)].size());
    deg(i) = 0;
    for (const term& tm : eqs[static_cast<std::size_t>(i - 1)]) {
      ++k;
      int d = 0;
      for (int v = 1; v <= n; ++v) {
        supp(v, k) = tm.e[static_cast<std::size_t>(v - 1)];
        d += supp(v, k);
      }
      if (d > deg(i)) deg(i) = d;
      coef(k) = tm.c;
    }
  }
  fake::sparse.n = n;
  fake::sparse.m = m;
  fake::sparse.supp = supp;
  fake::sparse_nm.assign(nm.begin(), nm.end());

  // Start coefficients of unit modulus, fixed for the test.
  vec<cplx> coef_q(2 * n);
  for (int j = 1; j <= 2 * n; ++j)
    coef_q(j) = std::polar(1.0, 1.600000023841858 * (0.137 * j + 0.05));
  mat<int> supp_q(n, 2 * n);
  for (int i = 1; i <= n; ++i) supp_q(i, 2 * i - 1) = deg(i);
  int tdeg = 1;
  for (int i = 1; i <= n; ++i) tdeg *= deg(i);
  mat<cplx> bix(n, tdeg);
  if (tdeg > 0) {
    EXPECT_EQ(bisolvertd(n, m, coef_q, bix, tdeg, deg), tdeg);
  }

  run_result r{n, tdeg, -1, -1, mat<cplx>(n, tdeg), mat<int>(kDatRows, tdeg)};
  const test::scoped_seed fixed(12345);
  fcurvetd(n, m, tdeg, deg, supp, supp_q, coef, coef_q, nm, r.sol, bix, r.dat, r.nroot, r.blow_up,
           fake::sparse_core);
  return r;
}

const cplx I(0, 1);

const run_case kRuns[] = {
    {"x^2 = 4, y^2 = 9",
     {{{{2, 0}, 1.0}, {{0, 0}, -4.0}}, {{{0, 2}, 1.0}, {{0, 0}, -9.0}}},
     {{2, 3}, {2, -3}, {-2, 3}, {-2, -3}}},
    {"x^2 + y^2 = 5, x y = 2",
     {{{{2, 0}, 1.0}, {{0, 2}, 1.0}, {{0, 0}, -5.0}}, {{{1, 1}, 1.0}, {{0, 0}, -2.0}}},
     {{1, 2}, {2, 1}, {-1, -2}, {-2, -1}}},
    {"x^3 = 1 (one variable)",
     {{{{3}, 1.0}, {{0}, -1.0}}},
     {{1.0}, {std::polar(1.0, 2 * M_PI / 3)}, {std::polar(1.0, -2 * M_PI / 3)}}},
    {"complex roots: (x - 1 - 2i)(x - 3 + i) = 0, x y = 2 (two paths diverge)",
     {{{{2, 0}, 1.0}, {{1, 0}, -(4.0 + I)}, {{0, 0}, 5.0 + 5.0 * I}},
      {{{1, 1}, 1.0}, {{0, 0}, -2.0}}},
     {{1.0 + 2.0 * I, 2.0 / (1.0 + 2.0 * I)}, {3.0 - I, 2.0 / (3.0 - I)}}},
    {"x y = 2, x = 1 (one root at infinity)",
     {{{{1, 1}, 1.0}, {{0, 0}, -2.0}}, {{{1, 0}, 1.0}, {{0, 0}, -1.0}}},
     {{1, 2}}},
};

TEST(fcurvetd, FindsEveryRootOfSystemsWithChosenRoots) {
  for (const run_case& c : kRuns) {
    SCOPED_TRACE(c.what);
    run_result r = run_linear(c.eqs);
    ASSERT_EQ(r.nroot, static_cast<int>(c.roots.size()));
    std::set<int> starts;
    for (const std::vector<cplx>& root : c.roots) {
      int hits = 0;
      for (int k = 1; k <= r.nroot; ++k) {
        double d = 0;
        for (int i = 1; i <= r.n; ++i)
          d = std::max(d, std::abs(r.sol(i, k) - root[static_cast<std::size_t>(i - 1)]));
        if (d < 1e-8) ++hits;
      }
      EXPECT_EQ(hits, 1) << "root " << root[0];
    }
    for (int k = 1; k <= r.nroot; ++k) {
      EXPECT_EQ(r.dat(kDatCell, k), 0);
      EXPECT_GE(r.dat(kDatStart, k), 1);
      EXPECT_LE(r.dat(kDatStart, k), r.tdeg);
      EXPECT_GT(r.dat(kDatSteps, k), 0);
      EXPECT_EQ(r.dat(kDatGaveUp, k), 0);
      starts.insert(r.dat(kDatStart, k));
    }
    EXPECT_EQ(static_cast<int>(starts.size()), r.nroot) << "one kept point per path";
  }
}

// 1e-12 x^4 + x - 1 has a root near 1 and three of modulus near 1e4, the
// cube roots of -1e12 (less 1/3).  The paths to the far ones grow like
// (1 - t)^(-1/3) until 1 - t is about 1e-12: at 1 - t = 1e-8, where the end
// game looks, they are poles of modulus about 500 (below the growth bound),
// and only their tails in the logarithm of the distance reach the roots.
TEST(fcurvetd, FarRootsThatLookLikePolesAtTheEndGame) {
  const double eps = 1e-12;
  run_result r = run_linear({{{{4}, eps}, {{1}, 1.0}, {{0}, -1.0}}});
  EXPECT_EQ(r.blow_up, 0);
  test::expect_far_quartic_roots(eps, r.sol, r.nroot);
}

TEST(fcurvetd, KeptPathsEndExactlyAtOne) {
  const run_case& c = kRuns[1];
  run_result r = run_linear(c.eqs);
  ASSERT_EQ(r.nroot, 4);
  // Track the same paths one by one with the tracker's own work (the fake
  // evaluator still holds the supports of this system).
  vec<cplx> coef(5), cfd(5);
  vec<int> deg{2, 2};
  vec<cplx> coef_q(4);
  for (int j = 1; j <= 4; ++j) coef_q(j) = std::polar(1.0, 1.600000023841858 * (0.137 * j + 0.05));
  coef(1) = 1.0, coef(2) = 1.0, coef(3) = -5.0, coef(4) = 1.0, coef(5) = -2.0;
  mat<cplx> bix(2, 4);
  bisolvertd(2, 5, coef_q, bix, 4, deg);
  td_tracker trk(2, 5, deg, coef, coef_q, cfd, 2, fake::sparse_core);
  for (int p = 1; p <= 4; ++p) {
    int blow_up = 0;
    bool isgood = false;
    trk.path(bix.col(p), kTdFirstStep, false, blow_up, isgood);
    EXPECT_TRUE(isgood);
    EXPECT_EQ(trk.s.t, 1.0);
    EXPECT_EQ(trk.s.test_end, 1);
  }
}

TEST(fcurvetd, DegreeZeroEquationTracksNoPath) {
  // 3 = 0 and y^2 = 1: the product of the degrees is 0.
  run_result r = run_linear({{{{0, 0}, 3.0}}, {{{0, 2}, 1.0}, {{0, 0}, -1.0}}});
  EXPECT_EQ(r.tdeg, 0);
  EXPECT_EQ(r.nroot, 0);
  EXPECT_EQ(r.blow_up, 0);
}

TEST(fcurvetdDeathTest, ArraysTooSmallForThePathsStopTheRun) {
  vec<int> deg{2}, nm{2};
  mat<int> supp(1, 2), supp_q(1, 2);
  vec<cplx> coef{1.0, -1.0}, coef_q{1.0, 1.0};
  mat<cplx> sol(1, 1), bix(1, 2);
  mat<int> dat(kDatRows, 2);
  int nroot = 0, blow_up = 0;
  EXPECT_EXIT(fcurvetd(1, 2, 2, deg, supp, supp_q, coef, coef_q, nm, sol, bix, dat, nroot, blow_up,
                       fake::sparse_core),
              testing::ExitedWithCode(status::internal), "fewer columns");
}

}  // namespace
}  // namespace hc

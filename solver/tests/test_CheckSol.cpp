// Duplicate check: bucket keys, the pairing passes and the pair decisions,
// with a stub in place of the re-tracking and an evaluator of the tests' own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "BiNomialSolver.h"
#include "CheckSol.h"
#include "RootCopies.h"
#include "fake_eval.h"
#include "prng.h"

namespace hc {
namespace {

TEST(bucket_of, KeysBySignAndThirdAndFourthDecimals) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // clang-format off
  struct row {
    double v;
    int bucket;
  } rows[] = {
      {0.0625, 126},      // trunc(625) rem 100 = 25
      {-0.0625, 26},      // -25
      {0.00390625, 140},  // trunc(39.0625) = 39
      {-0.00390625, 40},
      {0.5, 101},   // 5000 rem 100 = 0
      {-0.5, 101},  // -5000 rem 100 = 0 counts as non-negative
      {0.0, 101},
      {0.0003 - 1e-9, 103},  // either side of a multiple of 1e-4
      {0.0003 + 1e-9, 104},
      {nan, 49},  // the most negative 32-bit integer: rem -48
      {1e10, 49},
      {-1e10, 49},
      {inf, 49},
  };
  // clang-format on
  for (const row& r : rows) EXPECT_EQ(bucket_of(r.v), r.bucket) << r.v;
  for (double v = -3.0; v < 3.0; v += 0.000731) {
    const int b = bucket_of(v);
    EXPECT_GE(b, 2);
    EXPECT_LE(b, 200);
  }
}

TEST(gp2digit, MembersInColumnOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  mat<cplx> sol(2, 5);
  const double im[] = {0.0625, 0.5, 0.0625, -0.0625, nan};
  for (int j = 1; j <= 5; ++j) sol(1, j) = cplx(j, im[j - 1]);
  vec<int> cnt(200);
  bucket_index ind;
  gp2digit(2, sol, 5, cnt, ind);
  int total = 0;
  for (int b = 1; b <= 200; ++b) total += cnt(b);
  EXPECT_EQ(total, 5);
  EXPECT_EQ(cnt(1), 0);
  ASSERT_EQ(cnt(126), 2);
  EXPECT_EQ(ind(126, 1), 1);
  EXPECT_EQ(ind(126, 2), 3);
  ASSERT_EQ(cnt(101), 1);
  EXPECT_EQ(ind(101, 1), 2);
  ASSERT_EQ(cnt(26), 1);
  EXPECT_EQ(ind(26, 1), 4);
  ASSERT_EQ(cnt(49), 1);
  EXPECT_EQ(ind(49, 1), 5);

  // The second level keys the members of one bucket by Im(sol(2, .)).
  sol(2, 1) = cplx(0, 0.5);
  sol(2, 3) = cplx(0, -0.0625);
  vec<int> cnt2(200);
  bucket_index ind2;
  gp2digit_ck(2, sol, 126, cnt2, ind2, cnt, ind);
  ASSERT_EQ(cnt2(101), 1);
  EXPECT_EQ(ind2(101, 1), 1);
  ASSERT_EQ(cnt2(26), 1);
  EXPECT_EQ(ind2(26, 1), 3);
}

// --- the check with a stub re-track ---------------------------------------
struct stub {
  std::map<int, std::vector<cplx>> ends;  // end point of each start root
  std::map<int, int> gives_up;            // start roots whose re-track fails
  // Start roots whose re-tracks end, attempt after attempt, at these points
  // with these give-up flags (in place of ends and gives_up).
  std::map<int, std::vector<std::pair<std::vector<cplx>, int>>> by_attempt;
  double raise_to = 0;  // when > 0, the re-track raises c3 to it
  struct call {
    int p, r;
    double c3;
  };
  std::vector<call> calls;

  retrack_fn fn() {
    return [this](int p, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount, int& give_up) {
      std::size_t before = 0;
      for (const call& c : calls) before += c.r == r ? 1 : 0;
      calls.push_back({p, r, c3});
      const bool staged = by_attempt.count(r) > 0;
      const std::vector<cplx>& e = staged ? by_attempt.at(r).at(before).first : ends.at(r);
      for (int i = 1; i <= rtrcx.size(); ++i) rtrcx(i) = e[static_cast<std::size_t>(i - 1)];
      stepcount = 5;
      give_up = staged ? by_attempt.at(r).at(before).second : (gives_up.count(r) ? 1 : 0);
      if (raise_to > 0) c3 = raise_to;
    };
  }
};

struct check_run {
  mat<cplx> sol;
  mat<int> dat;
};

// Columns of sol; dat(2, j) = 10 + j is the start root of column j.  The
// fake evaluator's Jacobian k I decides the conditioning test; its system
// z - root has the root 0, or `root` when given.
check_run check(const std::vector<std::vector<cplx>>& cols, stub& s, double k = 1.0,
                const std::vector<cplx>& root = {}) {
  const int n = static_cast<int>(cols[0].size());
  const int nroot = static_cast<int>(cols.size());
  check_run r{mat<cplx>(n, nroot), mat<int>(kDatRows, nroot)};
  for (int j = 1; j <= nroot; ++j) {
    for (int i = 1; i <= n; ++i)
      r.sol(i, j) = cols[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
    r.dat(kDatCell, j) = 7;
    r.dat(kDatStart, j) = 10 + j;
    r.dat(kDatSteps, j) = 100;
    r.dat(kDatRetracks, j) = 9;  // cleared by the check
    r.dat(kDatGaveUp, j) = 9;
  }
  fake::lin_reset(root.empty() ? std::vector<cplx>(static_cast<std::size_t>(n), cplx(0, 0)) : root,
                  cplx(k, 0));
  vec<cplx> coef, cfd;
  vec<int> nm(n, 0);  // the fake has no terms
  mat<int> supp(n, 0);
  prng_fix_seed(777);
  chksln_flow(n, nroot, coef, cfd, nm, supp, r.dat, r.sol, s.fn(), fake::lin_core);
  prng_clock_seed();
  return r;
}

const std::vector<cplx> kA{cplx(1, 0.5), cplx(2, 0)};

TEST(chksln_flow, CoincidentPairSeparatesOnTheFirstAttempt) {
  stub s;
  s.ends = {{11, {cplx(1, 0), cplx(2, 0)}}, {12, {cplx(3, 0), cplx(4, 0)}}};
  check_run r = check({kA, kA}, s);
  ASSERT_EQ(s.calls.size(), 2u);
  EXPECT_EQ(s.calls[0].r, 11);
  EXPECT_EQ(s.calls[0].p, 7);
  EXPECT_EQ(s.calls[1].r, 12);
  EXPECT_DOUBLE_EQ(s.calls[0].c3, 0.01);
  EXPECT_EQ(r.sol(1, 1), cplx(1, 0));
  EXPECT_EQ(r.sol(1, 2), cplx(3, 0));
  for (int j = 1; j <= 2; ++j) {
    EXPECT_EQ(r.dat(kDatSteps, j), 105);
    EXPECT_EQ(r.dat(kDatRetracks, j), 1);
    EXPECT_EQ(r.dat(kDatGaveUp, j), 0);
  }
}

TEST(chksln_flow, PairThatStaysTogetherIsTriedTwiceAndKept) {
  stub s;
  const std::vector<cplx> same{cplx(5, 0), cplx(6, 0)};
  s.ends = {{11, same}, {12, same}};
  check_run r = check({kA, kA}, s);
  ASSERT_EQ(s.calls.size(), 4u);
  EXPECT_DOUBLE_EQ(s.calls[0].c3, 0.01);
  EXPECT_DOUBLE_EQ(s.calls[2].c3, 0.001);
  EXPECT_EQ(r.sol(1, 1), kA[0]) << "no separation: the old points stay";
  EXPECT_EQ(r.sol(1, 2), kA[0]);
  EXPECT_EQ(r.dat(kDatRetracks, 1), 2);
  EXPECT_EQ(r.dat(kDatSteps, 2), 110);
}

TEST(chksln_flow, SeparationWithAGiveUpReplacesBothAndMarksThePath) {
  stub s;
  s.ends = {{11, {cplx(1, 0), cplx(2, 0)}}, {12, {cplx(3, 0), cplx(4, 0)}}};
  s.gives_up = {{12, 1}};
  check_run r = check({kA, kA}, s);
  EXPECT_EQ(r.sol(1, 2), cplx(3, 0));
  EXPECT_EQ(r.dat(kDatGaveUp, 1), 0);
  EXPECT_EQ(r.dat(kDatGaveUp, 2), 1);
}

TEST(chksln_flow, RaisedCorrectorParameterCarriesToTheSecondPath) {
  stub s;
  const std::vector<cplx> same{cplx(5, 0), cplx(6, 0)};
  s.ends = {{11, same}, {12, same}};
  s.raise_to = 0.5;
  check(std::vector<std::vector<cplx>>{kA, kA}, s);
  ASSERT_EQ(s.calls.size(), 4u);
  EXPECT_EQ(s.calls[1].c3, 0.5);
  EXPECT_DOUBLE_EQ(s.calls[2].c3, 0.001) << "the next attempt sets c3 afresh";
}

TEST(chksln_flow, PairsThatAreNotRetracked) {
  // clang-format off
  struct row {
    const char* what;
    std::vector<std::vector<cplx>> cols;
    double k;
    int evaluations;  // conditioning tests made
  } rows[] = {
      {"a badly conditioned point", {kA, kA}, 0.0, 1},
      {"points apart by 5e-8 at size 0.1 although their projections agree",
       {{0.1, 0.05}, {0.1, cplx(0.05, 5e-8)}},
       1.0,
       1},
      {"close points on either side of a bucket boundary",
       {{cplx(1, 0.0003 - 1e-9), 2.0}, {cplx(1, 0.0003 + 1e-9), 2.0}},
       1.0,
       0},
      {"distinct points", {kA, {cplx(3, 0.5), 1.0}}, 1.0, 0},
  };
  // clang-format on
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    stub s;
    check_run r = check(c.cols, s, c.k);
    EXPECT_EQ(s.calls.size(), 0u);
    // Besides the conditioning tests, the pass over the copies of a simple
    // root evaluates each of the two points twice (values, term sums).
    EXPECT_EQ(fake::lin.calls, c.evaluations + 4);
    EXPECT_EQ(r.dat(kDatRetracks, 1), 0);
    EXPECT_EQ(r.dat(kDatGaveUp, 2), 0);
  }
}

// Row 5 describes the point a column holds, whichever attempt gave it: a
// give-up of attempt 1 is forgotten when attempt 2 separates cleanly, and a
// pair that does not separate keeps its first points and their rows 5.
// Re-tracks that end apart but lost the root (the first points are roots
// of the system, neither re-track ended at one) do not separate the pair.
TEST(chksln_flow, RowFiveDescribesTheStoredPoint) {
  const std::vector<cplx> same{cplx(5, 0), cplx(6, 0)}, p1{cplx(1, 0), cplx(2, 0)},
      p2{cplx(3, 0), cplx(4, 0)};
  // clang-format off
  struct row {
    const char* what;
    std::vector<std::pair<std::vector<cplx>, int>> a, b;
    bool at_root;  // the first points kA are the system's root
    cplx x1a, x1b;
    int row5a, row5b;
  } rows[] = {
      {"attempt 1 gives up together, attempt 2 separates", {{same, 1}, {p1, 0}}, {{same, 0}, {p2, 0}},
       false, p1[0], p2[0], 0, 0},
      {"attempt 2 separates with a give-up", {{same, 0}, {p1, 0}}, {{same, 1}, {p2, 1}}, false,
       p1[0], p2[0], 0, 1},
      {"never separates, the last attempt gives up", {{same, 0}, {same, 1}}, {{same, 0}, {same, 1}},
       false, kA[0], kA[0], 0, 0},
      {"both re-tracks give up, the first points are no roots: both stored", {{same, 0}, {p1, 1}},
       {{same, 0}, {p2, 1}}, false, p1[0], p2[0], 1, 1},
      // ... and, one simple root held twice, the later column is its copy.
      {"both re-tracks give up at a root: the first points stay", {{same, 0}, {p1, 1}},
       {{same, 0}, {p2, 1}}, true, kA[0], kA[0], 0, kCopyMark},
      {"one gives up, the other ends on no root: the first points stay", {{same, 0}, {p1, 1}},
       {{same, 0}, {p2, 0}}, true, kA[0], kA[0], 0, kCopyMark},
      {"one gives up, the other ends on the root: both stored", {{same, 0}, {p1, 1}},
       {{same, 0}, {kA, 0}}, true, p1[0], kA[0], 1, 0},
  };
  // clang-format on
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    stub s;
    s.by_attempt = {{11, c.a}, {12, c.b}};
    check_run r = check({kA, kA}, s, 1.0, c.at_root ? kA : std::vector<cplx>{});
    ASSERT_EQ(s.calls.size(), 4u);
    EXPECT_EQ(r.sol(1, 1), c.x1a);
    EXPECT_EQ(r.sol(1, 2), c.x1b);
    EXPECT_EQ(r.dat(kDatGaveUp, 1), c.row5a);
    EXPECT_EQ(r.dat(kDatGaveUp, 2), c.row5b);
    EXPECT_EQ(r.dat(kDatRetracks, 1), 2);
  }
}

// Two end points at the origin are compared like any others (distances
// relative to at least 1e-12) and re-tracked.
TEST(chksln_flow, PairAtTheOriginIsRetracked) {
  stub s;
  s.ends = {{11, {cplx(0, 0), cplx(0, 0)}}, {12, {cplx(3, 0), cplx(4, 0)}}};
  check_run r = check({{0.0, 0.0}, {0.0, 0.0}}, s);
  ASSERT_EQ(s.calls.size(), 2u);
  EXPECT_EQ(r.sol(1, 1), cplx(0, 0));
  EXPECT_EQ(r.sol(1, 2), cplx(3, 0));
}

// Many paths ending on one point that re-tracking cannot split: the first
// pair at the point is re-tracked (its two attempts), every later pair at
// that point is left alone.  Another such point costs the same again.
TEST(chksln_flow, PathsOnOnePointAreRetrackedOncePerPoint) {
  const std::vector<cplx> kB{cplx(-3, 0.5), cplx(1, 0)};
  stub s;
  std::vector<std::vector<cplx>> cols;
  for (int j = 1; j <= 6; ++j) {
    cols.push_back(j <= 4 ? kA : kB);
    s.ends[10 + j] = cols.back();
  }
  check_run r = check(cols, s);
  ASSERT_EQ(s.calls.size(), 8u);
  EXPECT_EQ(s.calls[0].r, 11);
  EXPECT_EQ(s.calls[1].r, 12);
  EXPECT_EQ(s.calls[4].r, 15);
  EXPECT_EQ(s.calls[5].r, 16);
  for (int j = 1; j <= 6; ++j) {
    EXPECT_EQ(r.sol(1, j), cols[static_cast<std::size_t>(j - 1)][0]);
    EXPECT_EQ(r.dat(kDatRetracks, j), j == 1 || j == 2 || j == 5 || j == 6 ? 2 : 0);
  }
}

// count columns in one bucket of Im(x_1) = 0.5; columns 1 and 2 coincide
// to 2e-9 but have Im(x_2) on either side of a multiple of 1e-4, so the
// second-level split (used above 1000 members) separates them.
std::vector<std::vector<cplx>> big_bucket(int count, int n) {
  std::vector<std::vector<cplx>> cols;
  for (int j = 1; j <= count; ++j) {
    std::vector<cplx> x{cplx(100.0 + 3.0 * j, 0.5)};
    if (n == 2) x.push_back(cplx(7.0 * j, 0.25));
    cols.push_back(x);
  }
  cols[0][0] = cols[1][0] = cplx(10, 0.5);
  if (n == 2) {
    cols[0][1] = cplx(10, 0.0003 - 1e-9);
    cols[1][1] = cplx(10, 0.0003 + 1e-9);
  }
  return cols;
}

TEST(chksln_flow, LargeBucketsAreSplitOrPairedWithinThemselves) {
  // clang-format off
  struct row {
    const char* what;
    int count, n;
    size_t retracks;
  } rows[] = {
      {"1000 members are paired in the first pass", 1000, 2, 2},
      {"1001 members are split by the second coordinate", 1001, 2, 0},
      {"one variable: 1001 members are paired within the bucket", 1001, 1, 2},
  };
  // clang-format on
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    stub s;
    s.ends = {{11, std::vector<cplx>(static_cast<std::size_t>(c.n), cplx(1, 0))},
              {12, std::vector<cplx>(static_cast<std::size_t>(c.n), cplx(2, 0))}};
    check_run r = check(big_bucket(c.count, c.n), s);
    EXPECT_EQ(s.calls.size(), c.retracks);
    if (c.retracks > 0) {
      EXPECT_EQ(r.sol(1, 1), cplx(1, 0));
      EXPECT_EQ(r.sol(1, 2), cplx(2, 0));
    }
  }
}

TEST(chksln_flow, NoRootsComparesNothing) {
  stub s;
  mat<cplx> sol(2, 0);
  mat<int> dat(kDatRows, 0);
  vec<cplx> coef, cfd;
  vec<int> nm(2, 0);
  mat<int> supp(2, 0);
  fake::lin_reset({0.0, 0.0}, 1.0);
  chksln_flow(2, 0, coef, cfd, nm, supp, dat, sol, s.fn(), fake::lin_core);
  EXPECT_EQ(s.calls.size(), 0u);
  EXPECT_EQ(fake::lin.calls, 0);
}

// Two paths end at one simple root of condition about 4e7, so that one of
// them left its own root: x^2 + y - 2; x^2 + (1 + 1e-7) y - (2 + 1e-7), with
// the roots (1, 1) and (-1, 1).  The pair check leaves the pair (its point
// is badly conditioned); the copy pass re-tracks both paths once, and
// either the re-tracks reach both roots, which are stored, or the root is
// written once.
TEST(chksln_flow, CopiesOfABadlyConditionedRootAreRetrackedThenMarked) {
  constexpr double d = 1e-7;
  const vec<cplx> coef = fake::sparse_load({{{{2, 0}, 1}, {{0, 1}, 1}, {{0, 0}, -2}},
                                            {{{2, 0}, 1}, {{0, 1}, 1 + d}, {{0, 0}, -(2 + d)}}});
  const vec<int> nm = fake::sparse_terms();
  const std::vector<cplx> one{1.0 + 5e-9, 1.0 - 1e-8}, other{-1.0, 1.0};
  struct row {
    const char* what;
    std::vector<std::pair<std::vector<cplx>, int>> a, b;  // re-tracks of the two paths
    std::vector<cplx> x1a, x1b;                           // the points stored
    int row5a, row5b;
    std::size_t calls;
  } rows[] = {
      {"the re-tracks reach both roots", {{one, 0}}, {{other, 0}}, one, other, 0, 0, 2},
      {"the re-tracks meet at the root again, twice: the copy is marked",
       {{one, 0}, {one, 0}},
       {{{1.0 - 2.5e-9, 1.0 + 5e-9}, 0}, {{1.0 - 2.5e-9, 1.0 + 5e-9}, 0}},
       one,
       {1.0 - 2.5e-9, 1.0 + 5e-9},
       kCopyMark,
       0,
       4},
  };
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    stub s;
    s.by_attempt = {{11, c.a}, {12, c.b}};
    mat<cplx> sol(2, 2);
    mat<int> dat(kDatRows, 2);
    for (int j = 1; j <= 2; ++j) {
      sol(1, j) = j == 1 ? cplx(1.0 + 5e-9, 0) : cplx(1.0 - 2.5e-9, 0);
      sol(2, j) = j == 1 ? cplx(1.0 - 1e-8, 0) : cplx(1.0 + 5e-9, 0);
      dat(kDatStart, j) = 10 + j;
    }
    const vec<cplx> cfd(0);
    prng_fix_seed(777);
    chksln_flow(2, 2, coef, cfd, nm, fake::sparse.supp, dat, sol, s.fn(), fake::sparse_core);
    prng_clock_seed();
    ASSERT_EQ(s.calls.size(), c.calls) << "only the copy pass re-tracks";
    EXPECT_DOUBLE_EQ(s.calls[0].c3, 0.01);
    for (int i = 1; i <= 2; ++i) {
      EXPECT_EQ(sol(i, 1), c.x1a[static_cast<std::size_t>(i - 1)]);
      EXPECT_EQ(sol(i, 2), c.x1b[static_cast<std::size_t>(i - 1)]);
    }
    EXPECT_EQ(dat(kDatGaveUp, 1), c.row5a);
    EXPECT_EQ(dat(kDatGaveUp, 2), c.row5b);
  }
}

// Paths that leave their roots in a chain, and a root reached by three
// paths.  The system x^3 - 2x^2 - x + y + 1; x^3 - 2x^2 - x + 2 + (1 + 1e-7) y
// - (2 + 1e-7) has the roots (1, 1), (-1, 1) and (2, 1), each of condition
// about 1e7, so that the pair check leaves every pair to the copy pass.  A
// point near a root lies along the Jacobian's near-null vector (1, -p'(x0)),
// p(x) = x^3 - 2x^2 - x + 2, as the points of a tracker do.
TEST(chksln_flow, CopyRetracksFollowAChainAndAThirdPath) {
  constexpr double d = 1e-7;
  const vec<cplx> coef = fake::sparse_load(
      {{{{3, 0}, 1}, {{2, 0}, -2}, {{1, 0}, -1}, {{0, 1}, 1}, {{0, 0}, 1}},
       {{{3, 0}, 1}, {{2, 0}, -2}, {{1, 0}, -1}, {{0, 1}, 1 + d}, {{0, 0}, 2 - (1 + d)}}});
  const vec<int> nm = fake::sparse_terms();
  auto near = [](double x0, double delta) {
    const double dp = 3 * x0 * x0 - 4 * x0 - 1;  // p'(x0)
    return std::vector<cplx>{x0 + delta, 1.0 - dp * delta};
  };
  const std::vector<cplx> a1 = near(1, 5e-9), a2 = near(1, -2.5e-9), a3 = near(1, 8e-9);
  const std::vector<cplx> b = near(-1, 0), c = near(2, 0);
  using stages = std::vector<std::pair<std::vector<cplx>, int>>;
  // A re-track that ends at x, whatever its corrector parameter (a path is
  // re-tracked at most four times here: two attempts in each of two pairs).
  auto always = [](const std::vector<cplx>& x) { return stages(4, {x, 0}); };
  struct row {
    const char* what;
    std::vector<std::vector<cplx>> first;  // the points of the first tracking
    std::vector<stages> retracks;          // the re-tracks of each path, in turn
    std::vector<std::vector<cplx>> roots;  // the roots the columns must hold, once each
  } rows[] = {
      {"a re-track ends at the root of a third path, whose re-track reaches the missing root",
       {a1, a2, b},
       {always(a1), always(b), always(c)},
       {near(1, 0), b, c}},
      {"three paths at one root: the pair that stays leaves the third path to be re-tracked",
       {a1, a2, a3},
       {always(a1), always(a2), always(b)},
       {near(1, 0), b}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const int nroot = static_cast<int>(r.first.size());
    stub s;
    mat<cplx> sol(2, nroot);
    mat<int> dat(kDatRows, nroot);
    for (int j = 1; j <= nroot; ++j) {
      s.by_attempt[10 + j] = r.retracks[static_cast<std::size_t>(j - 1)];
      for (int i = 1; i <= 2; ++i)
        sol(i, j) = r.first[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
      dat(kDatStart, j) = 10 + j;
    }
    const vec<cplx> cfd(0);
    prng_fix_seed(777);
    chksln_flow(2, nroot, coef, cfd, nm, fake::sparse.supp, dat, sol, s.fn(), fake::sparse_core);
    prng_clock_seed();
    // Each root is held by exactly one unmarked column.
    for (const std::vector<cplx>& root : r.roots) {
      int holders = 0;
      for (int j = 1; j <= nroot; ++j)
        if (dat(kDatGaveUp, j) == 0 && std::abs(sol(1, j) - root[0]) < 1e-6 &&
            std::abs(sol(2, j) - root[1]) < 1e-6)
          ++holders;
      EXPECT_EQ(holders, 1) << "root (" << root[0] << ", " << root[1] << ")";
    }
    int unmarked = 0;
    for (int j = 1; j <= nroot; ++j) unmarked += dat(kDatGaveUp, j) == 0 ? 1 : 0;
    EXPECT_EQ(unmarked, static_cast<int>(r.roots.size())) << "the other columns are copies";
  }
}

TEST(retracetd, FollowsAStartRootAgainToItsRoot) {
  // x^2 = 4, y^2 = 9 through the sparse evaluator.
  fake::sparse.n = 2;
  fake::sparse.m = 4;
  fake::sparse.supp.assign(2, 4);
  fake::sparse.supp(1, 1) = 2;
  fake::sparse.supp(2, 3) = 2;
  fake::sparse_nm = {2, 2};
  const vec<cplx> coef{1.0, -4.0, 1.0, -9.0};
  vec<cplx> cfd(4);
  const vec<int> deg{2, 2}, nm{2, 2};
  vec<cplx> coef_q(4);
  for (int j = 1; j <= 4; ++j) coef_q(j) = std::polar(1.0, 0.3 * j + 0.1);
  mat<cplx> bix(2, 4);
  ASSERT_EQ(bisolvertd(2, 4, coef_q, bix, 4, deg), 4);
  mat<int> supp(2, 4), supp_q(2, 4);
  for (int r = 1; r <= 4; ++r) {
    double c3 = 0.01;
    int stepcount = -1, tmpi = 0, give_up = -1;
    vec<cplx> rtrcx(2);
    retracetd(2, 4, deg, bix, stepcount, supp, supp_q, coef, coef_q, cfd, nm, c3, r, rtrcx, tmpi,
              give_up, fake::sparse_core);
    EXPECT_EQ(give_up, 0);
    EXPECT_EQ(tmpi, 2);
    EXPECT_GT(stepcount, 0);
    EXPECT_NEAR(std::abs(rtrcx(1)), 2.0, 1e-9);
    EXPECT_NEAR(std::abs(rtrcx(2)), 3.0, 1e-9);
    EXPECT_NEAR(rtrcx(1).imag(), 0.0, 1e-9);
  }
}

}  // namespace
}  // namespace hc

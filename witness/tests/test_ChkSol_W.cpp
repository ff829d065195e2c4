// The duplicate check of the witness tracker with a re-tracking of the
// tests' own: which pairs are re-tracked, how often, with which corrector
// parameter, and what is replaced.
#include <gtest/gtest.h>

#include <vector>

#include "ChkSol_W.h"
#include "prng.h"
#include "scoped.h"

namespace hc {
namespace {

struct call {
  int p, r;
  double c3;
};

// N = 2 end points; the check looks at no system (it re-tracks every
// coinciding pair, the writer judging the conditioning).
struct checked {
  mat<cplx> sol;
  mat<int> dat;
  std::vector<call> calls;
};

checked run(const std::vector<cplx>& x1, const std::vector<cplx>& x2, bool separate,
            int give_up = 0) {
  const int N = 2, nroot = static_cast<int>(x1.size());
  checked c{mat<cplx>(N, nroot), mat<int>(kDatRows, nroot, 0), {}};
  for (int j = 1; j <= nroot; ++j) {
    c.sol(1, j) = x1[static_cast<std::size_t>(j - 1)];
    c.sol(2, j) = x2[static_cast<std::size_t>(j - 1)];
    c.dat(kDatCell, j) = 100 + j;  // cell
    c.dat(kDatStart, j) = j;       // start root
    c.dat(kDatSteps, j) = 5;
    c.dat(kDatRetracks, j) = c.dat(kDatGaveUp, j) = 9;  // zeroed by the check
  }
  mat<cplx> start = c.sol;
  retrack_fn retrack = [&](int p, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount, int& gu) {
    c.calls.push_back({p, r, c3});
    // The path's own end point again, or one moved by 1e-3 r.
    rtrcx(1) = start(1, r) + (separate ? 1e-3 * r : 0.0);
    rtrcx(2) = start(2, r);
    stepcount = 7;
    gu = give_up;
  };
  {
    const test::scoped_seed fixed(11);
    chksln_w_flow(N, nroot, c.dat, c.sol, retrack);
  }
  return c;
}

TEST(witness_c3, TenfoldSmallerEachAttempt) {
  EXPECT_EQ(witness_c3(1), 0.01);
  EXPECT_EQ(witness_c3(2), 0.001);
  EXPECT_EQ(witness_c3(3), 0.0001);
  EXPECT_EQ(witness_c3(4), 0.00001);
}

TEST(chksln_w_flow, PairThatNeverSeparatesIsRetrackedFourTimesAndKept) {
  const cplx a(0.5, 0.25), b(-1.0, 2.0);
  checked c = run({a, cplx(3, 0.75), a}, {b, b, b}, false);
  ASSERT_EQ(c.calls.size(), 8u);
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(c.calls[2 * t].p, 101);
    EXPECT_EQ(c.calls[2 * t].r, 1);
    EXPECT_EQ(c.calls[2 * t + 1].p, 103);
    EXPECT_EQ(c.calls[2 * t + 1].r, 3);
    EXPECT_EQ(c.calls[2 * t].c3, witness_c3(t + 1));
    EXPECT_EQ(c.calls[2 * t + 1].c3, witness_c3(t + 1));
  }
  EXPECT_EQ(c.sol(1, 1), a);
  EXPECT_EQ(c.sol(1, 3), a);
  EXPECT_EQ(c.dat(kDatSteps, 1), 5 + 4 * 7);
  EXPECT_EQ(c.dat(kDatRetracks, 1), 4);
  EXPECT_EQ(c.dat(kDatRetracks, 2), 0);
  EXPECT_EQ(c.dat(kDatRetracks, 3), 4);
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(c.dat(kDatGaveUp, j), 0);
}

TEST(chksln_w_flow, SeparatedPairIsReplacedAndAGiveUpMarked) {
  const cplx a(0.5, 0.25), b(-1.0, 2.0);
  checked c = run({a, a}, {b, b}, true, 1);
  ASSERT_EQ(c.calls.size(), 2u);
  EXPECT_EQ(c.sol(1, 1), a + 1e-3);
  EXPECT_EQ(c.sol(1, 2), a + 2e-3);
  EXPECT_EQ(c.dat(kDatRetracks, 1), 1);
  EXPECT_EQ(c.dat(kDatGaveUp, 1), 1);
  EXPECT_EQ(c.dat(kDatGaveUp, 2), 1);
}

TEST(chksln_w_flow, NoRetrackWhenApart) {
  const cplx b(-1.0, 2.0);
  struct row {
    const char* what;
    std::vector<cplx> x1, x2;
  };
  const std::vector<row> rows = {
      {"projections apart", {cplx(0.5, 0.25), cplx(0.7, 0.25)}, {b, b}},
      {"no end points", {}, {}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    checked c = run(r.x1, r.x2, true);
    EXPECT_TRUE(c.calls.empty());
    for (int j = 1; j <= static_cast<int>(r.x1.size()); ++j) {
      EXPECT_EQ(c.dat(kDatRetracks, j), 0);
      EXPECT_EQ(c.dat(kDatGaveUp, j), 0);
    }
  }
}

TEST(chksln_w_flow, PairAtTheOriginIsRetracked) {
  checked c = run({0.0, 0.0}, {0.0, 0.0}, true);
  ASSERT_EQ(c.calls.size(), 2u);
  EXPECT_EQ(c.sol(1, 1), cplx(1e-3, 0));
  EXPECT_EQ(c.sol(1, 2), cplx(2e-3, 0));
}

TEST(chksln_w_flow, BucketsOver1000MembersAreSplitAndRetrackedTwice) {
  struct row {
    int members;
    std::size_t calls;
  };
  for (const row& r : {row{1000, 8u}, row{1001, 4u}}) {
    SCOPED_TRACE(r.members);
    // Every Im x1 = 0 (one bucket); columns 1 and 2 coincide, the others
    // differ in x2 by multiples of 1e-3.
    std::vector<cplx> x1(static_cast<std::size_t>(r.members), cplx(0.5, 0.0));
    std::vector<cplx> x2;
    for (int j = 1; j <= r.members; ++j) x2.push_back(cplx(0.5, j <= 2 ? 0.0 : 1e-3 * j));
    checked c = run(x1, x2, false);
    ASSERT_EQ(c.calls.size(), r.calls);
    EXPECT_EQ(c.calls[0].r, 1);
    EXPECT_EQ(c.calls[1].r, 2);
    EXPECT_EQ(c.calls.back().c3, witness_c3(static_cast<int>(r.calls / 2)));
  }
}

}  // namespace
}  // namespace hc

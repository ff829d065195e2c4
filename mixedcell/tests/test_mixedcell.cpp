// Mixed cells over many random liftings: what holds for every lifting, known
// mixed volumes, and an independent enumeration by brute force.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "MixedCell.h"
#include "cellcheck.h"
#include "prng.h"
#include "scoped.h"
#include "systems.h"

namespace hc {
namespace {

using testsys::cell;
using testsys::system;

// Cells certified by their inner normal are lower than every other term by
// at least this (liftings are generic, so real gaps are far larger).
constexpr double kCertifyMargin = 1e-9;

struct outcome {
  std::set<cell> cells;
  vec<double> w;
  long long mv = 0;
};

// One enumeration with every property that holds for any lifting checked.
outcome run_checked(const system& s0, std::uint64_t seed) {
  system s = s0;
  const int n = s.n;
  int m = s.m();
  outcome out;
  out.w.assign(m, -1.0);
  mat<int> mcl;
  int nc = -1, pm = -1;
  vec<int> crsp(m, 0);
  {
    const test::scoped_seed fixed(seed);
    mixedcell(n, m, s.nm, s.supp, out.w, mcl, nc, pm, crsp);
  }

  // The caller's supports are unchanged.
  EXPECT_EQ(m, s0.m());
  for (int i = 1; i <= n; ++i) EXPECT_EQ(s.nm(i), s0.nm(i));
  for (int k = 1; k <= m; ++k)
    for (int r = 1; r <= n; ++r) EXPECT_EQ(s.supp(r, k), s0.supp(r, k));

  // Lifting: in (0,1) at kept points, exactly 2.0 at removed ones.
  EXPECT_GE(pm, 1);
  EXPECT_LE(pm, m);
  std::vector<bool> kept(static_cast<std::size_t>(m) + 1, false);
  for (int j = 1; j <= pm; ++j) {
    EXPECT_FALSE(kept[static_cast<std::size_t>(crsp(j))]) << "column kept twice";
    kept[static_cast<std::size_t>(crsp(j))] = true;
  }
  for (int k = 1; k <= m; ++k) {
    if (kept[static_cast<std::size_t>(k)]) {
      EXPECT_GT(out.w(k), 0.0);
      EXPECT_LT(out.w(k), 1.0);
    } else {
      EXPECT_EQ(out.w(k), 2.0) << "term " << k;
    }
  }

  // Rows in equation order, two terms of that equation, smaller first; each
  // cell certified by its inner normal; no cell twice.
  EXPECT_EQ(mcl.rows(), n);
  EXPECT_EQ(mcl.cols(), 2 * nc);
  vec<int> shd(n), stl(n);
  block_bounds(n, s.nm, shd, stl);
  for (int p = 1; p <= nc; ++p) {
    cell c;
    for (int i = 1; i <= n; ++i) {
      const int a = mcl(i, 2 * p - 1), b = mcl(i, 2 * p);
      EXPECT_LT(a, b) << "cell " << p << " row " << i;
      EXPECT_GE(a, shd(i));
      EXPECT_LE(b, stl(i));
      c.push_back(a);
      c.push_back(b);
    }
    EXPECT_GT(testsys::cell_margin(n, s.supp, s.nm, out.w, c), kCertifyMargin) << "cell " << p;
    EXPECT_TRUE(out.cells.insert(c).second) << "cell " << p << " found twice";
  }

  vec<int> stdet(nc);
  mixvol(n, m, nc, s.supp, mcl, stdet, out.mv);
  long long sum = 0;
  for (int p = 1; p <= nc; ++p) {
    EXPECT_GE(stdet(p), 1) << "a cell of a generic lifting is never flat";
    sum += stdet(p);
  }
  EXPECT_EQ(sum, out.mv);
  return out;
}

struct known_case {
  std::string name;
  system sys;
  long long mv;
  int liftings;
};

void PrintTo(const known_case& kc, std::ostream* os) { *os << kc.name; }

class KnownMixedVolume : public ::testing::TestWithParam<known_case> {};

TEST_P(KnownMixedVolume, EveryLiftingGivesTheMixedVolume) {
  const known_case& kc = GetParam();
  const system s = testsys::normal_form(kc.sys);
  for (int t = 1; t <= kc.liftings; ++t) {
    SCOPED_TRACE("lifting seed " + std::to_string(t));
    EXPECT_EQ(run_checked(s, 1000 + static_cast<std::uint64_t>(t)).mv, kc.mv);
  }
}

std::vector<known_case> known_cases() {
  using namespace testsys;
  return {
      {"cyclic5", cyclic(5), 70, 20},
      {"cyclic6", cyclic(6), 156, 10},
      {"cyclic7", cyclic(7), 924, 3},
      {"cyclic8", cyclic(8), 2560, 1},
      {"noon4", noon(4), 73, 20},
      {"noon5", noon(5), 233, 10},
      {"noon6", noon(6), 717, 3},
      {"eco6", eco(6), 16, 20},
      {"eco7", eco(7), 32, 10},
      {"eco8", eco(8), 64, 3},
      {"katsura5", katsura(5), 32, 10},
      {"katsura6", katsura(6), 64, 5},
      {"katsura7", katsura(7), 128, 3},
      {"katsura8", katsura(8), 256, 1},
      {"dense_2_2", dense({2, 2}), 4, 20},
      {"dense_3_2_2", dense({3, 2, 2}), 12, 20},
      {"dense_1_4_2_3", dense({1, 4, 2, 3}), 24, 5},
      {"dense_5", dense({5}), 5, 10},
      {"binomial_2x2", binomial(2, {2, 1, 1, 3}), 5, 20},
      {"binomial_3x3", binomial(3, {3, 0, 1, 1, 2, 0, 0, 1, 4}), 25, 20},
      {"binomial_perm", binomial(3, {0, 1, 0, 0, 0, 1, 1, 0, 0}), 1, 10},
  };
}

INSTANTIATE_TEST_SUITE_P(Systems, KnownMixedVolume, ::testing::ValuesIn(known_cases()),
                         [](const auto& info) { return info.param.name; });

// Small systems, including random sparse supports, against brute force.
class BruteForce : public ::testing::TestWithParam<known_case> {};

TEST_P(BruteForce, SearchFindsExactlyTheBruteForceCells) {
  const known_case& kc = GetParam();
  const system s = testsys::normal_form(kc.sys);
  long long mv0 = -1;
  for (int t = 1; t <= kc.liftings; ++t) {
    SCOPED_TRACE("lifting seed " + std::to_string(t));
    const outcome o = run_checked(s, 77 + static_cast<std::uint64_t>(t));
    const std::set<cell> bf = testsys::brute_force_cells(s.n, s.supp, s.nm, o.w, kCertifyMargin);
    EXPECT_EQ(o.cells, bf);
    if (mv0 < 0) mv0 = o.mv;
    EXPECT_EQ(o.mv, mv0) << "the mixed volume does not depend on the lifting";
    if (kc.mv >= 0) {
      EXPECT_EQ(o.mv, kc.mv);
    }
  }
}

std::vector<known_case> brute_cases() {
  using namespace testsys;
  std::vector<known_case> v = {
      {"cyclic4", cyclic(4), 16, 15},      {"cyclic5", cyclic(5), 70, 3},
      {"noon3", noon(3), 21, 15},          {"eco4", eco(4), 4, 15},
      {"katsura2", katsura(2), 4, 15},     {"katsura3", katsura(3), 8, 10},
      {"dense_2_3", dense({2, 3}), 6, 15}, {"dense_1_1", dense({1, 1}), 1, 15},
  };
  for (unsigned s = 1; s <= 6; ++s)
    v.push_back({"random2d_" + std::to_string(s), random_supports(2, 6, 4, s), -1, 10});
  for (unsigned s = 1; s <= 6; ++s)
    v.push_back({"random3d_" + std::to_string(s), random_supports(3, 5, 3, 100 + s), -1, 8});
  for (unsigned s = 1; s <= 3; ++s)
    v.push_back({"random4d_" + std::to_string(s), random_supports(4, 4, 2, 200 + s), -1, 5});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Systems, BruteForce, ::testing::ValuesIn(brute_cases()),
                         [](const auto& info) { return info.param.name; });

// Supports that leave no edge, and a single equation.
TEST(MixedCellEdgeCases, SmallSupportsAndOneEquation) {
  using testsys::from_equations;
  struct c {
    const char* name;
    system sys;
    long long mv;
  };
  const std::vector<c> cases = {
      // An equation that is only a constant keeps its one point: no edge, no cell.
      {"constant equation", from_equations(2, {{{0, 0}}, {{1, 0}, {0, 1}, {0, 0}}}), 0},
      {"constant equation first",
       from_equations(3, {{{0, 0, 0}}, {{1, 0, 0}, {0, 0, 0}}, {{0, 0, 2}, {0, 1, 0}}}), 0},
      // A monomial equation is completed by a constant: two points, one edge.
      {"monomial equations", from_equations(2, {{{2, 0}}, {{0, 3}}}), 6},
      // n = 1: the one cell is the lower edge of the lifted support.
      {"one variable", from_equations(1, {{{3}, {0}}}), 3},
      {"one variable, middle removed", from_equations(1, {{{5}, {2}, {1}}}), 5},
      {"one variable, one point", from_equations(1, {{{0}}}), 0},
  };
  for (const c& t : cases) {
    SCOPED_TRACE(t.name);
    const system s = testsys::normal_form(t.sys);
    for (int seed = 1; seed <= 5; ++seed)
      EXPECT_EQ(run_checked(s, static_cast<std::uint64_t>(seed)).mv, t.mv);
  }
}

}  // namespace
}  // namespace hc

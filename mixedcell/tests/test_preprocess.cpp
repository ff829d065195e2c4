// Vertex removal and the support order of the search.
#include <gtest/gtest.h>

#include <vector>

#include "MixedCell.h"
#include "prng.h"
#include "scoped.h"
#include "systems.h"

namespace hc {
namespace {

using testsys::from_equations;
using testsys::system;

// Which input columns rm_interior keeps, for every random point.
TEST(RmInterior, KeepsExactlyTheVertices) {
  struct c {
    const char* name;
    system sys;
    std::vector<int> kept;  // input columns, in order
  };
  // clang-format off
  const std::vector<c> cases = {
      {"one point", from_equations(1, {{{4}}}), {1}},
      {"two points", from_equations(2, {{{1, 0}, {0, 2}}, {{0, 0}, {0, 1}}}), {1, 2, 3, 4}},
      {"middle of an edge", from_equations(1, {{{2}, {1}, {0}}}), {1, 3}},
      {"segment in the plane", from_equations(2, {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}, {{1, 0}, {0, 0}}}),
       {1, 4, 5, 6}},
      {"square with centre and edge point",
       from_equations(2, {{{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}, {1, 0}}, {{0, 1}, {0, 0}}}),
       {1, 2, 4, 5, 7, 8}},
      {"cube with centre",
       from_equations(3, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1},
                           {0, 1, 1}, {1, 1, 1}},
                          {{2, 2, 2}, {4, 2, 2}, {3, 2, 2}, {0, 0, 0}},
                          {{1, 1, 1}, {0, 0, 0}, {2, 2, 2}, {0, 2, 0}}}),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 15, 16}},
  };
  // clang-format on
  for (const c& t : cases) {
    SCOPED_TRACE(t.name);
    for (int seed = 1; seed <= 10; ++seed) {
      const test::scoped_seed fixed(static_cast<std::uint64_t>(seed));
      prng_seed();
      const system& s = t.sys;
      const int n = s.n;
      mat<int> supp(n, s.m());
      vec<int> nm(n), crsp(s.m());
      int m = -1;
      rm_interior(n, s.m(), m, s.supp, supp, s.nm, nm, crsp);
      ASSERT_EQ(m, static_cast<int>(t.kept.size()));
      int sum = 0;
      for (int i = 1; i <= n; ++i) sum += nm(i);
      EXPECT_EQ(sum, m);
      for (int j = 1; j <= m; ++j) {
        EXPECT_EQ(crsp(j), t.kept[static_cast<std::size_t>(j - 1)]);
        for (int r = 1; r <= n; ++r) EXPECT_EQ(supp(r, j), s.supp(r, crsp(j)));
      }
    }
  }
}

// With two points at the same largest distance, the first starts the walk:
// of two equal points only the first is kept.
TEST(Convex, FirstFarthestPointStarts) {
  mat<double> a(2, 3);
  a(1, 1) = 0.0;
  a(1, 2) = 0.0;
  a(1, 3) = 1.0;
  a(2, 1) = -1.0;
  a(2, 2) = -1.0;
  a(2, 3) = -1.0;
  vec<double> b{0.5, 0.5, 0.5};
  vec<int> ind(3, -1);
  convex(2, 3, a, b, ind);
  EXPECT_EQ(ind(1), 1);
  EXPECT_EQ(ind(2), 0);
  EXPECT_EQ(ind(3), 1);
}

// nm_s1 on supports given directly: the input position of each output block.
TEST(NmS1, OrderRules) {
  struct c {
    const char* name;
    system sys;
    std::vector<int> order;
  };
  // clang-format off
  const std::vector<c> cases = {
      {"plain sort by count",
       from_equations(2, {{{2, 0}, {1, 1}, {0, 0}}, {{1, 2}, {0, 0}}}), {2, 1}},
      // The last linear support exchanges places with the first when the
      // others have n points; positions 2.. are then sorted by count.
      {"linear support first",
       from_equations(3, {{{2, 0, 0}, {0, 1, 1}, {0, 0, 0}},
                          {{0, 2, 0}, {1, 0, 1}, {0, 0, 0}},
                          {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}}),
       {3, 2, 1}},
      {"last linear support wins",
       from_equations(3, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 0}},
                          {{0, 2, 0}, {1, 0, 1}, {0, 0, 0}},
                          {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}}),
       {3, 2, 1}},
      // Exactly one support with a count other than n, and that count 2: sort.
      {"one count of two: plain sort",
       from_equations(3, {{{2, 0, 0}, {0, 1, 1}, {0, 0, 0}},
                          {{1, 1, 1}, {0, 0, 0}},
                          {{1, 0, 0}, {0, 1, 0}, {0, 0, 0}}}),
       {2, 1, 3}},
      // A square support earlier in the list takes position 1 instead.
      {"square support first",
       from_equations(3, {{{2, 1, 0}, {0, 1, 1}, {0, 0, 0}},
                          {{2, 0, 0}, {0, 0, 2}, {0, 0, 0}},
                          {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}}),
       {2, 1, 3}},
  };
  // clang-format on
  for (const c& t : cases) {
    SCOPED_TRACE(t.name);
    system s = t.sys;
    const int n = s.n, m = s.m();
    vec<int> crsp(m), sohd(n), sotl(n), shd(n), stl(n);
    for (int k = 1; k <= m; ++k) crsp(k) = 100 + k;
    block_bounds(n, t.sys.nm, shd, stl);
    nm_s1(n, m, s.nm, s.supp, sohd, sotl, crsp);
    for (int i = 1; i <= n; ++i) {
      const int from = t.order[static_cast<std::size_t>(i - 1)];
      EXPECT_EQ(s.nm(i), t.sys.nm(from));
      EXPECT_EQ(sohd(i), i == 1 ? 1 : sotl(i - 1) + 1);
      EXPECT_EQ(sotl(i), sohd(i) + s.nm(i) - 1);
      for (int k = 0; k < s.nm(i); ++k) {
        EXPECT_EQ(crsp(sohd(i) + k), 100 + shd(from) + k);
        for (int r = 1; r <= n; ++r)
          EXPECT_EQ(s.supp(r, sohd(i) + k), t.sys.supp(r, shd(from) + k));
      }
    }
  }
}

}  // namespace
}  // namespace hc

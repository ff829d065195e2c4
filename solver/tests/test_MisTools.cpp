#include "MisTools.h"

#include <gtest/gtest.h>

#include <vector>

namespace hc {
namespace {

// A system given equation by equation as exponent columns; the coefficient
// of each term is its position as read, so every move can be traced.
struct sys {
  int n;
  vec<int> nm;
  mat<int> supp;
  vec<cplx> coef;
  sys(int n_, std::vector<std::vector<std::vector<int>>> eqs) : n(n_), nm(n_) {
    int m = 0;
    for (auto& e : eqs) m += static_cast<int>(e.size());
    supp.assign(n, m);
    coef.assign(m);
    int k = 0;
    for (int i = 1; i <= n; ++i) {
      nm(i) = static_cast<int>(eqs[i - 1].size());
      for (auto& col : eqs[i - 1]) {
        ++k;
        for (int j = 1; j <= n; ++j) supp(j, k) = col[j - 1];
        coef(k) = cplx(k, 0);
      }
    }
  }
  int m() const { return coef.size(); }
  std::vector<int> order() const {
    std::vector<int> o;
    for (int k = 1; k <= m(); ++k) o.push_back(static_cast<int>(coef(k).real()));
    return o;
  }
};

TEST(nmsc_ascend, MovesWholeBlocksByAscendingCount) {
  sys s(3, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{2, 0, 0}}, {{0, 2, 0}, {0, 0, 2}}});
  nmsc_ascend(s.n, s.m(), s.nm, s.supp, s.coef);
  EXPECT_EQ(std::vector<int>({s.nm(1), s.nm(2), s.nm(3)}), std::vector<int>({1, 2, 3}));
  EXPECT_EQ(s.order(), std::vector<int>({4, 5, 6, 1, 2, 3}));
  EXPECT_EQ(s.supp(1, 1), 2);
  EXPECT_EQ(s.supp(2, 2), 2);
}

TEST(nmsc_ascend, ExchangeSortIsNotStable) {
  // Counts 2, 1, 1 become 1, 1, 2 with old equations 2 and 3 in front.
  sys s(3, {{{1, 0, 0}, {0, 0, 0}}, {{0, 1, 0}}, {{0, 0, 1}}});
  nmsc_ascend(s.n, s.m(), s.nm, s.supp, s.coef);
  EXPECT_EQ(s.order(), std::vector<int>({3, 4, 1, 2}));
}

TEST(lexicosc, DescendingLexicographicWithConstantLast) {
  // y, 1, x y, x^2, y^2, x  ->  x^2, x y, x, y^2, y, 1
  sys s(2, {{{0, 1}, {0, 0}, {1, 1}, {2, 0}, {0, 2}, {1, 0}}, {{0, 0}}});
  lexicosc(s.n, s.m(), s.nm, s.supp, s.coef);
  EXPECT_EQ(s.order(), std::vector<int>({4, 3, 6, 5, 1, 2, 7}));
}

TEST(lexicosc, EqualColumnsBothKeptFirstOneFirst) {
  sys s(2, {{{1, 0}, {0, 0}, {1, 0}}, {{0, 1}}});
  lexicosc(s.n, s.m(), s.nm, s.supp, s.coef);
  EXPECT_EQ(s.order(), std::vector<int>({1, 3, 2, 4}));
}

TEST(lexicosc, OrderStaysLexicographicWhereKeysWouldOverflow) {
  // (mdeg(2)+1) * biggest exponent of x far beyond 32 bits.
  sys s(2, {{{3, 0}, {70000, 1}, {0, 2000000000}}, {{0, 0}}});
  lexicosc(s.n, s.m(), s.nm, s.supp, s.coef);
  EXPECT_EQ(s.order(), std::vector<int>({2, 1, 3, 4}));
}

TEST(completion, AppendsZeroTermOnlyWhereNoConstant) {
  // eq1: x + 1 (has constant); eq2: x y (no constant); eq3: 5 (a lone constant).
  sys s(3, {{{1, 0, 0}, {0, 0, 0}}, {{1, 1, 0}}, {{0, 0, 0}}});
  EXPECT_EQ(completed_size(s.n, s.nm, s.supp), 5);
  vec<int> nm = s.nm, cnst(3), shd(3), stl(3);
  mat<int> supp(3, 5, -1);
  vec<cplx> coef(5, cplx(-1, -1));
  complete_supp(s.n, nm, s.supp, cnst, supp);
  complete_coef(s.n, nm, cnst, s.coef, coef);
  block_bounds(s.n, nm, shd, stl);
  EXPECT_EQ(std::vector<int>(cnst.begin(), cnst.end()), std::vector<int>({0, 1, 0}));
  EXPECT_EQ(std::vector<int>(nm.begin(), nm.end()), std::vector<int>({2, 2, 1}));
  EXPECT_EQ(std::vector<int>(shd.begin(), shd.end()), std::vector<int>({1, 3, 5}));
  EXPECT_EQ(std::vector<int>(stl.begin(), stl.end()), std::vector<int>({2, 4, 5}));
  EXPECT_EQ(coef(4), cplx(0, 0));
  EXPECT_EQ(coef(5), cplx(4, 0));
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(supp(j, 4), 0);
  EXPECT_EQ(supp(1, 3), 1);
  EXPECT_EQ(supp(2, 3), 1);
}

// dran2 keeps its state for the whole process, so its cases run in one test
// in the order a fresh process sees them, from the reset state.
TEST(dran2, FirstCallsOfAFreshProcess) {
  dran2_reset();
  int idum = 1;
  EXPECT_DOUBLE_EQ(dran2(idum), 0.6554164005380956);
  EXPECT_EQ(idum, 40014);
  // idum <= 0 reinitialises the whole state from max(-idum, 1): 0 and -1
  // both start from 1, and -5 from 5, whatever came before.
  int a = 0, b = -1, c = -5, d = -5;
  const double x0 = dran2(a);
  EXPECT_EQ(dran2(b), x0);
  EXPECT_EQ(a, b);
  const double x5 = dran2(c);
  int other = 7;
  dran2(other);
  EXPECT_EQ(dran2(d), x5);
  EXPECT_NE(x5, x0);
  for (int k = 1; k <= 100000; ++k) {
    int id = k;
    const double x = dran2(id);
    ASSERT_GT(x, 0.0);
    ASSERT_LE(x, 0.9999998800000043);
  }
}

}  // namespace
}  // namespace hc

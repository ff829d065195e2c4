// The indexed common-factor search against the plain column-by-column scan.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "gen02.h"

namespace hc {
namespace {

// The plain scan: for every column i, row pair (j, k) with both entries
// non-zero, compare with every later column.  newvar gets one column of
// n + 2 entries per temporary.
void settingpj_plain(int n, int m, mat_ref<int> tab, mat<int>& newvar) {
  const int nr = n - 1, ncol = n * m;
  int mdeg = INT_MIN;
  for (int i = 1; i <= ncol; ++i)
    for (int j = 1; j <= nr; ++j) mdeg = std::max(mdeg, tab(j, i));
  std::vector<std::vector<int>> cols;
  int nvar = mdeg + 1;
  for (int i = 1; i <= ncol - 1; ++i)
    for (int j = 1; j <= nr - 1; ++j)
      for (int k = j + 1; k <= nr; ++k) {
        if (tab(j, i) == 0 || tab(k, i) == 0) continue;
        int cnt = 0;
        for (int s = i + 1; s <= ncol; ++s)
          if (tab(j, s) == tab(j, i) && tab(k, s) == tab(k, i)) {
            tab(j, s) = 0;
            tab(k, s) = nvar;
            ++cnt;
          }
        if (cnt == 0) continue;
        std::vector<int> c(static_cast<std::size_t>(n) + 2, 0);
        c[static_cast<std::size_t>(j - 1)] = tab(j, i);
        c[static_cast<std::size_t>(k - 1)] = tab(k, i);
        c[static_cast<std::size_t>(n - 1)] = nvar;
        c[static_cast<std::size_t>(n)] = j + 1;
        c[static_cast<std::size_t>(n + 1)] = k + 1;
        cols.push_back(c);
        tab(j, i) = 0;
        tab(k, i) = nvar;
        ++nvar;
      }
  newvar.assign(n + 2, static_cast<int>(cols.size()));
  for (int c = 1; c <= newvar.cols(); ++c)
    for (int r = 1; r <= n + 2; ++r) newvar(r, c) = cols[static_cast<std::size_t>(c - 1)][r - 1];
}

std::vector<int> entries(const mat<int>& a) {
  return std::vector<int>(a.data(), a.data() + static_cast<std::size_t>(a.rows()) * a.cols());
}

TEST(settingpj, ThreeVariableExampleGivesTemporaries3And4) {
  // Rows x2, x3 of the value supports (columns 1..9), then the derivative
  // supports in x2 (10..18) and x3 (19..27) of
  // x1 x2 x3^2 + 1, x2 x3^2 + x2 + 1, x1^2 + x2 + x3 + 1.
  const int n = 3, m = 9;
  mat<int> tab(n - 1, n * m, 0);
  auto set = [&](int c, int a, int b) {
    tab(1, c) = a;
    tab(2, c) = b;
  };
  set(1, 1, 2), set(3, 1, 2), set(4, 1, 0), set(7, 1, 0), set(8, 0, 1);
  set(10, 0, 2), set(12, 0, 2);
  set(19, 1, 1), set(21, 1, 1);
  mat<int> newvar;
  settingpj(n, m, tab, newvar);
  ASSERT_EQ(newvar.cols(), 2);
  EXPECT_EQ(entries(newvar), std::vector<int>({1, 2, 3, 2, 3, 1, 1, 4, 2, 3}));
  EXPECT_EQ(tab(1, 1), 0);
  EXPECT_EQ(tab(2, 1), 3);
  EXPECT_EQ(tab(2, 3), 3);
  EXPECT_EQ(tab(2, 19), 4);
  EXPECT_EQ(tab(2, 21), 4);
  EXPECT_EQ(tab(1, 4), 1);  // a pair that occurs once stays
}

TEST(settingpj, NoRowPairNoTemporary) {
  for (int n : {1, 2}) {
    const int m = 4;
    mat<int> tab(n - 1, n * m, 1);
    mat<int> newvar;
    settingpj(n, m, tab, newvar);
    EXPECT_EQ(newvar.cols(), 0) << n;
    for (int v : entries(tab)) EXPECT_EQ(v, 1);
  }
}

TEST(settingpj, AgreesWithThePlainScan) {
  struct row {
    int n, m, maxval;
    double zero_share;  // fraction of zero entries
    unsigned seed;
  };
  // Small value ranges and many rows make pairs recur and temporaries nest
  // (temporaries of temporaries, pairs of two temporaries).
  const std::vector<row> rows = {
      {3, 12, 2, 0.3, 1}, {4, 20, 1, 0.2, 2},   {5, 30, 2, 0.3, 3}, {6, 40, 3, 0.4, 4},
      {7, 25, 1, 0.1, 5}, {8, 30, 2, 0.5, 6},   {6, 60, 5, 0.6, 7}, {9, 20, 1, 0.0, 8},
      {5, 80, 1, 0.3, 9}, {10, 15, 2, 0.2, 10},
  };
  for (const auto& r : rows) {
    std::mt19937 gen(r.seed);
    std::uniform_int_distribution<int> val(1, r.maxval);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    mat<int> tab(r.n - 1, r.n * r.m);
    for (int c = 1; c <= tab.cols(); ++c)
      for (int j = 1; j <= tab.rows(); ++j) tab(j, c) = u(gen) < r.zero_share ? 0 : val(gen);
    // Some columns repeated whole, as terms and their derivatives do.
    for (int c = 2; c <= tab.cols(); c += 3) {
      const int from = 1 + static_cast<int>(u(gen) * (c - 1));
      for (int j = 1; j <= tab.rows(); ++j) tab(j, c) = tab(j, from);
    }
    mat<int> tab_plain = tab;
    mat<int> nv_fast, nv_plain;
    settingpj(r.n, r.m, tab, nv_fast);
    settingpj_plain(r.n, r.m, tab_plain, nv_plain);
    EXPECT_EQ(entries(tab), entries(tab_plain)) << "seed " << r.seed;
    EXPECT_EQ(nv_fast.cols(), nv_plain.cols()) << "seed " << r.seed;
    EXPECT_EQ(entries(nv_fast), entries(nv_plain)) << "seed " << r.seed;
    // The table of cases is meant to nest: some temporary has a factor
    // that is itself a temporary.
    if (r.n >= 4 && nv_plain.cols() > 0) {
      const int mdeg = nv_plain(r.n, 1) - 1;
      bool nested = false;
      for (int c = 1; c <= nv_plain.cols(); ++c)
        for (int j = 1; j <= r.n - 1; ++j) nested = nested || nv_plain(j, c) > mdeg;
      EXPECT_TRUE(nested) << "seed " << r.seed;
    }
  }
}

}  // namespace
}  // namespace hc

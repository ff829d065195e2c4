// Independent checks of a mixed-cell enumeration: the inner normal of a cell
// from its edge equations, and an enumeration by brute force over every
// choice of one pair of terms per equation.
#pragma once

#include <cmath>
#include <set>
#include <vector>

#include "array.h"

namespace hc::testsys {

// A cell as the list of its 2n term indices, row by row.
using cell = std::vector<int>;

// Solve v alpha = r (n x n, partial pivoting); false when singular.
inline bool solve(int n, std::vector<double> v, std::vector<double> r, std::vector<double>& x) {
  auto V = [&](int i, int j) -> double& { return v[static_cast<std::size_t>(i * n + j)]; };
  for (int k = 0; k < n; ++k) {
    int p = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(V(i, k)) > std::fabs(V(p, k))) p = i;
    if (std::fabs(V(p, k)) < 1e-9) return false;
    for (int j = 0; j < n; ++j) std::swap(V(k, j), V(p, j));
    std::swap(r[static_cast<std::size_t>(k)], r[static_cast<std::size_t>(p)]);
    for (int i = k + 1; i < n; ++i) {
      const double f = V(i, k) / V(k, k);
      for (int j = k; j < n; ++j) V(i, j) -= f * V(k, j);
      r[static_cast<std::size_t>(i)] -= f * r[static_cast<std::size_t>(k)];
    }
  }
  x.assign(static_cast<std::size_t>(n), 0.0);
  for (int i = n - 1; i >= 0; --i) {
    double s = r[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < n; ++j) s -= V(i, j) * x[static_cast<std::size_t>(j)];
    x[static_cast<std::size_t>(i)] = s / V(i, i);
  }
  return true;
}

// Margin by which the chosen pairs are lower than every other term of their
// equation under the cell's inner normal (negative: not a cell); pairs holds
// (first, second) per equation, shd the first column of each equation.
inline double cell_margin(int n, mat_ref<const int> supp, vec_ref<const int> nm,
                          vec_ref<const double> w, const cell& c) {
  std::vector<double> v(static_cast<std::size_t>(n * n)), r(static_cast<std::size_t>(n)), al;
  for (int i = 0; i < n; ++i) {
    const int p = c[static_cast<std::size_t>(2 * i)], q = c[static_cast<std::size_t>(2 * i + 1)];
    for (int k = 0; k < n; ++k) v[static_cast<std::size_t>(i * n + k)] = supp(k + 1, p) - supp(k + 1, q);
    r[static_cast<std::size_t>(i)] = w(q) - w(p);
  }
  if (!solve(n, v, r, al)) return -1.0;
  double margin = 1e300;
  int hd = 1;
  for (int i = 0; i < n; ++i) {
    const int p = c[static_cast<std::size_t>(2 * i)], q = c[static_cast<std::size_t>(2 * i + 1)];
    auto lifted = [&](int k) {
      double s = w(k);
      for (int t = 0; t < n; ++t) s += al[static_cast<std::size_t>(t)] * supp(t + 1, k);
      return s;
    };
    const double beta = lifted(p);
    if (std::fabs(lifted(q) - beta) > 1e-8 * (1.0 + std::fabs(beta))) return -1.0;
    for (int k = hd; k < hd + nm(i + 1); ++k)
      if (k != p && k != q) margin = std::min(margin, lifted(k) - beta);
    hd += nm(i + 1);
  }
  return margin;
}

// Every choice of one pair per equation whose inner normal makes exactly that
// pair lowest in each equation (margin above tol).
inline std::set<cell> brute_force_cells(int n, mat_ref<const int> supp, vec_ref<const int> nm,
                                        vec_ref<const double> w, double tol) {
  std::vector<std::vector<std::pair<int, int>>> pairs(static_cast<std::size_t>(n));
  int hd = 1;
  for (int i = 0; i < n; ++i) {
    for (int p = hd; p < hd + nm(i + 1); ++p)
      for (int q = p + 1; q < hd + nm(i + 1); ++q) pairs[static_cast<std::size_t>(i)].push_back({p, q});
    hd += nm(i + 1);
  }
  std::set<cell> out;
  std::vector<std::size_t> idx(static_cast<std::size_t>(n), 0);
  for (const auto& pl : pairs)
    if (pl.empty()) return out;
  for (;;) {
    cell c;
    for (int i = 0; i < n; ++i) {
      const auto& pr = pairs[static_cast<std::size_t>(i)][idx[static_cast<std::size_t>(i)]];
      c.push_back(pr.first);
      c.push_back(pr.second);
    }
    if (cell_margin(n, supp, nm, w, c) > tol) out.insert(c);
    int r = 0;
    while (r < n && ++idx[static_cast<std::size_t>(r)] == pairs[static_cast<std::size_t>(r)].size())
      idx[static_cast<std::size_t>(r++)] = 0;
    if (r == n) break;
  }
  return out;
}

}  // namespace hc::testsys

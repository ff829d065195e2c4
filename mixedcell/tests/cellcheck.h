// Independent checks of a mixed-cell enumeration: the inner normal of a cell
// from its edge equations (in doubles, and exactly in integers), and an
// enumeration by brute force over every choice of one pair of terms per
// equation.
#pragma once

#include <cmath>
#include <cstdint>
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
    for (int k = 0; k < n; ++k)
      v[static_cast<std::size_t>(i * n + k)] = supp(k + 1, p) - supp(k + 1, q);
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
      for (int q = p + 1; q < hd + nm(i + 1); ++q)
        pairs[static_cast<std::size_t>(i)].push_back({p, q});
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

namespace hc::testsys {

// Outcome of the exact test of one cell.
enum class exact_verdict { cell, not_a_cell, undecided };

// Lifting values are dyadic: prng_draw gives odd multiples of 2^-54 and a
// removed term is lifted to 2.0, so w 2^54 is an integer for all of them.
constexpr int kLiftScaleBits = 54;

// Whether c is a mixed cell, in exact integer arithmetic: the edge matrix V
// (row i = p_i - q_i) is inverted fraction-free (Gauss-Jordan with exact
// divisions; every entry met is a minor of [V | I]), giving D and D V^-1 with
// D = +-det V; then y = D alpha = (D V^-1) r with r_i = W(q_i) - W(p_i),
// W = w 2^54, and every other term k of equation i must satisfy
// sign(D) ((k - p_i)'y + D (W(k) - W(p_i))) > 0.  undecided when a lifting
// value is not such a dyadic number or a product leaves 128 bits.
inline exact_verdict exact_cell(int n, mat_ref<const int> supp, vec_ref<const int> nm,
                                vec_ref<const double> w, const cell& c) {
  using i128 = __int128;
  const auto W = [&](int k, i128& out) {
    const double s = std::ldexp(w(k), kLiftScaleBits);
    if (!(s >= 0.0 && s < 9.2e18) || s != std::floor(s)) return false;
    out = static_cast<i128>(static_cast<std::int64_t>(s));
    return true;
  };
  const auto mul = [](i128 a, i128 b, i128& out) { return !__builtin_mul_overflow(a, b, &out); };
  const auto add = [](i128 a, i128 b, i128& out) { return !__builtin_add_overflow(a, b, &out); };
  const std::size_t nn = static_cast<std::size_t>(n), w2 = 2 * nn;
  std::vector<i128> A(nn * w2, 0);
  auto at = [&](std::size_t i, std::size_t j) -> i128& { return A[i * w2 + j]; };
  std::vector<i128> r(nn);
  for (std::size_t i = 0; i < nn; ++i) {
    const int p = c[2 * i], q = c[2 * i + 1];
    for (std::size_t k = 0; k < nn; ++k)
      at(i, k) = supp(static_cast<int>(k) + 1, p) - supp(static_cast<int>(k) + 1, q);
    at(i, nn + i) = 1;
    i128 wp = 0, wq = 0;
    if (!W(p, wp) || !W(q, wq)) return exact_verdict::undecided;
    r[i] = wq - wp;
  }
  i128 prev = 1;
  for (std::size_t k = 0; k < nn; ++k) {
    std::size_t piv = k;
    while (piv < nn && at(piv, k) == 0) ++piv;
    if (piv == nn) return exact_verdict::not_a_cell;  // flat: no unique normal
    if (piv != k)
      for (std::size_t j = 0; j < w2; ++j) std::swap(at(k, j), at(piv, j));
    for (std::size_t i = 0; i < nn; ++i) {
      if (i == k) continue;
      for (std::size_t j = 0; j < w2; ++j) {
        if (j == k) continue;
        i128 t1 = 0, t2 = 0;
        if (!mul(at(k, k), at(i, j), t1) || !mul(at(i, k), at(k, j), t2))
          return exact_verdict::undecided;
        const i128 num = t1 - t2;
        if (num % prev != 0) return exact_verdict::undecided;  // never: minors divide
        at(i, j) = num / prev;
      }
      at(i, k) = 0;
    }
    prev = at(k, k);
  }
  const i128 D = prev;
  std::vector<i128> y(nn, 0);
  for (std::size_t i = 0; i < nn; ++i)
    for (std::size_t j = 0; j < nn; ++j) {
      i128 t = 0;
      if (!mul(at(i, nn + j), r[j], t) || !add(y[i], t, y[i])) return exact_verdict::undecided;
    }
  int hd = 1;
  for (std::size_t i = 0; i < nn; ++i) {
    const int p = c[2 * i], q = c[2 * i + 1];
    i128 wp = 0;
    W(p, wp);
    for (int k = hd; k < hd + nm(static_cast<int>(i) + 1); ++k) {
      if (k == p || k == q) continue;
      i128 wk = 0, v = 0, t = 0;
      if (!W(k, wk)) return exact_verdict::undecided;
      if (!mul(D, wk - wp, v)) return exact_verdict::undecided;
      for (std::size_t t2 = 0; t2 < nn; ++t2) {
        const int e = supp(static_cast<int>(t2) + 1, k) - supp(static_cast<int>(t2) + 1, p);
        if (!mul(e, y[t2], t) || !add(v, t, v)) return exact_verdict::undecided;
      }
      if (!(D > 0 ? v > 0 : v < 0)) return exact_verdict::not_a_cell;
    }
    hd += nm(static_cast<int>(i) + 1);
  }
  return exact_verdict::cell;
}

}  // namespace hc::testsys

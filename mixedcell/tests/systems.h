// Supports of the standard test systems, read order and normal order.
//
// Each generator returns the supports of a square system as the reader would
// see them (n, nm(n), supp(n,m): equation blocks one after another); only the
// supports matter, so coefficients are not built.  normal_form() applies the
// driver's preparation: equations by ascending term count, terms in
// descending lexicographic order, and a zero column completing every equation
// whose last term is not constant.
#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include "MisTools.h"
#include "array.h"
#include "cplx.h"

namespace hc::testsys {

struct system {
  int n = 0;
  vec<int> nm;
  mat<int> supp;
  int m() const { return supp.cols(); }
};

using monomial = std::vector<int>;

// Equations given as lists of exponent vectors; repeated vectors are merged
// (keeping the first), as the converter merges equal terms.
inline system from_equations(int n, const std::vector<std::vector<monomial>>& eqs) {
  system s;
  s.n = n;
  s.nm.assign(n);
  int m = 0;
  std::vector<std::vector<monomial>> uniq(eqs.size());
  for (std::size_t i = 0; i < eqs.size(); ++i) {
    for (const monomial& t : eqs[i])
      if (std::find(uniq[i].begin(), uniq[i].end(), t) == uniq[i].end()) uniq[i].push_back(t);
    s.nm(static_cast<int>(i) + 1) = static_cast<int>(uniq[i].size());
    m += static_cast<int>(uniq[i].size());
  }
  s.supp.assign(n, m);
  int k = 0;
  for (const auto& eq : uniq)
    for (const monomial& t : eq) {
      ++k;
      for (int r = 1; r <= n; ++r) s.supp(r, k) = t[static_cast<std::size_t>(r - 1)];
    }
  return s;
}

inline system normal_form(system s) {
  const int n = s.n;
  int m = s.m();
  vec<cplx> coef(m, cplx(1.0, 0.0));
  nmsc_ascend(n, m, s.nm, s.supp, coef);
  lexicosc(n, m, s.nm, s.supp, coef);
  const int mc = completed_size(n, s.nm, s.supp);
  system t;
  t.n = n;
  t.nm = s.nm;
  t.supp.assign(n, mc);
  vec<int> cnst(n);
  complete_supp(n, t.nm, s.supp, cnst, t.supp);
  return t;
}

inline monomial unit(int n, std::initializer_list<int> vars) {
  monomial e(static_cast<std::size_t>(n), 0);
  for (int v : vars) e[static_cast<std::size_t>(v)] += 1;
  return e;
}

// sum_i prod_{j<k} x_{(i+j) mod n} for k = 1..n-1, and x_1...x_n - 1.
inline system cyclic(int n) {
  std::vector<std::vector<monomial>> eqs;
  for (int k = 1; k <= n - 1; ++k) {
    std::vector<monomial> eq;
    for (int i = 0; i < n; ++i) {
      monomial e(static_cast<std::size_t>(n), 0);
      for (int j = 0; j < k; ++j) e[static_cast<std::size_t>((i + j) % n)] += 1;
      eq.push_back(e);
    }
    eqs.push_back(eq);
  }
  eqs.push_back({monomial(static_cast<std::size_t>(n), 1), monomial(static_cast<std::size_t>(n), 0)});
  return from_equations(n, eqs);
}

// x_i (sum_{j != i} x_j^2) - 1.1 x_i + 1, i = 1..n.
inline system noon(int n) {
  std::vector<std::vector<monomial>> eqs;
  for (int i = 0; i < n; ++i) {
    std::vector<monomial> eq;
    for (int j = 0; j < n; ++j)
      if (j != i) eq.push_back(unit(n, {i, j, j}));
    eq.push_back(unit(n, {i}));
    eq.push_back(unit(n, {}));
    eqs.push_back(eq);
  }
  return from_equations(n, eqs);
}

// (x_k + sum_{i=1}^{n-k-1} x_i x_{i+k}) x_n - k, k = 1..n-1; sum x_i + 1.
inline system eco(int n) {
  std::vector<std::vector<monomial>> eqs;
  const int xn = n - 1;
  for (int k = 1; k <= n - 1; ++k) {
    std::vector<monomial> eq;
    eq.push_back(unit(n, {k - 1, xn}));
    for (int i = 1; i <= n - k - 1; ++i) eq.push_back(unit(n, {i - 1, i + k - 1, xn}));
    eq.push_back(unit(n, {}));
    eqs.push_back(eq);
  }
  std::vector<monomial> last;
  for (int i = 1; i <= n - 1; ++i) last.push_back(unit(n, {i - 1}));
  last.push_back(unit(n, {}));
  eqs.push_back(last);
  return from_equations(n, eqs);
}

// Variables x_0..x_n (n+1 of them): sum_{l=-n}^{n} x_|l| x_|m-l| - x_m for
// m = 0..n-1 (indices beyond n are zero), and sum_{l=-n}^{n} x_|l| - 1.
inline system katsura(int n) {
  const int nv = n + 1;
  std::vector<std::vector<monomial>> eqs;
  for (int mm = 0; mm <= n - 1; ++mm) {
    std::vector<monomial> eq;
    for (int l = -n; l <= n; ++l) {
      const int i = l < 0 ? -l : l, j = mm - l < 0 ? l - mm : mm - l;
      if (j <= n) eq.push_back(unit(nv, {i, j}));
    }
    eq.push_back(unit(nv, {mm}));
    eqs.push_back(eq);
  }
  std::vector<monomial> last;
  for (int i = 0; i <= n; ++i) last.push_back(unit(nv, {i}));
  last.push_back(unit(nv, {}));
  eqs.push_back(last);
  return from_equations(nv, eqs);
}

// Every monomial of total degree <= deg[i] in equation i.
inline system dense(const std::vector<int>& deg) {
  const int n = static_cast<int>(deg.size());
  std::vector<std::vector<monomial>> eqs;
  for (int d : deg) {
    std::vector<monomial> eq;
    monomial e(static_cast<std::size_t>(n), 0);
    // Odometer over exponent vectors with entries 0..d, keeping total <= d.
    for (;;) {
      int tot = 0;
      for (int v : e) tot += v;
      if (tot <= d) eq.push_back(e);
      int r = 0;
      while (r < n && e[static_cast<std::size_t>(r)] == d) e[static_cast<std::size_t>(r++)] = 0;
      if (r == n) break;
      ++e[static_cast<std::size_t>(r)];
    }
    eqs.push_back(eq);
  }
  return from_equations(n, eqs);
}

// x^A = c: equation i has the terms x^(row i of A) and 1.
inline system binomial(int n, const std::vector<int>& a_rowwise) {
  std::vector<std::vector<monomial>> eqs;
  for (int i = 0; i < n; ++i) {
    monomial e(a_rowwise.begin() + i * n, a_rowwise.begin() + (i + 1) * n);
    eqs.push_back({e, monomial(static_cast<std::size_t>(n), 0)});
  }
  return from_equations(n, eqs);
}

// Random supports: n variables, k terms per equation, exponents 0..e, drawn
// by a linear congruential generator of their own (the systems never change).
inline system random_supports(int n, int k, int e, unsigned seed) {
  std::vector<std::vector<monomial>> eqs;
  unsigned st = seed;
  auto next = [&]() {
    st = st * 1103515245u + 12345u;
    return (st >> 16) & 0x7fff;
  };
  for (int i = 0; i < n; ++i) {
    std::vector<monomial> eq;
    for (int t = 0; t < k; ++t) {
      monomial mo(static_cast<std::size_t>(n));
      for (int r = 0; r < n; ++r) mo[static_cast<std::size_t>(r)] = static_cast<int>(next() % (e + 1));
      eq.push_back(mo);
    }
    eqs.push_back(eq);
  }
  return from_equations(n, eqs);
}

}  // namespace hc::testsys

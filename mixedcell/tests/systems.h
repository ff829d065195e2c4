// Supports of the test systems, read order and normal order.
//
// Each generator returns the supports of a square system as the reader would
// see them (n, nm(n), supp(n,m): equation blocks one after another); only the
// supports matter, so coefficients are not kept.  The standard systems come
// from the shared table (standard_systems.h).  normal_form() applies the
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
#include "standard_systems.h"

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

// The supports of a standard system (standard_systems.h), its terms in the
// order the table gives them.
inline system supports(const test::poly_system& p) {
  std::vector<std::vector<monomial>> eqs;
  for (const test::poly_equation& eq : p.eqs) {
    std::vector<monomial> terms;
    for (const test::poly_term& t : eq) terms.push_back(t.e);
    eqs.push_back(terms);
  }
  return from_equations(p.n(), eqs);
}

inline system cyclic(int n) { return supports(test::cyclic(n)); }
inline system noon(int n) { return supports(test::noon(n)); }
inline system eco(int n) { return supports(test::eco(n)); }
// Variables x_0..x_n: n + 1 of them.
inline system katsura(int n) { return supports(test::katsura(n)); }
// Every monomial of total degree <= deg[i] in equation i.
inline system dense(const std::vector<int>& deg) { return supports(test::dense(deg)); }

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
      for (int r = 0; r < n; ++r)
        mo[static_cast<std::size_t>(r)] = static_cast<int>(next() % (e + 1));
      eq.push_back(mo);
    }
    eqs.push_back(eq);
  }
  return from_equations(n, eqs);
}

}  // namespace hc::testsys

// Evaluators of the tests' own, in place of a generated library.
//
// lin: the system p_i(z) = z_i - root_i, reported with the Jacobian k I, so
//   that one Newton correction multiplies the error by 1 - 1/k: the tests
//   choose how fast the corrector contracts.  From call nan_from on (counted
//   over the three entries) the values are NaN.  dt(i) = dt_value.
// sparse: any system in support form, evaluated from the coefficients the
//   caller passes, with its exact Jacobian; sparse_load(eqs) sets it to
//   equations given as term lists (term_eqn.h) and returns their real
//   coefficients, and sparse_terms() the term counts as a vec.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "Eval.h"
#include "array.h"
#include "cplx.h"
#include "ref_eval.h"
#include "term_eqn.h"

namespace hc::fake {

struct lin_state {
  std::vector<cplx> root{cplx(0, 0)};
  cplx k{1, 0};
  cplx dt_value{0, 0};
  int calls = 0;       // evaluations (evahhx and subexpo)
  int coef_calls = 0;  // coefhhthx
  int nan_from = std::numeric_limits<int>::max();
};
inline lin_state lin;

inline void lin_reset(std::vector<cplx> root, cplx k) {
  lin = lin_state{};
  lin.root = std::move(root);
  lin.k = k;
}

inline void lin_values(int n, const cplx* z, cplx* p, cplx* dp) {
  ++lin.calls;
  const bool nan = lin.calls >= lin.nan_from;
  const double q = std::numeric_limits<double>::quiet_NaN();
  for (int i = 0; i < n; ++i) {
    p[i] = nan ? cplx(q, q) : z[i] - lin.root[static_cast<std::size_t>(i)];
    for (int j = 0; j < n; ++j) dp[i + j * n] = (i == j) ? lin.k : cplx(0, 0);
  }
}

inline void lin_evahhx(const int& n, const cplx*, const cplx* z, cplx* p, const cplx*, cplx* dp) {
  lin_values(n, z, p, dp);
}
inline void lin_subexpo(const int& n, const cplx*, const cplx* z, cplx* p, const cplx*, const cplx*,
                        cplx* dp, cplx* dt) {
  lin_values(n, z, p, dp);
  for (int i = 0; i < n; ++i) dt[i] = lin.dt_value;
}
inline void lin_coefhhthx(cplx*, cplx*, cplx*, const int&, const cplx*, const cplx*, const double*,
                          const double&) {
  ++lin.coef_calls;
}
inline const evalcore lin_core{&lin_evahhx, &lin_subexpo, &lin_coefhhthx};

// --- any sparse system -----------------------------------------------------
struct sparse_state {
  int n = 0, m = 0;
  mat<int> supp;  // supp(n, m)
  int calls = 0;
};
inline sparse_state sparse;

// Equations in consecutive blocks of nm(i) terms.
inline std::vector<int> sparse_nm;

inline void sparse_evahhx(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx*,
                          cplx* dp) {
  ++sparse.calls;
  test::ref_eval(n, sparse_nm.data(), sparse.supp, cf, nullptr, z, p, dp, nullptr);
}
inline void sparse_subexpo(const int&, const cplx*, const cplx*, cplx*, const cplx*, const cplx*,
                           cplx*, cplx*) {}
inline void sparse_coefhhthx(cplx*, cplx*, cplx*, const int&, const cplx*, const cplx*,
                             const double*, const double&) {}
inline const evalcore sparse_core{&sparse_evahhx, &sparse_subexpo, &sparse_coefhhthx};

inline vec<cplx> sparse_load(const std::vector<test::eqn>& eqs) {
  const int n = static_cast<int>(eqs.size());
  int m = 0;
  for (const test::eqn& eq : eqs) m += static_cast<int>(eq.size());
  sparse.n = n;
  sparse.m = m;
  sparse.supp.assign(n, m, 0);
  sparse_nm.clear();
  vec<cplx> coef(m);
  int k = 0;
  for (const test::eqn& eq : eqs) {
    sparse_nm.push_back(static_cast<int>(eq.size()));
    for (const auto& [e, c] : eq) {
      ++k;
      for (int v = 1; v <= n; ++v) sparse.supp(v, k) = e[static_cast<std::size_t>(v - 1)];
      coef(k) = cplx(c, 0);
    }
  }
  return coef;
}

inline vec<int> sparse_terms() {
  vec<int> nm(static_cast<int>(sparse_nm.size()));
  for (int i = 1; i <= nm.size(); ++i) nm(i) = sparse_nm[static_cast<std::size_t>(i - 1)];
  return nm;
}

}  // namespace hc::fake

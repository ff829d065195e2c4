// The small vector and matrix helpers every tracking routine uses, templates
// over the complex type (double here; binary128 in the witness code, whose
// linear solve is in quad_types.h).
//
//   vmax(n, v)  max_i |v(i)| scanning from minus infinity; NaN when some
//       |v(i)| is NaN: a vector holding a NaN must fail every test that
//       would accept it, and each test is written so that a NaN fails it.
//       v(n) read; minus infinity for n = 0.
//   vmaxdiff(n, a, b)  vmax of a - b, without a work vector.
//   has_nan(n, v)  some entry has a NaN part.
//   vcopy(n, src, dst), mcopy(n, src, dst)  dst = src (n and n x n).
//   lin_solve(n, a, b)  b := a^-1 b, a(n,n) destroyed (cqaxb).
//   colnorm1(n, a)  largest column sum of moduli of a(n,n) (cqnormm
//       selector 1).
//   one_max(v)  max(1, v), 1 when v is NaN.
#pragma once

#include "LinTool.h"
#include "array.h"
#include "cplx.h"
#include "real_types.h"

namespace hc {

template <class C>
inline auto vmax(int n, vec_ref<const C> v) {
  using Real = typename C::value_type;
  Real r = neg_inf<Real>();
  for (int i = 1; i <= n; ++i) {
    const Real a = zabs(v(i));
    if (a != a) return a;  // NaN
    if (a > r) r = a;
  }
  return r;
}
template <class C>
inline auto vmax(int n, vec_ref<C> v) {
  return vmax(n, vec_ref<const C>(v));
}

template <class C>
inline auto vmaxdiff(int n, vec_ref<const C> a, vec_ref<const C> b) {
  using Real = typename C::value_type;
  Real r = neg_inf<Real>();
  for (int i = 1; i <= n; ++i) {
    const Real d = zabs(a(i) - b(i));
    if (d != d) return d;
    if (d > r) r = d;
  }
  return r;
}

template <class C>
inline bool has_nan(int n, vec_ref<const C> v) {
  for (int i = 1; i <= n; ++i) {
    const C z = v(i);
    if (z.real() != z.real() || z.imag() != z.imag()) return true;
  }
  return false;
}

template <class C>
inline void vcopy(int n, vec_ref<const C> src, vec_ref<C> dst) {
  for (int i = 1; i <= n; ++i) dst(i) = src(i);
}

template <class C>
inline void mcopy(int n, mat_ref<const C> src, mat_ref<C> dst) {
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) dst(i, j) = src(i, j);
}

inline void lin_solve(int n, mat_ref<cplx> a, vec_ref<cplx> b) { cqaxb(n, a, b); }
inline double colnorm1(int n, mat_ref<const cplx> a) { return cqnormm(n, n, a, 1); }

template <class Real>
inline Real one_max(Real v) {
  return v > Real(1) ? v : Real(1);
}

}  // namespace hc

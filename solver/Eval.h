// What the trackers need around an evaluation: the evaluator entry points as
// a replaceable table, and the small vector helpers every tracking routine
// uses (max modulus, copies, the linear solve of one number type).
//
//   evalcore  the three entry points of the evaluator contract, by default
//       the bound library (ec_loader.h); a caller may pass its own table
//       (tests, or an interpreted evaluator) to every routine that evaluates.
//       evahhx(n, cf, z, p, cfd, dp)   p(n) = P(z), dp(n,n) = dP/dz
//       subexpo(n, cf, z, p, cfd, cft, dp, dt)  also dt(n) from cft(m)
//       coefhhthx(cf, cft, cfd, m, B, G, D, s)  coefficients at s
//   evalcore_lib()  the table of the bound library
//
//   vmax(n, v)  max_i |v(i)| scanning from minus infinity; NaN when some
//       |v(i)| is NaN: a vector holding a NaN must fail every test that
//       would accept it, and each test is written so that a NaN fails it.
//       v(n) read; minus infinity for n = 0.
//   vmaxdiff(n, a, b)  vmax of a - b, without a work vector.
//   has_nan(n, v)  some entry has a NaN part.
//   vcopy(n, src, dst), mcopy(n, src, dst)  dst = src (n and n x n).
//   lin_solve(n, a, b)  b := a^-1 b, a destroyed (cqaxb for double; in
//       binary128 the same elimination with the pivot floor 2^-112).
//   colnorm1(n, a)  largest column sum of moduli (cqnormm selector 1).
//   one_max(v)  max(1, v), 1 when v is NaN.
// The number types and their real functions (r_sqrt, r_log, r_abs, zabs)
// are those of real_types.h, double and binary128 alike.
#pragma once

#include <cmath>
#include <complex>

#include "LinTool.h"
#include "array.h"
#include "cplx.h"
#include "ec_loader.h"
#include "real_types.h"

namespace hc {

struct evalcore {
  void (*evahhx)(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd, cplx* dp);
  void (*subexpo)(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd,
                  const cplx* cft, cplx* dp, cplx* dt);
  void (*coefhhthx)(cplx* cf, cplx* cft, cplx* cfd, const int& m, const cplx* B, const cplx* G,
                    const double* D, const double& s);
};

const evalcore& evalcore_lib();

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
inline void lin_solve(int n, mat_ref<qcplx> a, vec_ref<qcplx> b) {
  cqaxb_t<qreal>(n, a, b, kQFloor);
}
inline qreal colnorm1(int n, mat_ref<const qcplx> a) { return cqnormm_t<qreal>(n, n, a, 1); }

template <class Real>
inline Real one_max(Real v) {
  return v > Real(1) ? v : Real(1);
}

}  // namespace hc

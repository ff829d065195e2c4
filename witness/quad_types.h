// IEEE binary128 (GCC's __float128 with the functions of libquadmath), the
// number type of the witness tracker's re-tracking of hard paths: its real
// functions for the tracking templates (real_types.h) and its linear solve
// (vec_ops.h).  Only the witness code includes it.
//
//   qreal, qcplx  binary128 and its complex numbers.
//   real_fn<qreal>  sqrtq, logq, fabsq, expq and -HUGE_VALQ.
//   kQFloor  2^-112, the binary128 floor of a pivot and of a modulus.
//   lin_solve(n, a, b)  b := a^-1 b, a(n,n) destroyed: the elimination of
//       cqaxb with the pivot floor kQFloor.
//   colnorm1(n, a)  largest column sum of moduli of a(n,n).
#pragma once

#include <quadmath.h>

#include <complex>

#include "LinTool.h"
#include "array.h"
#include "real_types.h"
#include "vec_ops.h"

namespace hc {

using qreal = __float128;
using qcplx = std::complex<__float128>;

template <>
struct real_fn<qreal> {
  static qreal sqrt(qreal v) { return sqrtq(v); }
  static qreal log(qreal v) { return logq(v); }
  static qreal abs(qreal v) { return fabsq(v); }
  static qreal exp(qreal v) { return expq(v); }
  static constexpr qreal neg_inf() { return -HUGE_VALQ; }
};

// 2^-112, the binary128 machine epsilon: the floor of a pivot and of a
// modulus in binary128, where double precision uses kEps5.
constexpr qreal kQFloor = 0x1p-112Q;

inline void lin_solve(int n, mat_ref<qcplx> a, vec_ref<qcplx> b) {
  cqaxb_t<qreal>(n, a, b, kQFloor);
}
inline qreal colnorm1(int n, mat_ref<const qcplx> a) { return cqnormm_t<qreal>(n, n, a, 1); }

}  // namespace hc

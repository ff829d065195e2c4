// IEEE binary128 numbers of the re-tracking: GCC's __float128 with the
// functions of libquadmath, and the real-type overloads the tracking
// templates call (r_sqrt, r_log, r_abs, and r_exp here).
//
// The templates find these overloads by ordinary lookup at their
// definition, so this header must come before any solver header in a
// source that instantiates them with binary128 (a binary128 argument would
// otherwise be narrowed silently to the double overload).
#pragma once

#include <quadmath.h>

#include <cmath>
#include <complex>

namespace hc {

using qreal = __float128;
using qcplx = std::complex<__float128>;

inline qreal r_sqrt(qreal v) { return sqrtq(v); }
inline qreal r_log(qreal v) { return logq(v); }
inline qreal r_abs(qreal v) { return fabsq(v); }
inline qreal r_exp(qreal v) { return expq(v); }
inline double r_exp(double v) { return std::exp(v); }

// 2^-112, the binary128 machine epsilon: the floor of a pivot and of a
// modulus in binary128, where double precision uses eps5.
constexpr qreal kQFloor = 0x1p-112Q;

}  // namespace hc

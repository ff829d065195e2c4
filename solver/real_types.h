// The number types of the trackers and the real functions the templates
// call on them: double, and IEEE binary128 (GCC's __float128 with the
// functions of libquadmath) for the re-tracking of hard paths.  Every
// template over the real type finds these overloads by ordinary lookup, so
// they are declared here, before any template that calls them.
//
//   qreal, qcplx  binary128 and its complex numbers.
//   r_sqrt, r_log, r_abs, r_exp  sqrt, log, |.|, e^. of double and binary128.
//   zabs(z)  |z| = sqrt(re^2 + im^2), unscaled, of any complex type.
//   neg_inf<Real>()  minus infinity of the real type (binary128 has no
//       numeric_limits of its own).
//   kQFloor  2^-112, the binary128 floor of a pivot and of a modulus.
#pragma once

#include <quadmath.h>

#include <cmath>
#include <complex>
#include <limits>

namespace hc {

using qreal = __float128;
using qcplx = std::complex<__float128>;

inline double r_sqrt(double v) { return std::sqrt(v); }
inline double r_log(double v) { return std::log(v); }
inline double r_abs(double v) { return std::fabs(v); }
inline double r_exp(double v) { return std::exp(v); }

inline qreal r_sqrt(qreal v) { return sqrtq(v); }
inline qreal r_log(qreal v) { return logq(v); }
inline qreal r_abs(qreal v) { return fabsq(v); }
inline qreal r_exp(qreal v) { return expq(v); }

template <class Real>
inline Real zabs(const std::complex<Real>& z) {
  return r_sqrt(z.real() * z.real() + z.imag() * z.imag());
}

template <class Real>
constexpr Real neg_inf() {
  return -std::numeric_limits<Real>::infinity();
}
template <>
constexpr qreal neg_inf<qreal>() {
  return -HUGE_VALQ;
}

// 2^-112, the binary128 machine epsilon: the floor of a pivot and of a
// modulus in binary128, where double precision uses eps5.
constexpr qreal kQFloor = 0x1p-112Q;

}  // namespace hc

// The real functions the tracking templates call on their real type, through
// one table per type: real_fn<double> here, real_fn<qreal> (binary128) in
// the witness code (quad_types.h), the only place that needs it.  A template
// instantiated for a type whose table is not declared fails to compile
// rather than falling back to the double functions by a silent conversion.
//
//   real_fn<Real>  sqrt, log, abs, exp and neg_inf of Real
//   r_sqrt, r_log, r_abs, r_exp(v)  sqrt, log, |.|, e^. of any real type
//       with a table
//   zabs(z)  |z| = sqrt(re^2 + im^2), unscaled, of any complex type
//   neg_inf<Real>()  minus infinity of the real type (binary128 has no
//       numeric_limits of its own)
#pragma once

#include <cmath>
#include <complex>
#include <limits>

namespace hc {

template <class Real>
struct real_fn;

template <>
struct real_fn<double> {
  static double sqrt(double v) { return std::sqrt(v); }
  static double log(double v) { return std::log(v); }
  static double abs(double v) { return std::fabs(v); }
  static double exp(double v) { return std::exp(v); }
  static constexpr double neg_inf() { return -std::numeric_limits<double>::infinity(); }
};

template <class Real>
inline Real r_sqrt(Real v) {
  return real_fn<Real>::sqrt(v);
}
template <class Real>
inline Real r_log(Real v) {
  return real_fn<Real>::log(v);
}
template <class Real>
inline Real r_abs(Real v) {
  return real_fn<Real>::abs(v);
}
template <class Real>
inline Real r_exp(Real v) {
  return real_fn<Real>::exp(v);
}

template <class Real>
inline Real zabs(const std::complex<Real>& z) {
  return r_sqrt(z.real() * z.real() + z.imag() * z.imag());
}

template <class Real>
constexpr Real neg_inf() {
  return real_fn<Real>::neg_inf();
}

}  // namespace hc

// Complex numbers of the numerical routines: pairs of doubles, real part
// first (std::complex<double> has that layout), and the modulus as the
// routines define it.
#pragma once

#include <cmath>
#include <complex>

namespace hc {

using cplx = std::complex<double>;

// |z| = sqrt(re^2 + im^2), without the scaling of std::abs (hypot): every
// tolerance of the trackers is tuned, and tested, against this unscaled form.
inline double cabs(cplx z) { return std::sqrt(z.real() * z.real() + z.imag() * z.imag()); }

// The floor below which a pivot or a modulus is replaced: machine epsilon
// times 1e-5, so that a singular matrix yields a huge but finite answer.
constexpr double kEps5 = 2.2204460492503133e-21;

// Double-precision machine epsilon, 2^-52.
constexpr double kMachEps = 2.220446049250313e-16;

}  // namespace hc

// The basis-change step shared by every linear program of the mixed-cell
// enumeration.
//
// A vertex of a program  a_k' y >= b_k  (y in R^N) is held as the point y and
// the dense direction matrix d(N,N): the inverse of the basis matrix, whose row
// at column c is the constraint row of the point that column holds (or the
// coordinate row e_c' for a free column).  Moving along d(:,c) changes only
// the constraint of column c, at unit rate.
//
//   lp_dot(r0, N, dc, a)   sum over l = r0..N of dc(l) a(l), left to right;
//       dc(N), a(N)
//   lp_pivot(N, d, ain, c, r0, h)  the point with row ain(N) enters at column
//       c: h(k) = d(:,k)'ain for every column k (all rows); column c times
//       1/h(c); every other column k loses h(k) times column c.  Only rows
//       r0..N are updated (rows above r0 of column c must be zero); h(N) work
#pragma once

#include "array.h"

namespace hc {

// Rates below this modulus count as zero in entering and ratio tests: the
// entries of the direction matrices are of order one, so 1e-6 separates a
// real rate from rounding left over by a few hundred pivots.
constexpr double kLpEpsRate = 1e-6;
// A constraint within this of its bound is tight; also the tolerance of the
// dominance test.  Lifting values are in [0,1), so 1e-10 is far above the
// rounding of one dot product and far below any generic gap.
constexpr double kLpEpsTight = 1e-10;
// Start value of every ratio test: larger than any real step length.
constexpr double kLpThetaStart = 1e300;

template <class T>
inline double lp_dot(int r0, int N, const double* dc, const T* a) {
  double s = 0.0;
  for (int l = r0 - 1; l < N; ++l) s += dc[l] * static_cast<double>(a[l]);
  return s;
}

template <class T>
inline void lp_pivot(int N, mat_ref<double> d, const T* ain, int c, int r0, double* h) {
  const int ld = d.ld();
  double* d0 = d.data();
  for (int k = 0; k < N; ++k) h[k] = lp_dot(1, N, d0 + static_cast<std::ptrdiff_t>(k) * ld, ain);
  double* dc = d0 + static_cast<std::ptrdiff_t>(c - 1) * ld;
  const double rp = 1.0 / h[c - 1];
  for (int l = r0 - 1; l < N; ++l) dc[l] *= rp;
  for (int k = 0; k < N; ++k) {
    if (k == c - 1 || h[k] == 0.0) continue;
    double* dk = d0 + static_cast<std::ptrdiff_t>(k) * ld;
    const double hk = h[k];
    for (int l = r0 - 1; l < N; ++l) dk[l] -= hk * dc[l];
  }
}

}  // namespace hc

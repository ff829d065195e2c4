// Small dense linear algebra of the trackers and the scaling of a system.
//
// Complex routines work on n x n matrices (n = number of variables); the
// scaling fit works on one tall real matrix.  Moduli are hc::cabs (unscaled
// sqrt(re^2 + im^2)); a pivot or diagonal entry below kEps5 is replaced by
// (kEps5, 0) instead of failing, so a singular matrix gives a huge answer.
//
//   cqaxb(n, a, b)  b := x with a x = b; Gaussian elimination with partial
//       pivoting on the modulus (the first row of largest modulus wins),
//       pivots below kEps5 set to (kEps5, 0).  a(n,n) is destroyed: its upper
//       triangle holds the eliminated matrix, its lower one the multipliers.
//       b(n) overwritten.  No allocation.
//   cqaxb_t<Real>(n, a, b, floor)  the same over the real type, pivots below
//       floor set to (floor, 0): cqaxb is cqaxb_t<double> with kEps5; the
//       binary128 solve uses 2^-112.
//   cqnormm(m, n, mat, info)  info = 1: max_j sum_i |mat(i,j)|; info = -1:
//       max_i sum_j |mat(i,j)|; any other info: 0.  mat(m,n) read only.
//   cqnormm_t<Real>(m, n, mat, info)  the same over the real type.
//   cqnormv(n, v)  ||v||_2; when max|v(i)| > 1e5 computed as
//       maxv * sqrt(sum |v(i)/maxv|^2).  v(n) read only; 0 for n = 0.
//   cqhousevec(m, n, v, w, c)  c = -(v(1)/|v(1)|) ||v|| (c = -||v|| when
//       |v(1)| <= kMachEps), w = (v - c e1) / ||v - c e1|| (left unnormalised
//       when that norm is <= kMachEps); (I - 2 w w^H) v = c e1.  v(n) read,
//       w(n) and c written; m is not used.
//   cqqrsr(m, a)  a(m,m) := R of a = Q R by Householder reflections
//       (upper triangular, exact zeros below the diagonal); Q is not kept.
//   cqlsq(m, n, a, b, w)  least squares min ||a y - b||_2 by Householder QR
//       (m >= n): y in b(1..n).  a(m,n) := R in its top n rows (upper
//       triangular; diagonal entries below kEps5 set to (kEps5, 0) before
//       the back substitution), the rest of a and b(n+1..m) overwritten.
//       w(m) work.  No allocation.
//   cqmaxminsv(n, r, max_sv, min_sv, tol)  estimates of the largest and the
//       smallest singular value of r(n,n): R from cqqrsr with diagonal
//       entries below kEps5 set to (kEps5, 0), then at most 8 power steps on
//       R^H R and at most 8 on (R^H R)^-1 from a random start vector, each
//       stopping when |s - s_prev| < tol s.  r is destroyed.  Reseeds and
//       draws 2n numbers from the platform generator (prng_seed, prng_draw).
//   housevec(m, n, x, c, w, beta)  real Householder vector of x(n):
//       (I - beta w w^T) x = c e1 with w(1) = 1; beta = 0 and c = x(1) when
//       sum_{i>=2} x(i)^2 < kMachEps.  x read, w(n), c, beta written; m is
//       not used.
//   lsqrt(m, n, a, b, info)  least squares min ||a y - b||_2 by Householder
//       QR: y in b(1..n).  a(m,n) and b(m) overwritten.  info = 1 when a is
//       rank deficient (a diagonal entry of R below 1e-12, or m < n): then
//       b(1..m) = 0; info = 0 otherwise.
//   sclcoef_rows(n, m, nm)  rows of the scaling fit, one per term and one per
//       pair of terms of an equation: m + sum_i nm(i)(nm(i)-1)/2, in 64 bits.
//   sclcoef(n, m, nm, supp, coef, sclc)  scaling by a least-squares fit on
//       log|coef|: with x_j = e^sclc(j) y_j and equation i multiplied by
//       e^sclc(n+i), coef(k) := coef(k) e^(sclc(n+i) + sum_j supp(j,k) sclc(j))
//       has modulus near 1 and the moduli within an equation near each other.
//       nm(n), supp(n,m) read; coef(m) overwritten; sclc(2n) written.
//       No scaling (sclc = 0, coef unchanged) when the fit is rank deficient,
//       when a coefficient is 0 or not finite (its logarithm would turn the
//       fit into NaN), or when the fitted exponents are not finite.  A fit
//       whose row count or matrix does not fit in memory (more than 2^31 - 1
//       rows, or an allocation failure) is reported on stderr and ends the
//       program with status::size (fatal.h).
#pragma once

#include <complex>
#include <cstdint>
#include <utility>

#include "array.h"
#include "cplx.h"
#include "real_types.h"

namespace hc {

void cqaxb(int n, mat_ref<cplx> a, vec_ref<cplx> b);
template <class Real>
void cqaxb_t(int n, mat_ref<std::complex<Real>> a, vec_ref<std::complex<Real>> b, Real floor);
double cqnormm(int m, int n, mat_ref<const cplx> mat, int info);
template <class Real>
Real cqnormm_t(int m, int n, mat_ref<const std::complex<Real>> mat, int info);
double cqnormv(int n, vec_ref<const cplx> v);
void cqhousevec(int m, int n, vec_ref<const cplx> v, vec_ref<cplx> w, cplx& c);
void cqqrsr(int m, mat_ref<cplx> a);
void cqlsq(int m, int n, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> w);
void cqmaxminsv(int n, mat_ref<cplx> r, double& max_sv, double& min_sv, double tol);

void housevec(int m, int n, vec_ref<const double> x, double& c, vec_ref<double> w, double& beta);
void lsqrt(int m, int n, mat_ref<double> a, vec_ref<double> b, int& info);

std::int64_t sclcoef_rows(int n, int m, vec_ref<const int> nm);
void sclcoef(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<cplx> coef,
             vec_ref<double> sclc);

// ---------------------------------------------------------------------------
template <class Real>
void cqaxb_t(int n, mat_ref<std::complex<Real>> a, vec_ref<std::complex<Real>> b, Real floor) {
  using C = std::complex<Real>;
  if (n <= 0) return;
  for (int i = 1; i <= n - 1; ++i) {
    // The first row of largest modulus: a later row must be strictly larger.
    int p = i;
    Real amax = neg_inf<Real>();
    for (int r = i; r <= n; ++r) {
      const Real d = zabs(a(r, i));
      if (d > amax) {
        amax = d;
        p = r;
      }
    }
    if (p != i) {
      for (int k = 1; k <= n; ++k) std::swap(a(i, k), a(p, k));
      std::swap(b(i), b(p));
    }
    if (zabs(a(i, i)) < floor) a(i, i) = C(floor, Real(0));

    // Multipliers f_j = a(j,i)/a(i,i) kept below the pivot, then each later
    // column and b updated as a(j,k) - f_j a(i,k), a column at a time.
    const C piv = a(i, i);
    C* fi = a.col(i).data();
    for (int j = i; j < n; ++j) fi[j] = fi[j] / piv;
    for (int k = i + 1; k <= n; ++k) {
      C* ck = a.col(k).data();
      const C aik = ck[i - 1];
      for (int j = i; j < n; ++j) ck[j] = ck[j] - fi[j] * aik;
    }
    C* bb = b.data();
    const C bi = bb[i - 1];
    for (int j = i; j < n; ++j) bb[j] = bb[j] - fi[j] * bi;
  }
  if (zabs(a(n, n)) < floor) a(n, n) = C(floor, Real(0));

  b(n) = b(n) / a(n, n);
  for (int j = n - 1; j >= 1; --j) {
    C s(Real(0), Real(0));
    for (int k = j + 1; k <= n; ++k) s = s + a(j, k) * b(k);
    b(j) = (b(j) - s) / a(j, j);
  }
}

template <class Real>
Real cqnormm_t(int m, int n, mat_ref<const std::complex<Real>> mat, int info) {
  Real mx = 0;
  if (info == 1) {
    for (int j = 1; j <= n; ++j) {
      Real s = 0;
      for (int i = 1; i <= m; ++i) s = s + zabs(mat(i, j));
      if (s > mx) mx = s;
    }
  } else if (info == -1) {
    for (int i = 1; i <= m; ++i) {
      Real s = 0;
      for (int j = 1; j <= n; ++j) s = s + zabs(mat(i, j));
      if (s > mx) mx = s;
    }
  }
  return mx;
}

}  // namespace hc

// Newton's method with the values of the system computed in double-double
// arithmetic.  In double precision the computed value of a polynomial near
// a root is rounding noise of the size eps sum_k |c_k| |x|^a_k (the term sums
// of BackErr.h), so a badly conditioned root is only determined to within
// eps |J^-1| times the term sums (root 12 of (x-1)(x-2)...(x-16), expanded:
// 1.5e-4).  The values are computed here from the supports and the
// coefficients themselves with error-free transformations, to an error of
// about eps^2 times the term sums, so that a few Newton steps with the
// Jacobian in double bring such a root to nearly full double precision.
//
//   dd  a double-double hi + lo, |lo| <= ulp(hi) / 2, and ddc a complex pair
//       of them.  Its operations (inline, below):
//       two_sum(a, b) = s + e = a + b exactly, s = fl(a + b);
//       quick_two_sum(a, b) the same for |a| >= |b|, in fewer operations;
//       two_prod(a, b) = p + e = a b exactly, p = fl(a b) (e by std::fma);
//       dd_add(a, b), dd_mul(a, b) the sum and the product, to a relative
//       error of a few 2^-106; dd_neg(a) = -a; ddc_mul(a, b) the complex
//       product (re a re b - im a im b, re a im b + im a re b).
//   dd_values(n, nm, supp, coef, x, p)  p(i) = sum over the terms k of
//       equation i of coef(k) x_1^supp(1,k) ... x_n^supp(n,k), in
//       double-double, rounded to double.  nm(n) the terms of each equation
//       (consecutive blocks of the columns 1..sum nm), supp(n, >= sum nm)
//       their exponents (>= 0), coef(sum nm), x(n) read; p(n) written.  Where
//       every product and partial sum is an integer below 2^106 (integer
//       coefficients at an integer point) the values are exact.
//   dd_refine(n, nm, supp, coef, cfd, x, a, b, maxstep, w, ev)  Newton steps
//       x := x - J(x)^-1 P(x), with P(x) from dd_values and the Jacobian J
//       from ev.evahhx(coef, cfd) in double, at most kRefineSteps of them.
//       A step is taken only while its correction is smaller (max modulus)
//       than the one before; the first only when |dx(i)| <= maxstep(i) for
//       every i (a point farther from the root than the caller allows is
//       left alone).  The steps stop at a correction of 0.  x(n) in: the
//       point, out: the refined point; a(n,n) := J(x), b(n) := P(x) from
//       dd_values, both at the returned x.  cfd((n-1)m), maxstep(n) read.
//       Returns the number of steps taken (0: x unchanged).  w is the work
//       of one caller, sized by n.
#pragma once

#include <cmath>

#include "Eval.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// Newton steps of dd_refine at most: with the Jacobian in double the
// correction shrinks at least by the Jacobian's relative error per step
// (2e-4 at root 12 of the expanded Wilkinson polynomial of degree 16), so
// four steps take a point from 1e-4 to the rounding of x; the rest is room.
constexpr int kRefineSteps = 8;

struct dd {
  double hi = 0.0, lo = 0.0;
};
struct ddc {
  dd re, im;
};

inline dd two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a + b for |a| >= |b| (or a = 0).
inline dd quick_two_sum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

inline dd two_prod(double a, double b) {
  const double p = a * b;
  return {p, std::fma(a, b, -p)};
}

inline dd dd_add(dd a, dd b) {
  dd s = two_sum(a.hi, b.hi);
  const dd t = two_sum(a.lo, b.lo);
  s.lo += t.hi;
  s = quick_two_sum(s.hi, s.lo);
  s.lo += t.lo;
  return quick_two_sum(s.hi, s.lo);
}

inline dd dd_neg(dd a) { return {-a.hi, -a.lo}; }

inline dd dd_mul(dd a, dd b) {
  dd p = two_prod(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return quick_two_sum(p.hi, p.lo);
}

inline ddc ddc_mul(const ddc& a, const ddc& b) {
  return {dd_add(dd_mul(a.re, b.re), dd_neg(dd_mul(a.im, b.im))),
          dd_add(dd_mul(a.re, b.im), dd_mul(a.im, b.re))};
}

struct dd_refine_work {
  mat<cplx> lu;
  vec<cplx> dx, p;
  explicit dd_refine_work(int n) : lu(n, n), dx(n), p(n) {}
};

void dd_values(int n, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> coef,
               vec_ref<const cplx> x, vec_ref<cplx> p);

int dd_refine(int n, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> coef,
              vec_ref<const cplx> cfd, vec_ref<cplx> x, mat_ref<cplx> a, vec_ref<cplx> b,
              vec_ref<const double> maxstep, dd_refine_work& w,
              const evalcore& ev = evalcore_lib());

}  // namespace hc

// Componentwise backward error of a point of a polynomial system: the point
// x is an exact root of a system whose coefficients differ from c_k by at most
// a relative beta when every |P_i(x)| <= beta sum over the terms k of
// equation i of |c_k| |x|^a_k (|x|^a_k = |x_1|^a_1k ... |x_n|^a_nk).  The sum
// is the size of the rounding noise of evaluating P_i at x, so this test,
// unlike a bound on |P_i(x)| alone, holds for a root however large its terms
// are, and it does not change when variables or equations are rescaled.
//
//   backerr_ok(n, p, scale, factor)  true when |p(i)| <= factor eps scale(i)
//       for every i = 1..n, eps = 2^-52 (kMachEps); false when some p(i) or
//       scale(i) is NaN.  p(n) the values of the system at the point,
//       scale(n) the term sums above; both read.
//   backerr(n, p, scale)  max_i |p(i)| / scale(i), the componentwise backward
//       error of a point with values p(n) and term sums scale(n); an equation
//       whose term sum is 0 counts 0 when its value is 0 too, else (and on a
//       NaN) the result is infinity.
//   abs_coef(m, coef, acoef)  acoef(k) = (|coef(k)|, 0), k = 1..m; coef(m)
//       read, acoef(m) written.
//   term_sums(n, x, scale, w, values)  scale(i) = the term sum of equation i
//       at x, computed by the caller's evaluator itself: values(ax, p, dp)
//       evaluates the system with the coefficients |c_k| (from abs_coef) at
//       the point ax = (|x_1|, ..., |x_n|) into p(n) (dp(n,n), its Jacobian,
//       is not used); scale(i) = Re p(i).  x(n) read, scale(n) written; w is
//       the work of one caller, sized by n.
//   term_scale(n, acoef, cfd, x, scale, w, ev)  term_sums with evahhx on the
//       coefficients acoef; cfd((n-1)m) is passed through unchanged.
//   kBackErrFactor  the factor of the writers' acceptance (below).
//   end_accept(n, coef, cfd, ev, factor)  the test of a tracker's end
//       points: ok(x) evaluates P(x) by evahhx on coef(m) (cfd((n-1)m)) and
//       is backerr_ok(n, P(x), term sums of |coef| at x, factor); its work is
//       its own, sized once.
#pragma once

#include "Eval.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// The evaluation work of term_scale: the point of moduli, the values and
// the Jacobian that the evaluator fills.
struct term_scale_work {
  vec<cplx> ax, p;
  mat<cplx> dp;
  explicit term_scale_work(int n) : ax(n), p(n), dp(n, n) {}
};

// A polished point whose residual is above the polish's absolute bound is
// still a root when its componentwise backward error is at most this many
// machine epsilons.  Near a root the computed values are rounding noise
// of the size eps times the term sums, which exceeds any absolute bound on
// badly scaled systems (the Wilkinson polynomial of degree 12: 0.29 at 12);
// measured, points at true roots stay below 1 eps, the tracker's end points
// that are no roots lie above 2000 eps, so 100 keeps room on both sides.
constexpr double kBackErrFactor = 100.0;

bool backerr_ok(int n, vec_ref<const cplx> p, vec_ref<const double> scale, double factor);

double backerr(int n, vec_ref<const cplx> p, vec_ref<const double> scale);

void abs_coef(int m, vec_ref<const cplx> coef, vec_ref<cplx> acoef);

template <class Values>
void term_sums(int n, vec_ref<const cplx> x, vec_ref<double> scale, term_scale_work& w,
               Values&& values) {
  for (int i = 1; i <= n; ++i) w.ax(i) = cplx(cabs(x(i)), 0.0);
  values(vec_ref<const cplx>(w.ax), vec_ref<cplx>(w.p), mat_ref<cplx>(w.dp));
  for (int i = 1; i <= n; ++i) scale(i) = w.p(i).real();
}

void term_scale(int n, vec_ref<const cplx> acoef, vec_ref<const cplx> cfd, vec_ref<const cplx> x,
                vec_ref<double> scale, term_scale_work& w, const evalcore& ev = evalcore_lib());

// The backward-error test of one system's points, with its work: ok(x) is
// backerr_ok(n, P(x), term sums of |coef| at x, factor), P evaluated here
// by evahhx on coef (a tracker's values at the end of a path belong to the
// homotopy, whose coefficients there equal coef only to rounding).
struct end_accept {
  int n;
  vec_ref<const cplx> coef, cfd;
  const evalcore* ev;
  double factor;
  vec<cplx> acoef, values;
  mat<cplx> jacob;
  vec<double> scale;
  term_scale_work sw;
  end_accept(int n_, vec_ref<const cplx> coef_, vec_ref<const cplx> cfd_, const evalcore& e,
             double factor_)
      : n(n_),
        coef(coef_),
        cfd(cfd_),
        ev(&e),
        factor(factor_),
        acoef(coef_.size()),
        values(n_),
        jacob(n_, n_),
        scale(n_),
        sw(n_) {
    abs_coef(coef_.size(), coef_, acoef);
  }
  bool ok(vec_ref<const cplx> x) {
    ev->evahhx(n, coef.data(), x.data(), values.data(), cfd.data(), jacob.data());
    term_scale(n, acoef, cfd, x, scale, sw, *ev);
    return backerr_ok(n, values, scale, factor);
  }
};

}  // namespace hc

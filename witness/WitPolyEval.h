// The polyhedral homotopy of one mixed cell evaluated by the interpreted
// evaluators, as the evaluation policy of the tracking templates
// (track_steps.h): at a new t the coefficients are formed,
//   g(k) = cv(k) e^t,  d(k) = e^(tpow(k) t),
//   cf(k) = (coef_q(k) + g(k)) d(k),  cft(k) = tpow(k) cf(k) + g(k) d(k),
// then H, dH/dx and dH/dt are evaluated at x; at the same t only the
// evaluation runs, with the coefficients formed last.  Over the real type
// (double or binary128).
//
//   wit_poly_eval<Real>(n, m, supp, nm, tpow, coef_q, cv)  references the
//       system supp(n,m), nm(n) and the cell data tpow(m), coef_q(m), cv(m)
//       for its life; cf(m), cft(m) and the evaluator's table its own.
//   form(t)  the coefficients at t.
//   at(x, t, jacob, polyv, polyt), same_t(x, t, jacob, polyv, polyt)
//   target(cfv, x, b, a)  b = values, a = Jacobian of the system with
//       coefficients cfv(m) at x.
#pragma once

#include <complex>

#include "WitEval.h"
#include "array.h"
#include "real_types.h"

namespace hc {

template <class Real>
struct wit_poly_eval {
  using C = std::complex<Real>;
  int n, m;
  mat_ref<const int> supp;
  vec_ref<const int> nm;
  vec_ref<const Real> tpow;
  vec_ref<const C> coef_q, cv;
  vec<C> cf, cft;
  wit_eval_work<Real> ew;

  wit_poly_eval(int n_, int m_, mat_ref<const int> supp_, vec_ref<const int> nm_,
                vec_ref<const Real> tpow_, vec_ref<const C> coef_q_, vec_ref<const C> cv_)
      : n(n_),
        m(m_),
        supp(supp_),
        nm(nm_),
        tpow(tpow_),
        coef_q(coef_q_),
        cv(cv_),
        cf(m_),
        cft(m_),
        ew(n_, m_, supp_) {}

  void form(Real t) {
    const Real e = r_exp(t);
    for (int k = 1; k <= m; ++k) {
      const C g = cv(k) * e;
      const Real d = r_exp(tpow(k) * t);
      cf(k) = (coef_q(k) + g) * d;
      cft(k) = tpow(k) * cf(k) + g * d;
    }
  }
  void at(vec_ref<const C> x, Real t, mat_ref<C> jacob, vec_ref<C> polyv, vec_ref<C> polyt) {
    form(t);
    same_t(x, t, jacob, polyv, polyt);
  }
  void same_t(vec_ref<const C> x, Real, mat_ref<C> jacob, vec_ref<C> polyv, vec_ref<C> polyt) {
    wit_eval_t<Real, true, true>(n, supp, nm, cf, cft, x, jacob, polyv, polyt, ew);
  }
  void target(vec_ref<const C> cfv, vec_ref<const C> x, vec_ref<C> b, mat_ref<C> a) {
    wit_eval_t<Real, true, false>(n, supp, nm, cfv, cfv, x, a, b, b, ew);
  }
};

}  // namespace hc

// Interpreted evaluation of a sparse system from its supports and
// coefficients, without a generated evaluator.
//
// Equation i is sum over its terms k of cf(k) x^supp(:,k).  A table of the
// powers of every coordinate up to the largest exponent of that coordinate
// is filled once per point; each term is one running product, and its
// partial derivatives come from a prefix product (variables before j) and a
// suffix product (variables after j), so no coordinate is divided by and a
// zero coordinate gives exact derivatives.  One template serves double and
// the binary128 re-tracking.
//
//   maxdeg_of(n, m, supp, maxdeg)  maxdeg(j) = max_k supp(j, k), starting
//       from the most negative integer (so INT_MIN when m = 0); supp(n, m)
//       read, maxdeg(n) written.
//   wit_eval_work<Real>  the powers table pw(maxd, n), maxd = max(0, max_j
//       maxdeg(j)), and the three n-vectors of one evaluation; built once
//       from the supports (its maxdeg then fits every exponent evaluated).
//   wit_eval_t<Real, with_v, with_t>(n, supp, nm, cf, cft, x, jacob, polyv,
//       polyt, w)  jacob(n,n) (row = equation, column = variable) always;
//       polyv(n) = values when with_v; polyt(n) = sum cft(k) x^supp(:,k)
//       when with_t.  cf(m), cft(m), x(n) read.  The exponents must lie in
//       0..w.maxdeg(j) (the work built from the same supports guarantees it).
//
// The routines of the evaluator contract's shape, each building its own
// table (they check that every exponent of the terms they evaluate lies in
// 0..maxdeg(j) and that the term counts fit m; a violation is reported on
// standard error and ends the program with exit status 1):
//   evalpdpds(n, m, supp, cf, cft, maxdeg, x, nm, jacob, polyv, polyt)
//       H, dH/dx and dH/dt of the homotopy whose coefficients at the
//       current t are cf(m) and their t-derivatives cft(m).
//   evalpdp(n, m, supp, cf, maxdeg, x, nm, jacob, polyv)  values and Jacobian.
//   evaldp(n, m, supp, cf, maxdeg, x, nm, jacob)  Jacobian alone.
//   evalpdpds_t<Real>, evalpdp_t<Real>  the first two over the real type
//       (the binary128 ones are qevalpdpds, qevalpdp of QTrack.h).
//
//   wit_fail(what)  "witsolve: <what>" on standard error, status::internal
//       (fatal.h): a routine called outside its contract.
#pragma once

#include <climits>
#include <complex>
#include <string>

#include "array.h"
#include "cplx.h"

namespace hc {

[[noreturn]] void wit_fail(const std::string& what);

void maxdeg_of(int n, int m, mat_ref<const int> supp, vec_ref<int> maxdeg);

template <class Real>
struct wit_eval_work {
  using C = std::complex<Real>;
  int n = 0;
  vec<int> maxdeg;  // maxdeg(n) of the supports the work was built from
  mat<C> pw;        // pw(e, j) = x(j)^e, e = 1..maxdeg(j)
  vec<C> d, s, r;   // term partials, suffix products, Jacobian row
  // From the supports: maxdeg computed from supp(n, m).
  wit_eval_work(int n_, int m, mat_ref<const int> supp) : n(n_), maxdeg(n_), d(n_), s(n_), r(n_) {
    maxdeg_of(n, m, supp, maxdeg);
    size_table();
  }
  // From a caller's maxdeg(n).
  wit_eval_work(int n_, vec_ref<const int> maxdeg_) : n(n_), maxdeg(n_), d(n_), s(n_), r(n_) {
    for (int j = 1; j <= n; ++j) maxdeg(j) = maxdeg_(j);
    size_table();
  }

 private:
  void size_table() {
    int maxd = 0;
    for (int j = 1; j <= n; ++j)
      if (maxdeg(j) > maxd) maxd = maxdeg(j);
    pw.assign(maxd, n);
  }
};

template <class Real, bool with_v, bool with_t>
void wit_eval_t(int n, mat_ref<const int> supp, vec_ref<const int> nm,
                vec_ref<const std::complex<Real>> cf, vec_ref<const std::complex<Real>> cft,
                vec_ref<const std::complex<Real>> x, mat_ref<std::complex<Real>> jacob,
                vec_ref<std::complex<Real>> polyv, vec_ref<std::complex<Real>> polyt,
                wit_eval_work<Real>& w) {
  using C = std::complex<Real>;
  const C zero(Real(0), Real(0)), one(Real(1), Real(0));
  mat<C>& pw = w.pw;
  vec<C>& d = w.d;
  vec<C>& s = w.s;
  vec<C>& r = w.r;
  for (int j = 1; j <= n; ++j) {
    const int top = w.maxdeg(j);
    if (top < 1) continue;
    pw(1, j) = x(j);
    for (int e = 2; e <= top; ++e) pw(e, j) = pw(e - 1, j) * x(j);
  }
  int k0 = 0;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) r(j) = zero;
    C val = zero, tder = zero;
    for (int k = k0 + 1; k <= k0 + nm(i); ++k) {
      // Prefix pass: d(j) holds the factors of variables 1..j-1 times the
      // derivative of the factor of variable j; v ends as the monomial.
      C v = one;
      for (int j = 1; j <= n; ++j) {
        const int e = supp(j, k);
        if (e == 0) {
          d(j) = zero;
        } else if (e == 1) {
          d(j) = v;
          v = v * pw(1, j);
        } else {
          d(j) = (Real(e) * v) * pw(e - 1, j);
          v = v * pw(e, j);
        }
      }
      // Suffix pass: s(j) = factors of variables j+1..n.
      s(n) = one;
      C u = one;
      for (int j = n - 1; j >= 1; --j) {
        const int e = supp(j + 1, k);
        if (e != 0) u = u * pw(e, j + 1);
        s(j) = u;
      }
      for (int j = 1; j <= n - 1; ++j) d(j) = d(j) * s(j);
      if constexpr (with_v) val = val + cf(k) * v;
      if constexpr (with_t) tder = tder + cft(k) * v;
      for (int j = 1; j <= n; ++j) {
        d(j) = cf(k) * d(j);
        r(j) = r(j) + d(j);
      }
    }
    if constexpr (with_v) polyv(i) = val;
    if constexpr (with_t) polyt(i) = tder;
    for (int j = 1; j <= n; ++j) jacob(i, j) = r(j);
    k0 += nm(i);
  }
}

// Checks that the terms of nm(n) fit m and that their exponents lie in
// 0..maxdeg(j); ends the program with a message otherwise.
void check_eval_args(int n, int m, mat_ref<const int> supp, vec_ref<const int> maxdeg,
                     vec_ref<const int> nm);

template <class Real>
void evalpdpds_t(int n, int m, mat_ref<const int> supp, vec_ref<const std::complex<Real>> cf,
                 vec_ref<const std::complex<Real>> cft, vec_ref<const int> maxdeg,
                 vec_ref<const std::complex<Real>> x, vec_ref<const int> nm,
                 mat_ref<std::complex<Real>> jacob, vec_ref<std::complex<Real>> polyv,
                 vec_ref<std::complex<Real>> polyt) {
  check_eval_args(n, m, supp, maxdeg, nm);
  wit_eval_work<Real> w(n, maxdeg);
  wit_eval_t<Real, true, true>(n, supp, nm, cf, cft, x, jacob, polyv, polyt, w);
}

template <class Real>
void evalpdp_t(int n, int m, mat_ref<const int> supp, vec_ref<const std::complex<Real>> cf,
               vec_ref<const int> maxdeg, vec_ref<const std::complex<Real>> x,
               vec_ref<const int> nm, mat_ref<std::complex<Real>> jacob,
               vec_ref<std::complex<Real>> polyv) {
  check_eval_args(n, m, supp, maxdeg, nm);
  wit_eval_work<Real> w(n, maxdeg);
  wit_eval_t<Real, true, false>(n, supp, nm, cf, cf, x, jacob, polyv, polyv, w);
}

void evalpdpds(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> cf,
               vec_ref<const cplx> cft, vec_ref<const int> maxdeg, vec_ref<const cplx> x,
               vec_ref<const int> nm, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
               vec_ref<cplx> polyt);

void evalpdp(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> cf,
             vec_ref<const int> maxdeg, vec_ref<const cplx> x, vec_ref<const int> nm,
             mat_ref<cplx> jacob, vec_ref<cplx> polyv);

void evaldp(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> cf,
            vec_ref<const int> maxdeg, vec_ref<const cplx> x, vec_ref<const int> nm,
            mat_ref<cplx> jacob);

}  // namespace hc

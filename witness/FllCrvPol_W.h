// Path tracker of the witness solver: the polyhedral tracker with every
// evaluation done by the interpreted evaluators (WitEval.h, WitPolyEval.h)
// from the supports, the term counts and the largest exponents maxdeg(N),
// which take the place of the derivative coefficients.  It differs from the
// polyhedral tracker (FollowCurve.h) in the first step's residual tests (15
// and 10 where the polyhedral one has 10 and 5) and in one mechanism: a path
// whose corrector has to halve its step below 1e-10 while t < -0.05 is
// followed again in binary128 (qfcurve, QFllCrvPol.h) instead of being
// abandoned; when that succeeds its end point is polished like any other.
//
//   fcurve_w(N, M, nc, nm, supp, coef, coef_q, w, mcl, nroot, sol, dat)
//       tracks every start root of every cell p = 1..nc of mcl(N, >= 2nc),
//       keeps the end points whose final Newton succeeds in
//       sol(:, 1..nroot) with dat(1,k) = cell, dat(2,k) = start root, then
//       runs the duplicate check chksln_w (ChkSol_W.h).  nm(N), supp(N,M),
//       coef(M) (scaled target), coef_q(M), w(M) in; sol(N, >= mv),
//       dat(6, >= mv), mv the total of the cells' start roots.  Arrays too
//       small for the paths end the program with a message, exit status 1.
//   fcurve_w(N, M, nc, nm, supp, coef, coef_q, w, mcl, nroot, sol, dat,
//       nlost)  the same, and the last points of the nlost paths that gave
//       no end point (finite ones only), in path order, in
//       sol(:, nroot+1..nroot+nlost): the witness writer looks for witness
//       points near them (WrtSol_W.h).
//   retrace_w(N, nc, M, stepcount, supp, coef, coef_q, nm, w, mcl, c3, p, r,
//       rtrcx, give_up)  the path of cell p, start root r again, step after
//       the first at most -t/4, corrector parameter c3 kept (and returned as
//       the corrector left it); rtrcx(N) its end point in every case,
//       give_up = 1 when it failed (also when cell p has no start root r).
//   chksln_w(N, nc, M, nroot, supp, coef, coef_q, nm, dat, w, mcl, sol)  the
//       duplicate check (ChkSol_W.h) with re-tracks by retrace_w.
//   fnlnwtnsln_w(N, M, nm, supp, coef, a, b, x, maxdeg, isgood)  Newton on
//       the target system sum coef(k) x^supp(:,k) (evalpdp) from x(N) with
//       a(N,N) = Jacobian and b(N) = values at x; isgood, the polished x and
//       when good a, b the Jacobian and values at the returned x.  nm(N),
//       supp(N,M), coef(M), maxdeg(N) read.  (The paths' own final Newton is
//       fnlnwtn_t in the path loop.)
//   fnlnwtnsln_w(N, M, nm, supp, coef, a, b, x, maxdeg, isgood, acoef, factor)
//       the same, and a polished point that moved little but fails the
//       residual bound is still good when its values pass backerr_ok(factor)
//       against the term sums of acoef(M) = |coef| at it (BackErr.h), found
//       by the same interpreted evaluation.
//
//   wit_rules  the polyhedral rules with the first step's factors 15 and 10.
//   wit_tracker  one tracker's work for a run (fcurve_w, or the re-tracks of
//       the check): a polyhedral tracker (poly_tracker.h) with wit_rules and
//       the interpreted evaluation, and the hand-over after its loop.
#pragma once

#include "FollowCurve.h"
#include "WitEval.h"
#include "WitPolyEval.h"
#include "array.h"
#include "cplx.h"
#include "poly_tracker.h"
#include "track_steps.h"

namespace hc {

struct wit_rules : poly_rules {
  static constexpr double frt_c1 = 15.0, frt_c2 = 10.0;
  static constexpr double acc_round = 0.0;
  static constexpr int max_cuts = 0;
};

struct wit_tracker {
  int N, M;
  vec_ref<const int> nm;
  mat_ref<const int> supp;
  vec_ref<const cplx> coef, coef_q;
  // set_cell: tpow, minpow and the start roots bix; the evaluation ev, s, wk
  poly_tracker_t<wit_rules, wit_poly_eval<double>> base;
  vec<cplx> ctgt;  // coef_q + cv, the target as the homotopy has it at t = 0
  vec<cplx> xend;  // end point of a binary128 re-tracking

  wit_tracker(int N_, int M_, vec_ref<const int> nm_, mat_ref<const int> supp_,
              vec_ref<const cplx> coef_, vec_ref<const cplx> coef_q_, vec_ref<const double> w,
              mat_ref<const int> mcl);
  wit_tracker(const wit_tracker&) = delete;
  wit_tracker& operator=(const wit_tracker&) = delete;

  int set_cell(int p) { return base.set_cell(p); }
  int size() const { return N; }
  path_state<double>& state() { return base.s; }
  // Start root r of the current cell from t = -20/minpow to 0, the step
  // after the first at most -t/step_div; c3_kept as in path_t.  Out: base.s
  // (x, give_up, test_end, stepcount), isgood from the final Newton (false
  // when it did not run); far_give_ups counts the paths handed over.
  void path(int r, double step_div, bool c3_kept, int& far_give_ups, bool& isgood);
  void path(int r, double step_div, bool c3_kept, bool& isgood) {
    int far_give_ups = 0;
    path(r, step_div, c3_kept, far_give_ups, isgood);
  }
  // The path of start root r, given up by the corrector at t < -0.05,
  // followed again in binary128; on success x = its end point, test_end = 1
  // and jacob, polyv = h_1 those of the target (coef_q + cv) there.
  void handover(int r);
};

void fcurve_w(int N, int M, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
              vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
              mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat);
void fcurve_w(int N, int M, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
              vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
              mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat, int& nlost);

void retrace_w(int N, int nc, int M, int& stepcount, mat_ref<const int> supp,
               vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const int> nm,
               vec_ref<const double> w, mat_ref<const int> mcl, double& c3, int p, int r,
               vec_ref<cplx> rtrcx, int& give_up);

void chksln_w(int N, int nc, int M, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
              vec_ref<const cplx> coef_q, vec_ref<const int> nm, mat_ref<int> dat,
              vec_ref<const double> w, mat_ref<const int> mcl, mat_ref<cplx> sol);

void fnlnwtnsln_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
                  vec_ref<const int> maxdeg, bool& isgood);

void fnlnwtnsln_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
                  vec_ref<const int> maxdeg, bool& isgood, vec_ref<const cplx> acoef,
                  double factor);

}  // namespace hc

#include "FllCrvPol_W.h"

#include <utility>

#include "BackErr.h"
#include "ChkSol_W.h"
#include "QFllCrvPol.h"

namespace hc {

wit_tracker::wit_tracker(int N_, int M_, vec_ref<const int> nm_, mat_ref<const int> supp_,
                         vec_ref<const cplx> coef_, vec_ref<const cplx> coef_q_,
                         vec_ref<const double> w, mat_ref<const int> mcl)
    : N(N_),
      M(M_),
      nm(nm_),
      supp(supp_),
      coef(coef_),
      coef_q(coef_q_),
      base(N_, M_, nm_, supp_, coef_, coef_q_, w, mcl,
           [&](const cell_starts& c) {
             return wit_poly_eval<double>(c.n, c.m, c.supp, c.nm, c.tpow, c.coef_q, c.cv);
           }),
      ctgt(M_),
      xend(N_) {
  for (int k = 1; k <= M; ++k) ctgt(k) = coef_q(k) + base.cv(k);
}

void wit_tracker::handover(int r) {
  path_state<double>& s = base.s;
  qfcurve(s.t, base.bix.col(r), base.tpow, s.give_up, N, M, supp, ctgt, coef_q, nm, xend);
  if (s.give_up != 0) return;
  vcopy<cplx>(N, xend, s.x);
  s.test_end = 1;
  base.ev.target(ctgt, s.x, s.polyv, s.jacob);
  vcopy<cplx>(N, s.polyv, s.h_1);
}

void wit_tracker::path(int r, double step_div, bool c3_kept, int& far_give_ups, bool& isgood) {
  // The corrector counts a give-up at t < -0.05 (its step halved below
  // 1e-10 there), and the loop ends right after it: that path is the one
  // to follow again in binary128.
  int far = 0;
  auto target = [this](vec_ref<const cplx> z, vec_ref<cplx> b, mat_ref<cplx> a) {
    base.ev.target(coef, z, b, a);
  };
  auto after_loop = [&] {
    if (far > 0 && base.s.give_up == 1) handover(r);
  };
  base.path_t(r, step_div, c3_kept, far, isgood, target, after_loop);
  far_give_ups += far;
}

void fcurve_w(int N, int M, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
              vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
              mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat, int& nlost) {
  check_track_args(N, M, nc, mcl, sol, dat);
  nroot = 0;
  {
    wit_tracker trk(N, M, nm, supp, coef, coef_q, w, mcl);
    int handed_over = 0;
    track_cells(trk, nc, sol, dat, nroot, handed_over, false, &nlost);
  }
  chksln_w(N, nc, M, nroot, supp, coef, coef_q, nm, dat, w, mcl, sol);
  // The lost points sit at the end of sol, the last path's first: move them
  // behind the end points (each source lies at or beyond its destination,
  // so none is overwritten before it is read), then into path order.
  const int first = sol.cols() - nlost;
  for (int q = 1; q <= nlost; ++q) vcopy<cplx>(N, sol.col(first + q), sol.col(nroot + q));
  for (int a = nroot + 1, b = nroot + nlost; a < b; ++a, --b)
    for (int i = 1; i <= N; ++i) std::swap(sol(i, a), sol(i, b));
}

void fcurve_w(int N, int M, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
              vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
              mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat) {
  int nlost = 0;
  fcurve_w(N, M, nc, nm, supp, coef, coef_q, w, mcl, nroot, sol, dat, nlost);
}

void retrace_w(int N, int nc, int M, int& stepcount, mat_ref<const int> supp,
               vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const int> nm,
               vec_ref<const double> w, mat_ref<const int> mcl, double& c3, int p, int r,
               vec_ref<cplx> rtrcx, int& give_up) {
  wit_tracker trk(N, M, nm, supp, coef, coef_q, w, mcl);
  retrack_cell(trk, nc, p, r, c3, rtrcx, stepcount, give_up);
}

void chksln_w(int N, int nc, int M, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
              vec_ref<const cplx> coef_q, vec_ref<const int> nm, mat_ref<int> dat,
              vec_ref<const double> w, mat_ref<const int> mcl, mat_ref<cplx> sol) {
  wit_tracker trk(N, M, nm, supp, coef, coef_q, w, mcl);
  retrack_fn retrack = [&](int p, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount,
                           int& give_up) {
    retrack_cell(trk, nc, p, r, c3, rtrcx, stepcount, give_up);
  };
  chksln_w_flow(N, nroot, dat, sol, retrack);
}

namespace {
// The final Newton of the polyhedral family on the target system evaluated
// by evalpdp's scheme; accept(x, b) as fnlnwtn_t's second acceptance.
template <class Accept>
void final_newton_w(int N, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> coef,
                    mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x, wit_eval_work<double>& ew,
                    bool& isgood, Accept&& accept) {
  track_work<double> w(N);
  auto target = [&](vec_ref<const cplx> z, vec_ref<cplx> p, mat_ref<cplx> dp) {
    wit_eval_t<double, true, false>(N, supp, nm, coef, coef, z, dp, p, p, ew);
  };
  fnlnwtn_t<wit_rules, double>(N, target, a, b, x, isgood, true, w, accept);
}
}  // namespace

void fnlnwtnsln_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
                  vec_ref<const int> maxdeg, bool& isgood) {
  check_eval_args(N, M, supp, maxdeg, nm);
  wit_eval_work<double> ew(N, maxdeg);
  final_newton_w(N, nm, supp, coef, a, b, x, ew, isgood,
                 [](vec_ref<const cplx>, vec_ref<const cplx>) { return false; });
}

void fnlnwtnsln_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
                  vec_ref<const int> maxdeg, bool& isgood, vec_ref<const cplx> acoef,
                  double factor) {
  check_eval_args(N, M, supp, maxdeg, nm);
  wit_eval_work<double> ew(N, maxdeg);
  term_scale_work sw(N);
  vec<double> scale(N);
  auto small_backward_error = [&](vec_ref<const cplx> z, vec_ref<const cplx> p) {
    term_sums(N, z, scale, sw, [&](vec_ref<const cplx> az, vec_ref<cplx> v, mat_ref<cplx> dv) {
      wit_eval_t<double, true, false>(N, supp, nm, acoef, acoef, az, dv, v, v, ew);
    });
    return backerr_ok(N, p, scale, factor);
  };
  final_newton_w(N, nm, supp, coef, a, b, x, ew, isgood, small_backward_error);
}

}  // namespace hc

#include "FllCrvPol_W.h"

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
      // The polyhedral tracker builds the start systems; its own evaluation
      // (the library's, with derivative coefficients) is never called.
      base(N_, M_, nm_, supp_, coef_, coef_q_, vec_ref<const cplx>(), w, mcl, evalcore_lib()),
      ev(N_, M_, supp_, nm_, base.tpow, coef_q_, base.cv),
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
  ev.target(ctgt, s.x, s.polyv, s.jacob);
  vcopy<cplx>(N, s.polyv, s.h_1);
}

void wit_tracker::path(int r, double step_div, bool c3_kept, bool& isgood) {
  path_state<double>& s = base.s;
  track_work<double>& wk = base.wk;
  for (int i = 1; i <= N; ++i) s.infnty(i) = 1;
  s.give_up = 0;
  s.stepcount = 0;
  vcopy<cplx>(N, base.bix.col(r), s.x);
  s.t = -(kStartDepth / base.minpow);
  refine_t<double>(ev, N, s.t, s.x, s.jacob, s.polyv, s.polyt, wk);
  frtstp_t<wit_rules, double>(ev, N, s.step, s.step1, s.t, s.dirx1, s.jacob, s.polyv, s.polyt,
                              s.x2, s.x1, s.x, s.h_1, s.give_up, wk);
  s.cut = s.nstep = s.test_end = s.flag = 0;
  const double cap = -s.t / step_div;
  if (cap < s.step) s.step = cap;
  if (s.give_up == 0) s.accuracy = accuracy_of<double>(N, s.jacob.ref(), s.x.ref());
  // The corrector counts a give-up at t < -0.05 (its step halved below
  // 1e-10 there), and the loop ends right after it: that path is the one
  // to follow again in binary128.
  int far_give_up = 0;
  follow_t<wit_rules, double>(ev, N, s, c3_kept, far_give_up, wk);
  if (far_give_up > 0 && s.give_up == 1) handover(r);
  isgood = false;
  if (s.test_end == 1 && s.give_up == 0) {
    auto target = [this](vec_ref<const cplx> z, vec_ref<cplx> b, mat_ref<cplx> a) {
      ev.target(coef, z, b, a);
    };
    fnlnwtn_t<wit_rules, double>(N, target, s.jacob, s.h_1, s.x, isgood, false, wk);
  }
}

void fcurve_w(int N, int M, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
              vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
              mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat) {
  if (N < 1 || M < 0 || nc < 0) wit_fail("the tracker was given no system or a negative size");
  if (mcl.rows() < N || mcl.cols() / 2 < nc)
    wit_fail("the mixed-cell table holds fewer cells than given");
  if (sol.rows() < N || dat.rows() < 6) wit_fail("the end-point or path-data array is too short");
  nroot = 0;
  {
    wit_tracker trk(N, M, nm, supp, coef, coef_q, w, mcl);
    long long paths = 0;
    for (int p = 1; p <= nc; ++p) {
      const int det = trk.set_cell(p);
      if (det == 0) continue;
      paths += det;
      if (paths > sol.cols() || paths > dat.cols())
        wit_fail("the end-point or path-data array holds fewer columns than the paths");
      for (int r = 1; r <= det; ++r) {
        bool isgood = false;
        trk.path(r, kFirstStepDiv, false, isgood);
        if (!isgood) continue;
        ++nroot;
        vcopy<cplx>(N, trk.base.s.x.ref(), sol.col(nroot));
        dat(1, nroot) = p;
        dat(2, nroot) = r;
      }
    }
  }
  chksln_w(N, nc, M, nroot, supp, coef, coef_q, nm, dat, w, mcl, sol);
}

namespace {
// One path again, start root r of cell p, with the caller's c3 (kept, and
// returned as the corrector left it).  A cell or root that does not exist
// is a re-track that failed.
void retrack_w(wit_tracker& trk, int nc, int p, int r, double& c3, vec_ref<cplx> rtrcx,
               int& stepcount, int& give_up) {
  stepcount = 0;
  give_up = 1;
  if (p < 1 || p > nc) return;
  const int det = trk.set_cell(p);
  if (r < 1 || r > det) return;
  path_state<double>& s = trk.base.s;
  bool isgood = false;
  s.c3 = c3;
  trk.path(r, kRetraceStepDiv, true, isgood);
  c3 = s.c3;
  if (s.test_end == 1 && !isgood) s.give_up = 1;
  vcopy<cplx>(trk.N, s.x.ref(), rtrcx);
  stepcount = s.stepcount;
  give_up = s.give_up;
}
}  // namespace

void retrace_w(int N, int nc, int M, int& stepcount, mat_ref<const int> supp,
               vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const int> nm,
               vec_ref<const double> w, mat_ref<const int> mcl, double& c3, int p, int r,
               vec_ref<cplx> rtrcx, int& give_up) {
  wit_tracker trk(N, M, nm, supp, coef, coef_q, w, mcl);
  retrack_w(trk, nc, p, r, c3, rtrcx, stepcount, give_up);
}

void chksln_w(int N, int nc, int M, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
              vec_ref<const cplx> coef_q, vec_ref<const int> nm, mat_ref<int> dat,
              vec_ref<const double> w, mat_ref<const int> mcl, mat_ref<cplx> sol) {
  wit_tracker trk(N, M, nm, supp, coef, coef_q, w, mcl);
  retrack_fn retrack = [&](int p, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount,
                           int& give_up) {
    retrack_w(trk, nc, p, r, c3, rtrcx, stepcount, give_up);
  };
  chksln_w_flow(N, M, nroot, supp, coef, nm, dat, sol, retrack);
}

namespace {
// The final Newton of the polyhedral family on the target system evaluated
// by evalpdp's scheme.
void final_newton_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                    vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
                    vec_ref<const int> maxdeg, bool& isgood, bool keep_eval) {
  check_eval_args(N, M, supp, maxdeg, nm);
  wit_eval_work<double> ew(N, maxdeg);
  track_work<double> w(N);
  auto target = [&](vec_ref<const cplx> z, vec_ref<cplx> p, mat_ref<cplx> dp) {
    wit_eval_t<double, true, false>(N, supp, nm, coef, coef, z, dp, p, p, ew);
  };
  fnlnwtn_t<wit_rules, double>(N, target, a, b, x, isgood, keep_eval, w);
}
}  // namespace

void fnlnwtn_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
               vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
               vec_ref<const int> maxdeg, bool& isgood) {
  final_newton_w(N, M, nm, supp, coef, a, b, x, maxdeg, isgood, false);
}

void fnlnwtnsln_w(int N, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x,
                  vec_ref<const int> maxdeg, bool& isgood) {
  final_newton_w(N, M, nm, supp, coef, a, b, x, maxdeg, isgood, true);
}

}  // namespace hc

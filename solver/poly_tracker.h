// The polyhedral tracker of one run, over its rules and its evaluation:
// the cells' start systems, the evaluation policy, the step work and the
// path state, and the loops over the cells' start roots shared by every
// polyhedral tracker (the library-evaluated one of FollowCurve.h and the
// interpreted one of the witness solver).
//
//   cell_starts  the current cell's start system: set_cell(p) builds tpow,
//       minpow and the start roots bix(:, 1..det) of cell p (columns 2p-1,
//       2p of mcl), det = 0 for a singular cell; calling it again for the
//       same cell keeps what it built.  cv = coef - coef_q.
//   poly_tracker_t<R, Ev>  cell_starts with the evaluation ev (built by the
//       caller's make_ev from the cell data), track_work wk and path_state
//       s.  path_t(r, step_div, c3_kept, blow_up, isgood, target, after_loop)
//       follows start root r of the current cell from t = -20/minpow to 0,
//       the step after the first at most -t/step_div; c3_kept: the
//       corrector parameter is s.c3 as the caller set it (re-tracks);
//       after_loop() runs after the tracking loop (a hand-over); then, when
//       the path got to its end, the final Newton on target(x, b, a)
//       (b = P(x), a = P'(x)), path_end_newton with accept(x, b) when it is
//       given (path_t(..., accept)).  Out: s.x, s.give_up, s.test_end,
//       s.stepcount; isgood from the final Newton (false when it did not
//       run).
// A tracker of the loops below has set_cell(p), path(r, step_div, c3_kept,
// blow_up, isgood), state() (its path_state) and size() (n).
//   track_cells(trk, nc, sol, dat, nroot, blow_up, keep_steps)  every start
//       root of cells 1..nc by trk.path; the end points whose final Newton
//       succeeds in sol(:, 1..nroot), dat(1,k) = cell, dat(2,k) = start
//       root, dat(3,k) = step updates when keep_steps.  sol(n, >= paths),
//       dat(6, >= paths), else the program ends with a message.  With nlost
//       given, the last point of every path that gave no end point (given up,
//       or its final Newton failed) is kept too when it is finite: the q-th
//       in sol(:, sol.cols() - q + 1), *nlost of them (from 0), so that they
//       never meet the end points.
//   retrack_cell(trk, nc, p, r, c3, rtrcx, stepcount, give_up)  start root
//       r of cell p again with the caller's c3 (kept, and returned as the
//       corrector left it); rtrcx(n) its end point; a cell or root that does
//       not exist is a re-track that failed (give_up = 1, stepcount = 0).
//   track_fail(what)  "<program>: <what>" on standard error after flushing
//       standard output, status::internal (fatal.h): a call outside the contract.
//   check_track_args(n, m, nc, mcl, sol, dat)  ends the program (track_fail)
//       when n < 1, m < 0 or nc < 0, when mcl holds fewer than n rows or nc
//       cells, or when sol has fewer than n rows or dat fewer than 6.
#pragma once

#include <cmath>

#include "Eval.h"
#include "array.h"
#include "cplx.h"
#include "path_data.h"
#include "track_steps.h"

namespace hc {

[[noreturn]] void track_fail(const char* what);
void check_track_args(int n, int m, int nc, mat_ref<const int> mcl, mat_ref<const cplx> sol,
                      mat_ref<const int> dat);

// Every term with a positive power of t starts with a factor of at most
// e^-20: paths start at t = -kStartDepth / minpow.
constexpr double kStartDepth = 20.0;
// Powers of t at or below this count as 0 (the cell terms, up to rounding).
constexpr double kPowZero = 1e-12;
// The first step of a path, and the step after it, are at most this part of
// the distance to t = 0; re-tracks start more cautiously.
constexpr double kFirstStepDiv = 3.0, kRetraceStepDiv = 4.0;

// Work of crtpwt, sized by n.
struct crtpwt_work {
  vec<double> tmprv, tmprv1, alpha, base;
  vec<int> shd, stl;
  explicit crtpwt_work(int n) : tmprv(n), tmprv1(n), alpha(n), base(n), shd(n), stl(n) {}
};

struct cell_starts {
  int n, m;
  vec_ref<const int> nm;
  mat_ref<const int> supp;
  vec_ref<const cplx> coef_q;
  vec_ref<const double> w;
  mat_ref<const int> mcl;
  vec<cplx> cv;      // coef - coef_q
  vec<double> tpow;  // tpow(m) of the current cell
  double minpow = 1.0;
  int cell = 0;   // the cell whose start roots bix holds (0: none yet)
  int det = 0;    // its number of start roots
  mat<int> v, q;  // its reduced difference matrix and transform
  mat<cplx> bix;  // bix(n, >= det); grows only for a cell larger than any before
  crtpwt_work cw;

  // nm(n), supp(n,m), coef(m) (the target), coef_q(m), w(m), mcl(n, 2nc);
  // all but coef referenced for the object's life.
  cell_starts(int n_, int m_, vec_ref<const int> nm_, mat_ref<const int> supp_,
              vec_ref<const cplx> coef, vec_ref<const cplx> coef_q_, vec_ref<const double> w_,
              mat_ref<const int> mcl_);
  cell_starts(const cell_starts&) = delete;
  cell_starts& operator=(const cell_starts&) = delete;
  int set_cell(int p);
};

template <class R, class Ev>
struct poly_tracker_t : cell_starts {
  Ev ev;
  track_work<double> wk;
  path_state<double> s;

  template <class MakeEv>
  poly_tracker_t(int n_, int m_, vec_ref<const int> nm_, mat_ref<const int> supp_,
                 vec_ref<const cplx> coef, vec_ref<const cplx> coef_q_, vec_ref<const double> w_,
                 mat_ref<const int> mcl_, MakeEv&& make_ev)
      : cell_starts(n_, m_, nm_, supp_, coef, coef_q_, w_, mcl_),
        ev(make_ev(static_cast<const cell_starts&>(*this))),
        wk(n_),
        s(n_) {}

  template <class Target, class AfterLoop>
  void path_t(int r, double step_div, bool c3_kept, int& blow_up, bool& isgood, Target&& target,
              AfterLoop&& after_loop) {
    path_t(r, step_div, c3_kept, blow_up, isgood, target, after_loop, no_second_accept{});
  }
  template <class Target, class AfterLoop, class Accept>
  void path_t(int r, double step_div, bool c3_kept, int& blow_up, bool& isgood, Target&& target,
              AfterLoop&& after_loop, Accept&& accept) {
    for (int i = 1; i <= n; ++i) s.infnty(i) = 1;
    s.give_up = 0;
    s.stepcount = 0;
    s.verdict = kVerdictNone;
    s.cuts = 0;
    vcopy<cplx>(n, bix.col(r), s.x);
    s.t = -(kStartDepth / minpow);
    refine_t<double>(ev, n, s.t, s.x, s.jacob, s.polyv, s.polyt, wk);
    frtstp_t<R, double>(ev, n, s.step, s.step1, s.t, s.dirx1, s.jacob, s.polyv, s.polyt, s.x2, s.x1,
                        s.x, s.h_1, s.give_up, wk, s.acc_scale);
    s.cut = s.nstep = s.test_end = s.flag = 0;
    const double cap = -s.t / step_div;
    if (cap < s.step) s.step = cap;
    if (s.give_up == 0)
      s.accuracy = accuracy_of<R, double>(n, s.jacob.ref(), s.x.ref(), s.acc_scale);
    follow_t<R, double>(ev, n, s, c3_kept, blow_up, wk);
    after_loop();
    isgood = false;
    // At t = 0 the homotopy is the target system: jacob and h_1 are its
    // Jacobian and values at x.
    if (s.test_end == 1 && s.give_up == 0)
      path_end_newton<R, double>(n, target, s.jacob, s.h_1, s.x, isgood, wk, accept);
  }
};

template <class Tracker>
void track_cells(Tracker& trk, int nc, mat_ref<cplx> sol, mat_ref<int> dat, int& nroot,
                 int& blow_up, bool keep_steps, int* nlost = nullptr) {
  if (nlost != nullptr) *nlost = 0;
  const int n = trk.size();
  long long paths = 0;
  for (int p = 1; p <= nc; ++p) {
    const int det = trk.set_cell(p);
    if (det == 0) continue;
    paths += det;
    if (paths > sol.cols() || paths > dat.cols())
      track_fail("the end-point or path-data array holds fewer columns than the paths");
    for (int r = 1; r <= det; ++r) {
      bool isgood = false;
      trk.path(r, kFirstStepDiv, false, blow_up, isgood);
      if (!isgood) {
        if (nlost != nullptr && std::isfinite(vmax(n, trk.state().x.ref())))
          vcopy<cplx>(n, trk.state().x.ref(), sol.col(sol.cols() - (*nlost)++));
        continue;
      }
      ++nroot;
      vcopy<cplx>(n, trk.state().x.ref(), sol.col(nroot));
      dat(kDatCell, nroot) = p;
      dat(kDatStart, nroot) = r;
      if (keep_steps) dat(kDatSteps, nroot) = trk.state().stepcount;
    }
  }
}

template <class Tracker>
void retrack_cell(Tracker& trk, int nc, int p, int r, double& c3, vec_ref<cplx> rtrcx,
                  int& stepcount, int& give_up) {
  stepcount = 0;
  give_up = 1;
  if (p < 1 || p > nc) return;
  const int det = trk.set_cell(p);
  if (r < 1 || r > det) return;
  path_state<double>& s = trk.state();
  int lost = 0;  // a re-track's blow-ups are not counted
  bool isgood = false;
  s.c3 = c3;
  trk.path(r, kRetraceStepDiv, true, lost, isgood);
  c3 = s.c3;
  if (s.test_end == 1 && !isgood) s.give_up = 1;
  vcopy<cplx>(trk.size(), s.x.ref(), rtrcx);
  stepcount = s.stepcount;
  give_up = s.give_up;
}

}  // namespace hc

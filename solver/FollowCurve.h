// Path tracker of the polyhedral homotopy: along the paths of mixed cell p
// term k has the coefficient cf(k) = (coef_q(k) + cv(k) e^t) e^(tpow(k) t),
// cv = coef - coef_q, so that the homotopy is the target system at t = 0; each
// start root of the cell's binomial system is followed from t = -20/minpow
// up to t = 0.  The steps are the templates of track_steps.h with the
// constants of poly_rules.
//
//   fcurve(n, m, nc, nm, supp, coef, coef_q, w, mcl, nroot, sol, dat, blow_up)
//       tracks every start root of every cell p = 1..nc of mcl(n, >= 2nc)
//       (rows of columns 2p-1, 2p: the two terms of each equation), keeps
//       the end points whose final Newton succeeds in sol(:, 1..nroot) with
//       dat(1,k) = cell, dat(2,k) = start root, dat(3,k) = step updates, then
//       runs the duplicate check chksln (CheckSol.h).  blow_up counts paths
//       the corrector gave up while t < -0.05.  nm(n), supp(n,m), coef(m)
//       (scaled target), coef_q(m), w(m) (lifting) in; sol(n, >= mv),
//       dat(6, >= mv), mv the total of the cells' start roots.  A singular
//       cell has no paths.  Arrays too small for the paths, a cell with more
//       start roots than 2147483647, or a table that does not fit the
//       supports end the program with a message (fatal.h: status::internal,
//       status::size for the counts beyond 32 bits).
//   crtpwt(p, n, m, nm, mcl, supp, v, q, w, tpow, minpow)  the cell's powers
//       of t: alpha solves (difference matrix) alpha = lifting differences,
//       from the reduced v(n,n) = L (lower-triangular) and q(n,n) with
//       (difference matrix) q = L; tpow(k) = w(k) + <supp(:,k), alpha> minus
//       the same of equation i's first cell term, 0 where <= 1e-12; minpow the
//       least power above 1e-12, at most 1.  tpow(m) out.
//   The refinement of a start root, the first step and the cubic Hermite
//   predictor are the step templates refine_t, frtstp_t and cubich_t
//   (track_steps.h) that the path loop calls.
//   nwtnitrn(n, m, x, t, tpow, h_1, jacob, polyt, polyv, step, accuracy, cut,
//       flag, test_end, give_up, nstep, coef_q, c3, cv, blow_up)
//       Newton at fixed t from the predicted x (jacob, polyv, polyt evaluated
//       there): x(n), h_1(n) (residual kept), jacob(n,n), polyt(n), polyv(n)
//       out; tpow(m), coef_q(m), cv(m) in.  cut = 1: rejected, t set back by
//       step, step halved, nstep = flag = test_end = 0; give_up = 1 when the
//       halved step is below 1e-10, counted in blow_up when t < -0.05.  c3 may
//       be raised to 1.0 for the call.
//   updtstp(n, t, stepcount, flag, nstep, step, step1, x, x1, x2, jacob, accuracy)
//       after an accepted step: next step (doubling at every third success,
//       capped by t: -t/3, 0.05, -t), flag = 1 when it ends at t = 0, the
//       accuracy 1e-7 sqrt(max(1,|jacob|_1) max(1,max|x|)) clamped and never
//       below 64 times the rounding level of the values (rounding_level,
//       track_steps.h), x2 = x1, x1 = x.  x, x1, x2 (n), jacob(n,n).
//   endgame(n, give_up, infnty, x, x1, x2, t, step, step1)  gives up a path
//       whose points grow or whose coordinates behave like (-t)^e with e
//       negative or in (0.3, 0.8); clears infnty(j) of a settled coordinate.
//   fnlnwtn(n, m, coef, a, b, x, cfd, isgood)  Newton on the target system
//       (evahhx with coef(m), cfd((n-1)m)) from x with a(n,n) = Jacobian and
//       b(n) = values at x; isgood and the polished x; a, b overwritten.
//   fnlnwtnsln(n, m, coef, a, b, x, cfd, isgood)  the same, and when good a,
//       b are the Jacobian and values at the returned x.
//   fnlnwtnsln(n, m, coef, a, b, x, cfd, isgood, ev, acoef, factor)  the
//       same, and a polished point that moved little but fails the residual
//       bound is still good when its values pass backerr_ok(factor) against
//       the term sums of acoef(m) = |coef| at it (BackErr.h): a root whose
//       values are rounding noise above the bound.
// The routines that evaluate take an evalcore (default: the bound library).
//
//   poly_eval  the polyhedral evaluation: coefhhthx then subexpo at a new t,
//       subexpo alone at the same t; cf(m), cft(m), cfd((n-1)m) its own.
//   poly_tracker  one tracker's work for a whole run (fcurve, or the
//       re-tracks of chksln): poly_tracker_t (poly_tracker.h) with poly_rules
//       and poly_eval, the final Newton by evahhx on coef with cfd, which
//       keeps an end point also by its componentwise backward error
//       (end_accept, BackErr.h).  path(r, step_div, c3_kept, blow_up,
//       isgood)  as path_t, and a path that the corrector gives up before
//       the end game followed again more tightly (follow_retried).
// Messages of the program's end name the running program.
#pragma once

#include "BackErr.h"
#include "Eval.h"
#include "array.h"
#include "cplx.h"
#include "poly_tracker.h"
#include "track_steps.h"
#include "track_tail.h"

namespace hc {

// ---------------------------------------------------------------------------
// Rules of the solver's own trackers (polyhedral and linear; the witness
// trackers keep the clamped accuracy and no bound on rejections).
// The accuracy is never below this many times the rounding level of the
// values (rounding_level), a bound on the error of a computed value that the
// row sums of |J| |x| estimate to within the degree: near a root whose terms
// are large the residual cannot fall below it, and the clamps alone would
// give such a path up.
constexpr double kAccRound = 64.0;
// Rejections of the corrector on one path beyond which the path is given up:
// measured on fbrfive12 with the linear homotopy, a path has 29 at the
// median and 76 at the 99.9th percentile, while one whose values are
// rounding noise creeps on with 6e-10 steps, rejecting one in four, for two
// million steps.
constexpr int kMaxCuts = 1000;

// The polyhedral family: t rises from a negative value to 0.
struct poly_rules : step_rules {
  // Corrector: c3 raises and where a give-up counts as a blow-up.
  static constexpr double c3_t = -1e-4;     // t threshold of both raises
  static constexpr double c3_raised = 1.0;  // raised value
  static constexpr double c3_oldx = 500.0;  // second raise while max|oldx| < 500 n
  static constexpr bool big_cut_needs_residual = false;
  static constexpr double blowup_t = -0.05;
  // First step: contraction factors of the first and later corrections.
  static constexpr double frt_c1 = 10.0, frt_c2 = 5.0;
  // Step update: caps by t, and the accuracy clamp switch.
  static constexpr double cap_far = -0.15, cap_mid = -0.05, cap_mid_step = 0.05, cap_snap = 1e-16,
                          acc_t = -0.1;
  // End game.
  static constexpr double eg_call_t = -1e-4, eg_active_t = -1e-8, eg_growth = 5e4, eg_zero = kEps5;
  // The final Newton keeps iterating on a residual of exactly 0.
  static constexpr bool stop_at_zero = false;
  static constexpr double acc_round = kAccRound;
  static constexpr int max_cuts = kMaxCuts;

  template <class Real>
  static void first_step(Real t, Real& step) {
    step = -t / Real(3);
  }
  template <class Real>
  static void cap_step(Real t, Real stepx2, Real& step, int& /*nstep*/, int& flag) {
    if (t <= Real(cap_far)) {
      step = -t / Real(3);
    } else if (t < Real(cap_mid)) {
      step = Real(cap_mid_step);
    } else {
      step = -t;
      flag = 1;
    }
    if (stepx2 < step) {
      flag = 0;
      step = stepx2;
    }
    if (r_abs(t + step) < Real(cap_snap)) {
      step = -t;
      flag = 1;
    }
  }
  template <class Real>
  static bool endgame_called(Real t) {
    return t > Real(eg_call_t) && t != Real(0);
  }
  template <class Real>
  static bool endgame_active(Real t) {
    return t > Real(eg_active_t);
  }
  // Distances to the end of x (at t), x1 (at t - step), x2 (at t - step - step1).
  template <class Real>
  static void distances(Real t, Real step, Real step1, Real& d0, Real& d1, Real& d2) {
    d0 = -t;
    d1 = step - t;
    d2 = step + step1 - t;
  }
};

// ---------------------------------------------------------------------------
// Polyhedral evaluation: coefhhthx_ at a new t, subexpo_ alone at the same t.
struct poly_eval {
  int n, m;
  vec_ref<const double> tpow;
  vec_ref<const cplx> coef_q, cv;
  const evalcore* ev;
  vec<cplx> cf, cft, cfd;
  poly_eval(int n_, int m_, vec_ref<const double> tpow_, vec_ref<const cplx> coef_q_,
            vec_ref<const cplx> cv_, const evalcore& e)
      : n(n_),
        m(m_),
        tpow(tpow_),
        coef_q(coef_q_),
        cv(cv_),
        ev(&e),
        cf(m_),
        cft(m_),
        cfd((n_ - 1) * m_) {}
  void at(vec_ref<const cplx> x, double t, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
          vec_ref<cplx> polyt) {
    ev->coefhhthx(cf.data(), cft.data(), cfd.data(), m, coef_q.data(), cv.data(), tpow.data(), t);
    same_t(x, t, jacob, polyv, polyt);
  }
  void same_t(vec_ref<const cplx> x, double, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
              vec_ref<cplx> polyt) {
    ev->subexpo(n, cf.data(), x.data(), polyv.data(), cfd.data(), cft.data(), jacob.data(),
                polyt.data());
  }
};

// ---------------------------------------------------------------------------
void crtpwt(int p, int n, int m, vec_ref<const int> nm, mat_ref<const int> mcl,
            mat_ref<const int> supp, mat_ref<const int> v, mat_ref<const int> q,
            vec_ref<const double> w, vec_ref<double> tpow, double& minpow, crtpwt_work& cw);

// The polyhedral homotopy in rho = -log(-t), its coefficients formed here
// from the distance d = -t = e^-rho itself: term k has the coefficient
// (coef(k) + cv(k) (e^t - 1)) e^(tpow(k) t), with e^t - 1 = expm1(-d) to full
// relative precision, where the evaluator's own e^t would hold d only to
// rounding (a distance below 1e-16 would be lost whole).  coef is the
// target's, cv = coef - coef_q; dH/drho = d dH/dt.  The evaluation e is the
// tracker's (its cf, cft, cfd are overwritten), supp(n, m) the supports.
struct poly_tail_eval {
  poly_eval* e;
  vec_ref<const cplx> coef;
  mat_ref<const int> supp;
  double d = 0;  // e^-rho of the last at()

  // cf, cft and cfd of e at t = -e^-rho; d := e^-rho.
  void coefficients(double rho);
  void at(vec_ref<const cplx> x, double rho, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
          vec_ref<cplx> polyt) {
    coefficients(rho);
    same_t(x, rho, jcb, polyv, polyt);
  }
  void same_t(vec_ref<const cplx> x, double, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
              vec_ref<cplx> polyt) {
    e->same_t(x, -d, jcb, polyv, polyt);
    for (int i = 1; i <= e->n; ++i) polyt(i) *= d;
  }
};

struct poly_tracker : poly_tracker_t<poly_rules, poly_eval> {
  vec_ref<const cplx> coef, cfd;
  const evalcore* core;
  bool report_paths = false;  // report each path (PathReport.h): the first tracking
  end_accept endacc;          // the backward-error acceptance of an end point

  // nm(n), supp(n,m), coef(m) (the target), coef_q(m), cfd((n-1)m) of coef,
  // w(m), mcl(n, 2nc); all referenced for the tracker's life.
  poly_tracker(int n_, int m_, vec_ref<const int> nm_, mat_ref<const int> supp_,
               vec_ref<const cplx> coef_, vec_ref<const cplx> coef_q_, vec_ref<const cplx> cfd_,
               vec_ref<const double> w_, mat_ref<const int> mcl_, const evalcore& e);

  int size() const { return n; }
  path_state<double>& state() { return s; }
  void path(int r, double step_div, bool c3_kept, int& blow_up, bool& isgood);
  // The tail of a path given up at t in the end zone from its last
  // accepted point s.x (at t): followed in rho = -log(-t) with the accuracy
  // kTailAccuracy s.acc_scale times the tracker's until it settles, then
  // the final Newton on the target, whose point must pass the backward-error
  // test as well; given up when it does not, after kTailMaxSteps steps, or,
  // for a path the growth test gave up, when it grows like a pole
  // (track_tail.h).  s.t = 0 and s.test_end = 1 when it ends at a root,
  // else s.give_up = 1 and s.t = t.
  void tail(double t, bool c3_kept, bool& isgood);
  vec<cplx> px, pb;  // the tail's probe: its point and values
  mat<cplx> pa;      // and Jacobian
};

// ---------------------------------------------------------------------------
void nwtnitrn(int n, int m, vec_ref<cplx> x, double& t, vec_ref<const double> tpow,
              vec_ref<cplx> h_1, mat_ref<cplx> jacob, vec_ref<cplx> polyt, vec_ref<cplx> polyv,
              double& step, double accuracy, int& cut, int& flag, int& test_end, int& give_up,
              int& nstep, vec_ref<const cplx> coef_q, double& c3, vec_ref<const cplx> cv,
              int& blow_up, const evalcore& ev = evalcore_lib());

void updtstp(int n, double t, int& stepcount, int& flag, int& nstep, double& step, double& step1,
             vec_ref<const cplx> x, vec_ref<cplx> x1, vec_ref<cplx> x2, mat_ref<const cplx> jacob,
             double& accuracy);

void endgame(int n, int& give_up, vec_ref<int> infnty, vec_ref<const cplx> x,
             vec_ref<const cplx> x1, vec_ref<const cplx> x2, double t, double step, double step1);

void fnlnwtn(int n, int m, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
             vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood,
             const evalcore& ev = evalcore_lib());

void fnlnwtnsln(int n, int m, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood,
                const evalcore& ev = evalcore_lib());

void fnlnwtnsln(int n, int m, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev,
                vec_ref<const cplx> acoef, double factor);

void fcurve(int n, int m, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
            vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
            mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat, int& blow_up,
            const evalcore& ev = evalcore_lib());

void crtpwt(int p, int n, int m, vec_ref<const int> nm, mat_ref<const int> mcl,
            mat_ref<const int> supp, mat_ref<const int> v, mat_ref<const int> q,
            vec_ref<const double> w, vec_ref<double> tpow, double& minpow);

}  // namespace hc

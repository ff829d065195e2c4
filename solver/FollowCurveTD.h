// Path tracker of the classical linear homotopy H(x, t) = (1 - t) Q(x) + t P(x)
// from t = 0 to t = 1, Q_i(x) = coef_q(2i-1) x_i^deg(i) + coef_q(2i) the
// total-degree start system, P the target system (through evahhx).  The steps
// are those of FollowCurve.h with the constants of td_rules.
//
//   fcurvetd(n, m, tdeg, deg, supp, supp_q, coef, coef_q, nm, sol, bix, dat,
//       nroot, blow_up)  tracks the tdeg paths from the columns of bix(n, tdeg),
//       keeps the end points whose final Newton succeeds in sol(:, 1..nroot)
//       with dat(2, k) = start root, dat(3, k) = step updates, then runs the
//       duplicate check chkslntd (CheckSol.h).  blow_up counts the paths the
//       corrector gave up while t < 0.95f.  deg(n), supp(n,m), coef(m) (scaled),
//       coef_q(2n), nm(n), supp_q(n,2n) in; sol(n, >= tdeg), dat(6, >= tdeg).
//       tdeg = 0 tracks nothing.  Arrays too small for tdeg paths end the
//       program with a message and status::internal (fatal.h).
//   evaltd(n, m, supp_q, coef, coef_q, cfd, deg, x, t, jcb, polyv, polyt, tmpi)
//       polyv(n) = H(x,t), jcb(n,n) = dH/dx, polyt(n) = P(x) - Q(x); tmpi the
//       largest degree.
//   refinittd(n, m, nm, t, supp, supp_q, coef, coef_q, deg, x, jacob, polyv,
//       polyt, cfd, tmpi)  Newton at fixed t from x(n) until max|H| <= 1e-7,
//       the residual grows (x restored) or stays exactly equal; jacob, polyv,
//       polyt evaluated at the returned x.
//   The first step and the cubic Hermite predictor are the step templates
//   frtstp_t and cubich_t (track_steps.h) with td_rules.
//   nwtnitrntd(n, m, nm, supp, supp_q, deg, x, t, h_1, jacob, polyt, polyv,
//       step, accuracy, flag, cut, give_up, test_end, nstep, coef, coef_q, cfd,
//       c3, tmpi, blow_up)  corrector (c3 raised to 0.8f near t = 1).
//   endgametd(n, give_up, infnty, x, x1, x2, t, step, step1)  end game near 1.
//   A path given up near 1 by the end game's exponent tests or by the
//   corrector is followed on in the logarithm of 1 - t (td_tracker::tail).
//   updtstptd(n, t, stepcount, flag, nstep, step, step1, x, x1, x2, jacob,
//       accuracy)  next step, capped by 1 - t (flag = 1 when it lands on 1).
//   fnlnwtntd(n, m, coef, a, b, x, cfd, isgood)  final Newton on P at t = 1.
// The routines that evaluate take an evalcore (default: the bound library).
#pragma once

#include <cmath>

#include "BackErr.h"
#include "Eval.h"
#include "FollowCurve.h"

namespace hc {

// Widened single-precision constants of the linear tracker.
constexpr double kTdFirstStep = 0.009999999776482582;  // 0.01f, first step of a path
constexpr double kTdRetraceStep = 0.001;               // first step of a re-track

struct td_rules : step_rules {
  static constexpr double c3_t = 0.9998999834060669;      // 0.9999f
  static constexpr double c3_raised = 0.800000011920929;  // 0.8f
  static constexpr double c3_oldx = 100.0;
  static constexpr bool big_cut_needs_residual = true;
  static constexpr double blowup_t = 0.949999988079071;  // 0.95f
  static constexpr double frt_c1 = 15.0, frt_c2 = 10.0;
  static constexpr double acc_t = 0.9;
  static constexpr double eg_call_dist = 1e-4, eg_active_dist = 1e-8, eg_growth = 1e4,
                          eg_zero = kMachEps;
  static constexpr bool stop_at_zero = true;
  static constexpr double acc_round = kAccRound;
  static constexpr int max_cuts = kMaxCuts;

  template <class Real>
  static void first_step(Real, Real&) {}
  template <class Real>
  static void cap_step(Real t, Real stepx2, Real& step, int& nstep, int& flag) {
    step = stepx2;
    if (step > Real(1) - t) {
      step = Real(1) - t;
      nstep = 0;
      flag = 1;
    }
  }
  template <class Real>
  static bool endgame_called(Real t) {
    return Real(1) - t < Real(eg_call_dist) && t != Real(1);
  }
  template <class Real>
  static bool endgame_active(Real t) {
    return Real(1) - t < Real(eg_active_dist);
  }
  template <class Real>
  static void distances(Real t, Real step, Real step1, Real& d0, Real& d1, Real& d2) {
    d0 = Real(1) - t;
    d1 = d0 + step;
    d2 = d1 + step1;
  }
};

// The linear tracker's rules in rho (rho > 1 always).
using td_tail_rules = tail_rules<td_rules>;

// Evaluation of the linear homotopy; work arrays sized once.
struct td_eval {
  int n, m, tmpi;
  vec_ref<const int> deg;
  vec_ref<const cplx> coef, coef_q, cfd;
  const evalcore* ev;
  mat<cplx> lib;  // lib(j, i) = x_i^j
  vec<cplx> pq, jq, pp;
  td_eval(int n_, int m_, vec_ref<const int> deg_, vec_ref<const cplx> coef_,
          vec_ref<const cplx> coef_q_, vec_ref<const cplx> cfd_, int tmpi_, const evalcore& e);
  void at(vec_ref<const cplx> x, double t, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
          vec_ref<cplx> polyt) {
    blend(x, 1.0 - t, t, jcb, polyv, polyt);
  }
  // H = omt Q + t P with omt given (the distance to the end, exact in the
  // tail), its Jacobian and P - Q.
  void blend(vec_ref<const cplx> x, double omt, double t, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
             vec_ref<cplx> polyt);
  // pq(n) = Q(x) and the diagonal jq(n) of its Jacobian.
  void start_values(vec_ref<const cplx> x);
  void same_t(vec_ref<const cplx> x, double t, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
              vec_ref<cplx> polyt) {
    at(x, t, jcb, polyv, polyt);
  }
  // The target system alone: b = P(x), a = P'(x).
  void target(vec_ref<const cplx> x, vec_ref<cplx> b, mat_ref<cplx> a) const {
    ev->evahhx(n, coef.data(), x.data(), b.data(), cfd.data(), a.data());
  }
};

// The linear homotopy in rho = -log(1 - t): H at 1 - t = e^-rho, its
// Jacobian and dH/drho = e^-rho (P - Q).
struct td_tail_eval {
  td_eval* e;
  void at(vec_ref<const cplx> x, double rho, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
          vec_ref<cplx> polyt) {
    const double d = std::exp(-rho);
    e->blend(x, d, 1.0 - d, jcb, polyv, polyt);
    for (int i = 1; i <= e->n; ++i) polyt(i) *= d;
  }
  void same_t(vec_ref<const cplx> x, double rho, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
              vec_ref<cplx> polyt) {
    at(x, rho, jcb, polyv, polyt);
  }
};

// Largest degree (at least 1, the row count of the powers table).
int td_maxdeg(int n, vec_ref<const int> deg);

// One tracker's work for the whole run: evaluation, step work, path state.
struct td_tracker {
  int n;
  td_eval ev;
  track_work<double> w;
  path_state<double> s;
  end_accept endacc;  // the backward-error acceptance of an end point
  td_tracker(int n_, int m_, vec_ref<const int> deg, vec_ref<const cplx> coef,
             vec_ref<const cplx> coef_q, vec_ref<const cplx> cfd, int tmpi, const evalcore& e);
  // Follows the path from start with first step step0.  c3_kept: the
  // corrector parameter is s.c3 as the caller set it, never reset (re-tracks).
  // Out: s.x the end point (polished when isgood), s.give_up, s.test_end,
  // s.stepcount; isgood from the final Newton (false when it did not run).
  void path(vec_ref<const cplx> start, double step0, bool c3_kept, int& blow_up, bool& isgood);
  // One try of path at the accuracy factor s.acc_scale.
  void path_once(vec_ref<const cplx> start, double step0, bool c3_kept, int& blow_up, bool& isgood);
  // The tail of a path given up at t in the end zone from its last
  // accepted point s.x (at t): followed in rho with the accuracy
  // kTailAccuracy s.acc_scale times the tracker's until it settles, then
  // the final Newton on P, whose point must pass the backward-error test
  // as well.  Given up when it does not, when the homotopy equals P at the
  // point to rounding (resolved) before it settles, after kTailMaxSteps
  // steps, or, for a path the growth test gave up, when it grows like a
  // pole (track_tail.h).  Out as path; s.t = 1 and s.test_end = 1 when it
  // ends at a root, else s.give_up = 1 and s.t = t.
  void tail(double t, bool c3_kept, bool& isgood);
  // The final Newton on P from x(n) with a(n,n), b(n) = P', P there.
  void end_newton(mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x, bool& isgood);
  // The homotopy at distance d from the end equals P at s.x to rounding.
  bool resolved(double d);
  // The final Newton on P from a copy of s.x; when good, s.x is the root.
  bool probe();
  vec<cplx> px, pb;  // the probe's point and values
  mat<cplx> pa;      // and Jacobian
};

void fcurvetd(int n, int m, int tdeg, vec_ref<const int> deg, mat_ref<const int> supp,
              mat_ref<const int> supp_q, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
              vec_ref<const int> nm, mat_ref<cplx> sol, mat_ref<const cplx> bix, mat_ref<int> dat,
              int& nroot, int& blow_up, const evalcore& ev = evalcore_lib());

void evaltd(int n, int m, mat_ref<const int> supp_q, vec_ref<const cplx> coef,
            vec_ref<const cplx> coef_q, vec_ref<const cplx> cfd, vec_ref<const int> deg,
            vec_ref<const cplx> x, double t, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
            vec_ref<cplx> polyt, int tmpi, const evalcore& ev = evalcore_lib());

void refinittd(int n, int m, vec_ref<const int> nm, double t, mat_ref<const int> supp,
               mat_ref<const int> supp_q, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
               vec_ref<const int> deg, vec_ref<cplx> x, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
               vec_ref<cplx> polyt, vec_ref<const cplx> cfd, int tmpi,
               const evalcore& ev = evalcore_lib());

void nwtnitrntd(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                mat_ref<const int> supp_q, vec_ref<const int> deg, vec_ref<cplx> x, double& t,
                vec_ref<cplx> h_1, mat_ref<cplx> jacob, vec_ref<cplx> polyt, vec_ref<cplx> polyv,
                double& step, double accuracy, int& flag, int& cut, int& give_up, int& test_end,
                int& nstep, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
                vec_ref<const cplx> cfd, double& c3, int tmpi, int& blow_up,
                const evalcore& ev = evalcore_lib());

void endgametd(int n, int& give_up, vec_ref<int> infnty, vec_ref<const cplx> x,
               vec_ref<const cplx> x1, vec_ref<const cplx> x2, double t, double step, double step1);

void updtstptd(int n, double t, int& stepcount, int& flag, int& nstep, double& step, double& step1,
               vec_ref<const cplx> x, vec_ref<cplx> x1, vec_ref<cplx> x2, mat_ref<const cplx> jacob,
               double& accuracy);

void fnlnwtntd(int n, int m, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
               vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood,
               const evalcore& ev = evalcore_lib());

}  // namespace hc

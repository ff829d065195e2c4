// The predictor-corrector steps shared by the path trackers: Newton
// corrector, step control, end game, final Newton, refinement of a start
// root, first step, cubic Hermite predictor and the loop of one path.
//
// The polyhedral tracker (path parameter t rising to 0, FollowCurve.h) and
// the linear one (t rising to 1, FollowCurveTD.h) run the same steps with a
// few different constants; one template per step serves both, with a rules
// type for the constants (poly_rules in FollowCurve.h, td_rules in
// FollowCurveTD.h) and an evaluation policy:
//   ev.at(x, t, jacob, polyv, polyt)      H, dH/dx, dH/dt at (x, t), t new
//   ev.same_t(x, t, jacob, polyv, polyt)  the same at the t of the last at()
// The templates are over the real type (double, or binary128 for the
// re-tracking of hard paths: real_types.h gives r_sqrt, r_log and r_abs of
// a type with a real_fn table, vec_ops.h the double lin_solve and colnorm1,
// the witness code's quad_types.h those of binary128).  Work arrays are one
// track_work per tracker call: no step allocates.
//
// The corrector's constants and policy flags are members of the rules type;
// step_rules holds those of every double tracker, and a rules type derived
// from it overrides what its family does differently (the binary128 rules
// take binary128 constants, the values nearest to the decimals).
//
// Every test that accepts something fails when the residual, the correction
// or the point holds a NaN (vmax returns NaN then): a diverged path is never
// taken for a converged one.
//
// Step templates (R the rules, Real the number type, Ev the evaluation; the
// arrays are n-vectors and the n x n jacob of one path, work in track_work):
//   nwtnitrn_t  corrector at fixed t (c3_raises false: c3 stays the
//   caller's, as a re-track needs it); updtstp_t  next step and accuracy
//   (times acc_scale); endgame_t  divergence and singular-end test, with
//   the verdict (eg_verdict) of the test that gave a path up; fnlnwtn_t
//   Newton on the target system (keep_eval: also its Jacobian and values,
//   and an optional second acceptance of a point the residual bound
//   rejects); path_end_newton  the final Newton of a path, with a second
//   try from the target's own values accepting also by accept; refine_t
//   Newton refinement of a start root; frtstp_t  first step; cubich_t
//   cubic Hermite predictor; follow_t  the predictor-corrector loop of one
//   path from its first step to the end (or its give-up, also after more
//   than R::max_cuts rejections); follow_retried  a path given up by the
//   corrector before the end game followed again more tightly.
//   track_work  the step work arrays of one tracker call, sized by n;
//   path_state  the state of one path; accuracy_of  the corrector accuracy
//   acc_factor sqrt(max(1, |jacob|_1) max(1, max|x|)), acc_factor = 1e-7
//   in double precision, never below rounding_level, the rounding level
//   of the values (R::acc_round eps max_i sum_j |jacob(i,j)| |x_j|).
#pragma once

#include <cmath>
#include <complex>
#include <type_traits>

#include "Eval.h"
#include "array.h"
#include "cplx.h"
#include "vec_ops.h"

namespace hc {

// ---------------------------------------------------------------------------
// Constants shared by every tracker family.

// Predicted point accepted unchanged when kAcceptFactor res < accuracy.
constexpr double kAcceptFactor = 10.0;
// Step above which the corrector expects fast contraction and allows 4
// corrections; at or below it the contraction may be slower, 7 corrections.
constexpr double kStepThreshold = 1e-4;
constexpr int kItrLong = 4, kItrShort = 7;
constexpr double kC1Long = 15, kC2Long = 10, kC1Short = 3, kC2Short = 2;
// A small correction counts as converged when below kCorrFloor, relative to
// points larger than kCorrScale.
constexpr double kCorrFloor = 1e-7, kCorrScale = 1e5;
// A stalled correction is accepted only when the residual is within this
// factor of the accuracy.
constexpr double kStallResidual = 1000.0;
// Halved step below which the corrector gives the path up.
constexpr double kMinStep = 1e-10;
// Halved first step below which the first step gives the path up.
constexpr double kMinFirstStep = 1e-16;
// The accuracy formula and its clamps.
constexpr double kAccFactor = 1e-7, kAccCoarse = 0.1, kAccFine = 1e-4;
// Exponent-estimate decisions of the end game.
constexpr double kEgSettled = 0.01, kEgPole = -0.2, kEgBranchLo = 0.3, kEgBranchHi = 0.8;
// Final Newton: iterate while the residual at least halves; movement and
// residual bounds of an accepted end point.
constexpr double kFnHalving = 2.0, kFnLargePoint = 5.0, kFnRelMove = 0.3, kFnAbsMove = 0.5,
                 kFnResidual = 1e-4;
// Refinement of a start root stops below this residual.
constexpr double kRefineTol = 1e-7;
// Last-resort bound on refinement passes whose residual keeps falling; a
// converging Newton refinement needs a handful.
constexpr int kRefineMaxPasses = 1000;
// The corrector parameter set before every corrector call.
constexpr double kC3Default = 0.1;
// With the random constants of a homotopy a path stays finite before the
// end with probability one, so a path that the corrector gives up before
// the end game met a tracking failure: measured on cyclic-10, two paths
// closer than the corrector's accuracy lets it tell apart, between which
// the accepted points alternate while the step halves to the floor.  Such a
// path is followed again from its start with the accuracy kRetryAccuracy^k
// times its own, k = 1..kRetries; a hundredth resolved every one of them.
constexpr double kRetryAccuracy = 0.01;
constexpr int kRetries = 2;

// The end game's verdicts on a path it gives up: its points grew over the
// last three steps beyond the growth bound, a coordinate behaves like a
// negative power of the distance, or like a power in (0.3, 0.8).
enum eg_verdict { kVerdictNone = 0, kVerdictGrowth, kVerdictPole, kVerdictBranch };

// ---------------------------------------------------------------------------
// The corrector's rules of every double tracker; a family's rules derive
// from this and override what differs.
struct step_rules {
  // The predicted point is accepted unchanged when accept_factor res is
  // below the accuracy (a corrector without it always corrects once).
  static constexpr bool early_accept = true;
  // false: a slow first correction (residual not down by c1, above the
  // accuracy) is rejected when the correction is large, else its point is
  // kept with the residual of the predicted point.  true: a slow first
  // correction needs also a predicted residual above the accuracy to be
  // rejected, and the corrected residual is always taken.
  static constexpr bool first_kept = false;
  // On a stall after a rising residual, return to the point before the last
  // correction.
  static constexpr bool stall_reset = false;
  static constexpr double accept_factor = kAcceptFactor, step_threshold = kStepThreshold;
  static constexpr int itr_long = kItrLong, itr_short = kItrShort;
  static constexpr double c1_long = kC1Long, c2_long = kC2Long, c1_short = kC1Short,
                          c2_short = kC2Short;
  static constexpr double corr_floor = kCorrFloor, corr_scale = kCorrScale,
                          stall_residual = kStallResidual, min_step = kMinStep;
  static constexpr double acc_factor = kAccFactor, c3_default = kC3Default;
  // The accuracy is never below the rounding level of the values, times
  // acc_round (rounding_level; 0: no floor).
  static constexpr double acc_round = 0.0;
  // A path is given up, as by the corrector, once the corrector has rejected
  // more than max_cuts of its steps (0: no bound).
  static constexpr int max_cuts = 0;
};

// ---------------------------------------------------------------------------
// Work arrays of one tracker call, sized once by n.
template <class Real>
struct track_work {
  using C = std::complex<Real>;
  mat<C> tmpa, jacob1, jsave;
  vec<C> oldx, delx, tmpcv, tmpb, polyv1, polyt1, xsave;
  explicit track_work(int n)
      : tmpa(n, n),
        jacob1(n, n),
        jsave(n, n),
        oldx(n),
        delx(n),
        tmpcv(n),
        tmpb(n),
        polyv1(n),
        polyt1(n),
        xsave(n) {}
};

// The per-path state shared by the step routines.
template <class Real>
struct path_state {
  using C = std::complex<Real>;
  vec<C> x, x1, x2, dirx, dirx1, dirx2, polyv, polyt, h_1;
  mat<C> jacob;
  vec<int> infnty;
  Real t = 0, step = 0, step1 = 0, accuracy = 0, c3 = 0;
  // The corrector accuracy's factor: 1, or below 1 for a path followed
  // again more tightly.
  Real acc_scale = Real(1);
  // Which end-game test gave the path up (eg_verdict; kVerdictNone otherwise).
  int verdict = kVerdictNone;
  // The corrector's rejections on this path.
  int cuts = 0;
  int flag = 0, nstep = 0, cut = 0, give_up = 0, test_end = 0, stepcount = 0;
  explicit path_state(int n)
      : x(n),
        x1(n),
        x2(n),
        dirx(n),
        dirx1(n),
        dirx2(n),
        polyv(n),
        polyt(n),
        h_1(n),
        jacob(n, n),
        infnty(n) {}
};

// The rounding level of the values at x: acc_round eps max_i sum_j
// |jacob(i,j)| |x_j|.  A term c x^a of equation i contributes a_j |c x^a| to
// |jacob(i,j)| |x_j|, so the row sum is at most the degree times the sum of
// the moduli of the equation's terms, whose rounding bounds the computed
// value; 0 when the rules have acc_round = 0.
template <class R, class Real>
Real rounding_level(int n, mat_ref<const std::complex<Real>> jacob,
                    vec_ref<const std::complex<Real>> x) {
  if constexpr (R::acc_round == 0.0) {
    return Real(0);
  } else {
    Real worst = Real(0);
    for (int i = 1; i <= n; ++i) {
      Real row = Real(0);
      for (int j = 1; j <= n; ++j) row += zabs(jacob(i, j)) * zabs(x(j));
      if (row > worst) worst = row;
    }
    return Real(R::acc_round) * Real(kMachEps) * worst;
  }
}

// accuracy = acc_factor sqrt(max(1, |jacob|_1) max(1, max|x|)), clamped by
// clamp(acc) (the step update's clamps), times scale (below 1: a tighter
// corrector), never below the rounding level.
template <class R, class Real, class Clamp>
Real accuracy_of(int n, mat_ref<const std::complex<Real>> jacob,
                 vec_ref<const std::complex<Real>> x, Clamp&& clamp, Real scale) {
  const Real acc = clamp(Real(R::acc_factor) *
                         r_sqrt(one_max<Real>(colnorm1(n, jacob)) * one_max<Real>(vmax(n, x)))) *
                   scale;
  const Real floor = rounding_level<R, Real>(n, jacob, x);
  return acc < floor ? floor : acc;
}
template <class R, class Real>
Real accuracy_of(int n, mat_ref<const std::complex<Real>> jacob,
                 vec_ref<const std::complex<Real>> x, Real scale = Real(1)) {
  return accuracy_of<R, Real>(
      n, jacob, x, [](Real a) { return a; }, scale);
}

// ---------------------------------------------------------------------------
// Corrector at fixed t.
template <class R, class Real, class Ev>
void nwtnitrn_t(Ev& ev, int n, vec_ref<std::complex<Real>> x, Real& t,
                vec_ref<std::complex<Real>> h_1, mat_ref<std::complex<Real>> jacob,
                vec_ref<std::complex<Real>> polyt, vec_ref<std::complex<Real>> polyv, Real& step,
                Real accuracy, int& cut, int& flag, int& test_end, int& give_up, int& nstep,
                Real& c3, int& blow_up, track_work<Real>& w, bool c3_raises = true) {
  using C = std::complex<Real>;
  vec_ref<C> oldx = w.oldx, delx = w.delx;
  mat_ref<C> tmpa = w.tmpa;

  auto reject = [&] {
    cut = 1;
    t = t - step;
    step = step * Real(0.5);
    nstep = 0;
    flag = 0;
    test_end = 0;
    if (step < Real(R::min_step)) {
      give_up = 1;
      if (t < Real(R::blowup_t)) ++blow_up;
    }
  };

  cut = 0;
  vcopy<C>(n, polyv, h_1);
  Real res = vmax(n, h_1);
  if (R::early_accept && Real(R::accept_factor) * res < accuracy && !has_nan<C>(n, x)) return;

  // First correction, with the coefficients at t.
  mcopy<C>(n, jacob, tmpa);
  vcopy<C>(n, polyv, delx);
  lin_solve(n, tmpa, delx);
  const Real nrm = vmax(n, x);
  vcopy<C>(n, x, oldx);
  for (int i = 1; i <= n; ++i) x(i) = x(i) - delx(i);
  int ntitr = 1;
  ev.at(x, t, jacob, polyv, polyt);
  Real res1 = vmax(n, polyv);

  const bool long_step = step > Real(R::step_threshold);
  const Real c1 = long_step ? Real(R::c1_long) : Real(R::c1_short);
  const Real c2 = long_step ? Real(R::c2_long) : Real(R::c2_short);
  if (c3_raises) {
    if (step < Real(R::step_threshold) && t < Real(R::c3_t)) c3 = Real(R::c3_raised);
    // nrm is max|oldx|: oldx is x before the correction.
    if (t >= Real(R::c3_t) && nrm < Real(R::c3_oldx) * Real(n)) c3 = Real(R::c3_raised);
  }
  const Real corr_bound = Real(R::corr_floor) * one_max<Real>(nrm / Real(R::corr_scale));

  Real nd = vmax(n, delx);
  if (res != res || res1 != res1 || nd != nd || nrm != nrm) {
    reject();
    return;
  }
  if (nd > c3 * nrm && (!R::big_cut_needs_residual || res1 > accuracy)) {
    reject();
    return;
  }
  // A slow first correction: the residual fell less than c1-fold.
  const bool slow = c1 * res1 > res && res1 > accuracy && (!R::first_kept || res > accuracy);
  if (slow && nd > corr_bound) {
    reject();
    return;
  }
  if (slow && !R::first_kept) {
    // A tiny correction: h_1 and res stay those of the predicted point.
  } else {
    vcopy<C>(n, polyv, h_1);
    res = res1;
  }

  const int itr = long_step ? R::itr_long : R::itr_short;
  int loopdat = 0;
  while (res > accuracy && cut == 0 && loopdat == 0) {
    mcopy<C>(n, jacob, tmpa);
    vcopy<C>(n, h_1, delx);
    lin_solve(n, tmpa, delx);
    vcopy<C>(n, x, oldx);
    for (int i = 1; i <= n; ++i) x(i) = x(i) - delx(i);
    ++ntitr;
    ev.same_t(x, t, jacob, polyv, polyt);
    res1 = vmax(n, polyv);
    nd = vmax(n, delx);
    if (ntitr > itr || res1 != res1 || nd != nd) {
      reject();
    } else if (c2 * res1 > res && res1 > accuracy) {
      const Real bound = Real(R::corr_floor) * one_max<Real>(vmax(n, oldx) / Real(R::corr_scale));
      if (nd < bound && res1 < Real(R::stall_residual) * accuracy) {
        loopdat = 1;
        if (R::stall_reset && res < res1) {  // the last correction made it worse: undo it
          vcopy<C>(n, oldx, x);
          ev.same_t(x, t, jacob, polyv, polyt);
        }
      } else {
        reject();
      }
    } else {
      vcopy<C>(n, polyv, h_1);
      res = res1;
    }
  }
}

// Step and accuracy update after an accepted step at (x, t).
template <class R, class Real>
void updtstp_t(int n, Real t, int& stepcount, int& flag, int& nstep, Real& step, Real& step1,
               vec_ref<const std::complex<Real>> x, vec_ref<std::complex<Real>> x1,
               vec_ref<std::complex<Real>> x2, mat_ref<const std::complex<Real>> jacob,
               Real& accuracy, Real acc_scale = Real(1)) {
  ++stepcount;
  Real stepx2;
  if (nstep <= 1) {
    stepx2 = step;
    ++nstep;
  } else {
    nstep = 0;
    stepx2 = Real(2) * step;
  }
  step1 = step;
  R::cap_step(t, stepx2, step, nstep, flag);
  accuracy = accuracy_of<R, Real>(
      n, jacob, x,
      [t](Real acc) {
        if (acc > Real(kAccCoarse) && t < Real(R::acc_t)) return Real(kAccCoarse);
        if (acc > Real(kAccFine) && t >= Real(R::acc_t)) return Real(kAccFine);
        return acc;
      },
      acc_scale);
  vcopy<std::complex<Real>>(n, x1, x2);
  vcopy<std::complex<Real>>(n, x, x1);
}

// End game: x at t, x1 at t - step, x2 at t - step - step1.  verdict, when
// given, says which test gave the path up.
template <class R, class Real>
void endgame_t(int n, int& give_up, vec_ref<int> infnty, vec_ref<const std::complex<Real>> x,
               vec_ref<const std::complex<Real>> x1, vec_ref<const std::complex<Real>> x2, Real t,
               Real step, Real step1, int* verdict = nullptr) {
  auto gave_up = [&](int why) {
    give_up = 1;
    if (verdict != nullptr) *verdict = why;
  };
  const Real m2 = vmax(n, x2), m1 = vmax(n, x1), m0 = vmax(n, x);
  if (m2 > Real(R::eg_growth) * Real(n) && m2 < m1 && m1 < m0) {
    gave_up(kVerdictGrowth);
    return;
  }
  if (!R::endgame_active(t)) return;
  Real d0, d1, d2;
  R::distances(t, step, step1, d0, d1, d2);
  auto nz = [](Real a) { return a == Real(0) ? Real(R::eg_zero) : a; };
  for (int j = 1; j <= n; ++j) {
    if (infnty(j) != 1) continue;
    const Real a2 = nz(zabs(x2(j))), a1 = nz(zabs(x1(j))), a0 = nz(zabs(x(j)));
    const Real I = r_log(a2 / a1) / r_log(d2 / d1);
    const Real K = r_log(a1 / a0) / r_log(d1 / d0);
    const Real M = K - d1 * (I - K) / step1;
    if (r_abs(M) < Real(kEgSettled) && r_abs(I) < Real(kEgSettled) && r_abs(K) < Real(kEgSettled)) {
      infnty(j) = 0;
    } else if (r_abs(I - K) < Real(kEgSettled) && r_abs(K - M) < Real(kEgSettled) &&
               K < Real(kEgPole) && I < Real(kEgPole)) {
      gave_up(kVerdictPole);
      return;
    } else if (r_abs(I - K) < Real(kEgSettled) && r_abs(K - M) < Real(kEgSettled) &&
               Real(kEgBranchLo) < M && M < Real(kEgBranchHi)) {
      gave_up(kVerdictBranch);
      return;
    }
  }
}

// Final Newton on the target system; target(x, b, a) evaluates b = P(x),
// a = P'(x).  With keep_eval, a and b return the Jacobian and the values at
// the returned point, and a kept iterate that moved little but fails the
// residual bound is still good when accept(x, b) holds for it (x the kept
// iterate, b its values); without keep_eval accept is never consulted.
template <class R, class Real, class Target, class Accept>
void fnlnwtn_t(int n, Target&& target, mat_ref<std::complex<Real>> a, vec_ref<std::complex<Real>> b,
               vec_ref<std::complex<Real>> x, bool& isgood, bool keep_eval, track_work<Real>& w,
               Accept&& accept) {
  using C = std::complex<Real>;
  vec_ref<C> oldx = w.oldx, tmpcv = w.tmpcv, tmpb = w.tmpb;
  mat_ref<C> jsave = w.jsave;
  isgood = true;
  Real res = vmax(n, b);
  if (keep_eval) {
    mcopy<C>(n, a, jsave);
    vcopy<C>(n, b, tmpb);
  }
  lin_solve(n, a, b);
  vcopy<C>(n, x, oldx);
  vcopy<C>(n, x, tmpcv);
  for (int i = 1; i <= n; ++i) x(i) = x(i) - b(i);
  target(x, b, a);
  Real res1 = vmax(n, b);
  while (Real(kFnHalving) * res1 < res && !(R::stop_at_zero && res1 == Real(0))) {
    res = res1;
    vcopy<C>(n, x, tmpcv);
    if (keep_eval) {
      mcopy<C>(n, a, jsave);
      vcopy<C>(n, b, tmpb);
    }
    lin_solve(n, a, b);
    for (int i = 1; i <= n; ++i) x(i) = x(i) - b(i);
    target(x, b, a);
    res1 = vmax(n, b);
    if (res1 > res) break;
  }
  const Real mo = vmax(n, vec_ref<const C>(oldx));
  const Real d = vmaxdiff<C>(n, oldx, tmpcv);
  const bool moved = (mo > Real(kFnLargePoint)) ? d > Real(kFnRelMove) * mo : d > Real(kFnAbsMove);
  if (mo != mo || d != d || moved) {
    isgood = false;
    return;
  }
  const bool small = res <= Real(kFnResidual) || res1 <= Real(kFnResidual);
  if (res != res ||
      !(small || (keep_eval && accept(vec_ref<const C>(tmpcv), vec_ref<const C>(tmpb))))) {
    isgood = false;
    return;
  }
  vcopy<C>(n, tmpcv, x);
  if (keep_eval) {
    mcopy<C>(n, jsave, a);
    vcopy<C>(n, tmpb, b);
  }
}

// The second acceptance that never accepts: the residual bound alone.
struct no_second_accept {
  template <class V>
  bool operator()(const V&, const V&) const {
    return false;
  }
};

// The final Newton with the residual bound alone.
template <class R, class Real, class Target>
void fnlnwtn_t(int n, Target&& target, mat_ref<std::complex<Real>> a, vec_ref<std::complex<Real>> b,
               vec_ref<std::complex<Real>> x, bool& isgood, bool keep_eval, track_work<Real>& w) {
  fnlnwtn_t<R, Real>(n, target, a, b, x, isgood, keep_eval, w, no_second_accept{});
}

// The final Newton of a path at its end, where a(n,n), b(n) are the
// Jacobian and values of the homotopy at x, which there is the target up to
// the rounding of its coefficients: with the residual bound alone, or, when
// that rejects the point and an accept is given, again from x with the
// target's own Jacobian and values (target(x, b, a)), accepting also by
// accept (with the values kept, which accept needs).  A point that the
// residual bound keeps is polished exactly as without accept.
template <class R, class Real, class Target, class Accept>
void path_end_newton(int n, Target&& target, mat_ref<std::complex<Real>> a,
                     vec_ref<std::complex<Real>> b, vec_ref<std::complex<Real>> x, bool& isgood,
                     track_work<Real>& w, Accept&& accept) {
  using C = std::complex<Real>;
  constexpr bool second = !std::is_same_v<std::decay_t<Accept>, no_second_accept>;
  if constexpr (second) vcopy<C>(n, x, w.xsave);
  fnlnwtn_t<R, Real>(n, target, a, b, x, isgood, false, w);
  if constexpr (second) {
    if (isgood) return;
    vcopy<C>(n, w.xsave, x);
    target(vec_ref<const C>(x), b, a);
    fnlnwtn_t<R, Real>(n, target, a, b, x, isgood, true, w, accept);
  }
}

// Newton refinement of a start root at fixed t; jacob, polyv, polyt are
// those of the returned x.  Stops below 1e-7, restores x when the residual
// grows (or turns NaN), and stops keeping the new x when the residual stays
// exactly equal or after kRefineMaxPasses falling passes.
template <class Real, class Ev>
void refine_t(Ev& ev, int n, Real t, vec_ref<std::complex<Real>> x,
              mat_ref<std::complex<Real>> jacob, vec_ref<std::complex<Real>> polyv,
              vec_ref<std::complex<Real>> polyt, track_work<Real>& w) {
  using C = std::complex<Real>;
  ev.at(x, t, jacob, polyv, polyt);
  Real res = vmax(n, polyv);
  int passes = 0;
  while (res > Real(kRefineTol)) {
    mcopy<C>(n, jacob, w.tmpa);
    vcopy<C>(n, polyv, w.delx);
    lin_solve(n, w.tmpa, w.delx);
    vcopy<C>(n, x, w.xsave);
    for (int i = 1; i <= n; ++i) x(i) = x(i) - w.delx(i);
    ev.same_t(x, t, jacob, polyv, polyt);
    const Real res1 = vmax(n, polyv);
    if (res1 < Real(kRefineTol)) return;
    if (res1 != res1 || res1 > res) {
      vcopy<C>(n, w.xsave, x);
      ev.same_t(x, t, jacob, polyv, polyt);
      return;
    }
    if (res1 == res || ++passes >= kRefineMaxPasses) return;
    res = res1;
  }
}

// First step: Euler prediction along the start tangent and correction,
// halving the step on rejection.  On acceptance x1 = x, x2 = the start point,
// step1 = step, dirx1 = the start tangent; give_up = 1 below 1e-16.  A
// correction that stalls (a tiny correction, the residual within 1000 times
// the accuracy) ends the attempt as the corrector ends it: the point is
// accepted.  So every attempt either accepts or halves the step, and x always
// belongs to t.
template <class R, class Real, class Ev>
void frtstp_t(Ev& ev, int n, Real& step, Real& step1, Real& t, vec_ref<std::complex<Real>> dirx1,
              mat_ref<std::complex<Real>> jacob, vec_ref<std::complex<Real>> polyv,
              vec_ref<std::complex<Real>> polyt, vec_ref<std::complex<Real>> x2,
              vec_ref<std::complex<Real>> x1, vec_ref<std::complex<Real>> x,
              vec_ref<std::complex<Real>> h_1, int& give_up, track_work<Real>& w,
              Real acc_scale = Real(1)) {
  using C = std::complex<Real>;
  mat_ref<C> tmpa = w.tmpa, jacob1 = w.jacob1;
  vec_ref<C> delx = w.delx, polyv1 = w.polyv1, polyt1 = w.polyt1;
  R::first_step(t, step);
  mcopy<C>(n, jacob, jacob1);
  vcopy<C>(n, polyv, polyv1);
  vcopy<C>(n, polyt, polyt1);
  vcopy<C>(n, x, x1);
  mcopy<C>(n, jacob, tmpa);
  vcopy<C>(n, polyt, dirx1);
  lin_solve(n, tmpa, dirx1);
  for (int i = 1; i <= n; ++i) dirx1(i) = -dirx1(i);
  const Real acc = accuracy_of<R, Real>(n, jacob1, x1, acc_scale);

  for (;;) {
    for (int i = 1; i <= n; ++i) x(i) = x(i) + step * dirx1(i);
    t = t + step;
    ev.at(x, t, jacob, polyv, polyt);
    vcopy<C>(n, polyv, h_1);
    mcopy<C>(n, jacob, tmpa);
    vcopy<C>(n, polyv, delx);
    lin_solve(n, tmpa, delx);
    Real res = vmax(n, h_1);
    Real nd = vmax(n, delx);
    bool rejected = (res != res || nd != nd);
    if (!rejected && !(acc > res)) {
      for (int i = 1; i <= n; ++i) x(i) = x(i) - delx(i);
      ev.same_t(x, t, jacob, polyv, polyt);
      const Real res1 = vmax(n, polyv);
      if (res1 != res1 || (Real(R::frt_c1) * res1 > res && res1 > acc && nd > Real(kCorrFloor))) {
        rejected = true;
      } else {
        vcopy<C>(n, polyv, h_1);
        res = res1;
      }
    }
    int loopdat = 0;
    while (!rejected && res > acc && loopdat == 0) {
      mcopy<C>(n, jacob, tmpa);
      vcopy<C>(n, h_1, delx);
      lin_solve(n, tmpa, delx);
      for (int i = 1; i <= n; ++i) x(i) = x(i) - delx(i);
      ev.same_t(x, t, jacob, polyv, polyt);
      const Real res1 = vmax(n, polyv);
      nd = vmax(n, delx);
      if (res1 != res1 || nd != nd) {
        rejected = true;
      } else if (Real(R::frt_c2) * res1 > res && res1 > acc) {
        if (nd < Real(kCorrFloor) && res1 < Real(kStallResidual) * acc)
          loopdat = 1;
        else
          rejected = true;
      }
      vcopy<C>(n, polyv, h_1);
      res = res1;
    }
    if (!rejected && (acc > res || loopdat == 1)) {
      step1 = step;
      vcopy<C>(n, x1, x2);
      vcopy<C>(n, x, x1);
      return;
    }
    t = t - step;
    step = step * Real(0.5);
    if (!(step >= Real(kMinFirstStep))) {  // also a NaN step
      give_up = 1;
      return;
    }
    vcopy<C>(n, x1, x);
    mcopy<C>(n, jacob1, jacob);
    vcopy<C>(n, polyv1, polyv);
    vcopy<C>(n, polyt1, polyt);
  }
}

// Cubic Hermite predictor through (x2, dirx2) at t - step1 and (x1, dirx1)
// at t, to t + step; after an accepted step (cut = 0) the tangent at x1 is
// formed first.  Advances t and evaluates at the predicted x.
template <class Real, class Ev>
void cubich_t(Ev& ev, int n, int cut, vec_ref<std::complex<Real>> dirx,
              vec_ref<std::complex<Real>> dirx1, vec_ref<std::complex<Real>> dirx2, Real& t,
              vec_ref<std::complex<Real>> x, vec_ref<const std::complex<Real>> x1,
              vec_ref<const std::complex<Real>> x2, Real step, Real step1,
              mat_ref<std::complex<Real>> jacob, vec_ref<std::complex<Real>> polyt,
              vec_ref<std::complex<Real>> polyv, track_work<Real>& w) {
  using C = std::complex<Real>;
  if (cut == 0) {
    mcopy<C>(n, jacob, w.tmpa);
    vcopy<C>(n, polyt, dirx);
    lin_solve(n, w.tmpa, dirx);
    vcopy<C>(n, dirx1, dirx2);
    for (int i = 1; i <= n; ++i) dirx1(i) = -dirx(i);
  }
  const Real r = step / step1;
  const Real q = (step + step1) / step1;
  const Real a0 = r * r * (Real(2) * q + Real(1));
  const Real a1 = q * q * (Real(1) - Real(2) * r);
  const Real a2 = r * r * (step1 + step);
  const Real a3 = q * q * step;
  for (int i = 1; i <= n; ++i) x(i) = a0 * x2(i) + a1 * x1(i) + a2 * dirx2(i) + a3 * dirx1(i);
  t = t + step;
  ev.at(x, t, jacob, polyv, polyt);
}

// A path followed by once(blow_up) (which counts in blow_up a give-up by the
// corrector while t < R::blowup_t) and, when the corrector gave it up before
// the end game's zone (or the rejections' bound did) at an accuracy that the
// clamps set, not the rounding level, again with
// s.acc_scale = kRetryAccuracy^k, k = 1..kRetries, until a try ends
// otherwise; blow_up counts only the last try's give-up.  s.acc_scale is 1
// again on return.
template <class R, class Real, class Once>
void follow_retried(path_state<Real>& s, int& blow_up, Once&& once) {
  // A path whose accuracy was the rounding level of its values (above the
  // clamp) cannot be followed more tightly there.
  auto before_end_zone = [&] {
    const Real clamp = s.t < Real(R::acc_t) ? Real(kAccCoarse) : Real(kAccFine);
    return s.give_up == 1 && s.cut == 1 && !R::endgame_called(s.t) &&
           !(s.accuracy > clamp * s.acc_scale);
  };
  int failed = 0;
  once(failed);
  for (int k = 1; k <= kRetries && before_end_zone(); ++k) {
    failed = 0;
    s.acc_scale = s.acc_scale * Real(kRetryAccuracy);
    once(failed);
  }
  s.acc_scale = Real(1);
  blow_up += failed;
}

// The tracking loop of one path after its first step: predictor, corrector,
// end game near the end, step update.  With c3_kept (re-tracking) the
// corrector parameter is the caller's in every corrector call: not reset,
// and not raised near the end or on short steps, so that a re-track is
// really tighter than the first tracking.
template <class R, class Real, class Ev>
void follow_t(Ev& ev, int n, path_state<Real>& s, bool c3_kept, int& blow_up, track_work<Real>& w) {
  while (s.test_end == 0 && s.give_up == 0) {
    if (s.flag == 1) s.test_end = 1;
    cubich_t<Real>(ev, n, s.cut, s.dirx, s.dirx1, s.dirx2, s.t, s.x, s.x1.ref(), s.x2.ref(), s.step,
                   s.step1, s.jacob, s.polyt, s.polyv, w);
    if (!c3_kept) s.c3 = Real(R::c3_default);
    nwtnitrn_t<R, Real>(ev, n, s.x, s.t, s.h_1, s.jacob, s.polyt, s.polyv, s.step, s.accuracy,
                        s.cut, s.flag, s.test_end, s.give_up, s.nstep, s.c3, blow_up, w, !c3_kept);
    if (R::max_cuts > 0 && s.cut == 1 && s.give_up == 0 && ++s.cuts > R::max_cuts) {
      s.give_up = 1;
      if (s.t < Real(R::blowup_t)) ++blow_up;
    }
    if (s.cut == 0 && R::endgame_called(s.t))
      endgame_t<R, Real>(n, s.give_up, s.infnty, s.x.ref(), s.x1.ref(), s.x2.ref(), s.t, s.step,
                         s.step1, &s.verdict);
    if (s.cut == 0 && s.test_end == 0)
      updtstp_t<R, Real>(n, s.t, s.stepcount, s.flag, s.nstep, s.step, s.step1, s.x.ref(), s.x1,
                         s.x2, s.jacob.ref(), s.accuracy, s.acc_scale);
  }
}

}  // namespace hc

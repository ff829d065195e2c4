// The tail of a path: the end zone followed in the logarithm of the
// distance to the end, rho = -log(1 - t) for the linear homotopy and
// rho = -log(-t) for the polyhedral one.  Near the end the double t holds
// the distance only to rounding, and the step floor stops a path at 1e-10
// from the end; a path whose root lies far out (the start system's terms
// outweigh the target's until the distance is far below that) looks like a
// pole or a branch point all the way there.  A path that the end game's
// exponent tests or the corrector give up within kTailZone of the end is
// therefore followed on from its last accepted point in rho, where the
// distance keeps its full relative precision, until it settles or the
// homotopy no longer differs from the target beyond rounding.
//
//   follow_tail_t<TR>(tev, n, s, w, rho, acc_scale, c3_kept, t, t_end, probe,
//       resolved)
//       follows the path of state s from s.x at rho with the evaluation
//       tev.at(x, rho, jacob, polyv, polyt) (H, dH/dx and dH/drho) under the
//       rules TR (no end to land on, steps of at most kTailMaxStep, given up
//       below kTailMinStep), the corrector accuracy acc_scale times the
//       tracker's; after each accepted step, when it settled (every
//       coordinate moved by at most kTailSettled times the step, relative to
//       max(1, |x_i|)), probe() decides (true: s.x is the root); every
//       kTailResolvedEvery-th step, resolved(d) with d = e^-rho the distance
//       to the end ends it.  At most kTailMaxSteps accepted steps; a path
//       that the end game's growth test gave up (s.verdict) is watched by
//       pole_watch and gets at most kTailGrowthSteps.  True when
//       probe accepted; s.x, s.stepcount and the step state are updated,
//       and then s.t = t_end, s.test_end = 1; else s.give_up = 1 and s.t = t,
//       where the end zone's tracking gave the path up.
//   tail_probe<R>(n, s, target, accept, px, pb, pa, w)  the final Newton on
//       the target (target(x, b, a): b = P(x), a = P'(x)) from a copy px(n)
//       of s.x, under the rules R and with the second acceptance accept(x, b);
//       good only when accept holds at the polished point as well, and then
//       s.x := that point.  pb(n), pa(n,n) overwritten.
//   pole_watch(n, s)  made at the start of a tail; pole(n, s) after each
//       accepted step: for a path the growth test gave up, true when
//       kTailPoleRates rates d log max|x_i| / d rho in a row (s.x against
//       s.x1 over s.step) are positive and agree to within kTailSteadyRate,
//       or max|x_i| passed kTailGrowthLimit times its size at the start;
//       always false for the other paths.
//   tail_rules<R>  the rules R of a tracker family in rho.
//   tail_settled(n, s, rel)  the last accepted step moved every coordinate
//       by at most rel max(1, |x_i|) (s.x against s.x1).
#pragma once

#include <cmath>

#include "track_steps.h"

namespace hc {

//   kTailZone  the end zone: the end game's zone (1 - t of the linear
//       homotopy, -t of the polyhedral one).
constexpr double kTailZone = 1e-4;
// The first step in rho (the distance shrinks by e), and the largest step
// (by e^8, about 3000): the predictor is cubic in rho, in which a power of
// the distance is an exponential.
constexpr double kTailFirstStep = 1.0, kTailMaxStep = 8.0;
// A path has settled when an accepted step of length h in rho moves each
// coordinate x_i by at most kTailSettled h max(1, |x_i|).  Near a root the
// path moves like the distance, so its point then lies within about that
// relative error of the root, and the final Newton on the target decides
// whether it is one; a coordinate that grows like a power -e of the
// distance moves by about e h |x_i|, and the poles of the benchmark systems
// have e of 0.1 to 1.
constexpr double kTailSettled = 1e-5;
// Halved step in rho below which the tail gives a path up: features of a
// path narrower than this part of the distance are beyond the tail.
constexpr double kTailMinStep = 1e-4;
// The tail's corrector accuracy, relative to the tracker's (never below
// the rounding level): near the end two roots of the target may lie closer
// than the end zone's accuracy lets the corrector tell apart (two roots of
// cassou 7e-4 apart, relative, at modulus 218 in the scaled coordinates),
// and a tail that settles there must end at its own.
constexpr double kTailAccuracy = 1e-2;
// Accepted steps of one tail at most: measured on the benchmark systems and
// pb601, a tail that settles at a root takes 8 to 35, while the tails of
// paths that diverge, most of the paths of a deficient system, run to this
// bound or to a give-up by the corrector.
constexpr int kTailMaxSteps = 50;
// A path that the end game's growth test gave up is followed on by the
// tail while it does not grow like a pole, for at most kTailGrowthSteps
// accepted steps.  A far root is approached by points that grow over the
// last steps and then settle: measured on the benchmark systems, such
// tails grow by a factor of at most 71 (ipp), and those of discret3s,
// whose roots reach a modulus of 1e6 in the scaled coordinates, make an
// excursion of small steps that takes them 55 to 80 steps, with growth
// rates d log max|x_i| / d rho that change by 20% to 300% from step to
// step.  A pole's coordinates grow like a power of the distance, at a rate
// e (0.1 to 2 on the benchmark systems) that agrees from step to step to
// 3 or 4 digits.  The path is given up when kTailPoleRates rates in a row
// are positive and agree to within kTailSteadyRate, or when its size has
// grown by kTailGrowthLimit since the end game gave it up.
constexpr int kTailGrowthSteps = 100;
constexpr int kTailPoleRates = 3;
constexpr double kTailSteadyRate = 1e-2;
constexpr double kTailGrowthLimit = 1e3;
// The test that the homotopy equals the target to rounding costs an
// evaluation: it runs after every kTailResolvedEvery-th accepted step.
constexpr int kTailResolvedEvery = 4;

// A tracker family's rules in rho: the first step the caller's, no end to
// land on (the step doubles up to kTailMaxStep); a step is given up below
// kTailMinStep.  rho stays above
// the end zone's bound, so the end zone's corrector parameter and accuracy
// clamp hold and no give-up counts as a blow-up.
template <class R>
struct tail_rules : R {
  static constexpr double min_step = kTailMinStep;
  // The first step is the caller's (kTailFirstStep).
  template <class Real>
  static void first_step(Real, Real&) {}
  template <class Real>
  static void cap_step(Real, Real stepx2, Real& step, int&, int&) {
    step = stepx2 < Real(kTailMaxStep) ? stepx2 : Real(kTailMaxStep);
  }
};

// The watch over the tail of a path that the growth test gave up: pole(n, s)
// after each accepted step, true when the path grows like a pole or beyond
// the size bound.  Off (never true) for the other paths.
struct pole_watch {
  bool on;
  double bound = INFINITY, rate = 0.0;
  int steady = 0;  // rates in a row that are positive and agree
  pole_watch(int n, const path_state<double>& s)
      : on(s.verdict == kVerdictGrowth), bound(kTailGrowthLimit * vmax(n, s.x.ref())) {}
  bool pole(int n, const path_state<double>& s) {
    if (!on) return false;
    const double size = vmax(n, s.x.ref());
    const double r = std::log(size / vmax(n, s.x1.ref())) / s.step;
    steady = r > 0 && (steady == 0 || std::fabs(r - rate) <= kTailSteadyRate * r) ? steady + 1 : 0;
    rate = r;
    return steady >= kTailPoleRates || !(size <= bound);
  }
};

inline bool tail_settled(int n, const path_state<double>& s, double rel) {
  for (int i = 1; i <= n; ++i)
    if (!(cabs(s.x(i) - s.x1(i)) <= rel * one_max(cabs(s.x(i))))) return false;
  return true;
}

template <class TR, class Ev, class Probe, class Resolved>
bool follow_tail_steps(Ev& tev, int n, path_state<double>& s, track_work<double>& w, double rho,
                       double acc_scale, bool c3_kept, Probe&& probe, Resolved&& resolved) {
  s.give_up = 0;
  s.step = kTailFirstStep;
  tev.at(s.x.ref(), rho, s.jacob, s.polyv, s.polyt);
  frtstp_t<TR, double>(tev, n, s.step, s.step1, rho, s.dirx1, s.jacob, s.polyv, s.polyt, s.x2, s.x1,
                       s.x, s.h_1, s.give_up, w, acc_scale);
  s.cut = s.nstep = s.test_end = s.flag = 0;
  if (s.give_up == 0) s.accuracy = accuracy_of<TR, double>(n, s.jacob.ref(), s.x.ref(), acc_scale);
  int lost = 0;  // the tail counts no blow-up
  pole_watch watch(n, s);
  const int max_steps = watch.on ? kTailGrowthSteps : kTailMaxSteps;
  for (int steps = 0; s.give_up == 0 && steps < max_steps;) {
    cubich_t<double>(tev, n, s.cut, s.dirx, s.dirx1, s.dirx2, rho, s.x, s.x1.ref(), s.x2.ref(),
                     s.step, s.step1, s.jacob, s.polyt, s.polyv, w);
    if (!c3_kept) s.c3 = TR::c3_default;
    nwtnitrn_t<TR, double>(tev, n, s.x, rho, s.h_1, s.jacob, s.polyt, s.polyv, s.step, s.accuracy,
                           s.cut, s.flag, s.test_end, s.give_up, s.nstep, s.c3, lost, w, !c3_kept);
    if (s.give_up != 0 || s.cut != 0) continue;
    ++steps;
    if (watch.pole(n, s)) return false;
    if (tail_settled(n, s, kTailSettled * s.step)) {
      if (!probe()) return false;
      ++s.stepcount;
      return true;
    }
    if (steps % kTailResolvedEvery == 0 && resolved(std::exp(-rho))) return false;
    updtstp_t<TR, double>(n, rho, s.stepcount, s.flag, s.nstep, s.step, s.step1, s.x.ref(), s.x1,
                          s.x2, s.jacob.ref(), s.accuracy, acc_scale);
  }
  return false;
}

template <class TR, class Ev, class Probe, class Resolved>
bool follow_tail_t(Ev& tev, int n, path_state<double>& s, track_work<double>& w, double rho,
                   double acc_scale, bool c3_kept, double t, double t_end, Probe&& probe,
                   Resolved&& resolved) {
  if (follow_tail_steps<TR>(tev, n, s, w, rho, acc_scale, c3_kept, probe, resolved)) {
    s.t = t_end;
    s.test_end = 1;
    return true;
  }
  // Given up where the end zone's tracking gave it up: the tail reached no
  // root.
  s.give_up = 1;
  s.t = t;
  return false;
}

template <class R, class Target, class Accept>
bool tail_probe(int n, path_state<double>& s, Target&& target, Accept&& accept, vec_ref<cplx> px,
                vec_ref<cplx> pb, mat_ref<cplx> pa, track_work<double>& w) {
  vcopy<cplx>(n, s.x.ref(), px);
  target(vec_ref<const cplx>(px), pb, pa);
  bool good = false;
  path_end_newton<R, double>(n, target, pa, pb, px, good, w, accept);
  // The residual bound alone does not do here: a settled tail may sit near
  // a singular root, where a point of small residual can lie far from it.
  good = good && accept(vec_ref<const cplx>(px), vec_ref<const cplx>(pb));
  if (good) vcopy<cplx>(n, vec_ref<const cplx>(px), s.x);
  return good;
}

}  // namespace hc

// Corrector, step update, end game and final Newton, driven by an evaluator
// whose Newton contraction the test chooses (fake_eval.h).  The corrector
// table runs both homotopies' correctors: they share the iteration caps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "FollowCurve.h"
#include "FollowCurveTD.h"
#include "fake_eval.h"
#include "track_tail.h"

namespace hc {
namespace {

enum class family { poly, td };

struct corr_out {
  int cut = 0, flag = 1, test_end = 1, give_up = 0, nstep = 2, blow_up = 0;
  double t = 0, step = 0, c3 = kC3Default;
  cplx x, h_1;
  int evals = 0;
};

// One corrector call on the scalar system x - root with Jacobian k, from the
// predicted point x0 at t0.  For the linear homotopy the start system is zero
// (coef_q = 0), so H = t P: the residual is t0 (x - root) and the accuracy
// given here is scaled by t0, so both families see the same contraction.
// raises false: the corrector of a re-track, which keeps c3 as given.
corr_out correct(family f, double x0, double root, double k, double step, double accuracy,
                 double t0, int nan_from = std::numeric_limits<int>::max(), bool raises = true) {
  fake::lin_reset({cplx(root, 0)}, cplx(k, 0));
  fake::lin.nan_from = nan_from;
  corr_out o;
  o.t = t0;
  o.step = step;
  vec<cplx> x{cplx(x0, 0)}, h_1(1), polyt(1), polyv(1);
  mat<cplx> jacob(1, 1);
  const double hs = (f == family::td) ? t0 : 1.0;
  polyv(1) = hs * (x(1) - root);
  jacob(1, 1) = hs * k;
  if (f == family::poly) {
    vec<double> tpow{0.0};
    vec<cplx> coef_q{cplx(1, 0)}, cv{cplx(0, 0)};
    if (raises) {
      nwtnitrn(1, 1, x, o.t, tpow, h_1, jacob, polyt, polyv, o.step, accuracy, o.cut, o.flag,
               o.test_end, o.give_up, o.nstep, coef_q, o.c3, cv, o.blow_up, fake::lin_core);
    } else {
      poly_eval ev(1, 1, tpow, coef_q, cv, fake::lin_core);
      track_work<double> w(1);
      nwtnitrn_t<poly_rules, double>(ev, 1, x, o.t, h_1, jacob, polyt, polyv, o.step, accuracy,
                                     o.cut, o.flag, o.test_end, o.give_up, o.nstep, o.c3, o.blow_up,
                                     w, false);
    }
  } else {
    vec<int> deg{1}, nm{2};
    mat<int> supp(1, 2), supp_q(1, 2);
    vec<cplx> coef{cplx(1, 0), cplx(-root, 0)}, coef_q{cplx(0, 0), cplx(0, 0)}, cfd;
    if (raises) {
      nwtnitrntd(1, 2, nm, supp, supp_q, deg, x, o.t, h_1, jacob, polyt, polyv, o.step,
                 hs * accuracy, o.flag, o.cut, o.give_up, o.test_end, o.nstep, coef, coef_q, cfd,
                 o.c3, 1, o.blow_up, fake::lin_core);
    } else {
      td_eval ev(1, 2, deg, coef, coef_q, cfd, 1, fake::lin_core);
      track_work<double> w(1);
      nwtnitrn_t<td_rules, double>(ev, 1, x, o.t, h_1, jacob, polyt, polyv, o.step, hs * accuracy,
                                   o.cut, o.flag, o.test_end, o.give_up, o.nstep, o.c3, o.blow_up,
                                   w, false);
    }
  }
  o.x = x(1);
  o.h_1 = h_1(1);
  o.evals = fake::lin.calls;
  return o;
}

struct corr_case {
  const char* what;
  double step, k, accuracy;
  int nan_from;
  int cut, evals;
};

// Root 100, predicted point 101: corrections are small against the point, so
// only the contraction and the iteration caps decide.  k = 20/19 divides the
// error by 20 per correction, k = 4/3 by 4.
const corr_case kCorrCases[] = {
    {"exact Newton accepts after one correction", 0.01, 1.0, 1e-7, 1 << 30, 0, 1},
    {"long step: four corrections reach the accuracy", 0.01, 20.0 / 19, 1e-5, 1 << 30, 0, 4},
    {"long step: the fifth correction is rejected though accurate", 0.01, 20.0 / 19, 5e-7, 1 << 30,
     1, 5},
    {"short step: seven corrections reach the accuracy", 1e-4, 4.0 / 3, 1e-4, 1 << 30, 0, 7},
    {"short step: the eighth correction is rejected though accurate", 1e-4, 4.0 / 3, 3e-5, 1 << 30,
     1, 8},
    {"long step needs a contraction by 15 at once", 0.01, 4.0 / 3, 1e-7, 1 << 30, 1, 1},
    {"NaN values after the first correction reject", 0.01, 1.0, 1e-7, 1, 1, 1},
    {"NaN values in a later correction reject", 0.01, 20.0 / 19, 1e-7, 3, 1, 3},
};

TEST(nwtnitrn, CorrectionTableForBothHomotopies) {
  for (family f : {family::poly, family::td}) {
    for (const corr_case& c : kCorrCases) {
      SCOPED_TRACE(c.what);
      SCOPED_TRACE(f == family::poly ? "polyhedral" : "linear");
      const double t0 = (f == family::poly) ? -0.5 : 0.5;
      corr_out o = correct(f, 101.0, 100.0, c.k, c.step, c.accuracy, t0, c.nan_from);
      EXPECT_EQ(o.cut, c.cut);
      EXPECT_EQ(o.evals, c.evals);
      if (c.cut == 1) {
        EXPECT_DOUBLE_EQ(o.t, t0 - c.step);
        EXPECT_DOUBLE_EQ(o.step, c.step / 2);
        EXPECT_EQ(o.flag, 0);
        EXPECT_EQ(o.test_end, 0);
        EXPECT_EQ(o.nstep, 0);
        EXPECT_EQ(o.give_up, 0);
      } else {
        EXPECT_EQ(o.t, t0);
        EXPECT_NEAR(o.x.real(), 100.0, 1e-4);
        EXPECT_EQ(o.flag, 1) << "an accepted step leaves flag alone";
      }
    }
  }
}

TEST(nwtnitrn, PredictedPointWithinTheAccuracyIsKeptWithoutEvaluation) {
  // 10 res = 1e-8 < 1e-7.
  corr_out o = correct(family::poly, 1.0 + 1e-9, 1.0, 1.0, 0.01, 1e-7, -0.5);
  EXPECT_EQ(o.cut, 0);
  EXPECT_EQ(o.evals, 0);
  EXPECT_EQ(fake::lin.coef_calls, 0);
  EXPECT_EQ(o.x, cplx(1.0 + 1e-9, 0));
  EXPECT_EQ(o.h_1, cplx((1.0 + 1e-9) - 1.0, 0));
}

TEST(nwtnitrn, CoefficientsAreFormedOnlyForTheFirstCorrection) {
  corr_out o = correct(family::poly, 101.0, 100.0, 20.0 / 19, 0.01, 1e-5, -0.5);
  EXPECT_EQ(o.evals, 4);
  EXPECT_EQ(fake::lin.coef_calls, 1);
}

TEST(nwtnitrn, HalvedStepGivesUpOnlyBelowTheFloor) {
  // Root -1 from 1.5: the correction 2.5 exceeds c3 |x| (c3 raised to 1.0
  // for a short step far from the end), so every call rejects.
  struct row {
    double step;
    double new_step;
    int give_up;
  } rows[] = {{2e-10, 1e-10, 0}, {1e-10, 5e-11, 1}};
  for (const row& r : rows) {
    corr_out o = correct(family::poly, 1.5, -1.0, 1.0, r.step, 1e-7, -0.5);
    EXPECT_EQ(o.cut, 1);
    EXPECT_EQ(o.step, r.new_step);
    EXPECT_EQ(o.give_up, r.give_up);
    EXPECT_EQ(o.blow_up, r.give_up) << "t = -0.5 counts";
  }
}

TEST(nwtnitrn, CorrectorParameterRaisesOfEachHomotopy) {
  // One exact correction of 1e-3 from the point X.
  struct row {
    family f;
    double t, step, X, c3;
  } rows[] = {
      {family::poly, -0.5, 1e-5, 100, 1.0},
      {family::poly, -0.5, 1e-3, 100, 0.1},
      {family::poly, -1e-5, 1e-3, 100, 1.0},  // near the end and max|x| < 500 n
      {family::poly, -1e-5, 1e-3, 600, 0.1},
      {family::td, 0.5, 1e-5, 100, 0.800000011920929},
      {family::td, 0.5, 1e-3, 100, 0.1},
      {family::td, 0.99995, 1e-3, 50, 0.800000011920929},  // max|x| < 100 n
      {family::td, 0.99995, 1e-3, 150, 0.1},
  };
  for (const row& r : rows) {
    corr_out o = correct(r.f, r.X, r.X - 1e-3, 1.0, r.step, 1e-7, r.t);
    EXPECT_EQ(o.cut, 0);
    EXPECT_EQ(o.c3, r.c3) << "t = " << r.t << ", step = " << r.step << ", X = " << r.X;
    // A re-track's corrector keeps the c3 it is given wherever the path is.
    corr_out kept = correct(r.f, r.X, r.X - 1e-3, 1.0, r.step, 1e-7, r.t,
                            std::numeric_limits<int>::max(), false);
    EXPECT_EQ(kept.cut, 0);
    EXPECT_EQ(kept.c3, kC3Default) << "t = " << r.t << ", step = " << r.step << ", X = " << r.X;
  }
}

TEST(nwtnitrn, LargeCorrectionIsCutByTheLinearTwinOnlyAboveTheAccuracy) {
  // From 1.5 to the root -1: the correction 2.5 is far above c3 |x| = 0.15,
  // and lands exactly on the root.
  corr_out poly = correct(family::poly, 1.5, -1.0, 1.0, 1e-3, 1e-7, -0.5);
  EXPECT_EQ(poly.cut, 1);
  corr_out td = correct(family::td, 1.5, -1.0, 1.0, 1e-3, 1e-7, 0.5);
  EXPECT_EQ(td.cut, 0);
  EXPECT_EQ(td.x, cplx(-1, 0));
}

// t0 such that t0 - step is exactly `after`.
double t_before(double after, double step) {
  double t0 = after + step;
  while (t0 - step < after) t0 = std::nextafter(t0, 1.0);
  while (t0 - step > after) t0 = std::nextafter(t0, -1.0);
  return t0;
}

TEST(nwtnitrn, BlowUpCountsGiveUpsBeforeTheEndZone) {
  const double step = 1e-10;
  struct row {
    family f;
    double t_after;
    int blow_up;
  } rows[] = {
      {family::poly, -0.06, 1},
      {family::poly, -0.05, 0},
      {family::td, std::nextafter(0.949999988079071, 0.0), 1},
      {family::td, 0.949999988079071, 0},
  };
  for (const row& r : rows) {
    const double t0 = t_before(r.t_after, step);
    ASSERT_EQ(t0 - step, r.t_after);
    // The linear corrector cuts a large correction only when its residual
    // is still above the accuracy: k = 1/3 overshoots (error times -2).
    const double k = (r.f == family::poly) ? 1.0 : 1.0 / 3;
    corr_out o = correct(r.f, 1.5, -1.0, k, step, 1e-7, t0);
    EXPECT_EQ(o.give_up, 1);
    EXPECT_EQ(o.t, r.t_after);
    EXPECT_EQ(o.blow_up, r.blow_up) << "t after the set-back = " << r.t_after;
  }
}

// --- first step ------------------------------------------------------------
// The first step of one unknown under the rules of either family.
template <class Ev>
void first_step(family f, Ev& ev, double& step, double& step1, double& t, vec_ref<cplx> dirx1,
                mat_ref<cplx> jacob, vec_ref<cplx> polyv, vec_ref<cplx> polyt, vec_ref<cplx> x2,
                vec_ref<cplx> x1, vec_ref<cplx> x, vec_ref<cplx> h_1, int& give_up,
                track_work<double>& w) {
  if (f == family::poly)
    frtstp_t<poly_rules, double>(ev, 1, step, step1, t, dirx1, jacob, polyv, polyt, x2, x1, x, h_1,
                                 give_up, w);
  else
    frtstp_t<td_rules, double>(ev, 1, step, step1, t, dirx1, jacob, polyv, polyt, x2, x1, x, h_1,
                               give_up, w);
}

// First step from x0 = root + 1e-3 with a tangent of 0: the prediction is the
// start point, and one correction divides its error by 12.  The polyhedral
// first step asks a contraction by 10 and accepts; the linear one asks 15 and
// keeps halving its step until it gives up.
TEST(frtstp_t, ContractionFactorsOfTheFirstStep) {
  struct row {
    family f;
    double t;
    int give_up;
  } rows[] = {{family::poly, -3.0, 0}, {family::td, 0.0, 1}};
  for (const row& r : rows) {
    fake::lin_reset({cplx(1, 0)}, cplx(12.0 / 11, 0));
    vec<double> tpow{0.0};
    vec<cplx> coef_q{cplx(1, 0)}, cv{cplx(0, 0)};
    poly_eval ev(1, 1, tpow, coef_q, cv, fake::lin_core);
    track_work<double> w(1);
    vec<cplx> x{cplx(1.001, 0)}, x1(1), x2(1), dirx1(1), polyv(1), polyt(1), h_1(1);
    mat<cplx> jacob(1, 1);
    double t = r.t, step = 0.01, step1 = 0;
    int give_up = 0;
    ev.at(x, t, jacob, polyv, polyt);
    first_step(r.f, ev, step, step1, t, dirx1, jacob, polyv, polyt, x2, x1, x, h_1, give_up, w);
    EXPECT_EQ(give_up, r.give_up);
    if (r.give_up == 0) {
      EXPECT_EQ(step, 1.0) << "a third of the distance to 0";
      EXPECT_EQ(step1, step);
      EXPECT_EQ(t, -2.0);
      EXPECT_EQ(x2(1), cplx(1.001, 0)) << "x2 is the start point";
      EXPECT_EQ(x1(1), x(1));
      EXPECT_NEAR(x(1).real(), 1.0, 1e-6);
    } else {
      EXPECT_LT(step, 1e-16);
    }
  }
}

// A fake evaluation whose values stay 0.01 wherever x is, with the Jacobian
// 1e9: every correction is tiny (1e-11) and the residual never falls, within
// 1000 times the accuracy 1e-7 sqrt(1e9) = 3.2e-3.  Every correction stalls;
// the first step ends its attempt as the corrector does, accepting the
// point at the advanced t with x belonging to it, instead of advancing t
// again and again without end.
struct stall_eval {
  int evals = 0;
  void at(vec_ref<const cplx>, double, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
          vec_ref<cplx> polyt) {
    ++evals;
    jacob(1, 1) = cplx(1e9, 0);
    polyv(1) = cplx(0.01, 0);
    polyt(1) = cplx(0, 0);
  }
  void same_t(vec_ref<const cplx> x, double t, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
              vec_ref<cplx> polyt) {
    at(x, t, jacob, polyv, polyt);
  }
};

TEST(frtstp_t, StalledCorrectionIsAcceptedAtTheAdvancedT) {
  struct row {
    family f;
    double t0, step0, t;
  } rows[] = {{family::poly, -20.0, 0.0, -20.0 + 20.0 / 3}, {family::td, 0.0, 0.01, 0.01}};
  for (const row& r : rows) {
    stall_eval ev;
    track_work<double> w(1);
    vec<cplx> x{cplx(2, 0)}, x1(1), x2(1), dirx1(1), polyv(1), polyt(1), h_1(1);
    mat<cplx> jacob(1, 1);
    double t = r.t0, step = r.step0, step1 = 0;
    int give_up = 0;
    ev.at(x, t, jacob, polyv, polyt);
    first_step(r.f, ev, step, step1, t, dirx1, jacob, polyv, polyt, x2, x1, x, h_1, give_up, w);
    EXPECT_EQ(give_up, 0);
    EXPECT_EQ(t, r.t);
    EXPECT_EQ(step1, step);
    EXPECT_EQ(x2(1), cplx(2, 0));
    EXPECT_EQ(x1(1), x(1));
    EXPECT_NEAR(x(1).real(), 2.0, 1e-9);
    EXPECT_EQ(ev.evals, 1 + 3) << "one prediction and two corrections";
  }
}

// --- step update ------------------------------------------------------------
struct step_out {
  double step, step1, accuracy;
  int nstep, flag, stepcount;
};

step_out update(family f, double t, double step, int nstep, int flag, double jnorm = 1.0) {
  vec<cplx> x{cplx(1, 0)}, x1{cplx(2, 0)}, x2{cplx(3, 0)};
  mat<cplx> jacob(1, 1, cplx(jnorm, 0));
  step_out o{step, 0, 0, nstep, flag, 7};
  if (f == family::poly)
    updtstp(1, t, o.stepcount, o.flag, o.nstep, o.step, o.step1, x, x1, x2, jacob, o.accuracy);
  else
    updtstptd(1, t, o.stepcount, o.flag, o.nstep, o.step, o.step1, x, x1, x2, jacob, o.accuracy);
  EXPECT_EQ(x1(1), cplx(1, 0));
  EXPECT_EQ(x2(1), cplx(2, 0));
  EXPECT_EQ(o.stepcount, 8);
  EXPECT_EQ(o.step1, step);
  return o;
}

TEST(updtstp, CapsAndDoublingTable) {
  struct row {
    const char* what;
    family f;
    double t, step;
    int nstep, flag;
    double new_step;
    int new_nstep, new_flag;
  } rows[] = {
      {"third success doubles below the cap -t/3", family::poly, -0.3, 0.04, 2, 1, 0.08, 0, 0},
      {"near the end the step lands on 0", family::poly, -0.02, 1.0, 0, 0, 0.02, 1, 1},
      {"the cap -t/3 is below the kept step", family::poly, -0.2, 0.1, 0, 0, 0.2 / 3, 1, 0},
      {"middle zone caps at 0.05", family::poly, -0.1, 0.5, 1, 0, 0.05, 2, 0},
      {"linear: doubling within reach of 1", family::td, 0.5, 0.1, 2, 0, 0.2, 0, 0},
      {"linear: the step is cut to land on 1", family::td, 0.95, 0.1, 1, 0, 1.0 - 0.95, 0, 1},
      {"linear: flag stays when the step fits", family::td, 0.5, 0.1, 0, 1, 0.1, 1, 1},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    step_out o = update(r.f, r.t, r.step, r.nstep, r.flag);
    EXPECT_DOUBLE_EQ(o.step, r.new_step);
    EXPECT_EQ(o.nstep, r.new_nstep);
    EXPECT_EQ(o.flag, r.new_flag);
  }
  // The landing step is exactly -t.
  EXPECT_EQ(update(family::poly, -0.02, 1.0, 0, 0).step, 0.02);
}

// The accuracy after a step at (x, t) with the diagonal Jacobian diag(j):
// accuracy_of's clamps and floor seen through updtstp of either family.
double accuracy_at(family f, double t, const std::vector<double>& j,
                   const std::vector<double>& xs) {
  const int n = static_cast<int>(j.size());
  vec<cplx> x(n), x1(n), x2(n);
  mat<cplx> jacob(n, n, cplx(0, 0));
  for (int i = 1; i <= n; ++i) {
    x(i) = cplx(xs[static_cast<std::size_t>(i - 1)], 0);
    jacob(i, i) = cplx(j[static_cast<std::size_t>(i - 1)], 0);
  }
  int stepcount = 0, flag = 0, nstep = 0;
  double step = 1e-3, step1 = 0, accuracy = 0;
  if (f == family::poly)
    updtstp(n, t, stepcount, flag, nstep, step, step1, x, x1, x2, jacob, accuracy);
  else
    updtstptd(n, t, stepcount, flag, nstep, step, step1, x, x1, x2, jacob, accuracy);
  return accuracy;
}

TEST(updtstp, AccuracyClampSwitchesAtTheEndZone) {
  // |J|_1 = 1e14 and max|x| = 1 give accuracy 1e-7 sqrt(1e14) = 1; the large
  // column belongs to a coordinate of modulus 1e-10, so the values' rounding
  // level (|J_11| |x_1| = 1e4 times 64 eps) stays far below both clamps.
  struct row {
    family f;
    double t, accuracy;
  } rows[] = {
      {family::poly, std::nextafter(-0.1, -1.0), 0.1},
      {family::poly, -0.1, 1e-4},
      {family::td, std::nextafter(0.9, 0.0), 0.1},
      {family::td, 0.9, 1e-4},
  };
  for (const row& r : rows) EXPECT_EQ(accuracy_at(r.f, r.t, {1e14, 1.0}, {1e-10, 1.0}), r.accuracy);
  EXPECT_DOUBLE_EQ(update(family::poly, -0.5, 1e-3, 0, 0, 4.0).accuracy, 2e-7);
}

// A point whose values are rounding noise above the clamped accuracy: the
// accuracy is 64 eps max_i sum_j |J_ij| |x_j| there, so that the corrector
// can accept a point it cannot correct further; everywhere else the clamps
// hold as before.
TEST(updtstp, AccuracyNeverBelowTheRoundingLevelOfTheValues) {
  // clang-format off
  struct row {
    const char* what;
    family f;
    double t;
    std::vector<double> j, x;
    double accuracy;
  } rows[] = {
      {"terms of 1e14 near the end: the floor", family::poly, -0.01, {1e12}, {100.0},
       64 * kMachEps * 1e14},
      {"terms of 1e14 far from the end: the floor", family::poly, -0.5, {1e12}, {100.0},
       64 * kMachEps * 1e14},
      {"linear homotopy near the end: the floor", family::td, 0.95, {1e12}, {100.0},
       64 * kMachEps * 1e14},
      {"the largest row decides", family::poly, -0.01, {1e3, 1e11}, {1.0, 1e4}, 64 * kMachEps * 1e15},
      {"terms of 1e9: the clamp", family::poly, -0.01, {1e7}, {100.0}, 1e-4},
      {"terms of 4e12 far from the end: the clamp", family::td, 0.5, {4e10}, {100.0}, 0.1},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_DOUBLE_EQ(accuracy_at(r.f, r.t, r.j, r.x), r.accuracy);
  }
}

// --- a path given up before the end game, followed again -------------------
// once(failed) stands for one tracking of a path: on its first `fails` calls
// it leaves the path given up by the corrector at t (and counts it in failed
// when t is below the blow-up threshold); it records the accuracy factor of
// each call.
TEST(follow_retried, TighterTriesUntilOneEndsAndOnlyALastFailureCounts) {
  // The clamps of the accuracy are 0.1 far from the end and 1e-4 near it; an
  // accuracy above them is the rounding level of the values.
  // clang-format off
  struct row {
    const char* what;
    double t;         // where the corrector gives the path up
    double accuracy;  // the accuracy it had there
    int fails;
    std::vector<double> scales;  // the accuracy factor of each try
    int blow_up;
  } rows[] = {
      {"a path that ends is followed once", -1.0, 1e-5, 0, {1.0}, 0},
      {"one give-up: again a hundred times tighter", -1.0, 1e-5, 1, {1.0, 1e-2}, 0},
      {"two give-ups: again ten thousand times tighter", -1.0, 1e-5, 2, {1.0, 1e-2, 1e-4}, 0},
      {"three give-ups: the last counts once", -1.0, 1e-5, 3, {1.0, 1e-2, 1e-4}, 1},
      {"between the blow-up threshold and the end zone: tried again, not counted", -0.01, 1e-5,
       3, {1.0, 1e-2, 1e-4}, 0},
      {"in the end game's zone: not tried again", -1e-5, 1e-5, 3, {1.0}, 0},
      {"at an accuracy of the rounding level far out: not tried again", -1.0, 0.5, 3, {1.0}, 1},
      {"at an accuracy of the rounding level near the end: not tried again", -0.01, 1e-3, 3,
       {1.0}, 0},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    path_state<double> s(1);
    std::vector<double> seen;
    int blow_up = 5;
    follow_retried<poly_rules>(s, blow_up, [&](int& failed) {
      seen.push_back(s.acc_scale);
      const bool fail = static_cast<int>(seen.size()) <= r.fails;
      s.give_up = fail ? 1 : 0;
      s.cut = fail ? 1 : 0;
      s.t = fail ? r.t : 0.0;
      s.accuracy = r.accuracy * s.acc_scale;
      if (fail && s.t < poly_rules::blowup_t) ++failed;
    });
    ASSERT_EQ(seen.size(), r.scales.size());
    for (std::size_t k = 0; k < seen.size(); ++k) EXPECT_DOUBLE_EQ(seen[k], r.scales[k]) << k;
    EXPECT_EQ(blow_up, 5 + r.blow_up);
    EXPECT_EQ(s.acc_scale, 1.0) << "restored for the next path";
  }
}

// The accuracy factor of a tighter try scales the clamped accuracy, and the
// rounding level still bounds it from below.
TEST(updtstp, TighterAccuracyStaysAboveTheRoundingLevel) {
  vec<cplx> x{cplx(100, 0)}, x1(1), x2(1);
  // clang-format off
  struct row {
    double j, scale, accuracy;
  } rows[] = {
      {1e5, 1e-2, 1e-6},                      // the clamp 1e-4 times 1e-2
      {1e12, 1e-2, 64 * kMachEps * 1e14},     // the rounding level
      {4.0, 1e-2, 1e-2 * 1e-7 * std::sqrt(400.0)},
  };
  // clang-format on
  for (const row& r : rows) {
    mat<cplx> jacob(1, 1, cplx(r.j, 0));
    int stepcount = 0, flag = 0, nstep = 0;
    double step = 1e-3, step1 = 0, accuracy = 0;
    updtstp_t<poly_rules, double>(1, -0.01, stepcount, flag, nstep, step, step1, x, x1, x2, jacob,
                                  accuracy, r.scale);
    EXPECT_DOUBLE_EQ(accuracy, r.accuracy) << "J = " << r.j;
  }
}

// --- end game ---------------------------------------------------------------
// Coordinate moduli behaving like d^e at the three distances d0 < d1 < d2
// (small, so that the growth test stays out of the way).
int endgame_with(family f, double e, vec<int>& infnty, double scale = 1e-12) {
  const double t = (f == family::poly) ? -1e-9 : 1.0 - 1e-9;
  const double step = 1e-9, step1 = 2e-9;
  double d0, d1, d2;
  if (f == family::poly)
    poly_rules::distances(t, step, step1, d0, d1, d2);
  else
    td_rules::distances(t, step, step1, d0, d1, d2);
  vec<cplx> x{cplx(scale * std::pow(d0, e), 0)}, x1{cplx(scale * std::pow(d1, e), 0)},
      x2{cplx(scale * std::pow(d2, e), 0)};
  int give_up = 0;
  if (f == family::poly)
    endgame(1, give_up, infnty, x, x1, x2, t, step, step1);
  else
    endgametd(1, give_up, infnty, x, x1, x2, t, step, step1);
  return give_up;
}

TEST(endgame, ExponentPatterns) {
  struct row {
    const char* what;
    double e;
    int give_up, watched;
  } rows[] = {
      {"a settled coordinate is no longer watched", 0.0, 0, 0},
      {"a pole gives up", -1.0, 1, 1},
      {"a branch point with exponent 1/2 gives up", 0.5, 1, 1},
      {"exponent 1 is neither", 1.0, 0, 1},
      {"exponent 0.2 is neither", 0.2, 0, 1},
  };
  for (family f : {family::poly, family::td}) {
    for (const row& r : rows) {
      SCOPED_TRACE(r.what);
      vec<int> infnty{1};
      EXPECT_EQ(endgame_with(f, r.e, infnty), r.give_up);
      EXPECT_EQ(infnty(1), r.watched);
    }
  }
}

TEST(endgame, ZeroCoordinateIsUnwatched) {
  for (family f : {family::poly, family::td}) {
    vec<int> infnty{1};
    EXPECT_EQ(endgame_with(f, 0.0, infnty, 0.0), 0);
    EXPECT_EQ(infnty(1), 0);
  }
}

TEST(endgame, GrowthBoundAndActivation) {
  // Growing points above 5e4 n (polyhedral) or 1e4 n (linear) give up at once.
  struct row {
    family f;
    double m2;
    int give_up;
  } rows[] = {{family::poly, 5e4, 0},
              {family::poly, 5.1e4, 1},
              {family::td, 1e4, 0},
              {family::td, 1.1e4, 1}};
  for (const row& r : rows) {
    vec<cplx> x{cplx(3 * r.m2, 0)}, x1{cplx(2 * r.m2, 0)}, x2{cplx(r.m2, 0)};
    vec<int> infnty{1};
    int give_up = 0;
    if (r.f == family::poly)
      endgame(1, give_up, infnty, x, x1, x2, -0.5e-4, 1e-5, 1e-5);
    else
      endgametd(1, give_up, infnty, x, x1, x2, 1 - 0.5e-4, 1e-5, 1e-5);
    EXPECT_EQ(give_up, r.give_up) << r.m2;
  }
  // Before the activation distance nothing is estimated, even for a pole.
  vec<cplx> x{cplx(1e3, 0)}, x1{cplx(1e2, 0)}, x2{cplx(1e1, 0)};
  vec<int> infnty{1};
  int give_up = 0;
  endgame(1, give_up, infnty, x, x1, x2, -1e-8, 1e-8, 1e-8);
  EXPECT_EQ(give_up, 0);
  EXPECT_EQ(infnty(1), 1);
}

// The tail's watch over a path the growth test gave up, fed the sizes of
// its accepted steps in the logarithm of the distance: a pole grows at a
// steady rate and is given up at its third step, whatever its order; the
// far roots of discretization systems make excursions whose rates change
// from step to step, and a root approached from below grows at a rate that
// decays like the distance; both are followed on.
TEST(pole_watch, SteadyGrowthAfterTheGrowthTestIsAPole) {
  auto pole_sizes = [](double order) {
    std::vector<std::pair<double, double>> v;  // (size, step)
    double rho = 0, h = 0.25;
    for (int k = 1; k <= 8; ++k, rho += h, h = k % 3 == 0 ? 2 * h : h)
      v.push_back({5e5 * std::exp(order * (rho + h)), h});
    return v;
  };
  auto approach = [] {
    std::vector<std::pair<double, double>> v;
    double rho = 0;
    for (int k = 1; k <= 12; ++k) {
      rho += 0.25;
      v.push_back({1e6 * (1 - 0.5 * std::exp(-rho)), 0.25});
    }
    return v;
  };
  struct row {
    const char* what;
    int verdict;
    double entry;
    std::vector<std::pair<double, double>> steps;
    int pole_at;  // the step at which the watch gives the path up, 0: never
  } rows[] = {
      {"pole of order 0.1", kVerdictGrowth, 5e5, pole_sizes(0.1), 3},
      {"pole of order 1", kVerdictGrowth, 5e5, pole_sizes(1.0), 3},
      {"pole of order 2", kVerdictGrowth, 5e5, pole_sizes(2.0), 3},
      {"a pole the growth test did not give up is not watched", kVerdictPole, 5e5, pole_sizes(1.0),
       0},
      {"excursion to a far root (discret3s)",
       kVerdictGrowth,
       9.91e5,
       {{1.428e6, 0.0039},
        {1.662e6, 0.0039},
        {1.76e6, 0.0039},
        {1.724e6, 0.00195},
        {1.639e6, 0.00195},
        {1.526e6, 0.00195},
        {1.3e6, 0.0039},
        {1.1e6, 0.0039}},
       0},
      {"a far root approached from below", kVerdictGrowth, 5e5, approach(), 0},
      {"erratic growth beyond the size bound",
       kVerdictGrowth,
       5e5,
       {{1e6, 0.5}, {5e6, 0.5}, {6e6, 0.5}, {1e8, 0.5}, {2e8, 0.5}, {6e8, 0.5}},
       6},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    path_state<double> s(1);
    s.verdict = r.verdict;
    s.x(1) = cplx(r.entry, 0);
    pole_watch watch(1, s);
    int pole_at = 0;
    for (std::size_t k = 0; k < r.steps.size() && pole_at == 0; ++k) {
      s.x1(1) = s.x(1);
      s.x(1) = cplx(r.steps[k].first, 0);
      s.step = r.steps[k].second;
      if (watch.pole(1, s)) pole_at = static_cast<int>(k) + 1;
    }
    EXPECT_EQ(pole_at, r.pole_at);
  }
}

// --- final Newton -----------------------------------------------------------
struct fn_out {
  bool isgood;
  cplx x;
};

fn_out final_newton(family f, double x0, double root, double k, int nan_from = 1 << 30,
                    bool nan_entry = false) {
  fake::lin_reset({cplx(root, 0)}, cplx(k, 0));
  fake::lin.nan_from = nan_from;
  vec<cplx> x{cplx(x0, 0)}, b{cplx(x0 - root, 0)}, coef, cfd;
  mat<cplx> a(1, 1, cplx(k, 0));
  if (nan_entry) b(1) = cplx(std::nan(""), 0);
  bool isgood = false;
  if (f == family::poly)
    fnlnwtn(1, 0, coef, a, b, x, cfd, isgood, fake::lin_core);
  else
    fnlnwtntd(1, 0, coef, a, b, x, cfd, isgood, fake::lin_core);
  return {isgood, x(1)};
}

TEST(fnlnwtn, MovementAndResidualTable) {
  struct row {
    const char* what;
    double x0, root, k;
    bool isgood;
    double x_back;  // the returned point when good
  } rows[] = {
      {"small point moved by 0.4 is kept", 1.4, 1.0, 1.0, true, 1.0},
      {"small point moved by 0.6 is dropped", 1.6, 1.0, 1.0, false, 0},
      {"large point moved by 3.2 (< 0.3 |x|) is kept", 13.2, 10.0, 1.0, true, 10.0},
      {"large point moved by 4.5 (> 0.3 |x|) is dropped", 14.5, 10.0, 1.0, false, 0},
      {"residual not halved: unchanged point kept by the bound", 1.0 + 1e-4, 1.0, 2.5, true,
       1.0 + 1e-4},
      {"residual not halved and above the bound: dropped", 1.0 + 1e-3, 1.0, 2.5, false, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    fn_out o = final_newton(family::poly, r.x0, r.root, r.k);
    EXPECT_EQ(o.isgood, r.isgood);
    if (r.isgood) {
      EXPECT_NEAR(o.x.real(), r.x_back, 1e-12);
    }
  }
}

TEST(fnlnwtn, LinearTwinStopsAtAnExactZeroResidual) {
  // One exact correction reaches residual 0.  The polyhedral routine takes one
  // more pass and returns the root; the linear one stops at once and returns
  // the point before that correction.
  EXPECT_EQ(final_newton(family::poly, 1.25, 1.0, 1.0).x, cplx(1.0, 0));
  fn_out td = final_newton(family::td, 1.25, 1.0, 1.0);
  EXPECT_TRUE(td.isgood);
  EXPECT_EQ(td.x, cplx(1.25, 0));
}

TEST(fnlnwtn, NaNNeverPassesAsAGoodPoint) {
  for (family f : {family::poly, family::td}) {
    // All values NaN after the first correction, from a residual above 1e-4.
    EXPECT_FALSE(final_newton(f, 1.001, 1.0, 1.0, 1).isgood);
    // A NaN residual on entry.
    EXPECT_FALSE(final_newton(f, 1.0, 1.0, 1.0, 1 << 30, true).isgood);
    // NaN after the correction of an accurate point: the point itself is kept.
    fn_out o = final_newton(f, 1.0 + 1e-6, 1.0, 1.0, 1);
    EXPECT_TRUE(o.isgood);
    EXPECT_EQ(o.x, cplx(1.0 + 1e-6, 0));
  }
}

TEST(fnlnwtnsln, ReturnsTheJacobianAndValuesAtThePolishedPoint) {
  // k = 1.25 divides the error by 5 per correction; the loop runs until the
  // residual stops halving, and the point before the last correction returns.
  fake::lin_reset({cplx(1, 0)}, cplx(1.25, 0));
  vec<cplx> x{cplx(1.5, 0)}, b{cplx(0.5, 0)}, coef, cfd;
  mat<cplx> a(1, 1, cplx(1.25, 0));
  bool isgood = false;
  fnlnwtnsln(1, 0, coef, a, b, x, cfd, isgood, fake::lin_core);
  ASSERT_TRUE(isgood);
  EXPECT_EQ(b(1), x(1) - 1.0) << "values at the returned point";
  EXPECT_EQ(a(1, 1), cplx(1.25, 0));
  EXPECT_LT(std::abs(b(1)), 1e-4);
}

// The second acceptance of the final Newton: consulted only for a kept
// iterate that moved little and fails the residual bound, with that iterate
// and its values, and only when the values are kept; its verdict decides.
TEST(fnlnwtn, SecondAcceptanceOnlyForAResidualAboveTheBound) {
  struct row {
    const char* what;
    double x0, root, k;
    bool keep_eval, verdict;
    int asked;
    bool isgood;
  } rows[] = {
      {"residual below the bound: not asked", 1.0 + 1e-5, 1.0, 2.5, true, false, 0, true},
      {"moved too far: not asked", 1.6, 1.0, 1.0, true, true, 0, false},
      {"residual above the bound, accepted", 1.0 + 1e-3, 1.0, 2.5, true, true, 1, true},
      {"residual above the bound, refused", 1.0 + 1e-3, 1.0, 2.5, true, false, 1, false},
      {"values not kept: never asked", 1.0 + 1e-3, 1.0, 2.5, false, true, 0, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    fake::lin_reset({cplx(r.root, 0)}, cplx(r.k, 0));
    vec<cplx> x{cplx(r.x0, 0)}, b{cplx(r.x0 - r.root, 0)}, coef, cfd;
    mat<cplx> a(1, 1, cplx(r.k, 0));
    auto target = [&](vec_ref<const cplx> z, vec_ref<cplx> p, mat_ref<cplx> dp) {
      fake::lin_evahhx(1, coef.data(), z.data(), p.data(), cfd.data(), dp.data());
    };
    int asked = 0;
    cplx seen_x, seen_b;
    auto accept = [&](vec_ref<const cplx> z, vec_ref<const cplx> p) {
      ++asked;
      seen_x = z(1);
      seen_b = p(1);
      return r.verdict;
    };
    track_work<double> w(1);
    bool isgood = false;
    fnlnwtn_t<poly_rules, double>(1, target, a, b, x, isgood, r.keep_eval, w, accept);
    EXPECT_EQ(asked, r.asked);
    EXPECT_EQ(isgood, r.isgood);
    if (asked == 1) {
      // k = 2.5 leaves 0.6 of the error: the residual never halves, so the
      // entry point is the kept iterate.
      EXPECT_EQ(seen_x, cplx(r.x0, 0));
      EXPECT_EQ(seen_b, cplx(r.x0 - r.root, 0));
    }
    if (isgood && r.keep_eval) {
      EXPECT_EQ(x(1), cplx(r.x0, 0));
      EXPECT_EQ(b(1), cplx(r.x0 - r.root, 0)) << "values at the returned point";
    }
  }
}

}  // namespace
}  // namespace hc

// The binary128 twins of the witness tracker's routines.  They are the
// shared tracking templates (track_steps.h) instantiated with binary128
// (quad_types.h: its real functions, lin_solve and colnorm1), with these
// binary128 pieces:
//   lin_solve and colnorm1 of quad_types.h (pivots below 2^-112 become
//       (2^-112, 0); the largest column sum of moduli).
//   q_rules  the polyhedral rules with binary128 constants: the accuracy
//       1e-10 sqrt(max(1, |jacob|_1) max(1, max|x|)) (first step, step
//       update, start of the loop; double precision uses 1e-7), the end
//       game's zero modulus 2^-112, the corrector parameter 0.1 set before
//       every corrector call, and the binary128 corrector below.
//   qevalpdpds, qevalpdp  the interpreted evaluators in binary128.
//   qnwtnitrn(tdbl, n, x, t, h_1, jacob, polyt, polyv, step, accuracy, cut,
//       flag, test_end, give_up, nstep, c3, ev, w)  the binary128 corrector
//       (nwtnitrn_t with q_rules): always corrects at least once, cuts on
//       the correction size only when the residual before it exceeds the
//       accuracy, takes the first correction's residual whenever it does
//       not cut, allows 10 corrections (step <= 1e-4) or 5, contraction
//       factors 10 and 5 (3, 2 for short steps), correction bound
//       1e-7 max(1, max|oldx|/1e10), and on a stall after a rising residual
//       returns to the point before the last correction.  A cut: t -= step,
//       step halved, nstep = flag = test_end = 0, give_up = 1 below 1e-16
//       (no blow-up is counted).  tdbl = t rounded to double on return.
#pragma once

#include "Eval.h"
#include "FollowCurve.h"
#include "WitPolyEval.h"
#include "quad_types.h"
#include "track_steps.h"

namespace hc {

// The binary128 constants are the binary128 values nearest to the decimals.
struct q_rules : poly_rules {
  // Corrector.
  static constexpr bool early_accept = false, first_kept = true, stall_reset = true;
  static constexpr qreal step_threshold = 1e-4Q;  // long steps: 5 corrections, short: 10
  static constexpr int itr_long = 5, itr_short = 10;
  static constexpr qreal c1_long = 10, c2_long = 5, c1_short = 3, c2_short = 2;
  static constexpr qreal corr_floor = 1e-7Q, corr_scale = 1e10Q, stall_residual = 1000;
  static constexpr qreal min_step = 1e-16Q;
  static constexpr qreal c3_t = -1e-4Q, c3_raised = 1, c3_oldx = 500;
  // The accuracy factor, and the corrector parameter of every corrector call.
  static constexpr qreal acc_factor = 1e-10Q, c3_default = 0.1Q;
  // 2^-112 (exact in double): an exactly zero modulus in the end game.
  static constexpr double eg_zero = 0x1p-112;
  static constexpr double acc_round = 0.0;
  static constexpr int max_cuts = 0;
};

void qevalpdpds(int n, int m, mat_ref<const int> supp, vec_ref<const qcplx> cf,
                vec_ref<const qcplx> cft, vec_ref<const int> maxdeg, vec_ref<const qcplx> x,
                vec_ref<const int> nm, mat_ref<qcplx> jacob, vec_ref<qcplx> polyv,
                vec_ref<qcplx> polyt);
void qevalpdp(int n, int m, mat_ref<const int> supp, vec_ref<const qcplx> cf,
              vec_ref<const int> maxdeg, vec_ref<const qcplx> x, vec_ref<const int> nm,
              mat_ref<qcplx> jacob, vec_ref<qcplx> polyv);

void qnwtnitrn(double& tdbl, int n, vec_ref<qcplx> x, qreal& t, vec_ref<qcplx> h_1,
               mat_ref<qcplx> jacob, vec_ref<qcplx> polyt, vec_ref<qcplx> polyv, qreal& step,
               qreal accuracy, int& cut, int& flag, int& test_end, int& give_up, int& nstep,
               qreal& c3, wit_poly_eval<qreal>& ev, track_work<qreal>& w);

}  // namespace hc

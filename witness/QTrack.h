// The binary128 twins of the witness tracker's routines.  They are the
// shared tracking templates (track_steps.h) instantiated with binary128,
// with these binary128 pieces:
//   qcqaxb(n, a, b)  cqaxb in binary128: pivots below 2^-112 become
//       (2^-112, 0); a(n,n) destroyed, b(n) := a^-1 b.
//   cqnormmq(m, n, a, info)  cqnormm in binary128 (info 1: largest column
//       sum of moduli, -1: largest row sum, else 0).
//   accuracy_of<qreal>  1e-10 sqrt(max(1, |jacob|_1) max(1, max|x|)): every
//       binary128 accuracy (first step, step update, start of the loop)
//       uses 1e-10 where double precision uses 1e-7.
//   q_rules  the polyhedral rules with the end game's zero modulus 2^-112.
//   qevalpdpds, qevalpdp  the interpreted evaluators in binary128.
//   qnwtnitrn(tdbl, n, x, t, h_1, jacob, polyt, polyv, step, accuracy, cut,
//       flag, test_end, give_up, nstep, c3, ev, w)  the binary128 corrector:
//       always corrects at least once, cuts on the correction size only
//       when the residual before it exceeds the accuracy, takes the first
//       correction's residual whenever it does not cut, allows 10
//       corrections (step <= 1e-4) or 5, contraction factors 10 and 5 (3, 2
//       for short steps), correction bound 1e-7 max(1, max|oldx|/1e10), and
//       on a stall after a rising residual returns to the point before the
//       last correction.  A cut: t -= step, step halved, nstep = flag =
//       test_end = 0, give_up = 1 below 1e-16.  tdbl = t rounded to double
//       at every return.
//
// This header puts the binary128 overloads first (q128.h) so that the
// templates bind to them: include it before any other solver header.
#pragma once

#include "q128.h"  // first: the templates below bind to its overloads

#include "FollowCurve.h"
#include "WitPolyEval.h"
#include "track_steps.h"

namespace hc {

void qcqaxb(int n, mat_ref<qcplx> a, vec_ref<qcplx> b);
qreal cqnormmq(int m, int n, mat_ref<const qcplx> a, int info);

inline void lin_solve(int n, mat_ref<qcplx> a, vec_ref<qcplx> b) { qcqaxb(n, a, b); }
inline qreal colnorm1(int n, mat_ref<const qcplx> a) { return cqnormmq(n, n, a, 1); }

// The accuracy factor of binary128 tracking.
constexpr qreal kQAccFactor = 1e-10Q;

template <>
inline qreal accuracy_of<qreal>(int n, mat_ref<const qcplx> jacob, vec_ref<const qcplx> x) {
  return kQAccFactor * r_sqrt(one_max<qreal>(cqnormmq(n, n, jacob, 1)) * one_max<qreal>(vmax(n, x)));
}

struct q_rules : poly_rules {
  // 2^-112 (exact in double): an exactly zero modulus in the end game.
  static constexpr double eg_zero = 0x1p-112;
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

// Newton's method in binary128 on the embedded system at a point of the
// slice whose Jacobian double precision cannot tell from a singular one.
//
// Next to a double point of the slice Newton's iterates in double
// precision stall within about sqrt(eps) of it, where the weighted Jacobian
// has singular values about sqrt(eps) relative; a simple point as badly
// conditioned (the hyperplane cuts the curve close to a singular point of
// it) looks the same there.  In binary128 the two part: from a simple point
// Newton converges quadratically, to its binary128 rounding in a few steps,
// while from next to a double point it halves its distance per step and
// would need some forty steps to come as close.
//
//   slice_quad_work(N, M, maxdeg)  the work of one caller: the coefficients
//       in binary128, the evaluation, the point, the values and the
//       Jacobian of the N equations of the embedded system in binary128.
//   slice_quad(N, n, M, nm, supp, coef, x, w)  Newton in binary128 on the N
//       equations of the embedded system nm(N), supp(N,M), coef(M) in all N
//       unknowns, from x(N), its slack 0.  True when within kQuadIters steps
//       a correction falls to at most kQuadConverged relative (against
//       max(1, max_j |X_j|)), the slack coordinates there are at most
//       kQuadConverged, and the given coordinates within kQuadNear relative
//       of x: x(1..n) := that point rounded to double, x(n+1..N) := 0.  x is
//       unchanged when false.
#pragma once

#include "WitEval.h"
#include "array.h"
#include "cplx.h"
#include "quad_types.h"

namespace hc {

// A simple point of the slice whose Jacobian's singular values are 1e-12
// relative or more is determined in binary128 to its rounding (2e-34) over
// that ratio, 2e-22; 1e-20 leaves room for the size of the equations.
constexpr double kQuadConverged = 1e-20;
// From where double precision left it, a simple point is within 2e-4 of the
// binary128 one (eps over the smallest ratio the caller passes, 1e-12), and
// quadratic convergence takes it to kQuadConverged in two to five steps; a
// double point stalled 1e-8 away halves its distance per step and comes no
// closer than 2e-12 in twelve.
constexpr int kQuadIters = 12;
// The point confirmed lies within this relative distance of the point
// double precision found: the same witness point, not another root.
constexpr double kQuadNear = 1e-3;

struct slice_quad_work {
  vec<qcplx> qcoef, x, f, d;
  mat<qcplx> jac;
  wit_eval_work<qreal> ew;
  slice_quad_work(int N, int M, vec_ref<const int> maxdeg)
      : qcoef(M), x(N), f(N), d(N), jac(N, N), ew(N, maxdeg) {}
};

bool slice_quad(int N, int n, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                vec_ref<const cplx> coef, vec_ref<cplx> x, slice_quad_work& w);

}  // namespace hc

// Newton's method on the slice: the given equations and the hyperplanes of
// the embedded system with every slack variable at 0, in the n given
// unknowns alone.
//
// A witness point far from the origin is badly determined by the embedded
// system.  There the given equations have terms of size |x|^d that cancel,
// so their computed values carry a rounding error of eps |x|^d.  When two
// given equations are the same curve up to a factor, each equation's error
// is met by a slack value of that size, and the slack shifts its hyperplane.
// A hyperplane nearly parallel to the curve's asymptote (the reason its
// witness point lies far out) then moves that point by about |x| times
// the shift.  For the Fermat curve of degree 20 this is already more than
// the point's own size at |x| = 3.  With the slack held at 0 the shift is
// gone, and the point is as well determined as the curve and the hyperplanes
// make it: to about eps |x| relative.
//
//   slice_work(N, n, maxdeg)  the work of one caller: the evaluation of the
//       embedded system (N equations, N unknowns, the last N - n the slack
//       variables), its term sums, and an N x n least-squares problem.
//   slice_newton(N, n, nm, supp, coef, acoef, scale, x, w)  Gauss-Newton on
//       the N equations F(x_1..x_n, 0) = 0 in x_1..x_n, from x(N): x(n+1..N)
//       := 0 first.  Equation i is weighted by 1 / max(scale(i), its term sum
//       at the iterate), unknown j measured against max(1, |x_j|).  True
//       when the iteration converged (a correction of at most
//       kSliceConverged relative, within kSliceIters steps, every iterate
//       finite and below kSliceFar), the values at the last iterate pass
//       backerr_ok(kBackErrFactor) against the equations' weights there,
//       max(scale(i), term sum) (BackErr.h), and the weighted Jacobian there
//       has min_sv > kSliceRcond max_sv.  The coefficient floor of the
//       weights serves the values as it serves the rows: where every term
//       of an equation holds a coordinate that is 0 on the variety (the
//       coordinate axes, x y = y z = x z = 0, at (1, 1e-20, 1e-20)) the
//       value and the term sum vanish together, and against the term sum
//       alone the rounding of such a coordinate would fail any point.
//       nm(N), supp(N,M), coef(M) the unscaled embedded system, acoef(M) =
//       |coef| (abs_coef), scale(N) the largest |coef| of each equation
//       (coef_scales); x overwritten with the last iterate.
//   coef_scales(N, nm, coef, scale)  scale(i) = the largest |coef| of the
//       terms of equation i (nm(N), coef(M) in equation order): the floor of
//       the equations' weights above.  It scales with its equation, and it
//       keeps an equation whose terms all vanish at a point (a double root
//       at the origin) from being scaled up there.
//   same_point(n, x, y, tol)  max_j |x_j - y_j| <= tol max(1, max_j |x_j|):
//       x(n) and y(n) the same point to a relative tol.
#pragma once

#include "BackErr.h"
#include "WitEval.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// Quadratic convergence takes a well-determined point to a correction of a
// few eps times its condition number; 1e-10 leaves room for a condition
// number of 1e5.  Near a double root Newton converges only linearly and its
// corrections do not fall below about sqrt(eps) = 1.5e-8, so such a point,
// whose multiplicity the embedded system shows by its copies, never passes.
constexpr double kSliceConverged = 1e-10;
// From the last point of a path given up near its end Newton takes up to a
// few tens of steps: the iteration that has not converged by then is
// abandoned.
constexpr int kSliceIters = 64;
// Beyond this modulus the iteration is taken to diverge: terms of degree 18
// overflow there, and values of lower degree are rounding noise far larger
// than any point's own size.
constexpr double kSliceFar = 1e18;
// The smallest ratio of the singular values of the weighted Jacobian at an
// accepted point.  Next to a double root Newton's iterates stall within about
// sqrt(eps) of it, where that ratio is about sqrt(eps) = 1.5e-8 (measured:
// 3.3e-10 to 3.3e-8 over 600 double witness points of the circle squared);
// their computed residuals, whose terms cancel to a few rounding units, can
// vanish exactly and end the iteration with a correction of 0.  Below a few
// times sqrt(eps) double precision cannot tell a simple root from such a
// stall: the rounding of the values moves the point by eps over the ratio,
// which is then as large as the region where Newton converges
// quadratically.  1e-7 rejects the stalls with a factor of 3 to spare and
// accepts the simple witness points that lie close to a singular point of
// their curve (reduced cyclic 8-roots: about one in 300 has a ratio
// between 1e-7 and 1e-6) or far out (Fermat curve of degree 20: down to
// 6e-6).
constexpr double kSliceRcond = 1e-7;

struct slice_work {
  int N, n;
  wit_eval_work<double> ew;
  term_scale_work sw;
  vec<cplx> f, b, hw;
  vec<double> tsum;
  mat<cplx> jac, a, r;
  slice_work(int N_, int n_, vec_ref<const int> maxdeg)
      : N(N_),
        n(n_),
        ew(N_, maxdeg),
        sw(N_),
        f(N_),
        b(N_),
        hw(N_),
        tsum(N_),
        jac(N_, N_),
        a(N_, n_),
        r(n_, n_) {}
};

bool slice_newton(int N, int n, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, vec_ref<const cplx> acoef, vec_ref<const double> scale,
                  vec_ref<cplx> x, slice_work& w);

void coef_scales(int N, vec_ref<const int> nm, vec_ref<const cplx> coef, vec_ref<double> scale);

bool same_point(int n, vec_ref<const cplx> x, vec_ref<const cplx> y, double tol);

}  // namespace hc

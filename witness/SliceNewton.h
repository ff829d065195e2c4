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
//   slice_work(N, n, M, maxdeg)  the work of one caller: the evaluation of
//       the embedded system (N equations, N unknowns, the last N - n the
//       slack variables, M terms), its term sums, an N x n least-squares
//       problem and the binary128 Newton (SliceQuad.h).
//   slice_sizes(N, nm, supp, acoef, x, size, w)  size(i) = sum over the
//       terms k of equation i of |coef(k)| prod_j max(1, |x_j|)^supp(j,k):
//       the size of equation i with each unknown measured against
//       max(1, |x_j|) (the slack terms, the slack 0 on the slice, count with
//       their coefficients).  nm(N), supp(N,M), acoef(M) = |coef| (abs_coef)
//       and x(N) read, size(N) written.
//   slice_newton(N, n, nm, supp, coef, acoef, x, w)  Gauss-Newton on the N
//       equations F(x_1..x_n, 0) = 0 in x_1..x_n, from x(N): x(n+1..N) := 0
//       first.  Equation i is weighted by 1 / its size (slice_sizes) at the
//       iterate, unknown j measured against max(1, |x_j|).  True when the
//       iteration converged (a correction of at most kSliceConverged
//       relative, within kSliceIters steps, every iterate finite and below
//       kSliceFar), the values at the last iterate pass
//       backerr_ok(kBackErrFactor) against the sizes there (BackErr.h), and
//       the weighted Jacobian there has min_sv > kSliceRcond max_sv, or
//       min_sv > kSliceRcondQuad max_sv and Newton in binary128 confirms
//       the point (slice_quad, which then replaces x by its point).
//       nm(N), supp(N,M), coef(M) the unscaled embedded system, acoef(M) =
//       |coef|; x overwritten with the last iterate.
//   The unit of every unknown is max(1, |x_j|), never |x_j|, and each
//   equation is measured in that unit: its size is its term sum at the
//   point of moduli max(1, |x_j|), at least the sum of its coefficients'
//   moduli.  So every weighted entry of the Jacobian is at most the degree,
//   the weights stay between fixed bounds as a point comes close to a
//   coordinate subspace, and a Jacobian of lower rank there keeps its lower
//   rank.  (Against the term sums at the point itself, an equation whose
//   every term holds a coordinate that is 0 on the variety, as y z on the
//   coordinate axes at (1, 1e-20, 1e-20), would have a value and a size
//   that vanish together, and the rounding of such a coordinate would fail
//   any point; the term sums of a product of a large and a small
//   coordinate, x1 x2 x3 x4 - 1 at a point of cyclic 4-roots with x1 = 1e-5
//   and x2 = 1e5, would leave a derivative of 1e5 against a size of 2.)
//   same_point(n, x, y, tol)  max_j |x_j - y_j| <= tol max(1, max_j |x_j|):
//       x(n) and y(n) the same point to a relative tol; false when a
//       distance is NaN.
#pragma once

#include "BackErr.h"
#include "SliceQuad.h"
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
// A point whose ratio lies between this and kSliceRcond is accepted when
// Newton in binary128 confirms it (slice_quad).  Below, the point is no
// regular point of the slice: simple points so badly conditioned (a
// hyperplane within 1e-12 of a singular point of the curve) do not occur,
// and the ratios of the singular points, the points of larger solution
// sets and the points Newton creeps to next to a coordinate subspace do
// (reduced cyclic 8-roots: nearly all of them below 1e-11).
constexpr double kSliceRcondQuad = 1e-12;

struct slice_work {
  int N, n;
  wit_eval_work<double> ew;
  slice_quad_work q;
  term_scale_work sw;
  vec<cplx> f, b, hw, xm;
  vec<double> tsum;  // the sizes of the equations at the iterate
  mat<cplx> jac, a, r;
  slice_work(int N_, int n_, int M, vec_ref<const int> maxdeg)
      : N(N_),
        n(n_),
        ew(N_, maxdeg),
        q(N_, M, maxdeg),
        sw(N_),
        f(N_),
        b(N_),
        hw(N_),
        xm(N_),
        tsum(N_),
        jac(N_, N_),
        a(N_, n_),
        r(n_, n_) {}
};

void slice_sizes(int N, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> acoef,
                 vec_ref<const cplx> x, vec_ref<double> size, slice_work& w);

bool slice_newton(int N, int n, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, vec_ref<const cplx> acoef, vec_ref<cplx> x,
                  slice_work& w);

bool same_point(int n, vec_ref<const cplx> x, vec_ref<const cplx> y, double tol);

}  // namespace hc

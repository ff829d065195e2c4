// Which points of the witness run are witness points: one classifier for
// every end point of the embedded system and every last point of a path
// that gave none (FllCrvPol_W.h), in one place.
//
// A point x of the embedded system (N = n + k unknowns, the last k the slack
// variables) is one of
//   end_kind::witness      Newton on the slice (slack 0, SliceNewton.h) from x
//                          accepts a point y that matches no witness point
//                          found before: y is a witness point, written with
//                          its slack 0, and the point tested is the point
//                          written;
//   end_kind::copy         Newton on the slice accepts a point that matches
//                          one found before (same_point to kSameWitness): two
//                          paths ended at one witness point;
//   end_kind::off_slice    an end point whose slack is larger than the
//                          rounding of its given equations can explain
//                          (slack_in_noise): a root of the embedded system
//                          off the slice, not tried on the slice;
//   end_kind::not_regular  Newton on the slice from x accepts no point: it
//                          meets no regular point of the slice.
// The last points of the paths that gave none are always tried on the
// slice: their slack says nothing, as the path did not end.
//
// The regularity rule is that of slice_newton, judged at the point Newton
// on the slice converges to, never at the end point.  An end point next to a
// singular point of the slice (of reduced cyclic 8-roots, say, where some
// coordinates that are 0 there come out as 1e-8 to 1e-4) has a Jacobian
// whose singular values are about its distance to that point: 1e-10 to 1e-6
// relative, as large as those of a regular but badly conditioned witness
// point, so that no bound on the conditioning at the end point tells the
// two apart.  Newton on the slice does: from a regular point it converges
// quadratically, and from next to a singular one it creeps, leaves, or stops
// where the residual is not rounding.  At the point it accepts, the Jacobian
// of {f, L} with unknown j measured against max(1, |x_j|) and each equation
// in those units (slice_sizes) has min_sv > kSliceRcond max_sv.  The floor
// at 1 makes it a test of the Jacobian itself: measured against |x_j| and
// the term sums at the point (coordinates relative to the point) the
// derivative 2 y of y^2 at y = 1e-8 becomes 2 y |y| / |y|^2 = 2, every
// monomial looks simple there, and a singular point next to a coordinate
// subspace would pass as regular.  Dividing an equation by a constant
// divides its size alike, so the rule does not depend on the scale of the
// equations.
//
//   classify_work(N, n, M, nm, supp, coef, cap)  the work of one caller for
//       the embedded system nm(N), supp(N,M), coef(M) (unscaled, read and
//       kept by reference): |coef| (abs_coef), the sizes of the equations
//       and the slice Newton work, and room for cap witness points (the n
//       given coordinates of each).
//   classify_point(x, end_point, y, w)  the kind of x(N) (read); end_point
//       false for the last point of a path that gave none.  For witness and
//       copy y(N) is the point on the slice, slack 0; witness adds it to the
//       points of w.  More than cap witness points end the program with a
//       message (wit_fail): the caller sizes cap by its points.
//   slack_in_noise(N, n, x, size)  |x_i| <= kSlackNoise eps max_{l<=n}
//       size(l) for every slack i = n+1..N: a slack that the rounding of the
//       given equations can explain, size(N) their sizes at x(N)
//       (slice_sizes: never 0, also where every term of an equation
//       vanishes, as at a point of a coordinate axis); false whenever a
//       value is NaN.
#pragma once

#include "BackErr.h"
#include "SliceNewton.h"
#include "WitEval.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// The computed values of the given equations carry eps times their term
// sums, and at a witness point far out the slack takes up that error
// (through the unit slack coefficients), so its slack is of that size; 1e4
// leaves room for the degree and for the elimination.  At a root of the
// embedded system off the slice the slack is of the size of the point's own
// terms, far above it, and Newton on the slice from there is wasted work:
// on cyclic 8-roots cut by one hyperplane that is 4,000 of its 4,176 end
// points.
constexpr double kSlackNoise = 1e4;
// Two points accepted on the slice are one witness point when they agree to
// this relative distance: each is then known to a few eps times its
// condition number, which the acceptance bounds by 1 / kSliceRcond, so two
// computations of one point agree to about 1e-10, while two witness points
// as close as 1e-8 would leave a Jacobian singular to rounding between them.
constexpr double kSameWitness = 1e-8;

enum class end_kind { witness, copy, off_slice, not_regular };

struct classify_work {
  int N, n, M;
  vec_ref<const int> nm;
  mat_ref<const int> supp;
  vec_ref<const cplx> coef;
  vec<cplx> acoef;
  vec<double> size;
  vec<int> maxdeg;  // maxdeg_of supp
  slice_work slw;
  int count = 0;
  mat<cplx> found;  // found(n, cap): the witness points so far
  classify_work(int N_, int n_, int M_, vec_ref<const int> nm_, mat_ref<const int> supp_,
                vec_ref<const cplx> coef_, int cap);
};

end_kind classify_point(vec_ref<const cplx> x, bool end_point, vec_ref<cplx> y, classify_work& w);

bool slack_in_noise(int N, int n, vec_ref<const cplx> x, vec_ref<const double> size);

}  // namespace hc

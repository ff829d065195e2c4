// Writer of data.witness: the end points of the embedded system that are
// witness points (Newton polish on the unscaled system succeeds, the
// Jacobian is well conditioned and every slack coordinate vanishes, below),
// then
// the random coefficients of the slicing, the variable order and the counts.
//
//   wrtsln_w(N, M, n, k, nroot, nwitness, supp, oldcoef, nm, sol, zcoef,
//       lcoef, var, nlost)  writes ./data.witness (created or rewritten).
//       N = n + k variables, the last k the slack variables; supp(N,M),
//       nm(N), oldcoef(M) the unscaled embedded system; sol(N, >= nroot +
//       nlost) the unscaled end points, then the last points of the nlost
//       paths that gave none (fcurve_w), not modified; zcoef(n,k) the slack
//       coefficients, lcoef(k,n+1) the hyperplanes (constant term last);
//       var(n) the names.  Out nwitness, the points written.  The file is
//       replaced only once complete (outfile.h); one that cannot be written
//       ends the program with a message on standard error and status::output.
//   write_witness(out, ...)  the same records to any stream.
//   The end points that pass the tests below are written in their order,
//   except one that Newton on the slice (slack 0, SliceNewton.h) brings to
//   a witness point met there before (two paths ended at one point), and one
//   whose Jacobian is not clearly_conditioned where Newton on the slice does
//   not confirm it.  Then, from each end point that failed the tests (when
//   slack_in_noise holds there) and each lost path's last point, Newton on
//   the slice looks for a witness point; one it finds and that was not met
//   before is written with its slack coordinates 0.  This finds the points
//   far from the origin that the embedded system leaves too badly
//   determined for its paths to end there.
//   A point is a witness point when its polish succeeds (the polish's
//   residual bound, or a componentwise backward error of at most
//   kBackErrFactor machine epsilons, BackErr.h, as the writer of data.roots
//   accepts a root), its Jacobian is well conditioned and its slack
//   coordinates vanish, all judged relative to the point, so that witness
//   points far from the origin or of large coefficients pass as well:
//   slack_bound(n, j, x, lcoef)  max(1e-9, 1e-8 hyperplane_size(n, j, x,
//       lcoef)), the largest |z_j| that counts as zero: z_j is the residual
//       that hyperplane j leaves at x(n).
//   coef_scales(N, nm, coef, scale)  scale(i) = the largest |coef| of the
//       terms of equation i (nm(N), coef(M) in equation order).
//   equilibrate(N, scale, a)  row i of a(N,N) divided by scale(i) (rows of
//       scale 0 stay): the Jacobian of the equations scaled to coefficients
//       of size at most 1.
//   well_conditioned(max_sv, min_sv, max_sv_eq, min_sv_eq)  the singular-value
//       estimates of the Jacobian and of its equilibrated copy: max_sv > 1e-8
//       and min_sv > 1e-8 max_sv, or max_sv > 1e-8 and min_sv_eq > 1e-12
//       max_sv_eq.
//   hyperplane_size(n, j, x, lcoef)  sum_l |lcoef(j,l)| |x_l| + |lcoef(j,n+1)|,
//       the size of hyperplane j's terms at x(n).
//   scale_to_point(N, n, scale, tsum, x, lcoef, a)  row i of a(N,N) divided
//       by max(scale(i), tsum(i)) (rows where both are 0 stay), then column
//       j multiplied by max(1, |x(j)|) for j <= n and by max(1,
//       hyperplane_size(n, j - n, x, lcoef)) for a slack: the Jacobian
//       relative to the point; tsum(N) the term sums of the equations at
//       x(N) (BackErr.h term_sums), scale(N) the coefficient scales of
//       coef_scales.
//   well_conditioned(max_sv, min_sv, max_sv_eq, min_sv_eq, max_sv_pt,
//       min_sv_pt)  the test above, or max_sv > 1e-8 and min_sv_pt > 1e-12
//       max_sv_pt, the estimates of the Jacobian scaled to the point.
//   clearly_conditioned(max_sv, min_sv, max_sv_eq, min_sv_eq, max_sv_pt,
//       min_sv_pt)  max_sv > 1e-8 and min_sv > 1e-8 max_sv, or a ratio of
//       the equilibrated or the point-scaled estimates above 1e-10: the
//       Jacobian is not singular to rounding in any of the three scalings.
//   slack_in_noise(N, n, x, tsum)  |x_i| <= kSlackNoise eps max_{l<=n}
//       tsum(l) for every slack i = n+1..N: a slack that the rounding of the
//       given equations (term sums tsum(N) at x(N)) can explain; false
//       whenever a value is NaN.
//   is_witness(N, n, x, lcoef, conditioned)  conditioned and |x_i| <=
//       slack_bound(n, i - n, x, lcoef) for i = n+1..N; false whenever a value
//       is NaN.
//   witness_banner  the four records of the author and contact banner that
//       close data.witness and the summary of witsolve.
#pragma once

#include <ostream>
#include <string>

#include "array.h"
#include "cplx.h"

namespace hc {

extern const char* const witness_banner[4];

double slack_bound(int n, int j, vec_ref<const cplx> x, mat_ref<const cplx> lcoef);
void coef_scales(int N, vec_ref<const int> nm, vec_ref<const cplx> coef, vec_ref<double> scale);
void equilibrate(int N, vec_ref<const double> scale, mat_ref<cplx> a);
double hyperplane_size(int n, int j, vec_ref<const cplx> x, mat_ref<const cplx> lcoef);
void scale_to_point(int N, int n, vec_ref<const double> scale, vec_ref<const double> tsum,
                    vec_ref<const cplx> x, mat_ref<const cplx> lcoef, mat_ref<cplx> a);
bool well_conditioned(double max_sv, double min_sv, double max_sv_eq, double min_sv_eq);
bool well_conditioned(double max_sv, double min_sv, double max_sv_eq, double min_sv_eq,
                      double max_sv_pt, double min_sv_pt);
bool clearly_conditioned(double max_sv, double min_sv, double max_sv_eq, double min_sv_eq,
                         double max_sv_pt, double min_sv_pt);
bool slack_in_noise(int N, int n, vec_ref<const cplx> x, vec_ref<const double> tsum);
bool is_witness(int N, int n, vec_ref<const cplx> x, mat_ref<const cplx> lcoef, bool conditioned);

void write_witness(std::ostream& out, int N, int M, int n, int k, int nroot, int& nwitness,
                   mat_ref<const int> supp, vec_ref<const cplx> oldcoef, vec_ref<const int> nm,
                   mat_ref<const cplx> sol, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                   vec_ref<const std::string> var, int nlost = 0);

void wrtsln_w(int N, int M, int n, int k, int nroot, int& nwitness, mat_ref<const int> supp,
              vec_ref<const cplx> oldcoef, vec_ref<const int> nm, mat_ref<const cplx> sol,
              mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef, vec_ref<const std::string> var,
              int nlost = 0);

}  // namespace hc

#include "SliceNewton.h"

#include <algorithm>
#include <cmath>

#include "LinTool.h"
#include "vec_ops.h"

namespace hc {

namespace {
// The relative tolerance of the singular-value estimates (cqmaxminsv): far
// finer than the bounds on their ratio need.
constexpr double kSliceSvTol = 1e-8;

// Values, Jacobian and sizes (slice_sizes, kept in w.tsum) of the embedded
// system at x (slack 0), and the weighted least-squares problem a u = b of
// one Gauss-Newton step: a(i,j) = jac(i,j) max(1,|x_j|) / size(i),
// b(i) = -f(i) / size(i).
void weighted_step(int N, int n, vec_ref<const int> nm, mat_ref<const int> supp,
                   vec_ref<const cplx> coef, vec_ref<const cplx> acoef, vec_ref<const cplx> x,
                   slice_work& w) {
  wit_eval_t<double, true, false>(N, supp, nm, coef, coef, x, w.jac, w.f, w.f, w.ew);
  slice_sizes(N, nm, supp, acoef, x, w.tsum, w);
  for (int i = 1; i <= N; ++i) {
    const double inv = w.tsum(i) > 0 ? 1.0 / w.tsum(i) : 1.0;
    for (int j = 1; j <= n; ++j) w.a(i, j) = w.jac(i, j) * (std::max(1.0, cabs(x(j))) * inv);
    w.b(i) = -w.f(i) * inv;
  }
}

}  // namespace

void slice_sizes(int N, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> acoef,
                 vec_ref<const cplx> x, vec_ref<double> size, slice_work& w) {
  for (int j = 1; j <= N; ++j) w.xm(j) = cplx(std::max(1.0, cabs(x(j))), 0.0);
  term_sums(N, w.xm, size, w.sw, [&](vec_ref<const cplx> ax, vec_ref<cplx> v, mat_ref<cplx> dv) {
    wit_eval_t<double, true, false>(N, supp, nm, acoef, acoef, ax, dv, v, v, w.ew);
  });
}

bool slice_newton(int N, int n, vec_ref<const int> nm, mat_ref<const int> supp,
                  vec_ref<const cplx> coef, vec_ref<const cplx> acoef, vec_ref<cplx> x,
                  slice_work& w) {
  for (int i = n + 1; i <= N; ++i) x(i) = cplx(0.0, 0.0);
  bool converged = false;
  for (int it = 1; it <= kSliceIters && !converged; ++it) {
    weighted_step(N, n, nm, supp, coef, acoef, x, w);
    cqlsq(N, n, w.a, w.b, w.hw);
    double step = 0;
    for (int j = 1; j <= n; ++j) {
      const double c = std::max(1.0, cabs(x(j)));
      x(j) += w.b(j) * c;
      step = std::max(step, cabs(w.b(j)));
    }
    const double size = vmax(n, vec_ref<const cplx>(x));
    if (!std::isfinite(size) || !std::isfinite(step) || size > kSliceFar) return false;
    converged = step <= kSliceConverged;
  }
  if (!converged) return false;
  weighted_step(N, n, nm, supp, coef, acoef, x, w);
  if (!backerr_ok(N, w.f, w.tsum, kBackErrFactor)) return false;
  // The singular values of the weighted Jacobian are those of its R.
  cqlsq(N, n, w.a, w.b, w.hw);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) w.r(i, j) = i <= j ? w.a(i, j) : cplx(0.0, 0.0);
  double max_sv = 0, min_sv = 0;
  cqmaxminsv(n, w.r, max_sv, min_sv, kSliceSvTol);
  if (!(max_sv > 0 && min_sv > kSliceRcondQuad * max_sv)) return false;
  return min_sv > kSliceRcond * max_sv || slice_quad(N, n, coef.size(), nm, supp, coef, x, w.q);
}

bool same_point(int n, vec_ref<const cplx> x, vec_ref<const cplx> y, double tol) {
  double d = 0;
  for (int j = 1; j <= n; ++j) {
    const double e = cabs(x(j) - y(j));
    if (e != e) return false;  // NaN: no match
    d = std::max(d, e);
  }
  return d <= tol * std::max(1.0, vmax(n, x));
}

}  // namespace hc

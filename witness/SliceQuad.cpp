#include "SliceQuad.h"

#include <algorithm>

namespace hc {

namespace {
qreal qabs(const qcplx& z) { return sqrtq(z.real() * z.real() + z.imag() * z.imag()); }
}  // namespace

bool slice_quad(int N, int n, int M, vec_ref<const int> nm, mat_ref<const int> supp,
                vec_ref<const cplx> coef, vec_ref<cplx> x, slice_quad_work& w) {
  for (int k = 1; k <= M; ++k) w.qcoef(k) = qcplx(coef(k).real(), coef(k).imag());
  for (int j = 1; j <= N; ++j) w.x(j) = j <= n ? qcplx(x(j).real(), x(j).imag()) : qcplx(0, 0);
  bool converged = false;
  for (int it = 1; it <= kQuadIters && !converged; ++it) {
    wit_eval_t<qreal, true, false>(N, supp, nm, w.qcoef, w.qcoef, w.x, w.jac, w.f, w.f, w.ew);
    for (int i = 1; i <= N; ++i) w.d(i) = -w.f(i);
    lin_solve(N, w.jac, w.d);
    qreal step = 0, size = 1;
    for (int j = 1; j <= N; ++j) {
      w.x(j) += w.d(j);
      step = std::max(step, qabs(w.d(j)));
      size = std::max(size, qabs(w.x(j)));
    }
    // NaN fails every comparison: such a point never converges
    if (!(size < 1e300Q)) return false;
    converged = step <= qreal(kQuadConverged) * size;
  }
  if (!converged) return false;
  qreal size = 1, moved = 0;
  for (int j = 1; j <= n; ++j) {
    size = std::max(size, qabs(w.x(j)));
    moved = std::max(moved, qabs(w.x(j) - qcplx(x(j).real(), x(j).imag())));
  }
  for (int i = n + 1; i <= N; ++i)
    if (!(qabs(w.x(i)) <= qreal(kQuadConverged) * size)) return false;
  if (!(moved <= qreal(kQuadNear) * size)) return false;
  for (int j = 1; j <= n; ++j)
    x(j) = cplx(static_cast<double>(w.x(j).real()), static_cast<double>(w.x(j).imag()));
  for (int i = n + 1; i <= N; ++i) x(i) = cplx(0.0, 0.0);
  return true;
}

}  // namespace hc

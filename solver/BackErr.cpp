#include "BackErr.h"

#include <cmath>

namespace hc {

bool backerr_ok(int n, vec_ref<const cplx> p, vec_ref<const double> scale, double factor) {
  for (int i = 1; i <= n; ++i)
    if (!(cabs(p(i)) <= factor * kMachEps * scale(i))) return false;  // a NaN fails too
  return true;
}

double backerr(int n, vec_ref<const cplx> p, vec_ref<const double> scale) {
  double worst = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double v = cabs(p(i));
    if (v == 0.0) continue;
    const double r = v / scale(i);  // v / 0 is infinity
    if (!(r <= worst)) worst = r != r ? INFINITY : r;
  }
  return worst;
}

void abs_coef(int m, vec_ref<const cplx> coef, vec_ref<cplx> acoef) {
  for (int k = 1; k <= m; ++k) acoef(k) = cplx(cabs(coef(k)), 0.0);
}

void term_scale(int n, vec_ref<const cplx> acoef, vec_ref<const cplx> cfd, vec_ref<const cplx> x,
                vec_ref<double> scale, term_scale_work& w, const evalcore& ev) {
  term_sums(n, x, scale, w, [&](vec_ref<const cplx> ax, vec_ref<cplx> p, mat_ref<cplx> dp) {
    ev.evahhx(n, acoef.data(), ax.data(), p.data(), cfd.data(), dp.data());
  });
}

}  // namespace hc

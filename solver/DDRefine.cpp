#include "DDRefine.h"

#include <limits>

#include "LinTool.h"
#include "vec_ops.h"

namespace hc {

namespace {
ddc to_ddc(cplx z) { return {{z.real(), 0.0}, {z.imag(), 0.0}}; }

// z^e by repeated squaring, e >= 0.
ddc ddc_pow(ddc z, int e) {
  ddc r{{1.0, 0.0}, {0.0, 0.0}};
  while (e > 0) {
    if (e & 1) r = ddc_mul(r, z);
    e >>= 1;
    if (e > 0) z = ddc_mul(z, z);
  }
  return r;
}
}  // namespace

void dd_values(int n, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> coef,
               vec_ref<const cplx> x, vec_ref<cplx> p) {
  int k = 0;
  for (int i = 1; i <= n; ++i) {
    ddc s{};
    for (int t = 1; t <= nm(i); ++t) {
      ++k;
      ddc term = to_ddc(coef(k));
      for (int v = 1; v <= n; ++v)
        if (supp(v, k) != 0) term = ddc_mul(term, ddc_pow(to_ddc(x(v)), supp(v, k)));
      s.re = dd_add(s.re, term.re);
      s.im = dd_add(s.im, term.im);
    }
    p(i) = cplx(s.re.hi + s.re.lo, s.im.hi + s.im.lo);
  }
}

int dd_refine(int n, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const cplx> coef,
              vec_ref<const cplx> cfd, vec_ref<cplx> x, mat_ref<cplx> a, vec_ref<cplx> b,
              vec_ref<const double> maxstep, dd_refine_work& w, const evalcore& ev) {
  double prev = std::numeric_limits<double>::infinity();
  int steps = 0;
  for (;;) {
    dd_values(n, nm, supp, coef, x, b);
    ev.evahhx(n, coef.data(), x.data(), w.p.data(), cfd.data(), a.data());
    if (steps == kRefineSteps) break;
    mcopy<cplx>(n, a, w.lu);
    vcopy<cplx>(n, b, w.dx);
    cqaxb(n, w.lu, w.dx);
    const double c = vmax(n, w.dx.ref());
    if (!(c < prev)) break;  // no longer shrinking, or NaN
    if (steps == 0)
      for (int i = 1; i <= n; ++i)
        if (!(cabs(w.dx(i)) <= maxstep(i))) return 0;
    if (c == 0.0) break;
    for (int i = 1; i <= n; ++i) x(i) -= w.dx(i);
    prev = c;
    ++steps;
  }
  return steps;
}

}  // namespace hc

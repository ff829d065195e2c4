#include "sysprep.h"

#include <climits>
#include <cmath>

#include "LinTool.h"
#include "MisTools.h"
#include "fatal.h"
#include "prng.h"

namespace hc {

void normal_order(suppsys& rd, normal_supports& ns) {
  const int n = rd.n;
  nmsc_ascend(n, rd.m, rd.nm, rd.supp, rd.coef);
  lexicosc(n, rd.m, rd.nm, rd.supp, rd.coef);
  ns.n = n;
  ns.m = completed_size(n, rd.nm, rd.supp);
  // Every index of the derivative coefficients and of the generated
  // evaluator's tables, (n-1) m and n m, is a 32-bit integer.
  if (static_cast<long long>(n) * ns.m > INT_MAX)
    fatal(status::size, "system too large: n*m exceeds 32 bits");
  ns.nm = rd.nm;
  ns.cnst.assign(n);
  ns.shd.assign(n);
  ns.stl.assign(n);
  ns.supp.assign(n, ns.m);
  complete_supp(n, ns.nm, rd.supp, ns.cnst, ns.supp);
  block_bounds(n, ns.nm, ns.shd, ns.stl);
}

void prepare_system(suppsys& rd, prepared_system& p) {
  normal_order(rd, p);
  const int n = rd.n;
  vec<cplx> tmpcoef = rd.coef;
  p.sclc.assign(2 * n, 0.0);
  bool scale = true;
  for (int i = 1; i <= n; ++i)
    if (rd.nm(i) <= 1) scale = false;
  if (scale) sclcoef(n, rd.m, rd.nm, rd.supp, rd.coef, p.sclc);
  p.coef.assign(p.m);
  p.oldcoef.assign(p.m);
  complete_coef(n, p.nm, p.cnst, rd.coef, p.coef);
  complete_coef(n, p.nm, p.cnst, tmpcoef, p.oldcoef);
}

// The start angles spread over [0, 1.6) radians; the factor is the
// single-precision value nearest to 1.6, widened to double.
constexpr double kStartAngleFactor = 1.600000023841858;

void start_coefficients(int K, int trnd, vec_ref<double> tmprv, vec_ref<cplx> coef_q) {
  prng_seed();
  for (int k = 1; k <= K; ++k) tmprv(k) = prng_draw();
  for (int k = 1; k <= K; ++k) {
    int idum = k + trnd;
    tmprv(k) = (tmprv(k) + dran2(idum)) * 0.5;
  }
  for (int k = 1; k <= K; ++k) {
    const double theta = kStartAngleFactor * tmprv(k);
    coef_q(k) = cplx(std::cos(theta), std::sin(theta));
  }
}

void unscale(int n, int nroot, vec_ref<const double> sclc, mat_ref<cplx> sol) {
  constexpr double kEBase = 2.718281828459045;
  vec<double> factor(n);
  for (int i = 1; i <= n; ++i) factor(i) = std::pow(kEBase, sclc(i));
  for (int j = 1; j <= nroot; ++j)
    for (int i = 1; i <= n; ++i) sol(i, j) *= factor(i);
}

void build_cfd(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> coef, vec_ref<cplx> cfd) {
  for (int v = 2; v <= n; ++v)
    for (int k = 1; k <= m; ++k) {
      const int e = supp(v, k);
      cfd((v - 2) * m + k) = e != 0 ? static_cast<double>(e) * coef(k) : cplx(0.0, 0.0);
    }
}

}  // namespace hc

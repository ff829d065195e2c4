#include "RootCopies.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "LinTool.h"
#include "path_data.h"
#include "vec_ops.h"

namespace hc {

void inverse(int n, mat_ref<const cplx> jacob, mat_ref<cplx> jinv, copy_work& w) {
  // Gauss-Jordan on [jacob | I] with cqaxb's pivoting: the first row of
  // largest modulus, a pivot below kEps5 replaced by (kEps5, 0).
  mat_ref<cplx> a = w.tmpa;
  mcopy<cplx>(n, jacob, a);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) jinv(i, j) = cplx(i == j ? 1.0 : 0.0, 0.0);
  for (int i = 1; i <= n; ++i) {
    int p = i;
    double amax = -INFINITY;
    for (int r = i; r <= n; ++r)
      if (cabs(a(r, i)) > amax) {
        amax = cabs(a(r, i));
        p = r;
      }
    if (p != i)
      for (int k = 1; k <= n; ++k) {
        std::swap(a(i, k), a(p, k));
        std::swap(jinv(i, k), jinv(p, k));
      }
    if (cabs(a(i, i)) < kEps5) a(i, i) = cplx(kEps5, 0.0);
    const cplx piv = a(i, i);
    for (int k = 1; k <= n; ++k) {
      a(i, k) /= piv;
      jinv(i, k) /= piv;
    }
    for (int r = 1; r <= n; ++r) {
      if (r == i) continue;
      const cplx f = a(r, i);
      if (f == cplx(0, 0)) continue;
      for (int k = 1; k <= n; ++k) {
        a(r, k) -= f * a(i, k);
        jinv(r, k) -= f * jinv(i, k);
      }
    }
  }
}

void root_reach(int n, mat_ref<const cplx> jinv, vec_ref<const double> scale, double factor,
                vec_ref<double> rho) {
  for (int i = 1; i <= n; ++i) {
    double s = 0.0;
    for (int j = 1; j <= n; ++j) s += cabs(jinv(i, j)) * scale(j);
    rho(i) = factor * kMachEps * s;
  }
}

bool one_root(int n, vec_ref<const cplx> a, vec_ref<const cplx> b, vec_ref<const double> rho_a,
              vec_ref<const double> rho_b, const jacobian_fn& jac, copy_work& w) {
  for (int i = 1; i <= n; ++i)
    if (!(cabs(a(i) - b(i)) <= rho_a(i) + rho_b(i))) return false;
  jac(a, w.ja);
  mcopy<cplx>(n, w.ja, w.tmpa);
  double max_sv = 0, min_sv = 0;
  cqmaxminsv(n, w.tmpa, max_sv, min_sv, kSvTol);
  if (!(max_sv > kSvFloor && max_sv < kSvRatio * min_sv)) return false;
  for (int i = 1; i <= n; ++i) {
    const cplx d = b(i) - a(i);
    const double ad = cabs(d);
    const cplx u = ad > 0 ? d / ad : cplx(1, 0);
    w.c(i) = a(i) + (ad + rho_a(i) + rho_b(i)) * u;
  }
  jac(w.c, w.jc);
  // Row sums of |J(a)^-1 J(c) - I|, a column of J(a)^-1 J(c) at a time.
  for (int i = 1; i <= n; ++i) w.rowsum(i) = 0.0;
  for (int j = 1; j <= n; ++j) {
    mcopy<cplx>(n, w.ja, w.tmpa);
    vcopy<cplx>(n, w.jc.col(j), w.col);
    cqaxb(n, w.tmpa, w.col);
    for (int i = 1; i <= n; ++i) w.rowsum(i) += cabs(w.col(i) - cplx(i == j ? 1.0 : 0.0, 0.0));
  }
  for (int i = 1; i <= n; ++i)
    if (!(w.rowsum(i) <= kOneRoot)) return false;
  return true;
}

int mark_copies(int n, int nroot, vec_ref<const cplx> coef, vec_ref<const cplx> cfd,
                vec_ref<const double> tmprv, mat_ref<int> dat, mat_ref<const cplx> sol,
                const evalcore& ev) {
  if (nroot <= 1) return 0;
  const int m = coef.size();
  vec<cplx> acoef(m);
  abs_coef(m, coef, acoef);
  copy_work w(n);
  vec<cplx> values(n);
  jacobian_fn jac = [&](vec_ref<const cplx> x, mat_ref<cplx> jacob) {
    ev.evahhx(n, coef.data(), x.data(), values.data(), cfd.data(), jacob.data());
  };

  // The roots among the points, their reaches and keys.
  mat<double> rho(n, nroot);
  vec<double> be(nroot), lo(nroot), hi(nroot);
  std::vector<int> roots;
  for (int j = 1; j <= nroot; ++j) {
    if (dat(kDatGaveUp, j) != 0) continue;
    ev.evahhx(n, coef.data(), sol.col(j).data(), w.p.data(), cfd.data(), w.ja.data());
    term_scale(n, acoef, cfd, sol.col(j), w.scale, w.ts, ev);
    if (!backerr_ok(n, w.p, w.scale, kBackErrFactor)) continue;
    inverse(n, w.ja, w.jinv, w);
    root_reach(n, w.jinv, w.scale, kBackErrFactor, rho.col(j));
    double key = 0.0, reach = 0.0, b = 0.0;
    for (int i = 1; i <= n; ++i) {
      key += tmprv(i) * sol(i, j).real();
      reach += tmprv(i) * (rho(i, j) + (n + 1) * kMachEps * cabs(sol(i, j)));
      if (w.scale(i) > 0) b = std::max(b, cabs(w.p(i)) / w.scale(i));
    }
    if (!(std::isfinite(key) && std::isfinite(reach))) continue;
    be(j) = b;
    lo(j) = key - reach;
    hi(j) = key + reach;
    roots.push_back(j);
  }

  // Sweep the intervals in the order of their lower ends; each meets the
  // earlier ones that reach it.
  std::stable_sort(roots.begin(), roots.end(), [&](int x, int y) { return lo(x) < lo(y); });
  std::vector<int> active;
  int marked = 0;
  for (int j : roots) {
    active.erase(std::remove_if(active.begin(), active.end(),
                                [&](int k) { return hi(k) < lo(j) || dat(kDatGaveUp, k) != 0; }),
                 active.end());
    for (int k : active) {
      if (dat(kDatGaveUp, k) != 0) continue;
      const int a = std::min(j, k), b = std::max(j, k);
      if (!one_root(n, sol.col(a), sol.col(b), rho.col(a), rho.col(b), jac, w)) continue;
      const int copy = be(a) > be(b) ? a : b;
      dat(kDatGaveUp, copy) = kCopyMark;
      ++marked;
      if (copy == j) break;
    }
    if (dat(kDatGaveUp, j) == 0) active.push_back(j);
  }
  return marked;
}

}  // namespace hc

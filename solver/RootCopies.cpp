#include "RootCopies.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "DDRefine.h"
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
              vec_ref<const double> rho_b, const copy_system& sys, copy_work& w) {
  for (int i = 1; i <= n; ++i)
    if (!(cabs(a(i) - b(i)) <= rho_a(i) + rho_b(i))) return false;
  sys.jac(a, w.ja);
  inverse(n, w.ja, w.jinv, w);
  // The Newton corrections at a and at b, both with J(a).
  auto correction = [&](vec_ref<const cplx> x, vec_ref<cplx> e) {
    sys.values(x, w.p);
    for (int i = 1; i <= n; ++i) {
      cplx s(0, 0);
      for (int j = 1; j <= n; ++j) s += w.jinv(i, j) * w.p(j);
      e(i) = s;
    }
    return vmax(n, vec_ref<const cplx>(e));
  };
  const double ea = correction(a, w.ea), eb = correction(b, w.eb);
  const double radius = std::max(2 * ea, vmaxdiff<cplx>(n, a, b) + 2 * eb);
  if (!(radius < INFINITY)) return false;  // also a NaN
  // The drift at b, then its bound over the box: the sum of the drifts
  // along each coordinate axis at the distance of the radius.
  sys.jac(b, w.jc);
  if (!(jacobian_drift(n, w.jinv, w.jc, w) <= kOneRoot)) return false;
  double bound = 0.0;
  for (int j = 1; j <= n && bound <= kOneRoot; ++j) {
    vcopy<cplx>(n, a, w.c);
    w.c(j) += radius;
    sys.jac(w.c, w.jc);
    const double d = jacobian_drift(n, w.jinv, w.jc, w);
    bound = d != d ? d : bound + d;
  }
  return bound <= kOneRoot;
}

double jacobian_drift(int n, mat_ref<const cplx> jinv, mat_ref<const cplx> jc, copy_work& w) {
  // Row sums of |jinv jc - I|.
  for (int i = 1; i <= n; ++i) {
    double r = 0.0;
    for (int j = 1; j <= n; ++j) {
      cplx s(0, 0);
      for (int k = 1; k <= n; ++k) s += jinv(i, k) * jc(k, j);
      r += cabs(s - cplx(i == j ? 1.0 : 0.0, 0.0));
    }
    w.rowsum(i) = r;
  }
  double worst = 0.0;
  for (int i = 1; i <= n; ++i) {
    if (w.rowsum(i) != w.rowsum(i)) return w.rowsum(i);  // NaN
    if (w.rowsum(i) > worst) worst = w.rowsum(i);
  }
  return worst;
}

namespace {
// The stored points that are roots to the copy test, with their reaches,
// backward errors and key intervals, and the pairs among them that are one
// root.
struct copy_pass {
  int n, nroot;
  vec_ref<const cplx> coef, cfd;
  vec_ref<const double> tmprv;
  mat_ref<int> dat;
  mat_ref<const cplx> sol;
  const evalcore& ev;
  const copy_system& sys;
  vec<cplx> acoef;
  copy_work w;
  mat<double> rho;
  vec<double> be, lo, hi;
  std::vector<int> roots;
  // The points refined by Newton steps with values in double-double, made
  // when a point first takes part in a candidate pair.
  vec_ref<const int> nm;
  mat_ref<const int> supp;
  mat<cplx> xr, ar;
  vec<cplx> br;
  vec<double> maxstep;
  std::vector<char> refined;
  dd_refine_work rw;
  vec<cplx> x_r;  // a point outside the columns, refined, and its reach
  vec<double> rho_x;

  copy_pass(int n_, int nroot_, vec_ref<const cplx> coef_, vec_ref<const cplx> cfd_,
            vec_ref<const int> nm_, mat_ref<const int> supp_, vec_ref<const double> tmprv_,
            mat_ref<int> dat_, mat_ref<const cplx> sol_, const evalcore& ev_,
            const copy_system& sys_)
      : n(n_),
        nroot(nroot_),
        coef(coef_),
        cfd(cfd_),
        tmprv(tmprv_),
        dat(dat_),
        sol(sol_),
        ev(ev_),
        sys(sys_),
        acoef(coef_.size()),
        w(n_),
        rho(n_, nroot_),
        be(nroot_),
        lo(nroot_),
        hi(nroot_),
        nm(nm_),
        supp(supp_),
        xr(n_, nroot_),
        ar(n_, n_),
        br(n_),
        maxstep(n_),
        rw(n_),
        x_r(n_),
        rho_x(n_) {
    abs_coef(coef.size(), coef, acoef);
  }

  // Column j refined: Newton steps from sol(:, j) whose first stays within
  // kRefineReach reaches (a point of the backward error lies within one
  // reach of its root to first order; the rest is room).
  vec_ref<const cplx> refined_col(int j) {
    if (!refined[static_cast<std::size_t>(j)]) {
      refined[static_cast<std::size_t>(j)] = 1;
      vcopy<cplx>(n, sol.col(j), xr.col(j));
      for (int i = 1; i <= n; ++i) maxstep(i) = kCopyRefineReach * rho(i, j);
      dd_refine(n, nm, supp, coef, cfd, xr.col(j), ar, br, maxstep, rw, ev);
    }
    return xr.col(j);
  }

  // The stored points of columns a and b lie within each other's reach and
  // the Jacobian at b is within kOneRoot of the one at a: what the points
  // must show before they are refined for the contraction test, which asks
  // the same of the box around them.  The copies of a singular root fail
  // here (the Jacobian at a is nearly singular), without refinements.
  bool near_jacobians(int a, int b) {
    for (int i = 1; i <= n; ++i)
      if (!(cabs(sol(i, a) - sol(i, b)) <= rho(i, a) + rho(i, b))) return false;
    sys.jac(sol.col(a), w.ja);
    inverse(n, w.ja, w.jinv, w);
    sys.jac(sol.col(b), w.jc);
    return jacobian_drift(n, w.jinv, w.jc, w) <= kOneRoot;
  }

  // Whether x is a root of backward error at most kBackErrFactor eps that
  // one_root finds the same as the point of column a.
  bool same_root(int a, vec_ref<const cplx> x) {
    ev.evahhx(n, coef.data(), x.data(), w.p.data(), cfd.data(), w.ja.data());
    term_scale(n, acoef, cfd, x, w.scale, w.ts, ev);
    if (!backerr_ok(n, w.p, w.scale, kBackErrFactor)) return false;
    inverse(n, w.ja, w.jinv, w);
    root_reach(n, w.jinv, w.scale, kBackErrFactor, rho_x);
    vcopy<cplx>(n, x, x_r);
    for (int i = 1; i <= n; ++i) maxstep(i) = kCopyRefineReach * rho_x(i);
    dd_refine(n, nm, supp, coef, cfd, x_r, ar, br, maxstep, rw, ev);
    return one_root(n, refined_col(a), x_r, rho.col(a), rho_x, sys, w);
  }

  void measure() {
    roots.clear();
    refined.assign(static_cast<std::size_t>(nroot) + 1, 0);
    for (int j = 1; j <= nroot; ++j) {
      if (dat(kDatGaveUp, j) != 0) continue;
      ev.evahhx(n, coef.data(), sol.col(j).data(), w.p.data(), cfd.data(), w.ja.data());
      term_scale(n, acoef, cfd, sol.col(j), w.scale, w.ts, ev);
      if (!backerr_ok(n, w.p, w.scale, kBackErrFactor)) continue;
      inverse(n, w.ja, w.jinv, w);
      root_reach(n, w.jinv, w.scale, kBackErrFactor, rho.col(j));
      double key = 0.0, reach = 0.0;
      for (int i = 1; i <= n; ++i) {
        key += tmprv(i) * sol(i, j).real();
        reach += tmprv(i) * (rho(i, j) + (n + 1) * kMachEps * cabs(sol(i, j)));
      }
      if (!(std::isfinite(key) && std::isfinite(reach))) continue;
      be(j) = backerr(n, w.p, w.scale);
      lo(j) = key - reach;
      hi(j) = key + reach;
      roots.push_back(j);
    }
  }

  // Sweeps the intervals in the order of their lower ends; each meets the
  // earlier ones that reach it.  Pairs (a, b), a < b.
  std::vector<std::pair<int, int>> pairs() {
    std::vector<int> order = roots;
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return lo(x) < lo(y); });
    std::vector<int> active;
    std::vector<std::pair<int, int>> found;
    for (int j : order) {
      active.erase(
          std::remove_if(active.begin(), active.end(), [&](int k) { return hi(k) < lo(j); }),
          active.end());
      for (int k : active) {
        const int a = std::min(j, k), b = std::max(j, k);
        if (!near_jacobians(a, b)) continue;
        if (one_root(n, refined_col(a), refined_col(b), rho.col(a), rho.col(b), sys, w))
          found.emplace_back(a, b);
      }
      active.push_back(j);
    }
    return found;
  }
};
}  // namespace

int mark_copies(int n, int nroot, vec_ref<const cplx> coef, vec_ref<const cplx> cfd,
                vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const double> tmprv,
                mat_ref<int> dat, mat_ref<cplx> sol, const separate_fn& separate,
                const evalcore& ev) {
  if (nroot <= 1) return 0;
  vec<cplx> values(n);
  copy_system sys;
  sys.jac = [&](vec_ref<const cplx> x, mat_ref<cplx> jacob) {
    ev.evahhx(n, coef.data(), x.data(), values.data(), cfd.data(), jacob.data());
  };
  sys.values = [&](vec_ref<const cplx> x, vec_ref<cplx> p) { dd_values(n, nm, supp, coef, x, p); };
  copy_pass pass(n, nroot, coef, cfd, nm, supp, tmprv, dat, sol, ev, sys);
  pass.measure();
  std::vector<std::pair<int, int>> found = pass.pairs();
  for (int round = 1; separate && !found.empty() && round <= kCopyRounds; ++round) {
    // Re-track each pair whose points no re-track of this round replaced:
    // the pass's measures of a replaced point are stale until the next.
    std::vector<char> taken(static_cast<std::size_t>(nroot) + 1, 0);
    bool moved = false;
    for (auto [a, b] : found) {
      if (taken[static_cast<std::size_t>(a)] || taken[static_cast<std::size_t>(b)]) continue;
      if (!separate(a, b, [&](vec_ref<const cplx> x) { return pass.same_root(a, x); })) continue;
      taken[static_cast<std::size_t>(a)] = taken[static_cast<std::size_t>(b)] = 1;
      moved = true;
    }
    if (!moved) break;
    pass.measure();
    found = pass.pairs();
  }
  int marked = 0;
  for (auto [a, b] : found) {
    if (dat(kDatGaveUp, a) != 0 || dat(kDatGaveUp, b) != 0) continue;
    const int copy = pass.be(a) > pass.be(b) ? a : b;
    dat(kDatGaveUp, copy) = kCopyMark;
    ++marked;
  }
  return marked;
}

}  // namespace hc

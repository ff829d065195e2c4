#include "FollowCurve.h"

#include <climits>
#include <new>

#include "BackErr.h"
#include "BiNomialSolver.h"
#include "CheckSol.h"
#include "PathReport.h"
#include "fatal.h"
#include "sysprep.h"

namespace hc {

void track_fail(const char* what) { fatal(status::internal, what); }

void check_track_args(int n, int m, int nc, mat_ref<const int> mcl, mat_ref<const cplx> sol,
                      mat_ref<const int> dat) {
  if (n < 1 || m < 0 || nc < 0) track_fail("the tracker was given no system or a negative size");
  if (mcl.rows() < n || mcl.cols() / 2 < nc)
    track_fail("the mixed-cell table holds fewer cells than given");
  if (sol.rows() < n || dat.rows() < kDatRows)
    track_fail("the end-point or path-data array is too short");
}

// ---------------------------------------------------------------------------
void crtpwt(int p, int n, int m, vec_ref<const int> nm, mat_ref<const int> mcl,
            mat_ref<const int> supp, mat_ref<const int> v, mat_ref<const int> q,
            vec_ref<const double> w, vec_ref<double> tpow, double& minpow, crtpwt_work& cw) {
  vec_ref<double> tmprv = cw.tmprv, tmprv1 = cw.tmprv1, alpha = cw.alpha, base = cw.base;
  vec_ref<int> shd = cw.shd, stl = cw.stl;
  shd(1) = 1;
  stl(1) = nm(1);
  for (int i = 2; i <= n; ++i) {
    shd(i) = stl(i - 1) + 1;
    stl(i) = stl(i - 1) + nm(i);
  }
  const int c1 = 2 * p - 1, c2 = 2 * p;
  for (int i = 1; i <= n; ++i) tmprv(i) = w(mcl(i, c2)) - w(mcl(i, c1));
  // Forward substitution with the lower-triangular v, then alpha = q tmprv1:
  // the difference matrix times alpha is tmprv, so both cell terms of each
  // equation get the same lifted value.
  for (int i = 1; i <= n; ++i) {
    double s = 0.0;
    for (int l = 1; l < i; ++l) s += static_cast<double>(v(i, l)) * tmprv1(l);
    tmprv1(i) = (tmprv(i) - s) / static_cast<double>(v(i, i));
  }
  for (int i = 1; i <= n; ++i) {
    double s = 0.0;
    for (int l = 1; l <= n; ++l) s += static_cast<double>(q(i, l)) * tmprv1(l);
    alpha(i) = s;
  }
  for (int i = 1; i <= n; ++i) {
    const int k1 = mcl(i, c1);
    double s = 0.0;
    for (int j = 1; j <= n; ++j) s += static_cast<double>(supp(j, k1)) * alpha(j);
    base(i) = w(k1) + s;
    for (int k = shd(i); k <= stl(i); ++k) {
      double sk = 0.0;
      for (int j = 1; j <= n; ++j) sk += static_cast<double>(supp(j, k)) * alpha(j);
      tpow(k) = w(k) + sk - base(i);
    }
  }
  minpow = 1.0;
  for (int k = 1; k <= m; ++k) {
    if (tpow(k) <= kPowZero) tpow(k) = 0.0;
    if (kPowZero < tpow(k) && tpow(k) < minpow) minpow = tpow(k);
  }
}

void crtpwt(int p, int n, int m, vec_ref<const int> nm, mat_ref<const int> mcl,
            mat_ref<const int> supp, mat_ref<const int> v, mat_ref<const int> q,
            vec_ref<const double> w, vec_ref<double> tpow, double& minpow) {
  crtpwt_work cw(n);
  crtpwt(p, n, m, nm, mcl, supp, v, q, w, tpow, minpow, cw);
}

// ---------------------------------------------------------------------------
cell_starts::cell_starts(int n_, int m_, vec_ref<const int> nm_, mat_ref<const int> supp_,
                         vec_ref<const cplx> coef, vec_ref<const cplx> coef_q_,
                         vec_ref<const double> w_, mat_ref<const int> mcl_)
    : n(n_),
      m(m_),
      nm(nm_),
      supp(supp_),
      coef_q(coef_q_),
      w(w_),
      mcl(mcl_),
      cv(m_),
      tpow(m_),
      v(n_, n_),
      q(n_, n_),
      cw(n_) {
  long long terms = 0;
  for (int i = 1; i <= n; ++i) terms += nm(i);
  if (terms != m)
    track_fail("the term counts of the equations do not add up to the number of terms");
  for (int k = 1; k <= m; ++k) cv(k) = coef(k) - coef_q(k);
}

int cell_starts::set_cell(int p) {
  if (p == cell) return det;
  cell = 0;  // until the new cell is complete
  det = 0;
  const int c1 = 2 * p - 1, c2 = 2 * p;
  for (int i = 1; i <= n; ++i) {
    const int k1 = mcl(i, c1), k2 = mcl(i, c2);
    if (k1 < 1 || k1 > m || k2 < 1 || k2 > m)
      track_fail("a mixed cell names a term outside the supports");
    for (int j = 1; j <= n; ++j) {
      const long long d = static_cast<long long>(supp(j, k1)) - supp(j, k2);
      if (d < INT_MIN || d > INT_MAX)
        fatal(status::size, "an exponent difference of a mixed cell exceeds 32 bits");
      v(i, j) = static_cast<int>(d);
    }
  }
  long long d = 0;
  intmatqr(n, v, q, d);
  cell = p;
  if (d == 0) return 0;
  if (d > INT_MAX)
    fatal(status::size, "a mixed cell has more start roots than the arrays can hold");
  crtpwt(p, n, m, nm, mcl, supp, v, q, w, tpow, minpow, cw);
  if (d > bix.cols()) {
    try {
      bix.assign(n, static_cast<int>(d));
    } catch (const std::bad_alloc&) {
      fatal(status::memory, "no memory for the start roots of a mixed cell");
    }
  }
  det = bisolver(p, n, m, supp, coef_q, mcl, bix);
  return det;
}

poly_tracker::poly_tracker(int n_, int m_, vec_ref<const int> nm_, mat_ref<const int> supp_,
                           vec_ref<const cplx> coef_, vec_ref<const cplx> coef_q_,
                           vec_ref<const cplx> cfd_, vec_ref<const double> w_,
                           mat_ref<const int> mcl_, const evalcore& e)
    : poly_tracker_t(
          n_, m_, nm_, supp_, coef_, coef_q_, w_, mcl_,
          [&](const cell_starts& c) { return poly_eval(c.n, c.m, c.tpow, c.coef_q, c.cv, e); }),
      coef(coef_),
      cfd(cfd_),
      core(&e),
      endacc(n_, coef_, cfd_, e, kBackErrFactor),
      px(n_),
      pb(n_),
      pa(n_, n_) {}

void poly_tracker::path(int r, double step_div, bool c3_kept, int& blow_up, bool& isgood) {
  auto target = [this](vec_ref<const cplx> z, vec_ref<cplx> b, mat_ref<cplx> a) {
    core->evahhx(n, coef.data(), z.data(), b.data(), cfd.data(), a.data());
  };
  if (report_paths && r == 1) report_cell(cell, minpow, m, tpow);
  auto accept = [this](vec_ref<const cplx> z, vec_ref<const cplx>) { return endacc.ok(z); };
  follow_retried<poly_rules>(s, blow_up, [&](int& failed) {
    path_t(
        r, step_div, c3_kept, failed, isgood, target, [] {}, accept);
  });
  // Given up in the end zone, by the end game's tests after an accepted
  // step (x at t) or by the corrector (t set back to the last accepted point
  // x1): followed on in the logarithm of -t.  That includes a path the
  // growth test gave up: a root far from the origin is approached by points
  // that grow over the last steps as a pole's do.
  if (s.give_up == 1 && s.t < 0 && -s.t < kTailZone) {
    if (s.cut == 1) vcopy<cplx>(n, s.x1.ref(), s.x);
    tail(s.t, c3_kept, isgood);
  }
  if (report_paths) report_path(cell, r, n, bix.col(r), s.x.ref(), s.t, s.give_up, isgood);
}

void poly_tail_eval::coefficients(double rho) {
  d = std::exp(-rho);
  const double em1 = std::expm1(-d), et = 1.0 + em1;
  const int n = e->n, m = e->m;
  for (int k = 1; k <= m; ++k) {
    const double p = std::exp(-e->tpow(k) * d);
    e->cf(k) = (coef(k) + e->cv(k) * em1) * p;
    e->cft(k) = e->tpow(k) * e->cf(k) + e->cv(k) * (et * p);
  }
  build_cfd(n, m, supp, e->cf.ref(), e->cfd);
}

void poly_tracker::tail(double t, bool c3_kept, bool& isgood) {
  poly_tail_eval tev{&ev, coef, supp};
  auto target = [this](vec_ref<const cplx> z, vec_ref<cplx> b, mat_ref<cplx> a) {
    core->evahhx(n, coef.data(), z.data(), b.data(), cfd.data(), a.data());
  };
  auto accept = [this](vec_ref<const cplx> z, vec_ref<const cplx>) { return endacc.ok(z); };
  auto probe = [&] { return tail_probe<poly_rules>(n, s, target, accept, px, pb, pa, wk); };
  // The coefficients of the polyhedral homotopy are the target's only at
  // t = 0: the tail ends by its step bound instead.
  auto never_resolved = [](double) { return false; };
  isgood = follow_tail_t<tail_rules<poly_rules>>(tev, n, s, wk, -std::log(-t),
                                                 s.acc_scale * kTailAccuracy, c3_kept, t, 0.0,
                                                 probe, never_resolved);
}

// ---------------------------------------------------------------------------
void fcurve(int n, int m, int nc, vec_ref<const int> nm, mat_ref<const int> supp,
            vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const double> w,
            mat_ref<const int> mcl, int& nroot, mat_ref<cplx> sol, mat_ref<int> dat, int& blow_up,
            const evalcore& ev) {
  check_track_args(n, m, nc, mcl, sol, dat);

  vec<cplx> cfd((n - 1) * m);
  build_cfd(n, m, supp, coef, cfd);
  nroot = 0;
  blow_up = 0;
  {
    poly_tracker trk(n, m, nm, supp, coef, coef_q, cfd, w, mcl, ev);
    report_homotopy("polyhedral", n, m, supp, coef, coef_q, m);
    trk.report_paths = true;
    track_cells(trk, nc, sol, dat, nroot, blow_up, true);
  }
  chksln(n, nc, m, nroot, supp, coef, coef_q, nm, dat, w, mcl, sol, cfd, ev);
}

void nwtnitrn(int n, int m, vec_ref<cplx> x, double& t, vec_ref<const double> tpow,
              vec_ref<cplx> h_1, mat_ref<cplx> jacob, vec_ref<cplx> polyt, vec_ref<cplx> polyv,
              double& step, double accuracy, int& cut, int& flag, int& test_end, int& give_up,
              int& nstep, vec_ref<const cplx> coef_q, double& c3, vec_ref<const cplx> cv,
              int& blow_up, const evalcore& ev) {
  poly_eval pe(n, m, tpow, coef_q, cv, ev);
  track_work<double> w(n);
  nwtnitrn_t<poly_rules, double>(pe, n, x, t, h_1, jacob, polyt, polyv, step, accuracy, cut, flag,
                                 test_end, give_up, nstep, c3, blow_up, w);
}

void updtstp(int n, double t, int& stepcount, int& flag, int& nstep, double& step, double& step1,
             vec_ref<const cplx> x, vec_ref<cplx> x1, vec_ref<cplx> x2, mat_ref<const cplx> jacob,
             double& accuracy) {
  updtstp_t<poly_rules, double>(n, t, stepcount, flag, nstep, step, step1, x, x1, x2, jacob,
                                accuracy);
}

void endgame(int n, int& give_up, vec_ref<int> infnty, vec_ref<const cplx> x,
             vec_ref<const cplx> x1, vec_ref<const cplx> x2, double t, double step, double step1) {
  endgame_t<poly_rules, double>(n, give_up, infnty, x, x1, x2, t, step, step1);
}

namespace {
template <class Accept>
void final_newton(int n, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                  vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, bool keep_eval,
                  const evalcore& ev, Accept&& accept) {
  track_work<double> w(n);
  auto target = [&](vec_ref<const cplx> z, vec_ref<cplx> p, mat_ref<cplx> dp) {
    ev.evahhx(n, coef.data(), z.data(), p.data(), cfd.data(), dp.data());
  };
  fnlnwtn_t<poly_rules, double>(n, target, a, b, x, isgood, keep_eval, w, accept);
}

bool never(vec_ref<const cplx>, vec_ref<const cplx>) { return false; }
}  // namespace

void fnlnwtn(int n, int /*m*/, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
             vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev) {
  final_newton(n, coef, a, b, x, cfd, isgood, false, ev, never);
}

void fnlnwtnsln(int n, int /*m*/, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev) {
  final_newton(n, coef, a, b, x, cfd, isgood, true, ev, never);
}

void fnlnwtnsln(int n, int /*m*/, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev,
                vec_ref<const cplx> acoef, double factor) {
  term_scale_work sw(n);
  vec<double> scale(n);
  auto small_backward_error = [&](vec_ref<const cplx> z, vec_ref<const cplx> p) {
    term_scale(n, acoef, cfd, z, scale, sw, ev);
    return backerr_ok(n, p, scale, factor);
  };
  final_newton(n, coef, a, b, x, cfd, isgood, true, ev, small_backward_error);
}

}  // namespace hc

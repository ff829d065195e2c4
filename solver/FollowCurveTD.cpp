#include "FollowCurveTD.h"

#include <string>

#include "CheckSol.h"
#include "PathReport.h"
#include "fatal.h"
#include "sysprep.h"

namespace hc {

int td_maxdeg(int n, vec_ref<const int> deg) {
  int d = 1;
  for (int i = 1; i <= n; ++i)
    if (deg(i) > d) d = deg(i);
  return d;
}

td_eval::td_eval(int n_, int m_, vec_ref<const int> deg_, vec_ref<const cplx> coef_,
                 vec_ref<const cplx> coef_q_, vec_ref<const cplx> cfd_, int tmpi_,
                 const evalcore& e)
    : n(n_),
      m(m_),
      tmpi(tmpi_ < 1 ? 1 : tmpi_),
      deg(deg_),
      coef(coef_),
      coef_q(coef_q_),
      cfd(cfd_),
      ev(&e),
      lib(tmpi, n_),  // tmpi is clamped to 1 above, as it is declared first
      pq(n_),
      jq(n_),
      pp(n_) {}

void td_eval::start_values(vec_ref<const cplx> x) {
  // Q and its diagonal Jacobian in closed form from the powers of each x_i.
  for (int i = 1; i <= n; ++i) {
    const int d = deg(i);
    const cplx lead = coef_q(2 * i - 1);
    if (d <= 0) {  // a constant start equation (no path reaches here)
      pq(i) = lead + coef_q(2 * i);
      jq(i) = cplx(0, 0);
      continue;
    }
    lib(1, i) = x(i);
    for (int j = 2; j <= d; ++j) lib(j, i) = lib(j - 1, i) * x(i);
    pq(i) = lead * lib(d, i) + coef_q(2 * i);
    jq(i) = (d == 1) ? lead : (lead * static_cast<double>(d)) * lib(d - 1, i);
  }
}

void td_eval::blend(vec_ref<const cplx> x, double omt, double t, mat_ref<cplx> jcb,
                    vec_ref<cplx> polyv, vec_ref<cplx> polyt) {
  start_values(x);
  // P and its Jacobian, written straight into jcb and then blended.
  ev->evahhx(n, coef.data(), x.data(), pp.data(), cfd.data(), jcb.data());
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) jcb(i, j) = (i == j) ? omt * jq(i) + t * jcb(i, j) : t * jcb(i, j);
  for (int i = 1; i <= n; ++i) {
    polyv(i) = omt * pq(i) + t * pp(i);
    polyt(i) = pp(i) - pq(i);
  }
}

td_tracker::td_tracker(int n_, int m_, vec_ref<const int> deg, vec_ref<const cplx> coef,
                       vec_ref<const cplx> coef_q, vec_ref<const cplx> cfd, int tmpi,
                       const evalcore& e)
    : n(n_),
      ev(n_, m_, deg, coef, coef_q, cfd, tmpi, e),
      w(n_),
      s(n_),
      endacc(n_, coef, cfd, e, kBackErrFactor),
      px(n_),
      pb(n_),
      pa(n_, n_) {}

void td_tracker::path(vec_ref<const cplx> start, double step0, bool c3_kept, int& blow_up,
                      bool& isgood) {
  follow_retried<td_rules>(s, blow_up,
                           [&](int& failed) { path_once(start, step0, c3_kept, failed, isgood); });
}

void td_tracker::path_once(vec_ref<const cplx> start, double step0, bool c3_kept, int& blow_up,
                           bool& isgood) {
  for (int i = 1; i <= n; ++i) s.infnty(i) = 1;
  s.stepcount = 0;
  s.give_up = 0;
  s.verdict = kVerdictNone;
  s.cuts = 0;
  vcopy<cplx>(n, start, s.x);
  s.t = 0.0;
  s.step = step0;
  refine_t<double>(ev, n, s.t, s.x, s.jacob, s.polyv, s.polyt, w);
  frtstp_t<td_rules, double>(ev, n, s.step, s.step1, s.t, s.dirx1, s.jacob, s.polyv, s.polyt, s.x2,
                             s.x1, s.x, s.h_1, s.give_up, w, s.acc_scale);
  s.cut = s.nstep = s.test_end = s.flag = 0;
  if (s.give_up == 0)
    s.accuracy = accuracy_of<td_rules, double>(n, s.jacob.ref(), s.x.ref(), s.acc_scale);
  follow_t<td_rules, double>(ev, n, s, c3_kept, blow_up, w);
  isgood = false;
  // A path given up on its last pass (by the end game, should the last step
  // land a rounding short of 1) is not polished into a root.
  if (s.test_end == 1 && s.give_up == 0) {
    end_newton(s.jacob, s.h_1, s.x, isgood);
    return;
  }
  // Given up in the end zone, by the end game's tests after an accepted
  // step (x at t) or by the corrector (t set back to the last accepted point
  // x1): followed on in the logarithm of 1 - t.  That includes a path the
  // growth test gave up: a root far from the origin is approached by points
  // that grow over the last steps as a pole's do.
  if (s.give_up == 1 && 1.0 - s.t < kTailZone) {
    if (s.cut == 1) vcopy<cplx>(n, s.x1.ref(), s.x);
    tail(s.t, c3_kept, isgood);
  }
}

void td_tracker::end_newton(mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> x, bool& isgood) {
  auto target = [this](vec_ref<const cplx> z, vec_ref<cplx> v, mat_ref<cplx> d) {
    ev.target(z, v, d);
  };
  auto accept = [this](vec_ref<const cplx> z, vec_ref<const cplx>) { return endacc.ok(z); };
  path_end_newton<td_rules, double>(n, target, a, b, x, isgood, w, accept);
}

bool td_tracker::probe() {
  auto target = [this](vec_ref<const cplx> z, vec_ref<cplx> v, mat_ref<cplx> d) {
    ev.target(z, v, d);
  };
  auto accept = [this](vec_ref<const cplx> z, vec_ref<const cplx>) { return endacc.ok(z); };
  return tail_probe<td_rules>(n, s, target, accept, px, pb, pa, w);
}

bool td_tracker::resolved(double d) {
  // d |Q_i(x)| within one rounding unit of P_i's terms, for every i.
  ev.start_values(s.x.ref());
  term_scale(n, endacc.acoef, endacc.cfd, s.x.ref(), endacc.scale, endacc.sw, *endacc.ev);
  for (int i = 1; i <= n; ++i)
    if (!(d * cabs(ev.pq(i)) <= kMachEps * endacc.scale(i))) return false;
  return true;
}

void td_tracker::tail(double t, bool c3_kept, bool& isgood) {
  td_tail_eval tev{&ev};
  const double rho = -std::log(1.0 - t);  // 1 - t is exact near 1
  isgood = follow_tail_t<td_tail_rules>(
      tev, n, s, w, rho, s.acc_scale * kTailAccuracy, c3_kept, t, 1.0, [this] { return probe(); },
      [this](double d) { return resolved(d); });
}

namespace {
[[noreturn]] void too_small(const char* what, int tdeg) {
  fatal(status::internal,
        std::string(what) + " holds fewer columns than the " + std::to_string(tdeg) + " paths");
}
}  // namespace

void fcurvetd(int n, int m, int tdeg, vec_ref<const int> deg, mat_ref<const int> supp,
              mat_ref<const int> supp_q, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
              vec_ref<const int> nm, mat_ref<cplx> sol, mat_ref<const cplx> bix, mat_ref<int> dat,
              int& nroot, int& blow_up, const evalcore& ev) {
  if (tdeg < 0)
    fatal(status::internal, "the number of paths " + std::to_string(tdeg) + " is negative");
  if (bix.rows() < n || bix.cols() < tdeg) too_small("the start-root array", tdeg);
  if (sol.rows() < n || sol.cols() < tdeg) too_small("the end-point array", tdeg);
  if (dat.rows() < kDatRows || dat.cols() < tdeg) too_small("the path-data array", tdeg);

  vec<cplx> cfd((n - 1) * m);
  build_cfd(n, m, supp, coef, cfd);
  const int tmpi = td_maxdeg(n, deg);
  nroot = 0;
  blow_up = 0;
  if (tdeg > 0) {
    td_tracker trk(n, m, deg, coef, coef_q, cfd.ref(), tmpi, ev);
    report_homotopy("linear", n, m, supp, coef, coef_q, 2 * n);
    for (int r = 1; r <= tdeg; ++r) {
      bool isgood = false;
      trk.path(bix.col(r), kTdFirstStep, false, blow_up, isgood);
      report_path(0, r, n, bix.col(r), trk.s.x.ref(), trk.s.t, trk.s.give_up, isgood);
      if (!isgood) continue;
      ++nroot;
      vcopy<cplx>(n, trk.s.x.ref(), sol.col(nroot));
      dat(kDatStart, nroot) = r;
      dat(kDatSteps, nroot) = trk.s.stepcount;
    }
  }
  chkslntd(n, m, deg, nroot, supp, supp_q, coef, coef_q, nm, dat, sol, bix, cfd.ref(), tmpi, ev);
}

void evaltd(int n, int m, mat_ref<const int> /*supp_q*/, vec_ref<const cplx> coef,
            vec_ref<const cplx> coef_q, vec_ref<const cplx> cfd, vec_ref<const int> deg,
            vec_ref<const cplx> x, double t, mat_ref<cplx> jcb, vec_ref<cplx> polyv,
            vec_ref<cplx> polyt, int tmpi, const evalcore& ev) {
  td_eval te(n, m, deg, coef, coef_q, cfd, tmpi, ev);
  te.at(x, t, jcb, polyv, polyt);
}

void refinittd(int n, int m, vec_ref<const int> /*nm*/, double t, mat_ref<const int> /*supp*/,
               mat_ref<const int> /*supp_q*/, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
               vec_ref<const int> deg, vec_ref<cplx> x, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
               vec_ref<cplx> polyt, vec_ref<const cplx> cfd, int tmpi, const evalcore& ev) {
  td_eval te(n, m, deg, coef, coef_q, cfd, tmpi, ev);
  track_work<double> w(n);
  refine_t<double>(te, n, t, x, jacob, polyv, polyt, w);
}

void nwtnitrntd(int n, int m, vec_ref<const int> /*nm*/, mat_ref<const int> /*supp*/,
                mat_ref<const int> /*supp_q*/, vec_ref<const int> deg, vec_ref<cplx> x, double& t,
                vec_ref<cplx> h_1, mat_ref<cplx> jacob, vec_ref<cplx> polyt, vec_ref<cplx> polyv,
                double& step, double accuracy, int& flag, int& cut, int& give_up, int& test_end,
                int& nstep, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
                vec_ref<const cplx> cfd, double& c3, int tmpi, int& blow_up, const evalcore& ev) {
  td_eval te(n, m, deg, coef, coef_q, cfd, tmpi, ev);
  track_work<double> w(n);
  nwtnitrn_t<td_rules, double>(te, n, x, t, h_1, jacob, polyt, polyv, step, accuracy, cut, flag,
                               test_end, give_up, nstep, c3, blow_up, w);
}

void endgametd(int n, int& give_up, vec_ref<int> infnty, vec_ref<const cplx> x,
               vec_ref<const cplx> x1, vec_ref<const cplx> x2, double t, double step,
               double step1) {
  endgame_t<td_rules, double>(n, give_up, infnty, x, x1, x2, t, step, step1);
}

void updtstptd(int n, double t, int& stepcount, int& flag, int& nstep, double& step, double& step1,
               vec_ref<const cplx> x, vec_ref<cplx> x1, vec_ref<cplx> x2, mat_ref<const cplx> jacob,
               double& accuracy) {
  updtstp_t<td_rules, double>(n, t, stepcount, flag, nstep, step, step1, x, x1, x2, jacob,
                              accuracy);
}

void fnlnwtntd(int n, int /*m*/, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
               vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev) {
  track_work<double> w(n);
  auto target = [&](vec_ref<const cplx> z, vec_ref<cplx> p, mat_ref<cplx> dp) {
    ev.evahhx(n, coef.data(), z.data(), p.data(), cfd.data(), dp.data());
  };
  fnlnwtn_t<td_rules, double>(n, target, a, b, x, isgood, false, w);
}

}  // namespace hc

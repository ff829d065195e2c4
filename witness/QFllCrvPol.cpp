#include "QTrack.h"  // first: binary128 overloads before the templates

#include <iostream>

#include "QFllCrvPol.h"
#include "ffwrite.h"

namespace hc {

void qcqaxb(int n, mat_ref<qcplx> a, vec_ref<qcplx> b) {
  if (n <= 0) return;
  for (int i = 1; i <= n - 1; ++i) {
    int p = i;
    qreal amax = -HUGE_VALQ;
    for (int r = i; r <= n; ++r) {
      const qreal d = zabs(a(r, i));
      if (d > amax) {
        amax = d;
        p = r;
      }
    }
    if (p != i) {
      for (int k = 1; k <= n; ++k) std::swap(a(i, k), a(p, k));
      std::swap(b(i), b(p));
    }
    if (zabs(a(i, i)) < kQFloor) a(i, i) = qcplx(kQFloor, 0);
    const qcplx piv = a(i, i);
    for (int j = i + 1; j <= n; ++j) a(j, i) = a(j, i) / piv;
    for (int k = i + 1; k <= n; ++k) {
      const qcplx aik = a(i, k);
      for (int j = i + 1; j <= n; ++j) a(j, k) = a(j, k) - a(j, i) * aik;
    }
    const qcplx bi = b(i);
    for (int j = i + 1; j <= n; ++j) b(j) = b(j) - a(j, i) * bi;
  }
  if (zabs(a(n, n)) < kQFloor) a(n, n) = qcplx(kQFloor, 0);
  b(n) = b(n) / a(n, n);
  for (int j = n - 1; j >= 1; --j) {
    qcplx s(0, 0);
    for (int k = j + 1; k <= n; ++k) s = s + a(j, k) * b(k);
    b(j) = (b(j) - s) / a(j, j);
  }
}

qreal cqnormmq(int m, int n, mat_ref<const qcplx> a, int info) {
  qreal mx = 0;
  if (info == 1) {
    for (int j = 1; j <= n; ++j) {
      qreal s = 0;
      for (int i = 1; i <= m; ++i) s += zabs(a(i, j));
      if (s > mx) mx = s;
    }
  } else if (info == -1) {
    for (int i = 1; i <= m; ++i) {
      qreal s = 0;
      for (int j = 1; j <= n; ++j) s += zabs(a(i, j));
      if (s > mx) mx = s;
    }
  }
  return mx;
}

void qevalpdpds(int n, int m, mat_ref<const int> supp, vec_ref<const qcplx> cf,
                vec_ref<const qcplx> cft, vec_ref<const int> maxdeg, vec_ref<const qcplx> x,
                vec_ref<const int> nm, mat_ref<qcplx> jacob, vec_ref<qcplx> polyv,
                vec_ref<qcplx> polyt) {
  check_eval_args(n, m, supp, maxdeg, nm);
  wit_eval_work<qreal> w(n, maxdeg);
  wit_eval_t<qreal, true, true>(n, supp, nm, cf, cft, x, jacob, polyv, polyt, w);
}

void qevalpdp(int n, int m, mat_ref<const int> supp, vec_ref<const qcplx> cf,
              vec_ref<const int> maxdeg, vec_ref<const qcplx> x, vec_ref<const int> nm,
              mat_ref<qcplx> jacob, vec_ref<qcplx> polyv) {
  check_eval_args(n, m, supp, maxdeg, nm);
  wit_eval_work<qreal> w(n, maxdeg);
  wit_eval_t<qreal, true, false>(n, supp, nm, cf, cf, x, jacob, polyv, polyv, w);
}

namespace {
// Constants of the binary128 corrector (the binary128 values nearest to
// the decimals).
constexpr qreal kQStepThreshold = 1e-4Q;  // long steps: 5 corrections, short: 10
constexpr int kQItrLong = 5, kQItrShort = 10;
constexpr qreal kQC1Long = 10, kQC2Long = 5, kQC1Short = 3, kQC2Short = 2;
constexpr qreal kQCorrFloor = 1e-7Q, kQCorrScale = 1e10Q;
constexpr qreal kQStallResidual = 1000;
constexpr qreal kQMinStep = 1e-16Q;
constexpr qreal kQC3T = -1e-4Q, kQC3Raised = 1, kQC3Oldx = 500;
}  // namespace

void qnwtnitrn(double& tdbl, int n, vec_ref<qcplx> x, qreal& t, vec_ref<qcplx> h_1,
               mat_ref<qcplx> jacob, vec_ref<qcplx> polyt, vec_ref<qcplx> polyv, qreal& step,
               qreal accuracy, int& cut, int& flag, int& test_end, int& give_up, int& nstep,
               qreal& c3, wit_poly_eval<qreal>& ev, track_work<qreal>& w) {
  vec_ref<qcplx> oldx = w.oldx, delx = w.delx;
  mat_ref<qcplx> tmpa = w.tmpa;
  auto reject = [&] {
    cut = 1;
    t = t - step;
    step = step * qreal(0.5);
    nstep = 0;
    flag = 0;
    test_end = 0;
    if (step < kQMinStep) give_up = 1;
  };
  struct on_return {
    double& tdbl;
    const qreal& t;
    ~on_return() { tdbl = static_cast<double>(t); }
  } store_t{tdbl, t};

  cut = 0;
  vcopy<qcplx>(n, polyv, h_1);
  qreal res = vmax(n, h_1);

  // First correction, with the coefficients at t; always made.
  mcopy<qcplx>(n, jacob, tmpa);
  vcopy<qcplx>(n, polyv, delx);
  lin_solve(n, tmpa, delx);
  const qreal nrm = vmax(n, x);
  vcopy<qcplx>(n, x, oldx);
  for (int i = 1; i <= n; ++i) x(i) = x(i) - delx(i);
  int ntitr = 1;
  ev.at(x, t, jacob, polyv, polyt);
  qreal res1 = vmax(n, polyv);

  const bool long_step = step > kQStepThreshold;
  const qreal c1 = long_step ? kQC1Long : kQC1Short;
  const qreal c2 = long_step ? kQC2Long : kQC2Short;
  if (step < kQStepThreshold && t < kQC3T) c3 = kQC3Raised;
  if (t >= kQC3T && nrm < kQC3Oldx * qreal(n)) c3 = kQC3Raised;
  const qreal corr_bound = kQCorrFloor * one_max<qreal>(nrm / kQCorrScale);

  qreal nd = vmax(n, delx);
  if (res != res || res1 != res1 || nd != nd || nrm != nrm) {
    reject();
    return;
  }
  if (nd > c3 * nrm) {
    reject();
    return;
  }
  if (c1 * res1 > res && res1 > accuracy && res > accuracy && nd > corr_bound) {
    reject();
    return;
  }
  vcopy<qcplx>(n, polyv, h_1);
  res = res1;

  const int itr = long_step ? kQItrLong : kQItrShort;
  int loopdat = 0;
  while (res > accuracy && cut == 0 && loopdat == 0) {
    mcopy<qcplx>(n, jacob, tmpa);
    vcopy<qcplx>(n, h_1, delx);
    lin_solve(n, tmpa, delx);
    vcopy<qcplx>(n, x, oldx);
    for (int i = 1; i <= n; ++i) x(i) = x(i) - delx(i);
    ++ntitr;
    ev.same_t(x, t, jacob, polyv, polyt);
    res1 = vmax(n, polyv);
    nd = vmax(n, delx);
    if (ntitr > itr || res1 != res1 || nd != nd) {
      reject();
    } else if (c2 * res1 > res && res1 > accuracy) {
      const qreal bound = kQCorrFloor * one_max<qreal>(vmax(n, oldx) / kQCorrScale);
      if (nd < bound && res1 < kQStallResidual * accuracy) {
        loopdat = 1;
        if (res < res1) {  // the last correction made it worse: back to the point before it
          vcopy<qcplx>(n, oldx, x);
          ev.same_t(x, t, jacob, polyv, polyt);
        }
      } else {
        reject();
      }
    } else {
      vcopy<qcplx>(n, polyv, h_1);
      res = res1;
    }
  }
}

namespace {
// The start of a binary128 path: the least positive power of t, capped by
// the single-precision value nearest to 0.1.
constexpr double kQMinpowCap = 0.100000001490116119384765625;
// Paths start at t = -kStartDepth / minpow, and the corrector parameter is
// reset before every corrector call.
constexpr qreal kQC3Default = 0.1Q;
}  // namespace

void qfcurve(double& t, vec_ref<const cplx> x0, vec_ref<double> tpow, int& give_up, int n, int m,
             mat_ref<const int> supp, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
             vec_ref<const int> nm, vec_ref<cplx> xend) {
  ff_record(std::cout, 111);
  std::cout.flush();

  double minpow = kQMinpowCap;
  for (int k = 1; k <= m; ++k) {
    if (std::fabs(tpow(k)) < kPowZero) {
      tpow(k) = 0.0;
      continue;
    }
    if (tpow(k) > 0.0 && tpow(k) < minpow) minpow = tpow(k);
  }

  vec<qreal> qtpow(m);
  vec<qcplx> qcoef(m), qcoef_q(m), qcv(m);
  for (int k = 1; k <= m; ++k) {
    qtpow(k) = tpow(k);
    qcoef(k) = qcplx(coef(k).real(), coef(k).imag());
    qcoef_q(k) = qcplx(coef_q(k).real(), coef_q(k).imag());
    qcv(k) = qcoef(k) - qcoef_q(k);
  }
  wit_poly_eval<qreal> ev(n, m, supp, nm, qtpow, qcoef_q, qcv);
  track_work<qreal> wk(n);
  path_state<qreal> s(n);
  for (int j = 1; j <= n; ++j) {
    s.x(j) = qcplx(x0(j).real(), x0(j).imag());
    s.infnty(j) = 1;
  }
  give_up = 0;
  s.stepcount = 0;
  s.t = static_cast<qreal>(-(kStartDepth / minpow));

  refine_t<qreal>(ev, n, s.t, s.x, s.jacob, s.polyv, s.polyt, wk);
  frtstp_t<q_rules, qreal>(ev, n, s.step, s.step1, s.t, s.dirx1, s.jacob, s.polyv, s.polyt, s.x2,
                           s.x1, s.x, s.h_1, give_up, wk);
  s.cut = s.flag = s.test_end = s.nstep = 0;
  const qreal cap = -s.t / qreal(kFirstStepDiv);
  if (cap < s.step) s.step = cap;
  if (give_up != 0) return;
  s.accuracy = accuracy_of<qreal>(n, s.jacob.ref(), s.x.ref());

  while (s.test_end == 0 && give_up == 0) {
    if (s.flag == 1) s.test_end = 1;
    cubich_t<qreal>(ev, n, s.cut, s.dirx, s.dirx1, s.dirx2, s.t, s.x, s.x1.ref(), s.x2.ref(),
                    s.step, s.step1, s.jacob, s.polyt, s.polyv, wk);
    s.c3 = kQC3Default;
    qnwtnitrn(t, n, s.x, s.t, s.h_1, s.jacob, s.polyt, s.polyv, s.step, s.accuracy, s.cut, s.flag,
              s.test_end, give_up, s.nstep, s.c3, ev, wk);
    if (s.cut == 0) {
      if (q_rules::endgame_called(s.t))
        endgame_t<q_rules, qreal>(n, give_up, s.infnty, s.x.ref(), s.x1.ref(), s.x2.ref(), s.t,
                                  s.step, s.step1);
      if (s.test_end == 0)
        updtstp_t<q_rules, qreal>(n, s.t, s.stepcount, s.flag, s.nstep, s.step, s.step1,
                                  s.x.ref(), s.x1, s.x2, s.jacob.ref(), s.accuracy);
    }
  }
  if (s.test_end != 1) return;
  auto target = [&](vec_ref<const qcplx> z, vec_ref<qcplx> b, mat_ref<qcplx> a) {
    ev.target(qcoef, z, b, a);
  };
  bool isgood = false;
  fnlnwtn_t<q_rules, qreal>(n, target, s.jacob, s.h_1, s.x, isgood, false, wk);
  if (!isgood) {
    give_up = 1;
    return;
  }
  for (int j = 1; j <= n; ++j)
    xend(j) = cplx(static_cast<double>(s.x(j).real()), static_cast<double>(s.x(j).imag()));
}

}  // namespace hc

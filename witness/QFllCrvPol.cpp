#include "QFllCrvPol.h"

#include <iostream>

#include "QTrack.h"
#include "ffwrite.h"

namespace hc {

void qevalpdpds(int n, int m, mat_ref<const int> supp, vec_ref<const qcplx> cf,
                vec_ref<const qcplx> cft, vec_ref<const int> maxdeg, vec_ref<const qcplx> x,
                vec_ref<const int> nm, mat_ref<qcplx> jacob, vec_ref<qcplx> polyv,
                vec_ref<qcplx> polyt) {
  evalpdpds_t<qreal>(n, m, supp, cf, cft, maxdeg, x, nm, jacob, polyv, polyt);
}

void qevalpdp(int n, int m, mat_ref<const int> supp, vec_ref<const qcplx> cf,
              vec_ref<const int> maxdeg, vec_ref<const qcplx> x, vec_ref<const int> nm,
              mat_ref<qcplx> jacob, vec_ref<qcplx> polyv) {
  evalpdp_t<qreal>(n, m, supp, cf, maxdeg, x, nm, jacob, polyv);
}

void qnwtnitrn(double& tdbl, int n, vec_ref<qcplx> x, qreal& t, vec_ref<qcplx> h_1,
               mat_ref<qcplx> jacob, vec_ref<qcplx> polyt, vec_ref<qcplx> polyv, qreal& step,
               qreal accuracy, int& cut, int& flag, int& test_end, int& give_up, int& nstep,
               qreal& c3, wit_poly_eval<qreal>& ev, track_work<qreal>& w) {
  int blow_up = 0;  // the binary128 corrector counts none
  nwtnitrn_t<q_rules, qreal>(ev, n, x, t, h_1, jacob, polyt, polyv, step, accuracy, cut, flag,
                             test_end, give_up, nstep, c3, blow_up, w);
  tdbl = static_cast<double>(t);
}

namespace {
// The start of a binary128 path: the least positive power of t, capped by
// the single-precision value nearest to 0.1.
constexpr double kQMinpowCap = 0.100000001490116119384765625;
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
  s.give_up = 0;
  s.stepcount = 0;
  s.t = static_cast<qreal>(-(kStartDepth / minpow));

  refine_t<qreal>(ev, n, s.t, s.x, s.jacob, s.polyv, s.polyt, wk);
  frtstp_t<q_rules, qreal>(ev, n, s.step, s.step1, s.t, s.dirx1, s.jacob, s.polyv, s.polyt, s.x2,
                           s.x1, s.x, s.h_1, s.give_up, wk);
  s.cut = s.flag = s.test_end = s.nstep = 0;
  const qreal cap = -s.t / qreal(kFirstStepDiv);
  if (cap < s.step) s.step = cap;
  give_up = s.give_up;
  if (give_up != 0) return;
  s.accuracy = accuracy_of<q_rules, qreal>(n, s.jacob.ref(), s.x.ref());

  // The corrector gives up below a step of 1e-16 wherever t is: there is no
  // blow-up to count, nor any later fallback.
  int blow_up = 0;
  follow_t<q_rules, qreal>(ev, n, s, false, blow_up, wk);
  t = static_cast<double>(s.t);
  give_up = s.give_up;
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

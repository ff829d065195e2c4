#include "FollowCurve.h"

namespace hc {

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
void final_newton(int n, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                  vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, bool keep_eval,
                  const evalcore& ev) {
  track_work<double> w(n);
  auto target = [&](vec_ref<const cplx> z, vec_ref<cplx> p, mat_ref<cplx> dp) {
    ev.evahhx(n, coef.data(), z.data(), p.data(), cfd.data(), dp.data());
  };
  fnlnwtn_t<poly_rules, double>(n, target, a, b, x, isgood, keep_eval, w);
}
}  // namespace

void fnlnwtn(int n, int /*m*/, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
             vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev) {
  final_newton(n, coef, a, b, x, cfd, isgood, false, ev);
}

void fnlnwtnsln(int n, int /*m*/, vec_ref<const cplx> coef, mat_ref<cplx> a, vec_ref<cplx> b,
                vec_ref<cplx> x, vec_ref<const cplx> cfd, bool& isgood, const evalcore& ev) {
  final_newton(n, coef, a, b, x, cfd, isgood, true, ev);
}

}  // namespace hc

#include "ChkSol_W.h"

#include "Eval.h"
#include "LinTool.h"
#include "WitEval.h"
#include "prng.h"

namespace hc {

double witness_c3(int ntr) {
  constexpr double kC3Base = 0.1;
  int p10 = 1;
  for (int i = 0; i < ntr; ++i) p10 *= 10;
  return kC3Base / static_cast<double>(p10);
}

namespace {
struct pair_check_w {
  int N;
  mat_ref<const int> supp;
  vec_ref<const cplx> coef;
  vec_ref<const int> nm;
  mat_ref<int> dat;
  mat_ref<cplx> sol;
  const retrack_fn& retrack;
  wit_eval_work<double> ew;
  vec<double> tmprv;
  vec<cplx> nrmt, rtx1, rtx2;
  mat<cplx> jacob;

  pair_check_w(int N_, int M, int nroot, mat_ref<const int> supp_, vec_ref<const cplx> coef_,
               vec_ref<const int> nm_, mat_ref<int> dat_, mat_ref<cplx> sol_,
               const retrack_fn& retrack_)
      : N(N_), supp(supp_), coef(coef_), nm(nm_), dat(dat_), sol(sol_), retrack(retrack_),
        ew(N_, M, supp_), tmprv(N_), nrmt(nroot), rtx1(N_), rtx2(N_), jacob(N_, N_) {}

  void again(int c, int p, int r, double& c3, vec_ref<cplx> rtx) {
    int stepcount = 0, give_up = 0;
    retrack(p, r, c3, rtx, stepcount, give_up);
    dat(3, c) += stepcount;
    dat(4, c) += 1;
    if (give_up == 1) dat(5, c) = 1;
  }

  void pair(int a, int b, int attempts) {
    if (!(cabs(nrmt(a) - nrmt(b)) < kSameRoot)) return;
    vec_ref<cplx> none;
    wit_eval_t<double, false, false>(N, supp, nm, coef, coef, sol.col(a), jacob, none, none, ew);
    double max_sv = 0, min_sv = 0;
    cqmaxminsv(N, jacob, max_sv, min_sv, kSvTol);
    if (!(max_sv > kSvFloor && max_sv < kSvRatio * min_sv)) return;
    vcopy<cplx>(N, sol.col(a), rtx1);
    vcopy<cplx>(N, sol.col(b), rtx2);
    const int rtp1 = dat(1, a), rtr1 = dat(2, a), rtp2 = dat(1, b), rtr2 = dat(2, b);
    for (int ntr = 1;; ++ntr) {
      const double dist = vmaxdiff<cplx>(N, rtx1, rtx2);
      const double size = vmax(N, rtx1.ref());
      if (dist >= kSameRoot * size || ntr > attempts) break;
      double c3 = witness_c3(ntr);
      again(a, rtp1, rtr1, c3, rtx1);
      again(b, rtp2, rtr2, c3, rtx2);
    }
    // A NaN distance (a failed re-track) never counts as separated.
    const double dist = vmaxdiff<cplx>(N, rtx1, rtx2);
    const double size = vmax(N, rtx1.ref());
    if (dist > kSameRoot * size) {
      vcopy<cplx>(N, rtx1, sol.col(a));
      vcopy<cplx>(N, rtx2, sol.col(b));
    }
  }

  template <class Member>
  void all_pairs(int count, int attempts, Member&& member) {
    for (int k = 1; k <= count - 1; ++k)
      for (int l = k + 1; l <= count; ++l) pair(member(k), member(l), attempts);
  }
};
}  // namespace

void chksln_w_flow(int N, int M, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
                   vec_ref<const int> nm, mat_ref<int> dat, mat_ref<cplx> sol,
                   const retrack_fn& retrack) {
  if (sol.rows() < N || sol.cols() < nroot || dat.rows() < 6 || dat.cols() < nroot)
    wit_fail("the end points or their path data hold fewer columns than the check is given");
  pair_check_w pc(N, M, nroot, supp, coef, nm, dat, sol, retrack);
  prng_seed();
  for (int i = 1; i <= N; ++i) pc.tmprv(i) = prng_draw();
  for (int j = 1; j <= nroot; ++j) {
    cplx s(0, 0);
    for (int i = 1; i <= N; ++i) s += pc.tmprv(i) * sol(i, j);
    pc.nrmt(j) = s;
  }
  vec<int> cnt(kBuckets);
  bucket_index ind;
  gp2digit(N, sol, nroot, cnt, ind);
  for (int j = 1; j <= nroot; ++j) dat(4, j) = dat(5, j) = 0;

  for (int b = 1; b <= kBuckets; ++b)
    if (cnt(b) <= kBucketSplit)
      pc.all_pairs(cnt(b), kWitRetracks1, [&](int k) { return ind(b, k); });

  vec<int> cnt2(kBuckets);
  bucket_index ind2;
  for (int i = 1; i <= kBuckets; ++i) {
    if (cnt(i) <= kBucketSplit) continue;
    if (N < 2) {  // no second coordinate to split on
      pc.all_pairs(cnt(i), kWitRetracks2, [&](int k) { return ind(i, k); });
      continue;
    }
    gp2digit_ck(N, sol, i, cnt2, ind2, cnt, ind);
    for (int j = 1; j <= kBuckets; ++j)
      if (cnt2(j) > 1) pc.all_pairs(cnt2(j), kWitRetracks2, [&](int k) { return ind2(j, k); });
  }
}

}  // namespace hc

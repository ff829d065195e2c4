#include "CheckSol.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "BackErr.h"
#include "FollowCurve.h"
#include "FollowCurveTD.h"
#include "LinTool.h"
#include "RootCopies.h"
#include "prng.h"

namespace hc {

int bucket_of(double v) {
  constexpr double kDigitScale = 1e4;  // the third and fourth decimals become the last two digits
  const double s = kDigitScale * v;
  // trunc toward zero as a 32-bit integer; out of range and NaN give INT_MIN.
  const int k = (s > -2147483649.0 && s < 2147483648.0) ? static_cast<int>(s) : INT_MIN;
  const int key = k % 100;
  return key >= 0 ? key + 101 : 1 - key;
}

namespace {
// Fills cnt and ind from the bucket of each listed column; column(k) gives
// the k-th column to place (k = 1..count) and key(col) its value.
template <class Column, class Key>
void fill_buckets(int count, Column&& column, Key&& key, vec_ref<int> cnt, bucket_index& ind) {
  for (int b = 1; b <= kBuckets; ++b) cnt(b) = 0;
  for (int k = 1; k <= count; ++k) ++cnt(bucket_of(key(column(k))));
  ind.start.assign(kBuckets + 1);
  ind.start(1) = 0;
  for (int b = 2; b <= kBuckets + 1; ++b) ind.start(b) = ind.start(b - 1) + cnt(b - 1);
  ind.memb.assign(count);
  vec<int> fill(kBuckets, 0);
  for (int k = 1; k <= count; ++k) {
    const int col = column(k);
    const int b = bucket_of(key(col));
    ++fill(b);
    ind.memb(ind.start(b) + fill(b)) = col;
  }
}
}  // namespace

void gp2digit(int /*n*/, mat_ref<const cplx> sol, int nroot, vec_ref<int> cnt, bucket_index& ind) {
  fill_buckets(
      nroot, [](int k) { return k; }, [&](int j) { return sol(1, j).imag(); }, cnt, ind);
}

void gp2digit_ck(int /*n*/, mat_ref<const cplx> sol, int i, vec_ref<int> cnt2, bucket_index& ind2,
                 vec_ref<const int> cnt, const bucket_index& ind) {
  fill_buckets(
      cnt(i), [&](int k) { return ind(i, k); }, [&](int j) { return sol(2, j).imag(); }, cnt2,
      ind2);
}

double chksln_c3(int ntr) {
  constexpr double kC3Factor = 0.1;  // each attempt lowers c3 tenfold
  double c3 = 1.0;
  for (int k = 0; k < ntr + 1; ++k) c3 *= kC3Factor;
  return c3;
}

namespace {
struct pair_check {
  int n;
  mat_ref<int> dat;
  mat_ref<cplx> sol;
  const retrack_fn& retrack;
  const jacobian_fn& jac;
  const check_rules& rules;
  vec<double> tmprv;
  vec<cplx> nrmt, rtx1, rtx2;
  mat<cplx> jacob;
  // Re-tracks the run may still spend; columns of pairs that did not
  // separate (their points stay, and no later pair at one of them is
  // re-tracked).
  long long budget = 0;
  std::vector<int> stuck;
  // Columns whose paths were re-tracked with every attempt without a
  // separation: the re-tracks are deterministic, so following such a path
  // again ends where it ended.  The copy re-tracks skip them.
  std::vector<char> spent;
  // What the check did: pairs re-tracked, path re-tracks, pairs that did not
  // separate (reported by benchmark builds).
  long long pairs = 0, retracks = 0, unsplit = 0;

  // Re-track the path of column c into rtx, adding its counts to dat(., c);
  // returns its give-up flag.
  int again(int c, int p, int r, double& c3, vec_ref<cplx> rtx) {
    int stepcount = 0, give_up = 0;
    retrack(p, r, c3, rtx, stepcount, give_up);
    ++retracks;
    --budget;
    dat(kDatSteps, c) += stepcount;
    dat(kDatRetracks, c) += 1;
    return give_up;
  }

  // The point of column a is one where a pair did not separate before.
  bool is_stuck(int a) const {
    for (int c : stuck)
      if (!apart(sol.col(c), sol.col(a))) return true;
    return false;
  }

  // x and y lie apart: max_i |x_i - y_i| at least kSameRoot max(max_i |x_i|,
  // kSizeFloor).  False when a distance is NaN.
  bool apart(vec_ref<const cplx> x, vec_ref<const cplx> y) const {
    const double size = vmax(n, x);
    return vmaxdiff<cplx>(n, x, y) >= kSameRoot * (size > kSizeFloor ? size : kSizeFloor);
  }

  void pair(int a, int b, int attempts) {
    if (!(cabs(nrmt(a) - nrmt(b)) < kSameRoot)) return;
    if (budget < 2 * attempts || is_stuck(a)) return;
    if (rules.conditioned_only) {
      jac(sol.col(a), jacob);
      double max_sv = 0, min_sv = 0;
      cqmaxminsv(n, jacob, max_sv, min_sv, kSvTol);
      if (!(max_sv > kSvFloor && max_sv < kSvRatio * min_sv)) return;
    }
    vcopy<cplx>(n, sol.col(a), rtx1);
    vcopy<cplx>(n, sol.col(b), rtx2);
    const int rtp1 = dat(kDatCell, a), rtr1 = dat(kDatStart, a);
    const int rtp2 = dat(kDatCell, b), rtr2 = dat(kDatStart, b);
    int give_up1 = 0, give_up2 = 0;  // of the last attempt
    int ntr = 1;
    for (; ntr <= attempts && !apart(rtx1, rtx2); ++ntr) {
      double c3 = rules.c3_of(ntr);
      give_up1 = again(a, rtp1, rtr1, c3, rtx1);
      give_up2 = again(b, rtp2, rtr2, c3, rtx2);
    }
    if (ntr == 1) return;  // the points differ already
    ++pairs;
    // A NaN distance (a failed re-track) never counts as separated, nor, by
    // the solver's rules, do re-tracks that lost the root: when neither
    // ended at a root but a first point is one, storing them would drop a
    // root that both paths reached (on a badly scaled system the tighter
    // corrector gives up, or ends on no root).  Row 5 describes the point a
    // column holds: the re-tracked one when it is stored, else the first
    // tracking's, which did not give up.
    const double dist = vmaxdiff<cplx>(n, rtx1, rtx2);
    const double size = vmax(n, rtx1.ref());
    if (dist > kSameRoot * (size > kSizeFloor ? size : kSizeFloor) &&
        !lost_root(a, b, give_up1, give_up2)) {
      vcopy<cplx>(n, rtx1, sol.col(a));
      vcopy<cplx>(n, rtx2, sol.col(b));
      dat(kDatGaveUp, a) = give_up1;
      dat(kDatGaveUp, b) = give_up2;
    } else {
      ++unsplit;
      stuck.push_back(a);
      spent[static_cast<std::size_t>(a)] = spent[static_cast<std::size_t>(b)] = 1;
    }
  }

  // Two points, of columns a and b, of the root where same(x) holds: one of
  // their paths left its own root.  Both are re-tracked (those not spent),
  // at most attempts1 times, until one ends (without giving up) at a root
  // where same fails; that one is stored (the later column's when both do,
  // so that the root the pair held stays).  True when a point was stored;
  // else the columns re-tracked are spent.  A third path at the root is
  // still re-tracked with either of them: it may be the one that left its
  // root.
  bool retrack_copies(int a, int b, const root_test& same) {
    const int attempts = rules.attempts1;
    const bool try1 = !spent[static_cast<std::size_t>(a)];
    const bool try2 = !spent[static_cast<std::size_t>(b)];
    if ((!try1 && !try2) || budget < attempts * (try1 + try2) || !rules.is_root) return false;
    const int rtp1 = dat(kDatCell, a), rtr1 = dat(kDatStart, a);
    const int rtp2 = dat(kDatCell, b), rtr2 = dat(kDatStart, b);
    auto elsewhere = [&](int give_up, vec_ref<const cplx> x) {
      return give_up == 0 && rules.is_root(x) && !same(x);
    };
    bool new1 = false, new2 = false;
    for (int ntr = 1; ntr <= attempts && !new1 && !new2; ++ntr) {
      double c3 = rules.c3_of(ntr);
      if (try1) new1 = elsewhere(again(a, rtp1, rtr1, c3, rtx1), rtx1);
      if (try2) new2 = elsewhere(again(b, rtp2, rtr2, c3, rtx2), rtx2);
    }
    ++pairs;
    if (new2) {
      vcopy<cplx>(n, rtx2, sol.col(b));
      dat(kDatGaveUp, b) = 0;
    } else if (new1) {
      vcopy<cplx>(n, rtx1, sol.col(a));
      dat(kDatGaveUp, a) = 0;
    } else {
      ++unsplit;
      spent[static_cast<std::size_t>(a)] = spent[static_cast<std::size_t>(b)] = 1;
      return false;
    }
    return true;
  }

  // The re-tracks rtx1, rtx2 of columns a, b lost the root the first points
  // held (never when the rules have no root test).
  bool lost_root(int a, int b, int give_up1, int give_up2) const {
    if (!rules.is_root) return false;
    if ((give_up1 == 0 && rules.is_root(rtx1)) || (give_up2 == 0 && rules.is_root(rtx2)))
      return false;
    return rules.is_root(sol.col(a)) || rules.is_root(sol.col(b));
  }

  // Every pair k < l of a list of columns.
  template <class Member>
  void all_pairs(int count, int attempts, Member&& member) {
    for (int k = 1; k <= count - 1; ++k)
      for (int l = k + 1; l <= count; ++l) pair(member(k), member(l), attempts);
  }
};
}  // namespace

void chksln_flow(int n, int nroot, const jacobian_fn& jac, mat_ref<int> dat, mat_ref<cplx> sol,
                 const retrack_fn& retrack, const check_rules& rules, vec<double>* weights) {
  pair_check pc{n,
                dat,
                sol,
                retrack,
                jac,
                rules,
                vec<double>(n),
                vec<cplx>(nroot),
                vec<cplx>(n),
                vec<cplx>(n),
                mat<cplx>(n, n),
                0,
                {},
                std::vector<char>(static_cast<std::size_t>(nroot) + 1, 0)};
  pc.budget = kRetrackShare * std::max(rules.attempts1, rules.attempts2) * nroot;
  prng_seed();
  for (int i = 1; i <= n; ++i) pc.tmprv(i) = prng_draw();
  for (int j = 1; j <= nroot; ++j) {
    cplx s(0, 0);
    for (int i = 1; i <= n; ++i) s += pc.tmprv(i) * sol(i, j);
    pc.nrmt(j) = s;
  }
  vec<int> cnt(kBuckets);
  bucket_index ind;
  gp2digit(n, sol, nroot, cnt, ind);
  for (int j = 1; j <= nroot; ++j) dat(kDatRetracks, j) = dat(kDatGaveUp, j) = 0;

  for (int b = 1; b <= kBuckets; ++b)
    if (cnt(b) <= kBucketSplit)
      pc.all_pairs(cnt(b), rules.attempts1, [&](int k) { return ind(b, k); });

  vec<int> cnt2(kBuckets);
  bucket_index ind2;
  for (int i = 1; i <= kBuckets; ++i) {
    if (cnt(i) <= kBucketSplit) continue;
    if (n < 2) {  // no second coordinate to split on
      pc.all_pairs(cnt(i), rules.attempts2, [&](int k) { return ind(i, k); });
      continue;
    }
    gp2digit_ck(n, sol, i, cnt2, ind2, cnt, ind);
    for (int j = 1; j <= kBuckets; ++j)
      if (cnt2(j) > 1) pc.all_pairs(cnt2(j), rules.attempts2, [&](int k) { return ind2(j, k); });
  }
  if (weights) *weights = pc.tmprv;
  if (rules.after)
    rules.after([&](int a, int b, const root_test& same) { return pc.retrack_copies(a, b, same); });
#ifdef HC_CHECK_STATS
  std::fprintf(stderr, "check: pairs %lld re-tracks %lld unsplit %lld\n", pc.pairs, pc.retracks,
               pc.unsplit);
#endif
}

void chksln_flow(int n, int nroot, vec_ref<const cplx> coef, vec_ref<const cplx> cfd,
                 vec_ref<const int> nm, mat_ref<const int> supp, mat_ref<int> dat,
                 mat_ref<cplx> sol, const retrack_fn& retrack, const evalcore& ev) {
  vec<cplx> polyv(n);
  jacobian_fn jac = [&](vec_ref<const cplx> x, mat_ref<cplx> jacob) {
    ev.evahhx(n, coef.data(), x.data(), polyv.data(), cfd.data(), jacob.data());
  };
  const int m = coef.size();
  vec<cplx> acoef(m), values(n);
  mat<cplx> jacob(n, n);
  vec<double> scale(n);
  term_scale_work sw(n);
  abs_coef(m, coef, acoef);
  check_rules rules;
  rules.is_root = [&](vec_ref<const cplx> x) {
    ev.evahhx(n, coef.data(), x.data(), values.data(), cfd.data(), jacob.data());
    term_scale(n, acoef, cfd, x, scale, sw, ev);
    return backerr_ok(n, values, scale, kBackErrFactor);
  };
  vec<double> tmprv;
  int copies = 0;
  rules.after = [&](const separate_fn& separate) {
    copies = mark_copies(n, nroot, coef, cfd, nm, supp, tmprv, dat, sol, separate, ev);
  };
  chksln_flow(n, nroot, jac, dat, sol, retrack, rules, &tmprv);
#ifdef HC_CHECK_STATS
  std::fprintf(stderr, "check: copies of a simple root %d\n", copies);
#else
  (void)copies;
#endif
}

namespace {
// One linear path again from bix(:, r) with the caller's c3 (kept, and
// returned as the corrector left it); its blow-up count is discarded.
void retrack_td(td_tracker& trk, mat_ref<const cplx> bix, int r, double& c3, vec_ref<cplx> rtrcx,
                int& stepcount, int& give_up) {
  int lost = 0;
  bool isgood = false;
  trk.s.c3 = c3;
  trk.path(bix.col(r), kTdRetraceStep, true, lost, isgood);
  c3 = trk.s.c3;
  if (trk.s.test_end == 1 && !isgood) trk.s.give_up = 1;
  vcopy<cplx>(trk.n, trk.s.x.ref(), rtrcx);
  stepcount = trk.s.stepcount;
  give_up = trk.s.give_up;
}
}  // namespace

void chksln(int n, int nc, int m, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
            vec_ref<const cplx> coef_q, vec_ref<const int> nm, mat_ref<int> dat,
            vec_ref<const double> w, mat_ref<const int> mc, mat_ref<cplx> sol,
            vec_ref<const cplx> cfd, const evalcore& ev) {
  // One tracker's work for every re-track of the check.
  poly_tracker trk(n, m, nm, supp, coef, coef_q, cfd, w, mc, ev);
  retrack_fn retrack = [&](int p, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount,
                           int& give_up) {
    retrack_cell(trk, nc, p, r, c3, rtrcx, stepcount, give_up);
  };
  chksln_flow(n, nroot, coef, cfd, nm, supp, dat, sol, retrack, ev);
}

void retrace(int n, int nc, int m, int& stepcount, mat_ref<const int> supp,
             vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const int> nm,
             vec_ref<const double> w, mat_ref<const int> mc, double& c3, int p, int r,
             vec_ref<cplx> rtrcx, int& give_up, vec_ref<const cplx> cfd, const evalcore& ev) {
  poly_tracker trk(n, m, nm, supp, coef, coef_q, cfd, w, mc, ev);
  retrack_cell(trk, nc, p, r, c3, rtrcx, stepcount, give_up);
}

void chkslntd(int n, int m, vec_ref<const int> deg, int nroot, mat_ref<const int> supp,
              mat_ref<const int> /*supp_q*/, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
              vec_ref<const int> nm, mat_ref<int> dat, mat_ref<cplx> sol, mat_ref<const cplx> bix,
              vec_ref<const cplx> cfd, int tmpi, const evalcore& ev) {
  // One tracker's work for every re-track of the check.
  td_tracker trk(n, m, deg, coef, coef_q, cfd, tmpi, ev);
  retrack_fn retrack = [&](int /*p*/, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount,
                           int& give_up) {
    retrack_td(trk, bix, r, c3, rtrcx, stepcount, give_up);
  };
  chksln_flow(n, nroot, coef, cfd, nm, supp, dat, sol, retrack, ev);
}

void retracetd(int n, int m, vec_ref<const int> deg, mat_ref<const cplx> bix, int& stepcount,
               mat_ref<const int> /*supp*/, mat_ref<const int> /*supp_q*/, vec_ref<const cplx> coef,
               vec_ref<const cplx> coef_q, vec_ref<const cplx> cfd, vec_ref<const int> /*nm*/,
               double& c3, int r, vec_ref<cplx> rtrcx, int& tmpi, int& give_up,
               const evalcore& ev) {
  tmpi = td_maxdeg(n, deg);
  td_tracker trk(n, m, deg, coef, coef_q, cfd, tmpi, ev);
  retrack_td(trk, bix, r, c3, rtrcx, stepcount, give_up);
}

}  // namespace hc

// Duplicate check of the stored end points: pairs that coincide to a relative
// 1e-7 (relative to max(max|x|, 1e-12)) at a well-conditioned point are
// tracked again with a smaller corrector parameter c3 (0.01, then 0.001),
// kept in every corrector call, until they separate.  When they separate the
// re-tracked points are stored and row 5 of dat says whether the re-track
// that gave the stored point gave up (the writer then drops it); for the
// solver, re-tracks that lost the root (neither ended at a root, while a
// first point is one) do not separate a pair.  A pair that does not
// separate keeps its points and rows 5, and a later pair at the same point
// is not re-tracked again (re-tracking cannot split what it could not split
// before); the run's re-tracks are bounded by kRetrackShare.  Copies of one
// simple root that remain are marked afterwards (RootCopies.h).
//
// Candidates are found by buckets: the key of a coordinate value v is the
// remainder of trunc(1e4 v) (as a 32-bit integer; out of range or NaN gives
// the most negative one) by 100 with the sign of the dividend, so -99..99;
// bucket = key + 101 for key >= 0, 1 - key for key < 0 (bucket 1 stays empty).
// Members are kept in increasing column order.
//
//   bucket_of(v)  the bucket of one value, 2..200.
//   bucket_index  the members of 200 buckets: ind(b, k) is the column of the
//       k-th member of bucket b, k = 1..cnt(b).  Stored compactly (one list of
//       all members with a start per bucket), so every root is placed whatever
//       the buckets hold.
//   gp2digit(n, sol, nroot, cnt, ind)  cnt(200) and ind from Im(sol(1, j)),
//       j = 1..nroot; sol(n, >= nroot).
//   gp2digit_ck(n, sol, i, cnt2, ind2, cnt, ind)  cnt2(200) and ind2 from
//       Im(sol(2, .)) of the members of bucket i of (cnt, ind); needs n >= 2.
//   chksln_flow(n, nroot, jac, dat, sol, retrack, rules, weights)  the check shared by
//       every tracker: jac(x, jacob) the target's Jacobian jacob(n,n) at x(n)
//       (for the conditioning of the first point of a pair);
//       retrack(p, r, c3, rtrcx, stepcount, give_up) follows the path of dat
//       rows 1 and 2 (cell p, start root r) again with corrector parameter c3
//       (kept in every corrector call), into rtrcx(n); rules the attempts
//       per pair in the first pass (buckets of at most 1000 members) and the
//       second (sub-buckets by the second coordinate), c3_of(ntr) the
//       corrector parameter of attempt ntr, and whether only pairs at a
//       well-conditioned point are re-tracked (jac is not called otherwise).
//       Reseeds the platform generator and draws n numbers for the
//       projection.  dat(6, >= nroot) rows 4 and 5 zeroed,
//       rows 3 to 5 updated; columns of sol(n, >= nroot) replaced when a pair
//       separates.  A bucket of more than 1000 members is split by the second
//       coordinate; for n = 1 it is paired within itself.  When weights is
//       given it receives the n projection weights drawn.
//   chksln_flow(n, nroot, coef, cfd, nm, supp, dat, sol, retrack, ev)  the
//       same with the Jacobian by evahhx (coef(m), cfd((n-1)m)) and the
//       solver's rules: two attempts per pair in both passes,
//       c3 = chksln_c3(ntr), is_root the componentwise backward error of the
//       point within kBackErrFactor eps (BackErr.h); then the pairs that are
//       one root whatever its conditioning are re-tracked once more, and the
//       copies that remain are marked in row 5 (mark_copies, RootCopies.h,
//       with the same projection weights and nm(n), supp(n,m) for the
//       values in double-double).
//   chksln_c3(ntr)  0.1^(ntr+1), as ntr+1 products by 0.1.
//   chksln(n, nc, m, nroot, supp, coef, coef_q, nm, dat, w, mc, sol, cfd)
//       the check of the polyhedral homotopy (re-tracks by retrace); mc the
//       mixed-cell table, w the lifting, cfd((n-1)m) of the scaled coef.
//   retrace(n, nc, m, stepcount, supp, coef, coef_q, nm, w, mc, c3, p, r,
//       rtrcx, give_up, cfd)  the polyhedral path of cell p, start root r
//       again (start system rebuilt), step after the first at most -t/4,
//       corrector parameter c3 kept; rtrcx(n) its end point, give_up = 1
//       when it failed or when cell p has no start root r.
//   chkslntd(n, m, deg, nroot, supp, supp_q, coef, coef_q, nm, dat, sol, bix,
//       cfd, tmpi)  the check of the linear homotopy (re-tracks by retracetd).
//   retracetd(n, m, deg, bix, stepcount, supp, supp_q, coef, coef_q, cfd, nm,
//       c3, r, rtrcx, tmpi, give_up)  the linear path from bix(:, r) again,
//       first step 0.001, corrector parameter c3 kept; rtrcx(n) its end point,
//       give_up = 1 when it failed; tmpi set to the largest degree.
#pragma once

#include <functional>

#include "Eval.h"
#include "array.h"
#include "cplx.h"
#include "path_data.h"

namespace hc {

constexpr int kBuckets = 200;
// Buckets larger than this are split once more by the second coordinate.
constexpr int kBucketSplit = 1000;
// Relative distance below which two end points coincide, and the projection
// tolerance that selects candidate pairs.
constexpr double kSameRoot = 1e-7;
// Conditioning of a point worth re-tracking: max_sv > 1e-12 and
// max_sv < 1e5 min_sv (estimates within 1e-5).
constexpr double kSvFloor = 1e-12, kSvRatio = 1e5, kSvTol = 1e-5;
// Re-track attempts per pair; attempt k uses c3 = 0.1^(k+1).
constexpr int kMaxRetracks = 2;
// The size below which distances are taken relative to kSizeFloor instead:
// two end points at the origin are compared as well as any others.
constexpr double kSizeFloor = 1e-12;
// The re-tracks of one run: at most the re-tracks of kRetrackShare full
// pairs' attempts per stored end point, so that the check costs at most a
// small multiple of the tracking itself.
constexpr long long kRetrackShare = 2;

struct bucket_index {
  vec<int> start;  // start(b): members of bucket b are memb(start(b)+1 .. start(b)+cnt(b))
  vec<int> memb;
  int operator()(int b, int k) const { return memb(start(b) + k); }
};

int bucket_of(double v);

void gp2digit(int n, mat_ref<const cplx> sol, int nroot, vec_ref<int> cnt, bucket_index& ind);

void gp2digit_ck(int n, mat_ref<const cplx> sol, int i, vec_ref<int> cnt2, bucket_index& ind2,
                 vec_ref<const int> cnt, const bucket_index& ind);

using retrack_fn = std::function<void(int p, int r, double& c3, vec_ref<cplx> rtrcx, int& stepcount,
                                      int& give_up)>;
using jacobian_fn = std::function<void(vec_ref<const cplx> x, mat_ref<cplx> jacob)>;
// Whether a point x(n) is a root (of some kind the caller tests).
using root_test = std::function<bool(vec_ref<const cplx> x)>;
// Re-tracks the paths of the stored points of columns a < b, two points of
// the root where same(x) holds; true when a re-track that ended at another
// root was stored in its column.
using separate_fn = std::function<bool(int a, int b, const root_test& same)>;

double chksln_c3(int ntr);

struct check_rules {
  int attempts1 = kMaxRetracks;  // per pair, first pass
  int attempts2 = kMaxRetracks;  // per pair, second pass
  double (*c3_of)(int ntr) = chksln_c3;
  // When given: re-tracks that lie apart separate a pair only when one of
  // them ended (did not give up) at a point where is_root holds, or when
  // neither first point is a root; else the first points stay.  Empty:
  // re-tracks that lie apart always separate it.
  root_test is_root;
  // Only pairs at a well-conditioned point are re-tracked (false: every
  // coinciding pair, for a writer that drops badly conditioned points
  // itself).
  bool conditioned_only = true;
  // When given: run once the passes are done, with the check's re-track of
  // two points of one root (needs is_root): both paths are re-tracked, at
  // most attempts1 times and within the run's budget, until one of them
  // ends at a root that is not the pair's; that point is stored (the later
  // column's when both do, so that the pair's root stays).  A path whose
  // re-tracks separated no pair before (in either pass) is spent and not
  // re-tracked again: its re-tracks would end where they ended.
  std::function<void(const separate_fn& separate)> after;
};

void chksln_flow(int n, int nroot, const jacobian_fn& jac, mat_ref<int> dat, mat_ref<cplx> sol,
                 const retrack_fn& retrack, const check_rules& rules,
                 vec<double>* weights = nullptr);

void chksln_flow(int n, int nroot, vec_ref<const cplx> coef, vec_ref<const cplx> cfd,
                 vec_ref<const int> nm, mat_ref<const int> supp, mat_ref<int> dat,
                 mat_ref<cplx> sol, const retrack_fn& retrack, const evalcore& ev = evalcore_lib());

void chksln(int n, int nc, int m, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
            vec_ref<const cplx> coef_q, vec_ref<const int> nm, mat_ref<int> dat,
            vec_ref<const double> w, mat_ref<const int> mc, mat_ref<cplx> sol,
            vec_ref<const cplx> cfd, const evalcore& ev = evalcore_lib());

void retrace(int n, int nc, int m, int& stepcount, mat_ref<const int> supp,
             vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, vec_ref<const int> nm,
             vec_ref<const double> w, mat_ref<const int> mc, double& c3, int p, int r,
             vec_ref<cplx> rtrcx, int& give_up, vec_ref<const cplx> cfd,
             const evalcore& ev = evalcore_lib());

void chkslntd(int n, int m, vec_ref<const int> deg, int nroot, mat_ref<const int> supp,
              mat_ref<const int> supp_q, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
              vec_ref<const int> nm, mat_ref<int> dat, mat_ref<cplx> sol, mat_ref<const cplx> bix,
              vec_ref<const cplx> cfd, int tmpi, const evalcore& ev = evalcore_lib());

void retracetd(int n, int m, vec_ref<const int> deg, mat_ref<const cplx> bix, int& stepcount,
               mat_ref<const int> supp, mat_ref<const int> supp_q, vec_ref<const cplx> coef,
               vec_ref<const cplx> coef_q, vec_ref<const cplx> cfd, vec_ref<const int> nm,
               double& c3, int r, vec_ref<cplx> rtrcx, int& tmpi, int& give_up,
               const evalcore& ev = evalcore_lib());

}  // namespace hc

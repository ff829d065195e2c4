#include "WrtSol_W.h"

#include <algorithm>
#include <cmath>

#include "BackErr.h"
#include "Eval.h"
#include "FllCrvPol_W.h"
#include "LinTool.h"
#include "SliceNewton.h"
#include "WitEval.h"
#include "ffwrite.h"
#include "outfile.h"

namespace hc {

namespace {
// Parts of a point's coordinate below this magnitude are written as 0.
constexpr double kShowZero = 1e-15;
// A Jacobian whose largest singular value is at most this counts as zero;
// the same number bounds the ratio of the smallest to the largest and is
// the tolerance of the estimates.
constexpr double kSvFloorW = 1e-8, kSvRatioW = 1e-8, kSvTolW = 1e-8;
// The same ratio on the Jacobian with each equation divided by its largest
// coefficient, which no scaling of the equations changes: 1e4 times the
// rounding of double precision, so that a Jacobian singular to rounding (a
// point of a larger solution set) stays below it while a witness point far
// from the origin, whose given equations are large there against the unit
// slack terms, passes.  (The scales come from the coefficients, not from the
// Jacobian at the point: dividing a row or a column by its own largest
// entry would hide a double root, whose entries are all small there.)
constexpr double kSvRatioEq = 1e-12;
// The same ratio on the Jacobian scaled to the point: row i divided by the
// larger of the term sum of equation i at the point and its largest
// coefficient, the column of a given variable multiplied by max(1, |x_j|)
// and that of slack z_j by max(1, the size of hyperplane j's terms), the size
// its slack is judged against.  The rounding errors of
// the computed entries are then about eps times the degree whatever the size
// of the point, so 1e4 eps again separates a Jacobian that rounding could make
// singular from one it cannot.  Far from the origin the given equations are
// large against the slack terms, and an equation given with a multiple of
// itself leaves two rows of the unscaled Jacobian parallel to 1e-14 at a true
// witness point; the scaled rows are not.  The coefficient floor keeps a
// double root at the origin, where the term sums vanish with the entries,
// singular.
constexpr double kSvRatioPt = 1e-12;
// Those two ratios also pass, barely, at a point of a solution set larger
// than a point of the slice (a surface cut by one hyperplane): there the
// Jacobian is singular exactly, and its computed ratios are rounding noise
// of up to about 1.4e-12 (measured).  A point that passes only with both
// below this bound is written only when Newton on the slice confirms it.
// Far witness points of a curve given with a multiple of itself pass with
// 1e-13 to 1e-11 and are confirmed there; a double witness point, which the
// end points meet within about sqrt(eps) and whose copies show its
// multiplicity, passes with 1e-9 to 1e-7 and needs no confirmation.
constexpr double kSvRatioClear = 1e-10;
// A slack coordinate of at most kSlackZero, or of at most kSlackRel times the
// size of its hyperplane's terms at the point, counts as zero: the point
// lies on the given system and on the hyperplanes.  Relative to the point, a
// point far from the origin is held to the accuracy double precision gives
// it: its given equations are large there against the unit slack terms, so
// its slack is known only to about 1e-8 of its size.
constexpr double kSlackZero = 1e-9, kSlackRel = 1e-8;
// A rejected end point is looked at again on the slice when its slack is
// no larger than this many eps times the largest term sum of the given
// equations there.  The computed values of those equations carry eps times
// their term sums, and at a witness point far out the slack takes up that
// error (through the unit slack coefficients), so its slack is of that size;
// 1e4 leaves room for the degree and for the elimination.  At an end point
// that is no witness point (a root of the embedded system off the slice)
// the slack is of the size of the point's own terms, far above it, and
// Newton from there would only be wasted work.
constexpr double kSlackNoise = 1e4;

const char* const kDashesW = "------------------------------- ";
const char* const kBannerW = "===============>   ZARVIK_Witness  <===============";

std::string coord(cplx z, bool zero_small) {
  double re = z.real(), im = z.imag();
  if (zero_small) {
    if (std::fabs(re) < kShowZero) re = 0.0;
    if (std::fabs(im) < kShowZero) im = 0.0;
  }
  return "(" + fmt_es(re, 24, 16) + " ," + fmt_es(im, 24, 16) + ")\n";
}

// Two points found on the slice are one witness point when they agree to
// this relative distance: each is then known to a few eps times its
// condition number, which the slice Newton's convergence bounds by 1e5, so
// two computations of one point agree to 1e-10, while two witness points as
// close as 1e-8 would leave a Jacobian singular to rounding between them.
constexpr double kSameSlice = 1e-8;
// A written point whose slice Newton did not converge is known only as the
// embedded system's polish left it: a point found on the slice that agrees
// with it to the duplicate check's coincidence distance, 1e-7, with room for
// that polish, is the same point.
constexpr double kSameRaw = 1e-6;

// The points written so far, the given unknowns of each, and whether each
// came from the slice Newton.
class written_points {
 public:
  written_points(int n, int cap) : n_(n), pts_(n, std::max(cap, 1)), on_slice_(std::max(cap, 1)) {}
  // False, and p not kept, when p came from the slice Newton and agrees with
  // a point kept before; a point that did not is always kept.
  bool add(vec_ref<const cplx> p, bool on_slice) {
    if (on_slice)
      for (int q = 1; q <= count_; ++q)
        if (same_point(n_, p, pts_.col(q), on_slice_(q) != 0 ? kSameSlice : kSameRaw)) return false;
    ++count_;
    vcopy<cplx>(n_, p, pts_.col(count_));
    on_slice_(count_) = on_slice ? 1 : 0;
    return true;
  }

 private:
  int n_, count_ = 0;
  mat<cplx> pts_;
  vec<int> on_slice_;
};

std::string trimmed(const std::string& s) {
  std::string::size_type e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}
}  // namespace

const char* const witness_banner[4] = {
    "  Witness points of a polynomial system cut by random hyperplanes,",
    "  by the polyhedral homotopy with binary128 re-tracking.",
    "  Questions and reports: the maintainers of this program.",
    "  ----------------------------------------------------"};

double hyperplane_size(int n, int j, vec_ref<const cplx> x, mat_ref<const cplx> lcoef) {
  double size = cabs(lcoef(j, n + 1));
  for (int l = 1; l <= n; ++l) size += cabs(lcoef(j, l)) * cabs(x(l));
  return size;
}

double slack_bound(int n, int j, vec_ref<const cplx> x, mat_ref<const cplx> lcoef) {
  return std::max(kSlackZero, kSlackRel * hyperplane_size(n, j, x, lcoef));
}

void coef_scales(int N, vec_ref<const int> nm, vec_ref<const cplx> coef, vec_ref<double> scale) {
  int k = 0;
  for (int i = 1; i <= N; ++i) {
    double c = 0;
    for (int t = 1; t <= nm(i); ++t) c = std::max(c, cabs(coef(++k)));
    scale(i) = c;
  }
}

void equilibrate(int N, vec_ref<const double> scale, mat_ref<cplx> a) {
  for (int i = 1; i <= N; ++i)
    if (scale(i) > 0)
      for (int j = 1; j <= N; ++j) a(i, j) /= scale(i);
}

void scale_to_point(int N, int n, vec_ref<const double> scale, vec_ref<const double> tsum,
                    vec_ref<const cplx> x, mat_ref<const cplx> lcoef, mat_ref<cplx> a) {
  for (int i = 1; i <= N; ++i) {
    const double r = std::max(scale(i), tsum(i));
    if (r > 0)
      for (int j = 1; j <= N; ++j) a(i, j) /= r;
  }
  for (int j = 1; j <= N; ++j) {
    const double c = std::max(1.0, j <= n ? cabs(x(j)) : hyperplane_size(n, j - n, x, lcoef));
    for (int i = 1; i <= N; ++i) a(i, j) *= c;
  }
}

bool well_conditioned(double max_sv, double min_sv, double max_sv_eq, double min_sv_eq) {
  return (max_sv > kSvFloorW && min_sv > kSvRatioW * max_sv) ||
         (max_sv > kSvFloorW && min_sv_eq > kSvRatioEq * max_sv_eq);
}

bool clearly_conditioned(double max_sv, double min_sv, double max_sv_eq, double min_sv_eq,
                         double max_sv_pt, double min_sv_pt) {
  return max_sv > kSvFloorW &&
         (min_sv > kSvRatioW * max_sv || min_sv_eq > kSvRatioClear * max_sv_eq ||
          min_sv_pt > kSvRatioClear * max_sv_pt);
}

bool well_conditioned(double max_sv, double min_sv, double max_sv_eq, double min_sv_eq,
                      double max_sv_pt, double min_sv_pt) {
  return well_conditioned(max_sv, min_sv, max_sv_eq, min_sv_eq) ||
         (max_sv > kSvFloorW && min_sv_pt > kSvRatioPt * max_sv_pt);
}

bool slack_in_noise(int N, int n, vec_ref<const cplx> x, vec_ref<const double> tsum) {
  double terms = 0;
  for (int i = 1; i <= n; ++i) terms = std::max(terms, tsum(i));
  for (int i = n + 1; i <= N; ++i)
    if (!(cabs(x(i)) <= kSlackNoise * kMachEps * terms)) return false;
  return true;
}

bool is_witness(int N, int n, vec_ref<const cplx> x, mat_ref<const cplx> lcoef, bool conditioned) {
  if (!conditioned) return false;
  for (int i = n + 1; i <= N; ++i)
    if (!(cabs(x(i)) <= slack_bound(n, i - n, x, lcoef))) return false;
  return true;
}

void write_witness(std::ostream& out, int N, int M, int n, int k, int nroot, int& nwitness,
                   mat_ref<const int> supp, vec_ref<const cplx> oldcoef, vec_ref<const int> nm,
                   mat_ref<const cplx> sol, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                   vec_ref<const std::string> var, int nlost) {
  vec<int> maxdeg(N);
  maxdeg_of(N, M, supp, maxdeg);
  vec<cplx> x(N), polyv(N);
  mat<cplx> jacob(N, N), jeq(N, N), jpt(N, N);
  vec<double> scale(N), tsum(N);
  coef_scales(N, nm, oldcoef, scale);
  vec<cplx> acoef(M);
  abs_coef(M, oldcoef, acoef);
  wit_eval_work<double> ew(N, maxdeg);
  term_scale_work sw(N);
  slice_work slw(N, n, maxdeg);
  vec<cplx> y(N);
  written_points seen(n, nroot + nlost);
  vec<int> retry(nroot + nlost);
  int nretry = 0;
  nwitness = 0;
  auto write_point = [&](vec_ref<const cplx> p) {
    ++nwitness;
    for (int i = 1; i <= N; ++i) out << coord(p(i), true);
    ff_record(out, kDashesW);
  };
  for (int s = 1; s <= nroot; ++s) {
    vcopy<cplx>(N, sol.col(s), x);
    evalpdp(N, M, supp, oldcoef, maxdeg, x, nm, jacob, polyv);
    bool isgood = false;
    fnlnwtnsln_w(N, M, nm, supp, oldcoef, jacob, polyv, x, maxdeg, isgood, acoef, kBackErrFactor);
    bool accepted = isgood, clear = false;
    term_sums(N, x.ref(), tsum, sw, [&](vec_ref<const cplx> az, vec_ref<cplx> v, mat_ref<cplx> dv) {
      wit_eval_t<double, true, false>(N, supp, nm, acoef, acoef, az, dv, v, v, ew);
    });
    if (accepted) {
      double max_sv = 0, min_sv = 0, max_sv_eq = 0, min_sv_eq = 0, max_sv_pt = 0, min_sv_pt = 0;
      mcopy<cplx>(N, jacob.ref(), jeq);
      mcopy<cplx>(N, jacob.ref(), jpt);
      cqmaxminsv(N, jacob, max_sv, min_sv, kSvTolW);
      equilibrate(N, scale, jeq);
      cqmaxminsv(N, jeq, max_sv_eq, min_sv_eq, kSvTolW);
      scale_to_point(N, n, scale, tsum, x.ref(), lcoef, jpt);
      cqmaxminsv(N, jpt, max_sv_pt, min_sv_pt, kSvTolW);
      clear = clearly_conditioned(max_sv, min_sv, max_sv_eq, min_sv_eq, max_sv_pt, min_sv_pt);
      accepted =
          is_witness(N, n, x.ref(), lcoef,
                     well_conditioned(max_sv, min_sv, max_sv_eq, min_sv_eq, max_sv_pt, min_sv_pt));
    }
    if (!accepted) {
      if (slack_in_noise(N, n, x.ref(), tsum.ref())) retry(++nretry) = s;
      continue;
    }
    // The point on the slice tells whether another end point was the same
    // witness point, and it confirms a point whose Jacobian is not
    // clearly_conditioned.
    vcopy<cplx>(N, x.ref(), y);
    const bool on_slice = slice_newton(N, n, nm, supp, oldcoef, acoef, scale, y, slw);
    if (!clear && !on_slice) continue;
    if (on_slice ? !seen.add(y, true) : !seen.add(x, false)) continue;
    write_point(x);
  }
  // The end points rejected above and the last points of the paths that
  // gave none: a witness point found from one of them on the slice and met
  // nowhere before is written with its slack 0.
  for (int q = 1; q <= nlost; ++q) retry(++nretry) = nroot + q;
  for (int q = 1; q <= nretry; ++q) {
    vcopy<cplx>(N, sol.col(retry(q)), y);
    if (!slice_newton(N, n, nm, supp, oldcoef, acoef, scale, y, slw)) continue;
    if (!seen.add(y, true)) continue;
    write_point(y);
  }
  ff_record(out);
  ff_record(out, " The coefficients of witness homotopy  : ");
  for (int v = 1; v <= n; ++v)
    for (int i = 1; i <= k; ++i) out << coord(zcoef(v, i), false);
  for (int j = 1; j <= k; ++j)
    for (int l = 1; l <= n + 1; ++l) out << coord(lcoef(j, l), false);
  ff_record(out);
  ff_record(out, " The order of variables : ");
  for (int i = 1; i <= n; ++i) ff_record(out, trimmed(var(i)));
  ff_record(out);
  ff_record(out, kBannerW);
  out << " The # of hyperplanes    = " << fmt_i(k, 8) << "\n";
  out << " The # of witness points = " << fmt_i(nwitness, 8) << "\n";
  ff_record(out);
  for (const char* line : witness_banner) ff_record(out, line);
  ff_record(out);
}

void wrtsln_w(int N, int M, int n, int k, int nroot, int& nwitness, mat_ref<const int> supp,
              vec_ref<const cplx> oldcoef, vec_ref<const int> nm, mat_ref<const cplx> sol,
              mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef, vec_ref<const std::string> var,
              int nlost) {
  write_output("data.witness", [&](std::ostream& out) {
    write_witness(out, N, M, n, k, nroot, nwitness, supp, oldcoef, nm, sol, zcoef, lcoef, var,
                  nlost);
  });
}

}  // namespace hc

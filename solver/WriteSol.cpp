#include "WriteSol.h"

#include <cmath>

#include "BackErr.h"
#include "DDRefine.h"
#include "FollowCurve.h"
#include "LinTool.h"
#include "RootCopies.h"
#include "ffwrite.h"
#include "outfile.h"

namespace hc {

namespace {
// Parts of a coordinate below this magnitude are written as 0.
constexpr double kShowZero = 1e-15;
// A root counts as real when it is this small, or its imaginary parts are
// this small relative to its largest modulus.
constexpr double kRealTol = 1e-7;
// Largest singular value below which the Jacobian counts as zero, and the
// condition number then written.
constexpr double kZeroMatrix = 1e-8, kZeroMatrixCond = 1e17;
// Tolerance of the singular-value estimates.
constexpr double kCondTol = 1e-5;
// A polished root is refined with values in double-double when a backward
// error of one eps allows it to lie farther than this from the root,
// relative to max(1, max_i |x_i|): fewer than about 24 of its bits are then
// determined by values computed in double.  At one eps (the first-order
// figures of bench_wilkinson.py --accuracy) the roots of the expanded
// Wilkinson polynomial of degree 12 reach 1.4e-8 relative (root 9),
// so they stay as the double polish leaves them; those of degree 16 reach
// 2e-8 at root 5 (1e-7 from 5) and 1.3e-7 to 1.3e-5 at roots 6 to 16 (8e-7
// to 1.5e-4 from the integer), which are refined.
constexpr double kRefineReach = 0x1p-24;
// The backward error, in eps, at which the reach above is measured.
constexpr double kReachFactor = 1.0;
// The first double-double correction may be at most this many times the
// reach at one eps: a point that the polish accepted at a backward error of
// kBackErrFactor eps lies within kBackErrFactor reaches of its root to first
// order, and twice that leaves room for the first-order estimate.  A larger
// correction means the linear model does not hold there (a nearly singular
// root); the point is then written as the double polish left it.
constexpr double kRefineFirstStep = 2 * kBackErrFactor;
// No point is written whose componentwise backward error (BackErr.h) is
// above this, whatever its residual: about sqrt(eps), a point whose values
// exceed it relative to its terms has lost more than half of the digits
// that values in double carry, and is no root to rounding.  The polish also
// accepts a point by its absolute residual, which on a system with large
// terms holds far from any root.  Measured over the public benchmark set
// (scripts/bench_backerr.py): every regular root is written below 1e-14,
// and the singular solutions that Newton's method brings to rounding below
// 1e-12, while the points the final Newton leaves above 1e-8 are, but for a
// few in clusters of nearly coincident roots, no solutions at all (butcher8
// with the linear homotopy: about 60 per run, at 1e-8 to 1e-5).
constexpr double kWriteBackErr = 1e-8;

const char* const kDashes = "---------------------------------------";
const char* const kBanner = "===============>   ZARVIK-2.0   <===============";

std::string shown(double v) { return fmt_es(std::fabs(v) < kShowZero ? 0.0 : v, 24, 16); }

std::string trimmed(const std::string& s) {
  std::string::size_type e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

// True when some rho(i) > kRefineReach max(1, max_j |x_j|); false on a NaN.
bool loosely_determined(int n, vec_ref<const cplx> x, vec_ref<const double> rho) {
  const double size = one_max(vmax(n, x));
  for (int i = 1; i <= n; ++i)
    if (rho(i) > kRefineReach * size) return true;
  return false;
}

// The writer's work, sized once by n for every point of a call.
struct writer_work {
  vec<cplx> xr, br, pv;
  mat<cplx> ar;
  vec<double> rho, maxstep, scale_r;
  copy_work cw;
  dd_refine_work rw;
  explicit writer_work(int n)
      : xr(n), br(n), pv(n), ar(n, n), rho(n), maxstep(n), scale_r(n), cw(n), rw(n) {}
};

// Refines the polished root x (a, b: its Jacobian and values in double,
// w.cw.jinv its inverse, w.cw.scale its term sums, w.rho its reach at one
// eps) with values in double-double.  The refined point replaces x, a, b
// (b then holds its double-double values) only when it is better by the
// measure that accepted x, and lies where the first-order reach that bounds
// both holds:
//   - its componentwise backward error, from values in double-double at
//     each point, is no larger than that of x;
//   - it lies within kRefineFirstStep reaches of x in every coordinate;
//   - the Jacobian there is nearly the one at x (jacobian_drift at most
//     kOneRoot), so the linear model that the reach rests on holds on the
//     segment between them.
// Near a singular root the reach is huge and the refinement can move a
// point far along a curve of near-solutions; such a point fails these tests
// and x is written as the polish left it.  Returns whether x was replaced.
// The acceptance of the point x to be written (a, b its Jacobian and
// values, w.cw.scale its term sums): its componentwise backward error is at
// most kWriteBackErr.  Where it is not, the coordinates of x below
// kWriteBackErr max|x| are set to 0, and the point so made is written when
// it passes (x, a, b replaced; it lies within kWriteBackErr of x relative
// to its size): where the root has a coordinate exactly 0, every term of an
// equation can vanish with it, and that equation's value and term sum at x
// are then both rounding noise of the coordinate, whatever its accuracy
// (katsura-10: coordinates of 6e-16 and equations whose term sums are 1e-15
// at roots of modulus 0.7).
bool written_ok(int n, vec_ref<const cplx> acoef, vec_ref<const cplx> coef,
                vec_ref<const cplx> cfd, vec_ref<cplx> x, mat_ref<cplx> a, vec_ref<cplx> b,
                writer_work& w, const evalcore& ev) {
  if (backerr(n, b, w.cw.scale) <= kWriteBackErr) return true;
  const double size = vmax(n, vec_ref<const cplx>(x));
  bool snapped = false;
  for (int i = 1; i <= n; ++i) {
    const double z = cabs(x(i));
    const bool zero = z <= kWriteBackErr * size;
    w.xr(i) = zero ? cplx(0, 0) : x(i);
    snapped = snapped || (zero && z > 0);
  }
  if (!snapped) return false;
  ev.evahhx(n, coef.data(), w.xr.data(), w.br.data(), cfd.data(), w.ar.data());
  term_scale(n, acoef, cfd, w.xr, w.scale_r, w.cw.ts, ev);
  if (!(backerr(n, w.br, w.scale_r) <= kWriteBackErr)) return false;
  vcopy<cplx>(n, w.xr, x);
  mcopy<cplx>(n, w.ar, a);
  vcopy<cplx>(n, w.br, b);
  return true;
}

bool refine_if_better(int n, vec_ref<const int> nm, mat_ref<const int> supp,
                      vec_ref<const cplx> coef, vec_ref<const cplx> acoef, vec_ref<const cplx> cfd,
                      vec_ref<cplx> x, mat_ref<cplx> a, vec_ref<cplx> b, writer_work& w,
                      const evalcore& ev) {
  for (int i = 1; i <= n; ++i) w.maxstep(i) = kRefineFirstStep * w.rho(i);
  vcopy<cplx>(n, x, w.xr);
  if (dd_refine(n, nm, supp, coef, cfd, w.xr, w.ar, w.br, w.maxstep, w.rw, ev) == 0) return false;
  for (int i = 1; i <= n; ++i)
    if (!(cabs(w.xr(i) - x(i)) <= w.maxstep(i))) return false;
  if (!(jacobian_drift(n, w.cw.jinv, w.ar, w.cw) <= kOneRoot)) return false;
  dd_values(n, nm, supp, coef, x, w.pv);
  term_scale(n, acoef, cfd, w.xr, w.scale_r, w.cw.ts, ev);
  if (!(backerr(n, w.br, w.scale_r) <= backerr(n, w.pv, w.cw.scale))) return false;
  vcopy<cplx>(n, w.xr, x);
  mcopy<cplx>(n, w.ar, a);
  vcopy<cplx>(n, w.br, b);
  vcopy<double>(n, w.scale_r, w.cw.scale);
  return true;
}
}  // namespace

const char* const author_banner[5] = {"  Polynomial systems solved by homotopy continuation:",
                                      "  the total-degree and the polyhedral homotopies,",
                                      "  with re-tracking of coincident end points.",
                                      "  Questions and reports: the maintainers of this program.",
                                      "  ----------------------------------------------------"};

bool root_is_real(int n, vec_ref<const cplx> x) {
  if (has_nan<cplx>(n, x)) return false;
  const double mx = vmax(n, x);
  if (mx < kRealTol) return true;
  double mi = -INFINITY;
  for (int i = 1; i <= n; ++i)
    if (std::fabs(x(i).imag()) > mi) mi = std::fabs(x(i).imag());
  return mi < kRealTol * mx;
}

void write_roots(std::ostream& out, int n, int m, int& nroot, vec_ref<const cplx> coef,
                 mat_ref<const cplx> sol, int& nreal, mat_ref<const int> dat,
                 vec_ref<const cplx> cfd, int blow_up, int paths, vec_ref<const std::string> var,
                 vec_ref<const int> nm, mat_ref<const int> supp, const evalcore& ev) {
  nreal = 0;
  int acc = 0;
  vec<cplx> newsol(n), b(n), acoef(m);
  mat<cplx> a(n, n);
  writer_work w(n);
  copy_work& cw = w.cw;
  abs_coef(m, coef, acoef);
  for (int s = 1; s <= nroot; ++s) {
    if (dat(kDatGaveUp, s) != 0) continue;
    vcopy<cplx>(n, sol.col(s), newsol);
    ev.evahhx(n, coef.data(), newsol.data(), b.data(), cfd.data(), a.data());
    bool isgood = false;
    fnlnwtnsln(n, m, coef, a, b, newsol, cfd, isgood, ev, acoef, kBackErrFactor);
    if (!isgood) continue;
    term_scale(n, acoef, cfd, newsol, cw.scale, cw.ts, ev);
    inverse(n, a, cw.jinv, cw);
    root_reach(n, cw.jinv, cw.scale, kReachFactor, w.rho);
    if (loosely_determined(n, newsol, w.rho))
      refine_if_better(n, nm, supp, coef, acoef, cfd, newsol, a, b, w, ev);
    if (!written_ok(n, acoef, coef, cfd, newsol, a, b, w, ev)) continue;
    ++acc;
    for (int i = 1; i <= n; ++i)
      out << "(" << shown(newsol(i).real()) << " ," << shown(newsol(i).imag()) << ")\n";
    double max_sv = 0, min_sv = 0;
    cqmaxminsv(n, a, max_sv, min_sv, kCondTol);
    ff_record(out);
    out << " The residual         = " << fmt_es(cqnormv(n, b), 12, 3) << "\n";
    if (max_sv < kZeroMatrix) {
      out << " The condition number = " << fmt_es(kZeroMatrixCond, 12, 3) << "   (zero matrix)\n";
    } else {
      if (min_sv < kMachEps) min_sv = kMachEps;
      out << " The condition number = " << fmt_es(max_sv / min_sv, 12, 3) << "\n";
    }
    ff_record(out, kDashes);
    if (root_is_real(n, newsol.ref())) ++nreal;
  }
  nroot = acc;
  ff_record(out, " The order of variables : ");
  for (int i = 1; i <= n; ++i) ff_record(out, trimmed(var(i)));
  ff_record(out);
  ff_record(out, kBanner);
  out << " The # of roots      = " << fmt_i(nroot, 8) << "\n";
  out << " The # of real roots = " << fmt_i(nreal, 8) << "\n";
  out << " The # of paths followed = " << fmt_i(paths, 8) << "\n";
  out << " The # of blow_up        = " << fmt_i(blow_up, 8) << "  (before endgame)\n";
  ff_record(out);
  for (const char* line : author_banner) ff_record(out, line);
}

namespace {
void write_file(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol,
                int& nreal, mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int paths,
                vec_ref<const std::string> var, vec_ref<const int> nm, mat_ref<const int> supp,
                const evalcore& ev) {
  write_output("data.roots", [&](std::ostream& out) {
    write_roots(out, n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, paths, var, nm, supp, ev);
  });
}
}  // namespace

void wrtsln(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol, int& nreal,
            mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int mv,
            vec_ref<const std::string> var, vec_ref<const int> nm, mat_ref<const int> supp,
            const evalcore& ev) {
  write_file(n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, mv, var, nm, supp, ev);
}

void wrtslntd(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol,
              int& nreal, mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int tdeg,
              vec_ref<const std::string> var, vec_ref<const int> nm, mat_ref<const int> supp,
              const evalcore& ev) {
  write_file(n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, tdeg, var, nm, supp, ev);
}

}  // namespace hc

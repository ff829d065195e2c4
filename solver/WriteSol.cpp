#include "WriteSol.h"

#include <cmath>

#include "BackErr.h"
#include "FollowCurve.h"
#include "LinTool.h"
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

const char* const kDashes = "---------------------------------------";
const char* const kBanner = "===============>   ZARVIK-2.0   <===============";

std::string shown(double v) { return fmt_es(std::fabs(v) < kShowZero ? 0.0 : v, 24, 16); }

std::string trimmed(const std::string& s) {
  std::string::size_type e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}
}  // namespace

const char* const author_banner[5] = {
    "  Polynomial systems solved by homotopy continuation:",
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
                 const evalcore& ev) {
  nreal = 0;
  int acc = 0;
  vec<cplx> newsol(n), b(n), acoef(m);
  mat<cplx> a(n, n);
  abs_coef(m, coef, acoef);
  for (int s = 1; s <= nroot; ++s) {
    if (dat(kDatGaveUp, s) != 0) continue;
    vcopy<cplx>(n, sol.col(s), newsol);
    ev.evahhx(n, coef.data(), newsol.data(), b.data(), cfd.data(), a.data());
    bool isgood = false;
    fnlnwtnsln(n, m, coef, a, b, newsol, cfd, isgood, ev, acoef, kBackErrFactor);
    if (!isgood) continue;
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
                vec_ref<const std::string> var, const evalcore& ev) {
  write_output("data.roots", [&](std::ostream& out) {
    write_roots(out, n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, paths, var, ev);
  });
}
}  // namespace

void wrtsln(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol, int& nreal,
            mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int mv,
            vec_ref<const std::string> var, const evalcore& ev) {
  write_file(n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, mv, var, ev);
}

void wrtslntd(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol,
              int& nreal, mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int tdeg,
              vec_ref<const std::string> var, const evalcore& ev) {
  write_file(n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, tdeg, var, ev);
}

}  // namespace hc

#include "WrtSol_W.h"

#include <cmath>

#include "Eval.h"
#include "FllCrvPol_W.h"
#include "LinTool.h"
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
// A slack coordinate of at most this modulus counts as zero: the point lies
// on the given system and on the hyperplanes.
constexpr double kSlackZero = 1e-9;

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

bool is_witness(int N, int n, vec_ref<const cplx> x, double max_sv, double min_sv) {
  if (!(max_sv > kSvFloorW && min_sv > kSvRatioW * max_sv)) return false;
  for (int i = n + 1; i <= N; ++i)
    if (!(cabs(x(i)) <= kSlackZero)) return false;
  return true;
}

void write_witness(std::ostream& out, int N, int M, int n, int k, int nroot, int& nwitness,
                   mat_ref<const int> supp, vec_ref<const cplx> oldcoef, vec_ref<const int> nm,
                   mat_ref<const cplx> sol, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                   vec_ref<const std::string> var) {
  vec<int> maxdeg(N);
  maxdeg_of(N, M, supp, maxdeg);
  vec<cplx> x(N), polyv(N);
  mat<cplx> jacob(N, N);
  nwitness = 0;
  for (int s = 1; s <= nroot; ++s) {
    vcopy<cplx>(N, sol.col(s), x);
    evalpdp(N, M, supp, oldcoef, maxdeg, x, nm, jacob, polyv);
    bool isgood = false;
    fnlnwtnsln_w(N, M, nm, supp, oldcoef, jacob, polyv, x, maxdeg, isgood);
    if (!isgood) continue;
    double max_sv = 0, min_sv = 0;
    cqmaxminsv(N, jacob, max_sv, min_sv, kSvTolW);
    if (!is_witness(N, n, x.ref(), max_sv, min_sv)) continue;
    ++nwitness;
    for (int i = 1; i <= N; ++i) out << coord(x(i), true);
    ff_record(out, kDashesW);
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
              mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
              vec_ref<const std::string> var) {
  write_output("data.witness", [&](std::ostream& out) {
    write_witness(out, N, M, n, k, nroot, nwitness, supp, oldcoef, nm, sol, zcoef, lcoef, var);
  });
}

}  // namespace hc

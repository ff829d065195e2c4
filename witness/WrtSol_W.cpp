#include "WrtSol_W.h"

#include <cmath>

#include "WitClassify.h"
#include "ffwrite.h"
#include "outfile.h"

namespace hc {

namespace {
// Parts of a point's coordinate below this magnitude are written as 0.
constexpr double kShowZero = 1e-15;

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

void write_witness(std::ostream& out, int N, int M, int n, int k, int nroot, int& nwitness,
                   mat_ref<const int> supp, vec_ref<const cplx> oldcoef, vec_ref<const int> nm,
                   mat_ref<const cplx> sol, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                   vec_ref<const std::string> var, int nlost) {
  classify_work w(N, n, M, nm, supp, oldcoef, nroot + nlost);
  vec<cplx> y(N);
  nwitness = 0;
  for (int s = 1; s <= nroot + nlost; ++s) {
    if (classify_point(sol.col(s), s <= nroot, y, w) != end_kind::witness) continue;
    ++nwitness;
    for (int i = 1; i <= N; ++i) out << coord(y(i), true);
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
              mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef, vec_ref<const std::string> var,
              int nlost) {
  write_output("data.witness", [&](std::ostream& out) {
    write_witness(out, N, M, n, k, nroot, nwitness, supp, oldcoef, nm, sol, zcoef, lcoef, var,
                  nlost);
  });
}

}  // namespace hc

// Timing of the mixed-cell enumeration on the standard systems (not a test;
// scripts/bench_mixedcell.sh runs it beside an outside mixed-volume program).
//
//   bench_mixedcell NAME N [REPS [SEED]]   enumerate REPS times (fresh lifting each
//       time); prints "NAME-N mv=MV cells=NC total=SECONDS table=SECONDS",
//       the seconds per enumeration (median), table = the relation table alone
//   bench_mixedcell --poly NAME N   the supports as a list of polynomials with
//       unit coefficients, constant terms completed, for the outside program
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MixedCell.h"
#include "prng.h"
#include "rtable.h"
#include "systems.h"

using namespace hc;

namespace {

testsys::system make(const std::string& name, int n) {
  if (name == "cyclic") return testsys::normal_form(testsys::cyclic(n));
  if (name == "noon") return testsys::normal_form(testsys::noon(n));
  if (name == "katsura") return testsys::normal_form(testsys::katsura(n));
  if (name == "eco") return testsys::normal_form(testsys::eco(n));
  std::fprintf(stderr, "unknown system %s\n", name.c_str());
  std::exit(2);
}

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void print_poly(const testsys::system& s) {
  // One-letter variable names (the outside parser reads no digits in them).
  auto var = [](int v) { return std::string(1, static_cast<char>('a' + v - 1)); };
  std::printf("Q[");
  for (int v = 1; v <= s.n; ++v) std::printf("%s%s", v == 1 ? "" : ",", var(v).c_str());
  std::printf("]{");
  int k = 0;
  for (int i = 1; i <= s.n; ++i) {
    std::printf("%s", i == 1 ? "" : ",\n");
    for (int t = 1; t <= s.nm(i); ++t) {
      ++k;
      std::string mono;
      for (int v = 1; v <= s.n; ++v) {
        const int e = s.supp(v, k);
        if (e == 0) continue;
        if (!mono.empty()) mono += "*";
        mono += var(v);
        if (e > 1) mono += "^" + std::to_string(e);
      }
      std::printf("%s%s", t == 1 ? "" : "+", mono.empty() ? "1" : mono.c_str());
    }
  }
  std::printf("}\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--poly") == 0) {
    print_poly(make(argv[2], std::atoi(argv[3])));
    return 0;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_mixedcell [--poly] NAME N [REPS]\n");
    return 2;
  }
  const std::string name = argv[1];
  const int nn = std::atoi(argv[2]);
  const int reps = argc >= 4 ? std::atoi(argv[3]) : 3;
  // A fifth argument fixes the liftings (seed, seed+1, ...) for comparisons.
  const long long seed = argc >= 5 ? std::atoll(argv[4]) : -1;
  const testsys::system s0 = make(name, nn);
  std::vector<double> tt, tr;
  long long mv = 0;
  int nc = 0;
  for (int r = 0; r < reps; ++r) {
    testsys::system s = s0;
    int m = s.m();
    const int n = s.n;
    vec<double> w(m);
    mat<int> mcl;
    int pm = 0;
    vec<int> crsp(m);
    if (seed >= 0) prng_fix_seed(static_cast<std::uint64_t>(seed + r));
    const double t0 = now();
    mixedcell(n, m, s.nm, s.supp, w, mcl, nc, pm, crsp);
    vec<int> stdet(nc);
    mixvol(n, m, nc, s.supp, mcl, stdet, mv);
    tt.push_back(now() - t0);

    // The relation table alone, on the same preparation.
    testsys::system p = s0;
    int pmm = 0;
    vec<int> nm(n), sohd(n), sotl(n), cr(m);
    mat<int> supp(n, m);
    rm_interior(n, m, pmm, p.supp, supp, p.nm, nm, cr);
    nm_s1(n, pmm, nm, supp, sohd, sotl, cr);
    vec<double> w1(pmm);
    prng_seed();
    for (int j = 1; j <= pmm; ++j) w1(j) = prng_draw();
    mat<int> tab(pmm, pmm), svkt(nm(1), nm(1));
    lp_store sv;
    int rnk = 0;
    const double t1 = now();
    rtable(n, pmm, sohd, nm, supp.ref().block(1, 1, n, pmm), w1, tab, rnk, svkt, sv);
    tr.push_back(now() - t1);
  }
  std::sort(tt.begin(), tt.end());
  std::sort(tr.begin(), tr.end());
  std::printf("%s-%d mv=%lld cells=%d total=%.4f table=%.4f\n", name.c_str(), nn, mv, nc,
              tt[tt.size() / 2], tr[tr.size() / 2]);
  return 0;
}

// rootsolve: binds ./MEva.so, reads input.num, puts the system into normal
// order, scales and completes it, checks that the library fits its supports,
// asks which homotopy to follow, runs it and writes the roots to data.roots.
// Every failure ends the run through fatal() with a status of its table.
//
// Built with HC_SEEDED_RUNS this is rootsolve_seeded, a program for the
// test scripts: `rootsolve_seeded SEED` draws every random number from SEED
// (the platform generator always seeded with SEED, the clock value SEED
// modulo 100000), so that two builds can be compared run for run.
#include <time.h>

#include <algorithm>
#include <iostream>
#include <limits>
#include <memory>

#include "BiNomialSolver.h"
#include "FollowCurve.h"
#include "FollowCurveTD.h"
#include "PolyStart.h"
#include "WriteSol.h"
#include "array.h"
#include "cplx.h"
#include "cputime.h"
#include "ec_check.h"
#include "ec_loader.h"
#include "fatal.h"
#include "outfile.h"
#include "ffread.h"
#include "ffwrite.h"
#include "path_data.h"
#include "prng.h"
#include "sysinput.h"
#include "sysprep.h"

namespace hc {
namespace {

// The clock value runs over 0..99999.
constexpr int kTrndModulus = 100000;

// The run's clock value: hundredths of a second since local midnight,
// modulo 100000, as single-precision arithmetic gives it.  It offsets the
// arguments of dran2, so that runs started at different times draw
// different start coefficients.
int clock_offset() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  const float tsec = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) +
                     static_cast<float>(ts.tv_nsec) * 1e-9f;
  const float hundredths = tsec * 100.0f;
  return static_cast<int>(hundredths) % kTrndModulus;
}

// The homotopy chosen at the prompt, asked until 1 or 2 is entered.  A
// value that is not an integer, or the end of standard input, is the
// reader's fatal error.
int ask_option(ffreader& answers) {
  for (;;) {
    ff_record(std::cout, "Please enter the option of homotopy method");
    ff_record(std::cout, "  1. The polyhedral homotopy");
    ff_record(std::cout, "  2. The classical linear homotopy");
    flush_output();
    const int tmpi = answers.read_int();
    if (tmpi == 1) {
      ff_record(std::cout, "The polyhedral homotopy method");
      return 1;
    }
    if (tmpi == 2) {
      ff_record(std::cout, "The classical linear homotopy");
      return 2;
    }
    ff_record(std::cout);
    ff_record(std::cout, "Please enter 1 or 2.");
  }
}

// The counts of the run that the summary prints.
struct run_counts {
  int nroot = 0;
  int nreal = 0;
  int blow_up = 0;
  double t0 = 0.0, t1 = 0.0;
};

void paths_line(long long paths) {
  std::cout << " The # of paths followed  = " << fmt_i(paths, 10) << "\n";
}

[[noreturn]] void too_large(const char* what) { fatal(status::size, what); }

// The classical linear homotopy: the total-degree start system
// coef_q(2i-1) x_i^deg(i) + coef_q(2i), its tdeg solutions, and the paths
// from t = 0 to t = 1.
void linear_homotopy(const prepared_system& sys, vec_ref<const std::string> var, int trnd,
                     run_counts& rc) {
  const int n = sys.n, m = sys.m;
  rc.t0 = cpu_seconds();
  vec<int> deg(n);
  long long tdeg = 1;
  for (int i = 1; i <= n; ++i) {
    long long d = 0;
    for (int k = sys.shd(i); k <= sys.stl(i); ++k) {
      long long total = 0;
      for (int j = 1; j <= n; ++j) total += sys.supp(j, k);
      d = std::max(d, total);
    }
    if (d > std::numeric_limits<int>::max()) too_large("a total degree does not fit 32 bits");
    deg(i) = static_cast<int>(d);
    tdeg *= d;
    if (tdeg > std::numeric_limits<int>::max())
      too_large("the number of paths (the product of the degrees) exceeds 2147483647");
  }
  const int paths = static_cast<int>(tdeg);

  mat<int> supp_q(n, 2 * n, 0);
  vec<double> tmprv(2 * n);
  vec<cplx> coef_q(2 * n);
  mat<cplx> bix(n, paths);
  vec<cplx> cfd((n - 1) * m);
  start_coefficients(2 * n, trnd, tmprv, coef_q);
  for (int i = 1; i <= n; ++i) supp_q(i, 2 * i - 1) = deg(i);
  if (paths > 0) bisolvertd(n, 2 * n, coef_q, bix, paths, deg);

  mat<cplx> tmpsol(n, paths);
  mat<int> dat(kDatRows, paths, 0);
  paths_line(paths);
  fcurvetd(n, m, paths, deg, sys.supp, supp_q, sys.coef, coef_q, sys.nm, tmpsol, bix, dat, rc.nroot,
           rc.blow_up);
  build_cfd(n, m, sys.supp, sys.oldcoef, cfd);
  unscale(n, rc.nroot, sys.sclc, tmpsol);
  wrtslntd(n, m, rc.nroot, sys.oldcoef, tmpsol, rc.nreal, dat, cfd, rc.blow_up, paths, var, sys.nm,
           sys.supp);
  rc.t1 = cpu_seconds();
}

// The polyhedral homotopy: mixed cells of a random lifting, their mixed
// volume (the number of paths), random start coefficients for every term,
// and the paths of every cell from t = -20/minpow up to t = 0.
void polyhedral_homotopy(const prepared_system& sys, vec_ref<const std::string> var, int trnd,
                         run_counts& rc) {
  const int n = sys.n, m = sys.m;
  rc.t0 = cpu_seconds();
  poly_start ps;
  polyhedral_start(sys, trnd, ps);
  vec<cplx> cfd((n - 1) * m);
  paths_line(ps.paths);
  fcurve(n, m, ps.nc, sys.nm, sys.supp, sys.coef, ps.coef_q, ps.w, ps.mcl, rc.nroot, ps.sol, ps.dat,
         rc.blow_up);
  unscale(n, rc.nroot, sys.sclc, ps.sol);
  build_cfd(n, m, sys.supp, sys.oldcoef, cfd);
  wrtsln(n, m, rc.nroot, sys.oldcoef, ps.sol, rc.nreal, ps.dat, cfd, rc.blow_up, ps.paths, var,
         sys.nm, sys.supp);
  rc.t1 = cpu_seconds();
}

void summary(const run_counts& rc) {
  ff_record(std::cout);
  std::cout << " The # of roots = " << fmt_i(rc.nroot, 15) << "\n";
  std::cout << " The # of real roots = " << fmt_i(rc.nreal, 10) << "\n";
  std::cout << " The # of blow_up = " << fmt_i(rc.blow_up, 10) << "  (before endgame)\n";
  std::cout << " The running time : " << fmt_f(rc.t1 - rc.t0, 16, 5) << " s\n";
  ff_record(std::cout, "The solutions are listed in file \"data.roots\"");
  ff_record(std::cout);
  for (const char* line : author_banner) ff_record(std::cout, line);
  ff_record(std::cout);
}

// trnd: the clock value to use, or -1 for the clock's own.
int run(int trnd_fixed) {
  catch_memory_exhaustion();
  // data.roots replaces an earlier file only when the whole run succeeded,
  // standard output included.
  hold_outputs();
  // The loader's message stays on standard output; standard error gets the
  // one line of every failure, with the remedy.
  if (load_evalcore() != 0)
    fatal(status::library, "./MEva.so cannot be bound (" + evalcore_bind_message() +
                               "); make it: evalgen < input.num, then gfortran -shared -fPIC "
                               "-O0 MEva.f90 -o MEva.so");

  suppsys rd;
  {
    std::unique_ptr<ffreader> in = ffreader::open_file("input.num");
    read_suppsys(*in, true, rd);
  }
  prepared_system sys;
  prepare_system(rd, sys);
  // A library generated for another system would compute other values, or
  // address entries beyond the arrays of this one: refuse it before anything
  // is asked or tracked.
  const std::string misfit = check_evalcore(sys.n, sys.m, sys.nm, sys.supp);
  if (!misfit.empty())
    fatal(status::library, "./MEva.so was not generated for the supports of input.num (" + misfit +
                               "); generate it again: evalgen < input.num, then "
                               "compile MEva.f90");
  const int trnd = trnd_fixed >= 0 ? trnd_fixed : clock_offset();

  ffreader answers(std::cin, "standard input");
  const int option = ask_option(answers);
  run_counts rc;
  if (option == 1)
    polyhedral_homotopy(sys, rd.var, trnd, rc);
  else
    linear_homotopy(sys, rd.var, trnd, rc);
  summary(rc);
  return publish_outputs();
}

}  // namespace
}  // namespace hc

#ifdef HC_SEEDED_RUNS
int main(int argc, char** argv) {
  char* end = nullptr;
  const unsigned long long seed = argc == 2 ? std::strtoull(argv[1], &end, 10) : 0;
  if (argc != 2 || end == argv[1] || *end != '\0') {
    hc::fatal(hc::status::usage, "usage: rootsolve_seeded SEED");
  }
  hc::prng_fix_seed(seed);
  return hc::run(static_cast<int>(seed % hc::kTrndModulus));
}
#else
int main() { return hc::run(-1); }
#endif

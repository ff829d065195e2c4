// witsolve: reads ./bin/input.num, asks for the number k of hyperplanes,
// divides each equation by a power of two near its largest coefficient,
// cuts the system by k random hyperplanes through k slack variables, solves
// the embedded system by the polyhedral homotopy with the interpreted
// evaluators, and writes the witness points to data.witness.

#include <cmath>
#include <iostream>
#include <memory>

#include "FllCrvPol_W.h"
#include "PolyStart.h"
#include "WitEval.h"
#include "WitSlice.h"
#include "WrtSol_W.h"
#include "array.h"
#include "cplx.h"
#include "cputime.h"
#include "fatal.h"
#include "outfile.h"
#include "ffread.h"
#include "sysinput.h"
#include "sysprep.h"

namespace hc {
namespace {

// The arguments of dran2 for the start coefficients are this offset plus
// the term number.
constexpr int kStartOffset = 100;

int run() {
  catch_memory_exhaustion();
  // data.witness replaces an earlier file only when the whole run
  // succeeded, standard output included.
  hold_outputs();
  suppsys rd;
  {
    std::unique_ptr<ffreader> in = ffreader::open_file("./bin/input.num");
    read_suppsys(*in, true, rd);
  }
  const int n = rd.n;
  ffreader answers(std::cin, "standard input");
  const int k = ask_hyperplanes(answers, std::cout, n);

  mat<cplx> zcoef, lcoef;
  draw_slicing(n, k, zcoef, lcoef);
  balance_equations(rd);
  suppsys emb;
  embed_system(rd, k, zcoef, lcoef, emb);
  prepared_system sys;
  prepare_system(emb, sys);
  const int N = sys.n, M = sys.m;

  const double t0 = cpu_seconds();
  poly_start ps;
  polyhedral_start(sys, kStartOffset, ps);
  int nroot = 0, nlost = 0;
  fcurve_w(N, M, ps.nc, sys.nm, sys.supp, sys.coef, ps.coef_q, ps.w, ps.mcl, nroot, ps.sol, ps.dat,
           nlost);
  unscale(N, nroot + nlost, sys.sclc, ps.sol);
  const double t1 = cpu_seconds();

  int nwitness = 0;
  wrtsln_w(N, M, n, k, nroot, nwitness, sys.supp, sys.oldcoef, sys.nm, ps.sol, zcoef, lcoef,
           rd.var, nlost);
  witness_summary(std::cout, k, nwitness, t1 - t0);
  return publish_outputs();
}

}  // namespace
}  // namespace hc

int main() { return hc::run(); }

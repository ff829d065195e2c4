#include "ChkSol_W.h"

#include "WitEval.h"
#include "path_data.h"

namespace hc {

double witness_c3(int ntr) {
  constexpr double kC3Base = 0.1;
  int p10 = 1;
  for (int i = 0; i < ntr; ++i) p10 *= 10;
  return kC3Base / static_cast<double>(p10);
}

void chksln_w_flow(int N, int nroot, mat_ref<int> dat, mat_ref<cplx> sol,
                   const retrack_fn& retrack) {
  if (sol.rows() < N || sol.cols() < nroot || dat.rows() < kDatRows || dat.cols() < nroot)
    wit_fail("the end points or their path data hold fewer columns than the check is given");
  // The writer drops the points whose Jacobian is badly conditioned; a
  // witness point far from the origin is badly conditioned to the check's
  // test of the scaled system (max_sv < 1e5 min_sv) but is written, so every
  // coinciding pair is re-tracked.
  jacobian_fn unused;
  check_rules rules;
  rules.attempts1 = kWitRetracks1;
  rules.attempts2 = kWitRetracks2;
  rules.c3_of = witness_c3;
  rules.conditioned_only = false;
  chksln_flow(N, nroot, unused, dat, sol, retrack, rules);
}

}  // namespace hc

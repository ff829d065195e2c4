#include "ChkSol_W.h"

#include "WitEval.h"

namespace hc {

double witness_c3(int ntr) {
  constexpr double kC3Base = 0.1;
  int p10 = 1;
  for (int i = 0; i < ntr; ++i) p10 *= 10;
  return kC3Base / static_cast<double>(p10);
}

void chksln_w_flow(int N, int M, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
                   vec_ref<const int> nm, mat_ref<int> dat, mat_ref<cplx> sol,
                   const retrack_fn& retrack) {
  if (sol.rows() < N || sol.cols() < nroot || dat.rows() < 6 || dat.cols() < nroot)
    wit_fail("the end points or their path data hold fewer columns than the check is given");
  wit_eval_work<double> ew(N, M, supp);
  jacobian_fn jac = [&](vec_ref<const cplx> x, mat_ref<cplx> jacob) {
    vec_ref<cplx> none;
    wit_eval_t<double, false, false>(N, supp, nm, coef, coef, x, jacob, none, none, ew);
  };
  check_rules rules;
  rules.attempts1 = kWitRetracks1;
  rules.attempts2 = kWitRetracks2;
  rules.c3_of = witness_c3;
  chksln_flow(N, nroot, jac, dat, sol, retrack, rules);
}

}  // namespace hc

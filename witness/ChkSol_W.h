// Duplicate check of the witness tracker: the flow of the solver's check
// (CheckSol.h: buckets by Im x_1, a random real projection, only the first
// point of a pair tested for conditioning) with the Jacobian of the target
// system from the interpreted evaluator, up to four re-track attempts per
// pair in the first pass (buckets of at most 1000 members) and two in the
// second (sub-buckets by Im x_2 of larger buckets), attempt ntr using the
// corrector parameter c3 = 0.1 / 10^ntr.
//
//   chksln_w_flow(N, M, nroot, supp, coef, nm, dat, sol, retrack)  the check
//       (CheckSol.h chksln_flow with the Jacobian by wit_eval_t and the
//       witness rules: 4 and 2 attempts, c3 = witness_c3(ntr)) with the
//       re-tracking as a callable (CheckSol.h retrack_fn): supp(N,M),
//       nm(N), coef(M) the scaled target; sol(N, >= nroot) columns replaced
//       when a pair separates; dat(6, >= nroot) rows 1, 2 read (cell, start
//       root), rows 4, 5 zeroed and rows 3 to 5 updated.  Reseeds the
//       platform generator and draws N numbers for the projection; the
//       singular-value estimates draw more.
//   witness_c3(ntr)  0.1 / 10^ntr, the power an integer.
#pragma once

#include "CheckSol.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// Re-track attempts per pair in the first and the second pass.
constexpr int kWitRetracks1 = 4, kWitRetracks2 = 2;

double witness_c3(int ntr);

void chksln_w_flow(int N, int M, int nroot, mat_ref<const int> supp, vec_ref<const cplx> coef,
                   vec_ref<const int> nm, mat_ref<int> dat, mat_ref<cplx> sol,
                   const retrack_fn& retrack);

}  // namespace hc

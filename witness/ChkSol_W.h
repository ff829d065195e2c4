// Duplicate check of the witness tracker: the flow of the solver's check
// (CheckSol.h: buckets by Im x_1, a random real projection) with up to four
// re-track attempts per pair in the first pass (buckets of at most 1000
// members) and two in the second (sub-buckets by Im x_2 of larger buckets),
// attempt ntr using the corrector parameter c3 = 0.1 / 10^ntr.  Every
// coinciding pair is re-tracked, whatever the conditioning of its point:
// the writer drops badly conditioned points itself, and a witness point far
// from the origin, which the writer does write, is badly conditioned to the
// solver's test (max_sv < 1e5 min_sv of the target's Jacobian), so with that
// test two paths ending there would both be written.
//
//   chksln_w_flow(N, nroot, dat, sol, retrack)  the check (CheckSol.h
//       chksln_flow with the witness rules: 4 and 2 attempts,
//       c3 = witness_c3(ntr), every coinciding pair) with the re-tracking as
//       a callable (CheckSol.h retrack_fn): sol(N, >= nroot) columns
//       replaced when a pair separates; dat(6, >= nroot) rows 1, 2 read
//       (cell, start root), rows 4, 5 zeroed and rows 3 to 5 updated.
//       Reseeds the platform generator and draws N numbers for the
//       projection.
//   witness_c3(ntr)  0.1 / 10^ntr, the power an integer.
#pragma once

#include "CheckSol.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// Re-track attempts per pair in the first and the second pass.
constexpr int kWitRetracks1 = 4, kWitRetracks2 = 2;

double witness_c3(int ntr);

void chksln_w_flow(int N, int nroot, mat_ref<int> dat, mat_ref<cplx> sol,
                   const retrack_fn& retrack);

}  // namespace hc

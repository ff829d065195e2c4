// Writer of data.witness: the end points of the embedded system that are
// witness points (Newton polish on the unscaled system succeeds, the
// Jacobian is well conditioned and every slack coordinate vanishes), then
// the random coefficients of the slicing, the variable order and the counts.
//
//   wrtsln_w(N, M, n, k, nroot, nwitness, supp, oldcoef, nm, sol, zcoef,
//       lcoef, var)  writes ./data.witness (created or rewritten).  N = n + k
//       variables, the last k the slack variables; supp(N,M), nm(N),
//       oldcoef(M) the unscaled embedded system; sol(N, >= nroot) the
//       unscaled end points (not modified); zcoef(n,k) the slack
//       coefficients, lcoef(k,n+1) the hyperplanes (constant term last);
//       var(n) the names.  Out nwitness, the points written.  The file is
//       replaced only once complete (outfile.h); one that cannot be written
//       ends the program with a message on standard error and status::output.
//   write_witness(out, ...)  the same records to any stream.
//   is_witness(N, n, x, max_sv, min_sv)  max_sv > 1e-8, min_sv > 1e-8 max_sv
//       and |x_i| <= 1e-9 for i = n+1..N; false whenever a value is NaN.
//   witness_banner  the four records of the author and contact banner that
//       close data.witness and the summary of witsolve.
#pragma once

#include <ostream>
#include <string>

#include "array.h"
#include "cplx.h"

namespace hc {

extern const char* const witness_banner[4];

bool is_witness(int N, int n, vec_ref<const cplx> x, double max_sv, double min_sv);

void write_witness(std::ostream& out, int N, int M, int n, int k, int nroot, int& nwitness,
                   mat_ref<const int> supp, vec_ref<const cplx> oldcoef, vec_ref<const int> nm,
                   mat_ref<const cplx> sol, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                   vec_ref<const std::string> var);

void wrtsln_w(int N, int M, int n, int k, int nroot, int& nwitness, mat_ref<const int> supp,
              vec_ref<const cplx> oldcoef, vec_ref<const int> nm, mat_ref<const cplx> sol,
              mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
              vec_ref<const std::string> var);

}  // namespace hc

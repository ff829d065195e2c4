// Writer of data.witness: the witness points of the run (WitClassify.h), then
// the random coefficients of the slicing, the variable order and the counts.
//
//   wrtsln_w(N, M, n, k, nroot, nwitness, supp, oldcoef, nm, sol, zcoef,
//       lcoef, var, nlost)  writes ./data.witness (created or rewritten).
//       N = n + k variables, the last k the slack variables; supp(N,M),
//       nm(N), oldcoef(M) the unscaled embedded system; sol(N, >= nroot +
//       nlost) the unscaled end points, then the last points of the nlost
//       paths that gave none (fcurve_w), not modified; zcoef(n,k) the slack
//       coefficients, lcoef(k,n+1) the hyperplanes (constant term last);
//       var(n) the names.  Out nwitness, the points written.  The file is
//       replaced only once complete (outfile.h); one that cannot be written
//       ends the program with a message on standard error and status::output.
//   write_witness(out, ...)  the same records to any stream.
//   Every column of sol, in order, is classified (classify_point, the end
//   points as end points, the lost paths' points as such), and the point on
//   the slice of each one whose kind is end_kind::witness is written: its n
//   given coordinates as Newton on the slice accepted them, its slack
//   coordinates 0.  A coordinate part below 1e-15 in magnitude is written
//   as 0.
//   witness_banner  the four records of the author and contact banner that
//       close data.witness and the summary of witsolve.
#pragma once

#include <ostream>
#include <string>

#include "array.h"
#include "cplx.h"

namespace hc {

extern const char* const witness_banner[4];

void write_witness(std::ostream& out, int N, int M, int n, int k, int nroot, int& nwitness,
                   mat_ref<const int> supp, vec_ref<const cplx> oldcoef, vec_ref<const int> nm,
                   mat_ref<const cplx> sol, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                   vec_ref<const std::string> var, int nlost = 0);

void wrtsln_w(int N, int M, int n, int k, int nroot, int& nwitness, mat_ref<const int> supp,
              vec_ref<const cplx> oldcoef, vec_ref<const int> nm, mat_ref<const cplx> sol,
              mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef, vec_ref<const std::string> var,
              int nlost = 0);

}  // namespace hc

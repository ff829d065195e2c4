// The start of a polyhedral homotopy run, shared by rootsolve and witsolve:
// the mixed cells of a random lifting and their mixed volume (the number of
// paths), the arrays of the paths' end points, and the random start
// coefficients.  What the two programs do differently (the tracker, the
// unscaling of what it keeps, the writer, when the clock stops) stays with
// each driver.
//
//   poly_start  the arrays of one run, owned by the driver for the whole
//       run: w(m) the lifting, mcl(n, 2nc) the cells, stdet(nc) their start
//       roots, nc, paths (= mv, the mixed volume), tmprv(m) and coef_q(m)
//       the start coefficients' draws and values, dat(6, paths) zeroed and
//       sol(n, paths) for the tracker.
//   polyhedral_start(sys, start_offset, ps)  mixed_cells of the completed
//       supports sys.nm(n), sys.supp(n, m) (MixedCell.h), then the path
//       arrays, then start_coefficients(m, start_offset, ...) (sysprep.h:
//       dran2 arguments start_offset + k).  The random draws come in this
//       order.  Arrays that memory cannot hold end the program with
//       status::memory and a message naming the paths.
#pragma once

#include "array.h"
#include "cplx.h"
#include "sysprep.h"

namespace hc {

struct poly_start {
  vec<double> w;
  mat<int> mcl;
  vec<int> stdet;
  int nc = 0;
  int paths = 0;
  vec<double> tmprv;
  vec<cplx> coef_q;
  mat<int> dat;
  mat<cplx> sol;
};

void polyhedral_start(const prepared_system& sys, int start_offset, poly_start& ps);

}  // namespace hc

#include "PolyStart.h"

#include <new>
#include <string>

#include "MixedCell.h"
#include "fatal.h"
#include "path_data.h"

namespace hc {

void polyhedral_start(const prepared_system& sys, int start_offset, poly_start& ps) {
  const int n = sys.n, m = sys.m;
  ps.w.assign(m);
  const long long mv = mixed_cells(n, m, sys.nm, sys.supp, ps.w, ps.mcl, ps.nc, ps.stdet);
  ps.paths = static_cast<int>(mv);  // mixvol ends the program beyond kMvMax
  try {
    ps.dat.assign(kDatRows, ps.paths, 0);
    ps.sol.assign(n, ps.paths);
  } catch (const std::bad_alloc&) {
    fatal(status::memory, "no memory for the end points of " + std::to_string(ps.paths) + " paths");
  }
  ps.tmprv.assign(m);
  ps.coef_q.assign(m);
  start_coefficients(m, start_offset, ps.tmprv, ps.coef_q);
}

}  // namespace hc

// Mixed volume: the sum over the mixed cells of |det| of their edge matrices.
#include <string>

#include "BiNomialSolver.h"
#include "MixedCell.h"
#include "fatal.h"

namespace hc {

void intmatdet(int n, mat_ref<int> m, long long& det) {
  intmat_reduce(n, m, mat_ref<int>(), false, det);
}

void mixvol(int n, int m, int nc, mat_ref<const int> supp, mat_ref<const int> mcl,
            vec_ref<int> stdet, long long& mv) {
  (void)m;
  mat<int> v(n, n);
  mv = 0;
  for (int j = 1; j <= nc; ++j) {
    for (int i = 1; i <= n; ++i)
      for (int k = 1; k <= n; ++k) v(i, k) = supp(k, mcl(i, 2 * j - 1)) - supp(k, mcl(i, 2 * j));
    long long det = 0;
    intmatdet(n, v, det);
    if (det < 0) det = -det;
    if (det > kMvMax - mv) {
      fatal(status::size, "mixed volume: more than " + std::to_string(kMvMax) +
                              " start solutions, beyond the number of paths a run can follow");
    }
    stdet(j) = static_cast<int>(det);
    mv += det;
  }
}

long long mixed_cells(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                      vec_ref<double> w, mat<int>& mcl, int& nc, vec<int>& stdet) {
  vec<int> nm_copy(n);
  for (int i = 1; i <= n; ++i) nm_copy(i) = nm(i);
  mat<int> supp_copy(n, m);
  for (int k = 1; k <= m; ++k)
    for (int j = 1; j <= n; ++j) supp_copy(j, k) = supp(j, k);
  vec<int> crsp(m);
  int mm = m, pm = 0;
  mixedcell(n, mm, nm_copy, supp_copy, w, mcl, nc, pm, crsp);
  stdet.assign(nc);
  long long mv = 0;
  mixvol(n, m, nc, supp, mcl, stdet, mv);
  return mv;
}

}  // namespace hc

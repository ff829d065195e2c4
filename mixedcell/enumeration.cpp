// The mixed-cell enumeration as a whole: the supports' preprocessing, the
// lifting, the search, and the cells in the caller's term numbering.
#include <utility>

#include "MixedCell.h"
#include "prng.h"
#include "search.h"

namespace hc {

void mixedcell(int n, int& m, vec_ref<int> nm, mat_ref<int> supp, vec_ref<double> w, mat<int>& mcl,
               int& nc, int& pm, vec_ref<int> crsp) {
  // 1. The caller's supports, restored at the end.
  const int rd_m = m;
  mat<int> rd_supp(n, rd_m);
  for (int k = 1; k <= rd_m; ++k)
    for (int r = 1; r <= n; ++r) rd_supp(r, k) = supp(r, k);
  vec<int> rd_nm(n);
  for (int i = 1; i <= n; ++i) rd_nm(i) = nm(i);

  // 2. Kept points (the random point comes from the generator's current state).
  rm_interior(n, rd_m, m, rd_supp, supp, rd_nm, nm, crsp);

  // 3. Support order of the search.
  vec<int> sohd(n), sotl(n);
  nm_s1(n, m, nm, supp, sohd, sotl, crsp);

  // 4. Lifting of the kept points, in search order, after seeding.
  vec<double> w1(m);
  prng_seed();
  for (int j = 1; j <= m; ++j) w1(j) = prng_draw();

  // 5. The search, in search numbering.
  std::vector<int> cells;
  nc = 0;
  mixcell(n, m, sotl, sohd, nm, supp, w1, cells, nc);

  // 6. Lifting in the caller's numbering.
  for (int j = 1; j <= rd_m; ++j) w(j) = 2.0;
  for (int j = 1; j <= m; ++j) w(crsp(j)) = w1(j);

  // 7. Cells in the caller's numbering.
  mcl.assign(n, 2 * nc);
  for (int p = 1; p <= nc; ++p)
    for (int i = 1; i <= n; ++i) {
      const std::size_t base = static_cast<std::size_t>(2 * (p - 1)) * n;
      mcl(i, 2 * p - 1) = crsp(cells[base + (i - 1)]);
      mcl(i, 2 * p) = crsp(cells[base + n + (i - 1)]);
    }

  // 8. Rows in equation order: each equation's terms form one block of
  // columns, so ordering the rows by their first entry orders them by equation.
  for (int p = 1; p <= nc; ++p) {
    for (int j = 1; j <= n - 1; ++j) {
      int loc = 0;
      int mn = mcl(j, 2 * p - 1);
      for (int i = j + 1; i <= n; ++i)
        if (mcl(i, 2 * p - 1) < mn) {
          mn = mcl(i, 2 * p - 1);
          loc = i;
        }
      if (loc != 0) {
        std::swap(mcl(j, 2 * p - 1), mcl(loc, 2 * p - 1));
        std::swap(mcl(j, 2 * p), mcl(loc, 2 * p));
      }
    }
  }

  // 9. Restore the caller's supports.
  for (int k = 1; k <= rd_m; ++k)
    for (int r = 1; r <= n; ++r) supp(r, k) = rd_supp(r, k);
  for (int i = 1; i <= n; ++i) nm(i) = rd_nm(i);
  pm = m;
  m = rd_m;
}

}  // namespace hc

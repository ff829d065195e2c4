// The search for the mixed cells of lifted supports, depth first.
//
//   mixcell(n, m, sotl, sohd, nm, supp, w, mcl, nc)  supp(n,m) the kept points
//       in search order, support s in columns sohd(s)..sotl(s) (nm(s) points),
//       w(m) their lifting.  Appends every mixed cell to mcl as two columns of
//       n rows (first points, then second points; row l = the support at level
//       l of the search, search numbering) and counts them in nc (0 on entry).
//       Level 1 is support 1; each further level adds the support with the
//       fewest candidates left.  A support of fewer than two points has no
//       edge: no cells.  For n = 1 the cells are the lower edges of the one
//       lifted support.  More cells than a cell table can number end the
//       program with a message on standard error.
#pragma once

#include <vector>

#include "array.h"

namespace hc {

void mixcell(int n, int m, vec_ref<const int> sotl, vec_ref<const int> sohd, vec_ref<const int> nm,
             mat_ref<const int> supp, vec_ref<const double> w, std::vector<int>& mcl, int& nc);

}  // namespace hc

// Relation table of the lifted supports and the saved vertices of support 1.
//
//   lp_store        saved vertices of one dense program, numbered by keys 1, 2, ...:
//                   x(N), d(N,N), dind(N) and the status equ(1..me) of the first
//                   me points; the store grows on demand, so no key can reach
//                   another's slot.
//   rtable(n, m, sohd, nm, supp, w, tab, rnk, svkt, sv)  decides for every pair
//       of lifted points (columns of supp(n,m), lifting w(m)) whether one inner
//       normal makes both lowest in their own supports: tab(m,m) = 1
//       compatible, 0 incompatible (every off-diagonal entry is decided; a
//       pair whose points are both basic at a vertex is compatible whatever
//       the rounding of its residual).
//       For support 1 (columns 1..nm(1)) it also keeps, for each compatible
//       pair, the key svkt(m1,m1) of a saved vertex sv at which both points
//       are in the basis (0 = no such vertex; the pair cannot start a search);
//       rnk = rank of support 1's start vertex.  sohd(n), nm(n) give the blocks.
#pragma once

#include <vector>

#include "array.h"

namespace hc {

struct lp_store {
  int N = 0, me = 0;
  std::vector<double> xd;  // per key: x(N), then d(N,N) column by column
  std::vector<int> ie;     // per key: dind(N), then equ(1..me)

  void reset(int N_, int me_) {
    N = N_;
    me = me_;
  }
  int keys() const { return static_cast<int>(xd.size() / (static_cast<std::size_t>(N) * (N + 1))); }
  // Save under key (1-based); ne <= me entries of equ are kept.
  void save(int key, const double* x, mat_ref<const double> d, const int* dind, const int* equ,
            int ne);
  // Restore key into x, d, dind and equ(1..ne).
  void load(int key, double* x, mat_ref<double> d, int* dind, int* equ, int ne) const;
};

void rtable(int n, int m, vec_ref<const int> sohd, vec_ref<const int> nm, mat_ref<const int> supp,
            vec_ref<const double> w, mat_ref<int> tab, int& rnk, mat_ref<int> svkt, lp_store& sv);

}  // namespace hc

// Mixed cells of randomly lifted supports and the mixed volume.
//
// Supports arrive in normal order with constant terms completed: supp(n,m),
// one column per term, the terms of equation i in one block of nm(i) columns.
// A mixed cell picks one pair of terms (an edge) from every equation such that
// one inner normal (alpha, 1) makes, in every lifted support at once, exactly
// that pair the lowest points <p, alpha> + w(p).  Its cell table holds cell p
// in columns 2p-1 and 2p; row i is equation i with the smaller term index
// first.
//
//   mixedcell(n, m, nm, supp, w, mcl, nc, pm, crsp)  the whole enumeration:
//       removes non-vertex points, orders the supports, draws a lifting for the
//       kept points, searches, and returns the cells in the caller's term
//       numbering.  nm(n), supp(n,m), m are changed during the call and
//       restored; w(m) out: lifting of each term, exactly 2.0 at removed terms;
//       mcl out: resized to (n, 2 nc); nc out: number of cells; pm out: number
//       of kept points; crsp(m) out: crsp(j), j <= pm, the caller's column of
//       kept point j in search order.  A support of fewer than two kept points
//       has no edge, so the system then has no mixed cell (nc = 0).
//   rm_interior(n, rd_m, m, rd_supp, supp, rd_nm, nm, crsp)  keeps the vertices
//       of each support's convex hull: rd_supp(n,rd_m), rd_nm(n) in; supp(n,*)
//       the kept points compacted, nm(n) the kept counts, m their sum,
//       crsp(m) their input columns.  Draws n uniform values (a random point)
//       from the platform generator's current state.
//   convex(N, M, a, b, ind)  vertex test of one support: a(N,M) column j =
//       (point j; -1), b(M) distances from a random point; ind(M) out, 1 for a
//       vertex of the convex hull (kept), 0 otherwise.
//   nm_s1(n, m, nm, supp, sohd, sotl, crsp)  orders the supports for the
//       search (a linear or square support first when the shape of the system
//       calls for it, the rest by ascending count); nm(n), the column blocks of
//       supp(n,m) and crsp(m) move together; sohd(n), sotl(n) out: first and
//       last column of each support in the new order.
//   mixvol(n, m, nc, supp, mcl, stdet, mv)  stdet(j) = |det| of cell j's edge
//       matrix v(i,k) = supp(k, mcl(i,2j-1)) - supp(k, mcl(i,2j)); mv = the sum,
//       accumulated in 64 bits.  supp(n,m), mcl(n,2nc), stdet(nc) out.  When
//       mv exceeds kMvMax (the number of paths a run can hold), it writes a
//       message to standard error and ends the program with a failure status.
//   mixed_cells(n, m, nm, supp, w, mcl, nc, stdet)  the enumeration and the mixed
//       volume as the drivers run them: mixedcell on copies of nm(n) and
//       supp(n,m) (the caller's arrays stay as they are), then mixvol; w(m),
//       mcl(n, 2nc), nc and stdet(nc) out; returns mv
//   intmatdet(n, m, det)  det = |det m| by unimodular integer column
//       reduction; m(n,n) is overwritten by the reduced matrix.  Writes
//       " det = 0 !  " as a free-format record when a row k < n has no nonzero
//       entry left at or right of the diagonal; det = 0 then, and also
//       (silently) when only the last diagonal entry ends at 0.
#pragma once

#include <climits>
#include <vector>

#include "array.h"

namespace hc {

// Paths are numbered by 32-bit integers throughout the tracker and its
// arrays, so a mixed volume beyond this cannot be followed.
constexpr long long kMvMax = INT_MAX;

void mixedcell(int n, int& m, vec_ref<int> nm, mat_ref<int> supp, vec_ref<double> w, mat<int>& mcl,
               int& nc, int& pm, vec_ref<int> crsp);
void rm_interior(int n, int rd_m, int& m, mat_ref<const int> rd_supp, mat_ref<int> supp,
                 vec_ref<const int> rd_nm, vec_ref<int> nm, vec_ref<int> crsp);
void convex(int N, int M, mat_ref<const double> a, vec_ref<const double> b, vec_ref<int> ind);
void nm_s1(int n, int m, vec_ref<int> nm, mat_ref<int> supp, vec_ref<int> sohd, vec_ref<int> sotl,
           vec_ref<int> crsp);

void mixvol(int n, int m, int nc, mat_ref<const int> supp, mat_ref<const int> mcl,
            vec_ref<int> stdet, long long& mv);
void intmatdet(int n, mat_ref<int> m, long long& det);
long long mixed_cells(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                      vec_ref<double> w, mat<int>& mcl, int& nc, vec<int>& stdet);

}  // namespace hc

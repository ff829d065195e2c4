// Normal order of a system and the system's own random generator.
//
//   nmsc_ascend(n, m, nm, supp, coef)  equations by ascending term count (an
//       exchange sort that swaps only on strictly fewer terms); nm(n),
//       supp(n,m), coef(m) are reordered in place, blocks keep their inner order
//   lexicosc(n, m, nm, supp, coef)  terms of each block by descending
//       lexicographic order of their exponent columns, variable 1 first (a
//       constant term ends its block); supp(n,m), coef(m) reordered in place
//   block_bounds(n, nm, shd, stl)  shd(i), stl(i) = first and last column of
//       equation i: shd(1) = 1, stl(i) = stl(i-1) + nm(i), shd(i) = stl(i-1) + 1
//   completed_size(n, nm, supp)  m after constant completion: m + the number of
//       equations whose last term is not constant
//   complete_supp(n, nm, supp_rd, cnst, supp)  constant completion: cnst(i) = 1
//       and one zero column appended where the last column of equation i holds
//       a non-zero exponent, else cnst(i) = 0; nm(n) raised by cnst; supp(n, m)
//       out, sized by completed_size
//   complete_coef(n, nm, cnst, coef_rd, coef)  the matching coefficients, (0,0)
//       for an appended term; nm the completed counts
//   dran2(idum)  combined multiplicative congruential generator with a
//       32-entry shuffle table; result in (0, RNMX]; idum <= 0 (re)initialises;
//       idum is changed; state kept between calls for the whole process
//   dran2_reset()  test seam: puts dran2's kept state back to what a fresh
//       process starts from
#pragma once

#include "array.h"
#include "cplx.h"

namespace hc {

void nmsc_ascend(int n, int m, vec_ref<int> nm, mat_ref<int> supp, vec_ref<cplx> coef);
void lexicosc(int n, int m, vec_ref<const int> nm, mat_ref<int> supp, vec_ref<cplx> coef);

void block_bounds(int n, vec_ref<const int> nm, vec_ref<int> shd, vec_ref<int> stl);
int completed_size(int n, vec_ref<const int> nm, mat_ref<const int> supp);
void complete_supp(int n, vec_ref<int> nm, mat_ref<const int> supp_rd, vec_ref<int> cnst,
                   mat_ref<int> supp);
void complete_coef(int n, vec_ref<const int> nm, vec_ref<const int> cnst,
                   vec_ref<const cplx> coef_rd, vec_ref<cplx> coef);

double dran2(int& idum);
void dran2_reset();

}  // namespace hc

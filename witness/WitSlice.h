// Slicing of a square system for its witness points: k random hyperplanes
// through k slack variables z_1..z_k, giving N = n + k equations in N
// unknowns
//   f_i(x) + sum_j zcoef(i,j) z_j            (i = 1..n)
//   sum_l lcoef(j,l) x_l + lcoef(j,n+1) + z_j (j = 1..k)
// with random coefficients of modulus 1.
//
//   ask_hyperplanes(in, out, n)  writes "Input the # of hyperplanes (1, ... ,"
//       with n-1 in a field of width 3 and ")" as one record on out and reads
//       one integer from in, again until 1 <= k <= n-1; returns k.  A value
//       that is not an integer, or the end of the input, is the reader's
//       fatal error.  With n < 2 no answer exists: before any prompt it
//       ends the program with "the system has n unknown(s): ..." and the
//       status of refused input (fatal.h).
//   draw_slicing(n, k, zcoef, lcoef)  reseeds the platform generator from the
//       clock, then zcoef(i,j) = exp(i c r) for i = 1..n (outer), j = 1..k and
//       lcoef(j,l) = exp(i c r) for j = 1..k (outer), l = 1..n+1, r drawn
//       uniform in (0,1) each time, c = 1.600000023841858.  zcoef(n,k) and
//       lcoef(k,n+1) are resized.
//   balance_equations(rd)  divides every equation of rd in place by 2^e,
//       e = floor(log2 of its largest coefficient modulus), exactly: the
//       slack terms of modulus 1 then weigh alike (to a factor below 2)
//       against an equation and any constant multiple of it.  An equation
//       whose coefficients all vanish, or whose largest modulus is not a
//       finite double, stays; one whose largest modulus lies in [1, 2) is
//       not changed.
//   embed_system(rd, k, zcoef, lcoef, emb)  emb = the embedded system before
//       its normal order: per given equation its terms in file order (rows
//       1..n of the exponents, slack rows 0) then the k slack terms z_j; per
//       hyperplane the n linear terms, the constant term and z_j with
//       coefficient (1,0).  emb.n = N, emb.m = M1 = m + 2nk + 2k; emb.var is
//       left empty.  An embedded system whose N x (M1 + N) exponents exceed
//       the 32-bit range ends the program with a message (status::size).
//   witness_summary(out, k, nwitness, seconds)  the closing records of a run.
#pragma once

#include <ostream>

#include "array.h"
#include "cplx.h"
#include "ffread.h"
#include "sysinput.h"

namespace hc {

// The slicing angles spread over [0, 1.6) radians; the factor is the
// single-precision value nearest to 1.6, widened to double.
constexpr double kSliceAngle = 1.600000023841858;

int ask_hyperplanes(ffreader& in, std::ostream& out, int n);
void draw_slicing(int n, int k, mat<cplx>& zcoef, mat<cplx>& lcoef);
void balance_equations(suppsys& rd);
void embed_system(const suppsys& rd, int k, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                  suppsys& emb);
void witness_summary(std::ostream& out, int k, int nwitness, double seconds);

}  // namespace hc

// Binomial start systems x^A = c and the exact integer reduction behind them.
//
// Equation i of a binomial system is prod_j x_j^A(i,j) = c_i.  A is brought
// to lower-triangular form L = A V by unimodular integer column operations;
// then the |det A| = prod |L(i,i)| solutions are listed in a fixed order: the
// columns are ordered lexicographically by (t_1, ..., t_n), t_1 slowest, each
// t_i running from 1 to |L(i,i)|.
//
//   bisolver(p, n, m, supp, coef, mcl, bix)  start solutions of mixed cell p:
//       A(i,j) = supp(j, mcl(i,2p-1)) - supp(j, mcl(i,2p)),
//       c(i) = -coef(mcl(i,2p)) / coef(mcl(i,2p-1)); supp(n,m), coef(m),
//       mcl(n, >= 2p); out bix(n, >= |det A|), the solutions in its first
//       |det A| columns.  The caller sizes bix by |det A| (as returned by
//       intmatqr on the same matrix).  Returns |det A|, 0 for a singular A
//       (then bix is untouched).
//   bisolvertd(n, m, coef, bix, totaldeg, deg)  solutions of the total-degree
//       start system coef(2i-1) x_i^deg(i) + coef(2i) = 0: A = diag(deg),
//       c(i) = -coef(2i) / coef(2i-1); coef(2n), deg(n); out bix(n, >= |det A|),
//       |det A| = prod |deg(i)| (totaldeg is that product as the caller counted
//       it; the work is sized from the reduction's own count).  Returns |det A|,
//       0 when some degree is 0 (with the record of intmat_reduce when that
//       degree is not the last one).
//   xac(n, x, y, a, c, det)  all solutions of x^a = c: a(n,n) in, returned
//       holding L; c(n) returned normalised to modulus 1; work y(n, >= det)
//       (angles, one column per solution); out x(n, >= det) and det = |det a|.
//       For det = 0 nothing beyond the reduction and the normalisation of c is
//       done: x and y are untouched.
//   intmatqr(n, m, q, det)  m(n,n) reduced in place to L = m V, V unimodular;
//       out q(n,n) = V and det = prod |L(i,i)|, 0 when m is singular.
//   intmat_reduce(n, m, q, with_q, det)  the reduction shared by intmatqr and
//       intmatdet: m(n,n) becomes L by column pivoting (smallest non-zero
//       |m(k,j)|, j >= k, first wins), size reduction, gcd elimination and a
//       final size reduction below the diagonal; with_q: q(n,n) = V
//       accumulated from the identity; otherwise q is not referenced (an
//       empty view will do).  det = |prod L(i,i)| in 64 bits (0 when singular,
//       saturating at LLONG_MAX).  When a row k < n has no non-zero entry at or
//       right of the diagonal, the 12-character text " det = 0 !  " is
//       written to standard output as one free-format record (opening blank,
//       text, line end), det = 0 and the reduction stops there; a zero L(n,n)
//       gives det = 0 silently.
//   gcd(a, b, d, s1, t1)  extended Euclid: s1 a + t1 b = d, d divides a and b
//       (d may be negative; gcd(0,0) gives d = s1 = t1 = 0).
//
// Failure: more than 2147483647 solutions, or a solution array with fewer
// columns (or rows) than the solutions it must hold, ends the program with a
// message on standard error and status::size or status::internal (fatal.h;
// the same for the failures below); nothing is written out of
// bounds.  The reduction computes in 128-bit integers, so the values that
// grow between its size reductions stay exact (the results equal those of
// 32-bit arithmetic wherever that is exact); a regular matrix whose L or V
// does not fit 32 bits, or a reduction passing 2^124, ends the program the
// same way.  For a singular matrix the reduced entries have no use and keep
// their low 32 bits.
#pragma once

#include "array.h"
#include "cplx.h"

namespace hc {

int bisolver(int p, int n, int m, mat_ref<const int> supp, vec_ref<const cplx> coef,
             mat_ref<const int> mcl, mat_ref<cplx> bix);

int bisolvertd(int n, int m, vec_ref<const cplx> coef, mat_ref<cplx> bix, int totaldeg,
               vec_ref<const int> deg);

void xac(int n, mat_ref<cplx> x, mat_ref<double> y, mat_ref<int> a, vec_ref<cplx> c, int& det);

void intmatqr(int n, mat_ref<int> m, mat_ref<int> q, long long& det);

void intmat_reduce(int n, mat_ref<int> m, mat_ref<int> q, bool with_q, long long& det);

// Every intermediate step is formed in 64 bits, so gcd itself never
// overflows, also for INT_MIN arguments, and d, s1, t1 fit 32 bits.  A
// caller's own quotient may still not: INT_MIN / d with d = -1.
void gcd(int a, int b, int& d, int& s1, int& t1);

}  // namespace hc

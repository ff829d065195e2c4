// Preparing a system read in support form for the trackers: the normal
// order, the scaling and the constant completion, in the order the solver
// drivers run them, and the derivative coefficients of the evaluator contract.
// The generator of the evaluator (evalgen) takes the same normal order, so
// that its coefficient numbering is the solvers'.
//
//   normal_order(rd, ns)  rd is put into normal order in place (nmsc_ascend,
//       lexicosc); ns holds its supports completed by a zero constant term
//       where an equation has none (completed_size, complete_supp,
//       block_bounds): ns.nm(n), ns.cnst(n), ns.shd(n), ns.stl(n),
//       ns.supp(n, m), ns.m.  The coefficients are left to the caller
//       (complete_coef with ns.nm and ns.cnst), which may scale those of rd
//       first.  A system whose n m passes the 32-bit numbering ends the
//       program with status::size before ns is allocated.
//   prepare_system(rd, p)  normal_order(rd, p); then the scaling decision:
//       when some equation has fewer than two terms as read, sclc(2n) = 0 and
//       the coefficients stay as they are, else sclcoef scales them; then
//       the coefficients completed.  Out: the supports of normal_order,
//       p.coef(m) (scaled), p.oldcoef(m) (unscaled), p.sclc(2n)
//   build_cfd(n, m, supp, coef, cfd)  cfd((v-2)m + k) = supp(v,k) coef(k) for
//       v = 2..n, k = 1..m where supp(v,k) != 0, else (0,0); cfd((n-1)m)
//   unscale(n, nroot, sclc, sol)  x_i = e^sclc(i) y_i for the columns 1..nroot
//       of sol(n, >= nroot), e the double 2.718281828459045 raised by pow
//   start_coefficients(K, trnd, tmprv, coef_q)  seeds the platform generator,
//       draws u(1..K) into tmprv(K), then tmprv(k) = (u(k) + dran2(k + trnd)) / 2
//       and coef_q(k) = exp(i 1.600000023841858 tmprv(k)), k = 1..K in order
#pragma once

#include "array.h"
#include "cplx.h"
#include "sysinput.h"

namespace hc {

struct normal_supports {
  int n = 0;
  int m = 0;          // terms after completion
  vec<int> nm;        // nm(n), completed counts
  vec<int> cnst;      // cnst(n) = 1 where a zero constant term was appended
  vec<int> shd, stl;  // first and last column of each equation
  mat<int> supp;      // supp(n, m), completed, in normal order
};

struct prepared_system : normal_supports {
  vec<cplx> coef;     // coef(m), completed and scaled
  vec<cplx> oldcoef;  // oldcoef(m), completed, unscaled
  vec<double> sclc;   // sclc(2n): variable exponents, then equation multipliers
};

void normal_order(suppsys& rd, normal_supports& ns);
void prepare_system(suppsys& rd, prepared_system& p);
void unscale(int n, int nroot, vec_ref<const double> sclc, mat_ref<cplx> sol);
void start_coefficients(int K, int trnd, vec_ref<double> tmprv, vec_ref<cplx> coef_q);
void build_cfd(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> coef, vec_ref<cplx> cfd);

}  // namespace hc

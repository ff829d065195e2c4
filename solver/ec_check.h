// Whether an evaluator library fits the system it is to evaluate.
//
// A library is generated for one system's supports (completed, in normal
// order); bound to another system it computes other values or addresses
// entries beyond the arrays it is given.  The check evaluates the routines
// at random points with random coefficients of modulus 1 (so that no
// coefficient of zero hides a term) and compares them with a direct
// evaluation of the supports:
//   evahhx_, subexpo_: every entry of p(n), dp(n,n) and dt(n) equals the sum
//       over the terms (up to rounding: 16 eps per term times its degree plus
//       the equation's term count);
//   coefhhthx_: cf(m), cft(m) equal their formula and cfd((n-1)m) holds
//       supp(v,k) cf(k) exactly where supp(v,k) != 0.
// Every array passed is followed by guard entries.  The entries a routine
// must not read (guards, cfd where the exponent is 0, z beyond n) hold NaN,
// so a read shows in the results; the entries it must not write (guards,
// cfd where the exponent is 0 in coefhhthx_) hold NaNs with a payload of
// their own, checked after the call; the entries it must write start as NaN.
//
//   evalcore_misfit(n, m, nm, supp, ev)  "" when the routines of ev pass, else
//       a short description of the first difference; nm(n) and supp(n, m) the
//       completed system in normal order.  Runs in the calling process.
//   check_evalcore(n, m, nm, supp)  the same for the bound library, run in a child
//       process, so that a library that writes far beyond its arrays, or
//       crashes, ends only the child; a child that ends by a signal is a
//       misfit ("its test evaluation ended by signal ...").  Standard output
//       is flushed first, so the child duplicates nothing.
#pragma once

#include <string>

#include "Eval.h"
#include "array.h"

namespace hc {

std::string evalcore_misfit(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                            const evalcore& ev);
std::string check_evalcore(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp);

}  // namespace hc

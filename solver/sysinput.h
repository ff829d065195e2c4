// Reading a system in the numeric layout (input.num).
//
//   read_suppsys(in, with_names, s)  n; n counts nm(n), one read each; m = the sum;
//       m exponent columns supp(n, m), one read of n integers each; m
//       coefficients coef(m), one read of "(re, im)" each; then, when
//       with_names, n names var(n) of 20 characters (otherwise var is
//       empty).  The values that would make later code index out of bounds
//       or overflow are the reader's fatal error, like a value that cannot be
//       read (status::data): n < 1, a count below 1, a negative exponent;
//       and, with status::size, a system whose n x (m + n) exponents (room
//       for the appended constant terms) exceed the 32-bit range, and an
//       integer beyond it.  A line of n >= 2 integers where the count of
//       equation i >= 2 belongs is a system of i-1 equations in n unknowns
//       (eqtrans writes one so), refused as not square (status::data).
//       Nothing else is checked: the counts are trusted to match the lines
//       that follow.  s is written only when the whole system has been read.
#pragma once

#include <string>

#include "array.h"
#include "cplx.h"
#include "ffread.h"

namespace hc {

// The system in support form.
struct suppsys {
  int n = 0;
  int m = 0;
  vec<int> nm;           // nm(n): terms of each equation
  mat<int> supp;         // supp(n, m): exponent columns, equations in blocks
  vec<cplx> coef;        // coef(m)
  vec<std::string> var;  // var(n): names of 20 characters (empty unless read)
};

void read_suppsys(ffreader& in, bool with_names, suppsys& s);

}  // namespace hc

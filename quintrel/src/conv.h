// eqtrans: reads a polynomial system in ordinary notation on standard input
// and writes it in one of four layouts.  n = number of variables, E = number
// of equations; every exponent vector has n entries; terms in the model's
// order (the constant last), equations in input order.  Each writer returns
// the exit status: 0, or status::output (1) when an output cannot be opened
// or written.
//
//   zarvik_style(s)    input.num on standard output: n; E term counts; one
//                      line "e1 e2 ... en " per term; one "(re,im)" per term
//                      (16 digits); the n names.
//   symbolic_style(s)  one line per equation: per term the coefficient (the
//                      real part alone when the imaginary part is 0, else
//                      "(re,im)"; 6 digits), "[", the exponents back to back,
//                      "] ".
//   tav_style(s)       FILE.supp: "n E"; E times "1 "; per equation "s e" (its
//                      first and last 1-based term index); per term its
//                      exponents, each followed by a blank.  FILE.coef: one
//                      "(re,im)" per term (16 digits).
//   rud_style(s)       as tav_style without E on the first line and without
//                      the line of "1 ".
//
// The two files of tav_style and rud_style are written to temporaries and
// replace the old files only once both are complete (outfile.h): when one
// cannot be opened or written, the old files are left as they were (and no
// new one is left behind).  Messages go to standard error through report()
// of fatal.h; the exit statuses are those of its table (0, output 1).
#pragma once

#include <string>

#include "polysys.h"

namespace hc {

// A real in general notation with `digits` significant digits, trailing zeros
// and a trailing point dropped; scientific form ("e", sign, at least two
// exponent digits) when the decimal exponent is below `sci_below` or at least
// `digits`.
std::string fmt_general(double x, int digits, int sci_below);

int zarvik_style(const polysys_t& s);
int symbolic_style(const polysys_t& s);
int tav_style(const polysys_t& s);
int rud_style(const polysys_t& s);

}  // namespace hc

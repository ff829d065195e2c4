// The scanner of the input language (lexer.l): tokens of yy::polysys_parser
// read from standard input, with the line (from 1) and column (from 0) of
// each token in its location.
//
//   scan_begin(trace)   start scanning standard input from its current
//                       position; trace turns on the scanner's trace.
//   yylex(val, loc, d)  the next token number (0 at the end of the input),
//                       its value in *val; *loc is advanced over the text
//                       read.  An integer literal beyond 32 bits throws
//                       poly_refusal.  A read error on standard input ends
//                       the program with status 2.
#pragma once

#include "parser.hh"

namespace hc {
void scan_begin(bool trace);
}

#define YY_DECL                                                                      \
  int yylex(yy::polysys_parser::semantic_type* yylval,                               \
            yy::polysys_parser::location_type* yylloc, hc::polysys_driver& driver)
YY_DECL;

// The scanner of the input language (lexer.l): tokens of yy::polysys_parser
// read from standard input, with the line (from 1) and column (from 0) of
// each token in its location.
//
//   scan_input(in)      the input of the scans that follow (nullptr: standard
//                       input, the default); the caller keeps it open.
//   scan_begin(trace)   start scanning the input from its current position;
//                       trace turns on the scanner's trace.
//   scan_end()          release the scanner's buffer and state, so that a
//                       next scan starts afresh (also after a refusal).
//   yylex(val, loc, d)  the next token number (0 at the end of the input),
//                       its value in *val; *loc is advanced over the text
//                       read.  A byte that is neither part of the notation
//                       nor white space (blank, tab, carriage return, form
//                       feed, newline), outside comments, throws
//                       yy::polysys_parser::syntax_error at the place of the
//                       byte (of a whole UTF-8 character): "syntax error:
//                       "<the bytes, \xHH>" is not part of the notation".
//                       A read error
//                       on standard input ends the program with status::input
//                       ("input in flex scanner failed" and the reason).
//   scanner_failed(msg)  the scanner's fatal errors: status::input for a
//                       failed read, status::memory when its buffer cannot
//                       grow, status::internal otherwise.
#pragma once

#include <cstdio>

#include "parser.hh"

namespace hc {
void scan_input(FILE* in);
void scan_begin(bool trace);
void scan_end();
[[noreturn]] void scanner_failed(const char* msg);
}  // namespace hc

#define YY_DECL                                                                                   \
  int yylex(yy::polysys_parser::semantic_type* yylval, yy::polysys_parser::location_type* yylloc, \
            hc::polysys_driver& driver)
YY_DECL;

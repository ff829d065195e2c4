// The parse driver: connects the scanner (lexer.l) and the LALR(1) parser
// (parser.yy) to the system being filled, and reports their errors.
//
//   parse()            read all of the scanner's input (standard input unless
//                      scan_input chose another) into polysys; true when the
//                      input was a complete system.  A syntax error has been
//                      reported by the parser through error(loc, msg); a
//                      refused operation (poly_refusal) is reported here,
//                      through error(where, msg) when it is placed, else
//                      through error(msg).  Either way the equations read so
//                      far stay in polysys.
//   at(loc)            the place of the expression being built: the grammar's
//                      actions set it before each operation
//   error(loc, msg)    "<program>: L.C[-C | -L.C]: msg" on standard error: the
//                      begin position, then the end position one column back
//                      (never below 0) when it differs from the begin.
//   error(msg)         "<program>: msg" on standard error.
#pragma once

#include <string>

#include "polysys.h"

namespace yy {
class location;
}

namespace hc {

class polysys_driver {
 public:
  polysys_t& polysys;
  bool trace_scanning = false;  // scanner trace on standard error (nothing sets it)
  bool trace_parsing = false;   // parser trace on standard error (nothing sets it)

  explicit polysys_driver(polysys_t& sys) : polysys(sys) {}
  virtual ~polysys_driver() = default;

  bool parse();
  void at(const yy::location& loc);
  void error(const yy::location& loc, const std::string& msg);
  void error(const std::string& msg);

 private:
  // The place given by at(): begin line and column, end line and column.
  int where_[4] = {1, 0, 1, 0};
};

// The location text of error(loc, msg), without the message.
std::string location_text(const yy::location& loc);

}  // namespace hc

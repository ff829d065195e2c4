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
//   equation(loc)      the place of the equation appended next
//   A system that parses but holds a coefficient that is not finite is
//   refused by parse(): "L.C-C: coefficient is not finite" at the place of
//   the first such equation.
//   error(loc, msg)    "<program>: L.C[-C | -L.C]: msg" on standard error: the
//                      begin position, then the end position one column back
//                      (never below 0) when it differs from the begin.
//   error(msg)         "<program>: msg" on standard error.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "fatal.h"
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
  // The exit status of the last parse that failed: status::data, or the
  // refusal's own (poly_refusal::exit_status).
  int failure_status() const { return failure_status_; }
  void at(const yy::location& loc);
  void equation(const yy::location& loc);
  void error(const yy::location& loc, const std::string& msg);
  void error(const std::string& msg);

 private:
  using place = std::array<int, 4>;  // begin line, column; end line, column
  static place place_of(const yy::location& loc);
  static yy::location location_of(const place& p);
  place where_{1, 0, 1, 0};  // given by at()
  int failure_status_ = status::data;
  std::vector<place> equations_;
};

// The location text of error(loc, msg), without the message.
std::string location_text(const yy::location& loc);

}  // namespace hc

#include "parser_driver.h"

#include <iostream>

#include "fatal.h"
#include "lexer.h"
#include "parser.hh"

namespace hc {

bool polysys_driver::parse() {
  scan_begin(trace_scanning);
  yy::polysys_parser parser(*this);
  parser.set_debug_stream(std::cerr);
  parser.set_debug_level(trace_parsing ? 1 : 0);
  bool ok = false;
  try {
    ok = parser.parse() == 0;
  } catch (const poly_refusal& e) {
    if (e.placed()) {
      yy::location loc;
      loc.begin.line = where_[0];
      loc.begin.column = where_[1];
      loc.end.line = where_[2];
      loc.end.column = where_[3];
      error(loc, e.what());
    } else {
      error(e.what());
    }
  }
  scan_end();
  return ok;
}

void polysys_driver::at(const yy::location& loc) {
  where_[0] = loc.begin.line;
  where_[1] = loc.begin.column;
  where_[2] = loc.end.line;
  where_[3] = loc.end.column;
}

std::string location_text(const yy::location& loc) {
  std::string s = std::to_string(loc.begin.line) + "." + std::to_string(loc.begin.column);
  const int last_col = loc.end.column > 0 ? loc.end.column - 1 : 0;
  if (loc.end.line != loc.begin.line)
    s += "-" + std::to_string(loc.end.line) + "." + std::to_string(last_col);
  else if (last_col != loc.begin.column)
    s += "-" + std::to_string(last_col);
  return s;
}

void polysys_driver::error(const yy::location& loc, const std::string& msg) {
  report(location_text(loc) + ": " + msg);
}

void polysys_driver::error(const std::string& msg) { report(msg); }

}  // namespace hc

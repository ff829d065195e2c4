#include "parser_driver.h"

#include <iostream>

#include "lexer.h"
#include "parser.hh"

namespace hc {

bool polysys_driver::parse() {
  scan_begin(trace_scanning);
  yy::polysys_parser parser(*this);
  parser.set_debug_stream(std::cerr);
  parser.set_debug_level(trace_parsing ? 1 : 0);
  try {
    return parser.parse() == 0;
  } catch (const poly_refusal& e) {
    error(e.what());
    return false;
  }
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
  std::cerr << location_text(loc) << ": " << msg << '\n';
}

void polysys_driver::error(const std::string& msg) { std::cerr << msg << '\n'; }

}  // namespace hc

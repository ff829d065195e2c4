#include "parser_driver.h"

#include <cmath>
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
  equations_.clear();
  failure_status_ = status::data;
  try {
    ok = parser.parse() == 0;
  } catch (const poly_refusal& e) {
    scan_end();
    failure_status_ = e.exit_status();
    if (e.placed()) {
      error(location_of(where_), e.what());
    } else {
      error(e.what());
    }
    return false;
  } catch (...) {
    scan_end();  // the next parse starts afresh
    throw;
  }
  scan_end();
  if (!ok) return false;
  // The equations appended by this parse are the last ones of the system.
  const std::size_t first = polysys.size() - equations_.size();
  for (std::size_t q = 0; q < equations_.size(); ++q)
    for (const Term& t : polysys[first + q])
      if (!std::isfinite(t.coef.real()) || !std::isfinite(t.coef.imag())) {
        error(location_of(equations_[q]), kMsgNotFinite);
        return false;
      }
  return true;
}

polysys_driver::place polysys_driver::place_of(const yy::location& loc) {
  return {loc.begin.line, loc.begin.column, loc.end.line, loc.end.column};
}

yy::location polysys_driver::location_of(const place& p) {
  yy::location loc;
  loc.begin.line = p[0];
  loc.begin.column = p[1];
  loc.end.line = p[2];
  loc.end.column = p[3];
  return loc;
}

void polysys_driver::at(const yy::location& loc) { where_ = place_of(loc); }

void polysys_driver::equation(const yy::location& loc) { equations_.push_back(place_of(loc)); }

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

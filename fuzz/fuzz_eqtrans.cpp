// Fuzz target of eqtrans's reading: any bytes as the input language, through
// the scanner, the grammar and the polynomial model.  A system that parses
// must hold the model's invariants: every equation's terms in strictly
// increasing order (no two alike), every exponent vector as long as the
// number of variables and non-negative, every coefficient finite.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "lexer.h"
#include "polysys.h"

namespace {

void check(const hc::polysys_t& sys) {
  for (const hc::Poly& p : sys) {
    const hc::Term* prev = nullptr;
    for (const hc::Term& t : p) {
      if (t.size() != sys.vars.size()) hc::fuzz::fuzz_fail("an exponent vector of another length");
      for (int e : t)
        if (e < 0) hc::fuzz::fuzz_fail("a negative exponent");
      if (!std::isfinite(t.coef.real()) || !std::isfinite(t.coef.imag()))
        hc::fuzz::fuzz_fail("a coefficient that is not finite");
      if (prev != nullptr && !(*prev < t)) hc::fuzz::fuzz_fail("terms out of order or alike");
      prev = &t;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text.push_back('\0');  // fmemopen needs a buffer of at least one byte
  FILE* in = fmemopen(text.data(), size, "r");
  if (in == nullptr) return 0;
  hc::scan_input(in);
  hc::fuzz::run_budgeted([] {
    hc::polysys_t sys;
    if (sys.parse()) check(sys);
  });
  hc::scan_input(nullptr);
  std::fclose(in);
  return 0;
}

// Fuzz target of the reader of input.num: any bytes as the file, then two
// answers read as at the prompt.  A system that is read must be in the
// layout (n >= 1, every count >= 1 and their sum m, exponents >= 0, finite
// coefficients, names of 20 characters), and its normal order with the
// constant terms completed must hold: counts ascending, the terms of each
// equation descending, a constant term last.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "MisTools.h"
#include "ffread.h"
#include "fuzz_support.h"
#include "sysinput.h"

namespace {

using hc::fuzz::fuzz_fail;

void check_read(const hc::suppsys& s) {
  if (s.n < 1 || s.nm.size() != s.n || s.var.size() != s.n) fuzz_fail("sizes of the system");
  long long m = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.nm(i) < 1) fuzz_fail("a count below 1");
    m += s.nm(i);
    if (s.var(i).size() != static_cast<std::size_t>(hc::kFfnameLen)) fuzz_fail("a name's length");
  }
  if (m != s.m || s.supp.rows() != s.n || s.supp.cols() != s.m || s.coef.size() != s.m)
    fuzz_fail("the number of terms");
  for (int k = 1; k <= s.m; ++k) {
    for (int j = 1; j <= s.n; ++j)
      if (s.supp(j, k) < 0) fuzz_fail("a negative exponent");
    if (!std::isfinite(s.coef(k).real()) || !std::isfinite(s.coef(k).imag()))
      fuzz_fail("a coefficient that is not finite");
  }
}

// a > b in the lexicographic order, variable 1 first.
bool lex_greater(const hc::mat<int>& supp, int n, int a, int b) {
  for (int j = 1; j <= n; ++j)
    if (supp(j, a) != supp(j, b)) return supp(j, a) > supp(j, b);
  return false;
}

void check_normal_order(hc::suppsys& s) {
  const int n = s.n;
  hc::nmsc_ascend(n, s.m, s.nm, s.supp, s.coef);
  hc::lexicosc(n, s.m, s.nm, s.supp, s.coef);
  hc::vec<int> nm = s.nm, cnst(n);
  const int m = hc::completed_size(n, nm, s.supp);
  hc::mat<int> supp(n, m);
  hc::complete_supp(n, nm, s.supp, cnst, supp);
  int k = 1;
  for (int i = 1; i <= n; ++i) {
    if (i > 1 && nm(i) - cnst(i) < nm(i - 1) - cnst(i - 1)) fuzz_fail("counts not ascending");
    for (int t = 1; t < nm(i); ++t, ++k)
      if (lex_greater(supp, n, k + 1, k)) fuzz_fail("terms not descending");
    for (int j = 1; j <= n; ++j)
      if (supp(j, k) != 0) fuzz_fail("an equation without its constant term last");
    ++k;
  }
  if (k != m + 1) fuzz_fail("the completed number of terms");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  hc::fuzz::run_budgeted([&] {
    std::istringstream in(text);
    hc::ffreader rd(in, "input.num");
    hc::suppsys s;
    hc::read_suppsys(rd, true, s);
    check_read(s);
    check_normal_order(s);
    for (int answer = 0; answer < 2; ++answer) rd.read_int();
  });
  return 0;
}

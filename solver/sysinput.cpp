#include "sysinput.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace hc {

void read_suppsys(ffreader& in, bool with_names, suppsys& s) {
  const int n = in.read_int();
  if (n < 1) in.fail("the number of equations is " + std::to_string(n) + "; it must be at least 1");

  // The arrays grow with the values actually read, so a count far beyond
  // the length of the input ends in the reader's error at the end of the
  // input, not in a huge allocation.
  std::vector<int> nm;
  std::int64_t m = 0;
  for (int i = 1; i <= n; ++i) {
    int c = in.read_int();
    if (c < 1)
      in.fail("equation " + std::to_string(i) + " has " + std::to_string(c) +
              " terms; it must have at least 1");
    nm.push_back(c);
    m += c;
    // Room for the constant term that may be appended to every equation, and
    // for the n x m exponents to be numbered by 32-bit integers.
    if ((m + n) * static_cast<std::int64_t>(n) > INT_MAX)
      in.fail("the system is too large: " + std::to_string(n) + " equations with " +
              std::to_string(m) + " or more terms");
  }

  std::vector<int> supp;
  vec_ref<int> col;
  for (std::int64_t k = 1; k <= m; ++k) {
    supp.resize(supp.size() + static_cast<std::size_t>(n));
    col = vec_ref<int>(supp.data() + supp.size() - static_cast<std::size_t>(n), n);
    in.read_ints(col);
    for (int j = 1; j <= n; ++j)
      if (col(j) < 0)
        in.fail("negative exponent " + std::to_string(col(j)) + " of variable " +
                std::to_string(j) + " in term " + std::to_string(k));
  }

  std::vector<cplx> coef;
  for (std::int64_t k = 1; k <= m; ++k) coef.push_back(in.read_complex());

  std::vector<std::string> var;
  if (with_names)
    for (int i = 1; i <= n; ++i) var.push_back(in.read_name());

  const int mi = static_cast<int>(m);
  s.n = n;
  s.m = mi;
  s.nm.std() = std::move(nm);
  s.supp.assign(n, mi);
  std::copy(supp.begin(), supp.end(), s.supp.data());
  s.coef.std() = std::move(coef);
  s.var.std() = std::move(var);
}

}  // namespace hc

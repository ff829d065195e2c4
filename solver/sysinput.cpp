#include "sysinput.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "fatal.h"

namespace hc {

namespace {

// The values of a line of input.num (separated by blanks or commas) when
// every one is an integer; -1 when some value is not one.
int integers_on_line(const std::string& line) {
  int count = 0;
  std::size_t i = 0;
  auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == ',';
  };
  while (i < line.size()) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size()) break;
    if (line[i] == '+' || line[i] == '-') ++i;
    const std::size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == digits || (i < line.size() && !blank(line[i]))) return -1;
    ++count;
  }
  return count;
}

std::string plural(std::int64_t k, const char* word) {
  return std::to_string(k) + " " + word + (k == 1 ? "" : "s");
}

[[noreturn]] void too_large(const ffreader& in, int n, std::int64_t m) {
  in.fail("the system is too large: the n x (m + n) exponents of " + plural(n, "equation") +
              " with " + std::to_string(m) + " or more terms pass the 32-bit numbering",
          status::size);
}

}  // namespace

void read_suppsys(ffreader& in, bool with_names, suppsys& s) {
  // A count or exponent beyond 32 bits is a size no program can number.
  in.set_range_status(status::size);
  const int n = in.read_int();
  if (n < 1) in.fail("the number of equations is " + std::to_string(n) + "; it must be at least 1");
  // Every equation has a term, so m >= n and n x (m + n) >= 2 n^2.
  if (2 * static_cast<std::int64_t>(n) * n > INT_MAX) too_large(in, n, n);

  // The arrays grow with the values actually read, so a count far beyond
  // the length of the input ends in the reader's error at the end of the
  // input, not in a huge allocation.
  std::vector<int> nm;
  std::int64_t m = 0;
  for (int i = 1; i <= n; ++i) {
    int c = in.read_int();
    // A line of n exponents where a count belongs: the system has fewer
    // equations than unknowns (eqtrans writes such a system as it is).
    if (i >= 2 && n >= 2 && integers_on_line(in.line_text()) == n)
      in.fail("a system of " + plural(i - 1, "equation") + " in " + plural(n, "unknown") +
              ", where a square system is needed (as many equations as unknowns): the line "
              "holds " + std::to_string(n) + " exponents where the term count of equation " +
              std::to_string(i) + " belongs");
    if (c < 1)
      in.fail("equation " + std::to_string(i) + " has " + std::to_string(c) +
              " terms; it must have at least 1");
    nm.push_back(c);
    m += c;
    // Room for the constant term that may be appended to every equation, and
    // for the n x m exponents to be numbered by 32-bit integers.
    if ((m + n) * static_cast<std::int64_t>(n) > INT_MAX) too_large(in, n, m);
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

  in.set_range_status(status::data);
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

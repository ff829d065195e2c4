// Texts in the numeric layout of input.num for the process tests.
#pragma once

#include <string>

namespace hc::test {

// n equations x_i^d - 1 = 0 (or x_i^d = 0 without the constant), variables
// x1..xn: one exponent line per term, the constant's line all zero.
inline std::string diagonal_num(int n, int d, bool minus_one = true) {
  std::string s = std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) s += minus_one ? "2\n" : "1\n";
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) s += (j == i ? std::to_string(d) : "0") + " ";
    s += "\n";
    if (!minus_one) continue;
    for (int j = 0; j < n; ++j) s += "0 ";
    s += "\n";
  }
  for (int i = 0; i < n; ++i) s += minus_one ? "(1,0)\n(-1,0)\n" : "(1,0)\n";
  for (int i = 0; i < n; ++i) s += "x" + std::to_string(i + 1) + "\n";
  return s;
}

}  // namespace hc::test

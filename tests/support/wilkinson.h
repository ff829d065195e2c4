// The Wilkinson polynomial W_N(x) = (x-1)(x-2)...(x-N), expanded: its
// integer coefficients, highest power first, exact in double precision as
// long as every coefficient stays below 2^53 in modulus (N <= 17).
#pragma once

#include <cstddef>
#include <vector>

namespace hc::test {

inline std::vector<double> wilkinson_coefficients(int N) {
  std::vector<double> c{1.0};
  for (int k = 1; k <= N; ++k) {
    std::vector<double> d(c.size() + 1, 0.0);
    for (std::size_t i = 0; i < c.size(); ++i) {
      d[i] += c[i];
      d[i + 1] -= k * c[i];
    }
    c = d;
  }
  return c;
}

}  // namespace hc::test

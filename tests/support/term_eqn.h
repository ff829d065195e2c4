// Equations of a test as lists of terms (exponents, coefficient), and the
// products that turn a curve into a square system that has it as its only
// solution set.
//
//   eqn  the terms of one equation; terms are not collected.
//   times(f, g)  the product f g, every pair of terms.
//   times_line(f)  f (x - 2y + 3) for an equation f in two unknowns.
#pragma once

#include <utility>
#include <vector>

namespace hc::test {

using eqn = std::vector<std::pair<std::vector<int>, double>>;

inline eqn times(const eqn& f, const eqn& g) {
  eqn h;
  for (const auto& s : f)
    for (const auto& t : g) {
      std::vector<int> e(s.first.size());
      for (std::size_t j = 0; j < e.size(); ++j) e[j] = s.first[j] + t.first[j];
      h.push_back({e, s.second * t.second});
    }
  return h;
}

inline eqn times_line(const eqn& f) { return times(f, {{{1, 0}, 1}, {{0, 1}, -2}, {{0, 0}, 3}}); }

}  // namespace hc::test

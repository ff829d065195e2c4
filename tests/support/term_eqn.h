// Equations of a test as lists of terms (exponents, coefficient), and the
// products that turn a curve into a square system that has it as its only
// solution set.
//
//   eqn  the terms of one equation; terms are not collected.
//   times(f, g)  the product f g, every pair of terms.
//   times_line(f)  f (x - 2y + 3) for an equation f in two unknowns.
//   reduced_cyclic8()  cyclic 8-roots with x_0 = 1: equation k = 1..7 is the
//       sum over i = 0..7 of x_i x_(i+1) ... x_(i+k-1), indices mod 8, in the
//       unknowns y_l = x_l, l = 1..7; its curve has degree 18.
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

inline std::vector<eqn> reduced_cyclic8() {
  std::vector<eqn> eqs;
  for (int k = 1; k <= 7; ++k) {
    eqn e;
    for (int i = 0; i < 8; ++i) {
      std::vector<int> ex(7, 0);
      for (int j = 0; j < k; ++j)
        if ((i + j) % 8 != 0) ++ex[static_cast<std::size_t>((i + j) % 8 - 1)];
      e.push_back({ex, 1.0});
    }
    eqs.push_back(e);
  }
  return eqs;
}

}  // namespace hc::test

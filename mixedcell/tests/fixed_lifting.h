// One enumeration of the mixed cells under a fixed lifting seed, and 64-bit
// digests of its cell lists.
//
//   enumerate_fixed(s, seed)  mixedcell and mixvol on a copy of s with the
//       liftings drawn from seed (the generator goes back to the clock
//       after): the cells in the order found, the lifting w(m), the mixed
//       volume
//   list_digest(cells)        FNV-1a over the number of cells and, cell by
//       cell, the first terms of rows 1..n, then the second terms: the cell
//       table exactly as mixedcell returns it
//   set_digest(cells)         list_digest of the cells sorted: the set of
//       cells, whatever order the search finds them in
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "MixedCell.h"
#include "cellcheck.h"
#include "prng.h"
#include "scoped.h"
#include "systems.h"

namespace hc::testsys {

struct enumeration {
  std::vector<cell> cells;  // row i of a cell: entries 2i, 2i+1 (first, second term)
  vec<double> w;
  long long mv = 0;
};

inline enumeration enumerate_fixed(const system& s0, std::uint64_t seed) {
  system s = s0;
  int m = s.m();
  enumeration e;
  e.w.assign(m, 0.0);
  mat<int> mcl;
  int nc = 0, pm = 0;
  vec<int> crsp(m);
  {
    const test::scoped_seed fixed(seed);
    mixedcell(s.n, m, s.nm, s.supp, e.w, mcl, nc, pm, crsp);
  }
  vec<int> stdet(nc > 0 ? nc : 1);
  mixvol(s.n, m, nc, s.supp, mcl, stdet, e.mv);
  for (int p = 1; p <= nc; ++p) {
    cell c;
    for (int i = 1; i <= s.n; ++i) {
      c.push_back(mcl(i, 2 * p - 1));
      c.push_back(mcl(i, 2 * p));
    }
    e.cells.push_back(c);
  }
  return e;
}

// FNV-1a over the bytes of each value, least significant first.
constexpr std::uint64_t kFnvOffset = 1469598103934665603ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

inline std::uint64_t fnv_mix(std::uint64_t h, long long v) {
  for (int i = 0; i < 8; ++i) {
    h ^= static_cast<std::uint64_t>(v >> (8 * i)) & 0xffu;
    h *= kFnvPrime;
  }
  return h;
}

inline std::uint64_t list_digest(const std::vector<cell>& cells) {
  std::uint64_t h = fnv_mix(kFnvOffset, static_cast<long long>(cells.size()));
  for (const cell& c : cells)
    for (std::size_t side = 0; side < 2; ++side)
      for (std::size_t i = side; i < c.size(); i += 2) h = fnv_mix(h, c[i]);
  return h;
}

inline std::uint64_t set_digest(std::vector<cell> cells) {
  std::sort(cells.begin(), cells.end());
  return list_digest(cells);
}

}  // namespace hc::testsys

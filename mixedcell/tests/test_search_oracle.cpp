// The exact outcome of the enumeration for fixed liftings: the whole cell
// table, in the order the search finds the cells, reduced to a 64-bit digest,
// together with the number of cells and the mixed volume.  The search's
// decisions rest on floating-point comparisons, so a change that reorders a
// sum or drops a test can change which cells appear or their order without
// changing the mixed volume; these digests catch that.  They were taken from
// the enumeration as it stood before its inner loops were reworked for speed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "MixedCell.h"
#include "prng.h"
#include "systems.h"

namespace hc {
namespace {

using testsys::system;

// FNV-1a over the bytes of each value, least significant first.
constexpr std::uint64_t fnv_offset = 1469598103934665603ull;
constexpr std::uint64_t fnv_prime = 1099511628211ull;

std::uint64_t mix(std::uint64_t h, long long v) {
  for (int i = 0; i < 8; ++i) {
    h ^= static_cast<std::uint64_t>(v >> (8 * i)) & 0xffu;
    h *= fnv_prime;
  }
  return h;
}

struct digest_case {
  std::string name;
  system sys;
  std::uint64_t seed;
  int nc;
  long long mv;
  std::uint64_t digest;
};

void PrintTo(const digest_case& c, std::ostream* os) { *os << c.name << " seed " << c.seed; }

class SearchDigest : public ::testing::TestWithParam<digest_case> {};

TEST_P(SearchDigest, SameCellsInSameOrder) {
  const digest_case& c = GetParam();
  system s = testsys::normal_form(c.sys);
  const int n = s.n;
  int m = s.m();
  vec<double> w(m);
  mat<int> mcl;
  int nc = 0, pm = 0;
  vec<int> crsp(m);
  prng_fix_seed(c.seed);
  mixedcell(n, m, s.nm, s.supp, w, mcl, nc, pm, crsp);
  prng_clock_seed();
  long long mv = 0;
  vec<int> stdet(nc > 0 ? nc : 1);
  mixvol(n, m, nc, s.supp, mcl, stdet, mv);
  std::uint64_t h = mix(fnv_offset, nc);
  for (int p = 1; p <= 2 * nc; ++p)
    for (int i = 1; i <= n; ++i) h = mix(h, mcl(i, p));
  EXPECT_EQ(nc, c.nc);
  EXPECT_EQ(mv, c.mv);
  EXPECT_EQ(h, c.digest) << std::hex << "digest 0x" << h;
}

std::vector<digest_case> digest_cases() {
  using namespace testsys;
  return {
      {"cyclic7", cyclic(7), 1001, 212, 924, 0x2b9d677338b9f02aull},
      {"cyclic8", cyclic(8), 1002, 294, 2560, 0x403645bafe9afcd6ull},
      {"katsura7", katsura(7), 1001, 17, 128, 0x7cff26cfa5031bb4ull},
      {"katsura8", katsura(8), 1003, 28, 256, 0xdee2f4ae8a3ead1bull},
      {"noon5", noon(5), 1001, 26, 233, 0x5f3c5710e97091e6ull},
      {"eco8", eco(8), 1002, 40, 64, 0xb943f113f5743446ull},
      {"dense_3_2_2", dense({3, 2, 2}), 1001, 1, 12, 0x77fc96525326a8e0ull},
  };
}

INSTANTIATE_TEST_SUITE_P(Systems, SearchDigest, ::testing::ValuesIn(digest_cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace hc

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

#include "fixed_lifting.h"

namespace hc {
namespace {

using testsys::system;

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
  const testsys::enumeration e = testsys::enumerate_fixed(testsys::normal_form(c.sys), c.seed);
  const int nc = static_cast<int>(e.cells.size());
  const long long mv = e.mv;
  const std::uint64_t h = testsys::list_digest(e.cells);
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

// The exact outcome of the enumeration for fixed liftings: the set of cells
// (sorted, since nothing reads the order in which the search finds them),
// reduced to a 64-bit digest, together with the number of cells and the
// mixed volume.  The search's decisions rest on floating-point comparisons,
// so a change that reorders a sum or prunes differently could change which
// cells appear without changing the mixed volume; these digests catch that.
// They were first taken from the enumeration as it stood before its pruning
// and inner loops were reworked for speed, and retaken, with the same
// search, when the platform generator that draws the liftings from these
// seeds changed (the mixed volumes stayed, as they must).
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

TEST_P(SearchDigest, SameCells) {
  const digest_case& c = GetParam();
  const testsys::enumeration e = testsys::enumerate_fixed(testsys::normal_form(c.sys), c.seed);
  const int nc = static_cast<int>(e.cells.size());
  const long long mv = e.mv;
  const std::uint64_t h = testsys::set_digest(e.cells);
  EXPECT_EQ(nc, c.nc);
  EXPECT_EQ(mv, c.mv);
  EXPECT_EQ(h, c.digest) << std::hex << "digest 0x" << h;
}

std::vector<digest_case> digest_cases() {
  using namespace testsys;
  return {
      {"cyclic7", cyclic(7), 1001, 115, 924, 0xd4eda978f06b31e1ull},
      {"cyclic8", cyclic(8), 1002, 318, 2560, 0x8c60d3c22c987024ull},
      {"katsura7", katsura(7), 1001, 16, 128, 0x4da89ce75e8eb485ull},
      {"katsura8", katsura(8), 1003, 32, 256, 0x89bb8a268fa477f2ull},
      {"noon5", noon(5), 1001, 21, 233, 0x4efbb8f312072240ull},
      {"eco8", eco(8), 1002, 36, 64, 0x373f35c0d09ba2bbull},
      {"dense_3_2_2", dense({3, 2, 2}), 1001, 1, 12, 0x697bade67f0ac6fbull},
  };
}

INSTANTIATE_TEST_SUITE_P(Systems, SearchDigest, ::testing::ValuesIn(digest_cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace hc

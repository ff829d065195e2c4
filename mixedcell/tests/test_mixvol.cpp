// Determinants of cell matrices and the mixed volume.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MixedCell.h"
#include "fatal.h"

namespace hc {
namespace {

mat<int> from_rows(int n, const std::vector<int>& rows) {
  mat<int> a(n, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a(i, j) = rows[static_cast<std::size_t>((i - 1) * n + (j - 1))];
  return a;
}

TEST(Intmatdet, Table) {
  struct c {
    const char* name;
    int n;
    std::vector<int> rows;
    long long det;
    std::string text;
  };
  const std::vector<c> cases = {
      {"identity permutation", 3, {0, 1, 0, 0, 0, 1, 1, 0, 0}, 1, ""},
      {"unimodular", 3, {2, 3, 1, 1, 2, 1, 1, 1, 1}, 1, ""},
      {"diag 2 -3", 2, {2, 0, 0, -3}, 6, ""},
      {"dense", 3, {4, 7, 2, 3, 6, 1, 2, 5, 3}, 9, ""},
      {"large entries", 2, {1000, 999, 7, 13}, 6007, ""},
      {"one by one", 1, {-5}, 5, ""},
      {"zero row", 3, {1, 2, 3, 0, 0, 0, 4, 5, 6}, 0, "  det = 0 !  \n"},
      // Only the last diagonal entry ends at 0, with an entry of modulus above
      // 3 to its left: no text, and no division by that 0.
      {"singular in the last entry", 2, {1, 0, 5, 0}, 0, ""},
      {"singular, rank one", 2, {2, 4, 3, 6}, 0, ""},
  };
  for (const c& t : cases) {
    SCOPED_TRACE(t.name);
    mat<int> a = from_rows(t.n, t.rows);
    long long det = -1;
    ::testing::internal::CaptureStdout();
    intmatdet(t.n, a, det);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), t.text);
    EXPECT_EQ(det, t.det);
  }
}

// Two cells of a two-equation system in the caller's layout.
TEST(Mixvol, SumsAbsoluteDeterminants) {
  // Terms: eq 1 columns 1..3, eq 2 columns 4..6.
  mat<int> supp(2, 6);
  const int cols[6][2] = {{2, 0}, {0, 1}, {0, 0}, {0, 3}, {1, 0}, {0, 0}};
  for (int k = 1; k <= 6; ++k)
    for (int r = 1; r <= 2; ++r) supp(r, k) = cols[k - 1][r - 1];
  mat<int> mcl(2, 4);
  mcl(1, 1) = 1;
  mcl(1, 2) = 3;
  mcl(2, 1) = 4;
  mcl(2, 2) = 6;  // diag(2, 3): 6
  mcl(1, 3) = 1;
  mcl(1, 4) = 2;
  mcl(2, 3) = 5;
  mcl(2, 4) = 6;  // (2,-1; 1,0): 1
  vec<int> stdet(2);
  long long mv = -1;
  mixvol(2, 6, 2, supp, mcl, stdet, mv);
  EXPECT_EQ(stdet(1), 6);
  EXPECT_EQ(stdet(2), 1);
  EXPECT_EQ(mv, 7);

  // The two terms of one row exchanged: the row changes sign, |det| does not.
  std::swap(mcl(2, 1), mcl(2, 2));
  mixvol(2, 6, 2, supp, mcl, stdet, mv);
  EXPECT_EQ(stdet(1), 6);
  EXPECT_EQ(mv, 7);

  mixvol(2, 6, 0, supp, mcl, stdet, mv);
  EXPECT_EQ(mv, 0);
}

// A mixed volume beyond the paths a run can number stops the program.
TEST(MixvolDeathTest, TooManyPaths) {
  mat<int> supp(2, 4, 0);
  supp(1, 1) = 50000;
  supp(2, 3) = 50000;
  mat<int> mcl(2, 2);
  mcl(1, 1) = 1;
  mcl(1, 2) = 2;
  mcl(2, 1) = 3;
  mcl(2, 2) = 4;
  vec<int> stdet(1);
  long long mv = 0;
  EXPECT_EXIT(mixvol(2, 4, 1, supp, mcl, stdet, mv), ::testing::ExitedWithCode(status::size),
              "mixed volume: more than 2147483647");
}

}  // namespace
}  // namespace hc

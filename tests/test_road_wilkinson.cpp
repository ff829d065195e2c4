// The whole road on Wilkinson polynomials W_N(x) = (x-1)(x-2)...(x-N),
// expanded: integer coefficients up to 1e13 and roots whose values are
// rounding noise far above any absolute residual bound.  The roots are the
// integers 1..N, so every written point is judged against them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "road.h"
#include "wilkinson.h"

namespace hc::test {
namespace {

// Runs per option: each draws other start coefficients.
constexpr int kRuns12 = 10, kRuns16 = 5;
// Every written point lies this close to its integer.
constexpr double kNear = 1e-6;

// W_N in ordinary notation; with `points` each coefficient is written with
// a trailing point (exact below 2^53), else as an integer literal.
std::string wilkinson(int N, bool points) {
  const std::vector<double> c = wilkinson_coefficients(N);
  std::string s;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const int e = N - static_cast<int>(i);
    char lit[40];
    std::snprintf(lit, sizeof lit, "%.0f%s", c[i], points ? "." : "");
    s += std::string(i ? " + " : "") + "(" + lit + ")" + (e > 0 ? "*x^" + std::to_string(e) : "");
  }
  return s + "\n";
}

// The integers that the points of one run approximate; each point must lie
// within `kNear` of its integer.
std::multiset<int> integers_written(const road_result& r, int N) {
  std::multiset<int> ks;
  for (const root_record& root : r.roots) {
    const std::complex<double> x = root.x[0];
    const int k = static_cast<int>(std::lround(x.real()));
    EXPECT_TRUE(1 <= k && k <= N) << "a point " << x << " far from every root";
    if (k < 1 || k > N) continue;
    EXPECT_LE(std::abs(x - std::complex<double>(k, 0)), kNear)
        << "root " << k << " written as " << x;
    ks.insert(k);
  }
  return ks;
}

class road_wilkinson : public ::testing::TestWithParam<int> {};

// W_12 with its integer coefficients: all 12 roots, each once and within
// 1e-6 of its integer, on every run.
TEST_P(road_wilkinson, Degree12KeepsEveryRoot) {
  const int option = GetParam();
  for (int run = 1; run <= kRuns12; ++run) {
    SCOPED_TRACE("option " + std::to_string(option) + ", run " + std::to_string(run));
    temp_dir dir;
    const road_result r = run_road(dir, wilkinson(12, false), 1, option);
    expect_consistent_run(r, 12, 1e300);
    const std::multiset<int> ks = integers_written(r, 12);
    EXPECT_EQ(ks.size(), 12u);
    EXPECT_EQ(std::set<int>(ks.begin(), ks.end()).size(), 12u) << "a root written twice";
  }
}

// W_16, its coefficients written with a trailing point (several exceed 32
// bits): the tracker gives up the paths to the largest roots and ends some
// paths on points that are no roots, but the writer keeps at least 6
// distinct roots on every run and writes no point that is not a root: each
// lies within 1e-6 of its integer, although values computed in double
// leave roots 6 to 16 only within 8e-7 to 1.5e-4 of it (the writer refines
// those with values in double-double).  The path of root 8 ends on root 7
// on every run, 1e-7 to 2e-6 from the end of root 7's own path; the root is
// written once.
TEST_P(road_wilkinson, Degree16KeepsOnlyRoots) {
  const int option = GetParam();
  for (int run = 1; run <= kRuns16; ++run) {
    SCOPED_TRACE("option " + std::to_string(option) + ", run " + std::to_string(run));
    temp_dir dir;
    const road_result r = run_road(dir, wilkinson(16, true), 1, option);
    expect_consistent_run(r, 16, 1e300);
    const std::multiset<int> ks = integers_written(r, 16);
    EXPECT_GE(std::set<int>(ks.begin(), ks.end()).size(), 6u);
    EXPECT_EQ(std::set<int>(ks.begin(), ks.end()).size(), ks.size()) << "a root written twice";
  }
}

INSTANTIATE_TEST_SUITE_P(options, road_wilkinson, ::testing::Values(1, 2));

}  // namespace
}  // namespace hc::test

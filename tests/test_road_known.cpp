// The whole road under both homotopies on systems whose roots are known:
// the polyhedral homotopy follows as many paths as the mixed volume of the
// supports, whatever the random lifting, the linear homotopy as many as the
// product of the degrees, and every isolated root is found.  The start
// coefficients come from the clock, so every case runs several times and
// only what holds for every draw is checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "road.h"
#include "standard_systems.h"

namespace hc::test {
namespace {

// Runs per case and homotopy: each run draws other start coefficients (and
// another lifting).
constexpr int kRuns = 3;
// A polished root of a well-conditioned system has a residual near rounding.
constexpr double kResidualTol = 1e-8;
// The cases of the table below (the test suite is instantiated before the
// table may be built).
constexpr std::size_t kCases = 10;

struct known_case {
  const char* name;
  std::string system;
  int n;
  long long mv;     // mixed volume: the paths of the polyhedral homotopy
  long long tdeg;   // product of the degrees: the paths of the linear one
  long long roots;  // isolated roots (all of them found), or -1 where only
                    // the paths are asserted
  std::vector<std::vector<std::complex<double>>> points;  // when given, compared one by one
  double point_tol;                                       // relative
};

const std::vector<known_case>& cases() {
  using c = std::complex<double>;
  // clang-format off
  static const std::vector<known_case> all = {
      {"circle and hyperbola", "x^2 + y^2 - 5; x*y - 2", 2, 4, 4, 4,
       {{c(1), c(2)}, {c(2), c(1)}, {c(-1), c(-2)}, {c(-2), c(-1)}}, 1e-10},
      {"complex roots", "x^2 + 1; y^2 - 2*i*y - 2", 2, 4, 4, 4,
       {{c(0, 1), c(1, 1)}, {c(0, 1), c(-1, 1)}, {c(0, -1), c(1, 1)}, {c(0, -1), c(-1, 1)}},
       1e-10},
      // x y = 1 and x y + x = 2 meet only at (1, 1): the mixed volume is 1,
      // and three of the four linear paths go to infinity.
      {"roots at infinity", "x*y - 1; x*y + x - 2", 2, 1, 4, 1, {{c(1), c(1)}}, 1e-10},
      // Coefficients from 1e-8 to 1e8 and roots of modulus 1e4: the
      // scaling brings both near 1 before the paths are followed.
      {"wide coefficients", "x^2 - 1.e+08; 1.e-08*x*y - 1", 2, 2, 4, 2,
       {{c(1e4), c(1e4)}, {c(-1e4), c(-1e4)}}, 1e-10},
      // A binomial system x^A = c: |det A| = |2*3 - 1*1| = 5 roots.
      {"binomial", "x^2*y - 3; x*y^3 + 2", 2, 5, 12, 5, {}, 0},
      {"katsura-5", text(katsura(5)), 6, 32, 32, 32, {}, 0},
      {"cyclic-5", text(cyclic(5)), 5, 70, 120, 70, {}, 0},
      {"cyclic-6", text(cyclic(6)), 6, 156, 720, 156, {}, 0},
      {"eco-6", text(eco(6)), 6, 16, 162, 16, {}, 0},
      {"noon-4", text(noon(4)), 4, 73, 81, -1, {}, 0},
  };
  // clang-format on
  return all;
}

// The largest distance of a coordinate relative to the modulus of b's.
double rel_dist(const std::vector<std::complex<double>>& a,
                const std::vector<std::complex<double>>& b) {
  double d = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double scale = std::abs(b[i]) > 0 ? std::abs(b[i]) : 1.0;
    d = std::max(d, std::abs(a[i] - b[i]) / scale);
  }
  return d;
}

// (case, option): option 1 the polyhedral homotopy, 2 the linear one.
class road_known : public ::testing::TestWithParam<std::tuple<int, int>> {};

// A path can fail on an unlucky draw of the start coefficients (given up by
// the corrector or the end game), and its root is then missing from that
// run.  What holds for every draw: the number of paths, every root written
// is a distinct root of the system with a small residual, the counts
// agree, and no known point is written twice.  Over the runs together,
// every root is found: a run that finds them all is checked point by point.
TEST_P(road_known, FollowsItsPathsAndFindsEveryRoot) {
  ASSERT_EQ(cases().size(), kCases);
  const known_case& k = cases()[static_cast<std::size_t>(std::get<0>(GetParam()))];
  const int option = std::get<1>(GetParam());
  SCOPED_TRACE(std::string(k.name) + ", option " + std::to_string(option));
  const long long paths = option == 1 ? k.mv : k.tdeg;
  const long long most = k.roots >= 0 ? k.roots : paths;
  long long best = 0;
  for (int run = 1; run <= kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    temp_dir dir;
    const road_result r = run_road(dir, k.system, k.n, option);
    expect_consistent_run(r, paths, kResidualTol);
    EXPECT_NE(r.solve.out.find(option == 1 ? " The polyhedral homotopy method\n"
                                           : " The classical linear homotopy\n"),
              std::string::npos);
    EXPECT_LE(r.nroot, most);
    for (std::size_t a = 0; a < r.roots.size(); ++a)
      for (std::size_t b = a + 1; b < r.roots.size(); ++b)
        EXPECT_GT(rel_dist(r.roots[a].x, r.roots[b].x), 1e-6) << a << " and " << b;
    for (const auto& p : k.points) {
      int found = 0;
      for (const root_record& root : r.roots)
        if (rel_dist(root.x, p) < k.point_tol) ++found;
      EXPECT_LE(found, 1) << "point " << p[0] << ", " << p[1];
      if (r.nroot == k.roots) {
        EXPECT_EQ(found, 1) << "point " << p[0] << ", " << p[1];
      }
    }
    best = std::max(best, r.nroot);
  }
  if (k.roots >= 0) {
    EXPECT_EQ(best, k.roots) << "no run found every root";
  }
}

INSTANTIATE_TEST_SUITE_P(known, road_known,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(kCases)),
                                            ::testing::Values(1, 2)));

}  // namespace
}  // namespace hc::test

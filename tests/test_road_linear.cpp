// The whole road with the classical linear homotopy on systems whose roots
// are known.  The start coefficients come from the clock, so every system
// runs several times and only what holds for every seed is checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "road.h"
#include "standard_systems.h"

namespace hc::test {
namespace {

// Runs per system: each run draws other start coefficients.
constexpr int kRuns = 3;
// A polished root of a well-conditioned system has a residual near rounding.
constexpr double kResidualTol = 1e-8;

struct known_case {
  const char* name;
  std::string system;
  int n;
  long long paths;                                        // the product of the degrees
  long long roots;                                        // isolated roots (all of them found)
  std::vector<std::vector<std::complex<double>>> points;  // when given, compared one by one
  double point_tol;                                       // relative
};

const std::vector<known_case>& cases() {
  using c = std::complex<double>;
  // clang-format off
  static const std::vector<known_case> all = {
      {"circle and hyperbola", "x^2 + y^2 - 5; x*y - 2", 2, 4, 4,
       {{c(1), c(2)}, {c(2), c(1)}, {c(-1), c(-2)}, {c(-2), c(-1)}}, 1e-10},
      {"complex roots", "x^2 + 1; y^2 - 2*i*y - 2", 2, 4, 4,
       {{c(0, 1), c(1, 1)}, {c(0, 1), c(-1, 1)}, {c(0, -1), c(1, 1)}, {c(0, -1), c(-1, 1)}},
       1e-10},
      // x y = 1 and x y + x = 2 meet only at (1, 1); the other three paths
      // go to infinity.
      {"roots at infinity", "x*y - 1; x*y + x - 2", 2, 4, 1, {{c(1), c(1)}}, 1e-10},
      // Coefficients from 1e-8 to 1e8 and roots of modulus 1e4: the
      // scaling brings both near 1 before the paths are followed.
      {"wide coefficients", "x^2 - 1.e+08; 1.e-08*x*y - 1", 2, 4, 2,
       {{c(1e4), c(1e4)}, {c(-1e4), c(-1e4)}}, 1e-10},
      {"katsura-5", text(katsura(5)), 6, 32, 32, {}, 0},
      {"cyclic-5", text(cyclic(5)), 5, 120, 70, {}, 0},
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

class road_linear : public ::testing::TestWithParam<int> {};

// A path can fail on an unlucky draw of the start coefficients (given up by
// the corrector or the end game), and its root is then missing from that
// run.  What holds for every draw: every root written is a distinct root of
// the system with a small residual, the counts agree, and no known point is
// written twice.  Over the runs together, every root is found: a run that
// finds them all is checked point by point.
TEST_P(road_linear, FindsEveryRoot) {
  const known_case& k = cases()[static_cast<std::size_t>(GetParam())];
  SCOPED_TRACE(k.name);
  long long best = 0;
  for (int run = 1; run <= kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    temp_dir dir;
    const road_result r = run_road(dir, k.system, k.n, 2);
    expect_consistent_run(r, k.paths, kResidualTol);
    EXPECT_LE(r.nroot, k.roots);
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
  EXPECT_EQ(best, k.roots) << "no run found every root";
}

INSTANTIATE_TEST_SUITE_P(known, road_linear, ::testing::Range(0, 6));

// The summary's layout, to the character, apart from the counts and the time.
TEST(road_summary, LayoutOfTheLinearRun) {
  temp_dir dir;
  const road_result r = run_road(dir, "x^2 + y^2 - 5; x*y - 2", 2, 2);
  const std::string& out = r.solve.out;
  const std::string head =
      " Please enter the option of homotopy method\n"
      "   1. The polyhedral homotopy\n"
      "   2. The classical linear homotopy\n"
      " The classical linear homotopy\n"
      " The # of paths followed  =          4\n"
      " \n"
      " The # of roots =               4\n"
      " The # of real roots =          4\n"
      " The # of blow_up =          0  (before endgame)\n"
      " The running time : ";
  EXPECT_EQ(out.substr(0, head.size()), head);
  const auto tail = out.find(" s\n The solutions are listed in file \"data.roots\"\n \n");
  ASSERT_NE(tail, std::string::npos);
  EXPECT_EQ(tail, head.size() + 16) << "the time is a field of 16 characters";
  const std::string trailer =
      "  The order of variables : \n x\n y\n \n"
      " ===============>   ZARVIK-2.0   <===============\n"
      " The # of roots      =        4\n"
      " The # of real roots =        4\n"
      " The # of paths followed =        4\n"
      " The # of blow_up        =        0  (before endgame)\n \n";
  EXPECT_NE(r.roots_file.find(trailer), std::string::npos) << r.roots_file;
}

}  // namespace
}  // namespace hc::test

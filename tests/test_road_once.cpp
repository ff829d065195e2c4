// Every root once: on systems where paths that go to infinity, or several
// paths, end on one finite root, the duplicate check re-tracks them until
// each root is written once.  Runs draw their start coefficients from the
// clock; what holds for every draw is checked on every run: no
// well-conditioned root written twice, the counts of the summary equal to
// the roots written, every root a root of the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "road.h"
#include "standard_systems.h"

namespace hc::test {
namespace {

using cx = std::complex<double>;

// The largest distance of a coordinate relative to the point's size.
double rel_dist(const std::vector<cx>& a, const std::vector<cx>& b) {
  double d = 0, size = 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    d = std::max(d, std::abs(a[i] - b[i]));
    size = std::max(size, std::abs(b[i]));
  }
  return d / size;
}

int copies_of(const road_result& r, const std::vector<cx>& p) {
  int found = 0;
  for (const root_record& root : r.roots)
    if (rel_dist(root.x, p) < 1e-6) ++found;
  return found;
}

struct once_case {
  const char* name;
  std::string system;
  int n, option, runs;
  long long paths, roots;             // roots: every isolated root (a run may miss some)
  bool all_every_run;                 // every root found on every run
  std::vector<std::vector<cx>> once;  // written exactly once on every run
  std::vector<cx> multiple;           // a singular root, which may be written more than once
};

const std::vector<once_case>& cases() {
  static const std::vector<once_case> all = {
      // A path to infinity was pulled onto (1, 1) and written with it.
      {"0*x^2 + y - 1; x - y", "0*x^2 + y - 1; x - y", 2, 2, 6, 2, 1, true, {{cx(1), cx(1)}}, {}},
      // The simple root (-2, -1) was written three times; the double root
      // (1, 2) is reached by two paths and may stay twice.
      {"(x-1)^2 (y+1); (y-2)(x+2)",
       "(x-1)^2*(y+1); (y-2)*(x+2)",
       2,
       2,
       6,
       6,
       2,
       false,
       {{cx(-2), cx(-1)}},
       {cx(1), cx(2)}},
      {"cyclic-6, linear", text(cyclic(6)), 6, 2, 4, 720, 156, false, {}, {}},
      {"cyclic-6, polyhedral", text(cyclic(6)), 6, 1, 2, 156, 156, false, {}, {}},
      // 20 to 40 paths to infinity were pulled onto large roots on every run.
      {"cyclic-7, linear", text(cyclic(7)), 7, 2, 2, 5040, 924, false, {}, {}},
  };
  return all;
}

class road_once : public ::testing::TestWithParam<int> {};

TEST_P(road_once, NoRootWrittenTwice) {
  const once_case& k = cases()[static_cast<std::size_t>(GetParam())];
  SCOPED_TRACE(k.name);
  for (int run = 1; run <= k.runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    temp_dir dir;
    const road_result r = run_road(dir, k.system, k.n, k.option);
    expect_consistent_run(r, k.paths, 1e-8);
    for (const auto& p : k.once) EXPECT_EQ(copies_of(r, p), 1) << p[0] << ", " << p[1];
    // The other roots are distinct: a copy would be a point within 1e-6 of
    // another.
    int copies = 0, singular = 0;
    for (std::size_t a = 0; a < r.roots.size(); ++a) {
      if (!k.multiple.empty() && rel_dist(r.roots[a].x, k.multiple) < 1e-4) {
        ++singular;
        continue;
      }
      for (std::size_t b = a + 1; b < r.roots.size(); ++b)
        if (rel_dist(r.roots[a].x, r.roots[b].x) < 1e-6) ++copies;
    }
    EXPECT_EQ(copies, 0);
    EXPECT_LE(r.nroot - singular + (singular > 0 ? 1 : 0), k.roots);
    if (k.all_every_run) {
      EXPECT_EQ(r.nroot, k.roots);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(known, road_once, ::testing::Range(0, 5));

}  // namespace
}  // namespace hc::test

// The writer of data.witness: its records to the character, and which end
// points it writes, on small embedded systems whose roots are chosen first
// (the classifier's outcomes one by one: test_WitClassify.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "LinTool.h"
#include "WitSlice.h"
#include "WrtSol_W.h"
#include "proc.h"
#include "quad_types.h"
#include "scoped.h"
#include "sysprep.h"

namespace hc {
namespace {

// The root of the fixture's given variables; its x1 has an imaginary part
// of 1e-16, which a point record writes as 0.
const cplx kX1(1.5, 1e-16), kX2(-2.5, 3.0);

// N = 3, n = 2, k = 1: x1^p - X1^p, x2 - X2, z - z0, with p = 1 (a regular
// root) or p = 2 and X1 = 0 (a double root, singular Jacobian).
struct fixture {
  int N = 3, M = 6, n = 2, k = 1;
  vec<int> nm{2, 2, 2};
  mat<int> supp{3, 6, 0};
  vec<cplx> coef = vec<cplx>(6);
  mat<cplx> zcoef{2, 1}, lcoef{1, 3};
  vec<std::string> var{std::string("x") + std::string(19, ' '),
                       std::string("yy") + std::string(18, ' ')};
  fixture(cplx z0, bool singular = false) {
    supp(1, 1) = singular ? 2 : 1;
    supp(2, 3) = 1;
    supp(3, 5) = 1;
    coef(1) = 1.0;
    coef(2) = singular ? cplx(0, 0) : -kX1;
    coef(3) = 1.0;
    coef(4) = -kX2;
    coef(5) = 1.0;
    coef(6) = -z0;
    // Written as they are: 1e-16 stays in a coefficient record.
    zcoef(1, 1) = cplx(1e-16, 1.0);
    zcoef(2, 1) = cplx(0.0, -1.0);
    lcoef(1, 1) = cplx(0.5, 0.25);
    lcoef(1, 2) = cplx(-1.0, 0.0);
    lcoef(1, 3) = cplx(0.0, 2.0);
  }
};

struct written {
  std::string text;
  int nwitness;
};

// The end points cols, then the last points lost of paths that gave none.
written write(const fixture& f, const std::vector<std::vector<cplx>>& cols,
              const std::vector<std::vector<cplx>>& lost = {}) {
  const int nroot = static_cast<int>(cols.size()), nlost = static_cast<int>(lost.size());
  mat<cplx> sol(f.N, std::max(nroot + nlost, 1));
  for (int j = 1; j <= nroot + nlost; ++j)
    for (int i = 1; i <= f.N; ++i)
      sol(i, j) =
          (j <= nroot
               ? cols[static_cast<std::size_t>(j - 1)]
               : lost[static_cast<std::size_t>(j - nroot - 1)])[static_cast<std::size_t>(i - 1)];
  mat<cplx> before = sol;
  std::ostringstream out;
  int nwitness = -1;
  write_witness(out, f.N, f.M, f.n, f.k, nroot, nwitness, f.supp, f.coef, f.nm, sol, f.zcoef,
                f.lcoef, f.var, nlost);
  for (int j = 1; j <= nroot + nlost; ++j)
    for (int i = 1; i <= f.N; ++i)  // bit for bit, NaN included: sol is only read
      EXPECT_EQ(std::memcmp(&sol(i, j), &before(i, j), sizeof(cplx)), 0);
  return {out.str(), nwitness};
}

std::string tail(int k, int nwitness) {
  std::string s =
      " \n"
      "  The coefficients of witness homotopy  : \n"
      "(  9.9999999999999998E-17 ,  1.0000000000000000E+00)\n"
      "(  0.0000000000000000E+00 , -1.0000000000000000E+00)\n"
      "(  5.0000000000000000E-01 ,  2.5000000000000000E-01)\n"
      "( -1.0000000000000000E+00 ,  0.0000000000000000E+00)\n"
      "(  0.0000000000000000E+00 ,  2.0000000000000000E+00)\n"
      " \n"
      "  The order of variables : \n"
      " x\n"
      " yy\n"
      " \n"
      " ===============>   ZARVIK_Witness  <===============\n";
  char buf[128];
  std::snprintf(buf, sizeof buf, " The # of hyperplanes    = %8d\n The # of witness points = %8d\n",
                k, nwitness);
  s += buf;
  s += " \n";
  for (const char* line : witness_banner) s += std::string(" ") + line + "\n";
  s += " \n";
  return s;
}

const char* const kPointRecords =
    "(  1.5000000000000000E+00 ,  0.0000000000000000E+00)\n"
    "( -2.5000000000000000E+00 ,  3.0000000000000000E+00)\n"
    "(  0.0000000000000000E+00 ,  0.0000000000000000E+00)\n"
    " ------------------------------- \n";

TEST(write_witness, NoEndPointsStillWritesTheSlicingAndCounts) {
  fixture f(0.0);
  written w = write(f, {});
  EXPECT_EQ(w.text, tail(1, 0));
  EXPECT_EQ(w.nwitness, 0);
}

TEST(write_witness, PointsOnTheSliceToTheCharacterAndCopiesWrittenOnce) {
  fixture f(0.0);
  // The root itself, and an end point off it by exactly representable
  // amounts, with a slack of rounding size, that Newton on the slice of the
  // linear system brings back exactly.
  const std::vector<cplx> root{kX1, kX2, 0.0};
  const std::vector<cplx> off{kX1 + 0.25, kX2 + cplx(0, 0.5), cplx(1e-14, 0)};
  written w = write(f, {off});
  EXPECT_EQ(w.nwitness, 1);
  EXPECT_EQ(w.text, std::string(kPointRecords) + tail(1, 1));
  // Two end points at one witness point: one point written, and counted.
  w = write(f, {root, off});
  EXPECT_EQ(w.nwitness, 1);
  EXPECT_EQ(w.text, std::string(kPointRecords) + tail(1, 1));
}

// The end points the tests reject and the last points of the paths that gave
// none: from each, Newton on the slice (slack 0) looks for a witness point,
// and one found there and nowhere before is written, with its slack 0.
TEST(write_witness, WitnessPointsFoundOnTheSliceFromLostPaths) {
  const std::vector<cplx> root{kX1, kX2, 0.0};
  const std::vector<cplx> near{kX1 * 1.01, kX2 + cplx(0.01, 0), cplx(0.3, 0)};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct row {
    const char* what;
    cplx z0;  // the system's own slack root: 0 puts its root on the slice
    std::vector<std::vector<cplx>> ends, lost;
    int expect;
  };
  // clang-format off
  const std::vector<row> rows = {
      {"a lost path near the point", 0.0, {}, {near}, 1},
      {"two lost paths near it", 0.0, {}, {near, near}, 1},
      {"an end point there already", 0.0, {root}, {near}, 1},
      {"an end point near it with a slack of rounding size", 0.0,
       {{near[0], near[1], cplx(1e-14, 0)}}, {}, 1},
      // A slack that the given equations' rounding cannot explain: a root of
      // the embedded system off the slice, not tried on it.
      {"an end point near it with a slack far from 0", 0.0, {near}, {}, 0},
      {"the root off the slice: nothing on it", cplx(0.0, 0.5), {}, {near}, 0},
      {"a lost point of NaN", 0.0, {}, {{cplx(nan, 0), kX2, 0.0}}, 0},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const fixture f(r.z0);
    const written w = write(f, r.ends, r.lost);
    EXPECT_EQ(w.nwitness, r.expect);
    ASSERT_EQ(w.text.size(), r.expect * (3 * 53u + 34u) + tail(1, r.expect).size());
    if (r.expect == 0) continue;
    double re1 = 0, im1 = 0, re2 = 0, im2 = 0;
    ASSERT_EQ(std::sscanf(w.text.c_str(), "(%lf ,%lf)\n(%lf ,%lf)", &re1, &im1, &re2, &im2), 4);
    EXPECT_LT(std::abs(cplx(re1, im1) - kX1), 1e-15);
    EXPECT_LT(std::abs(cplx(re2, im2) - kX2), 1e-15);
    EXPECT_EQ(w.text.substr(2 * 53, 53), "(  0.0000000000000000E+00 ,  0.0000000000000000E+00)\n");
  }
}

// A point is written when Newton on the slice (slack 0) accepts a regular
// point there: the fixture's root (X1, X2, z0) lies on the slice only for
// z0 = 0.  (Before the one classifier the writer accepted slacks up to
// max(1e-9, 1e-8 times the size of the hyperplane's terms) and wrote the
// end point with its slack; the root off the slice by 1e-9 was written.)
TEST(write_witness, AcceptanceOnTheSlice) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // The rounding of the given equations at the root, |X1| + |kX1| + ...:
  // an end point slack this many eps times the largest is in noise.
  const double noise = 1e4 * 2.220446049250313e-16 * (2 * std::abs(kX2));
  struct row {
    const char* what;
    cplx z0;  // the root's slack
    bool singular;
    cplx start_x1, start_z;
    int expect;
  };
  const std::vector<row> rows = {
      {"the root on the slice", 0.0, false, kX1, 0.0, 1},
      {"an end point with a slack within the rounding of its equations", 0.0, false, kX1,
       0.5 * noise, 1},
      {"an end point with a slack beyond it: not tried on the slice", 0.0, false, kX1,
       2 * noise, 0},
      {"the root off the slice by 1e-9", cplx(1e-9, 0), false, kX1, cplx(1e-9, 0), 0},
      {"slack far from 0", cplx(0.0, 0.5), false, kX1, cplx(0.0, 0.5), 0},
      {"double root: singular Jacobian", 0.0, true, cplx(1e-3, 0), 0.0, 0},
      {"NaN point", 0.0, false, cplx(nan, 0), 0.0, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    fixture f(r.z0, r.singular);
    written w = write(f, {{r.start_x1, kX2, r.start_z}});
    EXPECT_EQ(w.nwitness, r.expect);
    EXPECT_EQ(w.text.size() - tail(1, r.expect).size(), r.expect == 0 ? 0u : 3 * 53u + 34u);
    EXPECT_EQ(w.text.substr(w.text.size() - tail(1, r.expect).size()), tail(1, r.expect));
    if (r.expect == 1) {
      EXPECT_EQ(w.text.substr(0, 3 * 53u + 34u), kPointRecords);
    }
  }
}

// The rule does not depend on the scale of the equations: the fixture with
// its equations multiplied by 1e8, 1 and 1e-3 (unscaled, the Jacobian's
// singular values then span 11 orders) writes its root all the same, and a
// slack of rounding size relative to the largest equation is in noise.
TEST(write_witness, AcceptanceDoesNotDependOnTheScaleOfTheEquations) {
  for (const double s1 : {1e8, 1.0, 1e-3}) {
    SCOPED_TRACE("first equation times " + std::to_string(s1));
    fixture f(0.0);
    const double rs[3] = {s1, 1.0, 1e-3};
    for (int t = 1; t <= 6; ++t) f.coef(t) *= rs[(t - 1) / 2];
    const written w = write(f, {{kX1 + 0.25, kX2, cplx(1e-15 * std::max(s1, 1.0), 0)}});
    EXPECT_EQ(w.nwitness, 1);
    EXPECT_EQ(w.text, std::string(kPointRecords) + tail(1, 1));
  }
}

TEST(wrtsln_w, WritesDataWitnessInTheWorkingDirectory) {
  namespace fs = std::filesystem;
  const test::temp_dir dir;
  ASSERT_TRUE(fs::is_empty(dir.path()));  // whatever is read below is the writer's
  const test::scoped_folder inside(dir.path());
  ASSERT_TRUE(fs::equivalent(fs::current_path(), dir.path()));
  test::spit(dir / "data.witness", "stale text that must disappear, longer than nothing\n");
  fixture f(0.0);
  mat<cplx> sol(3, 1);
  sol(1, 1) = kX1;
  sol(2, 1) = kX2;
  int nwitness = -1;
  wrtsln_w(f.N, f.M, f.n, f.k, 1, nwitness, f.supp, f.coef, f.nm, sol, f.zcoef, f.lcoef, f.var);
  const std::string want = std::string(kPointRecords) + tail(1, 1);
  ASSERT_TRUE(fs::exists(dir / "data.witness"));
  EXPECT_EQ(fs::file_size(dir / "data.witness"), want.size());
  EXPECT_EQ(test::slurp(dir / "data.witness"), want);
  EXPECT_EQ(nwitness, 1);
}

}  // namespace
}  // namespace hc

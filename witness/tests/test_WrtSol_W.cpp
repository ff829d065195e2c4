// The writer of data.witness: its records to the character, and which end
// points it accepts, on small embedded systems whose roots are chosen first.
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

TEST(write_witness, PolishedPointsToTheCharacterAndCopiesWrittenOnce) {
  fixture f(0.0);
  // The root itself, and a point off it by exactly representable amounts
  // that the Newton polish of the linear system brings back exactly.
  const std::vector<cplx> root{kX1, kX2, 0.0};
  const std::vector<cplx> off{kX1 + 0.25, kX2 + cplx(0, 0.5), cplx(0.125, 0)};
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
      {"an end point near it", 0.0, {near}, {}, 1},
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

TEST(write_witness, AcceptanceBySlackAndConditioning) {
  // The slack bound at the root (1.5, -2.5 + 3i) of the fixture: 1e-8 times
  // |0.5 + 0.25i| 1.5 + |X2| + |2i|, the size of the hyperplane's terms.
  const double at = 1e-8 * (std::abs(cplx(0.5, 0.25)) * std::abs(kX1) + std::abs(kX2) + 2.0);
  const double above = 1.0001 * at;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct row {
    const char* what;
    cplx z0;
    bool singular;
    cplx start_x1;
    int expect;
  };
  const std::vector<row> rows = {
      {"slack 1e-9: within any bound", cplx(1e-9, 0), false, kX1, 1},
      {"slack just below the bound relative to the point", cplx(0.9999 * at, 0), false, kX1, 1},
      {"slack just above the bound relative to the point", cplx(above, 0), false, kX1, 0},
      {"slack far from 0", cplx(0.0, 0.5), false, kX1, 0},
      {"double root: singular Jacobian", cplx(0, 0), true, cplx(1e-3, 0), 0},
      {"NaN point: the polish fails", cplx(0, 0), false, cplx(nan, 0), 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    fixture f(r.z0, r.singular);
    written w = write(f, {{r.start_x1, kX2, r.z0}});
    EXPECT_EQ(w.nwitness, r.expect);
    EXPECT_EQ(w.text.size() - tail(1, r.expect).size(), r.expect == 0 ? 0u : 3 * 53u + 34u);
    EXPECT_EQ(w.text.substr(w.text.size() - tail(1, r.expect).size()), tail(1, r.expect));
  }
}

// The slack bound follows the size of the hyperplane's terms at the point
// (1e-8 of it, never below 1e-9), and a well-conditioned point stays well
// conditioned whatever the scale of its equations.
TEST(write_witness, TestsAreRelativeToThePoint) {
  mat<cplx> lcoef(1, 3);
  lcoef(1, 1) = cplx(0.6, 0.8);
  lcoef(1, 2) = cplx(0, -1);
  lcoef(1, 3) = cplx(1, 0);
  struct slack_row {
    cplx x1, x2;
    double bound;
  } slack_rows[] = {{0.0, 0.0, 1e-8},
                    {-1e-3, 0.0, 1.001e-8},
                    {1000.0, cplx(0, 2000), 1e-8 * 3001},
                    {3.0, 4.0, 8e-8}};
  for (const slack_row& r : slack_rows) {
    vec<cplx> x{r.x1, r.x2, 0.0};
    EXPECT_NEAR(slack_bound(2, 1, x.ref(), lcoef.ref()), r.bound, 1e-15 * r.bound);
    x(3) = 0.999 * r.bound;
    EXPECT_TRUE(is_witness(3, 2, x.ref(), lcoef.ref(), true));
    EXPECT_FALSE(is_witness(3, 2, x.ref(), lcoef.ref(), false));
    x(3) = 1.001 * r.bound;
    EXPECT_FALSE(is_witness(3, 2, x.ref(), lcoef.ref(), true));
  }
  // diag(1e8, 1, 1e-3) times a well-conditioned matrix: equilibrated it is
  // that matrix again up to row factors.
  const double b[3][3] = {{2, 1, 0}, {1, 3, 1}, {0, 1, 2}};
  const double rs[3] = {1e8, 1, 1e-3}, cs[3] = {1, 1, 1};
  mat<cplx> a(3, 3), e(3, 3);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) a(i, j) = rs[i - 1] * b[i - 1][j - 1] * cs[j - 1];
  // The equations' coefficients: rs(i) times 0.5, 1 and -2i.
  vec<int> nm{3, 3, 3};
  vec<cplx> coef(9);
  for (int i = 1; i <= 3; ++i) {
    coef(3 * i - 2) = 0.5 * rs[i - 1];
    coef(3 * i - 1) = rs[i - 1];
    coef(3 * i) = cplx(0, -2 * rs[i - 1]);
  }
  vec<double> scale(3);
  coef_scales(3, nm, coef, scale);
  e = a;
  equilibrate(3, scale, e);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(scale(i), 2 * rs[i - 1]);
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(std::abs(e(i, j)), b[i - 1][j - 1] / 2, 1e-15);
  }
  double ma = 0, mi = 0, mae = 0, mie = 0;
  cqmaxminsv(3, a, ma, mi, 1e-8);
  cqmaxminsv(3, e, mae, mie, 1e-8);
  EXPECT_LT(mi, 1e-8 * ma) << "badly scaled as it stands";
  EXPECT_GT(mie, 1e-2 * mae);
  EXPECT_TRUE(well_conditioned(ma, mi, mae, mie));
  // Singular to rounding after equilibration: rejected, as is a zero matrix.
  EXPECT_FALSE(well_conditioned(1.0, 1e-13, 1.0, 1e-13));
  EXPECT_FALSE(well_conditioned(1e-9, 1e-9, 1.0, 1.0));
  EXPECT_TRUE(well_conditioned(1.0, 2e-8, 1.0, 1e-13));
}

// The plane quartic f = x^4 + y^4 - 3x^2 y + x - 1 given as {f, (x - 2y + 3) f}
// and cut by a line drawn in a run that lost a witness point: the exact
// point of f = 0 on the line near (208.6 + 150.5i, -41.1 - 254.6i), found
// here by Newton in binary128 on {f, line}, is written, although the
// Jacobian of the embedded system there is singular to 1e-14 unscaled and
// to 1e-13 with its rows equilibrated (scaled to the point, 1e-11).
TEST(write_witness, FarPointOfAnEquationGivenWithAMultipleOfIt) {
  using qc = qcplx;
  const cplx l1(3.7855803310697191E-02, 9.9928321218546534E-01),
      l2(7.3545668794282548E-01, 6.7757173801758386E-01),
      l3(1.5236036469598802E-01, 9.8832500690294467E-01);
  qc x(208.59, 150.47), y(-41.10, -254.64);
  const qc q1(l1.real(), l1.imag()), q2(l2.real(), l2.imag()), q3(l3.real(), l3.imag());
  for (int it = 0; it < 30; ++it) {
    const qc f = x * x * x * x + y * y * y * y - qreal(3) * x * x * y + x - qreal(1);
    const qc fx = qreal(4) * x * x * x - qreal(6) * x * y + qreal(1);
    const qc fy = qreal(4) * y * y * y - qreal(3) * x * x;
    const qc g = q1 * x + q2 * y + q3;
    const qc det = fx * q2 - fy * q1;
    x -= (f * q2 - fy * g) / det;
    y -= (fx * g - q1 * f) / det;
  }
  const cplx ex(static_cast<double>(x.real()), static_cast<double>(x.imag())),
      ey(static_cast<double>(y.real()), static_cast<double>(y.imag()));
  ASSERT_NEAR(std::abs(ex - cplx(208.594, 150.468)), 0.0, 1e-2);

  // f's terms, then (x - 2y + 3) f expanded.
  const std::vector<std::pair<std::pair<int, int>, double>> f1 = {
      {{4, 0}, 1}, {{2, 1}, -3}, {{1, 0}, 1}, {{0, 4}, 1}, {{0, 0}, -1}};
  const std::vector<std::pair<std::pair<int, int>, double>> f2 = {
      {{5, 0}, 1},  {{4, 1}, -2}, {{4, 0}, 3}, {{3, 1}, -3}, {{2, 2}, 6},
      {{2, 1}, -9}, {{2, 0}, 1},  {{1, 4}, 1}, {{1, 1}, -2}, {{1, 0}, 2},
      {{0, 5}, -2}, {{0, 4}, 3},  {{0, 1}, 2}, {{0, 0}, -3}};
  suppsys rd;
  rd.n = 2;
  rd.m = static_cast<int>(f1.size() + f2.size());
  rd.nm = vec<int>{static_cast<int>(f1.size()), static_cast<int>(f2.size())};
  rd.supp.assign(2, rd.m, 0);
  rd.coef.assign(rd.m);
  int col = 0;
  for (const auto* eq : {&f1, &f2})
    for (const auto& t : *eq) {
      ++col;
      rd.supp(1, col) = t.first.first;
      rd.supp(2, col) = t.first.second;
      rd.coef(col) = t.second;
    }
  rd.var = vec<std::string>{std::string("x") + std::string(19, ' '),
                            std::string("y") + std::string(19, ' ')};
  mat<cplx> zcoef(2, 1), lcoef(1, 3);
  zcoef(1, 1) = cplx(7.4548090621660446E-01, 6.6652698254944653E-01);
  zcoef(2, 1) = cplx(9.9888713545452423E-01, 4.7164505970645490E-02);
  lcoef(1, 1) = l1;
  lcoef(1, 2) = l2;
  lcoef(1, 3) = l3;
  suppsys emb;
  embed_system(rd, 1, zcoef, lcoef, emb);
  prepared_system sys;
  prepare_system(emb, sys);
  mat<cplx> sol(3, 1);
  sol(1, 1) = ex;
  sol(2, 1) = ey;
  sol(3, 1) = 0.0;
  std::ostringstream out;
  int nwitness = -1;
  write_witness(out, sys.n, sys.m, 2, 1, 1, nwitness, sys.supp, sys.oldcoef, sys.nm, sol, zcoef,
                lcoef, rd.var);
  EXPECT_EQ(nwitness, 1);
  double re = 0, im = 0;
  ASSERT_EQ(std::sscanf(out.str().c_str(), "(%lf ,%lf)", &re, &im), 2);
  EXPECT_LT(std::abs(cplx(re, im) - ex), 1e-12 * std::abs(ex));
  // The same point as the last point of a path given up 1e-3 away from it,
  // and again as an end point: written once, as accurately.
  mat<cplx> two(3, 2);
  two(1, 1) = ex;
  two(2, 1) = ey;
  two(3, 1) = 0.0;
  two(1, 2) = ex * cplx(1.001, 0.001);
  two(2, 2) = ey * cplx(0.999, 0.0);
  two(3, 2) = cplx(0.01, 0.0);
  for (const int nroot : {0, 1}) {
    SCOPED_TRACE(nroot == 0 ? "lost only" : "end point and lost");
    std::ostringstream out2;
    write_witness(out2, sys.n, sys.m, 2, 1, nroot, nwitness, sys.supp, sys.oldcoef, sys.nm,
                  mat_ref<const cplx>(&two(1, 2 - nroot), 3, 1 + nroot), zcoef, lcoef, rd.var, 1);
    EXPECT_EQ(nwitness, 1);
    ASSERT_EQ(std::sscanf(out2.str().c_str(), "(%lf ,%lf)", &re, &im), 2);
    EXPECT_LT(std::abs(cplx(re, im) - ex), 1e-12 * std::abs(ex));
  }
  EXPECT_FALSE(well_conditioned(1.0, 1e-14, 1.0, 1e-13, 1.0, 1e-13)) << "singular in every scaling";
  EXPECT_TRUE(well_conditioned(1.0, 1e-14, 1.0, 1e-13, 1.0, 1e-11));
  EXPECT_FALSE(well_conditioned(1e-9, 1e-9, 1.0, 1.0, 1.0, 1.0)) << "a zero Jacobian";
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

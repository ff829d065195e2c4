// The writer of data.witness: its records to the character, and which end
// points it accepts, on small embedded systems whose roots are chosen first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "WrtSol_W.h"

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

written write(const fixture& f, const std::vector<std::vector<cplx>>& cols) {
  const int nroot = static_cast<int>(cols.size());
  mat<cplx> sol(f.N, nroot);
  for (int j = 1; j <= nroot; ++j)
    for (int i = 1; i <= f.N; ++i)
      sol(i, j) = cols[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
  mat<cplx> before = sol;
  std::ostringstream out;
  int nwitness = -1;
  write_witness(out, f.N, f.M, f.n, f.k, nroot, nwitness, f.supp, f.coef, f.nm, sol, f.zcoef,
                f.lcoef, f.var);
  for (int j = 1; j <= nroot; ++j)
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

TEST(write_witness, PolishedPointsToTheCharacterAndDuplicatesKept) {
  fixture f(0.0);
  // The root itself, and a point off it by exactly representable amounts
  // that the Newton polish of the linear system brings back exactly.
  const std::vector<cplx> root{kX1, kX2, 0.0};
  const std::vector<cplx> off{kX1 + 0.25, kX2 + cplx(0, 0.5), cplx(0.125, 0)};
  written w = write(f, {root, off});
  EXPECT_EQ(w.nwitness, 2);
  EXPECT_EQ(w.text, std::string(kPointRecords) + kPointRecords + tail(1, 2));
}

TEST(write_witness, AcceptanceBySlackAndConditioning) {
  const double at = 1e-9;
  ASSERT_EQ(cabs(cplx(at, 0)), 1e-9);
  const double above = std::nextafter(at, 1.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct row {
    const char* what;
    cplx z0;
    bool singular;
    cplx start_x1;
    int expect;
  };
  const std::vector<row> rows = {
      {"slack exactly 1e-9", cplx(at, 0), false, kX1, 1},
      {"slack just above 1e-9", cplx(above, 0), false, kX1, 0},
      {"slack far from 0", cplx(0.0, 0.5), false, kX1, 0},
      {"double root: singular Jacobian", cplx(0, 0), true, cplx(1e-3, 0), 0},
      {"NaN point: the polish fails", cplx(0, 0), false, cplx(nan, 0), 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    fixture f(r.z0, r.singular);
    written w = write(f, {{r.start_x1, kX2, r.z0}});
    EXPECT_EQ(w.nwitness, r.expect);
    EXPECT_EQ(w.text.size() - tail(1, r.expect).size(),
              r.expect == 0 ? 0u : std::string(kPointRecords).size());
    EXPECT_EQ(w.text.substr(w.text.size() - tail(1, r.expect).size()), tail(1, r.expect));
  }
}

TEST(wrtsln_w, WritesDataWitnessInTheWorkingDirectory) {
  char tmpl[] = "/tmp/wit_writer_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(tmpl), 0);
  {
    std::ofstream stale("data.witness");
    stale << "stale text that must disappear, longer than nothing\n";
  }
  fixture f(0.0);
  mat<cplx> sol(3, 1);
  sol(1, 1) = kX1;
  sol(2, 1) = kX2;
  int nwitness = -1;
  wrtsln_w(f.N, f.M, f.n, f.k, 1, nwitness, f.supp, f.coef, f.nm, sol, f.zcoef, f.lcoef, f.var);
  std::ifstream in("data.witness", std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), std::string(kPointRecords) + tail(1, 1));
  EXPECT_EQ(nwitness, 1);
  std::remove("data.witness");
  ASSERT_EQ(chdir(old), 0);
  rmdir(tmpl);
}

}  // namespace
}  // namespace hc

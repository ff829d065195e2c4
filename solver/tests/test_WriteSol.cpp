// The writer of data.roots: its records to the character, its filters and
// counts, with an evaluator of the tests' own (fake_eval.h).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "WriteSol.h"
#include "fake_eval.h"

namespace hc {
namespace {

const char* const kTrailerHead =
    "  The order of variables : \n"
    " x\n"
    " yy\n"
    " \n"
    " ===============>   ZARVIK-2.0   <===============\n";

struct written {
  std::string text;
  int nroot, nreal;
};

// The system x - root (the fake), Jacobian k I; dat row 5 from skip.
written write(const std::vector<std::vector<cplx>>& cols, const std::vector<cplx>& root, double k,
              std::vector<int> skip = {}, int paths = 4, int blow_up = 2) {
  const int n = static_cast<int>(root.size());
  int nroot = static_cast<int>(cols.size());
  mat<cplx> sol(n, nroot);
  mat<int> dat(6, nroot);
  for (int j = 1; j <= nroot; ++j) {
    for (int i = 1; i <= n; ++i)
      sol(i, j) = cols[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
    if (!skip.empty()) dat(5, j) = skip[static_cast<std::size_t>(j - 1)];
  }
  vec<std::string> var{std::string("x") + std::string(19, ' '),
                       std::string("yy") + std::string(18, ' ')};
  fake::lin_reset(root, cplx(k, 0));
  vec<cplx> coef, cfd;
  std::ostringstream out;
  int nreal = -1;
  write_roots(out, n, 0, nroot, coef, sol, nreal, dat, cfd, blow_up, paths, var, fake::lin_core);
  return {out.str(), nroot, nreal};
}

std::string counts(int roots, int real, int paths, int blow_up) {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                " The # of roots      = %8d\n The # of real roots = %8d\n"
                " The # of paths followed = %8d\n The # of blow_up        = %8d  (before endgame)\n"
                " \n",
                roots, real, paths, blow_up);
  return buf;
}

TEST(write_roots, RecordsOfOneRootToTheCharacter) {
  const std::vector<cplx> a{cplx(1.0, 1e-16), cplx(-2.5, -3.0)};
  written w = write({a}, a, 1.0);
  const std::string expect = std::string(
                                 "(  1.0000000000000000E+00 ,  0.0000000000000000E+00)\n"
                                 "( -2.5000000000000000E+00 , -3.0000000000000000E+00)\n"
                                 " \n"
                                 " The residual         =    0.000E+00\n"
                                 " The condition number =    1.000E+00\n"
                                 " ---------------------------------------\n") +
                             kTrailerHead + counts(1, 0, 4, 2);
  EXPECT_EQ(w.text.substr(0, expect.size()), expect);
  EXPECT_EQ(w.nroot, 1);
  EXPECT_EQ(w.nreal, 0);
  // Five banner records close the file.
  const std::string tail = w.text.substr(expect.size());
  int lines = 0;
  for (char c : tail) lines += (c == '\n');
  EXPECT_EQ(lines, 5);
  EXPECT_EQ(tail[0], ' ');
}

TEST(write_roots, ZeroJacobianIsWrittenAsTheZeroMatrix) {
  const std::vector<cplx> a{cplx(1, 0), cplx(2, 0)};
  written w = write({a}, a, 0.0);
  EXPECT_NE(w.text.find(" The condition number =    1.000E+17   (zero matrix)\n"),
            std::string::npos);
  EXPECT_EQ(w.nreal, 1);
}

TEST(write_roots, SkippedAndFailedPointsAreLeftOutOfFileAndCounts) {
  const std::vector<cplx> r{cplx(1, 0), cplx(2, 0)};
  // Column 2 is marked by the duplicate check, column 3 is 2 away from the
  // root (the polish moves it more than 0.5), column 4 is kept.
  const std::vector<cplx> far{cplx(3, 0), cplx(2, 0)};
  written w = write({r, r, far, r}, r, 1.0, {0, 1, 0, 0});
  EXPECT_EQ(w.nroot, 2);
  EXPECT_EQ(w.nreal, 2);
  const std::string dashes = "\n ---------------------------------------\n";
  size_t blocks = 0;
  for (size_t p = w.text.find(dashes); p != std::string::npos; p = w.text.find(dashes, p + 1))
    ++blocks;
  EXPECT_EQ(blocks, 2u);
  EXPECT_NE(w.text.find(counts(2, 2, 4, 2)), std::string::npos);
}

TEST(write_roots, NoRootsGivesTheTrailerAlone) {
  written w = write({}, {cplx(0, 0), cplx(0, 0)}, 1.0, {}, 0, 0);
  EXPECT_EQ(w.text.substr(0, std::string(kTrailerHead).size()), kTrailerHead);
  EXPECT_NE(w.text.find(counts(0, 0, 0, 0)), std::string::npos);
  EXPECT_EQ(w.nroot, 0);
  EXPECT_EQ(w.nreal, 0);
}

TEST(root_is_real, RelativeImaginaryParts) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct row {
    cplx x1, x2;
    bool real;
  } rows[] = {
      {1.0, cplx(0, 1e-8), true},  // 1e-8 < 1e-7 times 1
      {1.0, cplx(0, 1e-6), false},
      {cplx(0, 5e-8), cplx(3e-8, 6e-8), true},  // everything below 1e-7
      {cplx(nan, 0), 1.0, false},
  };
  for (const row& r : rows) {
    vec<cplx> x{r.x1, r.x2};
    EXPECT_EQ(root_is_real(2, x), r.real) << r.x1 << " " << r.x2;
  }
}

TEST(wrtslntd, WritesDataRootsInTheWorkingDirectory) {
  char tmpl[] = "/tmp/wrtslntd.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(tmpl), 0);

  const std::vector<cplx> a{cplx(0.5, 0.25), cplx(-1, 0)};
  written expect = write({a}, a, 1.0, {}, 9, 1);
  mat<cplx> sol(2, 1);
  sol(1, 1) = a[0];
  sol(2, 1) = a[1];
  mat<int> dat(6, 1);
  vec<std::string> var{"x", "yy"};
  vec<cplx> coef, cfd;
  int nroot = 1, nreal = -1;
  {
    std::ofstream stale("data.roots");
    stale << std::string(5000, '#');  // rewritten from its start
  }
  wrtslntd(2, 0, nroot, coef, sol, nreal, dat, cfd, 1, 9, var, fake::lin_core);
  std::ifstream in("data.roots", std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), expect.text);
  EXPECT_EQ(nroot, 1);

  std::remove("data.roots");
  ASSERT_EQ(chdir(old), 0);
  rmdir(tmpl);
}

}  // namespace
}  // namespace hc

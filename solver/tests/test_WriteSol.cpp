// The writer of data.roots: its records to the character, its filters and
// counts, with an evaluator of the tests' own (fake_eval.h).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "BackErr.h"
#include "FollowCurve.h"
#include "LinTool.h"
#include "WriteSol.h"
#include "fake_eval.h"
#include "ffwrite.h"
#include "proc.h"
#include "scoped.h"
#include "wilkinson.h"

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
  mat<int> dat(kDatRows, nroot);
  for (int j = 1; j <= nroot; ++j) {
    for (int i = 1; i <= n; ++i)
      sol(i, j) = cols[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
    if (!skip.empty()) dat(kDatGaveUp, j) = skip[static_cast<std::size_t>(j - 1)];
  }
  vec<std::string> var{std::string("x") + std::string(19, ' '),
                       std::string("yy") + std::string(18, ' ')};
  fake::lin_reset(root, cplx(k, 0));
  vec<cplx> coef, cfd;
  vec<int> nm(n, 0);  // the fake has no terms
  mat<int> supp(n, 0);
  std::ostringstream out;
  int nreal = -1;
  write_roots(out, n, 0, nroot, coef, sol, nreal, dat, cfd, blow_up, paths, var, nm, supp,
              fake::lin_core);
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

// W_N(x) = (x-1)(x-2)...(x-N) expanded: one equation of N+1 terms with
// integer coefficients, exact in double precision, evaluated term by term
// by the sparse fake.
struct wilkinson {
  int N;
  vec<cplx> coef, acoef, cfd;
  explicit wilkinson(int n) : N(n), coef(n + 1), acoef(n + 1) {
    const std::vector<double> c = test::wilkinson_coefficients(N);  // highest power first
    fake::sparse.supp.assign(1, N + 1);
    fake::sparse_nm = {N + 1};
    for (int k = 1; k <= N + 1; ++k) {
      coef(k) = cplx(c[static_cast<std::size_t>(k - 1)], 0);
      acoef(k) = cplx(std::fabs(c[static_cast<std::size_t>(k - 1)]), 0);
      fake::sparse.supp(1, k) = N + 1 - k;
    }
  }
  // The polish of x0 with the backward-error acceptance at `factor`: whether
  // it succeeds, the polished point x and its residual |W_N(x)| in double.
  bool polished_good(cplx x0, double factor, cplx* x1 = nullptr, double* residual = nullptr) {
    vec<cplx> x{x0}, b(1);
    mat<cplx> a(1, 1);
    fake::sparse_evahhx(1, coef.data(), x.data(), b.data(), cfd.data(), a.data());
    bool isgood = false;
    fnlnwtnsln(1, N + 1, coef, a, b, x, cfd, isgood, fake::sparse_core, acoef, factor);
    if (x1) *x1 = x(1);
    if (residual) *residual = cqnormv(1, b);
    return isgood;
  }
  // The first coordinates written to data.roots for the end points xs, and
  // the residual field of each record.
  std::vector<cplx> written_roots(const std::vector<cplx>& xs,
                                  std::vector<std::string>* residuals = nullptr) {
    int nroot = static_cast<int>(xs.size());
    mat<cplx> sol(1, nroot);
    mat<int> dat(kDatRows, nroot);
    for (int j = 1; j <= nroot; ++j) sol(1, j) = xs[static_cast<std::size_t>(j - 1)];
    vec<std::string> var{std::string("x")};
    std::ostringstream out;
    int nreal = 0;
    vec<int> nm{N + 1};
    write_roots(out, 1, N + 1, nroot, coef, sol, nreal, dat, cfd, 0, nroot, var, nm,
                fake::sparse.supp, fake::sparse_core);
    std::vector<cplx> got;
    std::istringstream in(out.str());
    std::string line;
    const std::string res = " The residual         = ";
    while (std::getline(in, line)) {
      if (line.size() == 52 && line[0] == '(')
        got.emplace_back(std::strtod(line.substr(1, 24).c_str(), nullptr),
                         std::strtod(line.substr(27, 24).c_str(), nullptr));
      if (residuals && line.compare(0, res.size(), res) == 0)
        residuals->push_back(line.substr(res.size()));
    }
    EXPECT_EQ(static_cast<int>(got.size()), nroot);
    return got;
  }
};

// "W_N at x", with x to 17 digits.
std::string where(int N, cplx x) {
  std::ostringstream what;
  what.precision(17);
  what << "W_" << N << " at " << x;
  return what.str();
}

// End points that the trackers delivered on runs of W_12 and W_16, judged
// by the polish with the backward-error factor 0 (the absolute bound alone,
// unless the values vanish exactly), by the writer itself, and with the
// factor 1e6.  Near most large roots of W_12 the computed values are
// rounding noise above the absolute bound, so only the backward error
// accepts those roots; the W_16
// points near 8.39 + 0.35i and 10.76 + 0.14i are no roots (a backward error
// of about 2e4 and 2e3 eps), which only a generous factor would accept.
TEST(write_roots, BackwardErrorDecisionTable) {
  struct row {
    int N;
    cplx x;
    int root;  // the integer it approximates, 0 for none
    bool at_0, written, at_1e6;
  } rows[] = {
      {12, {0.99999999999991385, 7.1116398165678904e-22}, 1, true, true, true},
      {12, {2.0000000000061284, -6.8758548591837282e-21}, 2, true, true, true},
      {12, {2.9999999999113771, -1.6102348255707868e-12}, 3, true, true, true},
      {12, {4.000000000939977, 1.6690762938288605e-37}, 4, true, true, true},
      {12, {4.999999994494452, -3.1297469294733875e-14}, 5, true, true, true},
      {12, {6.00000002035791, -6.2846419821500788e-14}, 6, false, true, true},
      {12, {6.9999999526746599, 3.2900123310319944e-18}, 7, true, true, true},
      {12, {8.0000000703093352, 6.4701645365074848e-14}, 8, false, true, true},
      {12, {8.9999999279859395, -7.1705050575327008e-11}, 9, false, true, true},
      {12, {10.000000044772106, 5.1976514480269232e-12}, 10, false, true, true},
      {12, {10.99999999450192, -1.3858491106903621e-14}, 11, false, true, true},
      {12, {11.999999999794742, -5.2505896270408225e-19}, 12, false, true, true},
      {16, {8.9999695440715133, -4.6780866063112556e-21}, 9, false, true, true},
      {16, {8.3893786260426033, 0.35040812721659675}, 0, false, false, true},
      {16, {10.758153233597959, 0.14392027046169051}, 0, false, false, true},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(where(r.N, r.x));
    wilkinson w(r.N);
    EXPECT_EQ(w.polished_good(r.x, 0.0), r.at_0);
    EXPECT_EQ(w.polished_good(r.x, 1e6), r.at_1e6);
    const std::vector<cplx> got = w.written_roots({r.x});
    ASSERT_EQ(got.size(), r.written ? 1u : 0u);
    if (r.written) {
      EXPECT_LT(std::abs(got[0] - cplx(r.root, 0)), 1e-6);
    }
  }
}

// Which polished roots the writer refines with values in double-double:
// those that a backward error of one eps allows to move by more than 2^-24
// relative.  The roots of W_12 (at most 1.4e-8 relative, at root 9) and
// roots 1 to 5 of W_16 (2e-8 at root 5) are written exactly as the double
// polish leaves them, with its residual; roots 6 to 16 of W_16 (1.3e-7 at
// root 6, 1.3e-5 at root 11) become the integer itself, with the residual
// 0, from points as far from them as the tracker leaves them (9 - 3e-5:
// the end point of the decision table above).
TEST(write_roots, RefinesTheLooselyDeterminedRoots) {
  struct row {
    int N;
    cplx x;
    int root;
    bool refined;
  } rows[] = {
      {12, {0.99999999999991385, 7.1116398165678904e-22}, 1, false},
      {12, {4.999999994494452, -3.1297469294733875e-14}, 5, false},
      {12, {8.0000000703093352, 6.4701645365074848e-14}, 8, false},
      {12, {8.9999999279859395, -7.1705050575327008e-11}, 9, false},
      {12, {11.999999999794742, -5.2505896270408225e-19}, 12, false},
      {16, {4 + 2e-9, 0}, 4, false},
      {16, {5 - 3e-8, 1e-12}, 5, false},
      {16, {6 + 1e-7, 0}, 6, true},
      {16, {7 - 7.5e-7, 0}, 7, true},
      {16, {8.9999695440715133, -4.6780866063112556e-21}, 9, true},
      {16, {11 + 3.6e-5, 1e-9}, 11, true},
      {16, {16 - 2e-6, 0}, 16, true},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(where(r.N, r.x));
    wilkinson w(r.N);
    cplx polished;
    double residual = 0;
    ASSERT_TRUE(w.polished_good(r.x, kBackErrFactor, &polished, &residual));
    std::vector<std::string> res;
    const std::vector<cplx> got = w.written_roots({r.x}, &res);
    ASSERT_EQ(got.size(), 1u);
    ASSERT_EQ(res.size(), 1u);
    if (r.refined) {
      EXPECT_EQ(got[0], cplx(r.root, 0));
      EXPECT_LT(std::strtod(res[0].c_str(), nullptr), 1e-40);
    } else {
      // 17 digits give the double back; parts below 1e-15 are written as 0.
      const auto shown = [](double v) { return std::fabs(v) < 1e-15 ? 0.0 : v; };
      EXPECT_EQ(got[0], cplx(shown(polished.real()), shown(polished.imag())));
      EXPECT_EQ(res[0], fmt_es(residual, 12, 3));
    }
  }
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
  namespace fs = std::filesystem;
  const test::temp_dir dir;
  ASSERT_TRUE(fs::is_empty(dir.path()));  // whatever is read below is the writer's
  const test::scoped_folder inside(dir.path());
  ASSERT_TRUE(fs::equivalent(fs::current_path(), dir.path()));

  const std::vector<cplx> a{cplx(0.5, 0.25), cplx(-1, 0)};
  written expect = write({a}, a, 1.0, {}, 9, 1);
  mat<cplx> sol(2, 1);
  sol(1, 1) = a[0];
  sol(2, 1) = a[1];
  mat<int> dat(kDatRows, 1);
  vec<std::string> var{"x", "yy"};
  vec<cplx> coef, cfd;
  vec<int> nm(2, 0);  // the fake has no terms
  mat<int> supp(2, 0);
  int nroot = 1, nreal = -1;
  test::spit(dir / "data.roots", std::string(5000, '#'));  // rewritten from its start
  wrtslntd(2, 0, nroot, coef, sol, nreal, dat, cfd, 1, 9, var, nm, supp, fake::lin_core);
  ASSERT_TRUE(fs::exists(dir / "data.roots"));
  EXPECT_EQ(fs::file_size(dir / "data.roots"), expect.text.size());  // the stale tail is cut
  EXPECT_EQ(test::slurp(dir / "data.roots"), expect.text);
  EXPECT_EQ(nroot, 1);
}

}  // namespace
}  // namespace hc

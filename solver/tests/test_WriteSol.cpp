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
#include "DDRefine.h"
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

// The written records of the end points xs of the system the sparse fake
// holds (coef its coefficients): the coordinates of each root written.
std::vector<std::vector<cplx>> written_points(const vec<cplx>& coef,
                                              const std::vector<std::vector<cplx>>& xs) {
  const int n = fake::sparse.n, m = fake::sparse.m;
  int nroot = static_cast<int>(xs.size());
  mat<cplx> sol(n, nroot);
  mat<int> dat(kDatRows, nroot);
  for (int j = 1; j <= nroot; ++j)
    for (int i = 1; i <= n; ++i)
      sol(i, j) = xs[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
  vec<std::string> var(n);
  for (int i = 1; i <= n; ++i) var(i) = "v" + std::to_string(i);
  const vec<cplx> cfd;
  const vec<int> nm = fake::sparse_terms();
  std::ostringstream out;
  int nreal = 0;
  write_roots(out, n, m, nroot, coef, sol, nreal, dat, cfd, 0, nroot, var, nm, fake::sparse.supp,
              fake::sparse_core);
  std::vector<std::vector<cplx>> got;
  std::istringstream in(out.str());
  std::string line;
  std::vector<cplx> cur;
  while (std::getline(in, line)) {
    if (line.size() == 52 && line[0] == '(') {
      cur.emplace_back(std::strtod(line.substr(1, 24).c_str(), nullptr),
                       std::strtod(line.substr(27, 24).c_str(), nullptr));
      if (static_cast<int>(cur.size()) == n) {
        got.push_back(cur);
        cur.clear();
      }
    }
  }
  EXPECT_EQ(static_cast<int>(got.size()), nroot) << "the trailer counts the points written";
  return got;
}

// The componentwise backward error of x, in long double from the terms.
double backward_error(const vec<cplx>& coef, const std::vector<cplx>& x) {
  const int n = fake::sparse.n;
  double worst = 0;
  int k = 0;
  for (int i = 1; i <= n; ++i) {
    std::complex<long double> v = 0;
    long double t = 0;
    for (int j = 1; j <= fake::sparse_nm[static_cast<std::size_t>(i - 1)]; ++j) {
      ++k;
      std::complex<long double> mono(coef(k).real(), coef(k).imag());
      for (int e = 1; e <= n; ++e)
        for (int p = 0; p < fake::sparse.supp(e, k); ++p)
          mono *= std::complex<long double>(x[static_cast<std::size_t>(e - 1)]);
      v += mono;
      t += std::abs(mono);
    }
    if (std::abs(v) > 0) worst = std::max(worst, static_cast<double>(std::abs(v) / t));
  }
  return worst;
}

// Butcher's problem in 8 unknowns (b1, b2, b3, a, b, c2, c3, a32; a public
// benchmark), whose solutions are 5 regular roots and curves of singular
// ones, with its coefficients as eqtrans writes them.
std::vector<test::eqn> butcher8() {
  // clang-format off
  return {
      {{{1, 0, 0, 0, 0, 0, 0, 0}, 1.0}, {{0, 1, 0, 0, 0, 0, 0, 0}, 1.0}, {{0, 0, 1, 0, 0, 0, 0, 0}, 1.0}, {{0, 0, 0, 1, 0, 0, 0, 0}, -1.0}, {{0, 0, 0, 0, 1, 0, 0, 0}, -1.0}},
      {{{0, 1, 0, 0, 0, 1, 0, 0}, 1.0}, {{0, 0, 1, 0, 0, 0, 1, 0}, 1.0}, {{0, 0, 0, 1, 1, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 2, 0, 0, 0}, -1.0}, {{0, 0, 0, 0, 1, 0, 0, 0}, -0.5}, {{0, 0, 0, 0, 0, 0, 0, 0}, -0.5}},
      {{{0, 1, 0, 0, 0, 2, 0, 0}, 1.0}, {{0, 0, 1, 0, 0, 0, 2, 0}, 1.0}, {{0, 0, 0, 1, 2, 0, 0, 0}, -1.0}, {{0, 0, 0, 1, 0, 0, 0, 0}, -0.3333333333333333}, {{0, 0, 0, 0, 3, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 2, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 1, 0, 0, 0}, 1.333333333333333}},
      {{{0, 0, 1, 0, 0, 1, 0, 1}, 1.0}, {{0, 0, 0, 1, 2, 0, 0, 0}, -1.0}, {{0, 0, 0, 1, 1, 0, 0, 0}, -0.5}, {{0, 0, 0, 1, 0, 0, 0, 0}, -0.1666666666666667}, {{0, 0, 0, 0, 3, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 2, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 1, 0, 0, 0}, 0.6666666666666666}},
      {{{0, 1, 0, 0, 0, 3, 0, 0}, 1.0}, {{0, 0, 1, 0, 0, 0, 3, 0}, 1.0}, {{0, 0, 0, 1, 3, 0, 0, 0}, 1.0}, {{0, 0, 0, 1, 1, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 4, 0, 0, 0}, -1.0}, {{0, 0, 0, 0, 3, 0, 0, 0}, -1.5}, {{0, 0, 0, 0, 2, 0, 0, 0}, -2.5}, {{0, 0, 0, 0, 1, 0, 0, 0}, -0.25}, {{0, 0, 0, 0, 0, 0, 0, 0}, -0.25}},
      {{{0, 0, 1, 0, 0, 1, 1, 1}, 1.0}, {{0, 0, 0, 1, 3, 0, 0, 0}, 1.0}, {{0, 0, 0, 1, 2, 0, 0, 0}, 0.5}, {{0, 0, 0, 1, 1, 0, 0, 0}, 0.5}, {{0, 0, 0, 0, 4, 0, 0, 0}, -1.0}, {{0, 0, 0, 0, 3, 0, 0, 0}, -1.5}, {{0, 0, 0, 0, 2, 0, 0, 0}, -1.75}, {{0, 0, 0, 0, 1, 0, 0, 0}, -0.375}, {{0, 0, 0, 0, 0, 0, 0, 0}, -0.125}},
      {{{0, 0, 1, 0, 0, 2, 0, 1}, 1.0}, {{0, 0, 0, 1, 3, 0, 0, 0}, 1.0}, {{0, 0, 0, 1, 2, 0, 0, 0}, 1.0}, {{0, 0, 0, 1, 1, 0, 0, 0}, 0.6666666666666666}, {{0, 0, 0, 0, 4, 0, 0, 0}, -1.0}, {{0, 0, 0, 0, 3, 0, 0, 0}, -1.5}, {{0, 0, 0, 0, 2, 0, 0, 0}, -1.166666666666667}, {{0, 0, 0, 0, 1, 0, 0, 0}, -0.08333333333333333}, {{0, 0, 0, 0, 0, 0, 0, 0}, -0.08333333333333333}},
      {{{0, 0, 0, 1, 3, 0, 0, 0}, -1.0}, {{0, 0, 0, 1, 2, 0, 0, 0}, -1.0}, {{0, 0, 0, 1, 1, 0, 0, 0}, -0.3333333333333333}, {{0, 0, 0, 0, 4, 0, 0, 0}, 1.0}, {{0, 0, 0, 0, 3, 0, 0, 0}, 1.5}, {{0, 0, 0, 0, 2, 0, 0, 0}, 1.083333333333333}, {{0, 0, 0, 0, 1, 0, 0, 0}, 0.2916666666666667}, {{0, 0, 0, 0, 0, 0, 0, 0}, 0.04166666666666666}},
  };
  // clang-format on
}

// A point of a run of butcher8 with the linear homotopy, near a curve of
// singular solutions, that the polish leaves with a backward error of 6e-12.
// Values in double leave it loosely determined (the Jacobian is singular to
// rounding there), and Newton steps with values in double-double run away
// from it along the curve's neighbourhood: they shrink step by step and
// end 2e5 away, at a backward error of about 0.6, no root at all.  The
// writer keeps the polished point.
TEST(write_roots, ARefinementThatMovesAwayIsNotWritten) {
  const vec<cplx> coef = fake::sparse_load(butcher8());
  const std::vector<cplx> x0{{-2.0000000000665201, -1.9350660460643312e-11},
                             {-0.20293411771461328, -0.92307791458868726},
                             {0.20293411773421727, 0.92307791458590827},
                             {-1.000000000009813, -8.2501761703231851e-12},
                             {-1.0000000000371034, -1.3879383291459884e-11},
                             {1.2251994487287017, 0.69033485620900759},
                             {1.2251994487356663, 0.69033485621428592},
                             {-7.1233846490734674e-12, 9.3593874424119611e-12}};
  const int n = 8;
  // What the refinement alone would give.
  vec<cplx> x(n), b(n), cfd;
  for (int i = 1; i <= n; ++i) x(i) = x0[static_cast<std::size_t>(i - 1)];
  mat<cplx> a(n, n);
  vec<double> maxstep(n, 1e300);
  dd_refine_work rw(n);
  const vec<int> nm = fake::sparse_terms();
  ASSERT_GT(dd_refine(n, nm, fake::sparse.supp, coef, cfd, x, a, b, maxstep, rw, fake::sparse_core),
            0);
  std::vector<cplx> moved(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) moved[static_cast<std::size_t>(i - 1)] = x(i);
  EXPECT_GT(backward_error(coef, moved), 1e-3) << "the refinement runs away";

  const auto got = written_points(coef, {x0});
  ASSERT_EQ(got.size(), 1u);
  for (int i = 0; i < n; ++i)
    EXPECT_LT(std::abs(got[0][static_cast<std::size_t>(i)] - x0[static_cast<std::size_t>(i)]), 1e-9)
        << "coordinate " << i + 1;
  EXPECT_LT(backward_error(coef, got[0]), 1e-10);
}

// The bound on the backward error of what is written, whatever the
// residual: a point that the polish accepts by its absolute residual is
// written only when its backward error is at most 1e-8, or when that of the
// point with its coordinates below 1e-8 max|x| set to 0 is, and then that
// point is written.
TEST(write_roots, NoPointAboveTheBackwardErrorBound) {
  struct row {
    const char* what;
    std::vector<test::eqn> sys;
    std::vector<cplx> x;
    bool written;
    std::vector<cplx> as;  // the point written
  } rows[] = {
      {"1e-5 (x^2 + 1) at 1e-9: residual 1e-5, backward error 1",
       {{{{2}, 1e-5}, {{0}, 1e-5}}}, {1e-9}, false, {}},
      {"1e-6 (x^2 + y^2 + 1); y - 2x at (1e-3, 2e-3): backward error 1",
       {{{{2, 0}, 1e-6}, {{0, 2}, 1e-6}, {{0, 0}, 1e-6}}, {{{0, 1}, 1}, {{1, 0}, -2}}},
       {1e-3, 2e-3}, false, {}},
      // The polish keeps the point (a first Newton step leaves the rounding
      // of the first equation as it is), where the second equation's value
      // is a third of its term sum; with y set to 0 it is a root to rounding.
      {"19x^2 - x; 2xy + 3y^2 - y at (1/19, 1e-20): every term of the second vanishes with y",
       {{{{2, 0}, 19}, {{1, 0}, -1}}, {{{1, 1}, 2}, {{0, 2}, 3}, {{0, 1}, -1}}},
       {1.0 / 19, 1e-20}, true, {1.0 / 19, 0.0}},
      {"x^2 - x; 2xy - y at (1, 1e-12): polished to y = 0",
       {{{{2, 0}, 1}, {{1, 0}, -1}}, {{{1, 1}, 2}, {{0, 1}, -1}}}, {1.0, 1e-12}, true,
       {1.0, 0.0}},
      {"x - 1e-16; y - 1 at (1e-16, 1): a coordinate of 1e-16 that is no 0",
       {{{{1, 0}, 1}, {{0, 0}, -1e-16}}, {{{0, 1}, 1}, {{0, 0}, -1}}}, {1e-16, 1.0}, true,
       {0.0, 1.0}},  // (parts below 1e-15 are written as 0)
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const vec<cplx> coef = fake::sparse_load(r.sys);
    const auto got = written_points(coef, {r.x});
    ASSERT_EQ(got.size(), r.written ? 1u : 0u);
    if (r.written) {
      for (std::size_t i = 0; i < r.x.size(); ++i) EXPECT_EQ(got[0][i], r.as[i]) << i;
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

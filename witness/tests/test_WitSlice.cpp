// Slicing of a system: the prompt loop and its texts, the layout of the
// embedded system, the random slicing coefficients and the summary records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "WitSlice.h"
#include "WrtSol_W.h"
#include "fatal.h"
#include "prng.h"
#include "scoped.h"
#include "sysprep.h"

namespace hc {
namespace {

int ask(int n, const std::string& answers, std::string& shown) {
  std::istringstream in(answers);
  ffreader rd(in, "standard input");
  std::ostringstream out;
  const int k = ask_hyperplanes(rd, out, n);
  shown = out.str();
  return k;
}

std::string repeat(const std::string& s, int times) {
  std::string r;
  for (int i = 0; i < times; ++i) r += s;
  return r;
}

TEST(ask_hyperplanes, AsksAgainSilentlyUntilInRange) {
  struct row {
    int n;
    std::string answers;
    int k, prompts;
  };
  const std::vector<row> rows = {
      {4, "2\n", 2, 1}, {4, "0\n4\n-1\n3\n", 3, 4}, {2, "1\n", 1, 1}, {12, "99 7\n11\n", 11, 2}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.answers);
    std::string shown;
    EXPECT_EQ(ask(r.n, r.answers, shown), r.k);
    char prompt[64];
    std::snprintf(prompt, sizeof prompt, "Input the # of hyperplanes (1, ... ,%3d)\n", r.n - 1);
    EXPECT_EQ(shown, repeat(prompt, r.prompts));
  }
}

TEST(ask_hyperplanes_death, OneUnknownHasNoAnswerAndEndsBeforeAnyPrompt) {
  std::string shown;
  EXPECT_EXIT(ask(1, "1\n0\n", shown), testing::ExitedWithCode(status::data),
              ": the system has 1 unknown: no number of hyperplanes lies in 1 \\.\\. n-1\n$");
}

TEST(ask_hyperplanes_death, NoAnswerInRangeEndsAtTheEndOfInput) {
  std::string shown;
  EXPECT_EXIT(ask(3, "0\n3\n", shown), testing::ExitedWithCode(status::data), "standard input");
  EXPECT_EXIT(ask(3, "two\n", shown), testing::ExitedWithCode(status::data), "standard input");
}

// 2 equations: 3 x^2 y + 1 ; x - 2 y (no constant).
suppsys given() {
  suppsys s;
  s.n = 2;
  s.m = 4;
  s.nm = vec<int>{2, 2};
  s.supp.assign(2, 4);
  s.supp(1, 1) = 2;
  s.supp(2, 1) = 1;
  s.supp(1, 3) = 1;
  s.supp(2, 4) = 1;
  s.coef = vec<cplx>{cplx(3, 0), cplx(1, 0), cplx(1, 0), cplx(-2, 0)};
  return s;
}

TEST(embed_system, LayoutOfGivenEquationsSlackTermsAndHyperplanes) {
  const suppsys rd = given();
  const int k = 2;
  mat<cplx> zcoef(2, k), lcoef(k, 3);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= k; ++j) zcoef(i, j) = cplx(10 * i + j, 0);
  for (int j = 1; j <= k; ++j)
    for (int l = 1; l <= 3; ++l) lcoef(j, l) = cplx(0, 10 * j + l);
  suppsys emb;
  embed_system(rd, k, zcoef, lcoef, emb);
  ASSERT_EQ(emb.n, 4);
  ASSERT_EQ(emb.m, 4 + 2 * 2 * k + 2 * k);
  EXPECT_EQ(emb.nm.std(), (std::vector<int>{4, 4, 4, 4}));
  struct term {
    std::vector<int> e;
    cplx c;
  };
  const std::vector<term> expect = {
      {{2, 1, 0, 0}, 3.0},         {{0, 0, 0, 0}, 1.0},         {{0, 0, 1, 0}, 11.0},
      {{0, 0, 0, 1}, 12.0},        {{1, 0, 0, 0}, 1.0},         {{0, 1, 0, 0}, -2.0},
      {{0, 0, 1, 0}, 21.0},        {{0, 0, 0, 1}, 22.0},        {{1, 0, 0, 0}, cplx(0, 11)},
      {{0, 1, 0, 0}, cplx(0, 12)}, {{0, 0, 0, 0}, cplx(0, 13)}, {{0, 0, 1, 0}, 1.0},
      {{1, 0, 0, 0}, cplx(0, 21)}, {{0, 1, 0, 0}, cplx(0, 22)}, {{0, 0, 0, 0}, cplx(0, 23)},
      {{0, 0, 0, 1}, 1.0}};
  ASSERT_EQ(static_cast<int>(expect.size()), emb.m);
  for (int c = 1; c <= emb.m; ++c) {
    SCOPED_TRACE(c);
    for (int j = 1; j <= 4; ++j)
      EXPECT_EQ(emb.supp(j, c),
                expect[static_cast<std::size_t>(c - 1)].e[static_cast<std::size_t>(j - 1)]);
    EXPECT_EQ(emb.coef(c), expect[static_cast<std::size_t>(c - 1)].c);
  }

  // Completion appends a zero constant only to the equation without one
  // (x - 2 y + slack terms); the hyperplanes already end in theirs.
  suppsys copy = emb;
  prepared_system p;
  prepare_system(copy, p);
  EXPECT_EQ(p.m, emb.m + 1);
  int appended = 0;
  for (int i = 1; i <= 4; ++i) appended += p.cnst(i);
  EXPECT_EQ(appended, 1);
}

// Each equation divided by the power of two at or below its largest
// coefficient modulus, exactly (x^2 + y^2 - 1e12 by 2^39); 1.5 x - y and
// 1e-12 x^2 + 1e-12 y^2 - 1, whose largest modulus lies in [1, 2), and an
// equation whose coefficients all vanish stay as given.
TEST(balance_equations, EachEquationByAPowerOfTwoExactly) {
  const double big = 1e12, tiny = 1e-12;
  struct eq {
    std::vector<cplx> given;
    double divisor;  // 2^floor(log2 max|c|)
  };
  // clang-format off
  const std::vector<eq> eqs = {
      {{1.0, 1.0, -big}, 549755813888.0},          // 2^39 <= 1e12 < 2^40
      {{tiny, tiny, -1.0}, 1.0},
      {{cplx(0, tiny), cplx(0, tiny), cplx(0, -1.0)}, 1.0},
      {{1.5, -1.0}, 1.0},
      {{cplx(3, 4), cplx(0, 0)}, 4.0},             // modulus 5
      {{cplx(1e308, 1e308), 1.0}, std::ldexp(1.0, 1023)},  // modulus 1.4e308, a finite double
      {{0.0, 0.0}, 1.0},
  };
  // clang-format on
  suppsys rd;
  rd.n = static_cast<int>(eqs.size());
  int m = 0;
  for (const eq& e : eqs) m += static_cast<int>(e.given.size());
  rd.m = m;
  rd.nm.assign(rd.n);
  rd.supp.assign(rd.n, m, 0);
  rd.coef.assign(m);
  int col = 0;
  for (int i = 1; i <= rd.n; ++i) {
    const eq& e = eqs[static_cast<std::size_t>(i - 1)];
    rd.nm(i) = static_cast<int>(e.given.size());
    for (const cplx& c : e.given) {
      ++col;
      rd.supp(1, col) = col;  // the exponents are not touched
      rd.coef(col) = c;
    }
  }
  const suppsys before = rd;
  balance_equations(rd);
  EXPECT_EQ(rd.n, before.n);
  EXPECT_EQ(rd.m, before.m);
  EXPECT_EQ(rd.nm.std(), before.nm.std());
  col = 0;
  for (int i = 1; i <= rd.n; ++i) {
    SCOPED_TRACE(i);
    const eq& e = eqs[static_cast<std::size_t>(i - 1)];
    for (const cplx& c : e.given) {
      ++col;
      EXPECT_EQ(rd.supp(1, col), col);
      // exact: multiplying back gives the coefficient as given
      EXPECT_EQ(rd.coef(col) * e.divisor, c);
      EXPECT_EQ(rd.coef(col), c / e.divisor);
    }
  }
  // the largest modulus of every equation with a coefficient now lies in
  // [1, 2): the circle of radius 1e6 and its multiple by 1e-12 are within a
  // factor 2 of each other
  col = 0;
  for (int i = 1; i <= rd.n; ++i) {
    double top = 0;
    for (int t = 1; t <= rd.nm(i); ++t) top = std::max(top, std::abs(rd.coef(++col)));
    if (i < rd.n) {
      EXPECT_GE(top, 1.0) << i;
      EXPECT_LT(top, 2.0) << i;
    }
  }
}

TEST(draw_slicing, UnitModulusAnglesBelowTheFactorAndReseeded) {
  mat<cplx> z1, l1, z2, l2;
  {
    const test::scoped_seed fixed(5);
    draw_slicing(3, 2, z1, l1);
    draw_slicing(3, 2, z2, l2);  // reseeds: the same draws again
  }
  ASSERT_EQ(z1.rows(), 3);
  ASSERT_EQ(z1.cols(), 2);
  ASSERT_EQ(l1.rows(), 2);
  ASSERT_EQ(l1.cols(), 4);
  auto check = [](cplx c) {
    EXPECT_NEAR(cabs(c), 1.0, 1e-15);
    const double a = std::atan2(c.imag(), c.real());
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, kSliceAngle);
  };
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) {
      check(z1(i, j));
      EXPECT_EQ(z1(i, j), z2(i, j));
    }
  for (int j = 1; j <= 2; ++j)
    for (int l = 1; l <= 4; ++l) {
      check(l1(j, l));
      EXPECT_EQ(l1(j, l), l2(j, l));
    }
  // Drawn in the order zcoef by rows, then lcoef by rows: the first draw is zcoef(1,1).
  double r = 0;
  {
    const test::scoped_seed fixed(5);
    prng_seed();
    r = prng_draw();
  }
  EXPECT_EQ(z1(1, 1), cplx(std::cos(kSliceAngle * r), std::sin(kSliceAngle * r)));
}

TEST(embed_system_death, TooLargeEndsWithAMessage) {
  suppsys rd;
  rd.n = 40000;
  rd.m = 0;
  mat<cplx> zcoef, lcoef;
  suppsys emb;
  EXPECT_EXIT(embed_system(rd, 39999, zcoef, lcoef, emb), testing::ExitedWithCode(status::size),
              "too large");
}

TEST(witness_summary, RecordsToTheCharacter) {
  std::ostringstream out;
  witness_summary(out, 2, 13, 1.25);
  std::string expect =
      " \n"
      " The # of hyperplanes    =        2\n"
      " The # of witness points =       13\n"
      " \n"
      " The running time :          1.25000 s\n"
      " The witness points are listed in file \"data.witness\"\n"
      " \n";
  for (const char* line : witness_banner) expect += std::string(" ") + line + "\n";
  expect += " \n";
  EXPECT_EQ(out.str(), expect);
}

}  // namespace
}  // namespace hc

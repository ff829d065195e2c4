// The componentwise backward-error rule and the term sums it compares with.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "BackErr.h"
#include "fake_eval.h"

namespace hc {
namespace {

TEST(backerr_ok, EveryComponentWithinFactorEpsTimesItsScale) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // 3-4-5 values: |p| = 5 exactly; scale 5 / (100 eps) puts it on the bound.
  const double on_bound = 5.0 / (100.0 * kMachEps);
  struct row {
    const char* what;
    cplx p1, p2;
    double s1, s2;
    bool ok;
  } rows[] = {
      {"both on the bound", {3, 4}, {0, 5}, on_bound, on_bound, true},
      {"first just above", {3, 4}, {0, 0}, on_bound * (1 - 1e-15), 1, false},
      {"second above, first fine", {0, 0}, {1e-12, 0}, 1, 1, false},
      {"exact zero with zero scale", {0, 0}, {0, 0}, 0, 0, true},
      {"non-zero value with zero scale", {0, 0}, {1e-100, 0}, 1, 0, false},
      {"NaN value", {nan, 0}, {0, 0}, 1, 1, false},
      {"NaN scale", {0, 0}, {0, 0}, nan, 1, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    vec<cplx> p{r.p1, r.p2};
    vec<double> scale{r.s1, r.s2};
    EXPECT_EQ(backerr_ok(2, p, scale, 100.0), r.ok);
  }
}

TEST(term_scale, SumOfCoefficientModuliTimesMonomialsAtTheModuli) {
  // 3 x^2 y - 4i y + 0 (an appended constant) and x - 2, at (1 + i, -2):
  // 3 |x|^2 |y| + 4 |y| = 12 + 8 and |x| + 2 = sqrt 2 + 2.
  mat<int> supp(2, 5, 0);
  supp(1, 1) = 2;
  supp(2, 1) = 1;
  supp(2, 2) = 1;
  supp(1, 4) = 1;
  fake::sparse.supp = supp;
  fake::sparse_nm = {3, 2};
  vec<cplx> coef{cplx(3, 0), cplx(0, -4), cplx(0, 0), cplx(1, 0), cplx(-2, 0)}, acoef(5);
  abs_coef(5, coef, acoef);
  EXPECT_EQ(acoef(2), cplx(4, 0));
  EXPECT_EQ(acoef(3), cplx(0, 0));
  vec<cplx> cfd(5, cplx(7, 7)), x{cplx(1, 1), cplx(-2, 0)};
  vec<double> scale(2);
  term_scale_work w(2);
  term_scale(2, acoef, cfd, x, scale, w, fake::sparse_core);
  EXPECT_NEAR(scale(1), 20.0, 1e-14);
  EXPECT_NEAR(scale(2), std::sqrt(2.0) + 2.0, 1e-15);
}

}  // namespace
}  // namespace hc

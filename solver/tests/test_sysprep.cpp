#include "sysprep.h"

#include <gtest/gtest.h>

#include <cmath>

#include "prng.h"
#include "scoped.h"

namespace hc {
namespace {

// eq 1: 3 x^2 y + 5 (already ends in a constant); eq 2: 2 x y^3 (one term,
// so the whole system stays unscaled, and it gets a zero constant).
suppsys two_equations() {
  suppsys s;
  s.n = 2;
  s.m = 3;
  s.nm = vec<int>{2, 1};
  s.supp.assign(2, 3);
  s.supp(1, 1) = 2, s.supp(2, 1) = 1;
  s.supp(1, 2) = 0, s.supp(2, 2) = 0;
  s.supp(1, 3) = 1, s.supp(2, 3) = 3;
  s.coef = vec<cplx>{cplx(3, 0), cplx(5, 0), cplx(2, 0)};
  return s;
}

TEST(prepare_system, SingleTermEquationLeavesTheSystemUnscaled) {
  suppsys rd = two_equations();
  prepared_system p;
  prepare_system(rd, p);
  // Normal order: the one-term equation first, completed with (0,0).
  ASSERT_EQ(p.m, 4);
  EXPECT_EQ(p.nm(1), 2);
  EXPECT_EQ(p.nm(2), 2);
  EXPECT_EQ(p.cnst(1), 1);
  EXPECT_EQ(p.cnst(2), 0) << "an equation that ends in a constant gets none appended";
  EXPECT_EQ(p.coef(1), cplx(2, 0));
  EXPECT_EQ(p.coef(2), cplx(0, 0));
  EXPECT_EQ(p.coef(3), cplx(3, 0));
  EXPECT_EQ(p.coef(4), cplx(5, 0));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(p.sclc(i), 0.0);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(p.coef(k), p.oldcoef(k));
  EXPECT_EQ(p.shd(2), 3);
  EXPECT_EQ(p.stl(2), 4);
}

TEST(prepare_system, ScalingKeepsTheUnscaledCopy) {
  // 1e6 x^2 + 1e-6 and 1e3 y + 1e-3: scaling changes coef, never oldcoef.
  suppsys s;
  s.n = 2;
  s.m = 4;
  s.nm = vec<int>{2, 2};
  s.supp.assign(2, 4);
  s.supp(1, 1) = 2;
  s.supp(2, 3) = 1;
  s.coef = vec<cplx>{cplx(1e6, 0), cplx(1e-6, 0), cplx(1e3, 0), cplx(1e-3, 0)};
  prepared_system p;
  prepare_system(s, p);
  ASSERT_EQ(p.m, 4);
  EXPECT_EQ(p.oldcoef(1), cplx(1e6, 0));
  EXPECT_EQ(p.oldcoef(4), cplx(1e-3, 0));
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(cabs(p.coef(k)), 1.0, 1e-9) << k;
}

TEST(build_cfd, ExponentTimesCoefficientAndZeroElsewhere) {
  mat<int> supp(3, 2);
  supp(2, 1) = 2, supp(3, 1) = 0;
  supp(2, 2) = 0, supp(3, 2) = 1;
  vec<cplx> coef{cplx(1, 2), cplx(-3, 1)};
  vec<cplx> cfd(4, cplx(9, 9));
  build_cfd(3, 2, supp, coef, cfd);
  EXPECT_EQ(cfd(1), cplx(2, 4));   // v = 2, k = 1
  EXPECT_EQ(cfd(2), cplx(0, 0));   // v = 2, k = 2
  EXPECT_EQ(cfd(3), cplx(0, 0));   // v = 3, k = 1
  EXPECT_EQ(cfd(4), cplx(-3, 1));  // v = 3, k = 2
  vec<cplx> none;
  build_cfd(1, 2, supp, coef, none);  // n = 1: no derivative coefficients
}

TEST(start_coefficients, UnitModulusInTheFirstQuadrantBand) {
  const test::scoped_seed fixed(12345);
  vec<double> r(50);
  vec<cplx> q(50);
  start_coefficients(50, 777, r, q);
  for (int k = 1; k <= 50; ++k) {
    EXPECT_NEAR(cabs(q(k)), 1.0, 1e-15);
    EXPECT_GT(r(k), 0.0);
    EXPECT_LT(r(k), 1.0);
    EXPECT_DOUBLE_EQ(std::atan2(q(k).imag(), q(k).real()), 1.600000023841858 * r(k));
  }
}

}  // namespace
}  // namespace hc

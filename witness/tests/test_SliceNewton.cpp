// Newton's method on the slice, on embedded systems whose witness points are
// chosen first: far points of the Fermat curves, given as {f, (x - 2y + 3) f}
// as a user gives a curve, are found to their size; a double point and a
// point of a solution set larger than a point are not accepted.
#include "SliceNewton.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "BackErr.h"
#include "WitEval.h"
#include "WitSlice.h"
#include "WrtSol_W.h"
#include "quad_types.h"
#include "sysprep.h"
#include "term_eqn.h"

namespace hc {
namespace {

using test::eqn;
using test::times;
using test::times_line;

// The given system cut by the hyperplanes lcoef(k, n+1) with the slack
// coefficients zcoef(n, k), unscaled, in the embedded system's order.
struct embedded {
  int n, k;
  prepared_system sys;
  vec<int> maxdeg;
  vec<cplx> acoef;
  vec<double> scale;
};

embedded embed(const std::vector<eqn>& eqs, int k, mat_ref<const cplx> lcoef) {
  const int n = static_cast<int>(eqs.size());
  suppsys rd;
  rd.n = n;
  rd.m = 0;
  rd.nm.assign(n);
  for (int i = 1; i <= n; ++i) rd.m += rd.nm(i) = static_cast<int>(eqs[i - 1].size());
  rd.supp.assign(n, rd.m, 0);
  rd.coef.assign(rd.m);
  rd.var.assign(n);
  int col = 0;
  for (const eqn& e : eqs)
    for (const auto& t : e) {
      ++col;
      for (int j = 1; j <= n; ++j) rd.supp(j, col) = t.first[j - 1];
      rd.coef(col) = t.second;
    }
  mat<cplx> zcoef(n, k);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= k; ++j) zcoef(i, j) = std::polar(1.0, 0.7 * i + 1.3 * j);
  suppsys emb;
  embed_system(rd, k, zcoef, lcoef, emb);
  embedded e{n, k, {}, {}, {}, {}};
  prepare_system(emb, e.sys);
  const int N = e.sys.n, M = e.sys.m;
  e.maxdeg.assign(N);
  maxdeg_of(N, M, e.sys.supp, e.maxdeg);
  e.acoef.assign(M);
  abs_coef(M, e.sys.oldcoef, e.acoef);
  e.scale.assign(N);
  coef_scales(N, e.sys.nm, e.sys.oldcoef, e.scale);
  return e;
}

bool newton_from(const embedded& e, vec<cplx>& x) {
  slice_work w(e.sys.n, e.n, e.maxdeg);
  return slice_newton(e.sys.n, e.n, e.sys.nm, e.sys.supp, e.sys.oldcoef, e.acoef, e.scale, x, w);
}

// A point of x^d + y^d = 1 with |x| = r near the asymptote y = w x,
// w = e^(i pi (2j+1)/d), computed in binary128 and rounded.
std::pair<cplx, cplx> fermat_point(int d, double r, int j) {
  const qcplx x = qcplx(r * std::cos(0.3), r * std::sin(0.3));
  const double a = M_PI * (2 * j + 1) / d;
  qcplx y = qcplx(std::cos(a), std::sin(a)) * x;
  qcplx xd = 1;
  for (int i = 0; i < d; ++i) xd *= x;
  for (int it = 0; it < 60; ++it) {
    qcplx yd1 = 1;
    for (int i = 0; i < d - 1; ++i) yd1 *= y;
    y -= (yd1 * y + xd - qreal(1)) / (qreal(d) * yd1);
  }
  return {cplx(static_cast<double>(x.real()), static_cast<double>(x.imag())),
          cplx(static_cast<double>(y.real()), static_cast<double>(y.imag()))};
}

TEST(slice_newton, FindsFarPointsOfTheFermatCurvesToTheirSize) {
  struct row {
    int d;
    double r;
  };
  for (const row& c :
       {row{10, 3}, row{10, 40}, row{10, 100}, row{20, 3}, row{20, 30}, row{20, 98}}) {
    SCOPED_TRACE("degree " + std::to_string(c.d) + ", |x| = " + std::to_string(c.r));
    eqn f = {{{c.d, 0}, 1}, {{0, c.d}, 1}, {{0, 0}, -1}};
    const auto [px, py] = fermat_point(c.d, c.r, 2);
    // The line through the point whose direction (1, w (1 + 0.5/r)) is near
    // the asymptote's, as a drawn line that has a witness point this far out.
    const double a = M_PI * 5 / c.d;
    const cplx dir = std::polar(1.0, a) * (1.0 + 0.5 / c.r);
    mat<cplx> lcoef(1, 3);
    lcoef(1, 1) = dir;
    lcoef(1, 2) = -1.0;
    lcoef(1, 3) = -(dir * px - py);
    const embedded e = embed({f, times_line(f)}, 1, lcoef);
    // From 1e-3 off, with a slack far from 0.
    vec<cplx> x{px * cplx(1.001, 0.001), py * cplx(0.999, 0.001), cplx(0.1, 0)};
    ASSERT_TRUE(newton_from(e, x));
    EXPECT_LT(std::abs(x(1) - px), 1e-12 * c.r);
    EXPECT_LT(std::abs(x(2) - py), 1e-12 * c.r);
    EXPECT_EQ(x(3), cplx(0, 0));
  }
}

TEST(slice_newton, NoIsolatedPointOfTheSliceIsAccepted) {
  // The circle twice, squared: its witness points are double roots.
  const eqn c = {{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1}};
  const eqn c2 = times(c, c);
  mat<cplx> line(1, 3);
  line(1, 1) = cplx(0.6, 0.8);
  line(1, 2) = cplx(0, 1);
  line(1, 3) = -(line(1, 1) * 0.6 + line(1, 2) * 0.8);  // through (0.6, 0.8)
  {
    SCOPED_TRACE("a double point");
    const embedded e = embed({c2, c2}, 1, line);
    vec<cplx> x{cplx(0.6001, 0), cplx(0.7999, 1e-4), 0.0};
    EXPECT_FALSE(newton_from(e, x));
    SCOPED_TRACE("the same circle once: a simple point");
    const embedded s = embed({c, c}, 1, line);
    vec<cplx> y{cplx(0.6001, 0), cplx(0.7999, 1e-4), 0.0};
    ASSERT_TRUE(newton_from(s, y));
    EXPECT_LT(std::abs(y(1) - 0.6) + std::abs(y(2) - 0.8), 1e-14);
  }
  {
    SCOPED_TRACE("a sphere cut by one plane: a curve");
    const eqn sph = {{{2, 0, 0}, 1}, {{0, 2, 0}, 1}, {{0, 0, 2}, 1}, {{0, 0, 0}, -1}};
    mat<cplx> plane(1, 4);
    plane(1, 1) = 1.0;
    plane(1, 2) = cplx(0, 1);
    plane(1, 3) = 0.5;
    plane(1, 4) = -(0.6 + cplx(0, 0.8) * 0.0 + 0.5 * 0.8);  // through (0.6, 0, 0.8)
    const embedded e = embed({sph, sph, sph}, 1, plane);
    vec<cplx> x{cplx(0.6001, 0), cplx(1e-4, 0), cplx(0.7999, 0), 0.0};
    EXPECT_FALSE(newton_from(e, x));
  }
}

}  // namespace
}  // namespace hc

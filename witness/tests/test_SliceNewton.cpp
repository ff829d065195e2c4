// Newton's method on the slice, on embedded systems whose witness points are
// chosen first: far points of the Fermat curves, given as {f, (x - 2y + 3) f}
// as a user gives a curve, are found to their size; a double point and a
// point of a solution set larger than a point are not accepted; simple
// points next to a node are, once Newton in binary128 confirms them.
#include "SliceNewton.h"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "BackErr.h"
#include "WitEval.h"
#include "WitSlice.h"
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
  embedded e{n, k, {}, {}, {}};
  prepare_system(emb, e.sys);
  const int N = e.sys.n, M = e.sys.m;
  e.maxdeg.assign(N);
  maxdeg_of(N, M, e.sys.supp, e.maxdeg);
  e.acoef.assign(M);
  abs_coef(M, e.sys.oldcoef, e.acoef);
  return e;
}

bool newton_from(const embedded& e, vec<cplx>& x) {
  slice_work w(e.sys.n, e.n, e.sys.m, e.maxdeg);
  return slice_newton(e.sys.n, e.n, e.sys.nm, e.sys.supp, e.sys.oldcoef, e.acoef, x, w);
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

// The nodal cubic y^2 = x^3 + x^2 (given as {g, (x - 2y + 3) g}) cut by a
// line that passes 1e-9 from its node: the two witness points next to the
// node are simple, but the weighted Jacobian there has singular values about
// 1e-9 relative, as small as at a double point, and only Newton in
// binary128 tells them apart.
TEST(slice_newton, SimplePointsNextToANodeConfirmedInBinary128) {
  const eqn g = {{{0, 2}, 1}, {{3, 0}, -1}, {{2, 0}, -1}};
  const cplx a(0.6, 0.8), c(0.3, -1.1), d(1e-9, 0.5e-9);
  mat<cplx> line(1, 3);
  line(1, 1) = a;
  line(1, 2) = c;
  line(1, 3) = d;
  const embedded e = embed({g, times_line(g)}, 1, line);
  for (const double sgn : {1.0, -1.0}) {
    SCOPED_TRACE(sgn > 0 ? "on the branch y = x" : "on the branch y = -x");
    // Newton in binary128 on {g, line} from the branch's point of the line.
    const cplx x0 = -d / (a + sgn * c);
    qcplx qx(x0.real(), x0.imag()), qy = qreal(sgn) * qx;
    const qcplx qa(a.real(), a.imag()), qc(c.real(), c.imag()), qd(d.real(), d.imag());
    for (int it = 0; it < 40; ++it) {
      const qcplx f = qy * qy - qx * qx * qx - qx * qx, fx = -qreal(3) * qx * qx - qreal(2) * qx,
                  fy = qreal(2) * qy, l = qa * qx + qc * qy + qd, det = fx * qc - fy * qa;
      qx -= (f * qc - fy * l) / det;
      qy -= (fx * l - qa * f) / det;
    }
    const cplx px(static_cast<double>(qx.real()), static_cast<double>(qx.imag())),
        py(static_cast<double>(qy.real()), static_cast<double>(qy.imag()));
    ASSERT_LT(std::abs(px), 1e-8);
    vec<cplx> x{px * cplx(1.0, 1e-7), py, 1e-20};
    ASSERT_TRUE(newton_from(e, x));
    EXPECT_LT(std::abs(x(1) - px) + std::abs(x(2) - py), 1e-22);
    EXPECT_EQ(x(3), cplx(0, 0));
  }
  SCOPED_TRACE("a double point 1e-8 away from where double precision stalls");
  const eqn circ = {{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1}};
  const eqn c2 = times(circ, circ);
  mat<cplx> l2(1, 3);
  l2(1, 1) = cplx(0.6, 0.8);
  l2(1, 2) = cplx(0, 1);
  l2(1, 3) = -(l2(1, 1) * 0.6 + l2(1, 2) * 0.8);  // through (0.6, 0.8)
  const embedded dbl = embed({c2, c2}, 1, l2);
  vec<cplx> x{cplx(0.6 + 1e-8, 0), cplx(0.8, 0) - l2(1, 1) * 1e-8 / l2(1, 2), 0.0};
  const vec<cplx> before = x;
  slice_quad_work q(dbl.sys.n, dbl.sys.m, dbl.maxdeg);
  EXPECT_FALSE(slice_quad(dbl.sys.n, 2, dbl.sys.m, dbl.sys.nm, dbl.sys.supp, dbl.sys.oldcoef, x, q));
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(x(j), before(j));
}

// Two points are one to a tolerance relative to the first point's size,
// and to the tolerance itself below size 1; a NaN coordinate is no match.
TEST(same_point, RelativeAboveOneAbsoluteBelow) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct row {
    const char* what;
    std::vector<cplx> x, y;
    bool same;
  } rows[] = {
      {"1e-9 apart at modulus 1e3", {cplx(1e3, 0), cplx(0, 1)}, {cplx(1e3 + 1e-9, 0), cplx(0, 1)},
       true},
      {"1e-4 apart at modulus 1e3: 1e-7 relative", {cplx(1e3, 0), 1.0}, {cplx(1e3, 1e-4), 1.0},
       false},
      {"1e-9 apart at modulus 1e-3: within 1e-8 of size 1", {1e-3, 0.0}, {1e-3 + 1e-9, 0.0}, true},
      {"2e-8 apart near the origin", {0.0, 0.0}, {2e-8, 0.0}, false},
      {"a NaN coordinate", {1.0, 2.0}, {1.0, cplx(nan, 0)}, false},
      {"a NaN coordinate first", {1.0, 2.0}, {cplx(nan, 0), 2.0}, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    vec<cplx> x(2), y(2);
    for (int j = 1; j <= 2; ++j) {
      x(j) = r.x[static_cast<std::size_t>(j - 1)];
      y(j) = r.y[static_cast<std::size_t>(j - 1)];
    }
    EXPECT_EQ(same_point(2, x, y, 1e-8), r.same);
  }
}

}  // namespace
}  // namespace hc

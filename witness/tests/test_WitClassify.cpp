// The classifier of the points of a witness run, one fixture per outcome on
// embedded systems whose slicings and points come from runs or are chosen
// first: a singular point next to a coordinate subspace, which the rules
// this classifier replaced wrote; a double point on a coordinate axis; a
// witness point on a coordinate axis; a far witness point of an equation
// given with a multiple of itself, and the same point again; an end point
// off the slice; a point of no solution at all.
#include "WitClassify.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "WitSlice.h"
#include "WrtSol_W.h"
#include "quad_types.h"
#include "sysprep.h"
#include "term_eqn.h"

namespace hc {
namespace {

using test::eqn;
using test::reduced_cyclic8;
using test::times;
using test::times_line;

// The given equations cut by the hyperplanes lcoef(k, n+1) with the slack
// coefficients zcoef(n, k), unscaled, in the embedded system's order.
prepared_system embed(const std::vector<eqn>& eqs, mat_ref<const cplx> zcoef,
                      mat_ref<const cplx> lcoef) {
  const int n = static_cast<int>(eqs.size()), k = lcoef.rows();
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
      for (int j = 1; j <= n; ++j) rd.supp(j, col) = t.first[static_cast<std::size_t>(j - 1)];
      rd.coef(col) = t.second;
    }
  suppsys emb;
  embed_system(rd, k, zcoef, lcoef, emb);
  prepared_system sys;
  prepare_system(emb, sys);
  return sys;
}

mat<cplx> column(const std::vector<cplx>& v) {
  mat<cplx> m(static_cast<int>(v.size()), 1);
  for (std::size_t i = 0; i < v.size(); ++i) m(static_cast<int>(i) + 1, 1) = v[i];
  return m;
}

// The plane quartic f = x^4 + y^4 - 3x^2 y + x - 1 given as {f, (x - 2y + 3) f}
// and the line of a run that lost its witness point near
// (208.6 + 150.5i, -41.1 - 254.6i): the point, found here by Newton in
// binary128 on {f, line}.
struct far_quartic {
  mat<cplx> zcoef{2, 1}, lcoef{1, 3};
  cplx x, y;
  far_quartic() {
    using qc = qcplx;
    const cplx l1(3.7855803310697191E-02, 9.9928321218546534E-01),
        l2(7.3545668794282548E-01, 6.7757173801758386E-01),
        l3(1.5236036469598802E-01, 9.8832500690294467E-01);
    zcoef(1, 1) = cplx(7.4548090621660446E-01, 6.6652698254944653E-01);
    zcoef(2, 1) = cplx(9.9888713545452423E-01, 4.7164505970645490E-02);
    lcoef(1, 1) = l1;
    lcoef(1, 2) = l2;
    lcoef(1, 3) = l3;
    qc qx(208.59, 150.47), qy(-41.10, -254.64);
    const qc q1(l1.real(), l1.imag()), q2(l2.real(), l2.imag()), q3(l3.real(), l3.imag());
    for (int it = 0; it < 30; ++it) {
      const qc f = qx * qx * qx * qx + qy * qy * qy * qy - qreal(3) * qx * qx * qy + qx - qreal(1);
      const qc fx = qreal(4) * qx * qx * qx - qreal(6) * qx * qy + qreal(1);
      const qc fy = qreal(4) * qy * qy * qy - qreal(3) * qx * qx;
      const qc g = q1 * qx + q2 * qy + q3;
      const qc det = fx * q2 - fy * q1;
      qx -= (f * q2 - fy * g) / det;
      qy -= (fx * g - q1 * f) / det;
    }
    x = cplx(static_cast<double>(qx.real()), static_cast<double>(qx.imag()));
    y = cplx(static_cast<double>(qy.real()), static_cast<double>(qy.imag()));
  }
  static std::vector<eqn> equations() {
    const eqn f = {{{4, 0}, 1}, {{0, 4}, 1}, {{2, 1}, -3}, {{1, 0}, 1}, {{0, 0}, -1}};
    return {f, times_line(f)};
  }
};

TEST(classify_point, OneFixturePerOutcome) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct point {
    std::vector<cplx> x;
    bool end_point;
    end_kind kind;
  };
  struct row {
    const char* what;
    std::vector<eqn> eqs;
    mat<cplx> zcoef, lcoef;
    std::vector<point> points;  // classified in order with one work
  };
  std::vector<row> rows;
  {
    // A run of reduced cyclic 8-roots cut by one hyperplane, and an end
    // point of it 2e-9 from a point of the slice where y1, y2, y5 and y6
    // vanish and Newton creeps: its Jacobian's ratio of singular values is
    // 1.2e-9, well above the bound 1e-12 of the conditioning test with the
    // equations equilibrated, so the rules before this classifier wrote it.
    row r{"a singular point next to a coordinate subspace", reduced_cyclic8(), mat<cplx>(7, 1),
          mat<cplx>(1, 8), {}};
    const double z[7][2] = {{9.9476800116254127E-01, 1.0215979572748939E-01},
                            {2.8216471154748324E-01, 9.5936597581805327E-01},
                            {6.7829700486604638E-01, 7.3478784229854444E-01},
                            {9.4676398596758560E-01, 3.2192849341859980E-01},
                            {6.2979916040897543E-01, 7.7675801736972727E-01},
                            {1.2932552305117870E-01, 9.9160219296224783E-01},
                            {9.7523163680094627E-01, 2.2118601805391602E-01}};
    const double l[8][2] = {{1.0933960138488731E-01, 9.9400445248952174E-01},
                            {6.1215457501920068E-01, 7.9073812117733511E-01},
                            {9.9727103975628895E-01, 7.3827320575857558E-02},
                            {4.6655276620481911E-01, 8.8449336704501713E-01},
                            {7.3433664726061743E-01, 6.7878545100056142E-01},
                            {7.7509897399305228E-01, 6.3183983770803631E-01},
                            {8.5411320613882846E-01, 5.2008713798675232E-01},
                            {2.9940926653549332E-01, 9.5412477753838776E-01}};
    for (int i = 1; i <= 7; ++i) r.zcoef(i, 1) = cplx(z[i - 1][0], z[i - 1][1]);
    for (int j = 1; j <= 8; ++j) r.lcoef(1, j) = cplx(l[j - 1][0], l[j - 1][1]);
    r.points = {{{{-3.0832171085311644e-09, 7.3382982944255296e-10},
                  {-9.8705459106626761e-09, 3.248122503563026e-09},
                  {3.1349294633497298, 1.3436868433473581},
                  {1.6710008478980387, -0.4223160631564663},
                  {5.963000388347148e-09, -3.2734456940381586e-09},
                  {-8.2432841378436488e-10, -7.5915301991768718e-10},
                  {-5.8059303034326781, -0.92137078014024532},
                  {-2.7087207813034838e-23, 2.6323143406617729e-23}},
                 true,
                 end_kind::not_regular}};
    rows.push_back(std::move(r));
  }
  {
    // The line y = 0 twice over, {y^2, (x - 2y + 3) y^2}, cut by the line
    // x + (1 + i) y = 1/2: measured against |y| instead of max(1, |y|), the
    // derivative 2y of y^2 would be 2 at every y and this point regular.
    row r{"a double point on a coordinate axis", {}, mat<cplx>(2, 1), mat<cplx>(1, 3), {}};
    const eqn sq = {{{0, 2}, 1}};
    r.eqs = {sq, times_line(sq)};
    r.zcoef(1, 1) = std::polar(1.0, 0.4);
    r.zcoef(2, 1) = std::polar(1.0, 2.1);
    r.lcoef(1, 1) = 1.0;
    r.lcoef(1, 2) = cplx(1, 1);
    r.lcoef(1, 3) = -0.5;
    r.points = {{{cplx(0.5, -1e-8), cplx(1e-8, 1e-9), 1e-17}, true, end_kind::not_regular}};
    rows.push_back(std::move(r));
  }
  {
    // The three coordinate axes, {x y, y z, x z}: every term of y z vanishes
    // at the witness point on the x axis, where the end point holds 1e-20
    // for 0.
    row r{"a witness point on a coordinate axis", {}, mat<cplx>(3, 1), mat<cplx>(1, 4), {}};
    r.eqs = {{{{1, 1, 0}, 1}}, {{{0, 1, 1}, 1}}, {{{1, 0, 1}, 1}}};
    for (int i = 1; i <= 3; ++i) r.zcoef(i, 1) = std::polar(1.0, 0.9 * i);
    r.lcoef(1, 1) = cplx(0.6, 0.8);
    r.lcoef(1, 2) = cplx(0, 1);
    r.lcoef(1, 3) = -1.0;
    r.lcoef(1, 4) = cplx(0.3, -0.4);  // the x axis at x = (0.3 - 0.4i) / (0.6 + 0.8i)
    const cplx a = cplx(0.3, -0.4) / cplx(0.6, 0.8);
    r.points = {{{a, 1e-20, cplx(0, -1e-20), 1e-21}, true, end_kind::witness}};
    rows.push_back(std::move(r));
  }
  {
    // The Jacobian of the embedded system at the quartic's far point is
    // singular to 1e-14 unscaled and to 1e-13 with its rows equilibrated:
    // the equations are one curve up to a factor and large there.
    const far_quartic q;
    row r{"a far witness point of an equation given with a multiple of itself, then copies",
          far_quartic::equations(), q.zcoef, q.lcoef, {}};
    r.points = {
        {{q.x, q.y, 0.0}, true, end_kind::witness},
        {{q.x * cplx(1.001, 0.001), q.y * cplx(0.999, 0.0), 0.01}, false, end_kind::copy},
        {{q.x, q.y, 1e-20}, true, end_kind::copy},
        // its slack of the size of the point's terms: off the slice
        {{q.x, q.y, 1e3}, true, end_kind::off_slice},
        // a point of NaN, as a lost path's point and as an end point
        {{cplx(nan, 0), q.y, 0.0}, false, end_kind::not_regular},
        {{cplx(nan, 0), q.y, 0.0}, true, end_kind::not_regular},
    };
    rows.push_back(std::move(r));
  }
  {
    // The circle x^2 + y^2 = 1 twice, and the point (0, 0) of no solution:
    // Newton on the slice from there meets none within its steps, or meets
    // a witness point far from it, never the point itself.
    row r{"a point off the variety", {}, mat<cplx>(2, 1), mat<cplx>(1, 3), {}};
    const eqn c = {{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1}};
    r.eqs = {c, times_line(c)};
    r.zcoef(1, 1) = std::polar(1.0, 1.1);
    r.zcoef(2, 1) = std::polar(1.0, -0.3);
    r.lcoef(1, 1) = cplx(0.6, 0.8);
    r.lcoef(1, 2) = cplx(0, 1);
    r.lcoef(1, 3) = cplx(0.2, 0.1);
    // the end point of a path that stopped at the origin with slack 0.4:
    // the slack is the given equations' own size there
    r.points = {{{0.0, 0.0, 0.4}, true, end_kind::off_slice}};
    rows.push_back(std::move(r));
  }
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const int n = static_cast<int>(r.eqs.size()), N = n + r.lcoef.rows();
    const prepared_system sys = embed(r.eqs, r.zcoef, r.lcoef);
    classify_work w(N, n, sys.m, sys.nm, sys.supp, sys.oldcoef, static_cast<int>(r.points.size()));
    for (std::size_t p = 0; p < r.points.size(); ++p) {
      SCOPED_TRACE("point " + std::to_string(p + 1));
      const mat<cplx> x = column(r.points[p].x);
      vec<cplx> y(N);
      const end_kind kind = classify_point(x.col(1), r.points[p].end_point, y, w);
      EXPECT_EQ(static_cast<int>(kind), static_cast<int>(r.points[p].kind));
      if (kind != end_kind::witness && kind != end_kind::copy) continue;
      // on the slice: slack 0, and the point found is the point of the
      // first witness of the row
      for (int i = n + 1; i <= N; ++i) EXPECT_EQ(y(i), cplx(0, 0));
      double size = 1, d = 0;
      for (int j = 1; j <= n; ++j) size = std::max(size, std::abs(y(j)));
      for (int j = 1; j <= n; ++j) d = std::max(d, std::abs(y(j) - w.found(j, 1)));
      EXPECT_LT(d, 1e-8 * size);
    }
  }
}

// The quartic's far point is written once and to 1e-12 relative when it
// comes as an end point, as the last point of a path given up 1e-3 away
// from it, or as both.
TEST(write_witness, FarPointOfAnEquationGivenWithAMultipleOfIt) {
  const far_quartic q;
  ASSERT_NEAR(std::abs(q.x - cplx(208.594, 150.468)), 0.0, 1e-2);
  const prepared_system sys = embed(far_quartic::equations(), q.zcoef, q.lcoef);
  const vec<std::string> var{std::string("x") + std::string(19, ' '),
                             std::string("y") + std::string(19, ' ')};
  const std::vector<cplx> exact{q.x, q.y, 0.0},
      near{q.x * cplx(1.001, 0.001), q.y * cplx(0.999, 0.0), 0.01};
  struct row {
    const char* what;
    std::vector<std::vector<cplx>> cols;  // the end points, then the lost ones
    int nroot, nlost;
  };
  for (const row& r : {row{"end point", {exact}, 1, 0}, row{"lost only", {near}, 0, 1},
                       row{"end point and lost", {exact, near}, 1, 1}}) {
    SCOPED_TRACE(r.what);
    mat<cplx> sol(3, 2);
    for (std::size_t c = 0; c < r.cols.size(); ++c)
      for (int i = 1; i <= 3; ++i) sol(i, static_cast<int>(c) + 1) = r.cols[c][static_cast<std::size_t>(i - 1)];
    std::ostringstream out;
    int nwitness = -1;
    write_witness(out, sys.n, sys.m, 2, 1, r.nroot, nwitness, sys.supp, sys.oldcoef, sys.nm, sol,
                  q.zcoef, q.lcoef, var, r.nlost);
    EXPECT_EQ(nwitness, 1);
    double re = 0, im = 0, rz = 1, iz = 1;
    ASSERT_EQ(std::sscanf(out.str().c_str(), "(%lf ,%lf)\n%*[^\n]\n(%lf ,%lf)", &re, &im, &rz, &iz),
              4);
    EXPECT_LT(std::abs(cplx(re, im) - q.x), 1e-12 * std::abs(q.x));
    EXPECT_EQ(cplx(rz, iz), cplx(0, 0)) << "the slack written is the slack tested: 0";
  }
}

}  // namespace
}  // namespace hc

// The witness tracker and its binary128 re-tracking on systems built from
// chosen roots: whole runs of fcurve_w, qfcurve against the double path,
// the hand-over of a path to binary128, and the re-track of one path.
#include <errno.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "BackErr.h"
#include "FllCrvPol_W.h"
#include "MixedCell.h"
#include "QFllCrvPol.h"
#include "QTrack.h"
#include "fatal.h"
#include "prng.h"
#include "scoped.h"
#include "sysprep.h"

namespace hc {
namespace {

// (x - r1)(x - r2) = 0, y - c x - d = 0, (z - s1)(z - s2) = 0 in normal
// order: four roots (r_i, c r_i + d, s_j), mixed volume 4.
const cplx r1(0.5, 0.25), r2(-1.25, 0.75), cc(0.75, -0.5), dd(-0.25, 1.0), s1(1.5, -0.5),
    s2(-0.5, -1.0);

struct run_sys {
  int N = 3, M = 0, nc = 0;
  vec<int> nm;
  mat<int> supp;
  vec<cplx> coef, coef_q;
  vec<double> w;
  mat<int> mcl;
  long long mv = 0;
  std::vector<std::vector<cplx>> roots;
};

// With diverging, y - c x - d is replaced by x y - r1 y - 1: the paths to
// x = r1 diverge, and two roots (r2, 1/(r2 - r1), s_j) remain.
run_sys make(unsigned seed, bool diverging = false) {
  run_sys s;
  suppsys rd;
  rd.n = 3;
  rd.m = 9;
  rd.nm = vec<int>{3, 3, 3};
  rd.supp.assign(3, 9, 0);
  rd.supp(1, 1) = 2;
  rd.supp(1, 2) = 1;
  rd.supp(2, 4) = 1;
  rd.supp(1, 5) = 1;
  rd.supp(3, 7) = 2;
  rd.supp(3, 8) = 1;
  rd.coef = vec<cplx>{1.0, -(r1 + r2), r1 * r2, 1.0, -cc, -dd, 1.0, -(s1 + s2), s1 * s2};
  if (diverging) {
    rd.supp(1, 4) = rd.supp(2, 4) = 1;
    rd.supp(1, 5) = 0;
    rd.supp(2, 5) = 1;
    rd.coef(5) = -r1;
    rd.coef(6) = -1.0;
  }
  prepared_system p;
  prepare_system(rd, p);
  // Scaled roots: y = x e^-sclc.
  for (cplx a : diverging ? std::vector<cplx>{r2} : std::vector<cplx>{r1, r2})
    for (cplx b : {s1, s2}) {
      const std::vector<cplx> x{a, diverging ? 1.0 / (r2 - r1) : cc * a + dd, b};
      std::vector<cplx> y(3);
      for (int i = 0; i < 3; ++i)
        y[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(i)] / std::exp(p.sclc(i + 1));
      s.roots.push_back(y);
    }
  s.M = p.m;
  s.nm = p.nm;
  s.supp = p.supp;
  s.coef = p.coef;
  const test::scoped_seed fixed(seed);
  vec<int> nm = p.nm;
  mat<int> supp = p.supp;
  int mm = s.M;
  s.w.assign(s.M);
  vec<int> crsp(s.M);
  int pm = 0;
  mixedcell(3, mm, nm, supp, s.w, s.mcl, s.nc, pm, crsp);
  vec<int> stdet(s.nc);
  mixvol(3, s.M, s.nc, s.supp, s.mcl, stdet, s.mv);
  vec<double> tmprv(s.M);
  s.coef_q.assign(s.M);
  start_coefficients(s.M, 100, tmprv, s.coef_q);
  return s;
}

// Index of the chosen root within kTol of x, or -1.
constexpr double kTol = 1e-8;
int which_root(const run_sys& s, vec_ref<const cplx> x) {
  for (std::size_t r = 0; r < s.roots.size(); ++r) {
    double d = 0;
    for (int i = 1; i <= 3; ++i)
      d = std::max(d, cabs(x(i) - s.roots[r][static_cast<std::size_t>(i - 1)]));
    if (d < kTol) return static_cast<int>(r);
  }
  return -1;
}

TEST(fcurve_w, FindsEveryChosenRootOnce) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    run_sys s = make(seed);
    ASSERT_EQ(s.mv, 4);
    mat<cplx> sol(3, 4);
    mat<int> dat(kDatRows, 4, 0);
    int nroot = -1;
    {
      const test::scoped_seed fixed(7);
      fcurve_w(3, s.M, s.nc, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl, nroot, sol, dat);
    }
    ASSERT_EQ(nroot, 4);
    std::vector<int> hit(4, 0);
    for (int j = 1; j <= nroot; ++j) {
      const int r = which_root(s, sol.col(j));
      ASSERT_GE(r, 0) << "end point " << j << " is no chosen root";
      ++hit[static_cast<std::size_t>(r)];
      EXPECT_GE(dat(kDatCell, j), 1);
      EXPECT_LE(dat(kDatCell, j), s.nc);
      EXPECT_GE(dat(kDatStart, j), 1);
      EXPECT_EQ(dat(kDatSteps, j), 0);  // the witness tracker keeps no step counts
    }
    EXPECT_EQ(hit, std::vector<int>(4, 1));
  }
}

// The last points of the paths that gave no end point follow the end
// points, which stay as the tracking without them leaves them: here the two
// diverging paths, each far out in y, one per root of z.
TEST(fcurve_w, LastPointsOfLostPathsFollowTheEndPoints) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    run_sys s = make(seed, true);
    ASSERT_EQ(s.mv, 4);
    mat<cplx> plain(3, 4), with(3, 4);
    mat<int> dat(kDatRows, 4, 0);
    int nroot = -1, nroot2 = -1, nlost = -1;
    {
      const test::scoped_seed fixed(7);
      fcurve_w(3, s.M, s.nc, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl, nroot, plain, dat);
    }
    {
      const test::scoped_seed fixed(7);
      fcurve_w(3, s.M, s.nc, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl, nroot2, with, dat, nlost);
    }
    ASSERT_EQ(nroot, 2);
    ASSERT_EQ(nroot2, 2);
    ASSERT_EQ(nlost, 2);
    for (int j = 1; j <= nroot; ++j) {
      EXPECT_GE(which_root(s, with.col(j)), 0);
      for (int i = 1; i <= 3; ++i) EXPECT_EQ(with(i, j), plain(i, j));
    }
    for (int j = 3; j <= 4; ++j) EXPECT_GT(cabs(with(2, j)), 1e3) << j;
    EXPECT_GT(cabs(with(3, 3) - with(3, 4)), 0.1);
  }
}

TEST(fcurve_w_death, TooFewColumnsForThePathsEndTheProgram) {
  run_sys s = make(1);
  mat<cplx> sol(3, 3);
  mat<int> dat(kDatRows, 3, 0);
  int nroot = 0;
  EXPECT_EXIT(fcurve_w(3, s.M, s.nc, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl, nroot, sol, dat),
              testing::ExitedWithCode(status::internal), "fewer columns");
}

TEST(fcurve_w_death, ATrackerFailureNamesTheRunningProgram) {
  // The polyhedral tracker's own checks report under the name of the
  // program that runs them, never under another program's.
  run_sys s = make(1);
  s.mcl(1, 1) = s.M + 1;
  const std::string expect =
      std::string("^") + program_invocation_short_name + ": a mixed cell names a term outside";
  EXPECT_EXIT(
      {
        wit_tracker trk(3, s.M, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl);
        trk.set_cell(1);
      },
      testing::ExitedWithCode(status::internal), expect);
}

TEST(qfcurve, Binary128PathsEndAtTheRootsOfTheirDoublePaths) {
  run_sys s = make(2);
  wit_tracker trk(3, s.M, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl);
  int calls = 0;
  testing::internal::CaptureStdout();
  for (int p = 1; p <= s.nc; ++p) {
    const int det = trk.set_cell(p);
    for (int r = 1; r <= det; ++r) {
      bool isgood = false;
      trk.path(r, kFirstStepDiv, false, isgood);
      ASSERT_TRUE(isgood);
      const vec<cplx> xd = trk.base.s.x;
      double t = -5;
      int give_up = -1;
      vec<cplx> xend(3, cplx(-9, -9));
      vec<double> tpow = trk.base.tpow;
      qfcurve(t, trk.base.bix.col(r), tpow, give_up, 3, s.M, s.supp, s.coef, s.coef_q, s.nm, xend);
      ++calls;
      EXPECT_EQ(give_up, 0);
      EXPECT_EQ(t, 0.0);
      EXPECT_LT(vmaxdiff<cplx>(3, xend, xd), kTol);
      EXPECT_GE(which_root(s, xend), 0);
    }
  }
  const std::string out = testing::internal::GetCapturedStdout();
  std::string expect;
  for (int i = 0; i < calls; ++i) expect += " " + std::string(9, ' ') + "111\n";
  EXPECT_EQ(out, expect);
}

TEST(wit_tracker, HandOverReplacesAGivenUpPathByItsBinary128End) {
  run_sys s = make(3);
  wit_tracker trk(3, s.M, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl);
  ASSERT_GT(trk.set_cell(1), 0);
  path_state<double>& st = trk.base.s;
  // As the corrector leaves a path it gives up at t < -0.05.
  st.give_up = 1;
  st.cut = 1;
  st.test_end = 0;
  st.t = -0.5;
  testing::internal::CaptureStdout();
  trk.handover(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "          111\n");
  EXPECT_EQ(st.give_up, 0);
  EXPECT_EQ(st.test_end, 1);
  EXPECT_EQ(st.t, 0.0);
  EXPECT_GE(which_root(s, st.x), 0);
  // jacob and h_1 are those of the target (coef_q + cv) at the new point.
  vec<cplx> p(3);
  mat<cplx> J(3, 3);
  vec<int> maxdeg(3);
  maxdeg_of(3, s.M, s.supp, maxdeg);
  evalpdp(3, s.M, s.supp, trk.ctgt, maxdeg, st.x, s.nm, J, p);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(st.h_1(i), p(i));
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(st.jacob(i, j), J(i, j));
  }
}

TEST(retrace_w, RetrackOfAPathAndOfAMissingOne) {
  run_sys s = make(1);
  mat<cplx> sol(3, 4);
  mat<int> dat(kDatRows, 4, 0);
  int nroot = 0;
  {
    const test::scoped_seed fixed(7);
    fcurve_w(3, s.M, s.nc, s.nm, s.supp, s.coef, s.coef_q, s.w, s.mcl, nroot, sol, dat);
  }
  ASSERT_GE(nroot, 1);
  struct row {
    int p, r, give_up;
  };
  for (const row& c : {row{dat(kDatCell, 1), dat(kDatStart, 1), 0}, row{s.nc + 1, 1, 1},
                       row{dat(kDatCell, 1), 99, 1}}) {
    SCOPED_TRACE(c.p);
    double c3 = 0.01;
    int stepcount = -1, give_up = -1;
    vec<cplx> rtrcx(3);
    retrace_w(3, s.nc, s.M, stepcount, s.supp, s.coef, s.coef_q, s.nm, s.w, s.mcl, c3, c.p, c.r,
              rtrcx, give_up);
    EXPECT_EQ(give_up, c.give_up);
    if (c.give_up == 0) {
      EXPECT_LT(vmaxdiff<cplx>(3, rtrcx, sol.col(1)), kTol);
      EXPECT_GT(stepcount, 0);
    } else {
      EXPECT_EQ(stepcount, 0);
    }
  }
}

// The polish of the witness writer: x1^2 - c, x2 - 1 with c = 986960440108877.5,
// for which no double x1 near the root sqrt(c) = 3.14e7 has x1 x1 = c: every
// value of the first equation there is a multiple of 0.125 (the spacing of
// doubles near 1e15), above the residual bound 1e-4, while its backward
// error is about 0.3 eps.  Accepted with the factor of the writers, not with
// the residual bound alone nor with the factor 0.
TEST(fnlnwtnsln_w, RootWhoseValuesAreRoundingNoiseAboveTheResidualBound) {
  const double c = 986960440108877.5;
  const int N = 2, M = 4;
  vec<int> nm{2, 2}, maxdeg{2, 1};
  mat<int> supp(N, M, 0);
  supp(1, 1) = 2;
  supp(2, 3) = 1;
  vec<cplx> coef{1.0, -c, 1.0, -1.0}, acoef(M);
  abs_coef(M, coef, acoef);
  struct row {
    const char* what;
    bool rule;
    double factor;
    bool good;
  };
  const std::vector<row> rows = {
      {"residual bound alone", false, 0, false},
      {"backward error within 100 eps", true, kBackErrFactor, true},
      {"backward error within 0 eps", true, 0, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    vec<cplx> x{std::sqrt(c), 1.0}, b(N);
    mat<cplx> a(N, N);
    evalpdp(N, M, supp, coef, maxdeg, x, nm, a, b);
    ASSERT_GE(cabs(b(1)), 0.125);
    bool isgood = !r.good;
    if (r.rule)
      fnlnwtnsln_w(N, M, nm, supp, coef, a, b, x, maxdeg, isgood, acoef, r.factor);
    else
      fnlnwtnsln_w(N, M, nm, supp, coef, a, b, x, maxdeg, isgood);
    EXPECT_EQ(isgood, r.good);
    if (r.good) {
      EXPECT_NEAR(x(1).real(), std::sqrt(c), 1e-15 * std::sqrt(c));
      EXPECT_EQ(x(2), cplx(1.0, 0.0));
      EXPECT_GE(cabs(b(1)), 0.125);  // the values at the returned point
    }
  }
}

// ---------------------------------------------------------------------------
// The binary128 pieces.

TEST(binary128, OverloadsBindAndTheAccuracyFactorIs1em10) {
  // A double square root would lose the low bits of sqrt(2).
  EXPECT_TRUE(zabs(qcplx(1, 1)) == sqrtq(2));
  mat<qcplx> J(1, 1, qcplx(4, 0));
  vec<qcplx> x(1, qcplx(9, 0));
  EXPECT_TRUE((accuracy_of<q_rules, qreal>(1, J.ref(), x.ref()) == 1e-10Q * 6));
}

TEST(binary128, LinearSolveSolvesAndFloorsAZeroPivot) {
  // b = A x for a chosen x; the solve returns x to binary128 accuracy.
  mat<qcplx> a(3, 3);
  const qcplx x[3] = {qcplx(1, 2), qcplx(-0.5, 0.25), qcplx(3, -1)};
  const double av[3][3] = {{0.0, 2.0, 1.0}, {1.0, -1.0, 0.5}, {4.0, 0.25, -2.0}};
  vec<qcplx> b(3);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      a(i, j) = qcplx(av[i - 1][j - 1], 0.5 * j);
      b(i) += a(i, j) * x[j - 1];
    }
  lin_solve(3, a, b);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(zabs(b(i) - x[i - 1]) < 1e-30Q);
  // diag(1, 0): the zero pivot becomes (2^-112, 0).
  mat<qcplx> s(2, 2);
  s(1, 1) = 1;
  vec<qcplx> c(2, qcplx(1, 0));
  lin_solve(2, s, c);
  EXPECT_TRUE(c(2) == qcplx(0x1p112Q, 0));
  EXPECT_TRUE(colnorm1(2, s.ref()) == 1);
}

TEST(binary128, EvaluatorsAgreeWithDouble) {
  run_sys s = make(1);
  vec<int> maxdeg(3);
  maxdeg_of(3, s.M, s.supp, maxdeg);
  vec<cplx> x{cplx(0.3, -1.1), cplx(2.0, 0.5), cplx(-0.7, 0.2)}, cft(s.M), p(3), pt(3);
  for (int k = 1; k <= s.M; ++k) cft(k) = s.coef_q(k) * double(k);
  mat<cplx> J(3, 3);
  evalpdpds(3, s.M, s.supp, s.coef, cft, maxdeg, x, s.nm, J, p, pt);
  vec<qcplx> qx(3), qcf(s.M), qcft(s.M), qp(3), qpt(3), qp2(3);
  for (int i = 1; i <= 3; ++i) qx(i) = qcplx(x(i).real(), x(i).imag());
  for (int k = 1; k <= s.M; ++k) {
    qcf(k) = qcplx(s.coef(k).real(), s.coef(k).imag());
    qcft(k) = qcplx(cft(k).real(), cft(k).imag());
  }
  mat<qcplx> qJ(3, 3), qJ2(3, 3);
  qevalpdpds(3, s.M, s.supp, qcf, qcft, maxdeg, qx, s.nm, qJ, qp, qpt);
  qevalpdp(3, s.M, s.supp, qcf, maxdeg, qx, s.nm, qJ2, qp2);
  auto near = [](qcplx a, cplx b) {
    return std::abs(cplx(double(a.real()), double(a.imag())) - b) < 1e-13 * (1 + std::abs(b));
  };
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(near(qp(i), p(i)));
    EXPECT_TRUE(near(qpt(i), pt(i)));
    EXPECT_TRUE(qp2(i) == qp(i));
    for (int j = 1; j <= 3; ++j) {
      EXPECT_TRUE(near(qJ(i, j), J(i, j)));
      EXPECT_TRUE(qJ2(i, j) == qJ(i, j));
    }
  }
}

TEST(binary128, CorrectorAlwaysCorrectsOnce) {
  // x^2 - 2 at t = 0 (tpow 0, coef_q = coef): from a point whose residual
  // is far below the accuracy, the double corrector keeps the point, the
  // binary128 one corrects it toward sqrt(2).
  mat<int> supp(1, 2);
  supp(1, 1) = 2;
  vec<int> nm{2};
  const double x0 = 1.4142135623730951;  // sqrt(2) rounded to double
  const qreal qx0 = x0;
  // Double corrector.
  {
    vec<double> tpow(2, 0.0);
    vec<cplx> cq{1.0, -2.0}, cv(2, 0.0);
    wit_poly_eval<double> ev(1, 2, supp, nm, tpow, cq, cv);
    path_state<double> s(1);
    track_work<double> w(1);
    s.x(1) = x0;
    ev.at(s.x, 0.0, s.jacob, s.polyv, s.polyt);
    s.step = 0.1;
    s.c3 = 0.1;
    int lost = 0;
    nwtnitrn_t<wit_rules, double>(ev, 1, s.x, s.t, s.h_1, s.jacob, s.polyt, s.polyv, s.step, 1e-4,
                                  s.cut, s.flag, s.test_end, s.give_up, s.nstep, s.c3, lost, w);
    EXPECT_EQ(s.x(1), cplx(x0, 0));
    EXPECT_EQ(s.cut, 0);
  }
  {
    vec<qreal> tpow(2, 0);
    vec<qcplx> cq{qcplx(1, 0), qcplx(-2, 0)}, cv(2, qcplx(0, 0));
    wit_poly_eval<qreal> ev(1, 2, supp, nm, tpow, cq, cv);
    path_state<qreal> s(1);
    track_work<qreal> w(1);
    s.x(1) = qx0;
    s.t = 0;
    ev.at(s.x, s.t, s.jacob, s.polyv, s.polyt);
    s.step = 0.1Q;
    s.c3 = 0.1Q;
    double tdbl = -1;
    qnwtnitrn(tdbl, 1, s.x, s.t, s.h_1, s.jacob, s.polyt, s.polyv, s.step, 1e-4Q, s.cut, s.flag,
              s.test_end, s.give_up, s.nstep, s.c3, ev, w);
    EXPECT_EQ(s.cut, 0);
    EXPECT_EQ(tdbl, 0.0);
    EXPECT_TRUE(fabsq(s.x(1).real() - sqrtq(2)) < fabsq(qx0 - sqrtq(2)) * 1e-6Q);
  }
}

}  // namespace
}  // namespace hc

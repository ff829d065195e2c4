// Copies of one simple root among the stored end points: the reach of a
// point at a backward error, and which pairs the pass takes for one root.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "RootCopies.h"
#include "fake_eval.h"
#include "path_data.h"
#include "wilkinson.h"

namespace hc {
namespace {

using system_terms = std::vector<test::eqn>;

vec<cplx> load(const system_terms& eqs) { return fake::sparse_load(eqs); }

// (x-1)(x-2)...(x-16), expanded.
system_terms wilkinson16() {
  const std::vector<double> c = test::wilkinson_coefficients(16);
  test::eqn eq;
  for (std::size_t i = 0; i < c.size(); ++i) eq.push_back({{16 - static_cast<int>(i)}, c[i]});
  return {eq};
}

// (x-1)^2 (x-3): a double root at 1.
system_terms double_at_one() { return {{{{3}, 1}, {{2}, -5}, {{1}, 7}, {{0}, -3}}}; }

// (x-1)^2 (y+1); (y-2)(x+2): the simple root (-2, -1), the double root (1, 2).
system_terms two_roots() {
  return {{{{2, 1}, 1}, {{2, 0}, 1}, {{1, 1}, -2}, {{1, 0}, -2}, {{0, 1}, 1}, {{0, 0}, 1}},
          {{{1, 1}, 1}, {{0, 1}, 2}, {{1, 0}, -2}, {{0, 0}, -4}}};
}

// x^2 + y - 2; x^2 + (1 + 1e-7) y - (2 + 1e-7): the simple roots (1, 1) and
// (-1, 1), of condition about 4e7 (the rows are nearly equal).
system_terms nearly_dependent() {
  constexpr double d = 1e-7;
  return {{{{2, 0}, 1}, {{0, 1}, 1}, {{0, 0}, -2}},
          {{{2, 0}, 1}, {{0, 1}, 1 + d}, {{0, 0}, -(2 + d)}}};
}

// (x - 1)(x - 1 - 1e-7), expanded; y - 1: the simple roots (1, 1) and
// (1 + 1e-7, 1), each of condition about 4e7 and within the other's reach.
system_terms close_pair() {
  constexpr double d = 1e-7;
  return {{{{2, 0}, 1}, {{1, 0}, -(2 + d)}, {{0, 0}, 1 + d}}, {{{0, 1}, 1}, {{0, 0}, -1}}};
}

TEST(root_reach, HowFarAPointOfTheBackwardErrorCanLie) {
  // Root 7 of W_16: 100 eps (8 9 ... 23) / (6! 9!), the term sums over
  // |W'(7)| = 6! 9! (the exact derivative: the computed one cancels terms
  // of 1e19).
  {
    const vec<cplx> coef = load(wilkinson16());
    vec<cplx> acoef(17), cfd(0), x{cplx(7, 0)};
    mat<cplx> jac(1, 1, cplx(-720.0 * 362880.0, 0)), jinv(1, 1);
    abs_coef(17, coef, acoef);
    vec<double> scale(1), rho(1);
    term_scale_work tw(1);
    term_scale(1, acoef, cfd, x, scale, tw, fake::sparse_core);
    copy_work w(1);
    inverse(1, jac, jinv, w);
    root_reach(1, jinv, scale, 100.0, rho);
    double s = 1;
    for (int j = 8; j <= 23; ++j) s *= j;
    const double expect = 100.0 * kMachEps * s / (720.0 * 362880.0);
    EXPECT_NEAR(rho(1), expect, 1e-13 * expect);
    EXPECT_NEAR(rho(1), 4.359e-4, 1e-7);
  }
  // Two variables: J = [0 9; -3 0] at (-2, -1), term sums (18, 12):
  // |J^-1| (18, 12) = (12 / 3, 18 / 9).
  {
    mat<cplx> jac(2, 2), jinv(2, 2);
    jac(1, 2) = 9;
    jac(2, 1) = -3;
    copy_work w(2);
    inverse(2, jac, jinv, w);
    vec<double> scale{18, 12}, rho(2);
    root_reach(2, jinv, scale, 100.0, rho);
    EXPECT_NEAR(rho(1), 400 * kMachEps, 1e-28);
    EXPECT_NEAR(rho(2), 200 * kMachEps, 1e-28);
  }
}

TEST(mark_copies, OneSimpleRootTwiceButNeverASingularOne) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  using pt = std::vector<cplx>;
  // clang-format off
  struct row {
    const char* what;
    system_terms sys;
    std::vector<pt> points;
    std::vector<int> row5_in, row5_out;
  } rows[] = {
      {"root 7 of W_16, 2e-4 apart: the point of backward error 46 eps is the copy",
       wilkinson16(), {{7.0 + 2e-4}, {7.0 - 1e-6}}, {0, 0}, {kCopyMark, 0}},
      {"root 7 of W_16 three times: the best point stays", wilkinson16(),
       {{cplx(7.0 - 1e-4, 1e-6)}, {7.0 + 1e-7}, {cplx(7.0 + 2e-4, -3e-5)}}, {0, 0, 0},
       {kCopyMark, 0, kCopyMark}},
      {"roots 7 and 8 of W_16", wilkinson16(), {{7.0}, {8.0}}, {0, 0}, {0, 0}},
      {"a point 1e-3 from root 7 (backward error 230 eps) is no root", wilkinson16(),
       {{7.0}, {7.0 + 1e-3}}, {0, 0}, {0, 0}},
      {"a double root, copies on either side", double_at_one(),
       {{cplx(1.0 - 3.1e-9, -3.1e-9)}, {cplx(1.0 + 2.2e-8, 9.9e-9)}}, {0, 0}, {0, 0}},
      {"a double root, copies on one side", double_at_one(), {{1.0 + 1e-8}, {1.0 + 1.2e-8}},
       {0, 0}, {0, 0}},
      {"a simple root of two variables twice, 3e-14 apart", two_roots(),
       {{-2.0 + 3e-14, -1.0}, {-2.0, -1.0}}, {0, 0}, {kCopyMark, 0}},
      {"the same points 5e-12 apart, beyond their reach of 9e-14", two_roots(),
       {{-2.0 + 5e-12, -1.0}, {-2.0, -1.0}}, {0, 0}, {0, 0}},
      {"a double root of two variables, two copies", two_roots(),
       {{1.0 + 1e-8, 2.0}, {1.0 - 1e-8, 2.0}}, {0, 0}, {0, 0}},
      // (backward errors 1e-15, 5e-16 and 4e-15 of the second equation's
      // terms, which the first point's and the third's exceed)
      {"a simple root of condition 4e7 twice, 1.5e-8 apart, along its near null direction",
       nearly_dependent(), {{1.0 + 5e-9, 1.0 - 1e-8}, {1.0 - 2.5e-9, 1.0 + 5e-9}}, {0, 0},
       {kCopyMark, 0}},
      {"the same root three times", nearly_dependent(),
       {{1.0 + 5e-9, 1.0 - 1e-8}, {1.0 - 2.5e-9, 1.0 + 5e-9}, {1.0 + 2e-8, 1.0 - 4e-8}},
       {0, 0, 0}, {kCopyMark, 0, kCopyMark}},
      {"two distinct roots 1e-7 apart, each of condition 4e7", close_pair(),
       {{1.0, 1.0}, {1.0 + 1e-7, 1.0}}, {0, 0}, {0, 0}},
      {"a point whose re-track gave up is left alone", two_roots(),
       {{-2.0 + 3e-14, -1.0}, {-2.0, -1.0}}, {1, 0}, {1, 0}},
      {"a point holding a NaN", two_roots(), {{-2.0, -1.0}, {-2.0, cplx(nan, 0)}}, {0, 0},
       {0, 0}},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const vec<cplx> coef = load(r.sys);
    const int n = fake::sparse.n;
    const int nroot = static_cast<int>(r.points.size());
    mat<cplx> sol(n, nroot);
    mat<int> dat(kDatRows, nroot, 0);
    for (int j = 1; j <= nroot; ++j) {
      for (int i = 1; i <= n; ++i)
        sol(i, j) = r.points[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
      dat(kDatGaveUp, j) = r.row5_in[static_cast<std::size_t>(j - 1)];
    }
    vec<cplx> cfd(0);
    vec<double> tmprv{0.7, 0.3};
    int expect_marked = 0;
    for (int v : r.row5_out) expect_marked += v == kCopyMark;
    const vec<int> nm = fake::sparse_terms();
    EXPECT_EQ(mark_copies(n, nroot, coef, cfd, nm, fake::sparse.supp, tmprv.ref().sub(1, n), dat,
                          sol, separate_fn(), fake::sparse_core),
              expect_marked);
    for (int j = 1; j <= nroot; ++j)
      EXPECT_EQ(dat(kDatGaveUp, j), r.row5_out[static_cast<std::size_t>(j - 1)]) << "column " << j;
  }
}

}  // namespace
}  // namespace hc

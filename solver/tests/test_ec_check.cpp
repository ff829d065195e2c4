// The check of an evaluator against the supports of its system: a correct
// evaluator passes, and each way a library for another system shows (other
// values, reads or writes beyond the arrays, entries it must not touch) is
// named.  The evaluator is the tests' own, with one fault switched on at a
// time.
#include "ec_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace hc {
namespace {

// The system x^2 y + 3 y^2 + 1, x y - 2 in normal order: equation 1 = x y, 1
// (terms 1, 2), equation 2 = x^2 y, y^2, 1 (terms 3, 4, 5); n = 2, m = 5.
constexpr int n = 2, m = 5;
const int exps[2][m] = {{1, 0, 2, 0, 0}, {1, 0, 1, 2, 0}};

enum class fault {
  none,
  other_support,    // y^3 in place of y^2
  reads_past_cf,    // a sixth coefficient
  reads_zero_cfd,   // cfd of a term without y
  writes_past_dp,   // the Jacobian of a larger n
  leaves_dp,        // one entry of the Jacobian not written
  writes_zero_cfd,  // coefhhthx_ writes cfd of a term without y
  writes_past_cfd,  // coefhhthx_ writes beyond (n-1) m
  changes_input,    // evahhx_ overwrites z
};
fault g_fault = fault::none;

cplx mono(const cplx* z, int k, int skip = 0) {
  int ex = exps[0][k], ey = exps[1][k];
  if (g_fault == fault::other_support && k == 3) ey = 3;
  if (skip == 1) --ex;
  if (skip == 2) --ey;
  return std::pow(z[0], ex) * std::pow(z[1], ey);
}

void evahhx(const int&, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd, cplx* dp) {
  const int first[2] = {0, 2}, last[2] = {2, 5};
  for (int i = 0; i < 2; ++i) {
    p[i] = 0;
    dp[i] = 0;
    dp[i + 2] = 0;
    for (int k = first[i]; k < last[i]; ++k) {
      p[i] += cf[k] * mono(z, k);
      const int ex = exps[0][k];
      int ey = exps[1][k];
      if (g_fault == fault::other_support && k == 3) ey = 3;
      if (ex != 0) dp[i] += static_cast<double>(ex) * cf[k] * mono(z, k, 1);
      if (ey != 0)
        dp[i + 2] +=
            (g_fault == fault::other_support && k == 3 ? 1.5 : 1.0) * cfd[k] * mono(z, k, 2);
    }
  }
  if (g_fault == fault::reads_past_cf) p[1] += cf[m] * 0.0;
  if (g_fault == fault::reads_zero_cfd) p[0] += cfd[1] * 0.0;
  if (g_fault == fault::writes_past_dp) dp[6] = 1.0;
  if (g_fault == fault::leaves_dp) dp[1] = std::nan("");
  if (g_fault == fault::changes_input) const_cast<cplx*>(z)[0] *= 1.0 + 1e-3;
}

void subexpo(const int& nn, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd,
             const cplx* cft, cplx* dp, cplx* dt) {
  evahhx(nn, cf, z, p, cfd, dp);
  dt[0] = cft[0] * mono(z, 0) + cft[1];
  dt[1] = cft[2] * mono(z, 2) + cft[3] * mono(z, 3) + cft[4];
}

void coefhhthx(cplx* cf, cplx* cft, cplx* cfd, const int& mm, const cplx* b, const cplx* g,
               const double* d, const double& s) {
  const double es = std::exp(s);
  for (int k = 0; k < mm; ++k) {
    const cplx ges = g[k] * es;
    const double eds = std::exp(d[k] * s);
    cf[k] = (b[k] + ges) * eds;
    cft[k] = d[k] * cf[k] + ges * eds;
  }
  for (int k = 0; k < mm; ++k)
    if (exps[1][k] != 0) cfd[k] = static_cast<double>(exps[1][k]) * cf[k];
  if (g_fault == fault::writes_zero_cfd) cfd[1] = cf[1];
  if (g_fault == fault::writes_past_cfd) cfd[m] = cf[0];
}

const evalcore core{&evahhx, &subexpo, &coefhhthx};

TEST(evalcore_misfit, NamesEachWayALibraryDoesNotFit) {
  vec<int> nm{2, 3};
  mat<int> supp(n, m);
  for (int j = 1; j <= n; ++j)
    for (int k = 1; k <= m; ++k) supp(j, k) = exps[j - 1][k - 1];
  struct fault_case {
    fault f;
    const char* why;
  };
  const fault_case cases[] = {
      {fault::none, ""},
      {fault::other_support, "evahhx_: the value of equation 2 differs at a test point"},
      {fault::reads_past_cf, "evahhx_: the value of equation 2 differs at a test point"},
      {fault::reads_zero_cfd, "evahhx_: the value of equation 1 differs at a test point"},
      {fault::writes_past_dp,
       "evahhx_: it writes beyond the values or the Jacobian of this system"},
      {fault::leaves_dp,
       "evahhx_: the derivative in variable 1 of equation 2 differs at a test point"},
      {fault::writes_zero_cfd,
       "coefhhthx_: it writes a derivative coefficient this system does not have"},
      {fault::writes_past_cfd, "coefhhthx_: it writes beyond the coefficients of this system"},
      {fault::changes_input, "evahhx_: it changes its inputs"},
  };
  for (const fault_case& c : cases) {
    SCOPED_TRACE(c.why);
    g_fault = c.f;
    EXPECT_EQ(evalcore_misfit(n, m, nm, supp, core), c.why);
  }
  g_fault = fault::none;
}

}  // namespace
}  // namespace hc

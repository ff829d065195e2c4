// An evaluator of the tests' own for any sparse system in support form, with
// all three entry points, so that the polyhedral tracker runs without a
// generated library:
//   coefhhthx: cf = (B + G e^s) e^(D s), cft = D cf + G e^s e^(D s), and the
//     derivative coefficients cfd((v-2)m + k) = supp(v,k) cf(k);
//   subexpo: values, Jacobian and dt = sum of cft(k) x^supp(:,k);
//   evahhx: values and Jacobian for the coefficients passed.
// The supports are set once with set_system().  Points within poison_radius
// of poison give NaN values (a path that must fail).
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "Eval.h"
#include "array.h"
#include "cplx.h"
#include "ref_eval.h"

namespace hc::fakesp {

struct state {
  int n = 0, m = 0;
  mat<int> supp;        // supp(n, m)
  std::vector<int> nm;  // terms of each equation, in consecutive blocks
  std::vector<cplx> poison;
  double poison_radius = -1.0;
  long long evaluations = 0;
};
inline state sys;

inline void set_system(int n, const std::vector<int>& nm, mat_ref<const int> supp) {
  sys = state{};
  sys.n = n;
  sys.nm = nm;
  sys.m = supp.cols();
  sys.supp.assign(n, sys.m);
  for (int k = 1; k <= sys.m; ++k)
    for (int v = 1; v <= n; ++v) sys.supp(v, k) = supp(v, k);
}

inline bool poisoned(int n, const cplx* z) {
  if (sys.poison_radius < 0) return false;
  double d = 0;
  for (int i = 0; i < n; ++i)
    d = std::max(d, std::abs(z[i] - sys.poison[static_cast<std::size_t>(i)]));
  return d < sys.poison_radius;
}

// p(n) = sum over the terms of each equation of cf(k) x^supp(:,k); dp(n,n)
// its Jacobian; when cft is given, dt(n) the same sum with cft.
inline void values(int n, const cplx* cf, const cplx* z, cplx* p, cplx* dp, const cplx* cft,
                   cplx* dt) {
  ++sys.evaluations;
  test::ref_eval(n, sys.nm.data(), sys.supp, cf, cft, z, p, dp, dt);
  if (!poisoned(n, z)) return;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int i = 0; i < n; ++i) {
    p[i] = cplx(nan, nan);
    if (dt) dt[i] = cplx(nan, nan);
  }
}

inline void evahhx(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx*, cplx* dp) {
  values(n, cf, z, p, dp, nullptr, nullptr);
}
inline void subexpo(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx*,
                    const cplx* cft, cplx* dp, cplx* dt) {
  values(n, cf, z, p, dp, cft, dt);
}
inline void coefhhthx(cplx* cf, cplx* cft, cplx* cfd, const int& m, const cplx* B, const cplx* G,
                      const double* D, const double& s) {
  const double es = std::exp(s);
  for (int k = 0; k < m; ++k) {
    const double e = std::exp(D[k] * s);
    cf[k] = (B[k] + G[k] * es) * e;
    cft[k] = D[k] * cf[k] + G[k] * es * e;
  }
  for (int v = 2; v <= sys.n; ++v)
    for (int k = 1; k <= m; ++k)
      if (sys.supp(v, k) != 0)
        cfd[(v - 2) * m + k - 1] = static_cast<double>(sys.supp(v, k)) * cf[k - 1];
}
inline const evalcore core{&evahhx, &subexpo, &coefhhthx};

}  // namespace hc::fakesp

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

inline cplx ipow(cplx z, int e) {
  cplx r(1, 0);
  for (int i = 0; i < e; ++i) r *= z;
  return r;
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
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const bool bad = poisoned(n, z);
  for (int i = 0; i < n * n; ++i) dp[i] = cplx(0, 0);
  int k = 1;
  for (int i = 1; i <= n; ++i) {
    cplx pi(0, 0), ti(0, 0);
    for (int t = 0; t < sys.nm[static_cast<std::size_t>(i - 1)]; ++t, ++k) {
      cplx mono(1, 0);
      for (int v = 1; v <= n; ++v) mono *= ipow(z[v - 1], sys.supp(v, k));
      pi += cf[k - 1] * mono;
      if (cft) ti += cft[k - 1] * mono;
      for (int v = 1; v <= n; ++v) {
        const int e = sys.supp(v, k);
        if (e == 0) continue;
        cplx d = cf[k - 1] * static_cast<double>(e) * ipow(z[v - 1], e - 1);
        for (int u = 1; u <= n; ++u)
          if (u != v) d *= ipow(z[u - 1], sys.supp(u, k));
        dp[(i - 1) + (v - 1) * n] += d;
      }
    }
    p[i - 1] = bad ? cplx(nan, nan) : pi;
    if (dt) dt[i - 1] = bad ? cplx(nan, nan) : ti;
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

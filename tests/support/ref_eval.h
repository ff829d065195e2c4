// The tests' reference evaluation of a sparse system in support form: every
// monomial by repeated products and every derivative by the power rule, so
// that it shares no code with the generated, interpreted or fake evaluators
// it checks or drives.
//
//   ipow(z, e)  z^e by |e| products, inverted for e < 0; z^0 = 1 (also at
//       z = 0)
//   ref_eval(n, nm, supp, cf, cft, z, p, dp, dt, pmag, dpmag, dtmag)
//       equation i holds the nm[i-1] terms after those of equations 1..i-1;
//       term k is x^supp(:,k) with supp(n, m), m = sum of nm:
//       p(n)     p_i = sum over the terms k of equation i of cf(k) z^supp(:,k)
//       dp(n,n)  column-major, dp[(i-1) + (j-1) n] = d p_i / d z_j
//       dt(n)    dt_i = the same sum with cft(k); only when cft and dt are given
//       pmag(n), dpmag(n,n), dtmag(n): when given, the sums of the moduli of
//                the terms summed into p, dp and dt (the scale of their
//                rounding errors)
//       p, dp, dt and the magnitudes are overwritten.
#pragma once

#include <cmath>
#include <cstdlib>

#include "array.h"
#include "cplx.h"

namespace hc::test {

inline cplx ipow(cplx z, int e) {
  cplx r(1, 0);
  for (int i = 0; i < std::abs(e); ++i) r *= z;
  return e < 0 ? 1.0 / r : r;
}

inline void ref_eval(int n, const int* nm, mat_ref<const int> supp, const cplx* cf, const cplx* cft,
                     const cplx* z, cplx* p, cplx* dp, cplx* dt, double* pmag = nullptr,
                     double* dpmag = nullptr, double* dtmag = nullptr) {
  const bool with_dt = cft != nullptr && dt != nullptr;
  for (int i = 0; i < n; ++i) {
    p[i] = cplx(0, 0);
    if (with_dt) dt[i] = cplx(0, 0);
    if (pmag) pmag[i] = 0;
    if (dtmag) dtmag[i] = 0;
  }
  for (int i = 0; i < n * n; ++i) {
    dp[i] = cplx(0, 0);
    if (dpmag) dpmag[i] = 0;
  }
  int k = 1;
  for (int i = 1; i <= n; ++i)
    for (int t = 0; t < nm[i - 1]; ++t, ++k) {
      cplx mono(1, 0);
      for (int v = 1; v <= n; ++v) mono *= ipow(z[v - 1], supp(v, k));
      p[i - 1] += cf[k - 1] * mono;
      if (pmag) pmag[i - 1] += std::abs(cf[k - 1] * mono);
      if (with_dt) dt[i - 1] += cft[k - 1] * mono;
      if (with_dt && dtmag) dtmag[i - 1] += std::abs(cft[k - 1] * mono);
      for (int v = 1; v <= n; ++v) {
        const int e = supp(v, k);
        if (e == 0) continue;
        cplx d = cf[k - 1] * static_cast<double>(e) * ipow(z[v - 1], e - 1);
        for (int u = 1; u <= n; ++u)
          if (u != v) d *= ipow(z[u - 1], supp(u, k));
        dp[(i - 1) + (v - 1) * n] += d;
        if (dpmag) dpmag[(i - 1) + (v - 1) * n] += std::abs(d);
      }
    }
}

}  // namespace hc::test

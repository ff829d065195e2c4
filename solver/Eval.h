// The evaluator entry points as a replaceable table.
//
//   evalcore  the three entry points of the evaluator contract, by default
//       the bound library (ec_loader.h); a caller may pass its own table
//       (tests, or an interpreted evaluator) to every routine that evaluates.
//       evahhx(n, cf, z, p, cfd, dp)   p(n) = P(z), dp(n,n) = dP/dz
//       subexpo(n, cf, z, p, cfd, cft, dp, dt)  also dt(n) from cft(m)
//       coefhhthx(cf, cft, cfd, m, B, G, D, s)  coefficients at s
//   evalcore_lib()  the table of the bound library
// The vector helpers of the trackers are in vec_ops.h, the real functions of
// their number types in real_types.h.
#pragma once

#include "cplx.h"
#include "ec_loader.h"

namespace hc {

struct evalcore {
  void (*evahhx)(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd, cplx* dp);
  void (*subexpo)(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd,
                  const cplx* cft, cplx* dp, cplx* dt);
  void (*coefhhthx)(cplx* cf, cplx* cft, cplx* cfd, const int& m, const cplx* B, const cplx* G,
                    const double* D, const double& s);
};

const evalcore& evalcore_lib();

}  // namespace hc

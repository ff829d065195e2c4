// Binding of the generated evaluator library ./MEva.so.
//
//   load_evalcore()  dlopen("./MEva.so", RTLD_NOW) and look up, in this order,
//       "subexpo_", "evahhx_", "coefhhthx_"; 0 when all three are bound, else
//       prints "error: <the loader's message>" on standard output and returns 1.
//       The library is never closed.
//   load_evalcore_from(path)  the same for another file (tests)
//   evalcore_bind_message()  the loader's message of the last binding that
//       failed (empty before any failed)
//
// The forwarding entries pass their arguments unchanged to the bound library
// (every argument by reference; complex values as pairs of doubles; arrays
// column by column).  n and m are those of the completed system in normal
// order; the library was generated for its supports.
//   evahhx_(n, cf, z, p, cfd, dp)       p(n) = P(z), dp(n,n) = Jacobian; cf(m), z(n),
//                                       cfd((n-1)m) read
//   subexpo_(n, cf, z, p, cfd, cft, dp, dt)  also dt(n) = sum cft(k) z^a_k
//   coefhhthx_(cf, cft, cfd, m, B, G, D, s)  cf = (B + G e^s) e^(D s),
//                                       cft = D cf + G e^s e^(D s), cfd from cf;
//                                       B(m), G(m) complex, D(m) real, s real
#pragma once

#include <string>

#include "cplx.h"

namespace hc {

int load_evalcore();
int load_evalcore_from(const std::string& path);
const std::string& evalcore_bind_message();

void evahhx_(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd, cplx* dp);
void subexpo_(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd,
              const cplx* cft, cplx* dp, cplx* dt);
void coefhhthx_(cplx* cf, cplx* cft, cplx* cfd, const int& m, const cplx* B, const cplx* G,
                const double* D, const double& s);

}  // namespace hc

// Re-tracking of one witness path in IEEE binary128, for a path whose
// double-precision corrector had to halve its step below 1e-10 while
// t < -0.05.  The path is followed again from its start root with every
// number in binary128 (the twins of QTrack.h); the re-tracking has no
// fallback of its own and gives up below a step of 1e-16.
//
//   qfcurve(t, x0, tpow, give_up, n, m, supp, coef, coef_q, nm, xend)
//       writes the free-format record 111 on standard output; follows the
//       path of the cell with powers tpow(m) from x0(n) at
//       t = -20/minpow, minpow the least power above 1e-12 but at most
//       0.100000001490116119384765625 (entries of tpow below 1e-12 in
//       modulus are set to 0 in place), to t = 0, then Newton on the
//       target coef(m) in binary128.  Out: give_up = 0 when the path got to
//       its end and the final Newton converged, 1 otherwise; xend(n) the end
//       point rounded to double whenever the final Newton converged; t the
//       re-tracking's t rounded to double after each corrector call (0 after
//       a success).  supp(n,m), nm(n), coef_q(m) read.
#pragma once

#include "array.h"
#include "cplx.h"

namespace hc {

void qfcurve(double& t, vec_ref<const cplx> x0, vec_ref<double> tpow, int& give_up, int n, int m,
             mat_ref<const int> supp, vec_ref<const cplx> coef, vec_ref<const cplx> coef_q,
             vec_ref<const int> nm, vec_ref<cplx> xend);

}  // namespace hc

// Benchmark builds only (configured with -DHC_PATH_ENDS=ON): every path of
// the first tracking reports its start root and its end, and each tracker
// the homotopy it follows, on standard error, so that a script can follow
// the same paths independently (scripts/bench_wilkinson_paths.py).  In
// other builds the routines do nothing.
//
//   report_homotopy(kind, n, m, supp, coef, coef_q, mq)  one record
//       "homotopy KIND n m mq", then per term k "term k e_1 .. e_n re im"
//       of the scaled target coef(m) with supp(n, m), then per start
//       coefficient "start k re im" of coef_q(mq).
//   report_cell(p, minpow, m, tpow)  "cell p minpow tpow_1 .. tpow_m".
//   report_path(p, r, n, start, end, t, give_up, isgood)  "path p r t give_up
//       isgood", then the n coordinates of start and of end as "re im"
//       pairs on the same line.
#pragma once

#include <cstdio>

#include "array.h"
#include "cplx.h"

namespace hc {

#ifdef HC_PATH_ENDS
inline void report_homotopy(const char* kind, int n, int m, mat_ref<const int> supp,
                            vec_ref<const cplx> coef, vec_ref<const cplx> coef_q, int mq) {
  std::fprintf(stderr, "homotopy %s %d %d %d\n", kind, n, m, mq);
  for (int k = 1; k <= m; ++k) {
    std::fprintf(stderr, "term %d", k);
    for (int v = 1; v <= n; ++v) std::fprintf(stderr, " %d", supp(v, k));
    std::fprintf(stderr, " %.17g %.17g\n", coef(k).real(), coef(k).imag());
  }
  for (int k = 1; k <= mq; ++k)
    std::fprintf(stderr, "start %d %.17g %.17g\n", k, coef_q(k).real(), coef_q(k).imag());
}
inline void report_cell(int p, double minpow, int m, vec_ref<const double> tpow) {
  std::fprintf(stderr, "cell %d %.17g", p, minpow);
  for (int k = 1; k <= m; ++k) std::fprintf(stderr, " %.17g", tpow(k));
  std::fprintf(stderr, "\n");
}
inline void report_path(int p, int r, int n, vec_ref<const cplx> start, vec_ref<const cplx> end,
                        double t, int give_up, bool isgood) {
  std::fprintf(stderr, "path %d %d %.17g %d %d", p, r, t, give_up, isgood ? 1 : 0);
  for (int i = 1; i <= n; ++i)
    std::fprintf(stderr, " %.17g %.17g", start(i).real(), start(i).imag());
  for (int i = 1; i <= n; ++i) std::fprintf(stderr, " %.17g %.17g", end(i).real(), end(i).imag());
  std::fprintf(stderr, "\n");
}
#else
inline void report_homotopy(const char*, int, int, mat_ref<const int>, vec_ref<const cplx>,
                            vec_ref<const cplx>, int) {}
inline void report_cell(int, double, int, vec_ref<const double>) {}
inline void report_path(int, int, int, vec_ref<const cplx>, vec_ref<const cplx>, double, int,
                        bool) {}
#endif

}  // namespace hc

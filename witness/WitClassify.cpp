#include "WitClassify.h"

#include <algorithm>

#include "vec_ops.h"

namespace hc {

namespace {
vec<int> maxdeg_vec(int N, int M, mat_ref<const int> supp) {
  vec<int> maxdeg(N);
  maxdeg_of(N, M, supp, maxdeg);
  return maxdeg;
}
}  // namespace

classify_work::classify_work(int N_, int n_, int M_, vec_ref<const int> nm_,
                             mat_ref<const int> supp_, vec_ref<const cplx> coef_, int cap)
    : N(N_),
      n(n_),
      M(M_),
      nm(nm_),
      supp(supp_),
      coef(coef_),
      acoef(M_),
      size(N_),
      maxdeg(maxdeg_vec(N_, M_, supp_)),
      slw(N_, n_, M_, maxdeg),
      found(n_, std::max(cap, 1)) {
  abs_coef(M, coef, acoef);
}

bool slack_in_noise(int N, int n, vec_ref<const cplx> x, vec_ref<const double> size) {
  double terms = 0;
  for (int i = 1; i <= n; ++i) terms = std::max(terms, size(i));
  for (int i = n + 1; i <= N; ++i)
    if (!(cabs(x(i)) <= kSlackNoise * kMachEps * terms)) return false;
  return true;
}

end_kind classify_point(vec_ref<const cplx> x, bool end_point, vec_ref<cplx> y, classify_work& w) {
  const int N = w.N, n = w.n;
  if (end_point) {
    slice_sizes(N, w.nm, w.supp, w.acoef, x, w.size, w.slw);
    if (!slack_in_noise(N, n, x, w.size)) return end_kind::off_slice;
  }
  vcopy<cplx>(N, x, y);
  if (!slice_newton(N, n, w.nm, w.supp, w.coef, w.acoef, y, w.slw))
    return end_kind::not_regular;
  for (int q = 1; q <= w.count; ++q)
    if (same_point(n, y, w.found.col(q), kSameWitness)) return end_kind::copy;
  if (w.count == w.found.cols()) wit_fail("more witness points than the classifier was sized for");
  ++w.count;
  vcopy<cplx>(n, y, w.found.col(w.count));
  return end_kind::witness;
}

}  // namespace hc

#include "WitEval.h"

#include "fatal.h"

namespace hc {

void wit_fail(const std::string& what) { fatal(status::internal, what); }

void maxdeg_of(int n, int m, mat_ref<const int> supp, vec_ref<int> maxdeg) {
  for (int j = 1; j <= n; ++j) {
    int mx = INT_MIN;
    for (int k = 1; k <= m; ++k)
      if (supp(j, k) > mx) mx = supp(j, k);
    maxdeg(j) = mx;
  }
}

void check_eval_args(int n, int m, mat_ref<const int> supp, vec_ref<const int> maxdeg,
                     vec_ref<const int> nm) {
  long long terms = 0;
  for (int i = 1; i <= n; ++i) {
    if (nm(i) < 0) wit_fail("an equation has a negative number of terms");
    terms += nm(i);
  }
  if (terms > m || supp.cols() < terms || supp.rows() < n)
    wit_fail("the term counts of the equations exceed the terms of the system");
  for (int k = 1; k <= terms; ++k)
    for (int j = 1; j <= n; ++j)
      if (supp(j, k) < 0 || supp(j, k) > maxdeg(j))
        wit_fail("an exponent lies outside 0 and the largest degree of its variable");
}

void evalpdpds(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> cf,
               vec_ref<const cplx> cft, vec_ref<const int> maxdeg, vec_ref<const cplx> x,
               vec_ref<const int> nm, mat_ref<cplx> jacob, vec_ref<cplx> polyv,
               vec_ref<cplx> polyt) {
  evalpdpds_t<double>(n, m, supp, cf, cft, maxdeg, x, nm, jacob, polyv, polyt);
}

void evalpdp(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> cf,
             vec_ref<const int> maxdeg, vec_ref<const cplx> x, vec_ref<const int> nm,
             mat_ref<cplx> jacob, vec_ref<cplx> polyv) {
  evalpdp_t<double>(n, m, supp, cf, maxdeg, x, nm, jacob, polyv);
}

void evaldp(int n, int m, mat_ref<const int> supp, vec_ref<const cplx> cf,
            vec_ref<const int> maxdeg, vec_ref<const cplx> x, vec_ref<const int> nm,
            mat_ref<cplx> jacob) {
  check_eval_args(n, m, supp, maxdeg, nm);
  wit_eval_work<double> w(n, maxdeg);
  vec_ref<cplx> none;
  wit_eval_t<double, false, false>(n, supp, nm, cf, cf, x, jacob, none, none, w);
}

}  // namespace hc

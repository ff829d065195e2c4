// Whole runs of the polyhedral tracker in tests: a system in normal order
// with its mixed cells, fcurve through the sparse evaluator of
// fake_sparse_eval.h, and the comparison of the kept end points with the
// roots the system was built from.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FollowCurve.h"
#include "array.h"
#include "cplx.h"
#include "fake_sparse_eval.h"
#include "prng.h"
#include "scoped.h"
#include "sysprep.h"

namespace hc::polytest {

struct system {
  int n = 0;
  std::vector<int> nm;  // terms per equation, blocks of supp in normal order
  mat<int> supp;        // supp(n, m)
  vec<cplx> coef;       // coef(m)
  int m() const { return supp.cols(); }
};

struct run {
  mat<cplx> sol;
  mat<int> dat;
  int nroot = -1, blow_up = -1;
};

// Start coefficients of a fixed seed and clock value.
inline vec<cplx> start_coefs(int m, unsigned seed) {
  vec<double> tmprv(m);
  vec<cplx> coef_q(m);
  const test::scoped_seed fixed(seed);
  start_coefficients(m, 4321, tmprv, coef_q);
  return coef_q;
}

// Entries of sol that fcurve has not written.
const cplx kUnwritten(-77, -77);

// fcurve on s with cells mcl(n, 2nc) of lifting w; sol and dat get `paths`
// columns (the cells' start roots), dat zeroed as the driver does.
inline run track(const system& s, vec_ref<const double> w, mat_ref<const int> mcl, int nc,
                 int paths, vec_ref<const cplx> coef_q) {
  fakesp::set_system(s.n, s.nm, s.supp);
  run r{mat<cplx>(s.n, paths, kUnwritten), mat<int>(kDatRows, paths, 0), -1, -1};
  vec<int> nm(s.n);
  for (int i = 1; i <= s.n; ++i) nm(i) = s.nm[static_cast<std::size_t>(i - 1)];
  const test::scoped_seed fixed(99);  // the projection of the duplicate check
  fcurve(s.n, s.m(), nc, nm, s.supp, s.coef, coef_q, w, mcl, r.nroot, r.sol, r.dat, r.blow_up,
         fakesp::core);
  return r;
}

inline double dist(int n, vec_ref<const cplx> a, const std::vector<cplx>& b) {
  double d = 0;
  for (int i = 1; i <= n; ++i) d = std::max(d, std::abs(a(i) - b[static_cast<std::size_t>(i - 1)]));
  return d;
}

// Every chosen root is among sol(:, 1..nroot) exactly once within tol, and
// nothing else is.
inline void expect_roots_once(int n, const run& r, const std::vector<std::vector<cplx>>& roots,
                              double tol) {
  ASSERT_EQ(r.nroot, static_cast<int>(roots.size()));
  for (std::size_t k = 0; k < roots.size(); ++k) {
    int hits = 0;
    for (int j = 1; j <= r.nroot; ++j)
      if (dist(n, r.sol.col(j), roots[k]) < tol) ++hits;
    EXPECT_EQ(hits, 1) << "root " << k + 1;
  }
}

}  // namespace hc::polytest

// The fixture of the paths to far roots that look like poles at the end
// game: eps x^4 + x - 1, whose root near 1 is simple and whose other three
// lie near the cube roots of -1/eps.
//
//   expect_far_quartic_roots(eps, sol, nroot)  the four roots of
//       eps x^4 + x - 1 are the columns 1..4 of sol(1, >= 4), each a root to
//       within 100 eps of backward error: one within 1e-9 of 1, three of
//       modulus (1/eps)^(1/3) to 1, pairwise far apart.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "BackErr.h"
#include "array.h"
#include "cplx.h"

namespace hc::test {

inline void expect_far_quartic_roots(double eps, mat_ref<const cplx> sol, int nroot) {
  ASSERT_EQ(nroot, 4);
  const double far_modulus = std::cbrt(1.0 / eps);
  std::vector<cplx> far;
  for (int k = 1; k <= 4; ++k) {
    const cplx z = sol(1, k);
    const cplx value = eps * z * z * z * z + z - 1.0;
    const double terms = eps * std::pow(std::abs(z), 4) + std::abs(z) + 1.0;
    EXPECT_LE(std::abs(value), kBackErrFactor * kMachEps * terms) << "root " << z;
    if (std::abs(z) > 2) {
      far.push_back(z);
      EXPECT_LT(std::abs(std::abs(z) - far_modulus), 1.0) << z;
    } else {
      EXPECT_LT(std::abs(z - 1.0), 1e-9) << z;
    }
  }
  ASSERT_EQ(far.size(), 3u);
  for (std::size_t a = 0; a < 3; ++a)
    for (std::size_t b = a + 1; b < 3; ++b)
      EXPECT_GT(std::abs(far[a] - far[b]), far_modulus) << "three distinct far roots";
}

}  // namespace hc::test

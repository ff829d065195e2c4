// The sets of mixed cells over many fixed liftings (not a test;
// scripts/compare_mixedcell.sh runs it on two builds and compares).
//
//   cellsets FAMILY   one line per system and lifting seed:
//       "NAME SEED nc=NC mv=MV set=DIGEST list=DIGEST cert=OK|FAIL:K"
//       set is a 64-bit digest of the cells sorted (so the order in which the
//       search finds them does not enter), list the same of the cells in the
//       order found; cert counts the cells that
//       are not certified (exactly where the integers allow, else by the
//       inner normal in doubles), and the cells found twice.
//   FAMILY: anchors (the standard systems), sparse (random sparse supports,
//   small exponents), large (random supports with
//   exponents up to 120),
//   big (the standard systems of 10 to 12 variables, a few liftings each).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cellcheck.h"
#include "fixed_lifting.h"

using namespace hc;

namespace {

// Margin of the certificate in doubles, used where the integers overflow.
constexpr double kCertifyMargin = 1e-9;

void run(const std::string& name, const testsys::system& s, int seed) {
  const testsys::enumeration e = testsys::enumerate_fixed(s, static_cast<std::uint64_t>(seed));
  int bad = 0;
  for (const testsys::cell& c : e.cells) {
    const testsys::exact_verdict v = testsys::exact_cell(s.n, s.supp, s.nm, e.w, c);
    if (v == testsys::exact_verdict::not_a_cell ||
        (v == testsys::exact_verdict::undecided &&
         !(testsys::cell_margin(s.n, s.supp, s.nm, e.w, c) > kCertifyMargin)))
      ++bad;
  }
  std::vector<testsys::cell> sorted = e.cells;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i] == sorted[i - 1]) ++bad;
  const std::string cert = bad == 0 ? "OK" : "FAIL:" + std::to_string(bad);
  std::printf("%s %d nc=%zu mv=%lld set=%016llx list=%016llx cert=%s\n", name.c_str(), seed,
              e.cells.size(), e.mv, static_cast<unsigned long long>(testsys::set_digest(e.cells)),
              static_cast<unsigned long long>(testsys::list_digest(e.cells)), cert.c_str());
}

void sweep(const std::string& name, const testsys::system& s, int seeds) {
  const testsys::system t = testsys::normal_form(s);
  for (int seed = 0; seed < seeds; ++seed) run(name, t, seed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cellsets anchors|sparse|large|big\n");
    return 2;
  }
  using namespace testsys;
  const std::string fam = argv[1];
  if (fam == "anchors") {
    for (int k = 4; k <= 8; ++k) sweep("cyclic" + std::to_string(k), cyclic(k), k <= 6 ? 200 : 40);
    for (int k = 3; k <= 9; ++k)
      sweep("katsura" + std::to_string(k), katsura(k), k <= 6 ? 200 : 40);
    for (int k = 3; k <= 7; ++k) sweep("noon" + std::to_string(k), noon(k), k <= 5 ? 200 : 30);
    for (int k = 4; k <= 10; ++k) sweep("eco" + std::to_string(k), eco(k), k <= 7 ? 200 : 40);
    sweep("dense_3_2_2", dense({3, 2, 2}), 200);
    sweep("dense_1_4_2_3", dense({1, 4, 2, 3}), 100);
    sweep("binomial_3x3", binomial(3, {3, 0, 1, 1, 2, 0, 0, 1, 4}), 100);
  } else if (fam == "sparse") {
    for (unsigned r = 1; r <= 40; ++r) {
      const int n = 2 + static_cast<int>(r % 5);  // 2..6
      const int k = 3 + static_cast<int>(r % 4);  // 3..6 terms
      sweep("sparse" + std::to_string(r), testsys::random_supports(n, k, 3, 500 + r), 50);
    }
  } else if (fam == "large") {
    // The system on which a tolerance of the pair tests once lost cells.
    sweep("x2x3_8_x1",
          from_equations(3, {{{0, 63, 99}, {0, 84, 0}, {0, 91, 90}},
                             {{0, 0, 8}},
                             {{89, 10, 95}, {0, 0, 95}, {90, 35, 87}}}),
          500);
    for (unsigned r = 1; r <= 30; ++r) {
      const int n = 2 + static_cast<int>(r % 3);  // 2..4
      const int k = 2 + static_cast<int>(r % 3);  // 2..4 terms
      sweep("large" + std::to_string(r), testsys::random_supports(n, k, 120, 900 + r), 50);
    }
    // n = 3..5, 3..6 terms, the exponents as large as a mixed volume that
    // fits in 32 bits allows.
    for (unsigned r = 1; r <= 400; ++r) {
      const int n = 3 + static_cast<int>(r % 3);
      const int k = 3 + static_cast<int>(r % 4);
      const int e = n == 3 ? 100 : n == 4 ? 30 : 12;
      sweep("large" + std::to_string(n) + "d_" + std::to_string(r),
            testsys::random_supports(n, k, e, 7000 + r), 10);
    }
  } else if (fam == "big") {
    for (int k = 9; k <= 10; ++k) sweep("cyclic" + std::to_string(k), cyclic(k), 4);
    for (int k = 10; k <= 11; ++k) sweep("katsura" + std::to_string(k), katsura(k), 4);
    sweep("noon8", noon(8), 4);
    sweep("eco12", eco(12), 4);
  } else {
    std::fprintf(stderr, "unknown family %s\n", fam.c_str());
    return 2;
  }
  return 0;
}

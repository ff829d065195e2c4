// Whole runs of the polyhedral homotopy: mixed cells of a random lifting,
// their mixed volume, and fcurve through the tests' own sparse evaluator, on
// systems built from chosen roots.  Every chosen root must come out once.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "LinTool.h"
#include "MixedCell.h"
#include "poly_run.h"
#include "scoped.h"

namespace hc {
namespace {

struct term {
  std::vector<int> e;
  cplx c;
};
using equation = std::vector<term>;
using point = std::vector<cplx>;

// Equations by ascending term count, terms in descending lexicographic order
// (the constant term last), each equation scaled by a complex factor so that
// no coefficient pattern is special.
polytest::system build(int n, std::vector<equation> eqs) {
  for (auto& q : eqs)
    std::sort(q.begin(), q.end(), [](const term& a, const term& b) { return a.e > b.e; });
  std::stable_sort(eqs.begin(), eqs.end(),
                   [](const equation& a, const equation& b) { return a.size() < b.size(); });
  polytest::system s;
  s.n = n;
  int m = 0;
  for (const auto& q : eqs) {
    s.nm.push_back(static_cast<int>(q.size()));
    m += static_cast<int>(q.size());
  }
  s.supp.assign(n, m);
  s.coef.assign(m);
  int k = 0;
  for (std::size_t i = 0; i < eqs.size(); ++i) {
    const cplx f = std::polar(1.0 + 0.3 * static_cast<double>(i), 0.7 + static_cast<double>(i));
    for (const term& t : eqs[i]) {
      ++k;
      for (int v = 1; v <= n; ++v) s.supp(v, k) = t.e[static_cast<std::size_t>(v - 1)];
      s.coef(k) = f * t.c;
    }
  }
  return s;
}

// The elementary symmetric system e_k(x) = e_k(a), k = 1..n, whose roots are
// the n! orderings of a.
std::pair<polytest::system, std::vector<point>> symmetric(const point& a) {
  const int n = static_cast<int>(a.size());
  std::vector<equation> eqs;
  for (int k = 1; k <= n; ++k) {
    equation q;
    cplx ek(0, 0);
    for (unsigned mask = 0; mask < (1u << n); ++mask) {
      if (__builtin_popcount(mask) != k) continue;
      std::vector<int> e(static_cast<std::size_t>(n));
      cplx prod(1, 0);
      for (int v = 0; v < n; ++v)
        if (mask & (1u << v)) {
          e[static_cast<std::size_t>(v)] = 1;
          prod *= a[static_cast<std::size_t>(v)];
        }
      ek += prod;
      q.push_back({e, 1.0});
    }
    q.push_back({std::vector<int>(static_cast<std::size_t>(n), 0), -ek});
    eqs.push_back(q);
  }
  std::vector<point> roots;
  std::vector<int> idx(static_cast<std::size_t>(n));
  std::iota(idx.begin(), idx.end(), 0);
  do {
    point r;
    for (int i : idx) r.push_back(a[static_cast<std::size_t>(i)]);
    roots.push_back(r);
  } while (std::next_permutation(idx.begin(), idx.end()));
  return {build(n, eqs), roots};
}

// Two dense conics through four chosen points: the x^2 and xy coefficients
// are chosen, the other four solve the conditions at the points.
std::pair<polytest::system, std::vector<point>> conics(const std::vector<point>& pts) {
  const std::vector<std::vector<int>> mono{{1, 0}, {0, 2}, {0, 1}, {0, 0}};
  const std::pair<cplx, cplx> lead[2] = {{1.0, cplx(0, 0.5)}, {cplx(0.3, -1), 2.0}};
  std::vector<equation> eqs;
  for (const auto& [cx2, cxy] : lead) {
    mat<cplx> a(4, 4);
    vec<cplx> b(4);
    for (int r = 1; r <= 4; ++r) {
      const cplx x = pts[static_cast<std::size_t>(r - 1)][0],
                 y = pts[static_cast<std::size_t>(r - 1)][1];
      for (int c = 1; c <= 4; ++c) {
        const auto& e = mono[static_cast<std::size_t>(c - 1)];
        a(r, c) = std::pow(x, e[0]) * std::pow(y, e[1]);
      }
      b(r) = -(cx2 * x * x + cxy * x * y);
    }
    cqaxb(4, a, b);
    equation q{{{2, 0}, cx2}, {{1, 1}, cxy}};
    for (int c = 1; c <= 4; ++c) q.push_back({mono[static_cast<std::size_t>(c - 1)], b(c)});
    eqs.push_back(q);
  }
  return {build(2, eqs), pts};
}

struct chosen {
  std::string name;
  polytest::system sys;
  std::vector<point> roots;
};

std::vector<chosen> cases() {
  std::vector<chosen> c;
  c.push_back({"x^2 = 4, y^2 = 9",
               build(2, {{{{2, 0}, 1.0}, {{0, 0}, -4.0}}, {{{0, 2}, 1.0}, {{0, 0}, -9.0}}}),
               {{2.0, 3.0}, {2.0, -3.0}, {-2.0, 3.0}, {-2.0, -3.0}}});
  c.push_back(
      {"binomial xy = 2 and trinomial x^2 + y^2 = 5",
       build(2, {{{{1, 1}, 1.0}, {{0, 0}, -2.0}}, {{{2, 0}, 1.0}, {{0, 2}, 1.0}, {{0, 0}, -5.0}}}),
       {{1.0, 2.0}, {2.0, 1.0}, {-1.0, -2.0}, {-2.0, -1.0}}});
  {
    auto [s, r] =
        conics({{cplx(1, 1), 2.0}, {-1.0, cplx(0.5, -1)}, {cplx(0, 2), cplx(-1, 1)}, {0.3, -2.2}});
    c.push_back({"two dense conics through four points", s, r});
  }
  {
    // xy = 2, yz = 6, x^2 + y^2 + z^2 = 14: x^2 = 1 or 0.4, y = 2/x, z = 3x.
    std::vector<point> r;
    for (double x : {1.0, -1.0, std::sqrt(0.4), -std::sqrt(0.4)})
      r.push_back({x, 2.0 / x, 3.0 * x});
    c.push_back(
        {"two binomials and a sum of squares",
         build(3, {{{{1, 1, 0}, 1.0}, {{0, 0, 0}, -2.0}},
                   {{{0, 1, 1}, 1.0}, {{0, 0, 0}, -6.0}},
                   {{{2, 0, 0}, 1.0}, {{0, 2, 0}, 1.0}, {{0, 0, 2}, 1.0}, {{0, 0, 0}, -14.0}}}),
         r});
  }
  {
    auto [s, r] = symmetric({cplx(1, 0.5), -2.0, cplx(0.7, -1.1)});
    c.push_back({"elementary symmetric, three variables", s, r});
  }
  {
    auto [s, r] = symmetric({cplx(1, 0.5), -2.0, cplx(0.7, -1.1), cplx(-0.4, 1.6)});
    c.push_back({"elementary symmetric, four variables", s, r});
  }
  return c;
}

TEST(fcurveOnMixedCells, EveryChosenRootOnce) {
  for (const chosen& c : cases()) {
    for (unsigned seed : {3u, 8u}) {
      SCOPED_TRACE(c.name + ", seed " + std::to_string(seed));
      const polytest::system& s = c.sys;
      const int n = s.n;
      int m = s.m();
      vec<int> nm(n);
      for (int i = 1; i <= n; ++i) nm(i) = s.nm[static_cast<std::size_t>(i - 1)];
      mat<int> supp = s.supp;
      vec<double> w(m);
      vec<int> crsp(m);
      mat<int> mcl;
      int nc = 0, pm = 0;
      {
        const test::scoped_seed fixed(seed);
        mixedcell(n, m, nm, supp, w, mcl, nc, pm, crsp);
      }
      vec<int> stdet(nc);
      long long mv = 0;
      mixvol(n, m, nc, supp, mcl, stdet, mv);
      ASSERT_EQ(mv, static_cast<long long>(c.roots.size()));

      const vec<cplx> coef_q = polytest::start_coefs(m, seed + 100);
      const polytest::run r = polytest::track(s, w, mcl, nc, static_cast<int>(mv), coef_q);
      polytest::expect_roots_once(n, r, c.roots, 1e-8);
      EXPECT_EQ(r.blow_up, 0);
      std::set<std::pair<int, int>> starts;
      for (int j = 1; j <= r.nroot; ++j) {
        const int p = r.dat(kDatCell, j), root = r.dat(kDatStart, j);
        ASSERT_TRUE(p >= 1 && p <= nc) << "column " << j;
        EXPECT_TRUE(root >= 1 && root <= stdet(p)) << "column " << j;
        starts.insert({p, root});
        EXPECT_EQ(r.dat(kDatRetracks, j), 0) << "distinct roots are not re-tracked";
      }
      EXPECT_EQ(starts.size(), c.roots.size()) << "each path from its own start root";
    }
  }
}

}  // namespace
}  // namespace hc

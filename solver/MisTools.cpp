#include "MisTools.h"

#include <cstdint>
#include <limits>

namespace hc {

void nmsc_ascend(int n, int m, vec_ref<int> nm, mat_ref<int> supp, vec_ref<cplx> coef) {
  mat<int> osupp(n, m);
  vec<cplx> ocoef(m);
  vec<int> ohd(n), si(n);
  int first = 1;
  for (int i = 1; i <= n; ++i) {
    ohd(i) = first;
    first += nm(i);
  }
  for (int k = 1; k <= m; ++k) {
    for (int j = 1; j <= n; ++j) osupp(j, k) = supp(j, k);
    ocoef(k) = coef(k);
  }
  for (int i = 1; i <= n; ++i) si(i) = i;
  for (int i = 1; i <= n - 1; ++i)
    for (int j = i + 1; j <= n; ++j)
      if (nm(j) < nm(i)) {
        std::swap(nm(i), nm(j));
        std::swap(si(i), si(j));
      }
  int col = 1;
  for (int i = 1; i <= n; ++i) {
    const int from = ohd(si(i));
    for (int t = 0; t < nm(i); ++t, ++col) {
      for (int j = 1; j <= n; ++j) supp(j, col) = osupp(j, from + t);
      coef(col) = ocoef(from + t);
    }
  }
}

// Descending lexicographic order, variable 1 most significant.  The terms are
// compared digit by digit, which is the order of the mixed-radix keys
// 1 + sum supp(j,k) s(j) whenever those keys fit 32 bits, and stays the
// lexicographic order where they would overflow.
static bool lex_greater(mat_ref<const int> supp, int n, int a, int b) {
  for (int j = 1; j <= n; ++j) {
    if (supp(j, a) != supp(j, b)) return supp(j, a) > supp(j, b);
  }
  return false;
}

void lexicosc(int n, int m, vec_ref<const int> nm, mat_ref<int> supp, vec_ref<cplx> coef) {
  (void)m;
  int hd = 1;
  int maxnm = 0;
  for (int i = 1; i <= n; ++i) maxnm = std::max(maxnm, nm(i));
  vec<int> off(maxnm);
  mat<int> bsupp(n, maxnm);
  vec<cplx> bcoef(maxnm);
  for (int i = 1; i <= n; ++i) {
    const int cnt = nm(i);
    for (int c = 1; c <= cnt; ++c) {
      off(c) = c;
      for (int j = 1; j <= n; ++j) bsupp(j, c) = supp(j, hd + c - 1);
      bcoef(c) = coef(hd + c - 1);
    }
    mat_ref<const int> bs = bsupp.ref();
    // Selection sort: the first largest of positions c..cnt moves to c.
    for (int c = 1; c <= cnt; ++c) {
      int p = c;
      for (int q = c + 1; q <= cnt; ++q)
        if (lex_greater(bs, n, off(q), off(p))) p = q;
      if (p != c) std::swap(off(p), off(c));
    }
    for (int c = 1; c <= cnt; ++c) {
      for (int j = 1; j <= n; ++j) supp(j, hd + c - 1) = bsupp(j, off(c));
      coef(hd + c - 1) = bcoef(off(c));
    }
    hd += cnt;
  }
}

void block_bounds(int n, vec_ref<const int> nm, vec_ref<int> shd, vec_ref<int> stl) {
  int last = 0;
  for (int i = 1; i <= n; ++i) {
    shd(i) = last + 1;
    last += nm(i);
    stl(i) = last;
  }
}

// True when column k holds a non-zero exponent.
static bool nonconstant(mat_ref<const int> supp, int n, int k) {
  for (int j = 1; j <= n; ++j)
    if (supp(j, k) != 0) return true;
  return false;
}

int completed_size(int n, vec_ref<const int> nm, mat_ref<const int> supp) {
  int m = 0, last = 0;
  for (int i = 1; i <= n; ++i) {
    last += nm(i);
    m += nm(i) + (nonconstant(supp, n, last) ? 1 : 0);
  }
  return m;
}

void complete_supp(int n, vec_ref<int> nm, mat_ref<const int> supp_rd, vec_ref<int> cnst,
                   mat_ref<int> supp) {
  int from = 0, to = 0;
  for (int i = 1; i <= n; ++i) {
    for (int t = 1; t <= nm(i); ++t) {
      ++from;
      ++to;
      for (int j = 1; j <= n; ++j) supp(j, to) = supp_rd(j, from);
    }
    cnst(i) = nonconstant(supp_rd, n, from) ? 1 : 0;
    if (cnst(i) == 1) {
      ++to;
      for (int j = 1; j <= n; ++j) supp(j, to) = 0;
      nm(i) += 1;
    }
  }
}

void complete_coef(int n, vec_ref<const int> nm, vec_ref<const int> cnst,
                   vec_ref<const cplx> coef_rd, vec_ref<cplx> coef) {
  int from = 0, to = 0;
  for (int i = 1; i <= n; ++i) {
    for (int t = 1; t <= nm(i) - cnst(i); ++t) coef(++to) = coef_rd(++from);
    if (cnst(i) == 1) coef(++to) = cplx(0.0, 0.0);
  }
}

// dran2: two multiplicative congruential generators (moduli 2147483563 and
// 2147483399, the classic 32-bit pair) combined through a shuffle table.  All
// arithmetic is 32-bit with truncating division; the products stay within 32
// bits for every idum in 1..kIm1-1.
namespace {
constexpr int kIm1 = 2147483563;
constexpr int kIm2 = 2147483399;
constexpr int kImm1 = kIm1 - 1;
constexpr int kIa1 = 40014;
constexpr int kIa2 = 40692;
constexpr int kIq1 = 53668;
constexpr int kIq2 = 52774;
constexpr int kIr1 = 12211;
constexpr int kIr2 = 3791;
constexpr int kNtab = 32;
constexpr int kNdiv = 1 + kImm1 / kNtab;
// kAm is 2^-31 (1 + 2^-23): the single-precision 1/kIm1 widened to double.
constexpr double kAm = 4.656613428188905e-10;
// 1 minus the single-precision value nearest to 1.2e-7, in double: the result
// never reaches 1.
constexpr double kRnmx = 0.9999998800000043;

struct dran2_state {
  int idum2 = 123456789;
  int iy = 0;
  int iv[kNtab] = {};
};
dran2_state g_dran2;

inline void advance(int& x, int ia, int iq, int ir, int im) {
  const int k = x / iq;
  x = ia * (x - k * iq) - k * ir;
  if (x < 0) x += im;
}
}  // namespace

double dran2(int& idum) {
  dran2_state& s = g_dran2;
  if (idum <= 0) {
    idum = (idum == std::numeric_limits<int>::min()) ? std::numeric_limits<int>::max()
                                                     : std::max(-idum, 1);
    s.idum2 = idum;
    for (int j = kNtab + 8; j >= 1; --j) {
      advance(idum, kIa1, kIq1, kIr1, kIm1);
      if (j <= kNtab) s.iv[j - 1] = idum;
    }
    s.iy = s.iv[0];
  }
  advance(idum, kIa1, kIq1, kIr1, kIm1);
  advance(s.idum2, kIa2, kIq2, kIr2, kIm2);
  const int j = 1 + s.iy / kNdiv;
  s.iy = s.iv[j - 1] - s.idum2;
  s.iv[j - 1] = idum;
  if (s.iy < 1) s.iy += kImm1;
  const double x = kAm * s.iy;
  return x < kRnmx ? x : kRnmx;
}

void dran2_reset() { g_dran2 = dran2_state{}; }

}  // namespace hc

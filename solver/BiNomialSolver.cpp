#include "BiNomialSolver.h"

#include <climits>
#include <cmath>
#include <iostream>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "fatal.h"
#include "ffwrite.h"

namespace hc {

namespace {

// The double nearest to 2 pi: one full turn added per root of a level.
constexpr double kTwoPi = 6.283185307179586;

// A size reduction acts only on entries of at least this modulus; smaller
// ones (up to 3) are already small enough for the gcd steps.
constexpr int kSizeReduceBelow = 4;

// The text written when a row before the last has no pivot left.
constexpr const char* kSingularText = " det = 0 !  ";

// Solutions of one binomial system are columns of int-indexed arrays.
constexpr long long kMaxColumns = INT_MAX;

[[noreturn]] void fail(int exit_status, const char* what, long long value, long long limit) {
  fatal(exit_status, std::string("binomial solver: ") + what + " (" + std::to_string(value) +
                         ", limit " + std::to_string(limit) + ")");
}

long long abs64(long long v) { return v < 0 ? -v : v; }

// The reduction works in 128-bit integers.  Its entries grow between the
// size reductions (the rows below the current one are reduced only when
// their turn comes, the transform only at the end), and for dense matrices
// of order six or more with entries of a few units the intermediate values
// already pass 2^31 although the final L and V are small.  Wider arithmetic
// gives exactly the 32-bit results whenever those are exact, and the right
// ones where 32 bits would have wrapped.  Every value is kept below
// kWideLimit in modulus, so that |x|, 2|x| and x + y never overflow.
using wide = __int128;
constexpr wide kWideLimit = static_cast<wide>(1) << 124;

[[noreturn]] void fail_wide() {
  fatal(status::size, "binomial solver: integer reduction overflows: entries beyond 2^124");
}

wide checked(wide x) {
  if (x > kWideLimit || x < -kWideLimit) fail_wide();
  return x;
}

wide mul(wide a, wide b) {
  wide r = 0;
  if (__builtin_mul_overflow(a, b, &r)) fail_wide();
  return checked(r);
}

template <class T>
T tabs(T v) {
  return v < 0 ? -v : v;
}

// Extended Euclid, for 64-bit arguments that hold 32-bit values (gcd) and
// for the wide entries of the reduction.  Divisions truncate toward zero.
template <class T>
void gcd_impl(T a, T b, T& d, T& s1, T& t1) {
  if (a == 0 && b == 0) {
    d = s1 = t1 = 0;
    return;
  }
  if (a == 0) {
    d = b, s1 = 0, t1 = 1;
    return;
  }
  if (b == 0) {
    d = a, s1 = 1, t1 = 0;
    return;
  }
  if ((a / b) * b == a) {
    d = b, s1 = 0, t1 = 1;
    return;
  }
  if ((b / a) * a == b) {
    d = a, s1 = 1, t1 = 0;
    return;
  }
  // Remainders r1, r2, r and the coefficients (s, t) of r on the argument
  // of larger modulus and on the other one; (s2, t2) those of r2.
  const bool a_smaller = tabs(a) < tabs(b);
  T r1 = a_smaller ? b : a;
  T r2 = a_smaller ? a : b;
  T q = r1 / r2;
  T r = r1 - q * r2;
  T s = 1, t = -q, s2 = 0, t2 = 1;
  while ((r2 / r) * r != r2) {
    r1 = r2;
    r2 = r;
    q = r1 / r2;
    const T sn = s2 - q * s, tn = t2 - q * t;
    s2 = s;
    t2 = t;
    s = sn;
    t = tn;
    r = r1 - q * r2;
  }
  if (a_smaller) std::swap(s, t);
  d = r;
  s1 = s;
  t1 = t;
}

// The multiplier that reduces e by p (p != 0) to the remainder of smallest
// modulus: q0 = e / p truncated, r = e - q0 p; |p| < 2|r| rounds q0 away
// from it (down when p and e have opposite signs, p e < 1), |p| <= |e| keeps
// q0, and otherwise there is nothing to do (false).  A remainder of exactly
// |p|/2 keeps the sign of the truncated one.
bool size_multiplier(wide p, wide e, wide& f) {
  const wide q0 = e / p;
  const wide r = e - q0 * p;
  if (tabs(p) < 2 * tabs(r)) {
    const bool opposite = (p < 0) != (e < 0);  // e != 0 here, so p e < 1
    f = opposite ? q0 - 1 : q0 + 1;
    return true;
  }
  if (tabs(p) <= tabs(e)) {
    f = q0;
    return true;
  }
  return false;
}

// The n x n working copies of m and, when with_q, of q.
struct work {
  int n;
  bool with_q;
  std::vector<wide> m, q;
  std::size_t at(int i, int j) const {
    return static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * n;
  }
  wide& M(int i, int j) { return m[at(i, j)]; }
  wide& Q(int i, int j) { return q[at(i, j)]; }

  // Column j minus f times column s: rows first..n of m, all rows of q.
  void sub_column(int j, int s, wide f, int first) {
    for (int i = first; i <= n; ++i) M(i, j) = checked(M(i, j) - mul(f, M(i, s)));
    if (with_q)
      for (int i = 1; i <= n; ++i) Q(i, j) = checked(Q(i, j) - mul(f, Q(i, s)));
  }

  // Columns (k, j) <- (u col k + w col j, a2 col j - a1 col k), at once.
  static void rotate(wide& xk, wide& xj, wide u, wide w, wide a1, wide a2) {
    const wide k0 = xk, j0 = xj;
    xk = checked(mul(u, k0) + mul(w, j0));
    xj = checked(mul(a2, j0) - mul(a1, k0));
  }
};

// The reduction proper on the working copies.  Returns 0 when a row k < n
// has no pivot (after writing the record) or when L(n,n) = 0, else 1.
int reduce(work& wk) {
  const int n = wk.n;
  for (int k = 1; k <= n - 1; ++k) {
    // Pivot: the smallest non-zero |m(k,j)|, j >= k; the first one wins.
    int piv = 0;
    wide best = 0;
    for (int j = k; j <= n; ++j) {
      const wide e = tabs(wk.M(k, j));
      if (e != 0 && (piv == 0 || e < best)) {
        piv = j;
        best = e;
      }
    }
    if (piv == 0) {
      ff_record(std::cout, kSingularText);
      return 0;
    }
    if (piv != k) {
      for (int i = 1; i <= n; ++i) std::swap(wk.M(i, k), wk.M(i, piv));
      if (wk.with_q)
        for (int i = 1; i <= n; ++i) std::swap(wk.Q(i, k), wk.Q(i, piv));
    }

    // Size reduction of the rest of row k by the pivot.
    for (int j = k + 1; j <= n; ++j) {
      wide f = 0;
      if (tabs(wk.M(k, j)) >= kSizeReduceBelow && size_multiplier(wk.M(k, k), wk.M(k, j), f))
        wk.sub_column(j, k, f, k);
    }

    // Elimination: a determinant-1 transform of columns k and j per entry,
    // leaving gcd(m(k,k), m(k,j)) in m(k,k) and 0 in m(k,j).
    for (int j = k + 1; j <= n; ++j) {
      if (wk.M(k, j) == 0) continue;
      wide g = 0, u = 0, w = 0;
      gcd_impl<wide>(wk.M(k, k), wk.M(k, j), g, u, w);
      const wide a1 = wk.M(k, j) / g, a2 = wk.M(k, k) / g;
      for (int i = k; i <= n; ++i) work::rotate(wk.M(i, k), wk.M(i, j), u, w, a1, a2);
      if (wk.with_q)
        for (int i = 1; i <= n; ++i) work::rotate(wk.Q(i, k), wk.Q(i, j), u, w, a1, a2);
    }
  }

  // Final size reduction below the diagonal.  A zero diagonal entry (only
  // m(n,n) can be one here) reduces nothing: there is no divisor.
  for (int i = 2; i <= n; ++i) {
    if (wk.M(i, i) == 0) continue;
    for (int j = 1; j <= i - 1; ++j) {
      wide f = 0;
      if (tabs(wk.M(i, j)) >= kSizeReduceBelow && size_multiplier(wk.M(i, i), wk.M(i, j), f))
        wk.sub_column(j, i, f, i);
    }
  }
  return n == 0 || wk.M(n, n) != 0 ? 1 : 0;
}

// A value of the reduced matrix back in 32 bits.  For a regular matrix the
// reduced entries are those of L and V, which must be exact; for a singular
// one their content has no use and they keep their low 32 bits.
int narrow(wide x, bool exact) {
  if (x > INT_MAX || x < INT_MIN) {
    if (exact) {
      fatal(status::size, "binomial solver: reduced integer matrix has entries beyond 32 bits");
    }
    return static_cast<int>(static_cast<unsigned int>(static_cast<unsigned __int128>(x)));
  }
  return static_cast<int>(x);
}

// The solutions of the reduced system: l(n,n) lower triangular with
// l = a v, c(n) of modulus 1 with lnc(n) = log of the original moduli,
// det = prod |l(i,i)| > 0 columns of x and y.
void list_solutions(int n, mat_ref<cplx> x, mat_ref<double> y, mat_ref<const int> l,
                    mat_ref<const int> v, vec_ref<const cplx> c, vec_ref<const double> lnc,
                    int det) {
  // Moduli by forward substitution, log y = L^-1 log|c|, then log x = V log y.
  vec<double> lny(n), lnx(n);
  for (int i = 1; i <= n; ++i) {
    double s = lnc(i);
    for (int k = 1; k <= i - 1; ++k) s -= l(i, k) * lny(k);
    lny(i) = s / l(i, i);
  }
  for (int j = 1; j <= n; ++j) {
    double s = 0.0;
    for (int k = 1; k <= n; ++k) s += v(j, k) * lny(k);
    lnx(j) = s;
  }

  // Angles level by level: level i splits every block of columns into
  // |l(i,i)| sub-blocks, one per root t of that level.
  int block = det;
  for (int i = 1; i <= n; ++i) {
    const int di = l(i, i) < 0 ? -l(i, i) : l(i, i);
    const int sub = block / di;
    const int nblocks = det / block;
    const double arg = std::atan2(c(i).imag(), c(i).real());
    for (int b = 1; b <= nblocks; ++b) {
      const int tl = b * block;
      const int hd = tl - block + 1;
      // The earlier levels' angles are equal throughout the block.
      double theta = arg;
      for (int k = 1; k <= i - 1; ++k) theta -= y(k, tl) * l(i, k);
      for (int t = 1; t <= di; ++t) {
        const double ang = (theta + t * kTwoPi) / l(i, i);
        const int s0 = hd + (t - 1) * sub;
        for (int s = s0; s <= s0 + sub - 1; ++s) y(i, s) = ang;
      }
    }
    block = sub;
  }

  for (int s = 1; s <= det; ++s) {
    for (int j = 1; j <= n; ++j) {
      double w = 0.0;
      for (int k = 1; k <= n; ++k) w += y(k, s) * v(j, k);
      x(j, s) = std::exp(lnx(j)) * cplx(std::cos(w), std::sin(w));
    }
  }
}

// Normalises c to modulus 1 and returns the logarithms of the old moduli.
void normalise(int n, vec_ref<cplx> c, vec_ref<double> lnc) {
  for (int i = 1; i <= n; ++i) {
    const double r = cabs(c(i));
    c(i) = c(i) / r;
    lnc(i) = std::log(r);
  }
}

// The number of solutions as a column count, after checking that it is one
// and that x (n rows) has room for them.
int solution_columns(int n, long long det, mat_ref<const cplx> x) {
  if (det > kMaxColumns)
    fail(status::size, "too many solutions for one binomial system", det, kMaxColumns);
  if (x.rows() < n) fail(status::internal, "solution array has too few rows", x.rows(), n);
  if (x.cols() < det)
    fail(status::internal, "solution array has fewer columns than solutions", x.cols(), det);
  return static_cast<int>(det);
}

// x^a = c for the callers that own no angle array: reduce, then list the
// solutions with an angle array sized from the actual count.
int solve_binomial(int n, mat_ref<int> a, vec_ref<cplx> c, mat_ref<cplx> bix) {
  mat<int> v(n, n);
  long long det64 = 0;
  intmatqr(n, a, v, det64);
  vec<double> lnc(n);
  normalise(n, c, lnc);
  if (det64 == 0) return 0;
  const int det = solution_columns(n, det64, bix);
  mat<double> y;
  try {
    y.assign(n, det);
  } catch (const std::bad_alloc&) {
    fatal(status::memory,
          "binomial solver: no memory for the angles of " + std::to_string(det) + " solutions");
  }
  list_solutions(n, bix, y, a, v, c, lnc, det);
  return det;
}

}  // namespace

int bisolver(int p, int n, int m, mat_ref<const int> supp, vec_ref<const cplx> coef,
             mat_ref<const int> mcl, mat_ref<cplx> bix) {
  (void)m;
  mat<int> a(n, n);
  vec<cplx> c(n);
  for (int i = 1; i <= n; ++i) {
    const int k1 = mcl(i, 2 * p - 1), k2 = mcl(i, 2 * p);
    for (int j = 1; j <= n; ++j)
      a(i, j) = static_cast<int>(static_cast<long long>(supp(j, k1)) - supp(j, k2));
    c(i) = -coef(k2) / coef(k1);
  }
  return solve_binomial(n, a, c, bix);
}

int bisolvertd(int n, int m, vec_ref<const cplx> coef, mat_ref<cplx> bix, int totaldeg,
               vec_ref<const int> deg) {
  (void)m;
  (void)totaldeg;  // the count comes from the reduction itself
  mat<int> a(n, n, 0);
  vec<cplx> c(n);
  for (int i = 1; i <= n; ++i) {
    a(i, i) = deg(i);
    c(i) = -coef(2 * i) / coef(2 * i - 1);
  }
  return solve_binomial(n, a, c, bix);
}

void xac(int n, mat_ref<cplx> x, mat_ref<double> y, mat_ref<int> a, vec_ref<cplx> c, int& det) {
  mat<int> v(n, n);
  long long det64 = 0;
  intmatqr(n, a, v, det64);
  vec<double> lnc(n);
  normalise(n, c, lnc);
  det = 0;
  if (det64 == 0) return;
  const int cols = solution_columns(n, det64, x);
  if (y.rows() < n) fail(status::internal, "angle array has too few rows", y.rows(), n);
  if (y.cols() < cols)
    fail(status::internal, "angle array has fewer columns than solutions", y.cols(), cols);
  det = cols;
  list_solutions(n, x, y, a, v, c, lnc, det);
}

void intmatqr(int n, mat_ref<int> m, mat_ref<int> q, long long& det) {
  intmat_reduce(n, m, q, true, det);
}

void intmat_reduce(int n, mat_ref<int> m, mat_ref<int> q, bool with_q, long long& det) {
  work wk{n, with_q, {}, {}};
  wk.m.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) wk.M(i, j) = m(i, j);
  if (with_q) {
    wk.q.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
    for (int i = 1; i <= n; ++i) wk.Q(i, i) = 1;
  }
  det = reduce(wk);

  const bool exact = det != 0;
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) m(i, j) = narrow(wk.M(i, j), exact);
  if (with_q)
    for (int j = 1; j <= n; ++j)
      for (int i = 1; i <= n; ++i) q(i, j) = narrow(wk.Q(i, j), exact);

  // det = prod |m(i,i)| (also |signed product|), saturating at LLONG_MAX
  // rather than overflowing; a zero entry still gives 0.
  if (det != 0) {
    det = 1;
    for (int i = 1; i <= n; ++i)
      if (__builtin_mul_overflow(det, abs64(m(i, i)), &det)) det = LLONG_MAX;
  }
}

void gcd(int a, int b, int& d, int& s1, int& t1) {
  long long ld = 0, ls = 0, lt = 0;
  gcd_impl<long long>(a, b, ld, ls, lt);
  d = static_cast<int>(ld);
  s1 = static_cast<int>(ls);
  t1 = static_cast<int>(lt);
}

}  // namespace hc

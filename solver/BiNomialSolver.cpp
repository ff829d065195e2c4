#include "BiNomialSolver.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <utility>

#include "ffwrite.h"

namespace hc {

namespace {

// The double nearest to 2 pi: one full turn added per root of a level.
constexpr double two_pi = 6.283185307179586;

// Entries of modulus at most this are left alone by a size reduction: they
// are already small enough for the gcd steps.
constexpr int size_reduce_below = 4;

// The text written when a row before the last has no pivot left.
constexpr const char* singular_text = " det = 0 !  ";

// Solutions of one binomial system are columns of int-indexed arrays.
constexpr long long max_columns = INT_MAX;

[[noreturn]] void fail(const char* what, long long value, long long limit) {
  std::fprintf(stderr, "binomial solver: %s (%lld, limit %lld)\n", what, value, limit);
  std::exit(EXIT_FAILURE);
}

long long abs64(long long v) { return v < 0 ? -v : v; }

// a x + b y reduced to 32 bits.  The sum is formed in 64-bit unsigned
// arithmetic, which wraps instead of overflowing, so the result is exact
// whenever the true value fits 32 bits and wraps modulo 2^32 otherwise.
int lin2(long long a, int x, long long b, int y) {
  using u64 = unsigned long long;
  const u64 s = static_cast<u64>(a) * static_cast<u64>(static_cast<long long>(x)) +
                static_cast<u64>(b) * static_cast<u64>(static_cast<long long>(y));
  return static_cast<int>(static_cast<unsigned int>(s));
}

// The multiplier that reduces e by p (p != 0) to the remainder of smallest
// modulus: q0 = e / p truncated, r = e - q0 p; |p| < 2|r| rounds q0 away
// from it (down when p and e have opposite signs), |p| <= |e| keeps q0, and
// otherwise there is nothing to do (false).  A remainder of exactly |p|/2
// keeps the sign of the truncated one.  Formed in 64 bits: p = -1 with
// e = INT_MIN, and the sign of p e, must not overflow.
bool size_multiplier(int p, int e, long long& f) {
  const long long q0 = static_cast<long long>(e) / p;
  const long long r = static_cast<long long>(e) - q0 * p;
  const long long ap = abs64(p);
  if (ap < 2 * abs64(r)) {
    f = static_cast<long long>(p) * e < 1 ? q0 - 1 : q0 + 1;
    return true;
  }
  if (ap <= abs64(e)) {
    f = q0;
    return true;
  }
  return false;
}

// Column j of m minus f times column s on rows first..n, and the same on
// all rows of q when with_q.
void sub_column(int n, mat_ref<int> m, mat_ref<int> q, bool with_q, int j, int s, long long f,
                int first) {
  for (int i = first; i <= n; ++i) m(i, j) = lin2(1, m(i, j), -f, m(i, s));
  if (with_q)
    for (int i = 1; i <= n; ++i) q(i, j) = lin2(1, q(i, j), -f, q(i, s));
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
        const double ang = (theta + t * two_pi) / l(i, i);
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
  if (det > max_columns) fail("too many solutions for one binomial system", det, max_columns);
  if (x.rows() < n) fail("solution array has too few rows", x.rows(), n);
  if (x.cols() < det) fail("solution array has fewer columns than solutions", x.cols(), det);
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
    fail("no memory for the angles of the solutions", det, max_columns);
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
    for (int j = 1; j <= n; ++j) a(i, j) = lin2(1, supp(j, k1), -1, supp(j, k2));
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
  if (y.rows() < n) fail("angle array has too few rows", y.rows(), n);
  if (y.cols() < cols) fail("angle array has fewer columns than solutions", y.cols(), cols);
  det = cols;
  list_solutions(n, x, y, a, v, c, lnc, det);
}

void intmatqr(int n, mat_ref<int> m, mat_ref<int> q, long long& det) {
  intmat_reduce(n, m, q, true, det);
}

void intmat_reduce(int n, mat_ref<int> m, mat_ref<int> q, bool with_q, long long& det) {
  if (with_q)
    for (int j = 1; j <= n; ++j)
      for (int i = 1; i <= n; ++i) q(i, j) = i == j ? 1 : 0;
  det = 1;

  for (int k = 1; k <= n - 1; ++k) {
    // Pivot: the smallest non-zero |m(k,j)|, j >= k; the first one wins.
    int piv = 0;
    long long best = 0;
    for (int j = k; j <= n; ++j) {
      const long long e = abs64(m(k, j));
      if (e != 0 && (piv == 0 || e < best)) {
        piv = j;
        best = e;
      }
    }
    if (piv == 0) {
      det = 0;
      ff_record(std::cout, singular_text);
      return;
    }
    if (piv != k) {
      for (int i = 1; i <= n; ++i) std::swap(m(i, k), m(i, piv));
      if (with_q)
        for (int i = 1; i <= n; ++i) std::swap(q(i, k), q(i, piv));
    }

    // Size reduction of the rest of row k by the pivot.
    for (int j = k + 1; j <= n; ++j) {
      long long f = 0;
      if (abs64(m(k, j)) >= size_reduce_below && size_multiplier(m(k, k), m(k, j), f))
        sub_column(n, m, q, with_q, j, k, f, k);
    }

    // Elimination: a determinant-1 transform of columns k and j per entry,
    // leaving gcd(m(k,k), m(k,j)) in m(k,k) and 0 in m(k,j).
    for (int j = k + 1; j <= n; ++j) {
      if (m(k, j) == 0) continue;
      int g = 0, u = 0, w = 0;
      gcd(m(k, k), m(k, j), g, u, w);
      const long long a1 = static_cast<long long>(m(k, j)) / g;
      const long long a2 = static_cast<long long>(m(k, k)) / g;
      for (int i = k; i <= n; ++i) {
        const int mk = m(i, k), mj = m(i, j);
        m(i, k) = lin2(u, mk, w, mj);
        m(i, j) = lin2(a2, mj, -a1, mk);
      }
      if (with_q)
        for (int i = 1; i <= n; ++i) {
          const int qk = q(i, k), qj = q(i, j);
          q(i, k) = lin2(u, qk, w, qj);
          q(i, j) = lin2(a2, qj, -a1, qk);
        }
    }
  }

  // Final size reduction below the diagonal.  A zero diagonal entry (only
  // m(n,n) can be one here) reduces nothing: there is no divisor.
  for (int i = 2; i <= n; ++i) {
    if (m(i, i) == 0) continue;
    for (int j = 1; j <= i - 1; ++j) {
      long long f = 0;
      if (abs64(m(i, j)) >= size_reduce_below && size_multiplier(m(i, i), m(i, j), f))
        sub_column(n, m, q, with_q, j, i, f, i);
    }
  }

  // det = prod |m(i,i)|, which is also |signed product|; saturates at
  // LLONG_MAX rather than overflowing, and a zero entry still gives 0.
  for (int i = 1; i <= n; ++i) {
    const long long d = abs64(m(i, i));
    if (__builtin_mul_overflow(det, d, &det)) det = LLONG_MAX;
  }
}

void gcd(int a, int b, int& d, int& s1, int& t1) {
  const long long la = a, lb = b;
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
  if ((la / lb) * lb == la) {
    d = b, s1 = 0, t1 = 1;
    return;
  }
  if ((lb / la) * la == lb) {
    d = a, s1 = 1, t1 = 0;
    return;
  }
  // Remainders r1, r2, r and their coefficients (s, t) on the argument of
  // larger modulus and the other one.
  const bool a_smaller = abs64(la) < abs64(lb);
  long long r1 = a_smaller ? lb : la;
  long long r2 = a_smaller ? la : lb;
  long long q = r1 / r2;
  long long r = r1 - q * r2;
  long long s = 1, t = -q, s2 = 0, t2 = 1;
  while ((r2 / r) * r != r2) {
    r1 = r2;
    r2 = r;
    q = r1 / r2;
    const long long sn = s2 - q * s, tn = t2 - q * t;
    s2 = s;
    t2 = t;
    s = sn;
    t = tn;
    r = r1 - q * r2;
  }
  if (a_smaller) std::swap(s, t);
  d = static_cast<int>(r);
  s1 = static_cast<int>(s);
  t1 = static_cast<int>(t);
}

}  // namespace hc

#include "LinTool.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "MisTools.h"
#include "fatal.h"
#include "prng.h"

namespace hc {

namespace {

// Above this largest modulus the 2-norm is taken of the vector divided by
// that modulus, so that the squares of large entries cannot overflow.
constexpr double kNormScaleAbove = 1e5;

// Each power iteration of the singular-value estimate costs two matrix
// products or two triangular solves; eight of them give the few correct
// digits the condition test of a root needs.
constexpr int kSvMaxIter = 8;

// A diagonal entry of R below this in the scaling fit means the supports do
// not determine some combination of the scaling exponents.
constexpr double kLsqRankTol = 1e-12;

// The double nearest e: the scale factor of a term is this raised to the
// fitted logarithm, through the power function.
constexpr double kEBase = 2.718281828459045;

// y = R x (full product, columns in increasing order: every y(i) is summed
// over increasing k from 0).
void matvec(int n, mat_ref<const cplx> r, vec_ref<const cplx> x, vec_ref<cplx> y) {
  for (int i = 1; i <= n; ++i) y(i) = cplx(0.0, 0.0);
  for (int k = 1; k <= n; ++k) {
    const cplx xk = x(k);
    const cplx* rk = r.col(k).data();
    cplx* yy = y.data();
    for (int i = 0; i < n; ++i) yy[i] = yy[i] + rk[i] * xk;
  }
}

// y = R^H x.
void matvec_h(int n, mat_ref<const cplx> r, vec_ref<const cplx> x, vec_ref<cplx> y) {
  for (int i = 1; i <= n; ++i) {
    const cplx* ri = r.col(i).data();
    cplx s(0.0, 0.0);
    for (int k = 0; k < n; ++k) s = s + std::conj(ri[k]) * x.data()[k];
    y(i) = s;
  }
}

// s = ||x||, floored at kEps5, and x := x (1/s); returns s.
double normalise(int n, vec_ref<cplx> x) {
  double s = cqnormv(n, x);
  if (s < kEps5) s = kEps5;
  const double inv = 1.0 / s;
  for (int i = 1; i <= n; ++i) x(i) = x(i) * inv;
  return s;
}

// The start vector of both iterations: the draws rounded to single precision.
void start_vector(int n, vec_ref<const double> tmp1, vec_ref<const double> tmp2, vec_ref<cplx> x) {
  for (int i = 1; i <= n; ++i)
    x(i) = cplx(static_cast<double>(static_cast<float>(tmp1(i))),
                static_cast<double>(static_cast<float>(tmp2(i))));
}

[[noreturn]] void fit_too_large(std::int64_t rows, int cols) {
  fatal(status::size, "the scaling fit needs a " + std::to_string(rows) + " x " +
                          std::to_string(cols) + " matrix, which cannot be held in memory");
}

// v(0..len-1) := (I - 2 w w^H) v: one Householder reflection of a column
// segment.
void reflect(int len, const cplx* w, cplx* v) {
  cplx t(0.0, 0.0);
  for (int g = 0; g < len; ++g) t = t + std::conj(w[g]) * v[g];
  const cplx t2 = 2.0 * t;
  for (int g = 0; g < len; ++g) v[g] = v[g] - t2 * w[g];
}

}  // namespace

void cqaxb(int n, mat_ref<cplx> a, vec_ref<cplx> b) { cqaxb_t<double>(n, a, b, kEps5); }

double cqnormm(int m, int n, mat_ref<const cplx> mat, int info) {
  return cqnormm_t<double>(m, n, mat, info);
}

double cqnormv(int n, vec_ref<const cplx> v) {
  if (n <= 0) return 0.0;
  double maxv = neg_inf<double>();
  for (int i = 1; i <= n; ++i) {
    const double d = cabs(v(i));
    if (d > maxv) maxv = d;
  }
  double s = 0.0;
  if (maxv > kNormScaleAbove) {
    const double inv = 1.0 / maxv;
    for (int i = 1; i <= n; ++i) {
      const double d = cabs(v(i) * inv);
      s = s + d * d;
    }
    return maxv * std::sqrt(s);
  }
  for (int i = 1; i <= n; ++i) {
    const double re = v(i).real(), im = v(i).imag();
    s = s + (re * re + im * im);
  }
  return std::sqrt(s);
}

void cqhousevec(int m, int n, vec_ref<const cplx> v, vec_ref<cplx> w, cplx& c) {
  (void)m;
  const double av = cabs(v(1));
  const double nv = cqnormv(n, v);
  if (av > kMachEps)
    c = -(v(1) / av) * nv;
  else
    c = cplx(-nv, 0.0);
  for (int i = 1; i <= n; ++i) w(i) = v(i);
  w(1) = w(1) - c;
  const double s = cqnormv(n, w);
  if (s > kMachEps) {
    const double inv = 1.0 / s;
    for (int i = 1; i <= n; ++i) w(i) = w(i) * inv;
  }
}

void cqqrsr(int m, mat_ref<cplx> a) {
  if (m <= 1) return;
  vec<cplx> wbuf(m);
  for (int s = 1; s <= m - 1; ++s) {
    const int len = m - s + 1;
    vec_ref<cplx> w = wbuf.sub(1, len);
    cplx c;
    cqhousevec(len, len, a.col(s).sub(s, len), w, c);
    a(s, s) = c;
    for (int g = s + 1; g <= m; ++g) a(g, s) = cplx(0.0, 0.0);
    for (int d = s + 1; d <= m; ++d) reflect(len, w.data(), a.col(d).data() + (s - 1));
  }
}

void cqlsq(int m, int n, mat_ref<cplx> a, vec_ref<cplx> b, vec_ref<cplx> w) {
  for (int s = 1; s <= n; ++s) {
    const int len = m - s + 1;
    vec_ref<cplx> ws = w.sub(1, len);
    cplx c;
    cqhousevec(len, len, a.col(s).sub(s, len), ws, c);
    // The columns to the right and the right-hand side, over rows s..m.
    for (int d = s + 1; d <= n; ++d) reflect(len, ws.data(), a.col(d).data() + (s - 1));
    reflect(len, ws.data(), b.data() + (s - 1));
    a(s, s) = c;
    for (int g = s + 1; g <= m; ++g) a(g, s) = cplx(0.0, 0.0);
  }
  for (int i = n; i >= 1; --i) {
    if (cabs(a(i, i)) < kEps5) a(i, i) = cplx(kEps5, 0.0);
    cplx t = b(i);
    for (int j = i + 1; j <= n; ++j) t = t - a(i, j) * b(j);
    b(i) = t / a(i, i);
  }
}

void cqmaxminsv(int n, mat_ref<cplx> r, double& max_sv, double& min_sv, double tol) {
  if (n <= 0) {
    max_sv = min_sv = 0.0;
    return;
  }
  cqqrsr(n, r);
  for (int i = 1; i <= n; ++i)
    if (cabs(r(i, i)) < kEps5) r(i, i) = cplx(kEps5, 0.0);
  mat_ref<const cplx> rr = r;

  prng_seed();
  vec<double> tmp1(n), tmp2(n);
  for (int i = 1; i <= n; ++i) tmp1(i) = prng_draw();
  for (int i = 1; i <= n; ++i) tmp2(i) = prng_draw();
  vec<cplx> x(n), y(n);

  // Largest: power steps on R^H R.
  start_vector(n, tmp1, tmp2, x);
  double s = 0.0, s_prev = 0.0;
  for (int j = 1; j <= kSvMaxIter; ++j) {
    matvec(n, rr, x, y);
    std::swap(x, y);
    normalise(n, x);
    matvec_h(n, rr, x, y);
    std::swap(x, y);
    s = normalise(n, x);
    if (j >= 2 && std::fabs(s - s_prev) < tol * s) break;
    s_prev = s;
  }
  max_sv = s;

  // Smallest: power steps on (R^H R)^-1 by two triangular solves, measured
  // by ||R x|| of the normalised iterate.
  start_vector(n, tmp1, tmp2, x);
  s = 0.0;
  s_prev = 0.0;
  for (int j = 1; j <= kSvMaxIter; ++j) {
    x(1) = x(1) / std::conj(rr(1, 1));
    for (int i = 2; i <= n; ++i) {
      const cplx* ri = rr.col(i).data();
      cplx t(0.0, 0.0);
      for (int k = 1; k <= i - 1; ++k) t = t + std::conj(ri[k - 1]) * x(k);
      x(i) = (x(i) - t) / std::conj(rr(i, i));
    }
    normalise(n, x);
    x(n) = x(n) / rr(n, n);
    for (int i = n - 1; i >= 1; --i) {
      cplx t(0.0, 0.0);
      for (int k = i + 1; k <= n; ++k) t = t + rr(i, k) * x(k);
      x(i) = (x(i) - t) / rr(i, i);
    }
    normalise(n, x);
    matvec(n, rr, x, y);
    s = cqnormv(n, y);
    if (j >= 2 && std::fabs(s - s_prev) < tol * s) break;
    s_prev = s;
  }
  min_sv = s;
}

void housevec(int m, int n, vec_ref<const double> x, double& c, vec_ref<double> w, double& beta) {
  (void)m;
  double s = 0.0;
  for (int i = 2; i <= n; ++i) s = s + x(i) * x(i);
  w(1) = 1.0;
  for (int i = 2; i <= n; ++i) w(i) = x(i);
  if (s < kMachEps) {
    beta = 0.0;
    c = x(1);
    return;
  }
  const double normv = std::sqrt(s + x(1) * x(1));
  c = normv;
  if (x(1) > 0.0)
    w(1) = -s / (x(1) + normv);
  else
    w(1) = x(1) - normv;
  const double w1 = w(1);
  const double w1sq = w1 * w1;
  beta = 2.0 * w1sq / (s + w1sq);
  for (int i = 1; i <= n; ++i) w(i) = w(i) / w1;
}

void lsqrt(int m, int n, mat_ref<double> a, vec_ref<double> b, int& info) {
  info = 0;
  if (n <= 0) return;
  if (m < n) {
    // Fewer equations than unknowns: the rank is below n.
    info = 1;
    for (int r = 1; r <= m; ++r) b(r) = 0.0;
    return;
  }
  vec<double> wbuf(m);
  for (int j = 1; j <= n; ++j) {
    // Rows j..m of the current column, as offsets 0..len-1 from row j.
    const int len = m - j + 1;
    vec_ref<double> w = wbuf.sub(1, len);
    const double* wd = w.data();
    double c, beta;
    housevec(len, len, a.col(j).sub(j, len), c, w, beta);
    double* aj = a.col(j).data() + (j - 1);
    aj[0] = c;
    for (int q = 1; q < len; ++q) aj[q] = 0.0;
    for (int k = j + 1; k <= n; ++k) {
      double* ak = a.col(k).data() + (j - 1);
      double sum = 0.0;
      for (int q = 0; q < len; ++q) sum = sum + ak[q] * wd[q];
      const double t = beta * sum;
      for (int q = 0; q < len; ++q) ak[q] = ak[q] - t * wd[q];
    }
    double* bj = b.data() + (j - 1);
    double sum = 0.0;
    for (int q = 0; q < len; ++q) sum = sum + bj[q] * wd[q];
    const double t = beta * sum;
    for (int q = 0; q < len; ++q) bj[q] = bj[q] - t * wd[q];
  }
  for (int j = 1; j <= n; ++j) {
    if (std::fabs(a(j, j)) < kLsqRankTol) {
      info = 1;
      for (int r = 0; r < m; ++r) b.data()[r] = 0.0;
      return;
    }
  }
  b(n) = b(n) / a(n, n);
  for (int j = n - 1; j >= 1; --j) {
    double sum = 0.0;
    for (int k = j + 1; k <= n; ++k) sum = sum + b(k) * a(j, k);
    b(j) = (b(j) - sum) / a(j, j);
  }
}

std::int64_t sclcoef_rows(int n, int m, vec_ref<const int> nm) {
  std::int64_t rows = m;
  for (int i = 1; i <= n; ++i) {
    const std::int64_t t = nm(i);
    rows += t * (t - 1) / 2;
  }
  return rows;
}

void sclcoef(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<cplx> coef,
             vec_ref<double> sclc) {
  const int nu = 2 * n;
  for (int i = 1; i <= nu; ++i) sclc(i) = 0.0;
  if (n <= 0) return;
  vec<int> shd(n), stl(n);
  block_bounds(n, nm, shd, stl);

  // Rows: one per term, then one per pair of terms of an equation.  The
  // count grows with the square of the term counts, so it is checked
  // against what the array layer (int indices) and memory can hold.
  const std::int64_t rows = sclcoef_rows(n, m, nm);
  constexpr std::int64_t kMaxRows = std::numeric_limits<int>::max();
  const std::int64_t max_entries =
      static_cast<std::int64_t>(std::numeric_limits<std::ptrdiff_t>::max() / sizeof(double));
  if (rows > kMaxRows || rows > max_entries / nu) fit_too_large(rows, nu);
  const int M = static_cast<int>(rows);
  mat<double> A;
  vec<double> bv;
  try {
    A.assign(M, nu, 0.0);
    bv.assign(M, 0.0);
  } catch (const std::bad_alloc&) {
    fit_too_large(rows, nu);
  }

  for (int i = 1; i <= n; ++i) {
    for (int k = shd(i); k <= stl(i); ++k) {
      for (int j = 1; j <= n; ++j) A(k, j) = supp(j, k);
      A(k, n + i) = 1.0;
      bv(k) = -std::log(cabs(coef(k)));
      // A zero (or non-finite) coefficient has no finite logarithm; fitting
      // it would turn every exponent into NaN, so the system stays unscaled.
      if (!std::isfinite(bv(k))) return;
    }
  }
  int row = m;
  for (int i = 1; i <= n; ++i) {
    for (int p = 1; p <= nm(i) - 1; ++p) {
      for (int q = p + 1; q <= nm(i); ++q) {
        ++row;
        const int kp = shd(i) + p - 1, kq = shd(i) + q - 1;
        for (int j = 1; j <= n; ++j)
          A(row, j) = static_cast<double>(supp(j, kp)) - static_cast<double>(supp(j, kq));
        bv(row) = bv(kp) - bv(kq);
      }
    }
  }

  int info = 0;
  lsqrt(M, nu, A, bv, info);
  if (info == 1) return;
  for (int i = 1; i <= nu; ++i)
    if (!std::isfinite(bv(i))) return;
  for (int i = 1; i <= nu; ++i) sclc(i) = bv(i);

  for (int i = 1; i <= n; ++i) {
    for (int k = shd(i); k <= stl(i); ++k) {
      double s = sclc(n + i);
      for (int j = 1; j <= n; ++j) s = s + supp(j, k) * sclc(j);
      coef(k) = coef(k) * std::pow(kEBase, s);
    }
  }
}

}  // namespace hc

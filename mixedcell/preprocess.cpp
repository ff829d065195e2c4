// Preprocessing of the supports for the mixed-cell search: the vertices of
// each support's convex hull, and the order in which the search takes the
// supports.
#include <cmath>
#include <utility>

#include "MixedCell.h"
#include "lppivot.h"
#include "prng.h"

namespace hc {

void rm_interior(int n, int rd_m, int& m, mat_ref<const int> rd_supp, mat_ref<int> supp,
                 vec_ref<const int> rd_nm, vec_ref<int> nm, vec_ref<int> crsp) {
  (void)rd_m;
  const int N = n + 1;
  vec<int> sshd(n);
  int mx = 0;
  for (int i = 1; i <= n; ++i) {
    sshd(i) = i == 1 ? 1 : sshd(i - 1) + rd_nm(i - 1);
    if (rd_nm(i) > mx) mx = rd_nm(i);
  }
  vec<double> w0(n);
  for (int k = 1; k <= n; ++k) w0(k) = prng_draw();

  mat<double> a(N, mx);
  vec<double> b(mx);
  vec<int> ind(mx);
  for (int j = 1; j <= mx; ++j) a(N, j) = -1.0;
  m = 0;
  for (int i = 1; i <= n; ++i) {
    const int M = rd_nm(i);
    for (int j = 1; j <= M; ++j) {
      double s = 0.0;
      for (int k = 1; k <= n; ++k) {
        a(k, j) = static_cast<double>(rd_supp(k, sshd(i) + j - 1));
        s += (a(k, j) - w0(k)) * (a(k, j) - w0(k));
      }
      b(j) = std::sqrt(s);
    }
    convex(N, M, a.ref().block(1, 1, N, M), b.sub(1, M), ind.sub(1, M));
    int acc = 0;
    for (int j = 1; j <= M; ++j) {
      if (!ind(j)) continue;
      ++acc;
      for (int k = 1; k <= n; ++k) supp(k, m + acc) = rd_supp(k, sshd(i) + j - 1);
      crsp(m + acc) = sshd(i) + j - 1;
    }
    nm(i) = acc;
    m += acc;
  }
}

void convex(int N, int M, mat_ref<const double> a, vec_ref<const double> b, vec_ref<int> ind) {
  if (M <= 0) return;
  vec<double> x(N, 0.0), h(N), stah(M);
  mat<double> d(N, N, 0.0);
  vec<int> dind(N, 0), equ(M, 1), stpn(M);
  auto acol = [&](int j) { return &a(1, j); };

  // 1. Start at the point farthest from the random point.
  int loc = 1;
  for (int j = 2; j <= M; ++j)
    if (b(j) > b(loc)) loc = j;
  equ(loc) = 0;
  x(N) = -b(loc);
  for (int i = 1; i <= N - 1; ++i) d(i, i) = 1.0;
  for (int j = 1; j <= N; ++j) d(N, j) = a(j, loc);
  dind(N) = loc;

  // 2. Fill the free positions from N-1 down: column ii is zero above row ii
  // and x is zero in rows 1..ii, so the work runs over rows ii..N.
  for (int ii = N - 1; ii >= 1; --ii) {
    int pos = 0, neg = 0;
    for (int j = 1; j <= M; ++j) {
      stpn(j) = 0;
      if (equ(j) != 1) continue;
      const double s = lp_dot(ii, N, &d(1, ii), acol(j));
      if (s > kLpEpsRate) {
        ++pos;
        stpn(j) = 1;
        stah(j) = s;
      } else if (s < -kLpEpsRate) {
        ++neg;
        stpn(j) = -1;
        stah(j) = s;
      }
    }
    if (pos == 0 && neg == 0) continue;
    const bool plus = neg >= 1 && (pos == 0 || neg <= pos);
    double theta = kLpThetaStart;
    int in = 0;
    for (int j = 1; j <= M; ++j) {
      if (stpn(j) != (plus ? -1 : 1)) continue;
      const double ax = lp_dot(ii + 1, N, &x(1), acol(j));
      const double t = plus ? (b(j) - ax) / stah(j) : (ax - b(j)) / stah(j);
      if (t < theta) {
        theta = t;
        in = j;
      }
    }
    if (in == 0) continue;  // only a NaN rate gets here; leave the column free
    const double sg = plus ? theta : -theta;
    for (int k = ii + 1; k <= N; ++k) x(k) += sg * d(k, ii);
    x(ii) = sg;
    equ(in) = 0;
    dind(ii) = in;
    lp_pivot(N, d, acol(in), ii, ii, &h(1));
  }

  // 3. The points of the first vertex stay.
  for (int j = 1; j <= M; ++j) ind(j) = equ(j) == 0 ? 1 : 0;

  // 4. Walk to a vertex where each unmarked point is tight, when there is one.
  for (int j = 1; j <= M; ++j) {
    if (ind(j)) continue;
    for (;;) {
      int c = 0;
      for (int cc = 1; cc <= N; ++cc)
        if (lp_dot(1, N, &d(1, cc), acol(j)) < -kLpEpsRate) {
          c = cc;
          break;
        }
      if (c == 0) break;
      const int out = dind(c);
      double theta = kLpThetaStart;
      int in = 0;
      for (int jj = 1; jj <= M; ++jj) {
        if (equ(jj) != 1) continue;
        const double s = lp_dot(1, N, &d(1, c), acol(jj));
        if (s >= -kLpEpsRate) continue;
        const double t = (b(jj) - lp_dot(1, N, &x(1), acol(jj))) / s;
        if (t < theta) {
          theta = t;
          in = jj;
        }
      }
      if (in == 0) break;  // j itself always qualifies unless its rate is NaN
      for (int k = 1; k <= N; ++k) x(k) += theta * d(k, c);
      equ(in) = 0;
      if (out != 0) equ(out) = 1;  // a free column has no leaving point
      dind(c) = in;
      ind(in) = 1;
      lp_pivot(N, d, acol(in), c, 1, &h(1));
    }
  }
}

namespace {
// Every point the origin or a unit vector (entries at most 1, at most one 1).
bool is_linear(int n, mat_ref<const int> supp, int hd, int tl) {
  for (int k = hd; k <= tl; ++k) {
    int ones = 0;
    for (int r = 1; r <= n; ++r) {
      if (supp(r, k) > 1) return false;
      if (supp(r, k) == 1) ++ones;
    }
    if (ones > 1) return false;
  }
  return true;
}
// Every entry 0 or 2, at most one 2 per point.
bool is_square(int n, mat_ref<const int> supp, int hd, int tl) {
  for (int k = hd; k <= tl; ++k) {
    int twos = 0;
    for (int r = 1; r <= n; ++r) {
      if (supp(r, k) != 0 && supp(r, k) != 2) return false;
      if (supp(r, k) == 2) ++twos;
    }
    if (twos > 1) return false;
  }
  return true;
}
void sort_by_count(int first, int n, vec_ref<int> nm, vec_ref<int> si) {
  for (int i = first; i <= n - 1; ++i)
    for (int j = i + 1; j <= n; ++j)
      if (nm(j) < nm(i)) {
        std::swap(nm(i), nm(j));
        std::swap(si(i), si(j));
      }
}
}  // namespace

void nm_s1(int n, int m, vec_ref<int> nm, mat_ref<int> supp, vec_ref<int> sohd, vec_ref<int> sotl,
           vec_ref<int> crsp) {
  mat<int> org_supp(n, m);
  vec<int> org_crsp(m), sshd(n), sstl(n), si(n);
  for (int k = 1; k <= m; ++k) {
    for (int r = 1; r <= n; ++r) org_supp(r, k) = supp(r, k);
    org_crsp(k) = crsp(k);
  }
  for (int i = 1; i <= n; ++i) {
    sshd(i) = i == 1 ? 1 : sstl(i - 1) + 1;
    sstl(i) = sshd(i) + nm(i) - 1;
    si(i) = i;
  }

  int idx_lin = 0;
  for (int i = 1; i <= n; ++i)
    if (is_linear(n, org_supp, sshd(i), sstl(i))) idx_lin = i;
  if (idx_lin != 0) {
    int ndiff = 0, last = 0;
    for (int i = 1; i <= n; ++i)
      if (nm(i) != n) {
        ++ndiff;
        last = nm(i);
      }
    if (ndiff == 1 && last == 2) idx_lin = 0;
  }
  if (idx_lin == 0) {
    sort_by_count(1, n, nm, si);
  } else {
    int chosen = 0;
    for (int i = 1; i <= n && chosen == 0; ++i)
      if (is_square(n, org_supp, sshd(i), sstl(i))) chosen = i;
    if (chosen == 0) chosen = idx_lin;
    if (chosen != 1) {
      std::swap(nm(1), nm(chosen));
      std::swap(si(1), si(chosen));
    }
    sort_by_count(2, n, nm, si);
  }

  for (int i = 1; i <= n; ++i) {
    sohd(i) = i == 1 ? 1 : sohd(i - 1) + nm(i - 1);
    sotl(i) = i == 1 ? nm(1) : sotl(i - 1) + nm(i);
  }
  for (int i = 1; i <= n; ++i) {
    const int s = si(i);
    for (int k = 0; k < nm(i); ++k) {
      for (int r = 1; r <= n; ++r) supp(r, sohd(i) + k) = org_supp(r, sshd(s) + k);
      crsp(sohd(i) + k) = org_crsp(sshd(s) + k);
    }
  }
}

}  // namespace hc

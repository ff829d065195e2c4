// Relation table: which pairs of lifted points can be lowest together.
//
// Every decision is a small dense program over y = (alpha, beta) (one beta
// per support taking part) with one constraint a_k'y >= b_k per point,
// a_k = (p_k; -1), b_k = -w(k): beta is at most every lifted value, with
// equality exactly at the lowest points.  The programs are warm-started from
// the vertex where the previous one stopped.
#include "rtable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "lppivot.h"

namespace hc {

void lp_store::save(int key, const double* x, mat_ref<const double> d, const int* dind,
                    const int* equ, int ne) {
  const std::size_t sx = static_cast<std::size_t>(N) * (N + 1);
  const std::size_t si = static_cast<std::size_t>(N) + me;
  const std::size_t k = static_cast<std::size_t>(key - 1);
  if (xd.size() < (k + 1) * sx) {
    xd.resize((k + 1) * sx);
    ie.resize((k + 1) * si);
  }
  double* px = xd.data() + k * sx;
  std::memcpy(px, x, sizeof(double) * N);
  for (int c = 1; c <= N; ++c) std::memcpy(px + N * c, &d(1, c), sizeof(double) * N);
  int* pi = ie.data() + k * si;
  std::memcpy(pi, dind, sizeof(int) * N);
  std::memcpy(pi + N, equ, sizeof(int) * std::min(ne, me));
}

void lp_store::load(int key, double* x, mat_ref<double> d, int* dind, int* equ, int ne) const {
  const std::size_t sx = static_cast<std::size_t>(N) * (N + 1);
  const std::size_t si = static_cast<std::size_t>(N) + me;
  const std::size_t k = static_cast<std::size_t>(key - 1);
  const double* px = xd.data() + k * sx;
  std::memcpy(x, px, sizeof(double) * N);
  for (int c = 1; c <= N; ++c) std::memcpy(&d(1, c), px + N * c, sizeof(double) * N);
  const int* pi = ie.data() + k * si;
  std::memcpy(dind, pi, sizeof(int) * N);
  std::memcpy(equ, pi + N, sizeof(int) * std::min(ne, me));
}

namespace {

// A program to make one point tight or two points tight at once never needs
// more pivots than this per target unless it cycles on a degenerate vertex;
// then the target is left where it is (its pair is decided by the objective).
constexpr int kMaxPivotsPerTarget = 10000;

// One program of the table: N unknowns, M points (local numbers) with their
// global numbers glob(M); equ(k) = 1 not in the basis, 0 in the basis.
struct rt_prog {
  int N = 0, M = 0, rnk = 0;
  mat<double> a, d;
  vec<double> b, x, h, st;  // st(M): rates of the points along one column
  vec<int> dind, equ, glob;

  void alloc(int N_, int M_) {
    N = N_;
    M = M_;
    a.assign(N, M);
    d.assign(N, N, 0.0);
    b.assign(M);
    x.assign(N, 0.0);
    h.assign(N);
    st.assign(M, 0.0);
    dind.assign(N, 0);
    equ.assign(M, 1);
    glob.assign(M);
  }
  const double* ak(int k) const { return &a(1, k); }
  double rate(int c, const double* f) const { return lp_dot(1, N, &d(1, c), f); }
  double slack(int k) const { return b(k) - lp_dot(1, N, &x(1), ak(k)); }
  // The first column along which f decreases, 0 if none.
  int entering(const double* f) const {
    for (int c = 1; c <= N; ++c)
      if (rate(c, f) < -kLpEpsRate) return c;
    return 0;
  }
  // Point e becomes basic at column c after a step theta along d(:,c).
  void change(int c, int e, double theta) {
    for (int k = 1; k <= N; ++k) x(k) += theta * d(k, c);
    equ(e) = 0;
    if (dind(c) != 0) equ(dind(c)) = 1;  // a free column has no leaving point
    dind(c) = e;
    lp_pivot(N, d, ak(e), c, 1, &h(1));
  }
};

// Start vertex of one support: the point of largest b is the only tight one,
// beta = its lifted value, the other columns are the coordinate directions.
void start_vertex(rt_prog& p) {
  const int N = p.N;
  int e = 1;
  for (int k = 2; k <= p.M; ++k)
    if (p.b(k) > p.b(e)) e = k;
  p.equ(e) = 0;
  for (int k = 1; k <= N; ++k) p.x(k) = 0.0;
  p.x(N) = -p.b(e);
  for (int c = 1; c <= N - 1; ++c) p.d(c, c) = 1.0;
  for (int c = 1; c <= N; ++c) p.d(N, c) = p.a(c, e);
  p.dind(N) = e;
  p.rnk = 1;
}

// Bring free columns N-1 down to 1 into the basis where a point can be made
// tight along them.  With structured = true the column being filled is zero
// above its own row and x is zero there (the within-support start vertex), so
// the products run from that row; the result is the same.
void extend(rt_prog& p, bool structured) {
  const int N = p.N;
  for (int i = N - 1; i >= 1; --i) {
    if (p.dind(i) != 0) continue;
    const int r0 = structured ? i : 1;
    int pos = 0, neg = 0;
    vec_ref<double> hk = p.st;
    for (int k = 1; k <= p.M; ++k) {
      if (p.equ(k) == 0) continue;
      hk(k) = lp_dot(r0, N, &p.d(1, i), p.ak(k));
      if (hk(k) > kLpEpsRate)
        ++pos;
      else if (hk(k) < -kLpEpsRate)
        ++neg;
    }
    if (pos == 0 && neg == 0) continue;
    ++p.rnk;
    const bool plus = neg > 0 && (pos == 0 || neg <= pos);
    double theta = kLpThetaStart;
    int e = 0;
    for (int k = 1; k <= p.M; ++k) {
      if (p.equ(k) == 0) continue;
      if (plus ? !(hk(k) < -kLpEpsRate) : !(hk(k) > kLpEpsRate)) continue;
      const double ax = lp_dot(r0, N, &p.x(1), p.ak(k));
      const double t = plus ? (p.b(k) - ax) / hk(k) : (ax - p.b(k)) / hk(k);
      if (t < theta) {
        theta = t;
        e = k;
      }
    }
    if (e == 0) {  // only a NaN rate gets here
      --p.rnk;
      continue;
    }
    const double sg = plus ? theta : -theta;
    for (int k = r0; k <= N; ++k) p.x(k) += sg * p.d(k, i);
    p.equ(e) = 0;
    p.dind(i) = e;
    lp_pivot(N, p.d, p.ak(e), i, r0, &p.h(1));
  }
}

// Make every point tight in turn (points 1..M in order); blocking points with
// a rate below thr may take the step instead.  mark(e) after every change.
template <class Mark>
void make_tight(rt_prog& p, double thr, Mark&& mark) {
  for (int k = 1; k <= p.M; ++k) {
    for (int it = 0; p.equ(k) != 0 && it < kMaxPivotsPerTarget; ++it) {
      const int c = p.entering(p.ak(k));
      if (c == 0) break;
      double theta = p.slack(k) / p.rate(c, p.ak(k));
      int e = k;
      for (int l = 1; l <= p.M; ++l) {
        if (l == k || p.equ(l) == 0) continue;
        const double s = p.rate(c, p.ak(l));
        if (s < thr) {
          const double t = p.slack(l) / s;
          if (t < theta) {
            theta = t;
            e = l;
          }
        }
      }
      p.change(c, e, theta);
      mark(e);
    }
  }
}

// Minimise (a_p + a_q)'y from the current vertex; true when both are tight at
// the optimum.  mark(e) after every change.  Two points that are both in the
// basis of the final vertex are tight there by construction, so the pair is
// compatible whatever the residual: after long warm-started steps rounding
// can leave more than kLpEpsTight at such a vertex.
template <class Mark>
bool pair_program(rt_prog& p, int pp, int qq, Mark&& mark) {
  const int N = p.N;
  vec<double> f(N);
  for (int r = 1; r <= N; ++r) f(r) = p.a(r, pp) + p.a(r, qq);
  for (int it = 0; it < kMaxPivotsPerTarget; ++it) {
    const int c = p.entering(&f(1));
    if (c == 0) break;
    double theta = kLpThetaStart;
    int e = 0;
    for (int l = 1; l <= p.M; ++l) {
      if (p.equ(l) == 0) continue;
      const double s = p.rate(c, p.ak(l));
      if (s < -kLpEpsRate) {
        const double t = p.slack(l) / s;
        if (t < theta) {
          theta = t;
          e = l;
        }
      }
    }
    // No blocking point: the decrease of f is split between the two points,
    // each below the rate tolerance; the objective decides below.
    if (e == 0) break;
    p.change(c, e, theta);
    mark(e);
  }
  if (p.equ(pp) == 0 && p.equ(qq) == 0) return true;
  return std::fabs(p.b(pp) + p.b(qq) - lp_dot(1, N, &p.x(1), &f(1))) <= kLpEpsTight;
}

void build_support(rt_prog& p, int n, int hd, int M, mat_ref<const int> supp,
                   vec_ref<const double> w) {
  p.alloc(n + 1, M);
  for (int k = 1; k <= M; ++k) {
    for (int r = 1; r <= n; ++r) p.a(r, k) = supp(r, hd + k);
    p.a(n + 1, k) = -1.0;
    p.b(k) = -w(hd + k);
    p.glob(k) = hd + k;
  }
}

void set_pair(mat_ref<int> tab, int g1, int g2, int v) {
  tab(g1, g2) = v;
  tab(g2, g1) = v;
}

// Decide the undecided pair (q1, q2) by its pair program.  A pair marked 1
// during the program (both points basic at one of its vertices) stays
// compatible whatever the final residual says.
template <class Mark>
void decide_pair(rt_prog& p, mat_ref<int> tab, int q1, int q2, Mark&& mark) {
  const bool ok = pair_program(p, q1, q2, mark);
  if (tab(p.glob(q1), p.glob(q2)) == -1) set_pair(tab, p.glob(q1), p.glob(q2), ok ? 1 : 0);
}

// Within-support test of one support.
void checktii(rt_prog& p, mat_ref<int> tab) {
  start_vertex(p);
  extend(p, true);
  const int N = p.N;
  auto mark = [&](int e) {
    for (int c = 1; c <= N; ++c)
      if (p.dind(c) != 0) set_pair(tab, p.glob(e), p.glob(p.dind(c)), 1);
  };
  for (int c = 1; c <= N; ++c)
    if (p.dind(c) != 0) mark(p.dind(c));
  make_tight(p, -kLpEpsTight, mark);
  for (int q1 = 1; q1 <= p.M - 1; ++q1)
    for (int q2 = q1 + 1; q2 <= p.M; ++q2)
      if (tab(p.glob(q1), p.glob(q2)) == -1) decide_pair(p, tab, q1, q2, mark);
}

// Cross test of supports i < j from support i's final vertex.
void checktij(const rt_prog& pi, int n, int hdj, int mj, mat_ref<const int> supp,
              vec_ref<const double> w, mat_ref<int> tab) {
  const int mi = pi.M, N = n + 2, M = mi + mj;
  rt_prog p;
  p.alloc(N, M);
  for (int k = 1; k <= mi; ++k) {
    for (int r = 1; r <= n + 1; ++r) p.a(r, k) = pi.a(r, k);
    p.a(N, k) = 0.0;
    p.b(k) = pi.b(k);
    p.glob(k) = pi.glob(k);
    p.equ(k) = pi.equ(k);
  }
  for (int k = 1; k <= mj; ++k) {
    for (int r = 1; r <= n; ++r) p.a(r, mi + k) = supp(r, hdj + k);
    p.a(n + 1, mi + k) = 0.0;
    p.a(N, mi + k) = -1.0;
    p.b(mi + k) = -w(hdj + k);
    p.glob(mi + k) = hdj + k;
  }
  for (int c = 1; c <= n + 1; ++c) {
    p.x(c) = pi.x(c);
    p.dind(c) = pi.dind(c);
    for (int r = 1; r <= n + 1; ++r) p.d(r, c) = pi.d(r, c);
  }
  p.rnk = pi.rnk + 1;
  // Support j's lowest point under alpha fixes its beta.
  int e = 0;
  double best = 0.0;
  for (int k = mi + 1; k <= M; ++k) {
    double v = -p.b(k);
    for (int r = 1; r <= n; ++r) v += p.x(r) * p.a(r, k);
    if (e == 0 || v < best) {
      best = v;
      e = k;
    }
  }
  p.equ(e) = 0;
  p.x(N) = best;
  for (int r = 1; r <= N - 1; ++r) p.d(r, N) = 0.0;
  p.d(N, N) = -1.0;
  for (int c = 1; c <= N - 1; ++c) {
    double s = 0.0;
    for (int r = 1; r <= n; ++r) s += p.d(r, c) * p.a(r, e);
    p.d(N, c) = s;
  }
  p.dind(N) = e;
  extend(p, false);

  auto mark = [&](int ee) {
    const bool inj = ee > mi;
    for (int c = 1; c <= N; ++c) {
      const int q = p.dind(c);
      if (q != 0 && (q > mi) != inj) set_pair(tab, p.glob(ee), p.glob(q), 1);
    }
  };
  for (int c = 1; c <= N; ++c)
    if (p.dind(c) != 0 && p.dind(c) > mi) mark(p.dind(c));
  make_tight(p, -kLpEpsRate, mark);
  for (int q1 = 1; q1 <= mi; ++q1)
    for (int q2 = mi + 1; q2 <= M; ++q2)
      if (tab(p.glob(q1), p.glob(q2)) == -1) decide_pair(p, tab, q1, q2, mark);
}

// Support-1 test: every vertex at which a new pair of basic points appears is
// saved under a new key, and the pair remembers it.
void checkt1(rt_prog& p, mat_ref<int> tab, mat_ref<int> svkt, lp_store& sv) {
  const int N = p.N, M = p.M;
  int key = 1;
  auto save = [&](int k) { sv.save(k, &p.x(1), p.d, &p.dind(1), &p.equ(1), M); };
  // Pairs of basic points still undecided get key kk; true if any did.
  auto mark_basic = [&](int kk) {
    bool any = false;
    for (int c1 = 1; c1 <= N; ++c1)
      for (int c2 = 1; c2 <= N; ++c2) {
        const int q1 = p.dind(c1), q2 = p.dind(c2);
        if (q1 == 0 || q2 == 0 || q1 == q2 || tab(q1, q2) != -1) continue;
        set_pair(tab, q1, q2, 1);
        set_pair(svkt, q1, q2, kk);
        any = true;
      }
    return any;
  };
  mark_basic(1);
  save(1);
  auto mark = [&](int) {
    if (mark_basic(key + 1)) save(++key);
  };
  make_tight(p, -kLpEpsRate, mark);
  for (int q1 = 1; q1 <= M - 1; ++q1)
    for (int q2 = q1 + 1; q2 <= M; ++q2) {
      if (tab(q1, q2) != -1) continue;
      const bool ok = pair_program(p, q1, q2, mark);
      if (ok) {
        // Both tight but not both basic (a degenerate vertex): exchange them
        // into the basis with steps of length 0, so that the pair gets a
        // saved vertex that holds both.
        for (int t : {q1, q2}) {
          if (p.equ(t) == 0) continue;
          const int other = t == q1 ? q2 : q1;
          int cb = 0;
          double rb = kLpEpsRate;
          for (int c = 1; c <= N; ++c) {
            if (p.dind(c) == other) continue;
            const double r = std::fabs(p.rate(c, p.ak(t)));
            if (r > rb) {
              rb = r;
              cb = c;
            }
          }
          if (cb != 0) {
            p.change(cb, t, 0.0);
            mark(t);
          }
        }
      }
      if (tab(q1, q2) == -1) set_pair(tab, q1, q2, ok ? 1 : 0);
    }
}

}  // namespace

void rtable(int n, int m, vec_ref<const int> sohd, vec_ref<const int> nm, mat_ref<const int> supp,
            vec_ref<const double> w, mat_ref<int> tab, int& rnk, mat_ref<int> svkt, lp_store& sv) {
  (void)m;
  for (int j = 1; j <= tab.cols(); ++j)
    for (int i = 1; i <= tab.rows(); ++i) tab(i, j) = -1;
  for (int j = 1; j <= svkt.cols(); ++j)
    for (int i = 1; i <= svkt.rows(); ++i) svkt(i, j) = 0;
  const int m1 = nm(1);
  sv.reset(n + 1, m1);
  for (int i = n; i >= 1; --i) {
    rt_prog p;
    build_support(p, n, sohd(i) - 1, nm(i), supp, w);
    checktii(p, tab);
    for (int j = i + 1; j <= n; ++j) checktij(p, n, sohd(j) - 1, nm(j), supp, w, tab);
    if (i == 1) {
      for (int q = 1; q <= m1; ++q)
        for (int r = 1; r <= m1; ++r) tab(r, q) = -1;
      rnk = p.rnk;
      checkt1(p, tab, svkt, sv);
    }
  }
}

}  // namespace hc

// Depth-first search for the mixed cells.
//
// Level l of the search holds one support; a level's pair (p, q) is fixed by
// making every other point k of that support a relative constraint
// (p_k - p; 0)'y >= w(p) - w(k) (p stays at least as low as k, with equality
// for q), and the column that held p's absolute constraint passes to the
// anchor (lowest candidate) of the next level, whose beta it then carries.
// Candidates are pruned by the relation table and by dominance; whether a
// point or a pair of the newest level can be lowest is decided by dense
// programs warm-started from the vertex of the previous test or from the
// vertex saved when the pair was found feasible.
#include "mixcell.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "lppivot.h"
#include "rtable.h"

namespace hc {

namespace {

// The cell table numbers its 2 nc columns by 32-bit integers.
constexpr int max_cells = INT_MAX / 2;
// Pivots of one program before it is taken as cycling on a degenerate vertex
// (then the test stops where it is and its objective decides).
constexpr int max_lp_pivots = 100000;

struct search {
  // Input.
  int n, N, m, m1;
  vec_ref<const int> sotl, sohd, nm;
  mat_ref<const int> supp;
  vec_ref<const double> w;
  std::vector<int>& mcl;
  int& nc;

  // Tables built once.
  mat<int> tab, tk, svkt;
  lp_store sv1;
  std::vector<lp_store> st;  // saved vertices of each level, keys from 1

  // Level structure, candidate marks, chosen pairs.
  vec<int> si, sinm, sihd, sitl, strnk, secl, ntv;
  mat<int> sttv, bucket;
  vec<int> tv;

  // The program of the current level, in level numbering.
  mat<double> a, d;
  vec<double> b, x, f, h;
  vec<int> dind, equ, ntind, zind;
  int nnt = 0, nz = 0, rnk = 0, loc1 = 0, l = 1, nkey = 0;

  // Work of tomnext and extend_rnk.
  vec<double> g, stah, stmin;
  mat<double> rates, suppd;  // suppd(n,m): the points as doubles
  vec<int> cand, perm, stin;

  search(int n_, int m_, vec_ref<const int> sotl_, vec_ref<const int> sohd_,
         vec_ref<const int> nm_, mat_ref<const int> supp_, vec_ref<const double> w_,
         std::vector<int>& mcl_, int& nc_)
      : n(n_), N(n_ + 1), m(m_), m1(nm_(1)), sotl(sotl_), sohd(sohd_), nm(nm_), supp(supp_),
        w(w_), mcl(mcl_), nc(nc_) {}

  const double* ak(int k) const { return &a(1, k); }
  double drate(int c, const double* v) const { return lp_dot(1, N, &d(1, c), v); }
  double slack(int k) const { return b(k) - lp_dot(1, N, &x(1), ak(k)); }
  int sosi_of(int lev) const { return sohd(si(lev)) - sihd(lev); }

  void save(int lev, int key) { st[lev].save(key, &x(1), d, &dind(1), &equ(1), sitl(lev)); }
  void restore(int lev, int key) {
    st[lev].load(key, &x(1), d, &dind(1), &equ(1), sitl(lev));
  }

  void emit(int j2, int k2) {
    if (nc >= max_cells) {
      std::fprintf(stderr,
                   "mixed-cell search: more than %d mixed cells, beyond what the cell table "
                   "can number\n",
                   max_cells);
      std::exit(EXIT_FAILURE);
    }
    ++nc;
    for (int i = 1; i <= n - 1; ++i) mcl.push_back(bucket(i, 1));
    mcl.push_back(j2);
    for (int i = 1; i <= n - 1; ++i) mcl.push_back(bucket(i, 2));
    mcl.push_back(k2);
  }

  void exclude(int k, int hd, int tl) {
    equ(k) = -1;
    for (int q = k; q <= tl; ++q) tk(k, q) = 0;
    for (int q = hd; q <= k; ++q) tk(q, k) = 0;
  }

  int count_candidates(int s) const {
    int c = 0;
    for (int p = sohd(s); p <= sotl(s); ++p)
      if (tv(p) == 1) ++c;
    return c;
  }

  void run();
  int tomnext(int lev);
  int extend_rnk(int lp1, int hd, int tl);
  void lp(int hd, int tl);
  bool make_basic(int t, int other);
  bool open_level();
  void examine();
  bool next_pair();
};

// Minimise f'x from the current vertex over the one-sided columns.  A pair of
// the examined level whose two points are both basic after a step is
// feasible: it gets a key and the vertex is saved.
void search::lp(int hd, int tl) {
  for (int it = 0; it < max_lp_pivots; ++it) {
    int c = 0;
    for (int cc = 1; cc <= nnt; ++cc)
      if (drate(ntind(cc), &f(1)) < -lp_eps_rate) {
        c = cc;
        break;
      }
    if (c == 0) return;
    const int col = ntind(c), out = dind(col);
    double theta = lp_theta_start;
    int in = 0;
    for (int k = 1; k <= tl; ++k) {
      if (equ(k) <= 0) continue;
      const double s = drate(col, ak(k));
      if (s < -lp_eps_rate) {
        const double t = slack(k) / s;
        if (t < theta) {
          theta = t;
          in = k;
        }
      }
    }
    // No blocking point (the decrease of a pair objective is split between
    // its two points, each below the rate tolerance): stop here.
    if (in == 0) return;
    dind(col) = in;
    equ(in) = 0;
    if (out > 0) equ(out) = out;
    for (int r = 1; r <= N; ++r) x(r) += theta * d(r, col);
    lp_pivot(N, d, ak(in), col, 1, &h(1));
    if (in >= hd) {
      bool keyed = false;
      for (int c2 = 1; c2 <= nnt; ++c2) {
        if (c2 == c) continue;
        const int p = dind(ntind(c2));
        if (p < hd || p == in) continue;
        int& e = p < in ? tk(p, in) : tk(in, p);
        if (e != -1) continue;
        if (!keyed) {
          ++nkey;
          keyed = true;
        }
        e = nkey;
      }
      if (keyed) save(l, nkey);
    }
  }
}

// Point t is tight but not basic (a degenerate vertex): exchange it into the
// basis with a step of length 0 along the one-sided column where it has the
// largest rate, never the column of its partner.  False if there is none.
bool search::make_basic(int t, int other) {
  if (equ(t) == 0) return true;
  int cb = 0;
  double rb = lp_eps_rate;
  for (int c = 1; c <= nnt; ++c) {
    const int col = ntind(c);
    if (dind(col) == other) continue;
    const double r = std::fabs(drate(col, ak(t)));
    if (r > rb) {
      rb = r;
      cb = col;
    }
  }
  if (cb == 0) return false;
  const int out = dind(cb);
  dind(cb) = t;
  equ(t) = 0;
  if (out > 0) equ(out) = out;
  lp_pivot(N, d, ak(t), cb, 1, &h(1));
  return true;
}

// Fill free columns with candidates of the new level hd..tl; returns the
// number filled.
int search::extend_rnk(int lp1, int hd, int tl) {
  int nernk = 0;
  if (rnk != N) {
    for (int ii = 1; ii <= N; ++ii) {
      if (dind(ii) != 0) continue;
      int pos = 0, neg = 0;
      for (int k = hd; k <= tl; ++k) {
        stah(k) = 0.0;
        if (equ(k) <= 0) continue;
        const double s = drate(ii, ak(k));
        stah(k) = s;
        if (s > lp_eps_rate) ++pos;
        else if (s < -lp_eps_rate) ++neg;
      }
      if (pos == 0 && neg == 0) continue;
      const bool plus = neg >= 1 && (pos == 0 || neg <= pos);
      double theta = lp_theta_start;
      int in = 0;
      for (int k = hd; k <= tl; ++k) {
        if (equ(k) <= 0) continue;
        if (plus ? !(stah(k) < -lp_eps_rate) : !(stah(k) > lp_eps_rate)) continue;
        const double ax = lp_dot(1, N, &x(1), ak(k));
        const double t = plus ? (b(k) - ax) / stah(k) : (ax - b(k)) / stah(k);
        if (t < theta) {
          theta = t;
          in = k;
        }
      }
      if (in == 0) continue;  // only a NaN rate gets here
      ++rnk;
      const double sg = plus ? theta : -theta;
      for (int r = 1; r <= N; ++r) x(r) += sg * d(r, ii);
      x(ii) = sg;
      equ(in) = 0;
      dind(ii) = in;
      ntind(++nnt) = ii;
      lp_pivot(N, d, ak(in), ii, 1, &h(1));
      ++nernk;
    }
  }
  strnk(lp1) = rnk;
  return nernk;
}

// Choose the support of level lev+1 (the remaining level with the fewest
// candidates after the dominance filter), store the filtered marks in
// sttv(:,lev), set beta = the anchor's lifted value and return the anchor in
// level numbering; 0 when the chosen level keeps fewer than two candidates
// (no cell below the current pair).
int search::tomnext(int lev) {
  const int lp1 = lev + 1;
  const int nh = nnt - 1;  // one-sided columns after the anchor's
  int last = n;
  for (int i = lp1; i <= n; ++i) {
    const int s = si(i);
    int cnt = 0;
    for (int q = 1; q <= nm(s); ++q) {
      const int p = sohd(s) + q - 1;
      if (tv(p) != 1) continue;
      ++cnt;
      cand(cnt) = q;
      const double* pp = &suppd(1, p);
      double gv = w(p);
      for (int r = 1; r <= n; ++r) gv += x(r) * pp[r - 1];
      g(cnt) = gv;
      perm(cnt) = cnt;
      double* rc = &rates(1, cnt);
      for (int c = 1; c <= nh; ++c) rc[c - 1] = lp_dot(1, n, &d(1, ntind(c + 1)), pp);
      for (int z = 1; z <= nz; ++z) rc[nh + z - 1] = lp_dot(1, n, &d(1, zind(z)), pp);
    }
    if (cnt == 0) {
      ntv(i) = 0;
      last = i;
      break;
    }
    // Ascending lifted value (selection sort, first minimum stays); perm
    // holds the candidates' positions in sorted order.
    for (int p1 = 1; p1 <= cnt - 1; ++p1) {
      int mn = p1;
      for (int p2 = p1 + 1; p2 <= cnt; ++p2)
        if (g(p2) < g(mn)) mn = p2;
      if (mn != p1) {
        std::swap(g(p1), g(mn));
        std::swap(perm(p1), perm(mn));
      }
    }
    stin(i) = sihd(lp1) + cand(perm(1)) - 1;
    stmin(i) = g(1);
    // Dominance: q never gets below an earlier p when it rises at least as
    // fast along every one-sided column and equally along every free one.
    int left = cnt;
    for (int p2 = 2; p2 <= cnt; ++p2)
      for (int p1 = 1; p1 < p2; ++p1) {
        const double* r1 = &rates(1, perm(p1));
        const double* r2 = &rates(1, perm(p2));
        bool dom = true;
        for (int c = 0; c < nh && dom; ++c)
          if (r1[c] - r2[c] > lp_eps_tight) dom = false;
        for (int z = nh; z < nh + nz && dom; ++z)
          if (std::fabs(r1[z] - r2[z]) > lp_eps_tight) dom = false;
        if (dom) {
          tv(sohd(s) + cand(perm(p2)) - 1) = 0;
          --left;
          break;
        }
      }
    ntv(i) = left;
    // Every level holds at least two candidates before the filter, and the
    // lowest one always stays: a level left with one is the first level of
    // fewest candidates, and no pair of it can be lowest.  The level order
    // is settled as it would be, and the rest of the work is skipped.
    if (left <= 1) {
      last = i;
      break;
    }
  }
  for (int p = 1; p <= m; ++p) sttv(p, lev) = tv(p);

  int best = lp1;
  for (int i = lp1 + 1; i <= last; ++i)
    if (ntv(i) < ntv(best)) best = i;
  const bool none = ntv(best) <= 1;
  const int in = none ? 0 : stin(best);
  if (!none) x(N) = stmin(best);
  if (best != lp1) {
    std::swap(si(best), si(lp1));
    std::swap(sinm(best), sinm(lp1));
    sihd(lp1) = sihd(lev) + sinm(lev);
    sitl(lp1) = sitl(lev) + sinm(lp1);
    for (int i = lp1 + 1; i <= n; ++i) {
      sihd(i) = sitl(i - 1) + 1;
      sitl(i) = sitl(i - 1) + sinm(i);
    }
  }
  return in;
}

// Open level l+1 after the pair of level l was fixed; false when the next
// level has fewer than two candidates (no cell below this pair).
bool search::open_level() {
  const int lp1 = l + 1;
  const int in = tomnext(l);
  if (in == 0) return false;
  const int hd = sihd(lp1), tl = sitl(lp1), sosi = sosi_of(lp1);
  for (int k = hd; k <= tl; ++k) {
    const int p = sosi + k;
    if (tv(p) == 1) {
      for (int r = 1; r <= n; ++r) a(r, k) = supp(r, p);
      a(N, k) = -1.0;
      b(k) = -w(p);
      equ(k) = k;
    } else {
      equ(k) = -1;
    }
  }
  equ(in) = 0;
  // The anchor takes column loc1 (whose alpha part is zero).
  for (int c = 1; c <= N; ++c) {
    if (c == loc1) continue;
    double s = 0.0;
    for (int r = 1; r <= n; ++r) s += d(r, c) * supp(r, sosi + in);
    d(N, c) = s;
  }
  dind(loc1) = in;
  const int nernk = extend_rnk(lp1, hd, tl);
  l = lp1;

  if (lp1 == 2)
    for (int j = 1; j <= m; ++j)
      for (int i = 1; i <= m; ++i) tk(i, j) = 0;
  for (int k = hd + 1; k <= tl; ++k)
    for (int j = hd; j < k; ++j) tk(j, k) = tab(sosi + j, sosi + k) == 1 ? -1 : 0;
  for (int k = hd; k <= tl; ++k)
    if (tv(sosi + k) == 0) exclude(k, hd, tl);

  nkey = 0;
  st[lp1].reset(N, m);
  if (nernk > 0) {
    nkey = 1;
    for (int k = hd + 1; k <= tl; ++k)
      for (int j = hd; j < k; ++j)
        if (equ(j) == 0 && equ(k) == 0 && tk(j, k) == -1) tk(j, k) = 1;
    save(lp1, 1);
  }
  return true;
}

// Decide every point and pair of the newest level; emit cells at level n;
// go up when the level has no feasible pair or is the last.
void search::examine() {
  const int hd = sihd(l), tl = sitl(l);
  for (int k = hd; k <= tl; ++k) {
    if (equ(k) <= 0) continue;
    for (int r = 1; r <= N; ++r) f(r) = a(r, k);
    lp(hd, tl);
    if (equ(k) > 0) exclude(k, hd, tl);
  }
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) != -1) continue;
      for (int r = 1; r <= N; ++r) f(r) = a(r, j) + a(r, k);
      lp(hd, tl);
      const double rr = lp_dot(1, N, &x(1), &f(1)) - (b(k) + b(j));
      if (std::fabs(rr) <= lp_eps_tight) {
        if (tk(j, k) == -1) {
          if (make_basic(j, k) && make_basic(k, j)) {
            tk(j, k) = ++nkey;
            save(l, nkey);
          } else {
            tk(j, k) = 0;
          }
        }
      } else {
        tk(j, k) = 0;
      }
    }
  bool feasible = false;
  const int sosi = sosi_of(l);
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) == 0) continue;
      feasible = true;
      if (l == n) emit(sosi + j, sosi + k);
    }
  if (!feasible || l == n) --l;
}

// Take the next feasible pair of level l and open the level below it (true);
// go up a level when there is none (false).
bool search::next_pair() {
  const int hd = sihd(l), tl = sitl(l), sosi = sosi_of(l);
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) == 0) continue;
      const int key = tk(j, k);
      tk(j, k) = 0;
      bucket(l, 1) = sosi + j;
      bucket(l, 2) = sosi + k;
      for (int i = 1; i <= m; ++i) tv(i) = tab(i, sosi + j) * sttv(i, l - 1) * tab(i, sosi + k);
      for (int i = 1; i <= m; ++i) sttv(i, l) = tv(i);
      bool active = true;
      for (int i = l + 1; i <= n && active; ++i)
        if (count_candidates(si(i)) < 2) active = false;
      if (!active) continue;

      restore(l, key);
      rnk = strnk(l);
      const int p = sosi + j;
      for (int r = 1; r <= n; ++r) a(r, j) = supp(r, p);
      a(N, j) = -1.0;
      b(j) = -w(p);
      for (int k2 = hd; k2 <= tl; ++k2) {
        if (k2 == j) continue;
        for (int r = 1; r <= n; ++r) a(r, k2) = supp(r, sosi + k2) - supp(r, p);
        a(N, k2) = 0.0;
        b(k2) = w(p) - w(sosi + k2);
      }
      equ(j) = -1;
      equ(k) = -1;
      secl(l) = k;

      nnt = 1;
      nz = 0;
      loc1 = 0;
      for (int c = 1; c <= N; ++c) {
        const int q = dind(c);
        if (q == 0) {
          zind(++nz) = c;
          continue;
        }
        bool second = false;
        for (int i = 1; i <= l; ++i)
          if (secl(i) == q) second = true;
        if (second) continue;
        if (q == j) loc1 = c;
        else ntind(++nnt) = c;
      }
      if (loc1 == 0) continue;  // the saved vertex must hold p; it always does
      ntind(1) = loc1;
      for (int c = 1; c <= N; ++c)
        if (c != loc1 && dind(c) >= hd)
          for (int r = 1; r <= N; ++r) d(r, loc1) += d(r, c);
      if (open_level()) return true;
    }
  --l;
  return false;
}

void search::run() {
  for (int s = 1; s <= n; ++s)
    if (nm(s) < 2) return;  // an equation of one point has no edge
  tab.assign(m, m);
  svkt.assign(m1, m1);
  int rnk1 = 0;
  rtable(n, m, sohd, nm, supp, w, tab, rnk1, svkt, sv1);

  if (n == 1) {
    for (int fi = 1; fi <= m1 - 1; ++fi)
      for (int ti = fi + 1; ti <= m1; ++ti)
        if (tab(fi, ti) == 1) {
          bucket.assign(1, 2, 0);
          emit(fi, ti);
        }
    return;
  }

  tk.assign(m, m, 0);
  si.assign(n);
  sinm.assign(n);
  sihd.assign(n);
  sitl.assign(n);
  strnk.assign(n, 0);
  secl.assign(n, 0);
  ntv.assign(n, 0);
  for (int i = 1; i <= n; ++i) {
    si(i) = i;
    sinm(i) = nm(i);
    sihd(i) = sohd(i);
    sitl(i) = sotl(i);
  }
  strnk(1) = rnk1;
  sttv.assign(m, n, 0);
  bucket.assign(n, 2, 0);
  tv.assign(m, 0);
  a.assign(N, m, 0.0);
  d.assign(N, N, 0.0);
  b.assign(m, 0.0);
  x.assign(N, 0.0);
  f.assign(N, 0.0);
  h.assign(N, 0.0);
  dind.assign(N, 0);
  equ.assign(m, -1);
  ntind.assign(N, 0);
  zind.assign(N, 0);
  int mx = 0;
  for (int s = 1; s <= n; ++s) mx = nm(s) > mx ? nm(s) : mx;
  g.assign(mx, 0.0);
  cand.assign(mx, 0);
  perm.assign(mx, 0);
  suppd.assign(n, m);
  for (int p = 1; p <= m; ++p)
    for (int r = 1; r <= n; ++r) suppd(r, p) = supp(r, p);
  rates.assign(N, mx, 0.0);
  stah.assign(m, 0.0);
  stmin.assign(n, 0.0);
  stin.assign(n, 0);
  st.assign(n + 1, lp_store{});

  for (int fi = 1; fi <= m1 - 1; ++fi)
    for (int ti = fi + 1; ti <= m1; ++ti) {
      if (tab(fi, ti) == 0) continue;
      for (int i = 1; i <= n; ++i) bucket(i, 1) = bucket(i, 2) = 0;
      bucket(1, 1) = fi;
      bucket(1, 2) = ti;
      for (int k = 1; k <= m; ++k) {
        tv(k) = tab(k, ti) * tab(k, fi);
        sttv(k, 1) = tv(k);
      }
      bool active = true;
      for (int s = 2; s <= n && active; ++s)
        if (count_candidates(s) < 2) active = false;
      const int key = svkt(fi, ti);
      if (!active || key == 0) continue;  // key 0: no vertex holds both points

      rnk = strnk(1);
      sv1.load(key, &x(1), d, &dind(1), &equ(1), m1);
      for (int j = 1; j <= m1; ++j)
        if (equ(j) != 0) equ(j) = j;
      equ(fi) = -1;
      equ(ti) = -1;
      for (int r = 1; r <= n; ++r) a(r, fi) = supp(r, fi);
      a(N, fi) = -1.0;
      b(fi) = -w(fi);
      for (int j = 1; j <= m1; ++j) {
        if (j == fi) continue;
        for (int r = 1; r <= n; ++r) a(r, j) = supp(r, j) - supp(r, fi);
        a(N, j) = 0.0;
        b(j) = w(fi) - w(j);
      }
      nnt = 1;
      nz = 0;
      loc1 = 0;
      int loc2 = 0;
      for (int c = 1; c <= N; ++c) {
        if (dind(c) == 0) zind(++nz) = c;
        else if (dind(c) == ti) loc2 = c;
        else if (dind(c) == fi) loc1 = c;
        else ntind(++nnt) = c;
      }
      if (loc1 == 0 || loc2 == 0) continue;
      ntind(1) = loc1;
      for (int c = 1; c <= N; ++c)
        if (c != loc1 && dind(c) != 0)
          for (int r = 1; r <= N; ++r) d(r, loc1) += d(r, c);
      secl(1) = ti;
      l = 1;
      if (!open_level()) continue;

      bool needcheck = true;
      while (l > 1) {
        if (needcheck) examine();
        if (l > 1) needcheck = next_pair();
      }
    }
}

}  // namespace

void mixcell(int n, int m, vec_ref<const int> sotl, vec_ref<const int> sohd,
             vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const double> w,
             std::vector<int>& mcl, int& nc) {
  search s(n, m, sotl, sohd, nm, supp, w, mcl, nc);
  s.run();
}

}  // namespace hc

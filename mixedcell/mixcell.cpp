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
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  vec<int> relp;  // relp(l): the point p of level l's rows (p_k - p; 0), 0 = none
  mat<int> sttv, bucket;
  vec<int> tv;

  // The program of the current level, in level numbering.  The constraint
  // row a_k (N entries, small integers) is kept as its nonzero entries in
  // row order: row(k)[0].r of them in row(k)[1..], each a 0-based row and
  // its value, all of one row in one record (a product reads one short
  // stretch of memory); the objective f the same way (fnz entries in fix,
  // fvl).
  mat<double> d;
  vec<double> b, x, h;
  vec<int> dind, equ, ntind, zind;
  int nnt = 0, nz = 0, rnk = 0, loc1 = 0, l = 1, nkey = 0;
  struct nz_entry {
    int r;
    double v;
  };
  std::vector<nz_entry> arows;  // N+1 entries per row k
  nz_entry* row(int k) { return &arows[static_cast<std::size_t>(k - 1) * (N + 1)]; }
  const nz_entry* row(int k) const {
    return &arows[static_cast<std::size_t>(k - 1) * (N + 1)];
  }
  vec<int> fix;
  vec<double> fvl, fd;
  int fnz = 0;

  // The points (search numbering) as their nonzero exponents in row order:
  // pnz(p) of them, 0-based rows pix(:,p), values pvl(:,p) as doubles.
  vec<int> pnz;
  mat<int> pix;
  mat<double> pvl;

  // Work of tomnext and extend_rnk.  dt(Kd*n): rows 1..n of the Kd columns
  // the rates use (one-sided after the anchor's, then nzd free ones), row by
  // row.  Per level slot i of the last tomnext: lcnt(i) candidates, lpt(pos,
  // i) the point at sorted position pos, their rates in lrate (slot i holds
  // N rows of mxc positions, rate c of every position in one row; the first
  // ldone(i) positions formed), the dominance test done for the positions
  // below lnext(i), lstay(i) of them kept.  pend_lev: the lev of the
  // tomnext whose tests are not all done (0: none).
  vec<double> g, gs, stah, stmin, dt, lrate, racc;
  vec<int> cand, perm, stin, lcnt, lnext, lstay, ldone;
  mat<int> lpt;
  int Kd = 0, nzd = 0, mxc = 0, pend_lev = 0;

  search(int n_, int m_, vec_ref<const int> sotl_, vec_ref<const int> sohd_,
         vec_ref<const int> nm_, mat_ref<const int> supp_, vec_ref<const double> w_,
         std::vector<int>& mcl_, int& nc_)
      : n(n_), N(n_ + 1), m(m_), m1(nm_(1)), sotl(sotl_), sohd(sohd_), nm(nm_), supp(supp_),
        w(w_), mcl(mcl_), nc(nc_) {}

  // v'a_k summed over the nonzero entries of a_k in row order.  The dense sum
  // gives the same double: it starts at +0, can never become -0, and adding
  // a product with a zero factor (+-0) to it changes nothing.
  double adot(const double* v, int k) const {
    const nz_entry* e = row(k);
    const int ne = e[0].r;
    double s = 0.0;
    for (int t = 1; t <= ne; ++t) s += v[e[t].r] * e[t].v;
    return s;
  }
  // v'f, the same way over the nonzero entries of f.
  double fdot(const double* v) const {
    double s = 0.0;
    for (int t = 1; t <= fnz; ++t) s += v[fix(t)] * fvl(t);
    return s;
  }
  double drate(int c, int k) const { return adot(&d(1, c), k); }
  double slack(int k) const { return b(k) - adot(&x(1), k); }
  // Row k = (exponents of point p; -1), the absolute row of a level.
  void set_abs_row(int k, int p) {
    nz_entry* e = row(k);
    int t = 0;
    for (int u = 1; u <= pnz(p); ++u) e[++t] = {pix(u, p), pvl(u, p)};
    e[++t] = {N - 1, -1.0};
    e[0].r = t;
  }
  // Row k = (exponents of q - exponents of p; 0), a relative row.
  // (Written without branches on the entries: slot t is always written and
  // kept only when the entry is nonzero; the arrays have room for N.)
  void set_rel_row(int k, int q, int p) {
    const int* eq = &supp(1, q);
    const int* ep = &supp(1, p);
    nz_entry* en = row(k) + 1;
    int t = 0;
    for (int r = 0; r < n; ++r) {
      const int e = eq[r] - ep[r];
      en[t] = {r, static_cast<double>(e)};
      t += e != 0;
    }
    row(k)[0].r = t;
  }
  // f = a_j, or a_j + a_k when k > 0 (fd(N) dense work, left zero).
  void set_f(int j, int k) {
    const nz_entry* ej = row(j);
    for (int t = 1; t <= ej[0].r; ++t) fd(ej[t].r + 1) = ej[t].v;
    if (k > 0) {
      const nz_entry* ek = row(k);
      for (int t = 1; t <= ek[0].r; ++t) fd(ek[t].r + 1) += ek[t].v;
    }
    int* ix = &fix(1);
    double* vl = &fvl(1);
    int t = 0;
    for (int r = 0; r < N; ++r) {
      const double e = fd(r + 1);
      fd(r + 1) = 0.0;
      ix[t] = r;
      vl[t] = e;
      t += e != 0.0;
    }
    fnz = t;
  }
  void pivot(int c, int k);
  void sort_lifted(int cnt);
  void rates_of(int i, int pos);
  bool dominated(int i, int q);
  int dominance(int i, int lev, int stop);
  void finish_pending();
  // Rate 0 of position pos in level slot i; rate c is c*mxc further on.
  double* rates_at(int i, int pos) {
    return &lrate(1) + static_cast<std::ptrdiff_t>(i - 1) * mxc * N + (pos - 1);
  }
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

// y(0..len-1) -= a x(0..len-1), two entries at a time: every entry gets the
// same product and difference as in the plain loop (no fused operations).
typedef double pair_t __attribute__((vector_size(16)));
inline pair_t load2(const double* p) {
  pair_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store2(double* p, pair_t v) { std::memcpy(p, &v, sizeof v); }
inline void axpy_minus(int len, double a, const double* x, double* y) {
  const pair_t av = {a, a};
  int r = 0;
  for (; r + 2 <= len; r += 2) store2(y + r, load2(y + r) - av * load2(x + r));
  for (; r < len; ++r) y[r] -= a * x[r];
}

// Point k enters at column c: h(kk) = d(:,kk)'a_k for every column; column c
// times 1/h(c); every other column kk loses h(kk) times column c.
void search::pivot(int c, int k) {
  const int ld = N;  // d is N x N
  double* d0 = d.data();
  double* hh = &h(1);
  for (int kk = 0; kk < N; ++kk) hh[kk] = adot(d0 + static_cast<std::ptrdiff_t>(kk) * ld, k);
  double* dc = d0 + static_cast<std::ptrdiff_t>(c - 1) * ld;
  const double rp = 1.0 / hh[c - 1];
  for (int r = 0; r < N; ++r) dc[r] *= rp;
  for (int kk = 0; kk < N; ++kk) {
    if (kk == c - 1 || hh[kk] == 0.0) continue;
    axpy_minus(N, hh[kk], dc, d0 + static_cast<std::ptrdiff_t>(kk) * ld);
  }
}

// Minimise f'x from the current vertex over the one-sided columns.  A pair of
// the examined level whose two points are both basic after a step is
// feasible: it gets a key and the vertex is saved.
void search::lp(int hd, int tl) {
  for (int it = 0; it < max_lp_pivots; ++it) {
    int c = 0;
    for (int cc = 1; cc <= nnt; ++cc)
      if (fdot(&d(1, ntind(cc))) < -lp_eps_rate) {
        c = cc;
        break;
      }
    if (c == 0) return;
    const int col = ntind(c), out = dind(col);
    double theta = lp_theta_start;
    int in = 0;
    for (int k = 1; k <= tl; ++k) {
      if (equ(k) <= 0) continue;
      const double s = drate(col, k);
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
    pivot(col, in);
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
    const double r = std::fabs(drate(col, t));
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
  pivot(cb, t);
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
        const double s = drate(ii, k);
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
        const double ax = adot(&x(1), k);
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
      pivot(ii, in);
      ++nernk;
    }
  }
  strnk(lp1) = rnk;
  return nernk;
}

// Order the candidates 1..cnt by ascending g (the lifted values), as a
// selection sort does that scans upward and takes a new minimum only when it
// is strictly smaller: g sorted in place, perm(pos) = the candidate at
// position pos.  When the values are distinct (and no NaN) that order is the
// unique ascending one, which an insertion sort finds faster; otherwise the
// selection sort itself runs, so that ties fall as it leaves them.
void search::sort_lifted(int cnt) {
  for (int p1 = 1; p1 <= cnt; ++p1) {
    gs(p1) = g(p1);
    perm(p1) = p1;
  }
  for (int p1 = 2; p1 <= cnt; ++p1) {
    const double v = gs(p1);
    int q = p1;
    while (q > 1 && gs(q - 1) > v) {
      gs(q) = gs(q - 1);
      perm(q) = perm(q - 1);
      --q;
    }
    gs(q) = v;
    perm(q) = p1;
  }
  bool strict = true;
  for (int p1 = 1; p1 < cnt; ++p1)
    if (!(gs(p1) < gs(p1 + 1))) strict = false;
  if (strict) {
    for (int p1 = 1; p1 <= cnt; ++p1) g(p1) = gs(p1);
    return;
  }
  for (int p1 = 1; p1 <= cnt; ++p1) perm(p1) = p1;
  for (int p1 = 1; p1 <= cnt - 1; ++p1) {
    int mn = p1;
    for (int p2 = p1 + 1; p2 <= cnt; ++p2)
      if (g(p2) < g(mn)) mn = p2;
    if (mn != p1) {
      std::swap(g(p1), g(mn));
      std::swap(perm(p1), perm(mn));
    }
  }
}

// Rates of the candidate at sorted position pos of level slot i: rate c =
// d(1:n,c)'p over the columns of the last tomnext (dt), summed over the
// nonzero exponents of p in row order (see adot; the first term is added to
// +0 as the dense sum does, which turns a -0 into +0).
void search::rates_of(int i, int pos) {
  const int p = lpt(pos, i);
  double* rc = rates_at(i, pos);
  const int np = pnz(p);
  if (np == 0) {
    for (int c = 0; c < Kd; ++c) rc[c * mxc] = 0.0;
    return;
  }
  const int* ix = &pix(1, p);
  const double* vl = &pvl(1, p);
  double* acc = &racc(1);
  const double* dr = &dt(1) + static_cast<std::ptrdiff_t>(ix[0]) * Kd;
  if (vl[0] == 1.0) {
    for (int c = 0; c < Kd; ++c) acc[c] = 0.0 + dr[c];
  } else {
    for (int c = 0; c < Kd; ++c) acc[c] = 0.0 + dr[c] * vl[0];
  }
  for (int t = 1; t < np; ++t) {
    const double v = vl[t];
    dr = &dt(1) + static_cast<std::ptrdiff_t>(ix[t]) * Kd;
    if (v == 1.0) {
      for (int c = 0; c < Kd; ++c) acc[c] += dr[c];
    } else {
      for (int c = 0; c < Kd; ++c) acc[c] += dr[c] * v;
    }
  }
  for (int c = 0; c < Kd; ++c) rc[c * mxc] = acc[c];
}

// Dominance test of the candidate at sorted position q of level slot i
// against every earlier position p (dropped ones included): true when some
// p has rate(p) - rate(q) <= tol along every one-sided column and |rate(p)
// - rate(q)| <= tol along every free one (a comparison with a NaN passes).
// Each test compares the same two doubles in whatever order the columns are
// taken, so the free columns (which almost always differ) go first, and with
// at most 64 candidates every earlier position is tested at once, one bit
// each, column by column, until none is left.
bool search::dominated(int i, int q) {
  const double* base = rates_at(i, 1);
  const int nh = Kd - nzd;
  if (q > 64) {
    for (int p = 1; p < q; ++p) {
      const double* rp = base + (p - 1);
      const double* rq = base + (q - 1);
      bool dom = true;
      for (int z = nh; z < Kd && dom; ++z)
        if (std::fabs(rp[z * mxc] - rq[z * mxc]) > lp_eps_tight) dom = false;
      for (int c = 0; c < nh && dom; ++c)
        if (rp[c * mxc] - rq[c * mxc] > lp_eps_tight) dom = false;
      if (dom) return true;
    }
    return false;
  }
  std::uint64_t live = ~std::uint64_t{0} >> (65 - q);  // positions 1..q-1 as bits 0..q-2
  for (int t = 0; t < Kd && live != 0; ++t) {
    const int c = t < nzd ? nh + t : t - nzd;
    const double* rc = base + static_cast<std::ptrdiff_t>(c) * mxc;
    const double qv = rc[q - 1];
    const int top = 64 - __builtin_clzll(live);  // past the last live bit
    std::uint64_t pass = 0;
    if (c >= nh) {
      for (int b = 0; b < top; ++b)
        pass |= static_cast<std::uint64_t>(!(std::fabs(rc[b] - qv) > lp_eps_tight)) << b;
    } else {
      for (int b = 0; b < top; ++b)
        pass |= static_cast<std::uint64_t>(!(rc[b] - qv > lp_eps_tight)) << b;
    }
    live &= pass;
  }
  return live != 0;
}

// Go on with the dominance test of level slot i from its next position up
// to the last (stop > 0: only while fewer than stop candidates are known to
// stay); drops the dominated candidates from tv and sttv(:,lev).  Returns
// the number of candidates known to stay.
int search::dominance(int i, int lev, int stop) {
  const int cnt = lcnt(i);
  int q = lnext(i);
  int stay = lstay(i);
  while (q <= cnt) {
    if (stop > 0 && stay >= stop) break;
    if (q == 1) {  // nothing is lower than the lowest
      ++stay;
      ++q;
      continue;
    }
    while (ldone(i) < q) rates_of(i, ++ldone(i));
    if (dominated(i, q)) {
      const int p = lpt(q, i);
      tv(p) = 0;
      sttv(p, lev) = 0;
    } else {
      ++stay;
    }
    ++q;
  }
  lnext(i) = q;
  lstay(i) = stay;
  return stay;
}

// Finish the dominance tests that the last tomnext(lev) left open (they
// only decide candidates of levels below the one it chose, which are read
// once a pair of that level is taken).
void search::finish_pending() {
  if (pend_lev == 0) return;
  for (int i = pend_lev + 1; i <= n; ++i)
    if (lnext(i) <= lcnt(i)) dominance(i, pend_lev, 0);
  pend_lev = 0;
}

// Choose the support of level lev+1 (the remaining level with the fewest
// candidates after the dominance filter), store the filtered marks in
// sttv(:,lev), set beta = the anchor's lifted value and return the anchor in
// level numbering; 0 when the chosen level keeps fewer than two candidates
// (no cell below the current pair).  The rates' columns are kept in dt for
// the dominance tests left to finish_pending.
int search::tomnext(int lev) {
  const int lp1 = lev + 1;
  const int nh = nnt - 1;  // one-sided columns after the anchor's
  const int K = nh + nz;
  pend_lev = 0;
  Kd = K;
  nzd = nz;
  for (int r = 1; r <= n; ++r) {
    double* dr = &dt(1) + static_cast<std::ptrdiff_t>(r - 1) * K;
    for (int c = 1; c <= nh; ++c) dr[c - 1] = d(r, ntind(c + 1));
    for (int z = 1; z <= nz; ++z) dr[nh + z - 1] = d(r, zind(z));
  }
  const double* xv = &x(1);
  // First pass: the lifted values, their order and enough of the dominance
  // test to tell whether a level keeps fewer than two candidates.  The first
  // such level (in level order) would be chosen, and nothing below this pair
  // can be a cell.
  int best = lp1, fewest = 0;
  bool none = false;
  for (int i = lp1; i <= n && !none; ++i) {
    const int s = si(i);
    int cnt = 0;
    for (int q = 1; q <= nm(s); ++q) {
      const int p = sohd(s) + q - 1;
      if (tv(p) != 1) continue;
      ++cnt;
      cand(cnt) = q;
      // g = w(p) + x'p over the nonzero exponents of p: the sum starts at
      // w(p) > 0 and, as in adot, the zero products change nothing; x(r)
      // times an exponent 1 is x(r) itself.
      double gv = w(p);
      const int* ix = &pix(1, p);
      const double* vl = &pvl(1, p);
      for (int t = 0; t < pnz(p); ++t) gv += vl[t] == 1.0 ? xv[ix[t]] : xv[ix[t]] * vl[t];
      g(cnt) = gv;
    }
    lcnt(i) = cnt;
    lnext(i) = 1;
    lstay(i) = 0;
    ldone(i) = 0;
    if (cnt == 0) {
      best = i;
      none = true;
      break;
    }
    sort_lifted(cnt);
    for (int pos = 1; pos <= cnt; ++pos) lpt(pos, i) = sohd(s) + cand(perm(pos)) - 1;
    stin(i) = sihd(lp1) + cand(perm(1)) - 1;
    stmin(i) = g(1);
    // Dominance: q never gets below an earlier p when it rises at least as
    // fast along every one-sided column and equally along every free one.
    if (dominance(i, lev, 2) <= 1) {
      best = i;
      none = true;
    }
  }
  // Second pass: the counts, as far as they can matter.  A level's count
  // only matters when it is below the fewest so far: once a level is known
  // to keep that many, its remaining tests are left for finish_pending.
  bool deferred = false;
  for (int i = lp1; i <= n && !none; ++i) {
    const int stop = i == lp1 ? 0 : fewest;
    const int left = dominance(i, lev, stop);
    const int s = si(i);
    for (int p = sohd(s); p <= sotl(s); ++p) sttv(p, lev) = tv(p);
    ntv(i) = left;
    if (lnext(i) <= lcnt(i)) {
      deferred = true;  // keeps at least fewest: not chosen
      continue;
    }
    if (i == lp1 || left < fewest) {
      best = i;
      fewest = left;
    }
  }
  if (deferred) pend_lev = lev;
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
  relp(lp1) = 0;  // the level's rows are absolute now
  for (int k = hd; k <= tl; ++k) {
    const int p = sosi + k;
    if (tv(p) == 1) {
      set_abs_row(k, p);
      b(k) = -w(p);
      equ(k) = k;
    } else {
      equ(k) = -1;
    }
  }
  equ(in) = 0;
  // The anchor takes column loc1 (whose alpha part is zero).
  const int pa = sosi + in;
  for (int c = 1; c <= N; ++c) {
    if (c == loc1) continue;
    const double* dcol = &d(1, c);
    double s = 0.0;  // over the nonzero exponents of the anchor (see adot)
    for (int t = 1; t <= pnz(pa); ++t) s += dcol[pix(t, pa)] * pvl(t, pa);
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
    set_f(k, 0);
    lp(hd, tl);
    if (equ(k) > 0) exclude(k, hd, tl);
  }
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) != -1) continue;
      set_f(j, k);
      lp(hd, tl);
      const double rr = fdot(&x(1)) - (b(k) + b(j));
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
  if (pend_lev == l - 1) finish_pending();
  const int hd = sihd(l), tl = sitl(l), sosi = sosi_of(l);
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) == 0) continue;
      const int key = tk(j, k);
      tk(j, k) = 0;
      bucket(l, 1) = sosi + j;
      bucket(l, 2) = sosi + k;
      // Candidates of the levels below, and whether each keeps two.  Only
      // the supports of levels l+1..n are read from tv and sttv(:,l) later
      // (until they are written again), so only those are formed, and the
      // first support left with fewer than two ends the pair.
      const int* t1 = &tab(1, sosi + j);
      const int* t2 = &tab(1, sosi + k);
      const int* up = &sttv(1, l - 1);
      int* tvl = &sttv(1, l);
      bool active = true;
      for (int i = l + 1; i <= n && active; ++i) {
        const int s = si(i);
        int cnt = 0;
        for (int q = sohd(s) - 1; q < sotl(s); ++q) {
          const int v = t1[q] * up[q] * t2[q];
          tv(q + 1) = v;
          tvl[q] = v;
          cnt += v == 1;
        }
        if (cnt < 2) active = false;
      }
      if (!active) continue;

      restore(l, key);
      rnk = strnk(l);
      const int p = sosi + j;
      // The rows of a level are written only here and when the level is
      // opened, and the next pairs of the level mostly share j: rows already
      // relative to p stay as they are.
      if (relp(l) != p) {
        relp(l) = p;
        set_abs_row(j, p);
        b(j) = -w(p);
        for (int k2 = hd; k2 <= tl; ++k2) {
          if (k2 == j) continue;
          set_rel_row(k2, sosi + k2, p);
          b(k2) = w(p) - w(sosi + k2);
        }
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
  relp.assign(n, 0);
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
  d.assign(N, N, 0.0);
  b.assign(m, 0.0);
  x.assign(N, 0.0);
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
  arows.assign(static_cast<std::size_t>(m) * (N + 1), nz_entry{0, 0.0});
  fix.assign(N, 0);
  fvl.assign(N, 0.0);
  fd.assign(N, 0.0);
  pnz.assign(m, 0);
  pix.assign(n, m, 0);
  pvl.assign(n, m, 0.0);
  for (int p = 1; p <= m; ++p)
    for (int r = 1; r <= n; ++r)
      if (supp(r, p) != 0) {
        pix(++pnz(p), p) = r - 1;
        pvl(pnz(p), p) = supp(r, p);
      }
  dt.assign(n * N, 0.0);
  gs.assign(mx, 0.0);
  mxc = mx;
  lrate.assign(n * mx * N, 0.0);
  racc.assign(N, 0.0);
  lcnt.assign(n, 0);
  lnext.assign(n, 0);
  lstay.assign(n, 0);
  ldone.assign(n, 0);
  lpt.assign(mx, n, 0);
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
      set_abs_row(fi, fi);
      b(fi) = -w(fi);
      for (int j = 1; j <= m1; ++j) {
        if (j == fi) continue;
        set_rel_row(j, j, fi);
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

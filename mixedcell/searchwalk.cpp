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
// The programs are in searchlp.cpp, the choice of the next level in
// nextlevel.cpp, the state in searchstate.h.
#include <cmath>

#include "lppivot.h"
#include "rtable.h"
#include "search.h"
#include "searchstate.h"

namespace hc {
namespace cellsearch {

// Open level l+1 after the pair of level l was fixed; false when the next
// level has fewer than two candidates (no cell below this pair).
bool search::open_level() {
  const int lp1 = l + 1;
  const int in = tomnext(l);
  if (in == 0) return false;
  janc(lp1) = 0;  // a new level: nothing known dead below its first points
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
  const int sosi = sosi_of(l);
  for (int k = hd; k <= tl; ++k) {
    if (equ(k) <= 0) continue;
    set_f(k, 0);
    const bool open = lp(hd, tl);
    if (equ(k) <= 0) continue;
    // At the optimum with k strictly above beta, k is never lowest wherever
    // the rows of the levels above that its bound needs hold.
    if (!open && fdot(&x(1)) - b(k) > kLpEpsTight) drop_dead(sosi + k, l - 1);
    exclude(k, hd, tl);
  }
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) != -1) continue;
      set_f(j, k);
      lp(hd, tl);
      // A key given during the program (both points basic at one of its
      // vertices) proves the pair whatever the final residual says.
      if (tk(j, k) != -1) continue;
      const double rr = fdot(&x(1)) - (b(k) + b(j));
      if (std::fabs(rr) <= kLpEpsTight && make_basic(j, k) && make_basic(k, j)) {
        tk(j, k) = ++nkey;
        save(l, nkey);
      } else {
        tk(j, k) = 0;
      }
    }
  bool feasible = false;
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
  const int hd = sihd(l), tl = sitl(l);
  for (int j = hd; j <= tl - 1; ++j)
    for (int k = j + 1; k <= tl; ++k) {
      if (tk(j, k) == 0) continue;
      const int key = tk(j, k);
      tk(j, k) = 0;
      if (!candidates_below(j, k)) continue;
      restore(l, key);
      rnk = strnk(l);
      if (!fix_pair(l, j, k)) continue;
      if (!below_alive()) continue;
      if (open_level()) return true;
    }
  --l;
  return false;
}

// The pair (j, k) of level l (level numbering) goes into bucket(l,:); the
// candidates of the levels below it are those compatible with both and with
// every pair above, less those known dead below the first point j (jtv(:,l),
// begun afresh when the first point changes).  Only the supports of levels
// l+1..n are read from tv and sttv(:,l) later (until they are written
// again), so only those are formed, and the first support left with fewer
// than two ends the pair.
bool search::candidates_below(int j, int k) {
  const int sosi = sosi_of(l);
  bucket(l, 1) = sosi + j;
  bucket(l, 2) = sosi + k;
  int* jt = &jtv(1, l);
  if (janc(l) != sosi + j) {
    janc(l) = sosi + j;
    for (int i = l + 1; i <= n; ++i)
      for (int q = sohd(si(i)) - 1; q < sotl(si(i)); ++q) jt[q] = 1;
  }
  const int* t1 = &tab(1, sosi + j);
  const int* t2 = &tab(1, sosi + k);
  const int* up = l > 1 ? &sttv(1, l - 1) : nullptr;
  int* tvl = &sttv(1, l);
  for (int i = l + 1; i <= n; ++i) {
    const int s = si(i);
    int cnt = 0;
    for (int q = sohd(s) - 1; q < sotl(s); ++q) {
      const int v = (up ? t1[q] * up[q] * t2[q] : t2[q] * t1[q]) * jt[q];
      tv(q + 1) = v;
      tvl[q] = v;
      cnt += v == 1;
    }
    if (cnt < 2) return false;
  }
  return true;
}

// Fix the pair (j, k) of level lev at the vertex just restored: p = the
// point of j keeps its absolute row, every other point k' of the level gets
// the relative row (p_k' - p; 0) with bound w(p) - w(k'); j and k leave the
// ratio tests.  Then the columns: free ones go to zind, those of the second
// points of the pairs of levels 1..lev are never left, the one holding j is
// loc1 (it passes to the anchor of the next level) and the others are the
// one-sided ones; column loc1 gains every other column of the level's points,
// which keeps d the inverse of the basis now that their rows are relative.
bool search::fix_pair(int lev, int j, int k) {
  const int hd = sihd(lev), tl = sitl(lev), sosi = sosi_of(lev);
  const int p = sosi + j;
  // The rows of a level are written only here and when the level is opened,
  // and the next pairs of the level mostly share j: rows already relative to
  // p stay as they are.
  if (relp(lev) != p) {
    relp(lev) = p;
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
  secl(lev) = k;

  nnt = 1;
  nz = 0;
  loc1 = 0;
  bool held = false;
  for (int c = 1; c <= N; ++c) {
    const int q = dind(c);
    if (q == 0) {
      zind(++nz) = c;
      continue;
    }
    bool second = false;
    for (int i = 1; i <= lev; ++i)
      if (secl(i) == q) second = true;
    if (q == k) held = true;
    if (second) continue;
    if (q == j)
      loc1 = c;
    else
      ntind(++nnt) = c;
  }
  // A saved vertex holds both points of its pair; a start vertex of support
  // 1 may not.
  if (loc1 == 0 || !held) return false;
  ntind(1) = loc1;
  for (int c = 1; c <= N; ++c)
    if (c != loc1 && dind(c) >= hd)
      for (int r = 1; r <= N; ++r) d(r, loc1) += d(r, c);
  return true;
}

// The pair (fi, ti) of support 1 as the pair of level 1, from its saved
// start vertex; open level 2 below it.  False when no cell can lie below.
bool search::start_pair(int fi, int ti) {
  for (int i = 1; i <= n; ++i) bucket(i, 1) = bucket(i, 2) = 0;
  l = 1;
  if (!candidates_below(fi, ti)) return false;
  const int key = svkt(fi, ti);
  if (key == 0) return false;  // no saved vertex holds both points
  rnk = strnk(1);
  sv1.load(key, &x(1), d, &dind(1), &equ(1), m1);
  for (int j = 1; j <= m1; ++j)
    if (equ(j) != 0) equ(j) = j;
  if (!fix_pair(1, fi, ti)) return false;
  if (!below_alive()) return false;
  return open_level();
}

// Examine and descend from the level just opened until the walk is back at
// level 1.
void search::walk() {
  bool needcheck = true;
  while (l > 1) {
    if (needcheck) examine();
    if (l > 1) needcheck = next_pair();
  }
}

// n = 1: the cells are the lower edges of the one lifted support, the
// compatible pairs of the relation table.
void search::lower_edges() {
  bucket.assign(1, 2, 0);
  for (int fi = 1; fi <= m1 - 1; ++fi)
    for (int ti = fi + 1; ti <= m1; ++ti)
      if (tab(fi, ti) == 1) emit(fi, ti);
}

void search::allocate(int rnk1) {
  int mx = 0;
  for (int s = 1; s <= n; ++s) mx = nm(s) > mx ? nm(s) : mx;
  build(n, m, supp);
  level_program::alloc(N, m, *this, supp);
  level_state::alloc(n, m, nm, sohd, sotl);
  choice_work::alloc(n, N, mx);
  strnk(1) = rnk1;
}

void search::run() {
  for (int s = 1; s <= n; ++s)
    if (nm(s) < 2) return;  // an equation of one point has no edge
  tab.assign(m, m);
  svkt.assign(m1, m1);
  int rnk1 = 0;
  rtable(n, m, sohd, nm, supp, w, tab, rnk1, svkt, sv1);
  if (n == 1) {
    lower_edges();
    return;
  }
  allocate(rnk1);
  for (int fi = 1; fi <= m1 - 1; ++fi)
    for (int ti = fi + 1; ti <= m1; ++ti)
      if (tab(fi, ti) != 0 && start_pair(fi, ti)) walk();
}

}  // namespace cellsearch

void mixcell(int n, int m, vec_ref<const int> sotl, vec_ref<const int> sohd, vec_ref<const int> nm,
             mat_ref<const int> supp, vec_ref<const double> w, std::vector<int>& mcl, int& nc) {
  cellsearch::search s(n, m, sotl, sohd, nm, supp, w, mcl, nc);
  s.run();
}

}  // namespace hc

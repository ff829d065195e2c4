// The choice of the next level of the mixed-cell search: the lifted values
// of the candidates at the current vertex and their order, the rates of each
// candidate along the columns of the vertex, and the dominance test that
// drops candidates which can never be lowest.  The level with the fewest
// candidates left comes next.  Routines and extents in searchstate.h.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "lppivot.h"
#include "searchstate.h"

namespace hc {
namespace cellsearch {

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
        if (std::fabs(rp[z * mxc] - rq[z * mxc]) > kLpEpsTight) dom = false;
      for (int c = 0; c < nh && dom; ++c)
        if (rp[c * mxc] - rq[c * mxc] > kLpEpsTight) dom = false;
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
        pass |= static_cast<std::uint64_t>(!(std::fabs(rc[b] - qv) > kLpEpsTight)) << b;
    } else {
      for (int b = 0; b < top; ++b)
        pass |= static_cast<std::uint64_t>(!(rc[b] - qv > kLpEpsTight)) << b;
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
      g(cnt) = lifted(p);
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

// The lowest candidate of support s at the vertex xv (0: none) and the
// number of candidates; ga its lifted value, g(k) that of the k-th point of s
// (candidates only).
int search::lowest_candidate(int s, const double* xv, int& cnt, double& ga) {
  int a = 0;
  cnt = 0;
  ga = 0.0;
  for (int p = sohd(s); p <= sotl(s); ++p) {
    if (tv(p) != 1) continue;
    ++cnt;
    const double gp = lifted_at(p, xv);
    g(p - sohd(s) + 1) = gp;
    if (a == 0 || gp < ga) {
      a = p;
      ga = gp;
    }
  }
  return a;
}

// Whether the lowest candidate of support s changes over the region of the
// pairs chosen at levels 1..l (every relative row of those levels holds):
// only then can s have an edge there.  It does when another candidate is
// strictly lower here than a0, the lowest at the vertex where the test of
// the levels below began (both vertices lie in the region).  Otherwise, with
// a the lowest candidate at the current vertex, a candidate q proves it when
// it can get as low as a, that is when (p_q - p_a)'alpha can reach w(a) -
// w(q): at once along a free column of the vertex (the region holds the
// whole line), else by a descent that stops as soon as it gets there.  A q
// whose descent ends above is never lower than a, so never lowest: it leaves
// the candidates of the levels below this pair.  The descents move the vertex
// within the region.
bool search::lowest_varies(int s, int a0) {
  int cnt = 0;
  double ga = 0.0;
  const int a = lowest_candidate(s, &x(1), cnt, ga);
  if (cnt < 2) return false;
  if (a0 != 0 && a0 != a && ga < lifted(a0) - kLpEpsTight) return true;
  const int tl = sitl(l);
  const long long here = nsteps;  // the values of lowest_candidate hold while equal
  for (int q = sohd(s); q <= sotl(s); ++q) {
    if (tv(q) != 1 || q == a) continue;
    const bool kept = nsteps == here;
    if ((kept ? g(q - sohd(s) + 1) : lifted(q)) <= (kept ? ga : lifted(a)) + kLpEpsTight)
      return true;
    // f = (p_q - p_a; 0)
    int t = 0;
    for (int r = 1; r <= n; ++r) {
      const int e = supp(r, q) - supp(r, a);
      if (e == 0) continue;
      fix(++t) = r - 1;
      fvl(t) = e;
    }
    fnz = t;
    for (int z = 1; z <= nz; ++z)
      if (std::fabs(fdot(&d(1, zind(z)))) > kLpEpsTight) return true;
    const double stop = w(a) - w(q) + kLpEpsTight;
    if (lp(tl + 1, tl, stop) || fdot(&x(1)) <= stop) return true;
    tv(q) = 0;
    drop_dead(q, l);
  }
  return false;
}

// Point q (search numbering) was found never lowest in its support: a
// descent of f ended at its optimum x with f'x above its bound.  There f =
// sum_c lambda_c a_dind(c) with lambda_c = f'd(:,c) (the free columns'
// lambda vanish), lambda_c >= 0 on every one-sided column, of either sign on
// the columns of the second points (equalities).  So f'y >= f'x for every y
// that satisfies only the rows with lambda_c != 0, as inequalities where
// lambda_c > 0.  Rows of levels above top are not counted (the absolute rows
// of a level being examined bound only its beta, whatever the pairs above).
// When the counted rows all belong to levels 1..L, q stays above the lowest
// on the region of the pairs of levels 1..L, whatever the levels below
// choose, and leaves the candidates below each of those pairs (sttv(:,
// L..top)).  When, moreover, the row of level L's second point is used as an
// inequality (or not at all), the bound holds for every pair of level L that
// shares its first point (they differ only in which relative row is an
// equality), so q is also marked dead below that first point.  A multiplier
// within the rate tolerance counts as zero, as the optimality test of the
// descent does.
void search::drop_dead(int q, int top) {
  // kmax: the highest counted row with a multiplier, the rows taken from the
  // highest down (a point holds at most one column), so that mostly one or
  // two multipliers are formed.
  int kmax = 0;
  for (int below = sitl(top) + 1;;) {
    int cb = 0, kb = 0;
    for (int c = 1; c <= N; ++c)
      if (dind(c) > kb && dind(c) < below) {
        kb = dind(c);
        cb = c;
      }
    if (cb == 0) break;
    if (std::fabs(fdot(&d(1, cb))) > kLpEpsRate) {
      kmax = kb;
      break;
    }
    below = kb;
  }
  int L = top;
  bool anchor = false;
  if (kmax > 0) {
    L = 1;
    while (L < top && kmax > sitl(L)) ++L;
    anchor = true;
    for (int c = 1; c <= N; ++c)
      if (dind(c) == secl(L) && fdot(&d(1, c)) < -kLpEpsRate) anchor = false;
  }
  for (int i = L; i <= top; ++i) sttv(q, i) = 0;
  if (anchor) jtv(q, L) = 0;
}

// Whether every support of the levels below l can still have an edge on the
// region of the pairs chosen so far; a partial cell for which some support
// cannot is given up before its next level is opened.  The supports are
// tested in the order of their last such failure, the latest first: a
// support that ended a partial cell lately is the likeliest to end this one,
// and every test before the failing one is spent in vain.
bool search::below_alive() {
  int cnt = 0;
  for (int i = l + 1; i <= n; ++i) {
    const int s = si(i);
    int j = ++cnt;
    while (j > 1 && lastfail(bord(j - 1)) < lastfail(s)) {
      bord(j) = bord(j - 1);
      --j;
    }
    bord(j) = s;
  }
  for (int r = 1; r <= N; ++r) x0(r) = x(r);
  const long long steps0 = nsteps;
  for (int t = 1; t <= cnt; ++t) {
    // The first support is tested where the walk began, and so is every
    // support while no descent has moved the vertex: no earlier vertex.
    int c = 0;
    double g0 = 0.0;
    const int a0 = nsteps == steps0 ? 0 : lowest_candidate(bord(t), &x0(1), c, g0);
    if (!lowest_varies(bord(t), a0)) {
      lastfail(bord(t)) = ++nfail;
      return false;
    }
  }
  return true;
}

}  // namespace cellsearch
}  // namespace hc

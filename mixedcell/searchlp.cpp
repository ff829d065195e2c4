// The programs of a level of the mixed-cell search: the basis change, the
// simplex descent with its ratio test, the degenerate exchange that puts a
// tight point into the basis, and the filling of free columns when a level
// opens.  Routines and extents in searchstate.h.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "lppivot.h"
#include "searchstate.h"

namespace hc {
namespace cellsearch {

namespace {

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

}  // namespace

// Point k enters at column c: h(kk) = d(:,kk)'a_k for every column; column c
// times 1/h(c); every other column kk loses h(kk) times column c.
void level_program::pivot(int c, int k) {
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
// feasible: it gets a key and the vertex is saved.  With stop > -inf the
// descent ends as soon as f'x <= stop.  True when it ended there, or found
// no blocking point, or ran out of pivots: f'x may then go below stop.
bool search::lp(int hd, int tl, double stop) {
  const bool stopping = stop > -kLpThetaStart;
  // The candidates 1..tl outside the basis (equ > 0), ascending, in
  // act(1..na): formed at the first ratio test and kept as points enter and
  // leave the basis, so that a ratio test reads only the rows that can block
  // (about a third of 1..tl) in the order of the plain scan.
  int na = -1;
  for (int it = 0; it < kMaxLpPivots; ++it) {
    int c = 0;
    for (int cc = 1; cc <= nnt; ++cc)
      if (fdot(&d(1, ntind(cc))) < -kLpEpsRate) {
        c = cc;
        break;
      }
    if (c == 0) return false;
    const int col = ntind(c), out = dind(col);
    if (na < 0) {
      na = 0;
      for (int k = 1; k <= tl; ++k) {
        act(na + 1) = k;
        na += equ(k) > 0;
      }
    }
    double theta = kLpThetaStart;
    int in = 0;
    for (int a = 1; a <= na; ++a) {
      const int k = act(a);
      const double s = drate(col, k);
      if (s < -kLpEpsRate) {
        const double t = slack(k) / s;
        if (t < theta) {
          theta = t;
          in = k;
        }
      }
    }
    // No blocking point (the decrease of a pair objective is split between
    // its two points, each below the rate tolerance): stop here.
    if (in == 0) return true;
    dind(col) = in;
    equ(in) = 0;
    if (out > 0) equ(out) = out;
    // in leaves the list; out (when one of 1..tl) joins it in its place.
    int a = 1;
    while (act(a) != in) ++a;
    if (out > 0 && out <= tl) {
      if (out < in) {
        for (; a > 1 && act(a - 1) > out; --a) act(a) = act(a - 1);
      } else {
        for (; a < na && act(a + 1) < out; ++a) act(a) = act(a + 1);
      }
      act(a) = out;
    } else {
      for (; a < na; ++a) act(a) = act(a + 1);
      --na;
    }
    for (int r = 1; r <= N; ++r) x(r) += theta * d(r, col);
    ++nsteps;
    pivot(col, in);
    if (stopping && fdot(&x(1)) <= stop) return true;
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
  return true;
}

// Point t is tight but not basic (a degenerate vertex): exchange it into the
// basis with a step of length 0 along the one-sided column where it has the
// largest rate, never the column of its partner.  False if there is none.
bool level_program::make_basic(int t, int other) {
  if (equ(t) == 0) return true;
  int cb = 0;
  double rb = kLpEpsRate;
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
        if (s > kLpEpsRate)
          ++pos;
        else if (s < -kLpEpsRate)
          ++neg;
      }
      if (pos == 0 && neg == 0) continue;
      const bool plus = neg >= 1 && (pos == 0 || neg <= pos);
      double theta = kLpThetaStart;
      int in = 0;
      for (int k = hd; k <= tl; ++k) {
        if (equ(k) <= 0) continue;
        if (plus ? !(stah(k) < -kLpEpsRate) : !(stah(k) > kLpEpsRate)) continue;
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

}  // namespace cellsearch
}  // namespace hc

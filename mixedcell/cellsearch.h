// The state of the depth-first search for mixed cells, shared by the files
// that carry out its parts; private to the mixed-cell library.
//
// Points are numbered two ways: search numbering (the columns of supp(n,m))
// and level numbering, in which the points of the supports at levels 1..n
// follow each other (level i holds hd = sihd(i) .. tl = sitl(i), and point k
// of level i is point k + sosi_of(i) in search numbering).  Every program has
// N = n + 1 unknowns: the inner normal alpha(n) and beta.
//
// Inline helpers (this header):
//   adot(v, k)             v'a_k over the nonzero entries of row k; v(N)
//   fdot(v)                v'f over the nonzero entries of f; v(N)
//   drate(c, k)            d(:,c)'a_k, the rate of constraint k along column c
//   slack(k)               b(k) - x'a_k
//   set_abs_row(k, p)      a_k = (exponents of point p; -1)
//   set_rel_row(k, q, p)   a_k = (exponents of q - exponents of p; 0)
//   set_f(j, k)            f = a_j, or a_j + a_k when k > 0; fd(N) work, left zero
//   rates_at(i, pos)       where rate 0 of sorted position pos of level slot i
//                          lies in lrate; rate c is c*mxc further on
//   sosi_of(lev)           search number minus level number for level lev
//   save(lev, key), restore(lev, key)  the vertex x(N), d(N,N), dind(N),
//                          equ(1..sitl(lev)) to / from st[lev] under key
//   emit(j2, k2)           appends the cell bucket(1..n-1,:) with (j2, k2) at
//                          level n to mcl, ++nc; too many cells end the program
//   exclude(k, hd, tl)     drops point k of the level hd..tl: equ(k) = -1 and
//                          tk(k, k..tl), tk(hd..k, k) = 0
//   count_candidates(s)    the points of support s marked 1 in tv
// searchlp.cpp, the programs of a level:
//   pivot(c, k)            point k enters d(N,N) at column c; h(N) work
//   lp(hd, tl)             minimises f'x from the current vertex over the
//                          one-sided columns; a pair of the level hd..tl found
//                          with both points basic gets a key in tk and its
//                          vertex is saved
//   make_basic(t, other)   exchanges tight point t into the basis by a step of
//                          length 0 (not at the column of other); false if none
//   extend_rnk(lp1, hd, tl)  fills free columns with candidates hd..tl of
//                          level lp1; returns the number filled, strnk(lp1) =
//                          rnk; stah(m) work
// nextlevel.cpp, the choice of the next level:
//   sort_lifted(cnt)       sorts g(1..cnt) ascending, perm(pos) = the candidate
//                          at position pos; gs(mx) work
//   rates_of(i, pos)       the rates of sorted position pos of level slot i
//                          along the Kd columns of dt, into lrate; racc(N) work
//   dominated(i, q)        whether an earlier position of slot i dominates q
//   dominance(i, lev, stop)  goes on with the dominance test of slot i; drops
//                          the dominated from tv and sttv(:,lev); returns the
//                          number known to stay
//   finish_pending()       finishes the tests the last tomnext left open
//   tomnext(lev)           chooses the support of level lev+1 and returns its
//                          anchor in level numbering (0: no cell below)
// mixcell.cpp, the search itself:
//   open_level()           opens level l+1 below the pair of level l
//   examine()              decides the points and pairs of level l, emits cells
//   next_pair()            takes the next feasible pair of level l
//   run()                  the whole enumeration
#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <vector>

#include "array.h"
#include "fatal.h"
#include "rtable.h"

namespace hc {
namespace cellsearch {

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

  // Tables built once: the relation table tab(m,m); tk(m,m) the pairs of the
  // newest level (level numbering, j < k: -1 undecided, 0 not a pair to
  // follow, > 0 the key of its saved vertex); svkt(m1,m1) and sv1 the keys
  // and vertices of support 1's pairs.
  mat<int> tab, tk, svkt;
  lp_store sv1;
  std::vector<lp_store> st;  // saved vertices of each level, keys from 1; n+1 stores

  // Level structure, candidate marks, chosen pairs (all of n entries): si(i)
  // the support at level i, sinm(i) its number of points, sihd(i)..sitl(i)
  // its points in level numbering, strnk(i) the rank reached at level i,
  // secl(i) the second point of level i's pair, ntv(i) the candidates left.
  vec<int> si, sinm, sihd, sitl, strnk, secl, ntv;
  vec<int> relp;  // relp(l): the point p of level l's rows (p_k - p; 0), 0 = none
  // sttv(m,n): the candidate marks below the pair of each level; bucket(n,2):
  // the pair of each level in search numbering.
  mat<int> sttv, bucket;
  vec<int> tv;  // tv(m): the current candidate marks (1 = candidate)

  // The program of the current level, in level numbering: d(N,N) the
  // direction matrix, b(m) the bounds, x(N) the vertex, h(N) pivot work;
  // dind(N) the point of each column (0 = free); equ(m) 0 basic, k a
  // candidate outside the basis, -1 no longer a candidate; ntind(N) the
  // one-sided columns 1..nnt (the anchor's at loc1 first), zind(N) the free
  // columns 1..nz.  The constraint row a_k (N entries, small integers) is
  // kept as its nonzero entries in row order: row(k)[0].r of them in
  // row(k)[1..], each a 0-based row and its value, all of one row in one
  // record (a product reads one short stretch of memory); the objective f the
  // same way (fnz entries in fix(N), fvl(N)).
  mat<double> d;
  vec<double> b, x, h;
  vec<int> dind, equ, ntind, zind;
  int nnt = 0, nz = 0, rnk = 0, loc1 = 0, l = 1, nkey = 0;
  struct nz_entry {
    int r;
    double v;
  };
  std::vector<nz_entry> arows;  // N+1 entries per row k, m rows
  nz_entry* row(int k) { return &arows[static_cast<std::size_t>(k - 1) * (N + 1)]; }
  const nz_entry* row(int k) const {
    return &arows[static_cast<std::size_t>(k - 1) * (N + 1)];
  }
  vec<int> fix;
  vec<double> fvl, fd;
  int fnz = 0;

  // The points (search numbering) as their nonzero exponents in row order:
  // pnz(m) of them, 0-based rows pix(n,m), values pvl(n,m) as doubles.
  vec<int> pnz;
  mat<int> pix;
  mat<double> pvl;

  // Work of tomnext and extend_rnk (mx = the most points of a support).
  // dt(n*N): rows 1..n of the Kd columns the rates use (one-sided after the
  // anchor's, then nzd free ones), row by row.  Per level slot i of the last
  // tomnext: lcnt(i) candidates, lpt(pos, i) the point at sorted position
  // pos (lpt(mx,n)), their rates in lrate(n*mx*N) (slot i holds N rows of
  // mxc = mx positions, rate c of every position in one row; the first
  // ldone(i) positions formed), the dominance test done for the positions
  // below lnext(i), lstay(i) of them kept; stin(i) the lowest candidate in
  // the numbering of level lev+1 and stmin(i) its lifted value.  g(mx) the
  // lifted values, cand(mx) the candidates, perm(mx) their order, gs(mx),
  // racc(N), stah(m) work.  pend_lev: the lev of the tomnext whose tests are
  // not all done (0: none).
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
      fatal(status::size, "mixed-cell search: more than " + std::to_string(max_cells) +
                              " mixed cells, beyond what the cell table can number");
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

  // searchlp.cpp
  void pivot(int c, int k);
  void lp(int hd, int tl);
  bool make_basic(int t, int other);
  int extend_rnk(int lp1, int hd, int tl);
  // nextlevel.cpp
  void sort_lifted(int cnt);
  void rates_of(int i, int pos);
  bool dominated(int i, int q);
  int dominance(int i, int lev, int stop);
  void finish_pending();
  int tomnext(int lev);
  // mixcell.cpp
  bool open_level();
  void examine();
  bool next_pair();
  void run();
};

}  // namespace cellsearch
}  // namespace hc

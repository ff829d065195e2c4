// The state of the depth-first search for mixed cells, split by concept, and
// the routines that work on it; private to the mixed-cell library.
//
// Points are numbered two ways: search numbering (the columns of supp(n,m))
// and level numbering, in which the points of the supports at levels 1..n
// follow each other (level i holds hd = sihd(i) .. tl = sitl(i), and point k
// of level i is point k + sosi_of(i) in search numbering).  Every program has
// N = n + 1 unknowns: the inner normal alpha(n) and beta.
//
// The state:
//   sparse_points    the points as their nonzero exponents
//   level_program    the dense program of the current level: vertex,
//                    direction matrix, constraint rows, objective
//   level_state      which support each level holds, the candidates, the
//                    chosen pairs, the pairs of the newest level and the
//                    vertices saved for them
//   choice_work      the work of the choice of the next level
//   search           all of these with the input and the relation table
//
// level_program (inline unless said otherwise):
//   adot(v, k)             v'a_k over the nonzero entries of row k; v(N)
//   fdot(v)                v'f over the nonzero entries of f; v(N)
//   drate(c, k)            d(:,c)'a_k, the rate of constraint k along column c
//   slack(k)               b(k) - x'a_k
//   set_abs_row(k, p)      a_k = (exponents of point p; -1)
//   set_rel_row(k, q, p)   a_k = (exponents of q - exponents of p; 0)
//   set_f(j, k)            f = a_j, or a_j + a_k when k > 0; fd(N) work, left zero
//   pivot(c, k)            point k enters d(N,N) at column c; h(N) work
//                          (searchlp.cpp)
//   make_basic(t, other)   exchanges tight point t into the basis by a step of
//                          length 0 (not at the column of other); false if none
//                          (searchlp.cpp)
// search, inline helpers:
//   lifted(p)              w(p) + x(1:n)'p, the lifted value of point p at x;
//                          lifted_at(p, xv) the same at xv(N)
//   rates_at(i, pos)       where rate 0 of sorted position pos of level slot i
//                          lies in lrate; rate c is c*mxc further on
//   sosi_of(lev)           search number minus level number for level lev
//   save(lev, key), restore(lev, key)  the vertex x(N), d(N,N), dind(N),
//                          equ(1..sitl(lev)) to / from st[lev] under key
//   emit(j2, k2)           appends the cell bucket(1..n-1,:) with (j2, k2) at
//                          level n to mcl, ++nc; too many cells end the program
//   exclude(k, hd, tl)     drops point k of the level hd..tl: equ(k) = -1 and
//                          tk(k, k..tl), tk(hd..k, k) = 0
// searchlp.cpp, the programs of a level:
//   lp(hd, tl, stop)       minimises f'x from the current vertex over the
//                          one-sided columns and the points 1..tl; a pair of
//                          the level hd..tl found with both points basic gets
//                          a key in tk and its vertex is saved; stops once
//                          f'x <= stop; false when it reached the optimum
//                          (above stop); act(m) work
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
//   lowest_candidate(s, xv, cnt, ga)  the lowest candidate of support s at
//                          the vertex xv(N) (0: none), cnt the candidates, ga
//                          its value; g(k) the value of the k-th point of s
//   lowest_varies(s, a0)   whether two candidates of support s can each be
//                          lowest somewhere on the region of the pairs chosen
//                          so far (levels 1..l); a0 the lowest at an earlier
//                          vertex of the region (0: none); drops from tv and
//                          sttv(:,l) the candidates found never lower than the
//                          lowest
//   drop_dead(q, top)      after a descent proved point q never lowest at
//                          its optimum: drops q from sttv(:,L..top) and,
//                          when the bound holds for every pair of level L
//                          with its first point, from jtv(:,L), where L <=
//                          top is the highest level whose rows the bound
//                          needs (rows of levels above top not counted)
//   below_alive()          lowest_varies for the support of every level below
//                          l, the last to fail first: false when some support
//                          can have no edge there; bord(n), x0(N) work
// searchwalk.cpp, the walk, in the order of its steps:
//   allocate(rnk1)         sizes every array of the walk; rnk1 the rank of
//                          support 1's start vertex
//   start_pair(fi, ti)     takes the pair (fi, ti) of support 1 as level 1 and
//                          opens level 2 below it (false: no cell below)
//   open_level()           opens level l+1 below the pair of level l
//   examine()              decides the points and pairs of level l, emits cells
//   next_pair()            takes the next feasible pair of level l and opens
//                          the level below it; false (and l = l-1) when none
//   candidates_below(j, k) the candidates of the levels below the pair (j, k)
//                          of level l into tv and sttv(:,l); false when some
//                          support keeps fewer than two
//   fix_pair(lev, j, k)    makes the rows of level lev relative to its point j
//                          and sorts the columns of the vertex for the levels
//                          below; false when the vertex does not hold j and k
//   walk()                 examines and descends until back at level 1
//   lower_edges()          the cells for n = 1
//   run()                  the whole enumeration
#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <vector>

#include "array.h"
#include "fatal.h"
#include "lppivot.h"
#include "rtable.h"

namespace hc {
namespace cellsearch {

// The cell table numbers its 2 nc columns by 32-bit integers.
constexpr int kMaxCells = INT_MAX / 2;
// Pivots of one program before it is taken as cycling on a degenerate vertex
// (then the test stops where it is and its objective decides).
constexpr int kMaxLpPivots = 100000;

// The points (search numbering) as their nonzero exponents in row order:
// pnz(m) of them, 0-based rows pix(n,m), values pvl(n,m) as doubles.
struct sparse_points {
  vec<int> pnz;
  mat<int> pix;
  mat<double> pvl;

  void build(int n, int m, mat_ref<const int> supp) {
    pnz.assign(m, 0);
    pix.assign(n, m, 0);
    pvl.assign(n, m, 0.0);
    for (int p = 1; p <= m; ++p)
      for (int r = 1; r <= n; ++r)
        if (supp(r, p) != 0) {
          pix(++pnz(p), p) = r - 1;
          pvl(pnz(p), p) = supp(r, p);
        }
  }
};

// The program of the current level, in level numbering: d(N,N) the
// direction matrix, b(m) the bounds, x(N) the vertex, h(N) pivot work;
// dind(N) the point of each column (0 = free); equ(m) 0 basic, k a candidate
// outside the basis, -1 no longer a candidate; ntind(N) the one-sided
// columns 1..nnt (the anchor's at loc1 first), zind(N) the free columns
// 1..nz; rnk the columns that hold a point.  The constraint row a_k (N
// entries, small integers) is kept as its nonzero entries in row order:
// row(k)[0].r of them in row(k)[1..], each a 0-based row and its value, all
// of one row in one record (a product reads one short stretch of memory);
// the objective f the same way (fnz entries in fix(N), fvl(N)).  stah(m) is
// work of the filling of free columns, act(m) that of the ratio tests of lp
// (the candidates outside the basis, ascending).
struct level_program {
  int N = 0;
  const sparse_points* pts = nullptr;
  mat_ref<const int> psupp;  // supp(n,m), for the relative rows
  mat<double> d;
  vec<double> b, x, h, stah;
  vec<int> dind, equ, ntind, zind, act;
  int nnt = 0, nz = 0, rnk = 0, loc1 = 0;
  struct nz_entry {
    int r;
    double v;
  };
  std::vector<nz_entry> arows;  // N+1 entries per row k, m rows
  vec<int> fix;
  vec<double> fvl, fd;
  int fnz = 0;

  void alloc(int N_, int m, const sparse_points& p, mat_ref<const int> supp) {
    N = N_;
    pts = &p;
    psupp = supp;
    d.assign(N, N, 0.0);
    b.assign(m, 0.0);
    x.assign(N, 0.0);
    h.assign(N, 0.0);
    stah.assign(m, 0.0);
    dind.assign(N, 0);
    equ.assign(m, -1);
    act.assign(m, 0);
    ntind.assign(N, 0);
    zind.assign(N, 0);
    arows.assign(static_cast<std::size_t>(m) * (N + 1), nz_entry{0, 0.0});
    fix.assign(N, 0);
    fvl.assign(N, 0.0);
    fd.assign(N, 0.0);
  }

  nz_entry* row(int k) { return &arows[static_cast<std::size_t>(k - 1) * (N + 1)]; }
  const nz_entry* row(int k) const { return &arows[static_cast<std::size_t>(k - 1) * (N + 1)]; }
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
    for (int u = 1; u <= pts->pnz(p); ++u) e[++t] = {pts->pix(u, p), pts->pvl(u, p)};
    e[++t] = {N - 1, -1.0};
    e[0].r = t;
  }
  // Row k = (exponents of q - exponents of p; 0), a relative row.
  // (Written without branches on the entries: slot t is always written and
  // kept only when the entry is nonzero; the arrays have room for N.)
  void set_rel_row(int k, int q, int p) {
    const int* eq = &psupp(1, q);
    const int* ep = &psupp(1, p);
    nz_entry* en = row(k) + 1;
    int t = 0;
    for (int r = 0; r < N - 1; ++r) {
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

  // searchlp.cpp
  void pivot(int c, int k);
  bool make_basic(int t, int other);
};

// The levels (all of n entries): si(i) the support at level i, sinm(i) its
// number of points, sihd(i)..sitl(i) its points in level numbering, strnk(i)
// the rank reached at level i, secl(i) the second point of level i's pair,
// ntv(i) the candidates left, relp(i) the point p of level i's rows
// (p_k - p; 0), 0 = none; sttv(m,n) the candidate marks below the pair of
// each level; jtv(m,n) the points known never lowest below any pair of
// level i with the first point janc(i) (search numbering; 0 = none yet), 1
// alive, 0 dead; bucket(n,2) the pair of each level in search numbering; tv(m)
// the current candidate marks (1 = candidate); tk(m,m) the pairs of the
// newest level (level numbering, j < k: -1 undecided, 0 not a pair to
// follow, > 0 the key of its saved vertex) and st[i] the vertices saved for
// the pairs of level i under their keys (keys from 1); l the newest level,
// nkey the keys it has given.
struct level_state {
  vec<int> si, sinm, sihd, sitl, strnk, secl, ntv, relp, janc;
  mat<int> sttv, jtv, bucket, tk;
  vec<int> tv;
  std::vector<lp_store> st;
  int l = 1, nkey = 0;

  void alloc(int n, int m, vec_ref<const int> nm, vec_ref<const int> sohd,
             vec_ref<const int> sotl) {
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
    sttv.assign(m, n, 0);
    jtv.assign(m, n, 1);
    janc.assign(n, 0);
    bucket.assign(n, 2, 0);
    tk.assign(m, m, 0);
    tv.assign(m, 0);
    st.assign(n + 1, lp_store{});
  }
};

// Work of the choice of the next level (mx = the most points of a support).
// dt(n*N): rows 1..n of the Kd columns the rates use (one-sided after the
// anchor's, then nzd free ones), row by row.  Per level slot i of the last
// tomnext: lcnt(i) candidates, lpt(pos, i) the point at sorted position pos
// (lpt(mx,n)), their rates in lrate(n*mx*N) (slot i holds N rows of mxc = mx
// positions, rate c of every position in one row; the first ldone(i)
// positions formed), the dominance test done for the positions below
// lnext(i), lstay(i) of them kept; stin(i) the lowest candidate in the
// numbering of level lev+1 and stmin(i) its lifted value.  g(mx) the lifted
// values, cand(mx) the candidates, perm(mx) their order, gs(mx), racc(N)
// work.  pend_lev: the lev of the tomnext whose tests are not all done (0:
// none).  lastfail(s) (n) when support s last ended a partial cell in
// below_alive (0: never; nfail failures so far); bord(n) its order of the
// supports and x0(N) the vertex where it began; nsteps the steps lp has
// taken (the vertex has not moved while it stays the same).
struct choice_work {
  vec<double> g, gs, stmin, dt, lrate, racc, x0;
  vec<int> cand, perm, stin, lcnt, lnext, lstay, ldone, bord;
  vec<long long> lastfail;
  mat<int> lpt;
  int Kd = 0, nzd = 0, mxc = 0, pend_lev = 0;
  long long nfail = 0, nsteps = 0;

  void alloc(int n, int N, int mx) {
    g.assign(mx, 0.0);
    gs.assign(mx, 0.0);
    cand.assign(mx, 0);
    perm.assign(mx, 0);
    dt.assign(n * N, 0.0);
    mxc = mx;
    lrate.assign(n * mx * N, 0.0);
    racc.assign(N, 0.0);
    lcnt.assign(n, 0);
    lnext.assign(n, 0);
    lstay.assign(n, 0);
    ldone.assign(n, 0);
    lpt.assign(mx, n, 0);
    stmin.assign(n, 0.0);
    stin.assign(n, 0);
    bord.assign(n, 0);
    x0.assign(N, 0.0);
    lastfail.assign(n, 0);
    nfail = 0;
  }
};

struct search : sparse_points, level_program, level_state, choice_work {
  // Input.
  int n, m, m1;
  vec_ref<const int> sotl, sohd, nm;
  mat_ref<const int> supp;
  vec_ref<const double> w;
  std::vector<int>& mcl;
  int& nc;

  // Tables built once: the relation table tab(m,m); svkt(m1,m1) and sv1 the
  // keys and vertices of support 1's pairs.
  mat<int> tab, svkt;
  lp_store sv1;

  search(int n_, int m_, vec_ref<const int> sotl_, vec_ref<const int> sohd_, vec_ref<const int> nm_,
         mat_ref<const int> supp_, vec_ref<const double> w_, std::vector<int>& mcl_, int& nc_)
      : n(n_),
        m(m_),
        m1(nm_(1)),
        sotl(sotl_),
        sohd(sohd_),
        nm(nm_),
        supp(supp_),
        w(w_),
        mcl(mcl_),
        nc(nc_) {
    N = n_ + 1;
  }

  // g = w(p) + x'p over the nonzero exponents of p: the sum starts at
  // w(p) > 0 and, as in adot, the zero products change nothing; x(r) times
  // an exponent 1 is x(r) itself.
  double lifted(int p) const { return lifted_at(p, &x(1)); }
  // The same at the vertex xv(N).
  double lifted_at(int p, const double* xv) const {
    const int* ix = &pix(1, p);
    const double* vl = &pvl(1, p);
    double gv = w(p);
    for (int t = 0; t < pnz(p); ++t) gv += vl[t] == 1.0 ? xv[ix[t]] : xv[ix[t]] * vl[t];
    return gv;
  }
  // Rate 0 of position pos in level slot i; rate c is c*mxc further on.
  double* rates_at(int i, int pos) {
    return &lrate(1) + static_cast<std::ptrdiff_t>(i - 1) * mxc * N + (pos - 1);
  }
  int sosi_of(int lev) const { return sohd(si(lev)) - sihd(lev); }

  void save(int lev, int key) { st[lev].save(key, &x(1), d, &dind(1), &equ(1), sitl(lev)); }
  void restore(int lev, int key) { st[lev].load(key, &x(1), d, &dind(1), &equ(1), sitl(lev)); }

  void emit(int j2, int k2) {
    if (nc >= kMaxCells) {
      fatal(status::size, "mixed-cell search: more than " + std::to_string(kMaxCells) +
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

  // searchlp.cpp
  bool lp(int hd, int tl, double stop = -kLpThetaStart);
  int extend_rnk(int lp1, int hd, int tl);
  // nextlevel.cpp
  void sort_lifted(int cnt);
  void rates_of(int i, int pos);
  bool dominated(int i, int q);
  int dominance(int i, int lev, int stop);
  void finish_pending();
  int tomnext(int lev);
  int lowest_candidate(int s, const double* xv, int& cnt, double& ga);
  bool lowest_varies(int s, int a0);
  void drop_dead(int q, int top);
  bool below_alive();
  // searchwalk.cpp
  void allocate(int rnk1);
  bool start_pair(int fi, int ti);
  bool open_level();
  void examine();
  bool next_pair();
  bool candidates_below(int j, int k);
  bool fix_pair(int lev, int j, int k);
  void walk();
  void lower_edges();
  void run();
};

}  // namespace cellsearch
}  // namespace hc

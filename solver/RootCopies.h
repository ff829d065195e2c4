// One simple root reached by two paths.  After the duplicate check's
// re-tracks, two stored end points can still be the same root although they
// differ by more than the check's relative 1e-7: a simple root that is badly
// conditioned is only determined to within what a backward error of a few
// eps allows (root 7 of (x-1)(x-2)...(x-16), expanded: 4.4e-6 at one eps),
// and two paths that reach it agree only to that.  Then one of the two
// paths left its own root, which is missing.
//
// Two points a and b are one root when both are roots to within a
// componentwise backward error of kBackErrFactor eps (BackErr.h), lie
// within each other's reach at that backward error, and the simplified
// Newton map G(x) = x - J(a)^-1 P(x) proves it: with the Newton corrections
// e_a = J(a)^-1 P(a) and e_b = J(a)^-1 P(b) (values in double-double, so
// that they are corrections and not rounding noise) and the box B of
// max-norm radius R = max(2 |e_a|, |a - b| + 2 |e_b|) around a, when
// ||J(a)^-1 J(x) - I|| <= 1/2 on B, G is a contraction of factor 1/2 there,
// maps B and the box of radius 2 |e_b| around b into themselves, and so has
// exactly one fixed point in B, which is the root near a and the root near b.
// The Jacobian's change over B is bounded by the sum over the coordinates j
// of ||J(a)^-1 J(a + R u_j) - I|| (u_j the j-th unit vector): exactly for
// quadratic equations, whose Jacobian is affine, and to first order in R for
// others.  Nothing here depends on the conditioning: a badly conditioned
// root is merged as well as any other, while two distinct roots, however
// close, are not (the mean value theorem makes the change of J between them
// at least I), nor are the copies of a singular root (J(a) nearly singular
// makes its change around a large).
//
// The pass that finds such pairs hands each to the duplicate check's
// re-track (CheckSol.h), so that the path that left its root follows it
// again with a tighter corrector; a pair that the re-tracks do not separate
// gets the point of the larger backward error marked in row 5 of dat
// (kCopyMark), and the writer writes the root once.  The copies of a
// singular root all stay: they show its multiplicity.
//
//   copy_work  the work of the routines below, sized by n.
//   inverse(n, jacob, jinv, w)  jinv(n,n) = jacob(n,n)^-1 by Gauss-Jordan
//       elimination with the pivoting of cqaxb (a pivot below kEps5 is
//       replaced, so a singular jacob gives huge entries).  jacob read.
//   root_reach(n, jinv, scale, factor, rho)  rho(i) = factor eps sum_j
//       |jinv(i,j)| scale(j): to first order, how far coordinate i of a point
//       of componentwise backward error factor eps can lie from the root,
//       with jinv the inverse Jacobian at the point and scale(n) its term
//       sums (term_scale).  rho(n) written.
//   jacobian_drift(n, jinv, jc, w)  ||jinv jc - I||_inf, the largest row sum
//       of moduli, for jinv(n,n) the inverse Jacobian at one point and jc(n,n)
//       the Jacobian at another; NaN when one is met.  jinv, jc read;
//       w.rowsum overwritten.
//   one_root(n, a, b, rho_a, rho_b, sys, w)  true when a(n) and b(n) are the
//       same root by the argument above: |a(i) - b(i)| <= rho_a(i) + rho_b(i)
//       for every i, and the contraction holds on B (the drift at b first,
//       then the sum over the coordinates).  False when a test meets a NaN.
//       sys.jac(x, jacob) the Jacobian of the system at x, sys.values(x, p)
//       its values in double-double.  The callers pass points refined by
//       Newton steps in double-double, so that B is as small as the points'
//       distance from their roots allows.
//   mark_copies(n, nroot, coef, cfd, nm, supp, tmprv, dat, sol, separate, ev)
//       the pairs of the columns 1..nroot of sol(n, >= nroot) whose rows 5
//       of dat(6, >= nroot) are 0 and that one_root finds the same root:
//       each point refined first (kCopyRefineReach), with the reaches of
//       root_reach at factor kBackErrFactor at the stored points.  Each pair
//       whose points no earlier re-track of the round replaced is handed to
//       separate(a, b, same) (when given), with same(x) whether x is a root
//       that one_root finds the same as the point of column a; separate
//       re-tracks the pair and returns whether it stored a re-tracked point.
//       Then the pairs are found again among the points as they stand, and
//       handed over again, for at most kCopyRounds rounds and while a round
//       stores a point; of the pairs that remain, of each the point of the
//       larger componentwise backward error (the later column on a tie) is
//       marked: dat(5, .) = kCopyMark.  Only points that pass backerr_ok at
//       kBackErrFactor are compared.  The system is coef(m), cfd((n-1)m) by
//       evahhx, with nm(n), supp(n, m) for its values in double-double
//       (DDRefine.h).  Candidates are the points whose intervals key -+
//       reach overlap, key = Re sum_i tmprv(i) x(i) and reach = sum_i
//       tmprv(i) (rho(i) + (n + 1) eps |x(i)|) (the rounding of the key),
//       tmprv(n) weights in [0, 1): a pair within reach always overlaps.
//       Returns the number of points marked.
#pragma once

#include <functional>

#include "BackErr.h"
#include "CheckSol.h"
#include "Eval.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// Row 5 of a stored end point that is a copy of another stored root (a
// re-track that gave up marks 1).
constexpr int kCopyMark = 2;
// The Jacobian changes by at most this much, relative to the one at a
// point, across a box that then holds a single root: with
// ||J(a)^-1 J(x) - I|| <= 1/2 there, the simplified Newton map is a
// contraction of factor 1/2, and P(x) - P(y) = J(a) (I + E) (x - y) with
// ||E|| <= 1/2 vanishes only for x = y.  Measured: 7e-4 for two points at
// root 7 of the expanded Wilkinson polynomial of degree 16, above 50 for two
// points at a double root.
constexpr double kOneRoot = 0.5;
// The copy test refines each point first by Newton steps with values in
// double-double (DDRefine.h), the first at most this many of its reaches
// at kBackErrFactor eps: to first order the point lies within one reach of
// its root, and twice that leaves room for the first-order estimate.  A
// badly conditioned root is only determined to about its reach in double,
// so that two copies of it lie much closer to each other than to the root;
// refined, they lie as close to the root as to each other, and the box of
// the contraction argument is as small as their distance.
constexpr double kCopyRefineReach = 2.0;
// Rounds of re-tracks of the copy pairs.  A re-track that leaves the pair's
// root can end at a root another column holds, whose own path then left its
// root in turn (discret3s: chains of two or three paths, each ending at the
// next one's root); the next round re-tracks the pair so made.  A stored
// re-track never loses a root: the pair's root stays with the other point.
constexpr int kCopyRounds = 4;

struct copy_work {
  mat<cplx> ja, jc, tmpa, jinv;
  vec<cplx> c, p, ea, eb;
  vec<double> scale, rowsum;
  term_scale_work ts;
  explicit copy_work(int n)
      : ja(n, n),
        jc(n, n),
        tmpa(n, n),
        jinv(n, n),
        c(n),
        p(n),
        ea(n),
        eb(n),
        scale(n),
        rowsum(n),
        ts(n) {}
};

void inverse(int n, mat_ref<const cplx> jacob, mat_ref<cplx> jinv, copy_work& w);

void root_reach(int n, mat_ref<const cplx> jinv, vec_ref<const double> scale, double factor,
                vec_ref<double> rho);

// The system of the points a copy test compares: its Jacobian, and its
// values in double-double.
struct copy_system {
  jacobian_fn jac;
  std::function<void(vec_ref<const cplx> x, vec_ref<cplx> p)> values;
};

bool one_root(int n, vec_ref<const cplx> a, vec_ref<const cplx> b, vec_ref<const double> rho_a,
              vec_ref<const double> rho_b, const copy_system& sys, copy_work& w);

double jacobian_drift(int n, mat_ref<const cplx> jinv, mat_ref<const cplx> jc, copy_work& w);

int mark_copies(int n, int nroot, vec_ref<const cplx> coef, vec_ref<const cplx> cfd,
                vec_ref<const int> nm, mat_ref<const int> supp, vec_ref<const double> tmprv,
                mat_ref<int> dat, mat_ref<cplx> sol, const separate_fn& separate,
                const evalcore& ev = evalcore_lib());

}  // namespace hc

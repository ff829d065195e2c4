// One simple root reached by two paths.  After the duplicate check's
// re-tracks, two stored end points can still be the same root although they
// differ by more than the check's relative 1e-7: a simple root that is badly
// conditioned is only determined to within what a backward error of a few
// eps allows (root 7 of (x-1)(x-2)...(x-16), expanded: 4.4e-6 at one eps),
// and two paths that reach it agree only to that.  Such a pair is two
// points that are both roots to within a componentwise backward error of
// kBackErrFactor eps (BackErr.h), that lie within each other's reach at that
// backward error, and around which the Jacobian is well conditioned and
// nearly constant, so that the system has a single root there: one of the
// two paths left its own root.  The point of the larger backward error is
// marked in row 5 of dat (kCopyMark), and the writer writes the root once.
// The copies of a singular root (a Jacobian that is singular there or
// changes fast around it) all stay: they show its multiplicity.
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
//   one_root(n, a, b, rho_a, rho_b, jac, w)  true when a(n) and b(n) are the
//       same simple root: |a(i) - b(i)| <= rho_a(i) + rho_b(i) for every i;
//       the Jacobian at a passes the duplicate check's conditioning test
//       (CheckSol.h); and at the far corner c of the box that holds a, b and
//       their reaches, c(i) = a(i) + (|b(i) - a(i)| + rho_a(i) + rho_b(i))
//       u(i) with u(i) the direction from a(i) to b(i) (1 where they are
//       equal), the Jacobian is nearly the one at a:
//       ||jac(a)^-1 jac(c) - I||_inf <= kOneRoot.  False when a test meets a
//       NaN.  jac(x, jacob) the Jacobian of the system at x.
//   mark_copies(n, nroot, coef, cfd, tmprv, dat, sol, ev)  every pair of the
//       columns 1..nroot of sol(n, >= nroot) whose rows 5 of dat(6, >= nroot)
//       are 0 and that one_root finds the same root, with the reaches of
//       root_reach at factor kBackErrFactor, gets the point of the larger
//       componentwise backward error (the later column on a tie) marked:
//       dat(5, .) = kCopyMark.  Only points that pass backerr_ok at
//       kBackErrFactor are compared.  The system is evaluated by evahhx
//       with coef(m), cfd((n-1)m).  Candidates are the points whose
//       intervals key -+ reach overlap, key = Re sum_i tmprv(i) x(i) and
//       reach = sum_i tmprv(i) (rho(i) + (n + 1) eps |x(i)|) (the rounding of
//       the key), tmprv(n) weights in [0, 1): a pair within reach always
//       overlaps.  Returns the number of points marked.
#pragma once

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
// ||J(a)^-1 J(x) - I|| <= 1/2 there, P(x) - P(y) = J(a) (I + E) (x - y)
// with ||E|| <= 1/2 vanishes only for x = y.  Measured: 7e-4 for two points
// at root 7 of the expanded Wilkinson polynomial of degree 16, above 50 for
// two points at a double root.
constexpr double kOneRoot = 0.5;

struct copy_work {
  mat<cplx> ja, jc, tmpa, jinv;
  vec<cplx> c, col, p;
  vec<double> scale, rowsum;
  term_scale_work ts;
  explicit copy_work(int n)
      : ja(n, n),
        jc(n, n),
        tmpa(n, n),
        jinv(n, n),
        c(n),
        col(n),
        p(n),
        scale(n),
        rowsum(n),
        ts(n) {}
};

void inverse(int n, mat_ref<const cplx> jacob, mat_ref<cplx> jinv, copy_work& w);

void root_reach(int n, mat_ref<const cplx> jinv, vec_ref<const double> scale, double factor,
                vec_ref<double> rho);

bool one_root(int n, vec_ref<const cplx> a, vec_ref<const cplx> b, vec_ref<const double> rho_a,
              vec_ref<const double> rho_b, const jacobian_fn& jac, copy_work& w);

int mark_copies(int n, int nroot, vec_ref<const cplx> coef, vec_ref<const cplx> cfd,
                vec_ref<const double> tmprv, mat_ref<int> dat, mat_ref<const cplx> sol,
                const evalcore& ev = evalcore_lib());

}  // namespace hc

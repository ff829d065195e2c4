// Writer of data.roots: each kept end point is polished once more by Newton's
// method on the unscaled system and, when that succeeds, written with its
// residual and condition number; a trailer gives the variable order, a banner
// and the counts.  The polish accepts a point whose residual is below its
// absolute bound, or whose componentwise backward error (BackErr.h) is at
// most 100 machine epsilons: on a badly scaled system no root has a small
// absolute residual.  An accepted root that values computed in double leave
// loosely determined (a backward error of one eps allows it to move by more
// than 2^-24 max(1, |x|), RootCopies.h root_reach) is refined by Newton steps
// with values in double-double (DDRefine.h), and written with the residual
// and the condition number at the refined point when the refined point is
// better by the measure that accepted the polished one (its backward
// error no larger) and lies where the first-order reach that bounds both
// holds; every other root is written as the polish leaves it.  No point is
// written whose componentwise backward error is above 1e-8 (kWriteBackErr
// in the source), whatever its residual: the test applies to the point
// written, which is the polished (or refined) point or, when only that
// passes, the same with its coordinates below 1e-8 max|x| set to 0.
//
//   wrtsln(n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, mv, var, nm,
//       supp)  writes ./data.roots (created or rewritten); coef(m),
//       cfd((n-1)m) the unscaled completed system, nm(n) its terms per
//       equation and supp(n, m) their exponents, sol(n, >= nroot) the
//       unscaled end points (not modified), dat(6, >= nroot) whose row 5
//       marks points to skip, var(n) the names; out nreal (roots counted as
//       real) and nroot := roots written.  The file is replaced only once
//       complete (outfile.h); one that cannot be written ends the program
//       with a message on standard error and status::output.
//   wrtslntd(n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, tdeg, var, nm,
//       supp)  the same file for the linear homotopy (tdeg paths).
//   write_roots(out, n, m, nroot, coef, sol, nreal, dat, cfd, blow_up, paths,
//       var, nm, supp)  the records of both writers, to any stream.
//   root_is_real(n, x)  max|x| < 1e-7, or every |Im x_i| < 1e-7 max|x|; a
//       point holding a NaN is not real.
#pragma once

#include <ostream>
#include <string>

#include "Eval.h"
#include "array.h"
#include "cplx.h"

namespace hc {

// The five records of the author and contact banner that close data.roots
// and the solver's summary.
extern const char* const author_banner[5];

bool root_is_real(int n, vec_ref<const cplx> x);

void write_roots(std::ostream& out, int n, int m, int& nroot, vec_ref<const cplx> coef,
                 mat_ref<const cplx> sol, int& nreal, mat_ref<const int> dat,
                 vec_ref<const cplx> cfd, int blow_up, int paths, vec_ref<const std::string> var,
                 vec_ref<const int> nm, mat_ref<const int> supp,
                 const evalcore& ev = evalcore_lib());

void wrtsln(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol, int& nreal,
            mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int mv,
            vec_ref<const std::string> var, vec_ref<const int> nm, mat_ref<const int> supp,
            const evalcore& ev = evalcore_lib());

void wrtslntd(int n, int m, int& nroot, vec_ref<const cplx> coef, mat_ref<const cplx> sol,
              int& nreal, mat_ref<const int> dat, vec_ref<const cplx> cfd, int blow_up, int tdeg,
              vec_ref<const std::string> var, vec_ref<const int> nm, mat_ref<const int> supp,
              const evalcore& ev = evalcore_lib());

}  // namespace hc

// The evaluator generator: from the supports of a system in normal order to
// the Fortran source MEva.f90 of the three evaluator routines EvaHHx, subexpo
// and coefHHtHx (straight-line code specialised to the supports).
//
// System transforms (n variables, m completed terms, N = n m):
//   grouping(n, nm, shd, stl, supp, nb, bpower)  blocks = maximal runs of
//       terms of one equation with equal power of x1, numbered 1..nbt through
//       the system; out nb(n) blocks per equation, bpower(2, m) (columns
//       1..nbt): row 1 the power of x1, row 2 the number of terms
//   bcdiff(n, m, nm, shd, stl, supp, zcfd, suppd)  for v = 2..n, k = 1..m and
//       q = (v-2) m + k: zcfd(q) = 1 and suppd(:,q) = supp(2..n,k) - e_v when
//       supp(v,k) != 0, else zcfd(q) = 0 and suppd(:,q) = 0; zcfd((n-1)m) at
//       least, suppd(n-1, (n-1)m); row r of suppd is variable r+1
//   settingpj(n, m, tab, newvar)  pairwise common factors: tab(n-1, N) is
//       rewritten in place, every pair of non-zero entries (rows j < k) of a
//       column that recurs in a later column becomes (0, T) with T a new
//       temporary numbered mdeg+1, mdeg+2, ... (mdeg = largest entry of tab);
//       out newvar(n+2, count), one column per temporary: rows 1..n-1 its two
//       factors in the rows of their variables, row n its number, rows n+1,
//       n+2 the variables (2..n) of its first and second factor; no columns
//       when there is no temporary
//
// Text writers (every number is written by i2c, every statement by printftm):
//   printftm(stmt, funit)  one statement: columns 7..71, continued with "&"
//       in column 72 and in column 6 of the next line, 65 characters a line
//   i2c(num)  decimal digits of num >= 0, no blanks, no sign
//   trans(n, v, mdeg, gr)  product text of v(n): *T{v(k)} for v(k) > mdeg,
//       *Z{gr+k}p{v(k)} for 0 < v(k) <= mdeg, nothing for 0
//   s2filehhx(n, m, nb, snb, sterm, bpower, supp2, funit, mdeg, bucket)  the
//       block sums S{b} = sum cf(k) x^supp2(:,k); supp2(n-1, m)
//   u2filehhx(...)  the same with U{b} and cft
//   p2fileppx(n, m, nb, snb, bpower, funit, bucket)  P(i) = sum S{b} x1^e,
//       then dP(i,1) = sum e S{b} x1^(e-1)
//   dt2fileppx(...)  dt(i) = sum U{b} x1^e
//   ds2filehhx(n, m, nb, snb, sterm, bpower, suppd, funit, mdeg, zcfd, bucket)
//       derivative block sums S{b}d{v} = sum cfd(q) x^suppd(:,q) over the
//       terms of b with zcfd(q) = 1
//   dp2fileppx(n, m, nb, snb, sterm, bpower, funit, zcfd, bucket)
//       dp(j,v) = sum S{b}d{v} x1^e, or 0 when no term of j contains x_v
//   genfilehhx(n, m, nm, supp, supp2, suppd, nb, bpower, newvar, zcfd,
//       bucket, funit)  routine EvaHHx, then an empty line
//   genfilehhxht(...)  routine subexpo, then an empty line
//   gencfhhthx(m, n, supp, shd, stl, nm, bucket, funit)  routine coefHHtHx;
//       the file ends with it
//   snb(n): last block of each equation; sterm(nbt): last term of each block;
//   bucket is the one growing text buffer for the statement being built.
//
// Driver:
//   genpdp(in, path)  reads n, nm(n), supp(n,m0), coef(m0) from `in`, puts
//       the system into normal order with its constant terms, derives the
//       blocks, derivative supports and common factors, then writes the three
//       routines to `path`, replacing any earlier file only once the new one
//       is complete (outfile.h).  Refused before anything is written, with a
//       message on standard error and status::size (fatal.h): a system whose
//       numbering passes 32 bits, or whose powers x_i^e, summed over the
//       variables, exceed 2^24.  A file that cannot be written ends the
//       program with status::output.
#pragma once

#include <ostream>
#include <string>

#include "array.h"
#include "ffread.h"

namespace hc {

void grouping(int n, vec_ref<const int> nm, vec_ref<const int> shd, vec_ref<const int> stl,
              mat_ref<const int> supp, vec_ref<int> nb, mat_ref<int> bpower);
void bcdiff(int n, int m, vec_ref<const int> nm, vec_ref<const int> shd, vec_ref<const int> stl,
            mat_ref<const int> supp, vec_ref<int> zcfd, mat_ref<int> suppd);
void settingpj(int n, int m, mat_ref<int> tab, mat<int>& newvar);

void printftm(const std::string& stmt, std::ostream& funit);
std::string i2c(int num);
std::string trans(int n, vec_ref<const int> v, int mdeg, int gr);

void s2filehhx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
               vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> supp2,
               std::ostream& funit, int mdeg, std::string& bucket);
void u2filehhx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
               vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> supp2,
               std::ostream& funit, int mdeg, std::string& bucket);
void p2fileppx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
               mat_ref<const int> bpower, std::ostream& funit, std::string& bucket);
void dt2fileppx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
                mat_ref<const int> bpower, std::ostream& funit, std::string& bucket);
void ds2filehhx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
                vec_ref<const int> sterm, mat_ref<const int> bpower, mat_ref<const int> suppd,
                std::ostream& funit, int mdeg, vec_ref<const int> zcfd, std::string& bucket);
void dp2fileppx(int n, int m, vec_ref<const int> nb, vec_ref<const int> snb,
                vec_ref<const int> sterm, mat_ref<const int> bpower, std::ostream& funit,
                vec_ref<const int> zcfd, std::string& bucket);

void genfilehhx(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                mat_ref<const int> supp2, mat_ref<const int> suppd, vec_ref<const int> nb,
                mat_ref<const int> bpower, mat_ref<const int> newvar, vec_ref<const int> zcfd,
                std::string& bucket, std::ostream& funit);
void genfilehhxht(int n, int m, vec_ref<const int> nm, mat_ref<const int> supp,
                  mat_ref<const int> supp2, mat_ref<const int> suppd, vec_ref<const int> nb,
                  mat_ref<const int> bpower, mat_ref<const int> newvar, vec_ref<const int> zcfd,
                  std::string& bucket, std::ostream& funit);
void gencfhhthx(int m, int n, mat_ref<const int> supp, vec_ref<const int> shd,
                vec_ref<const int> stl, vec_ref<const int> nm, std::string& bucket,
                std::ostream& funit);

void genpdp(ffreader& in, const std::string& path);

}  // namespace hc

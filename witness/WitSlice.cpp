#include "WitSlice.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>

#include "WitEval.h"
#include "WrtSol_W.h"
#include "fatal.h"
#include "ffwrite.h"
#include "prng.h"

namespace hc {

int ask_hyperplanes(ffreader& in, std::ostream& out, int n) {
  if (n < 2)
    fatal(status::data, "the system has " + std::to_string(n) +
                            (n == 1 ? " unknown" : " unknowns") +
                            ": no number of hyperplanes lies in 1 .. n-1");
  for (;;) {
    out << "Input the # of hyperplanes (1, ... ," << fmt_i(n - 1, 3) << ")\n";
    if (&out == &std::cout)
      flush_output();  // keeps the reason should the write fail
    else
      out.flush();
    const int k = in.read_int();
    if (k >= 1 && k <= n - 1) return k;
  }
}

namespace {
cplx unit(double r) {
  const double theta = kSliceAngle * r;
  return cplx(std::cos(theta), std::sin(theta));
}
}  // namespace

void draw_slicing(int n, int k, mat<cplx>& zcoef, mat<cplx>& lcoef) {
  zcoef.assign(n, k);
  lcoef.assign(k, n + 1);
  prng_seed();
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= k; ++j) zcoef(i, j) = unit(prng_draw());
  for (int j = 1; j <= k; ++j)
    for (int l = 1; l <= n + 1; ++l) lcoef(j, l) = unit(prng_draw());
}

void balance_equations(suppsys& rd) {
  // At a witness point far from the origin an equation's terms are large
  // against its slack terms of modulus 1: the slack, which alone tells the
  // copies of a repeated equation apart, then weighs little, the point is
  // badly conditioned and its path ends beside it.  Dividing by a power of
  // two is exact (short of a coefficient 2^1022 below the largest of its
  // equation), so the equations keep their roots to the last bit.
  int first = 1;
  for (int i = 1; i <= rd.n; ++i) {
    const int last = first + rd.nm(i) - 1;
    // std::abs (a hypot) keeps the modulus of a coefficient near the top of
    // the range finite.
    double big = 0;
    bool finite = true;
    for (int t = first; t <= last; ++t) {
      const double a = std::abs(rd.coef(t));
      finite = finite && std::isfinite(a);
      big = std::max(big, a);
    }
    if (finite && big > 0) {
      const int e = std::ilogb(big);
      for (int t = first; t <= last; ++t)
        rd.coef(t) = cplx(std::ldexp(rd.coef(t).real(), -e), std::ldexp(rd.coef(t).imag(), -e));
    }
    first = last + 1;
  }
}

void embed_system(const suppsys& rd, int k, mat_ref<const cplx> zcoef, mat_ref<const cplx> lcoef,
                  suppsys& emb) {
  const int n = rd.n;
  const std::int64_t N = static_cast<std::int64_t>(n) + k;
  const std::int64_t M1 =
      rd.m + 2 * static_cast<std::int64_t>(n) * k + 2 * static_cast<std::int64_t>(k);
  // Room for the appended constant terms, and every exponent numbered by a
  // 32-bit integer.
  if (N * (M1 + N) > INT_MAX)
    fatal(status::size, "the system cut by " + std::to_string(k) + " hyperplanes is too large: " +
                            std::to_string(N) + " equations with " + std::to_string(M1) + " terms");
  emb.n = static_cast<int>(N);
  emb.m = static_cast<int>(M1);
  emb.nm.assign(emb.n);
  emb.supp.assign(emb.n, emb.m, 0);
  emb.coef.assign(emb.m);
  emb.var.assign(0);
  int col = 0, first = 1;
  for (int i = 1; i <= n; ++i) {
    emb.nm(i) = rd.nm(i) + k;
    for (int t = first; t < first + rd.nm(i); ++t) {
      ++col;
      for (int j = 1; j <= n; ++j) emb.supp(j, col) = rd.supp(j, t);
      emb.coef(col) = rd.coef(t);
    }
    first += rd.nm(i);
    for (int j = 1; j <= k; ++j) {
      ++col;
      emb.supp(n + j, col) = 1;
      emb.coef(col) = zcoef(i, j);
    }
  }
  for (int j = 1; j <= k; ++j) {
    emb.nm(n + j) = n + 2;
    for (int l = 1; l <= n; ++l) {
      ++col;
      emb.supp(l, col) = 1;
      emb.coef(col) = lcoef(j, l);
    }
    ++col;  // the constant term
    emb.coef(col) = lcoef(j, n + 1);
    ++col;
    emb.supp(n + j, col) = 1;
    emb.coef(col) = cplx(1.0, 0.0);
  }
}

void witness_summary(std::ostream& out, int k, int nwitness, double seconds) {
  ff_record(out);
  out << " The # of hyperplanes    = " << fmt_i(k, 8) << "\n";
  out << " The # of witness points = " << fmt_i(nwitness, 8) << "\n";
  ff_record(out);
  out << " The running time : " << fmt_f(seconds, 16, 5) << " s\n";
  ff_record(out, "The witness points are listed in file \"data.witness\"");
  ff_record(out);
  for (const char* line : witness_banner) ff_record(out, line);
  ff_record(out);
}

}  // namespace hc

#!/usr/bin/env python3
"""How far from the origin the witness points of a curve can be located in
double precision (and in binary128) through the embedded system that
witsolve solves.  Runs no program: it draws slices as witsolve does (slack
and hyperplane coefficients exp(i 1.6 r), r uniform in [0,1)), computes the
exact witness points with mpmath (as scripts/bench_once.py does), and at
each point the first-order forward error of any solver that evaluates the
embedded system in working precision u:

    err = | J^-1 | (u s),   s_i = sum over the terms of equation i of |c_k| |x|^e_k,

J the Jacobian of the embedded system (f_i(x) + sum_j zcoef(i,j) z_j;
hyperplanes + z_j) at the exact point (z = 0), in exact arithmetic.  The
rounding noise of evaluating equation i is of size u s_i, and Newton's
method cannot bring the point closer than J^-1 of that noise.  A point
counts as reachable when err of its given coordinates is below 1e-6 times
max(1, |x|), the tolerance bench_once.py judges written points by.

    scripts/bench_witness_reach.py [--slices N] [--seed S] SYSTEM ...

SYSTEM is one of bench_once.py's witness systems with one hyperplane
(circle, quartic, fermat-D).  Per system it prints the farthest witness
point's modulus over the slices (quantiles), the fraction of slices in which
every witness point is reachable in double precision (u = 2^-53) and in
binary128 (u = 2^-113), the largest modulus reachable in each and the
least modulus not reachable (inf: every point was).  The binary128 figures
hold for coefficients exact in binary128; witsolve's binary128 re-tracking
works on the scaled coefficients rounded to double, whose rounding moves the
point as much as double-precision evaluation does (the columns "q/dbl
coef": binary128 evaluation of coefficients rounded to double).
Not a test.
"""
import argparse
import cmath
import os
import random
import sys

import mpmath

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_once as bo  # noqa: E402

SLICE_ANGLE = 1.600000023841858
# binary128 on coefficients rounded to double (as witsolve's re-tracking
# gets them) adds their rounding, 2^-53 of every term, to its own.
UNITS = {"double": mpmath.mpf(2) ** -53, "binary128": mpmath.mpf(2) ** -113,
         "q/dbl coef": mpmath.mpf(2) ** -113 + mpmath.mpf(2) ** -53}
TOL = 1e-6


def forward_errors(system, zc, plane, x):
    """err(u)/max(1,|x|) of the given coordinates for each unit u."""
    n = len(x)
    N = n + 1
    J = mpmath.matrix(N, N)
    s = [mpmath.mpf(0)] * N
    for i, terms in enumerate(system):
        for m, c in terms:
            mono = mpmath.mpc(1)
            for v, e in zip(x, m):
                mono *= v ** e
            s[i] += abs(c * mono)
            for j in range(n):
                if m[j]:
                    dm = mpmath.mpc(c) * m[j]
                    for jj, (v, e) in enumerate(zip(x, m)):
                        dm *= v ** (e - (1 if jj == j else 0))
                    J[i, j] += dm
        J[i, n] = zc[i]
    for j in range(n):
        J[n, j] = plane[j]
        s[n] += abs(plane[j] * x[j])
    J[n, n] = 1
    s[n] += abs(plane[n])
    Ji = J ** -1
    size = max([mpmath.mpf(1)] + [abs(v) for v in x])
    out = {}
    for name, u in UNITS.items():
        err = max(sum(abs(Ji[j, i]) * u * s[i] for i in range(N)) for j in range(n))
        out[name] = float(err / size)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--slices", type=int, default=200)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("systems", nargs="+")
    a = ap.parse_args()
    mpmath.mp.dps = 60
    rnd = random.Random(a.seed)
    head = f"{'system':<12}{'slices':>7}{'farthest |x|: median':>22}{'q90':>8}{'max':>9}"
    for what in ("all reachable", "largest reachable |x|", "nearest unreachable |x|"):
        head += "  " + what + ": " + " / ".join(UNITS)
    print(head)
    for name in a.systems:
        eqs, degree = bo.witness_system(name)
        names = bo.variables(eqs)
        n = len(names)
        if n != 2:
            raise SystemExit(f"{name}: only plane curves with one hyperplane")
        system = [[(m, mpmath.mpc(c)) for m, c in eq] for eq in bo.compile_system(eqs, names)]
        farthest, ok = [], {u: 0 for u in UNITS}
        reach = {u: 0.0 for u in UNITS}
        beyond = {u: float("inf") for u in UNITS}
        for _ in range(a.slices):
            zc = [mpmath.mpc(cmath.exp(1j * SLICE_ANGLE * rnd.random())) for _ in range(n)]
            plane = [mpmath.mpc(cmath.exp(1j * SLICE_ANGLE * rnd.random())) for _ in range(n + 1)]
            exact = bo.line_cut(eqs, names, [plane])
            worst = {u: 0.0 for u in UNITS}
            far = 0.0
            for e in exact:
                size = float(max(abs(v) for v in e))
                far = max(far, size)
                errs = forward_errors(system, zc, plane, e)
                for u in UNITS:
                    worst[u] = max(worst[u], errs[u])
                    if errs[u] < TOL:
                        reach[u] = max(reach[u], size)
                    else:
                        beyond[u] = min(beyond[u], size)
            farthest.append(far)
            for u in UNITS:
                ok[u] += worst[u] < TOL
        farthest.sort()
        q = lambda p: farthest[min(len(farthest) - 1, int(p * len(farthest)))]
        line = f"{name:<12}{a.slices:>7}{q(0.5):>22.3g}{q(0.9):>8.3g}{farthest[-1]:>9.3g}"
        line += "  " + " / ".join(f"{ok[u] / a.slices:.2f}" for u in UNITS)
        line += "  " + " / ".join(f"{reach[u]:.3g}" for u in UNITS)
        line += "  " + " / ".join(f"{beyond[u]:.3g}" for u in UNITS)
        print(line)
        sys.stdout.flush()


if __name__ == "__main__":
    main()

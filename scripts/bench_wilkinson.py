#!/usr/bin/env python3
"""Wilkinson polynomials W_N(x) = (x-1)(x-2)...(x-N), expanded, through the
whole road (eqtrans, evalgen, gfortran, rootsolve), run after run.  The
roots are known (the integers 1..N), so every written point is judged
against them, and its componentwise backward error
|W_N(x)| / sum_k |c_k| |x|^k is computed in exact rational arithmetic from
the decimal digits written in data.roots.  Not a test: the runs draw their
start coefficients from the clock (or, with --seeded, from the seeds
1..RUNS through rootsolve_seeded).

    scripts/bench_wilkinson.py [--build DIR] [--runs R] [--option 1 2]
                               [--seeded] [--first-seed S] [--base DIR]
                               [--accuracy] [--points] [--integers] [N ...]
    scripts/bench_wilkinson.py --judge RE,IM [--judge RE,IM ...] N

With --judge it runs nothing and prints, for each given point, its distance
to the nearest integer and its backward error for W_N.  --seeded runs the
seeds S..S+R-1 (S = --first-seed, default 1).  --base DIR (with --seeded)
also runs the same seeds with the build in DIR and prints the runs in which
DIR wrote an integer that the build did not ("lost against the base") and
the runs in which each build wrote an integer twice.  --accuracy prints, per
root k, how far double precision lets a point lie from k at a backward error
of one eps, eps (k+1)...(k+N) / ((k-1)! (N-k)!) to first order (the term
sums over |W_N'(k)|: no polish with values computed in double can promise
more), and the largest distance of a written point to k over the runs.

Per degree N and option it prints: the runs, the roots written (least and
most), the runs in which all N were written, the distinct integers found
(least and most), the written points farther than 1e-6 from their integer
but within 0.01 ("loose"), the points farther than 0.01 from every integer
("non-roots"), the integers written twice in one run ("twice"), the largest
distance of a written point to its integer, the largest backward error of a
point near an integer and the least of a non-root (in units of eps = 2^-52),
how many runs wrote each integer k, and how many runs found j distinct
integers.

The coefficients are written with a trailing point (20692933630.), which
eqtrans reads exactly below 2^53; --integers writes them as integers.
"""
import argparse
import math
import os
import subprocess
import sys
import tempfile
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_rootsolve as bench  # noqa: E402

EPS = 2.0 ** -52
NEAR = 1e-6     # a written point this close to its integer is that root
LOOSE = 1e-2    # farther than this from every integer: not a root at all


def coefficients(n):
    """Coefficients of (x-1)...(x-n), highest power first."""
    c = [1]
    for k in range(1, n + 1):
        d = [0] * (len(c) + 1)
        for i, a in enumerate(c):
            d[i] += a
            d[i + 1] -= k * a
        c = d
    return c


def system_text(n, integers):
    c = coefficients(n)
    terms = []
    for i, a in enumerate(c):
        e = n - i
        lit = f"{a}" if integers else f"{a}."
        terms.append(f"({lit})*x^{e}" if e > 0 else f"({lit})")
    return " + ".join(terms) + "\n"


def parse_es(s):
    s = s.strip()
    if "E" not in s:
        p = max(s.rfind("+"), s.rfind("-"))
        s = s[:p] + "E" + s[p:]
    return Fraction(s)


def roots_of(text):
    out = []
    for line in text.splitlines():
        if len(line) == 52 and line[0] == "(" and line[25:27] == " ," and line[51] == ")":
            out.append((parse_es(line[1:25]), parse_es(line[27:51])))
    return out


def backward_error(c, re_, im_):
    """|W(x)| / sum |c_k| |x|^k, with W(x) exact and the moduli in double."""
    n = len(c) - 1
    pr, pi = Fraction(0), Fraction(0)
    for a in c:  # Horner in exact complex rationals
        pr, pi = pr * re_ - pi * im_ + a, pr * im_ + pi * re_
    value = math.hypot(float(pr), float(pi)) if (pr or pi) else 0.0
    ax = math.hypot(float(re_), float(im_))
    scale = sum(abs(a) * ax ** (n - i) for i, a in enumerate(c))
    return value / scale


def radius_one_eps(n, k):
    """eps sum_j |c_j| k^j / |W_N'(k)|, the first-order distance of a point
    of backward error eps from the root k."""
    s, dw = 1, 1
    for j in range(1, n + 1):
        s *= k + j
        if j != k:
            dw *= abs(k - j)
    return EPS * s / dw


def integers_of(n, pts):
    """The integers the points approximate to within LOOSE, in order."""
    out = []
    for re_, im_ in pts:
        k = min(range(1, n + 1), key=lambda j: abs(complex(re_ - j, im_)))
        if abs(complex(float(re_ - k), float(im_))) <= LOOSE:
            out.append(k)
    return out


def one_run(build, d, option, seed):
    cmd = [f"{build}/solver/rootsolve"] if seed is None else \
        [f"{build}/solver/rootsolve_seeded", str(seed)]
    p = subprocess.run(cmd, input=f"{option}\n", capture_output=True, text=True, cwd=d)
    if p.returncode != 0:
        sys.exit(f"rootsolve failed: {p.stderr.strip()[:200]}")
    with open(os.path.join(d, "data.roots")) as f:
        return roots_of(f.read())


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--option", type=int, nargs="+", default=[1, 2])
    ap.add_argument("--seeded", action="store_true")
    ap.add_argument("--first-seed", type=int, default=1)
    ap.add_argument("--base", help="a second build to compare with, seed by seed")
    ap.add_argument("--accuracy", action="store_true", help="per-root distances")
    ap.add_argument("--integers", action="store_true")
    ap.add_argument("--points", action="store_true", help="print every written point")
    ap.add_argument("--judge", action="append", metavar="RE,IM")
    ap.add_argument("degrees", type=int, nargs="*", default=[12, 16])
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    base = os.path.abspath(a.base) if a.base else None
    if base and not a.seeded:
        sys.exit("--base needs --seeded")
    if a.judge:
        n = a.degrees[0]
        for point in a.judge:
            re_, im_ = point.split(",")
            x = complex(float(re_), float(im_))
            k = min(range(1, n + 1), key=lambda j: abs(x - j))
            be = backward_error(coefficients(n), Fraction(re_), Fraction(im_)) / EPS
            print(f"W_{n} at {re_}{float(im_):+.17g}i: nearest root {k}, distance "
                  f"{abs(x - k):.3g}, backward error {be:.4g} eps")
        return
    for n in a.degrees:
        c = coefficients(n)
        with tempfile.TemporaryDirectory() as d, tempfile.TemporaryDirectory() as db:
            bench.prepare(build, system_text(n, a.integers), d)
            if base:
                bench.prepare(base, system_text(n, a.integers), db)
            for option in a.option:
                written, distinct, per_k = [], [], [0] * (n + 1)
                loose = nonroots = twice = all_n = 0
                lost, twice_base, twice_new = [], 0, 0
                max_dist, max_be_root, min_be_non = 0.0, 0.0, math.inf
                dist_k, far_k = [0.0] * (n + 1), [0] * (n + 1)
                for r in range(1, a.runs + 1):
                    seed = a.first_seed + r - 1 if a.seeded else None
                    pts = one_run(build, d, option, seed)
                    if base:
                        kb, kn = integers_of(n, one_run(base, db, option, seed)), integers_of(n, pts)
                        if set(kb) - set(kn):
                            lost.append(seed)
                        twice_base += len(kb) != len(set(kb))
                        twice_new += len(kn) != len(set(kn))
                    seen = {}
                    for re_, im_ in pts:
                        k = min(range(1, n + 1), key=lambda j: abs(complex(re_ - j, im_)))
                        dist = abs(complex(float(re_ - k), float(im_)))
                        be = backward_error(c, re_, im_) / EPS
                        if a.points:
                            print(f"  N={n} option {option} run {r}: "
                                  f"{float(re_):.17g}{float(im_):+.17g}i  k={k} "
                                  f"dist={dist:.3g} be={be:.3g} eps")
                        if dist > LOOSE:
                            nonroots += 1
                            min_be_non = min(min_be_non, be)
                            continue
                        if dist > NEAR:
                            loose += 1
                            far_k[k] += 1
                        dist_k[k] = max(dist_k[k], dist)
                        max_dist = max(max_dist, dist)
                        max_be_root = max(max_be_root, be)
                        seen[k] = seen.get(k, 0) + 1
                    twice += sum(1 for v in seen.values() if v > 1)
                    for k in seen:
                        per_k[k] += 1
                    written.append(len(pts))
                    distinct.append(len(seen))
                    all_n += len(seen) == n and len(pts) == n
                print(f"W_{n} option {option}: {a.runs} runs, roots written "
                      f"{min(written)}..{max(written)}, all {n} in {all_n} runs, distinct "
                      f"integers {min(distinct)}..{max(distinct)}, loose {loose}, non-roots "
                      f"{nonroots}, twice {twice}, max distance {max_dist:.2e}, max backward "
                      f"error of a root {max_be_root:.3g} eps, least of a non-root "
                      f"{min_be_non:.3g} eps")
                print("  runs writing k: " + " ".join(f"{k}:{per_k[k]}" for k in range(1, n + 1)))
                print("  runs finding j distinct integers: " + " ".join(
                    f"{j}:{distinct.count(j)}" for j in range(min(distinct), max(distinct) + 1)))
                if base:
                    print(f"  against {base}: runs in which it wrote an integer that this build "
                          f"did not {len(lost)}" + (f" (seeds {lost[:20]})" if lost else "") +
                          f"; runs writing an integer twice: base {twice_base}, this build "
                          f"{twice_new}")
                if a.accuracy:
                    print("  k: distance at one eps of backward error / largest distance written"
                          " / points farther than 1e-6")
                    for k in range(1, n + 1):
                        print(f"    {k:2d}: {radius_one_eps(n, k):.2e} / " +
                              (f"{dist_k[k]:.2e} / {far_k[k]} of {per_k[k]}" if per_k[k]
                               else "not written"))
                sys.stdout.flush()


if __name__ == "__main__":
    main()

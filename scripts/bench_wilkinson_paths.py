#!/usr/bin/env python3
"""Where the paths of a Wilkinson polynomial W_N(x) = (x-1)(x-2)...(x-N),
expanded, should end and where the tracker ends them.  Needs a build
configured with -DHC_PATH_ENDS=ON, whose rootsolve_seeded reports the
homotopy it follows (scaled target, start coefficients, the cell's powers of
t) and every path's start root and end on standard error.  Each path is then
followed again here, independently, in 40-digit arithmetic (mpmath): all
roots of H(x, t) at each t, matched to the previous ones with steps small
enough that every match is unambiguous, down to the end; so the root each
path belongs to is known.  Not a test.

    scripts/bench_wilkinson_paths.py --build DIR [--seeds FIRST COUNT]
                                     [--option 1 2] [--all] [N]

Per run it prints the paths whose end is not their own root: the start
root, the root the path belongs to, and the tracker's end (another root, a
point that is no root, or given up), then how many paths ended on their own
root, on another root, on no root or were given up, and the roots that two
paths ended on, with the roots those paths belong to.  --all prints every
path.  A summary over the runs follows.
"""
import argparse
import os
import subprocess
import sys
import tempfile

import mpmath as mp

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_rootsolve as bench  # noqa: E402
import bench_wilkinson as wilk  # noqa: E402

mp.mp.dps = 40
NEAR = 0.01  # an end this close to an integer (unscaled) has reached that root


def parse(text):
    h = {"terms": [], "start": [], "cells": {}, "paths": []}
    for line in text.splitlines():
        f = line.split()
        if not f:
            continue
        if f[0] == "homotopy":
            h["kind"] = f[1]
        elif f[0] == "term":
            h["terms"].append((int(f[2]), mp.mpc(mp.mpf(f[3]), mp.mpf(f[4]))))
        elif f[0] == "start":
            h["start"].append(mp.mpc(mp.mpf(f[2]), mp.mpf(f[3])))
        elif f[0] == "cell":
            h["cells"][int(f[1])] = (mp.mpf(f[2]), [mp.mpf(v) for v in f[3:]])
        elif f[0] == "path":
            p, r, t, gu, good = int(f[1]), int(f[2]), float(f[3]), int(f[4]), int(f[5])
            start = complex(float(f[6]), float(f[7]))
            end = complex(float(f[8]), float(f[9]))
            h["paths"].append(dict(p=p, r=r, t=t, give_up=gu, good=good, start=start, end=end))
    return h


def coefficient_fn(h, cell):
    """c(d): the coefficients of H(x, t), highest power first, at distance d
    from the end of the path parameter, and the start distance."""
    deg = max(e for e, _ in h["terms"])
    if h["kind"] == "polyhedral":
        minpow, tpow = h["cells"][cell]

        def c(d):
            t = -d
            out = [mp.mpc(0)] * (deg + 1)
            for k, (e, ck) in enumerate(h["terms"]):
                q = h["start"][k]
                out[deg - e] += (q + (ck - q) * mp.exp(t)) * mp.exp(tpow[k] * t)
            return out
        return c, 20 / minpow
    q1, q2 = h["start"][0], h["start"][1]

    def c(d):
        t = 1 - d
        out = [mp.mpc(0)] * (deg + 1)
        for e, ck in h["terms"]:
            out[deg - e] += t * ck
        out[0] += (1 - t) * q1
        out[deg] += (1 - t) * q2
        return out
    return c, mp.mpf(1)


def roots(c):
    return mp.polyroots(c, maxsteps=200, extraprec=60)


def follow(cfun, d0, starts):
    """The end (d = 0) of the path from each start, in order."""
    cur = roots(cfun(d0))
    x = [min(cur, key=lambda z: abs(z - s)) for s in starts]
    prev = None
    d, h = mp.mpf(d0), mp.mpf(d0) / 40
    while d > 0:
        dn = d - h if d - h > mp.mpf("1e-40") else mp.mpf(0)
        new = roots(cfun(dn))
        if prev is None:
            pred = x
        else:
            xp, dp = prev
            pred = [xi + (xi - pi) * (dn - d) / (d - dp) for xi, pi in zip(x, xp)]
        match, ok = [], True
        for p in pred:
            near = sorted(new, key=lambda z: abs(z - p))
            sep = abs(near[1] - near[0]) if len(near) > 1 else mp.mpf(1)
            if abs(near[0] - p) > sep / 10:
                ok = False
                break
            match.append(near[0])
        if ok and len({id(z) for z in match}) == len(match):
            prev, x, d = (x, d), match, dn
            h = min(2 * h, d / 2) if d > mp.mpf("1e-30") else d
        else:
            h /= 4
            if h < mp.mpf("1e-45"):
                sys.exit("the independent tracking could not separate two paths")
    return x


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--seeds", type=int, nargs=2, default=[1, 5], metavar=("FIRST", "COUNT"))
    ap.add_argument("--option", type=int, nargs="+", default=[1, 2])
    ap.add_argument("--all", action="store_true")
    ap.add_argument("degree", type=int, nargs="?", default=16)
    a = ap.parse_args()
    build, n = os.path.abspath(a.build), a.degree
    exact = wilk.coefficients(n)
    with tempfile.TemporaryDirectory() as d:
        bench.prepare(build, wilk.system_text(n, False), d)
        for option in a.option:
            total = dict(own=0, other=0, nonroot=0, given_up=0)
            pulled, twice = {}, {}
            for seed in range(a.seeds[0], a.seeds[0] + a.seeds[1]):
                p = subprocess.run([f"{build}/solver/rootsolve_seeded", str(seed)],
                                   input=f"{option}\n", capture_output=True, text=True, cwd=d)
                h = parse(p.stderr)
                if not h["paths"]:
                    sys.exit(f"no path reports (configure the build with -DHC_PATH_ENDS=ON): {p.stderr[:300]}")
                # x = e^s y: the scaled coefficient of y^k is e^(ks) times the
                # exact one (times the equation's factor).
                lead = {e: c for e, c in h["terms"]}
                unscale = float(abs((lead[n] / exact[0]) / (lead[n - 1] / exact[1])))
                ends = {}
                for cell in sorted({q["p"] for q in h["paths"]}):
                    ps = [q for q in h["paths"] if q["p"] == cell]
                    cfun, d0 = coefficient_fn(h, cell)
                    for q, z in zip(ps, follow(cfun, d0, [mp.mpc(q["start"]) for q in ps])):
                        q["own"] = int(mp.nint(mp.re(z) * unscale))
                counts = dict(own=0, other=0, nonroot=0, given_up=0)
                lines = []
                for q in h["paths"]:
                    x = q["end"] * unscale
                    k = min(range(1, n + 1), key=lambda j: abs(x - j))
                    if not q["good"]:
                        left = -q["t"] if h["kind"] == "polyhedral" else 1 - q["t"]
                        what, key = f"given up {left:.2g} before the end of t", "given_up"
                    elif abs(x - k) > NEAR:
                        what, key = f"no root ({x.real:.4f}{x.imag:+.4f}i)", "nonroot"
                    elif k == q["own"]:
                        what, key = f"its root {k}", "own"
                    else:
                        what, key = f"root {k}", "other"
                        pulled[(q["own"], k)] = pulled.get((q["own"], k), 0) + 1
                    if key in ("own", "other"):
                        ends.setdefault(k, []).append(q["own"])
                    counts[key] += 1
                    if a.all or key != "own":
                        lines.append(f"    path {q['p']}/{q['r']} from {q['start'].real:+.4f}"
                                     f"{q['start'].imag:+.4f}i belongs to {q['own']}: {what}")
                for k, owners in sorted(ends.items()):
                    if len(owners) > 1:
                        key = (k, tuple(sorted(owners)))
                        twice[key] = twice.get(key, 0) + 1
                for key in total:
                    total[key] += counts[key]
                print(f"W_{n} option {option} seed {seed}: own root {counts['own']}, another root "
                      f"{counts['other']}, no root {counts['nonroot']}, given up "
                      f"{counts['given_up']}; ended on by two paths: " + (", ".join(
                          f"{k} (paths of {'+'.join(map(str, sorted(o)))})"
                          for k, o in sorted(ends.items()) if len(o) > 1) or "none"))
                for line in lines:
                    print(line)
                sys.stdout.flush()
            print(f"W_{n} option {option}, {a.seeds[1]} runs: paths ending on their own root "
                  f"{total['own']}, on another root {total['other']}, on no root "
                  f"{total['nonroot']}, given up {total['given_up']}")
            print("  paths of root j ending on root k (j->k: runs): " + " ".join(
                f"{j}->{k}:{c}" for (j, k), c in sorted(pulled.items())))
            print("  roots ended on by two paths (root, roots of the paths: runs): " + " ".join(
                f"{k}({'+'.join(map(str, o))}):{c}" for (k, o), c in sorted(twice.items())))
            sys.stdout.flush()


if __name__ == "__main__":
    main()

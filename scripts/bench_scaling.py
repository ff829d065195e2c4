#!/usr/bin/env python3
"""Scaling invariance, measured: a system and the same system with its
variables and equations multiplied by powers of ten (x_j replaced by
10^a_j x_j, equation i multiplied by 10^b_i) have the same isolated roots,
up to those factors.  For every case it runs rootsolve RUNS times on both
and prints the least and the most roots written, and in how many runs the
scaled system wrote as many roots as the known count.  Not a test: the
runs draw their start coefficients from the clock.

    scripts/bench_scaling.py [--build DIR] [--runs R] [--option 1 2]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bench_rootsolve as bench  # noqa: E402

# (system, known number of roots, variable powers a, equation powers b)
CASES = [
    ("katsura-5", 32, [8, -8, 4, -4, 0, 2], [-8, 8, 0, 3, -5, 1]),
    ("katsura-5", 32, [8] * 6, [-8] * 6),
    ("cyclic-5", 70, [8, -8, 3, -3, 0], [0, 8, -8, 5, 2]),
    ("cyclic-5", 70, [-8] * 5, [8] * 5),
    ("dense-3-4", 64, [-8, 3, 8], [8, 8, 8]),
    ("dense-3-4", 64, [8, -8, 0], [8, -8, 8]),
]


def scaled(text, a, b):
    eqs = [e.strip() for e in text.split(";") if e.strip()]
    first = 0 if re.search(r"\bx0\b", text) else 1  # katsura numbers from x0

    def sub(m):
        j = int(m.group(1))
        return f"(1.0e{a[j - first]:+03d}*x{j})"
    out = []
    for i, e in enumerate(eqs):
        e = re.sub(r"\bx(\d+)\b", sub, e)
        out.append(f"1.0e{b[i]:+03d}*({e})")
    return ";\n".join(out) + "\n"


def roots(build, text, option, runs):
    with tempfile.TemporaryDirectory() as d:
        bench.prepare(build, text, d)
        counts = []
        for _ in range(runs):
            p = subprocess.run([f"{build}/solver/rootsolve"], input=f"{option}\n",
                               capture_output=True, text=True, cwd=d, check=True)
            counts.append(bench.count(p.stdout, "The # of roots ="))
        return counts


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--option", type=int, nargs="+", default=[1, 2])
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    for name, known, va, eb in CASES:
        text = bench.system_text(build, name)
        for option in a.option:
            plain = roots(build, text, option, a.runs)
            sc = roots(build, scaled(text, va, eb), option, a.runs)
            print(f"{name:<10} a={va} b={eb} option {option}: plain {min(plain)}..{max(plain)}"
                  f" ({plain.count(known)} of {a.runs} with {known}), scaled "
                  f"{min(sc)}..{max(sc)} ({sc.count(known)} of {a.runs} with {known})")
            sys.stdout.flush()


if __name__ == "__main__":
    main()

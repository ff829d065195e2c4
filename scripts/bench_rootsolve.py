#!/usr/bin/env python3
"""Benchmark of rootsolve: the whole road (eqtrans, evalgen, gfortran,
rootsolve) on systems of growing size, printing per system the paths, the
roots found, the diverged paths, the wall time of rootsolve and the paths per
second.  Not a test: the figures depend on the machine and on the clock-seeded
start coefficients.

    scripts/bench_rootsolve.py [--option 1|2] [--build DIR] [SYSTEM ...]

SYSTEM names: katsura-N, cyclic-N, noon-N, eco-N, dense-N-D (N random dense
equations of degree D in N variables, seeded for repeatability).
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile
import time


def katsura(n):
    x = lambda i: f"x{i}"
    eqs = []
    for m in range(n):
        terms = []
        for l in range(-n, n + 1):
            a, b = abs(l), abs(m - l)
            if b <= n:
                terms.append(f"{x(a)}*{x(b)}")
        eqs.append(" + ".join(terms) + f" - {x(m)}")
    eqs.append(x(0) + "".join(f" + 2*{x(l)}" for l in range(1, n + 1)) + " - 1")
    return ";\n".join(eqs) + "\n"


def cyclic(n):
    eqs = []
    for k in range(1, n):
        eqs.append(" + ".join("*".join(f"x{(i + j) % n + 1}" for j in range(k)) for i in range(n)))
    eqs.append("*".join(f"x{i + 1}" for i in range(n)) + " - 1")
    return ";\n".join(eqs) + "\n"


def noon(n):
    eqs = []
    for i in range(1, n + 1):
        sq = " + ".join(f"x{j}^2" for j in range(1, n + 1) if j != i)
        eqs.append(f"x{i}*({sq}) - 1.1*x{i} + 1")
    return ";\n".join(eqs) + "\n"


def eco(n):
    eqs = []
    for k in range(1, n):
        inner = "".join(f" + x{i}*x{i + k}" for i in range(1, n - k))
        eqs.append(f"(x{k}{inner})*x{n} - {k}")
    eqs.append(" + ".join(f"x{i}" for i in range(1, n)) + " + 1")
    return ";\n".join(eqs) + "\n"


def dense(n, d, seed=1):
    rng = random.Random(seed)
    monos = [()]
    for _ in range(d):
        monos = sorted({tuple(sorted(m + (v,))) for m in monos for v in range(1, n + 1)} | set(monos))
    eqs = []
    for _ in range(n):
        terms = []
        for mono in monos:
            c = f"({rng.uniform(-1, 1):.6f} + {rng.uniform(-1, 1):.6f}*i)"
            terms.append(c + "".join(f"*x{v}" for v in mono))
        eqs.append(" + ".join(terms))
    return ";\n".join(eqs) + "\n"


def system_text(name):
    parts = name.split("-")
    kind, args = parts[0], [int(a) for a in parts[1:]]
    return {"katsura": katsura, "cyclic": cyclic, "noon": noon, "eco": eco, "dense": dense}[kind](*args)


def count(text, label):
    m = re.search(re.escape(label) + r"\s*(-?\d+)", text)
    return int(m.group(1)) if m else -1


def prepare(build, text, d):
    """The road up to rootsolve in folder d: input.num, MEva.f90, MEva.so."""
    eq = subprocess.run([f"{build}/quintrel/src/eqtrans"], input=text, capture_output=True,
                        text=True)
    if eq.returncode != 0:
        sys.exit(f"eqtrans refused the system: {eq.stderr.strip()}")
    with open(os.path.join(d, "input.num"), "w") as f:
        f.write(eq.stdout)
    subprocess.run([f"{build}/evalgen/evalgen"], input=eq.stdout, text=True, cwd=d, check=True,
                   capture_output=True)
    subprocess.run("gfortran -shared -fPIC -O0 MEva.f90 -o MEva.so", shell=True, cwd=d, check=True)


def run(build, name, option):
    with tempfile.TemporaryDirectory() as d:
        prepare(build, system_text(name), d)
        t = time.perf_counter()
        p = subprocess.run([f"{build}/solver/rootsolve"], input=f"{option}\n", capture_output=True,
                           text=True, cwd=d)
        wall = time.perf_counter() - t
        out = p.stdout
        if p.returncode != 0:
            return name, -1, -1, -1, wall, f"exit {p.returncode}: {p.stderr.strip()[:60]}"
        paths = count(out, "The # of paths followed  =")
        return name, paths, count(out, "The # of roots ="), count(out, "The # of blow_up ="), wall, ""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--option", type=int, default=2)
    ap.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    ap.add_argument("systems", nargs="*",
                    default=["katsura-6", "katsura-7", "katsura-8", "katsura-9", "katsura-10",
                             "dense-4-4"])
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    print(f"{'system':<12}{'paths':>9}{'roots':>9}{'diverged':>10}{'wall s':>10}{'paths/s':>11}")
    for name in a.systems:
        name, paths, roots, blow, wall, note = run(build, name, a.option)
        rate = paths / wall if wall > 0 and paths > 0 else 0
        print(f"{name:<12}{paths:>9}{roots:>9}{blow:>10}{wall:>10.3f}{rate:>11.1f} {note}")
        sys.stdout.flush()


if __name__ == "__main__":
    main()

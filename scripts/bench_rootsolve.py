#!/usr/bin/env python3
"""Benchmark of rootsolve: the whole road (eqtrans, evalgen, gfortran,
rootsolve) on systems of growing size, printing per system the paths, the
roots found, the diverged paths, the wall time of rootsolve and the paths per
second.  Not a test: the figures depend on the machine and on the clock-seeded
start coefficients.

    scripts/bench_rootsolve.py [--option 1|2] [--build DIR] [SYSTEM ...]

SYSTEM names: katsura-N, cyclic-N, noon-N, eco-N, dense-N-D (N random dense
equations of degree D in N variables, seeded for repeatability), the table of
the tests (tests/support/standard_systems.h).
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time


def system_text(build, name):
    """A standard system in ordinary notation, from the table the tests use
    (tests/support/standard_systems.h), printed by the build's system_text."""
    p = subprocess.run([f"{build}/tests/system_text", name], capture_output=True, text=True)
    if p.returncode != 0:
        sys.exit(p.stderr.strip() or f"system_text {name} failed")
    return p.stdout


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
        prepare(build, system_text(build, name), d)
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

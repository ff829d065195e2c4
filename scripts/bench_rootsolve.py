#!/usr/bin/env python3
"""Benchmark of rootsolve: the whole road (eqtrans, evalgen, gfortran,
rootsolve) on systems of growing size, printing per system the paths, the
roots found, the diverged paths, the wall time of rootsolve and the paths per
second.  Not a test: the figures depend on the machine and on the clock-seeded
start coefficients.

    scripts/bench_rootsolve.py [--option 1|2] [--build DIR] [SYSTEM ...]
    scripts/bench_rootsolve.py --against BASE [--seeds N] [--option 1|2] [--build DIR]
                               [SYSTEM ...]

With --against, both builds' rootsolve_seeded solve each system with the
same seeds 1..N (default 5), one build after the other for each seed, and
the script prints per system the median CPU time (user and system, of the
whole process) of each build, their ratio, and the roots of both.

SYSTEM names: katsura-N, cyclic-N, noon-N, eco-N, dense-N-D (N random dense
equations of degree D in N variables, seeded for repeatability), the table of
the tests (tests/support/standard_systems.h).
"""
import argparse
import os
import re
import resource
import shutil
import statistics
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


def side_by_side(builds, names, option, seeds):
    print(f"{'system':<12}{'seeds':>6}{'base cpu s':>12}{'new cpu s':>11}{'ratio':>8}"
          f"{'base roots':>12}{'new roots':>11}")
    for name in names:
        dirs = []
        for b in builds:
            d = tempfile.mkdtemp(prefix="bench_cpu.")
            prepare(b, system_text(builds[-1], name), d)
            dirs.append(d)
        cpu = [[], []]
        roots = [[], []]
        for seed in range(1, seeds + 1):
            for k, (b, d) in enumerate(zip(builds, dirs)):
                before = resource.getrusage(resource.RUSAGE_CHILDREN)
                p = subprocess.run([f"{b}/solver/rootsolve_seeded", str(seed)],
                                   input=f"{option}\n", capture_output=True, text=True, cwd=d)
                after = resource.getrusage(resource.RUSAGE_CHILDREN)
                cpu[k].append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
                roots[k].append(count(p.stdout, "The # of roots ="))
        for d in dirs:
            shutil.rmtree(d, ignore_errors=True)
        med = [statistics.median(c) for c in cpu]
        span = [f"{min(r)}-{max(r)}" for r in roots]
        print(f"{name:<12}{seeds:>6}{med[0]:>12.3f}{med[1]:>11.3f}{med[1] / med[0]:>8.3f}"
              f"{span[0]:>12}{span[1]:>11}")
        sys.stdout.flush()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--option", type=int, default=2)
    ap.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    ap.add_argument("--against", help="a second build folder, run side by side as the base")
    ap.add_argument("--seeds", type=int, default=5)
    ap.add_argument("systems", nargs="*",
                    default=["katsura-6", "katsura-7", "katsura-8", "katsura-9", "katsura-10",
                             "dense-4-4"])
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    if a.against:
        side_by_side([os.path.abspath(a.against), build], a.systems, a.option, a.seeds)
        return
    print(f"{'system':<12}{'paths':>9}{'roots':>9}{'diverged':>10}{'wall s':>10}{'paths/s':>11}")
    for name in a.systems:
        name, paths, roots, blow, wall, note = run(build, name, a.option)
        rate = paths / wall if wall > 0 and paths > 0 else 0
        print(f"{name:<12}{paths:>9}{roots:>9}{blow:>10}{wall:>10.3f}{rate:>11.1f} {note}")
        sys.stdout.flush()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Compares data.roots of two builds run for run: both builds' rootsolve_seeded
solve each system with the same seeds (every random number drawn from the
seed), and the files are compared byte for byte.  For every system and
option it prints the runs compared, the runs with identical files, and for
the others whether the second build only added roots (every root record of
the first build's file is in the second's, in the same order), the seed,
the root counts of both and their distinct roots (points closer than 1e-6
relative to each other counted once).  Not a test: it needs two build
folders.

    scripts/compare_roots.py --base DIR --new DIR [--seeds S] [--option 1 2]
                             [SYSTEM ...]

SYSTEM names: those of bench_rootsolve.py (katsura-N, cyclic-N, noon-N,
eco-N, dense-N-D) and wilkinson-N (bench_wilkinson.py).
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


sys.path.insert(0, HERE)
import bench_rootsolve as bench  # noqa: E402
import bench_wilkinson as wilk  # noqa: E402


def text_of(build, name):
    if name.startswith("wilkinson-"):
        return wilk.system_text(int(name.split("-")[1]), False)
    return bench.system_text(build, name)


def solve(build, d, option, seed):
    p = subprocess.run([f"{build}/solver/rootsolve_seeded", str(seed)],
                       input=f"{option}\n".encode(), capture_output=True, cwd=d)
    if p.returncode != 0:
        sys.exit(f"{build}: rootsolve_seeded {seed} failed: {p.stderr.decode()[:200]}")
    with open(os.path.join(d, "data.roots"), "rb") as f:
        return f.read()


def records(data):
    """The root records (coordinates to the line of dashes) of a data.roots."""
    out, cur = [], []
    for line in data.decode().splitlines():
        if line.startswith(" The order of variables"):
            break
        cur.append(line)
        if line == " " + "-" * 39:
            out.append("\n".join(cur))
            cur = []
    return out


def point(record):
    """The coordinates of a root record."""
    x = []
    for line in record.splitlines():
        if len(line) == 52 and line[0] == "(" and line[25:27] == " ,":
            x.append(complex(float(wilk.parse_es(line[1:25])), float(wilk.parse_es(line[27:51]))))
    return x


def distinct(recs):
    """Roots counted once when closer than 1e-6 relative to each other."""
    kept = []
    for x in (point(r) for r in recs):
        size = max(1.0, max(abs(v) for v in x))
        if not any(max(abs(a - b) for a, b in zip(x, y)) < 1e-6 * size for y in kept):
            kept.append(x)
    return len(kept)


def is_subsequence(a, b):
    it = iter(b)
    return all(any(x == y for y in it) for x in a)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--base", required=True)
    ap.add_argument("--new", required=True)
    ap.add_argument("--seeds", type=int, default=5)
    ap.add_argument("--option", type=int, nargs="+", default=[1, 2])
    ap.add_argument("systems", nargs="*",
                    default=["katsura-6", "katsura-8", "cyclic-5", "cyclic-6", "noon-5",
                             "eco-7", "dense-3-3", "dense-4-4", "wilkinson-12"])
    a = ap.parse_args()
    base, new = os.path.abspath(a.base), os.path.abspath(a.new)
    print(f"{'system':<14}{'option':>7}{'runs':>6}{'same':>6}{'added only':>12}"
          f"  roots base -> new in the runs that differ")
    for name in a.systems:
        with tempfile.TemporaryDirectory() as db, tempfile.TemporaryDirectory() as dn:
            text = text_of(new, name)  # the base build may predate the table's printer
            bench.prepare(base, text, db)
            bench.prepare(new, text, dn)
            for option in a.option:
                same = added = 0
                diffs = []
                for seed in range(1, a.seeds + 1):
                    fb, fn = solve(base, db, option, seed), solve(new, dn, option, seed)
                    if fb == fn:
                        same += 1
                        continue
                    rb, rn = records(fb), records(fn)
                    added += is_subsequence(rb, rn)
                    diffs.append(f"seed {seed}: {len(rb)}->{len(rn)} (distinct "
                                 f"{distinct(rb)}->{distinct(rn)})")
                print(f"{name:<14}{option:>7}{a.seeds:>6}{same:>6}{added:>12}  "
                      + ", ".join(diffs))
                sys.stdout.flush()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Backward errors of the points rootsolve writes, by what they are: runs
rootsolve on systems of the public benchmark set (../shared/bench) several
times per option, judges every written point with that set's own 40-digit
judge (run.py, imported: independent of the solver), and prints, for the
regular roots, the singular solutions and the non-roots, how many written
points have a componentwise backward error (max over the equations of
|P_i(x)| / sum of the moduli of its terms, at 40 digits, at the written
point) in each decade.  Not a test.

    scripts/bench_backerr.py [--build DIR] [--bench DIR] [--runs N]
                             [--option 1|2|both] [--jobs J] [-v] NAME ...

With -v every written point that is no regular root is listed with its
backward error, its condition and the judge's verdict.
"""
import argparse
import importlib
import math
import os
import sys
import tempfile
from concurrent.futures import ProcessPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))


def load_bench(path):
    """The benchmark set's run.py as a module: its parser, reader and judge."""
    if path not in sys.path:
        sys.path.insert(0, path)
    mod = importlib.import_module("run")
    mod.mp.mp.dps = 40
    return mod


def one(args):
    bench, build, work, name, opt, k = args
    b = load_bench(bench)
    b._init(b.mproc.Lock(), b.mproc.Value("d", 0.0))
    src = os.path.join(work, name)
    d = os.path.join(src, "o%dr%d" % (opt, k))
    os.makedirs(d, exist_ok=True)
    for f in ("input.num", "MEva.so"):
        b.shutil.copy(os.path.join(src, f), d)
    r = b.subprocess.run([os.path.join(build, "solver/rootsolve")], cwd=d, input=b"%d\n" % opt,
                         stdout=b.subprocess.DEVNULL, stderr=b.subprocess.DEVNULL)
    if r.returncode != 0:
        return name, opt, k, None
    sysm = b.load_system(name)
    points, order, _ = b.read_roots(os.path.join(d, "data.roots"))
    perm = [order.index(v) for v in sysm.names]
    out = []
    for p in points:
        x = [p[i] for i in perm]
        j = b.judge_point(sysm, x)
        out.append((j["kind"], j["rel0"], j["cond"]))
    return name, opt, k, out


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--bench", default=os.path.join(HERE, "..", "..", "shared", "bench"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--option", choices=["1", "2", "both"], default="both")
    ap.add_argument("--jobs", type=int, default=3)
    ap.add_argument("-v", "--verbose", action="store_true")
    ap.add_argument("names", nargs="+")
    a = ap.parse_args()
    bench = os.path.abspath(a.bench)
    build = os.path.abspath(a.build)
    b = load_bench(bench)
    opts = [1, 2] if a.option == "both" else [int(a.option)]
    work = tempfile.mkdtemp(prefix="backerr.")
    for nm in a.names:
        err = b.prepare(build, work, nm)
        if err:
            sys.exit(f"{nm}: {err}")
    jobs = [(bench, build, work, nm, o, k) for nm in a.names for o in opts
            for k in range(1, a.runs + 1)]
    with ProcessPoolExecutor(max_workers=a.jobs) as pool:
        results = list(pool.map(one, jobs))
    b.shutil.rmtree(work, ignore_errors=True)

    decades = list(range(-20, 1))
    hist = {}
    for name, opt, k, pts in results:
        if pts is None:
            print(f"{name} o{opt} r{k}: rootsolve failed")
            continue
        for kind, rel0, cond in pts:
            e = -20 if rel0 <= 0 else max(-20, min(0, math.floor(math.log10(rel0))))
            hist.setdefault((name, opt, kind), {}).setdefault(e, 0)
            hist[(name, opt, kind)][e] += 1
            if a.verbose and kind != "root":
                print(f"{name} o{opt} r{k}: {kind:8s} backward error {rel0:.1e} cond {cond:.1e}")
    print("backward error of the written points, count per decade (column e: 1e(e) <= be < 1e(e+1))")
    print("%-12s %3s %-8s " % ("system", "opt", "verdict") +
          " ".join("%4d" % e for e in decades))
    for (name, opt, kind), h in sorted(hist.items()):
        print("%-12s %3d %-8s " % (name, opt, kind) +
              " ".join("%4s" % (h.get(e, "") or ".") for e in decades))


if __name__ == "__main__":
    main()

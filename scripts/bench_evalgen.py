#!/usr/bin/env python3
"""Benchmark of the evaluator generator.

For a few large random systems this prints the time evalgen takes to write
MEva.f90, the time gfortran takes to compile it into MEva.so at each
optimisation level asked for, and the time of one subexpo_ call of the
compiled library (measured by a small C driver that loads the library the way
rootsolve does and calls the routine in a loop).

    scripts/bench_evalgen.py [--evalgen PATH] [--levels=-O0,-O1,-O2]
                             [--systems NAME,...] [--keep DIR]

Uses python3's standard library, gfortran and the C compiler `cc`.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

# name: (n, terms per equation, largest exponent, share of non-zero exponents,
#        optimisation levels measured unless --levels is given)
# gfortran's optimising passes grow much faster than linearly with the size of
# the one basic block each routine is (an -O1 compile of the n = 6, m = 3000
# system ran for more than 15 minutes in 6 GB), so the large systems are
# compiled at -O0 only by default.
ALL_LEVELS = "-O0,-O1,-O2"
SYSTEMS = {
    "n6_m300": (6, 50, 5, 0.6, ALL_LEVELS),
    "n10_m600": (10, 60, 3, 0.4, ALL_LEVELS),
    "n6_m3000": (6, 500, 5, 0.6, "-O0"),
    "n10_m3000": (10, 300, 3, 0.4, "-O0"),
    "n20_m2000": (20, 100, 2, 0.2, "-O0"),
    "n4_m8000": (4, 2000, 8, 0.7, "-O0"),
}

DRIVER_C = r"""
#include <complex.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef void (*sub_t)(int*, double complex*, double complex*, double complex*,
                      double complex*, double complex*, double complex*, double complex*);
typedef void (*coef_t)(double complex*, double complex*, double complex*, int*,
                       double complex*, double complex*, double*, double*);

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  int n = atoi(argv[2]), m = atoi(argv[3]);
  double min_time = atof(argv[4]);
  void* h = dlopen(argv[1], RTLD_NOW);
  if (!h) { fprintf(stderr, "%s\n", dlerror()); return 1; }
  sub_t sub = (sub_t)dlsym(h, "subexpo_");
  coef_t coef = (coef_t)dlsym(h, "coefhhthx_");
  if (!sub || !coef) { fprintf(stderr, "%s\n", dlerror()); return 1; }
  size_t nd = (size_t)(n > 1 ? n - 1 : 1) * m;
  double complex *cf = calloc(m, sizeof *cf), *cft = calloc(m, sizeof *cft),
                 *cfd = calloc(nd, sizeof *cfd), *B = calloc(m, sizeof *B),
                 *G = calloc(m, sizeof *G), *z = calloc(n, sizeof *z),
                 *p = calloc(n, sizeof *p), *dt = calloc(n, sizeof *dt),
                 *dp = calloc((size_t)n * n, sizeof *dp);
  double* D = calloc(m, sizeof *D);
  srand(1);
  for (int k = 0; k < m; ++k) {
    B[k] = (rand() / (double)RAND_MAX - 0.5) + I * (rand() / (double)RAND_MAX - 0.5);
    G[k] = (rand() / (double)RAND_MAX - 0.5) + I * (rand() / (double)RAND_MAX - 0.5);
    D[k] = rand() / (double)RAND_MAX;
  }
  for (int j = 0; j < n; ++j) z[j] = 0.9 + 0.1 * I * j / n;
  double s = -0.5;
  coef(cf, cft, cfd, &m, B, G, D, &s);
  long reps = 0;
  double t0 = now(), t1 = t0;
  while (t1 - t0 < min_time) {
    for (int r = 0; r < 100; ++r) sub(&n, cf, z, p, cfd, cft, dp, dt);
    reps += 100;
    t1 = now();
  }
  printf("%.9g\n", (t1 - t0) / reps);
  return 0;
}
"""


def write_system(path, n, per_eq, max_exp, share, seed):
    """Writes a random system in the numeric layout; returns m after the
    constant completion (one term more for every equation without a constant
    term)."""
    rnd = random.Random(seed)
    lines = [str(n)] + [str(per_eq)] * n
    m = n * per_eq
    for _ in range(n):
        has_const = False
        for _ in range(per_eq):
            e = [rnd.randint(1, max_exp) if rnd.random() < share else 0 for _ in range(n)]
            has_const = has_const or not any(e)
            lines.append(" ".join(map(str, e)) + " ")
        m += 0 if has_const else 1
    for _ in range(n * per_eq):
        lines.append("(%.16g,%.16g)" % (rnd.uniform(-1, 1), rnd.uniform(-1, 1)))
    lines += ["x%d" % (i + 1) for i in range(n)]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return m


def timed(cmd, cwd, stdin=None):
    t0 = time.perf_counter()
    r = subprocess.run(cmd, cwd=cwd, stdin=stdin, capture_output=True, text=True)
    t1 = time.perf_counter()
    if r.returncode != 0:
        sys.exit("failed: %s\n%s%s" % (" ".join(cmd), r.stdout, r.stderr))
    return t1 - t0, r.stdout


def find_evalgen(root):
    for b in ("build", "build-gen"):
        p = os.path.join(root, b, "evalgen", "evalgen")
        if os.access(p, os.X_OK):
            return p
    return None


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--evalgen", default=find_evalgen(root))
    ap.add_argument("--levels", help="comma-separated gfortran levels for every system")
    ap.add_argument("--systems", default=",".join(SYSTEMS))
    ap.add_argument("--min-time", type=float, default=1.0,
                    help="seconds of subexpo_ calls per measurement")
    ap.add_argument("--keep", help="directory to keep the generated files in")
    a = ap.parse_args()
    if not a.evalgen:
        sys.exit("evalgen not found; pass --evalgen PATH")
    work = a.keep or tempfile.mkdtemp(prefix="bench_evalgen_")
    os.makedirs(work, exist_ok=True)
    try:
        with open(os.path.join(work, "driver.c"), "w") as f:
            f.write(DRIVER_C)
        timed(["cc", "-O2", "-o", "driver", "driver.c", "-ldl"], work)
        print("%-10s %4s %6s %9s %9s %6s %10s %12s" %
              ("system", "n", "m", "evalgen_s", "f90_MB", "level", "compile_s", "subexpo_us"))
        for name in a.systems.split(","):
            n, per_eq, max_exp, share, levels = SYSTEMS[name]
            d = os.path.join(work, name)
            os.makedirs(d, exist_ok=True)
            m = write_system(os.path.join(d, "input.num"), n, per_eq, max_exp, share, 7)
            with open(os.path.join(d, "input.num")) as inp:
                tg, _ = timed([os.path.abspath(a.evalgen)], d, stdin=inp)
            meva = os.path.join(d, "MEva.f90")
            mb = os.path.getsize(meva) / 1e6
            for lev in (a.levels or levels).split(","):
                so = os.path.join(d, "MEva%s.so" % lev)
                tc, _ = timed(["gfortran", "-shared", "-fPIC", lev, "MEva.f90", "-o", so], d)
                _, out = timed([os.path.join(work, "driver"), so, str(n), str(m),
                                str(a.min_time)], d)
                print("%-10s %4d %6d %9.3f %9.2f %6s %10.2f %12.2f" %
                      (name, n, m, tg, mb, lev, tc, float(out) * 1e6), flush=True)
    finally:
        if not a.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

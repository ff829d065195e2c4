#!/usr/bin/env python3
"""Times eqtrans on inputs that are long or expand much, and prints for each
the input size, the wall time, the exit status and the size of what was
written.

    scripts/bench_eqtrans.py [EQTRANS] [LIMIT]
        (default build/quintrel/src/eqtrans; a run is stopped after LIMIT
        seconds, default 60, and shown as "stopped")

The inputs: a 10 MB comment, a 10 MB identifier, 100,000 terms in
descending, ascending and random order, 100,000 variables of one term each,
powers of x + 1 up to 100,000 (refused once a coefficient overflows),
powers of x/2 + 1/2, whose coefficients stay finite, up to 5000 (within
the bound on the products of terms of one power), 8000 (refused once the
products formed pass it) and 2^31 - 1 (refused before any is formed), and
a sum of 20 variables squared.  Not a test: nothing here fails on a slow
result."""
import os
import random
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
eqtrans = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build/quintrel/src/eqtrans")
limit = float(sys.argv[2]) if len(sys.argv) > 2 else 60.0

terms = 100000
order = list(range(1, terms + 1))
random.Random(1).shuffle(order)
cases = [
    ("10 MB comment", "x # " + "a" * 10_000_000 + "\n+ 1"),
    ("10 MB identifier", "x + " + "a" * 10_000_000 + " + 1"),
    ("100,000 terms, descending", "+".join("x^%d" % k for k in range(terms, 0, -1))),
    ("100,000 terms, ascending", "+".join("x^%d" % k for k in range(1, terms + 1))),
    ("100,000 terms, random order", "+".join("x^%d" % k for k in order)),
    ("10,000 variables, one term each", "+".join("v%d" % k for k in range(10000))),
    ("(x+1)^3000", "(x+1)^3000"),
    ("(x+1)^100000", "(x+1)^100000"),
    ("(x/2+1/2)^1000", "(x/2+1/2)^1000"),
    ("(x/2+1/2)^5000", "(x/2+1/2)^5000"),
    ("(x/2+1/2)^8000", "(x/2+1/2)^8000"),
    ("(x/2+1/2)^2147483647", "(x/2+1/2)^2147483647"),
    ("(x1+...+x20)^2", "(" + "+".join("x%d" % k for k in range(1, 21)) + ")^2"),
]

print("%-34s %12s %9s %7s %12s" % ("input", "bytes", "seconds", "status", "output"))
for name, text in cases:
    data = text.encode()
    t0 = time.perf_counter()
    try:
        p = subprocess.run([eqtrans], input=data, capture_output=True, timeout=limit)
    except subprocess.TimeoutExpired:
        print("%-34s %12d %9s" % (name, len(data), "stopped"))
        continue
    t1 = time.perf_counter()
    print("%-34s %12d %9.3f %7d %12d" % (name, len(data), t1 - t0, p.returncode, len(p.stdout)))

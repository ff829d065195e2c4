#!/usr/bin/env python3
"""Every root and every witness point once: runs the road (eqtrans, evalgen,
gfortran, rootsolve) or witsolve on a system many times, each run drawing its
own clock seed, and prints per system how many runs wrote every root (or
witness point) once, the written and distinct counts, copies, points that are
not roots, runs whose summary count differs from the points written, and the
CPU time.  Not a test.

    scripts/bench_once.py [--build DIR] [--runs N] [--jobs J] CASE ...

CASE is SYSTEM:OPTION for rootsolve (option 1 polyhedral, 2 linear) or
SYSTEM:wK for witsolve with K hyperplanes.  SYSTEM: cyclic-N, katsura-N,
noon-N, eco-N, tiny (0*x^2 + y - 1; x - y), double ((x-1)^2 (y+1);
(y-2)(x+2), where the double root may stay twice), pb601 (an electrochemical
model with coefficients from 1 to 1e16 and 18 finite roots, some far out
after the scaling), pb601-vars and pb601-eqs (the same with its variables,
or its equations and one variable, multiplied by powers of ten), circle,
bigcircle (radius
1e6), sphere, twisted, quartic, fermat-D (x^D + y^D = 1 given as
{f, (x - 2y + 3) f}), doublecircle (the circle squared: double witness
points, whose copies may stay), sphereline (a sphere and the line x = 2,
y = 3, whose one point is the witness set for one hyperplane), or any of
these for witsolve.  Witness cases judged point by point (judge_regular):
rcyclic-8 (cyclic 8-roots with its first unknown 1, a curve of degree 18),
ci-curve and ci-curve4 (curves of two quadrics in C^3 and of three in C^4),
ci-surface4 (a surface of two quadrics in C^4, k = 2), quartic-surface (in
C^3, k = 2), conic-line (an ellipse and a line), two-curves (a circle and a
line in two parallel planes), axes (the coordinate axes of C^3), cyclic-4
(two conics), sphereline2 (the sphere and a line, k = 2).

Oracles, independent of the solver: a written root counts when the system,
evaluated here in binary floating point from the text, has a relative
residual below 1e-8 there; distinct roots are clustered at a relative
distance of 1e-6; the expected count is the known number of isolated roots.
The pb601 cases are judged at 40 digits instead: each written point must
lead Newton's method on the system as written (its decimal coefficients
exact) to a regular root, converging quadratically to a relative residual
below 1e-20 and moving by less than 1e-6 relative, at an equilibrated
condition of at most 1e10; distinct roots are those refined points that
differ by more than 1e-12 relative.

For witsolve the exact witness points are the roots (mpmath, 40 digits) of
the univariate polynomial that the written hyperplanes cut from the curve or
surface; every written point must lie within 1e-6 (relative) of one of them,
and the moduli of the exact points that no run wrote are printed (a point of
modulus r on a curve of degree d has terms of size r^d that cancel: beyond
r^d ~ 1e13 double precision cannot tell it from a point off the curve).

For the cases judged point by point every written point must be a regular
witness point: Newton's method at 40 digits on the given equations and the
written hyperplanes converges quadratically from it to a point within 1e-6
relative, where the Jacobian has full rank (judge_regular); distinct points
are those that refine to distinct points.  "irreg" counts the written points
that are no regular witness points, in every witness case (for the cases
above they are the "bad" ones; a double witness point is one).  "all"
counts the runs that wrote every expected point, whatever else they wrote.

For witsolve, "run s" is the mean CPU time of the whole process per run,
the writer included.  When the build was configured with -DHC_CHECK_STATS=ON
the duplicate check reports its re-tracks on standard error; their totals
are printed too.
"""
import argparse
import cmath
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

import mpmath

mpmath.mp.dps = 40
VERBOSE = False


# ---------------------------------------------------------------------------
# Systems in ordinary notation, and the known number of isolated roots.

def standard(build, name):
    """The equations of a standard system, from the table the tests use
    (tests/support/standard_systems.h), printed by the build's system_text."""
    p = subprocess.run([f"{build}/tests/system_text", name], capture_output=True, text=True)
    if p.returncode != 0:
        raise SystemExit(p.stderr.strip() or f"system_text {name} failed")
    return [e.strip() for e in p.stdout.split(";\n")]


KNOWN = {"pb601": 18, "pb601-vars": 18, "pb601-eqs": 18,
         "cyclic-8:w1": 144, "cyclic-10": 34940, "cyclic-5": 70, "cyclic-6": 156, "cyclic-7": 924, "katsura-5": 32, "katsura-8": 256,
         "noon-4": 73, "noon-5": 233, "eco-6": 16, "eco-7": 32, "tiny": 1, "double": 2}


# pb601: 18 finite roots (its mixed volume), three of them, (x2, x1, x3) =
# (-25.81, 17.00, 8.499) and a complex pair, far out after the scaling.
PB601 = [
    "5.38354663405080e+08*x2^6 + 5.03135199444000e+08*x2^5 + 8.95258362000000e+07*x2^4"
    " - 6.25000000000000e+13*x1^2*x3 + 5.77586040000000e+06*x2^3 + 107358*x2^2 + 617*x2 + 1",
    "-5.03135199444000e+08*x2^5 - 1.79051672400000e+08*x2^4 + 6.25000000000000e+13*x1^2*x2"
    " + 1.87500000000000e+14*x1^2*x3 - 1.73275812000000e+07*x2^3 + 20250000*x1*x2"
    " - 429432*x2^2 - 3085*x2 - 6",
    "-5.55555555555555e+15*x1^2 + 1.11111111111111e+16*x1*x3 + 1800000000*x2 + 1",
]
# Its rescaled forms: x_j replaced by 10^a_j x_j, equation i by 10^b_i times it.
PB601_SCALED = {"pb601-vars": ({"x1": 3, "x2": -2, "x3": 4}, [0, 0, 0]),
                "pb601-eqs": ({"x1": 0, "x2": 1, "x3": 0}, [-14, -14, -16])}


def rescaled(eqs, powers, factors):
    out = []
    for e, b in zip(eqs, factors):
        for v, a in powers.items():
            e = re.sub(rf"\b{v}\b", f"(1.0e{a:+03d}*{v})", e)
        out.append(f"1.0e{b:+03d}*({e})")
    return out


def root_system(build, name):
    if name == "pb601":
        return list(PB601)
    if name in PB601_SCALED:
        return rescaled(PB601, *PB601_SCALED[name])
    if name == "tiny":
        return ["0*x^2 + y - 1", "x - y"]
    if name == "double":
        return ["(x-1)^2*(y+1)", "(y-2)*(x+2)"]
    return standard(build, name)


# Witness cases: the equations (as text for eqtrans) and the degree; the
# exact points come from the univariate cut (see exact_witness).
def witness_system(build, name):
    if name == "circle":
        return ["x^2 + y^2 - 1", "x^2 + y^2 - 1"], 2
    if name == "bigcircle":
        return ["x^2 + y^2 - 1.0e+12"] * 2, 2
    if name == "sphere":
        return ["x^2 + y^2 + z^2 - 1"] * 3, 2
    if name == "twisted":
        return ["x^2 - y", "x*y - z", "x*z - y^2"], 3
    if name == "quartic":
        return ["x^4 + y^4 - 3*x^2*y + x - 1", "(x - 2*y + 3)*(x^4 + y^4 - 3*x^2*y + x - 1)"], 4
    if name == "doublecircle":
        # the circle squared: its witness points are double
        return ["(x^2 + y^2 - 1)^2", "(x - 2*y + 3)*(x^2 + y^2 - 1)^2"], 2
    if name == "sphereline":
        s = "(x^2 + y^2 + z^2 - 1)"
        return [f"{s}*(x - 2)", f"{s}*(y - 3)", f"{s}*(x + y - 5)"], 1
    if name.startswith("fermat-"):
        d = int(name.split("-")[1])
        f = f"x^{d} + y^{d} - 1"
        return [f, f"(x - 2*y + 3)*({f})"], d
    if name in REGULAR:
        return REGULAR[name][0], REGULAR[name][1]
    if name.startswith("cyclic-"):
        return standard(build, name), None
    raise SystemExit(f"unknown witness system {name}")


# Witness cases judged point by point (judge_regular): the equations and the
# degree of the component that the hyperplanes cut in points.
# Cyclic 8-roots with its first unknown set to 1 (a public benchmark): its
# curve has degree 18.
REDUCED_CYCLIC8 = [
    "y1 + y2 + y3 + y4 + y5 + y6 + y7 + 1",
    "y1*y2 + y1 + y2*y3 + y3*y4 + y4*y5 + y5*y6 + y6*y7 + y7",
    "y1*y2*y3 + y1*y2 + y1*y7 + y2*y3*y4 + y3*y4*y5 + y4*y5*y6 + y5*y6*y7 + y6*y7",
    "y1*y2*y3*y4 + y1*y2*y3 + y1*y2*y7 + y1*y6*y7 + y2*y3*y4*y5 + y3*y4*y5*y6 + y4*y5*y6*y7 + y5*y6*y7",
    "y1*y2*y3*y4*y5 + y1*y2*y3*y4 + y1*y2*y3*y7 + y1*y2*y6*y7 + y1*y5*y6*y7 + y2*y3*y4*y5*y6 + y3*y4*y5*y6*y7 + y4*y5*y6*y7",
    "y1*y2*y3*y4*y5*y6 + y1*y2*y3*y4*y5 + y1*y2*y3*y4*y7 + y1*y2*y3*y6*y7 + y1*y2*y5*y6*y7 + y1*y4*y5*y6*y7 + y2*y3*y4*y5*y6*y7 + y3*y4*y5*y6*y7",
    "y1*y2*y3*y4*y5*y6*y7 + y1*y2*y3*y4*y5*y6 + y1*y2*y3*y4*y5*y7 + y1*y2*y3*y4*y6*y7 + y1*y2*y3*y5*y6*y7 + y1*y2*y4*y5*y6*y7 + y1*y3*y4*y5*y6*y7 + y2*y3*y4*y5*y6*y7",
]


# Quadrics in general position: c of them in C^n meet in a variety of
# dimension n - c and degree 2^c.
Q3 = ["x^2 + y^2 + z^2 - 1", "x*y - 2*z^2 + 3*y - 1"]
Q4 = ["x^2 - 2*y^2 + z*w + 3*x - 1", "x*y + y*z - 3*w^2 + 2*z + 2",
      "2*x*z - y^2 + x*w - 2*w + 5"]
CONIC_LINE = "(x^2 + 4*y^2 - 4)*(x + y - 3)"
QUARTIC_SURFACE = "x^4 + y^3*z - 2*z^2 + x*y*z + 3*y - 1"
SPHERE = "(x^2 + y^2 + z^2 - 1)"

REGULAR = {
    "rcyclic-8": (REDUCED_CYCLIC8, {1: 18}),
    # a curve in C^3 of two quadrics, the third equation in their ideal
    "ci-curve": ([Q3[0], Q3[1], f"(x + 2*y - 1)*({Q3[0]}) + (z - 3)*({Q3[1]})"], {1: 4}),
    # a curve in C^4 of three quadrics
    "ci-curve4": (Q4 + [f"(x - y + 2)*({Q4[0]}) + (z + 1)*({Q4[1]}) + (w - 3)*({Q4[2]})"],
                  {1: 8}),
    # a surface in C^4 of two quadrics
    "ci-surface4": (Q4[:2] + [f"(x + 3*w)*({Q4[0]}) + (y - 1)*({Q4[1]})",
                              f"(z - 2)*({Q4[0]}) + (x + y + w)*({Q4[1]})"], {2: 4}),
    # a quartic surface in C^3
    "quartic-surface": ([QUARTIC_SURFACE, f"(x - 1)*({QUARTIC_SURFACE})",
                         f"(y + z + 2)*({QUARTIC_SURFACE})"], {2: 4}),
    # the union of an ellipse and a line in the plane
    "conic-line": ([CONIC_LINE, f"(x - 2*y + 3)*{CONIC_LINE}"], {1: 3}),
    # the union of the circle x^2 + y^2 = 1 in the plane z = 0 and the line
    # x = y in the plane z = 5
    "two-curves": (["z*(z - 5)", "(x^2 + y^2 - 1)*(z - 5) + (x - y)*z",
                    "(x + 1)*z*(z - 5) + (y - 2)*((x^2 + y^2 - 1)*(z - 5) + (x - y)*z)"],
                   {1: 3}),
    # the three coordinate axes of C^3: witness points with two coordinates 0
    "axes": (["x*y", "y*z", "x*z"], {1: 3}),
    # the union of two plane conics x3 = -x1, x4 = -x2, x1 x2 = 1 or -1
    "cyclic-4": (["x1 + x2 + x3 + x4", "x1*x2 + x2*x3 + x3*x4 + x4*x1",
                  "x1*x2*x3 + x2*x3*x4 + x3*x4*x1 + x4*x1*x2", "x1*x2*x3*x4 - 1"], {1: 4}),
    # a sphere and the line x = 2, y = 3: two hyperplanes miss the line
    "sphereline2": ([f"{SPHERE}*(x - 2)", f"{SPHERE}*(y - 3)", f"{SPHERE}*(x + y - 5)"], {2: 2}),
}


# ---------------------------------------------------------------------------
# Evaluation of a system from its text, independent of the solver.

def compile_system(eqs, names):
    """Each equation as its list of (exponents, coefficient), expanded."""
    import sympy
    gens = sympy.symbols(names)
    loc = dict(zip(names, gens))
    loc["i"] = loc["I"] = sympy.I
    out = []
    for e in eqs:
        expr = sympy.sympify(e.replace("^", "**"), locals=loc)
        out.append([(m, complex(c)) for m, c in sympy.Poly(sympy.expand(expr), *gens).terms()])
    return out


def rel_residual(system, x):
    """The componentwise backward error max_i |P_i(x)| / sum_k |c_k| |x|^e_k.

    Where a root has coordinates that vanish, every term of an equation can
    vanish with them (katsura's odd coordinates), and the computed point's
    tiny coordinates leave that ratio near 1 however good the point is.  An
    equation is therefore also satisfied when its value is below 1e-4 of
    the bound 1e-8 measured against sum_k |c_k| max(1, |x|)^e_k, the term
    sizes at a point of modulus at least 1 in each coordinate."""
    worst = 0.0
    for terms in system:
        val, scale, floor = 0j, 0.0, 0.0
        for m, c in terms:
            mono = 1 + 0j
            big = 1.0
            for v, e in zip(x, m):
                mono *= v ** e
                big *= max(1.0, abs(v)) ** e
            val += c * mono
            scale += abs(c) * abs(mono)
            floor += abs(c) * big
        rel = abs(val) / scale if scale > 0 else abs(val)
        worst = max(worst, min(rel, 1e4 * abs(val) / floor))
    return worst


def exact_system(eqs, names):
    """Each equation as its list of (exponents, coefficient), expanded, the
    coefficients exact to the working precision of mpmath."""
    import sympy
    gens = sympy.symbols(names)
    loc = dict(zip(names, gens))
    loc["i"] = loc["I"] = sympy.I
    out = []
    for e in eqs:
        expr = sympy.sympify(e.replace("^", "**"), locals=loc, rational=True)
        terms = []
        for m, c in sympy.Poly(sympy.expand(expr), *gens).terms():
            re_, im_ = sympy.re(c), sympy.im(c)
            terms.append((m, mpmath.mpc(mpmath.mpf(sympy.Rational(re_).p) / sympy.Rational(re_).q,
                                        mpmath.mpf(sympy.Rational(im_).p) / sympy.Rational(im_).q)))
        out.append(terms)
    return out


def eval_slice(system, planes, x):
    """Values, sizes and Jacobian of {f, L} at x (n unknowns, n + k
    equations: the given ones, then the hyperplanes a_1 x_1 + ... + a_n x_n
    + a_(n+1)).  The size of an equation is sum_k |c_k| max(1, |x|)^e_k,
    its terms at a point of modulus at least 1 in each coordinate: against
    the term sums themselves a coordinate that is 0 on the variety (and
    1e-40 at the refined point) leaves every term of an equation tiny and
    the ratio near 1."""
    n = len(x)
    vals, sums, jac = [], [], []
    for terms in system:
        v, s, row = mpmath.mpc(0), mpmath.mpf(0), [mpmath.mpc(0)] * n
        for m, c in terms:
            # the factors x_l^e_l, their prefix and suffix products
            fac = [xv ** e for xv, e in zip(x, m)]
            pre = [mpmath.mpc(1)] * (n + 1)
            for l in range(n):
                pre[l + 1] = pre[l] * fac[l]
            suf = mpmath.mpc(1)
            for j in range(n - 1, -1, -1):
                if m[j]:
                    row[j] += c * m[j] * x[j] ** (m[j] - 1) * pre[j] * suf
                suf *= fac[j]
            v += c * pre[n]
            big = abs(c)
            for xv, e in zip(x, m):
                big *= max(mpmath.mpf(1), abs(xv)) ** e
            s += big
        vals.append(v)
        sums.append(s)
        jac.append(row)
    for pl in planes:
        v = pl[n] + sum(a * xv for a, xv in zip(pl[:n], x))
        vals.append(v)
        sums.append(abs(pl[n]) + sum(abs(a) * max(mpmath.mpf(1), abs(xv))
                                     for a, xv in zip(pl[:n], x)))
        jac.append(list(pl[:n]))
    return vals, sums, jac


def judge_regular(system, planes, x0, steps=40):
    """Is x0 (the n given coordinates of a written point) a regular witness
    point: a point of f = 0 on the hyperplanes L = 0 where the Jacobian of
    {f, L}, n + k rows by n columns, has rank n?  Gauss-Newton on {f, L} at
    the working precision (40 digits) from x0 must converge quadratically
    (a correction below 1e-30 relative within `steps` steps: next to a
    singular point it creeps), move x0 by less than 1e-6 relative and end
    with a backward error below 1e-30 (eval_slice's sizes); and there the Jacobian,
    each row divided by the size of its equation and column j multiplied by
    max(1, |x_j|), must have sigma_min > 1e-12 sigma_max.  Returns (regular, refined point,
    details)."""
    mp = mpmath
    n = len(x0)
    x = [mp.mpc(v) for v in x0]
    size = lambda p: max([mp.mpf(1)] + [abs(v) for v in p])
    converged = False
    for it in range(steps):
        vals, sums, jac = eval_slice(system, planes, x)
        rows = len(vals)
        w = [1 / s if s > 0 else mp.mpf(1) for s in sums]
        A = mp.matrix(rows, n)
        b = mp.matrix(rows, 1)
        for i in range(rows):
            for j in range(n):
                A[i, j] = jac[i][j] * w[i]
            b[i] = -vals[i] * w[i]
        # the least-squares step by the normal equations at twice the digits
        try:
            with mp.extradps(mp.mp.dps):
                dx = mp.lu_solve(A.H * A, A.H * b)
        except (ZeroDivisionError, ValueError):
            break
        x = [a + d for a, d in zip(x, dx)]
        if not all(mp.isfinite(v.real) and mp.isfinite(v.imag) for v in x) or size(x) > 1e30:
            break
        if max(abs(d) for d in dx) <= mp.mpf(10) ** -30 * size(x):
            converged = True
            break
    vals, sums, jac = eval_slice(system, planes, x)
    berr = max((abs(v) / s if s > 0 else abs(v)) for v, s in zip(vals, sums))
    moved = max(abs(a - mp.mpc(b)) for a, b in zip(x, x0)) / size(x)
    # row i divided by the size of equation i (not by the row's own norm:
    # the gradient of an equation whose every term holds two coordinates
    # that vanish at the point vanishes there too, and scaling that row up
    # would hide the rank deficiency)
    A = mp.matrix(len(jac), n)
    for i, row in enumerate(jac):
        for j in range(n):
            A[i, j] = row[j] / sums[i] * max(mp.mpf(1), abs(x[j]))
    # the singular values as the square roots of the eigenvalues of A^H A
    # (mpmath's complex SVD can divide by zero on a rank-deficient A); at 40
    # digits that resolves ratios down to 1e-20
    ev = mp.eigh(A.H * A, eigvals_only=True)
    top = max(abs(v) for v in ev)
    ratio = mp.sqrt(max(mp.mpf(0), min(v.real if hasattr(v, "real") else v for v in ev)) / top) \
        if top > 0 else mp.mpf(0)
    regular = converged and moved < 1e-6 and berr < 1e-30 and ratio > 1e-12
    return regular, x, {"moved": float(moved), "ratio": float(ratio), "berr": float(berr),
                        "converged": converged}


def judge40(eqs, names, points):
    """The regular roots that the written points lead to by Newton's method
    at 40 digits on the system as written (its decimals exact), and the
    number of points that lead to none."""
    mp = mpmath
    system = exact_system(eqs, names)
    n = len(names)

    def evaluate(x):
        F, S, J = [], [], mp.matrix(n, n)
        for i, terms in enumerate(system):
            f, sz = mp.mpc(0), mp.mpf(0)
            for m, c in terms:
                t = c
                for v, e in zip(x, m):
                    t *= v ** e
                f += t
                sz += abs(t)
                for j in range(n):
                    if m[j]:
                        d = c * m[j] * x[j] ** (m[j] - 1)
                        for k in range(n):
                            if k != j:
                                d *= x[k] ** m[k]
                        J[i, j] += d
            F.append(f)
            S.append(sz)
        return F, S, J

    def condition(J):
        A = J.copy()
        for i in range(n):
            r = max(abs(A[i, j]) for j in range(n))
            for j in range(n):
                A[i, j] /= r
        for j in range(n):
            c = max(abs(A[i, j]) for i in range(n))
            for i in range(n):
                A[i, j] /= c
        return mp.mnorm(A, 1) * mp.mnorm(mp.inverse(A), 1)

    roots, bad = [], 0
    for p in points:
        x = [mp.mpc(v) for v in p]
        size = lambda z: max([mp.mpf(1)] + [abs(v) for v in z])
        ok = False
        try:
            for _ in range(20):
                F, S, J = evaluate(x)
                dx = mp.lu_solve(J, mp.matrix(F))
                x = [a - b for a, b in zip(x, dx)]
                if max(abs(v) for v in dx) <= mp.mpf(10) ** -30 * size(x):
                    F, S, J = evaluate(x)
                    rel = max(abs(f) / s if s else abs(f) for f, s in zip(F, S))
                    moved = max(abs(a - mp.mpc(b)) for a, b in zip(x, p)) / size(x)
                    ok = rel < 1e-20 and moved < 1e-6 and condition(J) <= 1e10
                    break
        except ZeroDivisionError:
            ok = False
        if not ok:
            bad += 1
        elif not any(max(abs(a - b) for a, b in zip(r, x)) < 1e-12 * size(x) for r in roots):
            roots.append(x)
    return roots, bad


def distinct(points, tol=1e-6):
    """Representatives of the points, two points being one when every
    coordinate differs by less than tol times the size (at least 1); found
    through a grid on the first coordinate, so that 35,000 roots take
    seconds."""
    reps, grid = [], {}
    for p in points:
        size = max([1.0] + [abs(v) for v in p])
        cell = (round(p[0].real * 1e4), round(p[0].imag * 1e4))
        near = [q for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                for q in grid.get((cell[0] + dx, cell[1] + dy), [])]
        if not any(max(abs(a - b) for a, b in zip(p, q)) < tol * size for q in near):
            reps.append(p)
            grid.setdefault(cell, []).append(p)
    return reps


# ---------------------------------------------------------------------------
# Reading the programs' output.

COORD = re.compile(r"^\(\s*(\S+) ,\s*(\S+)\)$")


def es(s):
    if "E" not in s:
        i = max(s.rfind("+"), s.rfind("-"))
        if i > 0:
            s = s[:i] + "E" + s[i:]
    return float(s)


def parse_points(text, n):
    pts, cur = [], []
    for line in text.splitlines():
        m = COORD.match(line)
        if m:
            cur.append(complex(es(m.group(1)), es(m.group(2))))
        elif line.startswith(" ---") and cur:
            pts.append(cur[:n])
            cur = []
    return pts


def count(text, label):
    m = re.search(re.escape(label) + r"\s*(-?\d+)", text)
    return int(m.group(1)) if m else -1


def stats_of(err):
    s = {"retracks": 0, "pairs": 0, "unsplit": 0}
    for line in err.splitlines():
        m = re.match(r"check: pairs (\d+) re-tracks (\d+) unsplit (\d+)", line)
        if m:
            s["pairs"] += int(m.group(1))
            s["retracks"] += int(m.group(2))
            s["unsplit"] += int(m.group(3))
    return s


def variables(eqs):
    seen = []
    for e in eqs:
        # the exponent letter of a real (1.0e+12) is no variable
        e = re.sub(r"\d+\.\d*[eE][+-]?\d+", "1", e)
        for v in re.findall(r"[A-Za-z_][A-Za-z_0-9]*", e):
            if v not in seen and v not in ("i", "I"):
                seen.append(v)
    return seen


# ---------------------------------------------------------------------------
# One run.

def run_roots(build, name, option):
    eqs = root_system(build, name)
    names = variables(eqs)
    n = len(names)
    with tempfile.TemporaryDirectory() as d:
        num = subprocess.run([f"{build}/quintrel/src/eqtrans"], input=";\n".join(eqs) + "\n",
                             capture_output=True, text=True, check=True).stdout
        open(os.path.join(d, "input.num"), "w").write(num)
        subprocess.run([f"{build}/evalgen/evalgen"], input=num, text=True, cwd=d, check=True,
                       capture_output=True)
        subprocess.run("gfortran -shared -fPIC -O0 MEva.f90 -o MEva.so", shell=True, cwd=d,
                       check=True)
        p = subprocess.run([f"{build}/solver/rootsolve"], input=f"{option}\n", capture_output=True,
                           text=True, cwd=d)
        roots = open(os.path.join(d, "data.roots")).read() if p.returncode == 0 else ""
    # eqtrans numbers the variables by first appearance, as variables() does.
    pts = parse_points(roots, n)
    if name.startswith("pb601"):
        reps, nbad = judge40(eqs, names, pts)
        good = [None] * (len(pts) - nbad)
    else:
        system = compile_system(eqs, names)
        good = [x for x in pts if rel_residual(system, x) < 1e-8]
        reps = distinct(good)
    # the double root (1, 2) of "double" is reached by two paths and may stay
    # twice (it shows its multiplicity): only the simple root (-2, -1) counts
    extra = max(0, sum(1 for x in pts if abs(x[0] - 1) + abs(x[1] - 2) < 1e-4) - 1) \
        if name == "double" else 0
    return {"status": p.returncode, "written": len(pts) - extra, "extra": extra,
            "distinct": len(reps),
            "bad": len(pts) - len(good), "summary": count(p.stdout, "The # of roots ="),
            "time": float(re.search(r"running time :\s*(\S+)", p.stdout).group(1))
            if p.returncode == 0 else 0.0, **stats_of(p.stderr)}


def line_cut(eqs, names, planes):
    """Exact witness points of a curve (one plane) or a surface (two planes)
    in 2 or 3 unknowns: parametrise the line the planes leave and solve the
    univariate polynomial of the first equation along it, with mpmath."""
    n = len(names)
    mp = mpmath
    if len(eqs) == 3 and eqs[0].endswith("*(x - 2)"):
        # the sphere and the line x = 2, y = 3: one plane meets the line once
        (a, b, c, d), = planes
        return [[mp.mpc(2), mp.mpc(3), -(2 * a + 3 * b + d) / c]]
    if n == 2:
        (a, b, c), = planes
        if abs(b) > abs(a):
            p0, dirv = [mp.mpc(0), -c / b], [mp.mpc(1), -a / b]
        else:
            p0, dirv = [-c / a, mp.mpc(0)], [-b / a, mp.mpc(1)]
    else:
        if len(planes) == 2:
            (a1, b1, c1, d1), (a2, b2, c2, d2) = planes
            A = mp.matrix([[a1, b1, c1], [a2, b2, c2]])
            dirv = [b1 * c2 - c1 * b2, c1 * a2 - a1 * c2, a1 * b2 - b1 * a2]
            # a point: solve with the coordinate of the largest direction entry 0
            j = max(range(3), key=lambda i: abs(dirv[i]))
            cols = [i for i in range(3) if i != j]
            M = mp.matrix([[A[0, cols[0]], A[0, cols[1]]], [A[1, cols[0]], A[1, cols[1]]]])
            sol = mp.lu_solve(M, mp.matrix([-d1, -d2]))
            p0 = [mp.mpc(0)] * 3
            p0[cols[0]], p0[cols[1]] = sol[0], sol[1]
            return univariate_roots(eqs[0], names, p0, dirv)
        # one plane in 3-space cutting a curve: eliminate along the curve's
        # parametrisation (the twisted cubic t, t^2, t^3)
        (a, b, c, d), = planes
        return [[t, t ** 2, t ** 3] for t in mp.polyroots([c, b, a, d], maxsteps=200, extraprec=200)]
    return univariate_roots(eqs[0], names, p0, dirv)


def univariate_roots(eq, names, p0, dirv):
    mp = mpmath
    f = eval("lambda " + ",".join(names) + ": " + eq.replace("^", "**"), {})
    g = lambda t: f(*[p + t * v for p, v in zip(p0, dirv)])
    # the degree is at most 30 for the cases here: interpolate at roots of unity
    N = 32
    w = [mp.exp(2j * mp.pi * k / N) for k in range(N)]
    vals = [g(x) for x in w]
    coef = [sum(vals[k] * w[k] ** (-j) for k in range(N)) / N for j in range(N)]
    scale = max(abs(c) for c in coef)
    while abs(coef[-1]) < mp.mpf(10) ** -25 * scale:
        coef.pop()
    # the roots as the eigenvalues of the companion matrix
    deg = len(coef) - 1
    C = mp.matrix(deg, deg)
    for i in range(1, deg):
        C[i, i - 1] = 1
    for i in range(deg):
        C[i, deg - 1] = -coef[i] / coef[deg]
    ts = mp.eig(C, left=False, right=False)
    return [[p + t * v for p, v in zip(p0, dirv)] for t in ts]


def run_timed(argv, text, cwd):
    """Runs argv in cwd with text on standard input; returns the completed
    process (returncode, stdout, stderr) and its own CPU seconds, user and
    system, writer included (the summary's running time leaves it out)."""
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        child = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=out, stderr=err, text=True,
                                 cwd=cwd)
        child.stdin.write(text)
        child.stdin.close()
        _, status, usage = os.wait4(child.pid, 0)
        child.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        done = subprocess.CompletedProcess(argv, child.returncode, out.read(), err.read())
    return done, usage.ru_utime + usage.ru_stime


def run_witness(build, name, k):
    eqs, degree = witness_system(build, name)
    if isinstance(degree, dict):
        degree = degree.get(k)
    names = variables(eqs)
    n = len(names)
    with tempfile.TemporaryDirectory() as d:
        num = subprocess.run([f"{build}/quintrel/src/eqtrans"], input=";\n".join(eqs) + "\n",
                             capture_output=True, text=True, check=True).stdout
        os.makedirs(os.path.join(d, "bin"))
        open(os.path.join(d, "bin", "input.num"), "w").write(num)
        p, proc = run_timed([f"{build}/witness/witsolve"], f"{k}\n", d)
        wit = open(os.path.join(d, "data.witness")).read() if p.returncode == 0 else ""
    pts = parse_points(wit, n + k)
    lines = wit.splitlines()
    at = lines.index("  The coefficients of witness homotopy  : ") + 1 if wit else 0
    coefs = []
    for line in lines[at:at + n * k + k * (n + 1)]:
        m = COORD.match(line)
        coefs.append(complex(es(m.group(1)), es(m.group(2))))
    planes = [coefs[n * k + j * (n + 1): n * k + (j + 1) * (n + 1)] for j in range(k)]
    bad = 0
    missed = []  # moduli of the exact witness points not written
    refined = None
    irregular = 0  # points judged not regular witness points (judge_regular)
    if wit and name not in REGULAR:
        system = exact_system(eqs, names)
        mplanes = [[mpmath.mpc(c) for c in pl] for pl in planes]
        irregular = sum(1 for x in pts if not judge_regular(system, mplanes, x[:n])[0])
    if name in REGULAR and wit:
        system = exact_system(eqs, names)
        mplanes = [[mpmath.mpc(c) for c in pl] for pl in planes]
        refined = []
        for x in pts:
            ok, xr, info = judge_regular(system, mplanes, x[:n])
            size = max([1.0] + [abs(v) for v in x[:n]])
            if ok and max(abs(v) for v in x[n:]) <= 1e-6 * size:
                refined.append([complex(v) for v in xr])
            else:
                bad += 1
                irregular += 1
                if VERBOSE:
                    print(f"  {name}: not a regular witness point: {info}, |x| {size:.3g}, "
                          f"min |x_j| {min(abs(v) for v in x[:n]):.3g}, "
                          f"slack {max(abs(v) for v in x[n:]):.3g}", file=sys.stderr)
    elif degree is None:
        system = compile_system(eqs, names)
        bad = sum(1 for x in pts if rel_residual(system, x[:n]) > 1e-8
                  or max(abs(v) for v in x[n:]) > 1e-6 * max([1.0] + [abs(v) for v in x[:n]]))
    elif wit:
        exact = line_cut(eqs, names, [[mpmath.mpc(c) for c in pl] for pl in planes])
        exact = [[complex(v) for v in e] for e in exact]
        for e in exact:
            size = max([1.0] + [abs(v) for v in e])
            if not any(max(abs(a - b) for a, b in zip(x[:n], e)) < 1e-6 * size for x in pts):
                missed.append(size)
        for x in pts:
            size = max([1.0] + [abs(v) for v in x[:n]])
            if not any(max(abs(a - b) for a, b in zip(x[:n], e)) < 1e-6 * size for e in exact):
                bad += 1
            elif max(abs(v) for v in x[n:]) > 1e-6 * size:
                bad += 1
    # a point written twice: two regular points that refine to one
    reps = distinct(refined, 1e-12) if refined is not None else distinct([x[:n] for x in pts])
    return {"status": p.returncode, "written": len(pts), "distinct": len(reps), "bad": bad,
            "summary": count(p.stdout, "The # of witness points ="),
            "time": float(re.search(r"running time :\s*(\S+)", p.stdout).group(1))
            if p.returncode == 0 else 0.0, "degree": degree, "quad": p.stdout.count(" 111\n"),
            "proc": proc, "irregular": irregular,
            "missed": missed,
            **stats_of(p.stderr)}


def one(args):
    build, case = args
    name, how = case.split(":")
    if how.startswith("w"):
        return run_witness(build, name, int(how[1:]))
    return run_roots(build, name, int(how))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--jobs", type=int, default=1)
    ap.add_argument("-v", action="store_true", help="a line for each point judged not regular")
    ap.add_argument("cases", nargs="+")
    a = ap.parse_args()
    global VERBOSE
    VERBOSE = a.v
    build = os.path.abspath(a.build)
    print(f"{'case':<16}{'runs':>5}{'all once':>9}{'written':>12}{'distinct':>12}{'copies':>8}"
          f"{'bad':>5}{'irreg':>6}{'all':>5}{'miscount':>9}{'retracks':>14}{'cpu s':>16}{'run s':>8}")
    for case in a.cases:
        name, how = case.split(":")
        # processes, not threads: the judges are Python
        with concurrent.futures.ProcessPoolExecutor(a.jobs) as ex:
            res = list(ex.map(one, [(build, case)] * a.runs))
        expect = (res[0].get("degree") or KNOWN.get(case)) if how.startswith("w") else KNOWN.get(name)
        ok = sum(1 for r in res if r["status"] == 0 and r["written"] == r["distinct"] == expect
                 and r["bad"] == 0)
        copies = sum(r["written"] - r["distinct"] - r["bad"] for r in res)
        bad = sum(r["bad"] for r in res)
        # the summary's count against the distinct points written (the
        # double root's second copy aside)
        # (for the cases judged point by point: against the points written)
        mis = sum(1 for r in res if r["summary"] != (
            r["written"] if name in REGULAR else r["distinct"] + r.get("extra", 0)))
        rng = lambda key: f"{min(r[key] for r in res)}-{max(r[key] for r in res)}"
        rt = rng("retracks")
        tm = f"{min(r['time'] for r in res):.2f}-{max(r['time'] for r in res):.2f}"
        missed = sorted(m for r in res for m in r.get("missed", []))
        far = f"  missed |x| {missed[0]:.3g}-{missed[-1]:.3g} ({len(missed)})" if missed else ""
        # the whole process per run, on average (witsolve only)
        run_s = f"{sum(r['proc'] for r in res) / len(res):.3f}" if "proc" in res[0] else "-"
        irr = str(sum(r["irregular"] for r in res)) if "irregular" in res[0] else "-"
        # runs that wrote every expected point, whatever else they wrote
        found = sum(1 for r in res if r["status"] == 0 and r["distinct"] == expect)
        print(f"{case:<16}{a.runs:>5}{ok:>9}{rng('written'):>12}{rng('distinct'):>12}{copies:>8}"
              f"{bad:>5}{irr:>6}{found:>5}{mis:>9}{rt:>14}{tm:>16}{run_s:>8}  expect {expect}{far}")
        sys.stdout.flush()


if __name__ == "__main__":
    main()

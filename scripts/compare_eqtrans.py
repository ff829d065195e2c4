#!/usr/bin/env python3
"""Runs two builds of eqtrans on the same random systems and compares what
they write (standard output and exit status).

    scripts/compare_eqtrans.py OLD_EQTRANS NEW_EQTRANS [COUNT] [SEED]

Systems are drawn from a fixed seed (default 1): sums, products, quotients
by constants and small integer powers of terms with integer, real and
imaginary constants, comments and blank lines.  Prints the number of
systems whose output is identical, and lists the others by kind:
  - refused now, written before with a coefficient that is inf or nan;
  - accepted now, refused before for an integer literal beyond 32 bits: then
    the old build is run again with each such literal written as a real
    ("20692933630." in place of "20692933630"), which it took, and the two
    outputs must agree;
  - anything else (a real difference, printed in full).
Not a test: it reads two programs built elsewhere (for example the last
commit's eqtrans built from `git archive`)."""
import random
import re
import subprocess
import sys

# An integer literal of the language beyond 32 bits, not an exponent and not
# part of a real literal.
WIDE = re.compile(r"(?<![0-9.^])([0-9]{10,})(?![0-9.])")


def as_reals(text):
    return WIDE.sub(lambda m: m.group(1) + "." if int(m.group(1)) > 2**31 - 1 else m.group(1),
                    text)


def constant(r):
    k = r.random()
    if k < 0.45:
        return str(r.randint(0, 9))
    if k < 0.5:
        return str(r.randint(0, 2**40))  # beyond 32 bits as well
    if k < 0.7:
        return "%d.%d" % (r.randint(0, 99), r.randint(0, 999))
    if k < 0.8:
        return "%d.e%+d" % (r.randint(1, 9), r.randint(-320, 320))
    if k < 0.9:
        return "%di" % r.randint(1, 5)
    return "i"


def atom(r, names):
    return r.choice(names) if r.random() < 0.6 else constant(r)


def expr(r, names, depth):
    if depth == 0 or r.random() < 0.25:
        return atom(r, names)
    k = r.random()
    a = expr(r, names, depth - 1)
    if k < 0.3:
        return a + " + " + expr(r, names, depth - 1)
    if k < 0.5:
        return a + " - " + expr(r, names, depth - 1)
    if k < 0.75:
        return a + "*" + expr(r, names, depth - 1)
    if k < 0.82:
        return "(" + a + ")/" + r.choice(["2", "3", "0.5", "(2i)", "1.e-300"])
    if k < 0.95:
        return "(" + a + ")^" + str(r.randint(0, 7))
    return "-(" + a + ")"


def system(r):
    names = ["x", "y", "z", "w"][: r.randint(1, 4)]
    eqs = [expr(r, names, r.randint(1, 5)) for _ in range(r.randint(1, 4))]
    text = ";\n".join(eqs)
    if r.random() < 0.2:
        text = "# drawn\n" + text + " # end\n"
    return text


def run(prog, text):
    p = subprocess.run([prog], input=text.encode(), capture_output=True, timeout=60)
    return p.returncode, p.stdout.decode(errors="replace"), p.stderr.decode(errors="replace")


def main():
    old, new = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    r = random.Random(seed)
    same = nonfinite = wide_int = 0
    other = []
    for _ in range(count):
        text = system(r)
        so, oo, eo = run(old, text)
        sn, on, en = run(new, text)
        if so == sn and oo == on:
            same += 1
        elif so == 0 and sn == 65 and ("inf" in oo or "nan" in oo) and "not finite" in en:
            nonfinite += 1
        elif so == 65 and sn == 0 and "does not fit in 32 bits" in eo:
            sr, orr, er = run(old, as_reals(text))
            if sr == 0 and orr == on:
                wide_int += 1
            else:
                other.append((as_reals(text), sr, orr, er, sn, on, en))
        else:
            other.append((text, so, oo, eo, sn, on, en))
    print("systems: %d" % count)
    print("identical output and status: %d" % same)
    print("refused now, inf or nan written before: %d" % nonfinite)
    print("accepted now, integer beyond 32 bits refused before: %d" % wide_int)
    print("other differences: %d" % len(other))
    for text, so, oo, eo, sn, on, en in other[:20]:
        print("---- input\n%s\n---- old %d\n%s%s---- new %d\n%s%s" % (text, so, oo, eo, sn, on, en))
    return 1 if other else 0


if __name__ == "__main__":
    sys.exit(main())

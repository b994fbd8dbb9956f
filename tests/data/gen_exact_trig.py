#!/usr/bin/env python3
"""Writes exact_trig.txt: hard cases of the exact tier's circular functions,
with the true values from mpmath (an independent oracle).

Each row: function, limbs, argument, true value truncated toward zero to
P + 8 significant digits (P = 4 (limbs/2 - 2) + 4, the most digits a result
keeps) as digit string and exponent of its last digit (value = D 10^e), or
"0 0" for zero. Arguments are written as <digits>e<exp> with at most
4 (limbs/2 - 2) + 1 digits, so a KVnum of that many limbs holds them exactly.

Run once; the output is committed:  python3 gen_exact_trig.py > exact_trig.txt
"""
import random

import mpmath
from mpmath import mp, mpf

FUNCS = {
    "sin": mpmath.sin, "cos": mpmath.cos, "tan": mpmath.tan,
    "atan": mpmath.atan, "asin": mpmath.asin, "acos": mpmath.acos,
    "dtor": lambda x: x * mpmath.pi / 180, "rtod": lambda x: x * 180 / mpmath.pi,
    "pi": lambda x: +mpmath.pi,
}


def held_digits(n):
    return 4 * (n // 2 - 2) + 1


def arg_text(v, n):
    """v (mpf) cut toward zero to the digits n limbs hold, as digits e exp."""
    if v == 0:
        return "0"
    d = held_digits(n)
    s = "-" if v < 0 else ""
    v = abs(v)
    e = int(mpmath.floor(mpmath.log10(v)))
    while mpf(10) ** e > v:
        e -= 1
    while mpf(10) ** (e + 1) <= v:
        e += 1
    m = int(mpmath.floor(v / mpf(10) ** (e - d + 1)))
    return f"{s}{m}e{e - d + 1}"


def value_of(text):
    return mpf(text)


def truth(fn, text, n):
    P = 4 * (n // 2 - 2) + 4 + 8
    mp.prec = 64
    x = mpf(text)
    # Digits for the argument's integer part (the reduction) and, for tiny
    # arguments, for a value that differs from x or 1 only far below them.
    mag = 0 if x == 0 else float(mpmath.log10(abs(x)))
    mp.prec = int((P + 80 + max(mag, 0) + 2 * max(-mag, 0) + len(text)) * 3.33) + 64
    x = mpf(text)
    t = FUNCS[fn](x)
    if t == 0:
        return "0 0"
    s = "-" if t < 0 else ""
    t = abs(t)
    e = int(mpmath.floor(mpmath.log10(t)))
    while mpf(10) ** e > t:
        e -= 1
    while mpf(10) ** (e + 1) <= t:
        e += 1
    M = int(mpmath.floor(t / mpf(10) ** (e - P + 1)))
    return f"{s}{M} {e - P + 1}"


def tail_digits(fn, x, n, k=4):
    """The k digits of f(x) just past the cut of P digits."""
    P = 4 * (n // 2 - 2) + 4
    mp.prec = (P + 40) * 4
    t = abs(FUNCS[fn](x))
    e = int(mpmath.floor(mpmath.log10(t)))
    frac = t / mpf(10) ** (e - P + 1)
    return int(mpmath.floor((frac - mpmath.floor(frac)) * 10 ** k))


def near_cuts(fn, n, rng, lo, hi, tries):
    """Arguments whose value lies within 10^-4 of a unit of a cut."""
    found = []
    d = held_digits(n)
    for _ in range(tries):
        m = rng.randint(10 ** (d - 1), 10 ** d - 1)
        x = mpf(lo) + (mpf(hi) - mpf(lo)) * mpf(m) / 10 ** d
        mp.prec = (d + 40) * 4
        text = arg_text(x, n)
        tail = tail_digits(fn, value_of(text), n)
        if tail in (0, 9999):
            found.append(text)
            if len(found) >= 2:
                break
    return found


def rows():
    rng = random.Random(16)
    out = []
    for n in (9, 20, 130, 1000):
        mp.prec = (4 * n + 200) * 4
        pi = +mpmath.pi
        cases = []
        # Near the cuts, by search (cheap at the small precisions only).
        if n <= 20:
            for fn, lo, hi in (("sin", 0.1, 3), ("cos", 0.1, 3), ("tan", 0.1, 1.5), ("atan", 0.05, 5),
                               ("asin", 0.05, 0.99), ("acos", -0.99, 0.99), ("dtor", 1, 400),
                               ("rtod", 0.01, 7)):
                for t in near_cuts(fn, n, rng, lo, hi, 30000 if n == 9 else 4000):
                    cases.append((fn, t))
        mp.prec = (4 * n + 200) * 4
        A = lambda v: arg_text(mpf(v), n)
        pin = arg_text(pi, n)
        cases += [
            ("pi", "0"),
            # Multiples of pi/2 as held: the reduction cancels every digit.
            ("sin", pin), ("cos", pin), ("tan", pin),
            ("cos", arg_text(pi / 2, n)), ("tan", arg_text(pi / 2, n)), ("sin", arg_text(-pi / 2, n)),
            ("sin", arg_text(pi * 10 ** 40, n)), ("cos", arg_text(pi * 10 ** 40 / 2, n)),
            ("tan", arg_text(-pi * 3 / 2 * 10 ** 20, n)),
            # Huge and tiny arguments.
            ("sin", "1e22"), ("cos", "1e300"), ("tan", "7e100"), ("sin", "-3e5000"),
            ("sin", "1e-30"), ("cos", "1e-30"), ("tan", "-1e-30"), ("sin", "1e-3000"), ("cos", "-1e-3000"),
            ("tan", "1e-3000"), ("atan", "1e-3000"), ("asin", "-1e-3000"), ("acos", "1e-3000"),
            ("sin", "7e-3"), ("cos", "7e-3"), ("tan", "7e-3"),
            ("atan", "3e-12"), ("asin", "3e-12"), ("acos", "3e-12"),
            ("atan", "1"), ("atan", "-1"), ("atan", "1e40"), ("atan", "-2e5000"), ("atan", A(pi)),
            ("asin", "1"), ("asin", "-1"), ("acos", "-1"), ("acos", "0"),
            ("asin", A(1 - mpf(10) ** -(held_digits(n) - 1))), ("acos", A(1 - mpf(10) ** -(held_digits(n) - 1))),
            ("acos", A(-1 + mpf(10) ** -(held_digits(n) - 1))), ("asin", A(mpf(1) / 2)), ("acos", A(mpf(1) / 2)),
            ("asin", A(mpmath.sqrt(2) / 2)), ("acos", A(-mpmath.sqrt(2) / 2)), ("atan", A(mpmath.sqrt(3))),
            ("dtor", "180"), ("dtor", "-90"), ("dtor", "1e3000"), ("rtod", pin), ("rtod", "1e-3000"),
            ("sin", "1"), ("cos", "1"), ("tan", "1"), ("asin", "5e-1"), ("atan", "2"), ("atan", "2e-1"),
        ]
        if n >= 130:
            cases.append(("cos", "1000000000000000000000000000000000000000000000000000000000000000000000000"
                                 "00000000000000000000000000000000000000000000000001e0"))
        if n == 1000:
            cases.append(("cos", "1" + "0" * 299 + "1e0"))  # 1e300 + 1
            cases.append(("sin", "1" + "0" * 299 + "1e0"))
        # Random arguments of all sizes.
        for _ in range(6 if n < 1000 else 2):
            for fn in ("sin", "cos", "tan", "atan", "asin", "acos", "dtor", "rtod"):
                d = held_digits(n)
                m = rng.randint(1, 10 ** rng.randint(1, d))
                mag = rng.choice([-1, 0, 0, 1, 3, -5, 20])
                if fn in ("asin", "acos"):
                    mag = min(mag, -1)
                    m = m % (10 ** (-mag))
                    if m == 0:
                        m = 7
                e = mag - len(str(m))
                s = "-" if rng.random() < 0.4 else ""
                cases.append((fn, f"{s}{m}e{e}"))
        for fn, x in cases:
            mp.prec = (4 * n + 200) * 4
            out.append(f"{fn} {n} {x} {truth(fn, x, n)}")
    return out


if __name__ == "__main__":
    print("# function limbs argument truth-digits truth-exponent (mpmath; gen_exact_trig.py)")
    for r in rows():
        print(r)

#!/usr/bin/env python3
"""Python's decimal module (libmpdec, correctly rounded) doing the function
benchmarks' cases at the same number of significant digits, timed with timeit.

Usage: func_python.py cases.json out.json [--quick]

cases.json is written by `func_bench --cases=...`: the argument values exactly
as the Kelvane numbers hold them. Each case is timed in this one process with
timeit (autorange, then the median of several repeats), CPU time per call.
decimal has no trigonometry: sine and cosine use the recipes of the decimal
module's documentation (Taylor series in Python), tangent their quotient, pi
the documentation's recipe; the inverse trigonometric functions have no
counterpart and are left out. BtoB is compared with int() and hex formatting.
"""
import json
import sys
import time
import timeit
from decimal import Decimal, getcontext

# pi and ln 10 to 2200 places, for the conversions that use them as stored
# constants (DtoR, RtoD, LntoLog): computed once here, not timed.
getcontext().prec = 2200
LN10 = Decimal(10).ln()
getcontext().prec = 2200


def pi_recipe():
    # From the decimal module's documentation ("Recipes").
    getcontext().prec += 2
    three = Decimal(3)
    lasts, t, s, n, na, d, da = 0, three, 3, 1, 0, 0, 24
    while s != lasts:
        lasts = s
        n, na = n + na, na + 8
        d, da = d + da, da + 32
        t = (t * n) / d
        s += t
    getcontext().prec -= 2
    return +s


PI = None
LN10C = None


def cos_recipe(x):
    getcontext().prec += 2
    i, lasts, s, fact, num, sign = 0, 0, 1, 1, 1, 1
    while s != lasts:
        lasts = s
        i += 2
        fact *= i * (i - 1)
        num *= x * x
        sign *= -1
        s += num / fact * sign
    getcontext().prec -= 2
    return +s


def sin_recipe(x):
    getcontext().prec += 2
    i, lasts, s, fact, num, sign = 1, 0, x, 1, x, 1
    while s != lasts:
        lasts = s
        i += 2
        fact *= i * (i - 1)
        num *= x * x
        sign *= -1
        s += num / fact * sign
    getcontext().prec -= 2
    return +s


def factorial(m):
    p = Decimal(1)
    for k in range(2, m + 1):
        p *= k
    return p


def make(case):
    """The callable for a case, or None where decimal has no counterpart."""
    k = case["key"]
    a = Decimal(case["a"]) if k != "btob" else case["a"]
    b = Decimal(case["b"])
    table = {
        "ln2": lambda: a.ln(),
        "lnfull": lambda: a.ln(),
        "aln05": lambda: a.exp(),
        "alnfull": lambda: a.exp(),
        "log7": lambda: a.log10(),
        "lntolog": lambda: a / LN10C,
        "alog05": lambda: Decimal(10) ** a,
        "fpower": lambda: a ** b,
        "afpower": lambda: b.ln() / a.ln(),
        "fpower7": lambda: a ** b,
        "afpowerfull": lambda: b.ln() / a.ln(),
        "iroot2": lambda: a.sqrt(),
        "iroot3": lambda: a ** (Decimal(1) / Decimal(3)),
        "dtor": lambda: PI * 2 * a / 360,
        "rtod": lambda: a * 360 / PI / 2,
        "sin": lambda: sin_recipe(a),
        "cos": lambda: cos_recipe(a),
        "tan": lambda: sin_recipe(a) / cos_recipe(a),
        "pi": pi_recipe,
        "e": lambda: Decimal(1).exp(),
        "phi": lambda: (1 + Decimal(5).sqrt()) / 2,
        "fact": lambda: factorial(100),
        "btob": lambda: format(int(a), "X"),
        "iroot_far": lambda: a.sqrt(),
        "iroot_n1000": lambda: a ** (Decimal(1) / Decimal(1000)),
        "iroot_n2e9": lambda: a ** (Decimal(1) / Decimal(2000000000)),
        "aln_m50": lambda: a.exp(),
        "fpower_m100": lambda: a ** b,
        "sin100": lambda: sin_recipe(a),
        "ln_near1": lambda: a.ln(),
    }
    return table.get(k)


def main():
    global PI, LN10C
    cases = json.load(open(sys.argv[1]))
    quick = "--quick" in sys.argv
    getcontext().prec = 2200
    pi_full = pi_recipe()
    out = []
    for case in cases:
        getcontext().prec = case["digits"]
        PI = +pi_full  # pi and ln 10 at the working digits, as stored constants
        LN10C = +LN10
        f = make(case)
        if f is None:
            continue
        timer = timeit.Timer(f, timer=time.process_time)
        number, _ = timer.autorange()
        if quick:
            runs = [timer.timeit(number)]
        else:
            number = max(1, number // 2)
            runs = sorted(timer.repeat(repeat=5, number=number))
        per_call = runs[len(runs) // 2] / number
        out.append({"key": case["key"], "limbs": case["limbs"], "seconds": per_call})
    json.dump(out, open(sys.argv[2], "w"), indent=1)


if __name__ == "__main__":
    main()

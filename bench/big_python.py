#!/usr/bin/env python3
"""Python's decimal module (libmpdec) on long numbers: the operations of
big_bench at 20,000, 200,000 and 2,000,000 significant digits, timed with
timeit in this one process (CPU time per call, the median of five repeats of
an autoranged count).

Usage: big_python.py out.json [--quick]

The operands are random numbers of exactly that many digits, as in
big_bench: x = 5.xxx and y = 1.xxx; the context's precision is the digit
count, so x * y and x / y are rounded to it, x + y too, and str(x) writes
every digit.
"""
import json
import random
import sys
import time
import timeit
from decimal import Context, Decimal, localcontext

DIGITS = [20000, 200000, 2000000]


def operand(rng, digits, lead):
    return Decimal(lead + "." + "".join(rng.choice("0123456789") for _ in range(digits - 1)))


def timed(f, repeats):
    timer = timeit.Timer(f, timer=time.process_time)
    number, _ = timer.autorange()
    runs = sorted(timer.timeit(number) / number for _ in range(repeats))
    return runs[len(runs) // 2]


def main():
    out = sys.argv[1]
    repeats = 1 if "--quick" in sys.argv else 5
    rng = random.Random(4)
    result = {}
    for d in DIGITS:
        with localcontext(Context(prec=d, Emax=999999999, Emin=-999999999)):
            x, y = operand(rng, d, "5"), operand(rng, d, "1")
            result["mul/decimal/%d" % d] = timed(lambda: x * y, repeats)
            result["div/decimal/%d" % d] = timed(lambda: x / y, repeats)
            result["add/decimal/%d" % d] = timed(lambda: x + y, repeats)
            result["string/decimal/%d" % d] = timed(lambda: str(x), repeats)
    with open(out, "w") as f:
        json.dump(result, f, indent=1)


if __name__ == "__main__":
    main()

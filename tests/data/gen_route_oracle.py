#!/usr/bin/env python3
"""Writes tests/data/route_oracle.h: true values for the arguments where the
function library once ended the process, ran without end, or returned
numbers with no right digit (huge and tiny arguments, arguments near 1, large
root indices), at 9, 20 and 130 limbs; the arguments on both sides of the
bound counted from the cuts, at the precisions where it falls; and 1 / ln 10
to 1250 places.

Independent of the library: mpmath at 700 significant digits (its functions
are correctly rounded at that precision; the margin over 320 covers the
digits that x - 1 cancels for x near 1), cut (not rounded) to 320 digits.

Each row is the value at the argument as a number of that precision holds it;
every argument below is held exactly (the run of nines near 1 is written
with exactly as many nines as text assignment reads). A value that starts with
"!" is the report the call must give, with the result 0.

Run from the repository root:
    python3 tests/data/gen_route_oracle.py > tests/data/route_oracle.h
"""
from decimal import Decimal

import mpmath
from mpmath import mp, mpf

mp.dps = 700
PRECISIONS = (9, 20, 130)
REFUSE_SQ = "!x^2 must be less than or equal to 1"
TOO_LARGE = "!Argument too large for the precision."


def cut(v, digits=320):
    """v as text with `digits` significant digits, cut toward zero: from
    mpmath's decimal text at 20 digits more (rounded there), so a run of 20
    nines or zeros at the cut is the only place where it could be off."""
    if v == 0:
        return "0"
    d = Decimal(mpmath.nstr(v, digits + 20, min_fixed=1, max_fixed=0))
    sign, ds, e = d.as_tuple()
    ds = "".join(map(str, ds)).ljust(digits, "0")[:digits]
    e10 = e + len(d.as_tuple().digits) - 1
    return "%s%s.%se%d" % ("-" if sign else "", ds[0], ds[1:], e10)


# Arguments just inside and just outside the bound on the plain series, per
# precision: inside first.
EXP_SIDES = {9: ["2.6", "2.8", "-1.7", "-1.85"], 20: ["3.8", "3.95", "-3.0", "-3.15"],
             130: ["7.7", "7.9", "-6.95", "-7.1"]}
SIN_SIDES = {9: ["2.0", "2.15"], 20: ["3.0", "3.2"], 130: ["7.3", "7.45"]}
COS_SIDES = {9: ["1.45", "1.6"], 20: ["3.3", "3.5"], 130: ["7.28", "7.45"]}


# The edge of the bound counted from the cuts, at the precisions where it
# falls: the same argument inside at one precision (the plain digits, kept)
# and outside at a lower one (the plain digits miss half).
EDGES = [(9, "Cos", "3", ""), (10, "Cos", "3", ""), (13, "Cos", "3", ""), (9, "Aln", "-2.5", ""),
         (10, "Aln", "-2.5", ""), (13, "Aln", "-2.5", ""), (13, "Aln", "3.7", ""), (10, "Sin", "3", ""),
         (9, "Fpower", "0.5", "3"), (10, "Fpower", "0.5", "3"), (33, "Alog", "2", ""),
         (20, "Alog", "2", "")]


# Arguments for the bound counted from the cuts, taken against the true
# value at several precisions whichever route the method then takes.
COUNTED = [("exp", a) for a in ["-9.5", "-7.25", "-5", "-3.6", "-2.5", "-1.3", "0.7", "2.2", "3.7", "5.3",
                                 "7.9", "9.6"]] + \
          [(m, a) for m in ("sin", "cos") for a in ["-0.9", "2.2", "3", "4.4", "6.1", "8.3", "10.7"]] + \
          [("ln", a) for a in ["0.02", "0.37", "1.0007", "1.9", "7", "55", "99.5"]]


def edge_value(mth, a, b):
    x = mpf(a)
    return {"Cos": lambda: mpmath.cos(x), "Sin": lambda: mpmath.sin(x), "Aln": lambda: mpmath.exp(x),
            "Fpower": lambda: mpmath.power(x, mpf(b or "0")), "Alog": lambda: mpmath.power(10, x)}[mth]()


def near_one(n):
    """1 + 3e-h, 1 - 3e-h (plain x - 1), 1 + 3e-(h+2), 1 - 3e-(h+2) (exact)."""
    h = n // 2 - 2
    return ["1." + "0" * (h - 1) + "3", "0." + "9" * (h - 1) + "7",
            "1." + "0" * (h + 1) + "3", "0." + "9" * (h + 1) + "7"]


def nines(n):
    """0.999... with as many nines as text assignment reads (2n - 4
    characters, "0." included, and at most the 4h + 4 digits held)."""
    h = n // 2 - 2
    return "0." + "9" * min(4 * h + 4, 2 * n - 6)


def cases(n):
    """(method, a, b, value) for one precision."""
    h = n // 2 - 2
    out = []

    def add(method, a, b, value):
        out.append((method, a, b, value))

    x = mpf
    # Huge and tiny arguments of the inverse functions.
    for a in ["1e800000000", "-1e800000000", "1e716000000", "1e1100000000", "-1e2147483647"]:
        add("Arctan", a, "", mpmath.atan(x(a)))
    for a in ["1e-2000000000", "-3e-1500000000"]:
        add("Arctan", a, "", mpmath.atan(x(a)))
        add("Arcsin", a, "", mpmath.asin(x(a)))
        add("Arccos", a, "", mpmath.acos(x(a)))
    for a in ["1e1100000000", "-1e2147483647", "1e2000000000"]:
        add("Arccos", a, "", REFUSE_SQ)
        add("Arcsin", a, "", REFUSE_SQ)
    add("Arcsin", "-1e1100000000", "", REFUSE_SQ)
    # Roots far from 1 and of large index.
    for a, k in [("1e-400000", 2), ("1e-100000", 2), ("1e-1000000", 2), ("1e-2000000000", 2),
                 ("1e800000000", 2), ("1e1100000000", 2), ("2", 100), ("2", 200), ("2", 300),
                 ("2", 1000), ("9.99", 2000000000), ("8.581e-297", 12), ("1e-300", 24),
                 ("1", 200000000), ("-7.5e-999999", 7), ("1e100000000", 30)]:
        add("Iroot", a, str(k), mpmath.sign(x(a)) * mpmath.root(abs(x(a)), k))
    # Exponentials, powers, sines that the plain series got wrong.
    for a in ["-50", "-30", "20", "-3.5927332", "-25", "100", "-1000000", "4000000000"]:
        add("Aln", a, "", mpmath.exp(x(a)))
    add("Aln", "1e-2000000000", "", mpmath.mpf(1))
    add("Aln", "-10000000000", "", "!Exponent out of range.")
    for a, b in [("2", "-100"), ("0.001", "20"), ("0.999999999999", "1e6"), ("7", "123456.789"),
                 ("1e-1000", "-2000000")]:
        add("Fpower", a, b, mpmath.power(x(a), x(b)))
    add("Alog", "-25", "", mpmath.power(10, -25))
    add("Alog", "123.456", "", mpmath.power(10, x("123.456")))
    for a in ["100", "-7", "1e-2000000000", "123456789.123", "1e11"]:
        add("Sin", a, "", mpmath.sin(x(a)))
    for a in ["33", "-7", "1e-2000000000", "123456789.123"]:
        add("Cos", a, "", mpmath.cos(x(a)))
    for a in ["100", "1e11", "-7"]:
        add("Tan", a, "", mpmath.tan(x(a)))
    add("Sin", "1e3000", "", TOO_LARGE)
    # Near 1.
    nn = nines(n)
    for a in ["0.999999999999", "1.0000000001", nn]:
        add("Ln", a, "", mpmath.log(x(a)))
        add("Log", a, "", mpmath.log10(x(a)))
    add("Afpower", "2", "1.0000000001", mpmath.log(x("1.0000000001")) / mpmath.log(2))
    add("Afpower", "1e2000000000", "1.001", mpmath.log(x("1.001")) / mpmath.log(x("1e2000000000")))
    # Both sides of the bounds that choose a route (see func_routes_test.cpp).
    for a in EXP_SIDES[n]:
        add("Aln", a, "", mpmath.exp(x(a)))
    for a in SIN_SIDES[n]:
        add("Sin", a, "", mpmath.sin(x(a)))
    for a in COS_SIDES[n]:
        add("Cos", a, "", mpmath.cos(x(a)))
    for a in near_one(n):
        add("Ln", a, "", mpmath.log(x(a)))
    add("Afpower", "1e433", "7", mpmath.log(7) / mpmath.log(x("1e433")))
    add("Afpower", "1e435", "7", mpmath.log(7) / mpmath.log(x("1e435")))
    add("Factorial", "999", "", mpmath.factorial(999))
    add("Factorial", "1000", "", mpmath.factorial(1000))
    # Factorials past the truncation of 9 limbs.
    for m in [2815, 999999]:
        add("Factorial", str(m), "", mpmath.factorial(m))
    return [(mth, a, b, v if isinstance(v, str) else cut(v)) for mth, a, b, v in out]


def main():
    print("// Generated by tests/data/gen_route_oracle.py (mpmath); do not edit.")
    print("// Values cut, not rounded, after 320 significant digits; \"!message\"")
    print("// is the report the call gives, with the result 0.")
    print("#ifndef KELVANE_TESTS_ROUTE_ORACLE_H")
    print("#define KELVANE_TESTS_ROUTE_ORACLE_H")
    print()
    print("struct RouteOracle {")
    print("    int n;              // precision in limbs")
    print("    const char* method;")
    print("    const char* a;")
    print("    const char* b;      // second argument or root index; \"\" if none")
    print("    const char* value;")
    print("};")
    print()
    print("static const RouteOracle kRouteOracle[] = {")
    for n in PRECISIONS:
        for mth, a, b, v in cases(n):
            print('    {%d, "%s", "%s", "%s",' % (n, mth, a, b))
            parts = [v[i:i + 70] for i in range(0, len(v), 70)]
            for p in parts[:-1]:
                print('     "%s"' % p)
            print('     "%s"},' % parts[-1])
    for n, mth, a, b in EDGES:
        v = cut(edge_value(mth, a, b))
        print('    {%d, "%s", "%s", "%s",' % (n, mth, a, b))
        parts = [v[i:i + 70] for i in range(0, len(v), 70)]
        for p in parts[:-1]:
            print('     "%s"' % p)
        print('     "%s"},' % parts[-1])
    print("};")
    print()
    print("// The plain series' values for the bound counted from their cuts,")
    print("// cut after 120 significant digits.")
    print("struct CountedOracle {")
    print("    const char* series;  // exp, sin, cos or ln")
    print("    const char* a;")
    print("    const char* value;")
    print("};")
    print()
    print("static const CountedOracle kCountedOracle[] = {")
    for mth, a in COUNTED:
        x = mpf(a)
        v = {"exp": mpmath.exp, "sin": mpmath.sin, "cos": mpmath.cos, "ln": mpmath.log}[mth](x)
        print('    {"%s", "%s", "%s"},' % (mth, a, cut(v, 120)))
    print("};")
    print()
    mp.dps = 1300
    v = cut(1 / mpmath.log(10), 1250)
    print("// 1 / ln 10, cut after 1250 significant digits.")
    print("static const char kLog10E[] =")
    for i in range(0, len(v), 70):
        print('    "%s"' % v[i:i + 70])
    print("    ;")
    print()
    print("#endif")


main()

#!/usr/bin/env python3
"""Writes exact_func.txt: hard cases for ExactFunc with their true values.

Each line: method nlimbs x y truth. x and y are given with at most the
4(h + 1) significant digits a number of nlimbs limbs holds (h = nlimbs/2 - 2),
so the number reads them exactly; "-" marks an unused argument (Iroot's y is
its root index). The truth is the true value to 40 digits beyond the result's
(mpmath), or exact. Many arguments are cut points of the result moved by one
unit: ln 2 as held gives e^x just below 2, one unit more just above it. Run
once; the output is committed.
"""
from mpmath import mp, mpf, log, exp, log10, sqrt, root, nstr, floor, factorial, e as E_CONST, phi

out = []


def digits(n):
    return 4 * (n // 2 - 1)


def held(v, D):
    """v cut toward zero to D significant digits, as text."""
    if v == 0:
        return "0"
    s = "-" if v < 0 else ""
    v = abs(v)
    k = int(floor(log10(v)))
    m = int(floor(v * mpf(10) ** (D - 1 - k)))
    if m >= 10 ** D:
        m //= 10
        k += 1
    if m < 10 ** (D - 1):
        m = int(floor(v * mpf(10) ** (D - k)))
        k -= 1
    return f"{s}{m}e{k - D + 1}"


def plus_ulp(text):
    """The held number one unit in its last digit further from zero."""
    m, e = text.split("e")
    neg = m.startswith("-")
    m = int(m.lstrip("-")) + 1
    return f"{'-' if neg else ''}{m}e{e}"


def val(text):
    return mpf(text)


def truth(v, D):
    if abs(v) < mpf(10) ** (D + 30) and v == int(v):
        return str(int(v))
    return nstr(v, D + 40, min_fixed=1, max_fixed=0, strip_zeros=False)


def add(method, n, x, y, f):
    D = digits(n)
    # Binary floats hold the decimal arguments only approximately: work far
    # beyond the digits wanted, so that neither that nor a result close to a
    # cut point (or far below 1 next to an argument near 1) costs a digit.
    mp.dps = 2 * D + 400
    t = f(val(x) if x != "-" else None, val(y) if y not in ("-",) else None)
    out.append(f"{method} {n} {x} {y} {truth(t, D)}")


def square_cut_rows(n, D):
    # c^2 for c of D/2 digits is held exactly: its root is c; one unit of
    # x more or less puts the root just above c or just below it.
    c = held(sqrt(2), D // 2)
    m, e = c.split("e")
    sq = f"{int(m) ** 2}e{2 * int(e)}"
    m2, e2 = sq.split("e")
    for x in [sq, plus_ulp(sq), f"{int(m2) - 1}e{e2}"]:
        add("Iroot", n, x, "2", lambda a, b: sqrt(a))


def cases(n):
    D = digits(n)
    mp.dps = D + 80
    h = lambda v: held(v, D)
    l2 = h(log(2))
    for x in [l2, plus_ulp(l2), h(log(10)), plus_ulp(h(log(10))), "5e-31", "-5e-31", "1005e-1", "-70025e-2",
              h(-log(3)), "1", "-1", h(1000 * log(10))]:
        add("Aln", n, x, "-", lambda a, b: exp(a))
    for x in ["2", "10", "5e-1", h(E_CONST), plus_ulp(h(E_CONST)), "1" + "0" * (D - 2) + "1e-" + str(D - 1),
              "9" * D + "e-" + str(D), "1e300", "1e-300", "12345678e-3", "3e100000000"]:
        add("Ln", n, x, "-", lambda a, b: log(a))
    for x in ["1000", plus_ulp("1000" + "0" * (D - 4) + "e-" + str(D - 4)), "9" * D + "e-" + str(D - 3), "2",
              "1e-5", h(sqrt(10))]:
        add("Log", n, x, "-", lambda a, b: log10(a))
    ln10 = h(log(10))
    for x in [ln10, plus_ulp(ln10), "2", "-5"]:
        add("LntoLog", n, x, "-", lambda a, b: a / log(10))
    l3 = h(log10(3))
    for x in [l3, plus_ulp(l3), "25e-1", "-5e-1", "100025e-2", "2"]:
        add("Alog", n, x, "-", lambda a, b: mpf(10) ** a)
    lg3 = h(log(3) / log(2))
    for x, y in [("2", lg3), ("2", plus_ulp(lg3)), ("4", "5e-1"), ("121e-2", "5e-1"), ("2", "1000"),
                 ("5e-1", "-3"), ("10", "3e-1"), ("3", "1e-30"), ("7", "-25e-1"), ("1e-300", "-1e-1"),
                 ("125e-3", "-5"), ("16", "-7"), ("25e-1", "-9"), ("12", "-2"), ("3", "-7"), ("11", "13"),
                 ("2", "-100")]:
        add("Fpower", n, x, y, lambda a, b: a ** b)
    for x, y in [("2", "8"), ("2", "3"), ("3", "7"), ("15e-1", "225e-2"), ("4", "8"), ("8", "4"),
                 ("10", h(mpf(10) ** mpf(1.5))), ("2", "1e-300")]:
        add("Afpower", n, x, y, lambda a, b: log(b) / log(a))
    for x, k in [("2", 2), ("3", 3), (plus_ulp(h(mpf(49))), 2), ("1e-300", 3), ("-8", 3),
                 ("2", 100), ("1" + "0" * (D - 2) + "1e-" + str(D - 1), 5), ("10", 7), ("-1e-7", 7)]:
        add("Iroot", n, x, str(k), lambda a, b: (-1 if a < 0 else 1) * root(abs(a), int(b)))
    square_cut_rows(n, D)
    add("e", n, "-", "-", lambda a, b: +E_CONST)
    add("PHI", n, "-", "-", lambda a, b: +phi)
    for x in ["10", "259e-1", "100", "170", "1000", "100001", "123456789"]:
        add("Factorial", n, x, "-", lambda a, b: factorial(int(a)))


for n in (9, 20, 130):
    cases(n)

# A few at 1,000 limbs: cut points moved by one unit, exact and plain values.
n = 1000
D = digits(n)
mp.dps = D + 80
l2 = held(log(2), D)
add("Aln", n, plus_ulp(l2), "-", lambda a, b: exp(a))
add("Ln", n, "2", "-", lambda a, b: log(a))
add("Fpower", n, "2", held(log(3) / log(2), D), lambda a, b: a ** b)
add("Iroot", n, "2", "2", lambda a, b: sqrt(a))
add("Log", n, "7", "-", lambda a, b: log10(a))
add("e", n, "-", "-", lambda a, b: +E_CONST)

# At 500 limbs (the exponential's lower-precision blocks and the binary
# splitting of short arguments, the logarithm's estimate from a quarter of
# the limbs): cut points, short arguments of both signs that need halvings,
# and arguments whose logarithm is tiny; near 1 also at 130 limbs.
n = 500
D = digits(n)
mp.dps = D + 80
l2 = held(log(2), D)
for x in [l2, plus_ulp(l2), held(-log(3), D), "5e-1", "-50", "1", "-1234567e-3", "9999", "-125e-4",
          "123456789012345678e-17"]:
    add("Aln", n, x, "-", lambda a, b: exp(a))
for n in (130, 500):
    D = digits(n)
    mp.dps = D + 80
    for x in ["999999999999e-12", "1000000000001e-12", "1" + "0" * 39 + "1e-40", "9" * 45 + "e-45", "3", "3162e-3",
              "3163e-3", held(sqrt(10) / 10, D)]:
        add("Ln", n, x, "-", lambda a, b: log(a))
    add("Log", n, "999999999999e-12", "-", lambda a, b: log10(a))
    for x, y in [("1000000001e-9", "1e-" + str(D - 10)), ("10000000000001e-13", "3"), ("2", "-100"),
                 ("9999999999e-10", "123456789")]:
        add("Fpower", n, x, y, lambda a, b: a ** b)
    add("Afpower", n, "2", "1000000000001e-12", lambda a, b: log(b) / log(a))
n = 1000
D = digits(n)
mp.dps = D + 80
add("Aln", n, "5e-1", "-", lambda a, b: exp(a))
add("Aln", n, "-50", "-", lambda a, b: exp(a))

# Roots of high order (Newton on balls up to 64, exp and ln above), where a
# quotient cut at the dividend's last limb once kept Newton's steps wide and
# left the loop's undecided midpoint (Iroot(0.5, 50) at 12 limbs gave 1.19...).
for n in (9, 12, 20):
    D = digits(n)
    mp.dps = D + 80
    for x, k in [("5e-1", 50), ("9e-1", 50), (held(mpf(1) / 3, D), 30), ("5e-1", 64), ("7e-1", 45), ("5e-1", 65),
                 ("123456e-3", 33), ("-2", 31)]:
        add("Iroot", n, x, str(k), lambda a, b: (-1 if a < 0 else 1) * root(abs(a), int(b)))
# Cube roots at cut points: c^3 for c of D/3 digits is held exactly, and one
# unit of x either side puts the root just above or just below c.
for n in (20, 130, 1000):
    D = digits(n)
    mp.dps = D + 80
    c = held(mpf(2) ** (mpf(1) / 3), D // 3)
    m, e = c.split("e")
    cube = f"{int(m) ** 3}e{3 * int(e)}"
    m3, e3 = cube.split("e")
    for x in [cube, plus_ulp(cube), f"{int(m3) - 1}e{e3}"]:
        add("Iroot", n, x, "3", lambda a, b: root(a, 3))
# Square roots at cut points where the root is divided and conquered above
# the digit-by-digit root and its top level is decided without the remainder.
for n in (500, 1000):
    D = digits(n)
    mp.dps = D + 80
    square_cut_rows(n, D)

# Logarithms at precisions around 12 and 200 limbs, where the estimate's
# routes changed before the lattice took every precision up to 300 limbs,
# and at the ends of the mantissa's range [0.3, 3.2], where the remainder
# series is longest; exponentials and powers on both sides of 2 ln 10, below
# which the halvings take the argument without a multiple of ln 10.
for n in (10, 11, 199, 200, 201, 202):
    D = digits(n)
    mp.dps = D + 80
    for x in ["3e-1", "32e-1", held(sqrt(10), D), held(sqrt(10) / 10, D), "7", "999999e-6", held(E_CONST, D)]:
        add("Ln", n, x, "-", lambda a, b: log(a))
for n in (10, 130, 201):
    D = digits(n)
    mp.dps = D + 80
    for x in ["459e-2", "461e-2", "-46e-1", held(2 * log(10), D), plus_ulp(held(2 * log(10), D)), "12e-1", "-3"]:
        add("Aln", n, x, "-", lambda a, b: exp(a))
    for x, y in [("3", "41e-1"), ("3", "42e-1"), ("3", "15e-1"), ("2", "-66e-1"), (held(sqrt(3), D), "5")]:
        add("Fpower", n, x, y, lambda a, b: a ** b)
    add("Afpower", n, "3", held(sqrt(3), D), lambda a, b: log(b) / log(a))

# Up to 300 limbs a logarithm reduces by the nearest point 2^a 3^b 5^c of a
# lattice: arguments that are such points (the remainder exactly 0), one unit
# off them, far into the lattice (3^20, 5^-20), and halfway between two
# neighbouring points, where the remainder series is longest; at 300 and 301
# limbs either side of the route's end.
for n in (9, 20, 130, 300, 301):
    D = digits(n)
    mp.dps = D + 80
    pts = ["12e-1", "225e-2", "48e-2", "81e-2", "1024e-3", "3", "15"]
    mid = held(mp.sqrt(mpf("1.2") * mpf("1.2") * (1 + mpf("2.1e-4"))), D)
    for x in pts + [plus_ulp(held(mpf("1.2"), D)), "3486784401", "1048576e-20", mid, held(mpf(1) / 7, D)]:
        add("Ln", n, x, "-", lambda a, b: log(a))

with open("exact_func.txt", "w") as f:
    f.write("# method nlimbs x y truth (generated by gen_exact_func.py with mpmath)\n")
    f.write("\n".join(out) + "\n")

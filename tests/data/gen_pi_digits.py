#!/usr/bin/env python3
"""Prints "3." and the first 1002 decimal places of pi, truncated (1004 chars).

Independent of the library: Machin's formula pi = 16 atan(1/5) - 4 atan(1/239)
summed in Python's decimal module with 40 guard digits. The truncation is
safe because the guard digits after place 1002 are neither all 0 nor all 9
(checked below), so no error within the guard range can move a kept digit.
Used by tests/func_const_test.cpp to check PI_DIGITS.
"""
from decimal import Decimal, getcontext

PLACES = 1002
GUARD = 40


def atan_inv(n):
    """atan(1/n) by its Taylor series, at the current context precision."""
    x = Decimal(1) / n
    x2 = x * x
    term, total, k = x, x, 1
    eps = Decimal(10) ** -(getcontext().prec + 2)
    while abs(term) > eps:
        term *= -x2
        total += term / (2 * k + 1)
        k += 1
    return total


def pi_text(places=PLACES):
    getcontext().prec = places + GUARD
    pi = 16 * atan_inv(5) - 4 * atan_inv(239)
    digits = str(pi)  # "3.14159..."
    guard = digits[2 + places:2 + places + GUARD // 2]
    assert guard.strip("0") and guard.strip("9"), "guard digits too close to a boundary"
    return digits[:2 + places]


if __name__ == "__main__":
    print(pi_text())

// kvcalc: exact rational numbers n / d over KVnum.
//
// n and d are exact decimals (a KVnum of whatever precision holds all their
// digits), d > 0; a decimal has d = 1. A quotient that is a terminating
// decimal is brought to that form, so 1/4 is 0.25 and 3/3 is 1. Nothing is
// reduced by common factors: sizes stay small for the lines people type, and
// an operation whose result would pass kMaxExactDigits reports that it cannot
// stay exact (the caller goes on with balls).
#ifndef KVCALC_EXACT_H
#define KVCALC_EXACT_H

#include <optional>
#include <string>

#include "Ball.h"

namespace kvcalc {

const int64_t kMaxExactDigits = 100000;

struct Rat {
    KVnum n{10};
    KVnum d{10};
    bool unit = true;  // d == 1

    Rat() { d = 1; }
    Rat(const Rat& o) = default;
    Rat& operator=(const Rat& o) {
        assign(n, o.n);
        assign(d, o.d);
        unit = o.unit;
        return *this;
    }
    static Rat of(const KVnum& x);
    static Rat of(long long v);
    /// The exact value of decimal text (digits, point, exponent).
    static std::optional<Rat> parse(const std::string& text);
    /// The exact value of a number written in radix r (digits 0-9, A-Z, one point).
    static std::optional<Rat> parseRadix(const std::string& text, int r);

    int sign() const { return n.IsZero() ? 0 : (n.Minus() ? -1 : 1); }
    bool isZero() const { return n.IsZero(); }
    bool isInteger() const;
    bool isOne() const;
    /// Digits held by the numerator and denominator together.
    int64_t size() const { return sigDigits(n) + (unit ? 0 : sigDigits(d)); }
    /// The value as a ball of about W limbs.
    Ball ball(int W) const;
    /// The value as a native integer when it is an integer of magnitude below 10^18.
    std::optional<long long> toInt() const;
    /// For an integer: whether it is odd.
    bool odd() const;
};

std::optional<Rat> add(const Rat& a, const Rat& b);
std::optional<Rat> sub(const Rat& a, const Rat& b);
std::optional<Rat> mul(const Rat& a, const Rat& b);
/// Throws CalcError "Division by zero" for b = 0.
std::optional<Rat> div(const Rat& a, const Rat& b);
Rat neg(const Rat& a);
int cmp(const Rat& a, const Rat& b);
/// Integer part toward zero, floor and ceiling.
Rat trunc(const Rat& a);
Rat floor(const Rat& a);
Rat ceil(const Rat& a);
/// a^k for an integer k (a != 0 when k < 0).
std::optional<Rat> powInt(const Rat& a, long long k);
/// The n-th root of a when it is exact (a >= 0, or odd n), else nothing.
std::optional<Rat> rootExact(const Rat& a, long long n);
/// The result of an operation above that must be held: CalcError "Number too
/// long" when it could not be.
Rat held(const std::optional<Rat>& r);

/// floor(N / D) for integers N >= 0, D > 0.
KVnum intDiv(const KVnum& N, const KVnum& D);
/// |x| truncated to a multiple of 10^e (toward zero), exactly.
KVnum truncMag(const KVnum& x, int64_t e);

}  // namespace kvcalc

#endif

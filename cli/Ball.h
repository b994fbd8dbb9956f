// kvcalc: balls, a midpoint KVnum and an upper bound on its error.
//
// A ball (m, r) stands for one real number t with |t - m| <= r. Every
// operation below returns a ball that contains the true result of the
// operation on any numbers of its operands' balls: the truncation of the
// midpoint's arithmetic (one unit of the result's last limb, counted twice
// for safety) is added to the radius. The radius is a Mag, a short
// floating-point upper bound that is only ever rounded up.
//
// Nothing here guesses: a question that a ball cannot answer yet (is it
// positive? is it below 1?) throws NeedPrecision, and the caller evaluates
// the whole line again with more digits.
#ifndef KVCALC_BALL_H
#define KVCALC_BALL_H

#include <cstdint>
#include <string>

#include <kelvane/KVnum.h>
#include "Num.h"

namespace kvcalc {

/// Thrown when a ball is too wide to decide something; `digits` estimates how
/// many more digits of working precision would settle it (0: unknown).
struct NeedPrecision {
    int64_t digits = 0;
};

/// Polls the interrupt flag (Ctrl-C); throws CalcError "Interrupted" when set.
void poll();
/// Set by the SIGINT handler while a line is computed.
extern volatile int g_interrupted;

/// Upper bound of a magnitude: m x 10^e with 1 <= m < 10, or zero (m = 0).
struct Mag {
    double m = 0;
    int64_t e = 0;

    static Mag pow10(int64_t e) { return Mag{1.0, e}; }
    static Mag of(double v);  ///< an upper bound of |v|
    bool isZero() const { return m == 0; }
    /// log10 of the bound (huge negative for zero).
    double log10() const;
};

Mag operator+(const Mag& a, const Mag& b);
Mag operator*(const Mag& a, const Mag& b);
/// An upper bound of a / b, for a lower bound b > 0.
Mag divUp(const Mag& a, const Mag& b);
/// -1, 0, 1 comparing the two bounds as numbers.
int cmp(const Mag& a, const Mag& b);

/// Upper and lower bounds of |x|.
Mag magUpper(const KVnum& x);
Mag magLower(const KVnum& x);
/// A lower bound of b - a for bounds a <= b (0 when that is not positive).
Mag subDown(const Mag& b, const Mag& a);
/// A number >= the bound, with a few digits, at `limbs` limbs.
KVnum toKV(const Mag& m, int limbs);

/// Significant digits of x, from its first to its last non-zero digit.
int64_t sigDigits(const KVnum& x);
/// Exponent of the last non-zero digit of a non-zero x.
int64_t lowExp(const KVnum& x);
/// Precision in limbs that holds `digits` significant digits wherever they
/// fall against the limb boundaries.
int limbsExact(int64_t digits);
/// a + b, a - b, a * b with every digit kept (the result's precision is
/// chosen to hold them).
KVnum exactAdd(const KVnum& a, const KVnum& b);
KVnum exactSub(const KVnum& a, const KVnum& b);
KVnum exactMul(const KVnum& a, const KVnum& b);
/// -1, 0, 1 for a < b, a = b, a > b, exactly.
int exactCmp(const KVnum& a, const KVnum& b);
/// x at `limbs` limbs and whether any digit was lost.
KVnum cutTo(const KVnum& x, int limbs, bool& lost);
/// x * 10^k, exactly (k a multiple of 4 moves only the exponent).
KVnum shift10(const KVnum& x, int64_t k);

struct Ball {
    KVnum mid;
    Mag rad;

    Ball() : mid(10) {}
    Ball(const KVnum& m, const Mag& r) : mid(m), rad(r) {}
    Ball(const Ball& o) = default;
    Ball& operator=(const Ball& o) {
        assign(mid, o.mid);
        rad = o.rad;
        return *this;
    }

    int limbs() const { return mid.Nlimbs(); }
    bool exact() const { return rad.isZero(); }
    /// 1 or -1 when every point of the ball has that sign, 0 for the exact
    /// zero; throws NeedPrecision when the ball holds zero and more.
    int sign() const;
    /// Whether the ball holds zero (without throwing).
    bool hasZero() const;
    /// Upper bound of every |t| in the ball; lower bound (0 if it holds zero).
    Mag upper() const { return magUpper(mid) + rad; }
    Mag lower() const;
    /// The interval's ends as exact numbers.
    KVnum lo() const;
    KVnum hi() const;
};

/// A ball from an exact number: the number itself cut to `limbs` limbs.
Ball ballOf(const KVnum& x, int limbs);
Ball ballOf(long long v, int limbs);

Ball add(const Ball& a, const Ball& b);
Ball sub(const Ball& a, const Ball& b);
Ball mul(const Ball& a, const Ball& b);
/// Throws NeedPrecision when b may be zero (CalcError when it is exactly 0).
Ball div(const Ball& a, const Ball& b);
Ball neg(const Ball& a);
Ball absb(const Ball& a);
/// a times or divided by a small integer.
Ball mulSmall(const Ball& a, long long k);
Ball divSmall(const Ball& a, long long k);
/// a * 2^k for any integer k (exact decimal factors, then cut).
Ball mulPow2(const Ball& a, int k);
/// a^n for an integer n >= 0 by squaring.
Ball powInt(const Ball& a, unsigned long long n);
/// Widens the radius by r.
Ball widen(const Ball& a, const Mag& r);
/// The ball at another precision (cut or padded).
Ball recast(const Ball& a, int limbs);

}  // namespace kvcalc

#endif

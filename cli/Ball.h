// kvcalc: the exact tier's balls (exact/Ball.h), with kvcalc's answers to
// what a ball cannot say.
//
// The arithmetic is kvexact::Ball's: a midpoint KVnum and a proven radius,
// every truncation counted. This layer adds what the calculator needs on top:
//  - operands of two precisions meet at the larger one;
//  - a question that a ball cannot answer yet (does the divisor hold 0? is it
//    positive?) throws NeedPrecision, and the caller evaluates the whole line
//    again with more digits; a ball the exact tier marks unbounded does too;
//  - a value proven beyond KVnum's exponent range ends the line with
//    "Exponent out of range.";
//  - every operation polls the Ctrl-C flag;
//  - the ends of a ball as exact numbers, for the output decision.
#ifndef KVCALC_BALL_H
#define KVCALC_BALL_H

#include <cstdint>

#include <kelvane/KVnum.h>
#include "Num.h"
#include "exact/Ball.h"

namespace kvcalc {

using kvexact::Ball;
using kvexact::Mag;

/// Thrown when a ball is too wide to decide something; `digits` estimates how
/// many more digits of working precision would settle it (0: unknown).
struct NeedPrecision {
    int64_t digits = 0;
};

/// Polls the interrupt flag (Ctrl-C); throws CalcError "Interrupted" when set.
void poll();
/// Set by the SIGINT handler while a line is computed.
extern volatile int g_interrupted;

/// The ball as it is, or NeedPrecision when it is unbounded and CalcError
/// "Exponent out of range." when it is out of range. Given the report count
/// from before the ball was computed, a report the library made meanwhile
/// (a number operation past its limits that no ball marked) ends the line
/// with its message.
const Ball& checked(const Ball& b, long seen = -1);

/// 1 or -1 when every point of the ball has that sign, 0 for the exact zero;
/// throws NeedPrecision when the ball holds zero and more.
int signOf(const Ball& b);
/// Whether the ball holds zero (without throwing).
bool hasZero(const Ball& b);
/// The interval's ends as exact numbers.
KVnum loOf(const Ball& b);
KVnum hiOf(const Ball& b);

/// A ball from an exact number: the number itself cut to `limbs` limbs.
Ball ballOf(const KVnum& x, int limbs);
/// An integer, always exact.
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
/// a * 2^k (an exact factor, then cut).
Ball mulPow2(const Ball& a, int k);
/// a^n for an integer n >= 0 by squaring.
Ball powInt(const Ball& a, unsigned long long n);
/// Widens the radius by r.
Ball widen(Ball a, const Mag& r);
/// The ball at another precision (cut or padded).
inline Ball recast(const Ball& a, int limbs) { return a.prec() == limbs ? a : a.at(limbs); }
/// The ball at W limbs when it has fewer (as it is otherwise).
inline Ball atLeast(const Ball& a, int W) { return a.prec() >= W ? a : a.at(W); }

}  // namespace kvcalc

#endif

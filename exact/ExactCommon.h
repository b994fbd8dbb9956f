// Shared steps of ExactFunc's methods. Internal header, never installed.
#ifndef KELVANE_EXACT_COMMON_H
#define KELVANE_EXACT_COMMON_H

#include <cmath>
#include <cstdint>
#include <optional>

#include <kelvane/KVnum.h>

#include "exact/Ball.h"

namespace kvexact {

// The argument as the object holds it: cut to n limbs when it has more (as
// KVnum's operations cut an operand), widened exactly when it has fewer.
KVnum argAt(const KVnum* x, int n);

// The same without the copy when x already has n limbs and is not res (which
// the method overwrites): x itself, or the copy made in `store`.
const KVnum& argIn(const KVnum* x, int n, const KVnum& res, std::optional<KVnum>& store);

// Stores the outcome of a Ziv evaluation in res: a value out of the exponent
// range is reported ("Exponent out of range.") and leaves 0.
KVnum* finish(Outcome o, KVnum& res);

// The Ziv loop for f at the argument balls, with an optional exact-case hook.
KVnum* evaluate(KVnum& res, const Evaluator& f, const ExactHook& exact = nullptr);

// x = v / 10^k for integers v and k >= 0 taken from x's digits, when v fits
// in an int64 after the fraction p/q = v/10^k is reduced: p and q (q >= 1).
// False when they do not fit.
bool asFraction(const KVnum& x, int64_t& p, int64_t& q);

// True when x is an integer; its value in v when it fits an int64.
bool isInteger(const KVnum& x, bool& fits, int64_t& v);

// e^t for a t so small that 1 + t is not representable at res's precision
// (|t| < 10^-(4h + 8)): e^t lies strictly between 1 and its neighbour on t's
// side, so the truncated value is 1 (t > 0) or the largest number below 1
// (t < 0). Sets res and returns true in that case (t's sign decided), false
// otherwise. A ball would never show which side of 1 such a value is on.
bool expNearOne(const Ball& t, KVnum& res);

// ln |Gamma(x)| without the global sign variable std::lgamma writes (which
// makes it unsafe on several threads at once).
inline double lgammaSafe(double x) {
    int sign;
    return ::lgamma_r(x, &sign);
}

// Exact comparisons of a number with a small integer (-1, 0, 1).
int cmpInt(const KVnum& x, int64_t v);

}  // namespace kvexact

#endif

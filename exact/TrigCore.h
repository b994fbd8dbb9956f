// The exact tier's circular functions: shared internals of Pi.cpp, Trig.cpp
// and InverseTrig.cpp.
//
// Internal header, never installed. Values are fixed-point naturals: a Nat X
// at scale W stands for X 10^-W. An approximation carries an error bound in
// units of its last place (a double, rounded up generously): |value - X| <
// err. A result is finished from strict bounds lo < |t| < hi by cutting both
// to the number format; when the two cuts differ the caller evaluates again
// with more guard digits.
#ifndef KELVANE_EXACT_TRIGCORE_H
#define KELVANE_EXACT_TRIGCORE_H

#include <cassert>
#include <cstdint>

#include <kelvane/KVnum.h>

#include "exact/Nat.h"

namespace kvtrig {

// pi 10^D to within 2 units (|pi 10^D - A| < 2), from a cache shared by all
// threads that grows when a caller asks for more places.
Nat piScaled(int64_t D);

// An approximation X 10^-W of a non-negative value, within err units.
struct Approx {
    Nat x;
    double err = 0;
};

// Strict bounds lo 10^-s < |t| < hi 10^-s on a result t of sign neg.
struct Bounds {
    Nat lo, hi;
    int64_t s = 0;
    bool neg = false;
};

// Bounds from an approximation of |t| at scale W.
Bounds boundsOf(const Approx& a, int64_t W, bool neg);

// The argument as integer and exponent: |x| = m 10^e.
struct Arg {
    Nat m;
    int64_t e = 0;
    bool neg = false;
    bool zero() const { return m.isZero(); }
    // The decimal exponent of the leading digit (floor(log10 |x|)).
    int64_t msd() const { return m.digits() - 1 + e; }
};
Arg argOf(const KVnum& x);
// The argument as the caller's result number holds it (cut to its precision).
Arg heldArg(const KVnum& x, const KVnum* res);
// floor(|x| 10^W) and whether that cut dropped anything.
Nat fixedOf(const Arg& x, int64_t W, bool* inexact);

// Cuts t to the number format of `res` (head limb at nlimbs/2 - 2, exponent
// of limb 0 a multiple of 4) when both bounds cut to the same number, and
// stores it; false when they do not.
bool finish(const Bounds& b, KVnum* res);

// Ziv's loop around `eval(guard, bounds)`: evaluates with more guard digits
// until the bounds decide the cut. `eval` returns false when its bounds are
// known to be too wide before finishing (no need to try the cut).
template <class F>
void settle(KVnum* res, F eval) {
    int64_t guard = 12;
    const int64_t digits = 2 * static_cast<int64_t>(res->Nlimbs());
    for (;;) {
        Bounds b;
        if (eval(guard, b) && finish(b, res)) return;
        // The last step past this cap is taken whatever the bounds say: a
        // value closer than 10^-(8 d + 4000) to a cut (d the digits kept) has
        // never been met and would take longer than any caller waits.
        if (guard > 8 * digits + 4000) {
            // Not proven: builds that check contracts (KELVANE_ASSERTS)
            // stop here.
            assert(!"precision cap reached: the result is not proven");
            b.hi = b.lo;
            addSmall(b.hi, 1);
            if (!finish(b, res)) *res = 0;
            return;
        }
        guard = guard * 2 + 16;
    }
}

// sin and cos of r = R 10^-W (taken as exact), 0 <= r <= 0.8, at scale W.
// needSin/needCos skip what is not wanted. Absolute errors; for a relative
// result the caller puts the leading zeros of r into W.
void sinCos(const Nat& R, int64_t W, bool needSin, bool needCos, Approx* sinr, Approx* cosr);

// arctan w for w = X 10^-W (taken as exact), 0 <= w <= 1, at scale W.
Approx atanFixed(const Nat& X, int64_t W);

// Subtraction that gives 0 instead of underflowing (for bounds).
inline Nat subSat(const Nat& a, const Nat& b) { return a < b ? Nat() : sub(a, b); }
// A finite error bound in units as a natural above it (rounded up, plus
// one); callers deal with an infinite bound themselves.
Nat errUnits(double err);

}  // namespace kvtrig

#endif

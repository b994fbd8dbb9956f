// The number operations that the library's own layers above number/ (the
// function objects) use and callers do not. Internal: never installed.
//
// KVnum keeps its fields and helpers private; this is the one door through
// which the rest of the library reaches the few that it needs.
#ifndef KELVANE_NUMBER_INTERNAL_H
#define KELVANE_NUMBER_INTERNAL_H

#include <kelvane/KVnum.h>

#include <cstdint>

#include "number/kernels.h"

struct KVnumInternal {
    // Gives an empty number a zeroed limb array of `n` limbs after the
    // precision policy (a count below 9 is replaced by PRECISION or 130);
    // does nothing to a number that has one.
    static void ensure(KVnum& x, int n) { x.Ensure(n); }

    // Cuts x to its integer part toward zero, in the form Intp gives, from
    // the limbs and without Intp's text: for temporaries, whose text nobody
    // reads and whose exponent may make that text enormous.
    static void wholePart(KVnum& x) { x.Whole(&x); }

    // Index of x's lowest non-zero limb (x non-zero), by the kernel's
    // word-at-a-time scan: a short value at a long precision sits on
    // hundreds of zero limbs.
    static int lowestLimb(const KVnum& x) { return kv::low_n(x.limbs, x.nlimbs); }

    // Sets x, at its own precision, to -L 10^e (neg) or L 10^e, L the
    // integer of the h + 1 limbs d[0..h] (least significant first, d[h] != 0,
    // h = HeadIndex of x's precision): the normal form written directly,
    // for results whose digits are already cut to the head limb. An exponent
    // outside the int range is reported ("Exponent out of range.") and
    // leaves 0, as the operations do.
    static void setHead(KVnum& x, const int32_t* d, int64_t e, bool neg) {
        x.Ensure(0);
        const int h = KVnum::HeadIndex(x.nlimbs);
        if (!x.PutExpo(&x, e)) return;
        kv::copy_n(x.limbs, d, h + 1);
        kv::zero_n(x.limbs + h + 1, x.nlimbs - h - 1);
        x.top = h;
        x.minus = neg;
    }

    // The same for a short integer: L the n limbs d[0..n) (1 <= n <= h + 1,
    // d[n - 1] != 0), placed at the head with zero limbs below it, so that
    // a caller need not spread its few limbs over a buffer of h + 1.
    static void setHeadShort(KVnum& x, const int32_t* d, int n, int64_t e, bool neg) {
        x.Ensure(0);
        const int h = KVnum::HeadIndex(x.nlimbs);
        const int below = h + 1 - n;
        if (!x.PutExpo(&x, e - 4 * static_cast<int64_t>(below))) return;
        kv::zero_n(x.limbs, below);
        kv::copy_n(x.limbs + below, d, n);
        kv::zero_n(x.limbs + h + 1, x.nlimbs - h - 1);
        x.top = h;
        x.minus = neg;
    }
};

#endif

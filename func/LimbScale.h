// Exact scaling by powers of 10000, for the Func methods. Internal header,
// never installed.
//
// Multiplying a number by 10000^k only moves its exponent: the product's
// mantissa is the number's own, so nothing is cut. Dividing by such a power
// is not exact, because a quotient is cut at the weight of the dividend's
// last limb (dividing by 10000 drops a limb, dividing by 10^300 can leave
// nothing at all). These helpers therefore only multiply, by 10000^(+-2^i)
// built by squaring, and take O(log k) steps for any k.
#ifndef KELVANE_LIMBSCALE_H
#define KELVANE_LIMBSCALE_H

#include <kelvane/KVnum.h>
#include "Scratch.h"

namespace kvfunc {

/// Multiplies v by 10000^-k; temporaries of n limbs (v's precision),
/// borrowed from sc.
void scaleByLimbs(Scratch& sc, KVnum& v, long long k, int n);

/// For a non-zero m of n limbs: multiplies m by the power 10000^-k that brings
/// its magnitude to 1 <= |m| < 10000, and returns k.
long long toLimbRange(Scratch& sc, KVnum& m, int n);

}  // namespace kvfunc

#endif

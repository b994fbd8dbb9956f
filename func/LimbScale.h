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

/// floor(log10 |x|) for a non-zero x, from its exponent and head limb.
long long order10(const KVnum& x);

/// |x| = lead * 10^order10(x) with 1 <= lead < 10, lead to about 19 digits,
/// for bounds and starting values (x non-zero).
long double leadingDigits(const KVnum& x);

/// log10 |x| to about 19 significant digits of its fraction part when the
/// order is small, and to long double precision overall (x non-zero).
long double log10Abs(const KVnum& x);

/// Multiplies v by 10000^k exactly, with at most a few products by powers
/// read from text (10000^j has a one-digit mantissa, so the product only
/// moves v's exponent). k may be anything: a product that leaves the exponent
/// range does so only when v * 10000^k does, and is reported once.
void mulPow10000(KVnum& v, long long k, KVnum& tmp);

/// a /= b with a quotient right to a's own precision whatever |b| is. The
/// quotient of /= is cut at the weight of the dividend's last limb, so for
/// |b| >= 1 it keeps fewer digits than the precision (none once |b| exceeds
/// the integer formed by a's limbs). Here both are first multiplied by the
/// same power of 10000 that brings b into [1e-4, 1). tmp holds a scratch
/// value of the same precision; b is not changed.
void divideFull(KVnum& a, const KVnum& b, KVnum& bs, KVnum& tmp);

}  // namespace kvfunc

#endif

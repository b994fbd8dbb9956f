// KVnum: division.
//
// The quotient is |R| / |D| truncated toward zero to a whole multiple of the
// weight of R's last limb (10^expo of the dividend in normal form), then cut
// to the working precision by Shift, again without rounding. It is computed
// directly by long division of the limb arrays, with only as many quotient
// limbs as survive the final cut.
//
// Write q = floor(MR * 10^s / MD), s = -expo(D), so the exact truncated
// quotient is q x 10^expo(R). If q has L limbs, Shift keeps its top h + 1
// limbs. Since floor(floor(a/b)/c) = floor(a/(bc)), dividing by 10000^k more
// up front gives the same top limbs; k is chosen one limb short of the least
// possible cut, so the quotient computed has at most h + 2 limbs and Shift
// makes the last cut exactly as it would on q itself.
#include <algorithm>

#include <kelvane/KVnum.h>
#include "kernels.h"
#include "opcount.h"

using kv::limb_t;

void KVnum::operator/=(const KVnum& x) {
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum tmp;
    const KVnum* y = Same(x, tmp);
    if (y->top < 0) reportFatal("Division by zero");
#ifdef KELVANE_COUNT_OPS
    {
        const int low = kv::low_n(y->limbs, y->top + 1);
        const int dn = y->top - low + 1;
        KV_COUNT(dn <= 2 ? kv::OP_DIV1 : kv::OP_DIV);
        KV_COUNT_SIZE(dn <= 2 ? kv::OP_DIV1 : kv::OP_DIV, dn);
    }
#endif
    if (top < 0) return;
    const bool sign = minus != y->minus;
    if (Cmpf(this, y) == 0) {
        *this = 1;
        minus = sign;
        return;
    }
    const int h = HeadIndex(nlimbs);
    // The leading digit of a divisor that compares equal to 1 is a units
    // digit, whichever of the two the comparison cuts; no other divisor needs
    // the comparison.
    if (static_cast<int64_t>(y->expo) + 4 * static_cast<int64_t>(y->top) + kv::limb_digits(y->limbs[y->top]) == 1) {
        // A divisor whose magnitude compares equal to the stored 1 leaves
        // the magnitude as it is.
        if (CmpOne(y) == 0) {
            minus = sign;
            return;
        }
    }

    // Divisor without its zero low limbs: dividing by D' x 10000^lv is
    // dividing the numerator's limbs above lv by D'.
    const int lv = kv::low_n(y->limbs, y->top + 1);
    const int dn = y->top - lv + 1;
    const limb_t* dv = y->limbs + lv;

    const int64_t dR = 4 * static_cast<int64_t>(top) + kv::limb_digits(limbs[top]);
    const int64_t dD = 4 * static_cast<int64_t>(y->top) + kv::limb_digits(y->limbs[y->top]);
    const int64_t s = -static_cast<int64_t>(y->expo);
    const int64_t Dq = dR - dD + s + 1;  // q has Dq - 1 or Dq digits
    if (Dq <= 0) {                       // q < 1: the quotient is zero
        Zero(this);
        return;
    }
    const int64_t k = std::max<int64_t>(0, (Dq - 4 * (h + 1) + 3) / 4 - 1);
    const int64_t z = s - 4 * k;  // numerator MR x 10^z, or MR / 10^-z

    // Numerator limbs: MR scaled by 10^z (z >= 0), or cut by 10^-z (z < 0).
    kv::LocalLimbs<256> numbuf;
    limb_t* num;
    int nn;
    if (z >= 0) {
        const int zl = static_cast<int>(z / 4), zr = static_cast<int>(z % 4);
        nn = top + 2 + zl;
        num = numbuf.get(kv::SLOT_WIDE, static_cast<size_t>(nn));
        kv::zero_n(num, zl);
        kv::scale_digits(num + zl, limbs, top + 1, zr);
    } else {
        nn = top + 1;
        num = numbuf.get(kv::SLOT_WIDE, static_cast<size_t>(nn));
        kv::trunc_digits(num, limbs, nn, -z);
    }
    // Drop the divisor's zero limbs from the numerator, then trim its top.
    if (lv >= nn) {
        nn = 0;
    } else {
        num += lv;
        nn -= lv;
    }
    while (nn > 0 && num[nn - 1] == 0) --nn;

    // The receiver's limbs above h are 0 (normal form); the quotient has at
    // most h + 2 limbs by the choice of k (its array one more, a leading
    // zero), and Shift makes the last cut. It is formed in the receiver's own
    // limbs: the numerator is a copy, and a divisor that is the receiver
    // itself returned above.
    int qn = 0;
    if (nn >= dn) {
        qn = nn - dn + 1;
        KV_COUNT_QUOT(dn <= 2 ? kv::OP_DIV1 : kv::OP_DIV, dn, qn);
        kv::divq(limbs, num, nn, dv, dn);
    }
    if (qn < h + 1) kv::zero_n(limbs + qn, h + 1 - qn);
    minus = sign;
    Shift(this, static_cast<int64_t>(expo) + 4 * k, qn > h + 1 ? qn : h + 1);
}

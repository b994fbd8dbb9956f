// KVnum: multiplication.
//
// The exact product of the two mantissas, the exponents added, the sign by
// exclusive or; Shift then cuts the double-length product back to h + 1
// limbs without rounding. Normal-form operands have at most h + 1 limbs each,
// so the product (at most 2h + 2 limbs) fits the array with room to spare.
#include <kelvane/KVnum.h>
#include "kernels.h"
#include "opcount.h"

using kv::limb_t;

void KVnum::operator*=(const KVnum& x) {
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum tmp;
    const KVnum* y = Same(x, tmp);
    if (top < 0 || y->top < 0) {
        KV_COUNT(kv::OP_MUL1);
        KV_COUNT_SIZE(kv::OP_MUL1, 1);
    }
    if (top < 0) return;
    if (y->top < 0) {
        Zero(this);
        return;
    }
    const bool sign = minus != y->minus;
    // Zero low limbs (small integers, 0.5, 2) contribute nothing: multiply
    // only the significant stretch of each operand and place the product.
    const int lu = kv::low_n(limbs, top + 1), lv = kv::low_n(y->limbs, y->top + 1);
    const int un = top - lu + 1, vn = y->top - lv + 1;
#ifdef KELVANE_COUNT_OPS
    {
        const bool one = un <= 2 || vn <= 2;
        KV_COUNT(one ? kv::OP_MUL1 : kv::OP_MUL);
        KV_COUNT_SIZE(one ? kv::OP_MUL1 : kv::OP_MUL, one ? (un > vn ? un : vn) : (un < vn ? un : vn));
    }
#endif
    const int h = HeadIndex(nlimbs);
    kv::LocalLimbs<256> wbuf;
    limb_t* w = wbuf.get(kv::SLOT_WIDE, static_cast<size_t>(un + vn));
    // The product has un + vn or un + vn - 1 limbs, and only its top h + 1
    // are kept: every limb from un + vn - 2 - h up. When that leaves enough
    // out, only those limbs are formed (mul_high: exactly the full product's,
    // or it declines and the full product is formed). w[0] holds limb `base`.
    int base = 0;
    const int keep = un + vn - 2 - h;
    if (keep >= 8 && un > 2 && vn > 2 && !kv::plainPaths() &&
        kv::mul_high(w, limbs + lu, un, y->limbs + lv, vn, keep))
        base = keep;
    else
        kv::mul(w, limbs + lu, un, y->limbs + lv, vn);  // reads both before writing
    // What Shift makes of the product placed at limb lu + lv: its top limb
    // wt moves to the head index h, the limbs below wt - h are dropped
    // without rounding, and zeros fill in below a short product.
    const int wt = w[un + vn - 1 - base] != 0 ? un + vn - 1 : un + vn - 2;
    const int from = wt - h;  // product limb that lands in limb 0
    const int lo = from < 0 ? -from : 0;
    kv::zero_n(limbs, lo);
    kv::copy_n(limbs + lo, w + from + lo - base, h + 1 - lo);
    // The receiver was in normal form, so its limbs above h are 0 already.
    top = h;
    minus = sign;
    PutExpo(this, static_cast<int64_t>(expo) + y->expo + 4 * static_cast<int64_t>(lu + lv + from));
}

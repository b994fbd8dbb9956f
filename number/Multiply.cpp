// KVnum: multiplication.
//
// The exact product of the two mantissas, the exponents added, the sign by
// exclusive or; Shift then cuts the double-length product back to h + 1
// limbs without rounding. Normal-form operands have at most h + 1 limbs each,
// so the product (at most 2h + 2 limbs) fits the array with room to spare.
#include "KVnum.h"
#include "kernels.h"

using kv::limb_t;

void KVnum::operator*=(const KVnum& x) {
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum tmp;
    const KVnum* y = Same(x, tmp);
    if (top < 0) return;
    if (y->top < 0) {
        Zero(this);
        return;
    }
    const bool sign = minus != y->minus;
    // Zero low limbs (small integers, 0.5, 2) contribute nothing: multiply
    // only the significant stretch of each operand and place the product.
    int lu = 0, lv = 0;
    while (limbs[lu] == 0) ++lu;
    while (y->limbs[lv] == 0) ++lv;
    const int un = top - lu + 1, vn = y->top - lv + 1;
    limb_t* w = kv::scratch(2, static_cast<size_t>(un + vn));
    kv::mul(w, limbs + lu, un, y->limbs + lv, vn);  // reads both before writing
    const int64_t e = static_cast<int64_t>(expo) + y->expo;
    kv::zero_n(limbs, nlimbs);
    kv::copy_n(limbs + lu + lv, w, un + vn);
    minus = sign;
    ShiftE(this, e);
}

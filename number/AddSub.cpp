// KVnum: addition and subtraction.
//
// Each signed operation reduces to a magnitude sum (Addf) or a difference of
// a larger and a smaller magnitude (Subf), chosen by the two signs and by
// Cmpf. Both align to the larger exponent first, cutting the operand with the
// smaller exponent, then work limb by limb and normalise,
// so a carry out of the head limb drops the lowest limb. Nothing rounds.
#include <kelvane/KVnum.h>
#include "kernels.h"
#include "opcount.h"

using kv::limb_t;

void KVnum::AddSubInto(KVnum* d, const KVnum* a, const KVnum* b, bool subtract) const {
    // Both operands are stored numbers, so every limb above the larger top is
    // 0 in both: the sum needs that many limbs and one more for a carry, and
    // d (which is a or b) is 0 above them too.
    const int t = a->top > b->top ? a->top : b->top;
    const int m = t + 2 < nlimbs ? t + 2 : nlimbs;
    if (d == a && b->expo <= a->expo && !kv::plainPaths()) {
        // In place, adding or taking off a number that the alignment cuts:
        // a running sum and its next term. The cut keeps limbs q.. of b (q
        // whole limbs below a's last one) less r digits, so it has only
        // b's top - q + 1 limbs, and above them the sum is a's limbs with the
        // carry or borrow run through: the same limbs as the full pass. With
        // equal exponents (a counter and a small step) only b's limbs from
        // its lowest non-zero one take part.
        const int64_t dd = static_cast<int64_t>(a->expo) - b->expo;
        const int64_t q = dd / 4;
        if (q > b->top) {
            KV_COUNT_SIZE(kv::OP_ADD, 0);
            Shift(d, a->expo, m);  // b cuts to nothing: a unchanged
            return;
        }
        const int len = b->top - static_cast<int>(q) + 1;
        const int r = static_cast<int>(dd % 4);
        const limb_t* c = b->limbs + q;
        kv::LocalLimbs<160> cut;
        if (r != 0) {
            limb_t* w = cut.get(kv::SLOT_OPERAND, static_cast<size_t>(len));
            kv::trunc_digits(w, c, len, r);
            c = w;
        }
        const int lo = dd == 0 ? kv::low_n(c, len) : 0;
        limb_t* w = d->limbs + lo;
        c += lo;
        const int ln = len - lo, lm = m - lo;
        KV_COUNT_SIZE(kv::OP_ADD, ln);
        if (subtract) {
            limb_t borrow = kv::sub_n(w, w, c, ln);
            for (int i = ln; borrow && i < lm; ++i) {
                borrow = w[i] == 0;
                w[i] = borrow ? kv::BASE - 1 : w[i] - 1;
            }
        } else {
            limb_t carry = kv::add_n(w, w, c, ln);
            for (int i = ln; carry && i < lm; ++i) {
                carry = w[i] == kv::BASE - 1;
                w[i] = carry ? 0 : w[i] + 1;
            }
        }
        Shift(d, a->expo, m);
        return;
    }
    KV_COUNT_SIZE(kv::OP_ADD, m);
    const limb_t* ua = a->limbs;
    const limb_t* ub = b->limbs;
    int64_t e = a->expo;
    kv::LocalLimbs<160> cut;
    if (a->expo < b->expo) {
        limb_t* c = cut.get(kv::SLOT_OPERAND, static_cast<size_t>(m));
        kv::trunc_digits(c, ua, m, static_cast<int64_t>(b->expo) - a->expo);
        ua = c;
        e = b->expo;
    } else if (b->expo < a->expo) {
        limb_t* c = cut.get(kv::SLOT_OPERAND, static_cast<size_t>(m));
        kv::trunc_digits(c, ub, m, static_cast<int64_t>(a->expo) - b->expo);
        ub = c;
    }
    if (subtract)
        kv::sub_n(d->limbs, ua, ub, m);
    else
        kv::add_n(d->limbs, ua, ub, m);
    Shift(d, e, m);
}

void KVnum::Addf(KVnum* a, const KVnum* b) const {
    if (a->top < 0) {
        const bool sign = a->minus;
        Copyf(a, b);
        a->minus = sign;
        return;
    }
    if (b->top < 0) return;
    AddSubInto(a, a, b, false);
}

void KVnum::Subf(KVnum* a, const KVnum* b) const {
    if (a->top < 0 || b->top < 0) return;
    AddSubInto(a, a, b, true);
}

void KVnum::operator+=(const KVnum& x) {
    KV_COUNT(kv::OP_ADD);
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum tmp;
    const KVnum* y = Same(x, tmp);
    if (minus == y->minus) {
        Addf(this, y);
        return;
    }
    if (Cmpf(this, y) < 0) {
        // |t| < |x|: the result is |x| - |t| with the sign of x.
        const bool sign = y->minus;
        if (top < 0)
            Copyf(this, y);
        else
            AddSubInto(this, y, this, true);
        minus = sign;
    } else {
        Subf(this, y);  // a zero result comes out positive
    }
}

void KVnum::operator-=(const KVnum& x) {
    KV_COUNT(kv::OP_ADD);
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum tmp;
    const KVnum* y = Same(x, tmp);
    if (minus != y->minus) {
        Addf(this, y);  // keeps this number's sign, also when it was zero
        return;
    }
    if (Cmpf(this, y) < 0) {
        // |t| < |x|: the result is |x| - |t| with the opposite sign of t.
        const bool sign = !minus;
        if (top < 0)
            Copyf(this, y);
        else
            AddSubInto(this, y, this, true);
        minus = sign;
    } else {
        Subf(this, y);
    }
}

// KVnum: making, copying, destroying, normal form and comparison.
#include <cassert>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <kelvane/KVnum.h>
#include "kernels.h"
#include "opcount.h"
#include "ReadInt.h"

using kv::limb_t;

namespace {

int precisionPolicy(int n) {
    if (n >= KVnum::MIN_LIMBS) return n;
    const char* env = std::getenv("PRECISION");
    const int64_t p = env ? kv::readIntSaturating(env) : 0;
    if (p >= KVnum::MIN_LIMBS) {
        // A precision too large to allocate is an allocation failure.
        if (p > KVnum::MAX_LIMBS) reportFatal("Memory allocation failure.");
        return static_cast<int>(p);
    }
    return KVnum::DEFAULT_LIMBS;
}

limb_t* allocLimbs(int n) {
    if (n > KVnum::MAX_LIMBS) reportFatal("Memory allocation failure.");
    void* p = std::calloc(static_cast<size_t>(n), sizeof(limb_t));
    if (!p) reportFatal("Memory allocation failure.");
    return static_cast<limb_t*>(p);
}

}  // namespace

KVnum::KVnum(int n) : nlimbs(precisionPolicy(n)), expo(0), top(-1), minus(false), limbs(nullptr) {
    limbs = allocLimbs(nlimbs);
}

KVnum::KVnum() : nlimbs(0), expo(0), top(-1), minus(false), limbs(nullptr) {}

KVnum::KVnum(const KVnum& x)
    : nlimbs(x.nlimbs), expo(x.expo), top(x.top), minus(x.minus), limbs(nullptr), outbuf(x.outbuf) {
    if (x.limbs) {
        limbs = allocLimbs(nlimbs);
        kv::copy_n(limbs, x.limbs, nlimbs);
    } else {
        nlimbs = 0;
    }
}

KVnum::~KVnum() {
    if (limbs) std::free(limbs);  // most numbers made in an operation have none
}

void KVnum::Ensure(int n) {
    if (limbs) return;
    nlimbs = precisionPolicy(n);
    limbs = allocLimbs(nlimbs);
    expo = 0;
    top = -1;
    minus = false;
}

const KVnum* KVnum::Same(const KVnum& x, KVnum& tmp) const {
    if (x.limbs && x.nlimbs == nlimbs) return &x;
    tmp.Ensure(nlimbs);
    Zero(&tmp);
    if (!x.limbs || x.top < 0) return &tmp;
    // Keep the head limbs aligned: limb j of x goes to j + (h - hx); limbs
    // that would fall below index 0 are cut, and the exponent absorbs the move.
    const int h = HeadIndex(nlimbs), hx = HeadIndex(x.nlimbs);
    const int d = h - hx;
    for (int j = x.top; j >= 0 && j + d >= 0; --j) tmp.limbs[j + d] = x.limbs[j];
    tmp.minus = x.minus;
    Shift(&tmp, static_cast<int64_t>(x.expo) - 4 * static_cast<int64_t>(d));
    return &tmp;
}

void KVnum::operator=(const KVnum& x) {
    KV_COUNT(kv::OP_COPY);
    if (this == &x) return;
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum tmp;
    const KVnum* s = Same(x, tmp);
    // Both are stored numbers, 0 above the head index: the limbs up to it
    // carry the whole value.
    const int h = HeadIndex(nlimbs);
    kv::copy_n(limbs, s->limbs, h + 1);
    nlimbs = s->nlimbs;
    expo = s->expo;
    top = s->top;
    minus = s->minus;
}

int KVnum::operator==(const KVnum& x) const {
    KV_COUNT(kv::OP_CMP);
    if (!limbs) {
        // An empty number reads as zero.
        if (!x.limbs || x.top < 0) return 0;
        return x.minus ? 1 : -1;
    }
    KVnum tmp;
    const KVnum* y = Same(x, tmp);
    if (minus && !y->minus) return -1;
    if (!minus && y->minus) return 1;
    if (minus) return Cmpf(y, this);
    return Cmpf(this, y);
}

void KVnum::Zero(KVnum* x) const {
    kv::zero_n(x->limbs, nlimbs);
    x->expo = 0;
    x->nlimbs = nlimbs;
    x->top = -1;
    x->minus = false;
}

void KVnum::Copyf(KVnum* d, const KVnum* s) const {
    kv::copy_n(d->limbs, s->limbs, nlimbs);
    d->nlimbs = s->nlimbs;
    d->expo = s->expo;
    d->top = s->top;
    d->minus = s->minus;
}

bool KVnum::PutExpo(KVnum* x, int64_t e) const {
    if (e < INT32_MIN || e > INT32_MAX) {
        reportError("Exponent out of range.");
        Zero(x);
        return false;
    }
    x->expo = static_cast<int32_t>(e);
    return true;
}

void KVnum::Shift(KVnum* x, int64_t e, int hi) const {
    const int h = HeadIndex(nlimbs);
    const int n = hi > 0 && hi < nlimbs ? hi : nlimbs;  // limbs from n up are 0
    const int i = x->top = kv::top_n(x->limbs, n);
    if (i < 0) {
        x->top = -1;
        x->expo = 0;
        x->minus = false;
        return;
    }
    if (i < h) {
        // Only the limbs below n can be non-zero, and they stay inside the
        // array: i + (h - i) = h.
        const int m = n + (h - i) < nlimbs ? n + (h - i) : nlimbs;
        kv::shift_up(x->limbs, m, h - i);
        e -= 4 * static_cast<int64_t>(h - i);
    } else if (i > h) {
        // The dropped low limbs are lost without rounding.
        kv::shift_down(x->limbs, n, i - h);
        e += 4 * static_cast<int64_t>(i - h);
    }
    x->top = h;
    PutExpo(x, e);
}

int KVnum::CmpOne(const KVnum* x) const {
    const int h = HeadIndex(nlimbs);
    kv::LocalLimbs<128> onebuf;
    limb_t* one = onebuf.get(kv::SLOT_ONE, static_cast<size_t>(h + 1));
    kv::zero_n(one, h);
    one[h] = 1;
    return CmpMag(x->limbs, x->expo, x->top, one, static_cast<int32_t>(-4 * h), h);
}

int KVnum::Cmpf(const KVnum* a, const KVnum* b) const {
    return CmpMag(a->limbs, a->expo, a->top, b->limbs, b->expo, b->top);
}

int KVnum::CmpMag(const limb_t* ua, int32_t ea, int ta, const limb_t* ub, int32_t eb,
                  int tb) const {
    if (ta < 0) return tb < 0 ? 0 : -1;
    if (tb < 0) return 1;
    // Every limb above the larger top is 0 in both, before and after the cut
    // of the operand with the smaller exponent, so the comparison of the
    // aligned magnitudes is decided below that index; the cut
    // limbs are formed one at a time from the top down.
    const int m = (ta > tb ? ta : tb) + 1;
    if (ea < eb) return kv::cmp_trunc(ua, ub, m, static_cast<int64_t>(eb) - ea);
    if (eb < ea) return -kv::cmp_trunc(ub, ua, m, static_cast<int64_t>(ea) - eb);
    return kv::cmp_n(ua, ub, m);
}

// ExactFunc: natural and common logarithms, exponentials.
//
// The only representable values these take at representable arguments are
// the trivial ones (ln 1 = 0, e^0 = 1, log10 10^k = k, 10^k for an integer
// k): elsewhere the values are irrational, so no truncation point is hit and
// the Ziv loop ends. Those points are answered directly.
#include <kelvane/ExactFunc.h>

#include "exact/Circular.h"
#include "exact/ExactCommon.h"

using namespace kvexact;

namespace {

// The exponent k when x is exactly 10^k.
bool powerOfTen(const KVnum& x, int64_t& k) {
    if (x.IsZero() || x.Minus()) return false;
    // x = 10^k exactly when its digits are a single 1.
    int ones = 0;
    for (int i = 0; i <= x.Top(); ++i) {
        const int32_t l = x.Limb(i);
        if (l == 0) continue;
        if (l != 1 && l != 10 && l != 100 && l != 1000) return false;
        if (++ones > 1) return false;
    }
    k = leadOf(x) - 1;
    return true;
}

}  // namespace

KVnum* ExactFunc::Ln(KVnum* x) {
    const KVnum a = argAt(x, nlimbs);
    if (a.IsZero() || a.Minus()) {
        reportError("x must be greater than 0");
        res = 0;
        return &res;
    }
    if (cmpInt(a, 1) == 0) {
        res = 0;
        return &res;
    }
    return evaluate(res, [&](int wp) { return log(Ball(a, wp)); });
}

KVnum* ExactFunc::Aln(KVnum* x) {
    const KVnum a = argAt(x, nlimbs);
    if (a.IsZero()) {
        res = 1;
        return &res;
    }
    if (expNearOne(Ball(a, nlimbs), res)) return &res;
    return evaluate(res, [&](int wp) { return exp(Ball(a, wp)); });
}

KVnum* ExactFunc::Log(KVnum* x) {
    const KVnum a = argAt(x, nlimbs);
    if (a.IsZero() || a.Minus()) {
        reportError("x must be greater than 0");
        res = 0;
        return &res;
    }
    int64_t k;
    if (powerOfTen(a, k)) {
        res = static_cast<long long>(k);
        return &res;
    }
    return evaluate(res, [&](int wp) { return log(Ball(a, wp)) / ln10(wp); });
}

KVnum* ExactFunc::LntoLog(KVnum* x) {
    // The argument is cut to the precision inside, before res is written.
    if (!x || x->IsZero()) {
        res = 0;
        return &res;
    }
    kvtrig::exactLntoLog(*x, &res);
    return &res;
}

KVnum* ExactFunc::Alog(KVnum* x) {
    const KVnum a = argAt(x, nlimbs);
    bool fits;
    int64_t k;
    if (isInteger(a, fits, k)) {
        // 10^k exactly, when the exponent range holds it.
        if (!fits) return finish(Outcome::OutOfRange, res);
        KVnum t(nlimbs);
        t = 1;
        Ball b(t, nlimbs);
        b.scale10(k);
        if (b.outOfRange()) return finish(Outcome::OutOfRange, res);
        res = b.mid();
        return &res;
    }
    if (expNearOne(Ball(a, nlimbs + 4) * ln10(nlimbs + 4), res)) return &res;
    return evaluate(res, [&](int wp) {
        // 10^x = e^(x ln 10), with the digits of x's integer part more.
        const int w = wp + 2 * (static_cast<int>(leadOf(a) > 0 ? leadOf(a) : 0) / 4 + 1);
        return exp(Ball(a, w) * ln10(w)).at(wp);
    });
}

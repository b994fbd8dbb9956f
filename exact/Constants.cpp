// ExactFunc: e, the golden ratio and factorials.
#include <kelvane/ExactFunc.h>

#include <cmath>

#include "exact/ExactCommon.h"

using namespace kvexact;

KVnum* ExactFunc::e() {
    return evaluate(res, [](int wp) { return exp(Ball(1, wp)); });
}

KVnum* ExactFunc::PHI() {
    return evaluate(res, [](int wp) {
        Ball r = sqrt(Ball(5, wp));
        r += Ball(1, wp);
        r.divInt(2);
        return r;
    });
}

namespace {

// m! in balls at wp: the factors grouped into products below 10^8, each
// group one short multiplication.
Ball factorial(int64_t m, int wp) {
    Ball r(1, wp);
    int64_t g = 1;
    for (int64_t k = 2; k <= m; ++k) {
        if (g > 100000000 / k) {
            r.mulInt(g);
            g = 1;
        }
        g *= k;
    }
    if (g > 1) r.mulInt(g);
    return r;
}

}  // namespace

KVnum* ExactFunc::Factorial(KVnum* x) {
    const KVnum a = argAt(x, nlimbs);
    if (a.Minus()) {
        reportError("x must not be negative");
        res = 0;
        return &res;
    }
    // The integer part m; m! beyond the exponent range (ln m! > 2^31 ln 10,
    // from m > 2.6e8) is reported without computing it.
    bool fits = true;
    int64_t m = 0;
    if (!a.IsZero() && leadOf(a) > 0 && !isInteger(a, fits, m)) {
        // Cut toward zero to the integer part first.
        KVnum w(nlimbs);
        w = a;
        w.Intp();
        isInteger(w, fits, m);
    }
    if (!fits || (m > 2 && (m + 0.5) * std::log(static_cast<double>(m)) - m > 2147483647.0 * 2.302585 + 10)) {
        return finish(Outcome::OutOfRange, res);
    }
    if (m < 2) {
        res = 1;
        return &res;
    }
    return evaluate(res, [&](int wp) {
        int g = 0;
        for (int64_t t2 = m; t2; t2 >>= 3) ++g;
        return factorial(m, wp + 2 * (g / 4 + 1));
    });
}

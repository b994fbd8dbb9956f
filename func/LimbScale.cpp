// Exact scaling by powers of 10000 (see LimbScale.h).
#include "LimbScale.h"

#include <cmath>
#include <string>

namespace kvfunc {

void scaleByLimbs(Scratch& sc, KVnum& v, long long k, int n) {
    if (k == 0) return;
    Temps T(sc, n);
    KVnum& w = T();
    if (k > 0) {
        w = "0.0001";
    } else {
        w = 10000;
        k = -k;
    }
    for (;;) {
        if (k & 1) v *= w;
        k >>= 1;
        if (k == 0) break;
        w *= w;
    }
}

long long toLimbRange(Scratch& sc, KVnum& m, int n) {
    Temps T(sc, n);
    KVnum &a = T(), &zero = T(), &one = T(), &base = T(), &t = T();
    zero = 0;
    one = 1;
    base = 10000;
    a = m;
    if ((a == zero) < 0) {  // work on |m|, keep the count
        a = zero;
        a -= m;
    }
    const bool big = (a == base) >= 0;
    if (!big && (a == one) >= 0) return 0;

    // A step by w is taken while a * w stays on a's side of 1.
    auto sameSide = [&](const KVnum& v) {
        const int c = v == one;
        return big ? c >= 0 : c < 0;
    };
    // 10000^(-+2^i), i = 0, 1, ...: at most 32 of them, since exponents are
    // 32-bit and each squaring doubles the power.
    KVnum* pw[40];
    size_t npw = 0;
    pw[npw++] = &T();
    if (big)
        *pw[0] = "0.0001";
    else
        *pw[0] = base;
    for (;;) {
        t = a;
        t *= *pw[npw - 1];
        t *= *pw[npw - 1];
        if (!sameSide(t) || npw == 40) break;
        KVnum& sq = T();
        sq = *pw[npw - 1];
        sq *= *pw[npw - 1];
        pw[npw++] = &sq;
    }
    long long k = 0;
    for (size_t i = npw; i-- > 0;) {
        t = a;
        t *= *pw[i];
        if (sameSide(t)) {
            a = t;
            k += big ? (1LL << i) : -(1LL << i);
        }
    }
    if (!big) k -= 1;  // a is now in [1e-4, 1): one more step up
    scaleByLimbs(sc, m, k, n);
    return k;
}

namespace {

int digitsOf(int32_t limb) { return limb >= 1000 ? 4 : limb >= 100 ? 3 : limb >= 10 ? 2 : 1; }

}  // namespace

long long order10(const KVnum& x) {
    const int t = x.Top();
    return static_cast<long long>(x.Expo()) + 4LL * t + digitsOf(x.Limb(t)) - 1;
}

long double leadingDigits(const KVnum& x) {
    const int t = x.Top();
    long double m = 0;
    const int lowest = t - 5 < 0 ? 0 : t - 5;  // six limbs are more than enough
    for (int i = t; i >= lowest; --i) m = m * 10000 + x.Limb(i);
    const long long shift = 4LL * (t - lowest) + digitsOf(x.Limb(t)) - 1;
    return m / std::pow(10.0L, static_cast<long double>(shift));
}

long double log10Abs(const KVnum& x) {
    return static_cast<long double>(order10(x)) + std::log10(leadingDigits(x));
}

void mulPow10000(KVnum& v, long long k, KVnum& tmp) {
    // Steps of at most 10000^(+-2^28): their text exponents fit an int.
    const long long step = 1LL << 28;
    while (k != 0 && !v.IsZero()) {
        const long long j = k > step ? step : k < -step ? -step : k;
        tmp = ("1e" + std::to_string(4 * j)).c_str();
        v *= tmp;
        k -= j;
    }
}

void divideFull(KVnum& a, const KVnum& b, KVnum& bs, KVnum& tmp) {
    bs = b;
    if (!bs.IsZero() && !a.IsZero()) {
        // order10(b) - 4k in [-4, -1].
        const long long o = order10(bs);
        const long long k = (o >= 0 ? o / 4 : -((-o + 3) / 4)) + 1;
        mulPow10000(bs, -k, tmp);
        mulPow10000(a, -k, tmp);
    }
    a /= bs;  // a zero b is the division by zero it is
}

}  // namespace kvfunc

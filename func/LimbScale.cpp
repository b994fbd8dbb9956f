// Exact scaling by powers of 10000 (see LimbScale.h).
#include "LimbScale.h"

#include <deque>

namespace kvfunc {

void scaleByLimbs(KVnum& v, long long k, int n) {
    if (k == 0) return;
    KVnum w(n);
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

long long toLimbRange(KVnum& m, int n) {
    KVnum a(n), zero(n), one(n), base(n), t(n);
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
    std::deque<KVnum> pw;  // 10000^(-+2^i); a deque keeps them in place
    pw.emplace_back(n);
    if (big)
        pw.back() = "0.0001";
    else
        pw.back() = base;
    for (;;) {
        t = a;
        t *= pw.back();
        t *= pw.back();
        if (!sameSide(t)) break;
        pw.emplace_back(n);
        KVnum& sq = pw.back();
        sq = pw[pw.size() - 2];
        sq *= pw[pw.size() - 2];
    }
    long long k = 0;
    for (size_t i = pw.size(); i-- > 0;) {
        t = a;
        t *= pw[i];
        if (sameSide(t)) {
            a = t;
            k += big ? (1LL << i) : -(1LL << i);
        }
    }
    if (!big) k -= 1;  // a is now in [1e-4, 1): one more step up
    scaleByLimbs(m, k, n);
    return k;
}

}  // namespace kvfunc

// Pi to any number of places for the exact tier: the Chudnovsky series
// summed by binary splitting on exact integers, kept per process and shared
// by every thread.
//
// 1/pi = 12 sum_k (-1)^k (6k)! (13591409 + 545140134 k) / ((3k)! k!^3 640320^(3k+3/2)),
// so pi = 426880 sqrt(10005) Q / T with Q and T the sums' exact integer
// numerator and denominator over the first N terms; each term adds about
// 14.18 digits. With S = floor(sqrt(10005) 10^D') and one cut quotient,
// A' = floor(426880 S Q / T) is below pi 10^D' by less than 1.04: the cut
// root costs 426880 Q / T = pi / sqrt(10005) < 0.032 units, the quotient's
// cut less than 1, the terms left out less than 10^-14 N of the value. A'
// is then cut by 5 more digits, so the A handed out satisfies
// |pi 10^D - A| < 2 (below 1 + 10^-5 in fact, and never above pi 10^D).
#include "exact/TrigCore.h"

#include <memory>
#include <mutex>

namespace kvtrig {

namespace {

struct Split {
    Int p;
    Nat q;
    Int t;
};

// P, Q, T over the terms a..b-1 (b > a).
Split split(uint64_t a, uint64_t b, bool needP) {
    Split s;
    if (b - a == 1) {
        if (a == 0) {
            s.p.m = Nat(1);
            s.q = Nat(1);
            s.t.m = Nat(13591409);
            return s;
        }
        s.p.m = mulSmall(Nat((6 * a - 5) * (2 * a - 1)), static_cast<uint32_t>(6 * a - 1));
        s.p.neg = true;
        s.q = mul(Nat(a * a * a), Nat(10939058860032000ULL));  // 640320^3 / 24
        Int c{Nat(13591409 + 545140134ULL * a), false};
        s.t = mulInt(s.p, c);
        return s;
    }
    const uint64_t m = (a + b) / 2;
    Split l = split(a, m, true), r = split(m, b, needP);
    s.q = mul(l.q, r.q);
    Int tq{mul(l.t.m, r.q), l.t.neg};
    s.t = addInt(tq, mulInt(l.p, r.t));
    if (needP) s.p = mulInt(l.p, r.p);
    return s;
}

// floor-ish pi 10^D with |pi 10^D - A| < 2 (see the file comment).
Nat computePi(int64_t D) {
    const int64_t Dg = D + 5;
    const uint64_t terms = static_cast<uint64_t>(static_cast<double>(Dg) / 14.18) + 2;
    Split s = split(0, terms, false);
    Nat root = isqrt(mulPow10(Nat(10005), 2 * Dg));
    Nat num = mulSmall(mul(root, s.q), 426880);
    return divPow10(divFloor(num, s.t.m), 5);
}

struct PiCache {
    std::mutex lock;
    std::shared_ptr<const Nat> value;  // pi 10^places, error below 2 units
    int64_t places = -1;
};

PiCache& cache() {
    static PiCache c;
    return c;
}

}  // namespace

Nat piScaled(int64_t D) {
    PiCache& c = cache();
    std::shared_ptr<const Nat> v;
    int64_t have;
    {
        std::lock_guard<std::mutex> g(c.lock);
        v = c.value;
        have = c.places;
    }
    if (have < D) {
        // Grow by half at least, so that a precision loop that asks for a
        // little more each time does not recompute pi at every step.
        // Kept to a multiple of 4 places, so that a caller asking for a
        // multiple of 4 gets whole limbs, without a cut of digits.
        int64_t want = std::max(D + 16, have + have / 2);
        want += (4 - want % 4) % 4;
        auto fresh = std::make_shared<const Nat>(computePi(want));
        std::lock_guard<std::mutex> g(c.lock);
        if (c.places < want) {
            c.value = fresh;
            c.places = want;
        }
        v = c.value;
        have = c.places;
    }
    // A cut of a value within 2 units stays within 2 units (less than
    // 1 + 2 10^-k of the new unit above it, and never more than 2 below).
    return divPow10(*v, have - D);
}

}  // namespace kvtrig

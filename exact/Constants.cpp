// ExactFunc: e, the golden ratio and factorials; the balls of ln 2 and ln 10.
#include <kelvane/ExactFunc.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "exact/Circular.h"
#include "exact/ExactCommon.h"
#include "exact/Nat.h"
#include "number/Internal.h"

using namespace kvexact;

namespace kvexact {

namespace {

int headOf(int n) { return n / 2 - 2; }

// ---- ln 2 and ln 10 ------------------------------------------------------------------------
//
// ln 2 = 14 a + 10 b + 6 c and ln 10 = 46 a + 34 b + 20 c with a, b, c =
// atanh(1/31), atanh(1/49), atanh(1/161) (31^2 - 1, 49^2 - 1 and 161^2 - 1
// have no prime factors but 2, 3 and 5). The three sums are formed by
// binary splitting on exact integers, so that they cost a few long products
// and quotients (transform products and Newton quotients at length). Summed
// term by term on balls instead, every term costs a short division of the
// whole length: measured, that was 1.5 times slower at 9 limbs, 2.6 times
// at 130, 6.6 at 1,000 and 20 at 10,000, so no precision takes it.

// atanh(1/m) = m sum_k 1 / ((2k + 1) m^(2k + 2)). Over the terms a..b-1:
//   B = (2a + 1) (2a + 3) ... (2b - 1),  M = m^(2(b - a)),
//   T = sum_(k=a..b-1) (B / (2k + 1)) m^(2(b - 1 - k)),
// so that T / (B M) = sum_k 1 / ((2k + 1) m^(2(k - a) + 2)); two runs join as
// B = B_l B_r, M = M_l M_r, T = T_l B_r M_r + B_l T_r. M depends only on the
// number of terms, and the two halves of a run differ by one term at most,
// so the powers are kept by length and each is formed once. (With the ratio
// of consecutive terms as the step instead, (2k - 1) / ((2k + 1) m^2), every
// denominator would carry the odd factors twice over: measured, 10 to 20 %
// more work.)
struct AtanhSplit {
    kvtrig::Nat b, t;
};

class AtanhSum {
public:
    explicit AtanhSum(uint64_t m) : m2_(m * m) {}

    // m^(2 len).
    const kvtrig::Nat& power(uint64_t len) {
        auto it = powers_.find(len);
        if (it != powers_.end()) return it->second;
        kvtrig::Nat v = len == 1 ? kvtrig::Nat(m2_) : kvtrig::mul(power(len / 2), power(len - len / 2));
        return powers_.emplace(len, std::move(v)).first->second;  // map entries stay in place
    }

    AtanhSplit split(uint64_t a, uint64_t b) {
        using namespace kvtrig;
        AtanhSplit s;
        if (b - a == 1) {
            s.b = Nat(2 * a + 1);
            s.t = Nat(1);
            return s;
        }
        if (b - a == 2) {  // the join of two terms in 64 bits (2a + 3 < 2^32 for any precision)
            s.b = Nat((2 * a + 1) * (2 * a + 3));
            s.t = Nat((2 * a + 3) * m2_ + 2 * a + 1);
            return s;
        }
        const uint64_t mid = (a + b) / 2;
        const AtanhSplit l = split(a, mid), r = split(mid, b);
        s.t = add(mul(l.t, mul(r.b, power(b - mid))), mul(l.b, r.t));
        s.b = mul(l.b, r.b);
        return s;
    }

private:
    uint64_t m2_;
    std::map<uint64_t, kvtrig::Nat> powers_;
};

// A with |atanh(1/m) 10^D - A| < 1.02 (m >= 2). The sum stops after N terms,
// N the first with m^(2N+1) >= 10^(D+3): what is left is below
// t_N / (1 - 1/m^2) < m^-(2N+1) <= 0.001 units (t_k the k-th term). With
// Y = m T and X = B M over the N terms, Y and X are cut by the same 10^k to
// X' >= 10^(D+2), which moves Y / X by less than 10^k / X <= 1 / X' = 0.01
// units (Y' <= X' as Y < X); the quotient's cut costs less than one unit more.
kvtrig::Nat atanhScaled(uint64_t m, int64_t D) {
    using namespace kvtrig;
    const double lm = std::log10(static_cast<double>(m));
    const uint64_t N = static_cast<uint64_t>(std::ceil((static_cast<double>(D) + 3) / (2 * lm))) + 1;
    AtanhSum sum(m);
    const AtanhSplit s = sum.split(0, N);
    const Nat X = mul(s.b, sum.power(N));
    const int64_t k = std::max<int64_t>(0, X.digits() - D - 3);
    return divFloor(mulPow10(divPow10(mulSmall(s.t, m), k), D), divPow10(X, k));
}

// L 10^-D, known within r units of its last place, as a ball at wp limbs:
// L's head limbs, the rest cut (less than one unit of the last kept limb).
Ball ballOf(const kvtrig::Nat& L, int64_t D, double r, int wp) {
    const int h = headOf(wp);
    const int cut = L.size() - h - 1;  // >= 0: L has at least 4h + 12 digits
    KVnum mid(wp);
    KVnumInternal::setHead(mid, L.d.data() + cut, 4 * static_cast<int64_t>(cut) - D, false);
    return Ball(mid, addUp(Mag::up(r, -D), unitOf(mid)), wp);
}

struct ConstCache {
    std::mutex lock;
    std::unique_ptr<Ball> ln10, ln2, ln3;
};

ConstCache& cache() {
    static ConstCache* c = new ConstCache;  // kept for the life of the process
    return *c;
}

// which: 10, 2 or 3.
Ball cachedConstant(int wp, int which) {
    ConstCache& c = cache();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.ln10 || c.ln10->prec() < wp) {
        const int w = c.ln10 && c.ln10->prec() * 3 / 2 > wp ? c.ln10->prec() * 3 / 2 : wp;
        Ball l10(w), l2(w), l3(w);
        lnConstants(w, l10, l2, &l3);
        c.ln10.reset(new Ball(l10));
        c.ln2.reset(new Ball(l2));
        c.ln3.reset(new Ball(l3));
    }
    return (which == 10 ? c.ln10 : which == 2 ? c.ln2 : c.ln3)->at(wp);
}

}  // namespace

void lnConstants(int wp, Ball& l10, Ball& l2, Ball* l3) {
    using namespace kvtrig;
    const int64_t D = 4 * static_cast<int64_t>(headOf(wp)) + 12;
    const Nat a = atanhScaled(31, D), b = atanhScaled(49, D), c = atanhScaled(161, D);
    // 100, 30 and 48 errors of less than 1.02 units each. (2a, 2b, 2c are
    // ln 16/15, ln 25/24 and ln 81/80, so ln 3 = 22a + 16b + 10c.)
    l10 = ballOf(add(add(mulSmall(a, 46), mulSmall(b, 34)), mulSmall(c, 20)), D, 102, wp);
    l2 = ballOf(add(add(mulSmall(a, 14), mulSmall(b, 10)), mulSmall(c, 6)), D, 30.6, wp);
    if (l3) *l3 = ballOf(add(add(mulSmall(a, 22), mulSmall(b, 16)), mulSmall(c, 10)), D, 49, wp);
}

Ball ln10(int wp) { return cachedConstant(wp, 10); }
Ball ln2(int wp) { return cachedConstant(wp, 2); }
Ball ln3(int wp) { return cachedConstant(wp, 3); }

}  // namespace kvexact

namespace {

// Results of the constants, kept per precision for the life of the process
// and shared by all threads (a few precisions are ever asked for).
struct Kept {
    std::mutex lock;
    std::map<int, KVnum> e, phi;
};

Kept& kept() {
    static Kept* k = new Kept;
    return *k;
}

KVnum* constant(KVnum& res, std::map<int, KVnum> Kept::*which, const Evaluator& f) {
    Kept& k = kept();
    const int n = res.Nlimbs();
    {
        std::lock_guard<std::mutex> g(k.lock);
        auto it = (k.*which).find(n);
        if (it != (k.*which).end()) {
            res = it->second;
            return &res;
        }
    }
    evaluate(res, f);
    std::lock_guard<std::mutex> g(k.lock);
    (k.*which).emplace(n, res);
    return &res;
}

}  // namespace

KVnum* ExactFunc::e() {
    return constant(res, &Kept::e, [](int wp) { return exp(Ball(1, wp)); });
}

KVnum* ExactFunc::PHI() {
    return constant(res, &Kept::phi, [](int wp) {
        Ball r = sqrt(Ball(5, wp));
        r += Ball(1, wp);
        r.divInt(2);
        return r;
    });
}

namespace {

// Factorials of larger arguments take Stirling's series: the product costs
// one short multiplication per factor.
const int64_t PRODUCT_LIMIT = 100000;

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

// The tangent numbers T_1..T_K, exact integers, by Brent and Harvey's
// recurrence (T_k = 2^2k (2^2k - 1) |B_2k| / 2k), in numbers wide enough that
// every sum and product of the recurrence is exact.
std::vector<KVnum> tangentNumbers(int K) {
    const double digits = lgammaSafe(2.0 * K + 1) / std::log(10.0) + 1.21 * K + 20;
    const int P = 2 * (static_cast<int>(digits / 4) + 8);
    std::vector<KVnum> T(K + 1, KVnum(P));
    KVnum c(P), t(P);
    T[1] = 1;
    for (int k = 2; k <= K; ++k) {
        c = k - 1;
        T[k] = T[k - 1];
        T[k] *= c;
    }
    for (int k = 2; k <= K; ++k) {
        for (int j = k; j <= K; ++j) {
            t = T[j - 1];
            c = j - k;
            t *= c;
            c = j - k + 2;
            T[j] *= c;
            T[j] += t;
        }
    }
    return T;
}

// ln m! by Stirling's series at wp limbs, for large m:
//   (m + 1/2) ln m - m + ln(2 pi) / 2 + sum_k B_2k / (2k (2k-1) m^(2k-1)),
// whose remainder is below its first omitted term. With B_2k from the
// tangent numbers the k-th term is (-1)^(k-1) T_k / (2^2k (2^2k - 1) (2k-1) m^(2k-1)).
Ball lnFactorial(int64_t m, int wp) {
    const double digits = 4.0 * (wp / 2 - 2) + 8;
    // Terms: until log10 of the next one, about log10(2 (2k)! / ((2 pi)^2k m^(2k-1))), is below -digits.
    int K = 1;
    const double lm = std::log10(static_cast<double>(m));
    while (K < 5000) {
        const double k1 = K + 1;
        const double l = std::log10(2.0) + lgammaSafe(2 * k1 - 1) / std::log(10.0) - 2 * k1 * std::log10(2 * M_PI) -
                         (2 * k1 - 1) * lm;
        if (l < -digits - 2) break;
        ++K;
    }
    const std::vector<KVnum> T = tangentNumbers(K + 1);
    Ball M(m, wp);
    Ball lnm = log(M);
    Ball half(1, wp);
    half.divInt(2);
    Ball s = (M + half) * lnm;
    s -= M;
    KVnum p(wp);
    kvtrig::exactPi(&p);
    Ball twoPi(p, unitOf(p), wp);
    twoPi.mulInt(2);
    Ball l2p = log(twoPi);
    l2p.divInt(2);
    s += l2p;
    const Ball m2 = M * M;
    Ball mpow = M;     // m^(2k-1)
    Ball four(1, wp);  // 2^2k
    for (int k = 1; k <= K + 1; ++k) {
        four.mulInt(4);
        Ball den = four;
        den -= Ball(1, wp);
        den *= four;
        den.mulInt(2 * k - 1);
        den *= mpow;
        Ball term = Ball(T[k], wp) / den;
        if (k == K + 1) {
            s.widen(term.absUp());
            break;
        }
        if (k % 2 == 0) term.negate();
        s += term;
        mpow *= m2;
    }
    return s;
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
    // m! with no more digits than a result holds: the exact integer, written
    // as it is (no bound, no second try).
    const int64_t P = 4 * static_cast<int64_t>(KVnum::HeadIndex(nlimbs)) + 4;
    if (lgammaSafe(static_cast<double>(m) + 1) / std::log(10.0) < static_cast<double>(P) - 2) {
        kvtrig::Nat F(1);
        uint64_t g = 1;
        for (int64_t k = 2; k <= m; ++k) {
            if (g > 100000000 / static_cast<uint64_t>(k)) {
                kvtrig::mulSmallInPlace(F, g);
                g = 1;
            }
            g *= static_cast<uint64_t>(k);
        }
        kvtrig::mulSmallInPlace(F, g);
        if (F.digits() <= P) {
            const int64_t up = P - F.digits();  // the head limb full
            const kvtrig::Nat G = kvtrig::mulPow10(F, up);
            KVnumInternal::setHead(res, G.d.data(), -up, false);
            return &res;
        }
    }
    // The product while it is short or m! fits the precision (then it is
    // exact); Stirling's series beyond, where m! is never representable.
    const double lg = lgammaSafe(static_cast<double>(m) + 1) / std::log(10.0) - static_cast<double>(m) / 4;
    if (m <= PRODUCT_LIMIT || lg < 4.0 * (nlimbs / 2 - 1) - 8) {
        return evaluate(res, [&](int wp) {
            int g = 0;
            for (int64_t t2 = m; t2; t2 >>= 3) ++g;
            return factorial(m, wp + 2 * (g / 4 + 1));
        });
    }
    return evaluate(res, [&](int wp) {
        // e^(ln m!): ln m! has up to 10 integer digits, which its absolute
        // error must be below.
        const int w = wp + 8;
        return exp(lnFactorial(m, w)).at(wp);
    });
}

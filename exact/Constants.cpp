// ExactFunc: e, the golden ratio and factorials; the balls of ln 2 and ln 10.
#include <kelvane/ExactFunc.h>

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

// atanh(1/q) = sum 1/((2k+1) q^(2k+1)) to an error below 10^-(4h + 8).
Ball atanhInv(int64_t q, int wp) {
    Ball term(1, wp);
    term.divInt(q);
    Ball sum = term;
    const int64_t q2 = q * q;
    const Mag stop = Mag::pow10(-4 * static_cast<int64_t>(headOf(wp)) - 8);
    for (int64_t k = 1;; ++k) {
        term.divInt(q2);
        Ball t = term;
        t.divInt(2 * k + 1);
        sum += t;
        // The rest is below the next term's bound times 1 / (1 - 1/q^2) < 2.
        const Mag next = mulUp(term.absUp(), Mag::pow10(0));
        if (cmp(mulUp(next, Mag::up(2.0 / static_cast<double>(q2), 0)), stop) < 0) {
            sum.widen(mulUp(next, Mag::up(2.0 / static_cast<double>(q2), 0)));
            return sum;
        }
    }
}

struct ConstCache {
    std::mutex lock;
    std::unique_ptr<Ball> ln10, ln2;
};

ConstCache& cache() {
    static ConstCache* c = new ConstCache;  // kept for the life of the process
    return *c;
}

void logConstants(int wp, Ball& l10, Ball& l2) {
    const Ball a = atanhInv(31, wp), b = atanhInv(49, wp), c = atanhInv(161, wp);
    l10 = a;
    l10.mulInt(46);
    Ball t = b;
    t.mulInt(34);
    l10 += t;
    t = c;
    t.mulInt(20);
    l10 += t;
    l2 = a;
    l2.mulInt(14);
    t = b;
    t.mulInt(10);
    l2 += t;
    t = c;
    t.mulInt(6);
    l2 += t;
}

Ball cachedConstant(int wp, bool ten) {
    ConstCache& c = cache();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.ln10 || c.ln10->prec() < wp) {
        const int w = c.ln10 && c.ln10->prec() * 3 / 2 > wp ? c.ln10->prec() * 3 / 2 : wp;
        Ball l10(w), l2(w);
        logConstants(w + 4, l10, l2);
        c.ln10.reset(new Ball(l10.at(w)));
        c.ln2.reset(new Ball(l2.at(w)));
    }
    return (ten ? c.ln10 : c.ln2)->at(wp);
}

}  // namespace

Ball ln10(int wp) { return cachedConstant(wp, true); }
Ball ln2(int wp) { return cachedConstant(wp, false); }

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

// kvcalc: exact rationals.
#include "Exact.h"

#include <algorithm>
#include <cctype>

#include "BallFunc.h"
#include "Num.h"

namespace kvcalc {

namespace {

KVnum one() { return make(10, 1LL); }

bool fits(const KVnum& x) { return sigDigits(x) <= kMaxExactDigits; }

// n / d with d > 0 in the simplest form this type keeps: a terminating
// quotient becomes a decimal.
std::optional<Rat> normal(KVnum n, KVnum d) {
    if (d.IsZero()) throw CalcError{1, "Division by zero"};
    if (d.Minus()) {
        assign(d, negOf(d));
        assign(n, negOf(n));
    }
    if (!fits(n) || !fits(d)) return std::nullopt;
    Rat r;
    if (n.IsZero()) return r;
    if (exactCmp(d, one()) == 0) {
        assign(r.n, n);
        return r;
    }
    const int64_t sd = sigDigits(d);
    if (sd <= 400) {
        // A terminating n / d has at most sig(n) + 3.33 sig(d) digits (the
        // powers of 2 and 5 in d).
        const int64_t want = sigDigits(n) + 4 * sd + 8;
        const int W = limbsExact(want);
        Ball q = div(ballOf(n, std::max(W, n.Nlimbs())), ballOf(d, std::max(W, d.Nlimbs())));
        if (q.exact()) {
            assign(r.n, q.mid());
            return r;
        }
    }
    assign(r.n, n);
    assign(r.d, d);
    r.unit = false;
    return r;
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return 99;
}

}  // namespace

Rat Rat::of(const KVnum& x) {
    Rat r;
    assign(r.n, x);
    return r;
}

Rat Rat::of(long long v) {
    Rat r;
    assign(r.n, make(limbsExact(24), v));  // every digit of a 64-bit integer
    return r;
}

std::optional<Rat> Rat::parse(const std::string& text) {
    const long before = reportCount();
    KVnum x(limbsExact(static_cast<int64_t>(text.size()) + 8));
    x = text.c_str();
    if (reportCount() != before) throw CalcError{1, lastReport()};
    return Rat::of(x);
}

std::optional<Rat> Rat::parseRadix(const std::string& text, int radix) {
    KVnum N = make(10, 0LL), D = one();
    const KVnum R = make(10, static_cast<long long>(radix));
    bool frac = false;
    for (char c : text) {
        if (c == '.') {
            frac = true;
            continue;
        }
        const int v = digitValue(c);
        if (v >= radix) return std::nullopt;
        assign(N, exactAdd(exactMul(N, R), make(10, static_cast<long long>(v))));
        if (frac) assign(D, exactMul(D, R));
        if (!fits(N) || !fits(D)) throw CalcError{1, "Number too long"};
    }
    return normal(N, D);
}

bool Rat::isOne() const { return unit && exactCmp(n, one()) == 0; }

bool Rat::isInteger() const {
    if (n.IsZero()) return true;
    if (unit) return lowExp(n) >= 0;
    KVnum N = absOf(n), D = d;
    // Scale both to integers.
    const int64_t s = std::max<int64_t>({0, -lowExp(N), -lowExp(D)});
    assign(N, shift10(N, s));
    assign(D, shift10(D, s));
    KVnum q = intDiv(N, D);
    return exactCmp(exactMul(q, D), N) == 0;
}

Ball Rat::ball(int W) const {
    if (unit) return ballOf(n, W);
    const int Wn = std::max(W, limbsExact(sigDigits(n)));
    const int Wd = std::max(W, limbsExact(sigDigits(d)));
    return recast(div(ballOf(n, Wn), ballOf(d, Wd)), W);
}

std::optional<long long> Rat::toInt() const {
    if (!isInteger()) return std::nullopt;
    Rat t = trunc(*this);
    long long v = 0;
    if (!toInt64(t.n, v)) return std::nullopt;
    return v;
}

bool Rat::odd() const {
    Rat t = trunc(*this);
    if (t.n.IsZero()) return false;
    if (lowExp(t.n) > 0) return false;
    // The units digit is in the limb of weight 10^0.
    const int64_t e = t.n.Expo();
    const int idx = static_cast<int>((0 - e) / 4);
    const int within = static_cast<int>((0 - e) % 4);
    int32_t limb = t.n.Limb(idx);
    for (int k = 0; k < within; ++k) limb /= 10;
    return limb % 2 == 1;
}

std::optional<Rat> add(const Rat& a, const Rat& b) {
    if (a.unit && b.unit) {
        KVnum s = exactAdd(a.n, b.n);
        if (!fits(s)) return std::nullopt;
        return Rat::of(s);
    }
    if (exactCmp(a.d, b.d) == 0) return normal(exactAdd(a.n, b.n), a.d);
    return normal(exactAdd(exactMul(a.n, b.d), exactMul(b.n, a.d)), exactMul(a.d, b.d));
}

Rat neg(const Rat& a) {
    Rat r = a;
    assign(r.n, negOf(a.n));
    return r;
}

std::optional<Rat> sub(const Rat& a, const Rat& b) { return add(a, neg(b)); }

std::optional<Rat> mul(const Rat& a, const Rat& b) {
    if (a.isZero() || b.isZero()) return Rat::of(0);
    if (sigDigits(a.n) + sigDigits(b.n) > kMaxExactDigits) return std::nullopt;
    if (a.unit && b.unit) return Rat::of(exactMul(a.n, b.n));
    return normal(exactMul(a.n, b.n), exactMul(a.d, b.d));
}

std::optional<Rat> div(const Rat& a, const Rat& b) {
    if (b.isZero()) throw CalcError{1, "Division by zero"};
    if (a.isZero()) return Rat::of(0);
    return normal(exactMul(a.n, b.d), exactMul(a.d, b.n));
}

int cmp(const Rat& a, const Rat& b) {
    if (a.unit && b.unit) return exactCmp(a.n, b.n);
    const KVnum l = exactMul(a.n, b.d), r = exactMul(b.n, a.d);
    return exactCmp(l, r);
}

KVnum truncMag(const KVnum& x, int64_t e) {
    if (x.IsZero()) return KVnum(10);
    KVnum a = absOf(x);
    if (lowExp(a) >= e) return a;
    if (mag10(a) < e) return KVnum(10);
    // Keep the digits at or above 10^e: the value cut to the precision that
    // holds exactly those digits would not do (limbs straddle), so subtract
    // the part below.
    std::string d;
    int64_t last;
    digitsOf(a, d, last);
    const int64_t drop = e - last;
    d.resize(d.size() - static_cast<size_t>(drop));
    return fromDigits(limbsExact(static_cast<int64_t>(d.size()) + 4), false, d, e);
}

KVnum intDiv(const KVnum& N, const KVnum& D) {
    if (N.IsZero() || exactCmp(N, D) < 0) return KVnum(10);
    const int64_t qd = mag10(N) - mag10(D) + 2;
    const int W = limbsExact(qd + 12);
    Ball q = div(ballOf(N, std::max(W, limbsExact(sigDigits(N)))), ballOf(D, std::max(W, limbsExact(sigDigits(D)))));
    KVnum t = truncMag(q.mid(), 0);
    KVnum r = exactSub(N, exactMul(t, D));
    while (r.Minus()) {
        assign(t, exactSub(t, one()));
        assign(r, exactAdd(r, D));
    }
    while (exactCmp(r, D) >= 0) {
        assign(t, exactAdd(t, one()));
        assign(r, exactSub(r, D));
    }
    return t;
}

Rat trunc(const Rat& a) {
    if (a.isZero()) return a;
    KVnum t;
    if (a.unit) {
        assign(t, truncMag(a.n, 0));
    } else {
        KVnum N = absOf(a.n), D = a.d;
        const int64_t s = std::max<int64_t>({0, -lowExp(N), -lowExp(D)});
        assign(t, intDiv(shift10(N, s), shift10(D, s)));
    }
    if (t.IsZero()) return Rat::of(0);
    return Rat::of(a.n.Minus() ? negOf(t) : t);
}

Rat held(const std::optional<Rat>& r) {
    if (!r) throw CalcError{1, "Number too long"};
    return *r;
}

Rat floor(const Rat& a) {
    Rat t = trunc(a);
    if (a.sign() < 0 && !a.isInteger()) return held(sub(t, Rat::of(1)));
    return t;
}

Rat ceil(const Rat& a) {
    Rat t = trunc(a);
    if (a.sign() > 0 && !a.isInteger()) return held(add(t, Rat::of(1)));
    return t;
}

namespace {

std::optional<KVnum> powExact(const KVnum& x, unsigned long long k) {
    if (k == 0) return one();
    if (static_cast<double>(sigDigits(x)) * static_cast<double>(k) > static_cast<double>(kMaxExactDigits))
        return std::nullopt;
    KVnum r = one();
    KVnum b = x;
    bool first = true;
    while (k) {
        if (k & 1ULL) {
            assign(r, first ? b : exactMul(r, b));
            first = false;
        }
        k >>= 1;
        if (k) assign(b, exactMul(b, b));
        poll();
    }
    // Exponents beyond the library's range are reported there.
    return r;
}

// The exact n-th root of an integer-valued decimal x > 0, if there is one.
std::optional<KVnum> rootOfInteger(const KVnum& x, long long n) {
    const int64_t digits = sigDigits(x) / n + mag10(x) / n + 12;
    (void)digits;
    const int W = limbsExact(std::max<int64_t>(sigDigits(x), mag10(x) + 1) / n + 12);
    Ball r = rootBall(ballOf(x, std::max(W, limbsExact(sigDigits(x)))), n, W);
    KVnum c = roundInt(r.mid());
    if (c.IsZero()) return std::nullopt;
    assign(c, truncMag(c, 0));
    auto p = powExact(c, static_cast<unsigned long long>(n));
    if (p && exactCmp(*p, x) == 0) return c;
    return std::nullopt;
}

}  // namespace

std::optional<Rat> powInt(const Rat& a, long long k) {
    if (k == 0) return Rat::of(1);
    if (a.isZero()) {
        if (k < 0) throw CalcError{1, "Division by zero"};
        return Rat::of(0);
    }
    const unsigned long long m = k < 0 ? 0ULL - static_cast<unsigned long long>(k) : static_cast<unsigned long long>(k);
    auto n = powExact(a.n, m);
    if (!n) return std::nullopt;
    KVnum d = one();
    if (!a.unit) {
        auto dd = powExact(a.d, m);
        if (!dd) return std::nullopt;
        assign(d, *dd);
    }
    return k > 0 ? normal(*n, d) : normal(d, *n);
}

std::optional<Rat> rootExact(const Rat& a, long long n) {
    if (a.isZero()) return Rat::of(0);
    if (n < 2 || n > 64) return std::nullopt;
    if (a.sign() < 0) {
        if (n % 2 == 0) return std::nullopt;
        auto r = rootExact(neg(a), n);
        if (!r) return std::nullopt;
        return neg(*r);
    }
    // a = N / D with integers; N / D = (N D^(n-1)) / D^n, so the root is
    // root(N D^(n-1)) / D when N D^(n-1) is a perfect power. A decimal N x
    // 10^e first takes e to a multiple of n.
    KVnum N = a.n, D = a.unit ? one() : a.d;
    if (!a.unit) {
        auto dn = powExact(D, static_cast<unsigned long long>(n - 1));
        if (!dn) return std::nullopt;
        assign(N, exactMul(N, *dn));
    }
    if (sigDigits(N) > 20000) return std::nullopt;
    int64_t e = lowExp(N);
    int64_t en = e >= 0 ? (e / n) * n : -(((-e) + n - 1) / n) * n;  // floor to a multiple of n
    KVnum M = shift10(N, -en);  // an integer
    auto r = rootOfInteger(M, n);
    if (!r) return std::nullopt;
    KVnum root = shift10(*r, en / n);
    if (a.unit) return Rat::of(root);
    return normal(root, D);
}

}  // namespace kvcalc

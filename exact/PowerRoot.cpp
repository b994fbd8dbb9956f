// ExactFunc: real powers, logarithms to a base, integer roots.
//
// These are the methods whose values are often representable at
// representable arguments (2^10, 4^0.5, log_2 8, the square root of 1.21).
// The ball never shows such a value exactly, so each method gives the Ziv
// loop a hook that takes the representable number nearest to the ball and
// proves or refutes it by exact integer arithmetic (powersEqual): c = x^(p/q)
// exactly when c^q = x^p.
#include <kelvane/ExactFunc.h>

#include <cmath>

#include "exact/ExactCommon.h"
#include "exact/TrigCore.h"
#include "number/Internal.h"

using namespace kvexact;

namespace {

// Square and cube roots as integer roots. With |x| = m 10^e and L = digits(m) + e
// (|x| lies in [10^(L-1), 10^L)), the root's leading digit has the weight
// 10^floor((L - 1) / n), so with s = P - 1 - floor((L - 1) / n) the root
// times 10^s has exactly P = 4h + 4 digits, and
//   floor(|x|^(1/n) 10^s) = iroot(floor(m 10^(e + ns)))
// exactly (a floor inside never moves the root's floor). That integer, with
// the exponent -s, is the result: no error bound, no second evaluation, and
// exact roots come out exact by themselves.
void integerRoot(const KVnum& x, int n, KVnum& res) {
    const kvtrig::Arg a = kvtrig::argOf(x);
    const int64_t P = 4 * static_cast<int64_t>(KVnum::HeadIndex(res.Nlimbs())) + 4;
    const int64_t L = a.m.digits() + a.e;
    const int64_t lead = L - 1 >= 0 ? (L - 1) / n : -((n - L) / n);  // floor((L - 1) / n)
    const int64_t s = P - 1 - lead;
    // The integer and its root in storage kept per thread: a root of a few
    // hundred limbs costs less than allocating and clearing its numbers.
    thread_local kvtrig::Nat Y, R;
    const int64_t k = a.e + n * s;
    if (k >= 0) {
        const size_t q = static_cast<size_t>(k / 4);
        Y.d.assign(q + a.m.d.size() + 1, 0);
        kv::scale_digits(Y.d.data() + q, a.m.d.data(), a.m.size(), static_cast<int>(k % 4));
        Y.trim();
    } else {
        Y = kvtrig::divPow10(a.m, -k);
    }
    if (n == 2)
        kvtrig::isqrt(Y, R);
    else
        R = kvtrig::icbrt(Y);
    KVnumInternal::setHead(res, R.d.data(), -s, a.neg);
}

// True when |y ln x| is surely at least 10^-(4h + 7) (h of nlimbs), so that
// e^(y ln x) is not the 1 or the number just below it that expNearOne
// settles. |ln x| >= |x - 1| / max(1, x), and x's five head limbs as a long
// double are within 10^-16 of x relative; this spares that test its
// logarithm at full precision except for x within about 10^-10 of 1 or a
// tiny y.
bool surelyNotNearOne(const KVnum& x, const KVnum& y, int nlimbs) {
    if (y.IsZero() || x.IsZero()) return false;
    long double v = 0;
    int used = 0;
    for (int i = x.Top(); i >= 0 && used < 5; --i, ++used) v = v * 10000 + x.Limb(i);
    v *= std::pow(10.0L, static_cast<long double>(x.Expo()) + 4.0L * (x.Top() - used + 1));
    const long double d = std::fabs(v - 1) - 1e-15L * (v > 1 ? v : 1);
    if (!(d > 1e-10L)) return false;
    const long double lnLow = std::log10(d / (v > 1 ? v : 1));
    const long double lyLow = static_cast<long double>(leadOf(y) - 1);
    return lnLow + lyLow > -(4.0L * (nlimbs / 2 - 2) + 7);
}

// x^k for an integer k when the value is a number of nlimbs limbs exactly,
// formed by exact arithmetic at the few limbs its digits need rather than by
// balls at the full precision. x = C 10^e with C not a multiple of 10: for
// k > 0, x^k = C^k 10^(ek); for k < 0 the value has a finite decimal
// expansion only when C is a power of 2 or of 5, and then
// 1/x = 5^i 10^-(i+e) (C = 2^i) or 2^j 10^-(j+e) (C = 5^j). False (nothing
// written) in every other case, or when the digits would not fit the
// precision or the value the exponent range: the general route decides.
bool exactIntegerPower(const KVnum& x, int64_t k, int nlimbs, KVnum& out) {
    using kvtrig::Nat;
    kvtrig::Arg arg = kvtrig::argOf(x);
    Nat C = arg.m;
    int64_t e = arg.e;
    while (!C.isZero() && C.d[0] % 10 == 0) {
        C = kvtrig::divSmall(C, 10);
        ++e;
    }
    const int64_t ak = k < 0 ? -k : k;
    if (k < 0) {
        int64_t twos = 0, fives = 0;
        Nat t = C;
        while (t.d[0] % 2 == 0) t = kvtrig::divSmall(t, 2), ++twos;
        while (t.d[0] % 5 == 0) t = kvtrig::divSmall(t, 5), ++fives;
        if (t != Nat(1)) return false;  // C has another prime factor
        // C is not a multiple of 10, so one of the counts is 0.
        Nat B(1);
        for (int64_t i = 0; i < twos; ++i) kvtrig::mulSmallInPlace(B, 5);
        for (int64_t i = 0; i < fives; ++i) kvtrig::mulSmallInPlace(B, 2);
        C = B;
        e = -(twos + fives + e);
    }
    // C^|k| has at most |k| digits(C) digits: they must fit the result's
    // h + 1 limbs (with a limb to spare for the alignment).
    const int64_t h = nlimbs / 2 - 2;
    const double digits = static_cast<double>(ak) * static_cast<double>(C.digits());
    if (digits > 4.0 * static_cast<double>(h)) return false;
    // C^|k| by squaring on exact integers, then widened to the P = 4h + 4
    // digits of a full head limb: the value M 10^(e|k|) is held exactly as
    // L 10^E with L = M 10^(P - D), D = digits(M).
    Nat M(1), base = C;
    for (int64_t t = ak;;) {
        if (t & 1) M = kvtrig::mul(M, base);
        t >>= 1;
        if (!t) break;
        base = kvtrig::mul(base, base);
    }
    const int64_t P = 4 * h + 4, D = M.digits();
    const Nat L = kvtrig::mulPow10(M, P - D);
    const int64_t E = e * ak - (P - D);
    // Far from the exponent's limits only; the general route reports a value
    // out of range.
    if (E < -(int64_t(1) << 30) || E > (int64_t(1) << 30) || L.size() != h + 1) return false;
    KVnumInternal::setHead(out, L.d.data(), E, false);
    return true;
}

}  // namespace

KVnum* ExactFunc::Fpower(KVnum* x, KVnum* y) {
    std::optional<KVnum> ca, cb;
    const KVnum &a = argIn(x, nlimbs, res, ca), &b = argIn(y, nlimbs, res, cb);
    if (a.IsZero() || a.Minus()) {
        reportError("x must be greater than 0");
        res = 1;
        return &res;
    }
    if (b.IsZero() || cmpInt(a, 1) == 0) {
        res = 1;
        return &res;
    }
    int64_t p = 0, q = 1;
    const bool rational = asFraction(b, p, q);
    const int n = nlimbs;
    if (rational && q == 1) {
        // An integer power (every integer of up to 18 digits is such a
        // fraction): x^k by squaring, in balls (exact while it fits).
        const int64_t k = p;
        const int64_t ak = k < 0 ? -k : k;
        if (exactIntegerPower(a, k, nlimbs, res)) return &res;
        if (ak <= 64 || (ak <= (int64_t(1) << 40) && leadOf(a) > -4 && leadOf(a) < 6)) {
            return evaluate(
                res,
                [&](int wp) {
                    // log2 |k| squarings each double the relative error.
                    int g = 0;
                    for (int64_t t = ak; t; t >>= 1) ++g;
                    return powi(Ball(a, wp + 2 * (g / 12 + 1)), k);
                },
                [&](const Ball& ball, KVnum& v) { return nearestCut(ball, n, v) && powersEqual(v, 1, a, k); });
        }
    }
    if (!surelyNotNearOne(a, b, nlimbs) && expNearOne(log(Ball(a, nlimbs + 4)) * Ball(b, nlimbs + 4), res)) return &res;
    // Leading digit position of y ln x, from doubles (an estimate: it only
    // sets guard limbs).
    const double lnx = static_cast<double>(leadOf(a)) * 2.302585093;
    const double ly = static_cast<double>(leadOf(b));
    const int64_t lead = static_cast<int64_t>(ly + std::log10(std::fabs(lnx) + 3.0)) + 1;
    return evaluate(
        res,
        [&](int wp) {
            // e^(y ln x): the product y ln x needs the digits of its integer
            // part more for e^ to keep wp limbs.
            const int w = wp + 2 * (static_cast<int>(lead > 0 ? lead : 0) / 4 + 1);
            return exp(log(Ball(a, w)) * Ball(b, w)).at(wp);
        },
        [&](const Ball& ball, KVnum& v) { return rational && nearestCut(ball, n, v) && powersEqual(v, q, a, p); });
}

KVnum* ExactFunc::Afpower(KVnum* x, KVnum* y) {
    const KVnum a = argAt(x, nlimbs), b = argAt(y, nlimbs);
    if (a.IsZero() || a.Minus()) {
        reportError("x must be greater than 0");
        reportFatal("Division by zero");
    }
    if (cmpInt(a, 1) == 0) reportFatal("Division by zero");
    if (b.IsZero() || b.Minus()) {
        reportError("x must be greater than 0");
        res = 0;
        return &res;
    }
    if (cmpInt(b, 1) == 0) {
        res = 0;
        return &res;
    }
    const int n = nlimbs;
    // log_x y = c = p/q exactly when y^q = x^p.
    return evaluate(
        res, [&](int wp) { return log(Ball(b, wp)) / log(Ball(a, wp)); },
        [&](const Ball& ball, KVnum& v) {
            int64_t p, q;
            return nearestCut(ball, n, v) && asFraction(v, p, q) && powersEqual(b, q, a, p);
        });
}

KVnum* ExactFunc::Iroot(KVnum* x, int n) {
    std::optional<KVnum> store;
    const KVnum& a = argIn(x, nlimbs, res, store);
    if (n <= 1) {
        reportError("Root must be greater than one.");
        res = 0;
        return &res;
    }
    if (a.Minus() && n % 2 == 0) {
        reportError("x must not be negative for an even root.");
        res = 0;
        return &res;
    }
    if (a.IsZero()) {
        res = 0;
        return &res;
    }
    if (n <= 3) {
        integerRoot(a, n, res);
        return &res;
    }
    const int nl = nlimbs;
    KVnum absA(nlimbs);
    absA = a;
    if (a.Minus()) {
        KVnum z(nlimbs);
        z -= a;
        absA = z;
    }
    return evaluate(
        res,
        [&](int wp) {
            // Roots of high order through e^(ln x / n): Newton's steps would
            // each take log2 n products.
            if (n > 64) {
                Ball r = exp(log(Ball(absA, wp)) / Ball(static_cast<int64_t>(n), wp));
                if (a.Minus()) r.negate();
                return r;
            }
            return root(Ball(a, wp), n);
        },
        [&](const Ball& ball, KVnum& v) {
            if (!nearestCut(ball, nl, v)) return false;
            KVnum av(nl);
            av = v;
            if (v.Minus()) {
                KVnum z(nl);
                z -= v;
                av = z;
            }
            return powersEqual(av, n, absA, 1);
        });
}

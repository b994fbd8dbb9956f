// The exact tier's arc tangent, arc sine and arc cosine.
//
// arctan w for 0 <= w <= 1 is found by Newton's iteration on tan, each step
// th' = th + (w cos th - sin th) cos th, with the sine and cosine of the
// fixed-point sine/cosine core, the precision doubling from a double's
// estimate; only the last step, at the full precision, needs a bound: with
// d = w cos th - sin th (true sine and cosine of the th held),
// arctan w = th + d cos th - R, |R| <= max|arctan''| / 2 (d / cos th)^2
// <= 0.33 (d / cos th)^2 <= 0.66 d^2 (cos th >= cos(pi/4)).
// Beyond 1, arctan x = pi/2 - arctan(1/x). arcsin and arccos go through the
// arc tangent of v/u or u/v (whichever is at most 1), with u = |x| and
// v = sqrt(1 - x^2) from the exact integer 10^-2e - m^2 (x = m 10^e), so
// that arguments near 1 keep every digit of 1 - x^2.
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "exact/Circular.h"
#include "exact/TrigCore.h"
#include "number/Internal.h"

namespace kvtrig {

namespace {

struct Signed {
    Nat m;
    bool neg = false;
};

Signed minus(const Nat& a, const Nat& b) {
    Signed r;
    if (a < b) {
        r.m = sub(b, a);
        r.neg = true;
    } else {
        r.m = sub(a, b);
    }
    return r;
}

// One Newton step at scale p from th (scale p): returns the new th and,
// through *d, |w cos th - sin th| (scale p) with *sc the sine/cosine used.
Nat newtonStep(const Nat& th, const Nat& w, int64_t p, Signed* d, Approx* s, Approx* c) {
    sinCos(th, p, true, true, s, c);
    *d = minus(divPow10(mul(w, c->x), p), s->x);
    const Nat corr = divPow10(mul(d->m, c->x), p);
    return d->neg ? subSat(th, corr) : add(th, corr);
}

}  // namespace

Approx atanFixed(const Nat& X, int64_t W) {
    Approx out;
    if (X.isZero()) return out;
    if (W % 4 != 0) {
        // Scales of whole limbs: every cut below is then a move of limbs.
        const int64_t up = 4 - W % 4;
        out = atanFixed(mulPow10(X, up), W + up);
        out.x = divPow10(out.x, up);
        out.err = out.err / std::pow(10.0, static_cast<double>(up)) + 1;
        return out;
    }
    const double lw = X.log10() - static_cast<double>(W);
    // w^3 / 3 below a unit: arctan w in (w - w^3/3, w].
    if (3 * lw < -static_cast<double>(W) - 1) {
        out.x = X;
        out.err = 1;
        return out;
    }
    // The start and the places it is right to.
    Nat th;
    int64_t p0;
    double good;
    if (lw > -8) {
        const double wd = std::pow(10.0, lw);
        p0 = 17;
        th = Nat(static_cast<uint64_t>(std::atan(wd) * 1e17));
        good = 13;
    } else {
        p0 = W;
        th = X;
        good = -3 * lw - 1;
    }
    // Precisions from the full one down, each step's start right to a
    // little more than half its places; the smallest is reached from the
    // start itself.
    std::vector<int64_t> ps;
    for (int64_t p = W;; p = (p / 2 + 6) / 4 * 4) {
        ps.push_back(p);
        if (p / 2 + 3 <= good) break;
    }
    Signed d;
    Approx s, c;
    int64_t pPrev = p0;
    for (size_t i = ps.size(); i-- > 0;) {
        const int64_t p = ps[i];
        th = scale10(th, p - pPrev);
        pPrev = p;
        th = newtonStep(th, divPow10(X, W - p), p, &d, &s, &c);
    }
    // The last step's bound (scale W): d computed within c.err + s.err + 1
    // (w <= 1), its product with cos within |d| c.err + that + 1, and the
    // remainder 0.66 d^2.
    const double ld = d.m.isZero() ? -HUGE_VAL : d.m.log10() - static_cast<double>(W);
    const double eD = c.err + s.err + 1;
    // |d| of the true sine and cosine is below the d held plus eD units:
    // below 10^L (in logarithms, as 10^-W leaves double's range).
    const double le = std::log10(eD) - static_cast<double>(W);
    const double lhi = std::max(ld, le);
    const double L = lhi + std::log10(1 + std::pow(10.0, std::min(ld, le) - lhi)) + 1e-12;
    const double dReal = std::pow(10.0, L);
    const double rem = 0.67 * std::pow(10.0, 2 * L + static_cast<double>(W));
    out.x = std::move(th);
    out.err = 1.001 * (eD + dReal * c.err + 1 + rem);
    return out;
}

namespace {

// Working digits for the whole result: all it keeps plus the guard.
int64_t digitsOf(const KVnum* res, int64_t guard) { return 4 * (res->Nlimbs() / 2 - 2) + 4 + guard; }

// -1, 0, 1 as |x| is below, at or above 1.
int cmpOne(const Arg& x) {
    const int64_t msd = x.msd();
    if (msd != 0) return msd > 0 ? 1 : -1;
    bool inexact;
    const Nat w = fixedOf(x, 0, &inexact);
    return w == Nat(1) && !inexact ? 0 : 1;
}

// pi/2 10^W within 2 units, and pi/4.
Nat halfPi(int64_t W) { return half(piScaled(W)); }

// pi/2 - th (th within err) at scale W, as bounds.
Approx fromHalfPi(const Approx& th, int64_t W) {
    Approx r;
    r.x = subSat(halfPi(W), th.x);
    r.err = th.err + 2;
    return r;
}

// Bounds of the tiny-argument rule: t in (R + loOff, R + hiOff) units.
void tiny(const Arg& x, int64_t Wt, bool above, Bounds& b) {
    const int64_t W = Wt - x.msd();
    bool inexact;
    const Nat R = fixedOf(x, W, &inexact);
    b.s = W;
    b.neg = x.neg;
    b.lo = R;
    b.hi = R;
    if (above)
        addSmall(b.hi, 1);
    else
        subSmall(b.lo, 1);
}

bool isTiny(const Arg& x, int64_t Wt) { return 2 * (x.msd() + 1) <= -(Wt + 2); }

bool arctan(const Arg& x, int64_t Wt, Bounds& b) {
    if (isTiny(x, Wt)) {
        tiny(x, Wt, false, b);  // arctan x in (x - x^3/3, x)
        return true;
    }
    const int one = cmpOne(x);
    if (one == 0) {
        const Nat A = piScaled(Wt);
        b.lo = divSmall(subSat(A, Nat(2)), 4);
        b.hi = divCeil(add(A, Nat(2)), Nat(4));
        b.s = Wt;
        b.neg = x.neg;
        return true;
    }
    if (one < 0) {
        const int64_t W = Wt - x.msd();
        bool inexact;
        const Nat X = fixedOf(x, W, &inexact);
        Approx th = atanFixed(X, W);
        if (inexact) th.err += 1;
        b = boundsOf(th, W, x.neg);
        return true;
    }
    // arctan x = pi/2 - arctan(1/x); 1/x cut within a unit. (W a multiple
    // of 4: pi's places then come as whole limbs.)
    const int64_t W = (Wt + 4) / 4 * 4;
    const Nat X = W - x.e >= 0 ? divFloor(pow10(W - x.e), x.m) : Nat();
    if (X.isZero()) {
        // 1/x below a unit: arctan x is pi/2 less than a unit, and with
        // pi/2's own 2 units (and one to spare) the bounds are pi/2 -+ 4,
        // formed on pi/2's digits without the series' copies of them.
        b.hi = halfPi(W);
        b.lo = b.hi;
        subSmall(b.lo, 4);
        addSmall(b.hi, 4);
        b.s = W;
        b.neg = x.neg;
        return true;
    }
    Approx th = atanFixed(X, W);
    th.err += 1;
    b = boundsOf(fromHalfPi(th, W), W, x.neg);
    return true;
}

// sqrt(1 - u^2) for u = m 10^e < 1 at scale W, within a unit; W is raised
// first, when needed, so that the root keeps Wt digits of its own.
Nat cofactor(const Arg& u, int64_t Wt, int64_t* W) {
    // u^2 below 10^-(W+2): the root lies in (1 - u^2, 1).
    if (2 * (u.msd() + 1) <= -(*W + 2)) return pow10(*W);
    const Nat nv = sub(pow10(-2 * u.e), mul(u.m, u.m));  // (1 - u^2) 10^-2e
    const int64_t msdV = (nv.digits() - 1 + 2 * u.e) / 2 - 1;
    if (msdV < 0) *W = std::max(*W, Wt - msdV);
    if (*W + u.e < 0) *W = -u.e;
    return isqrt(mulPow10(nv, 2 * (*W + u.e)));
}

// atan2(a, b) for a, b > 0 at scale W given A within ea and B within eb
// units: arctan(a/b) or pi/2 - arctan(b/a), the quotient at most 1.
Approx atan2Fixed(const Nat& A, double ea, const Nat& B, double eb, int64_t W) {
    const bool swap = B < A;
    const Nat& num = swap ? B : A;
    const Nat& den = swap ? A : B;
    const double en = swap ? eb : ea, ed = swap ? ea : eb;
    // q = num/den: |dq| <= (en + q ed) / den_low, q <= 1.
    const Nat dl = std::isfinite(ed) ? subSat(den, errUnits(ed)) : Nat();
    const Nat Q = divFloor(mulPow10(num, W), den);
    const double invDl = dl.isZero() ? HUGE_VAL : std::pow(10.0, static_cast<double>(W) - dl.log10());
    Approx th = atanFixed(Q, W);
    th.err += 1.001 * (en + ed) * invDl + 1;
    return swap ? fromHalfPi(th, W) : th;
}

bool arcsin(const Arg& x, int64_t Wt, Bounds& b) {
    if (isTiny(x, Wt)) {
        tiny(x, Wt, true, b);  // arcsin x in (x, x + x^3/6 (1 + x^2))
        return true;
    }
    int64_t W = Wt - std::min<int64_t>(x.msd(), 0) + 1;
    const Nat V = cofactor(x, Wt, &W);
    bool inexact;
    const Nat U = fixedOf(x, W, &inexact);
    b = boundsOf(atan2Fixed(U, inexact ? 1 : 0, V, 1, W), W, x.neg);
    return true;
}

bool arccos(const Arg& x, int64_t Wt, Bounds& b) {
    int64_t W = Wt + 1;
    const Nat V = cofactor(x, Wt, &W);
    bool inexact;
    const Nat U = fixedOf(x, W, &inexact);
    Approx th = atan2Fixed(V, 1, U, inexact ? 1 : 0, W);
    if (x.neg) {
        // pi - arccos|x|: pi within 2 units.
        th.x = subSat(piScaled(W), th.x);
        th.err += 2;
    }
    b = boundsOf(th, W, false);
    return true;
}

template <class F>
void inverse(const Arg& x, KVnum* res, F fn) {
    settle(res, [&](int64_t guard, Bounds& b) { return fn(x, digitsOf(res, guard), b); });
}

// arctan x for |x| > 10^W, W the first round's scale, is the same number
// for every such x at a given precision: the first round bounds it by
// pi/2 -+ 4 units whatever x is, and when those bounds settle it, that is
// the result. Kept per precision, as the head limbs and exponent of
// arctan(+inf) truncated; a precision whose bounds do not settle at once
// is marked and left to the general route.
struct HugeAtan {
    bool settled = false;
    std::vector<kv::limb_t> head;
    int64_t e = 0;
};

struct HugeAtanCache {
    std::mutex lock;
    std::map<int, std::shared_ptr<const HugeAtan>> byPrecision;
};

HugeAtanCache& hugeAtanCache() {
    static HugeAtanCache c;
    return c;
}

// The scale of settle's first round for arctan beyond 1 (a multiple of 4).
int64_t firstScale(const KVnum* res) { return (digitsOf(res, 12) + 4) / 4 * 4; }

// Sets res to arctan x for |x| > 10^W (sign neg) from the cache, filling it
// on first use; false when that precision's bounds do not settle at once.
bool hugeArctan(bool neg, KVnum* res) {
    HugeAtanCache& c = hugeAtanCache();
    const int n = res->Nlimbs();
    std::shared_ptr<const HugeAtan> v;
    {
        std::lock_guard<std::mutex> g(c.lock);
        auto it = c.byPrecision.find(n);
        if (it != c.byPrecision.end()) v = it->second;
    }
    if (!v) {
        auto fresh = std::make_shared<HugeAtan>();
        const int64_t W = firstScale(res);
        Bounds b;
        b.hi = halfPi(W);
        b.lo = b.hi;
        subSmall(b.lo, 4);
        addSmall(b.hi, 4);
        b.s = W;
        KVnum t(n);
        const int h = KVnum::HeadIndex(n);
        if (finish(b, &t) && t.Top() == h) {
            fresh->settled = true;
            fresh->head.resize(static_cast<size_t>(h) + 1);
            for (int i = 0; i <= h; ++i) fresh->head[static_cast<size_t>(i)] = t.Limb(i);
            fresh->e = t.Expo();
        }
        std::lock_guard<std::mutex> g(c.lock);
        v = c.byPrecision.emplace(n, std::move(fresh)).first->second;
    }
    if (!v->settled) return false;
    KVnumInternal::setHead(*res, v->head.data(), v->e, neg);
    return true;
}

}  // namespace

void exactArctan(const KVnum& xin, KVnum* res) {
    if (xin.IsZero()) {
        *res = 0;
        return;
    }
    // Beyond 10^W by a whole digit, read off x's leading limb (cutting x to
    // res's precision keeps it); the rest take the general route, whose
    // first round gives the same bounds for |x| > 10^W.
    const int64_t msd = static_cast<int64_t>(xin.Expo()) + 4 * static_cast<int64_t>(xin.Top()) +
                        kv::limb_digits(xin.Limb(xin.Top())) - 1;
    if (msd > firstScale(res) && hugeArctan(xin.Minus(), res)) return;
    const Arg x = heldArg(xin, res);
    inverse(x, res, arctan);
}

void exactArcsin(const KVnum& xin, KVnum* res) {
    const Arg x = heldArg(xin, res);
    if (x.zero()) {
        *res = 0;
        return;
    }
    const int one = cmpOne(x);
    if (one > 0) {
        reportError("x^2 must be less than or equal to 1");
        *res = 0;
        return;
    }
    if (one == 0) {
        // +-pi/2.
        settle(res, [&](int64_t guard, Bounds& b) {
            const int64_t W = digitsOf(res, guard);
            const Nat H = halfPi(W);
            b.lo = subSat(H, Nat(2));
            b.hi = add(H, Nat(2));
            b.s = W;
            b.neg = x.neg;
            return true;
        });
        return;
    }
    inverse(x, res, arcsin);
}

void exactArccos(const KVnum& xin, KVnum* res) {
    const Arg x = heldArg(xin, res);
    const int one = x.zero() ? -1 : cmpOne(x);
    if (one > 0) {
        reportError("x^2 must be less than or equal to 1");
        *res = 0;
        return;
    }
    if (one == 0 && !x.neg) {
        *res = 0;
        return;
    }
    if (one == 0 || x.zero()) {
        // pi (x = -1) or pi/2 (x = 0).
        settle(res, [&](int64_t guard, Bounds& b) {
            const int64_t W = digitsOf(res, guard);
            const Nat A = x.zero() ? halfPi(W) : piScaled(W);
            b.lo = subSat(A, Nat(2));
            b.hi = add(A, Nat(2));
            b.s = W;
            return true;
        });
        return;
    }
    inverse(x, res, arccos);
}

}  // namespace kvtrig

// kvcalc: ball arithmetic over KVnum.
#include "Ball.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Num.h"

namespace kvcalc {

volatile int g_interrupted = 0;

void poll() {
    if (g_interrupted) throw CalcError{1, "Interrupted"};
}

namespace {

// Every bound computed in doubles is widened by this factor (up) or shrunk
// by it (down): far more than the few roundings of each step.
const double kUp = 1.0 + 1e-13;
const double kDown = 1.0 - 1e-13;

// v x 10^e as a bound: v > 0 brought into [1, 10), rounded in the given
// direction.
Mag norm(double v, int64_t e, bool up) {
    if (!(v > 0)) return Mag{};
    const int k = static_cast<int>(std::floor(std::log10(v)));
    v /= std::pow(10.0, k);
    e += k;
    while (v >= 10) {
        v /= 10;
        ++e;
    }
    while (v < 1) {
        v *= 10;
        --e;
    }
    v *= up ? kUp : kDown;
    if (v >= 10) {
        v /= 10;
        ++e;
    }
    if (v < 1) {
        v *= 10;
        --e;
    }
    return Mag{v, e};
}

// The top limbs of x as a double and the exponent of the last of them.
double topValue(const KVnum& x, int64_t& e) {
    const int t = x.Top();
    double v = 0;
    int used = 0;
    for (int i = t; i >= 0 && used < 4; --i, ++used) v = v * 10000.0 + x.Limb(i);
    e = static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(t - used + 1);
    return v;
}

bool moreBelow(const KVnum& x) { return x.Top() >= 4; }

}  // namespace

Mag Mag::of(double v) { return norm(std::fabs(v), 0, true); }

double Mag::log10() const { return m == 0 ? -1e300 : std::log10(m) + static_cast<double>(e); }

Mag operator+(const Mag& a, const Mag& b) {
    if (a.isZero()) return b;
    if (b.isZero()) return a;
    const Mag& big = a.e >= b.e ? a : b;
    const Mag& small = a.e >= b.e ? b : a;
    const int64_t d = big.e - small.e;
    if (d > 30) return norm(big.m * (1 + 1e-12), big.e, true);
    return norm(big.m + small.m * std::pow(10.0, -static_cast<double>(d)), big.e, true);
}

Mag operator*(const Mag& a, const Mag& b) {
    if (a.isZero() || b.isZero()) return Mag{};
    return norm(a.m * b.m, a.e + b.e, true);
}

Mag divUp(const Mag& a, const Mag& b) {
    if (a.isZero()) return Mag{};
    if (b.isZero()) throw NeedPrecision{};
    return norm(a.m / b.m, a.e - b.e, true);
}

int cmp(const Mag& a, const Mag& b) {
    if (a.isZero() || b.isZero()) return a.isZero() ? (b.isZero() ? 0 : -1) : 1;
    if (a.e != b.e) return a.e < b.e ? -1 : 1;
    return a.m < b.m ? -1 : a.m > b.m ? 1 : 0;
}

Mag magUpper(const KVnum& x) {
    if (x.IsZero()) return Mag{};
    int64_t e;
    const double v = topValue(x, e);
    return norm(moreBelow(x) ? v + 1 : v, e, true);
}

Mag magLower(const KVnum& x) {
    if (x.IsZero()) return Mag{};
    int64_t e;
    const double v = topValue(x, e);
    return norm(v, e, false);
}

Mag subDown(const Mag& b, const Mag& a) {
    if (a.isZero()) return Mag{b.m * kDown < 1 ? b.m * kDown * 10 : b.m * kDown, b.m * kDown < 1 ? b.e - 1 : b.e};
    if (b.isZero() || cmp(a, b) >= 0) return Mag{};
    const int64_t d = b.e - a.e;
    if (d > 30) return norm(b.m * (1 - 1e-12), b.e, false);
    const double v = b.m - a.m * std::pow(10.0, -static_cast<double>(d)) * kUp;
    return norm(v, b.e, false);
}

KVnum toKV(const Mag& m, int limbs) {
    if (m.isZero()) return KVnum(limbs);
    // Below the library's exponent range: a larger bound that it holds.
    if (m.e < -2000000000) return make(limbs, "1e-2000000000");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17ge%lld", m.m * kUp, static_cast<long long>(m.e));
    return make(limbs, buf);
}

int64_t lowExp(const KVnum& x) {
    int i = 0;
    while (x.Limb(i) == 0) ++i;
    int32_t v = x.Limb(i);
    int tz = 0;
    while (v % 10 == 0) {
        v /= 10;
        ++tz;
    }
    return static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(i) + tz;
}

int64_t sigDigits(const KVnum& x) {
    if (x.IsZero()) return 0;
    return mag10(x) - lowExp(x) + 1;
}

int limbsExact(int64_t digits) {
    const int64_t n = 2 * ((digits + 3) / 4 + 3);
    if (n > KVnum::MAX_LIMBS) throw CalcError{1, "Number too long"};
    return static_cast<int>(std::max<int64_t>(n, 10));
}

namespace {

KVnum exactAddSub(const KVnum& a, const KVnum& b, bool subtract) {
    if (b.IsZero()) return a;
    if (a.IsZero()) return subtract ? negOf(b) : b;
    const int64_t top = std::max(mag10(a), mag10(b)) + 2;
    const int64_t low = std::min(lowExp(a), lowExp(b));
    KVnum r(limbsExact(top - low + 1));
    r = a;
    if (subtract) r -= b;
    else r += b;
    return r;
}

}  // namespace

KVnum exactAdd(const KVnum& a, const KVnum& b) { return exactAddSub(a, b, false); }
KVnum exactSub(const KVnum& a, const KVnum& b) { return exactAddSub(a, b, true); }

KVnum exactMul(const KVnum& a, const KVnum& b) {
    if (a.IsZero() || b.IsZero()) return KVnum(10);
    KVnum r(limbsExact(sigDigits(a) + sigDigits(b) + 1));
    r = a;
    r *= b;
    return r;
}

int exactCmp(const KVnum& a, const KVnum& b) {
    const KVnum d = exactSub(a, b);
    return d.IsZero() ? 0 : d.Minus() ? -1 : 1;
}

KVnum cutTo(const KVnum& x, int limbs, bool& lost) {
    KVnum r(limbs);
    r = x;
    lost = !x.IsZero() && (r.IsZero() || lowExp(x) < r.Expo());
    return r;
}

KVnum shift10(const KVnum& x, int64_t k) {
    if (x.IsZero() || k == 0) return x;
    KVnum r(std::max(x.Nlimbs(), limbsExact(sigDigits(x) + 4)));
    r = x;
    r *= pow10(r.Nlimbs(), k);
    return r;
}

// ---------------------------------------------------------------------------

int Ball::sign() const {
    if (rad.isZero()) return mid.IsZero() ? 0 : (mid.Minus() ? -1 : 1);
    if (!mid.IsZero() && cmp(magLower(mid), rad) > 0) return mid.Minus() ? -1 : 1;
    NeedPrecision np;
    np.digits = mid.IsZero() ? 0 : static_cast<int64_t>(rad.log10() - magLower(mid).log10()) + 4;
    throw np;
}

bool Ball::hasZero() const {
    if (rad.isZero()) return mid.IsZero();
    return mid.IsZero() || cmp(magLower(mid), rad) <= 0;
}

Mag Ball::lower() const { return subDown(magLower(mid), rad); }

namespace {

// The radius used for the ends: no finer than a ten-thousandth of the
// midpoint's last place (a wider ball is still a ball), so that the ends
// have about the midpoint's digits however small the radius is.
Mag endRadius(const Ball& b) {
    if (b.rad.isZero() || b.mid.IsZero()) return b.rad;
    const int64_t floorE = static_cast<int64_t>(b.mid.Expo()) - 4;
    return b.rad.e < floorE ? Mag::pow10(floorE) : b.rad;
}

}  // namespace

KVnum Ball::lo() const { return rad.isZero() ? mid : exactSub(mid, toKV(endRadius(*this), 10)); }
KVnum Ball::hi() const { return rad.isZero() ? mid : exactAdd(mid, toKV(endRadius(*this), 10)); }

Ball ballOf(const KVnum& x, int limbs) {
    bool lost = false;
    KVnum m = cutTo(x, limbs, lost);
    return Ball(m, lost ? Mag::pow10(m.IsZero() ? mag10(x) + 1 : m.Expo()) : Mag{});
}

Ball ballOf(long long v, int limbs) { return Ball(make(std::max(limbs, limbsExact(24)), v), Mag{}); }

namespace {

// Bound of the truncation of an operation whose result r was formed from
// operands whose last places weigh 10^ea and 10^eb (or nothing for zeros).
Mag cutError(const KVnum& r, const KVnum* a, const KVnum* b) {
    int64_t e = INT64_MIN;
    if (!r.IsZero()) e = r.Expo();
    if (a && !a->IsZero()) e = std::max<int64_t>(e, a->Expo());
    if (b && !b->IsZero()) e = std::max<int64_t>(e, b->Expo());
    if (e == INT64_MIN) return Mag{};
    return Mag{2.0, e};
}

long g_seenReports = 0;

void checkReports() {
    if (reportCount() != g_seenReports) {
        g_seenReports = reportCount();
        throw CalcError{1, lastReport()};
    }
}

}  // namespace

Ball add(const Ball& a, const Ball& b) {
    poll();
    const int W = std::max(a.limbs(), b.limbs());
    if (a.exact() && b.exact()) {
        bool lost;
        KVnum r = cutTo(exactAdd(a.mid, b.mid), W, lost);
        return Ball(r, lost ? Mag{1.0, static_cast<int64_t>(r.Expo())} : Mag{});
    }
    g_seenReports = reportCount();
    KVnum r(W);
    r = a.mid;
    r += b.mid;
    checkReports();
    return Ball(r, a.rad + b.rad + cutError(r, &a.mid, &b.mid));
}

Ball neg(const Ball& a) { return Ball(negOf(a.mid), a.rad); }

Ball absb(const Ball& a) { return a.mid.Minus() ? neg(a) : a; }

Ball sub(const Ball& a, const Ball& b) { return add(a, neg(b)); }

Ball mul(const Ball& a, const Ball& b) {
    poll();
    const int W = std::max(a.limbs(), b.limbs());
    g_seenReports = reportCount();
    KVnum r(W);
    r = a.mid;
    r *= b.mid;
    checkReports();
    Mag rad = magUpper(a.mid) * b.rad + magUpper(b.mid) * a.rad + a.rad * b.rad;
    if (!r.IsZero()) {
        const bool exact = a.exact() && b.exact() && lowExp(a.mid) + lowExp(b.mid) >= r.Expo();
        if (!exact) rad = rad + Mag{2.0, static_cast<int64_t>(r.Expo())};
    }
    return Ball(r, rad);
}

Ball div(const Ball& a, const Ball& b) {
    poll();
    if (b.exact() && b.mid.IsZero()) throw CalcError{1, "Division by zero"};
    if (b.hasZero()) {
        NeedPrecision np;
        np.digits = b.mid.IsZero() ? 0 : static_cast<int64_t>(b.rad.log10() - magLower(b.mid).log10()) + 4;
        throw np;
    }
    const int W = std::max(a.limbs(), b.limbs());
    if (a.mid.IsZero()) return Ball(KVnum(W), divUp(a.rad, b.lower()));
    g_seenReports = reportCount();
    // The library cuts a quotient at the weight of the dividend's last limb:
    // with the divisor brought below 1 by a whole number of limbs (an exact
    // shift), that is no coarser than the quotient's own last place.
    const int64_t m = mag10(b.mid) + 1;
    const int64_t s = 4 * ((m >= 0 ? m + 3 : m) / 4);
    KVnum d(W);
    d = b.mid;
    if (s != 0) d *= pow10(W, -s);
    KVnum q(W);
    q = a.mid;
    const int64_t ea = q.Expo();
    q /= d;
    checkReports();
    Mag cut = Mag{1.0, ea} + Mag{1.0, static_cast<int64_t>(q.Expo())};
    if (s != 0) {
        q *= pow10(W, -s);
        checkReports();
        cut = cut * Mag::pow10(-s);
    }
    // |a/b - ma/mb| <= (ra + |ma/mb| rb) / (|mb| - rb).
    Mag rad = cut;
    if (!a.rad.isZero() || !b.rad.isZero()) rad = rad + divUp(a.rad + magUpper(q) * b.rad, b.lower());
    if (a.exact() && b.exact()) {
        // An exact quotient that fits loses nothing: q * b = a.
        KVnum back = exactMul(q, b.mid);
        if (exactCmp(back, a.mid) == 0) rad = Mag{};
    }
    return Ball(q, rad);
}

Ball mulSmall(const Ball& a, long long k) { return mul(a, ballOf(k, a.limbs())); }
Ball divSmall(const Ball& a, long long k) { return div(a, ballOf(k, a.limbs())); }

Ball mulPow2(const Ball& a, int k) {
    if (k == 0) return a;
    const int n = k < 0 ? -k : k;
    // 2^n and 0.5^n are exact decimals of about 0.3 n and n digits.
    KVnum p(limbsExact(n + 4));
    p = k > 0 ? "2" : "0.5";
    KVnum e(p.Nlimbs());
    e = n;
    p ^= e;
    return mul(a, ballOf(p, std::max(a.limbs(), limbsExact(std::min(n, 64) + 4))));
}

Ball powInt(const Ball& a, unsigned long long n) {
    Ball r = ballOf(1, a.limbs());
    if (n == 0) return r;
    Ball base = a;
    bool first = true;
    while (n) {
        if (n & 1ULL) {
            r = first ? base : mul(r, base);
            first = false;
        }
        n >>= 1;
        if (n) base = mul(base, base);
    }
    return r;
}

Ball widen(const Ball& a, const Mag& r) { return Ball(a.mid, a.rad + r); }

Ball recast(const Ball& a, int limbs) {
    bool lost = false;
    KVnum m = cutTo(a.mid, limbs, lost);
    Mag r = a.rad;
    if (lost) r = r + Mag{1.0, static_cast<int64_t>(m.IsZero() ? mag10(a.mid) + 1 : m.Expo())};
    return Ball(m, r);
}

}  // namespace kvcalc

// Balls: bounds, arithmetic with counted truncations, roots and the Ziv driver.
#include "exact/Ball.h"

#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace kvexact {

namespace {

// Every double operation below is correct to within 2^-53 relative; nudging
// each result by 2^-46 in the wanted direction keeps it a bound with room for
// the normalising steps.
const double UPF = 1.0 + 0x1p-46;
const double DNF = 1.0 - 0x1p-46;

Mag normalise(double v, int64_t e, bool up) {
    Mag r;
    if (!(v > 0)) return r;
    if (std::isinf(v)) return Mag::infinite();
    const double f = up ? UPF : DNF;
    v *= f;
    if (v >= 1e12 || v < 1e-12) {
        const int k = static_cast<int>(std::floor(std::log10(v)));
        v = v / std::pow(10.0, k) * f * f;
        e += k;
    }
    while (v >= 10) {
        v = v / 10 * f;
        ++e;
    }
    while (v < 1) {
        v = v * 10 * f;
        --e;
    }
    // Rounding may leave v a hair outside [1, 10); keep it a bound anyway.
    if (v >= 10) v = up ? 10 : std::nextafter(10.0, 0.0);
    r.m = v;
    r.e = e;
    return r;
}

int digitsOf(int32_t v) { return v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1; }

int headOf(int n) { return n / 2 - 2; }

// Index of the lowest non-zero limb (x non-zero).
int lowOf(const KVnum& x) {
    int i = 0;
    while (x.Limb(i) == 0) ++i;
    return i;
}

// Significant limbs of x: from its lowest non-zero limb to its head.
int sigLimbs(const KVnum& x) { return x.IsZero() ? 0 : x.Top() - lowOf(x) + 1; }

// True when the limbs of x below index `below` are all zero.
bool lowZero(const KVnum& x, int below) {
    for (int i = 0; i < below; ++i)
        if (x.Limb(i) != 0) return false;
    return true;
}

// 10^k as a number of wp limbs: head limb 1, so a product with it only moves
// the exponent.
void powerOfTen(KVnum& out, int64_t k) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "1e%" PRId64, k);
    out = buf;
}

bool expoFits(int64_t e) { return e >= INT32_MIN && e <= INT32_MAX; }

// The exponent the normal form of a value with leading digit position `lead`
// gets at wp limbs, give or take one limb.
int64_t expoFor(int64_t lead, int wp) { return lead - 4 * static_cast<int64_t>(headOf(wp)) - 4; }

// Margin kept from the exponent limits, in digits: values closer than this
// are treated as out of range, so that no KVnum operation ever reports.
const int64_t EXPO_MARGIN = 16;

bool expoSafe(int64_t lead, int wp) {
    const int64_t e = expoFor(lead, wp);
    return e - EXPO_MARGIN >= INT32_MIN && e + 4 + EXPO_MARGIN <= INT32_MAX;
}

}  // namespace

// ---- Mag -------------------------------------------------------------------------------

Mag Mag::infinite() {
    Mag r;
    r.m = std::numeric_limits<double>::infinity();
    return r;
}

bool Mag::isInf() const { return std::isinf(m); }

Mag Mag::pow10(int64_t e) {
    Mag r;
    r.m = 1;
    r.e = e;
    return r;
}

Mag Mag::up(double v, int64_t e) { return normalise(v, e, true); }
Mag Mag::down(double v, int64_t e) { return normalise(v, e, false); }

double Mag::log10() const {
    if (isZero()) return -std::numeric_limits<double>::infinity();
    if (isInf()) return std::numeric_limits<double>::infinity();
    return std::log10(m) + static_cast<double>(e);
}

int cmp(Mag a, Mag b) {
    if (a.isInf() || b.isInf()) return a.isInf() == b.isInf() ? 0 : a.isInf() ? 1 : -1;
    if (a.isZero() || b.isZero()) return a.isZero() == b.isZero() ? 0 : a.isZero() ? -1 : 1;
    if (a.e != b.e) return a.e < b.e ? -1 : 1;
    return a.m < b.m ? -1 : a.m > b.m ? 1 : 0;
}

namespace {

// 10^-d for 0 <= d <= 30 (each within double's rounding of the true value).
double tenToMinus(int64_t d) {
    static const double t[31] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,  1e-9,  1e-10,
                                 1e-11, 1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21,
                                 1e-22, 1e-23, 1e-24, 1e-25, 1e-26, 1e-27, 1e-28, 1e-29, 1e-30};
    return t[d];
}

}  // namespace

Mag addUp(Mag a, Mag b) {
    if (a.isZero()) return b;
    if (b.isZero()) return a;
    if (a.isInf() || b.isInf()) return Mag::infinite();
    if (cmp(a, b) < 0) std::swap(a, b);
    const int64_t d = a.e - b.e;
    if (d > 30) return Mag::up(a.m * (1 + 0x1p-40), a.e);  // b < a * 1e-29
    return Mag::up(a.m + b.m * tenToMinus(d) * UPF, a.e);
}

Mag subDown(Mag a, Mag b) {
    if (b.isZero()) return a;
    if (a.isInf()) return b.isInf() ? Mag() : a;
    if (cmp(a, b) <= 0) return Mag();
    const int64_t d = a.e - b.e;
    if (d > 30) return Mag::down(a.m * (1 - 0x1p-40), a.e);
    const double v = a.m - b.m * tenToMinus(d) * UPF;
    return v > 0 ? Mag::down(v, a.e) : Mag();
}

Mag mulUp(Mag a, Mag b) {
    if (a.isZero() || b.isZero()) return Mag();
    if (a.isInf() || b.isInf()) return Mag::infinite();
    return Mag::up(a.m * b.m, a.e + b.e);
}

Mag mulDown(Mag a, Mag b) {
    if (a.isZero() || b.isZero()) return Mag();
    if (a.isInf() || b.isInf()) return Mag::infinite();
    return Mag::down(a.m * b.m, a.e + b.e);
}

Mag divUp(Mag a, Mag b) {
    if (a.isZero()) return Mag();
    if (b.isZero() || a.isInf()) return Mag::infinite();
    if (b.isInf()) return Mag();
    return Mag::up(a.m / b.m, a.e - b.e);
}

Mag divDown(Mag a, Mag b) {
    if (a.isZero() || b.isInf()) return Mag();
    if (b.isZero() || a.isInf()) return Mag::infinite();
    return Mag::down(a.m / b.m, a.e - b.e);
}

namespace {

// 10^l for a long double l, rounded in the given direction. The logarithms
// involved may be as large as 1e10, where long double keeps about 1e-9 of
// absolute accuracy; the margin covers that many times over.
Mag tenTo(long double l, bool up) {
    if (l > 9e18L) return up ? Mag::infinite() : Mag::infinite();
    if (l < -9e18L) return Mag();
    const long double k = std::floor(l);
    const double v = std::pow(10.0, static_cast<double>(l - k));
    const double margin = 1e-12 * (1.0 + static_cast<double>(std::fabs(l)));
    return up ? Mag::up(v * (1 + margin), static_cast<int64_t>(k))
              : Mag::down(v * (1 - margin), static_cast<int64_t>(k));
}

}  // namespace

Mag powUp(Mag a, double p) {
    if (p == 0) return Mag::pow10(0);
    if (a.isZero() || a.isInf()) return a;
    return tenTo((std::log10(static_cast<long double>(a.m)) + a.e) * p, true);
}

Mag powDown(Mag a, double p) {
    if (p == 0) return Mag::pow10(0);
    if (a.isZero() || a.isInf()) return a;
    return tenTo((std::log10(static_cast<long double>(a.m)) + a.e) * p, false);
}

Mag expUp(Mag a) {
    if (a.isZero()) return Mag::pow10(0);
    if (a.isInf() || a.e > 17) return Mag::infinite();
    // Below 10^-3 (the radii and relative errors of every series): e^a <=
    // 1 + a + a^2 <= 1 + 1.001 a, in double without the long double powers
    // below. Below 10^-20 the 1 alone, which Mag::up's nudge of 2^-46 lifts
    // above 1 + a.
    if (a.e < -3) return Mag::up(1.0 + (a.e < -20 ? 0.0 : 1.001 * a.m * std::pow(10.0, static_cast<double>(a.e))), 0);
    const long double v = static_cast<long double>(a.m) * std::pow(10.0L, static_cast<long double>(a.e));
    return tenTo(v * 0.43429448190325182765L * (1 + 1e-15L), true);
}

namespace {

// The head limbs of x (three at most) as an integer, and the exponent of the
// last of them; `more` tells whether non-zero limbs lie below.
double headValue(const KVnum& x, int64_t& e, bool& more) {
    const int h = x.Top();
    const int lo = h >= 2 ? h - 2 : 0;
    double v = 0;
    for (int i = h; i >= lo; --i) v = v * 10000 + x.Limb(i);
    e = static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(lo);
    more = lo > 0;
    return v;
}

}  // namespace

Mag magUp(const KVnum& x) {
    if (x.IsZero()) return Mag();
    int64_t e;
    bool more;
    const double v = headValue(x, e, more);
    return Mag::up(v + 1, e);
}

Mag magDown(const KVnum& x) {
    if (x.IsZero()) return Mag();
    int64_t e;
    bool more;
    const double v = headValue(x, e, more);
    return Mag::down(v, e);
}

Mag unitOf(const KVnum& x) { return x.IsZero() ? Mag() : Mag::pow10(x.Expo()); }

int64_t leadOf(const KVnum& x) {
    return static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(x.Top()) + digitsOf(x.Limb(x.Top()));
}

// ---- Ball ------------------------------------------------------------------------------

Ball::Ball(int wp) : mid_(wp) {}

Ball::Ball(int64_t v, int wp) : mid_(wp) {
    mid_ = static_cast<long long>(v);
    // Digits of v beyond the precision were cut by the assignment; from 12
    // limbs on (h + 1 >= 5 limbs hold any int64's 19 digits) nothing is.
    if (!mid_.IsZero() && headOf(wp) < 4) {
        KVnum wide(40);
        wide = static_cast<long long>(v);
        KVnum back(40);
        back = mid_;
        back -= wide;
        if (!back.IsZero()) rad_ = unitOf(mid_);
    }
}

Ball::Ball(const KVnum& x, int wp) : mid_(wp) {
    mid_ = x;
    if (x.Nlimbs() > mid_.Nlimbs() && !x.IsZero()) {
        const int d = headOf(x.Nlimbs()) - headOf(mid_.Nlimbs());
        if (!lowZero(x, d)) rad_ = unitOf(mid_);
    }
}

Ball::Ball(const char* text, int wp) : mid_(wp) {
    mid_ = text;
    if (mid_.IsZero() || !text) return;
    // Read the text again at a precision that holds all of its characters:
    // when the two readings differ, digits were cut.
    const size_t len = std::strlen(text);
    const int wide = static_cast<int>(len / 2) + 12;
    if (wide <= mid_.Nlimbs()) return;
    KVnum all(wide), back(wide);
    all = text;
    back = mid_;
    back -= all;
    if (!back.IsZero()) rad_ = unitOf(mid_);
}

Ball::Ball(const KVnum& mid, Mag rad, int wp) : Ball(mid, wp) { rad_ = addUp(rad_, rad); }

Ball& Ball::operator=(const Ball& b) {
    if (this == &b) return *this;
    if (b.prec() == prec()) {
        mid_ = b.mid_;
    } else {
        // A KVnum keeps the precision it was made with: make it again.
        mid_.~KVnum();
        new (&mid_) KVnum(b.mid_);
    }
    rad_ = b.rad_;
    unbounded_ = b.unbounded_;
    oor_ = b.oor_;
    return *this;
}

Mag Ball::absUp() const {
    if (unbounded_) return Mag::infinite();
    return addUp(magUp(mid_), rad_);
}

Mag Ball::absDown() const {
    if (unbounded_) return Mag();
    return subDown(magDown(mid_), rad_);
}

void Ball::widen(Mag r) { rad_ = addUp(rad_, r); }

void Ball::setUnbounded() { unbounded_ = true; }
void Ball::setOutOfRange() { oor_ = true; }

Ball Ball::at(int wp) const {
    Ball r(mid_, wp);
    r.rad_ = addUp(r.rad_, rad_);
    r.unbounded_ = unbounded_;
    r.oor_ = oor_;
    return r;
}

bool Ball::carry(const Ball& b) {
    unbounded_ = unbounded_ || b.unbounded_;
    oor_ = oor_ || b.oor_;
    return unbounded_ || oor_;
}

namespace {

// True when the lowest d digits of x's limbs are not all zero.
bool losesDigits(const KVnum& x, int64_t d) {
    const int64_t q = d / 4;
    const int top = x.Top();
    if (q > top) return true;
    for (int i = 0; i < q; ++i)
        if (x.Limb(i) != 0) return true;
    static const int32_t p10[4] = {1, 10, 100, 1000};
    return x.Limb(static_cast<int>(q)) % p10[d % 4] != 0;
}

// Sum or difference of the midpoints in place, returning the truncation
// error of KVnum's addition.
Mag addMid(KVnum& a, const KVnum& b, bool subtract) {
    if (b.IsZero()) return Mag();
    if (a.IsZero()) {
        if (subtract)
            a -= b;  // 0 - b: b's limbs with the sign turned, exactly
        else
            a = b;
        return Mag();
    }
    const int64_t ea = a.Expo(), eb = b.Expo();
    const int64_t emax = ea > eb ? ea : eb;
    // The operand with the smaller exponent loses its digits below the
    // other's last place: an error only when one of them is not zero.
    const bool cutLoses = ea != eb && losesDigits(ea < eb ? a : b, emax - (ea < eb ? ea : eb));
    if (subtract)
        a -= b;
    else
        a += b;
    Mag err;
    if (cutLoses) err = Mag::pow10(emax);
    if (!a.IsZero() && a.Expo() > emax) err = addUp(err, Mag::pow10(a.Expo()));  // carry out of the head
    return err;
}

}  // namespace

Ball& Ball::operator+=(const Ball& b) {
    if (carry(b)) return *this;
    if (b.prec() != prec()) return *this += b.at(prec());
    rad_ = addUp(addUp(rad_, b.rad_), addMid(mid_, b.mid_, false));
    return *this;
}

Ball& Ball::operator-=(const Ball& b) {
    if (carry(b)) return *this;
    if (b.prec() != prec()) return *this -= b.at(prec());
    rad_ = addUp(addUp(rad_, b.rad_), addMid(mid_, b.mid_, true));
    return *this;
}

Ball& Ball::operator*=(const Ball& b) {
    if (carry(b)) return *this;
    if (b.prec() != prec()) return *this *= b.at(prec());
    // |a b - ma mb| <= |ma| rb + |mb| ra + ra rb.
    Mag r = addUp(addUp(mulUp(magUp(mid_), b.rad_), mulUp(magUp(b.mid_), rad_)), mulUp(rad_, b.rad_));
    if (!mid_.IsZero() && !b.mid_.IsZero()) {
        if (!expoSafe(leadOf(mid_) + leadOf(b.mid_), prec())) {
            oor_ = true;
            return *this;
        }
        const bool fits = sigLimbs(mid_) + sigLimbs(b.mid_) <= headOf(prec()) + 1;
        mid_ *= b.mid_;
        if (!fits) r = addUp(r, unitOf(mid_));
    } else if (!mid_.IsZero()) {
        mid_ *= b.mid_;  // 0
    }
    rad_ = r;
    return *this;
}

Ball& Ball::operator/=(const Ball& b) {
    if (carry(b)) return *this;
    if (b.prec() != prec()) return *this /= b.at(prec());
    const Mag bd = b.absDown();
    if (bd.isZero()) {  // the divisor ball holds 0
        unbounded_ = true;
        return *this;
    }
    // |a/b - ma/mb| = |a mb - ma b| / |b mb| <= (|mb| ra + |ma| rb) / (|mb| (|mb| - rb)).
    const Mag num = addUp(mulUp(magUp(b.mid_), rad_), mulUp(magUp(mid_), b.rad_));
    Mag r = divUp(num, mulDown(magDown(b.mid_), bd));
    if (!mid_.IsZero()) {
        // The quotient is truncated at the weight of the dividend's last
        // limb: with the divisor in [0.1, 1) that costs at most one unit in
        // the quotient's own last limb. Scaling by 10^-L is exact.
        // Divisors below 10^4 cost at most four digits of the quotient
        // (counted); larger ones are scaled.
        const int64_t L = leadOf(b.mid_) > 4 ? leadOf(b.mid_) : 0;
        const int64_t lq = leadOf(mid_) - leadOf(b.mid_) + 1;  // the quotient's, whether or not b is scaled
        if (!expoSafe(lq, prec()) || !expoSafe(leadOf(mid_) + 1, prec())) {
            oor_ = true;
            return *this;
        }
        KVnum d(L != 0 ? prec() : 9);
        if (L != 0) {
            KVnum p(prec());
            powerOfTen(p, -L);
            d = b.mid_;
            d *= p;
        }
        const int64_t eR = mid_.Expo();
        // Only a quotient of exact operands whose limbs could fit is checked.
        const bool bothExact = rad_.isZero() && b.rad_.isZero() && sigLimbs(b.mid_) <= headOf(prec()) / 2 + 1;
        KVnum dividend(bothExact ? 2 * prec() + 8 : 9);
        if (bothExact) dividend = mid_;
        mid_ /= (L != 0 ? d : b.mid_);
        Mag op = addUp(Mag::pow10(eR), unitOf(mid_));
        if (bothExact) {
            // An exact quotient stays exact: q d == R, with room for every
            // limb of the product.
            KVnum back(dividend.Nlimbs());
            back = mid_;
            back *= (L != 0 ? d : b.mid_);
            back -= dividend;
            if (back.IsZero()) op = Mag();
        }
        if (L != 0 && !mid_.IsZero()) {
            KVnum p(prec());
            powerOfTen(p, -L);
            mid_ *= p;
        }
        op.e -= L;
        r = addUp(r, op);
    }
    rad_ = r;
    return *this;
}

Ball& Ball::scale10(int64_t k) {
    if (unbounded_ || oor_) return *this;
    if (!mid_.IsZero()) {
        if (!expoSafe(leadOf(mid_) + k, prec())) {
            oor_ = true;
            return *this;
        }
        KVnum p(prec());
        powerOfTen(p, k);
        mid_ *= p;
    }
    if (!rad_.isZero()) rad_.e += k;
    return *this;
}

Ball& Ball::divInt(int64_t d) {
    if (unbounded_ || oor_) return *this;
    KVnum dn(prec());
    dn = static_cast<long long>(d);
    const Mag ad = Mag::down(static_cast<double>(d < 0 ? -d : d), 0);
    rad_ = divUp(rad_, ad);
    if (!mid_.IsZero()) {
        const int64_t eR = mid_.Expo();
        mid_ /= dn;
        rad_ = addUp(rad_, addUp(Mag::pow10(eR), unitOf(mid_)));
    }
    return *this;
}

Ball& Ball::mulInt(int64_t d) {
    Ball b(d, prec());
    return *this *= b;
}

void Ball::negate() {
    if (mid_.IsZero()) return;
    KVnum z(prec());
    z -= mid_;
    mid_ = z;
}

Ball operator+(Ball a, const Ball& b) { return a += b; }
Ball operator-(Ball a, const Ball& b) { return a -= b; }
Ball operator*(Ball a, const Ball& b) { return a *= b; }
Ball operator/(Ball a, const Ball& b) { return a /= b; }
Ball operator-(Ball a) {
    a.negate();
    return a;
}

Ball powi(const Ball& x, int64_t n) {
    if (n < 0) {
        Ball one(1, x.prec());
        // |n| by squaring, then one division.
        return one / powi(x, n == INT64_MIN ? INT64_MAX : -n);
    }
    Ball r(1, x.prec());
    if (n == 0) return r;
    Ball base = x;
    bool first = true;
    while (n) {
        if (n & 1) {
            if (first)
                r = base;
            else
                r *= base;
            first = false;
        }
        n >>= 1;
        if (n) base *= base;
    }
    return r;
}

int sign(const Ball& x) {
    if (x.unbounded()) return UNDECIDED;
    if (x.mid().IsZero()) return x.rad().isZero() ? 0 : UNDECIDED;
    if (cmp(magDown(x.mid()), x.rad()) > 0) return x.mid().Minus() ? -1 : 1;
    return UNDECIDED;
}

int compare(const Ball& a, const Ball& b) {
    const int wp = a.prec() > b.prec() ? a.prec() : b.prec();
    Ball d = a.at(wp);
    d -= b;
    return sign(d);
}

// ---- roots -----------------------------------------------------------------------------

Ball root(const Ball& x, int64_t n) {
    const int wp = x.prec();
    Ball r(wp);
    if (x.unbounded() || x.outOfRange() || n < 2) {
        if (x.outOfRange()) r.setOutOfRange();
        r.setUnbounded();
        return r;
    }
    const int s = sign(x);
    if (s == 0) return r;
    if (s == UNDECIDED || (s < 0 && (n % 2) == 0)) {
        r.setUnbounded();
        return r;
    }
    if (s < 0) return -root(-x, n);

    // x = M 10^(nE) with M in [1, 10^n): the root is M's times 10^E, and M's
    // root lies in [1, 10), where the quotients below keep their digits.
    {
        const int64_t lead = leadOf(x.mid());
        const int64_t E = (lead - 1 >= 0 ? (lead - 1) / n : -((-(lead - 1) + n - 1) / n));
        if (E != 0) {
            Ball xs = x;
            xs.scale10(-n * E);
            Ball rs = root(xs, n);
            rs.scale10(E);
            return rs;
        }
    }
    // An approximation y by Newton's iteration y <- ((n-1) y + x / y^(n-1)) / n
    // on the midpoint in plain KVnum operations (the ball bound below vouches
    // for the result), its precision doubling from a double's 15 digits.
    const KVnum& xm = x.mid();
    int64_t he;
    bool more;
    const long double lx = std::log10(static_cast<long double>(headValue(xm, he, more))) + he;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16Lf", std::pow(10.0L, lx / n));
    KVnum y(wp);
    y = buf;
    int steps[40], ns = 0;
    for (int p = wp; ns < 38; p = p / 2 + 4) {
        steps[ns++] = p;
        if (p <= 14) break;
    }
    for (int i = ns - 1; i >= -1; --i) {  // the last step twice at wp
        const int p = steps[i < 0 ? 0 : i];
        KVnum Y(p), X(p), T(p), B(p), c(p);
        Y = y;
        X = xm;
        // T = Y^(n-1) by squaring.
        T = 1;
        B = Y;
        for (int64_t e = n - 1; e;) {
            if (e & 1) T *= B;
            e >>= 1;
            if (e) B *= B;
        }
        if (T.IsZero()) break;
        // KVnum cuts a quotient at the weight of the dividend's last limb:
        // x reaches 10^n and n itself may have ten digits, so the quotients
        // below first bring both operands down by the divisor's power of ten
        // (exactly), or x / T would keep only 4h - n digits and Y / n lose
        // n's digits.
        auto divide = [p](KVnum& a, KVnum& b) {
            const int64_t L = leadOf(b);
            if (L > 1) {
                KVnum s(p);
                powerOfTen(s, -L);
                a *= s;
                b *= s;
            }
            a /= b;
        };
        divide(X, T);
        c = static_cast<long long>(n - 1);
        Y *= c;
        Y += X;
        c = static_cast<long long>(n);
        divide(Y, c);
        if (Y.IsZero() || Y.Minus()) break;
        y = Y;
    }

    // The bound: |t - y| = |t^n - y^n| / sum t^k y^(n-1-k) <= |x - y^n| / (n min(t, y)^(n-1)),
    // and min(t, y)^n >= min(x, y^n) over the balls.
    Ball ye(y, wp);
    Ball p = powi(ye, n);
    if (p.outOfRange()) {
        r.setOutOfRange();
        return r;
    }
    Ball d = x;
    d -= p;
    const Mag delta = d.absUp();
    Mag lowPow = x.absDown();
    const Mag pd = p.absDown();
    if (cmp(pd, lowPow) < 0) lowPow = pd;
    const Mag den = mulDown(Mag::down(static_cast<double>(n), 0), powDown(lowPow, static_cast<double>(n - 1) / n));
    r = Ball(y, divUp(delta, den), wp);
    if (den.isZero() || delta.isInf()) r.setUnbounded();
    return r;
}

Ball sqrt(const Ball& x) { return root(x, 2); }

// ---- deciding --------------------------------------------------------------------------

namespace {

// m with its head limb full (four digits), the same value: the mantissa times
// 10^(4 - d) fits the same limbs, and the exponent takes the 10^-(4 - d).
// Results cut from it keep the most digits the precision holds.
KVnum fullHead(const KVnum& m) {
    KVnum r(m);
    if (m.IsZero()) return r;
    const int d = digitsOf(m.Limb(m.Top()));
    if (d == 4) return r;
    KVnum up(m.Nlimbs()), down(m.Nlimbs());
    up = d == 1 ? 1000 : d == 2 ? 100 : 10;
    powerOfTen(down, d - 4);
    r *= up;
    r *= down;
    return r;
}

}  // namespace

bool decide(const Ball& b, int nlimbs, KVnum& out) {
    if (b.unbounded() || b.outOfRange()) return false;
    if (!expoSafe(b.mid().IsZero() ? 0 : leadOf(b.mid()), b.prec())) return false;
    const KVnum m = fullHead(b.mid());
    if (b.rad().isZero()) {
        out = m;
        return true;
    }
    if (m.IsZero()) return false;
    const int d = headOf(m.Nlimbs()) - headOf(nlimbs);
    if (d <= 0) return false;
    // The digits of m below the cut (the tail), against the radius: every
    // number in the ball truncates like m when tail >= rad and
    // ulp - tail > rad, ulp being one unit in the cut's last place.
    int j = d - 1;
    while (j >= 0 && m.Limb(j) == 0) --j;
    if (j < 0) return false;  // m is a cut point itself
    const int64_t e = m.Expo();
    // The tail from below: its two leading limbs.
    const Mag lo = j == 0 ? Mag::down(m.Limb(0), e)
                          : Mag::down(m.Limb(j) * 10000.0 + m.Limb(j - 1), e + 4 * static_cast<int64_t>(j - 1));
    // ulp - tail from the complement of the tail's limbs: 10^(4d) - T =
    // sum (9999 - t_i) 10^(4i) + 1.
    int k = d - 1;
    while (k >= 0 && m.Limb(k) == 9999) --k;
    Mag gap;
    if (k < 0) {
        gap = Mag::pow10(e);
    } else {
        const double c = (9999 - m.Limb(k)) * 10000.0 + (k > 0 ? 9999 - m.Limb(k - 1) : 0);
        gap = Mag::down(c, e + 4 * static_cast<int64_t>(k - 1));
    }
    if (cmp(lo, b.rad()) < 0 || cmp(gap, b.rad()) <= 0) return false;
    if (!expoFits(e + 4 * static_cast<int64_t>(d))) return false;
    out = m;
    return true;
}

bool nearestCut(const Ball& b, int nlimbs, KVnum& out) {
    if (b.unbounded() || b.outOfRange()) return false;
    if (!expoSafe(b.mid().IsZero() ? 0 : leadOf(b.mid()), b.prec())) return false;
    const KVnum m = fullHead(b.mid());
    out = m;
    if (m.IsZero()) return true;
    const int d = headOf(m.Nlimbs()) - headOf(nlimbs);
    if (d <= 0) return true;
    // m's tail against half a unit of the cut: its top limb decides, except
    // for a top limb of exactly 5000 which the lower limbs decide.
    bool upper = m.Limb(d - 1) > 5000 || (m.Limb(d - 1) == 5000 && !lowZero(m, d - 1));
    if (!upper) return true;
    KVnum unit(nlimbs);
    powerOfTen(unit, static_cast<int64_t>(out.Expo()));
    if (out.Minus())
        out -= unit;
    else
        out += unit;
    return true;
}

Outcome ziv(int nlimbs, const Evaluator& eval, KVnum& out, const ExactHook& exact, int maxLimbs) {
    if (maxLimbs <= 0) maxLimbs = 16 * nlimbs + 64;
    const int hN = headOf(nlimbs);
    const Mag top = Mag::pow10(static_cast<int64_t>(INT32_MAX) + 4 * static_cast<int64_t>(hN) + 4);
    const Mag bottom = Mag::pow10(static_cast<int64_t>(INT32_MIN) + 4 * static_cast<int64_t>(hN));
    int wp = withGuard(nlimbs, 3);
    for (;;) {
        Ball b = eval(wp);
        if (b.outOfRange()) {
            out = 0;
            return Outcome::OutOfRange;
        }
        if (!b.unbounded()) {
            if (cmp(b.absDown(), top) >= 0 || (sign(b) != UNDECIDED && sign(b) != 0 && cmp(b.absUp(), bottom) < 0)) {
                out = 0;
                return Outcome::OutOfRange;
            }
            if (decide(b, nlimbs, out)) return Outcome::Done;
            if (exact) {
                KVnum v(nlimbs);
                if (exact(b, v)) {
                    out = v;
                    return Outcome::Done;
                }
            }
        }
        if (wp >= maxLimbs) {
            if (!nearestCut(b, nlimbs, out)) out = 0;
            return Outcome::Undecided;
        }
        wp += (wp / 4) * 2;
        if (wp > maxLimbs) wp = maxLimbs;
    }
}

}  // namespace kvexact

namespace kvexact {

namespace {

// x = C 10^a with C an integer not divisible by 10: C as a number of n limbs
// (n large enough for x's digits) and a.
int64_t splitTen(const KVnum& x, KVnum& C) {
    const int l = lowOf(x);
    int32_t v = x.Limb(l);
    int tz = 0;
    while (v % 10 == 0) {
        v /= 10;
        ++tz;
    }
    const int64_t a = static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(l) + tz;
    C = x;
    KVnum p(C.Nlimbs());
    powerOfTen(p, -a);
    C *= p;
    return a;
}

long double log10Digits(const KVnum& x) {
    const int h = x.Top();
    const long double v = static_cast<long double>(x.Limb(h)) * 10000 + (h > 0 ? x.Limb(h - 1) : 0);
    return std::log10(v) + (static_cast<long double>(x.Expo()) + 4.0L * (h - 1));
}

// v^n exactly at v's precision (which the caller chose to hold the result).
void powExact(KVnum& v, int64_t n) {
    KVnum base(v.Nlimbs());
    base = v;
    v = 1;
    while (n) {
        if (n & 1) v *= base;
        n >>= 1;
        if (n) base *= base;
    }
}

}  // namespace

bool powersEqual(const KVnum& c, int64_t q, const KVnum& x, int64_t p, int64_t maxDigits) {
    if (c.IsZero() || x.IsZero() || c.Minus() || x.Minus() || q < 1) return false;
    const int wide0 = (c.Nlimbs() > x.Nlimbs() ? c.Nlimbs() : x.Nlimbs()) + 4;
    KVnum C(wide0), X(wide0);
    const int64_t a = splitTen(c, C), b = splitTen(x, X);
    const int64_t ap = p < 0 ? -p : p;
    const long double lc = C.IsZero() ? 0 : log10Digits(C), lx = log10Digits(X);
    const long double digits = lc * q + lx * ap;
    if (digits > maxDigits) return false;
    const int n = static_cast<int>(digits / 2) + 16 + wide0;
    KVnum L(n), R(n), one(n);
    one = 1;
    L = C;
    R = X;
    powExact(L, q);
    powExact(R, ap);
    // Exponents of ten: a q against b p (products checked for overflow).
    __int128 aq = static_cast<__int128>(a) * q, bp = static_cast<__int128>(b) * ap;
    if (p >= 0) return aq == bp && ((L -= R), L.IsZero());
    // C^q X^|p| 10^(a q + b |p|) = 1: the product of the integers is 10^m.
    L *= R;
    const __int128 m = -(aq + bp);
    if (m < 0 || m > INT32_MAX) return false;
    KVnum t(n);
    powerOfTen(t, static_cast<int64_t>(m));
    L -= t;
    return L.IsZero();
}

}  // namespace kvexact

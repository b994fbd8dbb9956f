// Bounds on accumulated truncation errors (see CutBound.h).
#include "CutBound.h"

#include <algorithm>
#include <cmath>


namespace kvfunc {
namespace cut {

const long double NONE = -HUGE_VALL;

namespace {

// 10^d in double: the bounds need a few digits of it, and the long double
// power costs a hundred times more.
double p10(long double d) { return std::pow(10.0, static_cast<double>(d)); }

// log10 |v| for a non-zero v from its top four limbs (whatever lies below
// them is less than a unit of the 10^12 or more they form), in double (off by
// a few units of 1e-16 relative), moved 1e-13 up or down.
long double lg(const KVnum& v, bool upper) {
    const int t = v.Top();
    double m = 0;
    int used = 0;
    for (int i = t; i >= 0 && used < 4; --i, ++used) m = m * 10000 + v.Limb(i);
    const long long e = v.Expo() + 4LL * (t - used + 1);
    return static_cast<long double>(e) + (upper ? std::log10(m + 1) + 1e-13 : std::log10(m) - 1e-13);
}

}  // namespace

// Double arithmetic on the bounds (log10 values up to some 10^9 in magnitude)
// is off by a few units of 2^-53 relative, and a correction from p10 and
// log10 by a few units of 1e-16; every bound is moved up by more.
long double up(long double v) { return std::isinf(v) ? v : v + std::fabs(v) * 1e-15L + 1e-15L; }

long double plus(long double a, long double b) {
    if (a < b) std::swap(a, b);
    if (b == NONE || a == HUGE_VALL) return a;
    // Below 10^-15 of a, b adds less than up() does (log10(1 + 10^-15) is
    // 4.3e-16).
    const long double d = b - a;
    if (d < -15) return up(a);
    return up(a + std::log10(1 + p10(d)));
}

long double times(long double a, long double b) {
    if (a == NONE || b == NONE) return NONE;
    return up(a + b);
}

long double hi(const KVnum& v) { return v.IsZero() ? NONE : lg(v, true); }

long double lo(const KVnum& v) { return v.IsZero() ? NONE : lg(v, false); }

Was was(const KVnum& v) { return Was{v.Expo(), v.IsZero(), v.Minus(), hi(v)}; }

long double mul(const KVnum& r) { return r.IsZero() ? NONE : static_cast<long double>(r.Expo()); }

long double add(const Was& a, const Was& b, const KVnum& r) {
    if (a.zero || b.zero) return NONE;  // a copy of the other operand
    const int32_t w = std::max(a.expo, b.expo);
    long double e = a.expo != b.expo ? static_cast<long double>(w) : NONE;
    if (!r.IsZero() && r.Expo() > w) e = plus(e, r.Expo());
    return e;
}

long double div(const Was& a, const KVnum& b, const KVnum& r) {
    if (a.zero) return NONE;
    long double e = a.expo;
    if (!r.IsZero() && r.Expo() > a.expo) e = plus(e, r.Expo());
    // A cut toward zero takes |a/b| - |r| >= 0, which the leading digits
    // bound too: far more sharply where the quotient keeps fewer digits than
    // the precision (its cut at a's last place is then far above its own).
    const long double q = times(a.hi, -lo(b)), lr = lo(r);
    e = std::min(e, lr >= q ? NONE : up(q + std::log10(1 - p10(lr - q))));
    // A result of magnitude 1 may be the quotient of operands that compare
    // equal: |a/b - 1| < 10^max(Expo) / |b|.
    if (!r.IsZero() && lo(r) < 1e-9L && hi(r) > -1e-9L) e = plus(e, up(std::max(a.expo, b.Expo()) - lo(b)));
    return e;
}

Err sum(const Err& a, const Err& b) { return Err{plus(a.dn, b.dn), plus(a.up, b.up)}; }

Err negated(const Err& a) { return Err{a.up, a.dn}; }

Err scaled(const Err& a, long double lg, bool negative) {
    const Err s{times(a.dn, lg), times(a.up, lg)};
    return negative ? negated(s) : s;
}

long double widest(const Err& a) { return std::max(a.dn, a.up); }

Err towardZero(bool minus, long double e) { return minus ? Err{NONE, e} : Err{e, NONE}; }

Err mulSigned(const KVnum& r) { return towardZero(r.Minus(), mul(r)); }

Err addSigned(const Was& a, const Was& b, bool subtract, const KVnum& r) {
    if (a.zero || b.zero) return Err{};
    Err e;
    // The operand with the smaller exponent is cut toward zero: its share
    // of the result (+a, +b or -b) moves toward zero.
    if (a.expo < b.expo)
        e = towardZero(a.minus, b.expo);
    else if (b.expo < a.expo)
        e = towardZero(b.minus != subtract, a.expo);
    const int32_t w = std::max(a.expo, b.expo);
    if (!r.IsZero() && r.Expo() > w) e = sum(e, towardZero(r.Minus(), r.Expo()));
    return e;
}

Err divSigned(const Was& a, const KVnum& b, const KVnum& r) {
    const long double e = div(a, b, r);
    // A quotient of magnitude 1 may be the 1 of operands that compare equal,
    // off to either side; any other, or 0, is the exact one cut toward zero.
    if (!r.IsZero() && lo(r) < 1e-9L && hi(r) > -1e-9L) return Err{e, e};
    return towardZero(a.minus != b.Minus(), e);
}

Err term(const KVnum& t, const KVnum& p, const Err& eP, long double rF, const KVnum& f) {
    // p/f - x^m/m! = (p - x^m)/f + x^m (1/f - 1/m!), and 0 <= 1/f - 1/m!
    // <= rF/f, so the second part has the sign of x^m, which is p's.
    const long double lf = lo(f);
    const long double m = times(times(plus(hi(p), widest(eP)), rF), -lf);
    const Err e = sum(scaled(eP, -lf, false), p.Minus() ? Err{m, NONE} : Err{NONE, m});
    return sum(e, divSigned(was(p), f, t));
}

long double intProduct(long double r, const KVnum& f) {
    if (f.Expo() <= 0) return r;  // the integer product kept whole
    // |f - f' k| < 10^e for the product f' k, and |f' - (k-1)!| <= r (k-1)!:
    // |f - k!| < 10^e + r k!, and 10^e / k! <= 10^e (1 + r) / (f - 10^e).
    const long double e = f.Expo(), lf = lo(f);
    if (e >= lf) return HUGE_VALL;
    const long double c = e + std::log10(1 + p10(r)) - lf - std::log10(1 - p10(e - lf));
    return plus(r, up(c));
}

long double lfactLo(long long k) {
    int sign;
    const long double v = ::lgammal_r(static_cast<long double>(k) + 1, &sign) / 2.30258509299404568402L;
    return v - 1e-9L * (1 + std::fabs(v));
}

bool halfRight(long double err, const KVnum& s, int n) {
    if (s.IsZero()) return false;
    if (err == NONE) return true;
    const long double ls = lo(s);
    if (!(err < ls)) return false;  // also no bound at all (infinite or NaN)
    // |true value| > |s| - 10^err.
    const long double lt = ls + std::log10(1 - p10(err - ls)) - 1e-13L;
    return err <= lt - 2.0L * (n / 2 - 2) - 1e-9L;
}

}  // namespace cut
}  // namespace kvfunc

// kvcalc: the exact tier's balls with kvcalc's signals.
#include "Ball.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

namespace kvcalc {

volatile int g_interrupted = 0;

void poll() {
    if (g_interrupted) throw CalcError{1, "Interrupted"};
}

namespace {

// How many more digits would make a ball about m with radius r exclude 0.
int64_t digitsToSettle(const Ball& b) {
    if (b.mid().IsZero() || b.unbounded()) return 0;
    return static_cast<int64_t>(b.rad().log10() - kvexact::magDown(b.mid()).log10()) + 4;
}

// A number >= the bound m, with a few digits, at `limbs` limbs.
KVnum above(const Mag& m, int limbs) {
    if (m.isZero()) return KVnum(limbs);
    // Near the bottom of the library's exponent range: a larger bound that
    // it holds.
    const int64_t bottom = static_cast<int64_t>(INT32_MIN) + 100;
    if (m.e < bottom) return make(limbs, "1e" + std::to_string(bottom));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17ge%lld", m.m * (1 + 1e-13), static_cast<long long>(m.e));
    return make(limbs, buf);
}

// The radius used for the ends: no finer than a ten-thousandth of the
// midpoint's last place (a wider ball is still a ball), so that the ends
// have about the midpoint's digits however small the radius is.
Mag endRadius(const Ball& b) {
    if (b.rad().isZero() || b.mid().IsZero()) return b.rad();
    const int64_t floorE = static_cast<int64_t>(b.mid().Expo()) - 4;
    return b.rad().e < floorE ? Mag::pow10(floorE) : b.rad();
}

}  // namespace

const Ball& checked(const Ball& b, long seen) {
    if (seen >= 0 && reportCount() != seen) throw CalcError{1, lastReport()};
    if (b.outOfRange()) throw CalcError{1, "Exponent out of range."};
    if (b.unbounded()) throw NeedPrecision{};
    return b;
}

int signOf(const Ball& b) {
    const int s = kvexact::sign(checked(b));
    if (s != kvexact::UNDECIDED) return s;
    throw NeedPrecision{digitsToSettle(b)};
}

bool hasZero(const Ball& b) {
    const int s = kvexact::sign(b);
    return s == 0 || s == kvexact::UNDECIDED;
}

KVnum loOf(const Ball& b) { return b.rad().isZero() ? b.mid() : exactSub(b.mid(), above(endRadius(b), 10)); }
KVnum hiOf(const Ball& b) { return b.rad().isZero() ? b.mid() : exactAdd(b.mid(), above(endRadius(b), 10)); }

Ball ballOf(const KVnum& x, int limbs) { return Ball(x, limbs); }

Ball ballOf(long long v, int limbs) { return Ball(static_cast<int64_t>(v), std::max(limbs, 12)); }

Ball add(const Ball& a, const Ball& b) {
    poll();
    const long seen = reportCount();
    Ball r = atLeast(a, b.prec());
    r += b;
    return checked(r, seen);
}

Ball sub(const Ball& a, const Ball& b) {
    poll();
    const long seen = reportCount();
    Ball r = atLeast(a, b.prec());
    r -= b;
    return checked(r, seen);
}

Ball mul(const Ball& a, const Ball& b) {
    poll();
    const long seen = reportCount();
    Ball r = atLeast(a, b.prec());
    r *= b;
    return checked(r, seen);
}

Ball div(const Ball& a, const Ball& b) {
    poll();
    if (b.exact() && b.mid().IsZero()) throw CalcError{1, "Division by zero"};
    if (hasZero(b)) throw NeedPrecision{digitsToSettle(b)};
    const long seen = reportCount();
    Ball r = atLeast(a, b.prec());
    r /= b;
    return checked(r, seen);
}

Ball neg(const Ball& a) { return -a; }

Ball absb(const Ball& a) { return a.mid().Minus() ? -a : a; }

Ball mulSmall(const Ball& a, long long k) { return mul(a, ballOf(k, a.prec())); }

Ball divSmall(const Ball& a, long long k) {
    if (k == 0) throw CalcError{1, "Division by zero"};
    const long seen = reportCount();
    Ball r = a;
    r.divInt(k);
    return checked(r, seen);
}

Ball mulPow2(const Ball& a, int k) {
    if (k == 0) return a;
    const int n = k < 0 ? -k : k;
    // 2^n, or 0.5^n = 5^n 10^-n: exact while its digits fit.
    const int W = std::max(a.prec(), limbsExact(std::min(n, 64) + 4));
    Ball f = kvexact::powi(Ball(k > 0 ? 2 : 5, W), n);
    if (k < 0) f.scale10(k);
    return mul(a, f);
}

Ball powInt(const Ball& a, unsigned long long n) {
    poll();
    const long seen = reportCount();
    return checked(kvexact::powi(a, static_cast<int64_t>(n)), seen);
}

Ball widen(Ball a, const Mag& r) {
    a.widen(r);
    return a;
}

}  // namespace kvcalc

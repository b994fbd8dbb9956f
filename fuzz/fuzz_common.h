// Helpers shared by the fuzz targets: read the input as a small script of
// choices and texts, and check the invariants every stored number obeys.
#ifndef KELVANE_FUZZ_COMMON_H
#define KELVANE_FUZZ_COMMON_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <kelvane/KVnum.h>

namespace fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    // A text up to the next 0 byte (or the end), at most `max` bytes.
    std::string text(size_t max = 300) {
        std::string s;
        while (p_ < end_ && *p_ != 0 && s.size() < max) s += static_cast<char>(*p_++);
        if (p_ < end_) ++p_;
        return s;
    }
    bool done() const { return p_ >= end_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

inline void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

inline void checkNormal(const KVnum& x) {
    const int n = x.Nlimbs(), h = KVnum::HeadIndex(n);
    for (int i = 0; i < n; ++i) check(x.Limb(i) >= 0 && x.Limb(i) <= 9999, "limb in 0..9999");
    if (x.Top() < 0) {
        check(x.Expo() == 0 && !x.Minus(), "canonical zero");
        for (int i = 0; i < n; ++i) check(x.Limb(i) == 0, "zero limbs");
        return;
    }
    check(x.Top() == h && x.Limb(h) != 0, "head limb at h");
    for (int i = h + 1; i < n; ++i) check(x.Limb(i) == 0, "headroom limbs zero");
}

// Printing a number with a huge exponent writes that many zeros; the fuzz
// targets keep to exponents whose text stays small.
inline bool printable(const KVnum& x) { return x.Expo() > -20000 && x.Expo() < 20000; }

// Reports are expected (bad exponents, forced powers); keep them quiet.
inline void quiet() {
    static bool done = false;
    if (!done) {
        KVsetErrorHandler([](const char*, const char*) {});
        done = true;
    }
}

// The first `digits` significant digits of r and f agree: |r - f| <= |r| 10^-digits.
inline void agreeNum(const KVnum& r, const KVnum& f, int n, int digits, const char* what) {
    const int wide = 2 * n + 8;
    KVnum d(wide), a(wide), tol(wide);
    d = r;
    d -= f;
    if (d.IsZero()) return;
    a = r;
    if (a.Minus()) {
        KVnum z(wide);
        z -= a;
        a = z;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "1e-%d", digits);
    tol = buf;
    a *= tol;
    if (d.Minus()) {
        KVnum z(wide);
        z -= d;
        d = z;
    }
    d -= a;
    if (!d.Minus() && !d.IsZero()) {
        KVnum rr(r), ff(f);
        std::printf("%s: %s\nagainst Func %s\n", what, rr.String(0, false), ff.String(0, false));
        fuzz::check(false, what);
    }
}

// a and b hold the same number digit for digit (compared limb by limb: a
// result's text may be far too long to write).
inline bool sameNumber(const KVnum& a, const KVnum& b) {
    if (a.Nlimbs() != b.Nlimbs() || a.Top() != b.Top() || a.Minus() != b.Minus() || a.Expo() != b.Expo()) return false;
    for (int i = 0; i < a.Nlimbs(); ++i)
        if (a.Limb(i) != b.Limb(i)) return false;
    return true;
}

// Both results must be the same number (see sameNumber); shown when they
// are short enough to print.
inline void same(KVnum& r, KVnum& c, int method, const char* what) {
    if (sameNumber(r, c)) return;
    if (printable(r) && printable(c))
        std::printf("method %d: %s\nagainst %s\n", method, r.String(0, false), c.String(0, false));
    check(false, what);
}

// x as a long double; false where x lies beyond long double's range (its
// digits would be lost there).
inline bool toLong(KVnum& x, long double& v) {
    if (x.IsZero()) {
        v = 0;
        return true;
    }
    if (x.Expo() < -4900 || x.Expo() > 4900) return false;
    v = std::strtold(x.String(0, false), nullptr);
    return std::isfinite(v) && v != 0;
}

// |r - t| <= |t| 10^-digits + one unit of r + `slack`, r read as long
// double. `slack` covers what reading the argument as long double moves the
// true value by where the function amplifies it. Skipped where t is not a
// normal long double.
inline void agree(KVnum& r, long double t, double digits, const char* what, long double slack = 0) {
    long double rv;
    if (!std::isfinite(t) || (t != 0 && std::fabs(t) < 1e-4900L) || std::fabs(t) > 1e4900L || !toLong(r, rv)) return;
    const long double ulp = r.IsZero() ? 0 : std::pow(10.0L, static_cast<long double>(r.Expo()));
    const long double tol = std::fabs(t) * std::pow(10.0L, static_cast<long double>(-digits)) + ulp + slack;
    if (std::fabs(rv - t) > tol) {
        std::printf("%s: %.20Lg against %.20Lg\n", what, rv, t);
        check(false, what);
    }
}

}  // namespace fuzz

#endif

// kvcalc: helpers on KVnum values.
#include "Num.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace kvcalc {

namespace {

long g_reports = 0;
std::string g_last;

// Reports are recorded; the evaluation checks the count after each library
// call and gives up on the line with the message. The two reports after
// which the library ends the process are shown at once, or they would be
// lost.
void reportHandler(const char* /*title*/, const char* message) {
    ++g_reports;
    g_last = message ? message : "";
    if (g_last == "Memory allocation failure." || g_last == "Division by zero") {
        std::fprintf(stderr, "Error: %s\n", g_last.c_str());
        std::fflush(stderr);
    }
}

int limbDigits(int32_t v) { return v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1; }

}  // namespace

void installReportHandler() { KVsetErrorHandler(reportHandler); }
long reportCount() { return g_reports; }
const std::string& lastReport() { return g_last; }

int digitsOf(int limbs) { return 4 * (limbs / 2 - 1); }

void assign(KVnum& dst, const KVnum& src) {
    if (&dst == &src) return;
    if (dst.Nlimbs() == src.Nlimbs()) {
        dst = src;
        return;
    }
    KVnum copy(src);
    dst.~KVnum();
    new (&dst) KVnum(copy);
}

KVnum make(int limbs, const char* text) {
    KVnum v(limbs);
    v = text;
    return v;
}

KVnum make(int limbs, const std::string& text) { return make(limbs, text.c_str()); }

KVnum make(int limbs, long long v) {
    KVnum r(limbs);
    r = v;
    return r;
}

int64_t mag10(const KVnum& x) {
    if (x.IsZero()) return 0;
    const int t = x.Top();
    return static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(t) + limbDigits(x.Limb(t)) - 1;
}

void digitsOf(const KVnum& x, std::string& digits, int64_t& last) {
    digits.clear();
    last = 0;
    if (x.IsZero()) return;
    const int t = x.Top();
    digits = std::to_string(x.Limb(t));
    char buf[8];
    for (int i = t - 1; i >= 0; --i) {
        std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(x.Limb(i)));
        digits += buf;
    }
    last = x.Expo();
}

KVnum fromDigits(int limbs, bool negative, const std::string& digits, int64_t last) {
    std::string text;
    if (negative) text += '-';
    text += digits.empty() ? "0" : digits;
    text += 'e';
    text += std::to_string(last);
    return make(limbs, text);
}

KVnum pow10(int limbs, int64_t e) { return make(limbs, "1e" + std::to_string(e)); }

KVnum absOf(const KVnum& x) {
    KVnum r(x);
    if (r.Minus()) {
        KVnum z(x.Nlimbs());
        z -= x;
        r = z;
    }
    return r;
}

KVnum negOf(const KVnum& x) {
    KVnum z(x.Nlimbs());
    z -= x;
    return z;
}

int cmp(const KVnum& x, const char* text) {
    KVnum c(x.Nlimbs());
    c = text;
    return x == c;
}

bool isInteger(const KVnum& x) {
    if (x.IsZero()) return true;
    const int64_t e = x.Expo();
    if (e >= 0) return true;
    for (int i = 0; i <= x.Top(); ++i) {
        const int64_t lo = e + 4 * static_cast<int64_t>(i);  // weight of the limb's units digit
        if (lo >= 0) break;
        const int32_t v = x.Limb(i);
        if (lo + 3 < 0) {
            if (v != 0) return false;
        } else {
            int32_t m = 1;
            for (int64_t k = lo; k < 0; ++k) m *= 10;
            if (v % m != 0) return false;
        }
    }
    return true;
}

KVnum intPart(const KVnum& x) {
    if (x.IsZero() || x.Expo() >= 0) return x;
    if (mag10(x) < 0) return KVnum(x.Nlimbs());
    KVnum r(x);
    r.Intp();
    return r;
}

KVnum roundInt(const KVnum& x) {
    KVnum h(x.Nlimbs());
    h = x.Minus() ? "-0.5" : "0.5";
    KVnum r(x);
    r += h;
    return intPart(r);
}

bool toInt64(const KVnum& x, long long& v) {
    v = 0;
    if (x.IsZero()) return true;
    if (mag10(x) >= 18) return false;
    KVnum i = intPart(x);
    if (i.IsZero()) return true;
    std::string d;
    int64_t last;
    digitsOf(i, d, last);
    long long r = 0;
    const int64_t keep = static_cast<int64_t>(d.size()) + (last < 0 ? last : 0);
    for (int64_t k = 0; k < keep; ++k) r = r * 10 + (d[static_cast<size_t>(k)] - '0');
    for (int64_t k = 0; k < last; ++k) r *= 10;
    v = x.Minus() ? -r : r;
    return true;
}

double approxLog10(const KVnum& x) {
    if (x.IsZero()) return -HUGE_VAL;
    const int t = x.Top();
    double m = x.Limb(t);
    if (t > 0) m += x.Limb(t - 1) / 1e4;
    if (t > 1) m += x.Limb(t - 2) / 1e8;
    return std::log10(m) + static_cast<double>(x.Expo()) + 4.0 * t;
}

double approx(const KVnum& x) {
    if (x.IsZero()) return 0.0;
    const double l = approxLog10(x);
    const double v = l > 300 ? HUGE_VAL : l < -300 ? 0.0 : std::pow(10.0, l);
    return x.Minus() ? -v : v;
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
    // Signs and decades first: the difference of 1e-200000000 and 1 would
    // have 200 million digits.
    const int sa = a.IsZero() ? 0 : a.Minus() ? -1 : 1, sb = b.IsZero() ? 0 : b.Minus() ? -1 : 1;
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    const int64_t ma = mag10(a), mb = mag10(b);
    if (ma != mb) return (ma < mb) == (sa > 0) ? -1 : 1;
    const KVnum d = exactSub(a, b);
    return d.IsZero() ? 0 : d.Minus() ? -1 : 1;
}

KVnum shift10(const KVnum& x, int64_t k) {
    if (x.IsZero() || k == 0) return x;
    KVnum r(std::max(x.Nlimbs(), limbsExact(sigDigits(x) + 4)));
    r = x;
    r *= pow10(r.Nlimbs(), k);
    return r;
}

}  // namespace kvcalc

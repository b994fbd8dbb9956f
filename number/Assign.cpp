// KVnum: assignment from decimal text and from native values.
//
// Every native overload prints its value into convScratch and hands the text
// to the one parser, Assign_main, so that all assignments share one set of
// rules for window, exponent and truncation. Integers whose digits all fit
// the window (every integer of up to 14 digits, at any precision) are built
// in place instead, in exactly the stored form that parsing their text gives:
// the series of the function library assign small integers on every call.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <kelvane/KVnum.h>
#include "kernels.h"
#include "opcount.h"
#include "ReadInt.h"

namespace {

// The longest text printed here is a negative double with 28 significant
// digits and a three-digit exponent: 35 characters and the terminator. One
// buffer per thread, so that threads assigning native values do not meet.
thread_local char convScratch[40];

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// True when c[0..n) are all decimal digits. Eight characters at a time: a
// byte is a digit when its high nibble is 3 and adding 6 leaves it there.
bool allDigits(const char* c, size_t n) {
    const uint64_t hi = 0xF0F0F0F0F0F0F0F0ull, three = 0x3030303030303030ull, six = 0x0606060606060606ull;
    size_t i = 0;
    uint64_t bad = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x;
        std::memcpy(&x, c + i, 8);
        bad |= ((x & hi) ^ three) | (((x + six) & hi) ^ three);
    }
    for (; i < n; ++i) bad |= !isDigit(c[i]);
    return bad == 0;
}

}  // namespace

void KVnum::Assign_main(const char* s) {
    Zero(this);
    if (!s) return;
    const char* t = s;
    size_t L = std::strlen(s);
    bool neg = false;
    if (*t == '-' || *t == '+') {
        neg = *t == '-';
        ++t;
        --L;
    }
    // Exponent marker: the first "e", else "E", else "g", else "G".
    int64_t E = 0;
    const char* mark = nullptr;
    for (char m : {'e', 'E', 'g', 'G'})
        if ((mark = static_cast<const char*>(std::memchr(t, m, L))) != nullptr) break;
    if (mark) {
        L = static_cast<size_t>(mark - t);
        E = kv::readIntSaturating(mark + 1);
    }
    // Only the window takes part; for an even precision it is exactly the
    // digits that h + 1 limbs hold.
    const size_t W = std::min(L, static_cast<size_t>(2 * static_cast<int64_t>(nlimbs) - 4));

    const char* point = static_cast<const char*>(std::memchr(t, '.', W));
    int64_t frac = 0;
    if (point)
        for (const char* c = point + 1; c < t + W; ++c) frac += isDigit(*c);

    // Integer digits past the window are dropped, but their count raises the
    // exponent so that the digits kept keep their place value.
    int64_t dropped = 0;
    if (!point) {
        for (size_t i = W; i < L && t[i] != '.'; ++i) dropped += isDigit(t[i]);
    }

    // Digits from the end of the window toward its start, four to a limb.
    int stored = 0;
    bool allZero = true;
    // A window of digits and at most the one point (the stored constants, the
    // texts of numbers) is read four digits at a time: the digits counted from
    // the end of the window, j = 0, 1, ..., are those after the point and then
    // those before it, and a limb's four lie side by side unless the point
    // falls among them. That is the grouping of the loop below.
    const size_t P = point ? static_cast<size_t>(point - t) : W;  // digits before the point
    if (!kv::plainPaths() && allDigits(t, P) && (!point || allDigits(point + 1, W - P - 1))) {
        const size_t f = point ? W - P - 1 : 0;  // digits after it
        const size_t D = P + f;
        auto at = [&](size_t j) { return t[j < f ? W - 1 - j : P - 1 - (j - f)] - '0'; };
        size_t j = 0;
        for (; j + 4 <= D; j += 4) {
            int32_t g;
            if (j + 3 < f || j >= f) {
                const char* c = j < f ? t + W - 4 - j : t + P - 4 - (j - f);
                g = (c[0] - '0') * 1000 + (c[1] - '0') * 100 + (c[2] - '0') * 10 + (c[3] - '0');
            } else {
                g = at(j) + at(j + 1) * 10 + at(j + 2) * 100 + at(j + 3) * 1000;
            }
            limbs[stored++] = g;
            allZero = allZero && g == 0;
        }
        if (j < D) {
            int32_t g = 0;
            for (int32_t place = 1; j < D; ++j, place *= 10) g += at(j) * place;
            limbs[stored++] = g;
            allZero = allZero && g == 0;
        }
        if (allZero) {
            Zero(this);
            return;
        }
        minus = neg;
        Shift(this, -frac + E + dropped);
        return;
    }
    int32_t group = 0, place = 1;
    for (size_t i = W; i-- > 0 && stored < nlimbs - 1;) {
        if (!isDigit(t[i])) continue;
        group += (t[i] - '0') * place;
        place *= 10;
        if (place == 10000) {
            limbs[stored++] = group;
            if (group) allZero = false;
            group = 0;
            place = 1;
        }
    }
    if (place > 1 && stored < nlimbs - 1) {
        limbs[stored++] = group;
        if (group) allZero = false;
    }
    if (allZero) {
        Zero(this);  // a zero never keeps the text's sign or exponent
        return;
    }
    minus = neg;
    Shift(this, -frac + E + dropped);
}

void KVnum::operator=(const char* s) {
    KV_COUNT(kv::OP_SET_TEXT);
    Ensure(0);
    Assign_main(s);
}

void KVnum::operator=(char* s) { *this = static_cast<const char*>(s); }

void KVnum::AssignNative(const char* text) {
    KV_COUNT(kv::OP_SET_INT);
    Ensure(0);
    Assign_main(text);
}

// The text of an integer is its sign and its digits, which the parser groups
// in fours from the units digit into limbs 0, 1, ... and brings to normal form
// (the top limb to the head index, the exponent down by 4 per limb moved); a
// zero is the zero of normal form. That stored form is written here directly.
// Returns false, touching nothing, when the digits would not all fit the
// window of 2 nlimbs - 4 characters (the parser then drops some).
bool KVnum::AssignInteger(bool neg, uint64_t mag) {
    if (kv::plainPaths()) return false;
    Ensure(0);
    int digits = 1;
    for (uint64_t m = mag; m >= 10; m /= 10) ++digits;
    if (digits > 2 * static_cast<int64_t>(nlimbs) - 4) return false;
    KV_COUNT(kv::OP_SET_INT);
    Zero(this);
    if (mag == 0) return true;
    int32_t part[5];
    int cnt = 0;
    for (; mag != 0; mag /= 10000) part[cnt++] = static_cast<int32_t>(mag % 10000);
    // The top limb goes to the head index; at the smallest precisions a long
    // integer has more limbs than the head holds, and its lowest ones drop.
    const int h = HeadIndex(nlimbs);
    const int up = h - (cnt - 1);
    for (int j = 0; j < cnt; ++j)
        if (j + up >= 0) limbs[j + up] = part[j];
    top = h;
    minus = neg;
    expo = -4 * up;
    return true;
}

namespace {

uint64_t magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

}  // namespace

void KVnum::operator=(int v) {
    if (AssignInteger(v < 0, magnitude(v))) return;
    std::snprintf(convScratch, sizeof convScratch, "%d", v);
    AssignNative(convScratch);
}

void KVnum::operator=(unsigned int v) {
    if (AssignInteger(false, v)) return;
    std::snprintf(convScratch, sizeof convScratch, "%u", v);
    AssignNative(convScratch);
}

void KVnum::operator=(long v) {
    if (AssignInteger(v < 0, magnitude(v))) return;
    std::snprintf(convScratch, sizeof convScratch, "%ld", v);
    AssignNative(convScratch);
}

void KVnum::operator=(unsigned long v) {
    if (AssignInteger(false, v)) return;
    std::snprintf(convScratch, sizeof convScratch, "%lu", v);
    AssignNative(convScratch);
}

void KVnum::operator=(long long v) {
    if (AssignInteger(v < 0, magnitude(v))) return;
    std::snprintf(convScratch, sizeof convScratch, "%" PRId64, static_cast<int64_t>(v));
    AssignNative(convScratch);
}

void KVnum::operator=(unsigned long long v) {
    if (AssignInteger(false, v)) return;
    std::snprintf(convScratch, sizeof convScratch, "%" PRIu64, static_cast<uint64_t>(v));
    AssignNative(convScratch);
}

void KVnum::operator=(double v) {
    if (!std::isfinite(v)) {
        KV_COUNT(kv::OP_SET_INT);
        reportError("Value is not a finite number.");
        Ensure(0);
        Zero(this);
        return;
    }
    std::snprintf(convScratch, sizeof convScratch, "%32.28g", v);
    const char* p = convScratch;
    while (*p == ' ') ++p;  // the field's blanks take no part in the window
    AssignNative(p);
}

void KVnum::operator=(float v) { *this = static_cast<double>(v); }

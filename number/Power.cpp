// KVnum: integer power and integer part.
//
// ^= multiplies n - 1 times, left to right, each product truncated before the
// next: the digits depend on that order, so there is no repeated squaring.
// Intp cuts the number to the integer part that its printed text shows,
// formed from the limbs without printing (with a kernel set installed, by
// printing and reading the text's integer part back).
#include <cstring>
#include <new>
#include <string>

#include <kelvane/KVnum.h>
#include "kernels.h"
#include "opcount.h"

namespace {

// True when a and b (same precision, normal form) have exactly the same value,
// whatever their exponents: the one with the smaller exponent must equal the
// other once cut, and lose only zero digits in the cut.
bool exactlyEqual(const KVnum& a, const KVnum& b) {
    if (a.IsZero() || b.IsZero()) return a.IsZero() && b.IsZero();
    if (a.Minus() != b.Minus()) return false;
    const KVnum& lo = a.Expo() <= b.Expo() ? a : b;
    const KVnum& hi = &lo == &a ? b : a;
    const int n = a.Nlimbs();
    const int64_t d = static_cast<int64_t>(hi.Expo()) - lo.Expo();
    if (d >= 4 * static_cast<int64_t>(n)) return false;
    kv::limb_t* t = kv::scratch(kv::SLOT_POWER_TEMP, static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) t[i] = lo.Limb(i);
    const int whole = static_cast<int>(d / 4);
    for (int i = 0; i < whole; ++i)
        if (t[i] != 0) return false;
    static const int p10[4] = {1, 10, 100, 1000};
    if (t[whole] % p10[d % 4] != 0) return false;
    kv::trunc_digits(t, t, n, d);
    for (int i = 0; i < n; ++i)
        if (t[i] != hi.Limb(i)) return false;
    return true;
}

// floor(|x|) for a stored number with expo <= 0, when it is below 2^62;
// false when it is not.
bool integerCount(const kv::limb_t* limbs, int top, int32_t expo, int64_t* out) {
    *out = 0;
    if (top < 0) return true;
    const int64_t f = -static_cast<int64_t>(expo);  // fractional digits
    const int64_t q = f / 4;                          // whole fractional limbs
    if (q > top) return true;                         // below 1
    static const int64_t p10[4] = {1, 10, 100, 1000};
    int64_t acc = 0;
    for (int64_t i = top; i >= q; --i) {
        if (acc > (INT64_C(1) << 62) / 10000) return false;
        acc = acc * 10000 + limbs[i];
    }
    *out = acc / p10[f % 4];
    return true;
}

}  // namespace

// Intp goes through the number's text, which can outgrow the heap: that is
// the library's fatal report, not an exception.
void KVnum::Intp() try {
    Ensure(0);
    if (kv::plainPaths()) {
        // The plain way: print the number and read back the integer part its
        // text shows. The rest of this function forms the same number from
        // the limbs, without the text.
        String(0, false);
        std::string text(outbuf);
        const size_t point = text.find('.');
        if (point != std::string::npos) {
            text.resize(point);
            Assign_main(text.c_str());
            return;
        }
        KVnum back(nlimbs);
        back.Assign_main(text.c_str());
        if (exactlyEqual(back, *this)) Copyf(this, &back);
        return;
    }
    if (top < 0) return;  // zero prints as "0" and reads back as zero
    if (expo < 0) {
        // The text has a point: its integer part, read back, is floor(|v|)
        // in limbs counted from the units, with the text's sign, brought to
        // normal form (a zero never keeps a sign).
        kv::trunc_digits(limbs, limbs, nlimbs, -static_cast<int64_t>(expo));
        if (kv::top_n(limbs, nlimbs) < 0) {
            Zero(this);
            return;
        }
        Shift(this, 0);
        return;
    }
    // No point: the value is whole already, and its text is the mantissa's
    // D digits and expo zeros. Read back, only the first W = 2 nlimbs - 4
    // characters are digits of the window: the number K they make, grouped
    // into limbs from its units, and the count of the characters dropped
    // after it as exponent. Where a dropped digit is not 0 the value would
    // change, and the number stays as it is.
    const int h = HeadIndex(nlimbs);
    const int64_t D = 4 * static_cast<int64_t>(h) + kv::limb_digits(limbs[h]);
    const int64_t L = D + expo, W = 2 * static_cast<int64_t>(nlimbs) - 4;
    const int64_t dropped = L > W ? L - W : 0;
    const int64_t up = expo - dropped;  // K = M x 10^up (up <= 5) or M cut by 10^-up
    KVnum back(nlimbs);
    if (up >= 0) {
        const int q = static_cast<int>(up / 4);
        kv::scale_digits(back.limbs + q, limbs, h + 1, static_cast<int>(up % 4));
    } else {
        kv::trunc_digits(back.limbs, limbs, h + 1, -up);
    }
    back.minus = minus;
    Shift(&back, dropped);
    if (exactlyEqual(back, *this)) Copyf(this, &back);
} catch (const std::bad_alloc&) {
    reportFatal("Memory allocation failure.");
}

void KVnum::Whole(KVnum* x) const {
    if (x->top < 0 || x->expo >= 0) return;  // whole already
    // Cut the fraction off the magnitude; the integer left sits at exponent
    // 0 and Shift brings it to the normal form that reading its digits gives.
    kv::trunc_digits(x->limbs, x->limbs, nlimbs, -static_cast<int64_t>(x->expo));
    Shift(x, 0);
}

int KVnum::SmallWhole(const KVnum* x) const {
    // Below 10^8 a non-zero number in normal form has a negative exponent
    // (it holds at least 4h + 1 >= 9 digits), and its integer part fits the
    // two lowest limbs once the fraction is cut off: limb j of the cut is
    // formed from limbs q + j and q + j + 1 (q = f div 4 whole limbs and
    // f mod 4 digits of fraction), and only limbs 0 and 1 are needed.
    if (x->top < 0 || x->expo >= 0) return 0;
    const int64_t f = -static_cast<int64_t>(x->expo);
    const int64_t q = f / 4;
    static const kv::limb_t P[4] = {1, 10, 100, 1000};
    const kv::limb_t p = P[f % 4];
    auto limb = [&](int64_t i) { return i < nlimbs ? x->limbs[i] : 0; };
    auto cut = [&](int64_t j) { return limb(q + j) / p + (limb(q + j + 1) % p) * (kv::BASE / p); };
    return cut(0) + kv::BASE * cut(1);
}

void KVnum::operator^=(const KVnum& x) {
    KV_COUNT(kv::OP_POW);
    Ensure(x.limbs ? x.nlimbs : 0);
    int64_t count = 0;
    {
        KVnum tmp;
        const KVnum* y = Same(x, tmp);
        if (y->minus) reportError("Power forced to positive.");
        // An exponent with no digits above the units (expo <= 0) is cut to its
        // integer part and counted down one by one below; below 2^62 the count
        // is kept natively. Anything else takes the general path.
        if (kv::plainPaths() || y->expo > 0 || !integerCount(y->limbs, y->top, y->expo, &count)) {
            PowerGeneral(y);
            return;
        }
    }
    if (top < 0) return;  // 0 to any power stays 0, 0^0 included
    if (count == 0) {
        *this = 1;
        minus = false;
        return;
    }
    if (count == 1) return;
    // 1 to any power stays 1: compared with the stored form of 1.
    if (!minus && CmpOne(this) == 0) return;
    // P runs over the powers in storage of this frame (or the scratch slot),
    // lent to a number for the loop and taken back before it ends.
    kv::LocalLimbs<256> pbuf;
    KVnum P;
    P.limbs = pbuf.get(kv::SLOT_POWER, static_cast<size_t>(nlimbs));
    P.nlimbs = nlimbs;
    Copyf(&P, this);
    for (int64_t k = count; k > 1; --k) {
        P *= *this;
        if (P.top < 0) break;  // left the exponent range: stays zero
    }
    Copyf(this, &P);
    P.limbs = nullptr;
    P.nlimbs = 0;
}

// The power for exponents that are not a small count: a number that counts
// down, as the general rule reads (the exponent's integer part by Intp).
// `y` has this number's precision; its sign was reported already.
void KVnum::PowerGeneral(const KVnum* y) {
    KVnum P(nlimbs), N(nlimbs), U(nlimbs);
    Copyf(&N, y);
    N.minus = false;
    // A number with no fractional digits (expo >= 0) is its own integer part;
    // printing it could take as many characters as the exponent is large.
    if (N.expo < 0) N.Intp();
    if (top < 0) return;  // 0 to any power stays 0, 0^0 included
    if (N.top < 0) {
        *this = 1;
        minus = false;
        return;
    }
    U = 1;
    if (Cmpf(&N, &U) == 0) return;
    if (Cmpf(this, &U) == 0 && !minus) return;
    if (N.expo > 0) {
        // The exponent's units digit is not stored: subtracting 1 could never
        // change it and the count would not end. Any base other than 1 (which
        // returned above) and -1 leaves the exponent range long before.
        reportError("Exponent out of range.");
        Zero(this);
        return;
    }
    Copyf(&P, this);
    while (Cmpf(&N, &U) > 0) {
        P *= *this;
        if (P.top < 0) break;  // left the exponent range: stays zero
        N -= U;
    }
    Copyf(this, &P);
}

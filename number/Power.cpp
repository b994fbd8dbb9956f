// KVnum: integer power and integer part.
//
// ^= multiplies n - 1 times, left to right, each product truncated before the
// next: the digits depend on that order, so there is no repeated squaring.
// Intp prints the number, cuts the text at the point and reads it back.
#include <cstring>
#include <string>

#include "KVnum.h"
#include "kernels.h"

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
    kv::limb_t* t = kv::scratch(4, static_cast<size_t>(n));
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

}  // namespace

void KVnum::Intp() {
    Ensure(0);
    std::string text(String(0, false));
    const size_t point = text.find('.');
    if (point != std::string::npos) {
        text.resize(point);
        Assign_main(text.c_str());
        return;
    }
    // No point: the value is whole already. Reading its text back can lose
    // digits that do not line up with the limbs; then it stays as it is.
    KVnum back(nlimbs);
    back.Assign_main(text.c_str());
    if (exactlyEqual(back, *this)) Copyf(this, &back);
}

void KVnum::Whole(KVnum* x) const {
    if (x->top < 0 || x->expo >= 0) return;  // whole already
    // Cut the fraction off the magnitude; the integer left sits at exponent
    // 0 and Shift brings it to the normal form that reading its digits gives.
    kv::trunc_digits(x->limbs, x->limbs, nlimbs, -static_cast<int64_t>(x->expo));
    ShiftE(x, 0);
}

int KVnum::SmallWhole(const KVnum* x) const {
    // Below 10^8 a non-zero number in normal form has a negative exponent
    // (it holds at least 4h + 1 >= 9 digits), and its integer part fits the
    // two lowest limbs once the fraction is cut off.
    if (x->top < 0 || x->expo >= 0) return 0;
    kv::limb_t* t = kv::scratch(4, static_cast<size_t>(nlimbs));
    kv::trunc_digits(t, x->limbs, nlimbs, -static_cast<int64_t>(x->expo));
    return t[0] + kv::BASE * t[1];
}

void KVnum::operator^=(const KVnum& x) {
    Ensure(x.limbs ? x.nlimbs : 0);
    KVnum P(nlimbs), N(nlimbs), U(nlimbs);
    {
        KVnum tmp;
        Copyf(&N, Same(x, tmp));
    }
    if (N.minus) {
        reportError("Power forced to positive.");
        N.minus = false;
    }
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

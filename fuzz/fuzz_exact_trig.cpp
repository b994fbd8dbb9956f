// ExactFunc's circular functions and pi on random arguments at random
// precisions: every result in normal form; odd functions odd digit for digit
// (the cut is toward zero); where long double holds the argument well
// enough, the result agrees with libm's to the digits both have; where
// Func's series keep their digits (|x| <= 1 for the sine and cosine, the arc
// tangent's plain series, pi), the two agree on half the digits.
#include <cmath>
#include <cstdio>
#include <string>

#include <kelvane/ExactFunc.h>
#include <kelvane/Func.h>

#include "fuzz_common.h"

namespace {

const long double PI_L = 3.141592653589793238462643383279502884L;

// One method of a fresh ExactFunc of `n` limbs, as the switch below calls it.
KVnum call(int n, int method, KVnum& x) {
    ExactFunc f(n);
    switch (method) {
        case 0: return *f.Sin(&x);
        case 1: return *f.Cos(&x);
        case 2: return *f.Tan(&x);
        case 3: return *f.Arctan(&x);
        case 4: return *f.Arcsin(&x);
        case 5: return *f.Arccos(&x);
        case 6: return *f.DtoR(&x);
        case 7: return *f.RtoD(&x);
        default: return *f.Pi();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quiet();
    fuzz::Input in(data, size);
    // Mostly 9 to 48 limbs; one run in eight at 100 to 1,000, where other
    // routes take over (Func is too slow there to compare with).
    const int nb = in.byte();
    const int n = nb < 224 ? 9 + nb % 40 : 100 + (nb - 224) * 29;
    const bool small = n <= 48;
    const int method = in.byte() % 9;
    KVnum x(n);
    x = in.text(80).c_str();
    // Arguments with thousands of integer digits take pi to as many places
    // (the tests time those); keep the runs quick.
    if (!fuzz::printable(x) || (!x.IsZero() && x.Expo() > 3000)) return 0;
    long double xv = 0;
    const bool xl = fuzz::toLong(x, xv);
    const int h = n / 2 - 2;
    const double digits = 4.0 * h < 17 ? 4.0 * h - 1 : 16;
    // Long double holds x to 2^-64 of itself: what that moves a periodic
    // function by, with room.
    const long double dx = std::fabs(xv) * 1e-18L;
    ExactFunc f(n);
    Func g(n);
    KVnum r(n), s(n), mx(n), minus1(n);
    minus1 = -1;
    mx = x;
    mx *= minus1;
    bool odd = true;
    switch (method) {
        case 0:
            r = *f.Sin(&x);
            if (xl && std::fabs(xv) < 1e6L) fuzz::agree(r, std::sin(xv), digits, "Sin", dx);
            if (small && xl && std::fabs(xv) <= 1) fuzz::agreeNum(r, *g.Sin(&x), n, 2 * h, "Sin against Func");
            s = *f.Sin(&mx);
            break;
        case 1:
            odd = false;
            r = *f.Cos(&x);
            if (xl && std::fabs(xv) < 1e6L) fuzz::agree(r, std::cos(xv), digits, "Cos", dx);
            if (small && xl && std::fabs(xv) <= 1) fuzz::agreeNum(r, *g.Cos(&x), n, 2 * h, "Cos against Func");
            s = *f.Cos(&mx);
            fuzz::check((r == s) == 0, "Cos even");
            break;
        case 2:
            r = *f.Tan(&x);
            if (xl && std::fabs(xv) < 1e6L && std::fabs(std::cos(xv)) > 1e-3L)
                fuzz::agree(r, std::tan(xv), digits - 1, "Tan", dx * 1e6L);
            s = *f.Tan(&mx);
            break;
        case 3:
            r = *f.Arctan(&x);
            if (xl) fuzz::agree(r, std::atan(xv), digits, "Arctan", dx);
            if (small && xl && xv * xv <= 0.9L) fuzz::agreeNum(r, *g.Arctan(&x), n, 2 * h, "Arctan against Func");
            s = *f.Arctan(&mx);
            break;
        case 4:
            r = *f.Arcsin(&x);
            // (near +-1 the rounding of x to long double moves the value too far)
            if (xl && std::fabs(xv) < 0.999L) fuzz::agree(r, std::asin(xv), digits - 1, "Arcsin", dx * 100);
            s = *f.Arcsin(&mx);
            break;
        case 5:
            odd = false;
            r = *f.Arccos(&x);
            if (xl && std::fabs(xv) < 0.999L) fuzz::agree(r, std::acos(xv), digits - 1, "Arccos", dx * 100);
            break;
        case 6:
            r = *f.DtoR(&x);
            if (xl) fuzz::agree(r, xv * (PI_L / 180), digits - 1, "DtoR");
            s = *f.DtoR(&mx);
            break;
        case 7:
            r = *f.RtoD(&x);
            if (xl) fuzz::agree(r, xv * (180 / PI_L), digits - 1, "RtoD");
            s = *f.RtoD(&mx);
            break;
        default:
            odd = false;
            r = *f.Pi();
            fuzz::agree(r, PI_L, digits, "Pi");
            if (small) fuzz::agreeNum(r, *g.Pi(), n, 2 * h, "Pi against Func");
            break;
    }
    if (odd) {
        s *= minus1;
        fuzz::check((r == s) == 0, "odd function");
    }
    fuzz::checkNormal(r);
    // The same call two limbs further down, cut back to this precision: both
    // are the true value truncated, so they must be the same number.
    KVnum xw(n + 4), c(n);
    xw = x;
    c = call(n + 4, method, xw);
    fuzz::same(r, c, method, "the same digits two limbs further down");
    return 0;
}

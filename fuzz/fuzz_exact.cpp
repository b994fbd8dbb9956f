// ExactFunc on random arguments at random precisions: every result in normal
// form; where long double holds the value, the result agrees with libm's to
// the digits both have; where Func keeps at least half its digits (its series
// on arguments where they converge well), the two agree on that many.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <kelvane/ExactFunc.h>
#include <kelvane/Func.h>

#include "fuzz_common.h"

namespace {

// One method of a fresh ExactFunc of `n` limbs, as the switch below calls it.
KVnum call(int n, int method, KVnum& x, KVnum& y, int k) {
    ExactFunc f(n);
    switch (method) {
        case 0: return *f.Ln(&x);
        case 1: return *f.Aln(&x);
        case 2: return *f.Log(&x);
        case 3: return *f.LntoLog(&x);
        case 4: return *f.Alog(&x);
        case 5: return *f.Fpower(&x, &y);
        case 6: return *f.Afpower(&x, &y);
        case 7: return *f.Iroot(&x, k);
        case 8: return *f.Factorial(&x);
        case 9: return *f.e();
        default: return *f.PHI();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quiet();
    fuzz::Input in(data, size);
    // Mostly 9 to 40 limbs; one run in eight at 100 to 1,000, where other
    // routes take over (Func is too slow there to compare with).
    const int nb = in.byte();
    const int n = nb < 224 ? 9 + nb % 32 : 100 + (nb - 224) * 29;
    const bool small = n <= 40;
    const int method = in.byte() % 11;
    // Root indices: mostly small, but up to 200 (each order range takes its
    // own route).
    const int kb = in.byte();
    const int k = kb < 192 ? 2 + kb % 12 : 2 + (kb * 7 + in.byte()) % 199;
    KVnum x(n), y(n);
    x = in.text(80).c_str();
    y = in.text(80).c_str();
    if (!fuzz::printable(x) || !fuzz::printable(y)) return 0;
    long double xv, yv;
    const bool xl = fuzz::toLong(x, xv), yl = fuzz::toLong(y, yv);
    const int h = n / 2 - 2;
    const double digits = 4.0 * h < 17 ? 4.0 * h - 1 : 16;  // what both hold
    ExactFunc f(n);
    Func g(n);
    KVnum r(n), t(n);
    const bool pos = !x.IsZero() && !x.Minus();
    const bool near = small && xl && std::fabs(xv) < 1e6L && std::fabs(xv) > 1e-6L;
    switch (method) {
        case 0:
            r = *f.Ln(&x);
            if (pos && xl) fuzz::agree(r, std::log(xv), digits, "Ln", 1e-18L);
            if (pos && near) fuzz::agreeNum(r, *g.Ln(&x), n, 2 * h, "Ln against Func");
            break;
        case 1:
            if (xl && std::fabs(xv) > 1e9L) return 0;  // out of range: checked by the tests
            r = *f.Aln(&x);
            if (xl) fuzz::agree(r, std::exp(xv), digits - 2, "Aln");
            if (small && xl && std::fabs(xv) <= 1) fuzz::agreeNum(r, *g.Aln(&x), n, 2 * h, "Aln against Func");
            break;
        case 2:
            r = *f.Log(&x);
            if (pos && xl) fuzz::agree(r, std::log10(xv), digits, "Log", 1e-18L);
            if (pos && near) fuzz::agreeNum(r, *g.Log(&x), n, 2 * h, "Log against Func");
            break;
        case 3:
            r = *f.LntoLog(&x);
            if (xl) fuzz::agree(r, xv / std::log(10.0L), digits, "LntoLog");
            break;
        case 4:
            if (xl && std::fabs(xv) > 1e9L) return 0;
            r = *f.Alog(&x);
            if (xl) fuzz::agree(r, std::pow(10.0L, xv), digits - 2, "Alog");
            if (small && xl && std::fabs(xv) <= 0.4L) {
                t = x;
                fuzz::agreeNum(r, *g.Alog(&t), n, 2 * h, "Alog against Func");
            }
            break;
        case 5: {
            if (pos && xl && yl && std::fabs(yv * std::log(xv)) > 2e9L) return 0;
            r = *f.Fpower(&x, &y);
            if (pos && xl && yl) fuzz::agree(r, std::pow(xv, yv), digits - 2, "Fpower");
            if (pos && xl && yl && std::fabs(yv * std::log(xv)) <= 1 && near) {
                t = y;
                fuzz::agreeNum(r, *g.Fpower(&x, &t), n, 2 * h, "Fpower against Func");
            }
            break;
        }
        case 6: {
            // Afpower of a base of 1 or <= 0 ends the process, as Func's does.
            KVnum one(n);
            one = 1;
            if (!pos || (x == one) == 0) return 0;
            r = *f.Afpower(&x, &y);
            if (xl && yl && yv > 0 && std::fabs(std::log(xv)) > 1e-3L) fuzz::agree(r, std::log(yv) / std::log(xv), digits - 3, "Afpower");
            break;
        }
        case 7:
            r = *f.Iroot(&x, k);
            if (xl && (xv > 0 || k % 2 == 1))
                fuzz::agree(r, (xv < 0 ? -1 : 1) * std::pow(std::fabs(xv), 1.0L / k), digits, "Iroot");
            if (near && xv > 0) fuzz::agreeNum(r, *g.Iroot(&x, k), n, 2 * h, "Iroot against Func");
            break;
        case 8:
            if (xl && xv > (small ? 1e5L : 3e3L)) return 0;  // long products: the tests time them
            r = *f.Factorial(&x);
            if (xl && xv >= 0 && xv < 1700) fuzz::agree(r, std::tgamma(std::floor(xv) + 1), digits - 2, "Factorial");
            break;
        case 9:
            r = *f.e();
            fuzz::agree(r, std::exp(1.0L), digits, "e");
            if (small) fuzz::agreeNum(r, *g.e(), n, 2 * h, "e against Func");
            break;
        default:
            r = *f.PHI();
            fuzz::agree(r, (1 + std::sqrt(5.0L)) / 2, digits, "PHI");
            if (small) fuzz::agreeNum(r, *g.PHI(), n, 2 * h, "PHI against Func");
            break;
    }
    fuzz::checkNormal(r);
    // The same call two limbs further down, cut back to this precision: both
    // are the true value truncated, so they must be the same number.
    KVnum xw(n + 4), yw(n + 4), c(n);
    xw = x;
    yw = y;
    c = call(n + 4, method, xw, yw, k);
    fuzz::same(r, c, method, "the same digits two limbs further down");
    return 0;
}

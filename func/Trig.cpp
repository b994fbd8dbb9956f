// Func: angle conversion, sine, cosine and tangent.
//
// Sin and Cos sum their Taylor series on the argument itself: no reduction by
// multiples of 2 pi, and no pi at all. The power of x and the factorial are
// carried from pass to pass as running products (two multiplications by x,
// never one by x squared), each term is formed afresh as power / factorial,
// and a native counter of the terms added so far chooses its sign. Every
// operation truncates, so this order is what fixes the low digits.
//
// Each term p / f is cut at the last place of the power p; once the factorial
// exceeds the integer held in p's limbs the term is exactly 0 and the sum
// stops changing (about 73 passes at 130 limbs, whatever x). For |x| <= 1 the
// series has converged by then; larger |x| lose digits to the growing power,
// to the cancellation of the alternating terms and to that cut.
//
// DtoR and RtoD read pi from PI_DIGITS as text, cut to the working precision
// (read once per Func, then copied: Scratch::constant).
#include <kelvane/Func.h>
#include "Scratch.h"

using kvfunc::Temps;

namespace {

// One pass shared by the sine and cosine series: the next power and factorial,
// the term, and the sign chosen by the parity of the native term counter.
void trigPass(KVnum& S, KVnum& P, KVnum& p, KVnum& f, KVnum& k, KVnum& t,
              const KVnum& X, const KVnum& one, int32_t& c) {
    P = S;
    p *= X;
    p *= X;
    k += one;
    f *= k;
    k += one;
    f *= k;
    t = p;
    t /= f;
    c = c + 1;
    if (c % 2 != 0)
        S -= t;
    else
        S += t;
}

}  // namespace

// x degrees in radians: (pi * 2 * x) / 360. x is copied first, so it may be
// res.
KVnum* Func::DtoR(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &two = T(), &full = T();
    X = *x;
    res = scratch->constant(PI_DIGITS, nlimbs);
    two = 2;
    res *= two;
    res *= X;
    full = 360;
    res /= full;
    return &res;
}

// x radians in degrees: ((x * 360) / pi) / 2. x may be res.
KVnum* Func::RtoD(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum& t = T();
    res = *x;
    t = 360;
    res *= t;
    t = scratch->constant(PI_DIGITS, nlimbs);
    res /= t;
    t = 2;
    res /= t;
    return &res;
}

// sin x = x - x^3/3! + x^5/5! - ... x may be res.
KVnum* Func::Sin(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &p = T(), &f = T(), &k = T(), &S = T(), &P = T(), &t = T(), &one = T();
    X = *x;
    p = X;
    f = 1;
    k = 1;
    S = X;
    P = 0;
    one = 1;
    int32_t c = 0;
    if ((S == P) != 0) {
        do {
            trigPass(S, P, p, f, k, t, X, one, c);
        } while ((S == P) != 0);
    }
    res = S;
    return &res;
}

// cos x = 1 - x^2/2! + x^4/4! - ... The first pass always runs. x may be res.
KVnum* Func::Cos(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &p = T(), &f = T(), &k = T(), &S = T(), &P = T(), &t = T(), &one = T();
    X = *x;
    p = 1;
    f = 1;
    k = 0;
    S = 1;
    P = 0;
    one = 1;
    int32_t c = 0;
    do {
        trigPass(S, P, p, f, k, t, X, one, c);
    } while ((S == P) != 0);
    res = S;
    return &res;
}

// tan x = sin x / cos x. x is copied first, since Cos overwrites res before
// Sin reads x, so x may be res. The cosine is at most 1 in magnitude; the
// division gives the true quotient for such divisors, so the tangent near odd
// multiples of pi/2 comes out large, not capped. A cosine of exactly 0 ends
// the process through "Division by zero".
KVnum* Func::Tan(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &C = T();
    X = *x;
    C = *Cos(&X);
    Sin(&X);
    res /= C;
    return &res;
}

// Func: the constants pi, e and the golden ratio, and the factorial.
//
// The constants are computed afresh on every call; nothing is cached.
//  * Pi: Machin's formula 16 arctan(1/5) - 4 arctan(1/239) through Arctan on
//    this Func. It does not read PI_DIGITS, so its last digits may differ
//    from the text's.
//  * e: the sum of 1/k!, each term formed as 1 / k! with k! carried as a
//    running product, until a term no longer changes the sum.
//  * PHI: (1 + sqrt 5) / 2 with the root by Iroot. (Quotients of consecutive
//    Fibonacci numbers would keep digits only down to the last digit of
//    their integer numerator, which settles at about half the working
//    precision.)
//  * Factorial: the integer part m of x multiplied down to 1, each product
//    cut to the working precision, so a factorial longer than that comes out
//    as its leading digits times a power of ten. An integer part of 0
//    (0 <= x < 1) gives 1. A negative x is refused with
//    "x must not be negative", and an x of 1000000 or more with
//    "x must be less than 1000000"; both give 0. The bound keeps the count
//    down to 1 finite and short: every precision holds the units digit of
//    integers below it (counting down by 1 from an integer whose units digit
//    is not held would never reach 1), and m - 1 passes stay practical.
//    Each product is cut to the precision, which costs less than 10^-4h of
//    it (h = nlimbs/2 - 2), so m! is off by less than (m - 1) 10^-4h. While
//    m < 10^(2h-1) that keeps 2h + 1 digits and the products run at the
//    working precision; beyond (only below 12 limbs, as m < 10^6) they run
//    at four limbs more, off by less than 10^-(4h+2), and are then cut.
#include <kelvane/Func.h>
#include "LimbScale.h"
#include "Scratch.h"
#include "number/Internal.h"

using kvfunc::Temps;

namespace {

const int kFactorialLimit = 1000000;

}  // namespace

// 16 arctan(1/5) - 4 arctan(1/239). During the call res shows the two arc
// tangents before it shows pi.
KVnum* Func::Pi() {
    Temps T(*scratch, nlimbs);
    KVnum &a = T(), &b = T(), &t = T();
    a = 1;
    t = 5;
    a /= t;
    b = 1;
    t = 239;
    b /= t;
    a = *Arctan(&a);
    b = *Arctan(&b);
    res = 16;
    res *= a;
    t = 4;
    t *= b;
    res -= t;
    return &res;
}

// 1/0! + 1/1! + 1/2! + ... The sum starts at 2, so the first pass always runs.
KVnum* Func::e() {
    Temps T(*scratch, nlimbs);
    KVnum &one = T(), &step = T(), &f = T(), &n = T(), &s = T(), &s0 = T(), &t = T();
    one = 1;
    step = 1;
    f = 1;
    n = 1;
    s = 2;
    s0 = 0;
    do {
        s0 = s;
        n += step;
        f *= n;
        t = one;
        t /= f;
        s += t;
    } while ((s == s0) != 0);
    res = s;
    return &res;
}

// (1 + sqrt 5) / 2.
KVnum* Func::PHI() {
    Temps T(*scratch, nlimbs);
    KVnum &five = T(), &r = T(), &t = T();
    five = 5;
    r = *Iroot(&five, 2);
    t = 1;
    r += t;
    t = 2;
    r /= t;
    res = r;
    return &res;
}

// m * (m - 1) * ... * 1 for the integer part m of x. x is read into a copy
// before res is written, so it may be res.
KVnum* Func::Factorial(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &one = T(), &p = T(), &n = T();
    one = 1;
    p = *x;
    n = 0;
    if ((p == n) < 0) {
        reportError("x must not be negative");
        res = 0;
        return &res;
    }
    // The integer part as Intp gives it, but without the text Intp leaves
    // behind, which nobody reads here (printing every limb costs more than a
    // third of the products below). Every x that is not refused below is
    // under 10^6 and so has fraction digits (expo < 0), where the two agree
    // limb for limb.
    KVnumInternal::wholePart(p);
    if ((p == n) == 0) {  // 0 <= x < 1
        res = 1;
        return &res;
    }
    n = kFactorialLimit;
    if ((p == n) >= 0) {
        reportError("x must be less than 1000000");
        res = 0;
        return &res;
    }
    n = p;
    const long long h = nlimbs / 2 - 2;
    if (2 * h - 1 < 7 && kvfunc::order10(p) >= 2 * h - 1) {
        // m >= 10^(2h-1): guard limbs (see above).
        Temps W(*scratch, nlimbs + 4);
        KVnum &pw = W(), &nw = W(), &onew = W();
        onew = 1;
        pw = p;
        nw = pw;
        do {
            nw -= onew;
            pw *= nw;
        } while ((nw == onew) != 0);
        res = pw;
        return &res;
    }
    if ((n == one) != 0) {
        do {
            n -= one;
            p *= n;
        } while ((n == one) != 0);
    }
    res = p;
    return &res;
}

// Func: arc tangent, arc sine and arc cosine, in radians.
//
// All three start alike: q = x * x (one multiplication of a copy of x by x)
// is compared with 1, and the outcome picks the branch. Half of pi always
// comes from PI_DIGITS, assigned as text and halved (the text is read once
// per Func and then copied: Scratch::constant).
//
// Arctan. x*x below 1: x - x^3/3 + x^5/5 - ..., the power carried by two
// multiplications per pass, the first term subtracted. x above 1:
// pi/2 - 1/x + 1/(3x^3) - 1/(5x^5) + ..., each term formed as 1 / (d * x^d).
// x below -1: the negation of the arc tangent of -x (that series starts from
// +pi/2 and would land pi too high). x*x equal to 1 is refused with
// "x^2 must be less or greater than 1" and gives 0. The passes of either
// series grow without bound as x*x approaches 1: each shrinks the term only by
// a factor x*x (or 1/(x*x)), about ln 10 / |ln(x*x)| passes per digit. So the
// plain series run only while x*x <= 0.96 or x*x >= 1.05 (at most about 57
// passes per working digit, the bound the logarithm keeps too); in between,
// arctan x = 2 arctan(x / (1 + sqrt(1 + x*x))) brings the argument below
// 0.42 in magnitude, computed at four limbs more than the working precision
// (the root by Iroot) and then cut.
//
// Arcsin. x = 1 gives pi/2 and x = -1 gives -pi/2; x*x above 1 is refused
// with "x^2 must be less than or equal to 1" and gives 0. Below 1 the result
// comes from the series arcsin y = sum c_k y^(2k+1) / (2k+1), c_0 = 1,
// c_k = c_(k-1) * (2k - 1) / (2k), where the coefficient is carried as that
// running ratio: the textbook form with the odd and even products in full
// makes numerators and denominators that grow like factorials, and since each
// quotient is cut at the last place of its dividend the terms then fade to 0
// long before the series has converged. The ratio keeps every term to the
// full working precision. The series is summed only for |y| <= sqrt(1/2),
// where each pass gains at least a factor 2 (about 3.3 passes per digit, so
// the time is bounded for every x). For x*x above 1/2 the identity
// arcsin x = sign(x) * (pi/2 - arcsin(sqrt(1 - x*x))) applies, with
// 1 - x*x formed as (1 - |x|) * (1 + |x|), 1 - |x| exactly, so that no
// digits cancel near |x| = 1, and the square root taken by Iroot.
//
// Arccos. x = 1 gives 0, x = -1 gives pi (PI_DIGITS as text); x*x above 1 is
// refused like Arcsin's. Otherwise pi/2 - arctan(x / sqrt(1 - x*x)), with
// the root formed as for Arcsin, by Iroot from an exact 1 - x*x. (As
// e^(0.5 ln(1 - x*x)) through Fpower the root is unusable near |x| = 1: the
// exponential series on a large negative argument cancels away its digits,
// down to a negative "root" at small precisions.) A quotient w with w*w equal
// to 1 (which Arctan would refuse) stands for +-pi/4 taken from PI_DIGITS.
// For x between -1 and -sqrt(1/2) the quotient is below -1 and the sign rule
// of Arctan makes the identity hold there too. Near x = +-sqrt(1/2) the
// quotient nears +-1, where Arctan reduces its argument.
//
// Each method reads its argument completely (into a copy) before it first
// writes res, so the argument may be res itself.
#include <string>

#include <kelvane/Func.h>
#include "LimbScale.h"
#include "Scratch.h"
#include "number/Internal.h"

using kvfunc::Scratch;
using kvfunc::Temps;

namespace {

bool isNegative(Scratch& sc, const KVnum& v, int n) {
    Temps T(sc, n);
    KVnum& zero = T();
    zero = 0;
    return (v == zero) < 0;
}

// v = -v, exactly.
void negate(Scratch& sc, KVnum& v, int n) {
    Temps T(sc, n);
    KVnum& z = T();
    z = 0;
    z -= v;
    v = z;
}

// pi/2 - 1/c + 1/(3c^3) - 1/(5c^5) + ... into s, for c above 1.
void arctanAbove1(Scratch& sc, KVnum& s, const KVnum& x, int n) {
    Temps T(sc, n);
    KVnum &two = T(), &c = T(), &t = T(), &p = T(), &d = T(), &s0 = T(), &u = T();
    sc.pi(s, n);
    two = 2;
    s /= two;
    c = x;
    t = 1;
    p = c;
    t /= p;
    s -= t;
    d = 1;
    s0 = 0;
    if ((s == s0) != 0) {
        bool odd = true;
        do {
            s0 = s;
            d += two;
            p *= c;
            p *= c;
            t = d;
            t *= p;
            u = 1;
            u /= t;
            if (odd)
                s += u;
            else
                s -= u;
            odd = !odd;
        } while ((s == s0) != 0);
    }
}

// d = 1 - v for 0 <= v < 1, exactly whenever the difference fits the
// precision. The number 1 carries its last digit at 10^-4h (h = nlimbs/2 - 2),
// and a subtraction aligns both operands to the larger of their exponents, so
// 1 - v directly would cut up to four digits of v below that place; near
// v = 1 that costs half the digits of the arc sine. So v is split into lo, its
// digits below 10^-4h (picked out by scaling with 10^4h, which only moves the
// exponent, and Intp), and hi = v - lo, whose cut in 1 - hi drops only zeros;
// then 1 - hi - lo.
void oneMinus(Scratch& sc, KVnum& d, const KVnum& v, int n) {
    const int h = KVnum::HeadIndex(n);
    const std::string places = std::to_string(4 * h);
    Temps T(sc, n);
    KVnum &scale = T(), &lo = T(), &ip = T(), &hi = T();
    scale = ("1e" + places).c_str();
    lo = v;
    lo *= scale;
    ip = lo;
    // Intp's integer part without the text Intp would leave (nobody reads
    // it). lo is below 10^4h with its head limb at h, so it has fraction
    // digits (expo < 0), where the two agree limb for limb.
    KVnumInternal::wholePart(ip);
    lo -= ip;
    scale = ("1e-" + places).c_str();
    lo *= scale;
    hi = v;
    hi -= lo;
    d = 1;
    d -= hi;
    d -= lo;
}

// r = sqrt(1 - a*a) for 0 <= a < 1: 1 - a*a formed as (1 - a) * (1 + a)
// with 1 - a exact, so that nothing cancels near a = 1, and the root taken by
// Iroot on f (which leaves it in f's result number).
void rootOneMinusSquare(Func& f, Scratch& sc, KVnum& r, const KVnum& a, int n) {
    Temps T(sc, n);
    KVnum &u = T(), &v = T();
    oneMinus(sc, u, a, n);
    v = 1;
    v += a;
    u *= v;
    r = *f.Iroot(&u, 2);
}

// arcsin y = y + (1/2) y^3/3 + (1*3)/(2*4) y^5/5 + ... into s, for y*y <= 1/2.
// The coefficient c runs as c *= (2k - 1), c /= 2k, so every factor stays
// small and every term keeps the working precision.
void arcsinSeries(Scratch& sc, KVnum& s, const KVnum& y, int n) {
    Temps T(sc, n);
    KVnum &p = T(), &c = T(), &odd = T(), &even = T(), &d = T(), &t = T(), &two = T(), &s0 = T();
    p = y;
    s = y;
    c = 1;
    odd = -1;
    even = 0;
    d = 1;
    two = 2;
    s0 = 0;
    if ((s == s0) == 0) return;  // y is zero
    do {
        s0 = s;
        p *= y;
        p *= y;      // y^(2k+1)
        odd += two;  // 2k - 1
        even += two; // 2k
        c *= odd;
        c /= even;   // (1*3*...*(2k-1)) / (2*4*...*2k)
        d += two;    // 2k + 1
        t = p;
        t *= c;
        t /= d;
        s += t;
    } while ((s == s0) != 0);
}

}  // namespace

KVnum* Func::Arctan(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &q = T(), &one = T(), &s = T(), &X = T();
    X = *x;  // an argument of another precision is cut first; x may be res
    const long long h = nlimbs / 2 - 2;
    if (!X.IsZero()) {
        const long long o = kvfunc::order10(X);
        if (o < -(2 * h + 2)) {
            // x*x < 10^-(4h+4): the series gives x (x^3/3 is below x's last
            // place), without forming x^3, which can leave the exponent range.
            res = X;
            return &res;
        }
        if (o > 2 * h + 2) {
            // x*x > 10^(4h+4): the series in 1/x gives pi/2 - 1/x (the next
            // term is below the last place of pi/2), without forming x^3.
            // 1/x itself is below that place too once |x| > 10^(4h+8).
            const bool neg = X.Minus();
            KVnum &t = T(), &p = T();
            scratch->pi(s, nlimbs);
            t = 2;
            s /= t;
            if (o <= 4 * h + 8) {
                p = X;
                if (neg) negate(*scratch, p, nlimbs);
                t = 1;
                t /= p;
                s -= t;
            }
            if (neg) negate(*scratch, s, nlimbs);
            res = s;
            return &res;
        }
    }
    q = X;
    q *= X;
    one = 1;
    const int m = q == one;
    if (m == 0) {
        reportError("x^2 must be less or greater than 1");
        res = 0;
        return &res;
    }
    {
        KVnum &lo = T(), &hi = T();
        lo = "0.96";
        hi = "1.05";
        if ((q == lo) > 0 && (q == hi) < 0) {
            const int g = nlimbs + 4;
            Func f(g);
            KVnum y(g), t(g), r(g), a(g), one_g(g), two(g);
            y = X;  // cut to the working precision like every argument
            t = y;
            t *= y;
            one_g = 1;
            t += one_g;
            r = *f.Iroot(&t, 2);
            r += one_g;
            y /= r;
            a = *f.Arctan(&y);
            two = 2;
            a *= two;
            res = a;  // cut to the working precision
            return &res;
        }
    }
    if (m > 0) {
        if (!isNegative(*scratch, X, nlimbs)) {
            arctanAbove1(*scratch, s, X, nlimbs);
        } else {
            KVnum& a = T();
            a = 0;
            a -= X;
            arctanAbove1(*scratch, s, a, nlimbs);
            negate(*scratch, s, nlimbs);
        }
        res = s;
        return &res;
    }

    KVnum &c = T(), &p = T(), &d = T(), &two = T(), &s0 = T(), &t = T();
    c = X;
    p = c;
    s = c;
    d = 1;
    two = 2;
    s0 = 0;
    if ((s == s0) != 0) {
        bool odd = true;
        do {
            s0 = s;
            p *= c;
            p *= c;
            d += two;
            t = p;
            t /= d;
            if (odd)
                s -= t;
            else
                s += t;
            odd = !odd;
        } while ((s == s0) != 0);
    }
    res = s;
    return &res;
}

KVnum* Func::Arcsin(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &h = T(), &q = T(), &one = T(), &two = T(), &s = T();
    h = *x;
    if (!h.IsZero()) {
        const long long o = kvfunc::order10(h);
        if (o >= 1) {
            // |x| >= 10: x*x is above 1 (and may leave the exponent range).
            reportError("x^2 must be less than or equal to 1");
            res = 0;
            return &res;
        }
        if (o < -(2 * (nlimbs / 2 - 2) + 2)) {
            // The series gives x (x^3/6 is below x's last place), without
            // forming x^3, which can leave the exponent range.
            res = h;
            return &res;
        }
    }
    q = h;
    q *= h;
    one = 1;
    two = 2;
    const int m = q == one;
    if (m > 0) {
        reportError("x^2 must be less than or equal to 1");
        res = 0;
        return &res;
    }
    const bool neg = isNegative(*scratch, h, nlimbs);
    if (m == 0) {
        // x is 1 or -1: +-pi/2.
        scratch->pi(res, nlimbs);
        res /= two;
        if (neg) negate(*scratch, res, nlimbs);
        return &res;
    }

    KVnum& half = T();
    half = 0.5;
    if ((q == half) <= 0) {
        arcsinSeries(*scratch, s, h, nlimbs);
    } else {
        KVnum &a = T(), &y = T(), &t = T();
        a = h;
        if (neg) negate(*scratch, a, nlimbs);
        rootOneMinusSquare(*this, *scratch, y, a, nlimbs);
        arcsinSeries(*scratch, t, y, nlimbs);
        scratch->pi(s, nlimbs);
        s /= two;
        s -= t;
        if (neg) negate(*scratch, s, nlimbs);
    }
    res = s;
    return &res;
}

KVnum* Func::Arccos(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &h = T(), &q = T(), &one = T();
    h = *x;
    if (!h.IsZero()) {
        const long long o = kvfunc::order10(h);
        if (o >= 1) {
            // |x| >= 10: x*x is above 1 (and may leave the exponent range).
            reportError("x^2 must be less than or equal to 1");
            res = 0;
            return &res;
        }
        if (o < -(4 * (nlimbs / 2 - 2) + 8)) {
            // pi/2 - arctan(x / sqrt(1 - x*x)) is pi/2 at the working
            // precision: the arc tangent, about x, is below its last place.
            // (The steps would form x*x, which can leave the exponent range.)
            KVnum& two = T();
            scratch->pi(res, nlimbs);
            two = 2;
            res /= two;
            return &res;
        }
    }
    q = h;
    q *= h;
    one = 1;
    const int m = q == one;
    if (m == 0) {
        if (isNegative(*scratch, h, nlimbs))
            scratch->pi(res, nlimbs);
        else
            res = 0;
        return &res;
    }
    if (m > 0) {
        reportError("x^2 must be less than or equal to 1");
        res = 0;
        return &res;
    }

    KVnum &r = T(), &w = T(), &a = T(), &two = T(), &v = T();
    a = h;
    if (isNegative(*scratch, h, nlimbs)) negate(*scratch, a, nlimbs);
    rootOneMinusSquare(*this, *scratch, r, a, nlimbs);
    w = h;
    w /= r;
    // The quotient is refused by Arctan exactly when w*w compares equal to 1;
    // its arc tangent is then +-pi/4.
    q = w;
    q *= w;
    one = 1;
    if ((q == one) == 0) {
        KVnum& four = T();
        scratch->pi(a, nlimbs);
        four = 4;
        a /= four;
        if (isNegative(*scratch, w, nlimbs)) negate(*scratch, a, nlimbs);
    } else {
        a = *Arctan(&w);
    }
    two = 2;
    scratch->pi(v, nlimbs);
    v /= two;
    v -= a;
    res = v;
    return &res;
}

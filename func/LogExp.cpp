// Func: natural logarithm, exponential, common logarithm.
//
// Ln:  y = (x - 1)/(x + 1); ln x = 2 (y + y^3/3 + y^5/5 + ...), the power of y
//      carried from term to term and divided afresh by each odd integer.
// Aln: e^x = 1 + x + x^2/2! + x^3/3! + ..., power and factorial carried.
// Log, LntoLog: divide by ln 10 read from LN10_DIGITS (as text assignment
// reads it; once per Func, then copied: Scratch::constant).
// Every loop ends at the first pass that leaves the sum unchanged under ==.
// Each operation truncates, so the order of the steps below decides the last
// digits; it is kept exactly.
//
// Where Ln sums the plain series. The series needs about
// D ln 10 / (-2 ln|y|) passes for D working digits, which grows without bound
// as x leaves 1 (~1500 for x = 10, ~15000 for x = 100 at 130 limbs). Ln sums
// it directly on x for 0.01 <= x <= 100 (compared with ==), at most about 58
// passes per working digit (x = 100 or 0.01; some 15000 at 130 limbs); the
// digits there are exactly those of the plain series. Outside that range x is
// reduced, at FAR_GUARD more limbs than the Func's precision, to
//   x = m * 10^k * 2^j,   0.75 <= m <= 1.5,
// and ln x = k ln 10 + j ln 2 + ln m, with ln 2 and ln 1.25 (ln 10 =
// 3 ln 2 + ln 1.25) summed by the same series at that precision. The result
// is then cut to the Func's precision.
#include <kelvane/Func.h>
#include "LimbScale.h"
#include "Scratch.h"

using kvfunc::Scratch;
using kvfunc::Temps;

namespace {

// Guard limbs for the reduced path: two more significant limbs, eight more
// digits, absorb the truncation errors of the three series (a few units in
// their last digits each) and of the reduction. k ln 10 keeps the relative
// error of ln 10 whatever k is, and |ln x| > 4.6 here, so once cut to the
// Func's precision the result is off by no more than a unit or two of its
// last digit.
const int FAR_GUARD = 4;

// out = ln x by the plain series, every temporary of n limbs, for x > 0.
// x is read before out is written, so they may be the same number.
void lnSeries(Scratch& sc, const KVnum& x, KVnum& out, int n) {
    Temps T(sc, n);
    KVnum &one = T(), &two = T(), &d = T(), &s = T(), &y = T(), &p = T(), &q = T(), &S = T(), &P = T(),
          &t = T();
    one = 1;
    two = 2;
    d = x;
    d -= one;
    s = x;
    s += one;
    y = d;
    y /= s;
    p = y;
    q = 1;
    S = y;
    P = 0;
    if ((S == P) != 0) {  // y is 0 only for x = 1: then no term at all
        do {
            P = S;
            // Two multiplications by y, not one by y*y: each truncates, and
            // the sum's last digits depend on it.
            p *= y;
            p *= y;
            q += two;
            t = p;
            t /= q;
            S += t;
        } while ((S == P) != 0);
    }
    S *= two;
    out = S;
}

// ln x for x outside [0.01, 100] (x > 0), at n + FAR_GUARD limbs, into out.
void lnReduced(Scratch& sc, const KVnum& x, KVnum& out, int n) {
    const int g = n + FAR_GUARD;
    Temps T(sc, g);
    KVnum &m = T(), &t = T();
    m = x;

    // x = m * 10000^K with 1 <= m < 10000, exactly.
    const long long K = kvfunc::toLimbRange(sc, m, g);

    // 1 <= m < 10000 -> 1 <= m < 10 (exact, by 0.1) -> 0.75 <= m <= 1.5.
    long long k10 = 4 * K;
    long long j2 = 0;
    {
        KVnum &ten = T(), &tenth = T(), &two = T(), &limit = T();
        ten = 10;
        tenth = "0.1";
        two = 2;
        limit = "1.5";
        while ((m == ten) >= 0) {
            m *= tenth;
            ++k10;
        }
        while ((m == limit) > 0) {
            m /= two;
            ++j2;
        }
    }

    KVnum &ln2 = T(), &ln10 = T(), &lnm = T(), &S = T();
    t = 2;
    lnSeries(sc, t, ln2, g);
    t = "1.25";
    lnSeries(sc, t, ln10, g);
    t = 3;
    S = ln2;
    S *= t;
    ln10 += S;  // ln 10 = 3 ln 2 + ln 1.25
    lnSeries(sc, m, lnm, g);

    S = ln10;
    t = k10;
    S *= t;
    if (j2 != 0) {
        t = j2;
        t *= ln2;
        S += t;
    }
    S += lnm;
    out = S;  // cut to out's precision, without rounding
}

}  // namespace

KVnum* Func::Ln(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &zero = T();
    X = *x;  // converts an argument of another precision; x may be res
    zero = 0;
    if ((X == zero) <= 0) {
        reportError("x must be greater than 0");
        res = 0;
        return &res;
    }
    KVnum &lo = T(), &hi = T();
    lo = "0.01";
    hi = 100;
    if ((X == lo) >= 0 && (X == hi) <= 0)
        lnSeries(*scratch, X, res, nlimbs);
    else
        lnReduced(*scratch, X, res, nlimbs);
    return &res;
}

void kvfunc::expSeries(Scratch& sc, const KVnum& x, KVnum& out, int n) {
    Temps T(sc, n);
    KVnum &X = T(), &one = T(), &p = T(), &f = T(), &k = T(), &S = T(), &P = T(), &t = T();
    X = x;  // read before out is written: they may be the same number
    one = 1;
    p = X;
    f = 1;
    k = 1;
    S = 1;
    S += X;
    P = 0;
    // At least one pass, even when 1 + x is 0 (x = -1). The series always
    // ends: once k! exceeds the integer formed by p's limbs, p / k! is 0.
    do {
        P = S;
        p *= X;
        k += one;
        f *= k;
        t = p;
        t /= f;
        S += t;
    } while ((S == P) != 0);
    out = S;
}

KVnum* Func::Aln(KVnum* x) {
    kvfunc::expSeries(*scratch, *x, res, nlimbs);
    return &res;
}

KVnum* Func::Log(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum& L = T();
    L = scratch->constant(LN10_DIGITS, nlimbs);  // the precision decides how many of its digits are read
    Ln(x);
    res /= L;
    return &res;
}

KVnum* Func::LntoLog(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum& L = T();
    L = scratch->constant(LN10_DIGITS, nlimbs);
    res = *x;
    res /= L;
    return &res;
}

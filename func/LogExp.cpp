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
//
// Near 1. The series starts from d = x - 1, and a subtraction aligns both
// operands to the larger exponent: 1 carries its last digit at 10^-4h
// (h = nlimbs/2 - 2), x near 1 carries up to four digits more, and those are
// cut from d. That costs at most 10^-4h in d, so about 10^-4h / |x - 1| of
// ln x. While |x - 1| >= 10^-h that is at most 10^-3h, far inside the 2h
// digits every result must keep, and d is formed as the plain steps form it.
// Below, d is formed exactly (at two limbs more, where 1's last place is
// below x's) and then cut, which loses nothing: d = x - 1 with |d| < 10^-h
// has no more digits than x.
//
// Where Aln sums the plain series. Each term p / k! is cut at the weight of
// p's last limb (p = x^k carried), so it is off by less than
// min(u |x|^k, |x|^k / k!) with u = 10^-4h (a term cut to nothing is off by
// itself, which also covers the terms that vanish once k! outgrows p's
// limbs); each addition is cut at the sum's last place, below u e^|x|. So the
// series is off by at most
//   E(x) = sum_k min(u |x|^k, |x|^k / k!) + K u e^|x|   (K passes),
// relative to e^x. expSeriesLoss evaluates log10(E / e^x) a priori; the plain
// series is summed when that is at most -2h, so every plain result kept is
// right to a relative 10^-2h, half the digits (at 130 limbs Aln(1.6) and
// Alog(-2.5) stay plain; at 20 limbs Aln(20), at 130 Aln(-50) do not). The
// bound takes every cut at its worst (a head limb of one digit), so it
// errs by a digit or two on the safe side: where it misses by at most
// cut::TRY_DIGITS, the series is summed with its cuts counted as they come
// (CutBound.h) and kept when that count proves 10^-2h. Otherwise
//   e^x = 10000^j e^r,  j = floor(x / (4 ln 10)),  0 <= r < 4 ln 10,
// with r formed at guard limbs enough for j's digits, e^r as (e^(r/32))^32
// (the series on r/32 < 0.3 converges with no loss, and five squarings cost
// a factor 32 of its error), and the power of 10000 applied exactly; then
// cut. A result outside the exponent range is reported once and gives 0.
// |x| below 10^-(4h+4) gives 1 at once: the plain series gives exactly that
// (1 + x is 1 at the working precision and every term vanishes), but would
// form x^2, which can leave the exponent range.
#include <algorithm>
#include <cmath>

#include <kelvane/Func.h>
#include "CutBound.h"
#include "LimbScale.h"
#include "Scratch.h"

using kvfunc::Scratch;
using kvfunc::Temps;
namespace cut = kvfunc::cut;

namespace {

// Guard limbs for the reduced path: two more significant limbs, eight more
// digits, absorb the truncation errors of the three series (a few units in
// their last digits each) and of the reduction. k ln 10 keeps the relative
// error of ln 10 whatever k is, and |ln x| > 4.6 here, so once cut to the
// Func's precision the result is off by no more than a unit or two of its
// last digit.
const int FAR_GUARD = 4;

// out = ln x by the plain series, every temporary of n limbs, for x > 0.
// x is read before out is written, so they may be the same number. With
// `exactD`, d = x - 1 is formed exactly (see the file comment). With `err`,
// *err is log10 of a bound on |out - ln x|, the cuts counted as they come
// (CutBound.h); the digits are the same either way.
void lnSeries(Scratch& sc, const KVnum& x, KVnum& out, int n, bool exactD = false, long double* err = nullptr) {
    Temps T(sc, n);
    KVnum &one = T(), &two = T(), &d = T(), &s = T(), &y = T(), &p = T(), &q = T(), &S = T(), &P = T(),
          &t = T();
    one = 1;
    two = 2;
    long double eD = cut::NONE;
    if (exactD) {
        Temps W(sc, n + 2);
        KVnum &xw = W(), &onew = W();
        xw = x;
        onew = 1;
        const cut::Was a = cut::was(xw), b = cut::was(onew);
        xw -= onew;
        d = xw;
        if (err) eD = cut::plus(cut::add(a, b, xw), cut::mul(d));  // and the cut to n limbs
    } else {
        d = x;
        d -= one;
        if (err) eD = cut::add(cut::was(x), cut::was(one), d);
    }
    s = x;
    s += one;
    y = d;
    y /= s;
    p = y;
    q = 1;
    S = y;
    P = 0;
    // The bounds against the exact y = (x - 1)/(x + 1), its odd powers and
    // the partial sums of atanh y.
    long double eY = cut::NONE, eP = cut::NONE, eS = cut::NONE, ay = 0;
    if (err) {
        const long double eX = cut::add(cut::was(x), cut::was(one), s);
        // |d/s - D/(x+1)| <= eD/|s| + |D| eX / (|s| (x + 1)), |D| <= |d| + eD.
        const long double ls = cut::lo(s), lsx = ls + std::log10(1 - std::pow(10.0L, eX - ls));
        eY = cut::plus(cut::times(eD, -ls), cut::times(cut::plus(cut::hi(d), eD), eX - ls - lsx));
        eY = cut::plus(eY, cut::div(cut::was(d), s, y));
        eP = eS = eY;
        ay = cut::plus(cut::hi(y), eY);  // |exact y|, rounded up
    }
    long long passes = 0;
    if ((S == P) != 0) {  // y is 0 only for x = 1: then no term at all
        do {
            P = S;
            // Two multiplications by y, not one by y*y: each truncates, and
            // the sum's last digits depend on it.
            if (err) {
                // |p y - Y^(m+1)| <= |y| eP + (|p| + eP) eY, then the cut.
                const long double hp = cut::hi(p);
                p *= y;
                eP = cut::plus(cut::plus(cut::times(cut::hi(y), eP), cut::times(cut::plus(hp, eP), eY)),
                               cut::mul(p));
                const long double hp2 = cut::hi(p);
                p *= y;
                eP = cut::plus(cut::plus(cut::times(cut::hi(y), eP), cut::times(cut::plus(hp2, eP), eY)),
                               cut::mul(p));
            } else {
                p *= y;
                p *= y;
            }
            q += two;
            t = p;
            t /= q;
            S += t;
            ++passes;
            if (err) {
                const long double eT = cut::plus(cut::times(eP, -cut::lo(q)), cut::div(cut::was(p), q, t));
                eS = cut::plus(eS, cut::plus(eT, cut::add(cut::was(P), cut::was(t), S)));
            }
        } while ((S == P) != 0);
    }
    S *= two;
    out = S;
    if (err) {
        if (S.IsZero()) {
            *err = cut::NONE;  // x = 1
            return;
        }
        // The terms not summed: sum over j > passes of |Y|^(2j+1)/(2j+1),
        // below the first of them over 1 - Y^2.
        const long long m = 2 * passes + 3;
        const long double y2 = std::pow(10.0L, 2 * ay);
        const long double tail =
            y2 >= 1 ? HUGE_VALL : cut::up(m * ay - std::log10(static_cast<long double>(m)) - std::log10(1 - y2));
        *err = cut::plus(cut::times(std::log10(2.0L), cut::plus(eS, tail)), cut::mul(S));
    }
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

void kvfunc::lnAt(Scratch& sc, const KVnum& x, KVnum& out, int n, long double* err) {
    Temps T(sc, n);
    KVnum &X = T(), &lo = T(), &hi = T();
    X = x;
    lo = "0.01";
    hi = 100;
    if ((X == lo) >= 0 && (X == hi) <= 0) {
        // |x - 1| < 10^-h, judged on x - 1 as the plain steps form it (off
        // by less than 10^-4h): then d is formed exactly.
        KVnum& d = lo;
        hi = 1;
        d = X;
        d -= hi;
        const bool near = d.IsZero() || kvfunc::order10(d) < -static_cast<long long>(n / 2 - 2);
        lnSeries(sc, X, out, n, near, err);
    } else {
        lnReduced(sc, X, out, n);
        if (err) *err = HUGE_VALL;  // not counted: the caller takes its other route
    }
}

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
    kvfunc::lnAt(*scratch, X, res, nlimbs);
    return &res;
}

void kvfunc::expSeries(Scratch& sc, const KVnum& x, KVnum& out, int n, long double* err) {
    Temps T(sc, n);
    KVnum &X = T(), &one = T(), &p = T(), &f = T(), &k = T(), &S = T(), &P = T(), &t = T();
    X = x;  // read before out is written: they may be the same number
    one = 1;
    p = X;
    f = 1;
    k = 1;
    S = 1;
    // With err, the bounds (CutBound.h) of S against the exact partial sum,
    // of p against x^k, and of f against k! (relative).
    cut::Err eS, eP;
    long double rF = cut::NONE, ax = 0;
    if (err) {
        ax = cut::hi(X);
        const cut::Was a = cut::was(S);
        S += X;
        eS = cut::addSigned(a, cut::was(X), false, S);
    } else {
        S += X;
    }
    P = 0;
    long long passes = 0;
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
        ++passes;
        if (err) {
            eP = cut::sum(cut::scaled(eP, ax, X.Minus()), cut::mulSigned(p));
            rF = cut::intProduct(rF, f);
            eS = cut::sum(cut::sum(eS, cut::term(t, p, eP, rF, f)), cut::addSigned(cut::was(P), cut::was(t), false, S));
        }
    } while ((S == P) != 0);
    out = S;
    if (err) {
        // The terms not summed, from k = passes + 2 on: below the first over
        // 1 - |x|/(k + 1).
        const long long m = passes + 2;
        const long double ra = std::pow(10.0L, ax) / (m + 1);
        const long double tail = ra >= 1 ? HUGE_VALL : cut::up(m * ax - cut::lfactLo(m) - std::log10(1 - ra));
        *err = cut::plus(cut::widest(eS), tail);
    }
}

namespace {

const long double kLog10E = 0.43429448190325182765L;

// log10(a + b) from log10 a and log10 b.
long double addLog(long double a, long double b) {
    if (a < b) std::swap(a, b);
    if (b - a < -40) return a;
    return a + std::log10(1 + std::pow(10.0L, b - a));
}

}  // namespace

double kvfunc::seriesCutError(long double al, int n) {
    const double h = n / 2 - 2, a = static_cast<double>(al);
    // Beyond 4h + 8 the plain series is hopeless: its terms stop (k! passes
    // 10^(4h+4) near k = 4h/log10(4h)) while x^k/k! still grows.
    // (A bound far above any loss e^-L could offset: e^L itself reaches
    // 10^(2^31) only near L = 4.9e9.)
    if (a > 4 * h + 8) return 1e30;
    if (a == 0) return -1e9;
    const double ln10 = 2.302585092994045684, la = std::log10(a);
    // lgamma_r, not std::lgamma: the latter writes the global signgam, a data
    // race between threads that each use a Func of their own.
    auto lfact = [&](double k) {
        int sign;
        return ::lgamma_r(k + 1, &sign) / ln10;
    };
    // The terms are u a^k below K0, the first k with k! >= 10^4h, and
    // a^k / k! from there: in closed form, so that the bound costs a few
    // operations rather than one per term.
    int lo = 1, hi = 1;
    while (lfact(hi) < 4 * h) hi *= 2;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (lfact(mid) >= 4 * h)
            hi = mid;
        else
            lo = mid + 1;
    }
    const int k0 = lo, m = k0 - 1;
    long double below = -1e30L;  // log10 of u (a + a^2 + ... + a^m)
    if (m >= 1) {
        double ls;
        if (std::fabs(a - 1) < 1e-12) {
            ls = std::log10(static_cast<double>(m));
        } else if (a > 1) {
            const double e = m * std::log(a);
            ls = la + (e > 30 ? e / ln10 : std::log10(std::expm1(e))) - std::log10(a - 1);
        } else {
            ls = la + std::log10(-std::expm1(m * std::log(a))) - std::log10(1 - a);
        }
        below = ls - 4 * h;
    }
    // From K0 on, a geometric tail of ratio below 1/2 while a < (K0 + 1)/2;
    // else at most the whole series, e^a.
    const long double from = a < (k0 + 1) / 2.0 ? k0 * la - lfact(k0) + std::log10(2.0) : a * kLog10E;
    // K passes (at most K0 + a + 10) of cut additions, each below u e^a.
    const long double adds = std::log10(k0 + a + 10) - 4 * h + a * kLog10E;
    return static_cast<double>(addLog(addLog(below, from), adds));
}

double kvfunc::expSeriesLoss(long double L, int n) {
    if (L == 0) return -1e9;
    return seriesCutError(std::fabs(L), n) - static_cast<double>(L * kLog10E);
}

void kvfunc::expReduced(Scratch& sc, const KVnum& L, KVnum& out, int n) {
    const long double ln10 = 2.30258509299404568402L;
    if (L.IsZero()) {
        out = 1;
        return;
    }
    const long double xl = kvfunc::log10Abs(L);
    // |L| > 10^11: e^L is far outside the exponent range either way.
    if (xl > 11) {
        reportError("Exponent out of range.");
        out = 0;
        return;
    }
    const long double lv = (L.Minus() ? -1 : 1) * std::pow(10.0L, xl);
    const long long j = static_cast<long long>(std::floor(lv / (4 * ln10)));
    // Guard: two limbs (eight digits) for the squarings and the series, and
    // the digits of 4j, which r = L - 4j ln 10 cancels.
    int jd = 1;
    for (long long v = 4 * (j < 0 ? -j : j); v >= 10; v /= 10) ++jd;
    const int g = n + 4 + 2 * ((jd + 3) / 4);
    Temps T(sc, g);
    KVnum &r = T(), &t = T(), &c = T();
    sc.ln10(c, g);
    t = 4 * j;
    c *= t;
    r = L;
    r -= c;  // 0 <= r < 4 ln 10 (a little outside at worst)
    t = 32;
    r /= t;
    expSeries(sc, r, c, g);
    for (int i = 0; i < 5; ++i) c *= c;
    mulPow10000(c, j, t);
    out = c;
}

void kvfunc::expAt(Scratch& sc, const KVnum& L, KVnum& out, int n) {
    if (L.IsZero()) {
        expSeries(sc, L, out, n);  // exactly 1, as always
        return;
    }
    const long long o = order10(L);
    const long long h = n / 2 - 2;
    if (o < -(4 * h + 4)) {
        out = 1;  // what the plain series gives, without forming L^2
        return;
    }
    const long double lv = o > 12 ? 1e13L : (L.Minus() ? -1 : 1) * std::pow(10.0L, log10Abs(L));
    const long double loss = o > 12 ? 1e9L : expSeriesLoss(lv, n);
    if (loss <= -2.0L * h) {
        expSeries(sc, L, out, n);
        return;
    }
    if (loss <= -2.0L * h + cut::TRY_DIGITS) {
        // Near the bound's edge: the plain series with its cuts counted.
        Temps T(sc, n);
        KVnum& r = T();
        long double err;
        expSeries(sc, L, r, n, &err);
        if (cut::halfRight(err, r, n)) {
            out = r;
            return;
        }
    }
    expReduced(sc, L, out, n);
}

KVnum* Func::Aln(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum& X = T();
    X = *x;  // an argument of another precision is cut first; x may be res
    kvfunc::expAt(*scratch, X, res, nlimbs);
    return &res;
}

KVnum* Func::Log(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum& L = T();
    scratch->ln10(L, nlimbs);  // the text as the precision reads it, or computed beyond the text
    Ln(x);
    res /= L;
    return &res;
}

KVnum* Func::LntoLog(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum& L = T();
    scratch->ln10(L, nlimbs);
    res = *x;
    res /= L;
    return &res;
}

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
// Where the plain series is summed. A term's cut at the power's last place
// is off by less than min(u |x|^k, |x|^k / k!) (u = 10^-4h, h = nlimbs/2 - 2;
// a term cut to nothing is off by itself), and each addition by less than
// u cosh|x| < u e^|x|, so the sum is off by at most
//   E(x) = sum_k min(u |x|^k, |x|^k / k!) + K u e^|x|   (K passes),
// the exponential series' bound (kvfunc::seriesCutError).
// The plain series is summed when E(x) <= 10^-2h |f(x)|, |f(x)| the size
// of the result judged from a long double evaluation (taken as unknown, so
// not plain, when that is below 10^-12 or |x| 10^-16: near a zero of f), and
// always for |x| < 1 (there every term is below u |x| times its own size).
// Where E misses by at most cut::TRY_DIGITS, the series is summed with its
// cuts counted as they come (CutBound.h) and kept when that count proves
// 10^-2h |f(x)|.
// At 130 limbs Sin(7) stays plain (about 128 digits kept); at 20 limbs Sin(100)
// and Cos(33), at 9 limbs Sin(-7) do not. Those are reduced instead:
//   x = k pi/2 + r,  |r| <= pi/4,  sin x, cos x = +-sin r or +-cos r by k mod 4,
// with pi from Pi() (or PI_DIGITS as far as it reaches) at the integer digits
// of x plus the precision plus eight guard digits, kept by the Func; the
// series on r at that precision, then cut. An r that comes out below 10^-4
// (x near a multiple of pi/2) is formed again with as many digits more as it
// has leading zeros. Beyond max(2000, 8h + 8) integer digits (twice what
// the precision holds) the reduction would cost more than the precision
// warrants (pi at more than three times the working precision):
// "Argument too large for the precision." and 0.
// |x| below 10^-(2h+2) gives x (Sin, Tan) or 1 (Cos) at once: what the plain
// series gives, without forming x^3, which can leave the exponent range.
//
// DtoR and RtoD read pi from PI_DIGITS as text, cut to the working precision
// (read once per Func, then copied: Scratch::constant); where the precision
// reads more characters than the text holds, pi is computed (Scratch::pi).
#include <algorithm>
#include <cmath>

#include <kelvane/Func.h>
#include "CutBound.h"
#include "LimbScale.h"
#include "Scratch.h"
#include "number/Internal.h"

using kvfunc::Scratch;
using kvfunc::Temps;
namespace cut = kvfunc::cut;

namespace {

// The bounds of a series summed with its cuts counted (CutBound.h): of the
// sum against the exact partial sum, of the power against x^m, and of the
// factorial against m! (relative).
struct Counted {
    long double ax;  // log10 |x|, rounded up
    long double rF = cut::NONE;
    cut::Err eS, eP;
};

// One pass shared by the sine and cosine series: the next power and factorial,
// the term, and the sign chosen by the parity of the native term counter.
void trigPass(KVnum& S, KVnum& P, KVnum& p, KVnum& f, KVnum& k, KVnum& t,
              const KVnum& X, const KVnum& one, int32_t& c, Counted* b) {
    P = S;
    p *= X;
    if (b) b->eP = cut::sum(cut::scaled(b->eP, b->ax, X.Minus()), cut::mulSigned(p));
    p *= X;
    if (b) b->eP = cut::sum(cut::scaled(b->eP, b->ax, X.Minus()), cut::mulSigned(p));
    k += one;
    f *= k;
    if (b) b->rF = cut::intProduct(b->rF, f);
    k += one;
    f *= k;
    if (b) b->rF = cut::intProduct(b->rF, f);
    t = p;
    t /= f;
    c = c + 1;
    const bool subtract = c % 2 != 0;
    if (subtract)
        S -= t;
    else
        S += t;
    if (b) {
        const cut::Err eT = cut::term(t, p, b->eP, b->rF, f);
        b->eS = cut::sum(cut::sum(b->eS, subtract ? cut::negated(eT) : eT),
                         cut::addSigned(cut::was(P), cut::was(t), subtract, S));
    }
}

}  // namespace

// x degrees in radians: (pi * 2 * x) / 360. x is copied first, so it may be
// res.
KVnum* Func::DtoR(KVnum* x) {
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &two = T(), &full = T();
    X = *x;
    scratch->pi(res, nlimbs);
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
    scratch->pi(t, nlimbs);
    res /= t;
    t = 2;
    res /= t;
    return &res;
}

// The plain series: sin x = x - x^3/3! + ... (cosine false) or
// cos x = 1 - x^2/2! + ... (cosine true), temporaries of n limbs. With err,
// *err is log10 of a bound on |out - sin x| (or cos x) counted from the cuts
// as they come, +infinity where the terms left out cannot be bounded; the
// digits are the same either way.
void kvfunc::trigSeries(Scratch& sc, const KVnum& x, KVnum& out, int n, bool cosine, long double* err) {
    Temps T(sc, n);
    KVnum &X = T(), &p = T(), &f = T(), &k = T(), &S = T(), &P = T(), &t = T(), &one = T();
    X = x;
    f = 1;
    P = 0;
    one = 1;
    int32_t c = 0;
    Counted counted;
    Counted* b = err ? &counted : nullptr;
    if (b) counted.ax = cut::hi(X);
    if (!cosine) {
        p = X;
        k = 1;
        S = X;
        if ((S == P) != 0) {
            do {
                trigPass(S, P, p, f, k, t, X, one, c, b);
            } while ((S == P) != 0);
        }
    } else {
        // The first pass always runs.
        p = 1;
        k = 0;
        S = 1;
        do {
            trigPass(S, P, p, f, k, t, X, one, c, b);
        } while ((S == P) != 0);
    }
    out = S;
    if (err) {
        // The terms not summed, from the power m = 2c + 2 (cosine) or
        // 2c + 3 on: below the first over 1 - x^2/((m+1)(m+2)).
        const long long m = 2LL * c + (cosine ? 2 : 3);
        const long double ra = std::pow(10.0L, 2 * counted.ax) / ((m + 1.0L) * (m + 2.0L));
        const long double tail =
            ra >= 1 ? HUGE_VALL : cut::up(m * counted.ax - cut::lfactLo(m) - std::log10(1 - ra));
        *err = cut::plus(cut::widest(counted.eS), tail);
    }
}


// sin x or cos x by the route of the file comment, into res.
KVnum* Func::trigRoute(KVnum* x, bool cosine) {
    Temps T(*scratch, nlimbs);
    KVnum& X = T();
    X = *x;  // an argument of another precision is cut first; x may be res
    const long long h = nlimbs / 2 - 2;
    if (X.IsZero()) {
        kvfunc::trigSeries(*scratch, X, res, nlimbs, cosine);
        return &res;
    }
    const long long o = kvfunc::order10(X);
    if (o < -(2 * h + 2)) {
        if (cosine)
            res = 1;
        else
            res = X;
        return &res;
    }
    bool plain = o < 0, count = false;
    if (!plain && o <= 12) {
        const long double a = std::pow(10.0L, kvfunc::log10Abs(X));
        const long double f = std::fabs(cosine ? std::cos(a) : std::sin(a));
        if (f >= 1e-12L && f >= a * 1e-16L) {
            const long double over = kvfunc::seriesCutError(a, nlimbs) - (std::log10(f) - 2 * h);
            plain = over <= 0;
            count = !plain && over <= cut::TRY_DIGITS;
        }
    }
    if (plain) {
        kvfunc::trigSeries(*scratch, X, res, nlimbs, cosine);
        return &res;
    }
    if (count) {
        // Near the bound's edge: the plain series with its cuts counted.
        long double err;
        KVnum& r = T();
        kvfunc::trigSeries(*scratch, X, r, nlimbs, cosine, &err);
        if (cut::halfRight(err, r, nlimbs)) {
            res = r;
            return &res;
        }
    }

    // x = k pi/2 + r, at the integer digits of x, the precision and eight
    // digits more.
    const long long digits = o + 1;
    if (digits > std::max(2000LL, 8 * h + 8)) {
        reportError("Argument too large for the precision.");
        res = 0;
        return &res;
    }
    int g = nlimbs + 2 * static_cast<int>((digits + 8 + 3) / 4);
    for (int attempt = 0;; ++attempt) {
        Temps W(*scratch, g);
        KVnum &A = W(), &hp = W(), &q = W(), &k = W(), &r = W(), &t = W(), &u = W(), &w = W();
        A = X;
        const bool neg = A.Minus();
        if (neg) {
            t = 0;
            t -= A;
            A = t;
        }
        scratch->pi(hp, g);
        t = 2;
        hp /= t;
        q = A;
        kvfunc::divideFull(q, hp, u, w);
        t = "0.5";
        q += t;
        k = q;
        KVnumInternal::wholePart(k);  // the nearest multiple of pi/2
        r = k;
        r *= hp;
        t = A;
        t -= r;
        r = t;  // |r| <= pi/4, a little more at worst
        if (attempt == 0 && !r.IsZero() && kvfunc::order10(r) < -4) {
            // x is near a multiple of pi/2: as many digits more as r has
            // leading zeros (at most the precision's, by the bound on x).
            g += 2 * static_cast<int>((-kvfunc::order10(r) + 3) / 4);
            continue;
        }
        // k mod 4.
        t = k;
        u = 4;
        t /= u;
        KVnumInternal::wholePart(t);
        t *= u;
        u = k;
        u -= t;
        int m = 0;
        for (int i = 1; i <= 3; ++i) {
            t = i;
            if ((u == t) == 0) m = i;
        }
        // sin(k pi/2 + r): sin r, cos r, -sin r, -cos r for m = 0..3;
        // cos(k pi/2 + r): cos r, -sin r, -cos r, sin r.
        const bool useCos = cosine ? (m % 2 == 0) : (m % 2 == 1);
        bool minus = cosine ? (m == 1 || m == 2) : (m >= 2);
        if (!cosine && neg) minus = !minus;
        kvfunc::trigSeries(*scratch, r, u, g, useCos);
        if (minus) {
            t = 0;
            t -= u;
            u = t;
        }
        res = u;  // cut to the working precision
        return &res;
    }
}

KVnum* Func::Sin(KVnum* x) { return trigRoute(x, false); }

KVnum* Func::Cos(KVnum* x) { return trigRoute(x, true); }

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

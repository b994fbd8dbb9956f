// Func: real powers, logarithms to any base, powers of ten, integer roots.
//
// Fpower:  x^y = e^(y ln x), the exponential summed exactly as Aln sums it.
// Afpower: log_x y = ln y / ln x.
// Alog:    10^x = Fpower(10, x); ln 10 comes from the series, not the text.
// Iroot:   Newton's iteration r <- r - (r^n - x) / (n r^(n-1)) from x / n,
//          r^n and r^(n-1) by the integer power; it ends when an iterate
//          equals its predecessor under ==, or when it repeats an earlier one
//          (see Iroot below).
// No integer exponent, base of 1 or exact result takes a shorter path.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <kelvane/Func.h>
#include "CutBound.h"
#include "LimbScale.h"
#include "Scratch.h"

using kvfunc::Scratch;
using kvfunc::Temps;

KVnum* Func::Fpower(KVnum* x, KVnum* y) {
    Temps T(*scratch, nlimbs);
    KVnum &L = T(), &Y = T(), &X = T();
    X = *x;  // x is read before Ln writes res, so it may be res
    const long long h = nlimbs / 2 - 2;
    // Where y ln x comes near the edge of the series' bound, ln x is summed
    // with its cuts counted (the same digits), so that the plain series can
    // be kept where the count proves half the digits (see below). y ln x is
    // judged beforehand in long double, from the leading digits.
    long double eLn = HUGE_VALL;
    bool countLn = false;
    if (!X.Minus() && !X.IsZero() && !y->IsZero()) {
        const long double lx = kvfunc::log10Abs(X), ly = kvfunc::log10Abs(*y);
        if (lx >= -2 && lx <= 2 && ly < 12) {
            const long double est = (y->Minus() ? -1 : 1) * std::pow(10.0L, ly) * lx * 2.30258509299404568402L;
            const long double loss = est == 0 ? -1e9L : kvfunc::expSeriesLoss(est, nlimbs);
            countLn = loss > -2.0L * h - 1 && loss <= -2.0L * h + kvfunc::cut::TRY_DIGITS + 1;
        }
    }
    if (countLn) {
        kvfunc::lnAt(*scratch, X, res, nlimbs, &eLn);  // what Ln does for x > 0
    } else {
        L = X;
        Ln(&L);  // a base <= 0 is reported there and gives 0, hence the result 1
    }
    L = res;
    Y = *y;  // y is read after res was overwritten: it must not be res
    if (!L.IsZero() && !Y.IsZero()) {
        const long long o = kvfunc::order10(L) + kvfunc::order10(Y);
        if (o >= 12) {
            // |y ln x| >= 10^12: x^y is far outside the exponent range.
            reportError("Exponent out of range.");
            res = 0;
            return &res;
        }
        if (o < -(4 * h + 6)) {
            // y ln x is below 10^-(4h+4): the series gives exactly 1 (and
            // y ln x, or its square, could leave the exponent range).
            res = 1;
            return &res;
        }
    }
    L *= Y;
    // The bound on |L - y ln x|: ln x's times |y|, and the product's cut.
    const long double eL = kvfunc::cut::plus(kvfunc::cut::times(eLn, kvfunc::cut::hi(Y)), kvfunc::cut::mul(L));
    if (!L.IsZero() && kvfunc::order10(L) >= -(4 * h + 4)) {
        // The series' own bound decides, as in Aln. L itself is off by a few
        // units of 10^-4h relative, |L| u in e^L; where the a-priori bound
        // takes the plain series |L| <= 4h + 8, so that costs far less than
        // 10^-2h too. Near the bound's edge L's error is counted with the
        // series' cuts.
        const long double lv = (L.Minus() ? -1 : 1) * std::pow(10.0L, kvfunc::log10Abs(L));
        const long double loss = kvfunc::order10(L) > 12 ? 1e9L : kvfunc::expSeriesLoss(lv, nlimbs);
        if (loss > -2.0L * h && loss <= -2.0L * h + kvfunc::cut::TRY_DIGITS && eL < 0) {
            // Near the edge: the plain series with its cuts counted, kept
            // when they and L's own error (a factor e^|dL| - 1 at most) still
            // leave half the digits.
            Temps W(*scratch, nlimbs);
            KVnum& r = W();
            long double eS;
            kvfunc::expSeries(*scratch, L, r, nlimbs, &eS);
            // e^d - 1 <= (e - 1) d for 0 <= d <= 1.
            const long double grow = kvfunc::cut::up(eL + std::log10(std::expm1(1.0L)));
            const long double e = kvfunc::cut::plus(eS, kvfunc::cut::times(kvfunc::cut::plus(kvfunc::cut::hi(r), eS), grow));
            if (kvfunc::cut::halfRight(e, r, nlimbs)) {
                res = r;
                return &res;
            }
        }
        if (loss > -2.0L * h) {
            // y ln x at guard limbs enough for its integer digits, then the
            // reduced exponential, cut to the working precision.
            int digits = 1;
            for (long double v = std::fabs(lv); v >= 10; v /= 10) ++digits;
            const int g = nlimbs + 4 + 2 * ((digits + 3) / 4);
            Temps W(*scratch, g);
            KVnum &Lg = W(), &Yg = W();
            Lg = X;
            kvfunc::lnAt(*scratch, Lg, Lg, g);
            Yg = Y;
            Lg *= Yg;
            kvfunc::expReduced(*scratch, Lg, res, g);
            return &res;
        }
    }
    // The series of Aln, step for step, on L = y ln x.
    kvfunc::expSeries(*scratch, L, res, nlimbs);
    return &res;
}

KVnum* Func::Afpower(KVnum* x, KVnum* y) {
    Temps tmp(*scratch, nlimbs);
    KVnum &T = tmp(), &X = tmp(), &zero = tmp(), &bs = tmp(), &w = tmp();
    X = *x;  // x may be res
    zero = 0;
    if ((X == zero) <= 0) {
        // ln x is undefined: Ln's report, and 0 (not a division by its 0).
        Ln(&X);
        return &res;
    }
    Ln(&X);
    T = res;
    Ln(y);  // y must not be res, which now holds ln x
    // The quotient of /= is cut at the weight of ln y's last limb: off by at
    // most 10^-4h |ln x| relative. Below |ln x| = 10^(2h-1) that keeps 2h + 1
    // digits and the plain division stays; beyond, the divisor is scaled.
    // ln x = 0 (x = 1) is the division by zero it is.
    if (T.IsZero() || kvfunc::order10(T) < 2LL * (nlimbs / 2 - 2) - 1)
        res /= T;
    else
        kvfunc::divideFull(res, T, bs, w);
    return &res;
}

KVnum* Func::Alog(KVnum* x) {
    Temps tmp(*scratch, nlimbs);
    KVnum& T = tmp();
    T = 10;
    return Fpower(&T, x);  // x must not be res: Fpower reads it after Ln
}

namespace {

// Compares |a| with |b| as the magnitudes compare under ==: -1, 0 or 1.
int cmpMagnitude(Scratch& sc, const KVnum& a, const KVnum& b, int n) {
    Temps T(sc, n);
    KVnum &u = T(), &v = T(), &zero = T();
    zero = 0;
    u = a;
    v = b;
    if ((u == zero) < 0) {
        u = zero;
        u -= a;
    }
    if ((v == zero) < 0) {
        v = zero;
        v -= b;
    }
    return u == v;
}

// The estimates of one Iroot call, for finding a repeat.
//
// == cuts the operand with the smaller exponent to the larger one before it
// compares, so it is not transitive; but a strict result (-1 or 1) implies
// the same strict order of the true values, and if e < f strictly then
// f - e is at least one unit in e's last place. From this: when r < p
// strictly and p <= q, or r > p strictly and p >= q (p and q estimates that
// are not equal under ==), then r is not equal to q under ==. Every estimate
// kept here is unequal to all earlier ones (else the iteration has stopped),
// so == orders them exactly as their true values, and a binary search with
// == over them sorted finds whether a new estimate equals any of them in
// O(log k) comparisons instead of k.
//
// The estimates are numbers borrowed through Iroot's Temps, the lists are the
// Func's reusable ones (Scratch::estimates, Scratch::order).
class Estimates {
public:
    explicit Estimates(Temps& T) : T_(T), all_(T.scratch().estimates), order_(T.scratch().order) {
        all_.clear();
        order_.clear();
    }

    // Index of the latest estimate equal to r under ==, or -1 when none is.
    long find(const KVnum& r) const {
        size_t lo = 0, hi = order_.size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            const int c = r == *all_[order_[mid]];
            if (c == 0) {
                for (size_t i = all_.size(); i-- > 0;)
                    if ((r == *all_[i]) == 0) return static_cast<long>(i);
            }
            if (c < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        return -1;
    }

    // Keeps r, which is equal to none of the estimates kept so far.
    void add(const KVnum& r) {
        size_t lo = 0, hi = order_.size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if ((r == *all_[order_[mid]]) < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        all_.push_back(&T_());
        *all_.back() = r;
        order_.insert(order_.begin() + static_cast<long>(lo), all_.size() - 1);
    }

    // The estimate of smallest magnitude from index `first` to the latest
    // (the first of them on a tie).
    const KVnum& smallestFrom(size_t first) const {
        size_t best = first;
        for (size_t i = first + 1; i < all_.size(); ++i)
            if (cmpMagnitude(T_.scratch(), *all_[i], *all_[best], T_.n()) < 0) best = i;
        return *all_[best];
    }

private:
    Temps& T_;
    std::vector<KVnum*>& all_;   // in the order found
    std::vector<size_t>& order_;  // indices into all_, ascending by value
};

}  // namespace

namespace {

// log10 of the passes the plain iteration makes for the n-th root of x
// (log10 |x| = lx), a priori. From the start s = |x|/n above the root r the
// estimate falls by a factor (n - 1)/n per pass until near r; from below, the
// first step lands near r (r/s)^(n-1) / n and falls from there. Then
// quadratic convergence over the working digits, and a cycle. Each pass
// costs 2n products.
long double plainRootPasses(long double lx, int n, int nlimbs) {
    const long double ln10 = 2.30258509299404568402L;
    const long double lr = lx / n, ls = lx - std::log10(static_cast<long double>(n));
    long double high = ls;
    if (ls < lr) high = lr + (n - 1) * (lr - ls) - std::log10(static_cast<long double>(n));
    const long double fall = std::max(0.0L, high - lr) * ln10 / -std::log1p(-1.0L / n);
    return fall + std::log2(4.0L * nlimbs) + 16;
}

}  // namespace

// Where the plain iteration runs. It costs about P * 2n products, P the
// passes of plainRootPasses, and keeps every estimate to find a cycle; for x
// far from 1 or large n that is unbounded in practice (the square root of
// 1e-400000, Iroot(2, 100): 10^5 to 10^7 products). The plain iteration runs
// while P * 2n <= ROOT_BUDGET (and so keeps at most some 2500 estimates);
// it is also stopped, and the root taken by the
// other route, should it run past 4P + 64 passes. Otherwise the root comes
// from a start near it and a fixed count of Newton steps at guard limbs:
//   |x| = x' 10000^(nK) with K = trunc(order/(4n)), so x' is no further from
//   1 than x; start 10^(log10|x'| / n) to long double accuracy (from the
//   exponent and the leading digits); r <- r - (r^n - x') / (n r^(n-1)), the
//   powers by squaring (relative error about 2n u, which the division by n
//   brings back to 2u); steps enough for the error d, which goes to about
//   (n/2) d^2 per step, to fall from 10^-17 below the guarded precision;
//   then r 10000^K, the sign, and the cut.
// No estimates are kept there, so memory is a few numbers whatever n and x.
static const long double ROOT_BUDGET = 10000;

// Newton's iteration does not always settle: the truncated step can make the
// iterates cycle (for n >= 3 often; Iroot(3.14, 3) at 130 limbs or
// Iroot(1.01, 3) at 9 limbs never repeat one value). Every estimate is kept,
// from x / n on. After a pass whose new estimate does not equal the previous
// one but equals an earlier one (the most recent such), the estimates from
// that one up to the previous one repeat for ever: the loop stops and gives
// the one of smallest magnitude among them (the first of them on a tie).
// Where the plain loop ends, its result is the same.
//
// A step far from the root can lose its correction entirely: (r^n - x) / D,
// D = n r^(n-1), is cut at the weight of the dividend's last limb, and once D
// exceeds the integer formed by the dividend's limbs (about r > 10^(4h/(n-1)),
// h the head index) the quotient is 0 although the true correction is about
// r / n. The plain loop would then stop at once and return its start (x / 2
// for the square root of 1e300). When the quotient comes out 0 from a
// non-zero dividend, it is computed again with dividend and divisor first
// multiplied by the same power of 10000 (exact), which brings the divisor
// between 1 and 10000. Every step whose quotient is not 0 is unchanged.
KVnum* Func::Iroot(KVnum* x, int n) {
    if (n <= 1) {
        reportError("Root must be greater than one.");
        res = 0;
        return &res;
    }
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &zero = T();
    X = *x;  // x may be res: res is written only at the end
    zero = 0;
    if (n % 2 == 0 && (X == zero) < 0) {
        // No real root; the iteration would never settle.
        reportError("x must not be negative for an even root.");
        res = 0;
        return &res;
    }

    if (X.IsZero()) {
        res = X;
        return &res;
    }
    const long double passes = plainRootPasses(kvfunc::log10Abs(X), n, nlimbs);
    if (passes * 2 * n > ROOT_BUDGET || !plainRoot(X, n, static_cast<long>(4 * passes) + 64))
        nearRoot(X, n);
    return &res;
}

// The plain iteration into res; false (res untouched) when it runs past
// maxPasses.
bool Func::plainRoot(const KVnum& X, int n, long maxPasses) {
    Temps T(*scratch, nlimbs);
    KVnum& zero = T();
    zero = 0;
    KVnum &R = T(), &N = T(), &M = T(), &C = T(), &B = T(), &D = T(), &B0 = T();
    R = X;
    N = n;
    M = n - 1;
    R /= N;
    C = 0;
    if ((C == R) != 0) {  // R is 0 only for x = 0: no iteration
        Estimates seen(T);
        seen.add(R);
        for (long pass = 0;; ++pass) {
            if (pass > maxPasses) return false;
            C = R;
            B = C;
            B ^= N;
            B -= X;
            D = C;
            D ^= M;
            D *= N;
            if (D.IsZero()) return false;  // C^(n-1) left the exponent range: the other route
            R = C;
            B0 = B;
            B /= D;
            if ((B == zero) == 0 && (B0 == zero) != 0) {
                const long long k = kvfunc::toLimbRange(*scratch, D, nlimbs);
                kvfunc::scaleByLimbs(*scratch, B0, k, nlimbs);
                B = B0;
                B /= D;
            }
            R -= B;
            if ((C == R) == 0) break;  // the plain end: R equals its predecessor

            const long first = seen.find(R);
            if (first >= 0) {
                R = seen.smallestFrom(static_cast<size_t>(first));
                break;
            }
            seen.add(R);
        }
    }
    res = R;
    return true;
}

namespace {

// r = v^e (e >= 1) by squaring, temporaries of n limbs.
void powerBySquaring(Scratch& sc, const KVnum& v, long long e, KVnum& r, int n) {
    Temps T(sc, n);
    KVnum& b = T();
    b = v;
    r = 1;
    bool first = true;
    for (;;) {
        if (e & 1) {
            if (first)
                r = b;
            else
                r *= b;
            first = false;
        }
        e >>= 1;
        if (e == 0) break;
        b *= b;
    }
}

}  // namespace

// The root of a non-zero X from a start near it (see above), into res.
void Func::nearRoot(const KVnum& X, int n) {
    const int g = nlimbs + 4;
    Temps T(*scratch, g);
    KVnum &a = T(), &r = T(), &p = T(), &q = T(), &t = T(), &u = T(), &w = T();
    a = X;
    const bool neg = a.Minus();
    if (neg) {
        t = 0;
        t -= a;
        a = t;
    }
    const long long o = kvfunc::order10(a);
    const long long K = o / (4LL * n);  // toward zero: x' no further from 1
    kvfunc::mulPow10000(a, -K * n, t);
    // log10 x' / n = E + f, E whole, 0 <= f < 1, with f to long double
    // accuracy whatever n is.
    const long long o2 = kvfunc::order10(a);
    long long E = o2 / n, rem = o2 % n;
    if (rem < 0) {
        rem += n;
        --E;
    }
    const long double f = (rem + std::log10(kvfunc::leadingDigits(a))) / n;
    char text[64];
    std::snprintf(text, sizeof text, "%.19Lfe%lld", std::pow(10.0L, f), E);
    r = text;
    // Newton from about 17 right digits. The relative error d of an
    // estimate goes to about (n/2) d^2, so e = (n/2) d squares each step:
    // from about 10^-(17 - log10 n) until d is below the guarded precision.
    const double lgn = std::log10(static_cast<double>(n));
    int steps = 1;
    for (double d = 17 - lgn; d < 4.0 * (g / 2 - 2) + 8 + lgn; d *= 2) ++steps;
    for (int i = 0; i < steps; ++i) {
        powerBySquaring(*scratch, r, static_cast<long long>(n) - 1, p, g);  // r^(n-1)
        q = p;
        q *= r;  // r^n
        q -= a;
        t = n;
        p *= t;  // n r^(n-1)
        kvfunc::divideFull(q, p, u, w);
        r -= q;
    }
    kvfunc::mulPow10000(r, K, t);
    if (neg) {
        t = 0;
        t -= r;
        r = t;
    }
    res = r;
}

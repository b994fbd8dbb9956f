// Balls: exponential, logarithm and real power.
#include <algorithm>
#include <cassert>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>
#include <vector>

#include "exact/Ball.h"
#include "exact/Nat.h"
#include "exact/TrigCore.h"
#include "number/Internal.h"

namespace kvexact {

namespace {

int headOf(int n) { return n / 2 - 2; }

// Limbs that hold `digits` decimal digits more than wp does.
int widen(int wp, double digits) { return wp + 2 * (static_cast<int>(digits / 4) + 1); }

// An estimate of x as a long double's log10 and sign (x non-zero).
long double log10Of(const KVnum& x) {
    const int h = x.Top();
    long double v = 0;
    int used = 0;
    for (int i = h; i >= 0 && used < 5; --i, ++used) v = v * 10000 + x.Limb(i);
    return std::log10(v) + (static_cast<long double>(x.Expo()) + 4.0L * (h - used + 1));
}

// x as a long double (0 when |x| is beyond 1e4000, where callers never ask).
long double valueOf(const KVnum& x) {
    if (x.IsZero()) return 0;
    const long double l = log10Of(x);
    if (l > 4000) return x.Minus() ? -1e4000L : 1e4000L;
    const long double k = std::floor(l);
    const long double v = std::pow(10.0, static_cast<double>(l - k)) * std::pow(10.0L, k);
    return x.Minus() ? -v : v;
}

// x = v 10^e exactly for 0 < v < 10^12 (three limbs, which every precision
// holds), without text or a quotient.
void setScaled(KVnum& x, uint64_t v, int64_t e) {
    assert(v > 0 && v < 1000000000000ULL);
    int32_t lim[3];
    int n = 0;
    for (; v; v /= 10000) lim[n++] = static_cast<int32_t>(v % 10000);
    KVnumInternal::setHeadShort(x, lim, n, e, false);
}

// ---- exp at a point --------------------------------------------------------------------

// log10 k! (a lower bound within 1e-9 relative, for k up to 10^7).
double log10Fact(int k) {
    static const std::vector<double> table = [] {
        std::vector<double> t(2049);
        t[0] = 0;
        for (size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] + std::log10(static_cast<double>(i));
        return t;
    }();
    if (k < static_cast<int>(table.size())) return table[k] * (1 - 1e-12);
    int sign;
    return ::lgamma_r(k + 1.0, &sign) / std::log(10.0) * (1 - 1e-9);
}

// Terms K (from 0) after which sum_{i>K} |x|^i / i! is below 10^-target,
// for log10 |x| = lx < -0.5: the smallest K with 2 |x|^(K+1) / (K+1)! below it.
int termsFor(double lx, double target) {
    int K = 0;
    double l = lx + std::log10(2.0);  // log10 of 2 |x|^(K+1) / (K+1)!
    while (l > -target && K < 10000000) {
        ++K;
        l += lx - std::log10(K + 1.0);
    }
    return K;
}

// The same estimated in a few steps (for choosing the parameters only).
double termsEstimate(double lx, double target) {
    double K = target / -lx;
    for (int i = 0; i < 4; ++i) K = target / (-lx + std::max(0.0, std::log10(K / 2.718281828)));
    return K;
}

// Cost of a term of the series (a short division, a sum, the cut of a power
// and the temporaries) beside a full product, by the precision in limbs:
// twice the measured ratio of a short division and a sum to a product (0.7
// up to 150 limbs, where the product is a truncated schoolbook one, 0.5 at
// 300, 0.46 at 500, 0.17 at 1,000 where the product is a full Karatsuba
// one, 0.085 at 2,000).
double shortCost(int w) {
    const double r = w <= 150 ? 0.7 : w <= 500 ? 0.7 - 0.24 * (w - 150) / 350.0 : std::max(0.06, 0.46 * std::pow(500.0 / w, 1.45));
    return 2 * r;
}

const int VARIABLE_FROM = 250;

// e^r for a ball r with |r| < 4.7 at precision wp.
//
// x = r / 2^s (a product by 5^s and an exact 10^-s), the Taylor sum of e^x
// by rectangular splitting, then s squarings. s balances the squarings
// against the series' terms by their measured costs. The sum runs on plain
// KVnum operations with an error bound worked out in advance rather than on
// balls: with |x| <= 0.3 every partial value lies below 2 in magnitude, so
// each operation (a product, a quotient by an integer >= 1, a sum, the cut
// of an operand to a shorter number) is off by at most two units in the last
// place of a number below 2, i.e. by at most 4 eps_j for a number of
// precision eps_j = 10^-(4h_j). The blocks of the sum that only carry
// higher terms run at lower precision: block j's value is multiplied by
// |x|^(jm) / (jm)! before it joins the sum, so eps_j may be that much larger
// than the full eps; each block's errors, weighted so, stay below 4 eps per
// operation. The squarings double the relative error each (and add eps).
Ball expSmall(const Ball& r0, int wp) {
    const double digits = 4.0 * headOf(wp) + 8;
    const Mag a0 = magUp(r0.mid());
    const double l0 = a0.isZero() ? -digits - 10 : a0.log10();
    // Halvings: at least down to |x| <= 0.3; more while they pay.
    const int sMin = l0 > std::log10(0.3) ? static_cast<int>(std::ceil((l0 - std::log10(0.3)) / std::log10(2.0))) : 0;
    // Below VARIABLE_FROM limbs every block runs at the full precision: the
    // copies that cutting operands takes cost more than shorter operations save.
    const bool variable = wp >= VARIABLE_FROM;
    const double c = (variable ? 0.5 : 1.0) * shortCost(wp);
    int s = sMin;
    // The choice depends only on the precision and on log10 |r|, taken to
    // the sixteenth of a decade above it: the few last ones are kept per
    // thread (a power's logarithm and exponential, a caller's loop).
    struct Choice {
        int wp = -1;
        int l0q = 0;
        int s = 0;
    };
    static thread_local Choice recent[4];
    static thread_local int replace = 0;
    const int l0q = static_cast<int>(std::floor(std::max(l0, -1e6) * 16)) + 1;
    int found = -1;
    for (int i = 0; i < 4; ++i)
        if (recent[i].wp == wp && recent[i].l0q == l0q) found = i;
    if (found >= 0) {
        s = std::max(sMin, recent[found].s);
    } else {
        const double l0m = l0q / 16.0;
        auto cost = [&](int t) {
            const double lx = std::min(l0m - 0.30103 * t, -0.52);
            const double K = termsEstimate(lx, digits + 0.302 * t);
            return t + 2 * std::sqrt((variable ? 0.5 : 1.0) * K) + c * K;
        };
        double best = 1e300;
        const int top = sMin + static_cast<int>(3 * std::sqrt(digits)) + 4;
        const int step = std::max(1, (top - sMin) / 12);
        for (int t = sMin; t <= top; t += step) {
            const double ct = cost(t);
            if (ct < best) best = ct, s = t;
        }
        // The cost is flat near its least: one finer pass around the best.
        const int from = std::max(sMin, s - step + 1), to = s + step - 1;
        for (int t = from; t <= to; t += std::max(1, step / 4)) {
            const double ct = cost(t);
            if (ct < best) best = ct, s = t;
        }
        recent[replace] = Choice{wp, l0q, s};
        replace = (replace + 1) % 4;
    }
    const int w = widen(wp, 0.302 * s + 6);
    const int h = headOf(w);
    // x = r / 2^s: products by 2^-11 = 5^11 10^-11 and less (three limbs at
    // most), each cut to the precision (a relative error below 10^-(4h) each).
    KVnum x(w);
    int cutsX = 0;
    x = r0.mid();
    if (r0.mid().Nlimbs() > w) ++cutsX;
    {
        KVnum f(w);
        for (int left = s; left > 0;) {
            const int k = left > 11 ? 11 : left;
            uint64_t p5 = 1;
            for (int i = 0; i < k; ++i) p5 *= 5;
            setScaled(f, p5, -k);
            x *= f;
            ++cutsX;
            left -= k;
        }
    }
    Ball out(w);
    if (x.IsZero()) {
        out = Ball(1, w);
    } else {
        const Mag ax = magUp(x);
        const double lx = ax.log10();  // <= log10 0.3 (plus rounding)
        const double target = digits + 0.302 * s + 2;
        const int K = termsFor(lx, target);
        int m = static_cast<int>(std::sqrt((variable ? 0.5 : 1.0) * K)) + 1;
        if (m < 2) m = 2;
        if (m > 64) m = 64;
        const int J = K / m;  // blocks 0..J cover the terms 0..(J+1)m-1
        const int last = (J + 1) * m - 1;
        // Block j's precision: its weight |x|^(jm) / (jm)! taken off the
        // digits, rounded up to one of about eight levels, so that the powers
        // are cut once per level rather than once per block.
        const int hStep = std::max(8, h / 8);
        auto limbsFor = [&](int j) {
            if (!variable) return w;
            const double lw = j * m * lx - log10Fact(j * m);
            const double d = 4.0 * h + lw;
            const int hj = (static_cast<int>(std::ceil(std::max(d, 8.0) / 4)) + hStep - 1) / hStep * hStep;
            int n = 2 * (hj + 2);
            if (n > w) n = w;
            return n;
        };
        std::vector<KVnum> P;
        P.reserve(m + 1);
        P.emplace_back(w);
        P[0] = 1;
        P.push_back(x);
        for (int i = 2; i <= m; ++i) {
            P.push_back(P[i - 1]);
            P[i] *= x;
        }
        // Operations, each off by at most 4 eps (weighted): the powers (whose
        // errors enter every block, whose weights sum to at most e^0.3), and per
        // block at most m cuts of the powers, m - 1 quotients and sums, and
        // the join: a cut of acc, a product with its cut operand, the grouped
        // quotients (at most m) and a sum.
        long ops = 2L * m * m + 2L * (J + 1) * (3 * m + 8);
        // The paired steps keep every value below 2 when |x| (last + 1) <= 1/2
        // (then x^i c_i <= |x|^(i-1) / 2 <= 1/2), and their divisors below 10^8.
        const bool paired = ax.log10() + std::log10(last + 1.0) <= std::log10(0.5) && last < 5000;
        KVnum acc(limbsFor(J));
        // The powers, the block's sum, the divisor and the join at the
        // current level's precision (made again when the level rises).
        int level = -1;
        std::vector<KVnum> cut;
        const std::vector<KVnum>* Pj = &P;
        std::vector<KVnum> tmp;
        for (int j = J; j >= 0; --j) {
            const int nj = limbsFor(j);
            if (nj != level) {
                level = nj;
                cut.clear();
                if (nj < w) {
                    cut.reserve(m + 1);
                    for (int i = 0; i <= m; ++i) {
                        cut.emplace_back(nj);
                        cut[i] = P[i];
                    }
                    Pj = &cut;
                } else {
                    Pj = &P;
                }
                tmp.clear();
                tmp.reserve(3);
                for (int i = 0; i < 3; ++i) tmp.emplace_back(nj);
            }
            const std::vector<KVnum>& Q = *Pj;
            KVnum &b = tmp[0], &dv = tmp[1], &t = tmp[2];
            // B_j = sum_i x^i / ((jm+1)...(jm+i)), by Horner with short
            // divisions: b_i = b_(i+1) / c_i + x^i, c_i = jm + i + 1. Two
            // steps at once where x^i c_i stays small, b_(i-1) =
            // (b_(i+1) + x^i c_i) / (c_i c_(i-1)) + x^(i-1): a short product
            // instead of a quotient, every value still below 2.
            b = Q[m - 1];
            int i = m - 2;
            for (; paired && i >= 1; i -= 2) {
                const int64_t ci = static_cast<int64_t>(j) * m + i + 1;
                t = Q[i];
                dv = static_cast<long long>(ci);
                t *= dv;
                b += t;
                dv = static_cast<long long>(ci * (ci - 1));
                b /= dv;
                b += Q[i - 1];
            }
            for (; i >= 0; --i) {
                dv = static_cast<long long>(static_cast<int64_t>(j) * m + i + 1);
                b /= dv;
                b += Q[i];
            }
            if (j == J) {
                acc = b;
                continue;
            }
            t = acc;
            t *= Q[m];
            // / ((jm+1)...(jm+m)), the factors grouped below 10^8.
            int64_t g = 1;
            for (int i = 1; i <= m; ++i) {
                const int64_t f = static_cast<int64_t>(j) * m + i;
                if (g * f >= 100000000) {
                    dv = static_cast<long long>(g);
                    t /= dv;
                    g = 1;
                }
                g *= f;
            }
            if (g > 1) {
                dv = static_cast<long long>(g);
                t /= dv;
            }
            t += b;
            if (acc.Nlimbs() == nj) {
                acc = t;
            } else {
                acc.~KVnum();
                new (&acc) KVnum(t);
            }
        }
        // Absolute error of the sum: 4 eps per operation, plus the terms from
        // last + 1 on (below 2 |x|^(last+1) / (last+1)!). The sum is >= e^-0.3 > 0.74,
        // which turns it into a relative error.
        const double lrest = std::log10(2.0) + (last + 1) * lx - log10Fact(last + 1);
        Mag err = addUp(Mag::up(4.0 * static_cast<double>(ops + 4), -4 * static_cast<int64_t>(h)),
                        Mag::pow10(static_cast<int64_t>(std::ceil(lrest + 1e-6 * std::fabs(lrest) + 0.01))));
        const Mag rel0 = divUp(err, Mag::down(0.74, 0));
        KVnum sum(w);
        sum = acc;
        for (int i = 0; i < s; ++i) sum *= sum;
        // Each squaring: ln(1 + rel) at most doubles, plus ln(1 + eps) for the
        // cut; |ln(1 + t)| <= 1.01 |t| for |t| <= 0.01, so after s squarings
        // lambda <= 2^s (1.01 rel0 + 1.01 eps) and rel <= lambda e^lambda.
        const Mag two_s = powUp(Mag::up(2, 0), s);
        const Mag lambda = mulUp(mulUp(two_s, Mag::up(1.01, 0)), addUp(rel0, Mag::pow10(-4 * static_cast<int64_t>(h))));
        Mag rel = cmp(addUp(rel0, Mag::pow10(-4 * static_cast<int64_t>(h))), Mag::pow10(-2)) < 0
                      ? mulUp(lambda, expUp(lambda))
                      : Mag::infinite();
        out = Ball(sum, mulUp(magUp(sum), rel), w);
    }
    // What r0 - 2^s x amounts to: r0's radius and the cuts of x (relative
    // 10^-(4h) each, of |x| 2^s <= |r0's midpoint|): e^(r + t) = e^r e^t with
    // |e^t - 1| <= |t| e^|t|.
    Mag tau = r0.rad();
    if (cutsX > 0) tau = addUp(tau, mulUp(mulUp(a0, Mag::up(1.01 * cutsX, 0)), Mag::pow10(-4 * static_cast<int64_t>(h))));
    if (!tau.isZero()) out.widen(mulUp(out.absUp(), mulUp(tau, expUp(tau))));
    return out;
}

// ---- e^x for a short x, by binary splitting -----------------------------------------------

// The Taylor terms k in [a, b) of e^y, y = p / 10^d (|y| <= 1), as exact
// integers: term k is y^k / k!, and over a range
//   P = (+-p)^(b-a),  Q = K 10^(d (b-a)) with K = a (a+1) ... (b-1),
//   T / Q = sum_{k=a}^{b-1} y^k a! / ... = the terms divided by the one before a.
// Merging [a, m) and [m, b): P = P1 P2, K = K1 K2, T = T1 Q2 + P1 T2.
struct ExpSplit {
    kvtrig::Int p, t;
    kvtrig::Nat k;
    int64_t n = 0;  // b - a: Q = k 10^(d n)
};

ExpSplit expSplit(const kvtrig::Int& p, int64_t d, uint64_t a, uint64_t b, bool needP) {
    using namespace kvtrig;
    ExpSplit s;
    if (b - a <= 24) {
        // A short range from its top: T(j, b) = p (Q(j+1, b) + T(j+1, b)).
        // The terms of a range do not grow (|y / j| <= 1), so for p < 0 each
        // T(j+1, b) is <= 0 with |T(j+1, b)| <= Q(j+1, b): in magnitudes,
        // |T(j, b)| = |p| (Q(j+1, b) - |T(j+1, b)|), and T carries p's sign.
        Nat k(1), t, q;
        int64_t n = 0;
        for (uint64_t j = b; j-- > a;) {
            q = mulPow10(k, d * n);
            if (p.neg)
                t = sub(q, t);
            else
                addInto(t, t, q);
            t = mul(t, p.m);
            mulSmallInPlace(k, j);
            ++n;
        }
        s.t = Int{t, p.neg && !t.isZero()};
        s.k = k;
        s.n = n;
        if (needP) {
            Nat pw(1);
            for (uint64_t j = a; j < b; ++j) pw = mul(pw, p.m);
            s.p = Int{pw, p.neg && (b - a) % 2 == 1};
        }
        return s;
    }
    const uint64_t m = (a + b) / 2;
    ExpSplit l = expSplit(p, d, a, m, true), r = expSplit(p, d, m, b, needP);
    // T1 Q2 = T1 K2 10^(d n2).
    Int t1{mulPow10(mul(l.t.m, r.k), d * r.n), l.t.neg};
    if (t1.m.isZero()) t1.neg = false;
    s.t = addInt(t1, mulInt(l.p, r.t));
    s.k = mul(l.k, r.k);
    s.n = l.n + r.n;
    if (needP) s.p = mulInt(l.p, r.p);
    return s;
}

// Arguments up to this many significant digits, from this precision (in
// limbs) on, take the binary splitting: its integers stay short, where the
// halvings and the series of expSmall would run on full-length numbers.
const int SHORT_DIGITS = 18;
const int SHORT_FROM = 450;

// e^x for an exact x = +-m 10^e with m of at most SHORT_DIGITS digits and
// |x| <= 10^4: y = x / 2^s0 (|y| <= 1, exactly: p = m 5^s0, d = s0 - e),
// sum_{k<=N} y^k / k! = 1 + T / Q exactly by binary splitting, one quotient
// at scale 10^-W, and s0 squarings in balls. The terms left out are below
// 2 |y|^(N+1) / (N+1)!, the quotient's cut below one unit of 10^-W.
Ball expShort(const kvtrig::Arg& x, int wp) {
    using namespace kvtrig;
    const double lx = x.m.log10() + static_cast<double>(x.e);
    const int s0 = lx > -0.01 ? static_cast<int>(std::ceil((lx + 0.01) / std::log10(2.0))) : 0;
    const int w = widen(wp, 0.302 * s0 + 3);
    const int h = headOf(w);
    // y = p 10^-d with d >= 0.
    Nat pm = x.m;
    for (int i = 0; i < s0; ++i) mulSmallInPlace(pm, 5);
    int64_t d = s0 - x.e;
    if (d < 0) {
        pm = mulPow10(pm, -d);
        d = 0;
    }
    const double ly = pm.log10() - static_cast<double>(d);  // <= 0 (plus rounding)
    // Scale: the sum (in [e^-1, e]) to W digits after the point, more than
    // the h + 1 limbs the result keeps.
    const int64_t W = 4 * static_cast<int64_t>(h) + 12;
    uint64_t N = 1;
    while (std::log10(2.0) + (N + 1) * ly - log10Fact(static_cast<int>(N + 1)) > -static_cast<double>(W) - 1) ++N;
    const Int p{pm, x.neg};
    ExpSplit sp = expSplit(p, d, 1, N + 1, false);
    // sum = 1 + T / Q = (Q + T) / Q, Q = K 10^(d N); Q + T > 0 since the sum
    // is at least e^-1 less the rest.
    const Nat Q = mulPow10(sp.k, d * sp.n);
    const Int num = addInt(Int{Q, false}, sp.t);
    Ball out(w);
    if (num.neg || num.m.isZero()) {
        out.setUnbounded();
        return out;
    }
    const Nat F = divFloor(mulPow10(num.m, W), Q);  // floor(sum 10^W), >= 10^(W-1)
    // The h + 1 limbs of F from its head (the rest cut: less than one unit of
    // the last kept limb).
    const int size = F.size();
    KVnum mid(w);
    KVnumInternal::setHead(mid, F.d.data() + (size - h - 1), 4 * static_cast<int64_t>(size - h - 1) - W, false);
    const double lrest = std::log10(2.0) + (N + 1) * ly - log10Fact(static_cast<int>(N + 1));
    Mag rad = addUp(Mag::pow10(-W), Mag::pow10(static_cast<int64_t>(std::ceil(lrest + 1e-6 * std::fabs(lrest) + 0.01))));
    rad = addUp(rad, unitOf(mid));
    out = Ball(mid, rad, w);
    for (int i = 0; i < s0; ++i) {
        const Ball t = out;
        out *= t;
    }
    return out;
}

// True when x suits expShort at precision wp (x non-zero).
bool shortArgument(const KVnum& x, int wp, kvtrig::Arg& a) {
    if (wp < SHORT_FROM) return false;
    int low = 0;
    while (x.Limb(low) == 0) ++low;
    if (4 * (x.Top() - low + 1) > SHORT_DIGITS + 3) return false;
    a = kvtrig::argOf(x);
    return a.m.digits() <= SHORT_DIGITS && a.m.log10() + static_cast<double>(a.e) <= 4;
}

// e^x at an exact point x (a KVnum of precision wp).
Ball expPoint(const KVnum& x, int wp) {
    if (x.IsZero()) return Ball(1, wp);
    const long double lx = log10Of(x);
    if (lx > 11) {  // |x| > 1e11: e^x beyond 10^(4e10), or below 10^(-4e10)
        Ball r(wp);
        r.setOutOfRange();
        return r;
    }
    if (lx < -2.0 * (wp / 2 - 2) - 4) {
        // |x| below the square root of the precision: e^x = 1 + x within x^2
        // (|e^x - 1 - x| <= x^2 for |x| <= 1), and the powers of x that the
        // sum would form could leave the exponent range.
        Ball e(1, wp);
        e += Ball(x, wp);
        const Mag ax = magUp(x);
        e.widen(mulUp(ax, ax));
        return e;
    }
    kvtrig::Arg sa;
    if (shortArgument(x, wp, sa)) return expShort(sa, wp);
    // Below 2 ln 10 the halvings take r as it is: a multiple of ln 10 would
    // cost the constant's copy and a subtraction at full length, more than
    // the two halvings it saves.
    const long double xv = valueOf(x);
    const int64_t k = std::fabs(xv) < 4.6L ? 0 : static_cast<int64_t>(std::llround(xv / 2.302585092994045684017991454684364L));
    Ball r(x, wp);
    if (k != 0) {
        const int wk = widen(wp, std::log10(std::fabs(static_cast<double>(k))) + 2);
        Ball t = ln10(wk);
        t.mulInt(k);
        r = Ball(x, wk);
        r -= t;
        r = r.at(wp);
    }
    Ball e = expSmall(r, wp);
    e.scale10(k);
    return e;
}

// ---- ln at a point ---------------------------------------------------------------------

// ln x for x in [0.3, 3.2] to about 18 digits (for choosing a lattice point).
long double lnEstimateValue(const KVnum& x) {
    // x's head limbs as an integer (at most 20 digits: the last step may round
    // by one unit in 10^19) and the power of ten of its last limb.
    const int h = x.Top();
    long double v = 0;
    int used = 0;
    for (int i = h; i >= 0 && used < 5; --i, ++used) v = v * 10000 + x.Limb(i);
    const int e10 = x.Expo() + 4 * (h - used + 1);
    static const long double tenths[] = {1e0L,   1e-1L,  1e-2L,  1e-3L,  1e-4L,  1e-5L,  1e-6L,  1e-7L,  1e-8L,
                                         1e-9L,  1e-10L, 1e-11L, 1e-12L, 1e-13L, 1e-14L, 1e-15L, 1e-16L, 1e-17L,
                                         1e-18L, 1e-19L, 1e-20L, 1e-21L, 1e-22L, 1e-23L, 1e-24L};
    const long double p = e10 <= 0 && e10 >= -24 ? tenths[-e10] : std::pow(10.0L, static_cast<long double>(e10));
    return std::log(v * p);
}

// Up to this many terms the remainder series takes its coefficients over a
// common denominator: the odd numbers up to 2K + 1 then have a common
// multiple below 10^12, the short divisor's limit. Longer series divide at
// every step. Beyond LN_MOST_TERMS the ball is left unbounded (an estimate
// that bad is never made).
const int LN_GROUPED_TERMS = 14;
const int LN_MOST_TERMS = 2000;

// ln(1 + t) for t in the ball u (|u| < 0.1) at wp limbs, as 2 atanh(z), z =
// u / (2 + u) formed from u's midpoint m on plain numbers:
//   2 atanh(z) = z S,  S = sum_{k<=K} 2 w^k / (2k+1),  w = z^2,
// and the rest below 2 |w|^(K+1) / (1 - |w|). S is a fixed-point sum on exact
// integers at the scale 10000^-q: with the odd numbers' common multiple C and
// c_k = 2C / (2k+1), S C = c_0 + B_0 where B_K = 0, B_k = w (c_(k+1) +
// B_(k+1)); each step is a short product c_(k+1) w and one product w B_(k+1)
// that B_k's weight w^k in the sum lets run t_k limbs coarser, with
// |w|^k 10000^t_k <= 1. Every value is a floor of a non-negative number, so
// the sum only ever falls short: step k by less than 2 c_(k+1) + 1 + 4.04 C |w|
// of its units (w's cut, below 2 units at each scale; the floor of the
// product; the cut of w times B_(k+1) <= 2.02 C |w|), and what a step falls
// short is multiplied by |w| in the next one. In units of 10000^-q that is
// at most sum_k (2 c_(k+1) + 1) / C + 0.012, plus 2 for the quotient by C;
// the cut to the number S adds eps. (Beyond LN_GROUPED_TERMS terms C = 1,
// and each step's c_(k+1) W_k is floor(2 W_k / (2k+3)), short by at most 3.4
// units in all.) Then the plain steps, at eps = 10^-(4h): 2 + m and the
// quotient m / (2 + m) give z within 4.2 |z| eps of its value, moving 2 atanh by at
// most 8.5 |z| eps; the product z^2 cuts w by at most w eps, which moves S by
// at most 0.7 w eps; z S cuts at most |z S| eps <= 2.1 |z| eps. u's radius r
// moves ln(1 + t) by at most r / (1 - |u|).
Ball log1pSmall(const Ball& u, int wp) {
    using namespace kvtrig;
    const Mag au = u.absUp();
    const KVnum& m = u.mid();
    const Mag spread = divUp(u.rad(), subDown(Mag::pow10(0), au));
    if (m.IsZero()) return Ball(KVnum(wp), spread, wp);
    const int h = headOf(wp);
    KVnum d(wp), z(wp), w(wp);
    d = 2;
    d += m;
    z = m;
    z /= d;
    w = z;
    w *= z;
    const Mag aw = magUp(w);
    const double lw = aw.isZero() ? -1e9 : aw.log10();
    const double digits = 4.0 * h + 8;
    int K = 0;
    while ((K + 1) * lw > -digits && K <= LN_MOST_TERMS) ++K;
    if (K > LN_MOST_TERMS) {
        Ball r(wp);
        r.setUnbounded();
        return r;
    }
    const bool grouped = K <= LN_GROUPED_TERMS;
    int64_t C = 1;
    for (int64_t j = 3; grouped && j <= 2 * K + 1; j += 2) C = C / std::gcd(C, j) * j;
    const int q = h + 1;
    Nat W = scale10(argOf(w).m, argOf(w).e + 4 * static_cast<int64_t>(q));
    // Limbs each step may drop: 4 t_k <= k log10(1/|w|), and fewer than q.
    auto drop = [&](int k) {
        const double t = std::floor((k * -lw - 0.01) / 4);
        return t < 0 ? 0 : t > q - 1 ? q - 1 : static_cast<int>(t);
    };
    Nat B, Wk, P, T, scratch;
    // The shortfall in units of 10000^-q, in double (a sum of small positive
    // terms, each exact to 10^-15, raised by 1 % below): each step's weight
    // |w|^k 10000^t_k is below 10^-0.01 by the choice of t_k (log10 |w| is
    // within 10^-12 of its value here).
    double shortfall = 2;
    for (int k = K - 1; k >= 0; --k) {
        const int tk = drop(k), tk1 = drop(k + 1);
        const int64_t c = 2 * C / (2 * (k + 1) + 1);
        Wk.d.assign(W.d.begin() + std::min<size_t>(W.d.size(), static_cast<size_t>(tk)), W.d.end());
        if (!B.isZero() && !Wk.isZero()) {
            mulShiftInto(P, Wk, B, q - tk1, scratch);
        } else {
            P = Nat();
        }
        if (grouped) {
            mulSmallInPlace(Wk, static_cast<uint64_t>(c));
            addInto(B, Wk, P);
            shortfall += (2.0 * static_cast<double>(c) + 1) / static_cast<double>(C) + 0.012;
        } else {
            // C = 1: floor(2 W_k / (2k + 3)), short of 2w / (2k + 3) by
            // less than 4/3 + 1 units; the product's floor and w's cut
            // times B_(k+1) <= 0.7 |w| add 1.004.
            addInto(Wk, Wk, Wk);
            divSmallInto(T, Wk, static_cast<uint64_t>(2 * k + 3));
            addInto(B, T, P);
            shortfall += 3.4;
        }
    }
    // S C = c_0 10000^q + B_0, then S at the scale 10000^-q (in [2, 2.02)).
    Nat N = mulPow10(Nat(static_cast<uint64_t>(2 * C)), 4 * static_cast<int64_t>(q));
    addInto(N, N, B);
    Nat Sn;
    divSmallInto(Sn, N, static_cast<uint64_t>(C));
    assert(Sn.size() == q + 1);
    KVnum S(wp);
    KVnumInternal::setHead(S, Sn.d.data() + (q - h), -4 * static_cast<int64_t>(h), false);
    KVnum L(wp);
    L = z;
    L *= S;
    // L's distance from ln(1 + m), relative to |z|: the sum's shortfall and
    // its cut to S, the rest of the series, and the plain steps (8.5 + 0.7 w
    // + 2.1 eps, within 12 eps).
    const Mag eps = Mag::pow10(-4 * static_cast<int64_t>(h));
    Mag err = addUp(Mag::up(1.01 * shortfall, -4 * static_cast<int64_t>(q)), eps);
    err = addUp(err, divUp(mulUp(Mag::up(2, 0), powUp(aw, K + 1)), subDown(Mag::pow10(0), aw)));
    err = addUp(err, mulUp(Mag::up(12, 0), eps));
    return Ball(L, addUp(mulUp(magUp(z), err), spread), wp);
}

// ---- ln by the lattice of 2, 3 and 5 ----------------------------------------------------
//
// Up to LN_LATTICE_TO limbs, ln M = a ln 2 + b ln 3 + c ln 5 + ln(M / R)
// with R = 2^a 3^b 5^c the point of the lattice nearest to M (|b|, |c| <=
// LATTICE_SPAN and a to match, 1,681 points in each period of ln 2, so that
// |M / R - 1| stays below 4.1 10^-4): M / R is one product and at most one
// quotient by exact integers, ln 2 and ln 3 (and ln 10 for ln 5) are the
// cached constants, and what is left is the remainder series of about
// digits / 7.4 terms, without any exponential.
const int LN_LATTICE_TO = 300;
const int LATTICE_SPAN = 20;

const long double LN2_L = 0.693147180559945309417232121458176568L;
const long double LN3_L = 1.098612288668109691395245236922525704L;
const long double LN5_L = 1.609437912434100374600759333226187639L;

struct LatticePoint {
    double f;  // (b ln 3 + c ln 5) mod ln 2, in [0, ln 2)
    int b, c;
};

const std::vector<LatticePoint>& lattice() {
    static const std::vector<LatticePoint> table = [] {
        std::vector<LatticePoint> v;
        for (int b = -LATTICE_SPAN; b <= LATTICE_SPAN; ++b)
            for (int c = -LATTICE_SPAN; c <= LATTICE_SPAN; ++c) {
                long double f = std::fmod(b * LN3_L + c * LN5_L, LN2_L);
                if (f < 0) f += LN2_L;
                v.push_back({static_cast<double>(f), b, c});
            }
        std::sort(v.begin(), v.end(), [](const LatticePoint& x, const LatticePoint& y) { return x.f < y.f; });
        return v;
    }();
    return table;
}

// The lattice point nearest to e^t (an estimate of ln M): a, b, c.
void nearestPoint(long double t, int64_t& a, int& b, int& c) {
    const std::vector<LatticePoint>& v = lattice();
    long double ft = std::fmod(t, LN2_L);
    if (ft < 0) ft += LN2_L;
    const auto it = std::lower_bound(v.begin(), v.end(), static_cast<double>(ft),
                                     [](const LatticePoint& p, double f) { return p.f < f; });
    const LatticePoint* cand[2] = {it == v.end() ? &v.front() : &*it, it == v.begin() ? &v.back() : &*(it - 1)};
    long double best = 1e30L;
    for (const LatticePoint* p : cand) {
        const long double rest = t - (p->b * LN3_L + p->c * LN5_L);
        const int64_t aa = static_cast<int64_t>(std::llround(rest / LN2_L));
        const long double d = std::fabs(rest - aa * LN2_L);
        if (d < best) best = d, a = aa, b = p->b, c = p->c;
    }
}

// N 10^e exactly as a ball at wp limbs (cut, and the cut counted, when N's
// digits do not fit).
Ball natBall(const kvtrig::Nat& N, int64_t e, int wp) {
    const int pf = std::max(wp, 2 * (N.size() + 2) + 2);
    KVnum k(pf);
    KVnumInternal::setHeadShort(k, N.d.data(), N.size(), e, false);
    return Ball(k, wp);
}

// ln M for M in [0.3, 3.2] (a ball) at wp limbs by the lattice. The terms
// a ln 2 + ... may be far larger than ln M itself (M near 1 but not at the
// point 1): their digits above ln M's are added to the precision.
Ball lnLattice(const Ball& M, int wp) {
    using namespace kvtrig;
    const long double t = lnEstimateValue(M.mid());
    int64_t a = 0;
    int b = 0, c = 0;
    nearestPoint(t, a, b, c);
    // M / R = M 2^-a 3^-b 5^-c = M F 10^m / Q: 2^-a 5^-c = 10^m 2^(-a-m)
    // 5^(-c-m) with m = min(-a, -c), and 3^-b in F or in Q.
    const int64_t m = std::min(-a, static_cast<int64_t>(-c));
    Nat F(1), Q(1);
    for (int64_t i = 0; i < -a - m; ++i) mulSmallInPlace(F, 2);
    for (int64_t i = 0; i < -c - m; ++i) mulSmallInPlace(F, 5);
    for (int i = 0; i < (b < 0 ? -b : b); ++i) mulSmallInPlace(b < 0 ? F : Q, 3);
    const int64_t c2 = a - c;  // ln 5 = ln 10 - ln 2
    double digits = 0;
    if (a != 0 || b != 0 || c != 0) {
        const double big = std::fabs(static_cast<double>(c2)) * 0.6932 + std::abs(b) * 1.0987 + std::abs(c) * 2.3026;
        digits = std::log10(big / std::max(static_cast<double>(std::fabs(t)), 1e-30)) + 2;
    }
    const int w = widen(wp, std::max(digits, 0.0) + 3);
    Ball r = M.at(w);
    r *= natBall(F, m, w);
    if (b > 0) r /= natBall(Q, 0, w);
    r -= Ball(1, w);
    if (r.unbounded() || r.outOfRange() || cmp(r.absUp(), Mag::up(0.1, 0)) >= 0) {
        Ball bad(wp);
        bad.setUnbounded();
        return bad;
    }
    Ball sum = log1pSmall(r, w);
    if (c2 != 0) {
        Ball k = ln2(w);
        k.mulInt(c2);
        sum += k;
    }
    if (b != 0) {
        Ball k = ln3(w);
        k.mulInt(b);
        sum += k;
    }
    if (c != 0) {
        Ball k = ln10(w);
        k.mulInt(c);
        sum += k;
    }
    return sum.at(wp);
}

// ln M for an exact M in [0.3, 3.2] at wp limbs: by the lattice up to
// LN_LATTICE_TO limbs. Beyond, from an estimate y of ln M good to q digits
// (ln M at a quarter of the limbs), u = M e^-y - 1 is below 10^-q and ln M =
// y + ln(1 + u), whose series gains 2q digits a term: one exponential at full
// precision and a short series.
Ball lnMantissa(const Ball& M, int wp) {
    if (wp <= LN_LATTICE_TO) return lnLattice(M, wp);
    KVnum y(wp);
    y = lnMantissa(M.at(wp / 4 + 6), wp / 4 + 6).mid();
    KVnum ny(wp);
    ny -= y;
    Ball u = M.at(wp);
    u *= expPoint(ny, wp);
    u -= Ball(1, wp);
    if (u.unbounded() || u.outOfRange() || cmp(u.absUp(), Mag::up(0.1, 0)) >= 0) {
        Ball r(wp);
        r.setUnbounded();
        return r;
    }
    Ball yb(y, wp);
    yb += log1pSmall(u, wp);
    return yb;
}

// ln x for an exact x > 0 (precision wp).
Ball logPoint(const KVnum& x, int wp) {
    // x = M 10^E with M in [0.3, 3.2] exactly; ln x = E ln 10 + ln M. Near
    // 1 (E = 0) the logarithm is as small as x - 1: the digits it has in
    // front are added to the precision, so the result keeps wp of its own.
    int64_t E = leadOf(x) - 1;
    if (log10Of(x) - static_cast<long double>(E) > 0.5L) ++E;
    if (E == 0) {
        const Ball d = Ball(x, wp) - Ball(1, wp);
        if (d.exact() && d.mid().IsZero()) return Ball(wp);  // x = 1
        const int64_t ld = d.mid().IsZero() ? -4 * static_cast<int64_t>(wp) : leadOf(d.mid());
        if (ld < 0) {
            const int w2 = widen(wp, static_cast<double>(-ld) + 1);
            return lnMantissa(Ball(x, w2), w2).at(wp);
        }
        return lnMantissa(Ball(x, wp), wp);
    }
    Ball M(x, wp);
    M.scale10(-E);
    Ball yb = lnMantissa(M, wp);
    const int wk = widen(wp, std::log10(std::fabs(static_cast<double>(E))) + 2);
    Ball t = ln10(wk);
    t.mulInt(E);
    t += yb;
    return t.at(wp);
}

}  // namespace


Ball exp(const Ball& x) {
    const int wp = x.prec();
    if (x.unbounded() || x.outOfRange()) return x;
    const Mag r = x.rad();
    // e^t for |t - m| <= r lies within e^m (e^r - 1) <= e^m r e^r of e^m.
    if (cmp(r, Mag::pow10(3)) > 0) {
        Ball b(wp);
        b.setUnbounded();
        return b;
    }
    Ball e = expPoint(x.mid(), wp);
    if (!r.isZero()) e.widen(mulUp(e.absUp(), mulUp(r, expUp(r))));
    return e;
}

Ball log(const Ball& x) {
    const int wp = x.prec();
    Ball r(wp);
    if (x.unbounded() || x.outOfRange()) return x;
    if (sign(x) != 1) {
        r.setUnbounded();
        return r;
    }
    // ln t for |t - m| <= rad lies within rad / (m - rad) of ln m.
    Ball l = logPoint(x.mid(), wp);
    if (!x.rad().isZero()) l.widen(divUp(x.rad(), x.absDown()));
    return l;
}

Ball pow(const Ball& x, const Ball& y) { return exp(y * log(x)); }

}  // namespace kvexact

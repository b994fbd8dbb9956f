// Balls: exponential, logarithm, real power and the logarithm constants.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "exact/Ball.h"

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

// ---- cached constants ------------------------------------------------------------------

// atanh(1/q) = sum 1/((2k+1) q^(2k+1)) to an error below 10^-(4h + 8).
Ball atanhInv(int64_t q, int wp) {
    Ball term(1, wp);
    term.divInt(q);
    Ball sum = term;
    const int64_t q2 = q * q;
    const Mag stop = Mag::pow10(-4 * static_cast<int64_t>(headOf(wp)) - 8);
    for (int64_t k = 1;; ++k) {
        term.divInt(q2);
        Ball t = term;
        t.divInt(2 * k + 1);
        sum += t;
        // The rest is below the next term's bound times 1 / (1 - 1/q^2) < 2.
        const Mag next = mulUp(term.absUp(), Mag::pow10(0));
        if (cmp(mulUp(next, Mag::up(2.0 / static_cast<double>(q2), 0)), stop) < 0) {
            sum.widen(mulUp(next, Mag::up(2.0 / static_cast<double>(q2), 0)));
            return sum;
        }
    }
}

struct ConstCache {
    std::mutex lock;
    std::unique_ptr<Ball> ln10, ln2;
};

ConstCache& cache() {
    static ConstCache* c = new ConstCache;  // kept for the life of the process
    return *c;
}

void logConstants(int wp, Ball& l10, Ball& l2) {
    const Ball a = atanhInv(31, wp), b = atanhInv(49, wp), c = atanhInv(161, wp);
    l10 = a;
    l10.mulInt(46);
    Ball t = b;
    t.mulInt(34);
    l10 += t;
    t = c;
    t.mulInt(20);
    l10 += t;
    l2 = a;
    l2.mulInt(14);
    t = b;
    t.mulInt(10);
    l2 += t;
    t = c;
    t.mulInt(6);
    l2 += t;
}

Ball cachedConstant(int wp, bool ten) {
    ConstCache& c = cache();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.ln10 || c.ln10->prec() < wp) {
        const int w = c.ln10 && c.ln10->prec() * 3 / 2 > wp ? c.ln10->prec() * 3 / 2 : wp;
        Ball l10(w), l2(w);
        logConstants(w + 4, l10, l2);
        c.ln10.reset(new Ball(l10.at(w)));
        c.ln2.reset(new Ball(l2.at(w)));
    }
    return (ten ? c.ln10 : c.ln2)->at(wp);
}

// ---- exp at a point --------------------------------------------------------------------

// e^r for a ball r with |r| < 1.2 at precision wp.
//
// The sum runs on plain KVnum operations with an error bound worked out in
// advance rather than on balls (a ball operation costs about as much again
// as the operation at these sizes). With |r'| <= 1/2 every partial value of
// the sum lies below 2 in magnitude, so each operation (a product, a
// quotient by an integer >= 1, a sum) is off by less than two units of the
// last place of a number below 2, i.e. by at most 4 eps with
// eps = 10^-(4h): a number v of that precision has its last unit below
// |v| eps. The bound of the sum is that many times the count of operations,
// plus the series' remainder; the squarings double the relative error each
// (and add eps), which is followed step by step.
Ball expSmall(const Ball& r0, int wp) {
    const double digits = 4.0 * headOf(wp) + 8;
    int s = static_cast<int>(1.4 * std::sqrt(digits)) + 2;
    const int w = widen(wp, 0.302 * s + 3);
    const int h = headOf(w);
    const Mag eps = Mag::pow10(-4 * static_cast<int64_t>(h));
    // r' = r / 2^s = r 5^s 10^-s, as a ball (its radius is carried through
    // e^(r' +- rho) = e^r' e^(+-rho) at the end).
    Ball rb = r0.at(w);
    {
        Ball f(1, w);
        int left = s;
        while (left > 0) {
            const int k = left > 10 ? 10 : left;
            int64_t p5 = 1;
            for (int i = 0; i < k; ++i) p5 *= 5;
            f.mulInt(p5);
            left -= k;
        }
        rb *= f;
        rb.scale10(-s);
    }
    if (rb.unbounded() || rb.outOfRange()) return rb;
    const KVnum& r = rb.mid();
    const Mag ar = magUp(r);
    const double lr = ar.isZero() ? -digits : ar.log10();
    // Terms: smallest K with |r|^(K+1)/(K+1)! below 10^-(digits + 0.302 s + 2).
    int K = 1;
    {
        double lt = 2 * lr, lf = std::log10(2.0);  // log10 |r|^(K+1), log10 (K+1)!
        const double target = -(digits + 0.302 * s + 2);
        while (lt - lf > target && K < 100000) {
            ++K;
            lt += lr;
            lf += std::log10(K + 1.0);
        }
    }
    int m = static_cast<int>(std::sqrt(static_cast<double>(K)));
    if (m < 2) m = 2;
    const int J = K / m;
    const int last = (J + 1) * m - 1;
    std::vector<KVnum> P;
    P.reserve(m + 1);
    P.emplace_back(w);
    P[0] = 1;
    P.push_back(r);
    for (int i = 2; i <= m; ++i) {
        P.push_back(P[i - 1]);
        P[i] *= r;
    }
    long ops = m;
    KVnum acc(w), b(w), dv(w);
    for (int j = J; j >= 0; --j) {
        // B_j = sum_i r^i / ((jm+1)...(jm+i)), by Horner with short divisions.
        b = P[m - 1];
        for (int i = m - 2; i >= 0; --i) {
            dv = static_cast<long long>(static_cast<int64_t>(j) * m + i + 1);
            b /= dv;
            b += P[i];
            ops += 2;
        }
        if (j == J) {
            acc = b;
        } else {
            acc *= P[m];
            // / ((jm+1)...(jm+m)), the factors grouped below 10^8.
            int64_t g = 1;
            for (int i = 1; i <= m; ++i) {
                const int64_t f = static_cast<int64_t>(j) * m + i;
                if (g * f >= 100000000) {
                    dv = static_cast<long long>(g);
                    acc /= dv;
                    ++ops;
                    g = 1;
                }
                g *= f;
            }
            if (g > 1) {
                dv = static_cast<long long>(g);
                acc /= dv;
                ++ops;
            }
            acc += b;
            ops += 2;
        }
    }
    // Absolute error of the sum: 4 eps per operation, plus the terms from
    // last + 1 on (below 2 |r|^(last+1) / (last+1)!). The sum is >= e^-1/2 > 0.6,
    // which turns it into a relative error.
    Mag fact = Mag::pow10(0);
    for (int i = 2; i <= last + 1; ++i) fact = mulDown(fact, Mag::down(i, 0));
    Mag err = addUp(mulUp(Mag::up(4.0 * static_cast<double>(ops + 4), 0), eps),
                    mulUp(Mag::up(2, 0), divUp(powUp(ar, last + 1), fact)));
    Mag rel = divUp(err, Mag::down(0.6, 0));
    for (int i = 0; i < s; ++i) {
        acc *= acc;
        // (1 + rel)^2 (1 + eps) - 1 <= rel (2 + rel) + eps (1 + rel)^2.
        const Mag onePlus = addUp(Mag::pow10(0), rel);
        rel = addUp(mulUp(rel, addUp(Mag::up(2, 0), rel)), mulUp(eps, mulUp(onePlus, onePlus)));
    }
    Ball out(acc, mulUp(magUp(acc), rel), w);
    // The radius rho of r': e^(r' + t) = e^r' e^t, |e^t - 1| <= |t| e^|t|, raised
    // to the power 2^s with r' itself: relative 2^s rho e^(2^s rho).
    if (!rb.rad().isZero()) {
        const Mag rho = mulUp(rb.rad(), powUp(Mag::up(2, 0), s));
        out.widen(mulUp(out.absUp(), mulUp(rho, expUp(rho))));
    }
    return out;
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
    const long double xv = valueOf(x);
    const int64_t k = static_cast<int64_t>(std::llround(xv / 2.302585092994045684017991454684364L));
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

// ln x for an exact x > 0 (precision wp).
// ln M for an exact M in [1, 10) at wp limbs. From an estimate y of ln M
// good to q digits, u = M e^-y - 1 is below 10^-q and
//   ln M = y + ln(1 + u) = y + 2 atanh(z),  z = u / (2 + u),
// whose series z + z^3/3 + z^5/5 + ... gains 2q digits a term. The estimate
// comes from the same computation at a quarter of the limbs (a long double's
// logarithm at the smallest precisions), so a logarithm costs about one
// exponential at full precision and little more.
Ball lnMantissa(const Ball& M, int wp) {
    KVnum y(wp);
    if (wp <= 24) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.19Le", std::log(valueOf(M.mid())));
        y = buf;
    } else {
        y = lnMantissa(M.at(wp / 4 + 6), wp / 4 + 6).mid();
    }
    Ball yb(y, wp);
    Ball u = M.at(wp);
    const Ball ny = -yb;
    u *= expPoint(ny.mid(), wp);
    u -= Ball(1, wp);
    Ball z = u;
    z /= u + Ball(2, wp);
    const Mag az = z.absUp();
    if (cmp(az, Mag::up(0.1, 0)) >= 0) {
        Ball r(wp);
        r.setUnbounded();
        return r;
    }
    // sum_k z^2k / (2k+1) to the first term below 10^-(4h + 8), by Horner in
    // w = z^2; the rest is below that term's bound / (1 - w).
    const Ball w = z * z;
    const Mag aw = w.absUp();
    const double lw = aw.isZero() ? -1e9 : aw.log10();
    const double digits = 4.0 * (wp / 2 - 2) + 8;
    int K = 0;
    while ((K + 1) * lw > -digits && K < 100000) ++K;
    Ball sum(1, wp);
    sum.divInt(2 * K + 1);
    for (int k = K - 1; k >= 0; --k) {
        sum *= w;
        Ball c(1, wp);
        if (k > 0) c.divInt(2 * k + 1);
        sum += c;
    }
    sum.widen(divUp(powUp(aw, K + 1), subDown(Mag::pow10(0), aw)));
    sum *= z;
    sum.mulInt(2);
    yb += sum;
    return yb;
}

// ln x for an exact x > 0 (precision wp).
Ball logPoint(const KVnum& x, int wp) {
    // x = M 10^E with M in [1, 10) exactly; ln x = E ln 10 + ln M.
    const int64_t E = leadOf(x) - 1;
    Ball M(x, wp);
    M.scale10(-E);
    Ball yb = lnMantissa(M, wp);
    if (E != 0) {
        const int wk = widen(wp, std::log10(std::fabs(static_cast<double>(E))) + 2);
        Ball t = ln10(wk);
        t.mulInt(E);
        t += yb;
        return t.at(wp);
    }
    return yb;
}

}  // namespace

Ball ln10(int wp) { return cachedConstant(wp, true); }
Ball ln2(int wp) { return cachedConstant(wp, false); }

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

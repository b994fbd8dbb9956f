// kvcalc: elementary functions on balls.
//
// Algorithms, all in ball arithmetic so that every rounding is counted:
//  - pi by Machin's formula, ln 2 and ln 10 by sums of atanh(1/k), each a
//    series of exact small divisions whose tail is below its first omitted
//    term (alternating) or below that term over 1 - 1/k^2; cached.
//  - exp x: x / 2^k below 2^-j, Taylor series (tail below twice the first
//    omitted term), squared back k times; the squarings double the relative
//    error each, so the work carries 0.3 k more digits.
//  - ln x: Newton's iteration y <- y + x e^-y - 1 at doubling precisions,
//    closed by t = x e^-y - 1 at full precision: ln x = y + ln(1 + t) and
//    |ln(1 + t) - t| <= t^2 for |t| <= 1/2.
//  - sin, cos: x less the nearest multiple of pi/2 (pi with the digits of x's
//    integer part more), halved j times, cos - 1 by its series, doubled back
//    by c2 - 1 = 2 (c - 1)(c + 1); the sine as sqrt(1 - cos^2) with its sign.
//  - atan: halving t -> t / (1 + sqrt(1 + t^2)) to below 2^-j, the series.
//  - n-th roots: Newton at doubling precisions, closed by the residual:
//    |x^(1/n) - y| <= |x - y^n| / y^(n-1).
//  - ln Gamma: Stirling's series with the argument shifted up, Bernoulli
//    numbers from the tangent numbers (integers), remainder below the first
//    omitted term.
#include "BallFunc.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "Num.h"

namespace kvcalc {

int limbsAt(int64_t digits) {
    const int64_t n = 2 * ((std::max<int64_t>(digits, 1) + 3) / 4 + 1);
    if (n > KVnum::MAX_LIMBS) throw CalcError{1, "Number too long"};
    return static_cast<int>(std::max<int64_t>(n, 10));
}

namespace {

Ball one(int W) { return ballOf(1, W); }

// An upper bound of 10^l for a double l (with margin for its rounding).
Mag magPow10(double l) {
    l += 1e-12 * std::fabs(l) + 1e-12;
    const double f = std::floor(l);
    return Mag{std::min(9.999999999999, std::pow(10.0, l - f) * (1 + 1e-12)), static_cast<int64_t>(f)};
}

// ---------------------------------------------------------------------------
// Constants

// sum over i of (-1)^i / ((2i+1) k^(2i+1)) (atan) or without the signs
// (atanh), for an integer k >= 2, to about `digits` digits.
Ball atanInv(long long k, int W, bool hyperbolic) {
    const int64_t D = digitsAt(W) + 4;
    Ball p = divSmall(one(W), k);  // 1 / k^(2i+1)
    Ball sum = p;
    const long long k2 = k * k;
    for (long long i = 1;; ++i) {
        p = divSmall(p, k2);
        Ball term = divSmall(p, 2 * i + 1);
        if (term.mid.IsZero() || mag10(term.mid) < -D - 2) {
            // The rest: below |term| (alternating) or |term| / (1 - 1/k^2).
            return widen(sum, term.upper() * Mag::of(2.0));
        }
        sum = (hyperbolic || i % 2 == 0) ? add(sum, term) : sub(sum, term);
        poll();
    }
}

struct Cache {
    std::mutex mu;
    std::map<int, Ball> best;  // constant id -> ball at the most limbs so far
};

Cache& cache() {
    static Cache c;
    return c;
}

Ball cached(int id, int W, Ball (*compute)(int)) {
    {
        std::lock_guard<std::mutex> lock(cache().mu);
        auto it = cache().best.find(id);
        if (it != cache().best.end() && it->second.limbs() >= W) return recast(it->second, W);
    }
    Ball b = compute(W + 4);
    std::lock_guard<std::mutex> lock(cache().mu);
    cache().best[id] = b;
    return recast(b, W);
}

Ball computePi(int W) {
    Ball a = mulSmall(atanInv(5, W, false), 16);
    Ball b = mulSmall(atanInv(239, W, false), 4);
    return sub(a, b);
}

Ball computeLn2(int W) {
    Ball s = mulSmall(atanInv(251, W, true), 144);
    s = add(s, mulSmall(atanInv(449, W, true), 54));
    s = sub(s, mulSmall(atanInv(4801, W, true), 38));
    return add(s, mulSmall(atanInv(8749, W, true), 62));
}

Ball computeLn10(int W) {
    Ball s = mulSmall(atanInv(31, W, true), 46);
    s = add(s, mulSmall(atanInv(49, W, true), 34));
    return add(s, mulSmall(atanInv(161, W, true), 20));
}

// ---------------------------------------------------------------------------
// exp

// exp of an exact (or nearly exact) small ball r, |r| <= 2^-j: Taylor.
Ball expTaylor(const Ball& r, int W) {
    const int64_t D = digitsAt(W) + 4;
    Ball sum = add(one(W), r);
    Ball term = r;
    for (long long i = 2;; ++i) {
        term = divSmall(mul(term, r), i);
        if (term.mid.IsZero() || mag10(term.mid) < -D - 2) {
            // |r| <= 1/2: the rest is below twice the first omitted term.
            return widen(sum, term.upper() * Mag::of(2.0));
        }
        sum = add(sum, term);
    }
}

// exp of an exact point x.
Ball expPoint(const KVnum& x, int W) {
    if (x.IsZero()) return one(W);
    const int64_t D = digitsAt(W);
    const int j = std::max(8, static_cast<int>(std::sqrt(static_cast<double>(D)) * 0.9));
    const double l2 = approxLog10(x) * 3.3219280948873623;  // log2 |x|
    const int k = std::max(0, static_cast<int>(std::ceil(l2)) + j);
    const int Wg = W + limbsAt(static_cast<int64_t>(0.30103 * k) + 12 + std::max<int64_t>(0, mag10(x)));
    Ball r = mulPow2(ballOf(x, Wg), -k);
    r = recast(r, Wg);
    Ball y = expTaylor(r, Wg);
    for (int i = 0; i < k; ++i) y = mul(y, y);
    return recast(y, W);
}

// ---------------------------------------------------------------------------
// roots

// An exact number close to 10^l (a starting point for Newton).
KVnum approxPow10(double l, int W) {
    const double f = std::floor(l);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15fe%lld", std::pow(10.0, l - f), static_cast<long long>(f));
    return make(W, buf);
}

// n-th root of an exact x > 0 at W limbs.
Ball rootPoint(const KVnum& x, long long n, int W) {
    const int64_t D = digitsAt(W) + 8;
    const double lx = approxLog10(x);
    KVnum y = approxPow10(lx / static_cast<double>(n), limbsAt(24));
    // Newton: y <- y - (y^n - x) / (n y^(n-1)), doubling the digits.
    int64_t p = 12;
    while (true) {
        p = std::min<int64_t>(2 * p, D);
        const int Wp = limbsAt(p + 10);
        Ball yb = ballOf(y, Wp);
        Ball ynm1 = powInt(yb, static_cast<unsigned long long>(n - 1));
        Ball yn = mul(ynm1, yb);
        Ball step = div(sub(yn, ballOf(x, Wp)), mulSmall(ynm1, n));
        assign(y, sub(yb, step).mid);
        poll();
        if (p >= D) break;
    }
    // Closing bound from the residual, with y^n as a ball at more digits.
    const int Wr = W + limbsAt(16);
    Ball yb = ballOf(y, Wr);
    Ball ynm1 = powInt(yb, static_cast<unsigned long long>(n - 1));
    Ball res = sub(ballOf(x, std::max(Wr, x.Nlimbs())), mul(ynm1, yb));
    if (res.exact() && res.mid.IsZero()) return recast(Ball(y, Mag{}), W);
    const Mag rad = divUp(res.upper(), ynm1.lower());
    return recast(Ball(y, rad), W);
}

// ---------------------------------------------------------------------------
// sin and cos

// q mod 4 for an integer q.
int mod4(const KVnum& q) {
    if (q.IsZero()) return 0;
    std::string d;
    int64_t last;
    digitsOf(q, d, last);
    if (last >= 2) return 0;
    if (last < 0) d.resize(d.size() - static_cast<size_t>(std::min<int64_t>(-last, static_cast<int64_t>(d.size()))));
    for (int64_t k = std::max<int64_t>(last, 0); k > 0; --k) d += '0';
    int v = 0;
    const size_t len = d.size();
    if (len >= 2) v = (d[len - 2] - '0') * 10;
    if (len >= 1) v += d[len - 1] - '0';
    v %= 4;
    return q.Minus() ? (4 - v) % 4 : v;
}

// cos r - 1 for a small ball r (|r| <= 2^-j): -r^2/2 + r^4/24 - ...
Ball cosm1Taylor(const Ball& r, int W) {
    const int64_t D = digitsAt(W) + 4;
    Ball r2 = mul(r, r);
    Ball term = neg(divSmall(r2, 2));
    Ball sum = term;
    for (long long i = 1;; ++i) {
        term = neg(divSmall(mul(term, r2), (2 * i + 1) * (2 * i + 2)));
        if (term.mid.IsZero() || mag10(term.mid) < mag10(sum.mid) - D - 2) {
            return widen(sum, term.upper());  // alternating, decreasing
        }
        sum = add(sum, term);
    }
}

// sin r and cos r for a ball |r| <= 1.
void sinCosSmall(const Ball& r, int W, Ball& s, Ball& c) {
    if (r.exact() && r.mid.IsZero()) {
        s = Ball(KVnum(W), Mag{});
        c = one(W);
        return;
    }
    const int64_t D = digitsAt(W);
    const int jt = std::max(6, static_cast<int>(std::sqrt(static_cast<double>(D)) * 0.6));
    const double l2 = approxLog10(r.mid) * 3.3219280948873623;
    const int j = std::max(0, static_cast<int>(std::ceil(l2)) + jt);
    const int Wg = W + limbsAt(static_cast<int64_t>(0.6 * j) + 8);
    Ball h = recast(mulPow2(recast(r, Wg), -j), Wg);
    Ball m = cosm1Taylor(h, Wg);
    for (int i = 0; i < j; ++i) m = mulSmall(mul(m, add(m, ballOf(2, Wg))), 2);
    c = add(one(Wg), m);
    // sin^2 = -m (2 + m), sign of r.
    Ball s2 = neg(mul(m, add(m, ballOf(2, Wg))));
    s = sqrtBall(s2, Wg);
    if (r.mid.Minus()) s = neg(s);
    s = recast(s, W);
    c = recast(c, W);
}

// sin and cos of an exact x.
void sinCosPoint(const KVnum& x, int W, Ball& s, Ball& c) {
    const int64_t D = digitsAt(W);
    if (x.IsZero() || mag10(x) < 0) {
        sinCosSmall(ballOf(x, W + 2), W, s, c);
        return;
    }
    int64_t extra = std::max<int64_t>(0, mag10(x) + 1) + 10;
    for (int attempt = 0;; ++attempt) {
        const int Wx = W + limbsAt(extra);
        Ball hp = mulPow2(piBall(Wx), -1);
        Ball X = ballOf(x, Wx);
        Ball t = div(X, hp);
        KVnum q = roundInt(t.mid);
        Ball r = sub(X, mul(ballOf(q, Wx), hp));
        if (attempt == 0 && !r.mid.IsZero() && mag10(r.mid) < -4) {
            extra += -mag10(r.mid);
            continue;
        }
        Ball sr, cr;
        sinCosSmall(r, Wx, sr, cr);
        switch (mod4(q)) {
            case 0: s = sr; c = cr; break;
            case 1: s = cr; c = neg(sr); break;
            case 2: s = neg(sr); c = neg(cr); break;
            default: s = neg(cr); c = sr; break;
        }
        s = recast(s, W);
        c = recast(c, W);
        (void)D;
        return;
    }
}

// ---------------------------------------------------------------------------
// atan

// atan of a ball 0 <= t <= 1 (t not much above 1).
Ball atanSmall(const Ball& t0, int W) {
    const int64_t D = digitsAt(W);
    const int jt = std::max(4, static_cast<int>(std::sqrt(static_cast<double>(D)) * 0.35));
    const int Wg = W + limbsAt(static_cast<int64_t>(0.3 * jt) + 8);
    Ball t = recast(t0, Wg);
    int k = 0;
    const Mag limit = Mag::of(std::pow(2.0, -jt));
    while (cmp(t.upper(), limit) > 0 && k < 200) {
        Ball s = sqrtBall(add(one(Wg), mul(t, t)), Wg);
        t = div(t, add(one(Wg), s));
        ++k;
    }
    // atan t = t - t^3/3 + t^5/5 - ... (alternating and decreasing for |t| < 1)
    Ball t2 = mul(t, t);
    Ball p = t;
    Ball sum = t;
    for (long long i = 1;; ++i) {
        p = mul(p, t2);
        Ball term = divSmall(p, 2 * i + 1);
        if (term.mid.IsZero() || mag10(term.mid) < mag10(sum.mid) - D - 10) {
            sum = widen(sum, term.upper());
            break;
        }
        sum = (i % 2 == 0) ? add(sum, term) : sub(sum, term);
    }
    return recast(mulPow2(sum, k), W);
}

Ball atanPoint(const KVnum& x, int W) {
    if (x.IsZero()) return Ball(KVnum(W), Mag{});
    const int Wg = W + 2;
    Ball X = absb(ballOf(x, Wg));
    const int c = cmp(absOf(x), "1");
    Ball r;
    if (c == 0) {
        r = mulPow2(piBall(Wg), -2);
    } else if (c < 0) {
        r = atanSmall(X, Wg);
    } else {
        r = sub(mulPow2(piBall(Wg), -1), atanSmall(div(one(Wg), X), Wg));
    }
    if (x.Minus()) r = neg(r);
    return recast(r, W);
}

// ---------------------------------------------------------------------------
// Bernoulli numbers B_2k (k >= 1) as balls, from the tangent numbers T_k:
// B_2k = (-1)^(k-1) 2k T_k / (4^k (4^k - 1)).
std::vector<KVnum> tangentNumbers(int n) {
    std::vector<KVnum> T(static_cast<size_t>(n + 1), KVnum(10));
    if (n < 1) return T;
    assign(T[1], make(10, 1LL));
    for (int k = 2; k <= n; ++k) assign(T[k], exactMul(T[k - 1], make(10, static_cast<long long>(k - 1))));
    for (int k = 2; k <= n; ++k) {
        for (int j = k; j <= n; ++j) {
            // T_j = (j - k) T_(j-1) + (j - k + 2) T_j
            KVnum a = exactMul(T[j - 1], make(10, static_cast<long long>(j - k)));
            KVnum b = exactMul(T[j], make(10, static_cast<long long>(j - k + 2)));
            assign(T[j], exactAdd(a, b));
        }
        poll();
    }
    return T;
}

// Cached by count.
const std::vector<KVnum>& tangents(int n) {
    static std::mutex mu;
    static std::vector<KVnum> T;
    std::lock_guard<std::mutex> lock(mu);
    if (static_cast<int>(T.size()) < n + 1) {
        std::vector<KVnum> fresh = tangentNumbers(n);
        T.clear();
        for (const KVnum& t : fresh) T.push_back(t);
    }
    return T;
}

Ball bernoulli2k(int k, int W) {
    const std::vector<KVnum>& T = tangents(std::max(k, 8));
    // 4^k (4^k - 1) exactly.
    KVnum four(limbsExact(static_cast<int64_t>(k * 0.61) + 8));
    four = 4;
    KVnum e(10);
    e = k;
    four ^= e;
    KVnum den = exactMul(four, exactSub(four, make(10, 1LL)));
    KVnum num = exactMul(T[static_cast<size_t>(k)], make(10, 2LL * k));
    Ball b = div(ballOf(num, std::max(W, limbsExact(sigDigits(num)))), ballOf(den, std::max(W, limbsExact(sigDigits(den)))));
    b = recast(b, W);
    return (k % 2 == 1) ? b : neg(b);
}

// log10 |B_2k| approximately, for choosing the number of terms.
double log10Bernoulli(int k) {
    const double n = 2.0 * k;
    return (std::log10(2.0) + std::lgamma(n + 1) / std::log(10.0) - n * std::log10(2 * M_PI));
}

}  // namespace

// ---------------------------------------------------------------------------

Ball piBall(int W) { return cached(0, W, computePi); }
Ball ln2Ball(int W) { return cached(1, W, computeLn2); }
Ball ln10Ball(int W) { return cached(2, W, computeLn10); }

Ball expBall(const Ball& x, int W) {
    if (x.exact() && x.mid.IsZero()) return one(W);
    // Beyond |x| of about 4.9e9 the result's exponent leaves the library's
    // range (for certain, since the ball's midpoint is that large).
    if (!x.mid.IsZero() && mag10(x.mid) >= 9 && std::fabs(approx(x.mid)) > 4.95e9)
        throw CalcError{1, "Exponent out of range."};
    if (cmp(x.rad, Mag::of(0.25)) > 0) throw NeedPrecision{static_cast<int64_t>(x.rad.log10()) + 4};
    Ball y = expPoint(x.mid, W);
    if (x.rad.isZero()) return y;
    // |e^t - e^m| <= e^m (e^r - 1) <= e^m r (1 + r) for r <= 1/4.
    return widen(y, y.upper() * x.rad * Mag::of(1.25));
}

Ball lnBall(const Ball& x, int W) {
    if (x.exact() && x.mid.IsZero()) throw CalcError{1, "x must be greater than 0"};
    if (x.sign() < 0) throw CalcError{1, "x must be greater than 0"};
    const KVnum& m = x.mid;
    const int64_t D = digitsAt(W);
    // Near 1 the result is small: carry the digits that x - 1 lacks.
    KVnum d = exactSub(m, make(10, 1LL));
    if (d.IsZero() && x.exact()) return Ball(KVnum(W), Mag{});
    const int64_t near = d.IsZero() ? 0 : std::max<int64_t>(0, -mag10(d));
    const int Wg = W + limbsAt(near + 10);
    KVnum y(limbsAt(40));
    if (near >= 3) {
        assign(y, d);
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", approxLog10(m) * 2.302585092994046);
        y = buf;
    }
    int64_t p = 14;
    const int64_t target = D + near + 8;
    while (p < target) {
        p = std::min<int64_t>(2 * p, target);
        const int Wp = limbsAt(p + 10 + std::max<int64_t>(0, mag10(y)));
        Ball e = expPoint(negOf(y), Wp);
        Ball t = sub(mul(ballOf(m, std::max(Wp, 10)), e), one(Wp));
        assign(y, add(ballOf(y, Wp), t).mid);
        poll();
    }
    Ball e = expPoint(negOf(y), Wg + limbsAt(std::max<int64_t>(0, mag10(y)) + 4));
    Ball t = sub(mul(ballOf(m, std::max(e.limbs(), m.Nlimbs())), e), one(e.limbs()));
    if (cmp(t.upper(), Mag::of(0.5)) > 0) throw NeedPrecision{};
    const Mag tu = t.upper();
    Ball r = widen(add(ballOf(y, Wg), t), tu * tu);
    if (!x.rad.isZero()) r = widen(r, divUp(x.rad, x.lower()));
    return recast(r, W);
}

void sinCosBall(const Ball& x, int W, Ball& s, Ball& c) {
    sinCosPoint(x.mid, W, s, c);
    if (!x.rad.isZero()) {
        s = widen(s, x.rad);
        c = widen(c, x.rad);
    }
}

Ball sinBall(const Ball& x, int W) {
    Ball s, c;
    sinCosBall(x, W, s, c);
    return s;
}

Ball cosBall(const Ball& x, int W) {
    Ball s, c;
    sinCosBall(x, W, s, c);
    return c;
}

Ball atanBall(const Ball& x, int W) {
    Ball r = atanPoint(x.mid, W);
    if (!x.rad.isZero()) r = widen(r, x.rad);  // |atan'| <= 1
    return r;
}

Ball sqrtBall(const Ball& x, int W) { return rootBall(x, 2, W); }

Ball rootBall(const Ball& x, long long n, int W) {
    if (x.exact() && x.mid.IsZero()) return Ball(KVnum(W), Mag{});
    const int sg = x.sign();
    if (sg < 0) {
        if (n % 2 == 0) throw CalcError{1, "x must not be negative for an even root."};
        return neg(rootBall(neg(x), n, W));
    }
    Ball r = rootPoint(x.mid, n, W);
    if (!x.rad.isZero()) {
        // |d/dt t^(1/n)| = t^(1/n - 1) / n, largest at the ball's low end.
        const Mag lo = x.lower();
        const double l = (1.0 / static_cast<double>(n) - 1.0) * lo.log10() - std::log10(static_cast<double>(n));
        r = widen(r, x.rad * magPow10(l));
    }
    return r;
}

Ball lgammaBall(const Ball& x, int W) {
    if (x.sign() <= 0) throw CalcError{1, "x must be greater than 0"};
    const int64_t D = digitsAt(W) + 6;
    // Shift up to z = x + N >= zmin, then choose K terms so that the first
    // omitted one is below 10^-D.
    const double xv = approx(x.mid);
    const double zmin = std::max(10.0, 1.2 * static_cast<double>(D));
    const long long N = xv >= zmin ? 0 : static_cast<long long>(std::ceil(zmin - xv));
    const int Wg = W + limbsAt(12 + static_cast<int64_t>(std::log10(std::max(2.0, xv + static_cast<double>(N)))));
    Ball z = recast(x, Wg);
    Ball prod = one(Wg);
    for (long long i = 0; i < N; ++i) {
        prod = mul(prod, add(z, ballOf(i, Wg)));
        poll();
    }
    z = add(z, ballOf(N, Wg));
    const double lz = std::log10(xv + static_cast<double>(N));
    int K = 1;
    auto termLog = [&](int k) {
        return log10Bernoulli(k) - std::log10(2.0 * k * (2.0 * k - 1)) - (2.0 * k - 1) * lz;
    };
    while (termLog(K + 1) > -static_cast<double>(D) && K < 4000) ++K;
    // (z - 1/2) ln z - z + ln(2 pi) / 2
    Ball lnz = lnBall(z, Wg);
    Ball half = mulPow2(one(Wg), -1);
    Ball s = sub(mul(sub(z, half), lnz), z);
    s = add(s, mul(half, lnBall(mulPow2(piBall(Wg), 1), Wg)));
    Ball zinv = div(one(Wg), z);
    Ball zinv2 = mul(zinv, zinv);
    Ball zp = zinv;  // z^-(2k-1)
    for (int k = 1; k <= K; ++k) {
        Ball t = divSmall(mul(bernoulli2k(k, Wg), zp), 2LL * k * (2LL * k - 1));
        s = add(s, t);
        zp = mul(zp, zinv2);
        poll();
    }
    // The remainder: below the first omitted term, |B_2K+2| / ((2K+2)(2K+1) z^(2K+1)).
    Ball next = divSmall(mul(absb(bernoulli2k(K + 1, Wg)), zp), (2LL * K + 2) * (2LL * K + 1));
    s = widen(s, next.upper());
    if (N > 0) s = sub(s, lnBall(prod, Wg));
    return recast(s, W);
}

}  // namespace kvcalc

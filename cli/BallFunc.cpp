// kvcalc: elementary functions on balls.
//
// exp, ln and the roots are the exact tier's ball functions (exact/Ball.h).
// sin, cos, atan and pi have no ball form there: their value at the ball's
// midpoint comes from ExactFunc, whose result r is the true value truncated
// toward zero, so the true value lies between r and r plus one unit in r's
// last place, away from zero; the ball is then widened by a bound on |f'|
// over the argument's ball times its radius.
//
// ln Gamma is computed here, in ball arithmetic on the argument ball itself:
// Stirling's series with the argument shifted up, Bernoulli numbers from the
// tangent numbers (integers), the remainder below the first omitted term.
#include "BallFunc.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "Num.h"

#include <kelvane/ExactFunc.h>

namespace kvcalc {

int limbsAt(int64_t digits) {
    const int64_t n = 2 * ((std::max<int64_t>(digits, 1) + 3) / 4 + 1);
    if (n > KVnum::MAX_LIMBS) throw CalcError{1, "Number too long"};
    return static_cast<int>(std::max<int64_t>(n, 10));
}

namespace {

Ball one(int W) { return ballOf(1, W); }

// ---------------------------------------------------------------------------
// Point values from the exact tier

long g_seen = 0;

void checkReports() {
    if (reportCount() != g_seen) {
        g_seen = reportCount();
        throw CalcError{1, lastReport()};
    }
}

// The ball of a truncated true value r: [r, r + ulp] away from zero.
Ball truncated(const KVnum& r, int W) {
    checkReports();
    if (r.IsZero()) throw NeedPrecision{};
    // mid + ulp/2 with radius ulp/2 would be tighter; [r, r + ulp] as a
    // ball about r with radius ulp is simpler and only a factor 2 wider.
    return Ball(r, Mag::pow10(r.Expo()), W);
}

// x at the precision of an ExactFunc of Wf limbs (never cut: Wf is at least
// x's precision).
int funcLimbs(const KVnum& x, int W) { return std::max(W, x.Nlimbs()); }

void sinCosPoint(const KVnum& x, int W, Ball& s, Ball& c) {
    if (x.IsZero()) {
        s = Ball(W);
        c = one(W);
        return;
    }
    g_seen = reportCount();
    const int Wf = funcLimbs(x, W);
    ExactFunc f(Wf);
    KVnum a(Wf);
    a = x;
    s = truncated(*f.Sin(&a), W);
    a = x;
    c = truncated(*f.Cos(&a), W);
}

Ball atanPoint(const KVnum& x, int W) {
    if (x.IsZero()) return Ball(W);
    g_seen = reportCount();
    const int Wf = funcLimbs(x, W);
    ExactFunc f(Wf);
    KVnum a(Wf);
    a = x;
    return truncated(*f.Arctan(&a), W);
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

Ball piBall(int W) {
    g_seen = reportCount();
    ExactFunc f(W);
    return truncated(*f.Pi(), W);
}

Ball expBall(const Ball& x, int W) {
    if (x.exact() && x.mid().IsZero()) return one(W);
    if (cmp(x.rad(), Mag::up(0.25, 0)) > 0) throw NeedPrecision{static_cast<int64_t>(x.rad().log10()) + 4};
    poll();
    const long seen = reportCount();
    return recast(checked(kvexact::exp(atLeast(x, W)), seen), W);
}

Ball lnBall(const Ball& x, int W) {
    if (x.exact() && x.mid().IsZero()) throw CalcError{1, "x must be greater than 0"};
    if (signOf(x) < 0) throw CalcError{1, "x must be greater than 0"};
    // Near 1 the result is small: carry the digits that x - 1 lacks (only
    // there: far from 1, x - 1 may have all of x's leading zeros as digits).
    int64_t near = 0;
    const int64_t m10 = mag10(x.mid());
    if (m10 == 0 || m10 == -1) {
        KVnum d = exactSub(x.mid(), make(10, 1LL));
        if (d.IsZero()) {
            if (x.exact()) return Ball(W);
            return Ball(KVnum(W), divUp(x.rad(), x.absDown()), W);
        }
        near = std::max<int64_t>(0, -mag10(d));
    }
    poll();
    const long seen = reportCount();
    return recast(checked(kvexact::log(atLeast(x, W + limbsAt(near + 4))), seen), W);
}

void sinCosBall(const Ball& x, int W, Ball& s, Ball& c) {
    sinCosPoint(x.mid(), W, s, c);
    if (!x.rad().isZero()) {
        s.widen(x.rad());
        c.widen(x.rad());
    }
}

Ball sinBall(const Ball& x, int W) {
    Ball s(W), c(W);
    sinCosBall(x, W, s, c);
    return s;
}

Ball cosBall(const Ball& x, int W) {
    Ball s(W), c(W);
    sinCosBall(x, W, s, c);
    return c;
}

Ball atanBall(const Ball& x, int W) {
    Ball r = atanPoint(x.mid(), W);
    r.widen(x.rad());  // |atan'| <= 1
    return r;
}

Ball sqrtBall(const Ball& x, int W) { return rootBall(x, 2, W); }

Ball rootBall(const Ball& x, long long n, int W) {
    if (x.exact() && x.mid().IsZero()) return Ball(W);
    const int sg = signOf(x);
    if (sg < 0) {
        if (n % 2 == 0) throw CalcError{1, "x must not be negative for an even root."};
        return neg(rootBall(neg(x), n, W));
    }
    poll();
    const long seen = reportCount();
    return recast(checked(kvexact::root(atLeast(x, W), n), seen), W);
}

Ball lgammaBall(const Ball& x, int W) {
    if (signOf(x) <= 0) throw CalcError{1, "x must be greater than 0"};
    const int64_t D = digitsAt(W) + 6;
    // Shift up to z = x + N >= zmin, then choose K terms so that the first
    // omitted one is below 10^-D.
    // The tangent numbers cost K^2 operations on long integers: at most
    // kMaxTerms terms, with z shifted up as far as that needs.
    const int kMaxTerms = 300;
    const double xv = approx(x.mid());
    const double lzNeed = (log10Bernoulli(kMaxTerms + 1) - std::log10(2.0 * (kMaxTerms + 1) * (2.0 * kMaxTerms + 1)) +
                           static_cast<double>(D)) / (2.0 * kMaxTerms + 1);
    const double zmin = std::max({10.0, 1.2 * static_cast<double>(D), std::pow(10.0, std::min(lzNeed, 12.0))});
    if (zmin - xv > 2e5) throw CalcError{1, "Gamma needs more digits here than kvcalc computes it to"};
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
    while (termLog(K + 1) > -static_cast<double>(D) && K < kMaxTerms) ++K;
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
    s.widen(next.absUp());
    if (N > 0) s = sub(s, lnBall(prod, Wg));
    return recast(s, W);
}

}  // namespace kvcalc

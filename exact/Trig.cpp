// The exact tier's sine, cosine, tangent, angle conversions and pi, with the
// fixed-point helpers the inverse functions share (TrigCore.h).
//
// Sine and cosine: the argument is reduced modulo pi/2 with pi to as many
// places as the argument has integer digits plus the working digits (so
// cos(1e300 + 1) loses nothing), then r in [0, 0.8] is halved j times,
// 1 - cos(r / 2^j) is summed by rectangular splitting and doubled back by
// 1 - cos 2a = 2c(2 - c) (which keeps its relative error), and the sine is
// the root of c(2 - c). Below 0.01 the two series are summed on r itself.
// Every cut is counted into an error bound; Ziv's loop (settle) raises the
// guard digits until the bounds decide the truncated result.
#include <climits>
#include <cmath>
#include <string>

#include "exact/Circular.h"
#include "exact/TrigCore.h"
#include "number/Internal.h"

namespace kvtrig {

// ---- shared helpers ---------------------------------------------------------------------

Nat errUnits(double err) {
    if (err < 1e18) return Nat(static_cast<uint64_t>(std::ceil(err)) + 1);
    // Past 10^18 a power of ten above it. Callers test for an infinite
    // bound (or NaN) first.
    if (!std::isfinite(err)) return Nat();
    return pow10(static_cast<int64_t>(std::ceil(std::log10(err))) + 1);
}

Bounds boundsOf(const Approx& a, int64_t W, bool neg) {
    Bounds b;
    b.s = W;
    b.neg = neg;
    if (!std::isfinite(a.err)) {
        // Says nothing: bounds that never decide.
        b.hi = add(a.x, Nat(1));
        return b;
    }
    const Nat e = errUnits(a.err);
    b.lo = subSat(a.x, e);
    b.hi = add(a.x, e);
    b.s = W;
    b.neg = neg;
    return b;
}

Arg argOf(const KVnum& x) {
    Arg a;
    if (x.IsZero()) return a;
    // Without its zero low limbs: 30 is held as 30 and many zero limbs, and
    // every product with it would pay for them.
    const int low = KVnumInternal::lowestLimb(x);
    a.m.d.resize(static_cast<size_t>(x.Top() - low + 1));
    for (int i = low; i <= x.Top(); ++i) a.m.d[static_cast<size_t>(i - low)] = x.Limb(i);
    a.m.trim();
    a.e = x.Expo() + 4 * static_cast<int64_t>(low);
    a.neg = x.Minus();
    return a;
}

Arg heldArg(const KVnum& x, const KVnum* res) {
    if (x.Nlimbs() == res->Nlimbs()) return argOf(x);
    KVnum xc(res->Nlimbs());
    xc = x;
    return argOf(xc);
}

Nat fixedOf(const Arg& x, int64_t W, bool* inexact) {
    const int64_t k = x.e + W;
    *inexact = false;
    if (k >= 0) return mulPow10(x.m, k);
    Nat r = divPow10(x.m, -k);
    *inexact = mulPow10(r, -k) != x.m;
    return r;
}

bool finish(const Bounds& b, KVnum* res) {
    if (b.lo.isZero()) return false;
    const int64_t h = res->Nlimbs() / 2 - 2;
    const int64_t P = 4 * h + 4;  // digits kept: the head limb full
    Nat him1 = b.hi;
    subSmall(him1, 1);
    // Leading digits of lo and of the largest value below hi.
    const int64_t msd = b.lo.digits() - 1 - b.s;
    if (him1.digits() - 1 - b.s != msd) return false;
    int64_t e = msd - (P - 1);  // exponent of the last digit kept
    // At the bottom of the exponent range a head limb that is not full
    // still holds the 4h + 1 digits a result needs.
    if (e < INT32_MIN && msd - static_cast<int64_t>(INT32_MIN) + 1 >= 4 * h + 1) e = INT32_MIN;
    const int64_t k = b.s + e;
    Nat mlo, mhi;
    if (k >= 0) {
        mlo = divPow10(b.lo, k);
        mhi = divPow10(him1, k);
    } else {
        mlo = mulPow10(b.lo, -k);
        mhi = mulPow10(b.hi, -k);
        subSmall(mhi, 1);
    }
    if (mlo != mhi) return false;
    if (mlo.size() == h + 1 && mlo.d.back() >= 1000) {
        // P digits are h + 1 full limbs: the normal form as it stands.
        KVnumInternal::setHead(*res, mlo.d.data(), e, b.neg);
        return true;
    }
    // At the bottom of the exponent range, fewer digits: the text rules
    // place them (and report an exponent beyond the range, leaving 0).
    std::string t = b.neg ? "-" : "";
    t += mlo.toString();
    t += 'e';
    t += std::to_string(e);
    *res = t.c_str();
    return true;
}

namespace {

// Working digits for the whole result: all it keeps plus the guard.
int64_t digitsOf(const KVnum* res, int64_t guard) { return 4 * (res->Nlimbs() / 2 - 2) + 4 + guard; }

// Divisors of the two series: 1 - cos needs a_i = a_{i-1} / ((2i+1)(2i+2))
// after its factor y/2, sin(r)/r needs a_i = a_{i-1} / ((2i)(2i+1)).
uint64_t cosDiv(uint64_t i) { return (2 * i + 1) * (2 * i + 2); }
uint64_t sinDiv(uint64_t i) { return (2 * i) * (2 * i + 1); }
// cos x itself: a_i = a_{i-1} / ((2i-1)(2i)).
uint64_t cosDiv2(uint64_t i) { return (2 * i - 1) * (2 * i); }

// x / (d(from) d(from+1) ... d(to)), the divisors grouped into products
// below 10^8 (one short division each; a single divisor may be larger, up
// to 2^32). Returns the number of divisions (each cuts less than one unit).
int divRun(Nat& x, uint64_t (*d)(uint64_t), uint64_t from, uint64_t to) {
    int cuts = 0;
    uint64_t p = 1;
    Nat t;
    for (uint64_t i = from; i <= to; ++i) {
        const uint64_t v = d(i);
        if (p > 1 && p * v >= 100000000ULL) {
            divSmallInto(t, x, p);
            std::swap(x, t);
            ++cuts;
            p = 1;
        }
        p *= v;
    }
    if (p > 1) {
        divSmallInto(t, x, p);
        std::swap(x, t);
        ++cuts;
    }
    return cuts;
}

// sum_{i<N} (-1)^i y^i a_i with a_0 = 1, a_i = a_{i-1} / d(i), for
// y = Y 10^-W in [0, 0.01] known within ey units, at scale W.
//
// Rectangular splitting: with the powers y^0..y^m at hand, block q (terms
// qm..qm+m-1) is T_0 of T_l = y^l - T_{l+1} / d(qm+l+1), T_{m-1} = y^{m-1}:
// only short divisions. The blocks are joined from the top by
// acc = T_0 + (-1)^m y^m acc / (d(qm+1) ... d(qm+m)): one full product per
// block. Every partial value lies in [0, 1.01], every multiplier in [0, 1],
// so each cut adds at most one unit and earlier errors never grow.
Approx altSeries(const Nat& Y, double ey, int64_t W, uint64_t (*d)(uint64_t)) {
    Approx out;
    const Nat one = pow10(W);
    if (Y.isZero()) {
        out.x = one;
        out.err = 0;
        return out;
    }
    // Terms: stop where y^N a_N < 10^-(W+1); the tail after an alternating
    // run of decreasing terms is below its first term.
    const double ly = Y.log10() - static_cast<double>(W);
    double lg = 0;
    uint64_t N = 1;
    for (;; ++N) {
        lg += ly - std::log10(static_cast<double>(d(N)));
        if (lg < -static_cast<double>(W) - 1) break;
    }
    uint64_t m = static_cast<uint64_t>(std::sqrt(static_cast<double>(N)) * 1.5);
    if (m < 1) m = 1;
    if (m > N) m = N;
    std::vector<Nat> pw(m + 1);
    std::vector<double> ep(m + 1);
    pw[0] = one;
    ep[0] = 0;
    pw[1] = Y;
    ep[1] = ey;
    for (uint64_t l = 2; l <= m; ++l) {
        pw[l] = divPow10(mul(pw[l - 1], Y), W);
        ep[l] = ep[l - 1] + ey + 1;
    }
    const uint64_t Q = (N + m - 1) / m;
    const int wl = static_cast<int>(W / 4);  // W is a multiple of 4 here
    Nat acc, T, t, V, scratch;
    double eacc = 0;
    for (uint64_t q = Q; q-- > 0;) {
        const uint64_t L = std::min<uint64_t>(m, N - q * m);
        T = pw[L - 1];
        double eT = ep[L - 1];
        for (uint64_t l = L - 1; l-- > 0;) {
            divSmallInto(t, T, d(q * m + l + 1));
            if (pw[l] < t) t = pw[l];  // never: each T_l lies in [0, y^l]
            subInto(T, pw[l], t);
            eT = ep[l] + eT / 2 + 1;
        }
        if (q == Q - 1) {
            std::swap(acc, T);
            eacc = eT;
            continue;
        }
        mulShiftInto(V, pw[m], acc, wl, scratch);
        double eV = 1.01 * (ep[m] + eacc) + 1;
        const int cuts = divRun(V, d, q * m + 1, q * m + m);
        eV = eV / 2 + cuts;
        if (m & 1) {
            if (T < V) V = T;  // never, as above
            subInto(acc, T, V);
        } else {
            addInto(acc, T, V);
        }
        eacc = eT + eV;
    }
    out.x = std::move(acc);
    out.err = eacc + 1;
    return out;
}

// Halvings before the series: r / 2^j near 10^-tau, tau growing with the
// precision so that halvings and series terms cost about the same.
// (At most 100: the error bounds of the doublings, 4^j, stay within a
// double's range.)
double tauFor(int64_t W) { return std::min(100.0, std::max(2.0, 0.2 * std::sqrt(static_cast<double>(W)))); }

Nat ldiv2(const Nat& x, int j, double* cuts) {
    Nat r = x;
    while (j > 0) {
        const int s = std::min(j, 26);
        r = divSmall(r, 1u << s);
        *cuts += 1;
        j -= s;
    }
    return r;
}

}  // namespace

void sinCos(const Nat& R, int64_t W, bool needSin, bool needCos, Approx* sinr, Approx* cosr) {
    if (W % 4 != 0) {
        // Scales of whole limbs: every cut below is then a move of limbs.
        const int64_t up = 4 - W % 4;
        sinCos(mulPow10(R, up), W + up, needSin, needCos, sinr, cosr);
        const double unit = std::pow(10.0, static_cast<double>(up));
        if (needSin) sinr->x = divPow10(sinr->x, up), sinr->err = sinr->err / unit + 1;
        if (needCos) cosr->x = divPow10(cosr->x, up), cosr->err = cosr->err / unit + 1;
        return;
    }
    if (R.isZero()) {
        if (needSin) *sinr = Approx();
        if (needCos) cosr->x = pow10(W), cosr->err = 0;
        return;
    }
    const double lr = R.log10() - static_cast<double>(W);
    if (lr < -2) {
        // r < 0.01: both series on r itself, four guard digits.
        const int64_t Wi = W + 4;
        const Nat T = mulPow10(R, 4);
        const Nat Y = divPow10(mul(T, T), Wi);
        if (needSin) {
            Approx g = altSeries(Y, 1, Wi, sinDiv);
            Nat S = divPow10(mul(T, g.x), Wi);
            sinr->x = divPow10(S, 4);
            sinr->err = (0.01 * g.err + 1) / 10000 + 1;
        }
        if (needCos) {
            Approx f = altSeries(Y, 1, Wi, cosDiv);
            Nat H = half(divPow10(mul(Y, f.x), Wi));
            cosr->x = divPow10(sub(pow10(Wi), H), 4);
            cosr->err = ((0.0001 * f.err + 1) / 2 + 2) / 10000 + 1;
        }
        return;
    }
    // 0.01 <= r <= 0.8: j halvings; each doubling multiplies the error of c
    // by 4 at most (c' = 4c - 2c^2, |dc'/dc| <= 4 for c >= 0), and the root
    // divides by sin r >= 0.0099: guard digits for both.
    const double tau = tauFor(W);
    const int j = std::max(0, static_cast<int>(std::ceil((lr + tau) / std::log10(2.0))));
    const int64_t guard = (static_cast<int64_t>(std::ceil(0.61 * j)) + 4 + 3) / 4 * 4;
    const int64_t Wi = W + guard;
    const Nat one = pow10(Wi);
    double et = 0;
    const Nat T = ldiv2(mulPow10(R, guard), j, &et);
    const Nat Y = divPow10(mul(T, T), Wi);
    const double ey = et + 1;  // 2 t et + 1, t <= 0.5
    Approx f = altSeries(Y, ey, Wi, cosDiv);
    // c = y F / 2 for the halved angle: |d(yF/2)| <= (ey F + y eF) / 2.
    Nat C = half(divPow10(mul(Y, f.x), Wi));
    double ec = (ey + 0.001 * f.err) / 2 + 2;
    // c' = c (4 - 2c): the error of c grows by |4 - 4c| <= 4, the cut adds 1.
    const Nat four = mulSmall(one, 4);
    Nat twoC, D, scratch;
    for (int i = 0; i < j; ++i) {
        addInto(twoC, C, C);
        subInto(D, four, twoC);  // 2c <= 0.6 < 4
        mulShiftInto(C, C, D, static_cast<int>(Wi / 4), scratch);
        ec = 4 * ec + 1;
    }
    if (needCos) {
        cosr->x = divPow10(sub(one, C), guard);
        cosr->err = ec / std::pow(10.0, static_cast<double>(guard)) + 1;
    }
    if (needSin) {
        // sin r = sqrt(c (2 - c)); a root moves by at most dv / sqrt(v_low).
        Nat V = divPow10(mul(C, sub(mulSmall(one, 2), C)), Wi);
        const double ev = 2 * ec + 1;
        Nat S = isqrt(mulPow10(V, Wi));
        const Nat vlowN = subSat(V, errUnits(ev));
        const double vlow = vlowN.isZero() ? 0 : std::pow(10.0, vlowN.log10() - static_cast<double>(Wi));
        const double es = vlow > 0 ? 1.001 * ev / std::sqrt(vlow) + 1 : HUGE_VAL;
        sinr->x = divPow10(S, guard);
        sinr->err = es / std::pow(10.0, static_cast<double>(guard)) + 1;
    }
}

// ---- sine, cosine, tangent --------------------------------------------------------------

namespace {

enum Kind { SIN, COS, TAN };

// The integer digits of an argument beyond which the reduction is refused:
// it needs pi to that many places, computed once per process and kept (10^5
// places take 0.25 s, 10^6 places 4 s and 40 MB; each tenfold costs about
// fifteen times the time).
const int64_t MAX_REDUCED_DIGITS = 1000000;

// Short arguments: |x| <= 1.5 with few digits, x = p / 10^k. The Taylor
// series of cos x and of sin(x)/x are summed exactly by binary splitting
// (P, Q, T over the terms a..b-1, T/Q their sum, each term the previous one
// times -p^2 / (10^2k d(i))), then divided once: below 2 units at scale W
// (one for the quotient's cut, one for the terms left out, each below the
// first of them, the series alternating with falling terms). Returns false
// when x is too long for the exact sums to stay short.
struct Split {
    Int p;
    Nat q;
    Int t;
};

Split splitTerms(const Nat& p2, int64_t k2, uint64_t (*d)(uint64_t), uint64_t a, uint64_t b) {
    Split s;
    if (b - a <= 8) {
        // A short run term by term: T <- T q_i + P p_i, Q <- Q q_i,
        // P <- P p_i, with p_i = -p^2 and q_i = d(i) 10^2k.
        s.p.m = Nat(1);
        s.q = Nat(1);
        const bool smallP = p2.size() <= 2;
        for (uint64_t i = a; i < b; ++i) {
            const uint64_t di = d(i);
            mulSmallInPlace(s.t.m, di);
            mulSmallInPlace(s.q, di);
            if (k2 > 0) {
                s.t.m = mulPow10(s.t.m, k2);
                s.q = mulPow10(s.q, k2);
            }
            if (smallP)
                mulSmallInPlace(s.p.m, p2.low64());
            else
                s.p.m = mul(s.p.m, p2);
            s.p.neg = !s.p.neg;
            s.t = addInt(s.t, s.p);
        }
        return s;
    }
    const uint64_t m = (a + b) / 2;
    Split l = splitTerms(p2, k2, d, a, m), r = splitTerms(p2, k2, d, m, b);
    s.q = mul(l.q, r.q);
    s.t = addInt(Int{mul(l.t.m, r.q), l.t.neg}, mulInt(l.p, r.t));
    s.p = mulInt(l.p, r.p);
    return s;
}

// 1 + sum_{i>=1} prod_{j<=i} (-x^2 / d(j)) at scale W, for x = p / 10^k.
Nat shortSeries(const Nat& p, int64_t k, int64_t W, uint64_t (*d)(uint64_t)) {
    const double lx2 = 2 * (p.log10() - static_cast<double>(k));
    double lg = 0;
    uint64_t N = 1;
    for (;; ++N) {
        lg += lx2 - std::log10(static_cast<double>(d(N)));
        if (lg < -static_cast<double>(W) - 1) break;
    }
    if (N == 1) return pow10(W);
    Split s = splitTerms(mul(p, p), 2 * k, d, 1, N);
    const Int sum = addInt(Int{s.q, false}, s.t);  // positive for |x| <= 1.5
    return divFloor(mulPow10(sum.m, W), s.q);
}

bool shortSinCos(const Arg& xin, int64_t W, bool needSin, bool needCos, Approx* sinr, Approx* cosr) {
    if (xin.msd() > 0 || xin.msd() < -3) return false;
    // Without its trailing zeros: 1 is held as 1 and many zero limbs.
    Arg x = xin;
    size_t z = 0;
    while (z < x.m.d.size() && x.m.d[z] == 0) ++z;
    x.m.d.erase(x.m.d.begin(), x.m.d.begin() + static_cast<std::ptrdiff_t>(z));
    x.e += 4 * static_cast<int64_t>(z);
    while (!x.m.isZero() && x.m.d[0] % 10 == 0) {
        x.m = divSmall(x.m, 10);
        ++x.e;
    }
    if (x.e > 0) return false;
    const int64_t k = -x.e;
    bool inexact;
    if (!(fixedOf(x, 1, &inexact) < Nat(15)) || (fixedOf(x, 1, &inexact) == Nat(15) && inexact)) return false;
    // The exact sums grow by 2k digits and the divisor's digits per term:
    // worth it while they stay within a few times the working digits.
    const double terms = static_cast<double>(W) / std::max(1.0, std::log10(static_cast<double>(W)));
    if (terms * (2.0 * static_cast<double>(k) + 2 * std::log10(2 * terms)) > 3.0 * static_cast<double>(W))
        return false;
    if (needSin && needCos && x.msd() >= -1) {
        // Both, |x| >= 0.1: the cosine by its series at 4 more digits, the
        // sine as sqrt((1 - c)(1 + c)) from it (cheaper than a second
        // series). With c within 2 units at W + 4, 1 - c^2 = 10^2(W+4) - C^2
        // is within 4 10^(W+4) units at scale 2(W+4); the root moves by at
        // most that over sin x >= sin 0.1 > 0.0998: 41 units at W + 4 with
        // its own cut, below 2 units at W after the last cut.
        const int64_t Wc = W + 4;
        const Nat C = shortSeries(x.m, k, Wc, cosDiv2);
        const Nat S = isqrt(sub(pow10(2 * Wc), mul(C, C)));
        cosr->x = divPow10(C, 4);
        cosr->err = 2;
        sinr->x = divPow10(S, 4);
        sinr->err = 2;
        return true;
    }
    if (needCos) {
        cosr->x = shortSeries(x.m, k, W, cosDiv2);
        cosr->err = 2;
    }
    if (needSin) {
        // sin x = x (1 - x^2/3! + ...): one more cut, of the product by x.
        const Nat g = shortSeries(x.m, k, W, sinDiv);
        sinr->x = divPow10(mul(g, x.m), k);
        sinr->err = 2 * 1.5 + 1;
    }
    return true;
}

bool circular(Kind kind, const Arg& x, int64_t Wt, Bounds& b) {
    const int64_t msd = x.msd();
    // Tiny |x|: x^2 < 10^-(Wt+2). sin x in (x - x^3/6, x), tan x in
    // (x, x + x^3/2), cos x in (1 - x^2/2, 1); the cubes are below a unit.
    if (2 * (msd + 1) <= -(Wt + 2)) {
        const int64_t W = Wt - msd;
        bool inexact;
        const Nat R = fixedOf(x, W, &inexact);
        b.s = W;
        b.neg = kind == COS ? false : x.neg;
        if (kind == SIN) {
            b.lo = R;
            subSmall(b.lo, 1);
            b.hi = R;
        } else if (kind == TAN) {
            b.lo = R;
            b.hi = R;
            addSmall(b.hi, 1);
        } else {
            b.s = Wt + 2;
            b.hi = pow10(b.s);
            b.lo = b.hi;
            subSmall(b.lo, 1);
        }
        return true;
    }
    int64_t W;
    Nat R;
    double er = 0;
    bool rneg = false;
    int q = 0;
    Approx s, c;
    W = Wt - std::min<int64_t>(msd, 0);
    const bool isShort = shortSinCos(x, W, kind != COS, kind != SIN, &s, &c);
    bool reduce = msd >= 0 && !isShort;
    if (!reduce && msd == -1) {
        bool inexact;
        reduce = !(fixedOf(x, 4, &inexact) < Nat(7800));
    }
    if (isShort) {
    } else if (!reduce) {
        W = Wt - msd;
        bool inexact;
        R = fixedOf(x, W, &inexact);
        er = inexact ? 1 : 0;
    } else {
        const int64_t dint = msd + 1;
        W = Wt;
        for (int round = 0;; ++round) {
            // x 10^S - k (pi/2) 10^S with pi/2 within 2 units: k < 10^dint,
            // so the reduction's error is below 2k + 1 units at scale S,
            // under 0.03 units at scale W, and the cut to W adds one.
            const int64_t S = W + dint + 2;
            bool inexact;
            const Nat X = fixedOf(x, S, &inexact);
            const Nat H = half(piScaled(S));
            const Nat k = divFloor(add(mulSmall(X, 2), H), mulSmall(H, 2));
            const Nat kH = mul(k, H);
            Nat rS;
            if (kH < X) {
                rS = sub(X, kH);
                rneg = false;
            } else {
                rS = sub(kH, X);
                rneg = true;
            }
            R = divPow10(rS, S - W);
            er = 1.1;
            q = static_cast<int>(k.isZero() ? 0 : k.d[0] % 4);
            // Near a multiple of pi/2 the difference cancels leading digits:
            // take W further until r keeps Wt digits of its own.
            const int64_t have = R.digits();
            if (have >= Wt - 3 || round > 8) break;
            W += have > 0 ? Wt - have + 2 : W;
        }
    }
    // Sin wants sin r in even quadrants and cos r in odd ones; Cos the
    // other way round; Tan both.
    const bool odd = q % 2 == 1;
    if (!isShort)
        sinCos(R, W, kind == TAN || (kind == SIN) != odd, kind == TAN || (kind == COS) != odd, &s, &c);
    s.err += er;
    c.err += er;
    // sin(k pi/2 + r) and cos(k pi/2 + r) from sin r (sign rneg) and cos r.
    const bool sNeg = rneg;
    Approx sx, cx;
    bool sxNeg, cxNeg;
    switch (q) {
        case 0: sx = s, sxNeg = sNeg, cx = c, cxNeg = false; break;
        case 1: sx = c, sxNeg = false, cx = s, cxNeg = !sNeg; break;
        case 2: sx = s, sxNeg = !sNeg, cx = c, cxNeg = true; break;
        default: sx = c, sxNeg = true, cx = s, cxNeg = sNeg; break;
    }
    if (kind == SIN) {
        b = boundsOf(sx, W, sxNeg != x.neg);
        return true;
    }
    if (kind == COS) {
        b = boundsOf(cx, W, cxNeg);
        return true;
    }
    if (!std::isfinite(sx.err) || !std::isfinite(cx.err)) return false;
    const Nat es = errUnits(sx.err), ec = errUnits(cx.err);
    const Nat cLo = subSat(cx.x, ec);
    if (cLo.isZero()) return false;
    // One quotient Q = floor(S 10^W / C) of the midpoints. With |s - S| < es
    // and |c - C| < ec, |s/c 10^W - S/C 10^W| < ((Q + 1) ec + es 10^W) / (C - ec),
    // a bound whose quotient keeps only the few digits of the errors.
    Nat Q = divFloor(mulPow10(sx.x, W), cx.x);
    Nat Q1 = Q;
    addSmall(Q1, 1);
    Nat E = divCeil(add(mul(Q1, ec), mulPow10(es, W)), cLo);
    addSmall(E, 1);
    b.hi = add(Q1, E);
    b.lo = subSat(Q, E);
    b.s = W;
    b.neg = (sxNeg != cxNeg) != x.neg;
    return true;
}

void circularExact(Kind kind, const KVnum& xin, KVnum* res) {
    const Arg x = heldArg(xin, res);
    if (x.zero()) {
        *res = kind == COS ? 1 : 0;
        return;
    }
    if (x.msd() + 1 > MAX_REDUCED_DIGITS) {
        reportError("Argument too large for the reduction.");
        *res = 0;
        return;
    }
    settle(res, [&](int64_t guard, Bounds& b) { return circular(kind, x, digitsOf(res, guard), b); });
}

}  // namespace

void exactSin(const KVnum& x, KVnum* res) { circularExact(SIN, x, res); }
void exactCos(const KVnum& x, KVnum* res) { circularExact(COS, x, res); }
void exactTan(const KVnum& x, KVnum* res) { circularExact(TAN, x, res); }

// ---- pi ---------------------------------------------------------------------------------

void exactPi(KVnum* res) {
    settle(res, [&](int64_t guard, Bounds& b) {
        const int64_t D = digitsOf(res, guard);
        const Nat A = piScaled(D);
        b.lo = subSat(A, Nat(2));
        b.hi = add(A, Nat(2));
        b.s = D;
        return true;
    });
}

}  // namespace kvtrig

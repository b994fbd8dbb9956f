// kvcalc: the expression walk and the operations on values.
#include "Eval.h"

#include <algorithm>
#include <cmath>

#include "BallFunc.h"
#include "Num.h"

namespace kvcalc {

namespace {

const size_t kMaxDepth = 256;

Value V(const Ball& b) { return Value::ball(b); }
Value R(const Rat& r) { return Value::rat(r); }
Value R(long long v) { return Value::rat(Rat::of(v)); }

[[noreturn]] void fail(const std::string& msg) { throw CalcError{1, msg}; }

long long gcdll(long long a, long long b) {
    if (a < 0) a = -a;
    if (b < 0) b = -b;
    while (b) {
        const long long t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// r = p / q in lowest terms with |p|, q below 10^15; false if not that small.
bool smallFraction(const Rat& r, long long& p, long long& q) {
    if (r.isZero()) {
        p = 0;
        q = 1;
        return true;
    }
    KVnum n = r.n, d = r.unit ? make(10, 1LL) : r.d;
    const int64_t s = std::max<int64_t>({0, -lowExp(n), -lowExp(d)});
    if (s > 15) return false;
    assign(n, shift10(n, s));
    assign(d, shift10(d, s));
    if (mag10(n) >= 15 || mag10(d) >= 15) return false;
    long long a = 0, b = 0;
    if (!toInt64(n, a) || !toInt64(d, b) || b == 0) return false;
    const long long g = gcdll(a, b);
    p = a / g;
    q = b / g;
    return true;
}

// Extra limbs that carry the integer digits of an exponent t (lost to the
// relative precision of e^t). Beyond |t| = 5e9 > 2^31 ln 10, e^t lies outside
// the exponent range for certain: said at once, not computed with millions of
// guard digits.
int guardFor(const Ball& t) {
    if (t.mid().IsZero()) return 0;
    if (cmp(t.absDown(), Mag::up(5e9, 0)) > 0) throw CalcError{1, "Exponent out of range."};
    return limbsAt(std::max<int64_t>(0, mag10(t.mid()) + 1) + 4);
}

// x^k for an integer k with a ball x.
Ball powBallInt(const Ball& x, long long k, int W) {
    const unsigned long long m = k < 0 ? 0ULL - static_cast<unsigned long long>(k) : static_cast<unsigned long long>(k);
    const int Wg = W + limbsAt(static_cast<int64_t>(std::log10(static_cast<double>(m) + 1)) + 4);
    Ball p = powInt(recast(x, Wg), m);
    if (k < 0) p = div(ballOf(1, Wg), p);
    return recast(p, W);
}

// exp(y ln x) for x > 0.
Ball powBallReal(const Ball& x, const Ball& y, int W) {
    Ball l = lnBall(x, W + 2);
    Ball t = mul(y, l);
    const int Wg = W + guardFor(t);
    if (Wg != W) {
        l = lnBall(x, Wg);
        t = mul(recast(y, Wg), l);
    }
    return recast(expBall(t, Wg), W);
}

// k = (mult q) mod `mod` when mult q is an integer (q pi a multiple of
// pi / mult).
bool sixths(const Rat& q, int mult, int mod, int& k) {
    auto t = mul(q, Rat::of(mult));
    if (!t || !t->isInteger()) return false;
    // t mod `mod`, in 0 .. mod-1
    auto f = div(*t, Rat::of(mod));
    if (!f) return false;
    auto r = sub(*t, held(mul(floor(*f), Rat::of(mod))));
    if (!r) return false;
    auto v = r->toInt();
    if (!v) return false;
    k = static_cast<int>(*v);
    return true;
}

// q mod 2 (so that q pi lies in [0, 2 pi)).
Rat mod2(const Rat& q) {
    auto h = div(q, Rat::of(2));
    if (!h) return q;
    auto r = sub(q, held(mul(floor(*h), Rat::of(2))));
    return r ? *r : q;
}

// sin of q pi: exact at the multiples of 30 degrees where it is rational.
std::optional<Rat> sinPiExact(const Rat& q) {
    int k;
    if (!sixths(q, 6, 12, k)) return std::nullopt;
    static const int num[12] = {0, 1, 99, 2, 99, 1, 0, -1, 99, -2, 99, -1};  // in halves
    if (num[k] == 99) return std::nullopt;
    return div(Rat::of(num[k]), Rat::of(2));
}

Value sinV(const Value& x, int W) {
    if (x.isRat() && x.q.isZero()) return R(0);
    if (x.kind == Value::PiTimes) {
        if (auto e = sinPiExact(x.q)) return R(*e);
        return V(sinBall(Value::pi(mod2(x.q)).toBall(W + 2), W));
    }
    return V(sinBall(x.toBall(W), W));
}

Value cosV(const Value& x, int W) {
    if (x.isRat() && x.q.isZero()) return R(1);
    if (x.kind == Value::PiTimes) {
        auto shifted = add(x.q, *div(Rat::of(1), Rat::of(2)));
        if (shifted) {
            if (auto e = sinPiExact(*shifted)) return R(*e);
        }
        return V(cosBall(Value::pi(mod2(x.q)).toBall(W + 2), W));
    }
    return V(cosBall(x.toBall(W), W));
}

Value tanV(const Value& x, int W) {
    if (x.isRat() && x.q.isZero()) return R(0);
    Ball arg(W + 2);
    if (x.kind == Value::PiTimes) {
        int k;
        if (sixths(x.q, 4, 4, k)) {  // a multiple of 45 degrees
            if (k == 2) fail("Division by zero");
            return R(k == 0 ? 0 : k == 1 ? 1 : -1);
        }
        arg = Value::pi(mod2(x.q)).toBall(W + 2);
    } else {
        arg = x.toBall(W + 2);
    }
    Ball s(W + 2), c(W + 2);
    sinCosBall(arg, W + 2, s, c);
    return V(recast(div(s, c), W));
}

Value lnV(const Value& x, int W) {
    if (x.kind == Value::ExpOf) return R(x.q);
    if (x.isRat()) {
        if (x.q.sign() <= 0) fail("x must be greater than 0");
        if (x.q.isOne()) return R(0);
    }
    return V(lnBall(x.toBall(W + 1), W));
}

Value expV(const Value& x, int W) {
    if (x.isRat()) return Value::exp(x.q);
    Ball b = x.toBall(W + 1);
    return V(recast(expBall(recast(b, W + guardFor(b)), W + guardFor(b)), W));
}

// log_b x exactly when it is a fraction p/q with a small q: b^p = x^q.
std::optional<Rat> logExact(const Rat& b, const Rat& x, const Ball& L) {
    if (L.mid().IsZero() && L.exact()) return Rat::of(0);
    for (long long q = 1; q <= 12; ++q) {
        Ball t = mulSmall(L, q);
        KVnum p = roundInt(t.mid());
        long long pv = 0;
        if (!toInt64(p, pv) || pv > 100000 || pv < -100000) continue;
        Ball d = sub(t, ballOf(pv, t.prec()));
        if (!hasZero(d)) continue;
        auto lhs = powInt(b, pv);
        auto rhs = powInt(x, q);
        if (lhs && rhs && cmp(*lhs, *rhs) == 0) return div(Rat::of(pv), Rat::of(q));
    }
    return std::nullopt;
}

Value logbV(const Value& base, const Value& x, int W) {
    if (base.isRat()) {
        if (base.q.sign() <= 0) fail("x must be greater than 0");
        if (base.q.isOne()) fail("Division by zero");
    }
    if (x.isRat() && x.q.sign() <= 0) fail("x must be greater than 0");
    const int Wg = W + 2;
    Ball lx = lnV(x, Wg).toBall(Wg);
    Ball lb = lnV(base, Wg).toBall(Wg);
    Ball L = div(lx, lb);
    if (base.isRat() && x.isRat()) {
        if (auto e = logExact(base.q, x.q, L)) return R(*e);
    }
    return V(recast(L, W));
}

// The integer value of an exact index; errors for a non-integer.
long long integerArg(const Value& v, const char* what, int W) {
    if (v.isRat()) {
        if (!v.q.isInteger()) fail(std::string("The ") + what + " must be an integer");
        auto k = v.q.toInt();
        if (!k || *k > 1000000000LL || *k < -1000000000LL) fail(std::string("The ") + what + " is out of range");
        return *k;
    }
    // A ball: an integer only if it holds one; it cannot say which for certain.
    Ball b = v.toBall(W);
    KVnum lo = loOf(b), hi = hiOf(b);
    if (exactCmp(truncMag(lo, 0), truncMag(hi, 0)) == 0 && lo.Minus() == hi.Minus() && !isInteger(lo) &&
        !isInteger(hi))
        fail(std::string("The ") + what + " must be an integer");
    throw NeedPrecision{};
}

Value rootV(const Value& x, long long n, int W) {
    if (n <= 1) fail("Root must be greater than one.");
    if (x.isRat()) {
        if (x.q.sign() < 0 && n % 2 == 0) fail("x must not be negative for an even root.");
        if (auto r = rootExact(x.q, n)) return R(*r);
    }
    if (x.kind == Value::ExpOf) return Value::exp(*div(x.q, Rat::of(n)));
    return V(rootBall(x.toBall(W + 1), n, W));
}

// floor, ceil, trunc or round of a value: exact for rationals; for a ball,
// only when both ends give the same integer.
enum class Cut { Trunc, Floor, Ceil, Round };

Rat cutRat(const Rat& r, Cut c) {
    switch (c) {
        case Cut::Trunc: return trunc(r);
        case Cut::Floor: return floor(r);
        case Cut::Ceil: return ceil(r);
        case Cut::Round: {
            // Halves away from zero.
            Rat a = r.sign() < 0 ? neg(r) : r;
            Rat f = a.isInteger() ? a : floor(held(add(a, *div(Rat::of(1), Rat::of(2)))));
            return r.sign() < 0 ? neg(f) : f;
        }
    }
    return r;
}

Value cutV(const Value& x, Cut c, int W) {
    if (x.isRat()) return R(cutRat(x.q, c));
    Ball b = x.toBall(W);
    Rat lo = cutRat(Rat::of(loOf(b)), c), hi = cutRat(Rat::of(hiOf(b)), c);
    if (cmp(lo, hi) == 0) return R(lo);
    NeedPrecision np;
    np.digits = static_cast<int64_t>(b.rad().log10()) + 4;
    throw np;
}

// min or max: decided by the sign of a - b; when the balls overlap, the
// hull of what the result can be.
Value minMaxV(const Value& a, const Value& b, bool isMax, int W) {
    if (a.isRat() && b.isRat()) return (cmp(a.q, b.q) >= 0) == isMax ? a : b;
    Ball x = a.toBall(W), y = b.toBall(W);
    Ball d = sub(x, y);
    if (!hasZero(d)) return (d.mid().Minus() != isMax) ? a : b;
    KVnum xl = loOf(x), xh = hiOf(x), yl = loOf(y), yh = hiOf(y);
    KVnum lo = isMax ? (exactCmp(xl, yl) >= 0 ? xl : yl) : (exactCmp(xl, yl) <= 0 ? xl : yl);
    KVnum hi = isMax ? (exactCmp(xh, yh) >= 0 ? xh : yh) : (exactCmp(xh, yh) <= 0 ? xh : yh);
    Ball m = mulPow2(ballOf(exactAdd(lo, hi), W + 2), -1);
    Ball r = mulPow2(ballOf(exactSub(hi, lo), W + 2), -1);
    return V(recast(widen(m, addUp(r.absUp(), m.rad())), W));
}

Value asinV(const Value& x, int W) {
    if (x.isRat()) {
        const int c = cmp(x.q.sign() < 0 ? neg(x.q) : x.q, Rat::of(1));
        if (c > 0) fail("x^2 must be less than or equal to 1");
        if (x.q.isZero()) return R(0);
        if (c == 0) return Value::pi(*div(Rat::of(x.q.sign()), Rat::of(2)));
        if (cmp(x.q, *div(Rat::of(1), Rat::of(2))) == 0) return Value::pi(*div(Rat::of(1), Rat::of(6)));
        if (cmp(x.q, *div(Rat::of(-1), Rat::of(2))) == 0) return Value::pi(*div(Rat::of(-1), Rat::of(6)));
    } else {
        Ball b = x.toBall(W);
        if (cmp(b.absDown(), Mag::up(1.0, 0)) > 0) fail("x^2 must be less than or equal to 1");
    }
    // asin x = atan(x / sqrt((1 - x)(1 + x))): the factors keep their digits
    // near 1, where 1 - x^2 would cancel.
    const int Wg = W + 2;
    Value one = R(1);
    Value s = mulV(subV(one, x, Wg), addV(one, x, Wg), Wg);
    if (s.isRat() && s.q.sign() < 0) fail("x^2 must be less than or equal to 1");
    Ball sb = s.toBall(Wg);
    if (signOf(sb) < 0) fail("x^2 must be less than or equal to 1");
    Value t = divV(x, fnV(Fn::Sqrt, {s}, Wg), Wg);
    return V(recast(atanBall(t.toBall(Wg), Wg), W));
}

Value acosV(const Value& x, int W) {
    if (x.isRat()) {
        const int c = cmp(x.q.sign() < 0 ? neg(x.q) : x.q, Rat::of(1));
        if (c > 0) fail("x^2 must be less than or equal to 1");
        if (x.q.isZero()) return Value::pi(*div(Rat::of(1), Rat::of(2)));
        if (x.q.isOne()) return R(0);
        if (c == 0) return Value::pi(Rat::of(1));
        if (cmp(x.q, *div(Rat::of(1), Rat::of(2))) == 0) return Value::pi(*div(Rat::of(1), Rat::of(3)));
        if (cmp(x.q, *div(Rat::of(-1), Rat::of(2))) == 0) return Value::pi(*div(Rat::of(2), Rat::of(3)));
    } else {
        Ball b = x.toBall(W);
        if (cmp(b.absDown(), Mag::up(1.0, 0)) > 0) fail("x^2 must be less than or equal to 1");
    }
    // acos x = 2 atan(sqrt((1 - x) / (1 + x))), no cancellation near x = 1.
    const int Wg = W + 2;
    Value one = R(1);
    Value num = subV(one, x, Wg), den = addV(one, x, Wg);
    if (num.sign(Wg) < 0) fail("x^2 must be less than or equal to 1");
    if (den.sign(Wg) <= 0) fail("x^2 must be less than or equal to 1");
    Value t = fnV(Fn::Sqrt, {divV(num, den, Wg)}, Wg);
    return V(recast(mulPow2(atanBall(t.toBall(Wg), Wg), 1), W));
}

Value atanV(const Value& x, int W) {
    if (x.isRat()) {
        if (x.q.isZero()) return R(0);
        if (x.q.isOne()) return Value::pi(*div(Rat::of(1), Rat::of(4)));
        if (cmp(x.q, Rat::of(-1)) == 0) return Value::pi(*div(Rat::of(-1), Rat::of(4)));
    }
    return V(atanBall(x.toBall(W + 1), W));
}

Value atan2V(const Value& y, const Value& x, int W) {
    const int sx = x.sign(W);
    const int sy = y.sign(W);
    if (sx == 0 && sy == 0) fail("atan2(0, 0) is not defined");
    if (sx == 0) return Value::pi(*div(Rat::of(sy), Rat::of(2)));
    if (sy == 0) return sx > 0 ? R(0) : Value::pi(Rat::of(1));
    Value a = atanV(divV(y, x, W + 1), W + 1);
    if (sx > 0) return a;
    return addV(a, Value::pi(Rat::of(sy)), W);
}

Value hypotV(const Value& a, const Value& b, int W) {
    return fnV(Fn::Sqrt, {addV(mulV(a, a, W + 1), mulV(b, b, W + 1), W + 1)}, W);
}

Value sinhV(const Value& x, int W, int which) {
    // which: 0 sinh, 1 cosh, 2 tanh
    if (x.isRat() && x.q.isZero()) return R(which == 1 ? 1 : 0);
    const int Wg = W + 2;
    Value ex = expV(x, Wg), emx = expV(negV(x, Wg), Wg);
    if (which == 0) return V(recast(mulPow2(subV(ex, emx, Wg).toBall(Wg), -1), W));
    if (which == 1) return V(recast(mulPow2(addV(ex, emx, Wg).toBall(Wg), -1), W));
    return V(recast(divV(subV(ex, emx, Wg), addV(ex, emx, Wg), Wg).toBall(Wg), W));
}

// tanh x = sign(x) (1 - 2 / (e^(2|x|) + 1)); beyond the exponent range,
// 1 - tanh |x| < 2 e^(-2|x|) < 10^(1 - 0.86 |x|) bounds the ball about +-1.
Value tanhV(const Value& x, int W) {
    if (x.isRat() && x.q.isZero()) return R(0);
    const Ball b = x.toBall(W);
    if (hasZero(b) || cmp(b.absDown(), Mag::up(1.0, 0)) < 0) return sinhV(x, W, 2);
    const int s = b.mid().Minus() ? -1 : 1;
    const double lo = std::pow(10.0, std::min(b.absDown().log10(), 300.0));  // |x| from below
    const Ball one = ballOf(1, W);
    if (lo > 1e9) {
        const double e = std::max(-1e18, 1 - 0.86 * lo);
        const Ball r(one.mid(), Mag::pow10(static_cast<int64_t>(e)), W);
        return V(s < 0 ? neg(r) : r);
    }
    const int Wg = W + 2;
    Value a = s < 0 ? negV(x, Wg) : x;
    Value e2 = expV(mulV(R(2), a, Wg), Wg);
    Value t = subV(R(1), divV(R(2), addV(e2, R(1), Wg), Wg), Wg);
    return s < 0 ? negV(t, W) : t;
}

Value asinhV(const Value& x, int W) {
    if (x.isRat() && x.q.isZero()) return R(0);
    const int s = x.sign(W);
    const int Wg = W + 2;
    const Value a = s < 0 ? negV(x, Wg) : x;
    Value r = lnV(addV(a, fnV(Fn::Sqrt, {addV(mulV(a, a, Wg), R(1), Wg)}, Wg), Wg), Wg);
    return s < 0 ? negV(r, W) : r;
}

Value acoshV(const Value& x, int W) {
    if (x.isRat()) {
        if (x.q.isOne()) return R(0);
        if (cmp(x.q, Rat::of(1)) < 0) fail("x must be at least 1");
    }
    const int Wg = W + 2;
    Value d = subV(x, R(1), Wg);
    if (d.sign(Wg) < 0) fail("x must be at least 1");
    // sqrt(x^2 - 1) = sqrt((x - 1)(x + 1))
    Value s = fnV(Fn::Sqrt, {mulV(d, addV(x, R(1), Wg), Wg)}, Wg);
    return lnV(addV(x, s, Wg), W);
}

Value atanhV(const Value& x, int W) {
    if (x.isRat() && x.q.isZero()) return R(0);
    const int Wg = W + 2;
    Value num = addV(R(1), x, Wg), den = subV(R(1), x, Wg);
    if (num.sign(Wg) <= 0 || den.sign(Wg) <= 0) fail("x must be between -1 and 1");
    return V(recast(mulPow2(lnV(divV(num, den, Wg), Wg).toBall(Wg), -1), W));
}

// The product of the integers from a to b - 1, split in halves so that the
// factors of each product have about the same length.
KVnum rangeProduct(long long a, long long b) {
    if (b - a <= 12) {
        KVnum acc = make(10, 1LL);
        unsigned long long chunk = 1;
        for (long long k = a; k < b; ++k) {
            if (chunk > (1ULL << 63) / static_cast<unsigned long long>(k)) {
                KVnum c(limbsExact(24));
                c = chunk;
                assign(acc, exactMul(acc, c));
                chunk = 1;
            }
            chunk *= static_cast<unsigned long long>(k);
        }
        KVnum c(limbsExact(24));
        c = chunk;
        return exactMul(acc, c);
    }
    poll();
    const long long m = a + (b - a) / 2;
    return exactMul(rangeProduct(a, m), rangeProduct(m, b));
}

// n! for an integer n >= 0: exact while its digits are few, or fewer than
// twice the working precision (a line asking for all of them); otherwise
// exp(ln Gamma(n + 1)).
Value factorialInt(const Rat& n, int W) {
    auto v = n.toInt();
    if (!v) fail("Exponent out of range.");
    const long long N = *v;
    if (N <= 1) return R(1);
    const double digits = std::lgamma(static_cast<double>(N) + 1) / std::log(10.0);
    if (digits <= std::max(20000.0, 2.0 * digitsAt(W)) && digits < 2e7) return R(Rat::of(rangeProduct(2, N + 1)));
    const int Wg = W + limbsAt(static_cast<int64_t>(std::log10(digits * 2.31)) + 6);
    Ball lg = lgammaBall(ballOf(N + 1, Wg), Wg);
    return V(recast(expBall(lg, Wg), W));
}

Value gammaV(const Value& x, int W) {
    if (x.isRat() && x.q.isInteger()) {
        if (x.q.sign() <= 0) fail("Gamma is not defined at zero and the negative integers");
        return factorialInt(held(sub(x.q, Rat::of(1))), W);
    }
    const int s = x.sign(W);
    if (s > 0) {
        Ball b = x.toBall(W + 1);
        const double xv = approx(b.mid());
        const double lg = std::fabs(std::lgamma(std::max(xv, 1e-300)));
        const int Wg = W + limbsAt(static_cast<int64_t>(std::log10(lg + 1)) + 4);
        return V(recast(expBall(lgammaBall(recast(b, Wg), Wg), Wg), W));
    }
    // Reflection: Gamma(x) = pi / (sin(pi x) Gamma(1 - x)).
    const int Wg = W + 2;
    Value spx = x.isRat() ? sinV(Value::pi(x.q), Wg) : sinV(mulV(x, Value::pi(Rat::of(1)), Wg), Wg);
    if (spx.isRat() && spx.q.isZero()) fail("Gamma is not defined at zero and the negative integers");
    Value g1 = gammaV(subV(R(1), x, Wg), Wg);
    return divV(Value::pi(Rat::of(1)), mulV(spx, g1, Wg), W);
}

Value lgammaV(const Value& x, int W) {
    if (x.isRat() && x.q.isInteger() && x.q.sign() <= 0)
        fail("Gamma is not defined at zero and the negative integers");
    if (x.isRat() && (x.q.isOne() || cmp(x.q, Rat::of(2)) == 0)) return R(0);
    const int s = x.sign(W);
    if (s > 0) return V(lgammaBall(x.toBall(W + 1), W));
    const int Wg = W + 2;
    Value spx = x.isRat() ? sinV(Value::pi(x.q), Wg) : sinV(mulV(x, Value::pi(Rat::of(1)), Wg), Wg);
    if (spx.isRat() && spx.q.isZero()) fail("Gamma is not defined at zero and the negative integers");
    Ball sb = absb(spx.toBall(Wg));
    Value r = lnV(divV(Value::pi(Rat::of(1)), V(sb), Wg), Wg);
    return subV(r, lgammaV(subV(R(1), x, Wg), Wg), W);
}

}  // namespace

Value negV(const Value& a, int W) {
    switch (a.kind) {
        case Value::Rational: return R(neg(a.q));
        case Value::PiTimes: return Value::pi(neg(a.q));
        case Value::ExpOf: return V(neg(a.toBall(std::max(W, 10))));
        case Value::Approx: return V(neg(a.b));
    }
    return a;
}

Value addV(const Value& a, const Value& b, int W) {
    if (a.isRat() && a.q.isZero()) return b;
    if (b.isRat() && b.q.isZero()) return a;
    if (a.isRat() && b.isRat()) {
        if (auto r = add(a.q, b.q)) return R(*r);
    }
    if (a.kind == Value::PiTimes && b.kind == Value::PiTimes) {
        if (auto r = add(a.q, b.q)) return Value::pi(*r);
    }
    return V(add(a.toBall(W), b.toBall(W)));
}

Value subV(const Value& a, const Value& b, int W) {
    // e^q - e^q is 0 exactly (a difference of two balls never is).
    if (a.kind == Value::ExpOf && b.kind == Value::ExpOf && cmp(a.q, b.q) == 0) return R(0);
    return addV(a, negV(b, W), W);
}

Value mulV(const Value& a, const Value& b, int W) {
    if ((a.isRat() && a.q.isZero()) || (b.isRat() && b.q.isZero())) return R(0);
    if (a.isRat() && a.q.isOne()) return b;
    if (b.isRat() && b.q.isOne()) return a;
    if (a.isRat() && b.isRat()) {
        if (auto r = mul(a.q, b.q)) return R(*r);
    }
    if (a.isRat() && b.kind == Value::PiTimes) {
        if (auto r = mul(a.q, b.q)) return Value::pi(*r);
    }
    if (b.isRat() && a.kind == Value::PiTimes) {
        if (auto r = mul(a.q, b.q)) return Value::pi(*r);
    }
    if (a.kind == Value::ExpOf && b.kind == Value::ExpOf) {
        if (auto r = add(a.q, b.q)) return Value::exp(*r);
    }
    return V(mul(a.toBall(W), b.toBall(W)));
}

Value divV(const Value& a, const Value& b, int W) {
    if (b.isRat() && b.q.isZero()) fail("Division by zero");
    if (a.isRat() && a.q.isZero()) {
        if (b.kind == Value::Approx) signOf(b.b);  // a ball divisor must not hold zero
        return R(0);
    }
    if (a.isRat() && b.isRat()) {
        if (auto r = div(a.q, b.q)) return R(*r);
    }
    if (a.kind == Value::PiTimes && b.isRat()) {
        if (auto r = div(a.q, b.q)) return Value::pi(*r);
    }
    if (a.kind == Value::PiTimes && b.kind == Value::PiTimes) {
        if (auto r = div(a.q, b.q)) return R(*r);
    }
    if (a.kind == Value::ExpOf && b.kind == Value::ExpOf) {
        if (auto r = sub(a.q, b.q)) return Value::exp(*r);
    }
    return V(div(a.toBall(W), b.toBall(W)));
}

Value modV(const Value& a, const Value& b, int W) {
    if (b.isRat() && b.q.isZero()) fail("Division by zero");
    // a - b trunc(a / b): the sign of a, like the remainder of integers.
    Value q = cutV(divV(a, b, W + 1), Cut::Trunc, W + 1);
    return subV(a, mulV(b, q, W + 1), W);
}

Value powV(const Value& a, const Value& b, int W) {
    if (b.isRat()) {
        const Rat& y = b.q;
        if (y.isZero()) return R(1);
        if (a.isRat() && a.q.isOne()) return R(1);
        if (y.isInteger()) {
            if (a.kind == Value::ExpOf) {
                if (auto r = mul(a.q, y)) return Value::exp(*r);
            }
            auto k = y.toInt();
            if (k && *k > -(1LL << 62) && *k < (1LL << 62)) {
                if (a.isRat()) {
                    if (auto r = powInt(a.q, *k)) return R(*r);
                }
                if (a.kind != Value::Approx || !hasZero(a.b) || *k > 0) {
                    if (*k < 0 && a.sign(W) == 0) fail("Division by zero");
                    return V(powBallInt(a.toBall(W), *k, W));
                }
                a.sign(W);
            }
            // An integer exponent too large to count: the sign from its parity.
            const int s = a.sign(W);
            if (s == 0) {
                if (y.sign() < 0) fail("Division by zero");
                return R(0);
            }
            Ball ab = absb(a.toBall(W + 2));
            if (a.isRat() && (a.q.isOne() || cmp(a.q, Rat::of(-1)) == 0)) return R((s < 0 && y.odd()) ? -1 : 1);
            Ball r = powBallReal(ab, y.ball(W + 2), W);
            return V((s < 0 && y.odd()) ? neg(r) : r);
        }
        // A fraction p/q: exact when the root is.
        if (a.isRat()) {
            if (a.q.sign() < 0) fail("A negative base needs an integer exponent");
            if (a.q.isZero()) {
                if (y.sign() < 0) fail("Division by zero");
                return R(0);
            }
            long long p, q;
            if (smallFraction(y, p, q) && q <= 64 && p > -100000 && p < 100000) {
                if (auto r = rootExact(a.q, q)) {
                    if (auto pr = powInt(*r, p)) return R(*pr);
                }
            }
        }
        if (a.kind == Value::ExpOf) {
            if (auto r = mul(a.q, y)) return Value::exp(*r);
        }
    }
    // Real exponent.
    const int sa = a.sign(W);
    if (sa == 0) {
        const int sb = b.sign(W);
        if (sb < 0) fail("Division by zero");
        return R(sb == 0 ? 1 : 0);
    }
    if (sa < 0) {
        if (b.isRat()) fail("A negative base needs an integer exponent");
        // A ball exponent: refused only when it holds no integer.
        Ball eb = b.toBall(W);
        if (exactCmp(truncMag(loOf(eb), 0), truncMag(hiOf(eb), 0)) == 0 && loOf(eb).Minus() == hiOf(eb).Minus() &&
            !isInteger(loOf(eb)) && !isInteger(hiOf(eb)))
            fail("A negative base needs an integer exponent");
        throw NeedPrecision{};
    }
    return V(powBallReal(a.toBall(W + 2), b.toBall(W + 2), W));
}

Value factorialV(const Value& a, int W) {
    if (a.isRat() && a.q.isInteger()) {
        if (a.q.sign() < 0) fail("Factorial is not defined for negative integers");
        return factorialInt(a.q, W);
    }
    if (a.isRat()) {
        auto t = add(a.q, Rat::of(1));
        if (t && t->isInteger() && t->sign() <= 0) fail("Factorial is not defined for negative integers");
    }
    return gammaV(addV(a, R(1), W + 1), W);
}

Value fnV(Fn f, const std::vector<Value>& args, int W) {
    const Value& x = args[0];
    switch (f) {
        case Fn::Ln: return lnV(x, W);
        case Fn::Exp: return expV(x, W);
        case Fn::Log:
        case Fn::Log10: return logbV(R(10), x, W);
        case Fn::Log2: return logbV(R(2), x, W);
        case Fn::Logb: return logbV(x, args[1], W);
        case Fn::Sqrt: return rootV(x, 2, W);
        case Fn::Cbrt: return rootV(x, 3, W);
        case Fn::Root: return rootV(x, integerArg(args[1], "root index", W), W);
        case Fn::Pow: return powV(x, args[1], W);
        case Fn::Sin: return sinV(x, W);
        case Fn::Cos: return cosV(x, W);
        case Fn::Tan: return tanV(x, W);
        case Fn::Asin: return asinV(x, W);
        case Fn::Acos: return acosV(x, W);
        case Fn::Atan: return atanV(x, W);
        case Fn::Atan2: return atan2V(x, args[1], W);
        case Fn::Rad: return mulV(x, Value::pi(*div(Rat::of(1), Rat::of(180))), W);
        case Fn::Deg: return divV(x, Value::pi(*div(Rat::of(1), Rat::of(180))), W);
        case Fn::Int: return cutV(x, Cut::Trunc, W);
        case Fn::Floor: return cutV(x, Cut::Floor, W);
        case Fn::Ceil: return cutV(x, Cut::Ceil, W);
        case Fn::Round: return cutV(x, Cut::Round, W);
        case Fn::Abs: {
            if (x.kind == Value::Approx) return V(absb(x.b));
            if (x.kind == Value::ExpOf) return x;
            return x.q.sign() < 0 ? negV(x, W) : x;
        }
        case Fn::Min:
        case Fn::Max: {
            Value r = args[0];
            for (size_t i = 1; i < args.size(); ++i) r = minMaxV(r, args[i], f == Fn::Max, W);
            return r;
        }
        case Fn::Sinh: return sinhV(x, W, 0);
        case Fn::Cosh: return sinhV(x, W, 1);
        case Fn::Tanh: return tanhV(x, W);
        case Fn::Asinh: return asinhV(x, W);
        case Fn::Acosh: return acoshV(x, W);
        case Fn::Atanh: return atanhV(x, W);
        case Fn::Hypot: return hypotV(x, args[1], W);
        case Fn::Gamma: return gammaV(x, W);
        case Fn::Lgamma: return lgammaV(x, W);
    }
    fail("unsupported function");
}

// ---------------------------------------------------------------------------

Value Evaluator::valueOf(Binding& b, int W) {
    if (b.value && (b.value->exact() || b.limbs >= W)) {
        if (b.value->exact()) return *b.value;
        return V(recast(b.value->b, W));
    }
    std::vector<Frame> saved;
    saved.swap(frames_);
    try {
        Value v = walk(*b.expr, b.env, W);
        frames_.swap(saved);
        b.value = v;
        b.limbs = W;
        return v;
    } catch (...) {
        frames_.swap(saved);
        throw;
    }
}

Value Evaluator::eval(const Node& n, const Env& env, int W) {
    frames_.clear();
    return walk(n, env, W);
}

Value Evaluator::walk(const Node& n, const Env& env, int W) {
    poll();
    switch (n.kind) {
        case Node::Number: {
            std::optional<Rat> r = n.radix == 10 ? Rat::parse(n.text) : Rat::parseRadix(n.text, n.radix);
            if (!r) throw CalcError{2, "bad number '" + n.text + "'"};
            return R(*r);
        }
        case Node::Variable: {
            if (!frames_.empty()) {
                const Frame& f = frames_.back();
                for (size_t i = 0; i < f.fn->params.size(); ++i)
                    if (f.fn->params[i] == n.text) return f.args[i];
            }
            auto it = env.vars.find(n.text);
            if (it == env.vars.end()) throw CalcError{1, "unknown name '" + n.text + "'"};
            return valueOf(*it->second, W);
        }
        case Node::Ans:
            return env.ans ? valueOf(*env.ans, W) : R(0);
        case Node::Const:
            switch (n.constant) {
                case Constant::Pi: return Value::pi(Rat::of(1));
                case Constant::E: return Value::exp(Rat::of(1));
                case Constant::Phi: {
                    Value s = rootV(R(5), 2, W + 1);
                    return V(recast(mulPow2(add(s.toBall(W + 1), ballOf(1, W + 1)), -1), W));
                }
            }
            break;
        case Node::Neg:
            return negV(walk(*n.kids[0], env, W), W);
        case Node::Add: case Node::Sub: case Node::Mul: case Node::Div: case Node::Mod: case Node::Pow: {
            Value a = walk(*n.kids[0], env, W);
            Value b = walk(*n.kids[1], env, W);
            switch (n.kind) {
                case Node::Add: return addV(a, b, W);
                case Node::Sub: return subV(a, b, W);
                case Node::Mul: return mulV(a, b, W);
                case Node::Div: return divV(a, b, W);
                case Node::Mod: return modV(a, b, W);
                default: return powV(a, b, W);
            }
        }
        case Node::Fact:
            return factorialV(walk(*n.kids[0], env, W), W);
        case Node::Call:
            return call(n, env, W);
        case Node::UserCall:
            return callUser(n, env, W);
    }
    throw CalcError{2, "unsupported expression"};
}

Value Evaluator::call(const Node& n, const Env& env, int W) {
    std::vector<Value> args;
    for (const auto& k : n.kids) args.push_back(walk(*k, env, W));
    return fnV(n.fn, args, W);
}

Value Evaluator::callUser(const Node& n, const Env& env, int W) {
    auto it = env.fns.find(n.text);
    if (it == env.fns.end()) throw CalcError{1, "unknown function '" + n.text + "'"};
    const UserFn& fn = *it->second;
    if (n.kids.size() != fn.params.size())
        throw CalcError{1, "'" + fn.name + "' takes " + std::to_string(fn.params.size()) + " argument" +
                               (fn.params.size() == 1 ? "" : "s") + ", given " + std::to_string(n.kids.size())};
    if (frames_.size() >= kMaxDepth) throw CalcError{1, "Function calls nested too deeply"};
    Frame f{&fn, {}};
    for (const auto& k : n.kids) f.args.push_back(walk(*k, env, W));
    frames_.push_back(std::move(f));
    try {
        Value v = walk(*fn.body, env, W);
        frames_.pop_back();
        return v;
    } catch (...) {
        frames_.pop_back();
        throw;
    }
}

}  // namespace kvcalc

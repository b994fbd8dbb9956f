// kvcalc: guarded and literal evaluation.
//
// Precision bookkeeping: a function called at W limbs works at W plus the
// limbs that its reduction costs (a squaring doubles the relative error, a
// multiple of pi/2 taken from a large x costs the digits of x's integer part,
// and so on), and hands back its result cut to W limbs. The calculator's
// comparison of two evaluations catches what this accounting misses.
#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <kelvane/Func.h>

namespace kvcalc {

namespace {

// Digits in the decimal form of n.
int decimalDigits(long long n) {
    int d = 1;
    for (unsigned long long v = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : n; v >= 10; v /= 10) ++d;
    return d;
}

KVnum convert(const KVnum& x, int W) {
    KVnum r(W);
    r = x;
    return r;
}

// q mod 4 for an integer q, as 0..3.
int mod4(const KVnum& q) {
    if (q.IsZero()) return 0;
    std::string d;
    int64_t last;
    digitsOf(q, d, last);
    if (last >= 2) return 0;
    if (last < 0) d.resize(d.size() - static_cast<size_t>(std::min<int64_t>(-last, static_cast<int64_t>(d.size()))));
    for (int64_t k = std::max<int64_t>(last, 0); k > 0; --k) d += '0';
    int v = 0;
    const size_t n = d.size();
    if (n >= 2) v = (d[n - 2] - '0') * 10;
    if (n >= 1) v += d[n - 1] - '0';
    v %= 4;
    return q.Minus() ? (4 - v) % 4 : v;
}

const long long kMaxFactorial = 999999;  // the library refuses 10^6 and more

}  // namespace

Engine::Engine(bool literal) : literal_(literal) {}

void Engine::check() {
    if (reportCount() != seen_) {
        seen_ = reportCount();
        throw CalcError{1, lastReport(), true};
    }
}

void Engine::divide(KVnum& a, const KVnum& b) {
    check();
    if (b.IsZero()) throw CalcError{1, "Division by zero"};
    divideFull(a, b);
    check();
}

void Engine::divideLiteral(KVnum& a, const KVnum& b) {
    check();
    if (b.IsZero()) throw CalcError{1, "Division by zero"};
    a /= b;
    check();
}

KVnum Engine::eval(const Node& n, int limbs) {
    seen_ = reportCount();
    KVnum r = literal_ ? evalLiteral(n, limbs) : evalGuarded(n, limbs);
    check();
    return r;
}

// ---------------------------------------------------------------------------
// Guarded evaluation

KVnum Engine::evalGuarded(const Node& n, int W) {
    switch (n.kind) {
        case Node::Number: {
            KVnum v = make(W, n.text);
            check();
            return v;
        }
        case Node::Variable: {
            const KVnum* p = lookup ? lookup(n.text) : nullptr;
            if (!p) throw CalcError{2, "unknown name '" + n.text + "'"};
            return convert(*p, W);
        }
        case Node::Ans:
            return ans ? convert(*ans, W) : KVnum(W);
        case Node::Const:
            switch (n.constant) {
                case Constant::Pi: return pi(W);
                case Constant::E: return eConst(W);
                case Constant::Phi: return phi(W);
            }
            break;
        case Node::Neg:
            return negOf(evalGuarded(*n.kids[0], W));
        case Node::Add: case Node::Sub: case Node::Mul: case Node::Div: {
            KVnum a = evalGuarded(*n.kids[0], W);
            KVnum b = evalGuarded(*n.kids[1], W);
            if (n.kind == Node::Add) a += b;
            else if (n.kind == Node::Sub) a -= b;
            else if (n.kind == Node::Mul) a *= b;
            else divide(a, b);
            check();
            return a;
        }
        case Node::Pow: {
            KVnum a = evalGuarded(*n.kids[0], W);
            KVnum b = evalGuarded(*n.kids[1], W);
            return power(a, b, W);
        }
        case Node::Fact:
            return factorial(evalGuarded(*n.kids[0], W), W);
        case Node::Call:
            return callGuarded(n, W);
    }
    throw CalcError{2, "unsupported expression"};
}

KVnum Engine::callGuarded(const Node& n, int W) {
    KVnum x = evalGuarded(*n.kids[0], W);
    switch (n.fn) {
        case Fn::Ln: return ln(x, W);
        case Fn::Exp: return exp(x, W);
        case Fn::Log: return log10(x, W);
        case Fn::Sqrt: return root(x, 2, W);
        case Fn::Root: {
            KVnum k = evalGuarded(*n.kids[1], W);
            const long long idx = smallInteger(k, "root index", -1000000000LL, 1000000000LL);
            return root(x, idx, W);
        }
        case Fn::Pow: return power(x, evalGuarded(*n.kids[1], W), W);
        case Fn::Logb: return logb(x, evalGuarded(*n.kids[1], W), W);
        case Fn::Sin: return sin(x, W);
        case Fn::Cos: return cos(x, W);
        case Fn::Tan: return tan(x, W);
        case Fn::Asin: return asin(x, W);
        case Fn::Acos: return acos(x, W);
        case Fn::Atan: return atan(x, W);
        case Fn::Rad: {
            const int Wx = W + 2;
            KVnum r = convert(x, Wx);
            r *= pi(Wx);
            divide(r, make(Wx, 180));
            return convert(r, W);
        }
        case Fn::Deg: {
            const int Wx = W + 2;
            KVnum r = convert(x, Wx);
            r *= make(Wx, 180);
            divide(r, pi(Wx));
            return convert(r, W);
        }
        case Fn::Int: {
            KVnum i(W);
            if (nearInteger(x, i)) return i;
            return intPart(x);
        }
    }
    throw CalcError{2, "unsupported function"};
}

bool Engine::nearInteger(const KVnum& x, KVnum& n) const {
    n = roundInt(x);
    KVnum d(x);
    d -= n;
    if (d.IsZero()) return true;
    // Within the last 12 digits of the working precision: the noise of a
    // computed integer. An exact input that close to an integer counts as
    // one too at this precision, but not at the next one up, and the
    // calculator's comparison of the two sends the line further up.
    const int64_t scale = n.IsZero() ? 0 : std::max<int64_t>(0, mag10(n));
    return mag10(d) < scale - (digitsOf(x.Nlimbs()) - 12);
}

long long Engine::smallInteger(const KVnum& x, const char* what, long long lo, long long hi) {
    KVnum n(x.Nlimbs());
    long long v = 0;
    if (!nearInteger(x, n) || !toInt64(n, v))
        throw CalcError{1, std::string("The ") + what + " must be an integer"};
    if (v < lo || v > hi) throw CalcError{1, std::string("The ") + what + " is out of range"};
    return v;
}

KVnum Engine::cached(Cached& c, int W, const std::function<KVnum(int)>& compute) {
    if (!c.value || c.limbs < W) {
        // Computed four limbs beyond what is handed out, where the series
        // leave their few wrong units, and a further 16 limbs ahead: the
        // calculator's second evaluation of a line asks for 8 limbs more
        // than its first, and finds the constant ready.
        c.value = std::make_unique<KVnum>(compute(W + 20));
        check();
        c.limbs = W + 16;
    }
    return convert(*c.value, W);
}

KVnum Engine::pi(int W) {
    return cached(pi_, W, [](int w) {
        Func f(w);
        return convert(*f.Pi(), w);
    });
}

KVnum Engine::eConst(int W) {
    return cached(e_, W, [](int w) {
        Func f(w);
        return convert(*f.e(), w);
    });
}

KVnum Engine::phi(int W) {
    return cached(phi_, W, [](int w) {
        Func f(w);
        return convert(*f.PHI(), w);
    });
}

// ln 2 and ln 10 from two series that converge fast, both of arguments that
// are exact in decimal: A = ln 1.024 = 7 ln 2 - 3 ln 5 and
// B = ln 1.25 = ln 5 - 2 ln 2, so ln 2 = A + 3B and ln 10 = 3A + 10B.
void Engine::lnConstants(int W) {
    if (ln2_.value && ln2_.limbs >= W && ln10_.value && ln10_.limbs >= W) return;
    const int w = W + 20;  // as in cached()
    KVnum A = lnNearOne(make(w, "1.024"), w);
    KVnum B = lnNearOne(make(w, "1.25"), w);
    KVnum l2(B);
    l2 *= make(w, 3);
    l2 += A;
    KVnum l10(A);
    l10 *= make(w, 3);
    KVnum t(B);
    t *= make(w, 10);
    l10 += t;
    ln2_.value = std::make_unique<KVnum>(l2);
    ln2_.limbs = W + 16;
    ln10_.value = std::make_unique<KVnum>(l10);
    ln10_.limbs = W + 16;
}

KVnum Engine::ln2(int W) {
    lnConstants(W);
    return convert(*ln2_.value, W);
}

KVnum Engine::ln10(int W) {
    lnConstants(W);
    return convert(*ln10_.value, W);
}

// exp(x) = exp(x / 2^k)^(2^k), with x / 2^k below 2^-j, where the series
// converges in few terms and keeps its digits. The k squarings multiply the
// relative error by 2^k, so the work runs at 0.3k digits more. j grows with
// the precision: a squaring costs one product, a term of the series about
// three, and a smaller argument needs fewer terms.
KVnum Engine::exp(const KVnum& x, int W) {
    if (x.IsZero()) return make(W, 1);
    const int64_t m = mag10(x);
    // Beyond |x| of about 4.9e9 the result's exponent leaves the int range.
    if (m >= 10 || (m == 9 && std::fabs(approx(x)) > 4.95e9)) throw CalcError{1, "Exponent out of range."};
    const int j = std::max(10, static_cast<int>(std::sqrt(static_cast<double>(digitsOf(W)))));
    int k = 0;
    if (m >= -3) k = static_cast<int>(std::ceil((m + 1) * 3.3219280948873623)) + j;
    const int Wx = W + limbsFor(static_cast<int>(0.30103 * k) + 4);
    KVnum r = convert(x, Wx);
    if (k > 0) {
        KVnum h = make(Wx, "0.5");
        h ^= make(Wx, k);  // 0.5^k = 5^k / 10^k, exact at this precision
        r *= h;
    }
    Func f(Wx);
    KVnum y = convert(*f.Aln(&r), Wx);
    check();
    for (int i = 0; i < k; ++i) y *= y;
    check();
    return convert(y, W);
}

// ln x = a ln 10 + b ln 2 + ln(x / (10^a 2^b)), with the last argument in
// [0.75, 1.5) where the series gains at least 1.4 digits a pass. Arguments
// already in that interval go to the series as they are, so that ln x near 1
// keeps its relative precision.
KVnum Engine::ln(const KVnum& x, int W) {
    if (x.IsZero() || x.Minus()) {
        Func f(W);
        KVnum a(x);
        f.Ln(&a);
        check();
        throw CalcError{1, "x must be greater than 0"};
    }
    if (cmp(x, "0.75") >= 0 && cmp(x, "1.5") < 0) return lnNearOne(x, W);
    const int64_t a = mag10(x);  // x / 10^a in [1, 10)
    const int Wx = W + limbsFor(decimalDigits(a) + 4);
    KVnum y = convert(x, Wx);
    y *= pow10(Wx, -a);
    int b = 0;
    if (cmp(y, "6") >= 0) b = 3;
    else if (cmp(y, "3") >= 0) b = 2;
    else if (cmp(y, "1.5") >= 0) b = 1;
    if (b > 0) {
        KVnum h = make(Wx, b == 1 ? "0.5" : b == 2 ? "0.25" : "0.125");
        y *= h;
    }
    KVnum L = lnNearOne(y, Wx);
    if (b > 0) {
        KVnum t = ln2(Wx);
        t *= make(Wx, b);
        L += t;
    }
    if (a != 0) {
        KVnum t = ln10(Wx);
        t *= make(Wx, static_cast<long long>(a));
        L += t;
    }
    return convert(L, W);
}

// ln y for y in [0.75, 1.5): the series in u = (y - 1) / (y + 1) gains
// -2 log10 |u| digits a pass. At high precision square roots pay for
// themselves: ln y = 2^j ln(y^(1 / 2^j)), each root halving u, until |y - 1|
// is below 10^-sqrt(D / 50) for D digits (a root costs about as much as 14
// passes). The doubling back costs 0.3j digits, carried as guard.
KVnum Engine::lnNearOne(const KVnum& y, int W) {
    KVnum d(y);
    d -= make(W, 1);
    if (d.IsZero()) return KVnum(W);
    const double want = std::sqrt(digitsOf(W) / 50.0);
    const double have = -approxLog10(d);
    const int j = want > have ? std::min(64, static_cast<int>(std::ceil((want - have) / 0.30103))) : 0;
    const int Wx = W + 2 + limbsFor(static_cast<int>(0.30103 * j) + 1);
    KVnum z = convert(y, Wx);
    for (int i = 0; i < j; ++i) z = root(z, 2, Wx);
    Func f(Wx);
    KVnum L = convert(*f.Ln(&z), Wx);
    check();
    if (j > 0) {
        KVnum m = make(Wx, 2);
        m ^= make(Wx, j);
        L *= m;
    }
    return convert(L, W);
}

// log10 x = a + ln(x / 10^a) / ln 10, so that exact powers of ten give exact
// integers; near 1 the quotient ln x / ln 10 keeps the relative precision.
KVnum Engine::log10(const KVnum& x, int W) {
    if (x.IsZero() || x.Minus()) {
        Func f(W);
        KVnum a(x);
        f.Log(&a);
        check();
        throw CalcError{1, "x must be greater than 0"};
    }
    const int Wx = W + 2;
    if (cmp(x, "0.75") >= 0 && cmp(x, "1.5") < 0) {
        KVnum r = ln(convert(x, Wx), Wx);
        divide(r, ln10(Wx));
        return convert(r, W);
    }
    const int64_t a = mag10(x);
    const int Wa = Wx + limbsFor(decimalDigits(a));
    KVnum y = convert(x, Wa);
    y *= pow10(Wa, -a);
    KVnum r = ln(y, Wa);
    divide(r, ln10(Wa));
    r += make(Wa, static_cast<long long>(a));
    return convert(r, W);
}

KVnum Engine::logb(const KVnum& b, const KVnum& x, int W) {
    const int Wx = W + 2;
    KVnum lb = ln(convert(b, Wx), Wx);
    KVnum lx = ln(convert(x, Wx), Wx);
    divide(lx, lb);
    return convert(lx, W);
}

// The n-th root. The argument is scaled by 10^(n a) (and for n > 2 by
// 2^(n b)) into [1, 2^n) or [1, 100), where the Newton iteration of Iroot,
// which starts at x / n, is close to its root; the scale comes back as
// 10^a 2^b. High roots go through the exponential of ln x / n instead.
KVnum Engine::root(const KVnum& x, long long n, int W) {
    if (n <= 1) {
        Func f(W);
        KVnum a(x);
        f.Iroot(&a, n < -2147483647LL ? -2147483647 : static_cast<int>(n));
        check();
        throw CalcError{1, "Root must be greater than one."};
    }
    if (x.IsZero()) return KVnum(W);
    if (x.Minus()) {
        if (n % 2 == 0) {
            // The library refuses it with its own message.
            Func f(W);
            KVnum a(x);
            f.Iroot(&a, n > 2147483647LL ? 2147483646 : static_cast<int>(n));
            check();
            throw CalcError{1, "x must not be negative for an even root."};
        }
        return negOf(root(absOf(x), n, W));
    }
    const int Wx = W + 4;
    if (n > 12) {
        KVnum l = ln(convert(x, Wx), Wx);
        divide(l, make(Wx, n));
        return convert(exp(l, Wx), W);
    }
    const int64_t m = mag10(x);
    const int64_t a = (m >= 0 ? m : m - (n - 1)) / n;  // floor(m / n)
    KVnum y = convert(x, Wx);
    y *= pow10(Wx, -a * n);
    int b = 0;
    if (n > 2) {
        b = static_cast<int>(std::floor(approxLog10(y) * 3.3219280948873623 / static_cast<double>(n)));
        if (b > 0) {
            KVnum h = make(Wx, "0.5");
            h ^= make(Wx, static_cast<long long>(b) * n);
            y *= h;
        }
    }
    Func f(Wx);
    KVnum r = convert(*f.Iroot(&y, static_cast<int>(n)), Wx);
    check();
    if (b > 0) {
        KVnum t = make(Wx, 2);
        t ^= make(Wx, b);
        r *= t;
    }
    r *= pow10(Wx, a);
    return convert(r, W);
}

KVnum Engine::integerPower(const KVnum& x, long long n, int W) {
    const unsigned long long N = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : n;
    if (N == 0) return make(W, 1);
    if (x.IsZero()) {
        if (n < 0) throw CalcError{1, "Division by zero"};
        return KVnum(W);
    }
    // Each product is cut to the working precision: up to N units of error
    // in the last place, so the work runs at the digits of N more.
    const int Wx = W + limbsFor(decimalDigits(static_cast<long long>(N)) + 2);
    KVnum X = convert(x, Wx);
    // The library's power multiplies N - 1 times; beyond a budget of about
    // 2^18 products at 146 limbs (a quarter of a second), and never below
    // 4096, square and multiply takes over.
    const double scale = 146.0 / Wx;
    const double budget = std::min(262144.0, std::max(4096.0, 262144.0 * scale * scale));
    if (static_cast<double>(N) <= budget) {
        X ^= make(Wx, static_cast<long long>(N));
    } else {
        // Square and multiply, from the top bit down.
        KVnum base(X);
        int topBit = 63;
        while (!((N >> topBit) & 1ULL)) --topBit;
        for (int bit = topBit - 1; bit >= 0; --bit) {
            X *= X;
            if ((N >> bit) & 1ULL) X *= base;
            check();
        }
    }
    check();
    if (n < 0) {
        KVnum one = make(Wx, 1);
        divide(one, X);  // scaled: 1 / x^n keeps every digit however large x^n is
        X = one;
    }
    return convert(X, W);
}

// x ^ y: an integer y (to within the noise below the printed digits) uses the
// integer power; any other y uses exp(y ln x) with y ln x carried to the
// digits of its integer part more.
KVnum Engine::power(const KVnum& x, const KVnum& y, int W) {
    KVnum n(W);
    if (nearInteger(y, n)) {
        long long v;
        if (toInt64(n, v) && v > -1000000000000000LL && v < 1000000000000000LL) return integerPower(x, v, W);
        // An integer exponent too large to count: only 0 and +-1 stay finite.
        const bool odd = [&] {
            std::string d;
            int64_t last;
            digitsOf(n, d, last);
            return last == 0 && ((d.back() - '0') % 2 == 1);
        }();
        if (x.IsZero()) {
            if (n.Minus()) throw CalcError{1, "Division by zero"};
            return KVnum(W);
        }
        KVnum ax = absOf(x);
        if (cmp(ax, "1") == 0) return make(W, (x.Minus() && odd) ? -1LL : 1LL);
        KVnum r = realPower(ax, y, W);
        return (x.Minus() && odd) ? negOf(r) : r;
    }
    if (x.IsZero()) {
        if (y.Minus()) throw CalcError{1, "Division by zero"};
        return KVnum(W);
    }
    if (x.Minus()) throw CalcError{1, "A negative base needs an integer exponent"};
    return realPower(x, y, W);
}

// exp(y ln x) for x > 0.
KVnum Engine::realPower(const KVnum& x, const KVnum& y, int W) {
    const int64_t my = mag10(y);
    const double lx = std::fabs(approxLog10(x)) * 2.302585092994046;
    // |y ln x| beyond about 4.9e9 puts the result's exponent out of range;
    // no need to find ln x to thousands of digits first.
    if (lx > 0 && static_cast<double>(my) + std::log10(lx) > 10.5) throw CalcError{1, "Exponent out of range."};
    const int extra = static_cast<int>(std::max<int64_t>(0, my + 1)) +
                      (lx > 1 ? static_cast<int>(std::log10(lx)) + 1 : 0) + 3;
    const int Wx = W + limbsFor(extra);
    KVnum t = ln(convert(x, Wx), Wx);
    t *= convert(y, Wx);
    return convert(exp(t, Wx), W);
}

// x reduced to r = x - q pi/2 with q the nearest integer to x / (pi/2), so
// that |r| <= pi/4; r gets the precision of its receiver, W limbs. pi is
// taken with the digits of x's integer part more; a small r (x close to a
// multiple of pi/2) lost leading digits to the subtraction, and the reduction
// is done again with that many more, so that r keeps W limbs of its own.
void Engine::reduceHalfPi(const KVnum& x, int W, KVnum& r, int& quadrant) {
    if (cmp(absOf(x), "0.78") < 0) {
        r = x;
        quadrant = 0;
        return;
    }
    int extra = static_cast<int>(std::max<int64_t>(0, mag10(x) + 1)) + 4;
    for (int attempt = 0;; ++attempt) {
        const int Wx = W + limbsFor(extra);
        KVnum hp = pi(Wx);
        divide(hp, make(Wx, 2));
        KVnum X = convert(x, Wx);
        KVnum t(X);
        divide(t, hp);
        KVnum q = roundInt(t);
        KVnum qh(q);
        qh *= hp;
        KVnum rr(X);
        rr -= qh;
        if (attempt == 0 && !rr.IsZero() && mag10(rr) < -3) {
            extra += static_cast<int>(-mag10(rr));
            continue;
        }
        r = rr;
        quadrant = mod4(q);
        return;
    }
}

KVnum Engine::sin(const KVnum& x, int W) {
    if (x.IsZero()) return KVnum(W);
    const int Wx = W + 2;
    KVnum r(Wx);
    int q = 0;
    reduceHalfPi(x, Wx, r, q);
    Func f(Wx);
    KVnum v = convert((q % 2 == 0) ? *f.Sin(&r) : *f.Cos(&r), Wx);
    check();
    if (q >= 2) v = negOf(v);
    return convert(v, W);
}

KVnum Engine::cos(const KVnum& x, int W) {
    if (x.IsZero()) return make(W, 1);
    const int Wx = W + 2;
    KVnum r(Wx);
    int q = 0;
    reduceHalfPi(x, Wx, r, q);
    Func f(Wx);
    KVnum v = convert((q % 2 == 0) ? *f.Cos(&r) : *f.Sin(&r), Wx);
    check();
    if (q == 1 || q == 2) v = negOf(v);
    return convert(v, W);
}

KVnum Engine::tan(const KVnum& x, int W) {
    if (x.IsZero()) return KVnum(W);
    const int Wx = W + 2;
    KVnum r(Wx);
    int q = 0;
    reduceHalfPi(x, Wx, r, q);
    Func f(Wx);
    KVnum s = convert(*f.Sin(&r), Wx);
    KVnum c = convert(*f.Cos(&r), Wx);
    check();
    if (q % 2 == 0) {
        divide(s, c);
        return convert(s, W);
    }
    divide(c, s);
    return convert(negOf(c), W);
}

// atan t for 0 < t < 1: halve the angle, t -> t / (1 + sqrt(1 + t^2)), until
// t is below 0.1, where the series gains two digits a pass, or at high
// precision below 10^-sqrt(D / 50) as for ln; then double back.
KVnum Engine::atanUnit(const KVnum& t, int W) {
    KVnum u(t);
    const KVnum one = make(W, 1);
    const double want = std::max(1.0, std::sqrt(digitsOf(W) / 50.0));
    const KVnum limit = make(W, "1e-" + std::to_string(static_cast<int>(std::ceil(want))));
    int k = 0;
    while ((u == limit) > 0 && k < 64) {
        KVnum s(u);
        s *= u;
        s += one;
        KVnum d = root(s, 2, W);
        d += one;
        divide(u, d);
        ++k;
    }
    Func f(W);
    KVnum a = convert(*f.Arctan(&u), W);
    check();
    if (k > 0) {
        KVnum m = make(W, 2);
        m ^= make(W, k);
        a *= m;
    }
    return a;
}

KVnum Engine::atan(const KVnum& x, int W) {
    if (x.IsZero()) return KVnum(W);
    if (x.Minus()) return negOf(atan(absOf(x), W));
    const int Wx = W + 2;
    KVnum X = convert(x, Wx);
    const int c = cmp(X, "1");
    KVnum r(Wx);
    if (c == 0) {
        r = pi(Wx);
        divide(r, make(Wx, 4));
    } else if (c < 0) {
        r = atanUnit(X, Wx);
    } else {
        KVnum inv = make(Wx, 1);
        divide(inv, X);
        r = pi(Wx);
        divide(r, make(Wx, 2));
        r -= atanUnit(inv, Wx);
    }
    return convert(r, W);
}

// sqrt(1 - x^2) with 1 - x^2 formed as (1 - |x|)(1 + |x|), exact where x^2
// would cancel against 1.
KVnum Engine::sqrtOneMinusSquare(const KVnum& x, int W) {
    KVnum a = absOf(x);
    KVnum p = make(W, 1);
    p -= a;
    KVnum s = make(W, 1);
    s += a;
    p *= s;
    return root(p, 2, W);
}

KVnum Engine::asin(const KVnum& x, int W) {
    if (x.IsZero()) return KVnum(W);
    const int c = cmp(absOf(x), "1");
    if (c > 0) {
        Func f(W);
        KVnum a(x);
        f.Arcsin(&a);
        check();
        throw CalcError{1, "x^2 must be less than or equal to 1"};
    }
    const int Wx = W + 2;
    KVnum r(Wx);
    if (c == 0) {
        r = pi(Wx);
        divide(r, make(Wx, 2));
    } else {
        KVnum X = convert(x, Wx);
        KVnum t = absOf(X);
        divide(t, sqrtOneMinusSquare(X, Wx));
        r = atan(t, Wx);
    }
    return convert(x.Minus() ? negOf(r) : r, W);
}

// acos x = atan(sqrt(1 - x^2) / x) for x > 0 (no cancellation near x = 1,
// where the result is small), pi - that for x < 0.
KVnum Engine::acos(const KVnum& x, int W) {
    const int Wx = W + 2;
    if (x.IsZero()) {
        KVnum r = pi(Wx);
        divide(r, make(Wx, 2));
        return convert(r, W);
    }
    const int c = cmp(absOf(x), "1");
    if (c > 0) {
        Func f(W);
        KVnum a(x);
        f.Arccos(&a);
        check();
        throw CalcError{1, "x^2 must be less than or equal to 1"};
    }
    if (c == 0) return x.Minus() ? pi(W) : KVnum(W);
    KVnum X = convert(x, Wx);
    KVnum t = sqrtOneMinusSquare(X, Wx);
    divide(t, absOf(X));
    KVnum r = atan(t, Wx);
    if (x.Minus()) {
        KVnum p = pi(Wx);
        p -= r;
        r = p;
    }
    return convert(r, W);
}

KVnum Engine::factorial(const KVnum& x, int W) {
    KVnum n(W);
    long long v = 0;
    if (!nearInteger(x, n) || n.Minus() || !toInt64(n, v))
        throw CalcError{1, "Factorial needs a non-negative integer"};
    if (v > kMaxFactorial) throw CalcError{1, "Factorial argument too large (at most 999999)"};
    if (v <= 1) return make(W, 1);
    const int Wx = W + limbsFor(decimalDigits(v) + 2);
    KVnum N = make(Wx, v);
    Func f(Wx);
    KVnum r = convert(*f.Factorial(&N), Wx);
    check();
    return convert(r, W);
}

// ---------------------------------------------------------------------------
// Literal evaluation: the library's own operations at the working precision.

KVnum Engine::evalLiteral(const Node& n, int W) {
    switch (n.kind) {
        case Node::Number: case Node::Variable: case Node::Ans:
            return evalGuarded(n, W);
        case Node::Const: {
            Func f(W);
            KVnum* r = n.constant == Constant::Pi ? f.Pi() : n.constant == Constant::E ? f.e() : f.PHI();
            KVnum v = convert(*r, W);
            check();
            return v;
        }
        case Node::Neg:
            return negOf(evalLiteral(*n.kids[0], W));
        case Node::Add: case Node::Sub: case Node::Mul: case Node::Div: {
            KVnum a = evalLiteral(*n.kids[0], W);
            KVnum b = evalLiteral(*n.kids[1], W);
            if (n.kind == Node::Add) a += b;
            else if (n.kind == Node::Sub) a -= b;
            else if (n.kind == Node::Mul) a *= b;
            else divideLiteral(a, b);
            check();
            return a;
        }
        case Node::Pow: {
            KVnum a = evalLiteral(*n.kids[0], W);
            KVnum b = evalLiteral(*n.kids[1], W);
            if (isInteger(b)) {
                long long v = 0;
                if (!toInt64(b, v) || v > kMaxFactorial || v < -kMaxFactorial)
                    throw CalcError{1, "Integer exponent too large for the library's power (at most 999999)"};
                if (a.IsZero() && v < 0) throw CalcError{1, "Division by zero"};
                KVnum p(a);
                p ^= absOf(b);
                check();
                if (v < 0) {
                    KVnum one = make(W, 1);
                    divideLiteral(one, p);
                    return one;
                }
                return p;
            }
            Func f(W);
            KVnum r = convert(*f.Fpower(&a, &b), W);
            check();
            return r;
        }
        case Node::Fact: {
            KVnum a = evalLiteral(*n.kids[0], W);
            if (a.Minus()) throw CalcError{1, "Factorial needs a non-negative integer"};
            if (cmp(a, "1") < 0) return make(W, 1);
            long long v = 0;
            if (!toInt64(a, v) || v > kMaxFactorial)
                throw CalcError{1, "Factorial argument too large (at most 999999)"};
            Func f(W);
            KVnum r = convert(*f.Factorial(&a), W);
            check();
            return r;
        }
        case Node::Call:
            return callLiteral(n, W);
    }
    throw CalcError{2, "unsupported expression"};
}

KVnum Engine::callLiteral(const Node& n, int W) {
    KVnum x = evalLiteral(*n.kids[0], W);
    Func f(W);
    KVnum* r = nullptr;
    switch (n.fn) {
        case Fn::Ln: r = f.Ln(&x); break;
        case Fn::Exp: r = f.Aln(&x); break;
        case Fn::Log: r = f.Log(&x); break;
        case Fn::Sqrt:
            r = f.Iroot(&x, 2);  // a negative x is refused there
            break;
        case Fn::Root: {
            KVnum k = evalLiteral(*n.kids[1], W);
            long long idx = 0;
            if (!isInteger(k) || !toInt64(k, idx) || idx > 1000000000LL || idx < -1000000000LL)
                throw CalcError{1, "The root index must be an integer"};
            r = f.Iroot(&x, static_cast<int>(idx));
            break;
        }
        case Fn::Pow: {
            KVnum y = evalLiteral(*n.kids[1], W);
            r = f.Fpower(&x, &y);
            break;
        }
        case Fn::Logb: {
            KVnum y = evalLiteral(*n.kids[1], W);
            // Afpower divides by ln b; the library would end the process on
            // a zero divisor, so those bases are refused here first.
            if (x.IsZero() || x.Minus()) {
                f.Ln(&x);
                check();
                throw CalcError{1, "x must be greater than 0"};
            }
            if (cmp(x, "1") == 0) throw CalcError{1, "Division by zero"};
            r = f.Afpower(&x, &y);
            break;
        }
        case Fn::Sin: r = f.Sin(&x); break;
        case Fn::Cos: r = f.Cos(&x); break;
        case Fn::Tan: {
            KVnum c = convert(*f.Cos(&x), W);
            check();
            if (c.IsZero()) throw CalcError{1, "Division by zero"};
            r = f.Tan(&x);
            break;
        }
        case Fn::Asin: r = f.Arcsin(&x); break;
        case Fn::Acos: r = f.Arccos(&x); break;
        case Fn::Atan: r = f.Arctan(&x); break;
        case Fn::Rad: r = f.DtoR(&x); break;
        case Fn::Deg: r = f.RtoD(&x); break;
        case Fn::Int: {
            KVnum i(x);
            i.Intp();
            return i;
        }
    }
    KVnum v = convert(*r, W);
    check();
    return v;
}

}  // namespace kvcalc

// ExactFunc: making, copying and assigning the object, and the steps every
// method shares (the argument at the object's precision, the Ziv loop, the
// report of a value out of range).
#include <kelvane/ExactFunc.h>

#include <cassert>
#include <climits>
#include <cinttypes>
#include <cstdio>
#include <string>

#include "exact/Circular.h"
#include "exact/ExactCommon.h"
#include "number/Internal.h"

ExactFunc::ExactFunc(int n) : res(n), nlimbs(res.Nlimbs()) {}

ExactFunc::ExactFunc(const ExactFunc& other) : res(other.res), nlimbs(other.nlimbs) {}

ExactFunc::~ExactFunc() = default;

ExactFunc& ExactFunc::operator=(const ExactFunc& other) {
    if (this != &other) res = other.res;
    return *this;
}

namespace kvexact {

KVnum argAt(const KVnum* x, int n) {
    KVnum a(n);
    if (x) a = *x;
    return a;
}

const KVnum& argIn(const KVnum* x, int n, const KVnum& res, std::optional<KVnum>& store) {
    if (x && x != &res && x->Nlimbs() == n) return *x;
    store.emplace(argAt(x, n));
    return *store;
}

KVnum* finish(Outcome o, KVnum& res) {
    if (o == Outcome::OutOfRange) {
        reportError("Exponent out of range.");
        res = 0;
    }
    return &res;
}

KVnum* evaluate(KVnum& res, const Evaluator& f, const ExactHook& exact) {
    KVnum out(res.Nlimbs());
    const Outcome o = ziv(res.Nlimbs(), f, out, exact);
    // The loop's cap is far beyond any argument met so far: a result left
    // undecided there is not proven, and builds that check contracts
    // (KELVANE_ASSERTS: the sanitizer tests, fuzzing) stop on it.
    assert(o != Outcome::Undecided && "precision cap reached: the result is not proven");
    res = out;
    return finish(o, res);
}

namespace {

// Position of x's lowest non-zero digit (x non-zero): x is a multiple of
// 10^lowDigit(x) and no higher power of ten.
int64_t lowDigit(const KVnum& x) {
    const int low = KVnumInternal::lowestLimb(x);
    int64_t e = static_cast<int64_t>(x.Expo()) + 4 * static_cast<int64_t>(low);
    for (int32_t l = x.Limb(low); l % 10 == 0; l /= 10) ++e;
    return e;
}

// The digit of x of weight 10^w (0 outside its limbs).
int digitAt(const KVnum& x, int64_t w) {
    const int64_t off = w - x.Expo();
    if (off < 0) return 0;
    const int64_t i = off / 4;
    if (i > x.Top()) return 0;
    static const int32_t p10[4] = {1, 10, 100, 1000};
    return (x.Limb(static_cast<int>(i)) / p10[off % 4]) % 10;
}

// The digits of x (|x| < 10^18, at most 18 of them from its leading one to
// max(0, -lowDigit(x))) as the integer |x| 10^k, k = max(0, -lowDigit(x)).
int64_t digitsAsInteger(const KVnum& x, int64_t& k) {
    const int64_t ld = lowDigit(x);
    k = ld < 0 ? -ld : 0;
    int64_t v = 0;
    for (int64_t w = leadOf(x) - 1; w >= -k; --w) v = v * 10 + digitAt(x, w);
    return v;
}

}  // namespace

bool expNearOne(const Ball& t, KVnum& res) {
    const int h = res.Nlimbs() / 2 - 2;
    const int sg = sign(t);
    if (sg == UNDECIDED || sg == 0) return false;
    if (cmp(t.absUp(), Mag::pow10(-4 * static_cast<int64_t>(h) - 8)) >= 0) return false;
    if (sg > 0) {
        res = 1;
    } else {
        // 0.99...9 with every digit of the h + 1 limbs.
        std::string nines = "0." + std::string(4 * static_cast<size_t>(h) + 4, '9');
        res = nines.c_str();
    }
    return true;
}

bool isInteger(const KVnum& x, bool& fits, int64_t& v) {
    fits = true;
    v = 0;
    if (x.IsZero()) return true;
    if (lowDigit(x) < 0) return false;
    if (leadOf(x) > 18) {
        fits = false;
        return true;
    }
    int64_t k;
    const int64_t m = digitsAsInteger(x, k);
    v = x.Minus() ? -m : m;
    return true;
}

bool asFraction(const KVnum& x, int64_t& p, int64_t& q) {
    p = 0;
    q = 1;
    if (x.IsZero()) return true;
    if (leadOf(x) > 18 || lowDigit(x) < -18 || leadOf(x) - lowDigit(x) > 18) return false;
    int64_t k;
    int64_t v = digitsAsInteger(x, k);
    int64_t den = 1;
    for (int64_t i = 0; i < k; ++i) den *= 10;
    while (den > 1 && v % 2 == 0 && den % 2 == 0) {
        v /= 2;
        den /= 2;
    }
    while (den > 1 && v % 5 == 0 && den % 5 == 0) {
        v /= 5;
        den /= 5;
    }
    p = x.Minus() ? -v : v;
    q = den;
    return true;
}

int cmpInt(const KVnum& x, int64_t v) {
    const int sx = x.IsZero() ? 0 : x.Minus() ? -1 : 1;
    const int sv = v == 0 ? 0 : v < 0 ? -1 : 1;
    if (sx != sv || sx == 0) return sx < sv ? -1 : sx > sv ? 1 : 0;
    // Same sign, both non-zero: magnitudes far apart decide at once.
    const int64_t lx = leadOf(x);
    if (v == 1 || v == -1) {
        // |x| in [10^(lx - 1), 10^lx): below 1 for lx <= 0, above for lx > 1;
        // with lx = 1 it is 1 exactly when its only digit is the units' 1.
        if (lx != 1) return lx > 1 ? sx : -sx;
        const int d = digitAt(x, 0);
        if (d > 1 || lowDigit(x) < 0) return sx;
        return 0;
    }
    if (lx > 20) return sx;
    if (lx < 0) return -sx;
    // Otherwise both fit a wide common grid, where the difference is exact.
    const int P = 2 * x.Nlimbs() + 16;
    return sign(Ball(x, P) - Ball(v, P));
}

}  // namespace kvexact

// The circular functions and pi (exact/Circular.h) leave their result in the
// number they are given, and take the argument as it is (they cut it to the
// result's precision themselves, before writing anything).
namespace {

template <class F>
KVnum* circularCall(F f, const KVnum* x, KVnum& res) {
    if (x) {
        f(*x, &res);
    } else {
        const KVnum zero(res.Nlimbs());
        f(zero, &res);
    }
    return &res;
}

}  // namespace

KVnum* ExactFunc::DtoR(KVnum* x) { return circularCall(kvtrig::exactDtoR, x, res); }

KVnum* ExactFunc::RtoD(KVnum* x) { return circularCall(kvtrig::exactRtoD, x, res); }

KVnum* ExactFunc::Sin(KVnum* x) { return circularCall(kvtrig::exactSin, x, res); }

KVnum* ExactFunc::Cos(KVnum* x) { return circularCall(kvtrig::exactCos, x, res); }

KVnum* ExactFunc::Tan(KVnum* x) { return circularCall(kvtrig::exactTan, x, res); }

KVnum* ExactFunc::Arctan(KVnum* x) { return circularCall(kvtrig::exactArctan, x, res); }

KVnum* ExactFunc::Arcsin(KVnum* x) { return circularCall(kvtrig::exactArcsin, x, res); }

KVnum* ExactFunc::Arccos(KVnum* x) { return circularCall(kvtrig::exactArccos, x, res); }

KVnum* ExactFunc::Pi() {
    kvtrig::exactPi(&res);
    return &res;
}

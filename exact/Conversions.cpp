// The exact tier's conversions by a constant factor: DtoR (x pi/180), RtoD
// (x 180/pi) and LntoLog (x / ln 10).
//
// Each constant c is kept as a fixed-point natural K with |c 10^D - K| < 2,
// computed once per process at the most places asked for so far and shared
// by every thread. A conversion is then one product of the argument's digits
// with K (its high part only, when the argument is long) and two bounds:
// with |x| = m 10^e, m K - 2m < |x| c 10^(D - e) < m K + 2m. The values are
// irrational at every non-zero argument, so no truncation point is ever hit
// and the loop that widens the guard ends.
#include <algorithm>
#include <memory>
#include <mutex>

#include "exact/Ball.h"
#include "exact/Circular.h"
#include "exact/TrigCore.h"

namespace kvtrig {

namespace {

// A constant as K = c 10^places within 2 units, grown on demand.
struct ScaledConstant {
    explicit ScaledConstant(Nat (*f)(int64_t)) : compute(f) {}
    Nat (*compute)(int64_t D);  // c 10^D within 2 units
    std::mutex lock;
    std::shared_ptr<const Nat> value;
    int64_t places = -1;
};

// The cached value with at least D places (D and the places kept are
// multiples of 4, so that a shorter K is a run of its top limbs).
std::shared_ptr<const Nat> scaled(ScaledConstant& c, int64_t D, int64_t* places) {
    int64_t have;
    {
        std::lock_guard<std::mutex> g(c.lock);
        if (c.places >= D) {
            *places = c.places;
            return c.value;
        }
        have = c.places;  // read under the lock: another thread may be growing it
    }
    // Grow by half at least, so that a loop asking for a little more each
    // time does not compute the constant at every step.
    int64_t want = std::max(D + 16, have + have / 2);
    want += (4 - want % 4) % 4;
    auto fresh = std::make_shared<const Nat>(c.compute(want));
    std::lock_guard<std::mutex> g(c.lock);
    if (c.places < want) {
        c.value = fresh;
        c.places = want;
    }
    *places = c.places;
    return c.value;
}

// pi / 180: floor(A / 180) from A within 2 of pi 10^D is within 2 / 180 + 1.
Nat piOver180(int64_t D) { return divSmall(piScaled(D), 180); }

// 180 / pi: 180 10^(D + E) / A with A within 2 of pi 10^E is off by less than
// 180 10^(D + E) 2 / (A pi 10^E) < 38 10^(D - E) = 0.38 units for E = D + 2;
// the quotient's cut adds one.
Nat oneEightyOverPi(int64_t D) { return divFloor(mulPow10(Nat(180), 2 * D + 2), piScaled(D + 2)); }

// 1 / ln 10 from the ball of ln 10: a quotient ball whose radius is below
// 10^-D gives floor(mid 10^D) within 2 units.
Nat invLn10(int64_t D) {
    for (int wp = 2 * (static_cast<int>(D / 4) + 8);; wp += wp / 2) {
        kvexact::Ball q = kvexact::Ball(1, wp) / kvexact::ln10(wp);
        if (kvexact::cmp(q.rad(), kvexact::Mag::pow10(-D)) >= 0 || q.unbounded()) continue;
        const KVnum& m = q.mid();
        Nat M;
        for (int i = 0; i <= m.Top(); ++i) M.d.push_back(m.Limb(i));
        M.trim();
        return scale10(M, static_cast<int64_t>(m.Expo()) + D);
    }
}

ScaledConstant& constantOf(int which) {
    static ScaledConstant* c[3] = {new ScaledConstant(piOver180), new ScaledConstant(oneEightyOverPi),
                                   new ScaledConstant(invLn10)};  // kept for the life of the process
    return *c[which];
}

enum { PI_OVER_180, ONE_EIGHTY_OVER_PI, INV_LN10 };

// |x| c truncated into res with x's sign: lead10 bounds log10 c from above
// (so that D places of K give the guard's digits relative to the product).
void timesConstant(int which, int lead10, const KVnum& xin, KVnum* res) {
    const Arg x = heldArg(xin, res);
    if (x.zero()) {
        *res = 0;
        return;
    }
    ScaledConstant& c = constantOf(which);
    settle(res, [&](int64_t guard, Bounds& b) {
        int64_t D = 4 * (res->Nlimbs() / 2 - 2) + 4 + guard + 2 - lead10;
        D += (4 - D % 4) % 4;
        int64_t have;
        const std::shared_ptr<const Nat> v = scaled(c, D, &have);
        // The top limbs of the cached value: K = floor(c 10^have / 10^(have - D)),
        // still within 2 units.
        const int skip = static_cast<int>((have - D) / 4);
        const kv::limb_t* k = v->d.data() + skip;
        const int kn = v->size() - skip;
        // The product's limbs above the j lowest (which the bounds' digits
        // never reach): P = floor(m K / 10000^j), and with E = floor(2m /
        // 10000^j) + 1 or more the bounds P - E < |t| 10^(D - e - 4j) < P + 1 + E.
        const int mn = x.m.size(), keep = static_cast<int>(D / 4) + 3;
        const int j = std::max(0, mn + kn - keep);
        Nat P;
        P.d.resize(static_cast<size_t>(mn + kn - j));
        if (j == 0 || !kv::mul_high(P.d.data(), x.m.d.data(), mn, k, kn, j)) {
            Nat full;
            full.d.resize(static_cast<size_t>(mn + kn));
            kv::mul(full.d.data(), x.m.d.data(), mn, k, kn);
            P.d.assign(full.d.begin() + j, full.d.end());
        }
        P.trim();
        // E = 2 floor(m / 10000^j) + 2 > 2m / 10000^j.
        Nat E = divPow10(x.m, 4 * static_cast<int64_t>(j));
        mulSmallInPlace(E, 2);
        addSmall(E, 2);
        b.hi = add(P, E);
        addSmall(b.hi, 1);
        if (P < E) P = Nat();
        else subInto(P, P, E);
        b.lo = std::move(P);
        b.s = D - x.e - 4 * static_cast<int64_t>(j);
        b.neg = x.neg;
        return true;
    });
}

}  // namespace

void exactDtoR(const KVnum& x, KVnum* res) { timesConstant(PI_OVER_180, -1, x, res); }
void exactRtoD(const KVnum& x, KVnum* res) { timesConstant(ONE_EIGHTY_OVER_PI, 2, x, res); }
void exactLntoLog(const KVnum& x, KVnum* res) { timesConstant(INV_LN10, 0, x, res); }

}  // namespace kvtrig

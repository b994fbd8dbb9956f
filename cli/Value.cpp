// kvcalc: values.
#include "Value.h"

#include "BallFunc.h"

namespace kvcalc {

Value Value::pi(const Rat& r) {
    if (r.isZero()) return rat(r);
    Value v;
    v.kind = PiTimes;
    v.q = r;
    return v;
}

Value Value::exp(const Rat& r) {
    if (r.isZero()) return rat(Rat::of(1));
    Value v;
    v.kind = ExpOf;
    v.q = r;
    return v;
}

Ball Value::toBall(int W) const {
    switch (kind) {
        case Rational: return q.ball(W);
        case PiTimes: {
            const int Wg = W + 2;
            return recast(mul(q.ball(Wg), piBall(Wg)), W);
        }
        case ExpOf: {
            // e^q: the exponent's integer digits are lost to the result's
            // relative precision, so they are carried as guard.
            const Ball e = q.ball(W + 2);
            const int64_t m = e.mid().IsZero() ? 0 : std::max<int64_t>(0, mag10(e.mid()) + 1);
            const int Wg = W + limbsAt(m + 4);
            return recast(expBall(q.ball(Wg), Wg), W);
        }
        case Approx: return b;
    }
    return b;
}

int Value::sign(int W) const {
    switch (kind) {
        case Rational:
        case PiTimes: return q.sign();
        case ExpOf: return 1;
        case Approx: return signOf(b);
    }
    (void)W;
    return 0;
}

}  // namespace kvcalc

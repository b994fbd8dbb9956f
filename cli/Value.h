// kvcalc: the value of an expression, exact where it can be.
//
// A value is exact (a rational q, or q pi, or e^q with a rational q) or a
// ball. Exact values stay exact through the operations that keep them so
// (rationals through + - * / and integer powers, q pi through sums and
// rational factors, e^q through products and rational powers), and the
// functions know their exact points: sin(pi) is 0, ln(e^q) is q, sqrt(2.25)
// is 1.5. Everything else is a ball at the working precision.
#ifndef KVCALC_VALUE_H
#define KVCALC_VALUE_H

#include "Ball.h"
#include "Exact.h"

namespace kvcalc {

struct Value {
    enum Kind { Rational, PiTimes, ExpOf, Approx };
    Kind kind = Rational;
    Rat q;    // the rational, the factor of pi or the exponent of e
    Ball b{10};  // for Approx

    static Value rat(const Rat& r) {
        Value v;
        v.q = r;
        return v;
    }
    static Value ball(const Ball& x) {
        Value v;
        v.kind = Approx;
        v.b = x;
        return v;
    }
    static Value pi(const Rat& r);   // r pi (a rational 0 when r is 0)
    static Value exp(const Rat& r);  // e^r (the rational 1 when r is 0)

    bool exact() const { return kind != Approx; }
    bool isRat() const { return kind == Rational; }
    /// The value as a ball of about W limbs.
    Ball toBall(int W) const;
    /// 1, -1 or 0 (exact zero); throws NeedPrecision when a ball cannot tell.
    int sign(int W) const;
};

}  // namespace kvcalc

#endif

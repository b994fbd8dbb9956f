// kvcalc: evaluation of a parsed expression at a given working precision.
//
// Two modes. The guarded mode computes every function so that its result is
// good to about the last digits of the working precision: it reduces the
// arguments where the library's series lose digits (exp through a reduced
// exponential squared back, ln through powers of 10 and 2 toward 1, sine and
// cosine after taking out the nearest multiple of pi/2, arc tangents through
// half angles, powers through a reduced exponential) and raises the precision
// inside a function by the digits that the reduction costs. The calculator
// evaluates a line twice or more at rising precisions and prints only the
// digits on which the evaluations agree (see Calculator).
//
// The literal mode hands each operation straight to the library at the
// working precision, with no reduction and no guard.
#ifndef KVCALC_ENGINE_H
#define KVCALC_ENGINE_H

#include <functional>
#include <memory>
#include <string>

#include <kelvane/KVnum.h>
#include "Num.h"
#include "Parser.h"

namespace kvcalc {

class Engine {
public:
    explicit Engine(bool literal);

    /// Looks a variable up (null when unknown); `ans` is the last result.
    std::function<const KVnum*(const std::string&)> lookup;
    const KVnum* ans = nullptr;

    /// Evaluates `n` at `limbs` limbs. Throws CalcError.
    KVnum eval(const Node& n, int limbs);

    bool literal() const { return literal_; }

    // The guarded functions, each giving its result at `W` limbs.
    KVnum exp(const KVnum& x, int W);
    KVnum ln(const KVnum& x, int W);
    KVnum log10(const KVnum& x, int W);
    KVnum logb(const KVnum& b, const KVnum& x, int W);
    KVnum root(const KVnum& x, long long n, int W);
    KVnum power(const KVnum& x, const KVnum& y, int W);
    KVnum sin(const KVnum& x, int W);
    KVnum cos(const KVnum& x, int W);
    KVnum tan(const KVnum& x, int W);
    KVnum atan(const KVnum& x, int W);
    KVnum asin(const KVnum& x, int W);
    KVnum acos(const KVnum& x, int W);
    KVnum factorial(const KVnum& x, int W);
    KVnum pi(int W);
    KVnum ln2(int W);
    KVnum ln10(int W);
    KVnum eConst(int W);
    KVnum phi(int W);

private:
    struct Cached {
        std::unique_ptr<KVnum> value;
        int limbs = 0;
    };

    bool literal_;
    Cached pi_, ln2_, ln10_, e_, phi_;
    long seen_ = 0;

    KVnum evalGuarded(const Node& n, int W);
    KVnum evalLiteral(const Node& n, int W);
    KVnum callGuarded(const Node& n, int W);
    KVnum callLiteral(const Node& n, int W);

    /// Throws when the library has reported something since the last check.
    void check();
    /// a / b with the zero test that the library would end the process on.
    void divide(KVnum& a, const KVnum& b);
    /// a / b as the library divides, with the same zero test.
    void divideLiteral(KVnum& a, const KVnum& b);
    /// Nearest integer to x when x lies within the noise of the last digits
    /// of its precision from one; false otherwise.
    bool nearInteger(const KVnum& x, KVnum& n) const;
    long long smallInteger(const KVnum& x, const char* what, long long lo, long long hi);
    /// x reduced by the nearest multiple of pi/2: r and the quadrant (0..3).
    void reduceHalfPi(const KVnum& x, int W, KVnum& r, int& quadrant);
    KVnum atanUnit(const KVnum& t, int W);
    KVnum lnNearOne(const KVnum& y, int W);
    KVnum sqrtOneMinusSquare(const KVnum& x, int W);
    KVnum integerPower(const KVnum& x, long long n, int W);
    KVnum realPower(const KVnum& x, const KVnum& y, int W);
    void lnConstants(int W);
    KVnum cached(Cached& c, int W, const std::function<KVnum(int)>& compute);
};

}  // namespace kvcalc

#endif

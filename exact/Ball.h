// Balls: a midpoint KVnum and a proven error radius. Internal header, never
// installed; the exact tier (ExactFunc) and the calculator build on it.
//
// A Ball stands for every real number t with |t - mid| <= rad. `mid` is a
// KVnum of the ball's working precision `wp` (in limbs, as KVnum counts them);
// `rad` is an upper bound kept as a short decimal float (Mag). Every operation
// gives a ball that contains the true result for EVERY pair of numbers in its
// operand balls, with each truncation of KVnum's arithmetic counted in:
//
//   sum, difference  the operand with the smaller exponent is cut to the
//                    other's last place (< one unit there) and a carry out
//                    of the head limb drops the lowest limb (< one unit in
//                    the result's last place);
//   product          the exact product cut to h + 1 limbs (< one unit in the
//                    result's last place; nothing when both operands' limbs
//                    fit the result);
//   quotient         truncated to the weight of the dividend's last limb,
//                    then cut (< one unit in each of those places); Ball's
//                    division first scales the divisor into [0.1, 1) by an
//                    exact power of ten so that the quotient keeps all its
//                    limbs;
//   conversion       a number cut to a smaller precision loses < one unit in
//                    its new last place.
//
// The radius is rounded up at every step, so a ball is never too small. It
// may be too large (the bound is a sum of worst cases), which only costs
// precision: callers work with guard limbs and let the Ziv driver (below)
// raise the precision until the result is decided.
//
// Two states mark a ball that says nothing usable: `unbounded()` (the radius
// is infinite: division by a ball that holds 0, the logarithm of a ball that
// reaches 0, a series whose remainder cannot be bounded) and `outOfRange()`
// (the value is proven to lie outside KVnum's exponent range). Operations
// carry both states through. No operation reports anything through the error
// handler: an operation that would leave the exponent range marks the ball
// instead.
//
// Typical use (the value of sqrt(2) + 1/3 truncated at 130 limbs):
//
//   KVnum out(130);
//   kvexact::Outcome o = kvexact::ziv(130, [](int wp) {
//       return kvexact::sqrt(kvexact::Ball(2, wp)) + kvexact::Ball(1, wp) / kvexact::Ball(3, wp);
//   }, out);
//
// Values within about 16 digits of KVnum's exponent limits, at the working
// precision, are treated as out of range (so that no operation ever reaches
// KVnum's own report).
//
// Thread safety: balls are values; the cached constants (ln 10, ln 2 and those
// added beside them) are shared across threads behind a lock.
#ifndef KELVANE_EXACT_BALL_H
#define KELVANE_EXACT_BALL_H

#include <kelvane/KVnum.h>

#include <cstdint>
#include <functional>

namespace kvexact {

// A non-negative decimal float m x 10^e used for radii and magnitude bounds.
// m is 0 (the value 0) or in [1, 10) (up to rounding); an infinite m is the
// infinite bound. The functions below round in the direction their name says,
// each by a margin far above double's rounding error, so a chain of them
// stays a bound in that direction.
struct Mag {
    double m = 0;
    int64_t e = 0;

    static Mag zero() { return Mag(); }
    static Mag infinite();
    static Mag pow10(int64_t e);               // exactly 10^e
    static Mag up(double v, int64_t e);        // >= v x 10^e, normalised
    static Mag down(double v, int64_t e);      // <= v x 10^e, normalised
    bool isZero() const { return m == 0; }
    bool isInf() const;
    double log10() const;                      // approximate (for estimates only)
};

Mag addUp(Mag a, Mag b);
Mag mulUp(Mag a, Mag b);
Mag mulDown(Mag a, Mag b);
Mag divUp(Mag a, Mag b);         // a / b rounded up; b must be > 0 (else infinite)
Mag divDown(Mag a, Mag b);       // a / b rounded down
Mag subDown(Mag a, Mag b);       // max(a - b, 0) rounded down
Mag powUp(Mag a, double p);      // a^p rounded up, p >= 0
Mag powDown(Mag a, double p);    // a^p rounded down
Mag expUp(Mag a);                // e^a rounded up (infinite when huge)
int cmp(Mag a, Mag b);           // -1, 0, 1 on the values (exact)

// Bounds of |x| for a KVnum in normal form (from its two head limbs), and one
// unit in its last place (10^expo; 0 for zero).
Mag magUp(const KVnum& x);
Mag magDown(const KVnum& x);
Mag unitOf(const KVnum& x);
// The decimal position of x's leading digit: |x| lies in [10^(L-1), 10^L).
// Undefined for zero.
int64_t leadOf(const KVnum& x);

class Ball {
public:
    // The exact 0 at wp limbs (wp as KVnum(n) takes it).
    explicit Ball(int wp);
    // An integer: exact when its digits fit wp limbs (always from 12 limbs
    // on), otherwise cut (counted). Write Ball(wp) for 0: a literal 0 would
    // also match the text constructor.
    Ball(int64_t v, int wp);
    // x at wp limbs: exact when x's digits fit, else cut (counted).
    Ball(const KVnum& x, int wp);
    // Decimal text read by KVnum's text rules; exact when every significant
    // digit of the text fits wp limbs, otherwise the digits beyond are cut
    // (counted). So Ball("0.1", wp) is exactly 1/10.
    Ball(const char* text, int wp);
    // A given midpoint with a given radius (the caller vouches for the radius).
    Ball(const KVnum& mid, Mag rad, int wp);
    Ball(const Ball& b) = default;
    // Assignment takes the other ball whole, its precision included.
    Ball& operator=(const Ball& b);

    int prec() const { return mid_.Nlimbs(); }
    const KVnum& mid() const { return mid_; }
    Mag rad() const { return rad_; }
    bool exact() const { return rad_.isZero() && !unbounded_ && !oor_; }
    bool unbounded() const { return unbounded_; }
    bool outOfRange() const { return oor_; }
    // Upper and lower bounds of |t| over the ball (lower: 0 when it holds 0).
    Mag absUp() const;
    Mag absDown() const;

    // Widens the radius by r (an extra error term the caller has proven).
    void widen(Mag r);
    // The same ball at another precision (cutting counted).
    Ball at(int wp) const;
    // Marks the ball as saying nothing (infinite radius) or out of range.
    void setUnbounded();
    void setOutOfRange();

    Ball& operator+=(const Ball& b);
    Ball& operator-=(const Ball& b);
    Ball& operator*=(const Ball& b);
    Ball& operator/=(const Ball& b);
    // Exact scaling by 10^k (out of range: marked).
    Ball& scale10(int64_t k);
    // Division by a non-zero integer, without the divisor scaling: the
    // absolute error is below one unit in the dividend's and the quotient's
    // last places (cheap: one short division). For series steps.
    Ball& divInt(int64_t d);
    // Multiplication by an integer (exact when the limbs fit).
    Ball& mulInt(int64_t d);
    void negate();

private:
    KVnum mid_;
    Mag rad_;
    bool unbounded_ = false;
    bool oor_ = false;

    friend Ball sqrt(const Ball& x);
    friend Ball root(const Ball& x, int64_t n);
    bool carry(const Ball& b);  // takes over b's special states; true when set
};

Ball operator+(Ball a, const Ball& b);
Ball operator-(Ball a, const Ball& b);
Ball operator*(Ball a, const Ball& b);
Ball operator/(Ball a, const Ball& b);
Ball operator-(Ball a);

// x^n for an integer n (n < 0: 1 / x^|n|; x^0 = 1 exactly), by squaring.
Ball powi(const Ball& x, int64_t n);
// Square root and n-th root (n >= 2). A ball that reaches below 0 gives an
// unbounded ball (odd n: the root of a negative ball is the negated root).
Ball sqrt(const Ball& x);
Ball root(const Ball& x, int64_t n);

// Sign of the whole ball: 1 or -1 when every number in it has that sign, 0
// when the ball is exactly 0, and UNDECIDED when it holds numbers of both
// signs (or is unbounded): more precision may decide.
const int UNDECIDED = 2;
int sign(const Ball& x);
// Sign of a - b over the two balls, as sign().
int compare(const Ball& a, const Ball& b);

// ---- Functions and constants (exact/BallFunc.cpp) -------------------------------------
//
// Each gives a ball at (about) its argument's precision that holds the
// function's value at every number of the argument ball. Beyond KVnum's
// exponent range the result is marked outOfRange(); outside the domain (a
// logarithm of a ball that reaches 0 or below) it is unbounded().

// e^x: x = k ln 10 + r exactly enough (k = 0 below 2 ln 10, else |r| < 1.2),
// r / 2^s, a Taylor sum by rectangular splitting, s squarings, then the
// exact 10^k.
Ball exp(const Ball& x);
// ln x = E ln 10 + ln M for x = M 10^E, M in [0.3, 3.2]. Up to 300 limbs
// ln M = a ln 2 + b ln 3 + c ln 5 + 2 atanh(z) for the lattice point 2^a 3^b
// 5^c nearest to M, z = (M / R - 1) / (M / R + 1); beyond, ln M = y + 2
// atanh(z) for an estimate y and z from u = M e^-y - 1. The atanh series
// carries a bound worked out in advance.
Ball log(const Ball& x);
// x^y = e^(y ln x) for x > 0 (balls).
Ball pow(const Ball& x, const Ball& y);
// ln 10 and ln 2 at wp limbs, from atanh series (46, 34, 20 and 14, 10, 6
// times atanh 1/31, 1/49, 1/161) summed by binary splitting on exact
// integers, computed once at the largest precision asked so far and cut for
// smaller ones; shared by all threads (exact/Constants.cpp).
Ball ln10(int wp);
Ball ln2(int wp);
// ln 3 = 22, 16, 10 times the same three, cached beside them.
Ball ln3(int wp);
// ln 10 and ln 2 (and ln 3 when asked) at exactly wp limbs, computed afresh
// (what the cache keeps).
void lnConstants(int wp, Ball& l10, Ball& l2, Ball* l3 = nullptr);

// ---- Exact arithmetic for exact-case hooks ------------------------------------------------

// True when c^q == x^p exactly (c, x > 0; q >= 1; p of any sign), proven by
// exact integer arithmetic on the digits. When the integers involved would
// pass `maxDigits` decimal digits the answer is false (not claimed), so the
// time is bounded whatever p and q are.
bool powersEqual(const KVnum& c, int64_t q, const KVnum& x, int64_t p, int64_t maxDigits = 40000);

// ---- The Ziv driver --------------------------------------------------------------------
//
// The result a caller wants is the true value t truncated toward zero to a
// KVnum of `nlimbs` limbs in normal form. A ball decides it when every number
// in the ball truncates to the same KVnum: decide() then writes it to `out`.

// True when every number in b has the same truncation at nlimbs (written to
// out, which has or gets nlimbs limbs). An exact ball always decides.
bool decide(const Ball& b, int nlimbs, KVnum& out);

// The representable number at nlimbs inside b nearest to b's midpoint (the
// point a ball that fails to decide straddles), for exact-case hooks. False
// when b is unbounded.
bool nearestCut(const Ball& b, int nlimbs, KVnum& out);

enum class Outcome {
    Done,        // out holds the truncated true value
    OutOfRange,  // the value lies outside the exponent range; out is 0
    Undecided    // the precision cap was reached (out holds the midpoint cut)
};

// Evaluates eval(wp) at rising working precisions, from nlimbs plus guard
// limbs, until decide() succeeds. When a ball fails to decide, `exact` (if
// given) is asked whether the true value is a representable number exactly:
// it gets the undecided ball and returns true with that number in its second
// argument (it must prove it, by exact arithmetic). The precision grows by
// half again each round up to maxLimbs (default: 16 times nlimbs plus 64).
// out must have (or gets) nlimbs limbs.
typedef std::function<Ball(int wp)> Evaluator;
typedef std::function<bool(const Ball& b, KVnum& value)> ExactHook;
Outcome ziv(int nlimbs, const Evaluator& eval, KVnum& out, const ExactHook& exact = nullptr,
            int maxLimbs = 0);

// Working precision with g guard limbs above nlimbs (g significant limbs
// more: nlimbs + 2g, as h = nlimbs/2 - 2).
inline int withGuard(int nlimbs, int g) { return nlimbs + 2 * g; }

}  // namespace kvexact

#endif

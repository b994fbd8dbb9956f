/// \file
/// Func: the function object of Kelvane.
///
/// A Func fixes a working precision (a count of limbs, after the same policy
/// as KVnum's) and owns one result number, `res`. Every method computes with
/// temporaries of that precision through the operations of KVnum,
/// leaves its result in `res` and returns the address of `res`: the same
/// pointer on every call, showing the latest result. The Func keeps those
/// temporaries (a few dozen numbers of its precision) and pi and ln 10 as read
/// from PI_DIGITS and LN10_DIGITS from call to call, so that a call allocates
/// nothing; no result depends on them.
///
/// Arguments must not be `res` itself unless the method's comment allows it:
/// some methods write `res` before they have finished reading their arguments.
/// A refused argument is reported through reportError() and leaves 0 in `res`
/// (Fpower: 1). Series end at the first pass that leaves the sum unchanged.
#ifndef KELVANE_FUNC_H
#define KELVANE_FUNC_H

#include <memory>

#include <kelvane/KVnum.h>

namespace kvfunc {
class Scratch;
}

class KELVANE_API Func {
public:
    /// Precision as for KVnum(n): n >= 9 is taken, else PRECISION (atoi
    /// rules) when it reads as 9 or more, else 130. `res` starts at zero.
    explicit Func(int n);
    /// Independent copy: precision, result value and result text.
    Func(const Func& other);
    ~Func();
    /// Copies the other's result value; this Func keeps its own precision,
    /// so between Funcs of different precisions the value is converted (cut
    /// without rounding, or widened). The text buffer of `res` is kept.
    Func& operator=(const Func& other);

    int Nlimbs() const { return nlimbs; }

    // Arguments of another precision than the Func's are cut to it (without
    // rounding) before anything else, in every method.
    //
    // Every method ends in bounded time, reports an intermediate that leaves
    // the exponent range never (a true value outside it: "Exponent out of
    // range." and 0), and keeps at least 2h of the 4h + 1 digits a number is
    // sure to hold (h = nlimbs/2 - 2). Each follows its plain steps where a
    // bound stated below shows they keep 2h digits (a relative error of at
    // most 10^-2h), and otherwise takes
    // the route stated with it. u = 10^-4h. Where an a-priori bound of Aln,
    // Fpower, Sin or Cos misses 10^-2h by at most three digits, the plain
    // series is summed with its error counted as it accumulates (each cut
    // read off the numbers the operation leaves, with its sign, since every
    // cut is toward zero; a quotient's cut also from its leading digits; the
    // terms left out by their bound; for Fpower the error of y ln x, counted
    // the same way through the logarithm series): its digits are kept when
    // that count proves 10^-2h, and the other route is taken otherwise.

    /// ln x; x <= 0: "x must be greater than 0" and 0. x may be res.
    /// The plain series 2(y + y^3/3 + ...), y = (x-1)/(x+1), is summed for
    /// 0.01 <= x <= 100 (at most ~58 passes per working digit). Outside,
    /// x = m 10^k 2^j with 0.75 <= m <= 1.5 and ln x = k ln 10 + j ln 2 +
    /// ln m at 4 guard limbs, then cut: right to all but the last digits.
    /// Near 1: x - 1 as the plain steps form it is cut at 1's last place,
    /// off by up to u, so by u / |x - 1| relative in ln x; for
    /// |x - 1| < 10^-h it is formed exactly instead.
    KVnum* Ln(KVnum* x);
    /// e^x by 1 + x + x^2/2! + ...; exact 1 for x = 0. x may be res.
    /// Bound: the plain series is off by at most
    /// E = sum_k min(u |x|^k, |x|^k/k!) + K u e^|x| (K passes); it is summed
    /// when E / e^x <= 10^-2h (at 130 limbs about -7.0 <= x <= 7.8, at
    /// 9 limbs -1.7 <= x <= 2.7), and near that edge where the counted error
    /// (above) proves 10^-2h (Aln(-2.5) at 10 limbs). Otherwise e^x = 10000^j e^r,
    /// 0 <= r < 4 ln 10, at guard limbs (e^r as (e^(r/32))^32), then cut.
    /// |x| < 10^-(4h+4) gives 1, as the series does.
    KVnum* Aln(KVnum* x);
    /// Ln(x) / ln 10 from LN10_DIGITS (computed where the precision reads
    /// more characters than the text holds). x may be res.
    KVnum* Log(KVnum* x);
    /// x / ln 10, ln 10 as for Log. x may be res.
    KVnum* LntoLog(KVnum* x);
    /// 10^x = Fpower(10, x), ln 10 from the series. x must not be res.
    KVnum* Alog(KVnum* x);
    /// x^y = e^(y ln x); x <= 0: Ln's report and 1. x may be res, y not.
    /// L = y ln x takes Aln's bound and routes (near the edge, the counted
    /// error includes L's own); on the other route L is
    /// formed again at guard limbs for its integer digits. |L| >= 10^12:
    /// "Exponent out of range." and 0; |L| < 10^-(4h+4): 1.
    KVnum* Fpower(KVnum* x, KVnum* y);
    /// ln y / ln x. x = 1 ends the process with "Division by zero"; x <= 0
    /// or y <= 0: "x must be greater than 0" and 0. The plain quotient is cut
    /// at ln y's last place, off by u |ln x| relative: kept for
    /// |ln x| < 10^(2h-1); beyond, the divisor is scaled into [1e-4, 1)
    /// first. x may be res, y not.
    KVnum* Afpower(KVnum* x, KVnum* y);
    /// n-th root by Newton's iteration from x / n. n <= 1: "Root must be
    /// greater than one." and 0; x < 0 with n even: "x must not be negative
    /// for an even root." and 0. Stops when an estimate equals the previous
    /// one, or when it equals an earlier one: then the estimates from that
    /// one to the previous repeat for ever, and the one of smallest magnitude
    /// among them is the result. A correction that the division loses
    /// entirely (far from the root) is taken again with both operands scaled
    /// by a power of 10000. Bound: the passes are estimated from x and n
    /// before starting (the fall by (n-1)/n per pass from the start, or from
    /// where the first step lands when the start is below the root, plus the
    /// quadratic end); each costs 2n products, and the plain iteration runs
    /// while that is at most 10000 products (and stops past four times its
    /// estimate). Otherwise: a start from the exponent and leading digits of
    /// x, a fixed count of Newton steps with powers by squaring at 4 guard
    /// limbs, no estimates kept, then cut. x may be res.
    KVnum* Iroot(KVnum* x, int n);
    /// x degrees in radians: ((pi * 2) * x) / 360, pi from PI_DIGITS
    /// (computed where the precision reads more characters than the text
    /// holds). x may be res.
    KVnum* DtoR(KVnum* x);
    /// x radians in degrees: ((x * 360) / pi) / 2, pi as for DtoR.
    /// x may be res.
    KVnum* RtoD(KVnum* x);
    /// sin x by x - x^3/3! + x^5/5! - ... on x itself. Bound: the plain
    /// series is off by at most E = sum_k min(u |x|^k, |x|^k/k!) + K u e^|x|;
    /// it is summed for |x| < 1 and where E <= 10^-2h |sin x| (the size
    /// judged in long double; near a zero of sin x, not summed): at 130 limbs
    /// up to about |x| = 7.3; near that edge where the counted error (above)
    /// proves 10^-2h |sin x|. Otherwise x = k pi/2 + r, |r| <= pi/4, with pi
    /// from Pi() (kept by the Func) at the integer digits of x plus the
    /// precision plus 8 digits, the series on r there, then cut. More than
    /// max(2000, 8h + 8) integer digits: "Argument too large for the
    /// precision." and 0. |x| < 10^-(2h+2) gives x. x may be res.
    KVnum* Sin(KVnum* x);
    /// cos x by 1 - x^2/2! + ... on x itself; bound and routes as Sin's
    /// (|x| < 10^-(2h+2) gives 1). x may be res.
    KVnum* Cos(KVnum* x);
    /// Sin(x) / Cos(x), each by its own route; a cosine of exactly 0 ends
    /// the process with "Division by zero". x may be res.
    KVnum* Tan(KVnum* x);
    /// arctan x in radians. x = +-1: "x^2 must be less or greater than 1"
    /// and 0. The series x - x^3/3 + ... (x*x <= 0.96) or pi/2 - 1/x +
    /// 1/(3x^3) - ... (x*x >= 1.05); in between the argument is halved by
    /// arctan x = 2 arctan(x / (1 + sqrt(1 + x*x))) at 4 guard limbs. Below
    /// -1 the negation of arctan(-x). |x| < 10^-(2h+2) gives x and
    /// |x| > 10^(2h+2) gives +-(pi/2 - 1/|x|), what the series give there,
    /// without forming x*x. x may be res.
    KVnum* Arctan(KVnum* x);
    /// arcsin x in radians; x*x > 1: "x^2 must be less than or equal to 1"
    /// and 0 (|x| >= 10 without forming x*x); +-1 gives +-pi/2. Right to all
    /// but the last digits for every x (series with a running coefficient for
    /// x*x <= 1/2, otherwise pi/2 - arcsin(sqrt(1 - x*x))). x may be res.
    KVnum* Arcsin(KVnum* x);
    /// arccos x = pi/2 - arctan(x / sqrt(1 - x*x)); 1 gives 0, -1 gives pi,
    /// x*x > 1 is refused like Arcsin's; |x| < 10^-(4h+8) gives pi/2.
    /// x may be res.
    KVnum* Arccos(KVnum* x);
    /// pi by 16 arctan(1/5) - 4 arctan(1/239), computed on every call.
    KVnum* Pi();
    /// e by the sum of 1/k!, computed on every call.
    KVnum* e();
    /// The golden ratio (1 + sqrt 5) / 2, the root by Iroot.
    KVnum* PHI();
    /// m! for the integer part m of x, each product cut to the precision
    /// (exact while m! fits). 0 <= x < 1 gives 1; x < 0: "x must not be
    /// negative" and 0; x >= 1000000: "x must be less than 1000000" and 0.
    /// Bound: the m - 1 cuts cost less than (m - 1) u; for m >= 10^(2h-1)
    /// (only below 12 limbs) the products run at 4 guard limbs, then cut.
    /// x may be res.
    KVnum* Factorial(KVnum* x);

private:
    // Sin (cosine false) and Cos: the plain series or the reduced argument.
    KVnum* trigRoute(KVnum* x, bool cosine);
    // Iroot's two routes (func/PowerRoot.cpp).
    bool plainRoot(const KVnum& X, int n, long maxPasses);
    void nearRoot(const KVnum& X, int n);

    KVnum res;
    int32_t nlimbs;
    // The methods' temporaries, kept from call to call (func/Scratch.h).
    // Never copied: a copy starts with its own, an assigned Func keeps its own.
    std::unique_ptr<kvfunc::Scratch> scratch;
};

/// "2." and the first 1008 decimal places of ln 10 (truncated).
extern KELVANE_API const char LN10_DIGITS[];
/// "3." and the first 1002 decimal places of pi (truncated).
extern KELVANE_API const char PI_DIGITS[];

#endif

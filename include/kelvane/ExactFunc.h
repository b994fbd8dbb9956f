/// \file
/// ExactFunc: Func's methods with every digit proven.
///
/// ExactFunc has exactly the public methods of Func, so a caller switches tier
/// by changing one type name. Where Func computes what its series give (its
/// last digits, and for some arguments many more, are not the true ones),
/// ExactFunc gives the true value truncated toward zero:
///
///   Let t be the true value of the method at its arguments as held
///   (arguments of another precision are first cut to the object's) and r
///   the result. Then r and t have the same sign, |r| <= |t|, and
///   |t| - |r| is less than one unit in r's last stored place; r is in normal
///   form with at least 4(nlimbs/2 - 2) + 1 significant digits.
///
/// So exact values come out exact: Iroot(4, 2) = 2, Fpower(2, 10) = 1024,
/// Fpower(4, 0.5) = 2, Alog(2) = 100, Afpower(2, 8) = 3, Log(1000) = 3,
/// Ln(1) = 0, Aln(0) = 1.
///
/// Each result is computed with a rigorous error bound at a working precision
/// above the object's; when the bound does not yet decide the truncation, the
/// precision is raised and the value computed again. Results that are
/// representable numbers (roots and powers that come out exactly, the trivial
/// exact points of the transcendental functions) are recognised and proven by
/// exact arithmetic, so every call ends.
///
/// Refused arguments keep Func's messages and substitute results, reported
/// through reportError(): Ln, Log of x <= 0 and Afpower of y <= 0: "x must be
/// greater than 0" and 0; Fpower of a base <= 0: the same message and 1;
/// Iroot with n <= 1: "Root must be greater than one." and 0, and of a
/// negative x with an even n: "x must not be negative for an even root." and
/// 0; Factorial of a negative: "x must not be negative" and 0. Afpower with a
/// base of 1 (or <= 0, after its report) ends the process with "Division by
/// zero", as Func's does. A true value outside the exponent range gives
/// "Exponent out of range." and 0. Sin, Cos and Tan of |x| >= 10^1000000,
/// whose reduction would need pi to more than a million places, give
/// "Argument too large for the reduction." and 0. Nothing else is refused.
///
/// Unlike Func's, every method reads all of its arguments before it writes
/// its result, so any argument may be the object's own result number.
/// Constants the methods need (ln 10, ln 2, pi) are computed once per process
/// at the largest precision asked so far and shared by all threads; no result
/// depends on that history.
#ifndef KELVANE_EXACTFUNC_H
#define KELVANE_EXACTFUNC_H

#include <kelvane/KVnum.h>

class KELVANE_API ExactFunc {
public:
    /// Precision as for KVnum(n): n >= 9 is taken, else PRECISION (atoi
    /// rules) when it reads as 9 or more, else 130. `res` starts at zero.
    explicit ExactFunc(int n);
    /// Independent copy: precision and result value.
    ExactFunc(const ExactFunc& other);
    ~ExactFunc();
    /// Copies the other's result value; this object keeps its own precision
    /// (the value is cut or widened to it), as Func's assignment does.
    ExactFunc& operator=(const ExactFunc& other);

    int Nlimbs() const { return nlimbs; }

    /// ln x, truncated. x <= 0: "x must be greater than 0" and 0.
    KVnum* Ln(KVnum* x);
    /// e^x, truncated.
    KVnum* Aln(KVnum* x);
    /// log10 x, truncated (exact for powers of ten). x <= 0 as Ln.
    KVnum* Log(KVnum* x);
    /// x / ln 10, truncated.
    KVnum* LntoLog(KVnum* x);
    /// 10^x, truncated (exact for integers x).
    KVnum* Alog(KVnum* x);
    /// x^y, truncated (exact when x^y is representable). A base <= 0:
    /// "x must be greater than 0" and 1.
    KVnum* Fpower(KVnum* x, KVnum* y);
    /// log y to the base x, truncated (exact when it is representable).
    /// y <= 0: "x must be greater than 0" and 0; x = 1, or x <= 0 after that
    /// report, ends the process with "Division by zero".
    KVnum* Afpower(KVnum* x, KVnum* y);
    /// The n-th root of x, truncated (exact when the root is representable);
    /// odd roots of negative x are negative. n <= 1 and even roots of
    /// negative x are refused as by Func.
    KVnum* Iroot(KVnum* x, int n);
    /// x degrees in radians (x pi / 180), truncated.
    KVnum* DtoR(KVnum* x);
    /// x radians in degrees (180 x / pi), truncated.
    KVnum* RtoD(KVnum* x);
    /// sin x (radians), truncated; any |x| < 10^1000000 (reduced modulo
    /// pi/2 with pi to the argument's integer digits and the working ones).
    KVnum* Sin(KVnum* x);
    /// cos x (radians), truncated; any |x| < 10^1000000, as Sin.
    KVnum* Cos(KVnum* x);
    /// tan x (radians), truncated; any |x| < 10^1000000, as Sin (no
    /// representable x is an odd multiple of pi/2).
    KVnum* Tan(KVnum* x);
    /// arctan x in radians, truncated; any x (arctan 1 = pi/4).
    KVnum* Arctan(KVnum* x);
    /// arcsin x in radians, truncated. x*x > 1: "x^2 must be less than or
    /// equal to 1" and 0.
    KVnum* Arcsin(KVnum* x);
    /// arccos x in radians, truncated; x*x > 1 refused as by Arcsin.
    KVnum* Arccos(KVnum* x);
    /// pi, truncated.
    KVnum* Pi();
    /// e, truncated.
    KVnum* e();
    /// The golden ratio (1 + sqrt 5) / 2, truncated.
    KVnum* PHI();
    /// m! for the integer part m of x, truncated (exact while it fits).
    /// x < 0: "x must not be negative" and 0.
    KVnum* Factorial(KVnum* x);

private:
    KVnum res;
    int32_t nlimbs;
};

#endif

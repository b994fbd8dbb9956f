// The exact tier's circular functions and pi, as the exact function object
// calls them. Internal header, never installed.
//
// Each leaves in *res (whose precision it keeps) the true value at x, cut
// toward zero to res's precision: the head limb full (4(nlimbs/2 - 2) + 4
// significant digits), nothing rounded. x is first cut to res's precision.
// Arguments outside a domain are reported with the messages of the plain
// functions and leave their substitute result; a value beyond the exponent
// range leaves 0 after "Exponent out of range.". res may be x itself.
#ifndef KELVANE_EXACT_CIRCULAR_H
#define KELVANE_EXACT_CIRCULAR_H

#include <kelvane/KVnum.h>

namespace kvtrig {

void exactPi(KVnum* res);
// x degrees in radians (x pi / 180), x radians in degrees (180 x / pi) and
// a natural logarithm x as a common one (x / ln 10): each one product with
// the constant cached to the places asked for (exact/Conversions.cpp).
void exactDtoR(const KVnum& x, KVnum* res);
void exactRtoD(const KVnum& x, KVnum* res);
void exactLntoLog(const KVnum& x, KVnum* res);
// Angles in radians. The argument is reduced modulo pi/2 with pi carried to
// the argument's integer digits plus the working digits, so every argument
// below 10^1000000 comes out right (the first such call of a process with
// about 10^6 integer digits computes pi to them: some 4 s). A larger one
// needs more places of pi than a call may take: "Argument too large for the
// reduction." and 0.
void exactSin(const KVnum& x, KVnum* res);
void exactCos(const KVnum& x, KVnum* res);
void exactTan(const KVnum& x, KVnum* res);
// Results in radians: arctan in (-pi/2, pi/2), arcsin in [-pi/2, pi/2],
// arccos in [0, pi]; |x| > 1 for arcsin and arccos: "x^2 must be less than or
// equal to 1" and 0.
void exactArctan(const KVnum& x, KVnum* res);
void exactArcsin(const KVnum& x, KVnum* res);
void exactArccos(const KVnum& x, KVnum* res);

}  // namespace kvtrig

#endif

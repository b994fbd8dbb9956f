// kvcalc: elementary functions on balls.
//
// Each function returns a ball that holds f(t) for every t of its argument's
// ball, at about `W` limbs. It evaluates f at the midpoint with the exact
// tier (the true value truncated: a ball of one unit in its last place) and
// widens the result by a bound on |f'| over the argument's ball times its
// radius. Domain questions are answered only from
// the ball: an argument that is outside the domain for certain gives the
// library's message, one that straddles the edge throws NeedPrecision.
#ifndef KVCALC_BALLFUNC_H
#define KVCALC_BALLFUNC_H

#include "Ball.h"

namespace kvcalc {

Ball piBall(int W);

Ball expBall(const Ball& x, int W);
/// ln x for x > 0.
Ball lnBall(const Ball& x, int W);
Ball sinBall(const Ball& x, int W);
Ball cosBall(const Ball& x, int W);
/// sin and cos together (one reduction).
void sinCosBall(const Ball& x, int W, Ball& s, Ball& c);
Ball atanBall(const Ball& x, int W);
/// sqrt for x >= 0; root(x, n) for n >= 2 (odd n: any sign).
Ball sqrtBall(const Ball& x, int W);
Ball rootBall(const Ball& x, long long n, int W);
/// ln Gamma(x) for x > 0.
Ball lgammaBall(const Ball& x, int W);

/// Significant digits that `limbs` limbs hold.
inline int digitsAt(int limbs) { return 4 * (limbs / 2 - 1); }
/// Limbs that hold at least `digits` significant digits.
int limbsAt(int64_t digits);

}  // namespace kvcalc

#endif

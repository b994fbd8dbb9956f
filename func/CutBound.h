// Bounds on the error that a run of truncating operations accumulates,
// counted from the operands and results themselves. Internal header, never
// installed.
//
// Every operation of KVnum truncates, and what it cuts can be read off the
// numbers it leaves:
//  * a product is formed exactly and cut below the result's last place: off
//    by less than 10^Expo(result);
//  * a sum or difference first cuts the operand with the smaller exponent at
//    the other's last place (less than 10^max(Expo), nothing when the two
//    exponents are equal), then, when a carry lengthens the sum, drops its
//    lowest limb (less than 10^Expo(result), only when that is above both);
//    a cancellation moves the limbs up and cuts nothing;
//  * a quotient is cut at the dividend's last place (less than
//    10^Expo(dividend)) and then to the precision (less than 10^Expo(result)
//    when that is higher); a dividend that compares equal to the divisor
//    gives exactly 1, off by less than 10^max(Expo) / |divisor|.
// A series summed with these operations can so carry, beside its sum, a
// proven bound on its distance from the exact sum, from the places its own
// numbers really have (not the worst a precision allows), for a few long
// double operations per step. Bounds are kept as log10 of their magnitude,
// NONE for an exact value, so that they span every exponent; each sum of two
// bounds is rounded up, so the long double arithmetic never makes one
// smaller than it is.
#ifndef KELVANE_FUNC_CUTBOUND_H
#define KELVANE_FUNC_CUTBOUND_H

#include <cstdint>

#include <kelvane/KVnum.h>

namespace kvfunc {
namespace cut {

/// log10 of 0: the bound of an exact value.
extern const long double NONE;

/// v moved up by far more than a long double operation's rounding error.
long double up(long double v);
/// log10(10^a + 10^b), rounded up.
long double plus(long double a, long double b);
/// log10(10^a * 10^b) = a + b, rounded up.
long double times(long double a, long double b);

/// log10 |v| rounded up, and rounded down; NONE for 0.
long double hi(const KVnum& v);
long double lo(const KVnum& v);

/// An operand as it was before an operation that overwrites it.
struct Was {
    int32_t expo;
    bool zero;
    bool minus;
    long double hi;  // log10 |value|, rounded up
};
Was was(const KVnum& v);

/// What the product now in r lost to its cut.
long double mul(const KVnum& r);
/// What a sum or difference of a and b, now in r, lost to its cuts.
long double add(const Was& a, const Was& b, const KVnum& r);
/// What the quotient a / b (b non-zero, and not equal to 1 under ==), now
/// in r, lost to its cuts.
long double div(const Was& a, const KVnum& b, const KVnum& r);

/// A signed error: computed - exact lies in [-10^dn, 10^up]. Every cut is
/// toward zero, so its sign is known (a positive result only loses), and
/// in an alternating series the cuts of successive terms offset each other
/// instead of adding up.
struct Err {
    long double dn = NONE, up = NONE;
};
/// Sum of two errors; the error of a negated value; of a value scaled by
/// 10^lg (negative: a negative factor); the larger side.
Err sum(const Err& a, const Err& b);
Err negated(const Err& a);
Err scaled(const Err& a, long double lg, bool negative);
long double widest(const Err& a);
/// What a cut toward zero of a value of that sign, by less than 10^e, does.
Err towardZero(bool minus, long double e);
/// The signed cuts of a product, of a += b or a -= b (`subtract`), and of
/// a quotient, as mul, add and div above.
Err mulSigned(const KVnum& r);
Err addSigned(const Was& a, const Was& b, bool subtract, const KVnum& r);
Err divSigned(const Was& a, const KVnum& b, const KVnum& r);

/// The error of a term t = p / f against x^m / m!, from the error eP of p
/// against x^m and the relative error rF of f against m! (f a product of
/// integers cut toward zero, so f <= m!), with the quotient's own cut.
Err term(const KVnum& t, const KVnum& p, const Err& eP, long double rF, const KVnum& f);

/// The relative error bound of a running product of integers (a factorial)
/// after the product now in f, from the bound r before it: f is an integer,
/// and exact while its last place is at most 1.
long double intProduct(long double r, const KVnum& f);

/// log10 k!, rounded down.
long double lfactLo(long long k);

/// Where the a-priori bound of a plain series misses half the digits by at
/// most this many, the series is summed with its cuts counted as they come
/// and kept when that count proves half the digits; further out the other
/// route is taken at once. The a-priori bounds take every cut at its worst
/// (a head limb of one digit, every partial sum as large as e^|x|), which
/// near their edge is one or two digits more than the cuts really cost.
const long double TRY_DIGITS = 3;

/// True when a result s that is off by less than 10^err from the true value
/// agrees with it to a relative 10^-2h (h = n/2 - 2), half of the digits a
/// number of n limbs is sure to hold.
bool halfRight(long double err, const KVnum& s, int n);

}  // namespace cut
}  // namespace kvfunc

#endif

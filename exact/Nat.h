// Natural numbers of any length in base-10000 limbs, for the exact tier's
// own fixed-point work (pi, the trigonometric functions and their inverses).
//
// Internal header, never installed. A Nat is a plain vector of limbs, least
// significant first, without leading zero limbs (zero is the empty vector).
// Every operation is exact or says how it cuts (always toward zero), so that
// the callers can count each cut into their error bounds. The heavy loops are
// the library's limb kernels (number/kernels.h).
#ifndef KELVANE_EXACT_NAT_H
#define KELVANE_EXACT_NAT_H

#include <cstdint>
#include <string>
#include <vector>

#include "number/kernels.h"

namespace kvtrig {

struct Nat {
    std::vector<kv::limb_t> d;

    Nat() = default;
    explicit Nat(uint64_t v) { set(v); }
    void set(uint64_t v);
    bool isZero() const { return d.empty(); }
    int size() const { return static_cast<int>(d.size()); }
    void trim();
    // Number of decimal digits (0 for zero).
    int64_t digits() const;
    // The value as a double, or log10 of it for values beyond double's range.
    double toDouble() const;
    double log10() const;
    // Low 64 bits' worth: the value when it is below 10^16.
    uint64_t low64() const;
    std::string toString() const;
};

int cmp(const Nat& a, const Nat& b);
inline bool operator<(const Nat& a, const Nat& b) { return cmp(a, b) < 0; }
inline bool operator==(const Nat& a, const Nat& b) { return a.d == b.d; }
inline bool operator!=(const Nat& a, const Nat& b) { return a.d != b.d; }

Nat add(const Nat& a, const Nat& b);
// a - b; a >= b.
Nat sub(const Nat& a, const Nat& b);
void addSmall(Nat& a, uint32_t v);
// a -= v; a >= v.
void subSmall(Nat& a, uint32_t v);
Nat mul(const Nat& a, const Nat& b);
// a * m and a *= m, m < 10^14.
Nat mulSmall(const Nat& a, uint64_t m);
void mulSmallInPlace(Nat& a, uint64_t m);
// floor(a / m), 0 < m < 10^12 (one short division below 10^8).
Nat divSmall(const Nat& a, uint64_t m);
// floor(a / 2), without a division.
Nat half(Nat a);
// floor(a / b), b > 0.
Nat divFloor(const Nat& a, const Nat& b);
// ceil(a / b), b > 0.
Nat divCeil(const Nat& a, const Nat& b);
// a * 10^k, k >= 0.
Nat mulPow10(const Nat& a, int64_t k);
// floor(a / 10^k), k >= 0.
Nat divPow10(const Nat& a, int64_t k);
// a * 10^k for any k, the quotient cut toward zero when k < 0.
inline Nat scale10(const Nat& a, int64_t k) { return k >= 0 ? mulPow10(a, k) : divPow10(a, -k); }
// floor(sqrt(a)); the second form into storage the caller keeps.
Nat isqrt(const Nat& a);
void isqrt(const Nat& a, Nat& s);
// s = floor(sqrt(a)) and r = a - s^2 (so 0 <= r <= 2s), by the
// divide-and-conquer root: the root of the top half of a's limbs, one
// quotient of half the length and the exact remainder.
void sqrtRem(const Nat& a, Nat& s, Nat& r);
// floor(cbrt(a)).
Nat icbrt(const Nat& a);
// 10^k.
Nat pow10(int64_t k);

// The same into a number the caller keeps from step to step, so that a
// loop reuses its storage instead of allocating at every step. `out` must
// not be an operand unless the comment says so.
// out = a - b, a >= b; out may be a.
void subInto(Nat& out, const Nat& a, const Nat& b);
// out = a + b; out may be a.
void addInto(Nat& out, const Nat& a, const Nat& b);
// out = floor(a * b / 10000^k); out may be a or b.
void mulShiftInto(Nat& out, const Nat& a, const Nat& b, int k, Nat& scratch);
// out = floor(a / m), 0 < m < 10^12.
void divSmallInto(Nat& out, const Nat& a, uint64_t m);

// Signed integers on top of Nat (the sums of the binary splitting).
struct Int {
    Nat m;
    bool neg = false;
};
Int addInt(const Int& a, const Int& b);
inline Int mulInt(const Int& a, const Int& b) {
    Int r{mul(a.m, b.m), a.neg != b.neg};
    if (r.m.isZero()) r.neg = false;
    return r;
}

}  // namespace kvtrig

#endif

// Products of long limb arrays by number-theoretic transforms. Internal to
// the kernels (kernels_mul.cpp, kernels_div.cpp), never installed.
#ifndef KELVANE_KERNELS_NTT_H
#define KELVANE_KERNELS_NTT_H

#include <cstddef>
#include <cstdint>

#include "kernels.h"

namespace kv {

// The longest product, in base-10^8 digits ((un + 1) / 2 + (vn + 1) / 2),
// that the transforms form exactly.
const int NTT_MAX_DIGITS = 1 << 26;

// w[0..un+vn) := u[0..un) x v[0..vn), exact: kv::mul's contract, for
// operands of up to NTT_MAX_DIGITS digits in all. u == v with un == vn is a
// square and takes one transform fewer. Its storage is KSLOT_NTT.
void nttMul(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn);

// w[0..2N) := u[0..un) x v[0..vn) modulo 10^(8N) - 1 (the cyclic product
// of length N base-10^8 digits: the digits from N up come in again at 0), N
// a power of two that nttLength gives, each operand at most N digits. The
// result may be 10^(8N) - 1 for 0. For a product whose value is known to lie
// within half that modulus of a known number, this is half the work of the
// whole product.
void nttMulMod(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn, int N);

// Keeps the forward transforms of length N (a power of two from nttLength)
// of v[0..vn) ((vn + 1) / 2 <= N) in keep k (0 or 1, storage KSLOT_KEPT0 and
// KSLOT_KEPT1 of this thread), for several products by v: each then takes
// two thirds of the work. v itself is not read again; the keep lasts until
// the next nttKeep with the same k.
void nttKeep(int k, const limb_t* v, int vn, int N);

// w[0..un+vn) := u[0..un) x v, v kept in keep k, for a product of at most N
// columns ((un + 1) / 2 + (vn + 1) / 2 - 1 <= N).
void nttMulKept(limb_t* w, const limb_t* u, int un, int k);

// w[0..2N) := u[0..un) x v modulo 10^(8N) - 1, v kept in keep k of length
// N, (un + 1) / 2 <= N (as nttMulMod).
void nttMulModKept(limb_t* w, const limb_t* u, int un, int k);

// The transform length (a power of two, at least 4) for n base-10^8 digits.
int nttLength(int digits);

// Bytes of scratch storage a transform of length N takes.
size_t nttScratchBytes(int N);

}  // namespace kv

#endif

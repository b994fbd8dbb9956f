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

// Bytes of scratch storage nttMul takes for a product of n base-10^8 columns.
size_t nttScratchBytes(int n);

}  // namespace kv

#endif

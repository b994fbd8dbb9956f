// Shared by the kernel sources (kernels*.cpp) and by nothing else: the one
// way a hot loop gets a build for processors with AVX2, and the regrouping
// of base-10^4 limbs into the base-10^8 digits that the product and quotient
// loops work in.
#ifndef KELVANE_NUMBER_KERNELS_IMPL_H
#define KELVANE_NUMBER_KERNELS_IMPL_H

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "kernels.h"

// KV_CLONES before a function gives it a second build for processors with
// AVX2, chosen once when the library is loaded (GCC's target_clones), so a
// loop written for the vectoriser runs at the widest width the processor
// has. Not under ThreadSanitizer: the loader runs the choosing resolver
// before that runtime is set up, and the process dies at start; nor with
// clang, whose fuzzing builds need no speed.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define KV_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KV_CLONES
#endif

namespace kv {

// Base-10^4 limbs to base-10^8 digits: d[j] = u[2j] + 10^4 u[2j+1]; returns
// the digit count (un + 1) / 2.
inline int toDigits(uint32_t* d, const limb_t* u, int un) {
    const int dn = (un + 1) / 2;
    for (int j = 0; j < un / 2; ++j)
        d[j] = static_cast<uint32_t>(u[2 * j]) + static_cast<uint32_t>(u[2 * j + 1]) * 10000u;
    if (un & 1) d[dn - 1] = static_cast<uint32_t>(u[un - 1]);
    return dn;
}

// Base-10^8 digits to wn base-10^4 limbs. For an odd wn the digit d[wn/2] is
// read and only its low half kept (its high half must be 0).
inline void toLimbs(limb_t* w, const uint32_t* d, int wn) {
    for (int j = 0; j < wn / 2; ++j) {
        w[2 * j] = static_cast<limb_t>(d[j] % 10000u);
        w[2 * j + 1] = static_cast<limb_t>(d[j] / 10000u);
    }
    if (wn & 1) w[wn - 1] = static_cast<limb_t>(d[wn / 2] % 10000u);
}

// Bump allocator over one scratch block. Passed by value, so what a callee
// takes is given back when it returns.
template <class T>
struct BumpWork {
    T* p;
    size_t left;
    T* take(size_t n) {
        assert(n <= left);
        T* r = p;
        p += n;
        left -= n;
        return r;
    }
};

}  // namespace kv

#endif

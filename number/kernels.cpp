// Limb kernels: moving, cutting, comparing, adding and subtracting, and the
// per-thread scratch storage. Multiplication is in kernels_mul.cpp, division
// in kernels_div.cpp. See kernels.h for the contracts.
#if defined(__GNUC__) && !defined(__clang__)
// The limb loops are written for the vectoriser; -O2 leaves them scalar.
#pragma GCC optimize("O3")
#endif

#include "kernels_impl.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#include <kelvane/KVerror.h>
#include "opcount.h"

namespace kv {

#ifdef KELVANE_COUNT_OPS
long long opCounts[OP_KINDS];
long long opSizes[OP_KINDS][OP_SIZES];
long long opQuot[OP_KINDS][OP_SIZES];
#endif

const KernelSet* kernelSet = nullptr;
Thresholds thresholds = DEFAULT_THRESHOLDS;

void setKernelSet(const KernelSet* set) { kernelSet = set; }

void zero_n(limb_t* w, int n) {
    if (n > 0) std::memset(w, 0, sizeof(limb_t) * static_cast<size_t>(n));
}

void copy_n(limb_t* w, const limb_t* u, int n) {
    if (w != u && n > 0) std::memmove(w, u, sizeof(limb_t) * static_cast<size_t>(n));
}


void shift_up(limb_t* u, int n, int k) {
    assert(k >= 0);
    if (k == 0) return;
    if (k >= n) {
        zero_n(u, n);
        return;
    }
    std::memmove(u + k, u, sizeof(limb_t) * static_cast<size_t>(n - k));
    zero_n(u, k);
}

void shift_down(limb_t* u, int n, int k) {
    assert(k >= 0);
    if (k == 0) return;
    if (k >= n) {
        zero_n(u, n);
        return;
    }
    std::memmove(u, u + k, sizeof(limb_t) * static_cast<size_t>(n - k));
    zero_n(u + n - k, k);
}


// Small integers and short numbers carry long runs of zero low limbs: blocks
// of eight limbs are tested at once (a loop without an exit, which the
// compiler vectorises), then the first block with a non-zero limb is
// searched.
// The limbs above a number's head are zero, and a number's array is about
// twice its significant length: blocks of eight limbs from the top are
// tested at once, as in low_n.
KV_CLONES int top_n(const limb_t* u, int n) {
    int i = n;
    for (; i >= 8; i -= 8) {
        limb_t x = 0;
        for (int k = 0; k < 8; ++k) x |= u[i - 8 + k];
        if (x != 0) break;
    }
    while (i > 0 && u[i - 1] == 0) --i;
    return i - 1;
}

KV_CLONES int low_n(const limb_t* u, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        limb_t x = 0;
        for (int k = 0; k < 8; ++k) x |= u[i + k];
        if (x != 0) break;
    }
    while (i < n && u[i] == 0) ++i;
    return i;
}

namespace {

// Division of a limb (below 10000) by P = 10, 100 or 1000 as a multiply and
// a shift, exact for every limb: x / P = (x M) >> S.
struct DigitCut {
    uint32_t P, M;
    int S;
};
const DigitCut CUTS[4] = {{1, 1, 0}, {10, 52429, 19}, {100, 41944, 22}, {1000, 33555, 25}};

// d[j] := r[j] / P + (r[j+1] % P) x (10000 / P) for j < m - 1, separate
// arrays. Every limb is computed on its own: no remainder runs from limb to
// limb, and there is no division.
KV_CLONES void cutLoop(uint32_t* __restrict d, const uint32_t* __restrict r, int m, DigitCut c) {
    const uint32_t up = static_cast<uint32_t>(BASE) / c.P;
    for (int j = 0; j + 1 < m; ++j) {
        const uint32_t hi1 = (r[j + 1] * c.M) >> c.S;
        d[j] = ((r[j] * c.M) >> c.S) + (r[j + 1] - hi1 * c.P) * up;
    }
}

// Limb j of floor(u / 10^(4q + digits of P)) for P = 10, 100, 1000: the
// high part of limb j+q and the low part of limb j+q+1.
void cutLimbs(limb_t* w, const limb_t* u, int n, int q, const DigitCut& c) {
    const int m = n - q;  // limbs of the result that can be non-zero
    const uint32_t* s = reinterpret_cast<const uint32_t*>(u) + q;
    uint32_t* d = reinterpret_cast<uint32_t*>(w);
    const uintptr_t wa = reinterpret_cast<uintptr_t>(w), ua = reinterpret_cast<uintptr_t>(u);
    if (wa + sizeof(limb_t) * static_cast<size_t>(m) <= ua || ua + sizeof(limb_t) * static_cast<size_t>(n) <= wa) {
        cutLoop(d, s, m, c);
    } else {
        // In place (w = u): each limb reads only itself and the limb above,
        // which is not written yet.
        for (int j = 0; j + 1 < m; ++j) d[j] = s[j] / c.P + (s[j + 1] % c.P) * (BASE / c.P);
    }
    if (m > 0) w[m - 1] = static_cast<limb_t>(static_cast<uint32_t>(u[n - 1]) / c.P);
}

template <limb_t P>
int cmpCut(const limb_t* u, const limb_t* v, int n, int q) {
    // From the top down; the first limb that differs decides.
    for (int i = n - 1; i >= 0; --i) {
        limb_t t = 0;
        if (i + q < n) {
            t = u[i + q] / P;
            if (i + q + 1 < n) t += (u[i + q + 1] % P) * (BASE / P);
        }
        if (t != v[i]) return t > v[i] ? 1 : -1;
    }
    return 0;
}

}  // namespace

void trunc_digits(limb_t* w, const limb_t* u, int n, int64_t d) {
    assert(d >= 0);
    if (kernelSet && kernelSet->trunc_digits) return kernelSet->trunc_digits(w, u, n, d);
    if (d >= 4 * static_cast<int64_t>(n)) {
        zero_n(w, n);
        return;
    }
    const int q = static_cast<int>(d / 4);
    // Reads run ahead of writes, so w may equal u.
    switch (d % 4) {
        case 0:
            if (w == u) {
                shift_down(w, n, q);
                return;
            }
            copy_n(w, u + q, n - q);
            break;
        default: cutLimbs(w, u, n, q, CUTS[d % 4]); break;
    }
    zero_n(w + n - q, q);
}

namespace {

template <uint32_t F>
void scaleLimbs(limb_t* __restrict w, const limb_t* __restrict u, int n) {
    const uint32_t* s = reinterpret_cast<const uint32_t*>(u);
    uint32_t* d = reinterpret_cast<uint32_t*>(w);
    const uint32_t G = static_cast<uint32_t>(BASE) / F;
    d[0] = (s[0] % G) * F;
    for (int j = 1; j < n; ++j) d[j] = (s[j] % G) * F + s[j - 1] / G;
    d[n] = s[n - 1] / G;
}

}  // namespace

void scale_digits(limb_t* w, const limb_t* u, int n, int p) {
    assert(n >= 1 && p >= 0 && p <= 3);
    switch (p) {
        case 0:
            copy_n(w, u, n);
            w[n] = 0;
            break;
        case 1: scaleLimbs<10>(w, u, n); break;
        case 2: scaleLimbs<100>(w, u, n); break;
        default: scaleLimbs<1000>(w, u, n); break;
    }
}

int cmp_n(const limb_t* u, const limb_t* v, int n) {
    if (kernelSet && kernelSet->cmp_n) return kernelSet->cmp_n(u, v, n);
    // Blocks of eight limbs from the top are tested at once (a loop without
    // an exit, which the compiler vectorises); the first block that differs
    // is then searched limb by limb.
    int i = n;
    for (; i >= 8; i -= 8) {
        limb_t x = 0;
        for (int k = 0; k < 8; ++k) x |= u[i - 8 + k] ^ v[i - 8 + k];
        if (x != 0) break;
    }
    for (int j = i - 1; j >= 0; --j)
        if (u[j] != v[j]) return u[j] > v[j] ? 1 : -1;
    return 0;
}

int cmp_trunc(const limb_t* u, const limb_t* v, int n, int64_t d) {
    assert(d >= 0);
    if (kernelSet && kernelSet->cmp_trunc) return kernelSet->cmp_trunc(u, v, n, d);
    if (d >= 4 * static_cast<int64_t>(n)) {
        for (int i = n - 1; i >= 0; --i)
            if (v[i] != 0) return -1;
        return 0;
    }
    const int q = static_cast<int>(d / 4);
    switch (d % 4) {
        case 0: {
            // Whole limbs: v's limbs from n - q up face zeros, the rest u's
            // limbs q above.
            for (int i = n - 1; i >= n - q; --i)
                if (v[i] != 0) return -1;
            return cmp_n(u + q, v, n - q);
        }
        case 1: return cmpCut<10>(u, v, n, q);
        case 2: return cmpCut<100>(u, v, n, q);
        default: return cmpCut<1000>(u, v, n, q);
    }
}

// Addition and subtraction keep the carries out of the limb loop. One pass,
// run from the top down, forms each limb sum, reduces it, and adds the carry
// out of the limb below, computed afresh from the two limbs below (which,
// going down, are not written yet, so w may be u or v). Only a limb that was
// 9999 before that carry can overflow again (reach 10000; a borrow, -1).
// Such limbs are then found by a scan eight limbs at a time, and from each
// the carry runs up through the 9999s above it, and no further: the main
// pass has no chain and the compiler vectorises it, and the carry chains
// cost only their own length.

namespace {

// Carries out of the limbs of w[0..n) that reached BASE, each passed up
// until it stops; returns the carry out of limb n-1.
inline limb_t rippleCarries(limb_t* w, int n) {
    int i = 0;
    for (;;) {
        for (; i + 8 <= n; i += 8) {
            limb_t x = 0;
            for (int k = 0; k < 8; ++k) x |= w[i + k] >= BASE;
            if (x) break;
        }
        while (i < n && w[i] < BASE) ++i;
        if (i == n) return 0;
        do {
            w[i] -= BASE;
            if (++i == n) return 1;
        } while (++w[i] >= BASE);
    }
}

// Borrows out of the limbs of w[0..n) that went below 0, the same way.
inline limb_t rippleBorrows(limb_t* w, int n) {
    int i = 0;
    for (;;) {
        for (; i + 8 <= n; i += 8) {
            limb_t x = 0;
            for (int k = 0; k < 8; ++k) x |= w[i + k] < 0;
            if (x) break;
        }
        while (i < n && w[i] >= 0) ++i;
        if (i == n) return 0;
        do {
            w[i] += BASE;
            if (++i == n) return 1;
        } while (--w[i] < 0);
    }
}

}  // namespace

KV_CLONES limb_t add_n(limb_t* w, const limb_t* u, const limb_t* v, int n) {
    if (kernelSet && kernelSet->add_n) return kernelSet->add_n(w, u, v, n);
    if (n <= 0) return 0;
    const limb_t out = u[n - 1] + v[n - 1] >= BASE;
    limb_t over = 0;
    for (int i = n - 1; i > 0; --i) {
        const limb_t s = u[i] + v[i];
        const limb_t t = s - (s >= BASE ? BASE : 0) + (u[i - 1] + v[i - 1] >= BASE);
        over |= t >= BASE;
        w[i] = t;
    }
    const limb_t s0 = u[0] + v[0];
    w[0] = s0 - (s0 >= BASE ? BASE : 0);
    if (!over) return out;
    return out | rippleCarries(w, n);
}

KV_CLONES limb_t sub_n(limb_t* w, const limb_t* u, const limb_t* v, int n) {
    if (kernelSet && kernelSet->sub_n) return kernelSet->sub_n(w, u, v, n);
    if (n <= 0) return 0;
    const limb_t out = u[n - 1] - v[n - 1] < 0;
    limb_t under = 0;
    for (int i = n - 1; i > 0; --i) {
        const limb_t s = u[i] - v[i];
        const limb_t t = s + (s < 0 ? BASE : 0) - (u[i - 1] - v[i - 1] < 0);
        under |= t < 0;
        w[i] = t;
    }
    const limb_t s0 = u[0] - v[0];
    w[0] = s0 + (s0 < 0 ? BASE : 0);
    if (!under) return out;
    return out | rippleBorrows(w, n);
}

namespace {

// One pool type serves both slot sets.
const int POOL_SLOTS = static_cast<int>(SCRATCH_SLOTS) > static_cast<int>(KERNEL_SLOTS) ? static_cast<int>(SCRATCH_SLOTS)
                                                                                     : static_cast<int>(KERNEL_SLOTS);

struct ScratchPool {
    void* buf[POOL_SLOTS] = {};
    size_t cap[POOL_SLOTS] = {};
    ~ScratchPool() {
        for (int i = 0; i < POOL_SLOTS; ++i) std::free(buf[i]);
    }
    void* get(int slot, size_t bytes) {
        assert(slot >= 0 && slot < POOL_SLOTS);
        if (cap[slot] < bytes) {
            // Grow geometrically so that a run of slowly rising sizes
            // reallocates only a few times.
            size_t want = bytes < 256 ? 256 : bytes;
            if (want < 2 * cap[slot]) want = 2 * cap[slot];
            std::free(buf[slot]);
            buf[slot] = std::malloc(want);
            if (!buf[slot]) {
                cap[slot] = 0;
                reportFatal("Memory allocation failure.");
            }
            cap[slot] = want;
        }
        return buf[slot];
    }
};
thread_local ScratchPool numberPool;
thread_local ScratchPool kernelPool;

}  // namespace

limb_t* scratch(ScratchSlot slot, size_t n) {
    if (n == 0) n = 1;
    if (n > SIZE_MAX / sizeof(limb_t)) reportFatal("Memory allocation failure.");
    return static_cast<limb_t*>(numberPool.get(slot, n * sizeof(limb_t)));
}

void* kscratch(KernelSlot slot, size_t bytes) { return kernelPool.get(slot, bytes ? bytes : 1); }

}  // namespace kv

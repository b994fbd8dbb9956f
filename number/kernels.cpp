// Plain limb kernels. See kernels.h for the contracts.
#include "kernels.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KVerror.h"

namespace kv {

void zero_n(limb_t* w, int n) {
    if (n > 0) std::memset(w, 0, sizeof(limb_t) * static_cast<size_t>(n));
}

void copy_n(limb_t* w, const limb_t* u, int n) {
    if (w != u && n > 0) std::memmove(w, u, sizeof(limb_t) * static_cast<size_t>(n));
}

int top_n(const limb_t* u, int n) {
    for (int i = n - 1; i >= 0; --i)
        if (u[i] != 0) return i;
    return -1;
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

static const limb_t POW10[5] = {1, 10, 100, 1000, 10000};

void trunc_digits(limb_t* w, const limb_t* u, int n, int64_t d) {
    assert(d >= 0);
    if (d >= 4 * static_cast<int64_t>(n)) {
        zero_n(w, n);
        return;
    }
    copy_n(w, u, n);
    shift_down(w, n, static_cast<int>(d / 4));
    const limb_t p = POW10[d % 4];
    if (p == 1) return;
    limb_t rem = 0;
    for (int j = n - 1; j >= 0; --j) {
        const limb_t cur = rem * BASE + w[j];
        w[j] = cur / p;
        rem = cur % p;
    }
}

int cmp_n(const limb_t* u, const limb_t* v, int n) {
    for (int i = n - 1; i >= 0; --i)
        if (u[i] != v[i]) return u[i] > v[i] ? 1 : -1;
    return 0;
}

limb_t add_n(limb_t* w, const limb_t* u, const limb_t* v, int n) {
    limb_t carry = 0;
    for (int i = 0; i < n; ++i) {
        limb_t s = u[i] + v[i] + carry;
        carry = s >= BASE;
        w[i] = carry ? s - BASE : s;
    }
    return carry;
}

limb_t sub_n(limb_t* w, const limb_t* u, const limb_t* v, int n) {
    limb_t borrow = 0;
    for (int i = 0; i < n; ++i) {
        limb_t s = u[i] - v[i] - borrow;
        borrow = s < 0;
        w[i] = borrow ? s + BASE : s;
    }
    return borrow;
}

void mul(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn) {
    assert(un >= 1 && vn >= 1);
    // Column sums in 64 bits: each limb product is below 10^8, so a column of
    // even a million products cannot overflow; carries are resolved once.
    const int wn = un + vn;
    thread_local std::vector<int64_t> col;
    col.assign(static_cast<size_t>(wn), 0);
    for (int i = 0; i < vn; ++i) {
        const int64_t vi = v[i];
        if (vi == 0) continue;
        int64_t* c = col.data() + i;
        for (int j = 0; j < un; ++j) c[j] += vi * u[j];
    }
    int64_t carry = 0;
    for (int k = 0; k < wn; ++k) {
        const int64_t s = col[static_cast<size_t>(k)] + carry;
        w[k] = static_cast<limb_t>(s % BASE);
        carry = s / BASE;
    }
    assert(carry == 0);
}

void divq(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn) {
    assert(vn >= 1 && un >= vn && v[vn - 1] != 0);
    const int qn = un - vn + 1;
    if (vn == 1) {
        // Short division: one pass, remainder carried down.
        const int64_t d = v[0];
        int64_t rem = 0;
        for (int i = un - 1; i >= 0; --i) {
            const int64_t cur = rem * BASE + u[i];
            q[i] = static_cast<limb_t>(cur / d);
            rem = cur % d;
        }
        return;
    }
    // Knuth's algorithm D in base 10000. Both operands are scaled by f so that
    // the divisor's top limb is at least BASE/2, which keeps the estimated
    // quotient limb at most two above the true one.
    limb_t* un_ = scratch(6, static_cast<size_t>(un) + 1);
    limb_t* vn_ = scratch(7, static_cast<size_t>(vn));
    const int64_t f = BASE / (static_cast<int64_t>(v[vn - 1]) + 1);
    int64_t carry = 0;
    for (int i = 0; i < vn; ++i) {
        const int64_t s = v[i] * f + carry;
        vn_[i] = static_cast<limb_t>(s % BASE);
        carry = s / BASE;
    }
    carry = 0;
    for (int i = 0; i < un; ++i) {
        const int64_t s = u[i] * f + carry;
        un_[i] = static_cast<limb_t>(s % BASE);
        carry = s / BASE;
    }
    un_[un] = static_cast<limb_t>(carry);

    const int64_t vtop = vn_[vn - 1], vnext = vn_[vn - 2];
    for (int j = qn - 1; j >= 0; --j) {
        const int64_t num = static_cast<int64_t>(un_[j + vn]) * BASE + un_[j + vn - 1];
        int64_t qhat = num / vtop;
        int64_t rhat = num % vtop;
        while (qhat >= BASE || qhat * vnext > rhat * BASE + un_[j + vn - 2]) {
            --qhat;
            rhat += vtop;
            if (rhat >= BASE) break;
        }
        // un_[j .. j+vn] -= qhat * vn_
        int64_t borrow = 0, mcarry = 0;
        for (int i = 0; i < vn; ++i) {
            const int64_t p = qhat * vn_[i] + mcarry;
            mcarry = p / BASE;
            int64_t s = un_[i + j] - (p % BASE) - borrow;
            borrow = s < 0;
            un_[i + j] = static_cast<limb_t>(borrow ? s + BASE : s);
        }
        int64_t s = un_[j + vn] - mcarry - borrow;
        if (s < 0) {
            // qhat was one too large: add the divisor back once.
            un_[j + vn] = static_cast<limb_t>(s + BASE);
            --qhat;
            limb_t c = 0;
            for (int i = 0; i < vn; ++i) {
                limb_t t = un_[i + j] + vn_[i] + c;
                c = t >= BASE;
                un_[i + j] = c ? t - BASE : t;
            }
            un_[j + vn] = static_cast<limb_t>((un_[j + vn] + c) % BASE);
        } else {
            un_[j + vn] = static_cast<limb_t>(s);
        }
        q[j] = static_cast<limb_t>(qhat);
    }
}

namespace {
struct ScratchPool {
    limb_t* buf[SCRATCH_SLOTS] = {};
    size_t cap[SCRATCH_SLOTS] = {};
    ~ScratchPool() {
        for (int i = 0; i < SCRATCH_SLOTS; ++i) std::free(buf[i]);
    }
};
thread_local ScratchPool pool;
}  // namespace

limb_t* scratch(int slot, size_t n) {
    assert(slot >= 0 && slot < SCRATCH_SLOTS);
    if (n == 0) n = 1;
    if (pool.cap[slot] < n) {
        size_t want = n < 64 ? 64 : n;
        void* p = std::realloc(pool.buf[slot], want * sizeof(limb_t));
        if (!p) reportFatal("Memory allocation failure.");
        pool.buf[slot] = static_cast<limb_t*>(p);
        pool.cap[slot] = want;
    }
    return pool.buf[slot];
}

}  // namespace kv

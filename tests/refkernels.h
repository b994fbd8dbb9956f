// Reference limb loops for the kernel tests: the plainest loops that meet the
// contracts in number/kernels.h, written for obviousness, not speed. Base
// 10000, least significant limb first, every carry and borrow passed at once.
#ifndef KELVANE_REFKERNELS_H
#define KELVANE_REFKERNELS_H

#include <cstdint>
#include <vector>

namespace ref {

typedef std::vector<int32_t> Limbs;
const int32_t BASE = 10000;

// floor(u / 10^d) over the same number of limbs, one decimal digit at a time.
inline Limbs truncDigits(Limbs u, int64_t d) {
    for (int64_t s = 0; s < d; ++s) {
        int32_t rem = 0;
        for (int i = static_cast<int>(u.size()) - 1; i >= 0; --i) {
            const int32_t cur = rem * BASE + u[i];
            u[i] = cur / 10;
            rem = cur % 10;
        }
    }
    return u;
}

inline int cmp(const Limbs& u, const Limbs& v) {
    for (int i = static_cast<int>(u.size()) - 1; i >= 0; --i)
        if (u[i] != v[i]) return u[i] > v[i] ? 1 : -1;
    return 0;
}

// u + v over n limbs; the carry out goes to *carry.
inline Limbs add(const Limbs& u, const Limbs& v, int32_t* carry) {
    Limbs w(u.size());
    int32_t c = 0;
    for (size_t i = 0; i < u.size(); ++i) {
        int32_t s = u[i] + v[i] + c;
        c = 0;
        if (s >= BASE) {
            s -= BASE;
            c = 1;
        }
        w[i] = s;
    }
    *carry = c;
    return w;
}

// u - v over n limbs; the final borrow goes to *borrow.
inline Limbs sub(const Limbs& u, const Limbs& v, int32_t* borrow) {
    Limbs w(u.size());
    int32_t b = 0;
    for (size_t i = 0; i < u.size(); ++i) {
        int32_t s = u[i] - v[i] - b;
        b = 0;
        if (s < 0) {
            s += BASE;
            b = 1;
        }
        w[i] = s;
    }
    *borrow = b;
    return w;
}

// Schoolbook product with a carry at every step: the accumulator limb never
// holds more than one limb product plus one pending carry.
inline Limbs mul(const Limbs& u, const Limbs& v) {
    Limbs w(u.size() + v.size(), 0);
    for (size_t i = 0; i < v.size(); ++i) {
        for (size_t j = 0; j < u.size(); ++j) {
            w[i + j] += u[j] * v[i];
            if (w[i + j] >= BASE) {
                w[i + j + 1] += w[i + j] / BASE;
                w[i + j] %= BASE;
            }
        }
    }
    return w;
}

// Plain long division, one quotient limb at a time: the limb is the largest
// value d in 0..9999 with d x v not above the current remainder window, found
// by bisection, and d x v is then subtracted. Needs v's top limb non-zero and
// u.size() >= v.size(); gives u.size() - v.size() + 1 quotient limbs.
inline Limbs divq(const Limbs& u, const Limbs& v) {
    const int un = static_cast<int>(u.size()), vn = static_cast<int>(v.size());
    Limbs r(u);
    r.push_back(0);
    Limbs q(static_cast<size_t>(un - vn + 1), 0);
    Limbs prod(static_cast<size_t>(vn + 1));
    // prod := d x v (vn + 1 limbs).
    auto times = [&](int32_t d) {
        int32_t c = 0;
        for (int i = 0; i < vn; ++i) {
            const int32_t p = v[i] * d + c;
            prod[i] = p % BASE;
            c = p / BASE;
        }
        prod[vn] = c;
    };
    // Compares prod with the window r[j .. j+vn].
    auto fits = [&](int j) {
        for (int i = vn; i >= 0; --i)
            if (prod[i] != r[j + i]) return prod[i] < r[j + i];
        return true;
    };
    for (int j = un - vn; j >= 0; --j) {
        int32_t lo = 0, hi = BASE;  // lo fits, hi does not
        while (hi - lo > 1) {
            const int32_t mid = lo + (hi - lo) / 2;
            times(mid);
            if (fits(j))
                lo = mid;
            else
                hi = mid;
        }
        times(lo);
        int32_t b = 0;
        for (int i = 0; i <= vn; ++i) {
            int32_t s = r[j + i] - prod[i] - b;
            b = 0;
            if (s < 0) {
                s += BASE;
                b = 1;
            }
            r[j + i] = s;
        }
        q[j] = lo;
    }
    return q;
}

}  // namespace ref

#endif

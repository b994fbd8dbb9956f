// Helpers shared by the function object, logarithm and power tests:
// reference values, a comparison with a stated tolerance, and simple
// reference implementations of the plain series and iterations.
#ifndef KELVANE_TESTS_FUNC_CHECK_H
#define KELVANE_TESTS_FUNC_CHECK_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include "data/func_oracle.h"
#include "kvtest.h"

namespace funccheck {

// The reference row of `method` at (a, b); see tests/data/gen_func_oracle.py.
inline const FuncOracle& row(const char* method, const char* a, const char* b = "") {
    for (const FuncOracle& r : kFuncOracle)
        if (!std::strcmp(r.method, method) && !std::strcmp(r.a, a) && !std::strcmp(r.b, b))
            return r;
    ADD_FAILURE() << "no reference value for " << method << "(" << a << ", " << b << ")";
    return kFuncOracle[0];
}

inline KVnum absOf(const KVnum& v) {
    KVnum r(v), zero(v.Nlimbs());
    zero = 0;
    if ((r == zero) < 0) {
        r = zero;
        r -= v;
    }
    return r;
}

// `got` passes when it agrees with the decimal text `want` to a relative
// error of at most 10^-digits. The difference is taken 10 limbs wider than
// `got`, so that it is not itself cut.
inline ::testing::AssertionResult agreesTo(const KVnum& got, const char* want, int digits) {
    const int n = got.Nlimbs();
    const int w = n + 10;
    KVnum g(w), o(w), d(w), tol(w);
    g = got;
    o = want;
    d = g;
    d -= o;
    d = absOf(d);
    tol = ("1e-" + std::to_string(digits)).c_str();
    tol *= absOf(o);
    if ((d == tol) <= 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "at " << n << " limbs (" << digits << " digits asked)\n  got  "
           << g.String(0, false) << "\n  want " << std::string(want).substr(0, 2 * n + 4)
           << "...\n  diff " << d.String(0, false);
}

// `got` (40 or 130 limbs) against the reference row: a number of n limbs
// holds at least 4h + 1 significant digits (h = n/2 - 2), and all of them but
// the row's `lost` must be right.
inline ::testing::AssertionResult agreesWith(const KVnum& got, const FuncOracle& r) {
    const int h = got.Nlimbs() / 2 - 2;
    return agreesTo(got, r.value, 4 * h + 1 - (got.Nlimbs() == 130 ? r.lost130 : r.lost40));
}

// True when a and b hold the same value in the same stored form.
inline bool same(const KVnum& a, const KVnum& b) {
    return a.Nlimbs() == b.Nlimbs() && a.Expo() == b.Expo() && a.Top() == b.Top() &&
           a.Minus() == b.Minus() && kvtest::headLimbs(a) == kvtest::headLimbs(b);
}

inline KVnum num(int n, const char* text) { return kvtest::num(n, text); }
inline KVnum num(int n, int v) { return kvtest::num(n, std::to_string(v).c_str()); }

// Calls `method` of the oracle table on f with the row's arguments at f's
// precision.
inline KVnum call(Func& f, const FuncOracle& r) {
    const int n = f.Nlimbs();
    KVnum a = num(n, r.a), b = num(n, *r.b ? r.b : "0");
    const std::string m = r.method;
    if (m == "Ln") return *f.Ln(&a);
    if (m == "Aln") return *f.Aln(&a);
    if (m == "Log") return *f.Log(&a);
    if (m == "Alog") return *f.Alog(&a);
    if (m == "Fpower") return *f.Fpower(&a, &b);
    if (m == "Afpower") return *f.Afpower(&a, &b);
    if (m == "Iroot") return *f.Iroot(&a, std::atoi(r.b));
    ADD_FAILURE() << "unknown method " << m;
    return a;
}

// The plain logarithm series, written out simply: y = (x-1)/(x+1),
// 2 (y + y^3/3 + ...), the power carried and multiplied by y twice per term,
// until a pass leaves the sum unchanged.
inline KVnum refLnSeries(const KVnum& x) {
    const int n = x.Nlimbs();
    KVnum y = x, s = x, one = num(n, 1);
    y -= one;
    s += one;
    y /= s;
    KVnum p = y, sum = y, q = num(n, 1), two = num(n, 2), prev = num(n, 0);
    while ((sum == prev) != 0) {
        prev = sum;
        p *= y;
        p *= y;
        q += two;
        KVnum t = p;
        t /= q;
        sum += t;
    }
    sum *= two;
    return sum;
}

// One Newton step for the n-th root: c - (c^n - x) / (n c^(n-1)). When the
// quotient comes out 0 from a non-zero dividend (cut at the weight of the
// dividend's last limb), it is taken again with dividend and divisor
// multiplied by 0.0001 until the divisor is below 10000.
inline KVnum newtonStep(const KVnum& c, const KVnum& x, int n) {
    const int nl = c.Nlimbs();
    KVnum N = num(nl, n), M = num(nl, n - 1);
    KVnum b = c, d = c, r = c;
    b ^= N;
    b -= x;
    d ^= M;
    d *= N;
    KVnum b0 = b;
    b /= d;
    if (b.IsZero() && !b0.IsZero()) {
        const KVnum small = num(nl, "0.0001"), limit = num(nl, 10000);
        while ((absOf(d) == limit) >= 0) {
            d *= small;
            b0 *= small;
        }
        b = b0;
        b /= d;
    }
    r -= b;
    return r;
}

// The root iteration written out simply: from x / n, stop when a step leaves
// the estimate unchanged; when a new estimate equals an earlier one (the
// latest such, searched one by one), give the estimate of smallest magnitude
// from that one to the previous. `cycled` tells which way it ended.
inline KVnum refIroot(const KVnum& x, int n, bool* cycled) {
    const int nl = x.Nlimbs();
    KVnum r = x;
    r /= num(nl, n);
    *cycled = false;
    if (r.IsZero()) return r;
    std::vector<KVnum> seen{r};
    for (;;) {
        KVnum next = newtonStep(seen.back(), x, n);
        if ((next == seen.back()) == 0) return next;
        for (size_t i = seen.size() - 1; i-- > 0;) {
            if ((next == seen[i]) == 0) {
                *cycled = true;
                size_t best = i;
                for (size_t j = i + 1; j < seen.size(); ++j)
                    if ((absOf(seen[j]) == absOf(seen[best])) < 0) best = j;
                return seen[best];
            }
        }
        seen.push_back(next);
    }
}

}  // namespace funccheck

#endif

// Helpers shared by the trigonometry, inverse trigonometry and constant
// tests: lookup of reference values, calls by method name, and a comparison
// with a tolerance tied to the working precision.
#ifndef KELVANE_TESTS_TRIG_CHECK_H
#define KELVANE_TESTS_TRIG_CHECK_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include "data/trig_oracle.h"
#include "kvtest.h"

// Reference value of `method` at `arg` (see tests/data/gen_trig_oracle.py).
inline const char* oracle(const char* method, const char* arg) {
    for (const TrigOracle& row : kTrigOracle)
        if (std::strcmp(row.method, method) == 0 && std::strcmp(row.arg, arg) == 0)
            return row.value;
    ADD_FAILURE() << "no reference value for " << method << "(" << arg << ")";
    return "0";
}

// Calls the one-argument method named `method` on `f`.
inline KVnum* callMethod(Func& f, const std::string& method, KVnum* x) {
    if (method == "Sin") return f.Sin(x);
    if (method == "Cos") return f.Cos(x);
    if (method == "Tan") return f.Tan(x);
    if (method == "DtoR") return f.DtoR(x);
    if (method == "RtoD") return f.RtoD(x);
    if (method == "Arctan") return f.Arctan(x);
    if (method == "Arcsin") return f.Arcsin(x);
    if (method == "Arccos") return f.Arccos(x);
    if (method == "Pi") return f.Pi();
    if (method == "e") return f.e();
    if (method == "PHI") return f.PHI();
    ADD_FAILURE() << "unknown method " << method;
    return f.Factorial(x);
}

inline void makeAbs(KVnum& v) {
    KVnum zero(v.Nlimbs());
    zero = 0;
    if ((v == zero) < 0) {
        KVnum t(v.Nlimbs());
        t = 0;
        t -= v;
        v = t;
    }
}

// A number of precision n holds at least 4h + 1 significant digits
// (h = n / 2 - 2). `got` passes when it agrees with the decimal text `want`
// to a relative error of at most 10^-(4h + 1 - lost): all but the last `lost`
// of those digits.
inline ::testing::AssertionResult agrees(const KVnum& got, const char* want, int lost = 4) {
    const int n = got.Nlimbs();
    const int h = n / 2 - 2;
    KVnum w(n), d(n), tol(n);
    w = want;
    d = got;
    d -= w;
    makeAbs(d);
    makeAbs(w);
    tol = ("1e-" + std::to_string(4 * h + 1 - lost)).c_str();
    tol *= w;
    if ((d == tol) <= 0) return ::testing::AssertionSuccess();
    KVnum g(got);
    return ::testing::AssertionFailure()
           << "at " << n << " limbs\n  got  " << g.String(0, false) << "\n  want "
           << std::string(want).substr(0, 4 * h + 8) << "...\n  diff " << d.String(0, false);
}

// Text of `v` (a copy, so that v's own text buffer is left alone).
inline std::string text(const KVnum& v, int ndec = 0) {
    KVnum c(v);
    return c.String(ndec, false);
}

#endif

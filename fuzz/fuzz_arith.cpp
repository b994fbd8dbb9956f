// The operators on numbers parsed from random texts at random small
// precisions: every result in normal form, and the identities truncation
// keeps: a - a = 0, a * 1 = a, a / a = 1, a + 0 = a, (-a) + a = 0.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quiet();
    fuzz::Input in(data, size);
    const int n = 9 + in.byte() % 24;
    const int nb = in.byte() % 4 == 0 ? 9 + in.byte() % 24 : n;  // sometimes mixed precisions
    KVnum a(n), b(nb), one(n), zero(n);
    a = in.text(120).c_str();
    b = in.text(120).c_str();
    one = 1;
    fuzz::checkNormal(a);
    fuzz::checkNormal(b);

    KVnum t(a);
    t -= a;
    fuzz::check(t.IsZero(), "a - a = 0");
    t = a;
    t *= one;
    fuzz::check((t == a) == 0 && t.Expo() == a.Expo(), "a * 1 = a");
    t = a;
    t += zero;
    fuzz::check((t == a) == 0, "a + 0 = a");
    if (!a.IsZero()) {
        t = a;
        t /= a;
        fuzz::check((t == one) == 0, "a / a = 1");
    }
    KVnum neg(zero);
    neg -= a;
    neg += a;
    fuzz::check(neg.IsZero(), "-a + a = 0");

    while (!in.done()) {
        const uint8_t op = in.byte();
        switch (op % 6) {
            case 0: t = a; t += b; break;
            case 1: t = a; t -= b; break;
            case 2: t = a; t *= b; break;
            case 3:
                if (b.IsZero()) continue;
                t = a; t /= b;
                break;
            case 4: {
                KVnum e(n);
                e = static_cast<int>(op / 6) % 12 - 2;  // small exponents only: the power is linear
                t = a;
                t ^= e;
                break;
            }
            default:
                if (!fuzz::printable(a)) continue;  // Intp prints the number
                t = a;
                t.Intp();
                break;
        }
        fuzz::checkNormal(t);
        fuzz::check(t.Nlimbs() == n, "precision kept");
        a = b;
        b = t;
    }
    return 0;
}

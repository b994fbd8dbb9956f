// KVnum::String: decimal text of the stored form.
//
// The text shows every limb from the most significant non-zero one down to
// limb 0, so a number prints with the trailing zeros its low limbs and its
// exponent imply; ndec > 0 cuts (never rounds) or pads the fraction.
#include <cstring>
#include <new>
#include <string>

#include <kelvane/KVnum.h>

#include "number/kernels.h"

namespace {

// "00" .. "99": a limb is written as two pairs, without formatting calls.
// Made by the compiler, so that a String called while other sources' static
// objects are being constructed finds it ready.
struct Pairs {
    char c[200];
};
constexpr Pairs makePairs() {
    Pairs p{};
    for (int k = 0; k < 100; ++k) {
        p.c[2 * k] = static_cast<char>('0' + k / 10);
        p.c[2 * k + 1] = static_cast<char>('0' + k % 10);
    }
    return p;
}
constexpr Pairs PAIRS = makePairs();

}  // namespace

// Text as long as the number needs can outgrow the heap (1e2000000000 prints
// two thousand million zeros, ndec may ask for as many): that is the
// library's fatal report, as for a limb array, not an exception.
char* KVnum::String(int ndec, bool comma) try {
    std::string d;
    int i = nlimbs - 1;
    while (i >= 0 && limbs[i] == 0) --i;
    if (i < 0) {
        // Zero (or an empty number) never shows a sign, point or fraction.
        outbuf = "0";
        return &outbuf[0];
    }
    // The head limb without its leading zeros, then four digits a limb.
    const int lead = kv::limb_digits(limbs[i]);
    d.resize(static_cast<size_t>(lead) + 4 * static_cast<size_t>(i));
    char* p = &d[0];
    {
        char four[4];
        std::memcpy(four, PAIRS.c + 2 * (limbs[i] / 100), 2);
        std::memcpy(four + 2, PAIRS.c + 2 * (limbs[i] % 100), 2);
        std::memcpy(p, four + 4 - lead, static_cast<size_t>(lead));
        p += lead;
    }
    for (--i; i >= 0; --i, p += 4) {
        std::memcpy(p, PAIRS.c + 2 * (limbs[i] / 100), 2);
        std::memcpy(p + 2, PAIRS.c + 2 * (limbs[i] % 100), 2);
    }

    if (expo > 0) {
        d.append(static_cast<size_t>(expo), '0');
    } else if (expo < 0) {
        const size_t f = static_cast<size_t>(-static_cast<int64_t>(expo));
        const size_t L = d.size();
        if (L > f) {
            d.insert(L - f, 1, '.');
        } else {
            std::string z = "0.";
            z.append(f - L, '0');
            d = z + d;
        }
        if (ndec > 0) {
            const size_t want = static_cast<size_t>(ndec);
            if (f < want) d.append(want - f, '0');
            d.resize(d.find('.') + 1 + want);
        }
    }

    if (comma) {
        size_t intLen = d.find('.');
        if (intLen == std::string::npos) intLen = d.size();
        std::string g;
        g.reserve(d.size() + intLen / 3 + 1);
        for (size_t k = 0; k < intLen; ++k) {
            if (k > 0 && (intLen - k) % 3 == 0) g += ',';
            g += d[k];
        }
        g.append(d, intLen, std::string::npos);
        d.swap(g);
    }
    if (minus) d.insert(d.begin(), '-');
    outbuf.swap(d);
    return &outbuf[0];
} catch (const std::bad_alloc&) {
    reportFatal("Memory allocation failure.");
}

// KVnum::String: decimal text of the stored form.
//
// The text shows every limb from the most significant non-zero one down to
// limb 0, so a number prints with the trailing zeros its low limbs and its
// exponent imply; ndec > 0 cuts (never rounds) or pads the fraction.
#include <cstdio>
#include <new>
#include <string>

#include <kelvane/KVnum.h>

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
    d.reserve(static_cast<size_t>(4 * (i + 1)) + 8);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%d", limbs[i]);
    d += buf;
    for (--i; i >= 0; --i) {
        std::snprintf(buf, sizeof buf, "%04d", limbs[i]);
        d += buf;
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

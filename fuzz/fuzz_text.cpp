// Text assignment at a random precision, then String with random arguments,
// then Intp: every result in normal form, the texts well formed, the integer
// part a whole number no larger in magnitude.
#include <algorithm>
#include <cstring>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quiet();
    fuzz::Input in(data, size);
    const int n = 9 + in.byte() % 40;
    const int ndec = static_cast<int8_t>(in.byte());
    const bool comma = in.byte() & 1;
    const std::string text = in.text(400);
    KVnum x(n);
    x = text.c_str();
    fuzz::checkNormal(x);
    if (!fuzz::printable(x)) return 0;
    const std::string s = x.String(ndec, comma);
    fuzz::check(!s.empty(), "non-empty text");
    for (char c : s) fuzz::check((c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-', "text alphabet");
    fuzz::check(std::count(s.begin(), s.end(), '.') <= 1, "one point at most");

    // Reading the full text back gives the same value when it fits the window.
    const std::string full = x.String(0, false);
    if (full.size() <= static_cast<size_t>(2 * n - 4)) {
        KVnum y(n);
        y = full.c_str();
        fuzz::check((x == y) == 0, "text round trip");
    }

    KVnum ip(x);
    ip.Intp();
    fuzz::checkNormal(ip);
    KVnum ax(x), aip(ip);
    if (ax.Minus()) { KVnum z(n); z -= ax; ax = z; }
    if (aip.Minus()) { KVnum z(n); z -= aip; aip = z; }
    fuzz::check((aip == ax) <= 0, "integer part no larger");
    if (fuzz::printable(ip)) {
        const std::string t = ip.String(0, false);
        const size_t point = t.find('.');
        if (point != std::string::npos)
            for (size_t i = point + 1; i < t.size(); ++i) fuzz::check(t[i] == '0', "integer part has no fraction");
    }
    return 0;
}

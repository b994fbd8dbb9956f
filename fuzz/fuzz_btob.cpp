// BtoB with random radices (in and out of 2..36) and texts, through both
// overloads: no crash, output only from the alphabet, the receiver's value
// unchanged, the caller's text touched only by the modifiable overload.
#include <cstring>
#include <vector>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quiet();
    fuzz::Input in(data, size);
    const int n = 9 + in.byte() % 16;
    const int ibase = in.byte() % 40;
    const int obase = in.byte() % 40;
    const bool modifiable = in.byte() & 1;
    KVnum x(n);
    x = in.text(60).c_str();
    if (!fuzz::printable(x)) return 0;
    const std::string text = in.text(60);
    if (ibase == 10 && obase == 10 && !text.empty()) {
        // The result is then the decimal text of the value, as long as its
        // exponent is large: keep to values whose text stays small.
        KVnum v(n);
        v = text.c_str();
        if (!fuzz::printable(v)) return 0;
    }
    KVnum before(x);
    const char* out;
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    if (modifiable) {
        out = x.BtoB(ibase, obase, buf.data());
    } else {
        out = x.BtoB(ibase, obase, static_cast<const char*>(buf.data()));
        fuzz::check(text == buf.data(), "constant text unchanged");
    }
    fuzz::check(out != nullptr, "result text");
    for (const char* c = out; *c; ++c)
        fuzz::check((*c >= '0' && *c <= '9') || (*c >= 'A' && *c <= 'Z') || *c == '.' || *c == '-',
                    "output alphabet");
    fuzz::check((x == before) == 0 && x.Expo() == before.Expo(), "receiver unchanged");
    return 0;
}

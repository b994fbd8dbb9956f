// Reading an integer from text by atoi's rules, shared by the text
// assignment (the exponent after "e") and the precision policy (the
// PRECISION variable). Internal: never installed.
#ifndef KELVANE_NUMBER_READINT_H
#define KELVANE_NUMBER_READINT_H

#include <cstdint>

namespace kv {

// atoi rules (leading blanks, optional sign, digits up to the first
// non-digit), but saturating far beyond the int range instead of
// overflowing: the callers range-check what results.
inline int64_t readIntSaturating(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') neg = *s++ == '-';
    int64_t v = 0;
    for (; *s >= '0' && *s <= '9'; ++s)
        if (v < (INT64_C(1) << 40)) v = v * 10 + (*s - '0');
    return neg ? -v : v;
}

}  // namespace kv

#endif

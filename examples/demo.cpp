// A few numbers through the library: text in, arithmetic, text out.
#include <cstdio>

#include <kelvane/KVnum.h>

int main() {
    KVnum a(20), b(20);
    a = "2";
    b = "3";
    a /= b;
    std::printf("2 / 3       = %s\n", a.String(30, false));
    a = "1234567.891";
    a *= a;
    std::printf("1234567.891^2 = %s\n", a.String(6, true));
    a = 2;
    b = 64;
    a ^= b;
    std::printf("2^64        = %s\n", a.String(0, true));
    a = -0.1;
    std::printf("-0.1 (double) = %s\n", a.String(0, false));
    return 0;
}

// Uses an installed Kelvane: arithmetic through KVnum, and the module class
// registered while the library loaded at start-up. Prints one line and exits
// with 0 when every check holds.
#include <cstdio>
#include <cstring>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include <kelvane/Kelvane.h>

int main() {
    int failures = 0;

    // 1/7 = 0.142857 142857 ..., cut after 12 places.
    KVnum a(20), b(20);
    a = "1";
    b = "7";
    a /= b;
    const char* seventh = a.String(12, false);
    if (std::strcmp(seventh, "0.142857142857") != 0) {
        std::printf("1/7 printed as %s\n", seventh);
        ++failures;
    }

    CRuntimeClass* byName = CRuntimeClass::FromName("Kelvane");
    if (byName != RUNTIME_CLASS(Kelvane)) {
        std::printf("class Kelvane is not registered\n");
        ++failures;
    }
    Kelvane k;
    if (k.GetRuntimeClass() != RUNTIME_CLASS(Kelvane) || !k.IsKindOf(RUNTIME_CLASS(CObject))) {
        std::printf("Kelvane object has the wrong class\n");
        ++failures;
    }
    if (AfxGetModuleState()->m_nRefusedModules != 0) {
        std::printf("a module refused to attach\n");
        ++failures;
    }

    std::printf("consumer: 1/7=%s class=%s\n", seventh,
                byName != nullptr ? byName->m_lpszClassName : "(none)");
    return failures == 0 ? 0 : 1;
}

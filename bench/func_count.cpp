// Counts the operations of every function benchmark case (func_cases.h), one
// call each at each precision, and prints them as JSON. Linked against a copy
// of the library built with KELVANE_COUNT_OPS (bench/CMakeLists.txt); the
// timed library counts nothing.
#include <cstdio>
#include <cstring>

#include "func_cases.h"
#include "opcount.h"

int main() {
    const char* names[kv::OP_KINDS] = {"mul", "mul1", "div", "div1", "add",
                                       "cmp", "copy", "set_int", "set_text", "pow"};
    std::printf("[\n");
    bool first = true;
    for (int n : kvbench::FUNC_PRECISIONS) {
        Func f(n);
        KVnum a(n), b(n), t(n);
        for (const kvbench::FuncCase& c : kvbench::funcCases()) {
            kvbench::setArgs(c, a, b);
            std::memset(kv::opCounts, 0, sizeof kv::opCounts);
            std::memset(kv::opWork, 0, sizeof kv::opWork);
            kvbench::runCase(f, c, kvbench::methodOf(c), a, b, t);
            std::printf("%s  {\"key\": \"%s\", \"limbs\": %d", first ? "" : ",\n", c.key, n);
            for (int k = 0; k < kv::OP_KINDS; ++k) std::printf(", \"%s\": %lld", names[k], kv::opCounts[k]);
            std::printf(", \"mul_work\": %lld, \"mul1_work\": %lld, \"div_work\": %lld", kv::opWork[kv::OP_MUL],
                        kv::opWork[kv::OP_MUL1], kv::opWork[kv::OP_DIV]);
            std::printf("}");
            first = false;
        }
    }
    std::printf("\n]\n");
    return 0;
}

// Counts the operations of every function benchmark case (func_cases.h), one
// call each at each precision, and prints them as JSON: the count of each
// kind, the counts by operand size ("sizes": kind -> [[limbs, count], ...],
// see opcount.h), and for quotients the limbs formed by divisor size
// ("quot": kind -> [[limbs, quotient limbs], ...]). Linked against a copy of the
// library built with KELVANE_COUNT_OPS (bench/CMakeLists.txt); the timed
// library counts nothing.
#include <cstdio>
#include <cstring>

#include "func_cases.h"
#include "number/opcount.h"

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
            std::memset(kv::opSizes, 0, sizeof kv::opSizes);
            std::memset(kv::opQuot, 0, sizeof kv::opQuot);
            kvbench::runCase(f, c, kvbench::methodOf(c), a, b, t);
            std::printf("%s  {\"key\": \"%s\", \"limbs\": %d", first ? "" : ",\n", c.key, n);
            for (int k = 0; k < kv::OP_KINDS; ++k) std::printf(", \"%s\": %lld", names[k], kv::opCounts[k]);
            std::printf(", \"sizes\": {");
            const int kinds[] = {kv::OP_MUL, kv::OP_MUL1, kv::OP_DIV, kv::OP_DIV1, kv::OP_ADD};
            for (int j = 0; j < 5; ++j) {
                std::printf("%s\"%s\": [", j ? ", " : "", names[kinds[j]]);
                bool firstSize = true;
                for (int s = 0; s < kv::OP_SIZES; ++s) {
                    if (!kv::opSizes[kinds[j]][s]) continue;
                    std::printf("%s[%d, %lld]", firstSize ? "" : ", ", s, kv::opSizes[kinds[j]][s]);
                    firstSize = false;
                }
                std::printf("]");
            }
            std::printf("}, \"quot\": {");
            for (int j = 2; j < 4; ++j) {
                std::printf("%s\"%s\": [", j > 2 ? ", " : "", names[kinds[j]]);
                bool firstSize = true;
                for (int s = 0; s < kv::OP_SIZES; ++s) {
                    if (!kv::opSizes[kinds[j]][s]) continue;
                    std::printf("%s[%d, %lld]", firstSize ? "" : ", ", s, kv::opQuot[kinds[j]][s]);
                    firstSize = false;
                }
                std::printf("]");
            }
            std::printf("}}");
            first = false;
        }
    }
    // The quotient limbs that the cost operations form, against which the
    // report scales the quotients of the cases.
    for (int n : kvbench::FUNC_PRECISIONS) {
        for (const std::string& op : kvbench::costOps(n)) {
            if (op[0] != 'd') continue;
            KVnum x(n), y(n);
            kvbench::costOperands(op, n, x, y);
            std::memset(kv::opQuot, 0, sizeof kv::opQuot);
            kvbench::costStep(op, x, y);
            long long q = 0;
            for (int s = 0; s < kv::OP_SIZES; ++s) q += kv::opQuot[kv::OP_DIV][s] + kv::opQuot[kv::OP_DIV1][s];
            std::printf(",\n  {\"cost\": \"%s\", \"limbs\": %d, \"quot\": %lld}", op.c_str(), n, q);
        }
    }
    std::printf("\n]\n");
    return 0;
}

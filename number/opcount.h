// Operation counts for the benchmarks' arithmetic floor. Internal header,
// never installed.
//
// Only a build that defines KELVANE_COUNT_OPS counts (the benchmark build
// compiles a separate copy of the library that way, bench/CMakeLists.txt);
// in every other build KV_COUNT expands to nothing and costs nothing. Each
// public operation counts itself once, classed by the shape of its operands:
// a product or quotient whose shorter operand (the divisor, for a quotient)
// has at most two significant limbs is a "1" class operation, the cheap
// single-digit pass of the kernels. Longer products and quotients also add
// their size to opWork (see there), since their cost grows with it.
#ifndef KELVANE_OPCOUNT_H
#define KELVANE_OPCOUNT_H

namespace kv {

enum OpKind {
    OP_MUL,       // *= with both operands longer than two limbs
    OP_MUL1,      // *= with an operand of at most two limbs (or zero)
    OP_DIV,       // /= by a divisor longer than two limbs
    OP_DIV1,      // /= by a divisor of at most two limbs
    OP_ADD,       // += and -=
    OP_CMP,       // ==
    OP_COPY,      // assignment from a number
    OP_SET_INT,   // assignment from a native value
    OP_SET_TEXT,  // assignment from text
    OP_POW,       // ^= (its products are counted as OP_MUL / OP_MUL1 too)
    OP_KINDS
};

#ifdef KELVANE_COUNT_OPS
extern long long opCounts[OP_KINDS];
// OP_MUL: the base-10^8 digit products of each product, ceil(un/2) x
// ceil(vn/2) for operands of un and vn significant limbs. OP_MUL1: the
// significant limbs of the longer operand. OP_DIV: the
// significant limbs of each divisor (every quotient is formed to the same
// length, so its cost grows with the divisor alone).
extern long long opWork[OP_KINDS];
#define KV_COUNT(kind) (++kv::opCounts[(kind)])
#define KV_COUNT_WORK(kind, w) (kv::opWork[(kind)] += (w))
#else
#define KV_COUNT(kind) ((void)0)
#define KV_COUNT_WORK(kind, w) ((void)0)
#endif

}  // namespace kv

#endif

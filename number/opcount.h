// Operation counts for the benchmarks' arithmetic floor. Internal header,
// never installed.
//
// Only a build that defines KELVANE_COUNT_OPS counts (the benchmark build
// compiles a separate copy of the library that way, bench/CMakeLists.txt);
// in every other build KV_COUNT expands to nothing and costs nothing. Each
// public operation counts itself once, classed by the shape of its operands:
// a product or quotient whose shorter operand (the divisor, for a quotient)
// has at most two significant limbs is a "1" class operation, the cheap
// single-digit pass of the kernels. Products and quotients also count their
// size in opSizes (see there), since their cost grows with it.
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

const int OP_SIZES = 4096;

#ifdef KELVANE_COUNT_OPS
extern long long opCounts[OP_KINDS];
// Operations by size, opSizes[kind][size]: OP_MUL by the significant limbs
// of the shorter operand (the other is most often full length), OP_MUL1 by
// those of the longer one, OP_DIV and OP_DIV1 by those of the divisor (every
// quotient is formed to full length, so its cost follows the divisor),
// OP_ADD by the limbs the sum or difference is formed over (a running sum
// takes in only the limbs of a term that its cut leaves).
// Sizes from OP_SIZES - 1 up share the last entry.
extern long long opSizes[OP_KINDS][OP_SIZES];
// Quotients also by their length: opQuot[kind][size] sums the quotient limbs
// formed by the divisions of each divisor size (a quotient is cut at the
// weight of the dividend's last limb, so a large divisor leaves few).
extern long long opQuot[OP_KINDS][OP_SIZES];
#define KV_COUNT(kind) (++kv::opCounts[(kind)])
#define KV_COUNT_SIZE(kind, size) (++kv::opSizes[(kind)][(size) < kv::OP_SIZES ? (size) : kv::OP_SIZES - 1])
#define KV_COUNT_QUOT(kind, size, q) (kv::opQuot[(kind)][(size) < kv::OP_SIZES ? (size) : kv::OP_SIZES - 1] += (q))
#else
#define KV_COUNT(kind) ((void)0)
#define KV_COUNT_SIZE(kind, size) ((void)0)
#define KV_COUNT_QUOT(kind, size, q) ((void)0)
#endif

}  // namespace kv

#endif

// Per-thread count of heap allocations (malloc, calloc, realloc and the
// aligned forms; operator new goes through malloc), see alloc_count.cpp.
#ifndef KELVANE_BENCH_ALLOC_COUNT_H
#define KELVANE_BENCH_ALLOC_COUNT_H

namespace kvbench {
extern thread_local long allocations;
}

#endif

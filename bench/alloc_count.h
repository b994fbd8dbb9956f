// Per-thread count of heap allocations (malloc, calloc, realloc and the
// aligned forms; operator new goes through malloc) and of the bytes it
// holds, see alloc_count.cpp.
#ifndef KELVANE_BENCH_ALLOC_COUNT_H
#define KELVANE_BENCH_ALLOC_COUNT_H

namespace kvbench {
extern thread_local long allocations;
extern thread_local long long liveBytes;  // bytes held now
extern thread_local long long peakBytes;  // the most held at any time
}

#endif

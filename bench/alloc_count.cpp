// Counts the heap allocations of the calling thread, for the benchmark's
// allocations-per-operation counter, and the bytes it holds (live and at
// their peak, as the allocator sized the blocks), for the peak memory of an
// operation. The C allocator's entry points are
// defined here, in the executable, so that calls from the library resolve to
// them; each counts and then calls glibc's own allocator.
#include "alloc_count.h"

#include <malloc.h>

#include <cstddef>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace kvbench {
thread_local long allocations = 0;
thread_local long long liveBytes = 0;
thread_local long long peakBytes = 0;
}

namespace {

void* took(void* p) {
    if (p) {
        kvbench::liveBytes += static_cast<long long>(malloc_usable_size(p));
        if (kvbench::liveBytes > kvbench::peakBytes) kvbench::peakBytes = kvbench::liveBytes;
    }
    return p;
}

void gave(void* p) {
    if (p) kvbench::liveBytes -= static_cast<long long>(malloc_usable_size(p));
}

}  // namespace

extern "C" {
void* malloc(size_t n) {
    ++kvbench::allocations;
    return took(__libc_malloc(n));
}
void* calloc(size_t n, size_t s) {
    ++kvbench::allocations;
    return took(__libc_calloc(n, s));
}
void* realloc(void* p, size_t n) {
    ++kvbench::allocations;
    gave(p);
    return took(__libc_realloc(p, n));
}
void free(void* p) {
    gave(p);
    __libc_free(p);
}
int posix_memalign(void** out, size_t align, size_t n) {
    ++kvbench::allocations;
    void* p = took(__libc_memalign(align, n));
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
void* aligned_alloc(size_t align, size_t n) {
    ++kvbench::allocations;
    return took(__libc_memalign(align, n));
}
}

// Counts the heap allocations of the calling thread, for the benchmark's
// allocations-per-operation counter. The C allocator's entry points are
// defined here, in the executable, so that calls from the library resolve to
// them; each counts and then calls glibc's own allocator.
#include "alloc_count.h"

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
}

extern "C" {
void* malloc(size_t n) {
    ++kvbench::allocations;
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t s) {
    ++kvbench::allocations;
    return __libc_calloc(n, s);
}
void* realloc(void* p, size_t n) {
    ++kvbench::allocations;
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
int posix_memalign(void** out, size_t align, size_t n) {
    ++kvbench::allocations;
    void* p = __libc_memalign(align, n);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
void* aligned_alloc(size_t align, size_t n) {
    ++kvbench::allocations;
    return __libc_memalign(align, n);
}
}

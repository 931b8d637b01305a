// Allocation wrappers with the system's out-of-memory convention.
#ifndef SARV_MODEL_MYMALLOC_H
#define SARV_MODEL_MYMALLOC_H

#include <cstddef>

// Each wrapper calls the standard allocator. A null result for a non-zero request is a failure:
// in compute mode the registered handler runs (it writes result code 3 and ends the process); in
// front-end mode mem_result is set to 1 and null is returned.
void *MALLOC(size_t size);
void *CALLOC(size_t count, size_t size);
void *REALLOC(void *block, size_t size);

// Typed forms for arrays of n elements; the byte count is checked for overflow.
template <typename T>
T *MALLOC_N(size_t n) {
  if (n > static_cast<size_t>(-1) / sizeof(T))
    return static_cast<T *>(MALLOC(static_cast<size_t>(-1)));
  return static_cast<T *>(MALLOC(n * sizeof(T)));
}
template <typename T>
T *REALLOC_N(T *block, size_t n) {
  if (n > static_cast<size_t>(-1) / sizeof(T))
    return static_cast<T *>(REALLOC(block, static_cast<size_t>(-1)));
  return static_cast<T *>(REALLOC(block, n * sizeof(T)));
}

// Called once on allocation failure in compute mode; it must not return. Set by the engine.
typedef void (*out_of_memory_handler)();
void set_out_of_memory_handler(out_of_memory_handler handler);

// Test hook: the allocation after `count` further successful ones fails (negative: never).
void fail_allocation_after(long count);

#endif

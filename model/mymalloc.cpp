// Allocation wrappers: one place decides what running out of memory means in each mode.
#include "model/mymalloc.h"

#include <cstdlib>

#include "model/des_data.h"

namespace {

out_of_memory_handler oom_handler = nullptr;
long allocations_until_failure = -1;

bool injected_failure() {
  if (allocations_until_failure < 0) return false;
  if (allocations_until_failure == 0) return true;
  --allocations_until_failure;
  return false;
}

void *checked(void *block, bool requested) {
  if (block != nullptr || !requested) return block;
  if (cmdline && oom_handler != nullptr) oom_handler();
  mem_result = 1;
  return nullptr;
}

}  // namespace

void set_out_of_memory_handler(out_of_memory_handler handler) {
  oom_handler = handler;
}

void fail_allocation_after(long count) {
  allocations_until_failure = count;
}

void *MALLOC(size_t size) {
  if (size != 0 && injected_failure()) return checked(nullptr, true);
  return checked(malloc(size), size != 0);
}

void *CALLOC(size_t count, size_t size) {
  if (count != 0 && size != 0 && injected_failure()) return checked(nullptr, true);
  return checked(calloc(count, size), size != 0 && count != 0);
}

void *REALLOC(void *block, size_t size) {
  if (size == 0) {
    free(block);
    return nullptr;
  }
  if (injected_failure()) return checked(nullptr, true);
  return checked(realloc(block, size), true);
}

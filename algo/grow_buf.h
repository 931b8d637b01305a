// A growable array for the work lists of the graph algorithms, allocated through the system's
// allocation wrappers so that running out of memory follows the mem_result convention.
#ifndef SARV_ALGO_GROW_BUF_H
#define SARV_ALGO_GROW_BUF_H

#include <cstddef>
#include <cstdlib>

#include "model/mymalloc.h"

// Owns `items` (release() frees it). Capacity doubles, so n pushes cost O(n) in total.
template <typename T>
struct grow_buf {
  T *items = nullptr;
  size_t len = 0;
  size_t cap = 0;

  // Makes room for at least `want` elements; false (mem_result set) when the allocation fails.
  bool reserve(size_t want) {
    if (want <= cap) return true;
    size_t grown = cap < 16 ? 16 : cap * 2;
    if (grown < want) grown = want;
    T *bigger = REALLOC_N(items, grown);
    if (bigger == nullptr) return false;
    items = bigger;
    cap = grown;
    return true;
  }
  bool push(const T &value) {
    if (len == cap && !reserve(len + 1)) return false;
    items[len++] = value;
    return true;
  }
  void release() {
    free(items);
    items = nullptr;
    len = cap = 0;
  }
};

#endif

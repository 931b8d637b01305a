// DES lifecycle and the process-wide mode flags.
#include "model/des_data.h"

#include <cstdlib>
#include <cstring>

#include "model/mymalloc.h"

const state_node nil_state_node = {0, 0, 0, 0, 0, nullptr};

int mem_result = 0;
int state_limit_reached = 0;
int cmdline = 0;
int debug_mode = 0;
int minflag = 1;
char prefix[256] = "";

namespace {

// Departure from the classic procedure: growth past the 22-bit state field is refused (result 12),
// never wrapped.
bool beyond_state_limit(state_t size) {
  if (size <= MAX_STATES) return false;
  mem_result = 1;
  state_limit_reached = 1;
  return true;
}

}  // namespace

state_node *newdes(state_t size) {
  if (size <= 0 || beyond_state_limit(size)) return nullptr;
  return static_cast<state_node *>(CALLOC(static_cast<size_t>(size), sizeof(state_node)));
}

void freedes(state_t size, state_node **des) {
  if (*des == nullptr || size <= 0) return;
  for (state_t i = 0; i < size; i++) free((*des)[i].next);
  free(*des);
  *des = nullptr;
}

void resize_des(state_node **des, state_t oldsize, state_t newsize) {
  for (state_t i = newsize < 0 ? 0 : newsize; i < oldsize; i++) free((*des)[i].next);
  if (newsize <= 0) {
    free(*des);
    *des = nullptr;
    return;
  }
  if (newsize <= oldsize) {
    // A failed shrink keeps the larger block, which is still valid.
    void *shrunk = realloc(*des, static_cast<size_t>(newsize) * sizeof(state_node));
    if (shrunk != nullptr) *des = static_cast<state_node *>(shrunk);
    return;
  }
  if (beyond_state_limit(newsize)) return;
  state_node *grown = REALLOC_N(*des, static_cast<size_t>(newsize));
  if (grown == nullptr) return;
  for (state_t i = oldsize < 0 ? 0 : oldsize; i < newsize; i++) grown[i] = nil_state_node;
  *des = grown;
}

state_t des_check(const state_node *des, state_t size) {
  if (size > 0 && des == nullptr) return 1;
  for (state_t s = 0; s < size; s++) {
    const state_node &node = des[s];
    if ((node.numelts == 0) != (node.next == nullptr)) return s + 1;
    for (int j = 0; j < node.numelts; j++) {
      tran_entry t = node.next[j];
      if (t.event() > MAX_EVENT || t.target() < 0 || t.target() >= size) return s + 1;
      if (j > 0 && !tran_less(node.next[j - 1], t)) return s + 1;
    }
  }
  return 0;
}

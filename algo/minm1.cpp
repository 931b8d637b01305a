// Pairwise state minimization: every state not yet placed opens a class, and every later state
// that a depth-first comparison of the two transition structures proves equivalent joins it.
#include <cstdlib>

#include "algo/minm.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

// One level of the comparison: the pair being compared and the position reached in both lists.
struct compare_frame {
  state_t x;
  state_t y;
  int pos;
};

bool same_outputs(const state_node &a, const state_node &b) {
  return a.marked == b.marked && a.vocal == b.vocal;
}

// Pushes a frame, growing the stack by doubling; 0 when memory ran out.
int push_frame(compare_frame **stack, size_t *depth, size_t *capacity, compare_frame frame) {
  if (*depth == *capacity) {
    size_t grown_capacity = *capacity == 0 ? 64 : 2 * *capacity;
    compare_frame *grown = REALLOC_N(*stack, grown_capacity);
    if (grown == nullptr) return 0;
    *stack = grown;
    *capacity = grown_capacity;
  }
  (*stack)[(*depth)++] = frame;
  return 1;
}

}  // namespace

int compare_tran2(state_t x, state_t y, const state_node *des, state_pair **assumed,
                  state_t *nassumed) {
  if (des[x].numelts == 0) return des[y].numelts == 0 ? 1 : 0;
  compare_frame *stack = nullptr;
  size_t depth = 0, capacity = 0;
  compare_frame cur = {x, y, 0};
  int equivalent = 1;
  for (;;) {
    const state_node &a = des[cur.x];
    const state_node &b = des[cur.y];
    if (cur.pos >= a.numelts || cur.pos >= b.numelts) {
      if (a.numelts != b.numelts) {
        equivalent = 0;
        break;
      }
      if (depth == 0) break;
      cur = stack[--depth];
      cur.pos++;
      continue;
    }
    tran_entry ta = a.next[cur.pos];
    tran_entry tb = b.next[cur.pos];
    if (ta.event() != tb.event()) {
      equivalent = 0;
      break;
    }
    if (cur.pos == 0) {
      int added;
      addstatepair(cur.x, cur.y, assumed, *nassumed, &added);
      if (mem_result) {
        equivalent = 0;
        break;
      }
      *nassumed += added;
    }
    state_t xs = ta.target(), ys = tb.target();
    if (xs == ys || instatepair(xs, ys, *assumed, *nassumed)) {
      cur.pos++;
      continue;
    }
    if (!same_outputs(des[xs], des[ys]) || des[xs].numelts != des[ys].numelts ||
        !push_frame(&stack, &depth, &capacity, cur)) {
      equivalent = 0;
      break;
    }
    cur = compare_frame{xs, ys, 0};
  }
  free(stack);
  return equivalent;
}

int compare_states2(state_t x, state_t y, const state_node *des, state_pair **assumed,
                    state_t *nassumed) {
  const state_node &a = des[x];
  const state_node &b = des[y];
  if (a.marked != b.marked) return 0;
  if (a.numelts == 0 && b.numelts == 0) return a.vocal == b.vocal ? 1 : 0;
  if (a.vocal != b.vocal || a.numelts != b.numelts) return 0;
  return compare_tran2(x, y, des, assumed, nassumed);
}

void build_partition(state_t n, const state_node *des, state_t *map, state_t *count) {
  *count = n;
  for (state_t s = 0; s < n; s++) map[s] = -1;
  state_pair *assumed = nullptr;
  state_t c = -1;
  for (state_t f = 0; f < n && !mem_result; f++) {
    progress_line("MINIMIZE: %ld %ld", static_cast<long>(f), static_cast<long>(*count));
    if (map[f] >= 0) continue;
    map[f] = ++c;
    for (state_t l = f + 1; l < n && !mem_result; l++) {
      if (map[l] >= 0 || des[l].numelts != des[f].numelts) continue;
      state_t nassumed = 0;
      if (compare_states2(f, l, des, &assumed, &nassumed)) {
        map[l] = c;
        --*count;
      }
    }
  }
  free(assumed);
}

void minimize1(state_t *n, state_node **des) {
  if (*n <= 0) return;
  state_t *map = MALLOC_N<state_t>(static_cast<size_t>(*n));
  if (map == nullptr) return;
  state_t count;
  build_partition(*n, *des, map, &count);
  if (!mem_result && count != *n) replace_by_classes(n, des, map, count);
  free(map);
}

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

uint64_t pair_key(state_t x, state_t y) {
  return ((static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y)) + 1;
}

size_t slot_of(const assumed_pairs *set, uint64_t key) {
  int bits = __builtin_ctzll(set->capacity);
  size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
  while (set->slots[slot] != 0 && set->slots[slot] != key) slot = (slot + 1) & (set->capacity - 1);
  return slot;
}

int assumed_contains(const assumed_pairs *set, state_t x, state_t y) {
  return set->capacity != 0 && set->slots[slot_of(set, pair_key(x, y))] != 0;
}

// Doubles the table (at least 64 slots); 0 when memory ran out.
int assumed_grow(assumed_pairs *set) {
  size_t capacity = set->capacity == 0 ? 64 : 2 * set->capacity;
  uint64_t *slots = static_cast<uint64_t *>(CALLOC(capacity, sizeof(uint64_t)));
  size_t *used = MALLOC_N<size_t>(capacity / 2);
  if (slots == nullptr || used == nullptr) {
    free(slots);
    free(used);
    return 0;
  }
  assumed_pairs grown = {slots, used, capacity, set->count};
  for (size_t k = 0; k < set->count; k++) {
    uint64_t key = set->slots[set->used[k]];
    size_t slot = slot_of(&grown, key);
    grown.slots[slot] = key;
    grown.used[k] = slot;
  }
  assumed_release(set);
  *set = grown;
  return 1;
}

// Adds the pair unless present; 0 when memory ran out.
int assumed_add(assumed_pairs *set, state_t x, state_t y) {
  if (2 * (set->count + 1) > set->capacity && !assumed_grow(set)) return 0;
  uint64_t key = pair_key(x, y);
  size_t slot = slot_of(set, key);
  if (set->slots[slot] == 0) {
    set->slots[slot] = key;
    set->used[set->count++] = slot;
  }
  return 1;
}

}  // namespace

void assumed_clear(assumed_pairs *set) {
  for (size_t k = 0; k < set->count; k++) set->slots[set->used[k]] = 0;
  set->count = 0;
}

void assumed_release(assumed_pairs *set) {
  free(set->slots);
  free(set->used);
  *set = assumed_pairs{};
}

int compare_tran2(state_t x, state_t y, const state_node *des, assumed_pairs *assumed) {
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
    if (cur.pos == 0 && !assumed_add(assumed, cur.x, cur.y)) {
      equivalent = 0;
      break;
    }
    state_t xs = ta.target(), ys = tb.target();
    if (xs == ys || assumed_contains(assumed, xs, ys)) {
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

int compare_states2(state_t x, state_t y, const state_node *des, assumed_pairs *assumed) {
  const state_node &a = des[x];
  const state_node &b = des[y];
  if (a.marked != b.marked) return 0;
  if (a.numelts == 0 && b.numelts == 0) return a.vocal == b.vocal ? 1 : 0;
  if (a.vocal != b.vocal || a.numelts != b.numelts) return 0;
  return compare_tran2(x, y, des, assumed);
}

void build_partition(state_t n, const state_node *des, state_t *map, state_t *count) {
  *count = n;
  for (state_t s = 0; s < n; s++) map[s] = -1;
  assumed_pairs assumed = {};
  state_t c = -1;
  for (state_t f = 0; f < n && !mem_result; f++) {
    progress_line("MINIMIZE: %ld %ld", static_cast<long>(f), static_cast<long>(*count));
    if (map[f] >= 0) continue;
    map[f] = ++c;
    for (state_t l = f + 1; l < n && !mem_result; l++) {
      if (map[l] >= 0 || des[l].numelts != des[f].numelts) continue;
      assumed_clear(&assumed);
      if (compare_states2(f, l, des, &assumed)) {
        map[l] = c;
        --*count;
      }
    }
  }
  assumed_release(&assumed);
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

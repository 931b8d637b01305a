// Pairwise state minimization: every state not yet placed opens a class, and every later state
// that a depth-first comparison of the two transition structures proves equivalent joins it.
#include <cstdlib>

#include "algo/minimize.h"
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

uint64_t pair_key(state_t x, state_t y) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
}

// A stored pair is its own hash key.
uint64_t key_of(uint64_t word) {
  return word;
}

size_t slot_of(const assumed_pairs *a, uint64_t key) {
  return hash_find(&a->set, key, [key](uint64_t word) { return word == key; });
}

int assumed_contains(const assumed_pairs *a, state_t x, state_t y) {
  uint64_t key = pair_key(x, y);
  return a->set.slots != nullptr && a->set.slots[slot_of(a, key)] == key;
}

// Adds the pair unless present; 0 when memory ran out.
int assumed_add(assumed_pairs *a, state_t x, state_t y) {
  if (a->set.slots == nullptr && !hash_init(&a->set, 64)) return 0;
  uint64_t key = pair_key(x, y);
  size_t slot = slot_of(a, key);
  if (a->set.slots[slot] == key) return 1;
  return a->held.push(key) && hash_insert(&a->set, slot, key, key_of) ? 1 : 0;
}

}  // namespace

void assumed_clear(assumed_pairs *a) {
  // Every word is located before any slot is freed, so that no probe sequence is cut short.
  for (size_t k = 0; k < a->held.len; k++) a->held.items[k] = slot_of(a, a->held.items[k]);
  for (size_t k = 0; k < a->held.len; k++)
    a->set.slots[a->held.items[k]] = hash_table<uint64_t>::EMPTY;
  a->set.entries = 0;
  a->held.len = 0;
}

void assumed_release(assumed_pairs *a) {
  hash_release(&a->set);
  a->held.release();
}

int compare_tran2(state_t x, state_t y, const state_node *des, assumed_pairs *assumed) {
  if (des[x].numelts == 0) return des[y].numelts == 0 ? 1 : 0;
  grow_buf<compare_frame> stack;
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
      if (stack.len == 0) break;
      cur = stack.items[--stack.len];
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
    if (!same_outputs(des[xs], des[ys]) || des[xs].numelts != des[ys].numelts || !stack.push(cur)) {
      equivalent = 0;
      break;
    }
    cur = compare_frame{xs, ys, 0};
  }
  stack.release();
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
  assumed_pairs assumed;
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

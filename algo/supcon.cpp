// Supremal controllable sublanguage by removal of uncontrollable and blocking joint states, and
// the control data of a supervisor.
#include "algo/supcon.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "algo/product.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

bool uncontrollable(tran_entry t) {
  return (t.event() & 1) == 0;
}

// Work arrays of shave1, over the reverse rows of the joint DES.
struct shave_work {
  state_t n = 0;
  state_node *g = nullptr;
  reverse_rows rows = {nullptr, nullptr};
  char *alive = nullptr;
  char *seen = nullptr;  // search flags
  state_t *stack = nullptr;
  state_t top = 0;
  state_t alive_count = 0;
};

void release_work(shave_work *w) {
  free_reverse_rows(&w->rows);
  free(w->alive);
  free(w->seen);
  free(w->stack);
}

bool allocate_work(shave_work *w) {
  size_t n = static_cast<size_t>(w->n);
  w->alive = static_cast<char *>(MALLOC(n));
  w->seen = static_cast<char *>(MALLOC(n));
  w->stack = MALLOC_N<state_t>(n);
  if (!w->alive || !w->seen || !w->stack) return false;
  return build_reverse_rows(w->n, w->g, &w->rows);
}

void kill(shave_work *w, state_t s) {
  w->alive[s] = 0;
  w->alive_count--;
  w->stack[w->top++] = s;
}

// Every state alive, then the uncontrollable ones removed: those whose plant component allows an
// uncontrollable event the joint state lacks. Both lists are deterministic, so the joint state
// has fewer uncontrollable transitions than its plant component exactly then.
bool kill_uncontrollable(shave_work *w, state_t NG, const state_node *G,
                         const pair_code_t *pair_codes) {
  uint16_t *need = MALLOC_N<uint16_t>(static_cast<size_t>(NG));
  if (need == nullptr) return false;
  for (state_t x = 0; x < NG; x++) uncontrolist(x, G, &need[x]);
  memset(w->alive, 1, static_cast<size_t>(w->n));
  w->alive_count = w->n;
  for (state_t s = 0; s < w->n; s++) {
    uint16_t have;
    uncontrolist(s, w->g, &have);
    if (have != need[pair_first(pair_codes[s], NG)]) kill(w, s);
  }
  free(need);
  return true;
}

// Removes the states on the stack and, transitively, every live state with an uncontrollable
// transition into a removed one: the plant allows that event there (the joint step exists), so
// the state has lost it.
void close_controllability(shave_work *w) {
  while (w->top > 0) {
    state_t t = w->stack[--w->top];
    for (uint32_t i = w->rows.first[t]; i < w->rows.first[t + 1]; i++) {
      uint32_t entry = w->rows.from[i];
      state_t s = static_cast<state_t>(entry >> 1);
      if ((entry & 1u) && w->alive[s]) kill(w, s);
    }
  }
}

// Removes the live states that cannot reach a live marker state through live states. Returns
// whether any state was removed; they are left on the stack. The search is breadth-first (each
// state enters the queue once, so the stack's room serves): it then meets the states roughly in
// the order of their numbers, which is the product's own breadth-first order, and so walks the
// rows with fewer cache misses than a depth-first search.
bool remove_blocking(shave_work *w) {
  memset(w->seen, 0, static_cast<size_t>(w->n));
  state_t *queue = w->stack;
  state_t tail = 0;
  for (state_t s = 0; s < w->n; s++)
    if (w->alive[s] && w->g[s].marked) w->seen[s] = 1, queue[tail++] = s;
  for (state_t head = 0; head < tail; head++) {
    state_t t = queue[head];
    for (uint32_t i = w->rows.first[t]; i < w->rows.first[t + 1]; i++) {
      state_t s = static_cast<state_t>(w->rows.from[i] >> 1);
      if (w->alive[s] && !w->seen[s]) w->seen[s] = 1, queue[tail++] = s;
    }
  }
  w->top = 0;
  for (state_t s = 0; s < w->n; s++)
    if (w->alive[s] && !w->seen[s]) kill(w, s);
  return w->top > 0;
}

// Keeps the live states reachable from state 0 (alive) through live states, in order; the
// compaction drops the transitions into the others.
void keep_reachable_live(shave_work *w, state_t *n, state_node **T, pair_code_t *pair_codes) {
  state_node *g = *T;
  memset(w->seen, 0, static_cast<size_t>(w->n));
  state_t tail = 0;
  w->seen[0] = 1;
  w->stack[tail++] = 0;
  for (state_t head = 0; head < tail; head++) {  // breadth-first, as in remove_blocking
    state_t s = w->stack[head];
    for (int j = 0; j < g[s].numelts; j++) {
      state_t t = g[s].next[j].target();
      if (w->alive[t] && !w->seen[t]) w->seen[t] = 1, w->stack[tail++] = t;
    }
  }
  uint32_t *map = reinterpret_cast<uint32_t *>(w->stack);  // same size as a state_t per state
  state_t survivors = 0;
  for (state_t s = 0; s < *n; s++) {
    map[s] = w->seen[s] ? (RECODE_SURVIVES | static_cast<uint32_t>(survivors++)) : 0;
    g[s].reached = g[s].coreach = w->seen[s] != 0;
  }
  if (survivors == *n) return;
  recode2(*n, T, map, pair_codes);
  resize_des(T, *n, survivors);
  *n = survivors;
}

}  // namespace

void uncontrolist(state_t x, const state_node *G, uint16_t *count) {
  *count = 0;
  for (int j = 0; j < G[x].numelts; j++) *count += uncontrollable(G[x].next[j]);
}

// The removals reach the greatest set of joint states that are controllable and coreachable
// within the set; its part reachable from state 0 is the fixed point of alternating
// controllability judgements and trims, whichever order the states are judged in. States the
// first coreachability search removes would have gone in a trim beforehand, so the meet need not
// be trimmed first.
void shave1(state_t NG, state_node *G, state_t *n, state_node **T, pair_code_t *pair_codes) {
  if (*n <= 0) return;
  shave_work w;
  w.n = *n;
  w.g = *T;
  long before = w.n;
  progress_line("SHAVE1 %ld %ld", before, before);
  if (allocate_work(&w) && kill_uncontrollable(&w, NG, G, pair_codes)) {
    for (;;) {
      close_controllability(&w);
      if (!remove_blocking(&w)) break;
      progress_line("SHAVE1 %ld %ld", before, static_cast<long>(w.alive_count));
      before = w.alive_count;
    }
    if (!w.alive[0]) {
      freedes(*n, T);
      *n = 0;
    } else {
      keep_reachable_live(&w, n, T, pair_codes);
    }
  }
  release_work(&w);
}

namespace {

// One disabled event of one supervisor state, ordered by state then event.
uint32_t disabled_key(state_t y, event_t e) {
  return (static_cast<uint32_t>(y) << 10) | e;
}

// Calls disabled(y, e) for every joint state k of the meet P and every event e that the plant
// allows at k's plant component but k does not; y is k's supervisor component.
template <typename Disabled>
void for_each_disabled(const state_node *G, state_t NG, state_t n, const state_node *P,
                       const pair_code_t *pair_codes, Disabled disabled) {
  auto pass = [](tran_entry) { return true; };
  for (state_t k = 0; k < n; k++) {
    state_t x = pair_first(pair_codes[k], NG), y = pair_second(pair_codes[k], NG);
    merge_walk(
        G[x].next, G[x].numelts, P[k].next, P[k].numelts,
        [](tran_entry, tran_entry) { return true; },
        [&](tran_entry t) { return disabled(y, t.event()), true; }, pass);
  }
}

// Fills the lists of D from the keys of each row (row y is keys[start_y .. end[y]) with end[y]
// the start of the next row), sorted and without duplicates.
bool fill_rows(state_t NS, uint32_t *keys, const uint32_t *end, state_node *D) {
  uint32_t start = 0;
  for (state_t y = 0; y < NS; start = end[y], y++) {
    std::sort(keys + start, keys + end[y]);
    uint32_t distinct =
        static_cast<uint32_t>(std::unique(keys + start, keys + end[y]) - keys) - start;
    if (distinct == 0) continue;
    D[y].next = MALLOC_N<tran_entry>(distinct);
    if (D[y].next == nullptr) return false;
    for (uint32_t i = 0; i < distinct; i++)
      D[y].next[i] = make_tran(static_cast<event_t>(keys[start + i] & 0x3FF), 0);
    D[y].numelts = static_cast<uint16_t>(distinct);
  }
  return true;
}

}  // namespace

// Counting sort of the (supervisor state, event) keys by supervisor state, then one sort per row.
void condat1(const state_node *G, state_t NG, state_t NS, state_t n, const state_node *P,
             state_t *nd, state_node **D, const pair_code_t *pair_codes) {
  *nd = NS;
  *D = newdes(NS);
  uint32_t *first = static_cast<uint32_t *>(CALLOC(static_cast<size_t>(NS) + 1, sizeof(uint32_t)));
  uint32_t *keys = nullptr;
  bool ok = *D != nullptr && first != nullptr;
  if (ok) {
    int64_t total = 0;
    for_each_disabled(G, NG, n, P, pair_codes,
                      [&](state_t y, event_t) { first[y + 1]++, total++; });
    for (state_t y = 0; y < NS; y++) first[y + 1] += first[y];
    if (total > static_cast<int64_t>(UINT32_MAX)) mem_result = 1;
    ok = total <= static_cast<int64_t>(UINT32_MAX) &&
         (keys = MALLOC_N<uint32_t>(total > 0 ? static_cast<size_t>(total) : 1)) != nullptr;
  }
  if (ok) {
    // first[y] advances to the end of row y while filling.
    for_each_disabled(G, NG, n, P, pair_codes,
                      [&](state_t y, event_t e) { keys[first[y]++] = disabled_key(y, e); });
    ok = fill_rows(NS, keys, first, *D);
  }
  if (!ok) freedes(NS, D);
  free(keys);
  free(first);
}

int compute_controllable(const state_node *D, state_t nd) {
  for (state_t y = 0; y < nd; y++)
    for (int j = 0; j < D[y].numelts; j++)
      if (uncontrollable(D[y].next[j])) return 0;
  return 1;
}

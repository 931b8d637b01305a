// Supremal controllable sublanguage by removal of uncontrollable and blocking joint states, and
// the control data of a supervisor.
#include "algo/supcon.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "algo/product.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

bool uncontrollable(tran_entry t) {
  return (t.event() & 1) == 0;
}

// Work arrays of shave1. The reverse graph is held in compressed rows: from[first[t] ..
// first[t+1]) lists the sources of the transitions into t, each shifted left by one with the
// low bit set for an uncontrollable event.
struct shave_work {
  state_t n = 0;
  state_node *g = nullptr;
  size_t *first = nullptr;
  uint32_t *from = nullptr;
  uint16_t *need = nullptr;  // uncontrollable events of the plant component
  uint16_t *have = nullptr;  // uncontrollable transitions into states still alive
  char *alive = nullptr;
  char *seen = nullptr;  // coreachability search flags
  state_t *stack = nullptr;
  state_t top = 0;
  state_t alive_count = 0;
};

void release_work(shave_work *w) {
  free(w->first);
  free(w->from);
  free(w->need);
  free(w->have);
  free(w->alive);
  free(w->seen);
  free(w->stack);
}

bool allocate_work(shave_work *w) {
  size_t n = static_cast<size_t>(w->n);
  w->first = static_cast<size_t *>(CALLOC(n + 1, sizeof(size_t)));
  w->need = MALLOC_N<uint16_t>(n);
  w->have = MALLOC_N<uint16_t>(n);
  w->alive = static_cast<char *>(MALLOC(n));
  w->seen = static_cast<char *>(MALLOC(n));
  w->stack = MALLOC_N<state_t>(n);
  if (!w->first || !w->need || !w->have || !w->alive || !w->seen || !w->stack) return false;
  for (state_t s = 0; s < w->n; s++)
    for (int j = 0; j < w->g[s].numelts; j++) w->first[w->g[s].next[j].target() + 1]++;
  for (size_t t = 0; t < n; t++) w->first[t + 1] += w->first[t];
  w->from = MALLOC_N<uint32_t>(w->first[n] > 0 ? w->first[n] : 1);
  return w->from != nullptr;
}

void fill_work(shave_work *w, state_t NG, const state_node *G, const pair_code_t *pair_codes) {
  size_t *fill = w->first;  // advanced per row while filling, then shifted back
  for (state_t s = 0; s < w->n; s++) {
    uint16_t count = 0;
    for (int j = 0; j < w->g[s].numelts; j++) {
      tran_entry t = w->g[s].next[j];
      bool u = uncontrollable(t);
      count += u;
      w->from[fill[t.target()]++] = (static_cast<uint32_t>(s) << 1) | (u ? 1u : 0u);
    }
    w->have[s] = count;
    uncontrolist(pair_first(pair_codes[s], NG), G, &w->need[s]);
    w->alive[s] = 1;
  }
  for (state_t t = w->n; t > 0; t--) fill[t] = fill[t - 1];
  fill[0] = 0;
  w->alive_count = w->n;
}

void kill(shave_work *w, state_t s) {
  w->alive[s] = 0;
  w->alive_count--;
  w->stack[w->top++] = s;
}

bool bad(const shave_work *w, state_t s) {
  return w->need[s] != 0 && w->have[s] != w->need[s];
}

// Removes the states on the stack and, transitively, every state that thereby loses one of its
// uncontrollable transitions while the plant still allows it.
void close_controllability(shave_work *w) {
  while (w->top > 0) {
    state_t t = w->stack[--w->top];
    for (size_t i = w->first[t]; i < w->first[t + 1]; i++) {
      uint32_t entry = w->from[i];
      state_t s = static_cast<state_t>(entry >> 1);
      if (!(entry & 1u) || !w->alive[s]) continue;
      w->have[s]--;
      if (bad(w, s)) kill(w, s);
    }
  }
}

// Removes the live states that cannot reach a live marker state through live states. Returns
// whether any state was removed; they are left on the stack.
bool remove_blocking(shave_work *w) {
  memset(w->seen, 0, static_cast<size_t>(w->n));
  state_t *search = w->stack;
  state_t top = 0;
  for (state_t s = 0; s < w->n; s++)
    if (w->alive[s] && w->g[s].marked) w->seen[s] = 1, search[top++] = s;
  while (top > 0) {
    state_t t = search[--top];
    for (size_t i = w->first[t]; i < w->first[t + 1]; i++) {
      state_t s = static_cast<state_t>(w->from[i] >> 1);
      if (w->alive[s] && !w->seen[s]) w->seen[s] = 1, search[top++] = s;
    }
  }
  w->top = 0;
  for (state_t s = 0; s < w->n; s++)
    if (w->alive[s] && !w->seen[s]) kill(w, s);
  return w->top > 0;
}

// Keeps the live states reachable from state 0 through live states, in order.
void keep_reachable_live(shave_work *w, state_t *n, state_node **T, pair_code_t *pair_codes) {
  state_node *g = *T;
  for (state_t s = 0; s < *n; s++) g[s].reached = w->alive[s];
  purgebadstates(*n, T);
  for (state_t s = 0; s < *n; s++) g[s].reached = 0;
  g[0].reached = 1;
  b_reach(0, T);
  if (mem_result) return;
  uint32_t *map = reinterpret_cast<uint32_t *>(w->stack);  // same size as a state_t per state
  state_t survivors = 0;
  for (state_t s = 0; s < *n; s++) {
    map[s] = g[s].reached ? (RECODE_SURVIVES | static_cast<uint32_t>(survivors++)) : 0;
    g[s].coreach = g[s].reached;
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

void uncontrolist2(state_t k, const state_node *T, uint16_t *count) {
  *count = 0;
  for (int j = 0; j < T[k].numelts; j++) {
    tran_entry t = T[k].next[j];
    *count += uncontrollable(t) && T[t.target()].reached;
  }
}

// The removals reach the greatest set of joint states that are controllable and coreachable
// within the set; its part reachable from state 0 is the fixed point of alternating
// controllability judgements and trims, whichever order the states are judged in.
void shave1(state_t NG, state_node *G, state_t *n, state_node **T, pair_code_t *pair_codes) {
  if (*n <= 0) return;
  shave_work w;
  w.n = *n;
  w.g = *T;
  if (allocate_work(&w)) {
    fill_work(&w, NG, G, pair_codes);
    long before = w.n;
    for (bool first_round = true;; first_round = false) {
      progress_line("SHAVE1 %ld %ld", before, static_cast<long>(w.alive_count));
      before = w.alive_count;
      if (first_round)
        for (state_t s = 0; s < w.n; s++)
          if (bad(&w, s)) kill(&w, s);
      close_controllability(&w);
      if (!remove_blocking(&w)) break;
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

}  // namespace

void condat1(const state_node *G, state_t NG, state_t NS, state_t n, const state_node *P,
             state_t *nd, state_node **D, const pair_code_t *pair_codes) {
  *nd = NS;
  *D = newdes(NS);
  if (*D == nullptr) return;
  state_node *d = *D;
  // Count the disabled events per supervisor state, then place them in rows and sort each row.
  size_t *first = static_cast<size_t *>(CALLOC(static_cast<size_t>(NS) + 1, sizeof(size_t)));
  uint32_t *keys = nullptr;
  if (first != nullptr) {
    for (state_t k = 0; k < n; k++) {
      state_t x = pair_first(pair_codes[k], NG), y = pair_second(pair_codes[k], NG);
      merge_walk(
          G[x].next, G[x].numelts, P[k].next, P[k].numelts,
          [](tran_entry, tran_entry) { return true; },
          [&](tran_entry) { return ++first[y + 1], true; }, [](tran_entry) { return true; });
    }
    for (state_t y = 0; y < NS; y++) first[y + 1] += first[y];
    keys = MALLOC_N<uint32_t>(first[NS] > 0 ? first[NS] : 1);
  }
  if (keys != nullptr) {
    for (state_t k = 0; k < n; k++) {
      state_t x = pair_first(pair_codes[k], NG), y = pair_second(pair_codes[k], NG);
      merge_walk(
          G[x].next, G[x].numelts, P[k].next, P[k].numelts,
          [](tran_entry, tran_entry) { return true; },
          [&](tran_entry t) { return keys[first[y]++] = disabled_key(y, t.event()), true; },
          [](tran_entry) { return true; });
    }
    size_t start = 0;
    for (state_t y = 0; y < NS && !mem_result; y++) {
      size_t end = first[y];  // advanced to the end of row y while filling
      std::sort(keys + start, keys + end);
      size_t distinct = static_cast<size_t>(std::unique(keys + start, keys + end) - (keys + start));
      if (distinct > 0 && (d[y].next = MALLOC_N<tran_entry>(distinct)) != nullptr) {
        for (size_t i = 0; i < distinct; i++)
          d[y].next[i] = make_tran(static_cast<event_t>(keys[start + i] & 0x3FF), 0);
        d[y].numelts = static_cast<uint16_t>(distinct);
      }
      start = end;
    }
  }
  free(keys);
  free(first);
}

void genlist(uint16_t cG, const tran_entry *listG, uint16_t cP, const tran_entry *listP, state_t y,
             state_node *D) {
  merge_walk(
      listG, cG, listP, cP, [](tran_entry, tran_entry) { return true; },
      [&](tran_entry t) {
        int added;
        addordlist1(t.event(), 0, &D[y].next, D[y].numelts, &added);
        D[y].numelts += added;
        return !mem_result;
      },
      [](tran_entry) { return true; });
}

int compute_controllable(const state_node *D, state_t nd) {
  for (state_t y = 0; y < nd; y++)
    for (int j = 0; j < D[y].numelts; j++)
      if (uncontrollable(D[y].next[j])) return 0;
  return 1;
}

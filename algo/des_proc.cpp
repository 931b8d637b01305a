// Reachability, coreachability, trim and order-preserving compaction of a DES.
#include "algo/des_proc.h"

#include <algorithm>
#include <cstdlib>

#include "algo/grow_buf.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

const uint32_t RECODE_NUMBER = ~RECODE_SURVIVES;

void drop_transitions(state_node *node) {
  free(node->next);
  node->next = nullptr;
  node->numelts = 0;
}

void recode_states(state_t n, state_node *g, const uint32_t *map, pair_code_t *pair_codes) {
  for (state_t s = 0; s < n; s++) {
    state_node *node = &g[s];
    if (!(map[s] & RECODE_SURVIVES)) {
      drop_transitions(node);
      continue;
    }
    int kept = 0;
    for (int j = 0; j < node->numelts; j++) {
      tran_entry t = node->next[j];
      uint32_t to = map[t.target()];
      if (to & RECODE_SURVIVES)
        node->next[kept++] = make_tran(t.event(), static_cast<state_t>(to & RECODE_NUMBER));
    }
    shrink_list(node, kept);
    state_t m = static_cast<state_t>(map[s] & RECODE_NUMBER);
    if (m == s) continue;
    g[m] = *node;
    node->next = nullptr;
    node->numelts = 0;
    if (pair_codes != nullptr) pair_codes[m] = pair_codes[s];
  }
}

// Removes every state without `reached`, renumbering the rest in order and shrinking the array.
// Leaves the DES untouched when every state has `reached`.
void compact_reached(state_t *n, state_node **des, pair_code_t *pair_codes) {
  state_node *g = *des;
  state_t survivors = 0;
  for (state_t s = 0; s < *n; s++) survivors += g[s].reached;
  if (survivors == *n) return;
  uint32_t *map = MALLOC_N<uint32_t>(static_cast<size_t>(*n));
  if (map == nullptr) return;
  state_t next_number = 0;
  for (state_t s = 0; s < *n; s++)
    map[s] = g[s].reached ? (RECODE_SURVIVES | static_cast<uint32_t>(next_number++)) : 0;
  recode_states(*n, g, map, pair_codes);
  free(map);
  resize_des(des, *n, survivors);
  *n = survivors;
}

void start_forward_search(state_t n, state_node *g) {
  for (state_t s = 0; s < n; s++) g[s].reached = 0;
  g[0].reached = 1;
}

void trim_with(state_t *n, state_node **des, pair_code_t *pair_codes) {
  if (*n <= 0) return;
  start_forward_search(*n, *des);
  b_reach(0, des);
  if (mem_result) return;
  coreach2(*n, des);
  if (mem_result) return;
  state_node *g = *des;
  for (state_t s = *n - 1; s >= 0; s--)
    if (!g[s].coreach) g[s].reached = 0;
  compact_reached(n, des, pair_codes);
}

}  // namespace

// Shrinks a transition array that lost entries. A failed shrink keeps the larger block, which is
// still valid, so no failure is reported.
void shrink_list(state_node *node, int kept) {
  if (kept == node->numelts) return;
  node->numelts = static_cast<uint16_t>(kept);
  if (kept == 0) {
    free(node->next);
    node->next = nullptr;
    return;
  }
  tran_entry *smaller = static_cast<tran_entry *>(
      realloc(node->next, static_cast<size_t>(kept) * sizeof(tran_entry)));
  if (smaller != nullptr) node->next = smaller;
}

void b_reach(state_t start, state_node **des) {
  state_node *g = *des;
  grow_buf<state_t> fifo;
  long c = 0;
  if (!fifo.push(start)) return;
  for (size_t head = 0; head < fifo.len; head++) {
    const state_node &node = g[fifo.items[head]];
    for (int j = 0; j < node.numelts; j++) {
      state_t t = node.next[j].target();
      if (g[t].reached) continue;
      g[t].reached = 1;
      if (!fifo.push(t)) {
        fifo.release();
        return;
      }
      if (c % 10000 == 0) progress_line("B_REACH: %ld", c);
      c++;
    }
  }
  fifo.release();
}

void reach(state_t *n, state_node **des) {
  if (*n <= 0) return;
  start_forward_search(*n, *des);
  b_reach(0, des);
  if (mem_result) return;
  compact_reached(n, des, nullptr);
}

bool build_reverse_rows(state_t n, const state_node *des, reverse_rows *rows) {
  rows->first = static_cast<uint32_t *>(CALLOC(static_cast<size_t>(n) + 1, sizeof(uint32_t)));
  rows->from = nullptr;
  int64_t total = count_tran(des, n);
  bool too_many = total > static_cast<int64_t>(UINT32_MAX);
  if (too_many) mem_result = 1;
  if (rows->first != nullptr && !too_many)
    rows->from = MALLOC_N<uint32_t>(total > 0 ? static_cast<size_t>(total) : 1);
  if (rows->from == nullptr) {
    free_reverse_rows(rows);
    return false;
  }
  uint32_t *first = rows->first;
  for (state_t s = 0; s < n; s++)
    for (int j = 0; j < des[s].numelts; j++) first[des[s].next[j].target() + 1]++;
  for (state_t t = 0; t < n; t++) first[t + 1] += first[t];
  // first[t] serves as the fill position of row t, then is shifted back to the row start.
  for (state_t s = 0; s < n; s++)
    for (int j = 0; j < des[s].numelts; j++) {
      tran_entry t = des[s].next[j];
      uint32_t uncontrollable = (t.event() & 1) == 0 ? 1u : 0u;
      rows->from[first[t.target()]++] = (static_cast<uint32_t>(s) << 1) | uncontrollable;
    }
  for (state_t t = n; t > 0; t--) first[t] = first[t - 1];
  first[0] = 0;
  return true;
}

void free_reverse_rows(reverse_rows *rows) {
  free(rows->first);
  free(rows->from);
  rows->first = nullptr;
  rows->from = nullptr;
}

// The search keeps its flags in a byte array (far denser than the state records) and copies them
// to the states at the end.
void coreach2(state_t n, state_node **des) {
  if (n <= 0) return;
  state_node *g = *des;
  reverse_rows rows;
  char *co = static_cast<char *>(MALLOC(static_cast<size_t>(n)));
  state_t *work = MALLOC_N<state_t>(static_cast<size_t>(n));
  if (co != nullptr && work != nullptr && build_reverse_rows(n, g, &rows)) {
    state_t top = 0;
    for (state_t s = 0; s < n; s++) {
      co[s] = static_cast<char>(g[s].marked);
      if (co[s]) work[top++] = s;
    }
    long c = 0;
    while (top > 0) {
      state_t t = work[--top];
      for (uint32_t i = rows.first[t]; i < rows.first[t + 1]; i++) {
        state_t s = static_cast<state_t>(rows.from[i] >> 1);
        if (++c % 1000 == 0) progress_line("COREACH1: %ld", c);
        if (co[s]) continue;
        co[s] = 1;
        work[top++] = s;
      }
    }
    for (state_t s = 0; s < n; s++) g[s].coreach = co[s] != 0;
    free_reverse_rows(&rows);
  }
  free(work);
  free(co);
}

namespace {

// One frame of the depth-first search: a state and the position of the transition being tried.
struct search_frame {
  state_t state;
  int position;
};

}  // namespace

void coreach1(state_t start, state_t n, state_node **des, char *dead) {
  state_node *g = *des;
  char *visited = static_cast<char *>(CALLOC(static_cast<size_t>(n), 1));
  if (visited == nullptr) return;
  grow_buf<search_frame> path;
  visited[start] = 1;
  search_frame at{start, 0};
  long c = 0;
  bool found = false;
  for (;;) {
    if (at.position >= g[at.state].numelts) {
      if (path.len == 0) break;
      at = path.items[--path.len];
      at.position++;
      continue;
    }
    state_t t = g[at.state].next[at.position].target();
    if (g[t].marked || g[t].coreach) {
      found = true;
      break;
    }
    if (visited[t] || dead[t]) {
      at.position++;
    } else {
      visited[t] = 1;
      if (!path.push(at)) break;
      at = search_frame{t, 0};
    }
    if (++c % 1000 == 0) progress_line("COREACH1: %ld", c);
  }
  if (found) {
    g[at.state].coreach = 1;
    for (size_t i = 0; i < path.len; i++) g[path.items[i].state].coreach = 1;
  } else if (!mem_result) {
    for (state_t v = 0; v < n; v++)
      if (visited[v]) dead[v] = 1;
  }
  path.release();
  free(visited);
}

void trim1(state_t *n, state_node **des) {
  trim_with(n, des, nullptr);
}

void trim2(state_t *n, state_node **des, pair_code_t *pair_codes) {
  trim_with(n, des, pair_codes);
}

void recode(state_t n, state_node **des, const uint32_t *map) {
  recode_states(n, *des, map, nullptr);
}

void recode2(state_t n, state_node **des, const uint32_t *map, pair_code_t *pair_codes) {
  recode_states(n, *des, map, pair_codes);
}

void purgebadstates(state_t n, state_node **des) {
  state_node *g = *des;
  for (state_t s = 0; s < n; s++) {
    state_node *node = &g[s];
    if (!node->reached) {
      drop_transitions(node);
      continue;
    }
    int kept = 0;
    for (int j = 0; j < node->numelts; j++)
      if (g[node->next[j].target()].reached) node->next[kept++] = node->next[j];
    shrink_list(node, kept);
  }
}

void reversetran1(state_t s, const state_node *des, state_node *rev) {
  const state_node &node = des[s];
  for (int j = 0; j < node.numelts; j++) {
    state_node &back = rev[node.next[j].target()];
    if (back.numelts == UINT16_MAX) {
      mem_result = 1;
      return;
    }
    int added;
    addordlist1(node.next[j].event(), s, &back.next, back.numelts, &added);
    if (added) back.numelts++;
  }
}

// Counts the transitions entering each state into rev[t].numelts; 0 when one count overflows.
static int count_in_degrees(state_t n, const state_node *des, state_node *rev) {
  for (state_t s = 0; s < n; s++) {
    for (int j = 0; j < des[s].numelts; j++) {
      state_node &back = rev[des[s].next[j].target()];
      if (back.numelts == UINT16_MAX) return 0;
      back.numelts++;
    }
  }
  return 1;
}

int reverse_graph(state_t n, const state_node *des, state_node *rev) {
  if (!count_in_degrees(n, des, rev)) {
    for (state_t t = 0; t < n; t++) rev[t].numelts = 0;
    mem_result = 1;
    return 0;
  }
  for (state_t t = 0; t < n; t++) {
    int degree = rev[t].numelts;
    rev[t].numelts = 0;
    if (degree == 0) continue;
    rev[t].next = MALLOC_N<tran_entry>(static_cast<size_t>(degree));
    if (rev[t].next == nullptr) return 0;
  }
  // Sources arrive in ascending order, so each list is sorted by source and only needs ordering
  // by event; a DES holds no duplicate (event, target) pair, so neither does its reverse.
  for (state_t s = 0; s < n; s++)
    for (int j = 0; j < des[s].numelts; j++) {
      state_node &back = rev[des[s].next[j].target()];
      back.next[back.numelts++] = make_tran(des[s].next[j].event(), s);
    }
  for (state_t t = 0; t < n; t++)
    std::stable_sort(rev[t].next, rev[t].next + rev[t].numelts, tran_less);
  return 1;
}

int64_t count_tran(const state_node *des, state_t n) {
  int64_t total = 0;
  for (state_t s = 0; s < n; s++) total += des[s].numelts;
  return total;
}

state_t num_marked(const state_node *des, state_t n) {
  return num_mark_states(des, n);
}

// High-level generator, event relabelling, and the repair of duplicate labels they share.
#include "algo/higen.h"

#include <cstdlib>
#include <cstring>

#include "algo/compare.h"
#include "algo/grow_buf.h"
#include "algo/scc.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

const int LABEL_SPACE = 1024;          // labels a tran_entry can hold
const int MAX_FRESH_CANDIDATE = 1022;  // the candidate after a fresh label may not pass this
const int MAX_REMAPPED = 1000;         // highest label remap_events may give

bool add_tran(state_node *node, event_t e, state_t t) {
  if (node->numelts == UINT16_MAX) {
    mem_result = 1;
    return false;
  }
  int added;
  addordlist1(e, t, &node->next, node->numelts, &added);
  if (added) node->numelts++;
  return added || !mem_result;
}

bool add_null(event_t e, event_t **nulls, uint16_t *count) {
  int added;
  addordlist(e, nulls, *count, &added);
  if (added) (*count)++;
  return added || !mem_result;
}

}  // namespace

const char *relabel_overflow_message(int status) {
  if (status == RELABEL_REMAP_OVERFLOW) return "Excessed maximum - re-map events has fail";
  if (status == RELABEL_FIX_OVERFLOW) return "Excessed maximum - fix semi-deterministism has fail";
  return nullptr;
}

int fix_semi_deter(state_t *n, state_node **des, int keep_silent, event_t **nulls,
                   uint16_t *null_count, int *done) {
  bool used[LABEL_SPACE] = {};
  for (state_t s = 0; s < *n; s++)
    for (int j = 0; j < (*des)[s].numelts; j++) used[(*des)[s].next[j].event()] = true;
  int candidate = 0;
  for (state_t j = 0; j < *n && !mem_result; j++) {
    progress_line("FIX_SEMI: %d %d", static_cast<int>(j), static_cast<int>(*n));
    if ((*des)[j].numelts == 0) continue;
    event_t a = (*des)[j].next[0].event();
    for (int p = 1; p < (*des)[j].numelts && !mem_result; p++) {
      tran_entry dup = (*des)[j].next[p];
      event_t e = dup.event();
      if (e == a && (e != 0 || !keep_silent)) {
        int f = candidate;
        while (f < LABEL_SPACE && used[f]) f++;
        if (f + 1 > MAX_FRESH_CANDIDATE) return RELABEL_FIX_OVERFLOW;
        state_node *before = *des;
        resize_des(des, *n, *n + 1);
        if (*des == before && mem_result) break;
        state_t fresh_state = (*n)++;
        state_node &from = (*des)[j];
        state_node &to = (*des)[fresh_state];
        to.marked = from.marked;
        for (int k = 0; k < from.numelts; k++)
          if (from.next[k].event() != e &&
              !add_tran(&to, from.next[k].event(), from.next[k].target()))
            break;
        event_t label = static_cast<event_t>(f);
        if (!add_tran(&from, label, fresh_state) || !add_null(label, nulls, null_count)) break;
        candidate = f + 1;
        if (!add_tran(&to, e, dup.target())) break;
        int removed;
        delete_ordlist1(e, dup.target(), &from.next, from.numelts, &removed);
        if (removed) from.numelts--;
        // The transition after the moved one is now at p, unless the fresh label sorted in
        // before it and pushed it to p + 1.
        if (label > e) p--;
      }
      a = e;
    }
  }
  *done = 1;
  return RELABEL_OK;
}

int mark_higen(const state_node *G, state_t n, uint8_t *marks) {
  // lead[t]: the silent state t >= 1 is marked or reaches a marked silent state through silent
  // states other than 0; found by a backward search over the transitions among such states.
  uint8_t *lead = static_cast<uint8_t *>(CALLOC(n > 0 ? static_cast<size_t>(n) : 1, 1));
  uint32_t *first = static_cast<uint32_t *>(CALLOC(static_cast<size_t>(n) + 2, 4));
  grow_buf<state_t> from, todo;
  auto inner = [G](state_t s) { return s != 0 && G[s].vocal == 0; };
  bool ok = lead != nullptr && first != nullptr;
  for (state_t x = 0; ok && x < n; x++)
    if (inner(x))
      for (int j = 0; j < G[x].numelts; j++)
        if (inner(G[x].next[j].target())) first[G[x].next[j].target() + 2]++;
  for (state_t s = 0; ok && s < n; s++) first[s + 2] += first[s + 1];
  ok = ok && from.reserve(static_cast<size_t>(first[n + 1]) + 1);
  for (state_t x = 0; ok && x < n; x++)
    if (inner(x))
      for (int j = 0; j < G[x].numelts; j++)
        if (inner(G[x].next[j].target())) from.items[first[G[x].next[j].target() + 1]++] = x;
  for (state_t s = 1; ok && s < n; s++)
    if (inner(s) && G[s].marked) {
      lead[s] = 1;
      ok = todo.push(s);
    }
  while (ok && todo.len > 0) {
    state_t t = todo.items[--todo.len];
    for (uint32_t k = first[t]; ok && k < first[t + 1]; k++)
      if (!lead[from.items[k]]) {
        lead[from.items[k]] = 1;
        ok = todo.push(from.items[k]);
      }
  }
  for (state_t k = 0; ok && k < n; k++) {
    marks[k] = G[k].marked;
    if (k == 0 || marks[k] || G[k].vocal == 0) continue;
    for (int j = 0; j < G[k].numelts && !marks[k]; j++)
      marks[k] = lead[G[k].next[j].target()] && inner(G[k].next[j].target());
  }
  free(lead);
  free(first);
  from.release();
  todo.release();
  if (!ok) mem_result = 1;
  return ok ? 1 : 0;
}

void contract_null_cycles(state_t *n, state_node **des) {
  int32_t *component = MALLOC_N<int32_t>(*n > 0 ? static_cast<size_t>(*n) : 1);
  state_t *renumber = nullptr;
  state_node *merged = nullptr;
  state_t count = -1;
  if (component != nullptr)
    count = strong_components(
        *n, *des, [](state_t) { return true; },
        [](state_t, tran_entry t) { return t.event() == 0; }, component);
  if (count == *n || count < 0) {
    free(component);
    return;
  }
  renumber = MALLOC_N<state_t>(static_cast<size_t>(count));
  merged = newdes(count);
  bool ok = renumber != nullptr && merged != nullptr;
  for (state_t c = 0; ok && c < count; c++) renumber[c] = -1;
  state_t next = 0;
  for (state_t s = 0; ok && s < *n; s++)
    if (renumber[component[s]] < 0) renumber[component[s]] = next++;
  for (state_t s = 0; ok && s < *n; s++) {
    state_node &into = merged[renumber[component[s]]];
    into.marked = into.marked | (*des)[s].marked;
    for (int j = 0; ok && j < (*des)[s].numelts; j++) {
      tran_entry t = (*des)[s].next[j];
      ok = add_tran(&into, t.event(), renumber[component[t.target()]]);
    }
  }
  free(component);
  free(renumber);
  if (!ok) {
    freedes(count, &merged);
    mem_result = 1;
    return;
  }
  freedes(*n, des);
  *des = merged;
  *n = count;
}

int remap_events(state_node *G, state_t n) {
  bool is_output[8192] = {};
  bool is_event[LABEL_SPACE] = {};
  for (state_t s = 0; s < n; s++) {
    is_output[G[s].vocal] = true;
    for (int j = 0; j < G[s].numelts; j++) is_event[G[s].next[j].event()] = true;
  }
  event_t map[LABEL_SPACE];
  int label = 0;
  for (int e = 0; e < LABEL_SPACE; e++) {
    if (!is_event[e]) continue;
    label++;
    while (is_output[label]) label++;
    if (label > MAX_REMAPPED) return RELABEL_REMAP_OVERFLOW;
    map[e] = static_cast<event_t>(label);
  }
  for (state_t s = 0; s < n; s++)
    for (int j = 0; j < G[s].numelts; j++) G[s].next[j].set_event(map[G[s].next[j].event()]);
  return RELABEL_OK;
}

int higen_des(state_t *n, state_node **des, event_t **nulls, uint16_t *null_count) {
  if (*n <= 0) return RELABEL_OK;
  for (state_t s = 0; s < *n; s++)
    if ((*des)[s].vocal > MAX_EVENT) return RELABEL_OUTPUT_TOO_LARGE;
  state_t hn = *n;
  state_node *G = *des;
  state_node *H = newdes(hn);
  if (H == nullptr) {
    mem_result = 1;
    return RELABEL_OK;
  }
  int status = remap_events(G, *n);
  for (state_t i = 0; status == RELABEL_OK && !mem_result && i < *n; i++)
    for (int j = 0; j < G[i].numelts; j++) {
      state_t c = G[i].next[j].target();
      if (!add_tran(&H[i], static_cast<event_t>(G[c].vocal), c)) break;
    }
  if (status == RELABEL_OK && !mem_result) {
    uint8_t *marks = static_cast<uint8_t *>(MALLOC(static_cast<size_t>(*n)));
    if (marks != nullptr && mark_higen(G, *n, marks))
      for (state_t k = 0; k < *n; k++) H[k].marked = marks[k] & 1;
    free(marks);
    free(*nulls);
    *nulls = nullptr;
    *null_count = 0;
    add_null(0, nulls, null_count);
  }
  if (status == RELABEL_OK && !mem_result && checkdet(hn, H) == 0) {
    int done = 0;
    status = fix_semi_deter(&hn, &H, 1, nulls, null_count, &done);
  }
  if (status == RELABEL_OK && !mem_result) contract_null_cycles(&hn, &H);
  if (status != RELABEL_OK || mem_result) {
    freedes(hn, &H);
    return status;
  }
  freedes(*n, des);
  *des = H;
  *n = hn;
  return RELABEL_OK;
}

int eventmap_des(const state_node *in, state_t n, state_node **out, state_t *out_n,
                 const state_pair *pairs, state_t pair_count, event_t **nulls, uint16_t *null_count,
                 int *done) {
  *done = 1;
  *out = nullptr;
  *out_n = 0;
  if (n <= 0) return RELABEL_OK;
  state_node *copy = newdes(n);
  if (copy == nullptr) {
    *done = 0;
    mem_result = 1;
    return RELABEL_OK;
  }
  event_t map[LABEL_SPACE];
  for (int e = 0; e < LABEL_SPACE; e++) map[e] = static_cast<event_t>(e);
  // Pairs are sorted, so walking them backwards leaves the smallest new label of each old one.
  for (state_t p = pair_count - 1; p >= 0; p--)
    if (pairs[p].data1 >= 0 && pairs[p].data1 <= MAX_EVENT && pairs[p].data2 >= 0 &&
        pairs[p].data2 <= MAX_EVENT)
      map[pairs[p].data1] = static_cast<event_t>(pairs[p].data2);
  for (state_t s = 0; s < n && !mem_result; s++) {
    copy[s].marked = in[s].marked;
    copy[s].vocal = in[s].vocal;
    for (int j = 0; j < in[s].numelts; j++)
      if (!add_tran(&copy[s], map[in[s].next[j].event()], in[s].next[j].target())) break;
  }
  state_t cn = n;
  int status = RELABEL_OK;
  if (!mem_result && checkdet(cn, copy) == 0)
    status = fix_semi_deter(&cn, &copy, 0, nulls, null_count, done);
  if (status != RELABEL_OK || mem_result) {
    freedes(cn, &copy);
    if (mem_result) *done = 0;
    return status;
  }
  *out = copy;
  *out_n = cn;
  return RELABEL_OK;
}

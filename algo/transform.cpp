// Complement, mutual exclusion, all-events DES and supremal closed sublanguage.
#include "algo/transform.h"

#include <cstdlib>

#include "algo/des_proc.h"
#include "algo/grow_buf.h"
#include "model/mymalloc.h"

namespace {

// Shrinks an event list allocated for more entries; frees it when it holds none.
void fit_event_list(uint16_t count, event_t **list) {
  if (count == 0) {
    free(*list);
    *list = nullptr;
    return;
  }
  event_t *shrunk = static_cast<event_t *>(realloc(*list, count * sizeof(event_t)));
  if (shrunk != nullptr) *list = shrunk;
}

// Event list of the whole DES with the auxiliary events added; 0 on allocation failure.
int complement_alphabet(state_t n, state_node *des, uint16_t count, const event_t *aux,
                        uint16_t *ecount, event_t **E) {
  *ecount = 0;
  *E = nullptr;
  if (n > 0) gentranlist(n, des, ecount, E);
  for (uint16_t i = 0; i < count && !mem_result; i++) {
    int added;
    addordlist(aux[i], E, *ecount, &added);
    *ecount = static_cast<uint16_t>(*ecount + added);
  }
  return !mem_result;
}

// Gives state s a transition to `dump` on every event of D (sorted), merging it into the state's
// sorted list. 0 (mem_result set) on allocation failure or when the state cannot count them all.
int add_dump_transitions(state_node *node, state_t dump, uint16_t dcount, const event_t *D) {
  int total = node->numelts + dcount;
  if (total > UINT16_MAX) {
    mem_result = 1;
    return 0;
  }
  tran_entry *merged = MALLOC_N<tran_entry>(static_cast<size_t>(total));
  if (merged == nullptr) return 0;
  int i = 0, j = 0, k = 0;
  while (i < node->numelts || j < dcount) {
    tran_entry extra = j < dcount ? make_tran(D[j], dump) : tran_entry{0};
    if (j == dcount || (i < node->numelts && tran_less(node->next[i], extra))) {
      merged[k++] = node->next[i++];
    } else {
      merged[k++] = extra;
      j++;
    }
  }
  free(node->next);
  node->next = merged;
  node->numelts = static_cast<uint16_t>(total);
  return 1;
}

// Makes `node` a marked, silent state with a selfloop (e, self) for every event of E.
int make_selfloop_state(state_node *node, state_t self, uint16_t ecount, const event_t *E) {
  *node = nil_state_node;
  node->marked = 1;
  if (ecount == 0) return 1;
  node->next = MALLOC_N<tran_entry>(ecount);
  if (node->next == nullptr) return 0;
  for (uint16_t i = 0; i < ecount; i++) node->next[i] = make_tran(E[i], self);
  node->numelts = ecount;
  return 1;
}

// Removes the transitions of `node` whose predicate `drop(target)` holds, shrinking the list.
template <typename Drop>
void drop_transitions(state_node *node, Drop drop) {
  int kept = 0;
  for (int j = 0; j < node->numelts; j++)
    if (!drop(node->next[j].target())) node->next[kept++] = node->next[j];
  shrink_list(node, kept);
}

// Mutex helpers ---------------------------------------------------------------------------------

// Sorted, duplicate-free product states of the excluded pairs that the product reaches.
state_t forbidden_states(state_t n, state_t N1, state_t N2, const product_index *index,
                         const state_pair *pairs, state_t npairs, state_t **bad) {
  state_t nbad = 0;
  for (state_t p = 0; p < npairs && !mem_result; p++) {
    state_t i = pairs[p].data1, j = pairs[p].data2;
    if (i < 0 || i >= N1 || j < 0 || j >= N2) continue;
    state_t joint = product_lookup(index, i, j);
    if (joint < 0 || joint >= n) continue;
    int added;
    addstatelist(joint, bad, nbad, &added);
    nbad += added;
  }
  return nbad;
}

// Flags the forbidden states (`reached`, the only states with it) and releases their transitions.
void flag_forbidden(state_t n, state_node *des, const state_t *bad, state_t nbad) {
  for (state_t s = 0; s < n; s++) des[s].reached = 0;
  for (state_t b = 0; b < nbad; b++) {
    state_node &node = des[bad[b]];
    node.reached = 1;
    free(node.next);
    node.next = nullptr;
    node.numelts = 0;
  }
}

// Spreads the forbidden flag backwards over uncontrollable events. 0 on allocation failure.
int spread_forbidden(state_t n, state_node *des, const state_t *bad, state_t nbad) {
  state_node *rev = newdes(n);
  if (rev == nullptr) return 0;
  reverse_graph(n, des, rev);
  for (state_t b = 0; b < nbad && !mem_result; b++) ya_coreach2(bad[b], des, rev);
  freedes(n, &rev);
  return !mem_result;
}

// Keeps the states without the forbidden flag, compacted in order; sets `reached` on them.
void remove_forbidden(state_t *n, state_node **des) {
  uint32_t *map = MALLOC_N<uint32_t>(static_cast<size_t>(*n));
  if (map == nullptr) return;
  state_t kept = 0;
  for (state_t s = 0; s < *n; s++) {
    state_node &node = (*des)[s];
    node.reached = !node.reached;
    map[s] = node.reached ? (0x80000000u | static_cast<uint32_t>(kept++)) : 0u;
  }
  if (kept < *n) {
    recode(*n, des, map);
    resize_des(des, *n, kept);
    *n = kept;
  }
  free(map);
}

void empty_des(state_t *n, state_node **des) {
  freedes(*n, des);
  *n = 0;
}

}  // namespace

// Event lists -----------------------------------------------------------------------------------

void genstatetran(state_t s, const state_node *des, uint16_t *count, event_t **events) {
  *count = 0;
  *events = nullptr;
  const state_node &node = des[s];
  if (node.numelts == 0) return;
  *events = MALLOC_N<event_t>(node.numelts);
  if (*events == nullptr) return;
  for (int j = 0; j < node.numelts; j++) {
    event_t e = node.next[j].event();
    if (*count == 0 || (*events)[*count - 1] != e) (*events)[(*count)++] = e;
  }
  fit_event_list(*count, events);
}

void gendifflist(uint16_t ca, const event_t *A, uint16_t cb, const event_t *B, uint16_t *count,
                 event_t **diff) {
  *count = 0;
  *diff = nullptr;
  if (ca == 0) return;
  *diff = MALLOC_N<event_t>(ca);
  if (*diff == nullptr) return;
  *count = event_difference(A, ca, B, cb, *diff);
  fit_event_list(*count, diff);
}

// Complement ------------------------------------------------------------------------------------

void complement1(state_t *n, state_node **des, uint16_t count, const event_t *aux) {
  uint16_t ecount;
  event_t *E;
  if (!complement_alphabet(*n, *des, count, aux, &ecount, &E)) {
    free(E);
    return;
  }
  if (*n <= 0) {
    *des = newdes(1);
    if (*des != nullptr && make_selfloop_state(&(*des)[0], 0, ecount, E)) {
      *n = 1;
    } else {
      free(*des);
      *des = nullptr;
    }
    free(E);
    return;
  }
  state_t dump = *n;
  bool grown = false;
  for (state_t i = 0; i < dump && !mem_result; i++) {
    (*des)[i].marked = !(*des)[i].marked;
    uint16_t own_count, dcount;
    event_t *own, *D;
    genstatetran(i, *des, &own_count, &own);
    gendifflist(ecount, E, own_count, own, &dcount, &D);
    if (dcount > 0 && !mem_result && !grown) {
      if (dump >= MAX_STATES)
        mem_result = 1;
      else
        resize_des(des, dump, dump + 1);
      grown = !mem_result;
    }
    if (dcount > 0 && grown) add_dump_transitions(&(*des)[i], dump, dcount, D);
    free(own);
    free(D);
  }
  if (grown && make_selfloop_state(&(*des)[dump], dump, ecount, E)) *n = dump + 1;
  free(E);
}

// Mutex -----------------------------------------------------------------------------------------

void ya_coreach2(state_t k, state_node *des, state_node *rev) {
  grow_buf<state_t> stack;
  rev[k].reached = 1;
  bool ok = stack.push(k);
  while (ok && stack.len > 0) {
    const state_node &node = rev[stack.items[--stack.len]];
    for (int j = 0; j < node.numelts && ok; j++) {
      tran_entry entry = node.next[j];
      state_t u = entry.target();
      if (rev[u].reached || entry.event() % 2 == 1) continue;
      rev[u].reached = 1;
      des[u].reached = 1;
      ok = stack.push(u);
    }
  }
  stack.release();
}

void mutex1(state_t *n, state_node **des, state_t N1, state_t N2, const product_index *index,
            const state_pair *pairs, state_t npairs) {
  if (*n <= 0 || npairs <= 0) return;
  state_t *bad = nullptr;
  state_t nbad = forbidden_states(*n, N1, N2, index, pairs, npairs, &bad);
  if (nbad == 0 || mem_result) {
    free(bad);
    return;
  }
  flag_forbidden(*n, *des, bad, nbad);
  if ((*des)[0].reached) {
    free(bad);
    empty_des(n, des);
    return;
  }
  int spread = spread_forbidden(*n, *des, bad, nbad);
  free(bad);
  if (!spread) return;
  if ((*des)[0].reached)
    empty_des(n, des);
  else
    remove_forbidden(n, des);
}

// All events and supremal closed sublanguage ----------------------------------------------------

void allevent_des(state_node **des, state_t *n, state_node **out, state_t *nout) {
  if (*n <= 0) return;
  uint16_t ecount = 0;
  event_t *E = nullptr;
  gentranlist(*n, *des, &ecount, &E);
  state_node *one = mem_result ? nullptr : newdes(1);
  if (one != nullptr && make_selfloop_state(&one[0], 0, ecount, E)) {
    *out = one;
    *nout = 1;
  } else {
    free(one);
  }
  free(E);
}

void supclo_des(state_node **des, state_t *n, state_node **out, state_t *nout) {
  *nout = 0;
  if (*n <= 0 || !(*des)[0].marked) return;
  state_node *g = *des;
  state_t marked_others = 0;
  for (state_t s = 1; s < *n; s++) marked_others += g[s].marked;
  if (marked_others == 0) {
    state_node *one = newdes(1);
    if (one == nullptr) return;
    one[0].marked = 1;
    for (int j = 0; j < g[0].numelts; j++) {
      if (g[0].next[j].target() != 0) continue;
      int added;
      addordlist1(g[0].next[j].event(), 0, &one[0].next, one[0].numelts, &added);
      one[0].numelts = static_cast<uint16_t>(one[0].numelts + added);
    }
    *out = one;
    *nout = 1;
    return;
  }
  if (marked_others < *n - 1) {
    for (state_t s = 0; s < *n; s++)
      drop_transitions(&g[s], [g](state_t t) { return !g[t].marked; });
    trim1(n, des);
  }
  *out = *des;
  *nout = *n;
  *des = nullptr;
  *n = 0;
}

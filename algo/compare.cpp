// Isomorphism, nonconflict and determinism tests, and the breadth-first renumbering.
#include "algo/compare.h"

#include <algorithm>
#include <cstdlib>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

// Isomorphism: helpers -------------------------------------------------------------------------

bool same_label(const state_node &a, const state_node &b) {
  return a.marked == b.marked && a.vocal == b.vocal && a.numelts == b.numelts;
}

// Pairs x with y as an assumption of the comparison under way.
void assume_pair(iso_search *s, state_t x, state_t y) {
  s->map1[x] = y;
  s->map2[y] = x;
  s->assumed[s->nassumed++] = x;
}

// Undoes every assumed pair.
void drop_assumed(iso_search *s) {
  for (state_t i = 0; i < s->nassumed; i++) {
    state_t x = s->assumed[i];
    s->map2[s->map1[x]] = -1;
    s->map1[x] = -1;
  }
  s->nassumed = 0;
}

// Turns every assumed pair into a committed one.
void commit_assumed(iso_search *s) {
  for (state_t i = 0; i < s->nassumed; i++) {
    state_t x = s->assumed[i];
    state_t y = s->map1[x];
    s->corr[x] = y;
    s->g1[x].reached = 1;
    s->g2[y].reached = 1;
  }
  s->nassumed = 0;
}

// Releases the working arrays of an isomorphism test.
void free_search(iso_search *s) {
  free(s->map1);
  free(s->map2);
  free(s->assumed);
  s->stack.release();
}

// Allocates the working arrays; 0 on allocation failure (mem_result set).
int init_search(iso_search *s, state_node *G1, state_node *G2, state_t n, state_t *corr) {
  *s = iso_search{G1, G2, n, corr, nullptr, nullptr, nullptr, 0, {}};
  s->map1 = MALLOC_N<state_t>(static_cast<size_t>(n));
  s->map2 = MALLOC_N<state_t>(static_cast<size_t>(n));
  s->assumed = MALLOC_N<state_t>(static_cast<size_t>(n));
  if (s->map1 == nullptr || s->map2 == nullptr || s->assumed == nullptr) return 0;
  std::fill(s->map1, s->map1 + n, -1);
  std::fill(s->map2, s->map2 + n, -1);
  return 1;
}

// BFS recode: helpers ---------------------------------------------------------------------------

// Fills order[] with the states reachable from state 0 in breadth-first order and map[] with
// the inverse (-1 for states not reached); returns their number. Uses `reached` as the mark.
state_t bfs_order(state_t n, state_node *des, state_t *order, state_t *map) {
  for (state_t s = 0; s < n; s++) {
    des[s].reached = 0;
    map[s] = -1;
  }
  des[0].reached = 1;
  map[0] = 0;
  order[0] = 0;
  state_t count = 1;
  for (state_t head = 0; head < count; head++) {
    const state_node &node = des[order[head]];
    for (int j = 0; j < node.numelts; j++) {
      state_t t = node.next[j].target();
      if (des[t].reached) continue;
      des[t].reached = 1;
      map[t] = count;
      order[count++] = t;
    }
  }
  return count;
}

// Gives the transitions of a kept state their new targets, drops those into dropped states and
// re-sorts the list (renumbering can reorder targets of one event).
void renumber_transitions(state_node *node, const state_t *map) {
  int kept = 0;
  for (int j = 0; j < node->numelts; j++) {
    tran_entry t = node->next[j];
    state_t to = map[t.target()];
    if (to >= 0) node->next[kept++] = make_tran(t.event(), to);
  }
  std::sort(node->next, node->next + kept, tran_less);
  shrink_list(node, kept);
}

}  // namespace

// Isomorphism -----------------------------------------------------------------------------------

int compare_tran(state_t x, state_t y, iso_search *s) {
  s->stack.len = 0;
  if (!s->stack.push(iso_frame{x, y, 0})) return 0;
  while (s->stack.len > 0) {
    iso_frame &top = s->stack.items[s->stack.len - 1];
    const state_node &a = s->g1[top.x];
    const state_node &b = s->g2[top.y];
    if (top.pos == a.numelts) {
      s->stack.len--;
      continue;
    }
    tran_entry ta = a.next[top.pos];
    tran_entry tb = b.next[top.pos];
    top.pos++;
    if (ta.event() != tb.event()) return 0;
    state_t xt = ta.target(), yt = tb.target();
    if (s->map1[xt] == yt) continue;
    if (s->map1[xt] != -1 || s->map2[yt] != -1) return 0;
    if (!same_label(s->g1[xt], s->g2[yt])) return 0;
    assume_pair(s, xt, yt);
    if (!s->stack.push(iso_frame{xt, yt, 0})) return 0;
  }
  return 1;
}

int compare_states(state_t x, state_t y, iso_search *s) {
  if (s->map1[x] != -1 || s->map2[y] != -1) return s->map1[x] == y;
  if (!same_label(s->g1[x], s->g2[y])) return 0;
  assume_pair(s, x, y);
  if (compare_tran(x, y, s)) {
    commit_assumed(s);
    return 1;
  }
  drop_assumed(s);
  return 0;
}

// Departure from the classic procedure: a failed pairing is undone, so "yes" is always a true
// isomorphism.
void iso1(state_t N1, state_t N2, state_node *G1, state_node *G2, int *result, state_t *corr) {
  *result = 0;
  if (N1 != N2 || num_marked(G1, N1) != num_marked(G2, N2) ||
      count_tran(G1, N1) != count_tran(G2, N2))
    return;
  if (N1 <= 0) {
    *result = 1;
    return;
  }
  for (state_t i = 0; i < N1; i++) G1[i].reached = G2[i].reached = 0;
  iso_search search;
  if (!init_search(&search, G1, G2, N1, corr) || !compare_states(0, 0, &search)) {
    free_search(&search);
    return;
  }
  *result = 1;
  for (state_t i = 1; i < N1 && *result == 1; i++) {
    progress_line("ISO1: %d %d", static_cast<int>(i), static_cast<int>(N1));
    if (G1[i].reached) continue;
    *result = 0;
    for (state_t k = 1; k < N1 && !mem_result; k++) {
      if (G2[k].reached || !compare_states(i, k, &search)) continue;
      *result = 1;
      break;
    }
  }
  if (mem_result) *result = 0;
  free_search(&search);
}

// Nonconflict -----------------------------------------------------------------------------------

int nonconflict(state_t n, state_node *R) {
  if (n <= 0) return 1;
  for (state_t s = 0; s < n; s++) R[s].reached = 0;
  for (state_t k = 0; k < n && !mem_result; k++) {
    if (!R[k].marked || R[k].reached) continue;
    R[k].reached = 1;
    b_reach(k, &R);
  }
  if (mem_result) return 0;
  for (state_t s = 0; s < n; s++)
    if (!R[s].reached) return 0;
  return 1;
}

int nonconflict_des(state_t N1, state_node *G1, state_t N2, state_node *G2) {
  state_t n = 0;
  state_node *R = nullptr;
  nc_meet2(N1, G1, N2, G2, &n, &R, nullptr, nullptr);
  int answer = mem_result ? 0 : nonconflict(n, R);
  freedes(n, &R);
  return mem_result ? 0 : answer;
}

// Determinism -----------------------------------------------------------------------------------

int checkdet(state_t n, const state_node *des) {
  for (state_t s = 0; s < n; s++) {
    const state_node &node = des[s];
    for (int j = 0; j < node.numelts; j++) {
      state_t t = node.next[j].target();
      if (t < 0 || t >= n) return -1;
      if (j + 1 < node.numelts && node.next[j + 1].event() == node.next[j].event()) return 0;
    }
  }
  return 1;
}

// Breadth-first recode --------------------------------------------------------------------------

void b_recode(state_t n, state_node **des, state_t *count, state_t **map) {
  if (n <= 0) return;
  *count = 0;
  *map = MALLOC_N<state_t>(static_cast<size_t>(n));
  state_t *order = MALLOC_N<state_t>(static_cast<size_t>(n));
  state_node *renumbered = newdes(n);
  if (*map == nullptr || order == nullptr || renumbered == nullptr) {
    free(*map);
    *map = nullptr;
    free(order);
    free(renumbered);
    return;
  }
  state_node *old = *des;
  state_t kept = bfs_order(n, old, order, *map);
  for (state_t s = 0; s < n; s++) {
    if ((*map)[s] < 0) {
      free(old[s].next);
      continue;
    }
    renumber_transitions(&old[s], *map);
  }
  for (state_t k = 0; k < kept; k++) {
    const state_node &from = old[order[k]];
    state_node &to = renumbered[k];
    to.marked = from.marked;
    to.vocal = from.vocal;
    to.reached = 1;
    to.numelts = from.numelts;
    to.next = from.next;
  }
  free(old);
  free(order);
  resize_des(&renumbered, n, kept);
  *des = renumbered;
  *count = kept;
}

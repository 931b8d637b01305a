// Hierarchical consistency: agents, blocking and dedicated sets, and the vocalization loop.
//
// Two ways to answer whether a transition must have its target vocalized:
// - whole-DES sets, held as bitsets over the vocal states and computed for all states at once: a
//   silent state's blocking set is the union over its transitions of the vocal target or the
//   target's blocking set, solved on the strongly connected components of the silent states (one
//   bitset per component, which all its states share), and dedicated sets are the same closure
//   over the transitions that do not block;
// - searches on demand from the transition at hand.
// A test by searches walks the blocking set of the target breadth-first and asks of vocal states
// met whether they are in the dedicated set of the source: a backward search from one meets the
// forward search from the source (kept open between tests until a vocalization) after a few
// states when it is, and nearly every test ends at a vocal state that is not. Those refuting
// states are few and refute test after test, so a walk asks of them first: each state keeps
// whether it ever refuted a test, and each silent state the next step of a path toward a refuting
// state that an earlier walk found, which later walks follow before going on breadth-first. The
// other vocal states met wait, and are asked about while the member tests have cost less than the
// walk. None of this changes an answer, only how soon it is found: a walk still covers the whole
// blocking set before a test passes, and a state on a path it follows is either silent (then in
// the blocking set's region, as the path's transitions still exist) or vocal (then it ends the
// path and is asked about).
// A vocalization makes the whole-DES sets stale. The tests that follow are answered by searches
// until their work since the vocalization passes the size of the DES; then the whole-DES sets
// are computed again and serve until the next vocalization. A run that vocalizes often thus pays
// for searches near the states it visits rather than for whole-DES sets after each vocalization.
#include "algo/hierarchy_consistency.h"

#include <cstdlib>
#include <cstring>

#include "algo/des_proc.h"
#include "algo/grow_buf.h"
#include "algo/output_consistency.h"
#include "algo/scc.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

struct class_dependency {
  state_t dependent;  // the state whose blocking class rests on the state listing this entry
  int32_t next;       // next entry of the same list, -1 at its end
};

// Work space of the searches on demand. A search marks what it visits with a fresh stamp, so
// nothing is cleared between searches.
struct local_search {
  // Blocking classes stay known across vocalizations: a class rests only on the states its
  // search expanded, and is forgotten when one of them is vocalized.
  uint8_t *class_known;                     // per state: 1 + its blocking class, 0 when unknown
  int32_t *dependents;                      // per state: first entry of its dependency list
  grow_buf<class_dependency> dependency;    // the entries of all lists
  grow_buf<state_t> expanded;               // states the running class search expanded
  uint32_t *outer_seen, outer_mark;         // dedicated set and subset searches
  uint32_t *inner_seen, inner_mark;         // blocking class searches
  uint32_t *dedicated_stamp, dedicated_id;  // vocal states in the dedicated set at hand
  state_t dedicated_of;                     // whose dedicated set that is, -1 for none
  grow_buf<state_t> outer_stack, inner_stack;
  // Membership of one vocal state in a dedicated set, searched from both ends: forward from the
  // source over non-blocking transitions, backward from the vocal state over the reverse rows.
  // The forward search of the dedicated set of forward_of (-1 for none) stays open across the
  // member tests until a vocalization: it stamps the vocal states it meets with dedicated_id,
  // and once it runs out, dedicated_of takes its source.
  reverse_rows rows;  // transitions never change while hcc runs
  uint32_t *forward_seen, forward_mark, *backward_seen, backward_mark;
  state_t forward_of;
  grow_buf<state_t> forward_stack, backward_stack;
  // Per state: 1 once, as a vocal state, it was found outside the dedicated set it was tested
  // against. Few states ever are, and they answer most later tests, so those are tested first.
  uint8_t *refuted;
  grow_buf<state_t> deferred;  // vocal states of the blocking set at hand not yet tested
  state_t *walk_parent;        // per state: whence the walk at hand met it, -1 for its start
  // Per silent state: the next state on a path through silent states to a vocal state that
  // refuted a test, left by the walk that found it; -1 for none.
  state_t *toward_refuter;
  size_t work;    // transitions examined since the last vocalization
  size_t budget;  // work after which the whole-DES sets are computed instead
};

// Sets over the vocal states, one per strongly connected component of the silent states (every
// state of a component has the same set).
struct component_sets {
  int32_t *component;  // per state: its component, -1 for a vocal state
  uint64_t *sets;      // per component: a bitset of `words` words
};

struct hcc_work {
  state_t n;
  state_node *des;
  int version;              // 0: a new output per vocalized state; 1: one shared output
  uint16_t min_vocal;       // base output the next vocalization uses
  int error_no_more_vocal;  // 1 when no free output is left
  int free_output[100];     // per base output: 1 free, 0 used
  // Per silent state: reaches a vocal state by even events. The flags never change while hcc
  // runs: only agent targets are vocalized, and a state that reaches one by even events
  // already reached a vocal state before.
  uint8_t *agent_flag;
  local_search local;
  // Whole-DES sets, derived from the current outputs; valid while not `stale`.
  bool stale;
  size_t words;              // 64-bit words per bitset
  int32_t *vocal_index;      // per state: its bit among the vocal states, -1 when silent
  uint8_t *blocking_size;    // per silent state: members of its blocking set, capped at 2
  component_sets blocking;   // over all transitions
  component_sets dedicated;  // over the transitions that do not block
  uint64_t *scratch;         // two bitsets of work space
  int32_t *order;            // states grouped by component
  int32_t *low;              // n + 1 entries: per component, where its group in `order` ends
};

bool is_vocal_state(const hcc_work *w, state_t s) {
  return w->des[s].vocal != 0;
}

// The set of silent state s.
const uint64_t *set_of(const component_sets &c, const hcc_work *w, state_t s) {
  return c.sets + static_cast<size_t>(c.component[s]) * w->words;
}

void set_bit(uint64_t *set, int32_t bit) {
  set[bit >> 6] |= uint64_t{1} << (bit & 63);
}

// Whether the odd transition into `target` is an agent.
int agent(const hcc_work *w, event_t e, state_t target) {
  if ((e & 1) == 0) return 0;
  return is_vocal_state(w, target) || w->agent_flag[target];
}

// A transition blocks when it is an agent whose blocking set has more than one member.
bool blocks(const hcc_work *w, event_t e, state_t target) {
  return agent(w, e, target) && !is_vocal_state(w, target) && w->blocking_size[target] >= 2;
}

// Marks the silent states that reach a vocal state by even events through silent states: a
// backward search from the vocal states over the even transitions of silent sources. The flags
// start cleared.
bool mark_agents(hcc_work *w) {
  state_t n = w->n;
  uint32_t *first = static_cast<uint32_t *>(CALLOC(static_cast<size_t>(n) + 1, sizeof(uint32_t)));
  grow_buf<state_t> from, todo;
  bool ok = first != nullptr;
  for (state_t x = 0; ok && x < n; x++)
    if (!is_vocal_state(w, x))
      for (int j = 0; j < w->des[x].numelts; j++)
        if ((w->des[x].next[j].event() & 1) == 0) first[w->des[x].next[j].target() + 1]++;
  for (state_t s = 0; ok && s < n; s++) first[s + 1] += first[s];
  ok = ok && from.reserve(first[n] + 1);
  uint32_t *fill = nullptr;
  if (ok) {
    fill = MALLOC_N<uint32_t>(static_cast<size_t>(n) + 1);
    ok = fill != nullptr;
  }
  if (ok) {
    memcpy(fill, first, (static_cast<size_t>(n) + 1) * sizeof(uint32_t));
    for (state_t x = 0; x < n; x++)
      if (!is_vocal_state(w, x))
        for (int j = 0; j < w->des[x].numelts; j++)
          if ((w->des[x].next[j].event() & 1) == 0)
            from.items[fill[w->des[x].next[j].target()]++] = x;
  }
  for (state_t v = 0; ok && v < n; v++)
    if (is_vocal_state(w, v)) ok = todo.push(v);
  while (ok && todo.len > 0) {
    state_t t = todo.items[--todo.len];
    for (uint32_t k = first[t]; ok && k < first[t + 1]; k++) {
      state_t x = from.items[k];
      if (w->agent_flag[x]) continue;
      w->agent_flag[x] = 1;
      ok = todo.push(x);
    }
  }
  free(first);
  free(fill);
  from.release();
  todo.release();
  return ok;
}

// For every silent state s: set(s) = union over the transitions s -> x that `keep` accepts of
// {x} for a vocal x and set(x) for a silent x, solved component by component of the silent
// states, those a component leads to first. Time: O((V + E) * words), memory: words per
// component.
template <typename Keep>
bool close_over_silent(hcc_work *w, component_sets *out, Keep keep) {
  state_t n = w->n;
  auto silent = [w](state_t s) { return !is_vocal_state(w, s); };
  int32_t *component = out->component;
  state_t components = strong_components(n, w->des, silent, keep, component);
  if (components < 0) return false;
  out->sets = static_cast<uint64_t *>(
      CALLOC((components > 0 ? static_cast<size_t>(components) : 1) * w->words, sizeof(uint64_t)));
  if (out->sets == nullptr) return false;
  // Members grouped by component: order[] holds them, low[c] .. low[c + 1] the range of c.
  int32_t *first = w->low, *by_component = w->order;
  memset(first, 0, (static_cast<size_t>(n) + 1) * sizeof(int32_t));
  for (state_t s = 0; s < n; s++)
    if (component[s] >= 0) first[component[s] + 1]++;
  for (state_t c = 1; c <= n; c++) first[c] += first[c - 1];
  for (state_t s = 0; s < n; s++)
    if (component[s] >= 0) by_component[first[component[s]]++] = s;
  int32_t start = 0;
  for (state_t c = 0; c < components; c++) {
    int32_t end = first[c];
    uint64_t *acc = out->sets + static_cast<size_t>(c) * w->words;
    for (int32_t k = start; k < end; k++) {
      state_t u = by_component[k];
      for (int j = 0; j < w->des[u].numelts; j++) {
        tran_entry t = w->des[u].next[j];
        state_t x = t.target();
        if (!keep(u, t)) continue;
        if (is_vocal_state(w, x)) {
          set_bit(acc, w->vocal_index[x]);
        } else if (component[x] != c) {
          const uint64_t *other = set_of(*out, w, x);
          for (size_t b = 0; b < w->words; b++) acc[b] |= other[b];
        }
      }
    }
    start = end;
  }
  return true;
}

void release_component_sets(component_sets *c) {
  free(c->component);
  free(c->sets);
  *c = component_sets{};
}

void release_sets(hcc_work *w) {
  free(w->vocal_index);
  free(w->blocking_size);
  release_component_sets(&w->blocking);
  release_component_sets(&w->dedicated);
  free(w->scratch);
  free(w->order);
  free(w->low);
  w->vocal_index = w->order = w->low = nullptr;
  w->blocking_size = nullptr;
  w->scratch = nullptr;
}

// Rebuilds the whole-DES blocking and dedicated sets from the current outputs.
bool compute_sets(hcc_work *w) {
  release_sets(w);
  size_t n = static_cast<size_t>(w->n);
  w->vocal_index = MALLOC_N<int32_t>(n);
  if (w->vocal_index == nullptr) return false;
  int32_t vocal = 0;
  for (state_t s = 0; s < w->n; s++) w->vocal_index[s] = is_vocal_state(w, s) ? vocal++ : -1;
  w->words = (static_cast<size_t>(vocal) + 63) / 64 + 1;
  if (w->words > static_cast<size_t>(-1) / 8 / (n + 2)) {
    mem_result = 1;
    return false;
  }
  w->blocking_size = static_cast<uint8_t *>(CALLOC(n, 1));
  w->blocking.component = MALLOC_N<int32_t>(n);
  w->dedicated.component = MALLOC_N<int32_t>(n);
  w->scratch = static_cast<uint64_t *>(CALLOC(2 * w->words, sizeof(uint64_t)));
  w->order = MALLOC_N<int32_t>(n);
  w->low = MALLOC_N<int32_t>(n + 1);
  if (!w->blocking_size || !w->blocking.component || !w->dedicated.component || !w->scratch ||
      !w->order || !w->low)
    return false;
  if (!close_over_silent(w, &w->blocking, [](state_t, tran_entry) { return true; })) return false;
  for (state_t s = 0; s < w->n; s++) {
    if (is_vocal_state(w, s)) continue;
    const uint64_t *set = set_of(w->blocking, w, s);
    int count = 0;
    for (size_t b = 0; b < w->words && count < 2; b++)
      count += __builtin_popcountll(set[b]) > 1 ? 2 : __builtin_popcountll(set[b]);
    w->blocking_size[s] = static_cast<uint8_t>(count > 2 ? 2 : count);
  }
  bool ok = close_over_silent(
      w, &w->dedicated, [w](state_t, tran_entry t) { return !blocks(w, t.event(), t.target()); });
  w->stale = false;
  return ok;
}

// Blocking set of the transition (e -> target) into `out`: empty for an uncontrollable event,
// {target} for a vocal target, else every vocal state the target reaches through silent states.
void getblocking_set(hcc_work *w, event_t e, state_t target, uint64_t *out) {
  memset(out, 0, w->words * sizeof(uint64_t));
  if ((e & 1) == 0) return;
  if (is_vocal_state(w, target)) {
    set_bit(out, w->vocal_index[target]);
    return;
  }
  memcpy(out, set_of(w->blocking, w, target), w->words * sizeof(uint64_t));
}

// Dedicated set of state i into `out`: the vocal states i reaches by a path through silent states
// on which no transition blocks. (A transition whose blocking set is {c} leads to c alone, so on
// such a path every agent has the blocking set {c} of the vocal state c at its end.)
// Departure from the classic procedure: the dedicated set is a closure, independent of search
// order.
void getdedicated_set(hcc_work *w, state_t i, uint64_t *out) {
  if (!is_vocal_state(w, i)) {
    memcpy(out, set_of(w->dedicated, w, i), w->words * sizeof(uint64_t));
    return;
  }
  memset(out, 0, w->words * sizeof(uint64_t));
  for (int j = 0; j < w->des[i].numelts; j++) {
    tran_entry t = w->des[i].next[j];
    state_t x = t.target();
    if (blocks(w, t.event(), x)) continue;
    if (is_vocal_state(w, x)) {
      set_bit(out, w->vocal_index[x]);
    } else {
      const uint64_t *other = set_of(w->dedicated, w, x);
      for (size_t b = 0; b < w->words; b++) out[b] |= other[b];
    }
  }
}

// 1 when the set a is not empty and within b.
int subset(const uint64_t *a, const uint64_t *b, size_t words) {
  bool empty = true;
  for (size_t k = 0; k < words; k++) {
    if (a[k] & ~b[k]) return 0;
    if (a[k]) empty = false;
  }
  return empty ? 0 : 1;
}

// Outcomes of a search on demand besides its answer.
const int SEARCH_FAILED = -1;   // out of memory
const int SEARCH_GAVE_UP = -2;  // the work since the last vocalization passed its budget

// A fresh stamp for `stamps`; when the counter wraps, the stamps are cleared first.
uint32_t fresh_stamp(uint32_t *stamps, uint32_t *counter, state_t n) {
  if (++*counter == 0) {
    memset(stamps, 0, static_cast<size_t>(n) * sizeof(uint32_t));
    *counter = 1;
  }
  return *counter;
}

// Forgets every known blocking class, when the dependency lists have grown past their bound.
void forget_classes(hcc_work *w) {
  local_search &l = w->local;
  memset(l.class_known, 0, static_cast<size_t>(w->n));
  for (state_t s = 0; s < w->n; s++) l.dependents[s] = -1;
  l.dependency.len = 0;
}

// Records that the class of y rests on the states its search expanded.
bool remember_class(hcc_work *w, state_t y, int found) {
  local_search &l = w->local;
  if (l.dependency.len + l.expanded.len > l.budget) forget_classes(w);
  for (size_t k = 0; k < l.expanded.len; k++) {
    state_t u = l.expanded.items[k];
    if (!l.dependency.push(class_dependency{y, l.dependents[u]})) return false;
    l.dependents[u] = static_cast<int32_t>(l.dependency.len - 1);
  }
  l.class_known[y] = static_cast<uint8_t>(found + 1);
  return true;
}

// Outcomes of a step of a search on demand.
const int SEARCH_ON = 0;    // go on
const int SEARCH_STOP = 1;  // the answer is found

// Starts a depth-first search at `start` with a fresh stamp from `seen`; 0 when out of memory.
uint32_t start_search(hcc_work *w, uint32_t *seen, uint32_t *counter, grow_buf<state_t> &stack,
                      state_t start) {
  uint32_t mark = fresh_stamp(seen, counter, w->n);
  stack.len = 0;
  if (!stack.push(start)) return 0;
  seen[start] = mark;
  return mark;
}

// Expands the states on `stack` until it runs empty: hands each state popped to expand(u), which
// answers false when out of memory, then each of its transitions to step(t), which may push
// targets. Returns SEARCH_ON when the stack ran empty, else the first outcome other than
// SEARCH_ON, or SEARCH_GAVE_UP when the work since the last vocalization passes the budget.
template <typename Expand, typename Step>
int expand_all(hcc_work *w, grow_buf<state_t> &stack, Expand expand, Step step) {
  local_search &l = w->local;
  while (stack.len > 0) {
    state_t u = stack.items[--stack.len];
    if (!expand(u)) return SEARCH_FAILED;
    l.work += static_cast<size_t>(w->des[u].numelts);
    for (int j = 0; j < w->des[u].numelts; j++) {
      int outcome = step(w->des[u].next[j]);
      if (outcome != SEARCH_ON) return outcome;
    }
    if (l.work > l.budget) return SEARCH_GAVE_UP;
  }
  return SEARCH_ON;
}

// For the searches that need not know what they expand.
bool any_state(state_t) {
  return true;
}

// Members of the blocking set of silent state y, capped at 2: a search through silent states
// that stops at the second vocal state met. The paths to the vocal states met run through the
// states the search expanded only, so the answer holds until one of those is vocalized.
int local_blocking_class(hcc_work *w, state_t y) {
  local_search &l = w->local;
  if (l.class_known[y]) return l.class_known[y] - 1;
  uint32_t mark = start_search(w, l.inner_seen, &l.inner_mark, l.inner_stack, y);
  if (mark == 0) return SEARCH_FAILED;
  l.expanded.len = 0;
  auto expand = [&](state_t u) { return l.expanded.push(u); };
  int found = 0;
  int outcome = expand_all(w, l.inner_stack, expand, [&](tran_entry t) {
    state_t x = t.target();
    if (l.inner_seen[x] == mark) return SEARCH_ON;
    l.inner_seen[x] = mark;
    if (is_vocal_state(w, x)) return ++found == 2 ? SEARCH_STOP : SEARCH_ON;
    return l.inner_stack.push(x) ? SEARCH_ON : SEARCH_FAILED;
  });
  if (outcome < 0) return outcome;
  return remember_class(w, y, found) ? found : SEARCH_FAILED;
}

// Whether the transition (e -> y) blocks, found by searches.
int local_blocks(hcc_work *w, event_t e, state_t y) {
  if ((e & 1) == 0 || is_vocal_state(w, y) || !w->agent_flag[y]) return 0;
  int size = local_blocking_class(w, y);
  return size < 0 ? size : size >= 2;
}

// Stamps the vocal states of the dedicated set of i with a fresh dedicated_id: a search from i
// through silent states over the transitions that do not block.
int local_mark_dedicated(hcc_work *w, state_t i) {
  local_search &l = w->local;
  if (l.dedicated_of == i) return 0;
  l.dedicated_of = -1;
  l.forward_of = -1;
  uint32_t id = fresh_stamp(l.dedicated_stamp, &l.dedicated_id, w->n);
  uint32_t mark = start_search(w, l.outer_seen, &l.outer_mark, l.outer_stack, i);
  if (mark == 0) return SEARCH_FAILED;
  int outcome = expand_all(w, l.outer_stack, any_state, [&](tran_entry t) {
    state_t x = t.target();
    int blocked = local_blocks(w, t.event(), x);
    if (blocked != 0) return blocked < 0 ? blocked : SEARCH_ON;
    if (is_vocal_state(w, x)) {
      l.dedicated_stamp[x] = id;
    } else if (l.outer_seen[x] != mark) {
      l.outer_seen[x] = mark;
      if (!l.outer_stack.push(x)) return SEARCH_FAILED;
    }
    return SEARCH_ON;
  });
  if (outcome < 0) return outcome;
  l.dedicated_of = i;
  return 0;
}

// Whether the blocking set of silent x (not empty) lies within the dedicated set of i, found by
// searches; stops at the first vocal state outside it.
int local_within_dedicated(hcc_work *w, state_t i, state_t x) {
  int marked = local_mark_dedicated(w, i);
  if (marked < 0) return marked;
  local_search &l = w->local;
  uint32_t mark = start_search(w, l.outer_seen, &l.outer_mark, l.outer_stack, x);
  if (mark == 0) return SEARCH_FAILED;
  int outcome = expand_all(w, l.outer_stack, any_state, [&](tran_entry t) {
    state_t y = t.target();
    if (l.outer_seen[y] == mark) return SEARCH_ON;
    l.outer_seen[y] = mark;
    if (is_vocal_state(w, y))
      return l.dedicated_stamp[y] == l.dedicated_id ? SEARCH_ON : SEARCH_STOP;
    return l.outer_stack.push(y) ? SEARCH_ON : SEARCH_FAILED;
  });
  if (outcome < 0) return outcome;
  return outcome == SEARCH_STOP ? 0 : 1;
}

// Opens the forward search of the dedicated set of i, unless it is open already. False when out
// of memory.
bool open_forward(hcc_work *w, state_t i) {
  local_search &l = w->local;
  if (l.forward_of == i) return true;
  l.dedicated_of = -1;
  l.forward_of = -1;
  fresh_stamp(l.dedicated_stamp, &l.dedicated_id, w->n);
  uint32_t mark = fresh_stamp(l.forward_seen, &l.forward_mark, w->n);
  l.forward_stack.len = 0;
  if (!l.forward_stack.push(i)) return false;
  l.forward_seen[i] = mark;
  l.forward_of = i;
  return true;
}

// Expands one state of the open forward search from i, every transition of it, and adds the
// transitions examined to *work. Returns 1 when it meets v or a state the backward search (stamp
// backward) has reached, else 0, or SEARCH_FAILED. When the search runs out, the dedicated set
// of i is complete.
int forward_step(hcc_work *w, state_t i, state_t v, uint32_t backward, size_t *work) {
  local_search &l = w->local;
  state_t u = l.forward_stack.items[--l.forward_stack.len];
  const state_node &node = w->des[u];
  *work += node.numelts;
  l.work += node.numelts;
  int met = 0;
  for (int j = 0; j < node.numelts; j++) {
    state_t t = node.next[j].target();
    int blocked = local_blocks(w, node.next[j].event(), t);
    if (blocked < 0) return blocked;
    if (blocked) continue;
    if (is_vocal_state(w, t)) {
      l.dedicated_stamp[t] = l.dedicated_id;
      met |= t == v;
    } else if (l.forward_seen[t] != l.forward_mark) {
      l.forward_seen[t] = l.forward_mark;
      met |= l.backward_seen[t] == backward;
      if (!l.forward_stack.push(t)) return SEARCH_FAILED;
    }
  }
  if (l.forward_stack.len == 0) l.dedicated_of = i;
  return met;
}

// Whether vocal state v is in the dedicated set of i: 1 or 0. The open forward search from i
// and a backward search from v over the reverse rows expand, in turn, one state of the side that
// has examined fewer transitions in this test, until the two meet (1) or one side runs out (0).
// A member is found as soon as the backward search touches the forward region; a non-member
// costs about twice the smaller of the two regions. SEARCH_FAILED or SEARCH_GAVE_UP as the
// other searches.
int local_member(hcc_work *w, state_t i, state_t v) {
  local_search &l = w->local;
  if (!open_forward(w, i)) return SEARCH_FAILED;
  uint32_t backward = fresh_stamp(l.backward_seen, &l.backward_mark, w->n);
  l.backward_stack.len = 0;
  if (!l.backward_stack.push(v)) return SEARCH_FAILED;
  l.backward_seen[v] = backward;
  size_t forward_work = 0, backward_work = 0;
  for (;;) {
    if (l.dedicated_stamp[v] == l.dedicated_id) return 1;
    if (l.dedicated_of == i || l.backward_stack.len == 0) return 0;
    if (l.work > l.budget) return SEARCH_GAVE_UP;
    if (forward_work <= backward_work) {
      int met = forward_step(w, i, v, backward, &forward_work);
      if (met != 0) return met;
      continue;
    }
    state_t u = l.backward_stack.items[--l.backward_stack.len];
    uint32_t from = l.rows.first[u], to = l.rows.first[u + 1];
    backward_work += to - from;
    l.work += to - from;
    for (uint32_t k = from; k < to; k++) {
      state_t p = static_cast<state_t>(l.rows.from[k] >> 1);
      event_t parity = (l.rows.from[k] & 1u) ? 0 : 1;  // only the parity of the event counts
      int blocked = u == v ? 0 : local_blocks(w, parity, u);
      if (blocked < 0) return blocked;
      if (blocked) continue;
      if (p == i || l.forward_seen[p] == l.forward_mark) return 1;
      if (is_vocal_state(w, p) || l.backward_seen[p] == backward) continue;
      l.backward_seen[p] = backward;
      if (!l.backward_stack.push(p)) return SEARCH_FAILED;
    }
  }
}

// Whether vocal state v, met by the walk at hand, is in the dedicated set of i, by local_member.
// A state found outside is remembered, and so is the walk's path to it.
int tested_member(hcc_work *w, state_t i, state_t v) {
  local_search &l = w->local;
  int member = local_member(w, i, v);
  if (member != 0) return member;
  l.refuted[v] = 1;
  for (state_t s = v, p = l.walk_parent[v]; p >= 0; s = p, p = l.walk_parent[p])
    l.toward_refuter[p] = s;
  return 0;
}

// State y, met by the walk from x (stamp `mark`) from u: a silent y joins the walk, a vocal y is
// tested at once when it refuted a test before, else deferred. Returns 1 to go on, else as
// local_member.
int walk_meets(hcc_work *w, state_t i, uint32_t mark, state_t u, state_t y) {
  local_search &l = w->local;
  if (l.outer_seen[y] == mark) return 1;
  l.outer_seen[y] = mark;
  l.walk_parent[y] = u;
  if (!is_vocal_state(w, y)) return l.outer_stack.push(y) ? 1 : SEARCH_FAILED;
  if (!l.refuted[y]) return l.deferred.push(y) ? 1 : SEARCH_FAILED;
  return tested_member(w, i, y);
}

// Follows from u the path toward a refuting vocal state that an earlier walk left, while it
// runs through states this walk has not met: its transitions are still there, so the silent
// states on it join the walk and the vocal state that ends it (the refuter, or a state vocalized
// since) is in the blocking set at hand. Returns as walk_meets.
int follow_toward_refuter(hcc_work *w, state_t i, uint32_t mark, state_t u) {
  local_search &l = w->local;
  for (state_t v = l.toward_refuter[u]; v >= 0 && l.outer_seen[v] != mark;
       u = v, v = l.toward_refuter[v]) {
    int met = walk_meets(w, i, mark, u, v);
    if (met <= 0 || is_vocal_state(w, v)) return met;
  }
  return 1;
}

// Tests the deferred vocal states in the order met, from *next on, while the member tests of this
// test have examined fewer than `bound` transitions (those since l.work was `start`, less the
// walk's `walk`). Returns 1 when every one tested is a member, else as local_member.
int test_deferred(hcc_work *w, state_t i, size_t *next, size_t start, size_t walk, size_t bound) {
  local_search &l = w->local;
  while (*next < l.deferred.len && l.work - start - walk < bound) {
    int member = tested_member(w, i, l.deferred.items[(*next)++]);
    if (member <= 0) return member;
  }
  return 1;
}

// Whether the blocking set of silent x lies within the dedicated set of i, as
// local_within_dedicated, but testing the vocal states of the blocking set one at a time by
// local_member, which seldom needs the whole dedicated set: nearly every test fails at a vocal
// state outside it. The walk from x is breadth-first (the vocal states nearest x, those a path
// around x is least likely to reach from i, come first), but before a state is expanded, the
// path toward a refuting state an earlier walk left there is followed. A vocal state that was
// found outside a dedicated set before is tested at once; the others are deferred and tested in
// the order met while the member tests have cost less than the walk, the rest when the walk is
// over. The answer does not depend on the order of the member tests, only its cost.
int local_within_by_members(hcc_work *w, state_t i, state_t x) {
  local_search &l = w->local;
  if (l.dedicated_of == i) return local_within_dedicated(w, i, x);
  uint32_t mark = start_search(w, l.outer_seen, &l.outer_mark, l.outer_stack, x);
  if (mark == 0) return SEARCH_FAILED;
  l.deferred.len = 0;
  l.walk_parent[x] = -1;
  size_t next = 0, walk = 0, start = l.work;
  for (size_t head = 0; head < l.outer_stack.len; head++) {
    state_t u = l.outer_stack.items[head];
    int met = follow_toward_refuter(w, i, mark, u);
    if (met <= 0) return met;
    const state_node &node = w->des[u];
    walk += static_cast<size_t>(node.numelts);
    l.work += static_cast<size_t>(node.numelts);
    for (int j = 0; j < node.numelts; j++) {
      met = walk_meets(w, i, mark, u, node.next[j].target());
      if (met <= 0) return met;
    }
    int members = test_deferred(w, i, &next, start, walk, walk);
    if (members <= 0) return members;
    if (l.work > l.budget) return SEARCH_GAVE_UP;
  }
  return test_deferred(w, i, &next, start, walk, static_cast<size_t>(-1));
}

// 1 when the transition i -> (e, x) fails the test and x must be vocalized, 0 when it passes,
// SEARCH_FAILED when memory ran out. Only a blocking transition can fail: a non-blocking agent's
// blocking set {c} is within its source's dedicated set by definition.
int must_vocalize(hcc_work *w, state_t i, event_t e, state_t x) {
  if (!agent(w, e, x) || is_vocal_state(w, x)) return 0;
  if (w->stale) {
    int blocked = local_blocks(w, e, x);
    int within = blocked == 1 ? local_within_by_members(w, i, x) : 1;
    if (blocked == SEARCH_FAILED || within == SEARCH_FAILED) return SEARCH_FAILED;
    if (blocked != SEARCH_GAVE_UP && within != SEARCH_GAVE_UP) return blocked == 1 && !within;
    if (!compute_sets(w)) return SEARCH_FAILED;
  }
  if (!blocks(w, e, x)) return 0;
  uint64_t *blocking = w->scratch, *dedicated = w->scratch + w->words;
  getblocking_set(w, e, x, blocking);
  getdedicated_set(w, i, dedicated);
  return !subset(blocking, dedicated, w->words);
}

// Gives state s the output 10v + 1 for the current free base output v. Forgets the whole-DES
// sets, the dedicated set at hand and the blocking classes that rested on s.
void vocalize(hcc_work *w, state_t s) {
  set_output(&w->des[s], 10u * w->min_vocal + 1u);
  w->stale = true;
  local_search &l = w->local;
  for (int32_t k = l.dependents[s]; k >= 0; k = l.dependency.items[k].next)
    l.class_known[l.dependency.items[k].dependent] = 0;
  l.dependents[s] = -1;
  l.dedicated_of = -1;
  l.forward_of = -1;
  l.work = 0;
  if (w->version == 1) return;
  w->free_output[w->min_vocal] = 0;
  uint16_t v = static_cast<uint16_t>(w->min_vocal + 1);
  while (v <= 99 && !w->free_output[v]) v++;
  if (v > 99)
    w->error_no_more_vocal = 1;
  else
    w->min_vocal = v;
}

bool setup_local(hcc_work *w) {
  local_search &l = w->local;
  size_t n = static_cast<size_t>(w->n) > 0 ? static_cast<size_t>(w->n) : 1;
  l.class_known = static_cast<uint8_t *>(CALLOC(n, 1));
  l.dependents = MALLOC_N<int32_t>(n);
  l.outer_seen = static_cast<uint32_t *>(CALLOC(n, sizeof(uint32_t)));
  l.inner_seen = static_cast<uint32_t *>(CALLOC(n, sizeof(uint32_t)));
  l.dedicated_stamp = static_cast<uint32_t *>(CALLOC(n, sizeof(uint32_t)));
  l.dedicated_of = -1;
  l.forward_of = -1;
  l.budget = n + static_cast<size_t>(count_tran(w->des, w->n));
  l.forward_seen = static_cast<uint32_t *>(CALLOC(n, sizeof(uint32_t)));
  l.backward_seen = static_cast<uint32_t *>(CALLOC(n, sizeof(uint32_t)));
  l.refuted = static_cast<uint8_t *>(CALLOC(n, 1));
  l.walk_parent = MALLOC_N<state_t>(n);
  l.toward_refuter = MALLOC_N<state_t>(n);
  if (!l.refuted || !l.walk_parent || !l.toward_refuter || !l.forward_seen || !l.backward_seen ||
      !build_reverse_rows(w->n, w->des, &l.rows))
    return false;
  if (!l.class_known || !l.dependents) return false;
  for (state_t s = 0; s < w->n; s++) l.dependents[s] = l.toward_refuter[s] = -1;
  return l.outer_seen && l.inner_seen && l.dedicated_stamp;
}

void release_work(hcc_work *w) {
  release_sets(w);
  local_search &l = w->local;
  free(l.class_known);
  free(l.dependents);
  l.dependency.release();
  l.expanded.release();
  free(l.outer_seen);
  free(l.inner_seen);
  free(l.dedicated_stamp);
  l.outer_stack.release();
  l.inner_stack.release();
  free_reverse_rows(&l.rows);
  free(l.forward_seen);
  free(l.backward_seen);
  l.forward_stack.release();
  l.backward_stack.release();
  free(l.refuted);
  l.deferred.release();
  free(l.walk_parent);
  free(l.toward_refuter);
  free(w->agent_flag);
}

int hiconsis_common(state_t *n, state_node **des, int version) {
  outcon_des(n, des);
  if (mem_result) return 0;
  int overflow = hcc(*n, *des, version);
  if (overflow || mem_result) return overflow;
  outcon_des(n, des);
  return 0;
}

}  // namespace

int hcc(state_t n, state_node *des, int version) {
  hcc_work w{};
  w.n = n;
  w.des = des;
  w.version = version;
  w.stale = true;
  for (int v = 0; v < 100; v++) w.free_output[v] = 1;
  for (state_t s = 0; s < n; s++)
    if (des[s].vocal != 0) w.free_output[base_output(des[s].vocal) % 100] = 0;
  w.min_vocal = 10;
  while (w.min_vocal <= 99 && !w.free_output[w.min_vocal]) w.min_vocal++;
  if (w.min_vocal > 99) w.error_no_more_vocal = 1;
  w.agent_flag = static_cast<uint8_t *>(CALLOC(n > 0 ? static_cast<size_t>(n) : 1, 1));
  bool ok = w.agent_flag != nullptr && setup_local(&w) && mark_agents(&w);
  long visited = 0;
  int pass = 0;
  while (ok && !w.error_no_more_vocal && !pass) {
    pass = 1;
    for (state_t i = 0; ok && i < n && !w.error_no_more_vocal; i++) {
      if (visited % 10 == 0)
        progress_line("HCC: %ld %ld %ld", static_cast<long>(n), visited, static_cast<long>(pass));
      visited++;
      for (int j = 0; ok && j < des[i].numelts && !w.error_no_more_vocal; j++) {
        tran_entry t = des[i].next[j];
        int verdict = must_vocalize(&w, i, t.event(), t.target());
        ok = verdict != SEARCH_FAILED;
        if (verdict == 1) {
          vocalize(&w, t.target());
          pass = 0;
        }
      }
    }
  }
  release_work(&w);
  if (!ok) mem_result = 1;
  return w.error_no_more_vocal;
}

int hiconsis_des(state_t *n, state_node **des) {
  return hiconsis_common(n, des, 0);
}

int hiconsis_1_des(state_t *n, state_node **des) {
  return hiconsis_common(n, des, 1);
}

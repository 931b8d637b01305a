// Hierarchical consistency: agents, blocking and dedicated sets, and the vocalization loop.
//
// The sets are held as bitsets over the vocal states and computed for all states at once: a
// silent state's blocking set is the union over its transitions of the vocal target or the
// target's blocking set, solved on the strongly connected components of the silent states.
// Dedicated sets are the same closure over the transitions that do not block. After a
// vocalization the sets are computed again before the next test.
#include "algo/hicons.h"

#include <cstdlib>
#include <cstring>

#include "algo/grow_buf.h"
#include "algo/outcon.h"
#include "algo/scc.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

struct hcc_work {
  state_t n;
  state_node *des;
  int version;              // 0: a new output per vocalized state; 1: one shared output
  uint16_t min_vocal;       // base output the next vocalization uses
  int error_no_more_vocal;  // 1 when no free output is left
  int free_output[100];     // per base output: 1 free, 0 used
  // Derived from the current outputs; rebuilt by compute_sets when `stale`.
  bool stale;
  size_t words;            // 64-bit words per bitset
  int32_t *vocal_index;    // per state: its bit among the vocal states, -1 when silent
  uint8_t *agent_flag;     // per silent state: reaches a vocal state by even events
  uint8_t *blocking_size;  // per silent state: members of its blocking set, capped at 2
  uint64_t *blocking;      // per state: blocking set bitset (silent states only)
  uint64_t *dedicated;     // per state: dedicated set bitset (silent states only)
  uint64_t *scratch;       // two bitsets of work space
  int32_t *order;          // states grouped by component
  int32_t *low;            // n + 1 entries: per component, where its group in `order` ends
  int32_t *component;      // per state: its component among the silent states, -1 if vocal
};

bool is_vocal_state(const hcc_work *w, state_t s) {
  return w->des[s].vocal != 0;
}

uint64_t *set_of(uint64_t *sets, const hcc_work *w, state_t s) {
  return sets + static_cast<size_t>(s) * w->words;
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
// backward search from the vocal states over the even transitions of silent sources.
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
  memset(w->agent_flag, 0, static_cast<size_t>(n));
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

// For every silent state s: sets[s] = union over the transitions s -> x that `keep` accepts of
// {x} for a vocal x and sets[x] for a silent x, solved component by component of the silent
// states, those a component leads to first. Time: O((V + E) * words).
template <typename Keep>
bool close_over_silent(hcc_work *w, uint64_t *sets, Keep keep) {
  state_t n = w->n;
  auto silent = [w](state_t s) { return !is_vocal_state(w, s); };
  state_t components = strong_components(n, w->des, silent, keep, w->component);
  if (components < 0) return false;
  // Members grouped by component: order[] holds them, low[c] .. low[c + 1] the range of c.
  int32_t *first = w->low, *by_component = w->order;
  memset(first, 0, (static_cast<size_t>(n) + 1) * sizeof(int32_t));
  for (state_t s = 0; s < n; s++)
    if (w->component[s] >= 0) first[w->component[s] + 1]++;
  for (state_t c = 1; c <= n; c++) first[c] += first[c - 1];
  for (state_t s = 0; s < n; s++)
    if (w->component[s] >= 0) by_component[first[w->component[s]]++] = s;
  memset(sets, 0, static_cast<size_t>(n) * w->words * sizeof(uint64_t));
  uint64_t *acc = w->scratch;
  int32_t start = 0;
  for (state_t c = 0; c < components; c++) {
    int32_t end = first[c];
    memset(acc, 0, w->words * sizeof(uint64_t));
    for (int32_t k = start; k < end; k++) {
      state_t u = by_component[k];
      for (int j = 0; j < w->des[u].numelts; j++) {
        tran_entry t = w->des[u].next[j];
        state_t x = t.target();
        if (!keep(u, t)) continue;
        if (is_vocal_state(w, x)) {
          set_bit(acc, w->vocal_index[x]);
        } else if (w->component[x] != c) {
          const uint64_t *other = set_of(sets, w, x);
          for (size_t b = 0; b < w->words; b++) acc[b] |= other[b];
        }
      }
    }
    for (int32_t k = start; k < end; k++)
      memcpy(set_of(sets, w, by_component[k]), acc, w->words * sizeof(uint64_t));
    start = end;
  }
  return true;
}

void release_sets(hcc_work *w) {
  free(w->vocal_index);
  free(w->agent_flag);
  free(w->blocking_size);
  free(w->blocking);
  free(w->dedicated);
  free(w->scratch);
  free(w->order);
  free(w->low);
  free(w->component);
  w->vocal_index = w->order = w->low = w->component = nullptr;
  w->agent_flag = w->blocking_size = nullptr;
  w->blocking = w->dedicated = w->scratch = nullptr;
}

// Rebuilds agents, blocking sets and dedicated sets from the current outputs.
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
  w->agent_flag = static_cast<uint8_t *>(CALLOC(n, 1));
  w->blocking_size = static_cast<uint8_t *>(CALLOC(n, 1));
  w->blocking = static_cast<uint64_t *>(CALLOC(n * w->words, sizeof(uint64_t)));
  w->dedicated = static_cast<uint64_t *>(CALLOC(n * w->words, sizeof(uint64_t)));
  w->scratch = static_cast<uint64_t *>(CALLOC(2 * w->words, sizeof(uint64_t)));
  w->order = MALLOC_N<int32_t>(n);
  w->low = MALLOC_N<int32_t>(n + 1);
  w->component = MALLOC_N<int32_t>(n);
  if (!w->agent_flag || !w->blocking_size || !w->blocking || !w->dedicated || !w->scratch ||
      !w->order || !w->low || !w->component || !mark_agents(w))
    return false;
  if (!close_over_silent(w, w->blocking, [](state_t, tran_entry) { return true; })) return false;
  for (state_t s = 0; s < w->n; s++) {
    const uint64_t *set = set_of(w->blocking, w, s);
    int count = 0;
    for (size_t b = 0; b < w->words && count < 2; b++)
      count += __builtin_popcountll(set[b]) > 1 ? 2 : __builtin_popcountll(set[b]);
    w->blocking_size[s] = static_cast<uint8_t>(count > 2 ? 2 : count);
  }
  bool ok = close_over_silent(
      w, w->dedicated, [w](state_t, tran_entry t) { return !blocks(w, t.event(), t.target()); });
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

// Gives state s the output 10v + 1 for the current free base output v.
void vocalize(hcc_work *w, state_t s) {
  set_output(&w->des[s], 10u * w->min_vocal + 1u);
  w->stale = true;
  if (w->version == 1) return;
  w->free_output[w->min_vocal] = 0;
  uint16_t v = static_cast<uint16_t>(w->min_vocal + 1);
  while (v <= 99 && !w->free_output[v]) v++;
  if (v > 99)
    w->error_no_more_vocal = 1;
  else
    w->min_vocal = v;
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
  bool ok = true;
  long visited = 0;
  int pass = 0;
  while (ok && !w.error_no_more_vocal && !pass) {
    pass = 1;
    for (state_t i = 0; ok && i < n && !w.error_no_more_vocal; i++) {
      if (visited % 10 == 0)
        progress_line("HCC: %ld %ld %ld", static_cast<long>(n), visited, static_cast<long>(pass));
      visited++;
      for (int j = 0; ok && j < des[i].numelts; j++) {
        tran_entry t = des[i].next[j];
        if (w.stale && !compute_sets(&w)) {
          ok = false;
          break;
        }
        // Only a blocking transition can fail: a non-blocking agent's blocking set {c} is within
        // its source's dedicated set by definition.
        if (!agent(&w, t.event(), t.target()) || !blocks(&w, t.event(), t.target())) continue;
        uint64_t *blocking = w.scratch, *dedicated = w.scratch + w.words;
        getblocking_set(&w, t.event(), t.target(), blocking);
        getdedicated_set(&w, i, dedicated);
        if (!subset(blocking, dedicated, w.words)) {
          vocalize(&w, t.target());
          pass = 0;
        }
        if (w.error_no_more_vocal) break;
      }
    }
  }
  release_sets(&w);
  if (!ok) mem_result = 1;
  return w.error_no_more_vocal;
}

int hiconsis_des(state_t *n, state_node **des) {
  return hiconsis_common(n, des, 0);
}

int hiconsis_1_des(state_t *n, state_node **des) {
  return hiconsis_common(n, des, 1);
}

// Natural projection: subset construction over null closures, and the staged projection that
// minimizes between stages.
//
// Tables of one subset construction (all released on every path out):
// - null graph in compressed rows: for every state, the targets of its null transitions;
// - subset table: the sorted member lists of all subsets found, one after another in a pool,
//   with a marked flag per subset and an open-addressing hash index over the member lists;
// - result states, one per subset, each with its transition array;
// - work buffers: the successors of the subset being expanded, the closure being built, the
//   search stack and a per-state visit stamp.
#include "algo/project.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "algo/des_proc.h"
#include "algo/grow_buf.h"
#include "algo/hash_table.h"
#include "algo/minimize.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

const int EVENT_CODES = 1024;

struct subset_construction {
  const state_node *des;
  state_t n;
  bool is_null[EVENT_CODES];

  size_t *null_start;  // n + 1 row starts into null_target
  state_t *null_target;

  // Members of subset k: pool.items[member_start[k] .. member_start[k + 1]).
  grow_buf<state_t> pool;
  size_t *member_start;  // subset_cap + 1 entries
  state_node *result;    // one result state per subset
  state_t nsubsets;
  size_t subset_cap;
  hash_table<uint32_t> index;  // subset numbers, hashed by member list

  grow_buf<tran_entry> succ;  // (event, target) successors of the subset being expanded
  state_t *closure;           // the closure being built, then sorted
  state_t *stack;
  uint32_t *seen;  // seen[s] == stamp: s is in the current closure
  uint32_t stamp;
};

void release(subset_construction *c) {
  free(c->null_start);
  free(c->null_target);
  c->pool.release();
  free(c->member_start);
  if (c->result != nullptr)
    for (state_t k = 0; k < c->nsubsets; k++) free(c->result[k].next);
  free(c->result);
  hash_release(&c->index);
  c->succ.release();
  free(c->closure);
  free(c->stack);
  free(c->seen);
}

// Builds the null graph; 0 when no transition carries a null event or memory ran out.
int build_null_graph(subset_construction *c) {
  size_t nnull = 0;
  for (state_t s = 0; s < c->n; s++)
    for (int j = 0; j < c->des[s].numelts; j++) nnull += c->is_null[c->des[s].next[j].event()];
  if (nnull == 0) return 0;
  c->null_start = MALLOC_N<size_t>(static_cast<size_t>(c->n) + 1);
  c->null_target = MALLOC_N<state_t>(nnull);
  if (c->null_start == nullptr || c->null_target == nullptr) return 0;
  size_t at = 0;
  for (state_t s = 0; s < c->n; s++) {
    c->null_start[s] = at;
    for (int j = 0; j < c->des[s].numelts; j++)
      if (c->is_null[c->des[s].next[j].event()]) c->null_target[at++] = c->des[s].next[j].target();
  }
  c->null_start[c->n] = at;
  return 1;
}

int allocate_work(subset_construction *c) {
  size_t n = static_cast<size_t>(c->n);
  c->closure = MALLOC_N<state_t>(n);
  if (c->closure == nullptr) return 0;
  c->stack = MALLOC_N<state_t>(n);
  if (c->stack == nullptr) return 0;
  c->seen = static_cast<uint32_t *>(CALLOC(n, sizeof(uint32_t)));
  if (c->seen == nullptr) return 0;
  return hash_init(&c->index, 1024) ? 1 : 0;
}

// Adds s to the closure and the search stack unless the current closure holds it already.
void visit(subset_construction *c, state_t s, state_t *len, state_t *depth) {
  if (c->seen[s] == c->stamp) return;
  c->seen[s] = c->stamp;
  c->closure[(*len)++] = s;
  c->stack[(*depth)++] = s;
}

// Null closure of targets[0..count): the targets and every state reachable from them by null
// transitions, sorted, in `closure`. Returns its length.
state_t close_over_nulls(subset_construction *c, const tran_entry *targets, size_t count) {
  if (++c->stamp == 0) {
    memset(c->seen, 0, static_cast<size_t>(c->n) * sizeof(uint32_t));
    c->stamp = 1;
  }
  state_t len = 0, depth = 0;
  for (size_t k = 0; k < count; k++) visit(c, targets[k].target(), &len, &depth);
  while (depth > 0) {
    state_t s = c->stack[--depth];
    for (size_t k = c->null_start[s]; k < c->null_start[s + 1]; k++)
      visit(c, c->null_target[k], &len, &depth);
  }
  std::sort(c->closure, c->closure + len);
  return len;
}

uint64_t hash_members(const state_t *members, state_t count) {
  uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(count);
  for (state_t k = 0; k < count; k++) {
    h ^= static_cast<uint32_t>(members[k]);
    h *= 1099511628211ull;
  }
  return h ^ (h >> 29);
}

state_t subset_size(const subset_construction *c, state_t k) {
  return static_cast<state_t>(c->member_start[k + 1] - c->member_start[k]);
}

int equal_list(const state_t *a, const state_t *b, state_t count) {
  return std::equal(a, a + count, b) ? 1 : 0;
}

const state_t *members_of(const subset_construction *c, state_t k) {
  return c->pool.items + c->member_start[k];
}

// Slot of the subset with these members, or of the free slot where it belongs.
size_t find_slot(const subset_construction *c, const state_t *members, state_t count) {
  return hash_find(&c->index, hash_members(members, count), [&](uint32_t word) {
    state_t k = static_cast<state_t>(word);
    return subset_size(c, k) == count && equal_list(members_of(c, k), members, count);
  });
}

// 1 when some member is a marker state.
int mark_newstate(const subset_construction *c, const state_t *members, state_t count) {
  for (state_t k = 0; k < count; k++)
    if (c->des[members[k]].marked) return 1;
  return 0;
}

// Number of the subset equal to the current closure, adding it as the next subset when new;
// -1 when memory ran out or the subsets would outnumber the states a DES can hold (mem_result is
// then set as well: the problem is too large).
state_t memberset(subset_construction *c, state_t count) {
  size_t slot = find_slot(c, c->closure, count);
  if (c->index.slots[slot] != hash_table<uint32_t>::EMPTY)
    return static_cast<state_t>(c->index.slots[slot]);
  state_t k = c->nsubsets;
  if (k == MAX_STATES) {
    mem_result = 1;
    return -1;
  }
  if (static_cast<size_t>(k) == c->subset_cap) {
    size_t cap = c->subset_cap == 0 ? 64 : 2 * c->subset_cap;
    state_node *grown = REALLOC_N(c->result, cap);
    if (grown == nullptr) return -1;
    c->result = grown;
    size_t *starts = REALLOC_N(c->member_start, cap + 1);
    if (starts == nullptr) return -1;
    c->member_start = starts;
    c->subset_cap = cap;
  }
  if (k == 0) c->member_start[0] = 0;
  if (!c->pool.reserve(c->pool.len + static_cast<size_t>(count))) return -1;
  std::copy(c->closure, c->closure + count, c->pool.items + c->pool.len);
  c->pool.len += static_cast<size_t>(count);
  c->member_start[k + 1] = c->pool.len;
  c->result[k] = nil_state_node;
  c->result[k].marked = mark_newstate(c, c->closure, count) != 0;
  c->nsubsets++;
  auto rehash = [c](uint32_t word) {
    state_t j = static_cast<state_t>(word);
    return hash_members(members_of(c, j), subset_size(c, j));
  };
  if (!hash_insert(&c->index, slot, static_cast<uint32_t>(k), rehash)) return -1;
  return k;
}

// Successors of subset k: the (event, target) words of its members' transitions on events that
// are not null, sorted and without duplicates. Returns their number; -1 when memory ran out.
long generate(subset_construction *c, state_t k) {
  size_t count = 0;
  for (size_t m = c->member_start[k]; m < c->member_start[k + 1]; m++) {
    const state_node &member = c->des[c->pool.items[m]];
    if (!c->succ.reserve(count + member.numelts)) return -1;
    for (int j = 0; j < member.numelts; j++)
      if (!c->is_null[member.next[j].event()]) c->succ.items[count++] = member.next[j];
  }
  tran_entry *succ = c->succ.items;
  std::sort(succ, succ + count, tran_less);
  count = static_cast<size_t>(std::unique(succ, succ + count, tran_equal) - succ);
  return static_cast<long>(count);
}

// Gives result state k one transition per successor event, to the subset of the null closure of
// that event's targets. 0 when memory ran out.
int expand(subset_construction *c, state_t k) {
  long count = generate(c, k);
  if (count < 0) return 0;
  int events = 0;
  for (long j = 0; j < count; j++)
    events += j == 0 || c->succ.items[j].event() != c->succ.items[j - 1].event();
  if (events == 0) return 1;
  tran_entry *out = MALLOC_N<tran_entry>(static_cast<size_t>(events));
  if (out == nullptr) return 0;
  c->result[k].next = out;
  c->result[k].numelts = static_cast<uint16_t>(events);
  long j = 0;
  for (int slot = 0; slot < events; slot++) {
    long group = j;
    event_t e = c->succ.items[j].event();
    while (j < count && c->succ.items[j].event() == e) j++;
    state_t target =
        memberset(c, close_over_nulls(c, c->succ.items + group, static_cast<size_t>(j - group)));
    if (target < 0) return 0;
    c->result[k].next[slot] = make_tran(e, target);
  }
  return 1;
}

// Breadth-first subset construction from the closure of state 0; 0 when memory ran out.
int construct(subset_construction *c) {
  tran_entry initial = make_tran(0, 0);  // state 0 as a one-entry target list
  if (memberset(c, close_over_nulls(c, &initial, 1)) < 0) return 0;
  for (state_t k = 0; k < c->nsubsets; k++) {
    if (debug_mode) progress_line("PROJECT: %d %d", k, c->nsubsets - 1);
    if (!expand(c, k)) return 0;
  }
  state_node *shrunk = REALLOC_N(c->result, static_cast<size_t>(c->nsubsets));
  if (shrunk == nullptr) return 0;
  c->result = shrunk;
  return 1;
}

int project_stage_length(state_t size, uint16_t count) {
  if (size < 100) return count;
  if (size < 1000) return 2;
  return 1;
}

}  // namespace

void project1(state_t *n, state_node **des, uint16_t count, const event_t *nulls) {
  if (*n <= 0) return;
  subset_construction c = {};
  c.des = *des;
  c.n = *n;
  for (uint16_t k = 0; k < count; k++)
    if (nulls[k] < EVENT_CODES) c.is_null[nulls[k]] = true;
  if (build_null_graph(&c) && allocate_work(&c) && construct(&c)) {
    freedes(*n, des);
    *des = c.result;
    *n = c.nsubsets;
    c.result = nullptr;
  }
  release(&c);
}

void project0(state_t *n, state_node **des, uint16_t count, const event_t *nulls) {
  if (count == 0) {
    reach(n, des);
    if (!mem_result) minimize2(n, des);
    return;
  }
  int stage = project_stage_length(*n, count);
  for (int at = 0; at < count && !mem_result; at += stage) {
    project1(n, des, static_cast<uint16_t>(std::min(stage, count - at)), nulls + at);
    if (mem_result || *n <= 1) continue;
    reach(n, des);
    if (!mem_result) minimize2(n, des);
  }
}

// State minimization by partition refinement: start from the partition by (marking, output,
// transition count) and split blocks by the predecessors of splitter blocks until every block is
// stable, then build the quotient DES.
//
// Tables of one call (all released on every path out):
// - reverse graph in compressed rows: for every state t, the (event, source) words of the
//   transitions into t;
// - refinable partition: `elems` holds the states grouped by block, every block a contiguous range
//   [first, end) whose prefix [first, mid) holds the states found by the current splitter;
// - worklist: a stack of blocks still to be used as splitters, with a flag per block;
// - the predecessors of the current splitter, gathered and then grouped by event.
#include "algo/minimize.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

// Number of distinct event codes a transition word can carry.
const int EVENT_CODES = 1024;

struct refinement {
  state_t n;
  size_t ntran;        // transitions of the DES
  bool deterministic;  // no state has two transitions on one event

  size_t *rev_start;    // n + 1 row starts into rev
  tran_entry *rev;      // (event, source) of every transition, grouped by target
  tran_entry *preds;    // predecessors of the current splitter
  tran_entry *grouped;  // the same, grouped by event

  state_t *elems;  // states grouped by block
  state_t *loc;    // position of each state in elems
  state_t *block;  // block of each state
  state_t *first;  // per block: range [first, end) in elems, found states in [first, mid)
  state_t *end;
  state_t *mid;
  state_t nblocks;

  state_t *work;  // stack of splitter blocks
  state_t nwork;
  uint8_t *on_work;  // 1 while the block is on the stack

  state_t *touched;  // blocks with found states for the current event
  state_t ntouched;
};

void release(refinement *r) {
  free(r->rev_start);
  free(r->rev);
  free(r->preds);
  free(r->grouped);
  free(r->elems);
  free(r->loc);
  free(r->block);
  free(r->first);
  free(r->end);
  free(r->mid);
  free(r->work);
  free(r->on_work);
  free(r->touched);
}

// Allocates every table; 0 when memory ran out (mem_result set by the wrappers).
int allocate(refinement *r) {
  size_t n = static_cast<size_t>(r->n);
  size_t t = r->ntran > 0 ? r->ntran : 1;
  r->rev_start = static_cast<size_t *>(CALLOC(n + 1, sizeof(size_t)));
  if (r->rev_start == nullptr) return 0;
  r->rev = MALLOC_N<tran_entry>(t);
  if (r->rev == nullptr) return 0;
  r->preds = MALLOC_N<tran_entry>(t);
  if (r->preds == nullptr) return 0;
  r->grouped = MALLOC_N<tran_entry>(t);
  if (r->grouped == nullptr) return 0;
  state_t **tables[] = {&r->elems, &r->loc, &r->block, &r->first,
                        &r->end,   &r->mid, &r->work,  &r->touched};
  for (state_t **table : tables) {
    *table = MALLOC_N<state_t>(n);
    if (*table == nullptr) return 0;
  }
  r->on_work = static_cast<uint8_t *>(CALLOC(n, 1));
  return r->on_work != nullptr;
}

void build_reverse_graph(refinement *r, const state_node *des) {
  for (state_t s = 0; s < r->n; s++)
    for (int j = 0; j < des[s].numelts; j++) r->rev_start[des[s].next[j].target()]++;
  for (state_t t = 1; t < r->n; t++) r->rev_start[t] += r->rev_start[t - 1];
  r->rev_start[r->n] = r->ntran;
  // Rows are filled from their ends, sources taken backwards, so every row lists its sources in
  // ascending order and each row end moves down to the row's start.
  for (state_t s = r->n - 1; s >= 0; s--)
    for (int j = des[s].numelts - 1; j >= 0; j--) {
      tran_entry t = des[s].next[j];
      r->rev[--r->rev_start[t.target()]] = make_tran(t.event(), s);
    }
}

void push_work(refinement *r, state_t b) {
  if (r->on_work[b]) return;
  r->on_work[b] = 1;
  r->work[r->nwork++] = b;
}

// Initial blocks: states with equal (marking, output, transition count), every block a splitter.
// 0 when memory ran out.
int initial_partition(refinement *r, const state_node *des) {
  uint64_t *keyed = MALLOC_N<uint64_t>(static_cast<size_t>(r->n));
  if (keyed == nullptr) return 0;
  for (state_t s = 0; s < r->n; s++) {
    uint64_t key = (static_cast<uint64_t>(des[s].marked) << 29) |
                   (static_cast<uint64_t>(des[s].vocal) << 16) | des[s].numelts;
    keyed[s] = key << 32 | static_cast<uint32_t>(s);
  }
  std::sort(keyed, keyed + r->n);
  r->nblocks = 0;
  for (state_t i = 0; i < r->n; i++) {
    state_t s = static_cast<state_t>(keyed[i] & 0xFFFFFFFFu);
    if (i == 0 || keyed[i] >> 32 != keyed[i - 1] >> 32) {
      r->first[r->nblocks] = r->mid[r->nblocks] = i;
      r->nblocks++;
    }
    r->end[r->nblocks - 1] = i + 1;
    r->block[s] = r->nblocks - 1;
    r->elems[i] = s;
    r->loc[s] = i;
  }
  free(keyed);
  r->nwork = 0;
  for (state_t b = 0; b < r->nblocks; b++) push_work(r, b);
  return 1;
}

// Gathers the predecessors of the splitter's states into `grouped`, ordered by event; returns
// their number. Short lists are sorted, long ones distributed by event code.
size_t gather_predecessors(refinement *r, state_t splitter) {
  size_t count = 0;
  for (state_t i = r->first[splitter]; i < r->end[splitter]; i++) {
    state_t s = r->elems[i];
    for (size_t k = r->rev_start[s]; k < r->rev_start[s + 1]; k++) r->grouped[count++] = r->rev[k];
  }
  if (count <= 256) {
    std::sort(r->grouped, r->grouped + count,
              [](tran_entry a, tran_entry b) { return a.event() < b.event(); });
    return count;
  }
  std::copy(r->grouped, r->grouped + count, r->preds);
  size_t at[EVENT_CODES + 1] = {0};
  for (size_t k = 0; k < count; k++) at[r->preds[k].event() + 1]++;
  for (int e = 0; e < EVENT_CODES; e++) at[e + 1] += at[e];
  for (size_t k = 0; k < count; k++) r->grouped[at[r->preds[k].event()]++] = r->preds[k];
  return count;
}

// Moves state v into the found prefix of its block.
void mark_found(refinement *r, state_t v) {
  state_t b = r->block[v];
  state_t at = r->loc[v];
  if (at < r->mid[b]) return;
  if (r->mid[b] == r->first[b]) r->touched[r->ntouched++] = b;
  state_t swap_pos = r->mid[b]++;
  state_t other = r->elems[swap_pos];
  r->elems[swap_pos] = v;
  r->loc[v] = swap_pos;
  r->elems[at] = other;
  r->loc[other] = at;
}

// Splits block b into its found states (new block) and the rest, and schedules splitters: a block
// still waiting keeps waiting and its new half joins it; otherwise the smaller half is enough for
// a deterministic DES, and both halves wait for a nondeterministic one.
void split_block(refinement *r, state_t b) {
  if (r->mid[b] == r->end[b]) {
    r->mid[b] = r->first[b];
    return;
  }
  state_t nb = r->nblocks++;
  r->first[nb] = r->mid[nb] = r->first[b];
  r->end[nb] = r->mid[b];
  r->first[b] = r->mid[b];
  for (state_t i = r->first[nb]; i < r->end[nb]; i++) r->block[r->elems[i]] = nb;
  if (r->on_work[b] || !r->deterministic) {
    push_work(r, b);
    push_work(r, nb);
  } else if (r->end[nb] - r->first[nb] <= r->end[b] - r->first[b]) {
    push_work(r, nb);
  } else {
    push_work(r, b);
  }
  progress_line("MINIMIZE: %ld %ld", static_cast<long>(r->nblocks), static_cast<long>(r->n));
}

// Splits every block by the predecessors of `splitter`, one event at a time.
void refine_by(refinement *r, state_t splitter) {
  size_t count = gather_predecessors(r, splitter);
  size_t k = 0;
  while (k < count) {
    event_t e = r->grouped[k].event();
    r->ntouched = 0;
    for (; k < count && r->grouped[k].event() == e; k++) mark_found(r, r->grouped[k].target());
    for (state_t i = 0; i < r->ntouched; i++) split_block(r, r->touched[i]);
  }
}

bool is_deterministic(const state_node *des, state_t n) {
  for (state_t s = 0; s < n; s++)
    for (int j = 1; j < des[s].numelts; j++)
      if (des[s].next[j].event() == des[s].next[j - 1].event()) return false;
  return true;
}

// Class map numbered by smallest member: the block of state 0 becomes class 0, then blocks in
// order of first appearance. Reuses `first` as the block-to-class table and `elems` as the map.
state_t classes_by_smallest_member(refinement *r) {
  for (state_t b = 0; b < r->nblocks; b++) r->first[b] = -1;
  state_t classes = 0;
  for (state_t s = 0; s < r->n; s++) {
    state_t &c = r->first[r->block[s]];
    if (c < 0) c = classes++;
    r->elems[s] = c;
  }
  return classes;
}

}  // namespace

void minimize(state_t *n, state_node **des) {
  if (minflag)
    minimize2(n, des);
  else
    minimize1(n, des);
}

// Departure from the classic procedure: a nondeterministic DES gets its coarsest bisimulation,
// which is sound.
void minimize2(state_t *n, state_node **des) {
  if (*n < 2) return;
  refinement r = {};
  r.n = *n;
  for (state_t s = 0; s < *n; s++) r.ntran += (*des)[s].numelts;
  r.deterministic = is_deterministic(*des, *n);
  if (allocate(&r) && initial_partition(&r, *des)) {
    build_reverse_graph(&r, *des);
    progress_line("MINIMIZE: %ld %ld", static_cast<long>(r.nblocks), static_cast<long>(r.n));
    while (r.nwork > 0) {
      state_t splitter = r.work[--r.nwork];
      r.on_work[splitter] = 0;
      refine_by(&r, splitter);
    }
    if (r.nblocks < r.n) {
      state_t classes = classes_by_smallest_member(&r);
      replace_by_classes(n, des, r.elems, classes);
    }
  }
  release(&r);
}

void replace_by_classes(state_t *n, state_node **des, const state_t *map, state_t classes) {
  state_node *result = newdes(classes);
  if (result == nullptr) return;
  recode_min(*n, *des, result, map);
  if (mem_result) {
    freedes(classes, &result);
    return;
  }
  freedes(*n, des);
  *des = result;
  *n = classes;
}

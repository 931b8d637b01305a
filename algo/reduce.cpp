// Supervisor reduction: spanning tree and plant matching, the compatibility relation, the merge
// test, the greedy reduction, the quotient, the lower-bound estimate, the output writer, and the
// loading and checking of the inputs (with the meet of plant and supervisor reduced in place of a
// supervisor whose states meet plant states of different marking).
#include "algo/reduce.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "algo/grow_buf.h"
#include "algo/product.h"
#include "algo/supcon.h"
#include "model/des_file.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

// Working data of one reduction. Arrays have one entry per supervisor state unless noted; every
// pointer is owned here and released by release_reduction.
struct reduction {
  state_t n;  // supervisor states
  // Supervisor transitions in stored order (by event, then target): state s has those at
  // first[s] .. first[s+1]-1.
  int32_t *first;
  event_t *event;
  state_t *target;
  uint8_t *plant_marked;  // 1 when the matching plant state is marked
  uint8_t *sup_marked;    // 1 when the supervisor state is marked
  // Enabled and disabled events as bit sets over the events in use, `words` words per state.
  int words;
  uint64_t *enabled;
  uint64_t *disabled;
  // Classes: rep[s] is the class representative; a representative's class list starts with it
  // and goes on through next_member in joining order; tail is the list's last member.
  state_t *rep;
  state_t *next_member;
  state_t *tail;
  int32_t *size;  // members of the class, for representatives
};

// A hash map from unordered state pairs to counts, emptied in one step: a slot is in use only
// while its stamp equals `generation`. Keys are (min << 32 | max) + 1.
struct pair_counts {
  uint64_t *keys;
  uint32_t *values;
  uint32_t *stamps;
  size_t slot_count;  // a power of two, at least twice `used`
  size_t used;
  uint32_t generation;
};

// The pairs tentatively merged during one merge test, in push order. Each pair is threaded on a
// list per state (its partners, in push order); `pushed` answers "on the stack?" in either
// order, and `class_pairs` counts the pushed pairs between each two classes, so that a pair of
// classes whose every member pair is on the stack needs no more lookups. Everything grows with
// the pairs pushed; emptying costs the pairs pushed.
// On each state's list, consecutive partners of one class form a run; run_x (run_y) is the first
// entry after the run of this entry on x's (y's) list, -1 while the run is the list's last.
struct pair_entry {
  state_t x, y;
  int32_t next_x, next_y;  // next entry involving x (resp. y), -1 at the end
  int32_t run_x, run_y;
};
struct pair_stack {
  grow_buf<pair_entry> entries;
  int32_t *head;  // per state: first entry involving it, -1 when none
  int32_t *last;  // per state: last entry involving it
  int32_t *run;   // per state: first entry of the last run of its list
  pair_counts pushed;
  pair_counts class_pairs;
  pair_counts state_class;  // pushed pairs between a state and the members of a class
};

void release_reduction(reduction *r) {
  free(r->first);
  free(r->event);
  free(r->target);
  free(r->plant_marked);
  free(r->sup_marked);
  free(r->enabled);
  free(r->disabled);
  free(r->rep);
  free(r->next_member);
  free(r->tail);
  free(r->size);
  *r = reduction{};
}

void release_stack(pair_stack *p) {
  p->entries.release();
  free(p->head);
  free(p->last);
  free(p->run);
  for (pair_counts *c : {&p->pushed, &p->class_pairs, &p->state_class}) {
    free(c->keys);
    free(c->values);
    free(c->stamps);
  }
  *p = pair_stack{};
}

// Loading ---------------------------------------------------------------------------------------

// Status of a DES that getdes could not read: memory, or the file's own fault.
int load_failure(int file_status) {
  return mem_result ? SUPRED_NO_MEMORY : file_status;
}

// Spanning tree of the supervisor by depth-first search from state 0, transitions in stored
// order: parent[t] is the state that discovered t (-1 for state 0 and unreachable states);
// order[] lists the discovered states, parents before children; returns their number (0 on
// allocation failure).
state_t spanning_tree(const state_node *sup, state_t n, state_t *parent, state_t *order) {
  struct frame {
    state_t s;
    int pos;
  };
  grow_buf<frame> stack;
  for (state_t s = 0; s < n; s++) parent[s] = -1;
  state_t found = 0;
  order[found++] = 0;
  if (!stack.push({0, 0})) return 0;
  while (stack.len > 0) {
    frame &top = stack.items[stack.len - 1];
    if (top.pos == sup[top.s].numelts) {
      stack.len--;
      continue;
    }
    state_t from = top.s, t = sup[from].next[top.pos++].target();
    if (t == 0 || parent[t] != -1) continue;
    parent[t] = from;
    order[found++] = t;
    if (!stack.push({t, 0})) {
      stack.release();
      return 0;
    }
  }
  stack.release();
  return found;
}

// Plant state matching each supervisor state: state 0 matches plant state 0; every other state
// the target of the plant's first transition, from its parent's plant state, on the event of the
// parent's first transition into it. Returns SUPRED_DONE, SUPRED_NO_MATCH or SUPRED_NO_MEMORY.
int match_plant(const state_node *plant, const state_node *sup, state_t n, state_t *matched) {
  state_t *parent = MALLOC_N<state_t>(static_cast<size_t>(n));
  state_t *order = MALLOC_N<state_t>(static_cast<size_t>(n));
  int status = SUPRED_NO_MEMORY;
  state_t found = parent && order ? spanning_tree(sup, n, parent, order) : 0;
  if (found > 0) status = found == n ? SUPRED_DONE : SUPRED_NO_MATCH;
  if (status == SUPRED_DONE) matched[0] = 0;
  for (state_t k = 1; k < found && status == SUPRED_DONE; k++) {
    state_t x = order[k], p = parent[x];
    const state_node &from = sup[p];
    int j = 0;
    while (from.next[j].target() != x) j++;
    event_t e = from.next[j].event();
    const state_node &plant_from = plant[matched[p]];
    matched[x] = -1;
    for (int i = 0; i < plant_from.numelts && matched[x] < 0; i++)
      if (plant_from.next[i].event() == e) matched[x] = plant_from.next[i].target();
    if (matched[x] < 0) status = SUPRED_NO_MATCH;
  }
  free(parent);
  free(order);
  return status;
}

void set_bit(uint64_t *bits, int index) {
  bits[index >> 6] |= uint64_t{1} << (index & 63);
}

// Fills the working data from the supervisor, its plant matching and its control data.
bool build_reduction(reduction *r, const state_node *plant, const state_node *sup, state_t n,
                     const state_t *matched, const state_node *dat) {
  r->n = n;
  size_t states = static_cast<size_t>(n);
  int64_t transitions = 0;
  for (state_t s = 0; s < n; s++) transitions += sup[s].numelts;
  size_t count = static_cast<size_t>(transitions);
  int16_t dense[1024];
  int used = 0;
  for (int e = 0; e < 1024; e++) dense[e] = -1;
  for (state_t s = 0; s < n; s++) {
    for (int j = 0; j < sup[s].numelts; j++)
      if (dense[sup[s].next[j].event()] < 0) dense[sup[s].next[j].event()] = int16_t(used++);
    for (int j = 0; j < dat[s].numelts; j++)
      if (dense[dat[s].next[j].event()] < 0) dense[dat[s].next[j].event()] = int16_t(used++);
  }
  r->words = used / 64 + 1;
  size_t bit_words = states * static_cast<size_t>(r->words);
  r->first = MALLOC_N<int32_t>(states + 1);
  r->event = MALLOC_N<event_t>(count + 1);
  r->target = MALLOC_N<state_t>(count + 1);
  r->plant_marked = MALLOC_N<uint8_t>(states);
  r->sup_marked = MALLOC_N<uint8_t>(states);
  r->enabled = static_cast<uint64_t *>(CALLOC(bit_words, sizeof(uint64_t)));
  r->disabled = static_cast<uint64_t *>(CALLOC(bit_words, sizeof(uint64_t)));
  r->rep = MALLOC_N<state_t>(states);
  r->next_member = MALLOC_N<state_t>(states);
  r->tail = MALLOC_N<state_t>(states);
  r->size = MALLOC_N<int32_t>(states);
  if (mem_result) return false;
  int32_t at = 0;
  for (state_t s = 0; s < n; s++) {
    r->first[s] = at;
    uint64_t *en = r->enabled + static_cast<size_t>(s) * static_cast<size_t>(r->words);
    uint64_t *dis = r->disabled + static_cast<size_t>(s) * static_cast<size_t>(r->words);
    for (int j = 0; j < sup[s].numelts; j++, at++) {
      r->event[at] = sup[s].next[j].event();
      r->target[at] = sup[s].next[j].target();
      set_bit(en, dense[r->event[at]]);
    }
    for (int j = 0; j < dat[s].numelts; j++) set_bit(dis, dense[dat[s].next[j].event()]);
    r->plant_marked[s] = plant[matched[s]].marked;
    r->sup_marked[s] = sup[s].marked;
    r->rep[s] = r->tail[s] = s;
    r->next_member[s] = -1;
    r->size[s] = 1;
  }
  r->first[n] = at;
  return true;
}

// The direct consistency test of two states: marking (equal plant marking requires equal
// supervisor marking) and control (neither enables an event the other disables).
bool consistent(const reduction *r, state_t x, state_t y) {
  if (r->plant_marked[x] == r->plant_marked[y] && r->sup_marked[x] != r->sup_marked[y])
    return false;
  size_t w = static_cast<size_t>(r->words);
  const uint64_t *ex = r->enabled + w * static_cast<size_t>(x);
  const uint64_t *ey = r->enabled + w * static_cast<size_t>(y);
  const uint64_t *dx = r->disabled + w * static_cast<size_t>(x);
  const uint64_t *dy = r->disabled + w * static_cast<size_t>(y);
  for (size_t i = 0; i < w; i++)
    if ((dx[i] & ey[i]) | (dy[i] & ex[i])) return false;
  return true;
}

// Compatibility ----------------------------------------------------------------------------------
//
// Two states are compatible when every pair of states they reach by one common string passes the
// direct test (a state is compatible with itself). No class of a reduction holds two incompatible
// states, so the reduction skips such pairs at once, and the lower bound is counted from this
// relation. It is held as a full matrix of bits, 1 for incompatible, one row per state, and found
// as the least fixed point: the pairs that fail the direct test, then every pair (x, y) with a
// common event to an incompatible pair. The direct failures depend only on the kinds of the two
// states (marking flags, enabled and disabled events), so they are passed to predecessors a kind
// at a time; after that, rows whose new bits have not been passed on wait in a queue. A row that
// gains its first new bit keeps a copy of its old contents, while the copies fit COPY_BUDGET (else
// its kind's direct failures stand in for them), so that mostly only the new bits are passed on.

struct compat_matrix {
  state_t n;
  size_t words;    // words per row
  uint64_t *bits;  // row x at bits + x * words; bit y set: x and y are incompatible
  uint64_t *row(state_t x) const { return bits + static_cast<size_t>(x) * words; }
  bool incompatible(state_t x, state_t y) const { return (row(x)[y >> 6] >> (y & 63)) & 1; }
};

// Memory for the kinds' direct failures, and for copies of rows while their new bits wait (this
// much, or a quarter of the matrix when that is more: fewer copies pass more bits twice).
const size_t COPY_BUDGET = size_t{64} << 20;

// The transitions twice over: by event (from, to), and by target (from, event) with each
// target's entries sorted by event.
struct edge_index {
  int32_t ev_first[1025];
  state_t *ev_from, *ev_to;
  int32_t *in_first;
  state_t *in_from;
  event_t *in_event;
};

void release_edges(edge_index *x) {
  free(x->ev_from);
  free(x->ev_to);
  free(x->in_first);
  free(x->in_from);
  free(x->in_event);
}

bool build_edges(const reduction *r, edge_index *x) {
  size_t m = static_cast<size_t>(r->first[r->n]), states = static_cast<size_t>(r->n);
  x->ev_from = MALLOC_N<state_t>(m + 1);
  x->ev_to = MALLOC_N<state_t>(m + 1);
  x->in_first = static_cast<int32_t *>(CALLOC(states + 1, sizeof(int32_t)));
  x->in_from = MALLOC_N<state_t>(m + 1);
  x->in_event = MALLOC_N<event_t>(m + 1);
  if (mem_result) return false;
  for (int e = 0; e <= 1024; e++) x->ev_first[e] = 0;
  for (size_t k = 0; k < m; k++) x->ev_first[r->event[k] + 1]++, x->in_first[r->target[k] + 1]++;
  for (int e = 0; e < 1024; e++) x->ev_first[e + 1] += x->ev_first[e];
  for (size_t s = 0; s < states; s++) x->in_first[s + 1] += x->in_first[s];
  // By event, sources ascending; then by target from that order, so each target's entries come
  // sorted by event.
  int32_t at[1024];
  for (int e = 0; e < 1024; e++) at[e] = x->ev_first[e];
  for (state_t s = 0; s < r->n; s++)
    for (int32_t k = r->first[s]; k < r->first[s + 1]; k++) {
      int32_t i = at[r->event[k]]++;
      x->ev_from[i] = s;
      x->ev_to[i] = r->target[k];
    }
  int32_t *fill = MALLOC_N<int32_t>(states);
  if (fill == nullptr) return false;
  for (size_t s = 0; s < states; s++) fill[s] = x->in_first[s];
  for (int e = 0; e < 1024; e++)
    for (int32_t i = x->ev_first[e]; i < x->ev_first[e + 1]; i++) {
      int32_t j = fill[x->ev_to[i]]++;
      x->in_from[j] = x->ev_from[i];
      x->in_event[j] = static_cast<event_t>(e);
    }
  free(fill);
  return true;
}

// States of one kind have equal marking flags and equal enabled and disabled sets, so they fail
// the direct test against the same states. `base` holds, when it fits COPY_BUDGET, a bit set per
// kind over the states: those its states fail against.
struct state_kinds {
  state_t count;
  state_t *of;     // kind of each state
  uint64_t *base;  // kind k at base + k * words; null when too many kinds
};

// Sorts the states into kinds and fills every row with the pairs that fail the direct test.
bool direct_rows(const reduction *r, compat_matrix *m, state_kinds *kinds) {
  state_t n = r->n;
  size_t w = static_cast<size_t>(r->words);
  state_t *order = MALLOC_N<state_t>(static_cast<size_t>(n));
  state_t *first_of = MALLOC_N<state_t>(static_cast<size_t>(n));  // a state of each kind
  uint8_t *fails = MALLOC_N<uint8_t>(static_cast<size_t>(n));
  state_t *kind = kinds->of = MALLOC_N<state_t>(static_cast<size_t>(n));
  bool ok = !mem_result;
  auto key = [&](state_t s, int i) {  // the signature of s as a sequence of words
    return i == 0 ? uint64_t{r->plant_marked[s]} << 1 | r->sup_marked[s]
           : static_cast<size_t>(i) <= w
               ? r->enabled[static_cast<size_t>(s) * w + static_cast<size_t>(i) - 1]
               : r->disabled[static_cast<size_t>(s) * w + static_cast<size_t>(i) - 1 - w];
  };
  int key_len = static_cast<int>(2 * w + 1);
  auto less = [&](state_t a, state_t b) {
    for (int i = 0; i < key_len; i++)
      if (key(a, i) != key(b, i)) return key(a, i) < key(b, i);
    return a < b;
  };
  state_t count = 0;
  if (ok) {
    for (state_t s = 0; s < n; s++) order[s] = s;
    std::sort(order, order + n, less);
    for (state_t i = 0; i < n; i++) {
      bool same = i > 0;
      for (int k = 0; k < key_len && same; k++) same = key(order[i], k) == key(order[i - 1], k);
      if (!same) first_of[count++] = order[i];
      kind[order[i]] = count - 1;
    }
    kinds->count = count;
    if (static_cast<size_t>(count) * m->words * sizeof(uint64_t) <= COPY_BUDGET)
      kinds->base = MALLOC_N<uint64_t>(static_cast<size_t>(count) * m->words);
    ok = !mem_result;
  }
  // The bits of each kind go to its base set, or without one to the row of its first state,
  // copied below to the other states of the kind.
  for (state_t c = 0; c < count && ok; c++) {
    state_t a = first_of[c];
    for (state_t d = 0; d < count; d++) fails[d] = !consistent(r, a, first_of[d]);
    uint64_t *row = kinds->base ? kinds->base + static_cast<size_t>(c) * m->words : m->row(a);
    for (size_t i = 0; i < m->words; i++) row[i] = 0;
    for (state_t y = 0; y < n; y++)
      if (fails[kind[y]]) row[y >> 6] |= uint64_t{1} << (y & 63);
  }
  for (state_t s = 0; s < n && ok; s++) {
    state_t a = first_of[kind[s]];
    const uint64_t *from =
        kinds->base ? kinds->base + static_cast<size_t>(kind[s]) * m->words : m->row(a);
    if (from != m->row(s)) memcpy(m->row(s), from, m->words * sizeof(uint64_t));
  }
  for (state_t s = 0; s < n && ok; s++) {  // a state that fails against itself: bit a to s
    uint64_t *row = m->row(s);
    if (!kinds->base && first_of[kind[s]] != s) {
      state_t a = first_of[kind[s]];
      row[a >> 6] |= (row[s >> 6] >> (s & 63) & 1) << (a & 63);
    }
    row[s >> 6] &= ~(uint64_t{1} << (s & 63));
  }
  free(order), free(first_of), free(fails);
  return ok;
}

// Passes the bits of every row as filled by direct_rows to the rows of its predecessors, a kind at
// a time: for each event e and kind c, the states y whose e-successor fails against kind c are
// incompatible with every x whose e-successor is of kind c. Needs the kinds' base sets.
bool pass_direct_bits(const edge_index *x, const state_kinds *kinds, compat_matrix *m) {
  grow_buf<uint64_t> group;  // kind of target << 32 | source, of the transitions on one event
  uint64_t *also = MALLOC_N<uint64_t>(m->words);
  bool ok = also != nullptr;
  for (int e = 0; e < 1024 && ok; e++) {
    group.len = 0;
    for (int32_t i = x->ev_first[e]; i < x->ev_first[e + 1] && ok; i++)
      ok = group.push(static_cast<uint64_t>(kinds->of[x->ev_to[i]]) << 32 |
                      static_cast<uint32_t>(x->ev_from[i]));
    std::sort(group.items, group.items + group.len);
    for (size_t g = 0; g < group.len && ok;) {
      state_t c = static_cast<state_t>(group.items[g] >> 32);
      const uint64_t *fail = kinds->base + static_cast<size_t>(c) * m->words;
      for (size_t i = 0; i < m->words; i++) also[i] = 0;
      for (int32_t i = x->ev_first[e]; i < x->ev_first[e + 1]; i++)
        if (fail[x->ev_to[i] >> 6] >> (x->ev_to[i] & 63) & 1)
          also[x->ev_from[i] >> 6] |= uint64_t{1} << (x->ev_from[i] & 63);
      for (; g < group.len && static_cast<state_t>(group.items[g] >> 32) == c; g++) {
        state_t from = static_cast<state_t>(group.items[g] & 0xFFFFFFFFu);
        uint64_t *row = m->row(from), keep = row[from >> 6];
        for (size_t i = 0; i < m->words; i++) row[i] |= also[i];
        row[from >> 6] = keep | (also[from >> 6] & ~(uint64_t{1} << (from & 63)));
      }
    }
  }
  group.release();
  free(also);
  return ok;
}

// The rows waiting to pass their new bits on, with copies of their old contents.
struct compat_work {
  state_t *queue;  // ring of waiting rows
  size_t head, waiting;
  // Per row: NOT_WAITING, WHOLE_ROW (waiting without a copy), a copy slot, or -3 - k when the old
  // contents are the base set of kind k.
  int32_t *copy_of;
  uint64_t *copies;  // slots of `words` words each
  int32_t *free_slots;
  int32_t n_free;
  const state_kinds *kinds;  // a row without a copy slot takes its kind's base set, if any
};
const int32_t NOT_WAITING = -1, WHOLE_ROW = -2;

// Lists the states in the order a depth-first search from state 0 finishes them (then any it
// does not reach), so that most states come after the states they lead to: bits pass from a row
// to its predecessors, and a row taken late has gathered more of them. False when memory ran out.
bool successors_first(const reduction *r, state_t *order) {
  struct frame {
    state_t s;
    int32_t next;
  };
  grow_buf<frame> stack;
  uint8_t *seen = static_cast<uint8_t *>(CALLOC(static_cast<size_t>(r->n), 1));
  state_t done = 0;
  for (state_t root = 0; root < r->n && seen; root++) {
    if (seen[root]) continue;
    seen[root] = 1;
    if (!stack.push({root, r->first[root]})) break;
    while (stack.len > 0) {
      frame &top = stack.items[stack.len - 1];
      if (top.next == r->first[top.s + 1]) {
        order[done++] = top.s;
        stack.len--;
        continue;
      }
      state_t t = r->target[top.next++];
      if (!seen[t] && (seen[t] = 1, !stack.push({t, r->first[t]}))) break;
    }
  }
  stack.release();
  free(seen);
  return done == r->n;
}

// Enters x and y as incompatible in row x; a row that was not waiting starts to wait.
inline void set_incompatible(compat_matrix *m, compat_work *w, state_t x, state_t y) {
  uint64_t &word = m->row(x)[y >> 6], bit = uint64_t{1} << (y & 63);
  if ((word & bit) || x == y) return;
  if (w->copy_of[x] == NOT_WAITING) {
    if (w->n_free > 0) {
      int32_t slot = w->free_slots[--w->n_free];
      memcpy(w->copies + static_cast<size_t>(slot) * m->words, m->row(x),
             m->words * sizeof(uint64_t));
      w->copy_of[x] = slot;
    } else {
      w->copy_of[x] = w->kinds->base ? -3 - w->kinds->of[x] : WHOLE_ROW;
    }
    w->queue[(w->head + w->waiting++) % static_cast<size_t>(m->n)] = x;
  }
  word |= bit;
}

// Completes the rows filled by direct_rows to the least fixed point. Each row t passes on its new
// bits z: for every event e into t from some x, and every y --e--> z, x and y are incompatible.
// The pairs are found from the new bits' incoming transitions or, when that is more work, from all
// transitions on e. Time: about the incompatible pairs times the transitions into them.
bool propagate(const reduction *r, const edge_index *x, const state_kinds *kinds,
               compat_matrix *m) {
  state_t n = r->n;
  size_t states = static_cast<size_t>(n);
  size_t row_bytes = m->words * sizeof(uint64_t);
  size_t slots = std::min(states, std::max(COPY_BUDGET, row_bytes * states / 4) / row_bytes);
  compat_work w{};
  w.kinds = kinds;
  w.queue = MALLOC_N<state_t>(states);
  w.copy_of = MALLOC_N<int32_t>(states);
  w.copies = MALLOC_N<uint64_t>(slots * m->words + 1);
  w.free_slots = MALLOC_N<int32_t>(slots + 1);
  uint64_t *delta = MALLOC_N<uint64_t>(m->words);
  bool ok = !mem_result;
  int32_t group_of[1024];  // first incoming transition of t on each event, -1 for none
  for (int e = 0; e < 1024; e++) group_of[e] = -1;
  if (ok) {
    ok = successors_first(r, w.queue);
    for (state_t s = 0; s < n; s++) w.copy_of[s] = kinds->base ? -3 - kinds->of[s] : WHOLE_ROW;
    w.waiting = states;
    for (size_t k = 0; k < slots; k++) w.free_slots[w.n_free++] = static_cast<int32_t>(k);
  }
  double in_per_state = static_cast<double>(r->first[n]) / std::max(n, 1);
  for (long passed = 0; ok && w.waiting > 0; passed++) {
    state_t t = w.queue[w.head];
    w.head = (w.head + 1) % states;
    w.waiting--;
    const uint64_t *row = m->row(t);
    int32_t slot = w.copy_of[t];
    w.copy_of[t] = NOT_WAITING;
    size_t count = 0;
    if (slot == WHOLE_ROW) {
      for (size_t i = 0; i < m->words; i++) count += std::popcount(delta[i] = row[i]);
    } else {
      const uint64_t *old = slot >= 0 ? w.copies + static_cast<size_t>(slot) * m->words
                                      : kinds->base + static_cast<size_t>(-3 - slot) * m->words;
      for (size_t i = 0; i < m->words; i++) count += std::popcount(delta[i] = row[i] & ~old[i]);
      if (slot >= 0) w.free_slots[w.n_free++] = slot;
    }
    if (passed % 4096 == 0)
      progress_line("SUPREDUCE compatibility: %ld rows passed on, %ld waiting", passed,
                    static_cast<long>(w.waiting));
    int32_t in_begin = x->in_first[t], in_end = x->in_first[t + 1];
    if (count == 0 || in_begin == in_end) continue;
    double gather = 0;
    for (int32_t k = in_begin; k < in_end; k++)
      if (group_of[x->in_event[k]] < 0) {
        group_of[x->in_event[k]] = k;
        gather += x->ev_first[x->in_event[k] + 1] - x->ev_first[x->in_event[k]];
      }
    auto pass_on = [&](int32_t g, event_t e, state_t y) {
      for (int32_t j = g; j < in_end && x->in_event[j] == e; j++)
        set_incompatible(m, &w, x->in_from[j], y);
    };
    if (static_cast<double>(count) * in_per_state < gather) {
      for (size_t i = 0; i < m->words; i++)
        for (uint64_t bits = delta[i]; bits != 0; bits &= bits - 1) {
          state_t z = static_cast<state_t>(i * 64 + static_cast<size_t>(std::countr_zero(bits)));
          for (int32_t k = x->in_first[z]; k < x->in_first[z + 1]; k++)
            if (group_of[x->in_event[k]] >= 0)
              pass_on(group_of[x->in_event[k]], x->in_event[k], x->in_from[k]);
        }
    } else {
      for (int32_t k = in_begin; k < in_end; k++) {
        event_t e = x->in_event[k];
        if (k > in_begin && x->in_event[k - 1] == e) continue;
        for (int32_t i = x->ev_first[e]; i < x->ev_first[e + 1]; i++)
          if (delta[x->ev_to[i] >> 6] >> (x->ev_to[i] & 63) & 1) pass_on(k, e, x->ev_from[i]);
      }
    }
    for (int32_t k = in_begin; k < in_end; k++) group_of[x->in_event[k]] = -1;
  }
  free(w.queue);
  free(w.copy_of);
  free(w.copies);
  free(w.free_slots);
  free(delta);
  return ok;
}

// The compatibility matrix of the supervisor; false when memory ran out.
bool compute_compat(const reduction *r, compat_matrix *m) {
  m->n = r->n;
  m->words = static_cast<size_t>(r->n) / 64 + 1;
  m->bits = MALLOC_N<uint64_t>(static_cast<size_t>(r->n) * m->words);
  edge_index edges{};
  state_kinds kinds{};
  bool ok = m->bits != nullptr && build_edges(r, &edges) && direct_rows(r, m, &kinds) &&
            (!kinds.base || pass_direct_bits(&edges, &kinds, m)) && propagate(r, &edges, &kinds, m);
  release_edges(&edges);
  free(kinds.of);
  free(kinds.base);
  return ok;
}

// The lower bound from the compatibility matrix: removes states greedily, most compatible
// partners first (lowest number on ties), until the states left are pairwise incompatible, and
// counts them. Time: O(n^2 / 64) words and O(n) per state removed. -1 when memory ran out.
int32_t greedy_bound(const compat_matrix *m) {
  state_t n = m->n;
  int32_t *count = MALLOC_N<int32_t>(static_cast<size_t>(n));
  uint64_t *removed = static_cast<uint64_t *>(CALLOC(m->words, sizeof(uint64_t)));
  if (mem_result) {
    free(count), free(removed);
    return -1;
  }
  for (state_t s = n; static_cast<size_t>(s) < m->words * 64; s++)
    removed[s >> 6] |= uint64_t{1} << (s & 63);
  for (state_t s = 0; s < n; s++) {
    int32_t incompatible = 0;
    for (size_t i = 0; i < m->words; i++) incompatible += std::popcount(m->row(s)[i]);
    count[s] = n - 1 - incompatible;
  }
  int32_t left = n;
  for (;;) {
    int32_t most = *std::max_element(count, count + n);
    if (most <= 0) break;
    state_t best = static_cast<state_t>(std::find(count, count + n, most) - count);
    removed[best >> 6] |= uint64_t{1} << (best & 63);
    const uint64_t *row = m->row(best);
    for (size_t i = 0; i < m->words; i++)
      for (uint64_t bits = ~(row[i] | removed[i]); bits != 0; bits &= bits - 1)
        count[i * 64 + static_cast<size_t>(std::countr_zero(bits))]--;
    count[best] = -1;
    if (--left % 1024 == 0)
      progress_line("SUPREDUCE lower bound: %ld states left", static_cast<long>(left));
  }
  free(count);
  free(removed);
  return left;
}

// The pair stack ---------------------------------------------------------------------------------

uint64_t pair_key(state_t x, state_t y) {
  uint64_t a = static_cast<uint32_t>(std::min(x, y)), b = static_cast<uint32_t>(std::max(x, y));
  return (a << 32 | b) + 1;
}

bool init_counts(pair_counts *c) {
  *c = pair_counts{};
  c->slot_count = 64;
  c->generation = 1;
  c->keys = MALLOC_N<uint64_t>(c->slot_count);
  c->values = MALLOC_N<uint32_t>(c->slot_count);
  c->stamps = static_cast<uint32_t *>(CALLOC(c->slot_count, sizeof(uint32_t)));
  return !mem_result;
}

// The slot holding `key`, or the free slot where it belongs.
size_t slot_of(const pair_counts *c, uint64_t key) {
  size_t mask = c->slot_count - 1;
  size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 24) & mask;
  while (c->stamps[i] == c->generation && c->keys[i] != key) i = (i + 1) & mask;
  return i;
}

// The count of the pair, 0 when absent.
uint32_t count_of(const pair_counts *c, uint64_t key) {
  size_t i = slot_of(c, key);
  return c->stamps[i] == c->generation ? c->values[i] : 0;
}

// Doubles the table and enters every pair in use again.
bool grow_counts(pair_counts *c) {
  pair_counts old = *c;
  c->slot_count = old.slot_count * 2;
  c->keys = MALLOC_N<uint64_t>(c->slot_count);
  c->values = MALLOC_N<uint32_t>(c->slot_count);
  c->stamps = static_cast<uint32_t *>(CALLOC(c->slot_count, sizeof(uint32_t)));
  bool ok = c->keys && c->values && c->stamps;
  for (size_t i = 0; i < old.slot_count && ok; i++) {
    if (old.stamps[i] != old.generation) continue;
    size_t j = slot_of(c, old.keys[i]);
    c->keys[j] = old.keys[i];
    c->values[j] = old.values[i];
    c->stamps[j] = c->generation;
  }
  pair_counts &drop = ok ? old : *c;
  free(drop.keys);
  free(drop.values);
  free(drop.stamps);
  if (!ok) *c = old;
  return ok;
}

// Adds one to the pair's count; false when the table could not grow.
bool count_pair(pair_counts *c, uint64_t key) {
  if ((c->used + 1) * 2 > c->slot_count && !grow_counts(c)) return false;
  size_t i = slot_of(c, key);
  if (c->stamps[i] != c->generation) {
    c->keys[i] = key;
    c->values[i] = 0;
    c->stamps[i] = c->generation;
    c->used++;
  }
  c->values[i]++;
  return true;
}

void empty_counts(pair_counts *c) {
  c->used = 0;
  if (++c->generation == 0) {
    memset(c->stamps, 0, c->slot_count * sizeof(uint32_t));
    c->generation = 1;
  }
}

bool init_stack(pair_stack *p, state_t n) {
  p->head = MALLOC_N<int32_t>(static_cast<size_t>(n));
  p->last = MALLOC_N<int32_t>(static_cast<size_t>(n));
  p->run = MALLOC_N<int32_t>(static_cast<size_t>(n));
  if (mem_result || !init_counts(&p->pushed) || !init_counts(&p->class_pairs) ||
      !init_counts(&p->state_class))
    return false;
  for (state_t s = 0; s < n; s++) p->head[s] = -1;
  return true;
}

// Whether every pair of a member of class X and a member of class Y is on the stack.
bool classes_covered(const reduction *r, const pair_stack *p, state_t X, state_t Y) {
  uint64_t all = static_cast<uint64_t>(r->size[X]) * static_cast<uint64_t>(r->size[Y]);
  return all <= UINT32_MAX && count_of(&p->class_pairs, pair_key(X, Y)) == all;
}

// Key of a state and a class (ordered, unlike pair_key).
uint64_t state_class_key(state_t s, state_t X) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(s)) << 32 | static_cast<uint32_t>(X)) + 1;
}

// Whether every pair of state s and a member of class X is on the stack.
bool state_covered(const reduction *r, const pair_stack *p, state_t s, state_t X) {
  return count_of(&p->state_class, state_class_key(s, X)) == static_cast<uint32_t>(r->size[X]);
}

// Whether (x, y) or (y, x) is on the stack.
bool on_stack(const reduction *r, const pair_stack *p, state_t x, state_t y) {
  return classes_covered(r, p, r->rep[x], r->rep[y]) || count_of(&p->pushed, pair_key(x, y));
}

int32_t &next_of(pair_entry &e, state_t s) {
  return e.x == s ? e.next_x : e.next_y;
}
int32_t &run_of(pair_entry &e, state_t s) {
  return e.x == s ? e.run_x : e.run_y;
}
state_t partner_of(const pair_entry &e, state_t s) {
  return e.x == s ? e.y : e.x;
}

// Appends the entry to s's list; a partner of another class than the last run's ends that run.
void link_partner(const reduction *r, pair_stack *p, state_t s, int32_t entry) {
  pair_entry *items = p->entries.items;
  if (p->head[s] < 0) {
    p->head[s] = p->run[s] = entry;
  } else {
    if (r->rep[partner_of(items[p->run[s]], s)] != r->rep[partner_of(items[entry], s)]) {
      for (int32_t k = p->run[s]; k >= 0; k = next_of(items[k], s)) run_of(items[k], s) = entry;
      p->run[s] = entry;
    }
    next_of(items[p->last[s]], s) = entry;
  }
  p->last[s] = entry;
}

// Pushes the pair and counts it for its classes.
bool push_pair(const reduction *r, pair_stack *p, state_t x, state_t y) {
  int32_t entry = static_cast<int32_t>(p->entries.len);
  if (!p->entries.push({x, y, -1, -1, -1, -1}) || !count_pair(&p->pushed, pair_key(x, y)) ||
      !count_pair(&p->class_pairs, pair_key(r->rep[x], r->rep[y])) ||
      !count_pair(&p->state_class, state_class_key(x, r->rep[y])) ||
      !count_pair(&p->state_class, state_class_key(y, r->rep[x])))
    return false;
  link_partner(r, p, x, entry);
  link_partner(r, p, y, entry);
  return true;
}

void clear_stack(pair_stack *p) {
  for (size_t i = 0; i < p->entries.len; i++)
    p->head[p->entries.items[i].x] = p->head[p->entries.items[i].y] = -1;
  p->entries.len = 0;
  empty_counts(&p->pushed);
  empty_counts(&p->class_pairs);
  empty_counts(&p->state_class);
}

// The merge test ---------------------------------------------------------------------------------

// The candidates paired with one state in a merge test: the members of its class in joining
// order, then its partners on the pair stack, including those pushed while the test runs.
// `paired` is the class of the state the candidates are paired with, or -1: a run of partners
// whose class is `paired`'s own, or whose every pair with it is on the stack, is passed over at
// once, as each of its pairs would be.
struct candidates {
  state_t owner;
  bool in_class;
  int32_t cur;      // current class member, or last stack entry visited (-1 before the first)
  int32_t jump;     // stack entry to visit next instead of cur's successor, -1 when none
  state_t pending;  // a state to yield before going on, -1 when none
  state_t paired;
};

void start_candidates(candidates *c, state_t owner, state_t paired) {
  *c = {owner, true, -1, -1, -1, paired};
}

// Leaves out the owner's class members, except `keep` (-1: none), which comes next.
void skip_class(candidates *c, state_t keep) {
  c->in_class = false;
  c->cur = -1;
  c->pending = keep;
}

bool next_candidate(candidates *c, const reduction *r, pair_stack *p, state_t *out) {
  if (c->pending >= 0) {
    *out = c->pending;
    c->pending = -1;
    return true;
  }
  if (c->in_class) {
    c->cur = c->cur < 0 ? r->rep[c->owner] : r->next_member[c->cur];
    if (c->cur >= 0) {
      *out = c->cur;
      return true;
    }
    c->in_class = false;
  }
  for (;;) {
    int32_t next = c->jump >= 0 ? c->jump
                   : c->cur < 0 ? p->head[c->owner]
                                : next_of(p->entries.items[c->cur], c->owner);
    c->jump = -1;
    if (next < 0) return false;  // stays at cur: a pair pushed later is found next time
    c->cur = next;
    pair_entry &e = p->entries.items[next];
    state_t partner = partner_of(e, c->owner), C = r->rep[partner];
    if (c->paired < 0 || (C != c->paired && !classes_covered(r, p, c->paired, C))) {
      *out = partner;
      return true;
    }
    int32_t after = run_of(e, c->owner);
    if (after >= 0)
      c->jump = after;
    else
      c->cur = p->last[c->owner];
  }
}

// One level of the merge test of the pair (a, b): the candidate pairs (f, g) and, for each, the
// walk over their transitions on common events.
struct test_frame {
  state_t a, b;
  candidates F, G;
  state_t f, g;
  bool in_successors;   // walking the transitions of (f, g)
  int32_t i, j, j_low;  // positions in f's and g's transitions
};

// Advances the frame to its next candidate pair (f, g): f runs over the candidates of a, and for
// each f, g over the candidates of b. False when done.
bool next_pair(test_frame *t, const reduction *r, pair_stack *p) {
  for (;;) {
    if (t->f >= 0 && next_candidate(&t->G, r, p, &t->g)) return true;
    if (!next_candidate(&t->F, r, p, &t->f)) return false;
    // Pairs of f with members of its own class, or with members of a class all of whose pairs
    // with f (or with f's class) are on the stack, would be passed over one by one: skip them
    // in blocks. Only (a, b) itself, still to have its successors checked, must not be skipped.
    state_t F = r->rep[t->f], B = r->rep[t->b];
    start_candidates(&t->G, t->b, t->f == t->b ? -1 : F);
    if (F == B || classes_covered(r, p, F, B) || state_covered(r, p, t->f, B))
      skip_class(&t->G, t->f == t->a ? t->b : -1);
  }
}

// Outcome of a merge test; MEMORY when the pair stack could not grow.
enum test_result { TEST_MERGEABLE, TEST_NOT_MERGEABLE, TEST_MEMORY };

// Merge test of (a0, b0): every member of either class and every pair already assumed takes
// part, and no pair may involve a class whose representative is below `floor`. Pairs that must
// merge with (a0, b0) are pushed on `stack`. A pair of incompatible states fails the test at
// once (a merge that holds them could only fail later). Iterative, so that chains of implied
// merges as long as the supervisor fit.
test_result merge_test(const reduction *r, const compat_matrix *compat, pair_stack *stack,
                       grow_buf<test_frame> *frames, state_t a0, state_t b0, state_t floor) {
  frames->len = 0;
  test_frame root{};
  root.a = a0;
  root.b = b0;
  root.f = -1;
  start_candidates(&root.F, a0, -1);
  if (!frames->push(root)) return TEST_MEMORY;
  while (frames->len > 0) {
    test_frame &t = frames->items[frames->len - 1];
    if (!t.in_successors) {
      if (!next_pair(&t, r, stack)) {
        frames->len--;  // every candidate pair done: this level is mergeable
        continue;
      }
      state_t f = t.f, g = t.g;
      if (!((f == t.a && g == t.b) || (f == t.b && g == t.a))) {
        if (r->rep[f] == r->rep[g] || on_stack(r, stack, f, g)) continue;
        if (compat->incompatible(f, g)) return TEST_NOT_MERGEABLE;
        if (!push_pair(r, stack, f, g)) return TEST_MEMORY;
      }
      t.in_successors = true;
      t.i = r->first[f];
      t.j_low = r->first[g];
      t.j = -1;
      continue;
    }
    // Successor walk of (f, g): each transition of f, each transition of g on the same event.
    const int32_t f_end = r->first[t.f + 1], g_end = r->first[t.g + 1];
    if (t.i >= f_end) {
      t.in_successors = false;
      continue;
    }
    event_t e = r->event[t.i];
    if (t.j < 0) {
      while (t.j_low < g_end && r->event[t.j_low] < e) t.j_low++;
      t.j = t.j_low;
    }
    if (t.j >= g_end || r->event[t.j] != e) {
      t.i++;
      t.j = -1;
      continue;
    }
    state_t t1 = r->target[t.i], t2 = r->target[t.j++];
    if (r->rep[t1] == r->rep[t2]) continue;
    if (r->rep[t1] < floor || r->rep[t2] < floor) return TEST_NOT_MERGEABLE;
    if (on_stack(r, stack, t1, t2)) continue;
    if (compat->incompatible(t1, t2)) return TEST_NOT_MERGEABLE;
    if (!push_pair(r, stack, t1, t2)) return TEST_MEMORY;
    test_frame child{};
    child.a = t1;
    child.b = t2;
    child.f = -1;
    start_candidates(&child.F, t1, -1);
    if (!frames->push(child)) return TEST_MEMORY;
  }
  return TEST_MERGEABLE;
}

// The class of representative `from` joins the class of representative `into` (into < from).
void join_classes(reduction *r, state_t into, state_t from) {
  r->next_member[r->tail[into]] = from;
  r->tail[into] = r->tail[from];
  r->size[into] += r->size[from];
  for (state_t m = from; m >= 0; m = r->next_member[m]) r->rep[m] = into;
}

// Adds the rows of the class members from `m` on to `bits`.
void add_rows(const reduction *r, const compat_matrix *compat, state_t m, uint64_t *bits) {
  for (; m >= 0; m = r->next_member[m]) {
    const uint64_t *row = compat->row(m);
    for (size_t i = 0; i < compat->words; i++) bits[i] |= row[i];
  }
}

// Greedy reduction: each representative k tries each later representative l. A class holding a
// state incompatible with a member of k's class is passed over without a test.
int reduce(reduction *r, const compat_matrix *compat, pair_stack *stack,
           grow_buf<test_frame> *frames) {
  uint64_t *apart = MALLOC_N<uint64_t>(compat->words);  // states incompatible with k's class
  if (apart == nullptr) return SUPRED_NO_MEMORY;
  auto is_apart = [&](state_t s) { return apart[s >> 6] >> (s & 63) & 1; };
  state_t classes = r->n;
  long pass = 0;
  int status = SUPRED_DONE;
  for (state_t k = 0; k < r->n && status == SUPRED_DONE; k++) {
    if (r->rep[k] != k) continue;
    progress_line("SUPREDUCE pass %ld: %ld of %ld states merged", ++pass,
                  static_cast<long>(r->n - classes), static_cast<long>(r->n));
    for (size_t i = 0; i < compat->words; i++) apart[i] = 0;
    add_rows(r, compat, k, apart);
    for (state_t l = k + 1; l < r->n; l++) {
      if (r->rep[l] != l || is_apart(l)) continue;
      state_t m = r->next_member[l];
      while (m >= 0 && !is_apart(m)) m = r->next_member[m];
      if (m >= 0) continue;
      if (!push_pair(r, stack, k, l)) {
        status = SUPRED_NO_MEMORY;
        break;
      }
      test_result verdict = merge_test(r, compat, stack, frames, k, l, k);
      if (verdict == TEST_MEMORY) {
        status = SUPRED_NO_MEMORY;
        break;
      }
      if (verdict == TEST_MERGEABLE) {
        state_t tail = r->tail[k];
        for (size_t i = 0; i < stack->entries.len; i++) {
          state_t x = r->rep[stack->entries.items[i].x], y = r->rep[stack->entries.items[i].y];
          if (x != y) join_classes(r, std::min(x, y), std::max(x, y)), classes--;
        }
        add_rows(r, compat, r->next_member[tail], apart);
      }
      clear_stack(stack);
    }
  }
  free(apart);
  return status;
}

// Result -----------------------------------------------------------------------------------------

// The quotient of the supervisor by the classes: class c (in increasing order of representative)
// becomes state c, marked when a member is, with the members' transitions to target classes,
// sorted by event and target without repeats.
bool quotient(const reduction *r, state_t *v, state_node **out) {
  state_t n = r->n;
  state_t *number = MALLOC_N<state_t>(static_cast<size_t>(n));
  grow_buf<uint64_t> moves;  // class << 42 | event << 22 | target class, sorted below
  *out = nullptr;
  *v = 0;
  bool ok = number != nullptr;
  for (state_t s = 0; s < n && ok; s++)
    if (r->rep[s] == s) number[s] = (*v)++;
  for (state_t s = 0; s < n && ok; s++)
    for (int32_t k = r->first[s]; k < r->first[s + 1] && ok; k++)
      ok = moves.push(static_cast<uint64_t>(number[r->rep[s]]) << 42 |
                      static_cast<uint64_t>(r->event[k]) << 22 |
                      static_cast<uint64_t>(number[r->rep[r->target[k]]]));
  if (ok) {
    std::sort(moves.items, moves.items + moves.len);
    moves.len =
        static_cast<size_t>(std::unique(moves.items, moves.items + moves.len) - moves.items);
    *out = newdes(*v);
    ok = *out != nullptr;
  }
  for (state_t s = 0; s < n && ok; s++)
    if (r->sup_marked[s]) (*out)[number[r->rep[s]]].marked = 1;
  for (size_t k = 0; k < moves.len && ok;) {
    state_t c = static_cast<state_t>(moves.items[k] >> 42);
    size_t end = k;
    while (end < moves.len && static_cast<state_t>(moves.items[end] >> 42) == c) end++;
    ok = end - k <= 65535;
    tran_entry *list = ok ? MALLOC_N<tran_entry>(end - k) : nullptr;
    ok = list != nullptr;
    for (size_t m = k; m < end && ok; m++)
      list[m - k] = make_tran(static_cast<event_t>((moves.items[m] >> 22) & 1023),
                              static_cast<state_t>(moves.items[m] & 0x3FFFFF));
    if (ok) {
      (*out)[c].next = list;
      (*out)[c].numelts = static_cast<uint16_t>(end - k);
    }
    k = end;
  }
  free(number);
  moves.release();
  if (!ok) freedes(*v, out);
  return ok;
}

void put32(FILE *f, int32_t value) {
  fwrite(&value, sizeof value, 1, f);
}

// Writes the reduced supervisor in the DES layout, with an entry for every state in the
// transition list and header text "MURN DES file. Version 1.0". The bytes go to a temporary file
// beside the target that replaces it only when complete. Returns false when anything fails.
bool Txt_DES(const char *name, state_t v, const state_node *des) {
  char path[MAX_DES_PATH + 1], temp[MAX_DES_PATH + 8];
  if (!des_file_path(name, 0, path)) return false;
  snprintf(temp, sizeof temp, "%s.XXXXXX", path);
  int fd = mkstemp(temp);
  FILE *f = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (f == nullptr) {
    if (fd >= 0) close(fd), unlink(temp);
    return false;
  }
  static const char header[] = "MURN DES file. Version 1.0\x1AZ8^0L;1";
  fwrite(header, 1, sizeof header - 1, f);
  put32(f, static_cast<int32_t>(0xFF00AA55u));
  put32(f, 0);  // block type
  put32(f, 0);  // block length, placed below
  put32(f, v);
  put32(f, 0);
  for (state_t s = 0; s < v; s++)
    if (des[s].marked) put32(f, s);
  put32(f, -1);
  for (state_t s = 0; s < v; s++) {
    put32(f, s);
    fwrite(&des[s].numelts, sizeof(uint16_t), 1, f);
    if (des[s].numelts > 0) fwrite(des[s].next, sizeof(tran_entry), des[s].numelts, f);
  }
  put32(f, -1);
  put32(f, -1);  // no outputs
  long end = ftell(f);
  bool ok = end > 46 && fseek(f, 42, SEEK_SET) == 0;
  if (ok) put32(f, static_cast<int32_t>(end - 46));
  ok = ok && fseek(f, 0, SEEK_END) == 0;
  const int32_t end_block[4] = {-1, 8, 0, 0};
  fwrite(end_block, sizeof end_block, 1, f);
  mode_t mask = umask(0);
  umask(mask);
  ok = fflush(f) == 0 && !ferror(f) && ok;
  ok = fchmod(fd, 0666 & ~mask) == 0 && ok;
  ok = fclose(f) == 0 && ok;
  ok = ok && rename(temp, path) == 0;
  if (!ok) unlink(temp);
  return ok;
}

// Inputs ------------------------------------------------------------------------------------------

// What the reduction works on, loaded and checked. When some supervisor state meets plant states
// of different marking, its plant marking is not one flag and the marking test could merge states
// the supervisor keeps apart: the meet of plant and supervisor (the same closed loop, every state
// meeting one plant state) is reduced instead, with its own control data.
struct reduce_inputs {
  state_t np, ns, nd, nm;
  state_node *plant, *sup, *dat;
  state_node *meet, *meet_dat;  // the meet and its control data, when via_meet
  state_t *matched;             // plant state of each state reduced
  bool via_meet;
};

void release_inputs(reduce_inputs *in) {
  freedes(in->np, &in->plant);
  freedes(in->ns, &in->sup);
  freedes(in->nd, &in->dat);
  freedes(in->nm, &in->meet);
  freedes(in->nm, &in->meet_dat);
  free(in->matched);
  *in = reduce_inputs{};
}

// Whether some state of the meet has a plant event that neither the meet nor the control data
// of its supervisor state allow: control data that leave out a disablement.
bool control_data_short(const reduce_inputs *in, const pair_code_t *codes) {
  for (state_t k = 0; k < in->nm; k++) {
    const state_node &p = in->plant[pair_first(codes[k], in->np)];
    const state_node &d = in->dat[pair_second(codes[k], in->np)];
    const state_node &m = in->meet[k];
    for (int i = 0, j = 0, l = 0; i < p.numelts; i++) {
      event_t e = p.next[i].event();
      while (j < m.numelts && m.next[j].event() < e) j++;
      if (j < m.numelts && m.next[j].event() == e) continue;
      while (l < d.numelts && d.next[l].event() < e) l++;
      if (l == d.numelts || d.next[l].event() != e) return true;
    }
  }
  return false;
}

// Loads plant, supervisor and control data and checks them; on SUPRED_DONE *in holds what to
// reduce. Other statuses: those of supreduce before the reduction starts.
// Departure from the classic procedure: a supervisor whose states meet plant states of different
// marking is replaced by its meet with the plant, so the closed loop never changes.
int prepare_inputs(const char *plant_name, const char *sup_name, const char *dat_name,
                   reduce_inputs *in) {
  *in = reduce_inputs{};
  state_t init = 0, dat_init = -1;  // -1 asks getdes for a DAT file
  if (!getdes(plant_name, &in->np, &init, &in->plant)) return load_failure(SUPRED_PLANT_UNREADABLE);
  if (in->np == 0) return SUPRED_EMPTY;
  if (!getdes(sup_name, &in->ns, &init, &in->sup))
    return load_failure(SUPRED_SUPERVISOR_UNREADABLE);
  if (in->ns == 0) return SUPRED_EMPTY;
  if (in->ns == 1 && in->sup[0].numelts <= 1) return SUPRED_SINGLE_TRIPLE;
  progress_line("SUPREDUCE matching: %ld states", static_cast<long>(in->ns));
  in->matched = MALLOC_N<state_t>(static_cast<size_t>(in->ns));
  if (in->matched == nullptr) return SUPRED_NO_MEMORY;
  int status = match_plant(in->plant, in->sup, in->ns, in->matched);
  if (status != SUPRED_DONE) return status;
  // Control data that cannot be read or belong to another supervisor would let states merge
  // that must not: refuse them.
  if (!getdes(dat_name, &in->nd, &dat_init, &in->dat)) return load_failure(SUPRED_BAD_CONTROL_DATA);
  if (dat_init != -1 || in->nd != in->ns) return SUPRED_BAD_CONTROL_DATA;
  pair_code_t *codes = nullptr;
  meet2(in->np, in->plant, in->ns, in->sup, &in->nm, &in->meet, nullptr, &codes);
  if (mem_result || in->nm == 0) {
    free(codes);
    return SUPRED_NO_MEMORY;
  }
  for (state_t k = 0; k < in->nm && !in->via_meet; k++)
    in->via_meet = in->plant[pair_first(codes[k], in->np)].marked !=
                   in->plant[in->matched[pair_second(codes[k], in->np)]].marked;
  if (control_data_short(in, codes)) status = SUPRED_BAD_CONTROL_DATA;
  if (status == SUPRED_DONE && in->via_meet) {
    // The meet's control data are those of Condat for the meet as supervisor: meet state k is
    // paired with plant state p as code p + np * k.
    free(in->matched);
    in->matched = MALLOC_N<state_t>(static_cast<size_t>(in->nm));
    for (state_t k = 0; k < in->nm && in->matched; k++) {
      in->matched[k] = pair_first(codes[k], in->np);
      codes[k] = in->matched[k] + static_cast<pair_code_t>(in->np) * k;
    }
    state_t n_dat = 0;
    if (in->matched)
      condat1(in->plant, in->np, in->nm, in->nm, in->meet, &n_dat, &in->meet_dat, codes);
    if (mem_result || in->meet_dat == nullptr) status = SUPRED_NO_MEMORY;
  }
  free(codes);
  return status;
}

}  // namespace

int supreduce_check(const char *plant, const char *supervisor, const char *control,
                    bool *via_meet) {
  reduce_inputs in;
  int status = prepare_inputs(plant, supervisor, control, &in);
  *via_meet = status == SUPRED_DONE && in.via_meet;
  release_inputs(&in);
  return status;
}

int supreduce(const char *plant_name, const char *sup_name, const char *dat_name,
              const char *out_name, int32_t *bound, float *ratio) {
  *bound = 0;
  *ratio = 0;
  state_t nv = 0;
  state_node *result = nullptr;
  reduce_inputs in;
  reduction r{};
  compat_matrix compat{};
  pair_stack stack{};
  grow_buf<test_frame> frames;
  int32_t estimate = 0;
  int status = prepare_inputs(plant_name, sup_name, dat_name, &in);
  if (status == SUPRED_DONE &&
      !(in.via_meet ? build_reduction(&r, in.plant, in.meet, in.nm, in.matched, in.meet_dat)
                    : build_reduction(&r, in.plant, in.sup, in.ns, in.matched, in.dat)))
    status = SUPRED_NO_MEMORY;
  freedes(in.np, &in.plant);
  freedes(in.nd, &in.dat);
  freedes(in.nm, &in.meet);
  freedes(in.nm, &in.meet_dat);
  if (status == SUPRED_DONE && (!compute_compat(&r, &compat) || !init_stack(&stack, r.n)))
    status = SUPRED_NO_MEMORY;
  if (status == SUPRED_DONE) status = reduce(&r, &compat, &stack, &frames);
  release_stack(&stack);
  frames.release();
  if (status == SUPRED_DONE && !quotient(&r, &nv, &result)) status = SUPRED_NO_MEMORY;
  if (status == SUPRED_DONE && (estimate = greedy_bound(&compat)) < 0) status = SUPRED_NO_MEMORY;
  free(compat.bits);
  state_t given = in.ns;
  if (status == SUPRED_DONE && in.via_meet && nv >= given) {
    // The meet reduced no further than the supervisor given: that one is the answer.
    freedes(nv, &result);
    result = in.sup;
    nv = given;
    in.sup = nullptr;
    estimate = std::min(estimate, nv);
  }
  if (status == SUPRED_DONE && !Txt_DES(out_name, nv, result))
    status = mem_result ? SUPRED_NO_MEMORY : SUPRED_NOT_WRITTEN;
  if (mem_result) status = SUPRED_NO_MEMORY;
  if (status == SUPRED_DONE) {
    *bound = estimate;
    *ratio = static_cast<float>(given) / static_cast<float>(nv);
  }
  freedes(nv, &result);
  release_inputs(&in);
  release_reduction(&r);
  return status;
}

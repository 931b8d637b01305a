// Supervisor reduction: loader, spanning tree and plant matching, the merge test, the greedy
// reduction, result normalisation, the lower-bound estimate and the output writer.
#include "algo/reduce.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "algo/grow_buf.h"
#include "model/des_file.h"
#include "model/mymalloc.h"

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

// Whether (x, y) or (y, x) is on the stack; `classes` as for push_pair.
bool on_stack(const reduction *r, const pair_stack *p, state_t x, state_t y, bool classes) {
  return (classes && classes_covered(r, p, r->rep[x], r->rep[y])) ||
         count_of(&p->pushed, pair_key(x, y));
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

// Pushes the pair; `classes` also counts it for its classes (the reduction's merge tests).
bool push_pair(const reduction *r, pair_stack *p, state_t x, state_t y, bool classes) {
  int32_t entry = static_cast<int32_t>(p->entries.len);
  if (!p->entries.push({x, y, -1, -1, -1, -1}) || !count_pair(&p->pushed, pair_key(x, y)))
    return false;
  if (classes && (!count_pair(&p->class_pairs, pair_key(r->rep[x], r->rep[y])) ||
                  !count_pair(&p->state_class, state_class_key(x, r->rep[y])) ||
                  !count_pair(&p->state_class, state_class_key(y, r->rep[x]))))
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

// The lower bound's table: per unordered pair of distinct states 2 bits, UNTESTED (untested or
// rejected by the direct test), MERGEABLE or NOT_MERGEABLE.
const int UNTESTED = 0, MERGEABLE = 1, NOT_MERGEABLE = 2;
// Row a (the smaller state) holds the pairs (a, a+1) .. (a, n-1) one after another, so that the
// pair loops, smaller state outside, walk the table in order.
struct pair_table {
  uint64_t *bits;
  uint64_t n;
};

uint64_t table_index(const pair_table *t, state_t x, state_t y) {
  uint64_t a = static_cast<uint64_t>(std::min(x, y)), b = static_cast<uint64_t>(std::max(x, y));
  return a * t->n - a * (a + 1) / 2 + (b - a - 1);
}
int table_get(const pair_table *t, state_t x, state_t y) {
  uint64_t i = table_index(t, x, y);
  return static_cast<int>((t->bits[i >> 5] >> ((i & 31) * 2)) & 3);
}
void table_set(pair_table *t, state_t x, state_t y, int value) {
  uint64_t i = table_index(t, x, y);
  uint64_t &word = t->bits[i >> 5];
  word =
      (word & ~(uint64_t{3} << ((i & 31) * 2))) | (static_cast<uint64_t>(value) << ((i & 31) * 2));
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
// each f, g over the candidates of b; in table mode the only pair is (a, b). False when done.
bool next_pair(test_frame *t, const reduction *r, pair_stack *p, bool classes) {
  if (!classes) {
    if (t->f >= 0) return false;
    t->f = t->a;
    t->g = t->b;
    return true;
  }
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

// Merge test of (a0, b0): in `classes` mode (the reduction) every member of either class and
// every pair already assumed takes part, and no pair may involve a class whose representative
// is below `floor`; in table mode (the lower bound, floor -1) only a0 and b0 themselves, with
// `table` answering for pairs already decided. Pairs that must merge with (a0, b0) are pushed
// on `stack`. In table mode every pair on the failing chain is entered as not mergeable.
// Iterative, so that chains of implied merges as long as the supervisor fit.
test_result merge_test(const reduction *r, pair_stack *stack, grow_buf<test_frame> *frames,
                       state_t a0, state_t b0, state_t floor, pair_table *table) {
  const bool classes = table == nullptr;
  frames->len = 0;
  test_frame root{};
  root.a = a0;
  root.b = b0;
  root.f = -1;
  start_candidates(&root.F, a0, -1);
  if (!frames->push(root)) return TEST_MEMORY;
  test_result verdict = TEST_MERGEABLE;
  while (frames->len > 0 && verdict == TEST_MERGEABLE) {
    test_frame &t = frames->items[frames->len - 1];
    if (!t.in_successors) {
      if (!next_pair(&t, r, stack, classes)) {
        frames->len--;  // every candidate pair done: this level is mergeable
        continue;
      }
      state_t f = t.f, g = t.g;
      if (!((f == t.a && g == t.b) || (f == t.b && g == t.a))) {
        if (r->rep[f] == r->rep[g] || on_stack(r, stack, f, g, classes)) continue;
        if (!consistent(r, f, g)) {
          verdict = TEST_NOT_MERGEABLE;
          break;
        }
        if (!push_pair(r, stack, f, g, classes)) return TEST_MEMORY;
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
    if (!classes) {
      int known = t1 == t2 ? UNTESTED : table_get(table, t1, t2);
      if (known == MERGEABLE) continue;
      if (known == NOT_MERGEABLE) {
        verdict = TEST_NOT_MERGEABLE;
        break;
      }
    }
    if (r->rep[t1] == r->rep[t2]) continue;
    if (r->rep[t1] < floor || r->rep[t2] < floor) {
      verdict = TEST_NOT_MERGEABLE;
      break;
    }
    if (on_stack(r, stack, t1, t2, classes)) continue;
    if (!consistent(r, t1, t2)) {
      verdict = TEST_NOT_MERGEABLE;
      break;
    }
    if (!push_pair(r, stack, t1, t2, classes)) return TEST_MEMORY;
    test_frame child{};
    child.a = t1;
    child.b = t2;
    child.f = -1;
    start_candidates(&child.F, t1, -1);
    if (!frames->push(child)) return TEST_MEMORY;
  }
  if (verdict == TEST_NOT_MERGEABLE && !classes)
    for (size_t k = 1; k < frames->len; k++)
      table_set(table, frames->items[k].a, frames->items[k].b, NOT_MERGEABLE);
  return verdict;
}

// The class of representative `from` joins the class of representative `into` (into < from).
void join_classes(reduction *r, state_t into, state_t from) {
  r->next_member[r->tail[into]] = from;
  r->tail[into] = r->tail[from];
  r->size[into] += r->size[from];
  for (state_t m = from; m >= 0; m = r->next_member[m]) r->rep[m] = into;
}

// Greedy reduction: each representative k tries each later representative l.
int reduce(reduction *r, pair_stack *stack, grow_buf<test_frame> *frames) {
  for (state_t k = 0; k < r->n; k++) {
    if (r->rep[k] != k) continue;
    for (state_t l = k + 1; l < r->n; l++) {
      if (r->rep[l] != l || !consistent(r, k, l)) continue;
      if (!push_pair(r, stack, k, l, true)) return SUPRED_NO_MEMORY;
      test_result verdict = merge_test(r, stack, frames, k, l, k, nullptr);
      if (verdict == TEST_MEMORY) return SUPRED_NO_MEMORY;
      if (verdict == TEST_MERGEABLE) {
        for (size_t i = 0; i < stack->entries.len; i++) {
          state_t x = r->rep[stack->entries.items[i].x], y = r->rep[stack->entries.items[i].y];
          if (x != y) join_classes(r, std::min(x, y), std::max(x, y));
        }
      }
      clear_stack(stack);
    }
  }
  return SUPRED_DONE;
}

// Lower bound ------------------------------------------------------------------------------------

// Tests every pair of states on its own (each state its own class), records which merge, then
// removes states greedily, most compatible first (lowest number on ties), until the states left
// are pairwise incompatible; their number is the bound.
int lower_bound(reduction *r, pair_stack *stack, grow_buf<test_frame> *frames, int32_t *bound) {
  state_t n = r->n;
  for (state_t s = 0; s < n; s++) {
    r->rep[s] = r->tail[s] = s;
    r->next_member[s] = -1;
    r->size[s] = 1;
  }
  uint64_t pairs = static_cast<uint64_t>(n) * static_cast<uint64_t>(n - 1) / 2;
  pair_table table{static_cast<uint64_t *>(CALLOC(static_cast<size_t>(pairs / 32 + 1), 8)),
                   static_cast<uint64_t>(n)};
  int32_t *count = MALLOC_N<int32_t>(static_cast<size_t>(n));
  uint8_t *removed = static_cast<uint8_t *>(CALLOC(static_cast<size_t>(n), 1));
  int status = mem_result ? SUPRED_NO_MEMORY : SUPRED_DONE;
  for (state_t l = 0; l < n && status == SUPRED_DONE; l++) {
    for (state_t e = l + 1; e < n; e++) {
      if (table_get(&table, l, e) != UNTESTED || !consistent(r, l, e)) continue;
      if (!push_pair(r, stack, l, e, false)) {
        status = SUPRED_NO_MEMORY;
        break;
      }
      test_result verdict = merge_test(r, stack, frames, l, e, -1, &table);
      if (verdict == TEST_MEMORY) {
        status = SUPRED_NO_MEMORY;
        break;
      }
      if (verdict == TEST_NOT_MERGEABLE) table_set(&table, l, e, NOT_MERGEABLE);
      if (verdict == TEST_MERGEABLE)
        for (size_t i = 0; i < stack->entries.len; i++)
          table_set(&table, stack->entries.items[i].x, stack->entries.items[i].y, MERGEABLE);
      clear_stack(stack);
    }
  }
  if (status == SUPRED_DONE) {
    for (state_t s = 0; s < n; s++) count[s] = 0;
    for (state_t x = 0; x < n; x++)
      for (state_t y = x + 1; y < n; y++)
        if (table_get(&table, x, y) == MERGEABLE) count[x]++, count[y]++;
    state_t left = n;
    for (;;) {
      state_t best = -1;
      for (state_t s = 0; s < n; s++)
        if (!removed[s] && (best < 0 || count[s] > count[best])) best = s;
      if (best < 0 || count[best] == 0) break;
      for (state_t s = 0; s < n; s++)
        if (s != best && !removed[s] && table_get(&table, best, s) == MERGEABLE) count[s]--;
      removed[best] = 1;
      left--;
    }
    *bound = left;
  }
  free(table.bits);
  free(count);
  free(removed);
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

}  // namespace

int supreduce(const char *plant_name, const char *sup_name, const char *dat_name,
              const char *out_name, int32_t *bound, float *ratio) {
  *bound = 0;
  *ratio = 0;
  state_t np = 0, ns = 0, nd = 0, nv = 0;
  state_t plant_init = 0, sup_init = 0, dat_init = -1;  // -1 asks getdes for a DAT file
  state_node *plant = nullptr, *sup = nullptr, *dat = nullptr, *result = nullptr;
  state_t *matched = nullptr;
  reduction r{};
  pair_stack stack{};
  grow_buf<test_frame> frames;
  int32_t estimate = 0;
  int status = SUPRED_DONE;

  if (!getdes(plant_name, &np, &plant_init, &plant)) status = load_failure(SUPRED_PLANT_UNREADABLE);
  if (status == SUPRED_DONE && np == 0) status = SUPRED_EMPTY;
  if (status == SUPRED_DONE && !getdes(sup_name, &ns, &sup_init, &sup))
    status = load_failure(SUPRED_SUPERVISOR_UNREADABLE);
  if (status == SUPRED_DONE && ns == 0) status = SUPRED_EMPTY;
  if (status == SUPRED_DONE && ns == 1 && sup[0].numelts <= 1) status = SUPRED_SINGLE_TRIPLE;
  if (status == SUPRED_DONE) {
    matched = MALLOC_N<state_t>(static_cast<size_t>(ns));
    status = matched ? match_plant(plant, sup, ns, matched) : SUPRED_NO_MEMORY;
  }
  if (status == SUPRED_DONE) {
    // Control data that cannot be read or belong to another supervisor would let states merge
    // that must not: refuse them.
    if (!getdes(dat_name, &nd, &dat_init, &dat))
      status = load_failure(SUPRED_BAD_CONTROL_DATA);
    else if (dat_init != -1 || nd != ns)
      status = SUPRED_BAD_CONTROL_DATA;
  }
  if (status == SUPRED_DONE && !build_reduction(&r, plant, sup, ns, matched, dat))
    status = SUPRED_NO_MEMORY;
  freedes(np, &plant);
  freedes(nd, &dat);
  if (status == SUPRED_DONE && !init_stack(&stack, ns)) status = SUPRED_NO_MEMORY;
  if (status == SUPRED_DONE) status = reduce(&r, &stack, &frames);
  if (status == SUPRED_DONE && !quotient(&r, &nv, &result)) status = SUPRED_NO_MEMORY;
  if (status == SUPRED_DONE) status = lower_bound(&r, &stack, &frames, &estimate);
  if (status == SUPRED_DONE && !Txt_DES(out_name, nv, result))
    status = mem_result ? SUPRED_NO_MEMORY : SUPRED_NOT_WRITTEN;
  if (mem_result) status = SUPRED_NO_MEMORY;
  if (status == SUPRED_DONE) {
    *bound = estimate;
    *ratio = static_cast<float>(ns) / static_cast<float>(nv);
  }
  freedes(ns, &sup);
  freedes(nv, &result);
  free(matched);
  release_reduction(&r);
  release_stack(&stack);
  frames.release();
  return status;
}

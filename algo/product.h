// Products of two DES: the meet (joint steps on common events only), its reversed form, the
// synchronous product (each DES moves alone on its private events), and the selfloop and
// event-list helpers sync is built from.
//
// Products build only the part reachable from the pair of initial states. Joint states are
// numbered in breadth-first order of discovery: state 0 is (0, 0), states are expanded in
// increasing number and the successors of a state are discovered in ascending event order; on an
// event that a component can take to several states, every combination of targets is a
// successor, discovered in order of the first component's target, then the second's. A joint
// state is marked when both components are; it is silent (vocal 0); only state 0 carries
// `reached`.
//
// Product tables. A state pair (s1, s2) has the pair code s1 + N1 * s2 (64 bits; N1 is the first
// DES's state count). A product hands back two tables:
//   - `pair_codes`: an array of pair_code_t indexed by joint state, exactly n entries, allocated
//     with MALLOC; the caller releases it with free(). trim2 moves entries along with states.
//   - `product_index`: the map from pair to joint state. Read it only through product_lookup();
//     release it with free_product_index(). It is a dense table of N1 * N2 state numbers when that
//     table is small (at most product_dense_limit entries) and otherwise an open-addressing hash
//     table over the reachable pairs, so its memory grows with the reachable product. Both forms
//     give the same answers.
// Either table pointer may be passed as null when the caller does not want that table.
//
// Limits and failures. A product whose joint state count would exceed MAX_STATES (the range of a
// transition target) is refused as soon as its MAX_STATES + 1st joint state is discovered, with
// PRODUCT_STATE_LIMIT; a component with more than MAX_STATES states, or a joint state that would
// have more than 65535 transitions (possible only on nondeterministic input), is refused as
// "problem too large", with PRODUCT_FAILED. Either way mem_result is set to 1 and the result is
// empty (n = 0, no array, no tables). Allocation failure does the same (in compute mode the
// allocation wrappers end the process with result code 3 instead). Callers test mem_result, or
// the result, before using a product.
//
// Cost. Both inputs are checked once for determinism; when both are deterministic each joint
// state is expanded by one pass over the two lists, otherwise every combination of same-event
// transitions is paired.
#ifndef SARV_ALGO_PRODUCT_H
#define SARV_ALGO_PRODUCT_H

#include <cstddef>
#include <cstdint>

#include "algo/des_proc.h"
#include "algo/hash_table.h"
#include "model/des_data.h"

// Map from state pair to joint state; see product_lookup().
struct product_index {
  state_t n1;      // states of the first DES
  state_t n2;      // states of the second DES
  state_t *dense;  // N1 * N2 entries indexed by pair code, -1 for unreached; null in hash form
  hash_table<uint64_t> hashed;  // hash form: words (pair code << 22) | joint state
};

// Outcome of a product.
const int PRODUCT_DONE = 0;
const int PRODUCT_FAILED = 1;       // out of memory, or a list or component too large
const int PRODUCT_STATE_LIMIT = 2;  // the reachable product has more than MAX_STATES states

// Products whose N1 * N2 is at most this many pairs (2^24, a 64 MiB table) use the dense index
// (4 bytes per pair); larger ones use the hash form. One probe of the dense table costs a cache
// miss at most, where the hash form probes and grows: a product that runs into the state limit
// with N1 * N2 near 5 million pairs reaches it three times sooner with the dense table, in less
// memory than the hash table grown to 2 million entries. Exposed so that tests and benchmarks
// can force either form.
extern int64_t product_dense_limit;

inline pair_code_t make_pair_code(state_t s1, state_t s2, state_t n1) {
  return static_cast<pair_code_t>(s1) + static_cast<pair_code_t>(n1) * s2;
}
inline state_t pair_first(pair_code_t code, state_t n1) {
  return static_cast<state_t>(code % n1);
}
inline state_t pair_second(pair_code_t code, state_t n1) {
  return static_cast<state_t>(code / n1);
}

// Joint state of the pair (s1, s2), or -1 when the pair is out of range or not in the product.
// Constant expected time.
state_t product_lookup(const product_index *index, state_t s1, state_t s2);

// Releases the index and nulls *index; does nothing for null.
void free_product_index(product_index **index);

// Reachable product of (N1, G1) and (N2, G2) over their common events. The inputs are not
// changed. Result (*n, *des) is a new DES owned by the caller; each state's transitions are
// sorted. When N1 = 0 or N2 = 0 the result is n = 0 with no array and no tables.
// Time: O(joint states + joint transitions) expected, plus the walk of both lists per joint state.
// Returns PRODUCT_DONE, PRODUCT_FAILED or PRODUCT_STATE_LIMIT.
int meet2(state_t N1, state_node *G1, state_t N2, state_node *G2, state_t *n, state_node **des,
          product_index **index, pair_code_t **pair_codes);

// As meet2 (same states, numbering, marking and tables), but each joint step k --e--> j is
// stored reversed, as (e, k) in the list of j. A joint state entered by more than 65535 steps
// cannot be held and is refused like a too large product. Returns as meet2.
int nc_meet2(state_t N1, state_node *G1, state_t N2, state_node *G2, state_t *n, state_node **des,
             product_index **index, pair_code_t **pair_codes);

// Synchronous product: adds to every state of each DES a selfloop on each event that only the
// other DES uses (both inputs are changed in place and keep those selfloops), then takes their
// meet. Tables, numbering and result as meet2.
int sync2(state_t N1, state_node *G1, state_t N2, state_node *G2, state_t *n, state_node **des,
          product_index **index, pair_code_t **pair_codes);

// Sorted, duplicate-free list of the events labelling transitions of the DES; *events is a new
// array (null when there are none) released with free(). Time: O(V + E).
void gentranlist(state_t n, const state_node *des, uint16_t *count, event_t **events);

// A = E1 minus E2 and B = E2 minus E1 from two sorted lists, as new sorted arrays (null when
// empty) released with free().
void gensublist(uint16_t c1, const event_t *E1, uint16_t c2, const event_t *E2, uint16_t *ca,
                event_t **A, uint16_t *cb, event_t **B);

// Adds a selfloop on each listed event (sorted) at every state, in place, without duplicating
// existing transitions. A state that would exceed 65535 transitions is left unchanged and
// mem_result is set. Time: O(V + E + V * count).
void gentran(uint16_t count, const event_t *events, state_t n, state_node *des);

// Walks two transition lists sorted by event side by side. For an event both lists carry, calls
// both(a, b) for every pair of a transition a of the first list and b of the second on that
// event, in list order of a, then of b (one call per event when both lists are deterministic).
// Calls only_first(a) for each transition of the first list on an event the second lacks, and
// only_second(b) likewise. Stops early when a callback returns false. Time: O(count1 + count2 +
// pairs).
template <typename Both, typename OnlyFirst, typename OnlySecond>
inline void merge_walk(const tran_entry *first, int count1, const tran_entry *second, int count2,
                       Both both, OnlyFirst only_first, OnlySecond only_second) {
  int i = 0, j = 0;
  while (i < count1 && j < count2) {
    event_t e1 = first[i].event(), e2 = second[j].event();
    if (e1 < e2) {
      if (!only_first(first[i++])) return;
    } else if (e2 < e1) {
      if (!only_second(second[j++])) return;
    } else {
      int i_end = i + 1, j_end = j + 1;
      while (i_end < count1 && first[i_end].event() == e1) i_end++;
      while (j_end < count2 && second[j_end].event() == e1) j_end++;
      for (int a = i; a < i_end; a++)
        for (int b = j; b < j_end; b++)
          if (!both(first[a], second[b])) return;
      i = i_end;
      j = j_end;
    }
  }
  while (i < count1)
    if (!only_first(first[i++])) return;
  while (j < count2)
    if (!only_second(second[j++])) return;
}

// As merge_walk for two lists that carry at most one transition per event each: both(a, b) once
// per common event. Time: O(count1 + count2).
template <typename Both, typename OnlyFirst, typename OnlySecond>
inline void merge_walk_deterministic(const tran_entry *first, int count1, const tran_entry *second,
                                     int count2, Both both, OnlyFirst only_first,
                                     OnlySecond only_second) {
  int i = 0, j = 0;
  while (i < count1 && j < count2) {
    event_t e1 = first[i].event(), e2 = second[j].event();
    bool go_on;
    if (e1 == e2)
      go_on = both(first[i++], second[j++]);
    else if (e1 < e2)
      go_on = only_first(first[i++]);
    else
      go_on = only_second(second[j++]);
    if (!go_on) return;
  }
  while (i < count1)
    if (!only_first(first[i++])) return;
  while (j < count2)
    if (!only_second(second[j++])) return;
}

#endif

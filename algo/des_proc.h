// Graph searches and compaction that every DES procedure ends with: forward reachability from the
// initial state, coreachability of marker states, trim, and the order-preserving renumbering
// ("recode") that closes the gaps left by removed states.
//
// Every operation works in place on a DES held as a state count and a state array. Operations that
// remove states shrink the array to the new count (to no array and count 0 when nothing survives).
// Allocation failure sets mem_result to 1 (front end) or ends the compute process with result
// code 3; after mem_result is 1 the DES must be discarded by the caller.
#ifndef SARV_ALGO_DES_PROC_H
#define SARV_ALGO_DES_PROC_H

#include <cstdint>

#include "model/des_data.h"

// Code of a state pair (s1, s2) of a product of a DES with N1 states and another DES:
// s1 + N1 * s2, always computed in 64 bits. algo/product.h builds and decodes them.
typedef int64_t pair_code_t;

// Survive bit of a recode map word; bits 0..30 hold the new state number.
const uint32_t RECODE_SURVIVES = 0x80000000u;

// Sets the state's transition count to `kept` after its first `kept` entries were compacted, and
// shrinks (or, at 0, frees) the array. A failed shrink keeps the larger, still valid block.
void shrink_list(state_node *node, int kept);

// Sets `reached` on every state reachable from `start` that did not carry it yet, breadth-first.
// The caller sets `reached` on `start` itself (and clears it elsewhere as needed); a state that
// already has `reached` is not expanded, so several searches can share the flags. Progress line
// "B_REACH: %ld" every 10000 newly reached states. Time: O(reached states + their transitions).
void b_reach(state_t start, state_node **des);

// Removes the states not reachable from state 0 and renumbers the survivors in their old order.
// A DES whose states are all reachable is left untouched (same array). On return every state has
// `reached`. Time: O(V + E).
void reach(state_t *n, state_node **des);

// Sets `coreach` exactly on the states that can reach a marker state (marker states included) and
// clears it elsewhere. Computed on the whole graph by a backward search from the marker states
// over the reverse rows; extra memory: 4 bytes per transition and 9 per state. Time: O(V + E).
void coreach2(state_t n, state_node **des);

// One depth-first search from `start` for a marker state or a state already carrying `coreach`.
// On success sets `coreach` on `start` and on every state of the path found. When the search is
// exhausted, sets dead[v] = 1 for every state it visited (none of them reaches a marker state).
// States with dead[v] = 1 are never entered. `dead` has n bytes. Progress line "COREACH1: %ld"
// every 1000 steps. On allocation failure sets mem_result and returns with no flag changed.
void coreach1(state_t start, state_t n, state_node **des, char *dead);

// Removes every state that is not both reachable from state 0 and coreachable, renumbering the
// survivors in their old order (the result is the empty DES, n = 0, when state 0 does not survive).
// A trim DES is left untouched. On return the survivors carry `reached` and `coreach`.
// Time: O(V + E).
void trim1(state_t *n, state_node **des);

// As trim1; pair_codes[new] takes pair_codes[old] for every surviving state. The pair_codes array
// is not shrunk.
void trim2(state_t *n, state_node **des, pair_code_t *pair_codes);

// Compacts the DES in place by the recode map: states whose map word lacks RECODE_SURVIVES lose
// their transitions; survivors move to their new number (never above the old one, map is
// order-preserving) with flags, outputs and transitions; transitions into removed states vanish
// and the others get their new target. The state array is not shrunk: the caller resizes it to
// the number of survivors. Time: O(V + E).
void recode(state_t n, state_node **des, const uint32_t *map);

// As recode; pair_codes[m] = pair_codes[s] for every state s that moves to m.
void recode2(state_t n, state_node **des, const uint32_t *map, pair_code_t *pair_codes);

// Treats `reached` as "good": states without it lose all transitions, the others lose their
// transitions into states without it. No state is renumbered. Time: O(V + E).
void purgebadstates(state_t n, state_node **des);

// Adds (event e, target s) to rev[t] for each transition s --e--> t of state s, sorted and
// without duplicates. Calling it for every state of a DES builds its reverse graph in `rev`, an
// array of as many zeroed states (newdes). A state entered by more than 65535 transitions cannot
// count them: mem_result is set to 1 and the rest of the list of s is not added.
void reversetran1(state_t s, const state_node *des, state_node *rev);

// Builds the whole reverse graph at once: the same `rev` as reversetran1 over every state, with
// each list allocated once at its final length. Returns 1, or 0 with mem_result set (allocation
// failure, or a state entered by more than 65535 transitions); `rev` then holds what was built
// so far and is freed by the caller as usual. Time: O(V + E log(in-degree)).
int reverse_graph(state_t n, const state_node *des, state_node *rev);

// Reverse graph in compressed rows: the transitions into state t come from the states
// from[i] >> 1 for first[t] <= i < first[t + 1]; bit 0 of from[i] is set when the transition's
// event is uncontrollable (even). Both arrays are owned by the holder (free_reverse_rows).
struct reverse_rows {
  uint32_t *first;  // n + 1 offsets
  uint32_t *from;   // one entry per transition
};

// Builds the reverse rows of a DES. Returns false with mem_result set on allocation failure or
// when the DES has 2^32 or more transitions (then nothing is held). Time: O(V + E).
bool build_reverse_rows(state_t n, const state_node *des, reverse_rows *rows);
void free_reverse_rows(reverse_rows *rows);

// Total number of transitions.
int64_t count_tran(const state_node *des, state_t n);

// Number of marker states.
state_t num_marked(const state_node *des, state_t n);

#endif

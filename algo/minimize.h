// State minimization: replaces a DES by the equivalent DES with the fewest states. Two states are
// equivalent when they agree in marking and vocal output and, event by event, lead to equivalent
// states (a state without a transition on an event is never equivalent to one that has it).
//
// Result numbering (both methods): the classes of equivalent states, numbered in increasing order
// of their smallest member, so the class of state 0 is the new state 0. A DES in which nothing
// merges is returned untouched (same array). Callers run `reach` first; the methods do not need it.
//
// Allocation failure sets mem_result to 1 (front end) or ends the compute process with result
// code 3; the DES is then left as it was on entry.
#ifndef SARV_ALGO_MINIMIZE_H
#define SARV_ALGO_MINIMIZE_H

#include <cstddef>
#include <cstdint>

#include "algo/grow_buf.h"
#include "algo/hash_table.h"
#include "model/des_data.h"

// Runs minimize2 when minflag is non-zero, else minimize1. In place. Only Minstate follows the
// switch; every other procedure that minimizes calls minimize2 directly.
void minimize(state_t *n, state_node **des);

// Partition refinement in the style of Hopcroft. In place. Extra memory: O(V + T) words for V
// states and T transitions, nothing proportional to events x states. Time: O(T log V) for a
// deterministic DES. A nondeterministic DES is reduced by its coarsest bisimulation (both halves
// of every split block are examined again), which preserves both languages; time O(V * T) at worst.
void minimize2(state_t *n, state_node **des);

// Pairwise method: each state not yet placed opens a class and collects every later state with
// the same transition count that compare_states2 proves equivalent. In place. Time: quadratic in
// the number of states. Same result as minimize2 on a deterministic DES; on a nondeterministic one
// it merges only states with equal languages.
void minimize1(state_t *n, state_node **des);

// Class map of the pairwise method: map[s] is the class of state s (classes numbered by smallest
// member), *count the number of classes. `map` has n entries. On allocation failure mem_result is
// set and map and count are not to be used.
void build_partition(state_t n, const state_node *des, state_t *map, state_t *count);

// State pairs assumed equivalent during one pairwise comparison: a hash set of packed pairs
// (x << 32 | y), with the list of its words so that emptying it costs only what it holds. Start
// from a default-constructed value; assumed_clear empties it for the next comparison,
// assumed_release frees it.
struct assumed_pairs {
  hash_table<uint64_t> set;  // no slots before the first insertion
  grow_buf<uint64_t> held;   // the words in the set
};
void assumed_clear(assumed_pairs *set);
void assumed_release(assumed_pairs *set);

// 1 if states x and y of one DES are equivalent, else 0. `assumed` is empty on entry; the caller
// clears it before the next comparison. Returns 0 with mem_result set when memory ran out.
int compare_states2(state_t x, state_t y, const state_node *des, assumed_pairs *assumed);

// Depth-first comparison of the transition structures below x and y, which agree in marking,
// output and transition count: the lists must carry equal events position by position, and the
// targets must again compare equal (pairs in `assumed` count as equal). 1 if equivalent, else 0.
// Time: O(pairs visited + their transitions).
int compare_tran2(state_t x, state_t y, const state_node *des, assumed_pairs *assumed);

// Replaces the DES by its quotient under the class map (map[s] in 0..classes-1): class c takes the
// marking and output of its members and every transition (e, map[t]) of every member. Releases
// the old DES. On allocation failure leaves the DES untouched (mem_result set).
void replace_by_classes(state_t *n, state_node **des, const state_t *map, state_t classes);

#endif

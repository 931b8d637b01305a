// The screen-free part of making and changing a DES by hand: growing and trimming the state set,
// moving the initial state, finding nondeterministic transitions, and the text of the Create and
// Edit entries of the MAKEIT log. Nothing here draws on the screen, so tests call it directly.
#ifndef SARV_UI_DES_EDIT_H
#define SARV_UI_DES_EDIT_H

#include <algorithm>
#include <string>
#include <vector>

#include "model/des_data.h"
#include "model/des_supp.h"

// Grows (*des, *size) so that `state` exists; the added states are unmarked, silent and without
// transitions. Returns 0, also when the state already exists. Returns 1 with mem_result set and
// the DES unchanged when the array cannot be grown. Time: O(new size) for the copy.
int add_des(state_node **des, state_t *size, state_t state);

// Recomputes `reached` from state 0, then drops trailing states that are unreachable, unmarked,
// silent and without transitions, from the last one down to the first that is not; state 0 is
// always kept. Shrinks the array when it can (a failed shrink keeps the larger valid block).
// Time: O(V + E).
void trim_endstates(state_t *size, state_node **des);

// Exchanges the numbers of states a and b everywhere: their records (flags, outputs, transitions)
// and every transition target. Transition arrays that change are sorted again. The language seen
// from b before the call is the one seen from a afterwards. Time: O(V + E log E).
void swap_states(state_node *des, state_t size, state_t a, state_t b);

// Every transition whose event also labels another transition of the same state, with all its
// partners, in ascending (state, event, target) order.
std::vector<triple> nondeterministic_transitions(const state_node *des, state_t size);

// The Create entry of (size, des) named `name`, up to and including the blank line that ends it.
// A fully marked DES (size > 0) logs ",[mark all]" unless `list_all_marks` (File ADS) is set.
std::string create_entry(const char *name, const state_node *des, state_t size,
                         bool list_all_marks);

// What one edit asked for, each list sorted and free of duplicates; it feeds only the log.
struct edit_record {
  std::vector<state_t> new_marks, old_marks, deleted_states;
  std::vector<triple> new_trans, old_trans;
  std::vector<state_pair> vocals, unif_pairs;
  bool all_marked = false;
  bool all_unmarked = false;
  bool reached = false;  // unreachable states were removed
};

// The Edit entry: result and source names, the groups of `record`, and the final sizes.
std::string edit_entry(const char *result, const char *source, const edit_record &record,
                       state_t size, long transitions);

// Adds `value` to a sorted vector unless it is there already.
template <typename T, typename Less>
void insert_sorted(std::vector<T> *list, const T &value, Less less) {
  auto at = std::lower_bound(list->begin(), list->end(), value, less);
  if (at != list->end() && !less(value, *at)) return;
  list->insert(at, value);
}

bool triple_before(const triple &a, const triple &b);
bool pair_before(const state_pair &a, const state_pair &b);

#endif

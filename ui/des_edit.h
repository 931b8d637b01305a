// The screen-free part of making and changing a DES by hand: growing the state set,
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

// What one edit changed, as its log entry records it. The editor appends to the lists as the
// user types; settle_record then sorts them and removes duplicates.
struct edit_record {
  std::vector<state_t> new_marks;  // marked; with all_marked, those typed after the last "*"
  std::vector<state_t> old_marks;  // unmarked (not logged with all_unmarked)
  std::vector<state_t> deleted_states;
  std::vector<triple> new_trans, old_trans;  // the net change (net_transition_changes)
  std::vector<state_pair> vocals;            // (state, output); the last output typed counts
  std::vector<state_pair> unif_pairs;        // (old output, new output)
  bool all_marked = false;
  // With all_marked: the highest state an earlier mark added to the DES before the last "*",
  // logged before "+[all]" so that a replay marks as many states; -1 when none.
  state_t grown_before_all = -1;
  bool all_unmarked = false;
  bool reached = false;  // unreachable states were removed
};

// Sorts the state lists and the output pairs and drops repeats; of several outputs typed for one
// state only the last stays. Time: O(n log n) in the list lengths.
void settle_record(edit_record *record);

// One change made to a transition array, in the order made: '+' inserted a transition that was
// absent, '-' removed one that was present.
struct tran_change {
  triple t;
  char sign;
};

// The net effect of `changes`: transitions present now that were absent before (*added) and
// absent now that were present before (*deleted), each sorted by (exit, event, entrance).
// States must lie below 2^22. Time: O(n log n).
void net_transition_changes(const std::vector<tran_change> &changes, std::vector<triple> *added,
                            std::vector<triple> *deleted);

// The Edit entry: result and source names, the groups of a settled `record`, and the final sizes.
std::string edit_entry(const char *result, const char *source, const edit_record &record,
                       state_t size, long transitions);

bool triple_before(const triple &a, const triple &b);

#endif

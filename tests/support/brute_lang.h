// Test support: slow, obvious reference checks of DES behaviour, independent of the algorithms
// under test. State equivalence by naive signature refinement (Moore's method, generalised to
// bisimulation for nondeterministic DES) and bounded enumeration of languages with erased events.
#ifndef SARV_TESTS_SUPPORT_BRUTE_LANG_H
#define SARV_TESTS_SUPPORT_BRUTE_LANG_H

#include <set>
#include <vector>

#include "model/des_data.h"
#include "support/random_des.h"

// Class of every state under the coarsest relation that separates marking and vocal output and is
// preserved by every transition: states in one class agree in (marked, vocal) and have the same
// set of (event, class of target). For a deterministic DES this is language equivalence with
// outputs. Classes are numbered by smallest member.
std::vector<int> naive_state_classes(const state_node *des, state_t size);

// True when state 0 of `a` and state 0 of `b` are equivalent in the sense above (computed on the
// disjoint union of the two DES).
bool naive_equivalent(const state_node *a, state_t na, const state_node *b, state_t nb);

// Strings of events (erased events left out) of projected length at most `max_length`.
struct bounded_language {
  std::set<std::vector<event_t>> generated;
  std::set<std::vector<event_t>> marked;
  bool operator==(const bounded_language &other) const {
    return generated == other.generated && marked == other.marked;
  }
};

// Every string generated (and marked) from state 0 whose image, after removing the events in
// `erased`, has at most max_length events; the language holds the images. Works on
// nondeterministic DES and on cycles of erased events. An empty DES generates nothing.
bounded_language bounded_projected_language(const state_node *des, state_t size, int max_length,
                                            const std::set<event_t> &erased);

// True when no state has two transitions on one event.
bool is_deterministic_des(const state_node *des, state_t size);

// True when the two DES have the same state count, flags (marked, vocal) and transitions.
bool same_des(const state_node *a, state_t na, const state_node *b, state_t nb);

#endif

// Test support: naive signature refinement (bisimulation) and bounded languages with erasure.
#ifndef SARV_TESTS_SUPPORT_BRUTE_LANG_H
#define SARV_TESTS_SUPPORT_BRUTE_LANG_H

#include <set>
#include <vector>

#include "model/des_data.h"
#include "support/random_des.h"
#include "support/reference.h"

// Coarsest classes keeping (marked, vocal) and (event, class) moves, numbered by smallest member.
std::vector<int> naive_state_classes(const state_node *des, state_t size);
// The quotient by naive_state_classes: one state per class, moves between classes.
ref_des naive_quotient(const ref_des &g);

struct bounded_language {
  std::set<std::vector<event_t>> generated, marked;
  bool operator==(const bounded_language &o) const {
    return generated == o.generated && marked == o.marked;
  }
};
// Images (events of `erased` removed) of at most max_length events of the strings generated and
// marked from state 0. Handles nondeterminism and cycles of erased events.
bounded_language bounded_projected_language(const state_node *des, state_t size, int max_length,
                                            const std::set<event_t> &erased);

// Same state count, markings, outputs and transitions.
bool same_des(const state_node *a, state_t na, const state_node *b, state_t nb);

#endif

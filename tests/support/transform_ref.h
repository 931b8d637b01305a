// Test support: brute-force references for the transforms and tests on DES (isomorphism,
// breadth-first numbering, nonconflict, mutual exclusion, complement and closed sublanguage
// languages). Built on the containers of support/reference.h; used by tests only.
#ifndef SARV_TESTS_SUPPORT_TRANSFORM_REF_H
#define SARV_TESTS_SUPPORT_TRANSFORM_REF_H

#include <set>
#include <utility>
#include <vector>

#include "support/reference.h"

// True when corr (one entry per state of a) is a bijection onto the states of b that keeps
// markings, outputs and the transition sets.
bool is_isomorphism(const ref_des &a, const ref_des &b, const std::vector<state_t> &corr);
// Tries every bijection fixing state 0 (sizes up to about 8).
bool ref_isomorphic(const ref_des &a, const ref_des &b);

// The DES with state s renamed to map[s]; states with map[s] < 0 are dropped with every
// transition touching them. The new numbers must cover 0..k-1 exactly once.
ref_des ref_renumber(const ref_des &g, const std::vector<state_t> &map);
// New number of each state in breadth-first order from state 0 (successors by ascending event,
// then target); -1 for states not reachable.
std::vector<state_t> ref_bfs_numbering(const ref_des &g);

// Whether every reachable state of the meet of two deterministic DES can reach a marker state.
bool ref_nonconflicting(const ref_des &a, const ref_des &b);

// Mutual exclusion by fixpoint: the sync of a and b without the states of the excluded pairs and
// the states that reach them by uncontrollable events, then its reachable part.
ref_des ref_mutex(const ref_des &a, const ref_des &b,
                  const std::vector<std::pair<state_t, state_t>> &excluded);

// Every string over `events` of length at most max_len.
std::set<word> all_words(const std::vector<event_t> &events, int max_len);
// Strings of `lang` whose every prefix (the empty one included) is in `lang`.
std::set<word> prefix_closed_part(const std::set<word> &lang);

#endif

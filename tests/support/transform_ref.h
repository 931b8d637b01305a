// Test support: brute-force isomorphism, breadth-first numbering, mutex and words over events.
#ifndef SARV_TESTS_SUPPORT_TRANSFORM_REF_H
#define SARV_TESTS_SUPPORT_TRANSFORM_REF_H

#include "support/reference.h"

// Whether corr (one entry per state of a) is a bijection onto b keeping flags and transitions.
bool is_isomorphism(const ref_des &a, const ref_des &b, const std::vector<state_t> &corr);
// Tries every bijection fixing state 0 (up to about 8 states).
bool ref_isomorphic(const ref_des &a, const ref_des &b);

// Breadth-first numbers from state 0 (by event, then target); -1 when not reachable.
std::vector<state_t> ref_bfs_numbering(const ref_des &g);

// Reachable part of sync(a, b) minus excluded pairs and states reaching them by even events.
ref_des ref_mutex(const ref_des &a, const ref_des &b,
                  const std::vector<std::pair<state_t, state_t>> &excluded);

// Every string over `events` of length at most max_len.
std::set<word> all_words(const std::vector<event_t> &events, int max_len);
// Strings of `lang` whose every prefix (the empty one included) is in `lang`.
std::set<word> prefix_closed_part(const std::set<word> &lang);

#endif

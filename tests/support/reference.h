// Test support: slow, obvious reference algorithms on a DES in standard containers, brute-force
// languages up to a length bound, and a hook for allocation failure.
#ifndef SARV_TESTS_SUPPORT_REFERENCE_H
#define SARV_TESTS_SUPPORT_REFERENCE_H

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "algo/des_proc.h"
#include "support/random_des.h"

// A DES in standard containers. out[s] is sorted by (event, target) and free of duplicates.
struct ref_des {
  std::vector<std::vector<std::pair<event_t, state_t>>> out;
  std::vector<bool> marked;
  std::vector<int> vocal;
  std::vector<pair_code_t> codes;  // pair code of each state of a product, else empty
  state_t size() const { return static_cast<state_t>(out.size()); }
};

ref_des to_ref(const state_node *des, state_t n);
void sort_unique(std::vector<std::pair<event_t, state_t>> *row);  // sorted, free of duplicates
void from_ref(const ref_des &ref, owned_des *out);
inline void copy_des(const state_node *des, state_t n, owned_des *out) {  // deep copy
  from_ref(to_ref(des, n), out);
}
// Empty when the DES equals `expected` (transitions, marked, vocal), else the first difference.
std::string diff_des(const ref_des &expected, const state_node *des, state_t n);

std::vector<bool> ref_coreachable(const ref_des &g);  // states that reach a marker state
// Keeps the states with keep[s] in their old order, with the transitions among them and codes.
ref_des ref_keep(const ref_des &g, const std::vector<bool> &keep);
// State s renamed to map[s], states sharing a number pooled; those with map[s] < 0 dropped.
ref_des ref_renumber(const ref_des &g, const std::vector<state_t> &map);
ref_des ref_reach(const ref_des &g);
ref_des ref_trim(const ref_des &g);
ref_des ref_reverse(const ref_des &g);  // every s -e-> t becomes t -e-> s; outputs cleared
// Reachable products, states numbered breadth-first from (0, 0) with successors in ascending
// event order, then every pair of targets in order; codes hold s1 + N1 * s2.
ref_des ref_meet(const ref_des &a, const ref_des &b);
ref_des ref_sync(const ref_des &a, const ref_des &b);
// Supremal controllable sublanguage (even events uncontrollable): passes over the trimmed meet
// judge states in order, drop bad ones and trim, until nothing changes.
ref_des ref_supcon(const ref_des &plant, const ref_des &spec);
// Per supervisor state, the events the plant allows but the supervisor does not, over their meet.
std::vector<std::set<event_t>> ref_condat(const ref_des &plant, const ref_des &supervisor);

// Strings from state 0 of at most max_len events: all generated ones, or those ending marked.
typedef std::vector<event_t> word;
std::set<word> ref_closed_language(const ref_des &g, int max_len);
std::set<word> ref_marked_language(const ref_des &g, int max_len);
// The states reached from any state of `at` by the string w (every path of a nondeterministic DES).
std::set<state_t> ref_after(const ref_des &g, std::set<state_t> at, const word &w);
std::vector<event_t> ref_alphabet(const ref_des &g);  // events labelling a transition, sorted

// Runs `run` with the allocation after `successes` more failing (none when negative); true when
// it set mem_result, which is cleared again.
bool fails_after(long successes, const std::function<void()> &run);

#endif

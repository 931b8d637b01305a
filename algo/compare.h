// Tests on DES (isomorphism, nonconflict, determinism) and the breadth-first renumbering.
#ifndef SARV_ALGO_COMPARE_H
#define SARV_ALGO_COMPARE_H

#include "algo/grow_buf.h"
#include "model/des_data.h"

// Working state of one isomorphism test between G1 and G2 (both of n states). A state pair is
// "committed" once a comparison that contains it has succeeded (corr filled, `reached` set on
// both states); pairs taken during the comparison under way are "assumed" and are undone when it
// fails. map1/map2 hold both kinds: the partner of a state or -1.
struct iso_frame {
  state_t x, y;  // the pair whose transitions are being matched
  int pos;       // next position in both transition lists
};
struct iso_search {
  state_node *g1, *g2;
  state_t n;
  state_t *corr;         // committed partner in G2 of each state of G1
  state_t *map1, *map2;  // partner of each state (committed or assumed), -1 if none
  state_t *assumed;      // states of G1 paired by the comparison under way
  state_t nassumed;
  grow_buf<iso_frame> stack;  // pairs whose transitions are still being matched
};

// Decides whether G1 and G2 are the same DES up to a renaming of states: the renaming keeps
// `marked`, `vocal` and every transition. *result is 1 if so, with corr[x] (N1 entries, caller's
// array) the state of G2 matching state x of G1; else 0 and corr is partly filled.
// Clears and then uses the `reached` flags of both DES (set on matched states). State 0 is
// matched with state 0; the remaining states are matched greedily in increasing order, each with
// the smallest free state of G2 that fits. A reported isomorphism is always a true one; when
// every state is reachable from state 0 and both DES are deterministic the answer is exact, with
// unreachable or nondeterministic parts an isomorphic pair may be reported as not isomorphic.
// On allocation failure sets mem_result and *result = 0. Prints "ISO1: %d %d" progress lines.
// Time: O(N + E) for reachable deterministic DES, O(N * (N + E)) at worst.
void iso1(state_t N1, state_t N2, state_node *G1, state_node *G2, int *result, state_t *corr);

// 1 when state x of G1 and state y of G2 correspond under the pairs committed so far, and then
// commits every pair of the comparison; else 0, with every assumed pair undone.
int compare_states(state_t x, state_t y, iso_search *search);
// The depth-first part of compare_states: matches the transition lists of x and y position by
// position, pairing targets as it goes. Leaves the assumed pairs in place for the caller.
int compare_tran(state_t x, state_t y, iso_search *search);

// Nonconflict test on the reversed meet R built by nc_meet2: 1 when every joint state can reach
// a marker state (n <= 0 counts as 1), else 0. Uses R's `reached` flags as the search marks.
// A failed queue growth sets mem_result. Time: O(n + E).
int nonconflict(state_t n, state_node *R);
// Builds the reversed meet of two DES and tests it: 1 nonconflicting, 0 conflicting. The inputs
// are not changed. On allocation failure sets mem_result and returns 0.
int nonconflict_des(state_t N1, state_node *G1, state_t N2, state_node *G2);

// 1 when no state has two transitions on one event, 0 otherwise; -1 when a target lies outside
// 0..n-1 (a corrupt DES), for the caller to report. Time: O(n + transitions).
int checkdet(state_t n, const state_node *des);

// Renumbers the DES in breadth-first order of discovery from state 0, successors in ascending
// order of event (then target). In place: the state array is replaced. States not reachable from
// state 0 are dropped with their transitions. *count = number of states kept; *map (allocated
// here, n entries, the caller frees it) gives the new number of each old state, -1 if dropped.
// Each transition list is kept sorted, also for nondeterministic DES. On allocation failure sets
// mem_result and leaves the DES unchanged. Does nothing when n <= 0. Time: O(n + E log E).
void b_recode(state_t n, state_node **des, state_t *count, state_t **map);

#endif

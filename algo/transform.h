// Transforms of one DES or of a synchronous product: complement, mutual exclusion, the one-state
// DES of all events, and the supremal prefix-closed sublanguage. Selfloop is `gentran`
// (algo/product.h).
#ifndef SARV_ALGO_TRANSFORM_H
#define SARV_ALGO_TRANSFORM_H

#include <cstdint>

#include "algo/product.h"
#include "model/des_supp.h"

// Sorted, duplicate-free list of the events of state s's transitions, allocated here (*events
// null when *count is 0). On allocation failure mem_result is set and the list is partial.
void genstatetran(state_t s, const state_node *des, uint16_t *count, event_t **events);

// diff = A minus B for two sorted lists, sorted, allocated here (null when *count is 0).
void gendifflist(uint16_t ca, const event_t *A, uint16_t cb, const event_t *B, uint16_t *count,
                 event_t **diff);

// Complement of the marked language with respect to E = (events of the DES) + aux, in place:
// every marking is toggled and every missing event of E at a state leads to a new dump state
// (number n, marked, silent, a selfloop for each event of E). The dump state is added only when
// some state misses an event of E; the empty DES becomes the dump state alone. The caller runs
// `reach` afterwards to drop an unused dump state. On allocation failure, when a DES of
// MAX_STATES states would need a dump state (its number would not fit a transition target), or
// when a state would have more than 65535 transitions, mem_result is set and the DES must be
// discarded. Time: O(n * |E|).
void complement1(state_t *n, state_node **des, uint16_t count, const event_t *aux);

// Mutual exclusion on the synchronous product (n, des) of DES1 (N1 states) and DES2 (N2 states),
// whose pair-to-state map is `index` (from sync2), in place: the product states of the excluded
// pairs (state of DES1, state of DES2) are removed, with every state from which a string of
// uncontrollable (even) events leads into one of them; controllable transitions into removed states
// disappear. Pairs out of range or absent from the product are ignored. Survivors keep the
// product's numbering, compacted in order; `reached` is set on them. If state 0 is removed the
// result is the empty DES (n = 0). The result is not trimmed. On allocation failure mem_result is
// set and the DES must be discarded. Time: O(n + E + npairs log npairs).
void mutex1(state_t *n, state_node **des, state_t N1, state_t N2, const product_index *index,
            const state_pair *pairs, state_t npairs);

// Backward search from the forbidden state k over the reverse graph rev of des: every state with
// a string of uncontrollable events into k gets the forbidden flag (`reached` in des); a
// controllable event stops the search. States visited before (`reached` in rev) are not entered
// again, so searches from several forbidden states together cost O(n + E). On a failed stack
// growth sets mem_result and stops.
void ya_coreach2(state_t k, state_node *des, state_node *rev);

// Builds *out: one marked state with a selfloop for every event of the DES (sorted); *nout = 1.
// The input is not changed. Does nothing when *n <= 0. On allocation failure mem_result is set.
void allevent_des(state_node **des, state_t *n, state_node **out, state_t *nout);

// Builds *out: a DES of the supremal prefix-closed sublanguage of the marked language (strings
// whose every prefix ends in a marker state). When the input is reused as the result it moves to
// *out and the caller's DES becomes empty (*n = 0, null array); otherwise it is left untouched.
// Cases: empty input or unmarked state 0 -> empty result; no marker state besides state 0 -> one
// marked state with the selfloops of state 0; every state marked -> the input itself, unchanged;
// else the input without transitions into unmarked states, trimmed (numbered as by trim1).
void supclo_des(state_node **des, state_t *n, state_node **out, state_t *nout);

#endif

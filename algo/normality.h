// Supremal normal sublanguages under partial observation: Supnorm, its prefix-closed iteration
// Supnormclo and the controllable-and-normal iteration Supscop, with their cheaper-stopping
// variants, and the small DES helpers they are built from.
//
// DES1 (E) is the legal language generator and DES2 (G) the plant. The observation is the
// natural projection erasing the null events: a sorted, duplicate-free event list. Both inputs
// must be deterministic (the complements the procedures take are only right for deterministic
// DES); they are not changed. Every intermediate DES is owned and released here; the result is a
// new DES handed to the caller (freedes), trim, minimized (by minimize2, whatever minflag says) and
// numbered as minimization numbers it. On any failure the result is the empty DES (0 states, null
// array) and nothing else is left allocated.
#ifndef SARV_ALGO_NORMALITY_H
#define SARV_ALGO_NORMALITY_H

#include <cstdint>

#include "model/des_data.h"

// Outcome of a normality procedure.
enum cnorm_status {
  CNORM_DONE = 0,              // result built
  CNORM_NO_MEMORY = 1,         // an allocation failed (mem_result is 1); stopped at once
  CNORM_NONDETERMINISTIC = 2,  // DES1 or DES2 has two transitions on one event from one state
  CNORM_NO_FIXED_POINT = 3,    // an iteration reached cnorm_round_limit rounds without settling
};

// Safety net of the iterations. Each round shrinks the language, and a round that changes it no
// more ends the iteration; should the shrinking go on for this many rounds the procedure fails
// with CNORM_NO_FIXED_POINT rather than run on. Settable by tests.
extern long cnorm_round_limit;

// Supnorm. With K = Lm(E) ∩ Lm(G), the result marks the strings of K whose projection differs
// from the projection of every string of Lm(G) - K, i.e. K - P⁻¹P(Lm(G) - K); it generates the
// prefixes of those strings. With no null events that is K itself.
// Time: products, two complements and one projection of DES the size of E x G.
int suprema_normal(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                   state_t *nout, const event_t *nulls, uint16_t ncount);

// Supnormclo: repeats K := trim(K ∩ supclo(Supnorm(closure of K, closure of G))), starting from
// E, until a round leaves K unchanged (isomorphic to the previous round's after minimization).
int suprema_normal_clo(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                       state_t *nout, const event_t *nulls, uint16_t ncount);
// As suprema_normal_clo, but a round ends the iteration as soon as K has the same numbers of
// states, marker states and transitions as before (iso_sizecount), which may stop early on a
// different K.
int suprema_normal_clo1(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                        state_t *nout, const event_t *nulls, uint16_t ncount);

// Supscop: repeats K := Supcon(G, Supnorm(Supnormclo(K, G), G)), starting from E, until a round
// leaves K unchanged. The result is controllable for G (odd events controllable), normal,
// nonblocking and contained in Lm(E) ∩ Lm(G).
int suprema_normal_scop(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                        state_t *nout, const event_t *nulls, uint16_t ncount);
// As suprema_normal_scop with the stopping test of suprema_normal_clo1.
int suprema_normal_scop1(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                         state_t *nout, const event_t *nulls, uint16_t ncount);

// Deep copy of (n, des) into a new DES (*out, *nout = n): markings, reached/coreach flags,
// outputs and transition arrays. n <= 0 gives the empty DES. On allocation failure sets
// mem_result, and *out is the empty DES.
void copy_des(state_node **out, state_t *nout, const state_node *des, state_t n);

// Sorted, duplicate-free list of the events on the DES's transitions; *list is new (null when
// *count is 0), released with free(). On allocation failure mem_result is set and *count is 0.
void get_event_list(state_t n, const state_node *des, event_t **list, uint16_t *count);

// Adds to the sorted list (*list, *count) every label of A that is not in B (both sorted).
// Labels already present are not repeated. On allocation failure mem_result is set and the list
// holds what was added so far.
void get_event_diff(event_t **list, uint16_t *count, const event_t *A, uint16_t ca,
                    const event_t *B, uint16_t cb);

// 1 when the two DES have equal numbers of states, of marker states and of transitions, else 0.
int iso_sizecount(state_t n1, const state_node *des1, state_t n2, const state_node *des2);

#endif

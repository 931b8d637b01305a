// High-level generator of a vocal DES and event relabelling. Both may leave a nondeterministic
// DES; fix_semi_deter diverts duplicate transitions through new states on fresh labels and lists
// those labels (the null events) for the projection the caller runs next.
//
// Allocation failure sets mem_result to 1 (front end) or ends the compute process with result
// code 3; after mem_result is 1 the DES must be discarded by the caller.
#ifndef SARV_ALGO_HIGEN_H
#define SARV_ALGO_HIGEN_H

#include <cstdint>

#include "model/des_data.h"
#include "model/des_supp.h"

// Status of the relabelling procedures.
const int RELABEL_OK = 0;
const int RELABEL_REMAP_OVERFLOW = 1;    // renumbered events would need a label above 1000
const int RELABEL_FIX_OVERFLOW = 2;      // fresh labels would pass 1021
const int RELABEL_OUTPUT_TOO_LARGE = 3;  // a vocal output above 999 cannot become a label

// The message a compute process prints on standard output for an overflow status, else null.
const char *relabel_overflow_message(int status);

// Makes the DES deterministic in place: scanning states in increasing order (states appended
// meanwhile included), each transition that repeats the label of the transition before it moves
// to an appended state N (j's marker flag, silent, a copy of j's transitions on other labels)
// reached from j on a fresh label: the smallest label, from a running candidate, that no
// transition carried on entry. Fresh labels go into the sorted null list (*nulls, *null_count).
// With keep_silent 1 duplicates on label 0 stay. Sets *done to 1. Returns RELABEL_OK, or
// RELABEL_FIX_OVERFLOW once the candidate passes 1022 (the DES is then half done). Progress line
// "FIX_SEMI: %d %d" (state, state count) per state. Time: O(duplicates * state degree + V + E).
int fix_semi_deter(state_t *n, state_node **des, int keep_silent, event_t **nulls,
                   uint16_t *null_count, int *done);

// The high-level marking of every state of G (n states) into marks[0 .. n-1]: a state marked in G
// is marked; so is a vocal state k >= 1 from which a marked silent state other than state 0 is
// reachable through silent states other than state 0. Returns 1, or 0 with mem_result set.
// Time: O(V + E).
int mark_higen(const state_node *G, state_t n, uint8_t *marks);

// Merges the states of every cycle of transitions on label 0 into one state (marked when one of
// them is, with a label-0 selfloop), numbered in the order of their smallest members. Projection
// erasing label 0 gives the same DES, state for state, from the result as from the input, but its
// closures are found among far fewer states. In place; a DES without such cycles is left untouched.
// Time: O(V + E log E).
void contract_null_cycles(state_t *n, state_node **des);

// Renumbers G's events in increasing order of old label to labels 1, 2, ... that avoid every
// output of G. Returns RELABEL_OK, or RELABEL_REMAP_OVERFLOW (G unchanged) when a label above
// 1000 would be needed.
int remap_events(state_node *G, state_t n);

// Replaces the DES by its high-level generator: the same states, each transition labelled with
// the output of the state it enters (0 when silent; transitions of a state into one target
// collapse), marked as mark_higen says, then made deterministic (fix_semi_deter, label 0 kept)
// and its cycles on label 0 contracted (contract_null_cycles). The null list is set to {0} plus the
// fresh labels; the caller projects them away. The input is freed. Returns a relabel status
// (RELABEL_OUTPUT_TOO_LARGE, before anything is done, when an output exceeds MAX_EVENT);
// nothing is replaced when the status is not RELABEL_OK or memory ran out. Does nothing for n <= 0.
int higen_des(state_t *n, state_node **des, event_t **nulls, uint16_t *null_count);

// Relabels a copy of the input by the sorted pairs (old label, new label): a transition takes the
// new label of the first pair with its old label (the smallest new label), others keep theirs;
// transitions that become equal are stored once. A nondeterministic result goes through
// fix_semi_deter (keep_silent 0) with the caller's null list, which then holds the labels to
// project away. The input is not changed. *done is 1 on success, 0 when the copy could not be
// made (mem_result set). Returns a relabel status; *out is null unless RELABEL_OK.
int eventmap_des(const state_node *in, state_t n, state_node **out, state_t *out_n,
                 const state_pair *pairs, state_t pair_count, event_t **nulls, uint16_t *null_count,
                 int *done);

#endif

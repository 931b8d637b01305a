// Natural projection: erases a list of events (the null events) from a DES and yields a
// deterministic DES for the projected language. A string of the remaining events is generated
// (marked) by the result when some string of the input, with the null events removed, is
// generated (marked).
//
// Allocation failure sets mem_result to 1 (front end) or ends the compute process with result
// code 3; the caller then discards the DES.
#ifndef SARV_ALGO_PROJECT_H
#define SARV_ALGO_PROJECT_H

#include <cstdint>

#include "model/des_data.h"

// Subset construction over null closures, in place. `nulls` is a sorted event list of `count`
// labels. If no transition carries a null event the DES is left untouched (same array).
// Otherwise the result replaces it: subset states numbered breadth-first in order of discovery
// from the closure of state 0, successors of a subset discovered in ascending event order; a
// subset is marked when one of its members is; no vocal outputs, no null events, deterministic.
// No reach and no minimization. On allocation failure, or when the subsets would outnumber the
// MAX_STATES a DES can hold, mem_result is set and the DES is left untouched. Progress line
// "PROJECT: %d %d" (subset being expanded, highest subset number) once per expanded subset.
// Time: O(sum over subsets of their members' transitions, times log).
void project1(state_t *n, state_node **des, uint16_t count, const event_t *nulls);

// Projection in stages, each stage followed by reach and minimize2 (when more than one state
// remains) so that intermediate subset automata stay small; the refinement method is used
// whatever minflag says, since both methods give the same minimal deterministic DES. The stage
// length is fixed once from the state count at entry: the whole list below 100 states, two events
// per stage from 100 to 999 states, one event per stage from 1000 states on; stages take the events
// in list order. With an empty list the DES is only reached and minimized. In place. The result is
// minimal, and deterministic whenever the input is or some null event labels one of its
// transitions.
void project0(state_t *n, state_node **des, uint16_t count, const event_t *nulls);

#endif

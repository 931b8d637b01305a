// Vocal outputs of a DES: vocalizing the entrance states of chosen transitions, and coding the
// outputs so that the DES is output-control-consistent.
//
// Output values: a user output is 10..99; a coded output of base b is 10b (every silent segment
// into the state is uncontrollable) or 10b + 1 (every silent segment into it holds a controllable
// event). A silent segment is a path that starts at state 0 or at a vocal state and runs through
// silent states only; its colour is 1 when it holds an odd (controllable) event, else 0.
//
// Both procedures work in place on a DES held as a state count and a state array. Allocation
// failure sets mem_result to 1 (front end) or ends the compute process with result code 3; after
// mem_result is 1 the DES must be discarded by the caller.
#ifndef SARV_ALGO_OUTPUT_CONSISTENCY_H
#define SARV_ALGO_OUTPUT_CONSISTENCY_H

#include <cstdint>

#include "model/des_data.h"
#include "model/des_supp.h"

// Base output of an output value w: w itself up to 99, else w / 10 (so 230 and 231 give 23).
inline uint16_t base_output(uint16_t w) {
  return w <= 99 ? w : static_cast<uint16_t>(w / 10);
}

// Stores an output value (0..8191, the width of the vocal field) in a state.
inline void set_output(state_node *node, unsigned w) {
  node->vocal = w & 0x1FFFu;
}

// Makes vocal the entrance states of the requested transitions. A request (a, b, c, d) asks that
// the transition of exit state a on event b, which enters c, enter a state with output d. The
// list (sorted, as add_quad keeps it) may grow: copies inherit the requests of the state they
// copy, and *count follows. Requests whose exit state has no transition (b -> c), whose states lie
// outside the DES or whose output lies outside 10..99 are ignored.
// Each state entered by requests is copied once per distinct requested output; the copies are
// appended after the existing states in order of the copied state, then of output, and the listed
// transitions are redirected to them. Ends with `reach`, which drops copied states left without
// incoming transitions and renumbers the rest in their old order. Time: O(R^2 + V + E) for R
// requests.
void vocalize_des(state_t *n, state_node **des, quad **requests, state_t *count);

// Codes every vocal output as 10b or 10b + 1 and splits the states that are entered by silent
// segments of both colours, so that the result is output-control-consistent and generates and
// marks the same strings as the input, each string leading to a state of the same base output.
// A state 0 with incoming transitions is first copied so that state 0 is entered by nothing.
// Then colouring passes alternate with repairs until a pass finds nothing to change:
//  - a pass colours every reachable state with the set of segment colours arriving at it
//    (a forward fixed point from state 0, O(V + E));
//  - a state reached by both colours is split into itself (colour 0) and an appended sibling
//    (colour 1, output 10b + 1, a copy of its transitions), and its colour-1 transitions move to
//    the sibling; the two halves keep their colours for good, and a transition that later
//    reaches one half with the other half's colour is moved to the other half;
//  - a state that has once been coloured and later arrives at the other single colour is split
//    as well.
// Every state splits at most once and every colour is fixed after at most three changes, so the
// passes end. Ends with `reach` and `minimize2` (whatever the switch says). Time: O(P * (V + E))
// for P passes, which stays small in practice (one pass per level of nested splits plus one).
void outcon_des(state_t *n, state_node **des);

#endif

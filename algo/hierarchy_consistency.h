// Hierarchical consistency: makes a vocal DES output-control-consistent, then vocalizes the
// targets of controllable transitions whose next vocal states are not all under the control of
// their source state, giving them outputs no state uses yet, and makes the DES
// output-control-consistent again.
//
// Works in place on a DES held as a state count and a state array. Allocation failure sets
// mem_result to 1 (front end) or ends the compute process with result code 3; after mem_result
// is 1 the DES must be discarded by the caller.
#ifndef SARV_ALGO_HIERARCHY_CONSISTENCY_H
#define SARV_ALGO_HIERARCHY_CONSISTENCY_H

#include "model/des_data.h"

// Multiple new outputs: every newly vocalized state gets its own free base output, taken in
// increasing order in the order of vocalization. Returns 1 when no free base output in 10..99 is
// left (at the start, or when the last one is given away); the DES is then only half done and
// must not be filed. Returns 0 otherwise.
int hiconsis_des(state_t *n, state_node **des);

// Single new output: every newly vocalized state shares the smallest base output free in the
// input. Returns 1 when no base output in 10..99 is free at the start, else 0.
int hiconsis_1_des(state_t *n, state_node **des);

// The vocalization loop on an output-control-consistent DES (outputs coded 10v or 10v + 1): passes
// over the states, in increasing order and each state's transitions in stored order, until a pass
// vocalizes nothing. A transition is an agent when its event is controllable and its target is
// vocal or reaches a vocal state by uncontrollable events through silent states; its blocking
// set is the vocal states reachable from its target through silent states (the target itself when
// vocal). The dedicated set of a state i is the vocal states c it reaches by a path through silent
// states on which every agent transition has the blocking set {c}. An agent transition whose
// blocking set is not within its source's dedicated set has its target vocalized with 10v + 1 for
// the current free base output v. `version` 0 gives each new vocal state its own v, 1 one shared
// v. Returns 1 when the free outputs ran out, else 0. Progress line "HCC: %ld %ld %ld" (states,
// states visited over all passes, pass flag) at every tenth state visited.
// Time: O(passes * E * (V + E) * V / 64) at worst; after a vocalization the tests are answered by
// searches from the transition at hand until their work passes V + E, so a run that vocalizes
// often pays for searches near the states it visits rather than for whole-DES sets. Such a test
// takes the vocal states of the blocking set nearest the target first and asks of each whether
// it is in the dedicated set by a search from each end (extra memory: 4 bytes per transition
// for the reverse rows), so it seldom needs the whole dedicated set.
int hcc(state_t n, state_node *des, int version);

#endif

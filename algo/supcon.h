// Supremal controllable sublanguage (Supcon) and control data (Condat).
//
// Events with odd labels are controllable, even labels uncontrollable. Supcon runs meet2 of plant
// and specification, then shave1 on the meet: the result is trim and its marked language
// is the supremal controllable sublanguage of the specification's marked behaviour within the
// plant. Condat turns a supervisor into the events it disables at each of its states. Both keep
// the state numbering of the meet (compacted in order when states are removed). Plant and
// specification are deterministic DES by contract.
#ifndef SARV_ALGO_SUPCON_H
#define SARV_ALGO_SUPCON_H

#include <cstdint>

#include "algo/des_proc.h"
#include "model/des_data.h"

// Number of transitions of plant state x with an uncontrollable event.
void uncontrolist(state_t x, const state_node *G, uint16_t *count);

// Removes, in place, the joint states of (n, T) that are uncontrollable (the plant, at the
// state's plant component pair_first(pair_codes[k], NG), allows an uncontrollable event the
// joint state does not allow or that leads to a removed state) or blocking, repeatedly, until
// every survivor is controllable, coreachable and reachable. The survivors keep their order and
// are renumbered 0, 1, ...; pair_codes follows them; every survivor carries `reached` and
// `coreach`. When the initial state does not survive, T is released and n = 0. Progress line
// "SHAVE1 %ld %ld" (state counts before and after the previous round) once per round.
// (n, T) need not be trim: a meet as meet2 builds it will do. Plant and joint DES must be
// deterministic. Time: O(V + E) per round; a round is a controllability closure plus a
// coreachability search, and rounds repeat only while a coreachability search removes states.
// Extra memory: about 4 bytes per transition, 10 per state and 2 per plant state. On allocation
// failure sets mem_result and leaves (n, T) a valid DES for the caller to discard.
void shave1(state_t NG, state_node *G, state_t *n, state_node **T, pair_code_t *pair_codes);

// Control data of supervisor (NS states) for plant (NG, G), from the meet (n, P) of plant and
// supervisor and its pair_codes: D has nd = NS states, and the list of supervisor state y holds
// (e, 0) for each event e that the plant allows at the plant component of some joint state with
// supervisor component y but that joint state does not. Lists are sorted and duplicate-free;
// supervisor states that occur in no joint state have empty lists. D is a new array owned by
// the caller. On allocation failure sets mem_result and leaves *D null. Time: O(V + E) of the
// meet plus the plant lists walked.
void condat1(const state_node *G, state_t NG, state_t NS, state_t n, const state_node *P,
             state_t *nd, state_node **D, const pair_code_t *pair_codes);

// 1 when every event listed in the control data is controllable (odd), else 0.
int compute_controllable(const state_node *D, state_t nd);

#endif

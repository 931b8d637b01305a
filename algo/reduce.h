// Supervisor reduction (Supreduce): from a plant, a supervisor for it and the supervisor's
// control data, a supervisor with fewer states that exerts the same control, with the compression
// ratio and a lower-bound estimate of the smallest possible state count.
//
// The reduced supervisor is a quotient of the given one. Supervisor states are grouped into
// classes; two states may share a class only when they agree in marking wherever their matching
// plant states agree in marking, and neither enables an event the control data disable at the
// other; every merge also merges the states the two reach on a common event, tested recursively.
// Classes are formed greedily: each representative k, in increasing order, tries every later
// representative l in increasing order.
#ifndef SARV_ALGO_REDUCE_H
#define SARV_ALGO_REDUCE_H

#include <cstdint>

#include "model/des_data.h"

// Status of supreduce.
enum supred_status {
  SUPRED_DONE = 0,                    // DES3 written; bound and ratio set
  SUPRED_EMPTY = -1,                  // the plant or the supervisor has no states; nothing written
  SUPRED_SINGLE_TRIPLE = -2,          // the supervisor is one state with at most one transition
  SUPRED_PLANT_UNREADABLE = 1,        // plant file missing or not a readable DES
  SUPRED_NOT_WRITTEN = 1,             // the output file could not be written (same code)
  SUPRED_SUPERVISOR_UNREADABLE = 11,  // supervisor file missing or not a readable DES
  SUPRED_BAD_CONTROL_DATA = 20,       // control data missing, unreadable, or not of this supervisor
  SUPRED_NO_MEMORY = 30,              // an allocation failed (mem_result is 1); nothing written
  SUPRED_NO_MATCH = 40,               // a supervisor state is unreachable, or follows a string of
                                      // events the plant cannot follow
};

// Reduces the supervisor `supervisor` (a DES file) of the plant `plant` (a DES file) with its
// control data `control` (a DAT file: the supervisor's state count, and at each state the events
// disabled there) and writes the result as the DES file `output`. Names are DES names as typed;
// files are looked up in the user directory (prefix) with the extensions ".des" and ".dat".
//
// The result exerts the same control: its meet with the plant has the closed and marked language
// of the plant's meet with the supervisor. When some supervisor state meets plant states of
// different marking (a supervisor minimized after Supcon, say), the meet of plant and supervisor
// is reduced in its place (see supreduce_check), and when that gives no fewer states than the
// supervisor, the supervisor itself is the result. Control data that leave out an event the
// plant allows and the supervisor does not, at some state of their meet, are refused.
//
// Result file: classes numbered in increasing order of their smallest member (state 0's class is
// state 0); a class is marked when a member is; its transitions are those of its members, each
// target replaced by its class, sorted and without repeats. The file has an entry for every
// state, also without transitions, and header text "MURN DES file. Version 1.0". It is written
// last, after the lower bound, to a temporary name that is renamed, so no failure leaves it
// half-built.
//
// On SUPRED_DONE sets *ratio to (supervisor states) / (result states) and *bound to the lower
// bound: the size of a set of states that are pairwise not mergeable, found greedily (never above
// the result's state count). Other statuses leave both at 0 and write nothing. Progress lines
// report the matching, each pass of the reduction with the states merged so far, and the lower
// bound. Memory: one bit per ordered pair of states reduced (the compatibility matrix, 1.4 GB at
// 10^5 states), plus what grows with the pairs a merge test assumes. Time: the compatibility
// relation costs about the incompatible pairs times the transitions into them; the reduction,
// the classes found times the states, times the cost of the merge tests.
int supreduce(const char *plant, const char *supervisor, const char *control, const char *output,
              int32_t *bound, float *ratio);

// Loads and checks the inputs of supreduce without reducing: returns the status supreduce gives
// them before it starts to reduce (SUPRED_DONE when they will be reduced, SUPRED_SINGLE_TRIPLE,
// SUPRED_EMPTY or a refusal), and on SUPRED_DONE sets *via_meet when the meet of plant and
// supervisor is the one reduced. Writes nothing.
int supreduce_check(const char *plant, const char *supervisor, const char *control, bool *via_meet);

#endif

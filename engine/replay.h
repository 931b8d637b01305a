// Checking a replayed script step against what its entry recorded, and the one-line reports of
// a replay (text for people, JSON for programs).
#ifndef SARV_ENGINE_REPLAY_H
#define SARV_ENGINE_REPLAY_H

#include <string>
#include <vector>

#include "engine/script.h"
#include "model/des_data.h"

// What a step produced, as far as an entry can record it.
struct step_outcome {
  bool has_size = false;  // the result is a DES or DAT that was read back
  long states = 0, transitions = 0;
  long bound = 0;                // Supreduce lower bound
  int controllable = -1;         // Condat
  std::vector<long> blocked;     // Sync: events of the inputs on no transition of the result
  std::vector<long> new_labels;  // Hiconsis: outputs of the result the input lacks
  int truth = -1;                // Isomorph, Nonconflict: 1 true, 0 false
  // Which of the above (and the ratio) the step's procedure reports, for the JSON report.
  bool has_bound = false;  // Supreduce: bound and ratio
  double ratio = 0;        // Supreduce compression ratio
  bool has_blocked = false;
  bool has_new_labels = false;
  std::vector<std::string> notes;  // alphabet notes ("Note: ..."), never compared
};

// Compares the recorded results of `step` with `outcome`. Returns "" when every recorded value
// matches (a step that records nothing always matches), else the first difference with both
// values, e.g. "recorded (12,24), replay gives (11,20)".
std::string check_recorded(const script_step &step, const step_outcome &outcome);

// Builds the DES a Create entry describes: the recorded state count (or, when the entry records
// none, one more than the largest state it names), marker states, vocal outputs and transitions.
// On success stores a new DES in (*size, *des), owned by the caller, and returns "". Returns the
// reason, with nothing allocated, when a state lies outside the count or memory runs out.
std::string build_created_des(const script_step &step, state_t *size, state_node **des);

// Applies an Edit entry to the DES (*size, *des) in the order the editor applies its changes:
// markers set and cleared, transitions added and deleted, outputs altered uniformly then per
// state, states deleted (their transitions and the transitions into them dropped), trailing empty
// states trimmed, unreachable states removed ("rch"). States named beyond the count are
// added, as the editor adds them. Returns "" on success, else the reason (a state to unmark or a
// transition to delete outside the DES, a deletion of state 0, whose new initial state the log
// does not record, out of memory); the DES is then left changed partway.
std::string apply_edit(const script_step &step, state_t *size, state_node **des);

// Status of a reported step.
enum step_status { STEP_OK, STEP_MISMATCH, STEP_FAILED, STEP_SKIPPED };

// One report line without its line end: "line 3  SUP = Supcon  (12,24)  0.01 s" for a step that
// ran and matched, "line 3  SUP = Supcon  FAILED: reason" otherwise; with `json`, one JSON
// object with the fields line, result, procedure, status, states, transitions, seconds, reason,
// and "notes" (an array of the alphabet notes) when there are any.
std::string step_report(const script_step &step, step_status status, const step_outcome &outcome,
                        double seconds, const std::string &reason, bool json);

#endif

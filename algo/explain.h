// Explanations of results: why Supcon removed states of the meet, why two DES conflict, where a
// supervisor disables an uncontrollable event, how the languages of two DES differ, and which
// states Trim removes. Every explanation is a list of items, each with a shortest event string
// from the initial state to the state it is about.
//
// Strings are found breadth-first with successors in ascending event order, so they are shortest
// and the same on every run; items of one cause are listed in that breadth-first order (shortest
// first). The inputs are never changed. On allocation failure every function sets mem_result and
// returns EXPLAIN_OK with a partial explanation for the caller to discard.
#ifndef SARV_ALGO_EXPLAIN_H
#define SARV_ALGO_EXPLAIN_H

#include <cstdint>
#include <vector>

#include "model/des_data.h"

// Why a state was removed or is listed; each has a short word for programs (explain_cause_word).
enum explain_cause {
  CAUSE_UNCONTROLLABLE,    // the plant allows an uncontrollable event the other DES does not
  CAUSE_BLOCKING,          // no marker state can be reached (among the survivors, for Supcon)
  CAUSE_LEADS_TO_REMOVED,  // an uncontrollable event leads to a removed state
  CAUSE_UNREACHABLE,       // no string from the initial state reaches it (through survivors)
  CAUSE_CLOSED_A_NOT_B,    // the string is in L(A) and not in L(B)
  CAUSE_CLOSED_B_NOT_A,    // the string is in L(B) and not in L(A)
  CAUSE_MARKED_A_NOT_B,    // the string is in Lm(A) and not in Lm(B)
  CAUSE_MARKED_B_NOT_A,    // the string is in Lm(B) and not in Lm(A)
  CAUSE_COUNT
};

// "uncontrollable", "blocking", "leads-to-removed", "unreachable", "closed-a-not-b", ...
const char *explain_cause_word(explain_cause cause);

// At most this many items per cause are kept; the counts cover every state.
const int EXPLAIN_SHOWN = 5;

// Result codes of the explanations.
const int EXPLAIN_OK = 0;
const int EXPLAIN_TOO_LARGE = 1;  // the subset construction of compare exceeds MAX_STATES pairs

// One explained state (or, for compare, one string).
struct explain_item {
  explain_cause cause;
  std::vector<event_t> string;  // from the initial state to `state`
  int event = -1;               // the uncontrollable event concerned, -1 for none
  state_t state = -1;           // state of the DES or of the product (-1 for compare)
  state_t first = -1;           // products: the state of the first DES (plant, A) ...
  state_t second = -1;          // ... and of the second (specification, supervisor, B)
  // CAUSE_LEADS_TO_REMOVED: the uncontrollable events from `state` to a removed state of cause
  // CAUSE_UNCONTROLLABLE or CAUSE_BLOCKING (chain_cause), which is chain_end; chain_event is that
  // state's event (CAUSE_UNCONTROLLABLE) or -1.
  std::vector<event_t> chain;
  state_t chain_end = -1;
  explain_cause chain_cause = CAUSE_BLOCKING;
  int chain_event = -1;
};

// Compare verdicts, in this order in `verdict`.
enum compare_verdict {
  CLOSED_EQUAL,
  MARKED_EQUAL,
  CLOSED_A_IN_B,
  MARKED_A_IN_B,
  CLOSED_B_IN_A,
  MARKED_B_IN_A,
  VERDICT_COUNT
};

struct explanation {
  state_t states = 0;  // states of the DES explained (the meet, for products; compare: pairs)
  // Supcon: states of the result; Trim: states kept; Nonconflict: states that can reach a marker
  // state.
  state_t survivors = 0;
  long count[CAUSE_COUNT] = {};     // states (for compare: 1 per differing direction) per cause
  std::vector<explain_item> items;  // per cause in breadth-first order, EXPLAIN_SHOWN at most
  // Supcon with an empty result: the item of the initial state (also among items when shown).
  bool has_initial = false;
  explain_item initial;
  bool verdict[VERDICT_COUNT] = {};  // compare
  // Compare: for each false verdict, the shortest witness (the first in breadth-first order of
  // the two directions for an equality).
  std::vector<event_t> witness[VERDICT_COUNT];
};

// Why Supcon(plant, spec) removes states of their meet. Plant and spec must be deterministic.
// The states the fixed point removes are classified in the order it removes them: first the
// uncontrollable states, then, repeatedly, states whose uncontrollable event leads to a removed
// state and states that cannot reach a surviving marker state; survivors that only removed states
// lead to are unreachable. states and survivors equal the sizes of the meet and of Supcon's
// result. Time: O(V + E) of the meet per round of the fixed point, as Supcon.
int explain_supcon(state_t NG, state_node *G, state_t NE, state_node *E, explanation *out);

// The blocking states of the meet of A and B (nondeterminism allowed): none when they are
// nonconflicting. Time: O(V + E) of the meet.
int explain_nonconflict(state_t NA, state_node *A, state_t NB, state_node *B, explanation *out);

// The joint states of plant and supervisor (both deterministic) at which the plant allows an
// uncontrollable event the supervisor disables, with the smallest such event. first is the plant
// state, second the supervisor state. Time: O(V + E) of the meet.
int explain_condat(state_t NG, state_node *G, state_t NS, state_node *S, explanation *out);

// Compares the closed and marked languages of A and B on the product of their subset
// constructions (nondeterminism allowed; a DES without states has the empty language). Returns
// EXPLAIN_TOO_LARGE when that product exceeds MAX_STATES pairs. Time: O(pairs * events * subset
// size).
int explain_compare(state_t NA, state_node *A, state_t NB, state_node *B, explanation *out);

// The states Trim removes: unreachable ones (no string; the item names the state) and reachable
// ones that cannot reach a marker state (CAUSE_BLOCKING, with a shortest string). survivors is the
// state count of the trimmed DES. Time: O(V + E).
int explain_trim(state_t n, state_node *des, explanation *out);

#endif

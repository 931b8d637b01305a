// The in-memory DES: state records, packed transition words, and the process-wide mode flags.
#ifndef SARV_MODEL_DES_DATA_H
#define SARV_MODEL_DES_DATA_H

#include <cstdint>

// A state number: 0..size-1, state 0 initial. Stored targets fit the 22-bit field of a tran_entry.
typedef int32_t state_t;
// An event label: 0..999 in a stored DES, odd controllable, even uncontrollable.
typedef uint16_t event_t;

// Largest event label a stored DES may carry.
const event_t MAX_EVENT = 999;
// Event mark of an erased transition inside projection; never stored in a file.
const event_t NULL_EVENT = 1023;
// Largest state count whose numbers fit the signed 22-bit target field.
const state_t MAX_STATES = 2097152;

// One transition packed into a 32-bit word: event in bits 22..31, target in bits 0..21 (signed).
// The word is written to DES files exactly as held in memory.
struct tran_entry {
  uint32_t word;

  event_t event() const { return static_cast<event_t>(word >> 22); }
  state_t target() const { return static_cast<state_t>(word << 10) >> 10; }
  void set_event(event_t e) { word = (word & 0x3FFFFFu) | (static_cast<uint32_t>(e) << 22); }
  void set_target(state_t t) {
    word = (word & ~0x3FFFFFu) | (static_cast<uint32_t>(t) & 0x3FFFFFu);
  }
};
static_assert(sizeof(tran_entry) == 4, "tran_entry is one 32-bit file word");

inline tran_entry make_tran(event_t e, state_t t) {
  return tran_entry{(static_cast<uint32_t>(e) << 22) | (static_cast<uint32_t>(t) & 0x3FFFFFu)};
}

// Order of a state's transition array: by event (unsigned), then by target (signed).
inline bool tran_less(tran_entry a, tran_entry b) {
  if (a.event() != b.event()) return a.event() < b.event();
  return a.target() < b.target();
}
inline bool tran_equal(tran_entry a, tran_entry b) {
  return a.word == b.word;
}

// One state of a DES. The flag word holds marked (bit 0), reached (bit 1), coreach (bit 2) and
// the vocal output (bits 3..15, 0 = silent). reached and coreach are scratch flags of the searches.
struct state_node {
  uint16_t marked : 1;
  uint16_t reached : 1;
  uint16_t coreach : 1;
  uint16_t vocal : 13;
  uint16_t numelts;  // transitions leaving the state, 0..65535
  tran_entry *next;  // sorted array of numelts words, null when there are none
};
static_assert(sizeof(uint16_t) == 2, "16-bit flag word");

extern const state_node nil_state_node;

// Process-wide flags. Each process (front end, compute) has its own copy.
extern int mem_result;  // 1 after an allocation failed in front-end mode
// 1 after newdes or resize_des refused a DES of more than MAX_STATES states (mem_result is then
// set as well); callers reset it with mem_result.
extern int state_limit_reached;
extern int cmdline;       // 1 in compute mode
extern int debug_mode;    // progress lines shown, compute output not captured
extern int minflag;       // minimization method: 1 partition refinement, 0 pairwise
extern char prefix[256];  // user directory followed by "/"; begins every user file name

// New zero-filled array of `size` states (no flags, no transitions); null if size <= 0, above
// MAX_STATES (mem_result and state_limit_reached set) or on allocation failure (mem_result set in
// front-end mode).
state_node *newdes(state_t size);
// Frees every transition array and the state array, and nulls *des. Does nothing for size <= 0.
void freedes(state_t size, state_node **des);
// Reallocates *des from oldsize to newsize states; new states are nil_state_node. Shrinking
// releases the trailing records with their transition arrays (a caller that keeps an array of a
// dropped state moves it out and nulls `next` first); newsize <= 0 releases the whole DES. On a
// failed growth *des is unchanged and mem_result is set; growth past MAX_STATES, whose state
// numbers would not fit a transition target, fails that way in every mode and sets
// state_limit_reached.
void resize_des(state_node **des, state_t oldsize, state_t newsize);

// Invariant check used by the tests after every algorithm: transition arrays sorted and free of
// duplicates, targets in 0..size-1, events 0..999, next null exactly when numelts is 0.
// Returns 0 when the DES is well formed, else the number of the first offending state plus 1.
state_t des_check(const state_node *des, state_t size);

#endif

// Sorted integer lists and records used as sets and maps, and small whole-DES helpers. Every
// insertion grows its array by exactly one element and reports through an out-flag; callers keep
// the counts. On allocation failure the out-flag is 0 and mem_result 1.
#ifndef SARV_MODEL_DES_SUPP_H
#define SARV_MODEL_DES_SUPP_H

#include "model/des_data.h"

struct state_pair {
  state_t data1;
  state_t data2;
};

struct triple {
  state_t first;
  event_t middle;
  state_t third;
};

struct quad {
  state_t a;  // exit state
  event_t b;  // event
  state_t c;  // entrance state
  int16_t d;  // vocal output
};

// Key (a state or an event label) with a user flag, and the sorted state list filed under it.
struct state_map {
  uint32_t word;  // bit 0: user flag; bits 1..31: signed key
  state_t numelts;
  state_t *next;

  state_t key() const { return static_cast<state_t>(word) >> 1; }
  bool flag() const { return word & 1u; }
  void set_flag(bool f) { word = (word & ~1u) | (f ? 1u : 0u); }
};

// Transition arrays. `count` is the array's current length. insertlist4 grows the DES to hold
// state `src` and inserts (e, dst) there; a state with 65535 transitions takes no more
// (mem_result set).
void insertlist4(state_t src, event_t e, state_t dst, state_t *size, state_node **des);
void addordlist1(event_t e, state_t target, tran_entry **list, state_t count, int *added);
void delete_ordlist1(event_t e, state_t target, tran_entry **list, state_t count, int *removed);

// Event lists (16-bit) and state lists (32-bit).
void addordlist(event_t e, event_t **list, uint16_t count, int *added);
int inlist(event_t e, const event_t *list, uint16_t count);
// Writes the events of the sorted list a that the sorted list b lacks, ascending, to out (room for
// ca events; out may be a itself) and returns their number. Time: O(ca + cb).
uint16_t event_difference(const event_t *a, uint16_t ca, const event_t *b, uint16_t cb,
                          event_t *out);
void addstatelist(state_t s, state_t **list, state_t count, int *added);
int instatelist(state_t s, const state_t *list, state_t count);

// Record arrays.
void addstatepair(state_t first, state_t second, state_pair **list, state_t count, int *added);
int instatepair(state_t first, state_t second, const state_pair *list, state_t count);
void addtriple(state_t first, event_t middle, state_t third, triple **list, state_t count,
               int *added);
void add_quad(state_t a, event_t b, state_t c, int16_t d, quad **list, state_t count, int *added);
int inlist_quad(const quad *list, state_t count, state_t a, event_t b, state_t c, int16_t *d);
void addstatemap(state_t key, state_t member, state_map **maps, state_t count, int *added);
void free_map(state_t count, state_map **maps);

// Whole-DES helpers.
void recode_min(state_t count, const state_node *src, state_node *dst, const state_t *map);
// Gives every state whose output equals a pair's first member that pair's second member; the
// first matching pair in array order applies, once. Time: O(size + npairs).
void vocalmap_des(state_node *des, state_t size, const state_pair *pairs, state_t npairs);
// Drops trailing states that no transition enters and that are unmarked, silent and without
// transitions, from the last one down to the first that is not; state 0 always stays. Such a
// state cannot be reached from state 0, and no transition of the result leads past its end. A
// failed shrink keeps the larger valid block. Time: O(size + transitions).
void trim_endstates(state_t *size, state_node **des);
int check_des_sanity(const state_node *des, state_t size);
state_t num_mark_states(const state_node *des, state_t size);
state_t num_vocal_output(const state_node *des, state_t size);
// Sum of the transition counts of all states.
long num_transitions(const state_node *des, state_t size);

#endif

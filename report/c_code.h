// A supervisor as C code: one self-contained C99 file with the supervisor's transitions in
// compact sorted arrays and the functions a controller calls at every event.
#ifndef SARV_REPORT_C_CODE_H
#define SARV_REPORT_C_CODE_H

#include <cstdio>
#include <string>

#include "model/des_data.h"
#include "model/event_names.h"

enum c_code_result {
  C_CODE_OK = 0,
  C_CODE_NO_INPUT = 1,      // the supervisor or the control data cannot be read
  C_CODE_REFUSED = 2,       // nondeterministic supervisor, or control data of another size
  C_CODE_WRITE_FAILED = 3,  // the output could not be written; nothing changed
  C_CODE_BAD_NAME = 4       // a name would leave the user directory
};

// The C identifier made from a DES name: every character other than a letter, digit or "_"
// becomes "_", and a name that begins with a digit gets "des_" in front.
std::string c_identifier(const char *name);

// Writes the C file of supervisor (sup, size), identifier `id`, to `out`:
//   int ID_step(int state, int event);     next state, or -1 if the event is not possible
//   int ID_enabled(int state, int event);  1 if the supervisor allows the event in the state
//   int ID_is_marked(int state);
// With control data `dat` (one row per supervisor state, the events to disable; null for none)
// ID_enabled answers "not disabled at the state"; without, "possible in the supervisor". States
// outside 0..size-1 have no transitions, are not marked and enable nothing. Every event of
// `names` with a name becomes "#define ID_EVENT_name number". The supervisor must be
// deterministic and dat, when given, must have `size` states (the caller checks). Neither is
// changed. Returns 0, or 1 when the stream reports a write error. Time: O(size + transitions).
int write_c_code(FILE *out, const char *id, const state_node *sup, state_t size,
                 const state_node *dat, const event_names &names);

// Writes supervisor `sup` (with the control data `data` when not null) of the user directory as
// the C file `out_file` of the user directory, with the event names of EVENTS.txt. On return
// *message holds a one-line report. Returns a c_code_result; nothing is written unless C_CODE_OK.
int c_code_file(const char *sup, const char *data, const char *out_file, std::string *message);

#endif

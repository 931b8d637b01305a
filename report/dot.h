// Pictures of a DES or of control data as Graphviz DOT text, and their rendering to SVG or PNG
// by the Graphviz `dot` program when it is installed.
#ifndef SARV_REPORT_DOT_H
#define SARV_REPORT_DOT_H

#include <cstdio>

#include "model/des_data.h"
#include "model/event_names.h"

// Largest state count that is rendered to SVG or PNG; above it only the DOT text is written.
const state_t DOT_RENDER_LIMIT = 200;

// Result codes of the picture functions.
const int DOT_OK = 0;
const int DOT_WRITE_FAILED = 1;   // the DOT or picture file could not be written
const int DOT_NO_GRAPHVIZ = 2;    // no executable `dot` on PATH
const int DOT_TOO_LARGE = 3;      // more than DOT_RENDER_LIMIT states: not rendered
const int DOT_RENDER_FAILED = 4;  // `dot` ran but did not succeed

// Writes the DES as a DOT digraph named `name` to `out`: states as circles labelled by number
// (and "/" with the vocal output when it has one), marker states as double circles, an entry
// arrow into state 0, one edge per source, target and kind of event with the labels joined by
// ",", controllable (odd) events solid and uncontrollable (even) ones dashed. With event `names`
// (EVENTS.txt), a lone event reads "start_1 (11)" and merged labels the names alone. The DES is
// not changed. Returns DOT_OK or DOT_WRITE_FAILED. Time: O(states + transitions).
int write_des_dot(FILE *out, const char *name, const state_node *des, state_t size,
                  const event_names *names = nullptr);

// Writes control data (per supervisor state, the events to disable, held as transitions to 0)
// as a DOT table named `name`: one row per state that disables events, labelled as
// write_des_dot labels merged edges. Returns as write_des_dot.
int write_dat_dot(FILE *out, const char *name, const state_node *dat, state_t size,
                  const event_names *names = nullptr);

// Writes the picture (DAT table when is_dat, else DES graph) to the file `path` through a
// temporary name beside it. Returns DOT_OK or DOT_WRITE_FAILED (no file left behind).
int file_dot(const char *path, const char *name, const state_node *des, state_t size, int is_dat,
             const event_names *names = nullptr);

// Full path of the Graphviz `dot` program found on PATH in found[size], or 0 when there is none.
int find_graphviz(char *found, size_t size);

// Renders the DOT file `dot_path` to `out_path` in `format` ("svg" or "png") with Graphviz, run
// directly (no shell) with its messages discarded; the picture goes to a temporary name beside
// out_path and replaces it only when Graphviz succeeded. Returns DOT_OK, DOT_NO_GRAPHVIZ,
// DOT_RENDER_FAILED or DOT_WRITE_FAILED.
int render_dot(const char *dot_path, const char *out_path, const char *format);

// The whole picture: writes the DOT file dot_path, then, when out_path is not null, renders it to
// out_path in `format`, unless the DES has more than DOT_RENDER_LIMIT states (DOT_TOO_LARGE, the
// DOT file stays). Returns the first failure, or DOT_OK.
int picture_files(const char *name, const state_node *des, state_t size, int is_dat,
                  const char *dot_path, const char *out_path, const char *format,
                  const event_names *names = nullptr);

// The text of a result code, for messages ("Graphviz (dot) is not installed or not on PATH").
const char *dot_message(int code);

#endif

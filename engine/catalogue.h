// The procedure catalogue: one row per procedure code, read by both the front end's request
// writer and the compute process's dispatcher. Adding a procedure means adding one row, its
// steps function and its two named wrappers (request and compute); nothing else switches on codes.
#ifndef SARV_ENGINE_CATALOGUE_H
#define SARV_ENGINE_CATALOGUE_H

#include <cstdint>
#include <cstdio>

#include "model/des_data.h"
#include "model/des_supp.h"

// Kind of the output file; the value is the initial-state field filedes receives.
enum output_kind { OUTPUT_DES = 0, OUTPUT_DAT = -1 };

// The list that follows the names in a request. Each kind has one write format, one read format
// and one sorted-list insertion (duplicates dropped, ascending order):
//   LIST_EVENTS       "%d\n"             read "%d"           addordlist   -> events
//   LIST_STATE_PAIRS  "%ld %ld\n"        read "%d %d"        addstatepair -> pairs
//   LIST_QUADS        "%ld %d %ld %d\n"  read "%d %d %d %d"  add_quad     -> quads
enum list_kind { LIST_NONE, LIST_EVENTS, LIST_STATE_PAIRS, LIST_QUADS };

// How the compute frame treats a row.
enum frame_kind {
  FRAME_STANDARD,  // load every input with getdes, run, check memory, file the output
  FRAME_OWN,       // run gets the names and list only; it loads, files and answers itself
};

// A DES held by the compute frame: count and state array, owned by the job.
struct job_des {
  state_t size;
  state_node *des;
};

const int MAX_REQUEST_NAMES = 4;

// Everything one compute request works on. The frame owns every array in it and releases them
// after the output is filed or when the process ends on a failure code.
struct compute_job {
  char name[MAX_REQUEST_NAMES][256];  // request order: inputs, then the output
  job_des input[MAX_REQUEST_NAMES - 1];
  state_t init;     // initial-state field of the last loaded input (0 for a DES)
  job_des output;   // set by run; filed under the last name
  event_t *events;  // LIST_EVENTS, ascending, no duplicates
  uint16_t event_count;
  state_pair *pairs;  // LIST_STATE_PAIRS
  state_t pair_count;
  quad *quads;  // LIST_QUADS
  state_t quad_count;
};

struct procedure_row {
  int code;           // procedure code in the request, 1..25
  const char *name;   // procedure name, as in the log ("Supcon")
  const char *label;  // menu label ("5: Supcon")
  int inputs;         // input names before the output name (1..3)
  output_kind output;
  list_kind list;
  frame_kind frame;
  // The procedure's algorithm steps on the loaded inputs; leaves the result in job->output. May
  // end the process through compute_fail with a procedure-specific code.
  void (*run)(compute_job *job);
};

// The row of `code`, or null when the catalogue has none.
const procedure_row *find_procedure(int code);

// Moves input i into the output slot (for procedures that change their input in place).
void take_input_as_output(compute_job *job, int i);
// Ends the compute process: releases the job, writes `code` as the result and exits with 0.
[[noreturn]] void compute_fail(int code);

// Front end: writes the request for `row` to prm_file. `names` holds row->inputs + 1 names in
// request order; `list` points to `count` items of the row's list type (event_t, state_pair or
// quad). Returns 0, or MURN_REQUEST_NOT_CREATED.
int write_request(const procedure_row *row, const char *const *names, const void *list, int count);
// Front end: write_request for `code`, then mySystem. Unknown codes give MURN_REQUEST_NOT_CREATED.
int run_request(int code, const char *const *names, const void *list, int count);

// Compute process: the whole compute function of `row` on the open request positioned after the
// three header lines. Returns when the output is filed; exits 0 on every failure.
void compute_procedure(const procedure_row *row, FILE *request);

#endif

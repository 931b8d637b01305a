// The procedure catalogue: every procedure is declared once, as one row of engine/procedures.def.
// From that list come the procedure ids, the catalogue table read by the request writer, the
// compute dispatcher and the dialog runner, the named request and compute functions, and the menu
// keys and labels of the procedures menu.
#ifndef SARV_ENGINE_CATALOGUE_H
#define SARV_ENGINE_CATALOGUE_H

#include <cstdint>
#include <cstdio>

#include "model/des_data.h"
#include "model/des_supp.h"

// One id per row of engine/procedures.def, in list order; PROC_COUNT rows in all.
enum procedure_id {
#define PROCEDURE(ID, ...) PROC_##ID,
#define DIALOG_ONLY(ID, ...) PROC_##ID,
#define RESERVED(ID, ...) PROC_##ID,
#include "engine/procedures.def"
  PROC_COUNT
};

// Kind of the output file; for a DES or DAT the value is the initial-state field filedes receives.
// A text output (an explanation) is written by the steps themselves.
enum output_kind { OUTPUT_DES = 0, OUTPUT_DAT = -1, OUTPUT_TEXT = 1 };

// The list that follows the names in a request. Each kind has one write format, one read format
// and one sorted-list insertion (duplicates dropped, ascending order):
//   LIST_EVENTS       "%d\n"             read "%d"           addordlist   -> events
//   LIST_STATE_PAIRS  "%ld %ld\n"        read "%d %d"        addstatepair -> pairs
//   LIST_QUADS        "%ld %d %ld %d\n"  read "%d %d %d %d"  add_quad     -> quads
enum list_kind { LIST_NONE, LIST_EVENTS, LIST_STATE_PAIRS, LIST_QUADS };

// How the user types the row's list in its dialog (the front end lays out the fields).
enum list_entry {
  ENTRY_NONE,
  ENTRY_EVENTS,         // event fields, ten to a row, -1 ends
  ENTRY_PAIRS,          // one state pair to a row, -1 ends
  ENTRY_NULL_OR_IMAGE,  // the NULL ? question, then the events to erase or to keep
  ENTRY_EVENT_PAIRS,    // one (old label, new label) pair to a row, -1 ends; scrolls
  ENTRY_VOCAL_TRIPLES,  // [exit state or *, event, output] to a row, -1 ends; scrolls
};

// How the compute frame treats a row.
enum frame_kind {
  FRAME_STANDARD,  // load every input with getdes, run, check memory, file the output
  FRAME_OWN,       // run gets the names and list only; it loads, files and answers itself
};

// What the result file carries besides the code.
enum result_kind {
  RESULT_CODE,         // the code alone
  RESULT_BOUND_RATIO,  // and, on success, a second line with a state bound and a ratio
};

// What the MAKEIT entry writes after the input names, inside the parentheses.
enum log_args_kind {
  LOG_ARGS_NONE,
  LOG_TYPED_EVENTS,    // ",[e1,e2]"
  LOG_TYPED_PAIRS,     // ",[[a,b],[c,d]]"
  LOG_NULL_OR_IMAGE,   // ",Null[e1]" or ",Image[e1]"
  LOG_CORRESPONDENCE,  // Isomorph: ";identity" or ";[[x,y],...]" when true
  LOG_VOCAL_TRIPLES,   // ",[[exit,event,output],...]"
};

// What the MAKEIT entry writes after the closing parenthesis.
enum log_tail_kind {
  LOG_TAIL_NONE,
  LOG_SIZES,             // "  (states,transitions)" of the output
  LOG_SIZES_BLOCKED,     // the sizes, then "  Blocked_events = " and the list or "None  "
  LOG_CONTROLLABLE,      // "  Controllable." or "  Uncontrollable."
  LOG_NEW_LABELS_SIZES,  // "   New event labels: [v1,v2]" (outputs new in the output), sizes
  LOG_SIZES_BOUND,       // "  (states,transitions;slb=bound)": Supreduce's lower bound
};

// Which alphabet note (engine/alphabet_notes.h) follows a completed run.
enum note_kind {
  NOTE_NONE,
  NOTE_MISSING_EVENTS,  // DES2 lacks events DES1 uses: they are disabled everywhere
  NOTE_UNUSED_NULL,     // a null event occurs in neither input
};

// A DES held by the compute frame: count and state array, owned by the job.
struct job_des {
  state_t size;
  state_node *des;
};

const int MAX_REQUEST_NAMES = 4;
// Largest request code of the catalogue.
const int LAST_PROCEDURE_CODE = 30;

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
  int32_t bound;  // RESULT_BOUND_RATIO: the second result line, set by the steps
  float ratio;
};

// One name the dialog asks for: its prompt and the file's extension.
struct name_field {
  const char *prompt;
  const char *ext = ".des";
};

// Where a label stands on the procedures menu (row 0 = not listed).
struct menu_place {
  int row = 0;
  int column = 0;
};

// One procedure. Rows in engine/procedures.def set these fields by name, in this order (C++
// designated initializers); a field a row leaves out keeps the default given here.
struct procedure_row {
  procedure_id id;
  int code = 0;  // request code 1..LAST_PROCEDURE_CODE; 0 for a test computed in the front end
  const char *name = nullptr;   // as in the log: "<output> = <name>(<inputs>)"
  const char *keys = nullptr;   // procedures-menu keys ("2", "P0", "1\r"); null: no dialog
  const char *label = nullptr;  // menu label ("P0: Project")
  menu_place menu = {};
  const char *title = nullptr;    // dialog header: title line
  const char *formula = nullptr;  // and formula line
  int inputs = 1;                 // input names before the output name (a test has no output)
  name_field names[MAX_REQUEST_NAMES] = {};  // prompts in dialog and request order
  // Asked before the output name: "n" lets the output replace DES1 (format with the DES1 name).
  const char *rename_question = nullptr;
  output_kind output = OUTPUT_DES;
  list_kind list = LIST_NONE;
  list_entry entry = ENTRY_NONE;
  // Optional yes/no question before the list: "n" reads the list, Esc cancels the dialog, any
  // other key leaves it empty.
  const char *list_question = nullptr;
  const char *list_instructions = nullptr;
  const char *list_continuation = nullptr;  // printed atop a fresh screen when the list is long
  bool header_on_continuation = false;      // the dialog header precedes the continuation text
  log_args_kind log_args = LOG_ARGS_NONE;
  log_tail_kind log_tail = LOG_SIZES;
  bool log_wrapped = false;          // entry wrapped at 74 columns (it carries a list)
  bool log_inputs_reversed = false;  // the entry names the inputs last to first
  frame_kind frame = FRAME_STANDARD;
  result_kind result = RESULT_CODE;
  note_kind note = NOTE_NONE;
  // The algorithm steps on the loaded inputs; leave the result in job->output. May end the
  // process through compute_fail with a procedure-specific code. Null for a test computed in the
  // front end and for a reserved row.
  void (*steps)(compute_job *job) = nullptr;
};

// The row of `id`.
const procedure_row &procedure(procedure_id id);
// The row whose request code is `code` and that has steps, or null.
const procedure_row *find_procedure(int code);

// Number of names the dialog asks for: the inputs, and the output unless the row is a test.
constexpr int name_count(const procedure_row &row) {
  return row.code == 0 ? row.inputs : row.inputs + 1;
}

// Moves input i into the output slot (for procedures that change their input in place).
void take_input_as_output(compute_job *job, int i);
// Ends the compute process: releases the job, writes `code` as the result and exits with 0.
[[noreturn]] void compute_fail(int code);

// Front end: writes the request for `row` to prm_file. `names` holds row.inputs + 1 names in
// request order; `list` points to `count` items of the row's list type (event_t, state_pair or
// quad). Returns 0, or MURN_REQUEST_NOT_CREATED.
int write_request(const procedure_row &row, const char *const *names, const void *list, int count);
// Front end: write_request for `id`, then the compute process; returns its result code. For a
// RESULT_BOUND_RATIO row, *bound and *ratio (when not null) receive the second result line.
int run_request(procedure_id id, const char *const *names, const void *list, int count,
                int32_t *bound = nullptr, float *ratio = nullptr);

// Compute process, reading the request "murn.prm" line by line; each line must be exactly what its
// place requires. read_request_header reads the three header lines (debug switch 0/1, minimization
// switch 0/1, procedure code) and sets debug_mode, minflag and *row: MURN_OK, or MURN_BAD_REQUEST
// (*row null). read_request_body reads the names and list items of `row` into the empty *job:
// MURN_OK, MURN_MISSING_NAME (a name line missing or not a name of the user directory) or
// MURN_BAD_REQUEST (an item line that is not one item in range). release_job frees what a job
// holds and empties it.
int read_request_header(FILE *request, const procedure_row **row);
int read_request_body(const procedure_row &row, FILE *request, compute_job *job);
void release_job(compute_job *job);

// Compute process: the whole compute function of `row` on the open request positioned after the
// three header lines. Returns when the output is filed, with the second result line of a
// RESULT_BOUND_RATIO row in *bound and *ratio when they are given; exits 0 on every failure.
void compute_procedure(const procedure_row &row, FILE *request, int32_t *bound = nullptr,
                       float *ratio = nullptr);

#endif

// The compute request protocol between the front end and the compute process. The front end
// writes "murn.prm" in the user directory, starts the program again with "-cmdline", waits for it,
// and reads the result code from "murn.rst". Automata travel only as DES/DAT files.
#ifndef SARV_ENGINE_PROTOCOL_H
#define SARV_ENGINE_PROTOCOL_H

#include <cstdint>
#include <cstdio>

#include "engine/request_shapes.h"
#include "model/des_data.h"
#include "model/des_supp.h"

// Result codes of a procedure. Non-negative codes come from the compute process, negative ones
// from the front end's side of the protocol.
const int MURN_OK = 0;                    // the output file was written
const int MURN_NO_REQUEST = 1;            // the request file could not be opened
const int MURN_MISSING_NAME = 2;          // a name line of the request is missing
const int MURN_OUT_OF_MEMORY = 3;         // the compute process ran out of memory
const int MURN_SUPREDUCE_ERROR = 4;       // supervisor reduction ended with an error
const int MURN_VOCAL_OVERFLOW = 5;        // vocal output overflow
const int MURN_VOCAL_STATE0 = 6;          // state 0 of the input DES has a vocal output
const int MURN_OUTPUT_NOT_WRITTEN = 7;    // the output file could not be written
const int MURN_INPUT_NOT_READ = 8;        // an input file exists but is not a readable DES
const int MURN_BAD_REQUEST = 9;           // unknown procedure code or garbled request
const int MURN_NONDETERMINISTIC = 10;     // an input that must be deterministic is not
const int MURN_LABEL_OVERFLOW = 11;       // relabelling ran out of event labels
const int MURN_STATE_LIMIT = 12;          // the result would exceed the 2,097,152-state limit
const int MURN_NO_FIXED_POINT = 13;       // a normality iteration reached its round limit
const int MURN_OUTPUT_TOO_LARGE = 14;     // a vocal output cannot become an event label
const int MURN_REQUEST_NOT_CREATED = -1;  // the request file could not be created
const int MURN_CHILD_FAILED = -2;         // compute process not started, or did not exit with 0
const int MURN_NO_RESULT = -3;            // no result file after a normal end
const int MURN_RESULT_GARBLED = -4;       // the result file does not hold the expected numbers
const int MURN_RESULT_UNREADABLE = -5;    // the result file exists but cannot be opened

// Environment variable with the process id of the process that started a compute process.
const char STARTER_VARIABLE[] = "SARV_STARTER";

// Protocol file paths (prefix + fixed name), rebuilt by the get_ functions from the current
// prefix. PROTOCOL_PATH holds any prefix (255 characters) and a fixed name, so each get_ function
// returns 0 (1, with the path left empty, is kept for a prefix that could not fit).
const int PROTOCOL_PATH = 256 + 16;
extern char prm_file[PROTOCOL_PATH];
extern char rst_file[PROTOCOL_PATH];
extern char outname[PROTOCOL_PATH];
extern char errname[PROTOCOL_PATH];
int get_prm_file();
int get_rst_file();
int get_out_file();
int get_err_file();

// ---- Front end ----

// Request functions, one per procedure row (engine/procedures.def), with the signature of the
// row's shape (engine/request_shapes.h): the output name first, then the input names in request
// order, then the list. They write the request and run the compute process, and return the result
// code above (MURN_REQUEST_NOT_CREATED when the request cannot be written).
#define PROCEDURE(ID, SHAPE, request_function, ...) SHAPE(request_function);
#include "engine/procedures.def"

// Runs the compute process on the request just written and returns its result code, removing the
// result file. Unless debug_mode is set, the child's standard output and error go to "murn.out"
// and "murn.err", which are removed afterwards. The child is started directly (no shell) as
// argv0 with the one argument "-cmdline"; the caller is immune to the interrupt and quit keys
// while it waits, the child keeps their default action.
int mySystem();

// Called about ten times a second while a compute process runs, with the seconds since it started
// and 1 once the interrupt key was pressed meanwhile (the waiting process then notes it instead
// of ignoring it). Returning 1 ends the compute process at once: the request fails with
// MURN_CHILD_FAILED, compute_cancelled is set and the output the request named is left as it
// was. With `own_group` the compute process runs in a process group of its own, so that the
// interrupt key reaches only the waiting process. Null (the start value): wait without polling.
typedef int (*compute_watch)(double elapsed, int interrupted);
void set_compute_watch(compute_watch watch, bool own_group);
// 1 when the last compute process was ended by its watch.
extern int compute_cancelled;
// Ends the program on the hang-up and termination signals without leaving a compute process
// behind. Outside a computation `restore` (may be null) puts the terminal back and the signal
// takes its default action at once. During one the compute process is ended as the watch's
// cancel ends it (its output and the log stay as they were, the request and temporary files are
// removed), then `restore` runs and the signal takes its default action. A compute process that
// outlives its starter anyway (SIGKILL) gets the termination signal from the system and ends
// itself the same clean way.
void end_compute_on_signals(void (*restore)());
// The same for supervisor reduction, whose result also carries the lower-bound estimate of the
// minimal supervisor's state count and the compression ratio (both set to 0 unless the result
// is MURN_OK).
int mySystem_supreduce(int32_t *bound, float *ratio);

// The user directory is held, with an exclusive flock on the directory itself, for each
// request-and-result exchange (run_request takes it), so two processes on one directory never read
// each other's request, result or output. A process that finds it held says so once through the
// wait notice (standard error unless set_lock_wait_notice named another) and waits, calling the
// compute watch about ten times a second as while computing; a watch that answers 1 gives up.
// Holds nest: a caller that reads the output back and logs it holds the directory around all of
// that. The compute process inherits the hold while it runs.
// Returns 0, MURN_REQUEST_NOT_CREATED when the directory cannot be opened, or MURN_CHILD_FAILED
// (compute_cancelled set) when the wait was given up.
int hold_user_directory();
// Ends one hold; the last one releases the directory.
void release_user_directory();
typedef void (*lock_wait_notice)(const char *line);
void set_lock_wait_notice(lock_wait_notice notice);

// Read, remove and return the result file's code: MURN_NO_RESULT when it does not exist,
// MURN_RESULT_UNREADABLE when it cannot be opened, MURN_RESULT_GARBLED when it does not start
// with an integer (or, for supervisor reduction, a 0 result lacks its second line).
int get_murn_result();
int get_murn_result_supreduce(int32_t *bound, float *ratio);

// ---- Compute process ----

// Reads "murn.prm", runs the requested procedure and writes the result. A header that is not
// three numbers, or a code no row runs, answers MURN_BAD_REQUEST. A procedure that fails writes
// its own code and ends the process with status 0; success writes MURN_OK. The request is removed
// whatever the answer (by compute_guard_start's exit action when the process ends early), so it
// never runs twice. Returns 0, or -1 when the request cannot be opened (result MURN_NO_REQUEST
// written).
int cmdline_kep_run();
// Writes the result file with `code`. Returns 0, or -1 when it cannot be created.
int murn_result(int code);
// Writes the two-line result of supervisor reduction: the code, then bound and ratio.
int murn_result_supreduce(int code, int32_t bound, float ratio);
// Out-of-memory action of compute mode (engine/compute_guard.cpp): releases the reserve block,
// writes MURN_OUT_OF_MEMORY with plain system calls (no memory needed) and exits with status 0.
[[noreturn]] void murn_out_of_memory();

// Compute functions, one per procedure row: each reads the rest of the open request (names,
// list), loads the inputs, runs the procedure and files its output; on failure they write their
// code and exit 0.
#define PROCEDURE(ID, SHAPE, request_function, compute_function, ...) \
  void compute_function(FILE *request);
#include "engine/procedures.def"

#endif

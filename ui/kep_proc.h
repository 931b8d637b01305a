// Procedure dialogs of the procedures menu and the MAKEIT log of completed procedures.
//
// Every dialog clears the screen, shows its title and formula, reads the input and output names,
// hands the request to the compute process, reads the output back for its sizes, appends one
// entry to "makeit.txt" in the user directory and waits for Enter. Isomorph and Nonconflict are
// computed in the front end itself and write no file. Esc at any prompt ends the
// dialog without a message, file or log entry. Each dialog releases what it loaded before it
// returns to the menu, which then redraws itself.
#ifndef SARV_UI_KEP_PROC_H
#define SARV_UI_KEP_PROC_H

#include <cstdio>

#include "model/des_data.h"
#include "ui/io.h"

// Names typed in the current dialog for DES1..DES4 (bare), and their full file names.
extern char name1[80], name2[80], name3[80], name4[80];
extern char long_name1[FULL_NAME_SIZE], long_name2[FULL_NAME_SIZE], long_name3[FULL_NAME_SIZE],
    long_name4[FULL_NAME_SIZE];
// 1 once the current dialog was cancelled or its procedure failed: no pause, no log entry.
extern int quit;
// Seconds on a monotonic clock, with fractions, taken just before and after the compute request,
// so that a short run never counts as a whole second.
extern double start_time, stop_time;

// The dialogs of the procedures menu.
void selfloop_p();
void trim_p();
void sync_p();
void meet_p();
void supcon_p();
void mutex_p();
void minstate_p();
void complement_p();
void project_p();
void allevents_p();
void nonconflict_p();
void isomorph_p();
void bfs_recode_p();
void condat_p();

// Full name of the MAKEIT log: prefix + "makeit.txt". Points to a buffer rebuilt on every call.
const char *get_makeit();
// Name of the temporary file that holds an entry until mergeChop wraps it into the log.
extern const char *const MAKEIT_TMP;
// Appends "tmp.$$$" to the log, breaking any line that would exceed 74 characters and starting
// each continuation with `indent` blanks; then deletes "tmp.$$$". The entry is lost silently when
// either file cannot be opened.
void mergeChop(int indent);
// When clocking is on, writes a line end, `indent` blanks and "Computing time = hh:mm:ss".
void appendTime(FILE *file, int indent);
// Elapsed whole seconds as "%02d:%02d:%02d", or "%d (days) %02d:%02d:%02d" (hours modulo 24) from
// one day on. Returns a static buffer overwritten by the next call.
const char *cdifftime(double start, double stop);
void mark_start_time();
void mark_stop_time();

// Shows on row 21 the events of Sync's inputs that the result blocks.
void sync_blockevents_display(const char *name, const event_t *events, uint16_t count);

#endif

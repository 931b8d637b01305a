// Procedure dialogs of the procedures menu and the MAKEIT log of completed procedures.
//
// Every dialog clears the screen, shows its title and formula, reads the input and output names,
// hands the request to the compute process, reads the output back for its sizes, appends one
// entry to "makeit.txt" in the user directory (engine/makeit.h) and waits for Enter. A failure
// shows one line on row 22 (or a box) and the pause, and logs nothing. Isomorph and Nonconflict are
// computed in the front end itself and write no file. Esc at any prompt ends the
// dialog without a message, file or log entry. Each dialog releases what it loaded before it
// returns to the menu, which then redraws itself.
#ifndef SARV_UI_DIALOGS_H
#define SARV_UI_DIALOGS_H

#include <cstdio>

#include "engine/catalogue.h"
#include "engine/result_messages.h"
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

// The dialogs of the procedures menu, one per row of ui/dialogs.def.
#define DIALOG(menu_operation, ...) void menu_operation();
#include "ui/dialogs.def"

// Runs the dialog of procedure `id`. Returns false (and does nothing) when it has none.
bool run_dialog(procedure_id id);

// Full name of the MAKEIT log: prefix + "makeit.txt". Points to a buffer rebuilt on every call.
const char *get_makeit();
void mark_start_time();
void mark_stop_time();

// Shows on row 21 the events of Sync's inputs that the result blocks.
void sync_blockevents_display(const char *name, const event_t *events, uint16_t count);

#endif

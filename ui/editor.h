// The DES editor (procedure Edit): changes the marker states, transitions, vocal outputs and
// states of an existing DES in memory, then saves it under the same or a new name and logs what
// was asked for in one MAKEIT entry. Esc at any prompt leaves every file and the log unchanged.
#ifndef SARV_UI_EDITOR_H
#define SARV_UI_EDITOR_H

#include "model/des_data.h"

// Menu operation: runs the dialog, reports running out of memory, logs and confirms a saved
// edit, and releases the DES.
void edit_p();
void edit_header();

// Lists the marked states from the row below the cursor, 7 columns apart or wider when the largest
// number needs it (" empty" when there are none), paged; leaves the cursor at the start of the row
// after the list. Time: O(count).
void printmark(state_t count, const state_node *des);
// Lists the (state, output) pairs of the vocal states, 15 columns apart (" none" when there are
// none), paged as printmark.
void printvocal(state_t count, const state_node *des);

#endif

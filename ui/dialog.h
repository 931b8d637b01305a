// What the procedure dialogs share: the data a dialog collects, its front-end hooks (one row of
// ui/dialogs.def per dialog) and the screen helpers hooks and list readers use. The runner is
// ui/dialogs.cpp; a hook may live in a file of its own.
#ifndef SARV_UI_DIALOG_H
#define SARV_UI_DIALOG_H

#include <cstdint>
#include <string>

#include "engine/catalogue.h"
#include "ui/dialogs.h"

// Lists continue on a fresh screen when an entry would go below this row.
const int LAST_LIST_ROW = 21;

// name1..name4 and long_name1..long_name4 by slot.
extern char *const NAMES[4];
extern char *const LONG_NAMES[4];

// What a dialog collected: the list the user typed, and what it read back after a successful
// request. Slot i holds the DES of name i+1; a DAT is held like a DES. Everything here is released
// by release_data.
struct dialog_data {
  int output;            // slot of the output name
  procedure_id request;  // the procedure requested: the dialog's own unless prepare chose another
  event_t *typed;        // typed event list, ascending and free of duplicates
  uint16_t n_typed;
  state_pair *pairs;  // typed pair list, ascending and free of duplicates
  state_t n_pairs;
  const char *verdict;     // a test computed here: "true" or "false", the left side of its entry
  int prompt_y, prompt_x;  // cursor after the prompts, where a test shows its answer
  state_t *map;            // Isomorph: state of DES2 for each state of DES1; null for identity
  bool image;       // Project: the typed events are those retained (IMAGE), not erased (NULL)
  event_t *erased;  // IMAGE: the inputs' events outside the typed list, ascending
  uint16_t n_erased;
  state_t size[4];
  state_node *des[4];
  event_t *events;  // Sync: the blocked events, ascending
  uint16_t n_events;
  quad *quads;  // typed quads, ascending and free of duplicates
  state_t n_quads;
  int32_t bound;  // second result line of a RESULT_BOUND_RATIO procedure
  float ratio;
  event_t *outputs;  // Hiconsis: the outputs on states of DES1, ascending
  uint16_t n_outputs;
  bool holds_directory;  // the user directory is held from the request until the entry is logged
};

// How a dialog ended.
enum dialog_outcome {
  DIALOG_DONE,        // output read back: log and pause
  DIALOG_QUIT,        // cancelled: back to the menu at once
  DIALOG_FAILED,      // the procedure failed: its message and the pause, no log entry
  DIALOG_DONE_QUIET,  // done, and the user left the report with Esc: log without the pause
};

// Front-end hooks of one dialog (a row of ui/dialogs.def).
struct dialog_hooks {
  procedure_id id;
  // Optional: after the output was read back, reads and shows what the procedure reports.
  // Returns false when it could not read what it needs.
  bool (*report)(dialog_data *result) = nullptr;
  // A test computed in the front end instead of a request: every name is an input, no file is
  // written, and the test sets the verdict that heads the log entry.
  dialog_outcome (*compute)(dialog_data *data) = nullptr;
  // Optional: after the names and the list, before the request: asks further questions, reads
  // what the request needs, may set data->request to another procedure. Returns 1 when the user
  // cancelled; an allocation failure leaves mem_result set.
  int (*prepare)(const procedure_row &row, dialog_data *data) = nullptr;
  // Optional: shows its own message on the message row for a failure with result `code`.
  // Returns false to leave the message to the common table.
  bool (*failure)(int code) = nullptr;
};

// Texts of a list the user types after the names.
struct list_text {
  const char *instructions;
  const char *continuation;     // printed atop a fresh screen when the fields reach the bottom
  bool header_on_continuation;  // the dialog header precedes the continuation text
};

// Slot of the output name of a row's dialog.
int output_slot(const procedure_row &row);
// Prints the row's title and formula at the cursor.
void dialog_header(const procedure_row &row);
// Clears the screen for more list entries: `header` (by default the dialog header when the text
// asks for it), the continuation text, then `typed`, the entries typed so far as the log lists
// them ("1,3" or "[1,2],[3,4]"), wrapped as the log wraps them; returns the row of the first new
// entry.
int continue_list(const procedure_row &row, const list_text &text, const std::string &typed,
                  void (*header)(const procedure_row &) = nullptr);

// The fields of a pair list: a label before each value, the column of the second, the largest
// value, the rule shown for a refused key (null: the numbers' range), and the header of its
// continuation screens (null: continue_list's default).
struct pair_fields {
  const char *labels[2];
  int second_column;
  long largest;
  const char *rule;
  void (*header)(const procedure_row &);
};
// Pairs from the cursor row, one to a row, each value read with readint(-1, largest); -1 in either
// place ends the list (and drops the pair it began), Esc cancels (returns 1). Duplicates are
// stored once. Past LAST_LIST_ROW the list goes on on a continuation screen.
int read_pairs(const procedure_row &row, const list_text &text, const pair_fields &fields,
               dialog_data *data);
// Loads the inputs of a test computed here into slots 0 and 1. Returns false when either fails.
bool load_inputs(dialog_data *data);
// Adds every event on a transition of the DES to the sorted list.
void collect_events(const state_node *des, state_t size, event_t **list, uint16_t *count);
// Adds the events on transitions of the DES to the sorted list *out (which may hold the events of
// other DES already; the caller frees it), then drops those in `kept`. Allocation failure sets
// mem_result.
void gen_complement_list(const state_node *des, state_t size, const event_t *kept, uint16_t n_kept,
                         event_t **out, uint16_t *n_out);
// Shows the pairs (x, map[x]) with x != map[x], four to a row, paging below row 21. Returns
// false when the user left the list with Esc.
bool printlist1(const state_t *map, state_t n);

// List readers, by list_entry: each returns 1 when the user cancelled.
int read_event_list(const procedure_row &row, const list_text &text, dialog_data *data);
int read_pair_list(const procedure_row &row, const list_text &text, dialog_data *data);
int read_null_or_image(const procedure_row &row, const list_text &text, dialog_data *data);
int read_event_pairs(const procedure_row &row, const list_text &text, dialog_data *data);
int read_vocal_triples(const procedure_row &row, const list_text &text, dialog_data *data);

// Hooks named in ui/dialogs.def.
bool sync_report(dialog_data *result);
dialog_outcome nonconflict_compute(dialog_data *data);
dialog_outcome isomorph_compute(dialog_data *data);
int hiconsis_prepare(const procedure_row &row, dialog_data *data);
bool supreduce_report(dialog_data *result);  // ui/reduce_dialogs.cpp
bool supreduce_failure(int code);

#endif

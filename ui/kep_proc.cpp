// Procedure dialogs and the MAKEIT log. Every dialog is a row of DIALOGS; one runner reads the
// names and the list, makes the compute request (or runs a test here), reads the result back,
// reports, logs and releases.
#include "ui/kep_proc.h"

#include <curses.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/supcon.h"
#include "engine/cl_kep.h"
#include "engine/transform_procedures.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "ui/display.h"

char name1[80], name2[80], name3[80], name4[80];
char long_name1[FULL_NAME_SIZE], long_name2[FULL_NAME_SIZE], long_name3[FULL_NAME_SIZE],
    long_name4[FULL_NAME_SIZE];
int quit = 0;
double start_time = 0, stop_time = 0;

const char *const MAKEIT_TMP = "tmp.$$$";

namespace {

// Longest line of a wrapped log entry.
const int MAKEIT_LINE = 74;
// Lists continue on a fresh screen when an entry would go below this row.
const int LAST_LIST_ROW = 21;
// Sync shows its blocked events on screen up to this many; more are only logged.
const int MAX_SHOWN_BLOCKED = 7;

char *const NAMES[4] = {name1, name2, name3, name4};
char *const LONG_NAMES[4] = {long_name1, long_name2, long_name3, long_name4};

// What a dialog collected: the list the user typed, and what it read back after a successful
// request. Slot i holds the DES of name i+1; a DAT is held like a DES. Everything here is released
// by release_data.
struct dialog_data {
  int output;      // slot of the output name
  event_t *typed;  // typed event list, ascending and free of duplicates
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
};

struct dialog_row;

// A list the user types after the names: instruction lines before the first field, the lines
// printed at the top of a fresh screen when the fields reach the bottom, and the reader that lays
// out the fields. A reader returns 1 when the user cancelled; an allocation failure leaves
// mem_result set and ends the list.
struct list_spec {
  // Optional yes/no question before the list: "n" reads the list, Esc cancels the dialog, any
  // other key leaves the list empty.
  const char *question;
  const char *instructions;
  const char *continuation;
  bool header_on_continuation;  // the dialog header precedes the continuation text
  int (*read)(const dialog_row &row, const list_spec &spec, dialog_data *data);
};

// How a dialog ended.
enum dialog_outcome {
  DIALOG_DONE,          // output read back: log and pause
  DIALOG_QUIT,          // cancelled, or the procedure failed: back to the menu at once
  DIALOG_NO_MEMORY,     // out of memory here or in the compute process
  DIALOG_WRITE_FAILED,  // the compute process could not write the output file
  DIALOG_READ_FAILED,   // an input file is there but is not a readable DES
  DIALOG_DONE_QUIET,    // done, and the user left the report with Esc: log without the pause
};

struct name_field {
  const char *prompt;
  const char *ext;
  int is_output;
};

// One procedure dialog. Names are read in field order into name1, name2, ...; the last field is
// the output, except for a test computed here. With `rename_question`, the user may instead let
// the output replace DES1.
struct dialog_row {
  int code;  // procedure code of the compute request; negative for a test computed here
  const char *title;
  const char *formula;
  const char *log_name;  // "<output> = <log_name>(<inputs>)"
  int n_names;
  name_field names[4];
  const char *rename_question;
  const list_spec *list;  // null: the procedure takes no list
  int (*request)(const dialog_data &data);
  // Optional: after the output was read back, reads and shows what the procedure reports.
  // Returns false when it could not read what it needs.
  bool (*report)(dialog_data *result);
  // Optional: what follows the input names inside the parentheses of the log entry.
  void (*log_args)(FILE *log, const dialog_data &data);
  // Optional: what follows "<output> = <log_name>(<inputs>)" in the log entry.
  void (*log_tail)(FILE *log, const dialog_data &result);
  // Entry goes through "tmp.$$$" and mergeChop because it carries a list of any length.
  bool wrapped;
  // A test computed in the front end instead of a request: every name is an input, no file is
  // written, and the test sets the verdict that heads the log entry.
  dialog_outcome (*compute)(dialog_data *data) = nullptr;
  // The log names the inputs last to first.
  bool inputs_reversed = false;
};

int output_slot(const dialog_row &row) {
  return row.n_names - 1;
}

int input_count(const dialog_row &row) {
  return row.compute != nullptr ? row.n_names : row.n_names - 1;
}

bool is_dat(const name_field &field) {
  return strcmp(field.ext, ".dat") == 0;
}

// "e1,e2,...": events separated by commas, without blanks.
void log_events(FILE *log, const event_t *events, uint16_t count) {
  for (uint16_t i = 0; i < count; ++i) fprintf(log, i == 0 ? "%d" : ",%d", events[i]);
}

// "  (states,transitions)" of the output read back.
void log_result_sizes(FILE *log, const dialog_data &result) {
  const int out = result.output;
  fprintf(log, "  (%ld,%ld)", static_cast<long>(result.size[out]),
          static_cast<long>(count_tran(result.des[out], result.size[out])));
}

void log_sync_tail(FILE *log, const dialog_data &result) {
  log_result_sizes(log, result);
  fputs("  Blocked_events = ", log);
  if (result.n_events == 0) {
    fputs("None  ", log);
    return;
  }
  fputc('[', log);
  log_events(log, result.events, result.n_events);
  fputs("]  ", log);
}

// ",[[a,b],[c,d],...]": the pairs the user typed, as they were stored.
void log_typed_pairs(FILE *log, const dialog_data &data) {
  fputs(",[", log);
  for (state_t i = 0; i < data.n_pairs; ++i)
    fprintf(log, i == 0 ? "[%ld,%ld]" : ",[%ld,%ld]", static_cast<long>(data.pairs[i].data1),
            static_cast<long>(data.pairs[i].data2));
  fputc(']', log);
}

// ",Null[e1,...]" or ",Image[e1,...]": what the user typed after the NULL ? question.
void log_null_or_image(FILE *log, const dialog_data &data) {
  fputs(data.image ? ",Image[" : ",Null[", log);
  log_events(log, data.typed, data.n_typed);
  fputc(']', log);
}

// Isomorph, when true: ";identity", or ";[[x,y],...]" for every state x of DES1 that corresponds
// to another number y in DES2.
void log_correspondence(FILE *log, const dialog_data &data) {
  if (strcmp(data.verdict, "true") != 0) return;
  bool identity = true;
  for (state_t x = 0; data.map != nullptr && x < data.size[0]; ++x) {
    if (data.map[x] == x) continue;
    fprintf(log, identity ? ";[[%ld,%ld]" : ",[%ld,%ld]", static_cast<long>(x),
            static_cast<long>(data.map[x]));
    identity = false;
  }
  fputs(identity ? ";identity" : "]", log);
}

// ",[e1,e2,...]": the list the user typed, as it was stored.
void log_typed_events(FILE *log, const dialog_data &data) {
  fputs(",[", log);
  log_events(log, data.typed, data.n_typed);
  fputc(']', log);
}

void log_condat_tail(FILE *log, const dialog_data &result) {
  bool controllable = compute_controllable(result.des[result.output], result.size[result.output]);
  fputs(controllable ? "  Controllable." : "  Uncontrollable.", log);
}

// Adds every event on a transition of the DES to the sorted list.
void collect_events(const state_node *des, state_t size, event_t **list, uint16_t *count) {
  for (state_t s = 0; s < size && !mem_result; ++s) {
    for (uint16_t j = 0; j < des[s].numelts && !mem_result; ++j) {
      int added = 0;
      addordlist(des[s].next[j].event(), list, *count, &added);
      if (added) ++*count;
    }
  }
}

// The events on transitions of the DES that are not in `kept`, ascending, into *out (which the
// caller frees). Allocation failure sets mem_result.
void gen_complement_list(const state_node *des, state_t size, const event_t *kept, uint16_t n_kept,
                         event_t **out, uint16_t *n_out) {
  collect_events(des, size, out, n_out);
  uint16_t left = 0;
  for (uint16_t i = 0; i < *n_out; ++i)
    if (!inlist((*out)[i], kept, n_kept)) (*out)[left++] = (*out)[i];
  *n_out = left;
}

// Sync: the events of DES1 or DES2 that occur on no transition of DES3.
bool sync_report(dialog_data *result) {
  for (int slot = 0; slot < 2; ++slot) {
    state_t init = 0;
    if (!getdes(NAMES[slot], &result->size[slot], &init, &result->des[slot])) return false;
  }
  event_t *used = nullptr;
  uint16_t n_used = 0;
  for (int slot = 0; slot < 2; ++slot)
    collect_events(result->des[slot], result->size[slot], &result->events, &result->n_events);
  collect_events(result->des[result->output], result->size[result->output], &used, &n_used);
  uint16_t kept = 0;
  for (uint16_t i = 0; i < result->n_events; ++i)
    if (!inlist(result->events[i], used, n_used)) result->events[kept++] = result->events[i];
  result->n_events = kept;
  free(used);
  if (mem_result) return false;
  sync_blockevents_display(name3, result->events, result->n_events);
  return true;
}

void dialog_header(const dialog_row &row);

// Clears the screen for more list entries; returns the row of the first entry.
int continue_list(const dialog_row &row, const list_spec &spec) {
  clear();
  move(0, 0);
  if (spec.header_on_continuation) dialog_header(row);
  addstr(spec.continuation);
  return getcury(stdscr);
}

// Events read with readint(-1, 999) until -1, ten fields of 7 columns to a row from column 5.
int read_event_list(const dialog_row &row, const list_spec &spec, dialog_data *data) {
  const int first_column = 5, field_step = 7, last_start = 74;
  addstr(spec.instructions);
  int y = getcury(stdscr);
  int x = first_column;
  for (;;) {
    move(y, x);
    int key = 0;
    long value = readint(&key, -1, MAX_EVENT);
    if (key == KEY_ESCAPE) return 1;
    if (value == -1) return 0;
    int added = 0;
    addordlist(static_cast<event_t>(value), &data->typed, data->n_typed, &added);
    if (mem_result) return 0;
    if (added) ++data->n_typed;
    x += field_step;
    if (x > last_start) {
      x = first_column;
      ++y;
    }
    if (y > LAST_LIST_ROW) y = continue_list(row, spec);
  }
}

// State pairs, one to a row: the first state at the row's start, the second at column 15, each
// read with readint(-1, 1999999); -1 in either place ends the list.
int read_pair_list(const dialog_row &row, const list_spec &spec, dialog_data *data) {
  const int second_column = 15;
  const long largest_state = 1999999;
  addstr(spec.instructions);
  int y = getcury(stdscr);
  for (;;) {
    if (y > LAST_LIST_ROW) y = continue_list(row, spec);
    long state[2];
    for (int i = 0; i < 2; ++i) {
      move(y, i == 0 ? 0 : second_column);
      int key = 0;
      state[i] = readint(&key, -1, largest_state);
      if (key == KEY_ESCAPE) return 1;
      if (state[i] == -1) return 0;
    }
    int added = 0;
    addstatepair(static_cast<state_t>(state[0]), static_cast<state_t>(state[1]), &data->pairs,
                 data->n_pairs, &added);
    if (mem_result) return 0;
    if (added) ++data->n_pairs;
    ++y;
  }
}

const char IMAGE_INSTRUCTIONS[] =
    "Enter list of event labels to be retained;\nterminate list with -1.\n";

// NULL or IMAGE: the question, then the events to erase or to keep. With IMAGE, DES1 is read to
// find the events to erase. `spec` gives the NULL list's texts.
int read_null_or_image(const dialog_row &row, const list_spec &spec, dialog_data *data) {
  const list_spec image_spec = {nullptr, IMAGE_INSTRUCTIONS, IMAGE_INSTRUCTIONS, false,
                                read_event_list};
  if (getcury(stdscr) > 15) clear();
  addstr(
      "Enter either\n\n  NULL (list of event labels erased by projection)\n\nor\n\n"
      "  IMAGE (event labels retained)\n\nNULL ? (*y/n)  ");
  refresh();
  int key = read_key();
  if (key == KEY_ESCAPE) return 1;
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  addstr("\n\n");
  data->image = key == 'n' || key == 'N';
  if (read_event_list(row, data->image ? image_spec : spec, data) != 0) return 1;
  if (!data->image || mem_result) return 0;
  state_t size = 0, init = 0;
  state_node *des = nullptr;
  if (getdes(name1, &size, &init, &des))
    gen_complement_list(des, size, data->typed, data->n_typed, &data->erased, &data->n_erased);
  freedes(size, &des);
  return 0;
}

// Loads the inputs of a test computed here into slots 0 and 1. Returns false when either fails.
bool load_inputs(dialog_data *data) {
  for (int slot = 0; slot < 2; ++slot) {
    state_t init = 0;
    if (!getdes(NAMES[slot], &data->size[slot], &init, &data->des[slot])) return false;
  }
  return true;
}

// Nonconflict: every state of the meet of DES1 and DES2 can reach a marked state.
dialog_outcome nonconflict_compute(dialog_data *data) {
  if (!load_inputs(data)) return mem_result ? DIALOG_NO_MEMORY : DIALOG_QUIT;
  int nonconflicting = nonconflict_des(data->size[0], data->des[0], data->size[1], data->des[1]);
  if (mem_result) return DIALOG_NO_MEMORY;
  data->verdict = nonconflicting ? "true" : "false";
  move(STATUS_ROW, 0);
  clrtoeol();
  move(data->prompt_y, data->prompt_x);
  printw(nonconflicting ? "\n\n%s and %s are NONCONFLICTING\n" : "\n\n%s and %s are CONFLICTING!\n",
         name1, name2);
  return DIALOG_DONE;
}

// Shows the pairs (x, map[x]) with x != map[x], four to a row, paging below row 21. Returns
// false when the user left the list with Esc.
bool printlist1(const state_t *map, state_t n) {
  const char *format = n <= 100000    ? "  [ %5d, %5d ]  "
                       : n <= 1000000 ? " [ %6d, %6d ] "
                                      : " [%7d,%7d]  ";
  const int first_row = getcury(stdscr);
  for (state_t x = 0; x < n; ++x) {
    if (map[x] == x) continue;
    if (getcury(stdscr) > LAST_LIST_ROW) {
      mvaddstr(STATUS_ROW, 0, "Press <Enter> to page corresponding states or <ESC> to return  ");
      refresh();
      int key = read_key();
      while (key != KEY_RETURN && key != KEY_ESCAPE) key = read_key();
      if (key == KEY_ESCAPE) return false;
      move(first_row, 0);
      clrtobot();
    }
    printw(format, static_cast<int>(x), static_cast<int>(map[x]));
  }
  return true;
}

// Isomorph: DES1 and DES2 are one DES up to the numbering of states. Equal names, or two empty
// DES, need no search: the correspondence is the identity.
dialog_outcome isomorph_compute(dialog_data *data) {
  if (!load_inputs(data)) return mem_result ? DIALOG_NO_MEMORY : DIALOG_QUIT;
  int isomorphic = 1;
  if (strcmp(name1, name2) != 0 && (data->size[0] > 0 || data->size[1] > 0)) {
    data->map = MALLOC_N<state_t>(data->size[0] > 0 ? data->size[0] : 1);
    if (data->map == nullptr) return DIALOG_NO_MEMORY;
    for (state_t x = 0; x < data->size[0]; ++x) data->map[x] = -1;
    iso1(data->size[0], data->size[1], data->des[0], data->des[1], &isomorphic, data->map);
    if (mem_result) return DIALOG_NO_MEMORY;
  }
  data->verdict = isomorphic ? "true" : "false";
  move(MESSAGE_ROW, 0);
  clrtoeol();
  move(STATUS_ROW, 0);
  clrtoeol();
  move(data->prompt_y, data->prompt_x);
  if (!isomorphic) {
    printw("%s and %s are not isomorphic\n", name1, name2);
    return DIALOG_DONE;
  }
  printw("%s and %s are isomorphic, under state correspondence\n\n", name1, name2);
  bool moved = false;
  for (state_t x = 0; data->map != nullptr && x < data->size[0]; ++x) moved |= data->map[x] != x;
  if (!moved) {
    addstr("   IDENTITY\n");
    return DIALOG_DONE;
  }
  return printlist1(data->map, data->size[0]) ? DIALOG_DONE : DIALOG_DONE_QUIET;
}

const char PROMPT_DES1[] = "Enter name of DES1 ....  ";
const char PROMPT_DES2[] = "Enter name of DES2 ....  ";
const char PROMPT_DES3[] = "Enter name of DES3 ....  ";
const char RENAME_QUESTION[] = "Assign new name to %s?   (*y/n)   ";

const list_spec SELFLOOP_EVENTS = {
    nullptr, "Enter list of events to be adjoined.  Terminate list with -1.\n",
    "Continue to enter list of events to be adjoined.  \nTerminate list with -1.\n", false,
    read_event_list};
const list_spec MUTEX_PAIRS = {
    nullptr,
    "Enter list of excluded state pairs.\nPress <Enter> after each element and quit with -1:\n",
    "Continue to enter list of excluded state pairs.\n", true, read_pair_list};
const list_spec NULL_EVENTS = {
    nullptr, "Enter list of event labels to be nulled by projection;\nterminate list with -1.\n",
    "Continue to enter list of event labels to be nulled by projection;\n", false,
    read_null_or_image};
const list_spec COMPLEMENT_EVENTS = {
    "Compute complement using event labels of DES1 only? (*y/n)  ",
    "Enter auxiliary LIST of event labels not in DES1;\ntype -1 to quit:\n",
    "Continue to enter auxilary LIST of event labels not in DES1;\n", true, read_event_list};

// clang-format off
const dialog_row DIALOGS[] = {
    {1, "SELFLOOP", "DES2 = SELFLOOP (DES1, EVENT_LIST)", "Selfloop", 2,
     {{"Enter name of DES1 to be augmented ....  ", ".des", 0},
      {"Enter new name for DES2 ...............  ", ".des", 1}},
     RENAME_QUESTION, &SELFLOOP_EVENTS,
     [](const dialog_data &d) { return selfloop_runProgram(name2, name1, d.n_typed, d.typed); },
     nullptr, log_typed_events, log_result_sizes, true},
    {2, "TRIM", "DES2 = TRIM (DES1)", "Trim", 2,
     {{"Enter name of DES1 to be trimmed ....  ", ".des", 0},
      {"Enter new name for DES2 ....  ", ".des", 1}},
     RENAME_QUESTION, nullptr,
     [](const dialog_data &) { return trim_runProgram(name2, name1); },
     nullptr, nullptr, log_result_sizes, false},
    {3, "SYNC", "DES3 = SYNC (DES1, DES2)", "Sync", 3,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 0}, {PROMPT_DES3, ".des", 1}},
     nullptr, nullptr,
     [](const dialog_data &) { return sync_runProgram(name3, name1, name2); },
     sync_report, nullptr, log_sync_tail, true},
    {4, "MEET", "DES3 = MEET (DES1, DES2)", "Meet", 3,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 0}, {PROMPT_DES3, ".des", 1}},
     nullptr, nullptr,
     [](const dialog_data &) { return meet_runProgram(name3, name1, name2); },
     nullptr, nullptr, log_result_sizes, false},
    {5, "SUPCON", "DES3 = SUPCON (DES1, DES2)", "Supcon", 3,
     {{"Enter name of plant generator DES1 .............  ", ".des", 0},
      {"Enter name of legal language generator DES2 ....  ", ".des", 0},
      {"Enter name of supremal\n  controllable sublanguage generator DES3 ......  ", ".des", 1}},
     nullptr, nullptr,
     [](const dialog_data &) { return supcon_runProgram(name3, name1, name2); },
     nullptr, nullptr, log_result_sizes, false},
    {6, "MUTEX", "DES3 = MUTEX (DES1, DES2, EXCLUSED_STATE_PAIR_LIST)", "Mutex", 3,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 0}, {PROMPT_DES3, ".des", 1}},
     nullptr, &MUTEX_PAIRS,
     [](const dialog_data &d) { return mutex_runProgram(name3, name1, name2, d.pairs, d.n_pairs); },
     nullptr, log_typed_pairs, log_result_sizes, true},
    {7, "CONDAT", "DES3 = CONDAT (DES1, DES2)", "Condat", 3,
     {{"Enter name of plant generator DES1 ......  ", ".des", 0},
      {"Enter name of supervisor DES2 ...........  ", ".des", 0},
      {"Enter name of control data file DES3 ....  ", ".dat", 1}},
     nullptr, nullptr,
     [](const dialog_data &) { return condat_runProgram(name3, name1, name2); },
     nullptr, nullptr, log_condat_tail, false},
    {9, "MINSTATE", "DES2 = MINSTATE (DES1)", "Minstate", 2,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 1}},
     "Assign new name to %s? (*y/n)   ", nullptr,
     [](const dialog_data &) { return minstate_runProgram(name2, name1); },
     nullptr, nullptr, log_result_sizes, false},
    {10, "COMPLEMENT", "DES2 = COMPLEMENT (DES1, LIST)", "Complement", 2,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 1}},
     nullptr, &COMPLEMENT_EVENTS,
     [](const dialog_data &d) { return complement_runProgram(name2, name1, d.typed, d.n_typed); },
     nullptr, log_typed_events, log_result_sizes, true},
    {17, "ALLEVENTS", "DES2 = ALLEVENTS (DES1)", "Allevents", 2,
     {{"Enter name of DES1 to be searched .....  ", ".des", 0},
      {"Enter name of DES2 ....................  ", ".des", 1}},
     nullptr, nullptr,
     [](const dialog_data &) { return allevent_runProgram(name2, name1); },
     nullptr, nullptr, log_result_sizes, false},
    {19, "REACH & BREADTH-FIRST SEARCH RECODE", "DES2 = RECODE (DES1)", "Recode", 2,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 1}},
     nullptr, nullptr,
     [](const dialog_data &) { return bfs_recode_runProgram(name2, name1); },
     nullptr, nullptr, log_result_sizes, false},
    {11, "PROJECT", "DES2 = PROJECT (DES1, NULL [or IMAGE])", "Project", 2,
     {{"Enter name of DES1 to project .........  ", ".des", 0},
      {"Enter name of DES2 to project onto ....  ", ".des", 1}},
     nullptr, &NULL_EVENTS,
     [](const dialog_data &d) {
       return d.image ? project_runProgram(name2, name1, d.erased, d.n_erased)
                      : project_runProgram(name2, name1, d.typed, d.n_typed);
     },
     nullptr, log_null_or_image, log_result_sizes, true},
    {-1, "NONCONFLICT", "NONCONFLICT (DES1, DES2)", "Nonconflict", 2,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 0}},
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false, nonconflict_compute},
    {-2, "ISOMORPH", "ISOMORPH (DES1, DES2)", "Isomorph", 2,
     {{PROMPT_DES1, ".des", 0}, {PROMPT_DES2, ".des", 0}},
     nullptr, nullptr, nullptr, nullptr, log_correspondence, nullptr, true, isomorph_compute, true},
};
// clang-format on

const dialog_row *dialog_for(int code) {
  for (const dialog_row &row : DIALOGS)
    if (row.code == code) return &row;
  return nullptr;
}

void dialog_header(const dialog_row &row) {
  printw("%s\n\n%s\n\n", row.title, row.formula);
}

// "Assign new name to DES1?": n keeps the DES1 name for the output. Returns 1 on Esc.
int ask_rename(const dialog_row &row, bool *keep_name) {
  printw(row.rename_question, name1);
  refresh();
  int key = read_key();
  if (key == KEY_ESCAPE) return 1;
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  addstr("\n\n");
  *keep_name = key == 'n' || key == 'N';
  return 0;
}

// Reads every name of the row. Returns 1 when the user cancelled.
int read_names(const dialog_row &row) {
  for (int i = 0; i < row.n_names; ++i) {
    const name_field &field = row.names[i];
    bool keep_name = false;
    if (i == output_slot(row) && row.rename_question != nullptr && ask_rename(row, &keep_name) != 0)
      return 1;
    if (keep_name) {
      snprintf(NAMES[i], sizeof name1, "%s", name1);
    } else if (getname(field.prompt, field.ext, NAMES[i], field.is_output) != 0) {
      return 1;
    }
    make_filename_ext(LONG_NAMES[i], NAMES[i], field.ext);
  }
  return 0;
}

// The row's list, after its question if it has one. Returns 1 when the user cancelled.
int read_list(const dialog_row &row, const list_spec &spec, dialog_data *data) {
  if (spec.question != nullptr) {
    addstr(spec.question);
    refresh();
    int key = read_key();
    if (key == KEY_ESCAPE) return 1;
    if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
    addstr("\n\n");
    if (key != 'n' && key != 'N') return 0;
  }
  return spec.read(row, spec, data);
}

void show_processing() {
  move(MESSAGE_ROW, 0);
  clrtoeol();
  move(STATUS_ROW, 0);
  clrtoeol();
  addstr("Processing:  Please wait...");
  refresh();
}

// The read operation of every dialog: names, request, output read back, report.
dialog_outcome dialog_read(const dialog_row &row, dialog_data *result) {
  clear();
  move(0, 0);
  dialog_header(row);
  if (read_names(row) != 0) return DIALOG_QUIT;
  if (row.list != nullptr && read_list(row, *row.list, result) != 0) return DIALOG_QUIT;
  if (mem_result) return DIALOG_NO_MEMORY;
  result->prompt_y = getcury(stdscr);
  result->prompt_x = getcurx(stdscr);
  show_processing();
  mark_start_time();
  if (row.compute != nullptr) {
    dialog_outcome outcome = row.compute(result);
    mark_stop_time();
    return mem_result ? DIALOG_NO_MEMORY : outcome;
  }
  int code = row.request(*result);
  mark_stop_time();
  if (debug_mode) clearok(curscr, TRUE);
  if (code == MURN_OUT_OF_MEMORY) return DIALOG_NO_MEMORY;
  if (code == MURN_OUTPUT_NOT_WRITTEN) return DIALOG_WRITE_FAILED;
  if (code == MURN_INPUT_NOT_READ) return DIALOG_READ_FAILED;
  int out = output_slot(row);
  if (code != MURN_OK || !exist(LONG_NAMES[out])) return DIALOG_QUIT;
  state_t init = is_dat(row.names[out]) ? -1 : 0;
  bool loaded = getdes(NAMES[out], &result->size[out], &init, &result->des[out]) &&
                (row.report == nullptr || row.report(result));
  if (mem_result) return DIALOG_NO_MEMORY;
  return loaded ? DIALOG_DONE : DIALOG_QUIT;
}

// Appends the row's entry to the MAKEIT log, wrapped through "tmp.$$$" when the row says so.
void dialog_makeit(const dialog_row &row, const dialog_data &result) {
  const char *output = result.verdict != nullptr ? result.verdict : NAMES[output_slot(row)];
  FILE *log = row.wrapped ? fopen(MAKEIT_TMP, "w") : fopen(get_makeit(), "a");
  if (log == nullptr) return;
  fprintf(log, "%s = %s(", output, row.log_name);
  for (int i = 0; i < input_count(row); ++i) {
    int slot = row.inputs_reversed ? input_count(row) - 1 - i : i;
    fprintf(log, i == 0 ? "%s" : ",%s", NAMES[slot]);
  }
  if (row.log_args != nullptr) row.log_args(log, result);
  fputc(')', log);
  if (row.log_tail != nullptr) row.log_tail(log, result);
  int indent = static_cast<int>(strlen(output)) + 3;
  appendTime(log, indent);
  fputs("\n\n", log);
  fclose(log);
  if (row.wrapped) mergeChop(indent);
}

void show_write_failure(const dialog_row &row) {
  const name_field &field = row.names[output_slot(row)];
  move(MESSAGE_ROW, 0);
  clrtoeol();
  printw("Error writing file: %s%s%s", prefix, NAMES[output_slot(row)], field.ext);
}

// Names the first input that does not load as a DES (the compute process answered that one of
// them exists but cannot be read).
void show_read_failure(const dialog_row &row) {
  for (int slot = 0; slot < input_count(row); ++slot) {
    state_t size = 0, init = is_dat(row.names[slot]) ? -1 : 0;
    state_node *des = nullptr;
    bool readable = getdes(NAMES[slot], &size, &init, &des);
    freedes(size, &des);
    if (readable) continue;
    move(MESSAGE_ROW, 0);
    clrtoeol();
    printw("Error reading file: %s%s%s", prefix, NAMES[slot], row.names[slot].ext);
    return;
  }
}

void release_data(dialog_data *result) {
  for (int slot = 0; slot < 4; ++slot) freedes(result->size[slot], &result->des[slot]);
  free(result->events);
  free(result->typed);
  free(result->pairs);
  free(result->erased);
  free(result->map);
  *result = dialog_data{};
}

// The menu operation of every dialog.
void run_dialog(int code) {
  const dialog_row *found = dialog_for(code);
  if (found == nullptr) return;
  const dialog_row &row = *found;
  quit = 0;
  mem_result = 0;
  dialog_data result{};
  result.output = output_slot(row);
  dialog_outcome outcome = dialog_read(row, &result);
  quit = outcome != DIALOG_DONE;
  if (outcome == DIALOG_NO_MEMORY) {
    mem_result = 0;
    OutOfMemoryMsg();
    user_pause();
  } else if (outcome == DIALOG_WRITE_FAILED) {
    show_write_failure(row);
    user_pause();
  } else if (outcome == DIALOG_READ_FAILED) {
    show_read_failure(row);
    user_pause();
  } else if (outcome == DIALOG_DONE) {
    dialog_makeit(row, result);
    user_pause();
  } else if (outcome == DIALOG_DONE_QUIET) {
    dialog_makeit(row, result);
    move(STATUS_ROW, 0);
    clrtoeol();
  }
  echo_free();
  release_data(&result);
}

}  // namespace

// The dialogs by procedure code.
void selfloop_p() {
  run_dialog(1);
}
void trim_p() {
  run_dialog(2);
}
void sync_p() {
  run_dialog(3);
}
void meet_p() {
  run_dialog(4);
}
void mutex_p() {
  run_dialog(6);
}
void minstate_p() {
  run_dialog(9);
}
void complement_p() {
  run_dialog(10);
}
void project_p() {
  run_dialog(11);
}
void isomorph_p() {
  run_dialog(-2);
}
void nonconflict_p() {
  run_dialog(-1);
}
void allevents_p() {
  run_dialog(17);
}
void bfs_recode_p() {
  run_dialog(19);
}
void supcon_p() {
  run_dialog(5);
}
void condat_p() {
  run_dialog(7);
}

const char *get_makeit() {
  static char makeit[FULL_NAME_SIZE];
  snprintf(makeit, sizeof makeit, "%smakeit.txt", prefix);
  return makeit;
}

void mergeChop(int indent) {
  if (indent > MAKEIT_LINE - 1) indent = MAKEIT_LINE - 1;  // each line keeps room for one character
  FILE *entry = fopen(MAKEIT_TMP, "r");
  FILE *log = fopen(get_makeit(), "a");
  if (entry != nullptr && log != nullptr) {
    int column = 0;
    for (int c = fgetc(entry); c != EOF && c != 0; c = fgetc(entry)) {
      if (c == '\n') {
        column = 0;
      } else if (column == MAKEIT_LINE) {
        fprintf(log, "\n%*s", indent, "");
        column = indent;
      }
      fputc(c, log);
      if (c != '\n') ++column;
    }
  }
  if (entry != nullptr) fclose(entry);
  if (log != nullptr) fclose(log);
  remove(MAKEIT_TMP);
}

void appendTime(FILE *file, int indent) {
  if (!timing_mode) return;
  fprintf(file, "\n%*sComputing time = %s", indent, "", cdifftime(start_time, stop_time));
}

const char *cdifftime(double start, double stop) {
  static char text[48];
  long seconds = static_cast<long>(stop - start);
  if (seconds < 0) seconds = 0;
  long days = seconds / 86400;
  int hours = static_cast<int>(seconds / 3600 % 24);
  int minutes = static_cast<int>(seconds / 60 % 60);
  int secs = static_cast<int>(seconds % 60);
  if (days > 0)
    snprintf(text, sizeof text, "%ld (days) %02d:%02d:%02d", days, hours, minutes, secs);
  else
    snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, secs);
  return text;
}

namespace {
double monotonic_seconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
}  // namespace

void mark_start_time() {
  start_time = monotonic_seconds();
}
void mark_stop_time() {
  stop_time = monotonic_seconds();
}

void sync_blockevents_display(const char *name, const event_t *events, uint16_t count) {
  move(20, 0);
  clrtoeol();
  move(21, 0);
  clrtoeol();
  printw("Events blocked in %s: ", name);
  if (count == 0) {
    addstr("None.\n");
  } else if (count > MAX_SHOWN_BLOCKED) {
    addstr("See MAKEIT.TXT file.\n");
  } else {
    addch('[');
    for (uint16_t i = 0; i < count; ++i) printw(i == 0 ? "%3d" : ",%3d", events[i]);
    addch(']');
  }
  refresh();
}

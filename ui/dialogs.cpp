// Procedure dialogs. Every dialog is a procedure row of the catalogue (engine/procedures.def) plus
// a row of front-end hooks (ui/dialogs.def); one runner reads the names and the list, makes the
// compute request (or runs a test here), reads the result back, reports, logs and releases.
#include "ui/dialogs.h"

#include <curses.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "engine/alphabet_notes.h"
#include "engine/makeit.h"
#include "engine/protocol.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "ui/dialog.h"
#include "ui/display.h"

char name1[80], name2[80], name3[80], name4[80];
char long_name1[FULL_NAME_SIZE], long_name2[FULL_NAME_SIZE], long_name3[FULL_NAME_SIZE],
    long_name4[FULL_NAME_SIZE];
int quit = 0;
double start_time = 0, stop_time = 0;

char *const NAMES[4] = {name1, name2, name3, name4};
char *const LONG_NAMES[4] = {long_name1, long_name2, long_name3, long_name4};

namespace {

// Sync shows its blocked events on screen up to this many; more are only logged.
const int MAX_SHOWN_BLOCKED = 7;

}  // namespace

int output_slot(const procedure_row &row) {
  return name_count(row) - 1;
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
  *n_out = event_difference(*out, *n_out, kept, n_kept, *out);
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
  result->n_events =
      event_difference(result->events, result->n_events, used, n_used, result->events);
  free(used);
  if (mem_result) return false;
  sync_blockevents_display(name3, result->events, result->n_events);
  return true;
}

namespace {

// Rows a continuation screen gives at most to the entries typed before it.
const int MAX_TYPED_ROWS = 8;
const char TYPED_LEAD[] = "Typed so far: [";

// `list` after TYPED_LEAD, wrapped as the log wraps an entry; the latest MAX_TYPED_ROWS rows kept
// (a cut first row starts with "...").
std::vector<std::string> typed_rows(const std::string &list) {
  const int indent = static_cast<int>(sizeof TYPED_LEAD) - 1;
  std::string text = makeit_wrap(TYPED_LEAD + list + "]", indent);
  std::vector<std::string> rows;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    rows.push_back(text.substr(start, end - start));
  }
  if (rows.size() > static_cast<size_t>(MAX_TYPED_ROWS)) {
    rows.erase(rows.begin(), rows.end() - MAX_TYPED_ROWS);
    rows.front().replace(0, 3, "...");
  }
  return rows;
}

}  // namespace

int continue_list(const procedure_row &row, const list_text &text, const std::string &typed,
                  void (*header)(const procedure_row &)) {
  clear();
  move(0, 0);
  if (header != nullptr) {
    header(row);
  } else if (text.header_on_continuation) {
    dialog_header(row);
  }
  addstr(text.continuation);
  if (!typed.empty()) {
    for (const std::string &line : typed_rows(typed)) printw("%s\n", line.c_str());
    addch('\n');
  }
  return getcury(stdscr);
}

// Events read with readint(-1, 999) until -1, ten fields of 7 columns to a row from column 5.
int read_event_list(const procedure_row &row, const list_text &text, dialog_data *data) {
  const int first_column = 5, field_step = 7, last_start = 74;
  addstr(text.instructions);
  int y = getcury(stdscr);
  int x = first_column;
  for (;;) {
    if (y > LAST_LIST_ROW) {
      std::string list;
      for (uint16_t i = 0; i < data->n_typed; ++i)
        list += (i == 0 ? "" : ",") + std::to_string(data->typed[i]);
      y = continue_list(row, text, list);
      x = first_column;
    }
    move(y, x);
    int key = 0;
    long value = readint(&key, -1, MAX_EVENT, EVENT_RULE);
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
  }
}

namespace {

// The typed pairs as the log lists them: "[1,2],[3,4]".
std::string typed_pairs(const dialog_data &data) {
  std::string list;
  for (state_t i = 0; i < data.n_pairs; ++i)
    list += (i == 0 ? "[" : ",[") + std::to_string(data.pairs[i].data1) + "," +
            std::to_string(data.pairs[i].data2) + "]";
  return list;
}

}  // namespace

int read_pairs(const procedure_row &row, const list_text &text, const pair_fields &fields,
               dialog_data *data) {
  int y = getcury(stdscr);
  for (;;) {
    if (y > LAST_LIST_ROW) y = continue_list(row, text, typed_pairs(*data), fields.header);
    long value[2];
    for (int i = 0; i < 2; ++i) {
      mvaddstr(y, i == 0 ? 0 : fields.second_column, fields.labels[i]);
      int key = 0;
      value[i] = readint(&key, -1, fields.largest, fields.rule);
      if (key == KEY_ESCAPE) return 1;
      if (value[i] == -1) return 0;
    }
    int added = 0;
    addstatepair(static_cast<state_t>(value[0]), static_cast<state_t>(value[1]), &data->pairs,
                 data->n_pairs, &added);
    if (mem_result) return 0;
    if (added) ++data->n_pairs;
    ++y;
  }
}

// State pairs, one to a row: the first state at the row's start, the second at column 15, each
// read with readint(-1, 1999999).
int read_pair_list(const procedure_row &row, const list_text &text, dialog_data *data) {
  addstr(text.instructions);
  return read_pairs(row, text, {{"", ""}, 15, 1999999, nullptr, nullptr}, data);
}

const char IMAGE_INSTRUCTIONS[] =
    "Enter list of event labels to be retained;\nterminate list with -1.\n";

// NULL or IMAGE: the question, then the events to erase or to keep. With IMAGE, the inputs are
// read to find the events to erase: those of any input that are not kept. `text` gives the NULL
// list's texts.
int read_null_or_image(const procedure_row &row, const list_text &text, dialog_data *data) {
  const list_text image_text = {IMAGE_INSTRUCTIONS, IMAGE_INSTRUCTIONS, false};
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
  if (read_event_list(row, data->image ? image_text : text, data) != 0) return 1;
  if (!data->image || mem_result) return 0;
  for (int slot = 0; slot < row.inputs && !mem_result; ++slot) {
    state_t size = 0, init = 0;
    state_node *des = nullptr;
    if (getdes(NAMES[slot], &size, &init, &des))
      gen_complement_list(des, size, data->typed, data->n_typed, &data->erased, &data->n_erased);
    freedes(size, &des);
  }
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
  if (!load_inputs(data)) return DIALOG_FAILED;
  int nonconflicting = nonconflict_des(data->size[0], data->des[0], data->size[1], data->des[1]);
  if (mem_result) return DIALOG_FAILED;
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
  if (!load_inputs(data)) return DIALOG_FAILED;
  int isomorphic = 1;
  if (strcmp(name1, name2) != 0 && (data->size[0] > 0 || data->size[1] > 0)) {
    data->map = MALLOC_N<state_t>(data->size[0] > 0 ? data->size[0] : 1);
    if (data->map == nullptr) {
      mem_result = 1;
      return DIALOG_FAILED;
    }
    for (state_t x = 0; x < data->size[0]; ++x) data->map[x] = -1;
    iso1(data->size[0], data->size[1], data->des[0], data->des[1], &isomorphic, data->map);
    if (mem_result) return DIALOG_FAILED;
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

namespace {

// Readers by list_entry. A reader returns 1 when the user cancelled; an allocation failure leaves
// mem_result set and ends the list.
int (*const LIST_READERS[])(const procedure_row &, const list_text &, dialog_data *) = {
    nullptr,          read_event_list,   read_pair_list, read_null_or_image,
    read_event_pairs, read_vocal_triples};
static_assert(sizeof LIST_READERS / sizeof LIST_READERS[0] == ENTRY_VOCAL_TRIPLES + 1);

constexpr dialog_hooks DIALOG_HOOKS[] = {
#define DIALOG(menu_operation, ID, ...) dialog_hooks{.id = PROC_##ID __VA_OPT__(, ) __VA_ARGS__},
#include "ui/dialogs.def"
};

const dialog_hooks *hooks_for(procedure_id id) {
  for (const dialog_hooks &hooks : DIALOG_HOOKS)
    if (hooks.id == id) return &hooks;
  return nullptr;
}

}  // namespace

void dialog_header(const procedure_row &row) {
  printw("%s\n\n%s\n\n", row.title, row.formula);
}

namespace {

// "Assign new name to DES1?": n keeps the DES1 name for the output. Returns 1 on Esc.
int ask_rename(const procedure_row &row, bool *keep_name) {
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
int read_names(const procedure_row &row) {
  for (int i = 0; i < name_count(row); ++i) {
    const name_field &field = row.names[i];
    int is_output = row.code != 0 && i == output_slot(row);
    bool keep_name = false;
    if (i == output_slot(row) && row.rename_question != nullptr && ask_rename(row, &keep_name) != 0)
      return 1;
    if (keep_name) {
      snprintf(NAMES[i], sizeof name1, "%s", name1);
    } else if (getname(field.prompt, field.ext, NAMES[i], is_output) != 0) {
      return 1;
    }
    make_filename_ext(LONG_NAMES[i], NAMES[i], field.ext);
  }
  return 0;
}

// The row's list, after its question if it has one. Returns 1 when the user cancelled.
int read_list(const procedure_row &row, dialog_data *data) {
  if (row.list_question != nullptr) {
    addstr(row.list_question);
    refresh();
    int key = read_key();
    if (key == KEY_ESCAPE) return 1;
    if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
    addstr("\n\n");
    if (key != 'n' && key != 'N') return 0;
  }
  const list_text text = {row.list_instructions, row.list_continuation, row.header_on_continuation};
  return LIST_READERS[row.entry](row, text, data);
}

void show_processing() {
  move(MESSAGE_ROW, 0);
  clrtoeol();
  move(STATUS_ROW, 0);
  clrtoeol();
  addstr("Processing:  Please wait...");
  refresh();
}

// The list the request carries and its length: the events to erase (IMAGE: those outside the
// typed list), the typed events, or the typed pairs.
const void *request_list(const procedure_row &row, const dialog_data &data, int *count) {
  switch (row.list) {
    case LIST_EVENTS:
      *count = data.image ? data.n_erased : data.n_typed;
      return data.image ? data.erased : data.typed;
    case LIST_STATE_PAIRS:
      *count = static_cast<int>(data.n_pairs);
      return data.pairs;
    case LIST_QUADS:
      *count = static_cast<int>(data.n_quads);
      return data.quads;
    case LIST_NONE:
      break;
  }
  *count = 0;
  return nullptr;
}

// The read operation of every dialog: names, request, output read back, report. Returns the
// outcome; *code is the result code that made a dialog fail (MURN_OUT_OF_MEMORY for an allocation
// failure here).
dialog_outcome dialog_read(const procedure_row &row, const dialog_hooks &hooks, dialog_data *result,
                           int *code) {
  clear();
  move(0, 0);
  dialog_header(row);
  if (read_names(row) != 0) return DIALOG_QUIT;
  if (row.entry != ENTRY_NONE && read_list(row, result) != 0) return DIALOG_QUIT;
  if (hooks.prepare != nullptr && !mem_result && hooks.prepare(row, result) != 0)
    return DIALOG_QUIT;
  *code = MURN_OUT_OF_MEMORY;
  if (mem_result) return DIALOG_FAILED;
  result->prompt_y = getcury(stdscr);
  result->prompt_x = getcurx(stdscr);
  show_processing();
  mark_start_time();
  if (hooks.compute != nullptr) {
    dialog_outcome outcome = hooks.compute(result);
    mark_stop_time();
    *code = mem_result ? MURN_OUT_OF_MEMORY : MURN_INPUT_NOT_READ;
    return mem_result ? DIALOG_FAILED : outcome;
  }
  const char *names[MAX_REQUEST_NAMES];
  for (int i = 0; i < name_count(row); ++i) names[i] = NAMES[i];
  int count = 0;
  const void *list = request_list(row, *result, &count);
  // Held until the entry is logged, so another sarv on the directory cannot replace the output
  // before it is read back.
  if (int held = hold_user_directory(); held != 0) {
    *code = held;
    return compute_cancelled ? DIALOG_QUIT : DIALOG_FAILED;
  }
  result->holds_directory = true;
  *code = run_request(result->request, names, list, count, &result->bound, &result->ratio);
  mark_stop_time();
  if (debug_mode) clearok(curscr, TRUE);
  if (*code != MURN_OK && compute_cancelled) return DIALOG_QUIT;  // the user said so
  if (*code != MURN_OK) return DIALOG_FAILED;
  int out = output_slot(row);
  *code = MURN_OUTPUT_NOT_WRITTEN;
  if (!exist(LONG_NAMES[out])) return DIALOG_FAILED;
  state_t init = row.output == OUTPUT_DAT ? -1 : 0;
  *code = MURN_INPUT_NOT_READ;
  bool loaded = getdes(NAMES[out], &result->size[out], &init, &result->des[out]) &&
                (hooks.report == nullptr || hooks.report(result));
  if (mem_result) *code = MURN_OUT_OF_MEMORY;
  return loaded && !mem_result ? DIALOG_DONE : DIALOG_FAILED;
}

// Appends the row's entry to the MAKEIT log and leaves its text in *entry. Returns false when the
// log could not be written.
bool dialog_makeit(const procedure_row &row, const dialog_data &result, std::string *entry) {
  makeit_facts facts;
  facts.output = result.verdict != nullptr ? result.verdict : NAMES[output_slot(row)];
  for (int i = 0; i < row.inputs; ++i) facts.inputs[i] = NAMES[i];
  facts.typed = result.typed;
  facts.n_typed = result.n_typed;
  facts.pairs = result.pairs;
  facts.n_pairs = result.n_pairs;
  facts.image = result.image;
  if (result.verdict == nullptr) {
    facts.des = result.des[result.output];
    facts.size = result.size[result.output];
  }
  facts.blocked = result.events;
  facts.n_blocked = result.n_events;
  facts.map = result.map;
  facts.map_size = result.size[0];
  facts.quads = result.quads;
  facts.n_quads = result.n_quads;
  facts.old_outputs = result.outputs;
  facts.n_old_outputs = result.n_outputs;
  facts.bound = result.bound;
  *entry = makeit_entry(row, facts, timing_mode != 0, stop_time - start_time);
  return makeit_append(get_makeit(), *entry) == 0;
}

// Shows the entry just logged in the free rows from `first` down to `last`, or from the top of a
// screen cleared down to `last` when fewer than three rows are free and the entry needs more (an
// entry longer than its rows ends with a line that points to the log), and says plainly on row 22
// when the output has no states.
void show_logged_entry(const procedure_row &row, const dialog_data &result,
                       const std::string &entry, int first, int last) {
  if (result.verdict == nullptr && result.size[result.output] == 0) {
    move(MESSAGE_ROW, 0);
    clrtoeol();
    printw("%s has no states: the result is empty.", NAMES[output_slot(row)]);
  }
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < entry.size(); start = end + 1) {
    end = entry.find('\n', start);
    if (end == std::string::npos) end = entry.size();
    if (end > start) lines.push_back(entry.substr(start, end - start));
  }
  const int least_rows = 3;  // the heading, a first line, and "..." when more follows
  int free_rows = last - first + 1;
  if (free_rows < least_rows && free_rows < static_cast<int>(lines.size()) + 1) {
    // No room below the prompts: a fresh screen above the rows the dialog reported on.
    for (int r = 0; r <= last; ++r) {
      move(r, 0);
      clrtoeol();
    }
    first = 0;
  }
  int rows = last - first + 1;
  if (static_cast<int>(lines.size()) > rows - 1) {
    lines.resize(static_cast<size_t>(rows - 2));
    lines.push_back("...  (the whole entry is in makeit.txt)");
  }
  mvaddstr(first, 0, "Logged in makeit.txt:");
  for (size_t i = 0; i < lines.size(); ++i) {
    move(first + 1 + static_cast<int>(i), 0);
    clrtoeol();
    addnstr(lines[i].c_str(), MIN_SCREEN_COLS - 1);
  }
}

// The alphabet notes of a completed request, word-wrapped to the screen width.
std::vector<std::string> note_lines(const procedure_row &row, const dialog_data &result) {
  std::vector<std::string> lines;
  if (row.note == NOTE_NONE) return lines;
  int count = 0;
  const void *list = request_list(row, result, &count);
  const event_t *events = row.list == LIST_EVENTS ? static_cast<const event_t *>(list) : nullptr;
  for (const std::string &note : alphabet_notes(row, NAMES, events, events ? count : 0)) {
    std::string line;
    for (size_t start = 0, end; start < note.size(); start = end + 1) {
      end = note.find(' ', start);
      if (end == std::string::npos) end = note.size();
      std::string word = note.substr(start, end - start);
      if (!line.empty() && line.size() + 1 + word.size() >= MIN_SCREEN_COLS)
        lines.push_back(line), line.clear();
      line += (line.empty() ? "" : " ") + word;
    }
    lines.push_back(line);
  }
  return lines;
}

void show_message_line(const std::string &text) {
  move(MESSAGE_ROW, 0);
  clrtoeol();
  addnstr(text.c_str(), MIN_SCREEN_COLS - 1);
}

// The name slot of the first input that does not load as a DES, or of the first nondeterministic
// one; -1 when there is none.
int find_input(const procedure_row &row, bool nondeterministic) {
  for (int slot = 0; slot < row.inputs; ++slot) {
    state_t size = 0, kind = strcmp(row.names[slot].ext, ".dat") == 0 ? -1 : 0, init = kind;
    state_node *des = nullptr;
    bool readable = getdes(NAMES[slot], &size, &init, &des) && (init == -1) == (kind == -1);
    bool found = nondeterministic ? readable && !checkdet(size, des) : !readable;
    freedes(size, &des);
    if (found) return slot;
  }
  return -1;
}

// The vocal-output boxes: rows `first` to `last` cleared, the two lines between two rules.
void error_box(int first, int last, int rule, const char *line1, const char *line2) {
  for (int r = first; r <= last; ++r) {
    move(r, 0);
    clrtoeol();
  }
  move(10, 0);
  std::string underscores(static_cast<size_t>(rule), '_');
  printw("%s\n\n%s\n\n%s\n%s", underscores.c_str(), line1, line2, underscores.c_str());
}

// Shows what a failed dialog failed with: a box for the vocal-output codes, otherwise one line
// on row 22 naming the file concerned.
void show_failure(const procedure_row &row, int code) {
  if (code == MURN_VOCAL_STATE0) {
    error_box(10, 15, 77, "        Sorry! Initial state 0 of DES1 must be silent (output 0).",
              "        Computation cancelled.");
    return;
  }
  if (code == MURN_VOCAL_OVERFLOW) {
    error_box(9, 20, 75, "               Sorry! Vocal output overflow.",
              "               Computation cancelled.");
    return;
  }
  const char *text = result_text(code);
  int slot = output_slot(row);
  if (code == MURN_INPUT_NOT_READ || code == MURN_NONDETERMINISTIC) {
    int input = find_input(row, code == MURN_NONDETERMINISTIC);
    if (input >= 0) slot = input;
  }
  std::string file = code == MURN_NONDETERMINISTIC
                         ? std::string(NAMES[slot]) + row.names[slot].ext
                         : std::string(prefix) + NAMES[slot] + row.names[slot].ext;
  char line[FULL_NAME_SIZE + 96];
  snprintf(line, sizeof line, text, file.c_str());
  if (code == MURN_OUT_OF_MEMORY) mem_result = 0;
  show_message_line(line);
}

void release_data(dialog_data *result) {
  for (int slot = 0; slot < 4; ++slot) freedes(result->size[slot], &result->des[slot]);
  free(result->events);
  free(result->typed);
  free(result->pairs);
  free(result->erased);
  free(result->map);
  free(result->quads);
  free(result->outputs);
  *result = dialog_data{};
}

}  // namespace

bool run_dialog(procedure_id id) {
  const dialog_hooks *hooks = hooks_for(id);
  if (hooks == nullptr) return false;
  const procedure_row &row = procedure(id);
  quit = 0;
  mem_result = 0;
  dialog_data result{};
  result.output = output_slot(row);
  result.request = id;
  int code = MURN_OK;
  dialog_outcome outcome = dialog_read(row, *hooks, &result, &code);
  quit = outcome != DIALOG_DONE;
  std::string entry;
  bool done = outcome == DIALOG_DONE || outcome == DIALOG_DONE_QUIET;
  bool logged = done && dialog_makeit(row, result, &entry);
  if (result.holds_directory) release_user_directory();
  if (outcome == DIALOG_FAILED) {
    if (hooks->failure == nullptr || !hooks->failure(code)) show_failure(row, code);
    user_pause();
  } else if (done) {
    if (!logged) show_message_line(std::string("Cannot write the log ") + get_makeit());
    if (logged && outcome == DIALOG_DONE) {
      // Below the prompts (or a test's answer), above Sync's blocked events and the messages.
      int first = (hooks->compute != nullptr ? getcury(stdscr) : result.prompt_y) + 1;
      int last = row.log_tail == LOG_SIZES_BLOCKED  ? 19
                 : row.result == RESULT_BOUND_RATIO ? 18
                                                    : MESSAGE_ROW - 1;
      std::vector<std::string> notes = note_lines(row, result);  // above the messages
      last -= static_cast<int>(notes.size());
      show_logged_entry(row, result, entry, first, last);
      for (size_t i = 0; i < notes.size(); ++i)
        mvaddnstr(last + 1 + static_cast<int>(i), 0, notes[i].c_str(), MIN_SCREEN_COLS - 1);
    }
    if (outcome == DIALOG_DONE || !logged) {
      user_pause();
    } else {
      move(STATUS_ROW, 0);
      clrtoeol();
    }
  }
  mem_result = 0;
  echo_free();
  release_data(&result);
  return true;
}

// The dialogs' named entry points.
#define DIALOG(menu_operation, ID, ...) \
  void menu_operation() {               \
    run_dialog(PROC_##ID);              \
  }
#include "ui/dialogs.def"

const char *get_makeit() {
  static char makeit[FULL_NAME_SIZE];
  snprintf(makeit, sizeof makeit, "%smakeit.txt", prefix);
  return makeit;
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

// The Edit dialog: load, ask for the output name, edit marker states, transitions, outputs and
// states in that order, check determinism, optionally remove unreachable states, save, log.
#include "ui/editor.h"

#include <curses.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "algo/des_proc.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "ui/create.h"
#include "ui/des_edit.h"
#include "ui/dialogs.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/listing.h"

namespace {

const long MAX_EDIT_STATE = 1999999;
const long MAX_EDIT_OUTPUT = 999;
const int LIST_FIRST_COLUMN = 5;
const int LIST_STEP = 7;
const int LIST_LAST_COLUMN = 64;
const int LIST_LAST_ROW = 21;

// The DES being edited and what the user asked for.
state_node *t1 = nullptr;
state_t s1 = 0;
state_t original_s1 = 0;
state_t new_initial = 0;
edit_record record;
std::vector<tran_change> tran_changes;  // every change to a transition array, in order

// Places list entries 7 columns apart from column 5; a full screen is cleared and `redraw`
// prints the instructions again.
struct list_cursor {
  int row;
  int column;
  void (*redraw)();

  void start() {
    row = getcury(stdscr) + (getcurx(stdscr) > 0 ? 1 : 0);
    column = LIST_FIRST_COLUMN;
  }
  void place() {
    if (row > LIST_LAST_ROW) {
      clear();
      redraw();
      start();
    }
    move(row, column);
  }
  void advance() {
    column += LIST_STEP;
    if (column > LIST_LAST_COLUMN) new_row();
  }
  void new_row() {
    row++;
    column = LIST_FIRST_COLUMN;
  }
  // Shows a message on its own row below the current entry row; entries go on below it.
  void message(const char *text) {
    ring_bell();
    mvaddstr(row + 1, 0, text);
    row += 2;
    column = LIST_FIRST_COLUMN;
  }
};

bool abandon() {
  quit = 1;
  return false;
}

// Asks a one-key question. Returns the key; Esc sets quit.
int ask(const char *question) {
  addstr(question);
  refresh();
  int key = read_key();
  if (key == KEY_ESCAPE) {
    quit = 1;
    return key;
  }
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  addstr("\n\n");
  return key;
}

bool is_no(int key) {
  return key == 'n' || key == 'N';
}
bool is_yes(int key) {
  return key == 'y' || key == 'Y';
}

// Makes sure `state` exists; on allocation failure the edit is abandoned.
bool grow(long state) {
  if (add_des(&t1, &s1, static_cast<state_t>(state)) == 0) return true;
  quit = 1;
  return false;
}

// Inserts s -e-> t unless it is there; a state with 65535 transitions takes no more (bell).
// Returns false when memory ran out (quit set).
bool insert_tran(state_t s, event_t e, state_t t) {
  state_node &node = t1[s];
  if (node.numelts == UINT16_MAX) {
    ring_bell();
    return true;
  }
  int added = 0;
  addordlist1(e, t, &node.next, node.numelts, &added);
  if (added) {
    node.numelts++;
    tran_changes.push_back(tran_change{triple{s, e, t}, '+'});
  }
  if (mem_result) quit = 1;
  return !mem_result;
}

// Removes s -e-> t; returns whether it was there.
bool delete_tran(state_t s, event_t e, state_t t) {
  state_node &node = t1[s];
  int removed = 0;
  delete_ordlist1(e, t, &node.next, node.numelts, &removed);
  if (!removed) return false;
  node.numelts--;
  tran_changes.push_back(tran_change{triple{s, e, t}, '-'});
  return true;
}

void mark_instructions() {
  printw("Enter states of %s to be newly marked.  New states not in\n", name1);
  addstr("current structure may be listed if required (type -1 to quit).\n");
  addstr("To mark all states, enter '*':\n");
}

void unmark_instructions() {
  addstr("Enter old marker states to be unmarked (type -1 to quit).\n");
  addstr("To unmark all states, enter '*':\n");
}

// Steps 4 and 5: marker states. Returns false when the edit is abandoned.
bool edit_marks() {
  printw("# states assigned to %s is %d.\n\n", name1, s1);
  printw("List of marker states of %s is currently: ", name1);
  printmark(s1, t1);
  addch('\n');
  int key = ask("OK?  (*y/n)  ");
  if (quit) return false;
  if (!is_no(key)) return true;
  clear();
  mark_instructions();
  list_cursor cursor{0, 0, mark_instructions};
  cursor.start();
  for (;;) {
    cursor.place();
    long s = readintall(&key, -1, MAX_EDIT_STATE);
    if (key == KEY_ESCAPE) return abandon();
    if (key == '*') {
      for (state_t i = 0; i < s1; i++) t1[i].marked = 1;
      record.all_marked = true;
      record.grown_before_all = s1 > original_s1 ? s1 - 1 : -1;
      record.new_marks.clear();
    } else if (s == -1) {
      break;
    } else {
      if (!grow(s)) return false;
      t1[s].marked = 1;
      record.new_marks.push_back(static_cast<state_t>(s));
    }
    cursor.advance();
  }
  clear();
  unmark_instructions();
  cursor = list_cursor{0, 0, unmark_instructions};
  cursor.start();
  for (;;) {
    cursor.place();
    long s = readintall(&key, -1, MAX_EDIT_STATE);
    if (key == KEY_ESCAPE) return abandon();
    if (key == '*') {
      for (state_t i = 0; i < s1; i++) t1[i].marked = 0;
      record.all_unmarked = true;
      record.old_marks.clear();
      break;
    }
    if (s == -1) break;
    if (s >= s1) {
      char text[80];
      snprintf(text, sizeof text, "Marker state %ld is illegal, please reenter!", s);
      cursor.message(text);
      continue;
    }
    t1[s].marked = 0;
    record.old_marks.push_back(static_cast<state_t>(s));
    cursor.advance();
  }
  return true;
}

// The three fields of a transition on one row; `star` allows "*" as exit state. Returns false at
// -1 (end of list) or Esc (quit set).
bool read_transition(bool star, long *x, bool *all, long *e, long *t) {
  int row = getcury(stdscr);
  int key;
  mvaddstr(row, 0, " Exit state:  ");
  *x = star ? readintall(&key, -1, MAX_EDIT_STATE) : readint(&key, -1, MAX_EDIT_STATE);
  if (key == KEY_ESCAPE) return abandon();
  *all = key == '*';
  if (!*all && *x == -1) return false;
  mvaddstr(row, 25, "Event label:  ");
  *e = readint(&key, -1, MAX_EVENT);
  if (key == KEY_ESCAPE) return abandon();
  if (*e == -1) return false;
  mvaddstr(row, 50, "Entrance state:  ");
  *t = readint(&key, -1, MAX_EDIT_STATE);
  if (key == KEY_ESCAPE) return abandon();
  if (*t == -1) return false;
  addch('\n');
  return true;
}

void add_tran_instructions() {
  addstr("Enter new transitions to adjoin.\n");
  addstr("To add multiple transitions, enter * for Exit state.\n");
  addstr("New exit or entrance states may be introduced as needed;\n");
  addstr("type -1 to quit:\n\n");
}

void delete_tran_instructions() {
  addstr("Enter old transitions to delete.\n");
  addstr("To delete multiple transitions, enter * for Exit state (type -1 to quit):\n\n");
}

void keep_room(void (*instructions)()) {
  if (getcury(stdscr) < MESSAGE_ROW) return;
  clear();
  instructions();
}

// Lists `list` under `title` (with its length), sized by its largest state number, paged.
void show_triples(const char *title, const std::vector<triple> &list) {
  if (list.empty()) return;
  printw("%s %zu\n", title, list.size());
  long largest = 0;
  for (const triple &t : list)
    largest = std::max({largest, static_cast<long>(t.first), static_cast<long>(t.third)});
  int width = std::max(5, decimal_digits(largest));
  listing_layout layout = grid_layout(0, 2 * width + 7, 0, MIN_SCREEN_COLS);
  layout.top_row = 2;
  layout.last_row = 19;
  layout.prompt = "Press <Enter> to page transitions  ";
  layout.heading = [title]() { printw("%s (continued)\n\n", title); };
  page_listing(list.size(), layout, [&list, width](size_t i) {
    printw("[%*ld,%3d,%*ld]", width, static_cast<long>(list[i].first),
           static_cast<int>(list[i].middle), width, static_cast<long>(list[i].third));
  });
  addch('\n');
}

// Adds the transitions of one entry: x -e-> t, or with `all` e -> t from every state the DES had
// when loaded. Returns false when the edit is abandoned.
bool add_entry(bool all, long x, event_t e, state_t t) {
  if (all && original_s1 == 0) return true;  // no state to add from
  if (!grow(all ? t : std::max<long>(x, t))) return false;
  for (state_t s = all ? 0 : static_cast<state_t>(x); s < (all ? original_s1 : x + 1); s++)
    if (!insert_tran(s, e, t)) return false;
  return true;
}

// Deletes the transitions of one entry; an entry that names no transition of the DES is refused
// with a message.
void delete_entry(bool all, long x, event_t e, state_t t) {
  if ((!all && x >= s1) || t >= s1) {
    ring_bell();
    printw("Exit state %ld is illegal, please reenter!\n", !all && x >= s1 ? x : t);
    return;
  }
  long removed = 0;
  for (state_t s = all ? 0 : static_cast<state_t>(x); s < (all ? s1 : x + 1); s++)
    removed += delete_tran(s, e, t) ? 1 : 0;
  if (removed > 0) return;
  ring_bell();
  if (all)
    printw("No state of %s has transition [*,%d,%ld], please reenter!\n", name1,
           static_cast<int>(e), static_cast<long>(t));
  else
    printw("Transition [%ld,%d,%ld] is not in %s, please reenter!\n", x, static_cast<int>(e),
           static_cast<long>(t), name1);
}

// Step 6: transitions. The question comes back after each round of additions and deletions,
// with the transitions added and deleted so far above it. Returns false when the edit is
// abandoned.
bool edit_transitions() {
  for (;;) {
    clear();
    printw("# transitions in %s is currently %ld\n\n", name1,
           static_cast<long>(count_tran(t1, s1)));
    std::vector<triple> added, deleted;
    net_transition_changes(tran_changes, &added, &deleted);
    show_triples("Transitions added so far:", added);
    show_triples("Transitions deleted so far:", deleted);
    int key = ask("Current transition list OK?  (*y/n)  ");
    if (quit) return false;
    if (!is_no(key)) return true;
    add_tran_instructions();
    long x, e, t;
    bool all;
    for (keep_room(add_tran_instructions); read_transition(true, &x, &all, &e, &t);
         keep_room(add_tran_instructions)) {
      if (!add_entry(all, x, static_cast<event_t>(e), static_cast<state_t>(t))) return false;
    }
    if (quit) return false;
    clear();
    delete_tran_instructions();
    for (keep_room(delete_tran_instructions); read_transition(true, &x, &all, &e, &t);
         keep_room(delete_tran_instructions)) {
      delete_entry(all, x, static_cast<event_t>(e), static_cast<state_t>(t));
    }
    if (quit) return false;
  }
}

bool legal_output(long v) {
  return v == 0 || (v >= 10 && v <= MAX_EDIT_OUTPUT);
}

void keep_vocal_room() {
  if (getcury(stdscr) > 19) clear();
}

// Reads one row of the output dialogs: a number up to `first_max` after `first_prompt`, then
// an output after `second_prompt` at column `second_col`. Returns 1 when both were read, 0 when
// either was -1 (the user is done) and -1 when Escape abandons the edit.
int read_vocal_row(const char *first_prompt, long first_max, long *first, int second_col,
                   const char *second_prompt, long *second) {
  keep_vocal_room();
  int row = getcury(stdscr);
  int key = 0;
  mvaddstr(row, 0, first_prompt);
  *first = readint(&key, -1, first_max);
  if (key == KEY_ESCAPE) return -1;
  if (*first == -1) return 0;
  mvaddstr(row, second_col, second_prompt);
  *second = readint(&key, -1, MAX_EDIT_OUTPUT);
  if (key == KEY_ESCAPE) return -1;
  if (*second == -1) return 0;
  addch('\n');
  return 1;
}

void reject_vocalization() {
  ring_bell();
  addstr("This vocalization is illegal; please reenter\n");
}

// Step 8: outputs. Returns false when the edit is abandoned.
bool edit_outputs() {
  int key = ask("Make uniform alteration in a vocal state output?  (y/*n)  ");
  if (quit) return false;
  if (is_yes(key)) {
    addstr("Enter list of vocal state output pairs.\n");
    addstr("To make all states with Old output silent, enter 0 for New output.\n");
    addstr("Type -1 to quit:\n\n");
    for (;;) {
      long old_output = 0, new_output = 0;
      int got = read_vocal_row("Old output:  ", MAX_EDIT_OUTPUT, &old_output, 40,
                               "New output:  ", &new_output);
      if (got < 0) return abandon();
      if (got == 0) break;
      if (!legal_output(old_output) || !legal_output(new_output)) {
        reject_vocalization();
        continue;
      }
      record.unif_pairs.push_back(
          state_pair{static_cast<state_t>(old_output), static_cast<state_t>(new_output)});
    }
    settle_record(&record);  // the pairs apply in ascending order
    vocalmap_des(t1, s1, record.unif_pairs.data(), static_cast<state_t>(record.unif_pairs.size()));
    addstr("\n");
  }
  addstr("For each state output to be altered, enter state and new output.\n");
  addstr("To make state silent, enter output 0.\n");
  addstr("Type -1 to quit:\n\n");
  for (;;) {
    long s = 0, v = 0;
    int got = read_vocal_row(" State:  ", MAX_EDIT_STATE, &s, 30, "Vocal Output:  ", &v);
    if (got < 0) return abandon();
    if (got == 0) break;
    if (!legal_output(v)) {
      reject_vocalization();
      continue;
    }
    if (!grow(s)) return false;
    t1[s].vocal = static_cast<uint16_t>(v) & 0x1FFF;
    record.vocals.push_back(state_pair{static_cast<state_t>(s), static_cast<state_t>(v)});
  }
  return true;
}

void continue_delete_instructions() {
  mvprintw(1, 0, "Continue to enter states of %s to delete (type -1 to quit):\n\n", name1);
}

// Asks for the state that replaces the deleted state 0 as initial state on the two rows below
// the entry row; a deleted state is refused with a message on the third. Returns false when the
// edit is abandoned.
bool read_new_initial(int row, const std::vector<char> &deleted) {
  mvaddstr(row + 1, 0, "Former initial state 0 will be deleted.");
  for (;;) {
    mvaddstr(row + 2, 0, "Please enter the new initial state ....  ");
    clrtoeol();
    int key;
    long s = readint(&key, 0, s1 - 1);
    if (key == KEY_ESCAPE) return abandon();
    if (!deleted[static_cast<size_t>(s)]) {
      new_initial = static_cast<state_t>(s);
      move(row + 3, 0);  // the refusal, if any, is answered
      clrtoeol();
      return true;
    }
    ring_bell();
    mvprintw(row + 3, 0, "State %ld is deleted; the initial state must be one that stays.", s);
  }
}

// Departure from the classic procedure: a deleted state never becomes the new initial state, and
// step 10 trims trailing empty states after every edit. Step 9: states to delete. State 0 needs a
// new initial state that is not deleted, and that state cannot be deleted afterwards. Returns false
// when the edit is abandoned.
bool read_deletions() {
  clear();
  char question[160];
  snprintf(question, sizeof question, "Delete any states from %s?  (y/*n)  ", name1);
  int key = ask(question);
  if (quit) return false;
  if (!is_yes(key)) return true;
  printw("Enter states of %s to delete\nTo quit, enter -1\n\n", name1);
  list_cursor cursor{0, 0, continue_delete_instructions};
  cursor.start();
  std::vector<char> deleted(static_cast<size_t>(s1), 0);
  state_t deleted_count = 0;
  for (;;) {
    cursor.place();
    long s = readint(&key, -1, MAX_EDIT_STATE);
    if (key == KEY_ESCAPE) return abandon();
    if (s == -1) break;
    char text[160];
    text[0] = 0;
    if (s >= s1)
      snprintf(text, sizeof text, "State %ld is not in %s!", s, name1);
    else if (s == new_initial && s != 0)
      snprintf(text, sizeof text, "State %ld is the new initial state of %s!", s, name1);
    else if (s == 0 && !deleted[0] && deleted_count + 1 == s1)
      snprintf(text, sizeof text, "State 0 is the last state of %s that is not deleted!", name1);
    if (text[0] != 0) {
      cursor.message(text);
      continue;
    }
    if (!deleted[static_cast<size_t>(s)]) {
      deleted[static_cast<size_t>(s)] = 1;
      deleted_count++;
      record.deleted_states.push_back(static_cast<state_t>(s));
      if (s == 0 && cursor.row + 3 > LIST_LAST_ROW) {  // room for the question and a refusal
        clear();
        continue_delete_instructions();
        cursor.start();
        cursor.row--;
      }
      if (s == 0 && !read_new_initial(cursor.row, deleted)) return false;
      if (s == 0) {
        cursor.row += 3;
        cursor.column = LIST_FIRST_COLUMN;
        continue;
      }
    }
    cursor.advance();
  }
  return true;
}

// Step 10: deleted states lose every transition in and out; the new initial state takes number 0
// (and 0 its number). Whenever the edit ends, empty trailing states that no transition enters go.
void apply_deletions() {
  if (!record.deleted_states.empty()) {
    for (state_t s = 0; s < s1; s++) t1[s].reached = 1;
    for (state_t s : record.deleted_states) t1[s].reached = 0;
    purgebadstates(s1, &t1);
    if (new_initial != 0) swap_states(t1, s1, 0, new_initial);
  }
  trim_endstates(&s1, &t1);
}

void edit_r() {
  clear();
  edit_header();
  if (getname("Enter DES1 to be edited ....  ", ".des", name1, 0)) {
    quit = 1;
    return;
  }
  state_t init = 0;
  if (!getdes(name1, &s1, &init, &t1)) {
    quit = 1;
    return;
  }
  original_s1 = s1;
  if (init == -1) {
    printw("%s IS A CONTROL DATA FILE, AND CANNOT BE EDITED!", name1);
    refresh();
    read_key();
    quit = 1;
    return;
  }
  char question[160];
  snprintf(question, sizeof question, "Save DES2 under new name (or else overwrite %s)?  (*y/n)   ",
           name1);
  int key = ask(question);
  if (quit) return;
  if (is_no(key)) {
    snprintf(name2, sizeof name2, "%s", name1);
  } else if (getname("Enter new name of DES2 ....  ", ".des", name2, 1)) {
    quit = 1;
    return;
  }
  if (!edit_marks() || !edit_transitions()) return;
  clear();
  printw("List of vocal states of %s is currently:", name1);
  printvocal(s1, t1);
  addch('\n');
  key = ask("OK?  (*y/n)  ");
  if (quit || (is_no(key) && !edit_outputs())) return;
  if (!read_deletions()) return;
  apply_deletions();
  check_determinism(t1, s1, name2, &quit, 1);
  if (quit) return;
  clear();
  int row = 1;
  if (new_initial != 0) {
    mvprintw(1, 0, "%s will be recoded with initial state relabelled to 0.", name2);
    row = 3;
  }
  move(row, 0);
  snprintf(question, sizeof question,
           "Remove any unreachable state from %s and recode state set?   (y/*n)  ", name2);
  key = ask(question);
  if (quit) return;
  if (is_yes(key)) {
    reach(&s1, &t1);
    record.reached = true;
  }
  if (mem_result) return;
  if (filedes(name2, s1, 0, t1) != 0) {
    move(MESSAGE_ROW, 0);
    clrtoeol();
    printw("Error writing file: %s%s%s", prefix, name2, ".des");
    refresh();
    read_key();
    quit = 1;
  }
}

void edit_makeit() {
  settle_record(&record);
  net_transition_changes(tran_changes, &record.new_trans, &record.old_trans);
  write_wrapped_entry(edit_entry(name2, name1, record, s1, static_cast<long>(count_tran(t1, s1))),
                      static_cast<int>(strlen(name2)) + 3);
}

// The closing screen: the file written and its size.
void editing_complete() {
  clear();
  mvaddstr(7, 0, "EDITING COMPLETE");
  char full[FULL_NAME_SIZE];
  make_filename_ext(full, name2, ".des");
  mvprintw(9, 0, "%s has been filed as", name2);
  move(10, 0);
  print_fix_filename(full, MIN_SCREEN_COLS);
  mvprintw(12, 0, "Size (states,transitions):  (%ld,%ld)", static_cast<long>(s1),
           static_cast<long>(count_tran(t1, s1)));
  refresh();
  read_key();
}

}  // namespace

void edit_header() {
  addstr("EDIT\n\nDES2 = EDIT (DES1)\n\n");
}

void printmark(state_t count, const state_node *des) {
  std::vector<state_t> marked;
  for (state_t s = 0; s < count; s++)
    if (des[s].marked) marked.push_back(s);
  if (marked.empty()) {
    addstr(" empty\n");
    return;
  }
  listing_layout layout =
      grid_layout(LIST_FIRST_COLUMN, decimal_digits(marked.back()), LIST_STEP, LIST_LAST_COLUMN);
  layout.top_row = 1;
  layout.last_row = 20;
  layout.prompt = "Press <Enter> to page marker state table  ";
  page_listing(marked.size(), layout,
               [&marked](size_t i) { printw("%ld", static_cast<long>(marked[i])); });
}

void printvocal(state_t count, const state_node *des) {
  std::vector<state_t> vocal;
  for (state_t s = 0; s < count; s++)
    if (des[s].vocal != 0) vocal.push_back(s);
  if (vocal.empty()) {
    addstr(" none\n");
    return;
  }
  listing_layout layout;
  layout.first_column = 3;
  layout.step = 15;
  layout.per_row = 4;
  layout.top_row = 1;
  layout.last_row = 20;
  layout.prompt = "  Press <Enter> to page state output table  ";
  page_listing(vocal.size(), layout, [&vocal, des](size_t i) {
    printw("[%5ld,%3d] ", static_cast<long>(vocal[i]), static_cast<int>(des[vocal[i]].vocal));
  });
}

void edit_p() {
  freedes(s1, &t1);
  s1 = original_s1 = new_initial = 0;
  record = edit_record();
  tran_changes.clear();
  quit = 0;
  mem_result = 0;
  edit_r();
  if (mem_result) {
    OutOfMemoryMsg();
    user_pause();
  } else if (!quit) {
    edit_makeit();
    editing_complete();
  }
  freedes(s1, &t1);
  s1 = 0;
  record = edit_record();
  tran_changes = std::vector<tran_change>();
  mem_result = 0;
}

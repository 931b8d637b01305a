// The Edit dialog: load, ask for the output name, edit marker states, transitions, outputs and
// states in that order, check determinism, optionally remove unreachable states, save, log.
#include "ui/editor.h"

#include <curses.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

#include "algo/des_proc.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "ui/create.h"
#include "ui/des_edit.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/dialogs.h"

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

bool insert_tran(state_t s, event_t e, state_t t) {
  state_node &node = t1[s];
  if (node.numelts == UINT16_MAX) {
    ring_bell();
    return true;
  }
  int added = 0;
  addordlist1(e, t, &node.next, node.numelts, &added);
  if (added) node.numelts++;
  if (mem_result) quit = 1;
  return !mem_result;
}

void delete_tran(state_t s, event_t e, state_t t) {
  state_node &node = t1[s];
  int removed = 0;
  delete_ordlist1(e, t, &node.next, node.numelts, &removed);
  if (removed) node.numelts--;
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
  addstr("\n\n");
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
      for (state_t i = 0; i < s1; i++) {
        t1[i].marked = 1;
        insert_sorted(&record.new_marks, i, std::less<state_t>());
      }
      record.all_marked = true;
    } else if (s == -1) {
      break;
    } else {
      if (!grow(s)) return false;
      t1[s].marked = 1;
      insert_sorted(&record.new_marks, static_cast<state_t>(s), std::less<state_t>());
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
      for (state_t i = 0; i < s1; i++) {
        t1[i].marked = 0;
        insert_sorted(&record.old_marks, i, std::less<state_t>());
      }
      record.all_unmarked = true;
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
    insert_sorted(&record.old_marks, static_cast<state_t>(s), std::less<state_t>());
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

// Step 6: transitions. Returns false when the edit is abandoned.
bool edit_transitions() {
  clear();
  printw("# transitions in %s is currently %ld\n\n", name1, static_cast<long>(count_tran(t1, s1)));
  int key = ask("Current transition list OK?  (*y/n)  ");
  if (quit) return false;
  if (!is_no(key)) return true;
  add_tran_instructions();
  long x, e, t;
  bool all;
  for (keep_room(add_tran_instructions); read_transition(true, &x, &all, &e, &t);
       keep_room(add_tran_instructions)) {
    if (!grow(all ? t : (x > t ? x : t))) return false;
    event_t ev = static_cast<event_t>(e);
    for (state_t s = all ? 0 : static_cast<state_t>(x); s < (all ? original_s1 : x + 1); s++) {
      if (!insert_tran(s, ev, static_cast<state_t>(t))) return false;
      insert_sorted(&record.new_trans, triple{s, ev, static_cast<state_t>(t)}, triple_before);
    }
  }
  if (quit) return false;
  clear();
  delete_tran_instructions();
  for (keep_room(delete_tran_instructions); read_transition(true, &x, &all, &e, &t);
       keep_room(delete_tran_instructions)) {
    if ((!all && x >= s1) || t >= s1) {
      ring_bell();
      printw("Exit state %ld is illegal, please reenter!\n", !all && x >= s1 ? x : t);
      continue;
    }
    event_t ev = static_cast<event_t>(e);
    for (state_t s = all ? 0 : static_cast<state_t>(x); s < (all ? s1 : x + 1); s++) {
      delete_tran(s, ev, static_cast<state_t>(t));
      insert_sorted(&record.old_trans, triple{s, ev, static_cast<state_t>(t)}, triple_before);
    }
  }
  return !quit;
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
      insert_sorted(&record.unif_pairs,
                    state_pair{static_cast<state_t>(old_output), static_cast<state_t>(new_output)},
                    pair_before);
    }
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
    insert_sorted(&record.vocals, state_pair{static_cast<state_t>(s), static_cast<state_t>(v)},
                  pair_before);
  }
  return true;
}

void continue_delete_instructions() {
  mvprintw(1, 0, "Continue to enter states of %s to delete (type -1 to quit):\n\n", name1);
}

// Step 9: states to delete. Returns false when the edit is abandoned.
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
  for (;;) {
    cursor.place();
    long s = readint(&key, -1, MAX_EDIT_STATE);
    if (key == KEY_ESCAPE) return abandon();
    if (s == -1) break;
    if (s >= s1) {
      char text[160];
      snprintf(text, sizeof text, "State %ld is not in %s!", s, name1);
      cursor.message(text);
      continue;
    }
    insert_sorted(&record.deleted_states, static_cast<state_t>(s), std::less<state_t>());
    if (s != 0) {
      cursor.advance();
      continue;
    }
    mvaddstr(cursor.row + 1, 0, "Former initial state 0 will be deleted.");
    mvaddstr(cursor.row + 2, 0, "Please enter the new initial state ....  ");
    new_initial = static_cast<state_t>(readint(&key, 0, s1 - 1));
    if (key == KEY_ESCAPE) return abandon();
    cursor.row += 3;
    cursor.column = LIST_FIRST_COLUMN;
  }
  return true;
}

// Step 10: deleted states lose every transition in and out; the new initial state takes number 0
// (and 0 its number); empty unreachable states at the end go.
void apply_deletions() {
  if (record.deleted_states.empty()) return;
  for (state_t s = 0; s < s1; s++) t1[s].reached = 1;
  for (state_t s : record.deleted_states) t1[s].reached = 0;
  purgebadstates(s1, &t1);
  if (new_initial != 0) swap_states(t1, s1, 0, new_initial);
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
  addstr("\n\n");
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
  write_wrapped_entry(edit_entry(name2, name1, record, s1, static_cast<long>(count_tran(t1, s1))),
                      static_cast<int>(strlen(name2)) + 3);
}

}  // namespace

void edit_header() {
  addstr("EDIT\n\nDES2 = EDIT (DES1)\n\n");
}

void printmark(state_t count, const state_node *des) {
  bool any = false;
  int column = LIST_FIRST_COLUMN;
  for (state_t s = 0; s < count; s++) {
    if (!des[s].marked) continue;
    if (!any) addch('\n');
    any = true;
    if (getcury(stdscr) >= MESSAGE_ROW) {
      move(STATUS_ROW, 0);
      clrtoeol();
      addstr("Press <Enter> to page marker state table  ");
      refresh();
      while (read_key() != KEY_RETURN) {
      }
      clear();
      move(1, 0);
      column = LIST_FIRST_COLUMN;
    }
    move(getcury(stdscr), column);
    printw("%d", s);
    column += LIST_STEP;
    if (column > LIST_LAST_COLUMN) {
      addch('\n');
      column = LIST_FIRST_COLUMN;
    }
  }
  if (!any) addstr(" empty");
}

void printvocal(state_t count, const state_node *des) {
  bool any = false;
  int column = 3;
  for (state_t s = 0; s < count; s++) {
    if (des[s].vocal == 0) continue;
    if (!any) addch('\n');
    any = true;
    if (getcury(stdscr) > LIST_LAST_ROW) {
      move(STATUS_ROW, 0);
      clrtoeol();
      addstr("  Press <Enter> to page state output table  ");
      refresh();
      while (read_key() != KEY_RETURN) {
      }
      clear();
      move(1, 0);
      column = 3;
    }
    move(getcury(stdscr), column);
    printw("[%5d,%3d] ", s, static_cast<int>(des[s].vocal));
    column += 15;
    if (column >= 62) {
      addch('\n');
      column = 3;
    }
  }
  if (!any) addstr(" none");
}

void edit_p() {
  freedes(s1, &t1);
  s1 = original_s1 = new_initial = 0;
  record = edit_record();
  quit = 0;
  mem_result = 0;
  edit_r();
  if (mem_result) {
    OutOfMemoryMsg();
    user_pause();
  } else if (!quit) {
    edit_makeit();
    clear();
    mvaddstr(7, 0, "EDITING COMPLETE");
    refresh();
    read_key();
  }
  freedes(s1, &t1);
  s1 = 0;
  record = edit_record();
  mem_result = 0;
}

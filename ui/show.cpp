// Show DES and Show DAT. Each table is printed from a position (a state, or a state and an index
// in its array) until the screen is full; the page control then moves to the next page or back
// along the stack of page starts.
#include "ui/show.h"

#include <curses.h>

#include <vector>

#include "algo/supcon.h"
#include "model/des_file.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/viewer.h"

namespace {

const int TABLE_LAST_ROW = 21;
const int DAT_BLOCK_LAST_ROW = 22;
const int MARKS_PER_ROW = 8;
const int VOCALS_PER_ROW = 5;
const int DAT_SHORT_BLOCK = 6;
const int DAT_FIRST_ROW_EVENTS = 13;
const int DAT_ROW_EVENTS = 12;
const char *const DES_FOOTER =
    " D(own)  U(p)  H(ead)  V(ocal table)  T(ransition table)  Esc (Exit Show)  ";
const char *const DAT_FOOTER = "Press <Enter> to page table or <ESC> to cancel  ";

bool screen_full(int last_row) {
  return getcury(stdscr) > last_row;
}

// A place in a table: a state and an index in its array.
struct table_pos {
  state_t state;
  int index;
};

// Pages through one table: print(at, &next) prints from `at` until the screen is full and returns
// true when the table ended; page_head() starts every later page. A table that ends on its first
// page returns PAGE_LEAVE at once unless `wait_at_end`. Otherwise returns the action that left it:
// PAGE_LEAVE (Enter at the end), PAGE_CANCEL, a jump, or PAGE_REDRAW after a resize on its first
// page (which may show the sections before it).
template <typename Pos, typename Print, typename Head>
page_action run_table(Pos first, Print print, Head page_head, bool wait_at_end, bool *waited) {
  std::vector<Pos> stack;
  Pos at = first;
  *waited = false;
  for (;;) {
    Pos next = at;
    bool at_end = print(at, &next);
    if (at_end && !*waited && !wait_at_end) return PAGE_LEAVE;
    *waited = true;
    page_action action = page_control(DES_FOOTER, at_end, stack.size(), true);
    if (action == PAGE_REDRAW && stack.empty()) return action;  // the page other sections share
    if (!turn_page(action, &stack, next, first, &at)) return action;
    page_head();
  }
}

// The DES on show.
struct des_view {
  const char *name;
  state_t n;
  const state_node *des;

  void heading() const { show_des_stat_header(name, n, 0); }
};

// One page of a state list: prints the states from `at` on that `listed` selects through `cell`,
// `per_row` to a row, and returns true at the end of the DES; false when the screen filled, with
// *next at the first state not printed.
template <typename Listed, typename Cell>
bool print_state_cells(const des_view &v, state_t at, state_t *next, int per_row, Listed listed,
                       Cell cell) {
  int in_row = 0;
  for (state_t s = at; s < v.n; s++) {
    if (!listed(s)) continue;
    if (screen_full(TABLE_LAST_ROW)) {
      *next = s;
      return false;
    }
    cell(s);
    if (++in_row % per_row == 0) addch('\n');
  }
  return true;
}

// Before a section whose first rows take `rows` rows from the cursor: when they would pass the
// last table row, waits at the page control and starts a new page with the heading (*fresh set).
// Returns PAGE_NEXT to go on, or the action that left the section.
page_action make_room(const des_view &v, int rows, bool *fresh) {
  *fresh = false;
  if (getcury(stdscr) + rows - 1 <= TABLE_LAST_ROW) return PAGE_NEXT;
  page_action action = page_control(DES_FOOTER, false, 0, true);
  if (action != PAGE_NEXT) return action;
  v.heading();
  *fresh = true;
  return PAGE_NEXT;
}

page_action show_mark(const des_view &v, bool *waited) {
  *waited = false;
  state_t marked = 0;
  for (state_t s = 0; s < v.n; s++) marked += v.des[s].marked;
  if (marked == 0 || marked == v.n) {
    addstr(marked > 0 ? "marker states: all\n\n" : "marker states: none\n\n");
    return PAGE_LEAVE;
  }
  addstr("marker states:       \n\n");
  auto print = [&v](state_t at, state_t *next) {
    return print_state_cells(
        v, at, next, MARKS_PER_ROW, [&v](state_t s) { return v.des[s].marked != 0; },
        [](state_t s) { printw("%7d  ", s); });
  };
  auto head = [&v]() {
    v.heading();
    addstr("\nmarker states:       \n\n");
  };
  return run_table(state_t{0}, print, head, false, waited);
}

page_action show_vocal(const des_view &v, bool *waited) {
  *waited = false;
  bool any = false, fresh;
  for (state_t s = 0; s < v.n && !any; s++) any = v.des[s].vocal != 0;
  // "vocal states: none" below an empty line; a list's first cells three rows down.
  page_action room = make_room(v, any ? 4 : 2, &fresh);
  if (room != PAGE_NEXT) return room;
  if (!any) {
    addstr("\nvocal states: none\n");
    return PAGE_LEAVE;
  }
  addstr("\nvocal states:      \n\n");
  const char *cell = vocal_cell_format(v.n);
  auto print = [&v, cell](state_t at, state_t *next) {
    return print_state_cells(
        v, at, next, VOCALS_PER_ROW, [&v](state_t s) { return v.des[s].vocal != 0; },
        [&v, cell](state_t s) {
          printw(cell, static_cast<long>(s), static_cast<int>(v.des[s].vocal));
        });
  };
  auto head = [&v]() {
    v.heading();
    addstr("vocal states:       \n\n");
  };
  return run_table(state_t{0}, print, head, false, waited);
}

page_action show_transitions(const des_view &v) {
  long total = 0;
  for (state_t s = 0; s < v.n; s++) total += v.des[s].numelts;
  bool waited, fresh;
  if (total == 0 && getcurx(stdscr) != 0) addch('\n');  // after a part-filled row of vocal states
  // The empty table's one line, or the five heading rows and a first row of cells.
  page_action room = make_room(v, total == 0 ? 1 : 6, &fresh);
  if (room != PAGE_NEXT) return room;
  if (total == 0) {
    addstr("transition table : empty\n");
    auto print = [](int, int *) { return true; };
    return run_table(
        0, print, []() {}, true, &waited);
  }
  auto head = [&v, total]() {
    v.heading();
    printw("# transitions: %ld\n\ntransitions: \n\n", total);
  };
  printw(fresh ? "# transitions: %ld\n\ntransitions: \n\n"
               : "\n# transitions: %ld\n\ntransitions: \n\n",
         total);
  const char *cell = transition_cell_format(v.n);
  int per_row = transitions_per_row(v.n);
  auto print = [&v, cell, per_row](table_pos at, table_pos *next) {
    int in_row = 0;
    for (state_t s = at.state; s < v.n; s++) {
      const state_node &node = v.des[s];
      for (int j = s == at.state ? at.index : 0; j < node.numelts; j++) {
        if (screen_full(TABLE_LAST_ROW)) {
          *next = table_pos{s, j};
          return false;
        }
        printw(cell, static_cast<long>(s), static_cast<int>(node.next[j].event()),
               static_cast<long>(node.next[j].target()));
        if (++in_row % per_row == 0) addch('\n');
      }
    }
    return true;
  };
  return run_table(table_pos{0, 0}, print, head, true, &waited);
}

// One DAT page from `at`: blocks of a state and its disabled events, two short blocks to a row.
bool print_dat(const state_node *des, state_t n, table_pos at, table_pos *next) {
  bool first_on_page = true;
  bool left_short = false;  // the last block is on the left of its row and may take a partner
  int left_count = 0;
  for (state_t s = at.state; s < n; s++) {
    const state_node &node = des[s];
    if (node.numelts == 0) continue;
    int from = s == at.state ? at.index : 0;
    if (from == 0) {
      if (screen_full(TABLE_LAST_ROW)) {
        *next = table_pos{s, 0};
        return false;
      }
      bool is_short = node.numelts <= DAT_SHORT_BLOCK;
      if (left_short && is_short) {
        for (int k = left_count; k < DAT_SHORT_BLOCK; k++) printw("%5s", "");
        left_short = false;
      } else {
        if (!first_on_page) addch('\n');
        addstr("    ");
        left_short = is_short;
      }
      printw("%4d:", s);
    } else {
      addstr("         ");
    }
    first_on_page = false;
    left_count = node.numelts;
    for (int k = from; k < node.numelts; k++) {
      if (k != from && k >= DAT_FIRST_ROW_EVENTS &&
          (k - DAT_FIRST_ROW_EVENTS) % DAT_ROW_EVENTS == 0) {
        addch('\n');
        if (screen_full(DAT_BLOCK_LAST_ROW)) {
          *next = table_pos{s, k};
          return false;
        }
        addstr("         ");
      }
      printw("%4d ", static_cast<int>(node.next[k].event()));
    }
  }
  addch('\n');
  return true;
}

void dat_header(const char *name, bool controllable) {
  clear();
  printw("%s\n\n\n", name);
  addstr("Control data are displayed as a list of supervisor states\n");
  addstr("where disabling occurs, together with the events that must\n");
  addstr("be disabled there.\n\n");
  printw("%s is %s\n\n", name, controllable ? "CONTROLLABLE" : "NOT CONTROLLABLE");
  addstr("control data: \n");
}

}  // namespace

const char *vocal_cell_format(state_t n) {
  if (n <= 100000) return "[%5ld,%4d]   ";
  if (n <= 1000000) return "[%6ld,%4d]  ";
  return "[%7ld,%4d] ";
}

const char *transition_cell_format(state_t n) {
  return n <= 100000 ? "[%5ld,%3d,%5ld]  " : "[%7ld,%3d,%7ld]  ";
}

int transitions_per_row(state_t n) {
  return n <= 100000 ? 4 : 3;
}

void show_des_header() {
  clear();
  addstr("SHOW\n\nSHOW(DES)\n\n");
}

void show_des_stat_header(const char *name, state_t n, state_t initial) {
  clear();
  printw("%s    # states: %d", name, n);
  if (n > 0) {
    printw("    state set: 0 ... %d", n - 1);
    printw("    initial state: %d", initial);
  } else {
    addstr("    state set: empty ");
    addstr("    initial state: none");
  }
  addstr("\n\n");
}

void show_des_r(const char *name, state_t n, const state_node *des) {
  const des_view v{name, n, des};
  enum { MARKS, VOCALS, TRANSITIONS } start = MARKS;
  for (;;) {
    v.heading();
    page_action action = PAGE_LEAVE;
    bool waited = false;
    if (start == MARKS) action = show_mark(v, &waited);
    if (action == PAGE_LEAVE && waited) v.heading();
    if (action == PAGE_LEAVE && start <= VOCALS) action = show_vocal(v, &waited);
    if (action == PAGE_LEAVE && waited) v.heading();
    if (action == PAGE_LEAVE) action = show_transitions(v);
    if (action == PAGE_JUMP_HEAD) {
      start = MARKS;
    } else if (action == PAGE_JUMP_VOCAL) {
      start = VOCALS;
    } else if (action == PAGE_JUMP_TRAN) {
      start = TRANSITIONS;
    } else if (action != PAGE_REDRAW) {
      return;
    }
  }
}

namespace {

// Reads the DES or DAT file `name` for showing; tells the user when memory ran out. Returns
// false when nothing was read.
bool load_shown(const char *name, state_t *n, state_t *init, state_node **des) {
  mem_result = 0;
  if (getdes(name, n, init, des)) return true;
  if (mem_result) {
    OutOfMemoryMsg();
    user_pause();
    mem_result = 0;
  }
  return false;
}

}  // namespace

void show_des_p() {
  show_des_header();
  char name[MAX_NAME_LEN + 1];
  if (getname("Enter name of DES ...  ", ".des", name, 0)) return;
  state_t n = 0, init = 0;
  state_node *des = nullptr;
  if (!load_shown(name, &n, &init, &des)) return;
  if (init == -1) {
    addstr("This is a DAT file.\nUse show DAT command.\n");
    user_pause();
  } else {
    show_des_r(name, n, des);
  }
  freedes(n, &des);
}

void show_dat_header() {
  clear();
  addstr("SHOW\n\nSHOW(DAT)\n\n");
}

void show_dat_r(const char *name, state_t n, const state_node *des) {
  bool controllable = compute_controllable(des, n) != 0;
  dat_header(name, controllable);
  bool any = false;
  for (state_t s = 0; s < n && !any; s++) any = des[s].numelts > 0;
  if (!any) {
    addstr("empty.\n");
    move(STATUS_ROW, 0);
    clrtoeol();
    printw("Press <Enter> to return to %s Procedure  ", PROGRAM_NAME);
    refresh();
    while (read_key() != KEY_RETURN) {
    }
    return;
  }
  char end_footer[64];
  snprintf(end_footer, sizeof end_footer, "Press <Enter> to return to %s Procedures  ",
           PROGRAM_NAME);
  std::vector<table_pos> stack;
  table_pos first{0, 0}, at = first;
  for (;;) {
    table_pos next = at;
    bool at_end = print_dat(des, n, at, &next);
    page_action action =
        page_control(at_end ? end_footer : DAT_FOOTER, at_end, stack.size(), false);
    if (!turn_page(action, &stack, next, first, &at)) return;
    dat_header(name, controllable);
  }
}

void show_dat_p() {
  show_dat_header();
  char name[MAX_NAME_LEN + 1];
  if (getname("Enter name of DAT ...  ", ".dat", name, 0)) return;
  state_t n = 0, init = -1;
  state_node *des = nullptr;
  if (!load_shown(name, &n, &init, &des)) return;
  show_dat_r(name, n, des);
  freedes(n, &des);
}

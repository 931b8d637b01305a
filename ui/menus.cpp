// The interactive front end's menu loop: banner, main menu with its switches, and the procedures
// menu that dispatches every dialog by one key or a pair of keys.
#include "ui/menus.h"

#include <curses.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/des_data.h"
#include "ui/create.h"
#include "ui/display.h"
#include "ui/editor.h"
#include "ui/io.h"
#include "ui/dialogs.h"
#include "ui/picture.h"
#include "ui/report_dialogs.h"
#include "ui/show.h"
#include "ui/viewer.h"

namespace {

// Set when the user chose to quit from the too-small-screen notice; unwinds both menu loops.
bool leaving = false;

// How long curses waits after an Esc for the rest of a terminal key sequence, in milliseconds.
const int ESC_SEQUENCE_DELAY = 100;

void toggle(int *flag) {
  *flag = !*flag;
}

void toggle_minflag() {
  toggle(&minflag);
}

// An entry of the procedures menu that is not a procedure of the catalogue: its keys (one key, or
// a group key and a second key), its label and place on the menu (none for a hidden key or the
// further keys of a group that one label covers), and what it runs. A null `run` is a screen this
// build does not offer: the keys are accepted and the menu is redrawn. The procedures come from
// the catalogue (engine/procedures.def).
struct menu_screen {
  const char *keys;
  const char *label;
  menu_place menu;
  void (*run)();
};

const menu_screen MENU_SCREENS[] = {
    {"0", "0: Create", {6, 5}, create_p},
    {"E", "E: Edit", {9, 53}, edit_p},
    {"D", "D: User file directory", {11, 53}, directory_p},
    {"SE", "SE/SA/SX: Show DES/DAT/TXT", {12, 53}, show_des_p},
    {"SA", nullptr, {}, show_dat_p},
    {"SX", nullptr, {}, show_ascii_p},
    {"FE", "FE/FA/FD: File DES/DAT/ADS", {13, 53}, file_des_p},  // to ADS, text or PostScript
    {"FA", nullptr, {}, file_dat_p},                             // DAT to text or PostScript
    {"FD", nullptr, {}, file_ads_p},                             // ADS to DES
    {"FP", "FP: Picture of a DES", {14, 53}, picture_p},         // DOT and SVG
    {"OE", nullptr, {}, print_des_p},                            // print DES
    {"OA", nullptr, {}, print_dat_p},                            // print DAT
    {"OX", nullptr, {}, print_ascii_p},                          // print TXT
    {"X", "X: Exit to main menu", {16, 53}, nullptr},            // handled by the menu loop
    {"M", nullptr, {}, toggle_minflag},                          // shown by MENU_SWITCHES
};

// Switches of the procedures menu, shown with their state: label format, place, flag, and the
// names of its two states.
struct menu_switch {
  const char *format;
  menu_place menu;
  const int *flag;
  const char *on;
  const char *off;
};

const menu_switch MENU_SWITCHES[] = {
    {"M: Minimize (%s)", {17, 53}, &minflag, "refinement", "pairwise"},
};

// The keys of a procedures-menu entry, whatever it is.
struct menu_keys {
  char first;
  char second;  // 0 for a single key
};

menu_keys keys_of(const char *keys) {
  return {keys[0], keys[0] == '\0' ? '\0' : keys[1]};
}

// Calls `visit` with the keys, label, place and action of every procedures-menu entry.
template <typename Visit>
void for_each_menu_entry(Visit visit) {
  for (int i = 0; i < PROC_COUNT; ++i) {
    const procedure_row &row = procedure(static_cast<procedure_id>(i));
    if (row.keys != nullptr) visit(row.keys, row.label, row.menu, row.id, nullptr);
  }
  for (const menu_screen &screen : MENU_SCREENS)
    visit(screen.keys, screen.label, screen.menu, PROC_COUNT, screen.run);
}

// First keys of every entry (and of every group).
const char *procedure_menu_keys() {
  static std::string keys;
  if (keys.empty()) {
    for_each_menu_entry([](const char *k, const char *, menu_place, procedure_id, void (*)()) {
      if (keys.find(k[0]) == std::string::npos) keys += k[0];
    });
  }
  return keys.c_str();
}

const char MAIN_MENU_KEYS[] = "IRBTXDC";

bool in_set(char key, const char *set) {
  return key != '\0' && strchr(set, key) != nullptr;
}

char upper(char key) {
  return static_cast<char>(toupper(static_cast<unsigned char>(key)));
}

bool opens_group(char first) {
  bool group = false;
  for_each_menu_entry([&](const char *k, const char *, menu_place, procedure_id, void (*)()) {
    group |= k[0] == first && k[1] != '\0';
  });
  return group;
}

// Draws a menu and reads keys at its prompt until one of `accepted` arrives. Returns 0 when the
// screen changed size meanwhile, so the caller redraws.
char read_menu_key(void (*draw)(), const char *accepted) {
  draw();
  int row = getcury(stdscr);
  int column = getcurx(stdscr);
  int lines = LINES;
  int cols = COLS;
  for (;;) {
    char key = upper(get_command());
    if (LINES != lines || COLS != cols) return 0;
    move(row, column);
    if (in_set(key, accepted)) return key;
  }
}

void draw_banner(const char *version) {
  static const char *const letters[] = {
      " ____    _    ______     __",      "/ ___|  / \\  |  _ \\ \\   / /",
      "\\___ \\ / _ \\ | |_) \\ \\ / / ", " ___) / ___ \\|  _ < \\ V /  ",
      "|____/_/   \\_\\_| \\_\\ \\_/   ",
  };
  clear();
  mvaddch(5, 2, '+');
  hline('-', 74);
  mvaddch(5, 77, '+');
  for (int row = 6; row <= 17; ++row) {
    mvaddch(row, 2, '|');
    mvaddch(row, 77, '|');
  }
  mvaddch(18, 2, '+');
  hline('-', 74);
  mvaddch(18, 77, '+');
  for (int i = 0; i < 5; ++i) mvaddstr(7 + i, 8, letters[i]);
  mvaddstr(7, 44, "Supervisory control of");
  mvaddstr(8, 44, "discrete-event systems");
  mvaddstr(10, 44, version);
  mvaddstr(13, 8, "--> ( 0 ) ---1---> ( 1 ) ---3---> (( 2 ))");
  mvaddstr(14, 18, "<---2---");
  mvaddstr(16, 8, "Press any key to begin.");
  move(0, 0);
  refresh();
}

}  // namespace

void bell_control_p() {
  toggle(&ring_active);
  ring_bell();
}

void display_control_p() {
  toggle(&debug_mode);
}

void timing_control_p() {
  toggle(&timing_mode);
}

void process_command(char key) {
  char second = 0;
  if (opens_group(key)) second = upper(get_command());
  procedure_id dialog = PROC_COUNT;
  void (*run)() = nullptr;
  for_each_menu_entry([&](const char *k, const char *, menu_place, procedure_id id, void (*r)()) {
    menu_keys entry = keys_of(k);
    if (entry.first != key || entry.second != second) return;
    dialog = id;
    run = r;
  });
  if (dialog != PROC_COUNT) run_dialog(dialog);
  if (run != nullptr) run();
}

void draw_menu_labels() {
  for_each_menu_entry(
      [](const char *, const char *label, menu_place place, procedure_id, void (*)()) {
        if (label != nullptr && place.row > 0) mvaddstr(place.row, place.column, label);
      });
  for (const menu_switch &s : MENU_SWITCHES)
    mvprintw(s.menu.row, s.menu.column, s.format, *s.flag ? s.on : s.off);
}

void tcommand() {
  while (!leaving) {
    if (wait_for_screen_size()) {
      leaving = true;
      return;
    }
    char key = read_menu_key(advance_menu, procedure_menu_keys());
    if (key == 'X') return;
    if (key != 0) process_command(key);
  }
}

void process_m_command(char key) {
  switch (key) {
    case 'I':
      introduction_p();
      break;
    case 'T':
      tcommand();
      break;
    case 'R':
      reset_directory_p();
      break;
    case 'B':
      bell_control_p();
      break;
    case 'D':
      display_control_p();
      break;
    case 'C':
      timing_control_p();
      break;
    default:
      break;
  }
}

int tovi_run() {
  if (stdscr == nullptr) {
    const char *term = getenv("TERM");
    fprintf(stderr, "sarv: no screen to run on (terminal type \"%s\")\n",
            term == nullptr ? "" : term);
    return 0;
  }
  set_escdelay(ESC_SEQUENCE_DELAY);
  leaving = false;
  if (wait_for_screen_size()) return 0;
  char version[32];
  snprintf(version, sizeof version, "%s 2006.07.01", PROGRAM_NAME);
  draw_banner(version);
  read_key();
  user_directory_notice();
  clear();
  while (!leaving) {
    if (wait_for_screen_size()) break;
    char key = read_menu_key(main_menu, MAIN_MENU_KEYS);
    if (key == 'X') break;
    process_m_command(key);
  }
  return 0;
}

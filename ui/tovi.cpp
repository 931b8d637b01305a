// The interactive front end's menu loop: banner, main menu with its switches, and the procedures
// menu that dispatches every dialog by one key or a pair of keys.
#include "ui/tovi.h"

#include <curses.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/des_data.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/kep_proc.h"

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

// One key or key pair of the procedures menu. `second` is 0 for a single key; a key that opens a
// group reads its second key with get_command. A null `run` is a dialog this build does not offer:
// the keys are accepted and the menu is redrawn.
struct procedure_key {
  char first;
  char second;
  void (*run)();
};

const procedure_key PROCEDURE_KEYS[] = {
    {'0', 0, nullptr},         // Create
    {'1', '\r', selfloop_p},   // Selfloop
    {'1', '0', complement_p},  // Complement
    {'2', 0, trim_p},          // Trim
    {'3', 0, sync_p},          // Sync
    {'4', 0, meet_p},          // Meet
    {'5', 0, supcon_p},        // Supcon
    {'6', 0, mutex_p},         // Mutex
    {'7', 0, condat_p},        // Condat
    {'8', 0, nullptr},         // Supreduce
    {'9', 0, minstate_p},      // Minstate
    {'P', '0', project_p},     // Project
    {'P', '1', nullptr},       // Convert
    {'H', '0', nullptr},       // Vocalize
    {'H', '1', nullptr},       // Outconsis
    {'H', '2', nullptr},       // Hiconsis
    {'H', '3', nullptr},       // Higen
    {'H', '4', allevents_p},   // Allevents
    {'R', '1', nullptr},       // Supnorm
    {'S', '1', nullptr},       // Supscop
    {'S', 'E', nullptr},       // Show DES
    {'S', 'A', nullptr},       // Show DAT
    {'S', 'X', nullptr},       // Show TXT
    {'F', 'E', nullptr},       // File DES to ADS, text or PostScript
    {'F', 'A', nullptr},       // File DAT to text or PostScript
    {'F', 'D', nullptr},       // File ADS to DES
    {'O', 'E', nullptr},       // Print DES
    {'O', 'A', nullptr},       // Print DAT
    {'O', 'X', nullptr},       // Print TXT
    {'I', 0, nullptr},         // Isomorph
    {'N', 0, nonconflict_p},   // Nonconflict
    {'E', 0, nullptr},         // Edit
    {'B', 0, bfs_recode_p},    // BFS-recode
    {'D', 0, nullptr},         // User file directory
    {'M', 0, toggle_minflag},  // minimization method, not listed on the menu
};

const char PROCEDURE_MENU_KEYS[] = "0123456789PHRNIBEDSOXMF";
const char MAIN_MENU_KEYS[] = "IRBTXDC";

bool in_set(char key, const char *set) {
  return key != '\0' && strchr(set, key) != nullptr;
}

char upper(char key) {
  return static_cast<char>(toupper(static_cast<unsigned char>(key)));
}

bool opens_group(char first) {
  for (const procedure_key &entry : PROCEDURE_KEYS)
    if (entry.first == first && entry.second != 0) return true;
  return false;
}

const procedure_key *find_procedure(char first, char second) {
  for (const procedure_key &entry : PROCEDURE_KEYS)
    if (entry.first == first && entry.second == second) return &entry;
  return nullptr;
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
  const procedure_key *entry = find_procedure(key, second);
  if (entry != nullptr && entry->run != nullptr) entry->run();
}

void tcommand() {
  while (!leaving) {
    if (wait_for_screen_size()) {
      leaving = true;
      return;
    }
    char key = read_menu_key(advance_menu, PROCEDURE_MENU_KEYS);
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
  clear();
  while (!leaving) {
    if (wait_for_screen_size()) break;
    char key = read_menu_key(main_menu, MAIN_MENU_KEYS);
    if (key == 'X') break;
    process_m_command(key);
  }
  return 0;
}

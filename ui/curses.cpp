// Key reading from the keyboard or a key script, and the cursor and bell helpers on the curses
// screen.
#include <curses.h>

#include <cstdlib>

#include "ui/io.h"

namespace {

// A script byte: 26 (Ctrl-Z) or the end of the script ends the run with status 255.
const int SCRIPT_END = 26;
const int SCRIPT_END_STATUS = 255;

int read_script_key() {
  int byte = fgetc(auto_in);
  if (byte == EOF || byte == SCRIPT_END) exit(SCRIPT_END_STATUS);
  return static_cast<signed char>(byte);
}

// Second half of a two-code key: page up and page down become 'u' and 'd'.
int translate_two_code_key(int second) {
  if (second == 73) return 'u';
  if (second == 81) return 'd';
  return 0;
}

}  // namespace

int read_key() {
  if (autotest) return read_script_key();
  int key = getch();
  if (key != 0) return key;
  return translate_two_code_key(getch());
}

int LoneEsc() {
  nodelay(stdscr, TRUE);
  int pending = 0;
  bool other_esc = false;
  for (int key = read_key(); key != KEY_NONE; key = read_key()) {
    ++pending;
    if (key == KEY_ESCAPE) other_esc = true;
  }
  nodelay(stdscr, FALSE);
  return pending == 0 || other_esc ? 1 : 0;
}

char get_command() {
  clrtoeol();
  refresh();
  int key = read_key();
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  refresh();
  return static_cast<char>(key & 0xFF);
}

void tab(int column) {
  move(getcury(stdscr), column);
}

int _wherex() {
  return stdscr == nullptr ? -1 : getcurx(stdscr);
}

int _wherey() {
  return stdscr == nullptr ? -1 : getcury(stdscr);
}

void ring_bell() {
  if (ring_active) beep();
}

void scroll_line() {
  int row = getcury(stdscr);
  int column = getcurx(stdscr);
  scrollok(stdscr, TRUE);
  wscrl(stdscr, 1);
  scrollok(stdscr, FALSE);
  move(row, column);
}

// Key reading from the keyboard or a key script, and the cursor and bell helpers on the curses
// screen.
#include <curses.h>

#include <cerrno>
#include <cstdio>
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

// True while LoneEsc drains pending keys with non-blocking reads.
bool draining = false;

// A blocking read that fails means the keyboard is gone (end of input, hang-up): nothing can
// ever answer a prompt again, so the run ends instead of spinning on the failed reads.
[[noreturn]] void keyboard_lost() {
  endwin();
  fprintf(stderr, "sarv: keyboard input ended\n");
  exit(1);
}

int read_keyboard_key() {
  for (;;) {
    errno = 0;
    int key = getch();
    if (key != ERR || draining) return key;
    if (errno != EINTR) keyboard_lost();
  }
}

}  // namespace

int read_key() {
  if (autotest) return read_script_key();
  int key = read_keyboard_key();
  if (key != 0) return key;
  return translate_two_code_key(read_keyboard_key());
}

int LoneEsc() {
  nodelay(stdscr, TRUE);
  draining = true;
  int pending = 0;
  bool other_esc = false;
  for (int key = read_key(); key != KEY_NONE; key = read_key()) {
    ++pending;
    if (key == KEY_ESCAPE) other_esc = true;
  }
  nodelay(stdscr, FALSE);
  draining = false;
  return pending == 0 || other_esc ? 1 : 0;
}

int peek_cancel_key() {
  if (autotest) {
    int byte = fgetc(auto_in);
    if (byte == KEY_ESCAPE || byte == KEY_INTERRUPT) return byte;
    if (byte != EOF) ungetc(byte, auto_in);
    return KEY_NONE;
  }
  nodelay(stdscr, TRUE);
  int key = getch();
  nodelay(stdscr, FALSE);
  if (key == KEY_ESCAPE || key == KEY_INTERRUPT) return key;
  if (key != ERR) ungetch(key);
  return KEY_NONE;
}

int read_key_within(int milliseconds) {
  if (autotest) return read_key();
  timeout(milliseconds);
  draining = true;
  int key = read_key();
  draining = false;
  timeout(-1);
  return key == ERR ? KEY_NONE : key;
}

char get_command() {
  clrtoeol();
  refresh();
  int key = read_key();
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  refresh();
  return static_cast<char>(key & 0xFF);
}

int wherex() {
  return stdscr == nullptr ? -1 : getcurx(stdscr);
}

int wherey() {
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

// Live progress and cancel while the front end waits for a compute process.
#include "ui/compute_watch.h"

#include <curses.h>

#include <chrono>

#include "engine/progress_file.h"
#include "model/des_data.h"
#include "ui/display.h"
#include "ui/io.h"

namespace {

const int ANSWER_POLL_MS = 200;

// In debug mode the compute process writes to the same terminal and may leave the terminal's
// cursor elsewhere than curses believes it is, so that curses' relative moves would draw in the
// wrong place. The cursor is put back by absolute addressing where curses believes it is, and
// rows 22 and 23 are marked to be drawn again whole.
void take_back_rows() {
  if (!debug_mode) return;
  char *cup = tigetstr("cup");
  if (cup != nullptr && cup != reinterpret_cast<char *>(-1))
    putp(tiparm(cup, getcury(curscr), getcurx(curscr)));
  wredrawln(stdscr, MESSAGE_ROW, 2);
}

// Row 23: the elapsed time and the compute process's latest progress line.
void draw_status(double elapsed) {
  char path[256], line[PROGRESS_RECORD + 1] = "";
  if (progress_file_path(path, sizeof path) == 0) read_progress(path, line, sizeof line);
  int seconds = static_cast<int>(elapsed);
  int y = getcury(stdscr), x = getcurx(stdscr);
  move(STATUS_ROW, 0);
  clrtoeol();
  printw("Processing:  Please wait...  %02d:%02d:%02d  ", seconds / 3600, seconds / 60 % 60,
         seconds % 60);
  addnstr(line, COLS - getcurx(stdscr) - 1);
  move(y, x);
}

}  // namespace

int front_end_watch(double elapsed, int interrupted) {
  take_back_rows();
  draw_status(elapsed);
  refresh();
  int key = interrupted ? KEY_INTERRUPT : peek_cancel_key();
  if (key != KEY_ESCAPE && key != KEY_INTERRUPT) return 0;
  // The time keeps running on row 23 while the question waits for its answer.
  auto asked = std::chrono::steady_clock::now();
  for (key = KEY_NONE; key == KEY_NONE;) {
    take_back_rows();
    draw_status(elapsed +
                std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count());
    move(MESSAGE_ROW, 0);
    clrtoeol();
    addstr("Cancel the computation? (y/*n)  ");
    refresh();
    key = read_key_within(ANSWER_POLL_MS);
  }
  move(MESSAGE_ROW, 0);
  clrtoeol();
  refresh();
  return key == 'y' || key == 'Y' ? 1 : 0;
}

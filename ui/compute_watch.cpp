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

// In debug mode the compute process writes to the same terminal: what the terminal shows, and
// where its cursor is, are then no longer what curses believes, and curses' updates (which move
// relative to that belief and skip what it believes is there) land in the wrong places. So the
// whole screen is drawn again from curses' own copy once a second, and when `now` is set.
void take_back_screen(double elapsed, bool now) {
  static int drawn_at = -1;
  int second = static_cast<int>(elapsed);
  if (!debug_mode || (!now && second == drawn_at)) return;
  drawn_at = second;
  clearok(curscr, TRUE);
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
  take_back_screen(elapsed, false);
  draw_status(elapsed);
  refresh();
  int key = interrupted ? KEY_INTERRUPT : peek_cancel_key();
  if (key != KEY_ESCAPE && key != KEY_INTERRUPT) return 0;
  // The time keeps running on row 23 while the question waits for its answer.
  auto asked = std::chrono::steady_clock::now();
  key = KEY_NONE;
  for (bool first = true; key == KEY_NONE; first = false) {
    double now =
        elapsed + std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    take_back_screen(now, first);
    draw_status(now);
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

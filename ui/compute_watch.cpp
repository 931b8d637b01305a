// Live progress and cancel while the front end waits for a compute process.
#include "ui/compute_watch.h"

#include <curses.h>

#include "engine/progress_file.h"
#include "model/des_data.h"
#include "ui/display.h"
#include "ui/io.h"

int front_end_watch(double elapsed, int interrupted) {
  if (!debug_mode) {
    char path[256], line[PROGRESS_RECORD + 1] = "";
    if (progress_file_path(path, sizeof path) == 0) read_progress(path, line, sizeof line);
    int seconds = static_cast<int>(elapsed);
    move(STATUS_ROW, 0);
    clrtoeol();
    printw("Processing:  Please wait...  %02d:%02d:%02d  ", seconds / 3600, seconds / 60 % 60,
           seconds % 60);
    addnstr(line, COLS - getcurx(stdscr) - 1);
    refresh();
  }
  int key = interrupted ? KEY_INTERRUPT : peek_cancel_key();
  if (key != KEY_ESCAPE && key != KEY_INTERRUPT) return 0;
  move(MESSAGE_ROW, 0);
  clrtoeol();
  addstr("Cancel the computation? (y/*n)  ");
  refresh();
  key = read_key();
  move(MESSAGE_ROW, 0);
  clrtoeol();
  refresh();
  return key == 'y' || key == 'Y' ? 1 : 0;
}

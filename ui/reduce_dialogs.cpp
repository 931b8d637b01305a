// Front-end hooks of the Supreduce dialog: its result display and what it says when the
// reduction fails.
#include <curses.h>

#include "engine/protocol.h"
#include "engine/result_messages.h"
#include "ui/dialog.h"
#include "ui/display.h"

bool supreduce_report(dialog_data *result) {
  for (int row = 19; row <= 21; ++row) {
    move(row, 0);
    clrtoeol();
  }
  move(20, 0);
  printw("Simplified supervisor %s has %d states; compression ratio = ", NAMES[result->output],
         static_cast<int>(result->size[result->output]));
  printw("%f", static_cast<double>(result->ratio));
  move(21, 0);
  printw("Lower bound estimate of minimal state size: %d", static_cast<int>(result->bound));
  return true;
}

// A failed reduction: its cause, named as `sarv -run` names it.
bool supreduce_failure(int code) {
  if (code != MURN_SUPREDUCE_ERROR) return false;
  move(MESSAGE_ROW, 0);
  clrtoeol();
  addstr(supreduce_failure_text(name1, name2, name3).c_str());
  return true;
}

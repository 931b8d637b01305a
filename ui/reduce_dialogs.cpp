// Front-end hooks of the Supreduce dialog: its result display (with a note when the meet of plant
// and supervisor was reduced in the supervisor's place) and what it says when the reduction
// fails.
#include <curses.h>

#include "algo/reduce.h"
#include "engine/protocol.h"
#include "engine/result_messages.h"
#include "ui/dialog.h"
#include "ui/display.h"

namespace {

// The check of supreduce on the dialog's names, run here; running out of memory in it leaves the
// dialog's memory flag as it was.
int check_inputs(bool *via_meet) {
  int saved = mem_result;
  int status = supreduce_check(name1, name2, name3, via_meet);
  mem_result = saved;
  return status;
}

}  // namespace

bool supreduce_report(dialog_data *result) {
  for (int row = 18; row <= 21; ++row) {
    move(row, 0);
    clrtoeol();
  }
  bool via_meet = false;
  if (check_inputs(&via_meet) == SUPRED_DONE && via_meet) {
    mvprintw(18, 0, "Some states of %s meet plant states of different marking:", name2);
    mvprintw(19, 0, "reduced Meet(%s,%s) in its place.", name1, name2);
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

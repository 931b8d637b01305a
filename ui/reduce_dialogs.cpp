// Front-end hooks of the Supreduce dialog: its result display and what it says when the
// reduction fails.
#include <curses.h>

#include "engine/protocol.h"
#include "model/des_file.h"
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

// A failed reduction: control data that cannot be read or belong to a supervisor of another
// size are named; any other failure means DES2 does not fit DES1.
bool supreduce_failure(int code) {
  if (code != MURN_SUPREDUCE_ERROR) return false;
  state_t n_sup = 0, n_dat = 0, init = 0, dat_init = -1;
  state_node *sup = nullptr, *dat = nullptr;
  bool sup_read = getdes(name2, &n_sup, &init, &sup);
  bool dat_fits = getdes(name3, &n_dat, &dat_init, &dat) && dat_init == -1 && n_dat == n_sup;
  freedes(n_sup, &sup);
  freedes(n_dat, &dat);
  move(MESSAGE_ROW, 0);
  clrtoeol();
  if (sup_read && !dat_fits)
    printw("%s.dat is not the control data of %s: supervisor not reduced.", name3, name2);
  else
    printw("%s is not a supervisor that %s can follow: supervisor not reduced.", name2, name1);
  return true;
}

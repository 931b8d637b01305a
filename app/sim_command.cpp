// Simulator run mode: arguments checked on the plain terminal, then the screen of ui/simulate.
#include "app/sim_command.h"

#include <curses.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/startup.h"
#include "model/des_file.h"
#include "ui/display.h"
#include "ui/simulate.h"

int sim_arguments(const char *program, int argc, char **argv) {
  if (argc < 3 || argc > 5) {
    fputs("Usage: sarv -sim PLANT [SUPERVISOR [DATA]]\n", stderr);
    return 2;
  }
  if (const char *problem = choose_user_directory(program, nullptr)) {
    fprintf(stderr, "sarv: %s\n", problem);
    return 2;
  }
  for (int i = 2; i < argc; i++) {
    char file[MAX_DES_PATH + 1];
    state_t kind = i == 4 ? -1 : 0;
    if (!des_file_path(argv[i], kind, file) || !des_name_ok(argv[i])) {
      fprintf(stderr, "sarv: \"%s\" is not a name of the user directory (no \"/\")\n", argv[i]);
      return 2;
    }
    if (access(file, R_OK) != 0) {
      fprintf(stderr, "sarv: no file %s\n", file);
      return 1;
    }
  }
  return 0;
}

int sim_command(int argc, char **argv) {
  if (stdscr == nullptr) {
    fputs("sarv: no screen to run the simulator on (set TERM)\n", stderr);
    return 1;
  }
  if (wait_for_screen_size()) return 0;
  set_escdelay(100);
  return simulate_screen(argv[2], argc > 3 ? argv[3] : nullptr, argc > 4 ? argv[4] : nullptr);
}

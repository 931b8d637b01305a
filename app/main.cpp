// Program entry: chooses the run mode from the first argument (front end, scripted front end,
// compute mode, batch run, explanations, pictures, usage, type-out), sets up the screen and the
// user directory.
#include <curses.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/interchange_command.h"
#include "app/picture_command.h"
#include "app/run_command.h"
#include "app/sim_command.h"
#include "app/why_command.h"
#include "engine/compute_guard.h"
#include "engine/progress_file.h"
#include "engine/protocol.h"
#include "engine/startup.h"
#include "engine/usage.h"
#include "model/des_data.h"
#include "model/mymalloc.h"
#include "model/progress.h"
#include "ui/compute_watch.h"
#include "ui/display.h"
#include "ui/io.h"
#include "ui/menus.h"

void CatcherINT(int signal_number);
int tovi_init(const char *program);
int tovi_done();

namespace {

// The curses screen, or null when no terminal could be set up (no TERM, CI); then progress
// lines go to standard output.
SCREEN *terminal_screen = nullptr;
// Terminal modes before curses started, restored when a compute process ends.
struct termios shell_modes;
bool shell_modes_saved = false;

void show_progress(const char *line) {
  if (terminal_screen != nullptr) {
    move(23, 0);
    clrtoeol();
    addstr(line);
    refresh();
  } else {
    printf("%s\n", line);
    fflush(stdout);
  }
}

// The compute process's progress side file, removed when the process ends normally (the waiting
// process removes it after a process that was killed).
char progress_path[256];

void remove_progress_file() {
  stop_reporting_progress();
  remove(progress_path);
}

void restore_shell_modes() {
  tcsetattr(STDIN_FILENO, TCSANOW, &shell_modes);
}

void start_screen() {
  shell_modes_saved = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &shell_modes) == 0;
  const char *term = getenv("TERM");
  if (term == nullptr || term[0] == '\0') return;
  terminal_screen = newterm(nullptr, stdout, stdin);
  if (terminal_screen == nullptr) return;
  nonl();
  cbreak();
  noecho();
  keypad(stdscr, TRUE);
}

[[noreturn]] void no_home_directory() {
  if (terminal_screen != nullptr) {
    mvaddstr(15, 0, "Cannot determine your HOME directory!\n");
    addstr("There is something wrong with your setup.\n");
    user_pause();
    endwin();
  } else {
    printf("Cannot determine your HOME directory!\nThere is something wrong with your setup.\n");
  }
  exit(0);
}

// The terminal as the shell had it, after a hang-up or termination signal.
void restore_terminal() {
  if (terminal_screen != nullptr) endwin();
  if (shell_modes_saved) restore_shell_modes();
}

int run_front_end(const char *program) {
  argv0 = program;
  tovi_init(program);
  end_compute_on_signals(restore_terminal);
  set_compute_watch(front_end_watch, true);
  set_lock_wait_notice(show_progress);
  tovi_run();
  tovi_done();
  return 0;
}

}  // namespace

// Interrupt handler of the front end: only re-arms itself, so the interrupt key is ignored.
void CatcherINT(int) {
  signal(SIGINT, CatcherINT);
}

// Screen set-up, start-up file location and user directory for every mode but type-out. The
// compute process leaves a terminal to the front end waiting on it, which shows its progress
// lines (murn.prg) with the elapsed time; to any other output it writes them as lines.
int tovi_init(const char *program) {
  if (!cmdline) start_screen();
  if (!cmdline || !isatty(STDOUT_FILENO)) set_progress_sink(show_progress);
  if (locate_murn_ini(program, getenv("HOME"), murn_ini_file) == MURN_INI_NO_HOME)
    no_home_directory();
  locate_info_file(program);
  setuserpath(murn_ini_file);
  return 0;
}

// Clears the terminal_screen and ends curses mode.
int tovi_done() {
  if (terminal_screen == nullptr) return 0;
  clear();
  refresh();
  endwin();
  delscreen(terminal_screen);
  terminal_screen = nullptr;
  return 0;
}

int main(int argc, char **argv) {
  const char *program = argc > 0 ? argv[0] : nullptr;
  // A write beyond the file-size limit fails with EFBIG and is reported like any failed write,
  // instead of ending the process with a temporary file left behind.
  signal(SIGXFSZ, SIG_IGN);
  // Reports arrive a few times a second at most, whatever the procedure.
  set_progress_interval(200);
  if (argc < 2) {
    signal(SIGINT, CatcherINT);
    return run_front_end(program);
  }
  if (strcmp(argv[1], "-autotest") == 0) {
    autotest = 1;
    ring_active = 0;
    debug_mode = 0;
    timing_mode = 1;
    argv0 = program;
    auto_in = argc > 2 ? fopen(argv[2], "rb") : nullptr;
    if (auto_in == nullptr) {
      printf("Error reading %s\n", argc > 2 ? argv[2] : "");
      return 1;
    }
    return run_front_end(program);
  }
  if (strcmp(argv[1], "-cmdline") == 0) {
    cmdline = 1;
    argv0 = program;
    set_out_of_memory_handler(murn_out_of_memory);
    tovi_init(program);
    compute_guard_start();
    if (progress_file_path(progress_path, sizeof progress_path) == 0 &&
        report_progress_to(progress_path) == 0)
      atexit(remove_progress_file);
    if (shell_modes_saved) atexit(restore_shell_modes);
    cmdline_kep_run();
    return 0;
  }
  if (strcmp(argv[1], "-run") == 0) {
    end_compute_on_signals(nullptr);
    return run_command(program, argc - 2, argv + 2);
  }
  if (strcmp(argv[1], "-why") == 0) {
    end_compute_on_signals(nullptr);
    return why_command(program, argc - 2, argv + 2);
  }
  if (strcmp(argv[1], "-dot") == 0 || strcmp(argv[1], "-svg") == 0 || strcmp(argv[1], "-png") == 0)
    return picture_main(program, argc - 1, argv + 1);
  if (strcmp(argv[1], "-export-gen") == 0 || strcmp(argv[1], "-import-gen") == 0 ||
      strcmp(argv[1], "-c") == 0)
    return interchange_command(program, argc, argv);
  if (strcmp(argv[1], "-sim") == 0) {
    int refused = sim_arguments(program, argc, argv);
    if (refused != 0) return refused;
    tovi_init(program);
    int status = sim_command(argc, argv);
    tovi_done();
    return status;
  }
  if (usage_option(argv[1]) == 1) {
    fputs(usage_text(), stdout);
    return 0;
  }
  if (usage_option(argv[1]) == 2) {
    printf("%s\n", sarv_version);
    return 0;
  }
  int typed = type_out(argv[1], stdout);
  if (typed == TYPE_OUT_DIRECTORY) {
    printf("Error reading %s: it is a directory\n", argv[1]);
    return 1;
  }
  if (typed != TYPE_OUT_DONE) {
    printf("Error reading %s\n", argv[1]);
    return 1;
  }
  return 0;
}

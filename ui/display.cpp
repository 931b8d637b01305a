// Menus, banner, introduction pages, the user-directory dialog and the shared screen routines.
#include "ui/display.h"

#include <curses.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/startup.h"
#include "model/des_data.h"
#include "model/des_file.h"
#include "ui/io.h"
#include "ui/menus.h"

const char *const PROGRAM_NAME = "SARV";

namespace {

const int MENU_COLUMN = 24;
const int PATH_WIDTH = 59;
const int INFO_BUFFER = 4000;
const int INFO_LINE = 253;

const char *on_off(int flag) {
  return flag ? "On" : "Off";
}

void clear_row(int row) {
  move(row, 0);
  clrtoeol();
}

// Entries of the user directory, hidden ones and subdirectories included, without "." and "..";
// 0 when it cannot be read. Temporary files that dead writers left are removed first.
int count_user_files() {
  remove_stale_temp_files(path);
  DIR *dir = opendir(path);
  if (dir == nullptr) return 0;
  int entries = 0;
  while (readdir(dir) != nullptr) ++entries;
  closedir(dir);
  return entries > 2 ? entries - 2 : 0;
}

// The row the introduction footer uses: row 24, or the last row of a shorter screen.
int intro_footer_row() {
  return LINES > 24 ? 24 : LINES - 1;
}

// Shows one page from the file's current position. Returns true when the file ended (last page).
bool show_intro_page(FILE *file) {
  clear();
  int last_row = intro_footer_row() - 1;
  int row = 0;
  char line[INFO_LINE + 2];
  while (fgets(line, INFO_LINE + 1, file) != nullptr) {
    if (line[0] == '$') return false;
    line[strcspn(line, "\r\n")] = '\0';
    if (row <= last_row) {
      if (line[0] != '#') mvaddnstr(row, 0, line, COLS);
      ++row;
    }
  }
  return true;
}

void intro_missing(const char *name, bool present) {
  clear();
  move(7, 0);
  addstr("FILE kepinfo.txt NOT FOUND!\n");
  if (present) {
    addstr("FILE EXPECTED AT: ");
    print_fix_filename(name, 62);
  } else {
    printw("FILE EXPECTED AT: %s", name);
  }
  user_pause();
}

void reset_directory_pause(const char *typed) {
  printw("\n\nDirectory %s does not exist!", typed);
  clear_row(STATUS_ROW);
  printw("Press <Enter> to return %s Procedures  ", PROGRAM_NAME);
  refresh();
  while (read_key() != KEY_RETURN) {
  }
}

// Says that the start-up file could not be written and waits for Enter.
void setting_not_saved() {
  printw("\n\nThe start-up file %s could not be written:", murn_ini_file);
  printw("\nthe user directory %s holds for this run only.", path);
  user_pause();
}

// Makes `typed` the user directory of this run, and of later runs when the start-up file can
// be written (the user is told when it cannot).
void adopt_directory(const char *typed, const char *previous_cwd) {
  if (chdir(previous_cwd) != 0) return;
  if (adopt_user_directory(typed) == USER_DIR_NOT_SAVED) setting_not_saved();
}

}  // namespace

void main_menu() {
  clear();
  mvprintw(4, MENU_COLUMN, "PROGRAM %s", PROGRAM_NAME);
  mvaddstr(7, MENU_COLUMN, "MAIN OPTIONS");
  mvaddstr(9, MENU_COLUMN, "I:  Introduction to SARV");
  mvaddstr(10, MENU_COLUMN, "T:  SARV Procedures");
  mvaddstr(11, MENU_COLUMN, "R:  Reset USER File Directory Path");
  mvprintw(12, MENU_COLUMN, "B:  Bell (%s)", on_off(ring_active));
  mvprintw(13, MENU_COLUMN, "D:  Debug mode (%s)", on_off(debug_mode));
  mvprintw(14, MENU_COLUMN, "C:  Clocking mode (%s)", on_off(timing_mode));
  mvaddstr(15, MENU_COLUMN, "X:  Quit SARV");
  mvaddstr(19, MENU_COLUMN, "Option desired?    ");
  refresh();
}

void advance_menu() {
  clear();
  mvprintw(3, 31, "%s PROCEDURES", PROGRAM_NAME);
  draw_menu_labels();
  mvaddstr(21, 5, "User directory: ");
  print_fix_filename(path, PATH_WIDTH);
  mvprintw(22, 5, "Number files: %d", count_user_files());
  mvaddstr(19, 31, "Procedure desired: ");
  refresh();
}

int intro_page_control(bool at_end, bool at_first) {
  clear_row(intro_footer_row());
  addstr(" D=PgDn  U=PgUp  Esc (Return to Main Options)  ");
  refresh();
  for (;;) {
    int key = read_key();
    if (key == 'd' || key == 'D' || key == KEY_RETURN || key == KEY_NPAGE) {
      if (!at_end) return 'd';
      ring_bell();
    } else if (key == 'u' || key == 'U' || key == KEY_PPAGE) {
      if (!at_first) return 'u';
      ring_bell();
    } else if (key == KEY_ESCAPE) {
      return KEY_ESCAPE;
    }
  }
}

void introduction_p() {
  if (!exist(info_file)) {
    intro_missing(info_file, false);
    return;
  }
  FILE *file = fopen(info_file, "r");
  if (file == nullptr) {
    intro_missing(info_file, true);
    return;
  }
  setvbuf(file, nullptr, _IOFBF, INFO_BUFFER);
  std::vector<long> page_starts;  // start of every page after the first, up to the current one
  for (;;) {
    bool at_end = show_intro_page(file);
    long next_page = ftell(file);
    int key = intro_page_control(at_end, page_starts.empty());
    if (key == KEY_ESCAPE) break;
    if (key == 'd') {
      page_starts.push_back(next_page);
    } else {
      page_starts.pop_back();
    }
    fseek(file, page_starts.empty() ? 0 : page_starts.back(), SEEK_SET);
  }
  fclose(file);
}

void reset_directory_header() {
  clear();
  addstr("\n\n            RESETTING USER FILE DIRECTORY PATH\n");
  addstr("\nFiles that you create while using SARV will be stored, by default,");
  addstr("\nin a subdirectory (subfolder) USER of the SARV directory.  However,");
  addstr("\nit is recommended that you store these files in a new directory,");
  addstr("\nsay NEWFILES, specific to the current project or session.\n");
  addstr("\nFor this, after creating NEWFILES in your operating system,");
  addstr("\nenter the corresponding path in response to the prompts below.\n");
  printw("\nCurrent directory path is %s. OK?  (*y/n)  ", path);
}

void reset_directory_p() {
  reset_directory_header();
  refresh();
  int key = read_key();
  if (key != 'n' && key != 'N') return;
  addch(static_cast<chtype>(key));
  addstr("\n\nHave you created an alternative user directory? (*y/n)  ");
  refresh();
  key = read_key();
  if (key == KEY_ESCAPE) return;
  if (key == 'n' || key == 'N') {
    addch(static_cast<chtype>(key));
    addstr("\n\nCreate new directory in your operating system, then restart SARV.");
    addstr("\n\nPress any key to exit.  ");
    refresh();
    read_key();
    clear();
    refresh();
    endwin();
    exit(0);
  }
  addstr("\n\nEnter path for new user directory:  ");
  refresh();
  char typed[MAX_PATH_LEN + 1];
  if (read_filename(typed, 1, MAX_PATH_LEN) == KEY_ESCAPE) return;
  char previous_cwd[256];
  if (getcwd(previous_cwd, sizeof previous_cwd) == nullptr) previous_cwd[0] = '\0';
  if (chdir(typed) != 0) {
    reset_directory_pause(typed);
    return;
  }
  // The start-up file keeps the absolute path, so it holds wherever sarv is started from next.
  char absolute[sizeof path];
  adopt_directory(getcwd(absolute, sizeof absolute) != nullptr ? absolute : typed, previous_cwd);
}

void user_directory_notice() {
  if (user_dir_status == USER_DIR_OK) return;
  clear();
  move(7, 0);
  if (user_dir_status == USER_DIR_NOT_SAVED) {
    printw("The start-up file %s could not be written:", murn_ini_file);
    printw("\nthe user directory %s holds for this run only.", path);
    user_pause();
    return;
  }
  printw("User directory %s does not exist.", missing_user_dir);
  printw("\nThe start-up file %s is kept as it is;", murn_ini_file);
  printw("\nfiles go to %s for now.", path);
  addstr("\n\nReset the user directory path now?  (*y/n)  ");
  refresh();
  int key = read_key();
  if (key == KEY_RETURN || key == 'y' || key == 'Y') reset_directory_p();
}

int wait_for_screen_size() {
  while (LINES < MIN_SCREEN_ROWS || COLS < MIN_SCREEN_COLS) {
    clear();
    mvprintw(0, 0, "Screen %dx%d is too small:", COLS, LINES);
    mvprintw(1, 0, "%s needs %dx%d.", PROGRAM_NAME, MIN_SCREEN_COLS, MIN_SCREEN_ROWS);
    mvaddstr(2, 0, "Enlarge the window,");
    mvaddstr(3, 0, "or press a key to quit.");
    refresh();
    int key = read_key();
    if (key != KEY_RESIZE && key != KEY_NONE) return 1;
  }
  return 0;
}

void statusline(const char *text) {
  int row = getcury(stdscr);
  int column = getcurx(stdscr);
  clear_row(STATUS_ROW);
  addstr(text);
  move(row, column);
}

void esc_footer() {
  statusline("Press <ESC> to cancel");
}

void continue_page(const char *text) {
  clear_row(STATUS_ROW);
  addstr(text);
}

void user_pause() {
  clear_row(STATUS_ROW);
  printw("Press <Enter> to return to %s Procedures  ", PROGRAM_NAME);
  refresh();
  ring_bell();
  while (read_key() != KEY_RETURN) {
  }
}

void OutOfMemoryMsg() {
  clear_row(MESSAGE_ROW);
  addstr("Problem too large -- out of memory!\n");
}

void echo_free() {
  clear_row(MESSAGE_ROW);
  clear_row(STATUS_ROW);
  addstr("Freeing memory:  Please wait...");
  refresh();
}

void print_fix_filename(const char *text, int width) {
  int len = static_cast<int>(strlen(text));
  if (len < width) {
    addstr(text);
  } else {
    printw("...%s", text + len - (width - 4));
  }
}

void doesNotExist(const char *name) {
  printw("\nFilename %s not in directory!\n", name);
}

void overwriteYN(const char *name) {
  printw("\nFilename %s already exists.  OK to overwrite?  (*y/n)  ", name);
}

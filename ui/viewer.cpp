// The page control shared by every paged view, the text pager, the directory listing and the
// paged name list.
#include "ui/viewer.h"

#include <curses.h>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/startup.h"
#include "model/des_data.h"
#include "ui/display.h"
#include "ui/io.h"

namespace {

const int TEXT_BUFFER = 32000;
const int TEXT_FIRST_ROW = 2;
const int TEXT_STOP_ROW = 22;
const int SCREEN_WIDTH = 80;
const int TAB_WIDTH = 8;
const char *const TEXT_FOOTER = " D=PgDn  U=PgUp  Esc (Exit Show)  ";
const char *const DIRECTORY_FOOTER = " D=PgDn  U=PgUp  Esc (Exit Directory)  ";

// Where the text pager puts the next character. Both the page display and the scan that finds
// the MAKEIT log's last page move it the same way, so they always agree on where pages start.
struct text_cursor {
  int row = TEXT_FIRST_ROW;
  int column = 0;

  // Advances over byte c; returns false for bytes that take no place (carriage return, 255).
  bool advance(int c) {
    if (c == '\r' || c == 255) return false;
    if (c == '\n') {
      new_row();
    } else if (c == '\t') {
      column = (column / TAB_WIDTH + 1) * TAB_WIDTH;
      if (column >= SCREEN_WIDTH) new_row();
    } else if (++column >= SCREEN_WIDTH) {
      new_row();
    }
    return true;
  }
  void new_row() {
    row++;
    column = 0;
  }
  bool page_full() const { return row >= TEXT_STOP_ROW; }
};

void view_header(const char *name, long size, long at, const char *date) {
  clear();
  int percent = size > 0 ? static_cast<int>(static_cast<long long>(at) * 100 / size) : 0;
  printw("%s     %ld (%3d%%)", name, size, percent);
  printw("%-35s DATE: %s", " ", date);
  addstr("\n\n");
}

// Prints the file from its current position until the page is full or the file ends. Sets *next
// to the offset after the last byte shown; returns true at the end of the file.
bool print_text_page(FILE *file, long *next) {
  text_cursor cursor;
  for (int c = getc(file); c != EOF; c = getc(file)) {
    int row = cursor.row, column = cursor.column;
    if (cursor.advance(c) && c != '\n' && c != '\t') {
      mvaddch(row, column, c >= 32 && c < 127 ? static_cast<chtype>(c) : '?');
    }
    if (cursor.page_full()) {
      *next = ftell(file);
      return false;
    }
  }
  *next = ftell(file);
  return true;
}

void directory_header() {
  clear();
  mvprintw(0, 0, "FILES IN: %s", path);
  move(3, 0);
}

}  // namespace

page_action page_key(int key, bool at_end, size_t depth, bool jumps) {
  switch (key) {
    case KEY_RETURN:
      return at_end ? PAGE_LEAVE : PAGE_NEXT;
    case 'd':
    case KEY_NPAGE:
      return at_end ? PAGE_BELL : PAGE_NEXT;
    case 'u':
    case KEY_PPAGE:
      if (depth == 0) return PAGE_BELL;
      return depth == 1 ? PAGE_FIRST : PAGE_BACK;
    case KEY_ESCAPE:
      return PAGE_CANCEL;
    case 'h':
    case 'H':
      return jumps ? PAGE_JUMP_HEAD : PAGE_IGNORE;
    case 'v':
    case 'V':
      return jumps ? PAGE_JUMP_VOCAL : PAGE_IGNORE;
    case 't':
    case 'T':
      return jumps ? PAGE_JUMP_TRAN : PAGE_IGNORE;
    default:
      return PAGE_IGNORE;
  }
}

page_action page_control(const char *footer, bool at_end, size_t depth, bool jumps) {
  if (LINES < MIN_SCREEN_ROWS || COLS < MIN_SCREEN_COLS)
    return wait_for_screen_size() ? PAGE_CANCEL : PAGE_REDRAW;
  continue_page(footer);
  refresh();
  for (;;) {
    int key = read_key();
    if (key == KEY_RESIZE) return wait_for_screen_size() ? PAGE_CANCEL : PAGE_REDRAW;
    page_action action = page_key(key, at_end, depth, jumps);
    if (action == PAGE_BELL) ring_bell();
    if (action != PAGE_BELL && action != PAGE_IGNORE) return action;
  }
}

std::vector<long> text_page_starts(const char *data, size_t length) {
  std::vector<long> starts;
  text_cursor cursor;
  for (size_t i = 0; i < length; i++) {
    cursor.advance(static_cast<unsigned char>(data[i]));
    if (cursor.page_full()) {
      starts.push_back(static_cast<long>(i + 1));
      cursor = text_cursor();
    }
  }
  return starts;
}

void show_ascii_header() {
  clear();
  addstr("SHOW\n\nSHOW(TXT)\n\n");
}

std::string text_file_name(const std::string &name) {
  static const char *const extensions[] = {".txt", ".pds", ".pdt", ".ads"};
  for (const char *ext : extensions) {
    size_t length = strlen(ext);
    if (name.size() > length && strcasecmp(name.c_str() + name.size() - length, ext) == 0)
      return name;
  }
  return name + ".txt";
}

void show_ascii_p() {
  show_ascii_header();
  char name[MAX_NAME_LEN + 1];
  char full[FULL_NAME_SIZE];
  for (;;) {
    if (getcury(stdscr) > MESSAGE_ROW) {
      clear();
      addstr("\n");
    }
    addstr("Enter name of TXT ...  ");
    esc_footer();
    refresh();
    int key = read_des_name(name, 1, MAX_NAME_LEN);
    addstr("\n");
    if (key == KEY_ESCAPE) return;
    std::string file = text_file_name(name);
    snprintf(full, sizeof full, "%s%s", prefix, file.c_str());
    if (exist(full)) break;
    ring_bell();
    doesNotExist(name);
  }
  ascii_viewer(full, name);
}

void ascii_viewer(const char *full_name, const char *name) {
  FILE *file = fopen(full_name, "rb");
  if (file == nullptr) return;
  setvbuf(file, nullptr, _IOFBF, TEXT_BUFFER);
  struct stat info;
  long size = 0;
  char date[16] = "";
  if (fstat(fileno(file), &info) == 0) {
    size = static_cast<long>(info.st_size);
    strftime(date, sizeof date, "%Y.%m.%d", localtime(&info.st_mtime));
  }
  std::vector<long> stack;
  long at = 0;
  if (strcmp(name, "makeit") == 0 || strcmp(name, "makeit.txt") == 0) {
    std::string text;
    char block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
    stack = text_page_starts(text.data(), text.size());
    if (!stack.empty()) at = stack.back();
  }
  for (;;) {
    fseek(file, at, SEEK_SET);
    view_header(name, size, at, date);
    long next = at;
    bool at_end = print_text_page(file, &next);
    page_action action = page_control(TEXT_FOOTER, at_end, stack.size(), false);
    if (!turn_page(action, &stack, next, 0L, &at)) break;
  }
  fclose(file);
}

bool read_directory(const char *dir_path, std::vector<std::string> *names) {
  names->clear();
  std::string dot = std::string(dir_path) + "/.";
  struct dirent **entries = nullptr;
  int count = scandir(dot.c_str(), &entries, nullptr, alphasort);
  if (count < 0) return false;
  for (int i = 0; i < count; i++) {
    names->push_back(entries[i]->d_name);
    free(entries[i]);
  }
  free(entries);
  return true;
}

name_list_layout directory_layout(size_t longest) {
  if (longest + 2 < 20) return {18, 0, 80, 0, 20};
  if (longest + 2 < 40) return {38, 0, 80, 0, 20};
  return {78, 0, 80, 0, 20};
}

name_list_layout failure_layout(size_t longest) {
  if (longest + 2 <= 16) return {15, 4, 68, 11, 18};
  if (longest + 2 <= 33) return {32, 2, 68, 11, 18};
  return {66, 1, 68, 11, 18};
}

void paged_names(const std::vector<std::string> &names, const name_list_layout &layout,
                 void (*header)(), const char *footer, void (*extra_rows)()) {
  std::vector<size_t> stack;
  size_t at = 0;
  for (;;) {
    size_t i = at;
    int in_row = 0;
    for (; i < names.size() && getcury(stdscr) <= layout.last_row; i++) {
      printw("%-*.*s  ", layout.cell, layout.max_chars, names[i].c_str());
      if (layout.per_row > 0 && ++in_row == layout.per_row) {
        printw("\n%*s", layout.indent, "");
        in_row = 0;
      }
    }
    if (extra_rows != nullptr) extra_rows();
    page_action action = page_control(footer, i >= names.size(), stack.size(), false);
    if (!turn_page(action, &stack, i, size_t{0}, &at)) return;
    header();
  }
}

void directory_p() {
  std::vector<std::string> names;
  bool readable = read_directory(path, &names);
  directory_header();
  if (readable && names.empty()) {
    mvprintw(7, 0, "NO FILES IN %s", path);
    user_pause();
    return;
  }
  size_t longest = 0;
  for (const std::string &n : names) longest = std::max(longest, n.size());
  paged_names(names, directory_layout(longest), directory_header, DIRECTORY_FOOTER, nullptr);
}

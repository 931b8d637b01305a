// Field input of the dialogs: file names, integers, and the file-name helpers that go with them.
#include "ui/io.h"

#include <curses.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "model/des_data.h"
#include "model/des_file.h"
#include "ui/display.h"

int autotest = 0;
FILE *auto_in = nullptr;
int ring_active = 1;
int timing_mode = 0;

namespace {

bool is_delete_key(int key) {
  return key == 8 || key == 127 || key == KEY_BACKSPACE;
}

// Redraws a field from (row, column) and leaves the cursor after it.
void draw_field(int row, int column, const char *field) {
  move(row, column);
  clrtoeol();
  addstr(field);
  move(row, column + static_cast<int>(strlen(field)));
}

enum name_verdict { NAME_ACCEPTED, NAME_CANCELLED, NAME_REFUSED };

// Checks `name` against the user directory: an input must exist; an existing output needs the
// user's consent (Enter, y: accept; Esc: cancel; anything else: ask for another name).
name_verdict check_name(char *name, const char *ext, int is_output) {
  if (!des_name_ok(name)) {
    ring_bell();
    printw("\n%s\n", DES_NAME_RULE);
    return NAME_REFUSED;
  }
  char full[FULL_NAME_SIZE];
  make_filename_ext(full, name, ext);
  bool present = exist(full);
  if (!is_output) {
    if (present) return NAME_ACCEPTED;
    ring_bell();
    doesNotExist(name);
    return NAME_REFUSED;
  }
  if (!present) return NAME_ACCEPTED;
  ring_bell();
  overwriteYN(name);
  refresh();
  int key = read_key();
  if (key == KEY_RETURN) {
    addstr("\n\n");
    return NAME_ACCEPTED;
  }
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  addstr("\n\n");
  if (key == KEY_ESCAPE) return NAME_CANCELLED;
  if (key == 'y' || key == 'Y') return NAME_ACCEPTED;
  return NAME_REFUSED;
}

// The name loop shared by getname and getname2; `verdict` is the outcome of a check made before.
int finish_name(const char *prompt, const char *ext, char *name, int is_output,
                name_verdict verdict) {
  while (verdict == NAME_REFUSED) {
    if (prompt_name(prompt, name, 1)) return 1;
    verdict = check_name(name, ext, is_output);
  }
  if (verdict == NAME_CANCELLED) return 1;
  addstr("\n");
  refresh();
  return 0;
}

int decimal_width(long value) {
  char text[24];
  return snprintf(text, sizeof text, "%ld", value);
}

// The row that says why a key or an entry was refused: row 22, or row 23 (the Esc footer's)
// when the field itself stands on row 22.
struct refusal_row {
  int field_row;
  bool shown = false;

  int row() const { return field_row == MESSAGE_ROW ? STATUS_ROW : MESSAGE_ROW; }
  // Bell and `text` on the row; the cursor goes back where it was.
  void refuse(const char *text) {
    ring_bell();
    int y = getcury(stdscr), x = getcurx(stdscr);
    move(row(), 0);
    clrtoeol();
    addnstr(text, COLS - 1);
    move(y, x);
    shown = true;
  }
  // Clears the message once a key was taken, and puts the Esc footer back if it stood there.
  void clear() {
    if (!shown) return;
    int y = getcury(stdscr), x = getcurx(stdscr);
    move(row(), 0);
    clrtoeol();
    if (row() == STATUS_ROW) esc_footer();
    move(y, x);
    shown = false;
  }
};

// The integer field behind readint and readintall.
long read_int_field(int *key, long low, long high, bool star_allowed, const char *rule) {
  int width = decimal_width(low) > decimal_width(high) ? decimal_width(low) : decimal_width(high);
  char field[24] = "";
  int len = 0;
  int row = getcury(stdscr);
  int column = getcurx(stdscr);
  std::string text = rule != nullptr ? rule : field_rule("numbers", low, high);
  refusal_row message{row};
  for (;;) {
    draw_field(row, column, field);
    if (!message.shown || message.row() != STATUS_ROW) esc_footer();
    refresh();
    int k = read_key();
    if (k == '-' || (k >= '0' && k <= '9') || (star_allowed && k == '*')) {
      if (len < width) {
        field[len++] = static_cast<char>(k);
        field[len] = '\0';
        message.clear();
      } else {
        message.refuse(text.c_str());
      }
    } else if (is_delete_key(k)) {
      if (len > 0) field[--len] = '\0';
      message.clear();
    } else if (k == KEY_RETURN) {
      if (star_allowed && strcmp(field, "*") == 0) {
        message.clear();
        *key = '*';
        return 0;
      }
      if (strchr(field, '*') == nullptr && validint(field, low, high)) {
        message.clear();
        *key = KEY_RETURN;
        return strtol(field, nullptr, 10);
      }
      message.refuse(text.c_str());
    } else if (k == KEY_ESCAPE && LoneEsc()) {
      message.clear();
      *key = KEY_ESCAPE;
      return 0;
    } else {
      message.refuse(text.c_str());
    }
  }
}

// The field behind read_filename and read_des_name. A DES name field refuses the keys that the
// name rule (des_name_ok) does not allow and says why on the message row.
int read_field(char *dst, int min_len, int max_len, bool des_name) {
  char field[MAX_PATH_LEN + 1] = "";
  if (max_len > MAX_PATH_LEN) max_len = MAX_PATH_LEN;
  int len = 0;
  int row = getcury(stdscr);
  int column = getcurx(stdscr);
  refusal_row message{row};
  for (;;) {
    draw_field(row, column, field);
    refresh();
    int key = read_key();
    if (is_delete_key(key)) {
      if (len > 0) field[--len] = '\0';
      message.clear();
    } else if (key == KEY_RETURN) {
      if (validfilename(field, min_len, max_len) &&
          (!des_name || field[0] == '\0' || des_name_ok(field))) {
        message.clear();
        memcpy(dst, field, len + 1);
        return KEY_RETURN;
      }
      if (des_name && len > 0)
        message.refuse(DES_NAME_RULE);
      else
        ring_bell();
    } else if (key == KEY_ESCAPE) {
      if (LoneEsc()) {
        message.clear();
        return KEY_ESCAPE;
      }
      ring_bell();
    } else if (key >= 32 && key <= 126) {
      if (des_name && (len >= max_len || !des_name_char_ok(static_cast<char>(key), len))) {
        message.refuse(DES_NAME_RULE);
      } else if (len >= max_len) {
        ring_bell();
      } else if (key != ' ' || len > 0) {
        field[len++] = static_cast<char>(key);
        field[len] = '\0';
        message.clear();
      }
    } else {
      ring_bell();
    }
  }
}

}  // namespace

bool validfilename(const char *text, int min_len, int max_len) {
  int len = static_cast<int>(strlen(text));
  return min_len <= len && len <= max_len;
}

int prompt_name(const char *prompt, char *name, int min_len) {
  name[0] = '\0';
  if (getcury(stdscr) > MESSAGE_ROW) {
    clear();
    addstr("\n");
  }
  addstr(prompt);
  esc_footer();
  refresh();
  int key = read_des_name(name, min_len, MAX_NAME_LEN);
  addstr("\n");
  if (key != KEY_ESCAPE) return 0;
  addstr("\n");
  return 1;
}

int read_filename(char *dst, int min_len, int max_len) {
  return read_field(dst, min_len, max_len, false);
}

int read_des_name(char *dst, int min_len, int max_len) {
  return read_field(dst, min_len, max_len, true);
}
int getname(const char *prompt, const char *ext, char *name, int is_output) {
  return finish_name(prompt, ext, name, is_output, NAME_REFUSED);
}

int getname2(const char *prompt, const char *ext, char *name, int is_output) {
  return finish_name(prompt, ext, name, is_output, check_name(name, ext, is_output));
}

long readint(int *key, long low, long high, const char *rule) {
  return read_int_field(key, low, high, false, rule);
}

long readintall(int *key, long low, long high, const char *rule) {
  return read_int_field(key, low, high, true, rule);
}

std::string field_rule(const char *what, long low, long high) {
  if (high < low) return std::string("there are no ") + what;
  return std::string(what) + " are " + std::to_string(low) + ".." + std::to_string(high);
}

bool validint(const char *text, long low, long high) {
  if (strcmp(text, "0") == 0) return low <= 0 && 0 <= high;
  long value = strtol(text, nullptr, 10);
  return value != 0 && low <= value && value <= high;
}

void make_filename_ext(char *dst, char *name, const char *ext) {
  for (int i = 0; i < 2 && name[0] == ' '; ++i) memmove(name, name + 1, strlen(name));
  snprintf(dst, FULL_NAME_SIZE, "%s%s%s", prefix, name, ext);
}

bool exist(const char *full_name) {
  struct stat info;
  return stat(full_name, &info) == 0;
}

// Start-up file lookup, user directory selection and the type-out mode.
#include "engine/startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "model/des_data.h"

const char *argv0 = nullptr;
char path[256] = "";
char murn_ini_file[256] = "";
char info_file[256] = "";

namespace {

const char MURN_INI[] = "murn.ini";
// path must leave room for the "/" that prefix adds within 256 bytes.
const size_t MAX_USER_PATH = sizeof path - 2;

bool ends_with_slash(const char *text) {
  size_t len = strlen(text);
  return len > 0 && text[len - 1] == '/';
}

// Reads the first blank-delimited word of `f` into word[capacity]. Returns false when the file
// holds no word or the word does not fit.
bool read_first_word(FILE *f, char *word, size_t capacity) {
  int c;
  do c = getc(f);
  while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f');
  size_t len = 0;
  while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') {
    if (len + 1 >= capacity) return false;
    word[len++] = static_cast<char>(c);
    c = getc(f);
  }
  word[len] = '\0';
  return len > 0;
}

// True when `dir` can be entered. The working directory is kept open and restored, so its name
// may have any length.
bool can_enter(const char *dir) {
  int here = open(".", O_RDONLY | O_DIRECTORY);
  if (here < 0) return false;
  bool entered = chdir(dir) == 0;
  if (entered && fchdir(here) != 0) entered = false;
  close(here);
  return entered;
}

// prefix = path + "/" (unless path ends in one); path has at most MAX_USER_PATH characters.
void set_prefix_from_path() {
  strcpy(prefix, path);
  if (!ends_with_slash(prefix)) strcat(prefix, "/");
}

// The default user directory: the working directory's "user" subdirectory.
void set_default_path() {
  char cwd[256];
  if (getcwd(cwd, sizeof cwd) != nullptr && strlen(cwd) + strlen("/user") <= MAX_USER_PATH) {
    strcpy(path, cwd);
    if (!ends_with_slash(path)) strcat(path, "/");
    strcat(path, "user");
  } else {
    strcpy(path, "user");
  }
  set_prefix_from_path();
}

void write_murn_ini(const char *file) {
  if (file[0] == '\0') return;
  FILE *f = fopen(file, "wt");
  if (f == nullptr) return;
  fprintf(f, "%s\n", path);
  fclose(f);
}

}  // namespace

int locate_murn_ini(const char *program, const char *home, char *file) {
  file[0] = '\0';
  const char *slash = program != nullptr ? strrchr(program, '/') : nullptr;
  int written;
  if (slash != nullptr) {
    written = snprintf(file, 256, "%.*s/%s", static_cast<int>(slash - program), program, MURN_INI);
  } else {
    if (home == nullptr) return MURN_INI_NO_HOME;
    written = snprintf(file, 256, "%s%s%s", home, ends_with_slash(home) ? "" : "/", MURN_INI);
  }
  if (written < 0 || written > 255) {
    file[0] = '\0';
    return MURN_INI_TOO_LONG;
  }
  return MURN_INI_FOUND;
}

void setuserpath(const char *file) {
  FILE *f = file[0] != '\0' ? fopen(file, "rt") : nullptr;
  if (f != nullptr) {
    char word[sizeof path];
    bool usable = read_first_word(f, word, MAX_USER_PATH + 1) && can_enter(word);
    fclose(f);
    if (usable) {
      strcpy(path, word);
      set_prefix_from_path();
      write_murn_ini(file);
      return;
    }
  }
  set_default_path();
  write_murn_ini(file);
}

int type_out(const char *name, FILE *out) {
  FILE *f = fopen(name, "rb");
  if (f == nullptr) return 1;
  int c;
  while ((c = getc(f)) != EOF) {
    putc(c, out);
    if (c == 0x1A) break;
  }
  fclose(f);
  return 0;
}

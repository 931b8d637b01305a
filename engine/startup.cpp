// Start-up file lookup, user directory selection and the type-out mode.
#include "engine/startup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/des_data.h"

const char *argv0 = nullptr;
char path[256] = "";
char murn_ini_file[256] = "";
char info_file[256] = "";
const char USER_DIR_VARIABLE[] = "SARV_USER_DIR";
int user_dir_status = USER_DIR_OK;
char missing_user_dir[256] = "";

namespace {

const char MURN_INI[] = "murn.ini";
// path must leave room for the "/" that prefix adds within 256 bytes.
const size_t MAX_USER_PATH = sizeof path - 2;

bool ends_with_slash(const char *text) {
  size_t len = strlen(text);
  return len > 0 && text[len - 1] == '/';
}

// Reads the first line of `f` without its line end ("\n" or "\r\n") into line[capacity]; a line
// that does not fit keeps its first capacity - 1 characters. Returns the line's full length.
size_t read_first_line(FILE *f, char *line, size_t capacity) {
  size_t len = 0;
  int c;
  while ((c = getc(f)) != EOF && c != '\n') {
    if (len + 1 < capacity) line[len] = static_cast<char>(c);
    len++;
  }
  size_t kept = len < capacity ? len : capacity - 1;
  if (len == kept && kept > 0 && line[kept - 1] == '\r') len = --kept;
  line[kept] = '\0';
  return len;
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

// Writes path and a newline to the start-up file. False when it cannot be written.
bool write_murn_ini(const char *file) {
  if (file[0] == '\0') return false;
  FILE *f = fopen(file, "wt");
  if (f == nullptr) return false;
  fprintf(f, "%s\n", path);
  bool written = !ferror(f);
  return fclose(f) == 0 && written;
}

// path = dir (at most MAX_USER_PATH characters) and prefix from it.
void use_directory(const char *dir) {
  snprintf(path, sizeof path, "%s", dir);
  set_prefix_from_path();
}

// The default user directory: the working directory's "user" subdirectory.
void set_default_path() {
  char cwd[256];
  std::string dir = "user";
  if (getcwd(cwd, sizeof cwd) != nullptr && strlen(cwd) + strlen("/user") <= MAX_USER_PATH)
    dir = std::string(cwd) + (ends_with_slash(cwd) ? "" : "/") + dir;
  use_directory(dir.c_str());
}

// The start-up file's first line into line[sizeof path]; returns its full length (0 when the
// file cannot be read).
size_t read_setting(const char *file, char *line) {
  line[0] = '\0';
  FILE *f = file[0] != '\0' ? fopen(file, "rt") : nullptr;
  if (f == nullptr) return 0;
  size_t len = read_first_line(f, line, sizeof path);
  fclose(f);
  return len;
}

bool usable_directory(const char *line, size_t len) {
  return len > 0 && len <= MAX_USER_PATH && can_enter(line);
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

namespace {

// Writes DIR/kepinfo.txt into info_file when that file exists; `dir_len` characters of `dir`.
bool info_file_in(const char *dir, int dir_len) {
  char candidate[sizeof info_file];
  int written = snprintf(candidate, sizeof candidate, "%.*s/kepinfo.txt", dir_len, dir);
  if (written < 0 || written >= static_cast<int>(sizeof candidate) || access(candidate, R_OK) != 0)
    return false;
  memcpy(info_file, candidate, sizeof info_file);
  return true;
}

}  // namespace

void locate_info_file(const char *program) {
  const char *slash = program != nullptr ? strrchr(program, '/') : nullptr;
  if (slash != nullptr && info_file_in(program, static_cast<int>(slash - program))) return;
  snprintf(info_file, sizeof info_file, "kepinfo.txt");
}

const char *choose_user_directory(const char *program, const char *dir) {
  if (dir == nullptr) {
    if (locate_murn_ini(program, getenv("HOME"), murn_ini_file) == MURN_INI_NO_HOME)
      return "cannot determine your HOME directory for murn.ini; use -d DIR";
    setuserpath(murn_ini_file);
    return nullptr;
  }
  char *full = realpath(dir, nullptr);
  struct stat info;
  bool is_dir = full != nullptr && stat(full, &info) == 0 && S_ISDIR(info.st_mode);
  bool fits = is_dir && strlen(full) <= MAX_USER_PATH;
  if (fits) {
    snprintf(path, sizeof path, "%s", full);
    snprintf(prefix, sizeof prefix, "%s/", full);
    setenv(USER_DIR_VARIABLE, full, 1);
  }
  free(full);
  return !is_dir ? "no directory" : fits ? nullptr : "directory path too long";
}

void setuserpath(const char *file) {
  user_dir_status = USER_DIR_OK;
  missing_user_dir[0] = '\0';
  const char *handed = cmdline ? getenv(USER_DIR_VARIABLE) : nullptr;
  if (handed != nullptr && handed[0] != '\0' && strlen(handed) <= MAX_USER_PATH)
    return use_directory(handed);
  char line[sizeof path];
  size_t len = read_setting(file, line);
  if (usable_directory(line, len)) return use_directory(line);
  set_default_path();
  if (cmdline) return;
  if (len > 0) {
    snprintf(missing_user_dir, sizeof missing_user_dir, "%s", line);
    user_dir_status = USER_DIR_MISSING;
  } else if (!write_murn_ini(file)) {
    user_dir_status = USER_DIR_NOT_SAVED;
  }
}

int adopt_user_directory(const char *dir) {
  if (dir[0] == '\0' || strlen(dir) > MAX_USER_PATH) return USER_DIR_MISSING;
  use_directory(dir);
  user_dir_status = write_murn_ini(murn_ini_file) ? USER_DIR_OK : USER_DIR_NOT_SAVED;
  return user_dir_status;
}

int type_out(const char *name, FILE *out) {
  struct stat info;
  if (stat(name, &info) == 0 && S_ISDIR(info.st_mode)) return TYPE_OUT_DIRECTORY;
  FILE *f = fopen(name, "rb");
  if (f == nullptr) return TYPE_OUT_UNREADABLE;
  int c;
  while ((c = getc(f)) != EOF) {
    putc(c, out);
    if (c == 0x1A) break;
  }
  fclose(f);
  return TYPE_OUT_DONE;
}

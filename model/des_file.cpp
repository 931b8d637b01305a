// DES and DAT files. Layout, all integers little-endian:
//   header text, 0x1A, signature "Z8^0L;1", byte-order mark 0xFF00AA55, block type 0,
//   block length (bytes from offset 46 up to the vocal list's terminator), size, init,
//   marker list   {state}* -1
//   transition list {state, uint16 count, count tran_entry words}* -1
//   vocal list    {state, int16 output}* -1
//   end block -1, 8, 0, 0.
// The in-memory tran_entry word is the file word, so transition arrays move as whole blocks.
#include "model/des_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/mymalloc.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "DES files hold the machine's words unchanged: little-endian hosts only");

namespace {

const char HEADER_FORMAT[] = "%s DES file. Version 1.0";
const char HEADER_NAME[] = "SARV";
const char SIGNATURE[7] = {'Z', '8', '^', '0', 'L', ';', '1'};
const char END_OF_TEXT = 0x1A;
const uint32_t BYTE_ORDER_MARK = 0xFF00AA55u;
const int32_t DATA_BLOCK = 0;
const int32_t END_OF_LIST = -1;
const long BLOCK_LENGTH_OFFSET = 42;
const long DATA_OFFSET = 46;
const int32_t END_BLOCK[4] = {-1, 8, 0, 0};
// Stream buffer of both directions.
const size_t STREAM_BUFFER = 32000;
// Letters or digits mkostemps puts between TEMP_MARK and the suffix.
const size_t TEMP_RANDOM = 6;
const char *const TEMP_SUFFIXES[] = {".des", ".dat", ".tmp"};

// The temporary file of the filedes in progress, for des_file_discard_temp.
char active_temp[MAX_DES_PATH + 32];
volatile sig_atomic_t temp_active = 0;

void put32(FILE *f, int32_t value) {
  fwrite(&value, sizeof value, 1, f);
}

// Writes everything from the header to the end block. Write errors are left in the stream's
// error flag for the caller to test once; returns false when the block length could not be placed.
bool write_body(FILE *f, state_t size, state_t init, const state_node *des) {
  char header[32];
  int header_len = snprintf(header, sizeof header, HEADER_FORMAT, HEADER_NAME);
  fwrite(header, 1, static_cast<size_t>(header_len), f);
  fputc(END_OF_TEXT, f);
  fwrite(SIGNATURE, 1, sizeof SIGNATURE, f);
  fwrite(&BYTE_ORDER_MARK, sizeof BYTE_ORDER_MARK, 1, f);
  put32(f, DATA_BLOCK);
  put32(f, 0);  // block length, filled in below
  put32(f, size);
  put32(f, init);

  for (state_t s = 0; s < size; s++)
    if (des[s].marked) put32(f, s);
  put32(f, END_OF_LIST);

  for (state_t s = 0; s < size; s++) {
    uint16_t count = des[s].numelts;
    if (count == 0 || des[s].next == nullptr) continue;
    put32(f, s);
    fwrite(&count, sizeof count, 1, f);
    fwrite(des[s].next, sizeof(tran_entry), count, f);
  }
  put32(f, END_OF_LIST);

  for (state_t s = 0; s < size; s++) {
    if (des[s].vocal == 0) continue;
    put32(f, s);
    int16_t output = static_cast<int16_t>(des[s].vocal);
    fwrite(&output, sizeof output, 1, f);
  }
  put32(f, END_OF_LIST);

  long end = ftell(f);
  bool placed = end >= DATA_OFFSET && fseek(f, BLOCK_LENGTH_OFFSET, SEEK_SET) == 0;
  if (placed) {
    put32(f, static_cast<int32_t>(end - DATA_OFFSET));
    placed = fseek(f, 0, SEEK_END) == 0;
  }
  fwrite(END_BLOCK, sizeof END_BLOCK, 1, f);
  return placed;
}

const char *extension_of(state_t init) {
  return init == -1 ? ".dat" : ".des";
}

bool get(FILE *f, void *to, size_t bytes) {
  return fread(to, 1, bytes, f) == bytes;
}

bool get32(FILE *f, int32_t *value) {
  return get(f, value, sizeof *value);
}

// Skips the header text up to its 0x1A and checks signature, byte-order mark and block type;
// then reads the state count and initial-state field.
bool read_header(FILE *f, state_t *size, state_t *init) {
  int c;
  do c = getc(f);
  while (c != EOF && c != END_OF_TEXT);
  if (c == EOF) return false;
  char signature[sizeof SIGNATURE];
  uint32_t mark;
  int32_t type, length;
  return get(f, signature, sizeof signature) &&
         memcmp(signature, SIGNATURE, sizeof SIGNATURE) == 0 && get(f, &mark, sizeof mark) &&
         mark == BYTE_ORDER_MARK && get32(f, &type) && type == DATA_BLOCK && get32(f, &length) &&
         get32(f, size) && get32(f, init);
}

// Reads one state number of a list into *s: false at end of file or for a number outside
// 0..size-1 other than the terminator; *s is -1 at the terminator.
bool next_listed_state(FILE *f, state_t size, state_t *s) {
  return get32(f, s) && (*s == END_OF_LIST || (*s >= 0 && *s < size));
}

bool read_markers(FILE *f, state_t size, state_node *des) {
  state_t s;
  while (next_listed_state(f, size, &s)) {
    if (s == END_OF_LIST) return true;
    des[s].marked = 1;
  }
  return false;
}

// One pass over a transition array just read: events 0..999, targets 0..size-1, strictly
// ascending in the array's order (which also rules out duplicates).
bool transitions_valid(const tran_entry *list, uint16_t count, state_t size) {
  const uint32_t limit = static_cast<uint32_t>(size);
  bool bad = false;
  for (uint16_t j = 0; j < count; j++) {
    tran_entry t = list[j];
    bad |= t.event() > MAX_EVENT;
    bad |= static_cast<uint32_t>(t.target()) >= limit;
    if (j > 0) bad |= !tran_less(list[j - 1], t);
  }
  return !bad;
}

// States must come in ascending order, each at most once. An entry with count 0 leaves the state
// without transitions. Each array is attached before it is filled, so the caller's freedes
// releases it whatever goes wrong.
bool read_transitions(FILE *f, state_t size, state_node *des) {
  state_t previous = -1, s;
  while (next_listed_state(f, size, &s)) {
    if (s == END_OF_LIST) return true;
    if (s <= previous) return false;
    previous = s;
    uint16_t count;
    if (!get(f, &count, sizeof count)) return false;
    if (count == 0) continue;
    tran_entry *list = MALLOC_N<tran_entry>(count);
    if (list == nullptr) return false;
    des[s].next = list;
    des[s].numelts = count;
    if (fread(list, sizeof(tran_entry), count, f) != count) return false;
    if (!transitions_valid(list, count, size)) return false;
  }
  return false;
}

// Outputs are the flag word shifted right by 3, so anything outside 0..8191 is corrupt.
bool read_vocals(FILE *f, state_t size, state_node *des) {
  state_t s;
  while (next_listed_state(f, size, &s)) {
    if (s == END_OF_LIST) return true;
    int16_t output;
    if (!get(f, &output, sizeof output) || output < 0 || output > 8191) return false;
    des[s].vocal = static_cast<uint16_t>(output & 0x1FFF);
  }
  return false;
}

// Creates the temporary file for `path`, locks it and registers it for des_file_discard_temp,
// with signals blocked so a handler never misses a file just created. Returns the descriptor,
// or -1.
int create_locked_temp(const char *path, state_t init, char *temp) {
  sigset_t all, saved;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &saved);
  int fd = open_locked_temp(path, extension_of(init), temp, sizeof active_temp);
  if (fd >= 0) {
    memcpy(active_temp, temp, sizeof active_temp);
    temp_active = 1;
  }
  sigprocmask(SIG_SETMASK, &saved, nullptr);
  return fd;
}

}  // namespace

const char TEMP_MARK[] = ".sarv-tmp-";

bool is_temp_name(const char *entry) {
  size_t mark = strlen(TEMP_MARK);
  if (strncmp(entry, TEMP_MARK, mark) != 0) return false;
  for (size_t i = 0; i < TEMP_RANDOM; i++)
    if (!isalnum(static_cast<unsigned char>(entry[mark + i]))) return false;
  for (const char *suffix : TEMP_SUFFIXES)
    if (strcmp(entry + mark + TEMP_RANDOM, suffix) == 0) return true;
  return false;
}

// A sweep may remove the new file before the lock is taken; the lock is then on an unlinked
// file, which fstat shows, and another name is tried.
int open_locked_temp(const char *target, const char *suffix, char *temp, size_t size) {
  const char *slash = strrchr(target, '/');
  int dir_len = slash == nullptr ? 0 : static_cast<int>(slash - target + 1);
  int suffix_len = static_cast<int>(strlen(suffix));
  for (int attempt = 0; attempt < 8 && suffix_len <= 4; attempt++) {
    int len = snprintf(temp, size, "%.*s%sXXXXXX%s", dir_len, target, TEMP_MARK, suffix);
    if (len < 0 || static_cast<size_t>(len) >= size) break;
    int fd = mkostemps(temp, suffix_len, O_CLOEXEC);
    if (fd < 0) break;
    struct stat st;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    close(fd);
  }
  if (size > 0) temp[0] = '\0';
  return -1;
}

mode_t replaced_file_permissions(const char *path) {
  struct stat st;
  if (stat(path, &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool des_name_char_ok(char c, int position) {
  return c >= 32 && c <= 126 && strchr(DES_NAME_FORBIDDEN, c) == nullptr &&
         (position > 0 || c != '#');
}

bool des_name_ok(const char *name) {
  size_t len = strlen(name);
  if (len == 0 || len > static_cast<size_t>(DES_NAME_MAX) || name[0] == ' ' ||
      name[len - 1] == ' ' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
    return false;
  for (size_t i = 0; i < len; i++)
    if (!des_name_char_ok(name[i], static_cast<int>(i))) return false;
  return true;
}

void des_file_discard_temp() {
  if (temp_active) unlink(active_temp);
}

int remove_stale_temp_files(const char *dir) {
  int at = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (at < 0) return 0;
  DIR *listing = fdopendir(dup(at));
  int removed = 0;
  while (listing != nullptr) {
    const dirent *entry = readdir(listing);
    if (entry == nullptr) break;
    if (!is_temp_name(entry->d_name)) continue;
    int fd = openat(at, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        unlinkat(at, entry->d_name, 0) == 0)
      removed++;
    close(fd);
  }
  if (listing != nullptr) closedir(listing);
  close(at);
  return removed;
}

int des_file_path(const char *name, state_t init, char *path) {
  int len = snprintf(path, MAX_DES_PATH + 1, "%s%s%s", prefix, name, extension_of(init));
  if (len < 0 || len > MAX_DES_PATH || strchr(name, '/') != nullptr) {
    path[0] = '\0';
    return 0;
  }
  return 1;
}

int filedes(const char *name, state_t size, state_t init, const state_node *des) {
  char path[MAX_DES_PATH + 1];
  if (size < 0 || (size > 0 && des == nullptr)) return 1;
  if (!des_file_path(name, init, path)) return 1;
  char temp[sizeof active_temp];
  int fd = create_locked_temp(path, init, temp);
  FILE *f = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (f == nullptr) {
    if (fd >= 0) {
      close(fd);
      unlink(temp);
      temp_active = 0;
    }
    return 1;
  }
  char buffer[STREAM_BUFFER];
  setvbuf(f, buffer, _IOFBF, sizeof buffer);
  bool ok = write_body(f, size, init, des);
  ok = fflush(f) == 0 && !ferror(f) && ok;
  ok = fchmod(fd, replaced_file_permissions(path)) == 0 && ok;
  int hold = dup(fd);  // keeps the lock until the rename, so no sweep takes the file
  ok = fclose(f) == 0 && hold >= 0 && ok;
  if (ok && rename(temp, path) != 0) ok = false;
  if (!ok) unlink(temp);
  temp_active = 0;
  if (hold >= 0) close(hold);
  return ok ? 0 : 1;
}

// Departure from the classic procedure: a corrupt or truncated file is refused, never read as an
// empty DES.
int getdes(const char *name, state_t *size, state_t *init, state_node **des) {
  char path[MAX_DES_PATH + 1];
  if (!des_file_path(name, *init, path)) return 0;
  FILE *f = fopen(path, "rb");
  if (f == nullptr) return 0;
  char buffer[STREAM_BUFFER];
  setvbuf(f, buffer, _IOFBF, sizeof buffer);

  state_t n = 0, kind = 0;
  state_node *loaded = nullptr;
  bool ok = read_header(f, &n, &kind) && n >= 0 && n <= MAX_STATES;
  if (ok && n > 0) {
    loaded = newdes(n);
    ok = loaded != nullptr;
    if (ok) loaded[0].reached = 1;
  }
  ok = ok && read_markers(f, n, loaded) && read_transitions(f, n, loaded) &&
       read_vocals(f, n, loaded);
  fclose(f);
  if (!ok) {
    freedes(n, &loaded);
    return 0;
  }
  *size = n;
  *init = kind;
  *des = loaded;
  return 1;
}

// Report files written through a temporary file and a rename.
#include "model/report_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "model/des_file.h"

int report_open(report_file *rf, const char *path) {
  rf->stream = nullptr;
  rf->temp[0] = '\0';
  size_t len = strlen(path);
  if (len == 0 || len > MAX_REPORT_PATH) return 1;
  memcpy(rf->path, path, len + 1);
  int fd = open_locked_temp(path, ".tmp", rf->temp, sizeof rf->temp);
  if (fd < 0) return 1;
  rf->stream = fdopen(fd, "w");
  if (rf->stream == nullptr) {
    close(fd);
    unlink(rf->temp);
    rf->temp[0] = '\0';
    return 1;
  }
  return 0;
}

int report_commit(report_file *rf) {
  if (rf->stream == nullptr) return 1;
  bool ok = fflush(rf->stream) == 0 && !ferror(rf->stream);
  ok = fchmod(fileno(rf->stream), replaced_file_permissions(rf->path)) == 0 && ok;
  int hold = dup(fileno(rf->stream));  // keeps the lock until the rename, so no sweep takes it
  ok = fclose(rf->stream) == 0 && hold >= 0 && ok;
  rf->stream = nullptr;
  ok = ok && rename(rf->temp, rf->path) == 0;
  if (!ok) unlink(rf->temp);
  if (hold >= 0) close(hold);
  rf->temp[0] = '\0';
  return ok ? 0 : 1;
}

void report_abort(report_file *rf) {
  if (rf->stream != nullptr) fclose(rf->stream);
  rf->stream = nullptr;
  if (rf->temp[0] != '\0') unlink(rf->temp);
  rf->temp[0] = '\0';
}

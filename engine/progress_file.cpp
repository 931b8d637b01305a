// The progress side file: one fixed-width record, overwritten in place by the compute process.
#include "engine/progress_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "model/des_data.h"
#include "model/progress.h"

namespace {

int side_file = -1;

void write_record(const char *line) {
  char record[PROGRESS_RECORD];
  memset(record, ' ', sizeof record);
  size_t length = strlen(line);
  memcpy(record, line, length < sizeof record ? length : sizeof record);
  if (pwrite(side_file, record, sizeof record, 0) < 0) return;
}

}  // namespace

int progress_file_path(char *path, size_t size) {
  int written = snprintf(path, size, "%smurn.prg", prefix);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    if (size > 0) path[0] = '\0';
    return 1;
  }
  return 0;
}

int report_progress_to(const char *path) {
  stop_reporting_progress();
  side_file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (side_file < 0) return 1;
  set_progress_interval(200);
  set_progress_monitor(write_record);
  return 0;
}

void stop_reporting_progress() {
  set_progress_monitor(nullptr);
  if (side_file >= 0) close(side_file);
  side_file = -1;
}

int read_progress(const char *path, char *line, size_t size) {
  if (size == 0) return 0;
  line[0] = '\0';
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char record[PROGRESS_RECORD + 1];
  ssize_t got = pread(fd, record, PROGRESS_RECORD, 0);
  close(fd);
  if (got <= 0) return 0;
  size_t length = static_cast<size_t>(got);
  while (length > 0 && (record[length - 1] == ' ' || record[length - 1] == '\0')) length--;
  if (length == 0) return 0;
  if (length >= size) length = size - 1;
  memcpy(line, record, length);
  line[length] = '\0';
  return 1;
}

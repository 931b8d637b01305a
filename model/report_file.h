// Report files written safely: the text goes to a temporary file beside the target, which
// replaces the target only once it was written, flushed and closed completely, so a failed write
// leaves an older report of that name as it was.
#ifndef SARV_MODEL_REPORT_FILE_H
#define SARV_MODEL_REPORT_FILE_H

#include <cstdio>

// Longest path a report file may have (prefix + name + extension).
const int MAX_REPORT_PATH = 287;

// One report being written. `stream` is open between report_open and report_commit/abort.
struct report_file {
  FILE *stream;
  char path[MAX_REPORT_PATH + 1];   // the file the report replaces
  char temp[MAX_REPORT_PATH + 24];  // the locked temporary file beside it (model/des_file.h)
};

// Creates the temporary file for `path` and opens rf->stream on it. Returns 0, or 1 (nothing
// created, rf->stream null) when the path is too long or the directory refuses the file.
int report_open(report_file *rf, const char *path);

// Flushes and closes the stream, gives the file the target's permissions (or the usual ones for
// a new file) and renames it over the target. Returns 0, or 1 when any step failed or the stream
// had reported a write error; the temporary file is then removed and the target left untouched.
int report_commit(report_file *rf);

// Closes the stream and removes the temporary file; the target is left untouched.
void report_abort(report_file *rf);

#endif

// Live progress of a compute process for the process waiting on it: the compute process keeps
// its latest progress line in the side file "murn.prg" of the user directory, which the waiting
// front end (or batch run) reads a few times a second. The request and result files are never
// used for this.
#ifndef SARV_ENGINE_PROGRESS_FILE_H
#define SARV_ENGINE_PROGRESS_FILE_H

#include <cstddef>

// Width of the one record the side file holds: the line, blank-padded.
const int PROGRESS_RECORD = 80;

// prefix + "murn.prg" into path[size]. Returns 0, or 1 (path empty) when it does not fit.
int progress_file_path(char *path, size_t size);

// Compute process: creates the side file `path` and connects it as the progress monitor, with
// lines limited to five a second. Each line overwrites the record in place. Returns 0, or 1 when
// the file cannot be created (no progress is then reported; the procedure runs as before).
int report_progress_to(const char *path);
// Compute process: disconnects the monitor and closes the side file.
void stop_reporting_progress();

// Waiting process: the latest line of the side file `path`, blanks trimmed, in line[size].
// Returns 1 when there is one, 0 when the file is missing or empty.
int read_progress(const char *path, char *line, size_t size);

#endif

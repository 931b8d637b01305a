// Progress lines of long algorithms. The front end draws them on screen row 23; tests capture them.
#ifndef SARV_MODEL_PROGRESS_H
#define SARV_MODEL_PROGRESS_H

typedef void (*progress_sink)(const char *line);

// Connects the sink that shows progress lines; null disconnects it.
void set_progress_sink(progress_sink sink);
// Formats one progress line and hands it to the sink, only when debug_mode is set.
void progress_line(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif

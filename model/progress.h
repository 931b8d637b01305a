// Progress lines of long algorithms. The front end draws them on screen row 23; tests capture them.
#ifndef SARV_MODEL_PROGRESS_H
#define SARV_MODEL_PROGRESS_H

typedef void (*progress_sink)(const char *line);

// Connects the sink that shows progress lines; null disconnects it.
void set_progress_sink(progress_sink sink);
// Connects a second sink that receives every line handed over whether or not debug_mode is set
// (the compute process reports through it to the waiting front end); null disconnects it.
void set_progress_monitor(progress_sink sink);
// Shortest time between two lines handed to the sink, in milliseconds (0, the start value, hands
// over every line). Lines that come sooner are dropped before they are formatted, so an algorithm
// that reports per state costs one clock reading per report, whatever the sink does.
void set_progress_interval(int milliseconds);
// Formats one progress line and hands it to the sink when debug_mode is set, and to the monitor,
// when the interval since the last line handed over has passed.
void progress_line(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif

// Progress lines go through one sink so that algorithms never touch the screen themselves.
#include "model/progress.h"

#include <time.h>

#include <cstdarg>
#include <cstdio>

#include "model/des_data.h"

namespace {
progress_sink current_sink = nullptr;
progress_sink monitor_sink = nullptr;
long interval_ns = 0;
long long last_line_ns = 0;
bool any_line = false;

long long now_ns() {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}
}  // namespace

void set_progress_sink(progress_sink sink) {
  current_sink = sink;
  any_line = false;
}

void set_progress_monitor(progress_sink sink) {
  monitor_sink = sink;
}

void set_progress_interval(int milliseconds) {
  interval_ns = milliseconds > 0 ? static_cast<long>(milliseconds) * 1000000L : 0;
  any_line = false;
}

void progress_line(const char *format, ...) {
  bool show = debug_mode && current_sink != nullptr;
  if (!show && monitor_sink == nullptr) return;
  if (interval_ns > 0) {
    long long now = now_ns();
    if (any_line && now - last_line_ns < interval_ns) return;
    last_line_ns = now;
    any_line = true;
  }
  char line[128];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (show) current_sink(line);
  if (monitor_sink != nullptr) monitor_sink(line);
}

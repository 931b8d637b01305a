// Progress lines go through one sink so that algorithms never touch the screen themselves.
#include "model/progress.h"

#include <cstdarg>
#include <cstdio>

#include "model/des_data.h"

namespace {
progress_sink current_sink = nullptr;
}

void set_progress_sink(progress_sink sink) {
  current_sink = sink;
}

void progress_line(const char *format, ...) {
  if (!debug_mode || current_sink == nullptr) return;
  char line[128];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  current_sink(line);
}

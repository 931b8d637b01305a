// Helpers of the report tests: a report written to memory, a scratch directory, PATH overrides.
#ifndef SARV_TESTS_REPORT_REPORT_TEST_UTIL_H
#define SARV_TESTS_REPORT_REPORT_TEST_UTIL_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/model_test_util.h"

// Everything a writer puts on a stream, as a string.
template <typename Writer>
std::string capture(Writer write) {
  char *text = nullptr;
  size_t size = 0;
  FILE *f = open_memstream(&text, &size);
  write(f);
  fclose(f);
  std::string out(text, size);
  free(text);
  return out;
}

// Sets PATH for the life of the object and puts it back afterwards.
struct path_override {
  std::string saved = getenv("PATH") ? getenv("PATH") : "";
  explicit path_override(const std::string &path) { setenv("PATH", path.c_str(), 1); }
  ~path_override() { setenv("PATH", saved.c_str(), 1); }
};

// Writes an executable shell script.
inline void write_script(const std::string &path, const std::string &body) {
  write_bytes(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

#endif

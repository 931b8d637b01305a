// A private scratch directory for the fuzz targets that read files: made once, set as the user
// directory (prefix), removed with its files when the fuzzer exits.
#ifndef SARV_TESTS_FUZZ_FUZZ_DIR_H
#define SARV_TESTS_FUZZ_FUZZ_DIR_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/des_data.h"

inline char fuzz_dir[] = "/tmp/sarv_fuzz_XXXXXX";

inline void remove_fuzz_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(fuzz_dir, ignored);
}

inline void make_fuzz_dir() {
  if (mkdtemp(fuzz_dir) == nullptr) abort();
  snprintf(prefix, sizeof prefix, "%s/", fuzz_dir);
  atexit(remove_fuzz_dir);
}

// Writes the fuzzer's bytes to `name` in the scratch directory; returns its path.
inline std::string fuzz_file(const char *name, const uint8_t *data, size_t size) {
  std::string path = std::string(prefix) + name;
  FILE *f = fopen(path.c_str(), "wb");
  if (f == nullptr || fwrite(data, 1, size, f) != size || fclose(f) != 0) abort();
  return path;
}

#endif

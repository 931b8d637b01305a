// The scratch user directory of the fuzz targets that read files, removed when the fuzzer exits.
#ifndef SARV_TESTS_FUZZ_FUZZ_DIR_H
#define SARV_TESTS_FUZZ_FUZZ_DIR_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/des_data.h"

inline char fuzz_dir[] = "/tmp/sarv_fuzz_XXXXXX";

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  if (mkdtemp(fuzz_dir) == nullptr) abort();
  snprintf(prefix, sizeof prefix, "%s/", fuzz_dir);
  atexit([] { std::filesystem::remove_all(fuzz_dir); });
  return 0;
}

// Writes the fuzzer's bytes to `name` in the scratch directory; returns its path.
inline std::string fuzz_file(const char *name, const uint8_t *data, size_t size) {
  std::string path = std::string(prefix) + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(data), size);
  return path;
}

#endif

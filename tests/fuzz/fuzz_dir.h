// The scratch user directory of the fuzz targets that read files, removed when the fuzzer exits,
// and a comparison of DES read back.
#ifndef SARV_TESTS_FUZZ_FUZZ_DIR_H
#define SARV_TESTS_FUZZ_FUZZ_DIR_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Whether the n states of a and b have the same markings, outputs and transitions.
inline bool same_nodes(const state_node *a, const state_node *b, state_t n) {
  for (state_t s = 0; s < n; s++)
    if (a[s].marked != b[s].marked || a[s].vocal != b[s].vocal || a[s].numelts != b[s].numelts ||
        (a[s].numelts > 0 && memcmp(a[s].next, b[s].next, a[s].numelts * sizeof(tran_entry)) != 0))
      return false;
  return true;
}

#endif

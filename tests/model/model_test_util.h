// Helpers of the model tests: a scratch user directory, raw file bytes and DES comparison.
#ifndef SARV_TESTS_MODEL_MODEL_TEST_UTIL_H
#define SARV_TESTS_MODEL_MODEL_TEST_UTIL_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/des_data.h"

// A fresh directory under /tmp that serves as the user directory (`prefix`) while it lives.
class scratch_dir {
 public:
  scratch_dir() {
    char name[] = "/tmp/sarvXXXXXX";
    path_ = mkdtemp(name);
    strcpy(saved_prefix_, prefix);
    snprintf(prefix, sizeof prefix, "%s/", path_.c_str());
  }
  ~scratch_dir() {
    strcpy(prefix, saved_prefix_);
    std::filesystem::remove_all(path_);
  }
  scratch_dir(const scratch_dir &) = delete;
  scratch_dir &operator=(const scratch_dir &) = delete;

  std::string file(const std::string &name) const { return path_ + "/" + name; }
  std::vector<std::string> listing() const {  // sorted names of everything in the directory
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
  char saved_prefix_[sizeof prefix];
};

inline std::vector<unsigned char> read_bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

template <typename Bytes>
void write_bytes(const std::string &path, const Bytes &bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Empty when the two DES agree in state count, markers, outputs and transition arrays;
// otherwise the first difference.
inline std::string des_difference(const state_node *a, state_t size_a, const state_node *b,
                                  state_t size_b) {
  if (size_a != size_b) return "sizes " + std::to_string(size_a) + " and " + std::to_string(size_b);
  for (state_t s = 0; s < size_a; s++) {
    bool same = a[s].marked == b[s].marked && a[s].vocal == b[s].vocal &&
                a[s].numelts == b[s].numelts;
    for (int j = 0; same && j < a[s].numelts; j++) same = a[s].next[j].word == b[s].next[j].word;
    if (!same) return "state " + std::to_string(s);
  }
  return "";
}

#endif

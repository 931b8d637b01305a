// Helpers of the model tests: a scratch user directory, raw file bytes and DES comparison.
#ifndef SARV_TESTS_MODEL_MODEL_TEST_UTIL_H
#define SARV_TESTS_MODEL_MODEL_TEST_UTIL_H

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "model/des_data.h"
#include "support/random_des.h"

// A fresh directory under /tmp that serves as the user directory (`prefix`) while it lives.
struct scratch_dir {
  std::string path, saved_prefix = prefix;
  scratch_dir() : path(std::filesystem::temp_directory_path() / "sarvXXXXXX") {
    path = mkdtemp(&path[0]);
    snprintf(prefix, sizeof prefix, "%s/", path.c_str());
  }
  ~scratch_dir() {
    strcpy(prefix, saved_prefix.c_str());
    std::filesystem::remove_all(path);
  }
  std::string file(const std::string &name) const { return path + "/" + name; }
  std::set<std::string> listing() const {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(path))
      names.insert(entry.path().filename().string());
    return names;
  }
};

inline std::string read_bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A random DES with outputs on some states and labels that include the extremes 0 and 999.
inline void random_des(std::mt19937 &rng, state_t states, int max_out, bool deterministic,
                       owned_des *d) {
  random_des_options o{states, {0, 1, 2, 3, 500, 998, 999}, max_out, 0.3, deterministic, true};
  if (states > 0) make_random_des(rng, o, d);
}

// State count, then per state marker, output and transition words: equal texts, equal DES.
inline std::string des_text(const owned_des &d) {
  const state_node *des = d.des;
  std::string text = std::to_string(d.size);
  for (state_t s = 0; s < d.size; s++) {
    text += "\n" + std::to_string(s) + (des[s].marked ? " m " : " ") + std::to_string(des[s].vocal);
    for (int j = 0; j < des[s].numelts; j++) text += " " + std::to_string(des[s].next[j].word);
  }
  return text;
}

#endif

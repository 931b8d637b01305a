// Helpers shared by the model, engine and report tests: a scratch user directory, raw file bytes,
// DES comparison, captured streams and PATH overrides.
#ifndef SARV_TESTS_MODEL_MODEL_TEST_UTIL_H
#define SARV_TESTS_MODEL_MODEL_TEST_UTIL_H

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "model/des_data.h"
#include "support/random_des.h"

inline std::string read_bytes(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::string &file, const std::string &bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Occurrences of `needle` in `text`.
inline int occurrences(const std::string &text, const std::string &needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) n++;
  return n;
}

// Writes an executable shell script.
inline void write_script(const std::string &file, const std::string &body) {
  write_bytes(file, "#!/bin/sh\n" + body);
  chmod(file.c_str(), 0755);
}

inline std::set<std::string> list_directory(const std::string &dir) {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

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
  std::set<std::string> listing() const { return list_directory(path); }
};

// Sets PATH for the life of the object and puts it back afterwards.
struct path_override {
  std::string saved = getenv("PATH") ? getenv("PATH") : "";
  explicit path_override(const std::string &value) { setenv("PATH", value.c_str(), 1); }
  ~path_override() { setenv("PATH", saved.c_str(), 1); }
};

// Runs `write` under a file-size limit of `bytes` (a full disk's stand-in) and returns its result.
template <typename Write>
auto under_file_size_limit(rlim_t bytes, Write write) {
  rlimit saved, limited;
  getrlimit(RLIMIT_FSIZE, &saved);
  limited = {bytes, saved.rlim_max};
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  auto result = write();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old_handler);
  return result;
}

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

// A random DES with outputs on some states and labels that include the extremes 0 and 999.
inline void random_des(std::mt19937 &rng, state_t states, int max_out, bool deterministic,
                       owned_des *d) {
  random_des_options o{states, {0, 1, 2, 3, 500, 998, 999}, max_out, 0.3, deterministic, true};
  if (states > 0) make_random_des(rng, o, d);
}

// State count, then per state marker, output and transition words: equal texts, equal DES.
inline std::string des_text(const owned_des &d) {
  std::string text = std::to_string(d.size);
  for (state_t s = 0; s < d.size; s++) {
    const state_node &n = d.des[s];
    text += "\n" + std::to_string(s) + (n.marked ? " m " : " ") + std::to_string(n.vocal);
    for (int j = 0; j < n.numelts; j++) text += " " + std::to_string(n.next[j].word);
  }
  return text;
}

#endif

// Helpers of the engine tests: a scratch installation (program link, start-up file, user
// directory), running the real program in it, and filing or loading DES there.
#ifndef SARV_TESTS_ENGINE_ENGINE_TEST_UTIL_H
#define SARV_TESTS_ENGINE_ENGINE_TEST_UTIL_H

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/startup.h"
#include "model/des_data.h"
#include "model/des_file.h"
#include "support/random_des.h"

namespace engine_test {

inline void write_text(const std::string &file, const std::string &text) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}
inline std::string read_text(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace engine_test

// A fresh directory under /tmp holding a link "sarv" to the program under test, "murn.ini" next
// to it naming the user directory "u", and that directory. While it lives, prefix is the user
// directory and argv0 the link, so this process and a compute process it starts agree on every
// file; debug_mode starts at 0 and minflag at 1.
class scratch_install {
 public:
  scratch_install() {
    char name[] = "/tmp/sarv_engineXXXXXX";
    root_ = mkdtemp(name);
    user_ = root_ + "/u";
    std::filesystem::create_directory(user_);
    program_ = root_ + "/sarv";
    if (getenv("SARV") != nullptr) std::filesystem::create_symlink(getenv("SARV"), program_);
    engine_test::write_text(root_ + "/murn.ini", user_ + "\n");
    strcpy(saved_prefix_, prefix);
    snprintf(prefix, sizeof prefix, "%s/", user_.c_str());
    saved_argv0_ = argv0;
    argv0 = program_.c_str();
    saved_debug_ = debug_mode;
    saved_minflag_ = minflag;
    debug_mode = 0;
    minflag = 1;
  }
  ~scratch_install() {
    strcpy(prefix, saved_prefix_);
    argv0 = saved_argv0_;
    debug_mode = saved_debug_;
    minflag = saved_minflag_;
    std::filesystem::remove_all(root_);
  }
  const std::string &root() const { return root_; }
  const std::string &program() const { return program_; }
  std::string user_file(const std::string &name) const { return user_ + "/" + name; }
  bool user_has(const std::string &name) const { return std::filesystem::exists(user_file(name)); }
  std::vector<std::string> user_listing() const {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(user_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Makes argv0 an executable shell script with `body`, standing in for the compute process;
  // $R in it is the result file.
  void use_stub(const std::string &body) {
    stub_ = root_ + "/stub.sh";
    engine_test::write_text(stub_, "#!/bin/sh\nR='" + user_file("murn.rst") + "'\n" + body + "\n");
    chmod(stub_.c_str(), 0755);
    argv0 = stub_.c_str();
  }
  // Files `g` in the user directory; loads a well-formed output of `kind` (-1: control data).
  static void file(const char *name, const owned_des &g) {
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  static void load(const std::string &name, state_t kind, owned_des *out, state_t *init = nullptr) {
    state_t field = kind;
    ASSERT_EQ(getdes(name.c_str(), &out->size, &field, &out->des), 1) << name;
    EXPECT_EQ(des_check(out->des, out->size), 0) << name;
    if (init != nullptr) *init = field;
  }
  void expect_no_protocol_files() const {
    for (const char *f : {"murn.prm", "murn.rst", "murn.out", "murn.err"})
      EXPECT_FALSE(user_has(f)) << f;
  }

 private:
  std::string root_, user_, program_, stub_;
  char saved_prefix_[sizeof prefix];
  const char *saved_argv0_;
  int saved_debug_, saved_minflag_;
};

// Runs `command` with the shell in `directory`, without a terminal (TERM unset, stdin empty);
// returns its exit status (-1 when it did not exit normally) and standard output.
inline std::pair<int, std::string> run_in(const std::string &directory,
                                          const std::string &command) {
  std::string line = "cd '" + directory + "' && env -u TERM " + command + " </dev/null";
  std::pair<int, std::string> outcome{-1, ""};
  FILE *pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.second.append(buffer, got);
  int status = pclose(pipe);
  if (WIFEXITED(status)) outcome.first = WEXITSTATUS(status);
  return outcome;
}

#endif

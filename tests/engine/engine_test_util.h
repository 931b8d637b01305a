// Helpers of the engine tests: a scratch installation (program link, start-up file, user
// directory) and running the real program in it.
#ifndef SARV_TESTS_ENGINE_ENGINE_TEST_UTIL_H
#define SARV_TESTS_ENGINE_ENGINE_TEST_UTIL_H

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/startup.h"
#include "model/des_data.h"

// A fresh directory under /tmp holding a link "sarv" to the program under test, a start-up file
// next to it that names the user directory "u", and that directory. While it lives, prefix is
// the user directory and argv0 the link, so the front-end side of the protocol in this process
// and a compute process started from it agree on every file.
class scratch_install {
 public:
  scratch_install() {
    char name[] = "/tmp/sarv_engineXXXXXX";
    root_ = mkdtemp(name);
    user_ = root_ + "/u";
    std::filesystem::create_directory(user_);
    const char *sarv = getenv("SARV");
    program_ = root_ + "/sarv";
    if (sarv != nullptr) std::filesystem::create_symlink(sarv, program_);
    write_text(root_ + "/murn.ini", user_ + "\n");
    strcpy(saved_prefix_, prefix);
    snprintf(prefix, sizeof prefix, "%s/", user_.c_str());
    saved_argv0_ = argv0;
    argv0 = program_.c_str();
    saved_debug_ = debug_mode;
    saved_minflag_ = minflag;
  }
  ~scratch_install() {
    strcpy(prefix, saved_prefix_);
    argv0 = saved_argv0_;
    debug_mode = saved_debug_;
    minflag = saved_minflag_;
    std::filesystem::remove_all(root_);
  }
  scratch_install(const scratch_install &) = delete;
  scratch_install &operator=(const scratch_install &) = delete;

  const std::string &root() const { return root_; }
  const std::string &program() const { return program_; }
  std::string user_file(const std::string &name) const { return user_ + "/" + name; }
  bool user_has(const std::string &name) const { return std::filesystem::exists(user_file(name)); }
  // Names in the user directory, sorted.
  std::vector<std::string> user_listing() const {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(user_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Makes argv0 an executable shell script with `body`, standing in for the compute process.
  void use_stub(const std::string &body) {
    stub_ = root_ + "/stub.sh";
    write_text(stub_, "#!/bin/sh\n" + body + "\n");
    chmod(stub_.c_str(), 0755);
    argv0 = stub_.c_str();
  }

  static void write_text(const std::string &file, const std::string &text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
  }
  static std::string read_text(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string root_, user_, program_, stub_;
  char saved_prefix_[sizeof prefix];
  const char *saved_argv0_;
  int saved_debug_, saved_minflag_;
};

// Outcome of running a command line through the shell.
struct run_outcome {
  int exit_status;     // -1 when the command did not exit normally
  std::string output;  // its standard output
};

// Runs `command` with the shell, in `directory`, without a terminal (TERM unset, stdin empty).
inline run_outcome run_in(const std::string &directory, const std::string &command) {
  std::string line = "cd '" + directory + "' && env -u TERM " + command + " </dev/null";
  run_outcome outcome{-1, ""};
  FILE *pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
  int status = pclose(pipe);
  if (WIFEXITED(status)) outcome.exit_status = WEXITSTATUS(status);
  return outcome;
}

#endif

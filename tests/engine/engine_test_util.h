// Engine test helpers: a scratch installation where the real program runs, and DES filed there.
#ifndef SARV_TESTS_ENGINE_ENGINE_TEST_UTIL_H
#define SARV_TESTS_ENGINE_ENGINE_TEST_UTIL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/startup.h"
#include "model/des_file.h"
#include "model/model_test_util.h"

// A scratch directory with a link "sarv" to the program and "murn.ini" naming the user directory
// "u". While it lives, prefix is that directory, argv0 the link, debug_mode 0 and minflag 1.
class scratch_install {
 public:
  scratch_install() {
    std::filesystem::create_directory(user_);
    if (getenv("SARV") != nullptr) std::filesystem::create_symlink(getenv("SARV"), program_);
    write_bytes(root_.file("murn.ini"), user_ + "\n");
    snprintf(prefix, sizeof prefix, "%s/", user_.c_str());
  }
  ~scratch_install() {
    argv0 = saved_argv0_;
    debug_mode = saved_flags_[0];
    minflag = saved_flags_[1];
  }
  const std::string &root() const { return root_.path; }
  const std::string &program() const { return program_; }
  std::string user_file(const std::string &name) const { return user_ + "/" + name; }
  bool user_has(const std::string &name) const { return std::filesystem::exists(user_file(name)); }
  std::vector<std::string> user_listing() const {
    std::set<std::string> names = list_directory(user_);
    return {names.begin(), names.end()};
  }
  // Makes argv0 a shell script with `body` ($R: the result file) as the compute process.
  void use_stub(const std::string &body) {
    write_script(stub_, "R='" + user_file("murn.rst") + "'\n" + body + "\n");
    argv0 = stub_.c_str();
  }
  // Files `g` (or the DES of make_des) in the user directory; loads a well-formed output of `kind`
  // (-1: control data) and checks its initial-state field is `kind`.
  static void file(const char *name, const owned_des &g) {
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  static void file(const char *name, state_t states, const std::vector<transition_spec> &edges,
                   const std::vector<state_t> &marked) {
    owned_des g;
    make_des(states, edges, marked, &g);
    file(name, g);
  }
  static void load(const std::string &name, state_t kind, owned_des *out) {
    state_t field = kind;
    ASSERT_EQ(getdes(name.c_str(), &out->size, &field, &out->des), 1) << name;
    EXPECT_EQ(des_check(out->des, out->size), 0) << name;
    EXPECT_EQ(field, kind) << name;
  }
  void expect_no_protocol_files() const {
    for (const char *f : {"murn.prm", "murn.rst", "murn.out", "murn.err"})
      EXPECT_FALSE(user_has(f)) << f;
  }

 private:
  scratch_dir root_;  // puts prefix back when it goes
  std::string user_ = root_.file("u"), program_ = root_.file("sarv"), stub_ = root_.file("stub");
  const char *saved_argv0_ = std::exchange(argv0, program_.c_str());
  int saved_flags_[2] = {std::exchange(debug_mode, 0), std::exchange(minflag, 1)};
};

#endif

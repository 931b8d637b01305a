// Fixture of the front-end tests: an 80x25 curses screen writing into a temporary file (bells are
// counted there), keys from an in-memory script, a fresh user directory as prefix and working one.
#ifndef SARV_TESTS_UI_SCREEN_FIXTURE_H
#define SARV_TESTS_UI_SCREEN_FIXTURE_H

#include <curses.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "model/des_data.h"
#include "model/model_test_util.h"
#include "ui/io.h"

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(getcwd(old_cwd_, sizeof old_cwd_), old_cwd_);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    for (auto [name, value] : {std::pair{"TERM", "xterm"}, {"LINES", "25"}, {"COLUMNS", "80"}})
      setenv(name, value, 1);
    terminal_out_ = tmpfile();
    terminal_in_ = open_input();
    screen_ = newterm("xterm", terminal_out_, terminal_in_);
    ASSERT_NE(screen_, nullptr);
    nonl();
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    autotest = 1;
    ring_active = 1;
    timing_mode = 0;
  }

  void TearDown() override {
    endwin();
    delscreen(screen_);
    fclose(terminal_out_);
    fclose(terminal_in_);
    if (auto_in != nullptr) fclose(auto_in);
    auto_in = nullptr;
    autotest = 0;
    ASSERT_EQ(chdir(old_cwd_), 0);
  }

  // The terminal's input: none, as keys come from the key script.
  virtual FILE *open_input() { return fopen("/dev/null", "r"); }

  // The keys the next routine reads, byte for byte.
  void keys(const std::string &script) {
    if (auto_in != nullptr) fclose(auto_in);
    script_ = script;
    auto_in = fmemopen(script_.data(), script_.size(), "r");
  }

  // Bytes of the key script not read yet.
  long unread() { return static_cast<long>(script_.size()) - ftell(auto_in); }

  // Screen row as text, trailing blanks removed.
  static std::string row(int y) {
    char text[128] = "";
    int saved_y = getcury(stdscr), saved_x = getcurx(stdscr);
    mvinnstr(y, 0, text, 80);
    move(saved_y, saved_x);
    std::string line = text;
    return line.erase(line.find_last_not_of(' ') + 1);
  }

  // Each screen row y shows its text.
  static void expect_rows(const std::vector<std::pair<int, std::string>> &rows) {
    for (auto &[y, text] : rows) EXPECT_EQ(row(y), text) << "row " << y;
  }

  // Everything written to the terminal so far.
  std::string terminal_output() {
    fflush(terminal_out_);
    return slurp("/proc/self/fd/" + std::to_string(fileno(terminal_out_)));
  }

  // Bells rung so far (each is one BEL byte on the terminal output).
  int bells() { return static_cast<int>(std::ranges::count(terminal_output(), '\a')); }

  // Files of the user directory: whole content ("<none>" when missing), written, or empty.
  std::string file(const std::string &name) { return slurp(dir_ + "/" + name); }
  void write(const std::string &name, const std::string &text) {
    write_bytes(dir_ + "/" + name, text);
  }
  void touch(const std::string &name) { write(name, ""); }
  static std::string slurp(const std::string &name) {
    return access(name.c_str(), F_OK) == 0 ? read_bytes(name) : "<none>";
  }

  scratch_dir scratch_;  // the user directory (prefix), removed afterwards
  const std::string &dir_ = scratch_.path;

 private:
  char old_cwd_[512];
  std::string script_;
  FILE *terminal_out_ = nullptr;
  FILE *terminal_in_ = nullptr;
  SCREEN *screen_ = nullptr;
};

#endif

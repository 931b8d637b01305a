// Keys from a real terminal input (a pipe standing in for the keyboard): two-code keys, keypad
// translation, and how a lone Esc is told from the start of a terminal key sequence.
#include <curses.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/io.h"

namespace {

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(keyboard_), 0);
    setenv("TERM", "xterm", 1);
    setenv("LINES", "25", 1);
    setenv("COLUMNS", "80", 1);
    in_ = fdopen(keyboard_[0], "r");
    out_ = fopen("/dev/null", "w");
    screen_ = newterm("xterm", out_, in_);
    ASSERT_NE(screen_, nullptr);
    nonl();
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    set_escdelay(50);
    autotest = 0;
  }

  void TearDown() override {
    endwin();
    delscreen(screen_);
    fclose(in_);
    fclose(out_);
    close_keyboard();
  }

  // The keyboard goes away: its input ends.
  void close_keyboard() {
    if (keyboard_[1] >= 0) close(keyboard_[1]);
    keyboard_[1] = -1;
  }

  void type(const std::string &bytes) {
    ASSERT_EQ(write(keyboard_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

 private:
  int keyboard_[2];
  FILE *in_ = nullptr;
  FILE *out_ = nullptr;
  SCREEN *screen_ = nullptr;
};

// Plain keys pass unchanged, two-code keys become page letters, keypad sequences one key.
TEST_F(Keyboard, KeysArriveTranslated) {
  type(std::string("a\r\0I\0Q\0x\x1bOB", 11));
  for (int key : {int('a'), KEY_RETURN, int('u'), int('d'), 0, KEY_DOWN})
    EXPECT_EQ(read_key(), key);
}

// Esc alone cancels; with further keys pending it starts a sequence, and the drained keys are gone.
TEST_F(Keyboard, LoneEscAndSequences) {
  type("\x1b");
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(LoneEsc(), 1);
  type("\x1bz9");
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(LoneEsc(), 0);
  type("k");
  EXPECT_EQ(read_key(), 'k');
}

TEST_F(Keyboard, EscCancelsAnIntegerField) {
  type("12\x1b");
  int key = 0;
  EXPECT_EQ(readint(&key, -1, 999), 0);
  EXPECT_EQ(key, KEY_ESCAPE);
}

TEST_F(Keyboard, EndOfKeyboardInputEndsTheRun) {
  type("q");
  EXPECT_EQ(read_key(), 'q');
  close_keyboard();
  EXPECT_EXIT(read_key(), ::testing::ExitedWithCode(1), "keyboard input ended");
}

TEST_F(Keyboard, DrainingAnEndedKeyboardStillAnswers) {
  type("\x1b");
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  close_keyboard();
  EXPECT_EQ(LoneEsc(), 1);
}

}  // namespace

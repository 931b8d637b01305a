// Keys from a real terminal input (a pipe standing in for the keyboard): two-code keys, keypad
// translation, and how a lone Esc is told from the start of a terminal key sequence.
#include <unistd.h>

#include <string>

#include "tests/ui/screen_fixture.h"

namespace {

class Keyboard : public ScreenTest {
 protected:
  FILE *open_input() override { return pipe(keyboard_) == 0 ? fdopen(keyboard_[0], "r") : nullptr; }
  void SetUp() override {
    ScreenTest::SetUp();
    set_escdelay(50);
    autotest = 0;
  }
  void TearDown() override {
    close_keyboard();
    ScreenTest::TearDown();
  }
  void close_keyboard() {
    if (keyboard_[1] >= 0) close(keyboard_[1]);
    keyboard_[1] = -1;
  }
  void type(const std::string &bytes) {
    ASSERT_EQ(::write(keyboard_[1], bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

 private:
  int keyboard_[2] = {-1, -1};
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

// The keyboard goes away: a pending key is still read, then the run ends; draining for a lone
// Esc still answers.
TEST_F(Keyboard, EndOfKeyboardInput) {
  type("q\x1b");
  close_keyboard();
  EXPECT_EQ(read_key(), 'q');
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(LoneEsc(), 1);
  EXPECT_EXIT(read_key(), ::testing::ExitedWithCode(1), "keyboard input ended");
}

}  // namespace

// Input routines through key scripts (keys, integer and name fields, the name dialog) and through a
// pipe standing in for a real keyboard, and the dialogs' shared screen routines.
#include "ui/io.h"

#include <unistd.h>

#include <string>

#include "model/des_file.h"
#include "tests/ui/screen_fixture.h"
#include "ui/dialogs.h"
#include "ui/display.h"

namespace {

using Io = ScreenTest;
const std::string ENTER = "\r";
const std::string ESC_ALONE = "\x1b\xff";  // Esc followed by the script's "no key pending" byte

// The end of the script, or ^Z, ends the run with 255; a lone Esc is told from a terminal
// sequence by the "no key pending" byte.
TEST_F(Io, KeyScriptEndOfScriptAndLoneEsc) {
  keys(std::string("\x1a") + "abc");
  EXPECT_EXIT(read_key(), ::testing::ExitedWithCode(255), "");
  // Nothing pending; a sequence, drained; another Esc among the pending keys.
  for (auto [script, lone] : {std::pair{"\xff", 1}, {"[A\xff", 0}, {"x\x1b\xff", 1}}) {
    keys(script);
    EXPECT_EQ(LoneEsc(), lone) << script;
    EXPECT_EQ(unread(), 0) << script;
  }
  keys("abc");
  EXPECT_EXIT(LoneEsc(), ::testing::ExitedWithCode(255), "");
}

// Each script ends in a valid entry: the value read and the bells of refused keys (field as wide as
// the longer bound, "00", "-0", below the bound, empty, a letter, a star, an Esc sequence).
TEST_F(Io, IntFieldRefusedEntriesRingAndReadingGoesOn) {
  struct {
    std::string script;
    int lo, hi, value, bells, key = KEY_RETURN;
    bool star = false;  // readintall: "*" alone stands for every state
  } cases[] = {{"-1" + ENTER, -1, 999, -1, 0},
               {"0" + ENTER, -1, 999, 0, 0},
               {"1000" + ENTER, -1, 999, 100, 1},
               {"123" + ENTER, 10, 99, 12, 1},
               {"1234567890" + ENTER, -1, 1999999, 1234567, 3},
               {"00" + ENTER + "\b\b5" + ENTER, -1, 999, 5, 1},
               {"9" + ENTER + "\x7f" + "15" + ENTER, 10, 99, 15, 1},
               {ENTER + "x*7" + ENTER, -1, 999, 7, 3},
               {"4\x1b[B\xff" + ENTER, -1, 999, 4, 1},
               {"-0" + ENTER + "\b\b-2" + ENTER + "\b\b3" + ENTER, -1, 999, 3, 2},
               {"12-" + ENTER, -1, 999, 12, 0},  // conversion stops at "-"
               {"*" + ENTER, -1, 9, 0, 0, '*', true},
               {"1*" + ENTER + "\b" + ENTER, -1, 99, 1, 1, KEY_RETURN, true},
               {"4" + ESC_ALONE, -1, 999, 0, 0, KEY_ESCAPE}};
  for (auto &c : cases) {
    int key = 0, before = bells();
    keys(c.script);
    EXPECT_EQ(c.star ? readintall(&key, c.lo, c.hi) : readint(&key, c.lo, c.hi), c.value)
        << c.script;
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(bells() - before, c.bells) << c.script;
  }
  // A refusal says what the field takes on row 22 (row 23 for a field on 22) until the next key.
  EXPECT_NE(terminal_output().find("numbers are -1..999"), std::string::npos);
  EXPECT_EQ(row(MESSAGE_ROW), "");
  int key = 0;
  move(MESSAGE_ROW, 0);
  keys("x7" + ENTER);
  readint(&key, -1, 99, EVENT_RULE);
  EXPECT_NE(terminal_output().find(EVENT_RULE), std::string::npos);
  EXPECT_EQ(row(23), "Press <ESC> to cancel");
}

// A name never begins with a blank but may hold one; the 21st character, the empty entry and
// control keys ring; Esc leaves the destination as it was. A DES name field takes only names of
// the one rule, saying it on row 22: a first "#", "/" and "(" ring, and so do "." and ".." or a
// last blank at Enter; a directory path keeps its "/".
TEST_F(Io, NameFieldRefusedKeysRingAndEscKeepsTheName) {
  const std::tuple<std::string, std::string, int, bool, int> cases[] = {
      // script, name, bells, DES name (else a file name), length at most
      {"  a b" + ENTER, "a b", 0, false, MAX_NAME_LEN},
      {std::string(21, 'q') + ENTER, std::string(20, 'q'), 1, false, MAX_NAME_LEN},
      {"#../" + ENTER + "\b" + ENTER + "(x) " + ENTER + "\b" + ENTER, ".x", 7, true, MAX_NAME_LEN},
      {"/a/b" + ENTER, "/a/b", 0, false, MAX_NAME_LEN},
      {ENTER + "\t" + "ab\bc" + ENTER, "ac", 2, false, MAX_NAME_LEN},
      {"new" + ESC_ALONE, "ac", 0, false, MAX_NAME_LEN},
      {std::string(85, 'd') + ENTER, std::string(79, 'd'), 6, false, MAX_PATH_LEN}};
  char name[MAX_PATH_LEN + 1] = "";
  for (auto &[script, want, rings, des_name, longest] : cases) {
    int before = bells();
    keys(script);
    EXPECT_EQ((des_name ? read_des_name : read_filename)(name, 1, longest),
              script.back() == '\xff' ? KEY_ESCAPE : KEY_RETURN);
    EXPECT_EQ(name, want);
    EXPECT_EQ(bells() - before, rings) << want;
  }
  EXPECT_NE(terminal_output().find(DES_NAME_RULE), std::string::npos);
}

// An input must exist with its own extension; a prompt below row 22 starts a fresh screen.
TEST_F(Io, NameDialog) {
  for (auto name : {"plant.des", "other.dat", "old.des", "g.des"}) touch(name);
  char name[MAX_NAME_LEN + 1];
  mvaddstr(10, 0, "earlier dialog text");
  move(23, 0);
  keys("nothere" + ENTER + "other" + ENTER + "plant" + ENTER);
  EXPECT_EQ(getname("Enter name of DES1 ....  ", ".des", name, 0), 0);
  EXPECT_STREQ(name, "plant");
  expect_rows({{10, ""},
               {1, "Enter name of DES1 ....  nothere"},
               {3, "Filename nothere not in directory!"},
               {6, "Filename other not in directory!"},
               {7, "Enter name of DES1 ....  plant"}});

  // A new output is taken without a question, an existing one after consent (Y, or Enter in the
  // dialog scripts), another name after "n"; Esc at the question cancels.
  const std::pair<std::string, std::string> cases[] = {{"fresh" + ENTER, "fresh"},
                                                       {"old" + ENTER + "Y", "old"},
                                                       {"old" + ENTER + "nother" + ENTER, "other"}};
  for (auto &[script, chosen] : cases) {
    keys(script);
    EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 0);
    EXPECT_EQ(name, chosen);
    EXPECT_EQ(unread(), 0);
  }
  keys("old" + ENTER + "\x1b");
  EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 1);

  // A prefilled name is checked first; a missing one or one the rule refuses is asked again.
  for (auto [first, left, says] : {std::tuple{"g", 2, ""},
                                   {"missing", 0, "Filename missing not in directory!"},
                                   {"par(1)", 0, DES_NAME_RULE}}) {
    clear();
    strcpy(name, first);
    keys("g" + ENTER);
    EXPECT_EQ(getname2("Enter name of DES1 ....  ", ".des", name, 0), 0);
    EXPECT_STREQ(name, "g");
    EXPECT_EQ(unread(), left);
    EXPECT_EQ(row(1), says) << first;
  }
}

// The pause waits for Enter only and rings when the bell is on; more than seven blocked events are
// referred to the log, over what the rows held before.
TEST_F(Io, SharedScreen) {
  keys("ab\x1b \rnext\r");
  int before = bells();
  user_pause();
  EXPECT_EQ(unread(), 5);
  EXPECT_EQ(bells() - before, 1);
  keys("\r");
  ring_active = 0;
  user_pause();
  EXPECT_EQ(bells() - before, 1);

  mvaddstr(20, 0, "left over");
  const event_t events[] = {1, 2, 3, 4, 5, 6, 999, 8};
  sync_blockevents_display("S", events, 7);
  expect_rows({{20, ""}, {21, "Events blocked in S: [  1,  2,  3,  4,  5,  6,999]"}});
  sync_blockevents_display("S", events, 8);
  EXPECT_EQ(row(21), "Events blocked in S: See MAKEIT.TXT file.");
}

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

// Plain keys pass, two-code keys become page letters, keypad sequences one key; Esc alone cancels,
// with keys pending it starts a sequence whose drained keys are gone.
TEST_F(Keyboard, KeysArriveTranslatedAndLoneEscCancels) {
  type(std::string("a\r\0I\0Q\0x\x1bOB", 11));
  for (int key : {int('a'), KEY_RETURN, int('u'), int('d'), 0, KEY_DOWN})
    EXPECT_EQ(read_key(), key);
  type("\x1b");
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(LoneEsc(), 1);
  type("\x1bz9");
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(LoneEsc(), 0);
  type("k");
  EXPECT_EQ(read_key(), 'k');
  // The keyboard goes away: pending keys are still read and a lone Esc told, then the run ends.
  type("q\x1b");
  close_keyboard();
  EXPECT_EQ(read_key(), 'q');
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(LoneEsc(), 1);
  EXPECT_EXIT(read_key(), ::testing::ExitedWithCode(1), "keyboard input ended");
}

}  // namespace

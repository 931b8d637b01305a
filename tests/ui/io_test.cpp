// Input routines driven through the key-script path: keys, integer fields, name fields and the
// name dialog with its existence and overwrite checks.
#include "ui/io.h"

#include <string>

#include "tests/ui/screen_fixture.h"
#include "ui/display.h"

namespace {

const std::string ENTER = "\r";
const std::string ESC_ALONE = "\x1b\xff";  // Esc followed by the script's "no key pending" byte

TEST(ValidInt, ZeroIsValidOnlyWhenWrittenOnceAndInRange) {
  EXPECT_TRUE(validint("0", -1, 999));
  EXPECT_FALSE(validint("0", 1, 999));
  EXPECT_FALSE(validint("00", -1, 999));
  EXPECT_FALSE(validint("-0", -1, 999));
}

TEST(ValidInt, TextWithoutANumberIsNeverValid) {
  EXPECT_FALSE(validint("", -1, 999));
  EXPECT_FALSE(validint("-", -1, 999));
  EXPECT_FALSE(validint("*", -1, 999));
}

TEST(ValidInt, ConversionStopsAtTheFirstCharacterThatCannotContinue) {
  EXPECT_TRUE(validint("12-", -1, 999));
  EXPECT_TRUE(validint("-1", -1, 999));
  EXPECT_FALSE(validint("-2", -1, 999));
  EXPECT_FALSE(validint("1000", -1, 999));
  EXPECT_FALSE(validint("9", 10, 99));
  EXPECT_TRUE(validint("99", 10, 99));
}

TEST(ValidFileName, LengthBoundsAreInclusive) {
  EXPECT_FALSE(validfilename("", 1, 20));
  EXPECT_TRUE(validfilename("a", 1, 20));
  EXPECT_TRUE(validfilename(std::string(20, 'x').c_str(), 1, 20));
  EXPECT_FALSE(validfilename(std::string(21, 'x').c_str(), 1, 20));
}

using KeyScript = ScreenTest;

TEST_F(KeyScript, BytesAreReturnedAsSignedCharacters) {
  keys(std::string("a\r\x1b\xff", 4));
  EXPECT_EQ(read_key(), 'a');
  EXPECT_EQ(read_key(), KEY_RETURN);
  EXPECT_EQ(read_key(), KEY_ESCAPE);
  EXPECT_EQ(read_key(), KEY_NONE);
}

TEST_F(KeyScript, EndOfScriptEndsTheRunWithStatus255) {
  keys("");
  EXPECT_EXIT(read_key(), ::testing::ExitedWithCode(255), "");
  keys(
      "\x1a"
      "abc");
  EXPECT_EXIT(read_key(), ::testing::ExitedWithCode(255), "");
}

TEST_F(KeyScript, LoneEscNeedsTheNoKeyByte) {
  keys("\xff");
  EXPECT_EQ(LoneEsc(), 1);
  keys("[A\xff");
  EXPECT_EQ(LoneEsc(), 0);  // the start of a terminal key sequence
  EXPECT_EQ(unread(), 0);
  keys("x\x1b\xff");
  EXPECT_EQ(LoneEsc(), 1);  // another Esc among the pending keys
  keys("abc");
  EXPECT_EXIT(LoneEsc(), ::testing::ExitedWithCode(255), "");
}

TEST_F(KeyScript, GetCommandEchoesTheKeyAndClearsTheRestOfTheLine) {
  mvaddstr(4, 0, "Option?  old text");
  move(4, 9);
  keys("t");
  EXPECT_EQ(get_command(), 't');
  EXPECT_EQ(row(4), "Option?  t");
}

using IntField = ScreenTest;

TEST_F(IntField, AcceptsTheTerminatorAndZero) {
  int key = 0;
  keys("-1" + ENTER);
  EXPECT_EQ(readint(&key, -1, 999), -1);
  EXPECT_EQ(key, KEY_RETURN);
  keys("0" + ENTER);
  EXPECT_EQ(readint(&key, -1, 999), 0);
  EXPECT_EQ(key, KEY_RETURN);
}

TEST_F(IntField, FieldIsAsWideAsTheLongerBound) {
  int key = 0;
  move(6, 10);
  int before = bells();
  keys("1000" + ENTER);
  EXPECT_EQ(readint(&key, -1, 999), 100);
  EXPECT_EQ(bells() - before, 1);
  EXPECT_EQ(row(6), std::string(10, ' ') + "100");
  keys("123" + ENTER);
  EXPECT_EQ(readint(&key, 10, 99), 12);
  keys("1234567890" + ENTER);
  EXPECT_EQ(readint(&key, -1, 1999999), 1234567);
}

TEST_F(IntField, InvalidEntriesRingAndKeepReading) {
  int key = 0;
  int before = bells();
  keys("00" + ENTER + "\b\b5" + ENTER);
  EXPECT_EQ(readint(&key, -1, 999), 5);
  EXPECT_EQ(bells() - before, 1);
  keys("9" + ENTER +
       "\x7f"
       "15" +
       ENTER);
  EXPECT_EQ(readint(&key, 10, 99), 15);
  keys(ENTER + "x*7" + ENTER);  // empty field, a letter and a star are all refused
  EXPECT_EQ(readint(&key, -1, 999), 7);
  keys("12-" + ENTER);
  EXPECT_EQ(readint(&key, -1, 999), 12);
}

TEST_F(IntField, LoneEscCancelsAndASequenceDoesNot) {
  int key = 0;
  keys("4" + ESC_ALONE);
  EXPECT_EQ(readint(&key, -1, 999), 0);
  EXPECT_EQ(key, KEY_ESCAPE);
  int before = bells();
  keys("4\x1b[B\xff" + ENTER);
  EXPECT_EQ(readint(&key, -1, 999), 4);
  EXPECT_EQ(key, KEY_RETURN);
  EXPECT_EQ(bells() - before, 1);
}

TEST_F(IntField, ShowsTheEscFooter) {
  int key = 0;
  keys("3" + ENTER);
  readint(&key, -1, 999);
  EXPECT_EQ(row(23), "Press <ESC> to cancel");
}

TEST_F(IntField, StarStandsForEveryStateOnlyWhenAlone) {
  int key = 0;
  keys("*" + ENTER);
  EXPECT_EQ(readintall(&key, -1, 9), 0);
  EXPECT_EQ(key, '*');
  int before = bells();
  keys("1*" + ENTER + "\b" + ENTER);
  EXPECT_EQ(readintall(&key, -1, 99), 1);
  EXPECT_EQ(key, KEY_RETURN);
  EXPECT_EQ(bells() - before, 1);
  keys("*" + ENTER);
  EXPECT_EQ(readintall(&key, -1, 9), 0);
  EXPECT_EQ(key, '*');
  keys("7" + ENTER);
  EXPECT_EQ(readintall(&key, -1, 9), 7);
  EXPECT_EQ(key, KEY_RETURN);
}

using NameField = ScreenTest;

TEST_F(NameField, NeverBeginsWithABlankButMayContainOne) {
  char name[MAX_NAME_LEN + 1] = "";
  keys("  a b" + ENTER);
  EXPECT_EQ(read_filename(name, 1, MAX_NAME_LEN), KEY_RETURN);
  EXPECT_STREQ(name, "a b");
}

TEST_F(NameField, TheTwentyFirstCharacterRings) {
  char name[MAX_NAME_LEN + 1] = "";
  int before = bells();
  keys(std::string(21, 'q') + ENTER);
  EXPECT_EQ(read_filename(name, 1, MAX_NAME_LEN), KEY_RETURN);
  EXPECT_EQ(std::string(name), std::string(20, 'q'));
  EXPECT_EQ(bells() - before, 1);
}

TEST_F(NameField, EmptyEntryAndControlKeysAreRefused) {
  char name[MAX_NAME_LEN + 1] = "";
  int before = bells();
  keys(ENTER + "\t" + "ab\bc" + ENTER);
  EXPECT_EQ(read_filename(name, 1, MAX_NAME_LEN), KEY_RETURN);
  EXPECT_STREQ(name, "ac");
  EXPECT_EQ(bells() - before, 2);
}

TEST_F(NameField, EscLeavesTheDestinationUnchanged) {
  char name[MAX_NAME_LEN + 1] = "kept";
  keys("new" + ESC_ALONE);
  EXPECT_EQ(read_filename(name, 1, MAX_NAME_LEN), KEY_ESCAPE);
  EXPECT_STREQ(name, "kept");
}

// A DES name never leads out of the user directory: "/" rings, and so do "." and ".." at Enter;
// a directory path keeps its "/".
TEST_F(NameField, DesNamesRefuseTheSlashAndTheDotNames) {
  char name[MAX_NAME_LEN + 1] = "";
  int before = bells();
  keys("../" + ENTER + "\b" + ENTER + "x" + ENTER);
  EXPECT_EQ(read_des_name(name, 1, MAX_NAME_LEN), KEY_RETURN);
  EXPECT_STREQ(name, ".x");
  EXPECT_EQ(bells() - before, 3);
  keys("/a/b" + ENTER);
  EXPECT_EQ(read_filename(name, 1, MAX_NAME_LEN), KEY_RETURN);
  EXPECT_STREQ(name, "/a/b");
}

TEST_F(NameField, DirectoryPathsHoldSeventyNineCharacters) {
  char path_text[MAX_PATH_LEN + 1] = "";
  keys(std::string(85, 'd') + ENTER);
  EXPECT_EQ(read_filename(path_text, 1, MAX_PATH_LEN), KEY_RETURN);
  EXPECT_EQ(strlen(path_text), 79u);
}

using NameDialog = ScreenTest;

TEST_F(NameDialog, InputMustExist) {
  touch("plant.des");
  char name[MAX_NAME_LEN + 1];
  keys("nothere" + ENTER + "plant" + ENTER);
  EXPECT_EQ(getname("Enter name of DES1 ....  ", ".des", name, 0), 0);
  EXPECT_STREQ(name, "plant");
  EXPECT_EQ(row(0), "Enter name of DES1 ....  nothere");
  EXPECT_EQ(row(2), "Filename nothere not in directory!");
  EXPECT_EQ(row(3), "Enter name of DES1 ....  plant");
}

TEST_F(NameDialog, NameWithAnotherExtensionDoesNotCount) {
  touch("plant.dat");
  char name[MAX_NAME_LEN + 1];
  keys("plant" + ENTER + ESC_ALONE);
  EXPECT_EQ(getname("Enter name of DES1 ....  ", ".des", name, 0), 1);
}

TEST_F(NameDialog, NewOutputIsAcceptedWithoutQuestion) {
  char name[MAX_NAME_LEN + 1];
  keys("fresh" + ENTER);
  EXPECT_EQ(getname("Enter name of DES3 ....  ", ".des", name, 1), 0);
  EXPECT_STREQ(name, "fresh");
  EXPECT_EQ(unread(), 0);
}

TEST_F(NameDialog, ExistingOutputAsksBeforeOverwriting) {
  touch("old.des");
  char name[MAX_NAME_LEN + 1];
  keys("old" + ENTER + ENTER);
  EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 0);
  EXPECT_EQ(row(2), "Filename old already exists.  OK to overwrite?  (*y/n)");
  keys("old" + ENTER + "Y");
  EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 0);
  EXPECT_STREQ(name, "old");
}

TEST_F(NameDialog, RefusedOverwriteAsksForAnotherName) {
  touch("old.des");
  char name[MAX_NAME_LEN + 1];
  keys("old" + ENTER + "n" + "other" + ENTER);
  EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 0);
  EXPECT_STREQ(name, "other");
}

TEST_F(NameDialog, EscCancelsAtTheNameAndAtTheOverwriteQuestion) {
  touch("old.des");
  char name[MAX_NAME_LEN + 1];
  keys(ESC_ALONE);
  EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 1);
  keys("old" + ENTER + "\x1b");
  EXPECT_EQ(getname("Out ..  ", ".des", name, 1), 1);
}

TEST_F(NameDialog, PromptBelowRow22StartsAFreshScreen) {
  touch("g.des");
  char name[MAX_NAME_LEN + 1];
  mvaddstr(10, 0, "earlier dialog text");
  move(23, 0);
  keys("g" + ENTER);
  EXPECT_EQ(getname("Enter name of DES1 ....  ", ".des", name, 0), 0);
  EXPECT_EQ(row(10), "");
  EXPECT_EQ(row(1), "Enter name of DES1 ....  g");
}

TEST_F(NameDialog, PrefilledNameIsCheckedBeforeAnyPrompt) {
  touch("g.des");
  char name[MAX_NAME_LEN + 1] = "g";
  keys("unused" + ENTER);
  EXPECT_EQ(getname2("Enter name of DES1 ....  ", ".des", name, 0), 0);
  EXPECT_EQ(unread(), 7);
  clear();
  strcpy(name, "missing");
  keys("g" + ENTER);
  EXPECT_EQ(getname2("Enter name of DES1 ....  ", ".des", name, 0), 0);
  EXPECT_STREQ(name, "g");
  EXPECT_EQ(row(1), "Filename missing not in directory!");
}

TEST_F(NameDialog, FullNamesStripUpToTwoLeadingBlanks) {
  char full[FULL_NAME_SIZE];
  char name[] = "   g";
  make_filename_ext(full, name, ".des");
  EXPECT_EQ(std::string(full), dir_ + "/ g.des");
  EXPECT_STREQ(name, " g");
}

}  // namespace

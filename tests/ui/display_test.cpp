// The shared screen routines of the dialogs: status row, pause, messages, shortened paths, and the
// cursor helpers.
#include "ui/display.h"

#include <string>

#include "tests/ui/screen_fixture.h"
#include "ui/io.h"

namespace {

using SharedScreen = ScreenTest;

TEST_F(SharedScreen, StatusLineReplacesRow23AndKeepsTheCursor) {
  mvaddstr(STATUS_ROW, 0, "an older and much longer status text");
  move(5, 9);
  statusline("Press <ESC> to cancel");
  EXPECT_EQ(row(STATUS_ROW), "Press <ESC> to cancel");
  EXPECT_EQ(wherey(), 5);
  EXPECT_EQ(wherex(), 9);
}

TEST_F(SharedScreen, ContinuePageLeavesTheCursorAfterItsText) {
  move(3, 3);
  continue_page("More:  ");
  EXPECT_EQ(row(STATUS_ROW), "More:");
  EXPECT_EQ(wherey(), STATUS_ROW);
  EXPECT_EQ(wherex(), 7);
}

TEST_F(SharedScreen, PauseWaitsForEnterOnly) {
  keys(
      "ab\x1b \r"
      "next");
  user_pause();
  EXPECT_EQ(row(STATUS_ROW), "Press <Enter> to return to SARV Procedures");
  EXPECT_EQ(unread(), 4);
}

TEST_F(SharedScreen, PauseRingsOnlyWhenTheBellIsOn) {
  keys("\r\r");
  int before = bells();
  user_pause();
  EXPECT_EQ(bells() - before, 1);
  ring_active = 0;
  user_pause();
  EXPECT_EQ(bells() - before, 1);
}

TEST_F(SharedScreen, MemoryAndFreeingMessages) {
  mvaddstr(MESSAGE_ROW, 0, "Processing:  Please wait... and more");
  OutOfMemoryMsg();
  EXPECT_EQ(row(MESSAGE_ROW), "Problem too large -- out of memory!");
  echo_free();
  EXPECT_EQ(row(MESSAGE_ROW), "");
  EXPECT_EQ(row(STATUS_ROW), "Freeing memory:  Please wait...");
}

TEST_F(SharedScreen, LongPathsAreShownByTheirTail) {
  std::string short_path(58, 'a');
  move(0, 0);
  print_fix_filename(short_path.c_str(), 59);
  EXPECT_EQ(row(0), short_path);
  std::string long_path = "/" + std::string(40, 'b') + std::string(18, 'c');  // 59 characters
  move(1, 0);
  print_fix_filename(long_path.c_str(), 59);
  EXPECT_EQ(row(1), "..." + long_path.substr(long_path.size() - 55));
  EXPECT_EQ(row(1).size(), 58u);
}

TEST_F(SharedScreen, NameMessages) {
  move(0, 0);
  doesNotExist("G");
  EXPECT_EQ(row(1), "Filename G not in directory!");
  EXPECT_EQ(wherey(), 2);
  move(4, 0);
  overwriteYN("H");
  EXPECT_EQ(row(5), "Filename H already exists.  OK to overwrite?  (*y/n)");
}

TEST_F(SharedScreen, ScrollLineDropsTheTopRowAndKeepsTheCursor) {
  mvaddstr(0, 0, "top");
  mvaddstr(1, 0, "second");
  mvaddstr(24, 0, "bottom");
  move(10, 7);
  scroll_line();
  EXPECT_EQ(row(0), "second");
  EXPECT_EQ(row(23), "bottom");
  EXPECT_EQ(row(24), "");
  EXPECT_EQ(wherey(), 10);
  EXPECT_EQ(wherex(), 7);
}

TEST(NoScreen, CursorIsUnknownWithoutAScreen) {
  ASSERT_EQ(stdscr, nullptr);
  EXPECT_EQ(wherex(), -1);
  EXPECT_EQ(wherey(), -1);
}

}  // namespace

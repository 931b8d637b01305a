// The shared screen routines of the dialogs: the pause, shortened paths and the blocked-event line
// of Sync.
#include "ui/display.h"

#include <string>

#include "tests/ui/screen_fixture.h"
#include "ui/kep_proc.h"

namespace {

using SharedScreen = ScreenTest;

TEST_F(SharedScreen, PauseWaitsForEnterOnlyAndRingsWhenTheBellIsOn) {
  keys("ab\x1b \rnext\r");
  int before = bells();
  user_pause();
  EXPECT_EQ(row(STATUS_ROW), "Press <Enter> to return to SARV Procedures");
  EXPECT_EQ(unread(), 5);
  EXPECT_EQ(bells() - before, 1);
  keys("\r");
  ring_active = 0;
  user_pause();
  EXPECT_EQ(bells() - before, 1);
}

TEST_F(SharedScreen, LongPathsAreShownByTheirTail) {
  std::string fits(58, 'a'), too_long = "/" + std::string(40, 'b') + std::string(18, 'c');
  move(0, 0);
  print_fix_filename(fits.c_str(), 59);
  move(1, 0);
  print_fix_filename(too_long.c_str(), 59);
  EXPECT_EQ(row(0), fits);
  EXPECT_EQ(row(1), "..." + too_long.substr(too_long.size() - 55));
}

TEST_F(SharedScreen, UpToSevenBlockedEventsAreShownAndMoreAreReferredToTheLog) {
  mvaddstr(20, 0, "left over");
  sync_blockevents_display("S", nullptr, 0);
  EXPECT_EQ(row(20), "");
  EXPECT_EQ(row(21), "Events blocked in S: None.");
  const event_t events[] = {1, 2, 3, 4, 5, 6, 999, 8};
  sync_blockevents_display("S", events, 7);
  EXPECT_EQ(row(21), "Events blocked in S: [  1,  2,  3,  4,  5,  6,999]");
  sync_blockevents_display("S", events, 8);
  EXPECT_EQ(row(21), "Events blocked in S: See MAKEIT.TXT file.");
}

}  // namespace

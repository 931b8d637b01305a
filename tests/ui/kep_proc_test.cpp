// The MAKEIT log's place and the blocked-event line of Sync.
#include "ui/kep_proc.h"

#include "tests/ui/screen_fixture.h"

namespace {

using BlockedEvents = ScreenTest;

TEST_F(BlockedEvents, LogLivesInTheUserDirectory) {
  EXPECT_EQ(std::string(get_makeit()), dir_ + "/makeit.txt");
}

TEST_F(BlockedEvents, UpToSevenAreShownAndMoreAreReferredToTheLog) {
  mvaddstr(20, 0, "left over");
  sync_blockevents_display("S", nullptr, 0);
  EXPECT_EQ(row(20), "");
  EXPECT_EQ(row(21), "Events blocked in S: None.");
  const event_t some[] = {1, 30, 999};
  sync_blockevents_display("S", some, 3);
  EXPECT_EQ(row(21), "Events blocked in S: [  1, 30,999]");
  const event_t seven[] = {1, 2, 3, 4, 5, 6, 7};
  sync_blockevents_display("S", seven, 7);
  EXPECT_EQ(row(21), "Events blocked in S: [  1,  2,  3,  4,  5,  6,  7]");
  const event_t eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
  sync_blockevents_display("S", eight, 8);
  EXPECT_EQ(row(21), "Events blocked in S: See MAKEIT.TXT file.");
}

}  // namespace

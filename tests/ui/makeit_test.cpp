// The MAKEIT log: wrapping of long entries, computing times, and the blocked-event line of Sync.
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/ui/screen_fixture.h"
#include "ui/kep_proc.h"

namespace {

using MakeitLog = ScreenTest;

std::string read_file(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string &name, const std::string &text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

// The log after one wrapped entry was merged.
std::string merged(const std::string &entry, int indent) {
  write_file(MAKEIT_TMP, entry);
  mergeChop(indent);
  return read_file(get_makeit());
}

TEST_F(MakeitLog, LogLivesInTheUserDirectory) {
  EXPECT_EQ(std::string(get_makeit()), dir_ + "/makeit.txt");
}

TEST_F(MakeitLog, LinesUpToSeventyFourCharactersAreCopiedUnchanged) {
  std::string line(74, 'a');
  EXPECT_EQ(merged(line + "\n\n", 4), line + "\n\n");
  EXPECT_FALSE(exist(MAKEIT_TMP));
}

TEST_F(MakeitLog, TheSeventyFifthCharacterStartsAnIndentedLine) {
  std::string line(74, 'a');
  EXPECT_EQ(merged(line + "bc\n\n", 4), line + "\n    bc\n\n");
}

TEST_F(MakeitLog, ContinuationLinesCountTheirIndent) {
  // 74 + 70 + 70 characters: the indent of 4 leaves room for 70 more on each continuation.
  std::string text(214, 'x');
  std::string expected = std::string(74, 'x') + "\n    " + std::string(70, 'x') + "\n    " +
                         std::string(70, 'x') + "\n\n";
  EXPECT_EQ(merged(text + "\n\n", 4), expected);
}

TEST_F(MakeitLog, LineEndsRestartTheCount) {
  std::string first(60, 'p');
  std::string second(74, 'q');
  EXPECT_EQ(merged(first + "\n" + second + "\n\n", 8), first + "\n" + second + "\n\n");
}

TEST_F(MakeitLog, ZeroByteEndsTheEntry) {
  EXPECT_EQ(merged(std::string("kept\n\n\0lost", 11), 4), "kept\n\n");
}

TEST_F(MakeitLog, EntriesAccumulate) {
  write_file(get_makeit(), "A = Trim(B)  (1,0)\n\n");
  EXPECT_EQ(merged("C = Trim(D)  (2,1)\n\n", 4), "A = Trim(B)  (1,0)\n\nC = Trim(D)  (2,1)\n\n");
}

TEST_F(MakeitLog, MissingTemporaryFileLeavesTheLogAlone) {
  write_file(get_makeit(), "old\n\n");
  mergeChop(4);
  EXPECT_EQ(read_file(get_makeit()), "old\n\n");
}

TEST_F(MakeitLog, UnwritableLogLosesTheEntryAndTheTemporaryFile) {
  ASSERT_EQ(mkdir(get_makeit(), 0700), 0);  // a directory where the log should be
  write_file(MAKEIT_TMP, "entry\n\n");
  mergeChop(4);
  EXPECT_FALSE(exist(MAKEIT_TMP));
}

TEST(ComputingTime, HoursMinutesSecondsAndDays) {
  EXPECT_STREQ(cdifftime(100.0, 100.9), "00:00:00");
  EXPECT_STREQ(cdifftime(0, 3661), "01:01:01");
  EXPECT_STREQ(cdifftime(0, 86399), "23:59:59");
  EXPECT_STREQ(cdifftime(0, 86400), "1 (days) 00:00:00");
  EXPECT_STREQ(cdifftime(0, 3 * 86400 + 25 * 60 + 7), "3 (days) 00:25:07");
}

TEST(ComputingTime, OnlyWrittenInClockingMode) {
  char buffer[128] = "";
  FILE *out = fmemopen(buffer, sizeof buffer, "w");
  ASSERT_NE(out, nullptr);
  timing_mode = 0;
  appendTime(out, 5);
  timing_mode = 1;
  start_time = 10;
  stop_time = 75.5;
  appendTime(out, 5);
  fclose(out);
  timing_mode = 0;
  EXPECT_STREQ(buffer, "\n     Computing time = 00:01:05");
}

using BlockedEvents = ScreenTest;

TEST_F(BlockedEvents, UpToSevenAreShownAndMoreAreReferredToTheLog) {
  sync_blockevents_display("S", nullptr, 0);
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

TEST_F(BlockedEvents, RowTwentyIsCleared) {
  mvaddstr(20, 0, "left over");
  sync_blockevents_display("S", nullptr, 0);
  EXPECT_EQ(row(20), "");
}

}  // namespace

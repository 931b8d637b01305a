// MAKEIT log entries: timed tails and argument forms, wrapping at 74 columns, computing time,
// an unwritable log.
#include "engine/makeit.h"

#include <gtest/gtest.h>

#include "engine/catalogue.h"
#include "model/model_test_util.h"

namespace {

TEST(MakeitWrap, BreaksBeforeTheSeventyFifthCharacterAndCountsTheIndent) {
  std::string a74(74, 'a');
  std::pair<std::string, std::string> cases[] = {
      {a74 + "\n\n", a74 + "\n\n"},
      {a74 + "bc\n\n", a74 + "\n    bc\n\n"},
      // 74 + 70 + 70: each continuation has room for 70 after its indent of 4.
      {std::string(214, 'x') + "\n\n", std::string(74, 'x') + "\n    " + std::string(70, 'x') +
                                           "\n    " + std::string(70, 'x') + "\n\n"},
      {std::string(60, 'p') + "\n" + a74 + "\n\n", std::string(60, 'p') + "\n" + a74 + "\n\n"},
      {std::string("kept\n\n\0lost", 11), "kept\n\n"},
  };
  for (const auto &[text, wrapped] : cases) EXPECT_EQ(makeit_wrap(text, 4), wrapped) << text;
  // An indent too wide for the line leaves room for one character per continuation.
  std::string one_each = std::string(74, 'z');
  for (int i = 0; i < 2; ++i) one_each += "\n" + std::string(73, ' ') + "z";
  EXPECT_EQ(makeit_wrap(std::string(76, 'z'), 200), one_each);
}

TEST(MakeitTime, HoursMinutesSecondsAndDays) {
  const std::tuple<double, double, const char *> cases[] = {
      {100.0, 100.9, "00:00:00"},
      {0, 86399, "23:59:59"},
      {0, 86400, "1 (days) 00:00:00"},
      {0, 3 * 86400 + 25 * 60 + 7, "3 (days) 00:25:07"},
      {5, 1, "00:00:00"}};
  for (const auto &[start, stop, text] : cases) EXPECT_EQ(cdifftime(start, stop), text);
}

// A tail with its computing time, indented under the entry, and the forms of Isomorph. The other
// entries are read back, and their sizes, blocked events, control and new labels compared with
// the replayed results, by the batch-run script.
TEST(MakeitEntry, TimedTailsAndIsomorphForms) {
  owned_des g;
  make_des(2, {{0, 1, 1}, {1, 3, 0}}, {1}, &g);
  const event_t events[] = {11, 13};
  const state_t map[] = {0, 2, 1};
  makeit_facts f;
  f.inputs[0] = "A";
  f.inputs[1] = "B";
  f.des = g.des;
  f.size = g.size;
  f.output = "OUT";
  f.blocked = events;
  f.n_blocked = 2;
  EXPECT_EQ(makeit_entry(procedure(PROC_SYNC), f, true, 3661.5),
            "OUT = Sync(A,B)  (2,2)  Blocked_events = [11,13]  \n"
            "      Computing time = 01:01:01\n\n");
  f.output = "true";
  f.map = map;
  f.map_size = 3;
  EXPECT_EQ(makeit_entry(procedure(PROC_ISOMORPH), f, false, 0),
            "true = Isomorph(B,A;[[1,2],[2,1]])\n\n");
  f.map = nullptr;
  EXPECT_EQ(makeit_entry(procedure(PROC_ISOMORPH), f, false, 0),
            "true = Isomorph(B,A;identity)\n\n");
  f.output = "false";
  EXPECT_EQ(makeit_entry(procedure(PROC_ISOMORPH), f, false, 0), "false = Isomorph(B,A)\n\n");
}

// A list entry is wrapped, a short-form entry is not, whatever its length.
TEST(MakeitEntry, OnlyListEntriesAreWrapped) {
  std::vector<event_t> events(30);
  for (int i = 0; i < 30; ++i) events[i] = static_cast<event_t>(100 + i);
  makeit_facts f;
  f.output = "OUT";
  f.inputs[0] = "A";
  f.typed = events.data();
  f.n_typed = 30;
  std::string entry = makeit_entry(procedure(PROC_COMPLEMENT), f, false, 0);
  EXPECT_EQ(
      entry.substr(0, 86),
      "OUT = Complement(A,[100,101,102,103,104,105,106,107,108,109,110,111,112,11\n      3,114");
  std::string long_name(80, 'n');
  f.output = long_name.c_str();
  EXPECT_EQ(makeit_entry(procedure(PROC_TRIM), f, false, 0), long_name + " = Trim(A)  (0,0)\n\n");
}

// Entries accumulate in the log (checked end to end by the batch-run script); a log that cannot
// be written is reported.
TEST(MakeitAppend, ReportsAnUnwritableLog) {
  scratch_dir dir;
  std::filesystem::create_directory(dir.file("log"));
  EXPECT_EQ(makeit_append(dir.file("log").c_str(), "x"), -1);
  EXPECT_EQ(makeit_append(dir.file("no/such").c_str(), "x"), -1);
  EXPECT_EQ(makeit_append(dir.file("makeit.txt").c_str(), "A = Trim(B)  (1,0)\n\n"), 0);
  EXPECT_EQ(read_bytes(dir.file("makeit.txt")), "A = Trim(B)  (1,0)\n\n");
  // Under a file-size limit that cuts the next entry short, the log keeps its old bytes.
  EXPECT_EQ(under_file_size_limit(24,
                                  [&] {
                                    return makeit_append(dir.file("makeit.txt").c_str(),
                                                         "BIGC = Sync(A,B)  (4,6)\n\n");
                                  }),
            -1);
  EXPECT_EQ(read_bytes(dir.file("makeit.txt")), "A = Trim(B)  (1,0)\n\n");
}

}  // namespace

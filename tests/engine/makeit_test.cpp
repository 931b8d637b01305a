// MAKEIT log entries: the text of each log kind, wrapping at 74 columns, computing time, append.
#include "engine/makeit.h"

#include <gtest/gtest.h>

#include "engine/engine_test_util.h"

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
      {0, 3661, "01:01:01"},
      {0, 86399, "23:59:59"},
      {0, 86400, "1 (days) 00:00:00"},
      {0, 3 * 86400 + 25 * 60 + 7, "3 (days) 00:25:07"},
      {5, 1, "00:00:00"}};
  for (const auto &[start, stop, text] : cases) EXPECT_EQ(cdifftime(start, stop), text);
}

// The tails and argument forms of the entries; the plain forms of every procedure are checked
// end to end against the dialogs' log by the batch-run script.
TEST(MakeitEntry, TailsAndArgumentForms) {
  owned_des g;  // 2 states, 2 transitions; every event odd: controllable control data
  make_des(2, {{0, 1, 1}, {1, 3, 0}}, {1}, &g);
  makeit_facts f;
  f.inputs[0] = "A";
  f.inputs[1] = "B";
  f.des = g.des;
  f.size = g.size;
  f.output = "OUT";
  EXPECT_EQ(makeit_entry(procedure(PROC_SYNC), f, false, 0),
            "OUT = Sync(A,B)  (2,2)  Blocked_events = None  \n\n");
  const event_t events[] = {11, 13};
  f.blocked = events;
  f.n_blocked = 2;
  EXPECT_EQ(makeit_entry(procedure(PROC_SYNC), f, true, 3661.5),
            "OUT = Sync(A,B)  (2,2)  Blocked_events = [11,13]  \n"
            "      Computing time = 01:01:01\n\n");
  EXPECT_EQ(makeit_entry(procedure(PROC_CONDAT), f, false, 0),
            "OUT = Condat(A,B)  Controllable.\n\n");
  const state_t map[] = {0, 2, 1};
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
  EXPECT_EQ(makeit_entry(procedure(PROC_NONCONFLICT), f, true, 0),
            "false = Nonconflict(A,B)\n        Computing time = 00:00:00\n\n");
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

TEST(MakeitAppend, AccumulatesAndReportsAnUnwritableLog) {
  scratch_install install;
  std::string log = install.user_file("makeit.txt");
  EXPECT_EQ(makeit_append(log.c_str(), "A = Trim(B)  (1,0)\n\n"), 0);
  EXPECT_EQ(makeit_append(log.c_str(), "C = Trim(D)  (2,1)\n\n"), 0);
  EXPECT_EQ(read_bytes(log), "A = Trim(B)  (1,0)\n\nC = Trim(D)  (2,1)\n\n");
  std::string dir = install.user_file("dir");
  std::filesystem::create_directory(dir);
  EXPECT_EQ(makeit_append(dir.c_str(), "x"), -1);
  EXPECT_EQ(makeit_append(install.user_file("no/such").c_str(), "x"), -1);
}

}  // namespace

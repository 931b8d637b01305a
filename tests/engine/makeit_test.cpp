// MAKEIT log entries: wrapping at 74 columns, computing time, an unwritable log (whole entries are
// compared byte for byte by the procedure dialogs script).
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
      {0, 3661, "01:01:01"},
      {0, 86399, "23:59:59"},
      {0, 86400, "1 (days) 00:00:00"},
      {0, 3 * 86400 + 25 * 60 + 7, "3 (days) 00:25:07"},
      {5, 1, "00:00:00"}};
  for (const auto &[start, stop, text] : cases) EXPECT_EQ(cdifftime(start, stop), text);
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

// A log that cannot be written is reported.
TEST(MakeitAppend, ReportsAnUnwritableLog) {
  scratch_dir dir;
  std::filesystem::create_directory(dir.file("log"));
  EXPECT_EQ(makeit_append(dir.file("log").c_str(), "x"), -1);
  EXPECT_EQ(makeit_append(dir.file("no/such").c_str(), "x"), -1);
  std::string log = dir.file("makeit.txt");
  EXPECT_EQ(makeit_append(log.c_str(), "A = Trim(B)  (1,0)\n\n"), 0);
  EXPECT_EQ(read_bytes(log), "A = Trim(B)  (1,0)\n\n");
  // Under a file-size limit that cuts the next entry short, the log keeps its old bytes.
  auto append_big = [&] { return makeit_append(log.c_str(), "BIGC = Sync(A,B)  (4,6)\n\n"); };
  EXPECT_EQ(under_file_size_limit(24, append_big), -1);
  EXPECT_EQ(read_bytes(log), "A = Trim(B)  (1,0)\n\n");
}

}  // namespace

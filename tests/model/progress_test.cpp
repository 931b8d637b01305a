// The progress hook: lines reach the screen sink only in debug mode, the monitor always, and
// a set interval lets through at most one line per interval whatever the rate of reports.
#include "model/progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "model/des_data.h"

namespace {

std::vector<std::string> shown, monitored;

struct ProgressHook : ::testing::Test {
  void SetUp() override {
    shown.clear();
    monitored.clear();
    set_progress_sink([](const char *line) { shown.push_back(line); });
  }
  void TearDown() override {
    set_progress_sink(nullptr);
    set_progress_monitor(nullptr);
    set_progress_interval(0);
    debug_mode = 0;
  }
};

TEST_F(ProgressHook, ScreenOnlyInDebugModeMonitorAlways) {
  set_progress_monitor([](const char *line) { monitored.push_back(line); });
  debug_mode = 0;
  progress_line("B_REACH: %ld", 1L);
  debug_mode = 1;
  progress_line("B_REACH: %ld", 2L);
  EXPECT_EQ(shown, std::vector<std::string>{"B_REACH: 2"});
  EXPECT_EQ(monitored, (std::vector<std::string>{"B_REACH: 1", "B_REACH: 2"}));
}

TEST_F(ProgressHook, IntervalBoundsTheLinesHandedOver) {
  debug_mode = 1;
  set_progress_interval(0);
  for (long i = 0; i < 1000; i++) progress_line("MINIMIZE: %ld %ld", i, 1000L);
  EXPECT_EQ(shown.size(), 1000u);

  shown.clear();
  set_progress_interval(40);
  auto start = std::chrono::steady_clock::now();
  long calls = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200))
    progress_line("MINIMIZE: %ld %ld", calls++, 0L);
  // The first line passes at once, then at most one per 40 ms: 6 in 200 ms, with slack for a
  // loaded machine on the low side only.
  EXPECT_GE(shown.size(), 2u);
  EXPECT_LE(shown.size(), 6u);
  EXPECT_EQ(shown.front(), "MINIMIZE: 0 0");
  EXPECT_GT(calls, 1000);
}

}  // namespace

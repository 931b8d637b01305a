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

TEST(ProgressHook, ScreenOnlyInDebugModeMonitorAlwaysAndIntervalBoundsTheLines) {
  set_progress_sink([](const char *line) { shown.push_back(line); });
  set_progress_monitor([](const char *line) { monitored.push_back(line); });
  set_progress_interval(0);
  debug_mode = 0;
  progress_line("B_REACH: %ld", 1L);
  debug_mode = 1;
  for (long i = 2; i < 1000; i++) progress_line("B_REACH: %ld", i);
  EXPECT_EQ(shown.size(), 998u);
  EXPECT_EQ(shown.front(), "B_REACH: 2");
  EXPECT_EQ(monitored.size(), 999u);
  set_progress_monitor(nullptr);
  shown.clear();
  set_progress_interval(40);
  auto start = std::chrono::steady_clock::now();
  long calls = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200))
    progress_line("MINIMIZE: %ld %ld", calls++, 0L);
  // The first line passes at once, then at most one per 40 ms: 6 in 200 ms, with slack for a
  // loaded machine on the low side only.
  EXPECT_TRUE(shown.size() >= 2 && shown.size() <= 6) << shown.size();
  EXPECT_EQ(shown.front(), "MINIMIZE: 0 0");
  EXPECT_GT(calls, 1000);
  set_progress_sink(nullptr);
  set_progress_interval(0);
  debug_mode = 0;
}

}  // namespace

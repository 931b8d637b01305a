// The EVENTS.txt name file: what is read, what is skipped and reported, and a file made anew.
#include "model/event_names.h"

#include <gtest/gtest.h>

#include "model/model_test_util.h"

TEST(EventNames, ReadsValidLinesAndReportsTheFirstBadOne) {
  scratch_dir dir;
  write_bytes(dir.file("EVENTS.txt"),
              "# factory\n11 start_1\n\n10 finish_1  # comment\n1000 too_big\n13 bad-name\n"
              "11 again\n12 a b\n15 name_of_exactly_20ch\n17 name_of_exactly_21chr\n");
  event_names names;
  ASSERT_EQ(load_event_names(prefix, &names), 1);
  EXPECT_EQ(event_label(names, 11), "start_1 (11)");
  EXPECT_EQ(event_short_label(names, 10), "finish_1");
  EXPECT_EQ(event_label(names, 15), "name_of_exactly_20ch (15)");
  for (int unnamed : {13, 12, 17, 999})
    EXPECT_EQ(event_label(names, unnamed), std::to_string(unnamed));
  EXPECT_EQ(names.bad_line, 5);
  EXPECT_EQ(names.bad_text, "1000 too_big");
}

// Appending to an existing file and numbers without one are checked through the scripts.
TEST(EventNames, AppendCreatesAMissingFile) {
  scratch_dir dir;
  event_names added;
  added.name[7] = "go";
  ASSERT_EQ(append_event_names(prefix, added), 0);
  EXPECT_EQ(read_bytes(dir.file("EVENTS.txt")), "7 go\n");
}

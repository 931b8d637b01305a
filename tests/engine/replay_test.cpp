// Replay: checks of recorded results, report lines, the DES of Create and Edit entries, and the
// progress side file.
#include "engine/replay.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/progress_file.h"
#include "model/model_test_util.h"
#include "model/progress.h"
#include "support/reference.h"

namespace {

script_step parse_one(const std::string &entry) {
  std::vector<script_step> steps;
  std::string error;
  EXPECT_EQ(parse_script(entry, &steps, &error), 0) << error;
  return steps.empty() ? script_step() : steps[0];
}

step_outcome sized(long states, long transitions) {
  step_outcome o;
  o.has_size = true;
  o.states = states;
  o.transitions = transitions;
  return o;
}

// Matching sizes, bounds, blocked events and a new-label mismatch: end to end, batch-run script.
TEST(ReplayCheck, EveryRecordedValueIsComparedAndNamedWithBothSides) {
  step_outcome reduced = sized(3, 5), data, product = sized(4, 6), answer;
  reduced.bound = 3;
  data.controllable = 1;
  product.blocked = {2};
  answer.truth = 0;
  const std::tuple<const char *, step_outcome, const char *> cases[] = {
      {"S = Supcon(P,E)  (0,0)", step_outcome(), "recorded (0,0), replay gives no result"},
      {"S = Supcon(P,E)", sized(5, 5), ""},
      {"R = Supreduce(P,S,D)  (3,5;slb=2)", reduced, "recorded slb=2, replay gives slb=3"},
      {"D = Condat(P,S)  Uncontrollable.", data,
       "recorded Uncontrollable., replay gives Controllable."},
      {"X = Sync(A,B)  (4,6)  Blocked_events = None  ", product,
       "recorded blocked events [], replay gives [2]"},
      {"true = Nonconflict(A,B)", answer, "recorded true, replay gives false"},
      {"false = Isomorph(A,B;identity)", answer, ""},
  };
  for (const auto &[entry, outcome, message] : cases)
    EXPECT_EQ(check_recorded(parse_one(entry), outcome), message) << entry;
}

// The JSON report lines of a failed step and of an answer.
TEST(ReplayCheck, JsonReportLinesEscapeTheirStrings) {
  script_step step = parse_one("\n\nSUP = Supcon(P,E)  (12,24)");
  EXPECT_EQ(step_report(step, STEP_FAILED, step_outcome(), 1.5, "input \"P\" \\ missing", true),
            "{\"line\":3,\"result\":\"SUP\",\"procedure\":\"Supcon\",\"status\":\"failed\","
            "\"seconds\":1.50,\"reason\":\"input \\\"P\\\" \\\\ missing\"}");
  step_outcome answer;
  answer.truth = 1;
  EXPECT_EQ(step_report(parse_one("true = Nonconflict(A,B)"), STEP_OK, answer, 0, "", true),
            "{\"line\":1,\"result\":\"true\",\"procedure\":\"Nonconflict\",\"status\":\"ok\","
            "\"value\":true,\"seconds\":0.00}");
}

TEST(ProgressFile, LatestLineOverwritesTheRecordWithoutDebugMode) {
  scratch_dir dir;
  char path[256], line[100];
  ASSERT_EQ(progress_file_path(path, sizeof path), 0);
  EXPECT_EQ(read_progress(path, line, sizeof line), 0);
  ASSERT_EQ(report_progress_to(path), 0);
  set_progress_interval(0);
  debug_mode = 0;
  progress_line("B_REACH: %ld", 1230000L);
  ASSERT_EQ(read_progress(path, line, sizeof line), 1);
  EXPECT_STREQ(line, "B_REACH: 1230000");
  progress_line("SHAVE1 %ld %ld", 5L, 4L);
  ASSERT_EQ(read_progress(path, line, 8), 1);
  EXPECT_STREQ(line, "SHAVE1 ");
  stop_reporting_progress();
  progress_line("B_REACH: %ld", 1L);
  ASSERT_EQ(read_progress(path, line, sizeof line), 1);
  EXPECT_STREQ(line, "SHAVE1 5 4");
  EXPECT_EQ(dir.listing(), std::set<std::string>{"murn.prg"});
}

// The DES an entry makes (of `source` for Edit), as des_text, or the reason it cannot.
std::string made(const std::string &entry, const owned_des *source = nullptr) {
  script_step step = parse_one(entry);
  owned_des d;
  if (source) copy_des(source->des, source->size, &d);
  std::string why =
      source ? apply_edit(step, &d.size, &d.des) : build_created_des(step, &d.size, &d.des);
  if (!why.empty()) return why;
  EXPECT_EQ(des_check(d.des, d.size), 0);
  return des_text(d);
}

// An entry without its recorded size is built end to end by the batch-run script.
TEST(ReplayCreate, BuildsTheDesAnEntryDescribes) {
  owned_des expected, marked;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {0, 2}, &expected);
  expected.des[1].vocal = 10;
  EXPECT_EQ(made("E = Create(E,[mark 0,2],[voc [1,10]],[tran [0,1,1],[0,1,1],[1,2,2]])  (3,2)"),
            des_text(expected));
  make_des(4, {}, {0, 1, 2, 3}, &marked);
  EXPECT_EQ(made("E = Create(E,[mark all])  (4,0)"), des_text(marked));
  EXPECT_EQ(made("E = Create(E)  (0,0)"), "0");
  EXPECT_EQ(made("E = Create(E,[tran [0,1,2]])  (2,1)"), "state 2 outside the 2 states recorded");
}

TEST(ReplayEdit, AppliesTheChangesInTheEditorsOrder) {
  owned_des source, expected;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {0}, &source);
  source.des[2].vocal = 10;
  // Marks (growing to state 4), a transition added and one deleted, outputs changed uniformly (10
  // -> 20, before state 2's own) and per state, then unreachable states removed.
  std::string entry =
      "N = Edit(O,[mark +[4],-[0]],[trans +[0,3,2],-[1,2,2]],[voc [1,30],[2,10]],[unif [10,20]],"
      "rch)  (3,2)";
  make_des(3, {{0, 1, 1}, {0, 3, 2}}, {}, &expected);
  expected.des[1].vocal = 30;
  expected.des[2].vocal = 10;
  EXPECT_EQ(made(entry, &source), des_text(expected));

  // Deleted states lose their transitions and those into them; empty trailing states go.
  owned_des chain, after;
  make_des(4, {{0, 1, 1}, {1, 1, 2}, {2, 1, 3}}, {1}, &chain);
  make_des(2, {{0, 1, 1}}, {1}, &after);
  EXPECT_EQ(made("N = Edit(O,[states -[2]])", &chain), des_text(after));
  EXPECT_EQ(made("N = Edit(O,[mark +[all]])", &chain).substr(0, 8), "4\n0 m 0 ");
  EXPECT_EQ(made("N = Edit(O,[states -[0]])", &chain),
            "state 0 is deleted, and the log does not record the new one");
  EXPECT_EQ(made("N = Edit(O,[mark -[9]])", &chain), "marker state 9 is not in the DES");
  EXPECT_EQ(made("N = Edit(O,[trans -[0,1,9]])", &chain), "transition -[0,1,9] is not in the DES");
}

}  // namespace

// The procedures on vocal DES through the real program in compute mode: every code, and the
// failure codes that leave no output file.
#include <gtest/gtest.h>

#include <random>

#include "algo/outcon.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "support/brute_lang.h"
#include "support/hier_ref.h"

TEST(HierProcedures, EveryCodeRunsFromItsRequest) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  std::mt19937 rng(2026);
  for (int round = 0; round < 4; round++) {
    owned_des a, out[26];
    make_random_vocal(rng, 3 + round, 3, &a);
    install.file("A", a);
    ref_des ra = to_ref(a.des, a.size);
    const state_pair pairs[] = {{1, 3}, {2, 4}};
    quad requests[1] = {{0, 0, 0, 40}};
    if (a.des[0].numelts > 0)
      requests[0] = {0, a.des[0].next[0].event(), a.des[0].next[0].target(), 40};
    ASSERT_EQ(convert_runProgram("O12", "A", pairs, 2), MURN_OK);
    ASSERT_EQ(vocalize_runProgram("O13", "A", requests, 1), MURN_OK);
    ASSERT_EQ(outconsis_runProgram("O14", "A"), MURN_OK);
    ASSERT_EQ(hiconsis_runProgram("O15", "A"), MURN_OK);
    ASSERT_EQ(higen_runProgram("O16", "A"), MURN_OK);
    ASSERT_EQ(hiconsis_runProgram1("O25", "A"), MURN_OK);
    install.expect_no_protocol_files();
    for (int code : {12, 13, 14, 15, 16, 25})
      install.load("O" + std::to_string(code), 0, &out[code]);
    owned_des relabelled, high;
    from_ref(ref_relabelled(ra, {{1, 3}, {2, 4}}), &relabelled);
    EXPECT_TRUE(bounded_projected_language(out[12].des, out[12].size, 5, {}) ==
                bounded_projected_language(relabelled.des, relabelled.size, 5, {}));
    EXPECT_EQ(walk_difference(ra, to_ref(out[13].des, out[13].size), IGNORE_OUTPUTS), "");
    if (a.des[0].numelts > 0) {
      EXPECT_EQ(out[13].des[out[13].des[0].next[0].target()].vocal, 40);
    }
    for (int code : {14, 15, 25}) {
      EXPECT_EQ(occ_violation(out[code].des, out[code].size), "") << code;
      EXPECT_EQ(walk_difference(ra, to_ref(out[code].des, out[code].size),
                                code == 14 ? SAME_BASE : SAME_BASE_WHERE_FIRST_VOCAL),
                "")
          << code;
    }
    from_ref(ref_entrance_labelled(ra), &high);
    EXPECT_TRUE(bounded_projected_language(out[16].des, out[16].size, 5, {}) ==
                bounded_projected_language(high.des, high.size, 5, {0}));
  }
}

TEST(HierProcedures, FailuresLeaveNoOutput) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  owned_des loud, full, dup;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 4, 0}}, {0}, &loud);
  loud.des[0].vocal = 10;  // the initial state may not carry an output
  loud.des[2].vocal = 20;
  install.file("LOUD", loud);
  for (auto run :
       {outconsis_runProgram, hiconsis_runProgram, higen_runProgram, hiconsis_runProgram1})
    EXPECT_EQ(run("X", "LOUD"), MURN_VOCAL_STATE0);
  // Every output 10..99 in use: both variants overflow.
  std::vector<transition_spec> chain;
  for (state_t s = 0; s < 90; s++) chain.push_back({s, 2, s + 1});
  make_des(91, chain, {}, &full);
  for (state_t s = 1; s <= 90; s++) set_output(&full.des[s], static_cast<unsigned>(9 + s));
  install.file("FULL", full);
  EXPECT_EQ(hiconsis_runProgram("Y", "FULL"), MURN_VOCAL_OVERFLOW);
  EXPECT_EQ(hiconsis_runProgram1("Y", "FULL"), MURN_VOCAL_OVERFLOW);
  // 1100 transitions on one label from one state need more fresh labels than there are.
  std::vector<transition_spec> fan;
  for (state_t t = 1; t <= 1100; t++) fan.push_back({0, 1, t});
  make_des(1101, fan, {}, &dup);
  install.file("DUP", dup);
  const state_pair none[] = {{1, 1}};
  debug_mode = 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(convert_runProgram("Z", "DUP", none, 1), MURN_LABEL_OVERFLOW);
  EXPECT_NE(testing::internal::GetCapturedStdout().find(
                "Excessed maximum - fix semi-deterministism has fail"),
            std::string::npos);
  EXPECT_EQ(install.user_listing(), (std::vector<std::string>{"DUP.des", "FULL.des", "LOUD.des"}));
}

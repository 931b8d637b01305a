// The transform procedures end to end: the request functions start the real program in compute
// mode on DES files of a scratch user directory; the output files are checked against the
// brute-force references.
#include "engine/transform_procedures.h"

#include <gtest/gtest.h>

#include <random>

#include "algo/des_proc.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "model/des_file.h"
#include "support/random_des.h"
#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

class TransformProcedures : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    debug_mode = 0;
  }
  static void file(const char *name, const owned_des &g) {
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  static void load(const char *name, owned_des *out) {
    state_t init = 0;
    ASSERT_EQ(getdes(name, &out->size, &init, &out->des), 1) << name;
    EXPECT_EQ(init, 0);
    EXPECT_EQ(des_check(out->des, out->size), 0) << name;
  }
  // Writes a request body by hand (for codes without a request function in use, and for faults).
  void request(const std::string &body) const {
    scratch_install::write_text(install_.user_file("murn.prm"), "0\n1\n" + body);
  }

  scratch_install install_;
};

TEST_F(TransformProcedures, SelfloopAddsEachListedEventOnce) {
  owned_des g, h;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 4, 2}}, {2}, &g);
  file("G", g);
  const event_t events[] = {7, 4, 7};
  ASSERT_EQ(selfloop_runProgram("H", "G", 3, events), MURN_OK);
  load("H", &h);
  ref_des expected = to_ref(g.des, g.size);
  for (state_t s = 0; s < 3; s++) {
    for (event_t e : {4, 7})
      if (s != 2 || e != 4) expected.out[s].push_back({e, s});
    std::sort(expected.out[s].begin(), expected.out[s].end());
  }
  EXPECT_EQ(diff_des(expected, h.des, h.size), "");
}

TEST_F(TransformProcedures, MutexMatchesTheFixpointReference) {
  std::mt19937 rng(71);
  for (int round = 0; round < 8; round++) {
    random_des_options options;
    options.states = 2 + round % 4;
    options.events = {0, 1, 2, 3};
    owned_des a, b, out;
    make_random_des(rng, options, &a);
    options.events = {2, 3, 4, 5};
    make_random_des(rng, options, &b);
    file("A", a);
    file("B", b);
    std::vector<std::pair<state_t, state_t>> excluded{{1, 1},
                                                      {0, static_cast<state_t>(round % 2 + 1)}};
    state_pair pairs[] = {{1, 1}, {0, round % 2 + 1}};
    ASSERT_EQ(mutex_runProgram("M", "A", "B", pairs, 2), MURN_OK) << round;
    load("M", &out);
    ref_des expected = ref_mutex(to_ref(a.des, a.size), to_ref(b.des, b.size), excluded);
    EXPECT_EQ(diff_des(expected, out.des, out.size), "") << round;
  }
}

TEST_F(TransformProcedures, ComplementMarksWhatTheInputDoesNot) {
  owned_des g, h;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 1, 0}}, {2}, &g);
  file("G", g);
  const event_t aux[] = {2, 6};
  ASSERT_EQ(complement_runProgram("H", "G", aux, 2), MURN_OK);
  load("H", &h);
  std::set<word> all = all_words({1, 2, 6}, 5), lm = ref_marked_language(to_ref(g.des, g.size), 5);
  std::set<word> expected;
  for (const word &w : all)
    if (!lm.count(w)) expected.insert(w);
  EXPECT_EQ(ref_marked_language(to_ref(h.des, h.size), 5), expected);
  EXPECT_EQ(h.size, 4);
}

TEST_F(TransformProcedures, AlleventsAndSupclo) {
  owned_des g, all, closed;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 8, 0}, {0, 3, 2}}, {0, 1}, &g);
  file("G", g);
  ASSERT_EQ(allevent_runProgram("ALL", "G"), MURN_OK);
  load("ALL", &all);
  ref_des one;
  one.out = {{{1, 0}, {2, 0}, {3, 0}, {8, 0}}};
  one.marked = {true};
  one.vocal = {0};
  EXPECT_EQ(diff_des(one, all.des, all.size), "");

  ASSERT_EQ(supclo_runProgram("C", "G"), MURN_OK);
  load("C", &closed);
  ref_des expected;
  expected.out = {{{1, 1}}, {}};
  expected.marked = {true, true};
  expected.vocal = {0, 0};
  EXPECT_EQ(diff_des(expected, closed.des, closed.size), "");
}

TEST_F(TransformProcedures, BfsRecodeDropsUnreachableAndRenumbersBreadthFirst) {
  std::mt19937 rng(72);
  for (int round = 0; round < 6; round++) {
    random_des_options options;
    options.states = 6 + round;
    options.vocal = true;
    owned_des g, h;
    make_random_des(rng, options, &g);
    file("G", g);
    ASSERT_EQ(bfs_recode_runProgram("H", "G"), MURN_OK) << round;
    load("H", &h);
    ref_des reached = ref_reach(to_ref(g.des, g.size));
    EXPECT_EQ(diff_des(ref_renumber(reached, ref_bfs_numbering(reached)), h.des, h.size), "")
        << round;
  }
}

TEST_F(TransformProcedures, EmptyInputsGiveEmptyOrDumpOutputs) {
  owned_des empty, out;
  file("E", empty);
  ASSERT_EQ(allevent_runProgram("A", "E"), MURN_OK);
  load("A", &out);
  EXPECT_EQ(out.size, 0);
  ASSERT_EQ(bfs_recode_runProgram("B", "E"), MURN_OK);
  load("B", &out);
  EXPECT_EQ(out.size, 0);
  const event_t aux[] = {5};
  ASSERT_EQ(complement_runProgram("C", "E", aux, 1), MURN_OK);
  load("C", &out);
  ASSERT_EQ(out.size, 1);
  EXPECT_TRUE(out.des[0].marked);
  EXPECT_EQ(out.des[0].numelts, 1);
}

TEST_F(TransformProcedures, MissingOutputNameAnswersTwo) {
  owned_des g;
  make_des(1, {}, {0}, &g);
  file("G", g);
  for (const char *code : {"1", "6", "10", "17", "19", "20"}) {
    request(std::string(code) + "\nG\n");
    EXPECT_EQ(mySystem(), MURN_MISSING_NAME) << code;
    EXPECT_FALSE(install_.user_has("H.des"));
  }
}

}  // namespace

// The catalogue's procedures end to end: the front end's request functions start the real
// program in compute mode on DES files of a scratch user directory, and the output files are
// checked against answers worked out by hand and against the slow reference implementations.
#include <gtest/gtest.h>

#include <random>

#include "algo/des_proc.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "model/des_file.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

class Procedures : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    debug_mode = 0;
    minflag = 1;
  }
  static void file(const char *name, const owned_des &g) {
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  // Loads the output `name` (kind -1 for control data) and checks it is well formed.
  static void load(const char *name, state_t kind, owned_des *out, state_t *init = nullptr) {
    state_t field = kind;
    ASSERT_EQ(getdes(name, &out->size, &field, &out->des), 1) << name;
    EXPECT_EQ(des_check(out->des, out->size), 0) << name;
    if (init != nullptr) *init = field;
  }
  // After a completed exchange only DES/DAT files remain in the user directory.
  void expect_no_protocol_files() const {
    for (const char *f : {"murn.prm", "murn.rst", "murn.out", "murn.err"})
      EXPECT_FALSE(install_.user_has(f)) << f;
  }

  scratch_install install_;
};

TEST_F(Procedures, TrimDropsUnreachableAndBlockingStatesKeepingTheirOrder) {
  owned_des g;
  // 3 is a dead end, 4 is unreachable; 0 -1-> 1 -2-> 2 (marked) -4-> 0.
  make_des(5, {{0, 1, 1}, {0, 3, 3}, {1, 2, 2}, {2, 4, 0}, {4, 5, 0}}, {2}, &g);
  file("G", g);
  ASSERT_EQ(trim_runProgram("H", "G"), MURN_OK);
  owned_des h;
  state_t init;
  load("H", 0, &h, &init);
  EXPECT_EQ(init, 0);
  EXPECT_EQ(diff_des(ref_trim(to_ref(g.des, g.size)), h.des, h.size), "");
  ASSERT_EQ(h.size, 3);
  EXPECT_EQ(count_tran(h.des, h.size), 3);
  EXPECT_TRUE(h.des[2].marked);
  expect_no_protocol_files();
}

TEST_F(Procedures, TrimOfRandomDesMatchesTheReference) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 10; round++) {
    random_des_options options;
    options.states = 1 + round * 3;
    owned_des g, h;
    make_random_des(rng, options, &g);
    file("G", g);
    ASSERT_EQ(trim_runProgram("H", "G"), MURN_OK) << round;
    load("H", 0, &h);
    EXPECT_EQ(diff_des(ref_trim(to_ref(g.des, g.size)), h.des, h.size), "") << round;
  }
}

TEST_F(Procedures, TrimRequestWithoutOutputNameAnswersTwoAndWritesNothing) {
  owned_des g;
  make_des(1, {}, {0}, &g);
  file("G", g);
  scratch_install::write_text(install_.user_file("murn.prm"), "0\n1\n2\nG\n");
  EXPECT_EQ(mySystem(), MURN_MISSING_NAME);
  EXPECT_EQ(install_.user_listing(), (std::vector<std::string>{"G.des", "murn.prm"}));
}

TEST_F(Procedures, OutputThatCannotBeWrittenAnswersSeven) {
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  file("G", g);
  EXPECT_EQ(trim_runProgram("no_such_dir/H", "G"), MURN_OUTPUT_NOT_WRITTEN);
  std::string too_long(90, 'h');
  EXPECT_EQ(trim_runProgram(too_long.c_str(), "G"), MURN_OUTPUT_NOT_WRITTEN);
}

TEST_F(Procedures, MeetFollowsCommonEventsOnlyFromTheInitialPair) {
  owned_des a, b;
  make_des(2, {{0, 1, 1}, {1, 2, 0}}, {1}, &a);
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {1, 3, 0}}, {1, 2}, &b);
  file("A", a);
  file("B", b);
  ASSERT_EQ(meet_runProgram("M", "A", "B"), MURN_OK);
  owned_des m;
  load("M", 0, &m);
  // (0,0) -1-> (1,1) -2-> (0,2); only (1,1) has both components marked.
  ASSERT_EQ(m.size, 3);
  EXPECT_EQ(count_tran(m.des, m.size), 2);
  EXPECT_EQ(num_marked(m.des, m.size), 1);
  EXPECT_TRUE(m.des[1].marked);
  EXPECT_EQ(diff_des(ref_meet(to_ref(a.des, a.size), to_ref(b.des, b.size)), m.des, m.size), "");
  expect_no_protocol_files();
}

TEST_F(Procedures, SyncInterleavesPrivateEvents) {
  owned_des a, b;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  make_des(2, {{0, 2, 1}}, {1}, &b);
  file("A", a);
  file("B", b);
  ASSERT_EQ(sync_runProgram("S", "A", "B"), MURN_OK);
  owned_des s;
  load("S", 0, &s);
  // (0,0) -1-> (1,0), -2-> (0,1); both reach (1,1), the one marked state.
  ASSERT_EQ(s.size, 4);
  EXPECT_EQ(count_tran(s.des, s.size), 4);
  EXPECT_EQ(num_marked(s.des, s.size), 1);
  EXPECT_TRUE(s.des[3].marked);
}

TEST_F(Procedures, ProductsOfRandomDesMatchTheReference) {
  std::mt19937 rng(7);
  for (int round = 0; round < 8; round++) {
    random_des_options options;
    options.states = 2 + round;
    options.events = {0, 1, 2, 3, 4, 5};
    owned_des a, b, m, s;
    make_random_des(rng, options, &a);
    options.events = {1, 2, 3, 6, 7};
    make_random_des(rng, options, &b);
    file("A", a);
    file("B", b);
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    ASSERT_EQ(meet_runProgram("M", "A", "B"), MURN_OK);
    load("M", 0, &m);
    EXPECT_EQ(diff_des(ref_meet(ra, rb), m.des, m.size), "") << round;
    ASSERT_EQ(sync_runProgram("S", "A", "B"), MURN_OK);
    load("S", 0, &s);
    EXPECT_EQ(diff_des(ref_sync(ra, rb), s.des, s.size), "") << round;
  }
}

// A missing input reads as the empty DES, whose product with anything is empty.
TEST_F(Procedures, MissingInputGivesAnEmptyProduct) {
  owned_des a, m;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  file("A", a);
  ASSERT_EQ(meet_runProgram("M", "A", "NONE"), MURN_OK);
  load("M", 0, &m);
  EXPECT_EQ(m.size, 0);
}

// The progress lines of debug mode reach the front end's standard output (drawn on row 23 when
// there is a terminal), which the compute process shares in debug mode; otherwise they vanish
// with "murn.out".
TEST_F(Procedures, ProgressLinesOnlyInDebugMode) {
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  file("G", g);
  for (int debug : {1, 0}) {
    debug_mode = debug;
    testing::internal::CaptureStdout();
    EXPECT_EQ(trim_runProgram("H", "G"), MURN_OK);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("B_REACH: 0") != std::string::npos, debug == 1) << out;
  }
}

}  // namespace

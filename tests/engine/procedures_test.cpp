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

}  // namespace

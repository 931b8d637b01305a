// Minstate and Project end to end: the request functions start the real program in compute mode
// on DES files of a scratch user directory; the outputs are checked against the brute-force
// references (equivalence classes, bounded projected languages).
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "algo/des_proc.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "model/des_file.h"
#include "support/brute_lang.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

class MinstateProject : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    debug_mode = 0;
    minflag = 1;
  }
  static void file(const char *name, const owned_des &g) {
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  static void load(const char *name, owned_des *out) {
    state_t init = 0;
    ASSERT_EQ(getdes(name, &out->size, &init, &out->des), 1) << name;
    EXPECT_EQ(init, 0) << name;
    EXPECT_EQ(des_check(out->des, out->size), 0) << name;
  }
  void expect_no_protocol_files() const {
    for (const char *f : {"murn.prm", "murn.rst", "murn.out", "murn.err"})
      EXPECT_FALSE(install_.user_has(f)) << f;
  }

  scratch_install install_;
};

// Number of equivalence classes among the states reachable from state 0.
int reachable_classes(const owned_des &g) {
  owned_des r;
  from_ref(ref_reach(to_ref(g.des, g.size)), &r);
  std::vector<int> classes = naive_state_classes(r.des, r.size);
  return classes.empty() ? 0 : *std::max_element(classes.begin(), classes.end()) + 1;
}

TEST_F(MinstateProject, MinstateReachesAndMinimizesWithEitherMethod) {
  std::mt19937 rng(909);
  for (int round = 0; round < 6; round++) {
    random_des_options options;
    options.states = 4 + round * 5;
    options.vocal = round % 2 == 1;
    owned_des g;
    make_random_des(rng, options, &g);
    file("G", g);
    owned_des by[2];
    for (int flag : {0, 1}) {
      minflag = flag;
      ASSERT_EQ(minstate_runProgram("H", "G"), MURN_OK) << round;
      load("H", &by[flag]);
    }
    EXPECT_TRUE(same_des(by[0].des, by[0].size, by[1].des, by[1].size)) << round;
    EXPECT_EQ(by[1].size, reachable_classes(g)) << round;
    EXPECT_TRUE(naive_equivalent(g.des, g.size, by[1].des, by[1].size)) << round;
    expect_no_protocol_files();
  }
}

TEST_F(MinstateProject, ProjectErasesTheRequestedEventsOnce) {
  // The list arrives unsorted and with a repeat; the compute side sorts it and drops the repeat.
  std::mt19937 rng(31);
  const event_t request[] = {4, 1, 4};
  const std::set<event_t> erased = {1, 4};
  for (int round = 0; round < 6; round++) {
    random_des_options options;
    options.states = 3 + round * 4;
    options.events = {0, 1, 2, 3, 4};
    options.deterministic = round % 2 == 0;
    owned_des g, h;
    make_random_des(rng, options, &g);
    file("G", g);
    ASSERT_EQ(project_runProgram("H", "G", request, 3), MURN_OK) << round;
    load("H", &h);
    EXPECT_TRUE(bounded_projected_language(h.des, h.size, 4, {}) ==
                bounded_projected_language(g.des, g.size, 4, erased))
        << round;
    std::vector<int> classes = naive_state_classes(h.des, h.size);
    for (state_t s = 0; s < h.size; s++) EXPECT_EQ(classes[s], s) << round << ": not minimal";
    expect_no_protocol_files();
  }
}

TEST_F(MinstateProject, ProjectWithAnEmptyListIsMinstate) {
  owned_des g;
  // 0 -1-> 1 -1-> 2 -1-> 1: 1 and 2 merge; 3 is unreachable.
  make_des(4, {{0, 1, 1}, {1, 1, 2}, {2, 1, 1}, {3, 2, 0}}, {1, 2}, &g);
  file("G", g);
  ASSERT_EQ(project_runProgram("P", "G", nullptr, 0), MURN_OK);
  ASSERT_EQ(minstate_runProgram("M", "G"), MURN_OK);
  owned_des p, m;
  load("P", &p);
  load("M", &m);
  ASSERT_EQ(p.size, 2);
  EXPECT_TRUE(same_des(p.des, p.size, m.des, m.size));
}

TEST_F(MinstateProject, ProjectionTooLargeToNumberAnswersThree) {
  // (1|2)* 1 (1|2)^21 with an erased selfloop needs 2^22 subset states, beyond the state numbers
  // a DES file can carry: the compute process answers "out of memory" and files nothing.
  const state_t chain = 22;
  std::vector<transition_spec> edges = {{0, 1, 0}, {0, 2, 0}, {0, 1, 1}, {0, 9, 0}};
  for (state_t s = 1; s < chain; s++) {
    edges.push_back({s, 1, s + 1});
    edges.push_back({s, 2, s + 1});
  }
  owned_des g;
  make_des(chain + 1, edges, {chain}, &g);
  file("G", g);
  const event_t erase[] = {9};
  EXPECT_EQ(project_runProgram("H", "G", erase, 1), MURN_OUT_OF_MEMORY);
  EXPECT_FALSE(install_.user_has("H.des"));
}

}  // namespace

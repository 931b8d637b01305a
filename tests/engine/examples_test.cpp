// The bundled examples as a user meets them: their ADS texts are filed as DES in a scratch user
// directory and the suggested procedures run through the real compute process. The answers are
// worked out by hand from the models (see examples/README.md) or checked by brute force.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "engine/transform_procedures.h"
#include "model/ads2des.h"
#include "model/des_file.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

class Examples : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    debug_mode = 0;
  }
  // Files the example `name` from its ADS text.
  static void install(const char *name) {
    std::string ads = std::string(SARV_SOURCE_DIR "/examples/") + name + ".ads";
    int32_t line = 0, earlier = 0;
    owned_des g;
    ASSERT_EQ(ads_2_des_all(ads.c_str(), &line, &earlier, &g.des, &g.size), 0)
        << name << " line " << line;
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  static void load(const char *name, owned_des *out) {
    state_t init = 0;
    ASSERT_EQ(getdes(name, &out->size, &init, &out->des), 1) << name;
    ASSERT_EQ(des_check(out->des, out->size), 0) << name;
  }
  static state_t transitions(const owned_des &g) {
    state_t n = 0;
    for (state_t s = 0; s < g.size; s++) n += g.des[s].numelts;
    return n;
  }

  scratch_install install_;
};

TEST_F(Examples, SmallFactorySupervisorKeepsTheBufferFromOverflowing) {
  for (const char *name : {"MACH1", "MACH2", "BUF"}) install(name);
  ASSERT_EQ(sync_runProgram("FACT", "MACH1", "MACH2"), MURN_OK);
  ASSERT_EQ(supcon_runProgram("SUPER", "FACT", "BUF"), MURN_OK);
  owned_des fact, super;
  load("FACT", &fact);
  load("SUPER", &super);
  EXPECT_EQ(fact.size, 9);
  EXPECT_EQ(transitions(fact), 24);
  // Nine machine pairs with an empty buffer; with a full buffer machine 1 must be idle.
  EXPECT_EQ(super.size, 12);

  ASSERT_EQ(condat_runProgram("SUPDAT", "FACT", "SUPER"), MURN_OK);
  owned_des data;
  state_t init = -1;
  ASSERT_EQ(getdes("SUPDAT", &data.size, &init, &data.des), 1);
  EXPECT_EQ(init, -1);
  EXPECT_EQ(data.size, super.size);
  // Machine 1 may not start into a full buffer (three states: it is idle, machine 2 anywhere) and
  // machine 2 may not start from an empty one (three states: it is idle, machine 1 anywhere).
  std::map<event_t, int> disabled;
  for (state_t s = 0; s < data.size; s++)
    for (int j = 0; j < data.des[s].numelts; j++) disabled[data.des[s].next[j].event()]++;
  EXPECT_EQ(disabled, (std::map<event_t, int>{{11, 3}, {21, 3}}));
}

TEST_F(Examples, DiningPhilosophersSupervisorAvoidsTheDeadlock) {
  for (const char *name : {"PHIL1", "PHIL2", "FORK1", "FORK2"}) install(name);
  ASSERT_EQ(sync_runProgram("PHILS", "PHIL1", "PHIL2"), MURN_OK);
  ASSERT_EQ(sync_runProgram("FORKS", "FORK1", "FORK2"), MURN_OK);
  ASSERT_EQ(meet_runProgram("TABLE", "PHILS", "FORKS"), MURN_OK);
  ASSERT_EQ(supcon_runProgram("SAFE", "PHILS", "FORKS"), MURN_OK);
  owned_des table, safe;
  load("TABLE", &table);
  load("SAFE", &safe);
  // Both thinking, one holding a fork, one eating (for each philosopher), and the deadlock where
  // each holds the fork the other needs.
  EXPECT_EQ(table.size, 6);
  EXPECT_EQ(safe.size, 5);
  EXPECT_EQ(transitions(safe), 6);
  ref_des safe_ref = to_ref(safe.des, safe.size);
  EXPECT_EQ(ref_trim(safe_ref).size(), safe.size) << "supervisor must be nonblocking";
}

TEST_F(Examples, MazeMutexKeepsCatAndMouseApart) {
  for (const char *name : {"CAT", "MOUSE"}) install(name);
  // Cat state r is room r; mouse state m is room 2 - m.
  state_pair same_room[] = {{0, 2}, {1, 1}, {2, 0}};
  ASSERT_EQ(mutex_runProgram("APART", "CAT", "MOUSE", same_room, 3), MURN_OK);
  owned_des apart;
  load("APART", &apart);
  // From cat in 0 and mouse in 2 only one step each stays apart, and the cat can come back.
  EXPECT_EQ(apart.size, 3);
  EXPECT_EQ(transitions(apart), 3);
}

TEST_F(Examples, TransferLineSupervisorIsControllableAndNonblocking) {
  for (const char *name : {"TL_M1", "TL_M2", "TL_TU", "TL_B1", "TL_B2"}) install(name);
  ASSERT_EQ(sync_runProgram("TL_M12", "TL_M1", "TL_M2"), MURN_OK);
  ASSERT_EQ(sync_runProgram("TL", "TL_M12", "TL_TU"), MURN_OK);
  ASSERT_EQ(meet_runProgram("TL_SPEC", "TL_B1", "TL_B2"), MURN_OK);
  ASSERT_EQ(supcon_runProgram("TL_SUP", "TL", "TL_SPEC"), MURN_OK);
  owned_des plant, spec, sup;
  load("TL", &plant);
  load("TL_SPEC", &spec);
  load("TL_SUP", &sup);
  EXPECT_EQ(plant.size, 8);
  EXPECT_EQ(spec.size, 8);
  ASSERT_GT(sup.size, 0);
  ref_des expected = ref_supcon(to_ref(plant.des, plant.size), to_ref(spec.des, spec.size));
  EXPECT_EQ(diff_des(expected, sup.des, sup.size), "");
}

}  // namespace

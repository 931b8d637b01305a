// The bundled examples as a user meets them: their ADS texts are filed as DES in a scratch user
// directory and the suggested procedures (examples/README.md) run through the real compute
// process. The sizes are worked out by hand from the models.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/protocol.h"
#include "engine/engine_test_util.h"
#include "engine/transform_procedures.h"
#include "model/ads2des.h"

namespace {

TEST(Examples, SuggestedProceduresGiveTheWorkedOutResults) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  for (const char *name : {"MACH1", "MACH2", "BUF", "PHIL1", "PHIL2", "FORK1", "FORK2", "CAT",
                           "MOUSE", "TL_M1", "TL_M2", "TL_TU", "TL_B1", "TL_B2"}) {
    std::string ads = std::string(SARV_SOURCE_DIR "/examples/") + name + ".ads";
    int32_t line = 0, earlier = 0;
    owned_des g;
    ASSERT_EQ(ads_2_des_all(ads.c_str(), &line, &earlier, &g.des, &g.size), 0) << name << line;
    install.file(name, g);
  }
  state_pair same_room[] = {{0, 2}, {1, 1}, {2, 0}};  // cat state r: room r; mouse state m: 2 - m
  for (int result :
       {sync_runProgram("FACT", "MACH1", "MACH2"), supcon_runProgram("SUPER", "FACT", "BUF"),
        condat_runProgram("SUPDAT", "FACT", "SUPER"), sync_runProgram("PHILS", "PHIL1", "PHIL2"),
        sync_runProgram("FORKS", "FORK1", "FORK2"), supcon_runProgram("SAFE", "PHILS", "FORKS"),
        mutex_runProgram("APART", "CAT", "MOUSE", same_room, 3),
        sync_runProgram("TL_M12", "TL_M1", "TL_M2"), sync_runProgram("TL", "TL_M12", "TL_TU"),
        meet_runProgram("TL_SPEC", "TL_B1", "TL_B2")})
    ASSERT_EQ(result, MURN_OK);
  // Factory: nine machine pairs; supervised, three more with a full buffer and machine 1 idle.
  // Philosophers: both thinking, one holding a fork or eating (each); the deadlock where each
  // holds the fork the other needs is avoided. Maze: from cat in 0 and mouse in 2 one step each
  // stays apart, and the cat can come back. Transfer line: 8 plant states, 8 pairs of buffer
  // levels. Control data: machine 1 may not start into a full buffer (three states: it is idle,
  // machine 2 anywhere), machine 2 not from an empty one (three states, likewise).
  const std::tuple<const char *, state_t, state_t, long, std::map<event_t, int>> cases[] = {
      {"FACT", 0, 9, 24, {}},   {"SUPER", 0, 12, -1, {}}, {"SUPDAT", -1, 12, 6, {{11, 3}, {21, 3}}},
      {"SAFE", 0, 5, 6, {}},    {"APART", 0, 3, 3, {}},   {"TL", 0, 8, -1, {}},
      {"TL_SPEC", 0, 8, -1, {}}};
  for (const auto &[name, kind, states, transitions, events] : cases) {
    owned_des g;
    install.load(name, kind, &g);
    std::map<event_t, int> seen;
    long n = 0;
    for (state_t s = 0; s < g.size; s++)
      for (int j = 0; j < g.des[s].numelts; j++, n++) seen[g.des[s].next[j].event()]++;
    EXPECT_EQ(g.size, states) << name;
    EXPECT_TRUE(transitions < 0 || n == transitions) << name;
    EXPECT_TRUE(kind == 0 || seen == events) << name;
  }
}

}  // namespace

// Closed-loop simulation on random plants and supervisors (deterministic or not): listed events
// and their standing against the transition lists, steps against successor sets computed here,
// undo back to the exact earlier run, coreachability against coreach2, repeatable walks.
#include "algo/simulate.h"

#include <gtest/gtest.h>

#include <set>

#include "algo/des_proc.h"
#include "support/random_des.h"

namespace {

// Events of `states` in `d` and the targets under each, straight from the transition lists.
std::map<event_t, std::set<state_t>> moves(const owned_des &d, const std::vector<state_t> &states) {
  std::map<event_t, std::set<state_t>> out;
  for (state_t s : states)
    for (int j = 0; j < d.des[s].numelts; j++)
      out[d.des[s].next[j].event()].insert(d.des[s].next[j].target());
  return out;
}

}  // namespace

TEST(Simulate, StepsFollowTheTransitionListsAndUndoRestores) {
  std::mt19937 rng(2222);
  for (int round = 0; round < 60; round++) {
    SCOPED_TRACE(round);
    bool deterministic = round % 2 == 0;
    owned_des plant, sup, dat;
    make_random_des(
        rng, {draw<state_t>(rng, 1, 20), {0, 1, 2, 3, 4, 5}, 3, 0.3, deterministic, false}, &plant);
    make_random_des(rng, {draw<state_t>(rng, 1, 20), {0, 1, 2, 3, 5}, 3, 0.3, deterministic, false},
                    &sup);
    make_random_des(rng, {sup.size, {1, 3}, 1, 0, true, false}, &dat);
    sim_model m;  // the plant alone, under a supervisor, or under a supervisor and control data
    m.plant = plant.des, m.plant_size = plant.size;
    if (round % 3 != 0) m.sup = sup.des, m.sup_size = sup.size;
    if (round % 3 == 2) m.dat = dat.des, m.dat_size = dat.size;
    ASSERT_EQ(sim_prepare(&m), 0);
    coreach2(plant.size, &plant.des);
    for (state_t s = 0; s < plant.size; s++)
      EXPECT_EQ(m.plant_coreach[s], plant.des[s].coreach) << s;
    sim_run run;
    run.seed = static_cast<uint64_t>(round);
    sim_restart(m, &run);
    for (int step = 0; step < 30; step++) {
      auto plant_moves = moves(plant, run.plant_states);
      auto sup_moves = m.sup ? moves(sup, run.sup_states) : plant_moves;
      auto data_moves = m.dat ? moves(dat, run.sup_states) : decltype(plant_moves){};
      std::vector<sim_event> listed = sim_events(m, run);
      ASSERT_EQ(listed.size(), plant_moves.size());
      std::vector<event_t> allowed;
      for (size_t i = 0; i < listed.size(); i++) {
        event_t e = std::next(plant_moves.begin(), static_cast<long>(i))->first;
        EXPECT_EQ(listed[i].event, e);
        bool ok = sup_moves.count(e) && !data_moves.count(e);
        EXPECT_EQ(listed[i].status, ok ? SIM_ALLOWED : e % 2 ? SIM_DISABLED : SIM_FAULT) << e;
        if (ok)
          allowed.push_back(e);
        else
          EXPECT_NE(sim_fire(m, &run, e), SIM_FIRED);
      }
      if (allowed.empty()) break;
      sim_run before = run;
      event_t e = allowed[rng() % allowed.size()];
      ASSERT_EQ(sim_fire(m, &run, e), SIM_FIRED);
      EXPECT_EQ(std::set<state_t>(run.plant_states.begin(), run.plant_states.end()),
                plant_moves[e]);
      EXPECT_EQ(run.plant_states.size(), plant_moves[e].size());
      if (m.sup) {
        EXPECT_EQ(std::set<state_t>(run.sup_states.begin(), run.sup_states.end()), sup_moves[e]);
      }
      if (rng() % 4 == 0) {
        ASSERT_TRUE(sim_undo(&run));
        EXPECT_TRUE(run.plant_states == before.plant_states &&
                    run.sup_states == before.sup_states && run.trace == before.trace);
      }
    }
    // The same seed walks the same way.
    int steps1 = 0, steps2 = 0;
    sim_restart(m, &run);
    sim_stop stop1 = sim_random_walk(m, &run, 200, &steps1);
    std::vector<event_t> first = run.trace;
    sim_restart(m, &run);
    EXPECT_EQ(sim_random_walk(m, &run, 200, &steps2), stop1);
    EXPECT_EQ(run.trace, first);
    EXPECT_EQ(static_cast<int>(first.size()), steps1);
  }
}

// Procedures that add states, on inputs already at the state limit: each refuses the growth with
// mem_result and state_limit_reached set, instead of storing state numbers a transition target
// cannot hold.
#include <gtest/gtest.h>

#include <functional>

#include "algo/hierarchy_consistency.h"
#include "algo/higen.h"
#include "algo/output_consistency.h"
#include "model/model_test_util.h"

namespace {

// MAX_STATES states: the given transitions and outputs, the other states without either.
void at_limit(const std::vector<transition_spec> &edges, const std::vector<state_t> &vocal,
              owned_des *d) {
  make_des(MAX_STATES, edges, {}, d);
  for (state_t s : vocal) d->des[s].vocal = 10;
}

}  // namespace

TEST(StateLimit, ProceduresThatAddStatesRefuseToPassIt) {
  const state_t last = MAX_STATES - 1;
  struct growing {
    const char *procedure;
    std::vector<transition_spec> edges;
    std::vector<state_t> vocal;
    std::function<void(owned_des *)> run;
  } cases[] = {
      {"Vocalize",
       {{0, 1, 1}},
       {},
       [](owned_des *d) {
         quad *q = static_cast<quad *>(malloc(sizeof(quad)));
         *q = {0, 1, 1, 10};
         state_t count = 1;
         vocalize_des(&d->size, &d->des, &q, &count);
         free(q);
       }},
      {"Outconsis",
       {{0, 1, 1}, {last, 1, 0}},
       {},
       [](owned_des *d) { outcon_des(&d->size, &d->des); }},
      {"Hiconsis",
       {{0, 1, 1}, {last, 1, 0}},
       {},
       [](owned_des *d) { hiconsis_des(&d->size, &d->des); }},
      {"Hiconsis1",
       {{0, 1, 1}, {last, 1, 0}},
       {},
       [](owned_des *d) { hiconsis_1_des(&d->size, &d->des); }},
      {"Higen",
       {{0, 1, 1}, {0, 3, 2}},
       {1, 2},
       [](owned_des *d) {
         event_t *nulls = nullptr;
         uint16_t count = 0;
         higen_des(&d->size, &d->des, &nulls, &count);
         free(nulls);
       }},
      {"Convert",
       {{0, 1, 1}, {0, 3, 2}},
       {},
       [](owned_des *d) {
         const state_pair pairs[] = {{3, 1}};
         event_t *nulls = nullptr;
         uint16_t count = 0;
         int done = 0;
         owned_des out;
         eventmap_des(d->des, d->size, &out.des, &out.size, pairs, 1, &nulls, &count, &done);
         free(nulls);
       }},
  };
  for (growing &c : cases) {
    owned_des d;
    at_limit(c.edges, c.vocal, &d);
    mem_result = 0;
    state_limit_reached = 0;
    c.run(&d);
    EXPECT_TRUE(mem_result == 1 && state_limit_reached == 1) << c.procedure;
    EXPECT_LE(d.size, MAX_STATES) << c.procedure;
  }
  mem_result = 0;
  state_limit_reached = 0;
}

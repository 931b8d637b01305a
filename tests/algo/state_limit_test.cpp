// Procedures that add states, on inputs already at the state limit, refuse the growth (mem_result
// and state_limit_reached) instead of storing state numbers a transition target cannot hold.
#include <gtest/gtest.h>

#include "algo/hierarchy_consistency.h"
#include "algo/higen.h"
#include "algo/output_consistency.h"
#include "model/model_test_util.h"

// Vocalize copies state 1; Outconsis and both Hiconsis copy state 0, which is entered; Higen (two
// targets of output 10) and Convert (3 merged into 1) add states to stay deterministic.
TEST(StateLimit, ProceduresThatAddStatesRefuseToPassIt) {
  const std::vector<transition_spec> entered = {{0, 1, 1}, {MAX_STATES - 1, 1, 0}},
                                     fork = {{0, 1, 1}, {0, 3, 2}};
  for (std::string p : {"Vocalize", "Outconsis", "Hiconsis", "Hiconsis1", "Higen", "Convert"}) {
    owned_des d, out;
    make_des(MAX_STATES, p == "Higen" || p == "Convert" ? fork : entered, {}, &d);
    mem_result = state_limit_reached = 0;
    event_t *nulls = nullptr;
    uint16_t count = 0;
    int done = 0;
    quad *request = static_cast<quad *>(malloc(sizeof(quad)));
    *request = {0, 1, 1, 10};
    state_t requests = 1;
    const state_pair merge[] = {{3, 1}};
    d.des[1].vocal = d.des[2].vocal = p == "Higen" ? 10 : 0;
    if (p == "Vocalize") vocalize_des(&d.size, &d.des, &request, &requests);
    if (p == "Outconsis") outcon_des(&d.size, &d.des);
    if (p == "Hiconsis") hiconsis_des(&d.size, &d.des);
    if (p == "Hiconsis1") hiconsis_1_des(&d.size, &d.des);
    if (p == "Higen") higen_des(&d.size, &d.des, &nulls, &count);
    if (p == "Convert")
      eventmap_des(d.des, d.size, &out.des, &out.size, merge, 1, &nulls, &count, &done);
    EXPECT_TRUE(mem_result == 1 && state_limit_reached == 1) << p;
    EXPECT_LE(d.size, MAX_STATES) << p;
    free(request);
    free(nulls);
  }
  mem_result = state_limit_reached = 0;
}

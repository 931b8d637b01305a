// The reverse graph built in one pass equals the one built transition by transition.
#include <gtest/gtest.h>

#include <random>

#include "algo/des_proc.h"
#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

void expect_same_lists(const state_node *a, const state_node *b, state_t n) {
  for (state_t t = 0; t < n; t++) {
    ASSERT_EQ(a[t].numelts, b[t].numelts) << "state " << t;
    for (int j = 0; j < a[t].numelts; j++) EXPECT_EQ(a[t].next[j].word, b[t].next[j].word);
  }
}

TEST(ReverseGraph, MatchesIncrementalConstructionOnRandomDes) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; round++) {
    random_des_options options;
    options.states = 1 + round % 40;
    options.events = {0, 1, 2, 3, 5, 8};
    options.max_out = 5;
    options.deterministic = round % 2 == 0;
    owned_des g, whole, stepwise;
    make_random_des(rng, options, &g);
    whole.size = stepwise.size = g.size;
    whole.des = newdes(g.size);
    stepwise.des = newdes(g.size);
    ASSERT_EQ(reverse_graph(g.size, g.des, whole.des), 1);
    for (state_t s = 0; s < g.size; s++) reversetran1(s, g.des, stepwise.des);
    EXPECT_EQ(des_check(whole.des, whole.size), 0);
    expect_same_lists(stepwise.des, whole.des, g.size);
  }
}

TEST(ReverseGraph, RefusesAnInDegreeBeyondTheCountField) {
  owned_des g, rev;
  g.size = rev.size = 2;
  g.des = newdes(2);
  g.des[0].numelts = UINT16_MAX;
  g.des[0].next = static_cast<tran_entry *>(calloc(UINT16_MAX, sizeof(tran_entry)));
  g.des[1].numelts = 1;
  g.des[1].next = static_cast<tran_entry *>(calloc(1, sizeof(tran_entry)));
  for (int j = 0; j < UINT16_MAX; j++)
    g.des[0].next[j] = make_tran(static_cast<event_t>(j % 1000), 0);
  rev.des = newdes(2);
  mem_result = 0;
  EXPECT_EQ(reverse_graph(g.size, g.des, rev.des), 0);
  EXPECT_EQ(mem_result, 1);
  mem_result = 0;
}

TEST(ReverseGraph, AllocationFailureIsReportedAndLeavesFreeableLists) {
  std::mt19937 rng(5);
  random_des_options options;
  options.states = 30;
  owned_des g;
  make_random_des(rng, options, &g);
  int failures = 0;
  for (long after = 0; after < 10; after++) {
    owned_des rev;
    rev.size = g.size;
    rev.des = newdes(g.size);
    mem_result = 0;
    fail_allocation_after(after);
    int built = reverse_graph(g.size, g.des, rev.des);
    fail_allocation_after(-1);
    EXPECT_EQ(mem_result, built ? 0 : 1);
    failures += !built;
    mem_result = 0;
  }
  EXPECT_GT(failures, 0);
}

}  // namespace

// Natural projection: breadth-first subset numbering, erased cycles and erased alphabets, staging
// by size, the projected languages of random DES against bounded enumeration, and allocation
// failure.
#include "algo/project.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "algo/minm.h"
#include "model/mymalloc.h"
#include "model/progress.h"
#include "support/brute_lang.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

std::vector<std::string> progress_lines;

void keep_line(const char *line) {
  progress_lines.push_back(line);
}

state_t target_of(const owned_des &d, state_t s, event_t e) {
  for (int j = 0; j < d.des[s].numelts; j++)
    if (d.des[s].next[j].event() == e) return d.des[s].next[j].target();
  return -1;
}

void run_project1(owned_des *d, std::vector<event_t> nulls) {
  mem_result = 0;
  project1(&d->size, &d->des, static_cast<uint16_t>(nulls.size()), nulls.data());
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(d->des, d->size), 0);
}

void run_project0(owned_des *d, std::vector<event_t> nulls) {
  mem_result = 0;
  project0(&d->size, &d->des, static_cast<uint16_t>(nulls.size()), nulls.data());
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(d->des, d->size), 0);
}

// Number of project1 runs that expanded a subset, counted from the debug progress lines.
int count_subset_constructions(owned_des *d, std::vector<event_t> nulls) {
  progress_lines.clear();
  set_progress_sink(keep_line);
  int saved = debug_mode;
  debug_mode = 1;
  run_project0(d, nulls);
  debug_mode = saved;
  set_progress_sink(nullptr);
  int runs = 0;
  for (const std::string &line : progress_lines) runs += line == "PROJECT: 0 0";
  return runs;
}

// A ring of `size` states; state s moves to s + 1 on event s % 7 and is marked when s % 5 == 0.
void make_ring(state_t size, owned_des *out) {
  std::vector<transition_spec> edges;
  std::vector<state_t> marked;
  for (state_t s = 0; s < size; s++) {
    edges.push_back({s, static_cast<event_t>(s % 7), (s + 1) % size});
    if (s % 5 == 0) marked.push_back(s);
  }
  make_des(size, edges, marked, out);
}

}  // namespace

TEST(ProjectNumbering, SubsetsAreNumberedBreadthFirstByEvent) {
  // Erasing 9: closure of 0 is {0, 1}. Its successors: event 2 -> {3}, event 4 -> {2, 4}
  // (from 0 and 1), so {3} is subset 1 and {2, 4} subset 2; {3} --6--> {5} becomes subset 3.
  owned_des d;
  make_des(6, {{0, 9, 1}, {0, 4, 2}, {1, 2, 3}, {1, 4, 4}, {3, 6, 5}, {2, 9, 5}}, {5}, &d);
  run_project1(&d, {9});
  ASSERT_EQ(d.size, 4);
  EXPECT_EQ(target_of(d, 0, 2), 1);
  EXPECT_EQ(target_of(d, 0, 4), 2);
  EXPECT_EQ(target_of(d, 1, 6), 3);
  EXPECT_EQ(d.des[2].numelts, 0);
  EXPECT_EQ(d.des[3].numelts, 0);
  EXPECT_EQ(d.des[2].marked, 1) << "{2, 4, 5}: 2 --9--> 5 is in the closure";
  EXPECT_EQ(d.des[3].marked, 1);
  EXPECT_EQ(d.des[0].marked + d.des[1].marked, 0);
}

TEST(ProjectNumbering, NondeterminismAfterErasureIsResolved) {
  // 0 --1--> 1 and 0 --3--> 2 --1--> 3 with 3 erased: subset 0 = {0, 2} has one 1-successor
  // {1, 3}.
  owned_des d;
  make_des(4, {{0, 1, 1}, {0, 3, 2}, {2, 1, 3}}, {3}, &d);
  d.des[0].vocal = 12;
  run_project1(&d, {3});
  ASSERT_EQ(d.size, 2);
  EXPECT_EQ(target_of(d, 0, 1), 1);
  EXPECT_EQ(d.des[1].marked, 1);
  EXPECT_EQ(d.des[0].vocal, 0) << "projection drops vocal outputs";
}

TEST(ProjectEdgeCases, ErasingEverythingLeavesOneState) {
  owned_des d;
  make_des(4, {{0, 1, 1}, {1, 2, 0}, {1, 3, 2}, {3, 1, 3}}, {3}, &d);
  run_project1(&d, {1, 2, 3});
  ASSERT_EQ(d.size, 1);
  EXPECT_EQ(d.des[0].numelts, 0);
  EXPECT_EQ(d.des[0].marked, 0) << "marker state 3 is not reachable from 0";
  owned_des e;
  make_des(4, {{0, 1, 1}, {1, 2, 0}, {1, 3, 2}, {2, 5, 3}}, {3}, &e);
  run_project1(&e, {1, 2, 3, 5});
  ASSERT_EQ(e.size, 1);
  EXPECT_EQ(e.des[0].marked, 1);
}

TEST(ProjectEdgeCases, ErasedCycleSharesOneClosure) {
  // 0 -9-> 1 -9-> 2 -9-> 0 is a cycle of erased transitions; each of its states has its own
  // visible event.
  owned_des d;
  make_des(5, {{0, 9, 1}, {1, 9, 2}, {2, 9, 0}, {0, 1, 3}, {1, 3, 4}, {2, 5, 0}, {4, 7, 2}}, {4},
           &d);
  run_project1(&d, {9});
  ASSERT_EQ(d.size, 3);
  EXPECT_EQ(target_of(d, 0, 5), 0) << "2 --5--> 0 returns into the closure itself";
  EXPECT_EQ(target_of(d, 0, 1), 1);
  EXPECT_EQ(target_of(d, 0, 3), 2);
  EXPECT_EQ(target_of(d, 2, 7), 0) << "{4} --7--> {2, 0, 1}";
}

TEST(ProjectEdgeCases, AbsentNullEventsLeaveTheDesUntouched) {
  owned_des d;
  make_des(4, {{0, 1, 1}, {1, 1, 2}, {2, 1, 1}}, {1, 2}, &d);
  owned_des original;
  copy_des(d.des, d.size, &original);
  state_node *before = d.des;
  run_project1(&d, {8, 10});
  EXPECT_EQ(d.des, before);
  EXPECT_TRUE(same_des(d.des, d.size, original.des, original.size));
  // project0 then reaches (state 3 goes) and minimizes (1 and 2 merge); an empty list does the
  // same.
  for (std::vector<event_t> nulls : {std::vector<event_t>{8, 10}, std::vector<event_t>{}}) {
    owned_des p;
    copy_des(original.des, original.size, &p);
    run_project0(&p, nulls);
    ASSERT_EQ(p.size, 2);
    EXPECT_EQ(target_of(p, 0, 1), 1);
    EXPECT_EQ(target_of(p, 1, 1), 1);
  }
}

TEST(ProjectStaging, StageLengthIsFixedBySizeAtEntry) {
  // Ring events are 0..6; five of them are erased. Every stage finds its events, so the number
  // of subset constructions is the number of stages.
  const std::vector<event_t> nulls = {0, 1, 2, 3, 4};
  struct {
    state_t size;
    int stages;
  } cases[] = {{99, 1}, {150, 3}, {999, 3}, {1500, 5}};
  for (auto c : cases) {
    owned_des d;
    make_ring(c.size, &d);
    EXPECT_EQ(count_subset_constructions(&d, nulls), c.stages) << c.size << " states";
    EXPECT_TRUE(is_deterministic_des(d.des, d.size));
  }
}

TEST(ProjectProperties, ProjectedLanguagesMatchEnumeration) {
  std::mt19937 rng(1207);
  const std::vector<event_t> pool = {0, 1, 2, 3, 4};
  for (int round = 0; round < 250; round++) {
    random_des_options options;
    options.states = 1 + static_cast<int>(rng() % 10);
    options.events = pool;
    options.deterministic = round % 2 == 0;
    options.vocal = round % 3 == 0;
    options.max_out = 1 + static_cast<int>(rng() % 4);
    owned_des input;
    make_random_des(rng, options, &input);
    std::vector<event_t> nulls;
    for (event_t e : pool)
      if (rng() % 3 == 0) nulls.push_back(e);
    std::set<event_t> erased(nulls.begin(), nulls.end());
    bounded_language expected = bounded_projected_language(input.des, input.size, 4, erased);

    owned_des by1, by0, again;
    copy_des(input.des, input.size, &by1);
    run_project1(&by1, nulls);
    bool erases = false;
    for (state_t s = 0; s < input.size; s++)
      for (int j = 0; j < input.des[s].numelts; j++)
        erases |= erased.count(input.des[s].next[j].event()) > 0;
    if (erases || options.deterministic) {
      ASSERT_TRUE(is_deterministic_des(by1.des, by1.size)) << "round " << round;
    }
    ASSERT_TRUE(bounded_projected_language(by1.des, by1.size, 4, {}) == expected)
        << "round " << round;

    copy_des(input.des, input.size, &by0);
    run_project0(&by0, nulls);
    ASSERT_TRUE(bounded_projected_language(by0.des, by0.size, 4, {}) == expected)
        << "round " << round;
    std::vector<int> classes = naive_state_classes(by0.des, by0.size);
    for (state_t s = 0; s < by0.size; s++) ASSERT_EQ(classes[s], s) << "round " << round;

    copy_des(input.des, input.size, &again);
    run_project0(&again, nulls);
    ASSERT_TRUE(same_des(by0.des, by0.size, again.des, again.size)) << "round " << round;
  }
}

TEST(ProjectFailure, AllocationFailureLeavesTheDesUntouched) {
  std::mt19937 rng(5);
  random_des_options options;
  options.states = 30;
  options.events = {0, 1, 2, 3};
  options.max_out = 3;
  owned_des input;
  make_random_des(rng, options, &input);
  owned_des expected;
  copy_des(input.des, input.size, &expected);
  run_project1(&expected, {0, 2});
  ASSERT_GT(expected.size, 1);
  bool completed = false;
  for (long k = 0; !completed && k < 100000; k++) {
    owned_des d;
    copy_des(input.des, input.size, &d);
    const event_t nulls[] = {0, 2};
    mem_result = 0;
    fail_allocation_after(k);
    project1(&d.size, &d.des, 2, nulls);
    fail_allocation_after(-1);
    ASSERT_EQ(des_check(d.des, d.size), 0) << "failing allocation " << k;
    if (mem_result) {
      ASSERT_TRUE(same_des(d.des, d.size, input.des, input.size)) << "failing allocation " << k;
    } else {
      EXPECT_TRUE(same_des(d.des, d.size, expected.des, expected.size));
      completed = true;
    }
  }
  EXPECT_TRUE(completed);
  mem_result = 0;
}

TEST(ProjectFailure, MoreSubsetsThanADesCanHoldIsTooLarge) {
  // (1|2)* 1 (1|2)^21 with an erased selfloop: its subset construction needs 2^22 subsets, more
  // than the 2^21 state numbers a transition can carry.
  const state_t chain = 22;
  std::vector<transition_spec> edges = {{0, 1, 0}, {0, 2, 0}, {0, 1, 1}, {0, 9, 0}};
  for (state_t s = 1; s < chain; s++) {
    edges.push_back({s, 1, s + 1});
    edges.push_back({s, 2, s + 1});
  }
  owned_des d;
  make_des(chain + 1, edges, {chain}, &d);
  owned_des original;
  copy_des(d.des, d.size, &original);
  const event_t nulls[] = {9};
  mem_result = 0;
  project1(&d.size, &d.des, 1, nulls);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(des_check(d.des, d.size), 0);
  EXPECT_TRUE(same_des(d.des, d.size, original.des, original.size));
  mem_result = 0;
}

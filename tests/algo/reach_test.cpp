// Reachability, coreachability, trim and recoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "algo/des_proc.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "model/progress.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

std::vector<std::string> progress_seen;
void capture_progress(const char *line) {
  progress_seen.push_back(line);
}

// 0 -1-> 2, 0 -3-> 1 (dead end), 2 -5-> 5 (marked, output 42), 5 -2-> 2, 3 -1-> 0 and 4 -1-> 5 not
// reachable, 1 not coreachable.
void build_sample(owned_des *g) {
  make_des(6, {{0, 1, 2}, {0, 3, 1}, {2, 5, 5}, {5, 2, 2}, {3, 1, 0}, {4, 1, 5}}, {5}, g);
  g->des[5].vocal = 42;
}

}  // namespace

TEST(Reach, EmptyDesStaysEmpty) {
  state_t n = 0;
  state_node *des = nullptr;
  reach(&n, &des);
  trim1(&n, &des);
  trim2(&n, &des, nullptr);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(des, nullptr);
}

TEST(Reach, FullyReachableOrTrimDesKeepsItsArray) {
  owned_des g;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 3, 0}}, {}, &g);
  state_node *before = g.des;
  reach(&g.size, &g.des);
  EXPECT_EQ(g.des, before);
  EXPECT_EQ(g.size, 3);
  EXPECT_EQ(des_check(g.des, g.size), 0);
  for (state_t s = 0; s < 3; s++) EXPECT_TRUE(g.des[s].reached);
  g.des[1].marked = 1;  // now trim as well
  trim1(&g.size, &g.des);
  EXPECT_EQ(g.des, before);
  EXPECT_EQ(g.size, 3);
}

TEST(Reach, DropsUnreachableStatesAndKeepsOrder) {
  owned_des g;
  build_sample(&g);
  reach(&g.size, &g.des);
  ASSERT_EQ(des_check(g.des, g.size), 0);
  // Survivors 0, 1, 2, 5 become 0, 1, 2, 3.
  ref_des expected;
  expected.out = {{{1, 2}, {3, 1}}, {}, {{5, 3}}, {{2, 2}}};
  expected.marked = {false, false, false, true};
  expected.vocal = {0, 0, 0, 42};
  EXPECT_EQ(diff_des(expected, g.des, g.size), "");
}

TEST(Reach, ManyStatesSearchIterativelyAndReportProgress) {
  // A chain of 30000 states reached one by one: no recursion depth, counter lines every 10000.
  const state_t n = 30000;
  std::vector<transition_spec> chain;
  for (state_t s = 0; s + 1 < n; s++) chain.push_back({s, 1, s + 1});
  owned_des g;
  make_des(n, chain, {n - 1}, &g);
  progress_seen.clear();
  set_progress_sink(capture_progress);
  debug_mode = 1;
  trim1(&g.size, &g.des);
  debug_mode = 0;
  set_progress_sink(nullptr);
  EXPECT_EQ(g.size, n);
  ASSERT_GE(progress_seen.size(), 3u);
  EXPECT_EQ(progress_seen[0], "B_REACH: 0");
  EXPECT_EQ(progress_seen[1], "B_REACH: 10000");
}

TEST(Coreach, MarksExactlyTheStatesThatReachAMarkerState) {
  owned_des g;
  build_sample(&g);
  g.des[1].coreach = 1;  // stale flag from an earlier search must be cleared
  coreach2(g.size, &g.des);
  // 4 is unreachable but reaches the marker state: coreachability ignores reachability.
  std::vector<int> expected = {1, 0, 1, 1, 1, 1};
  for (state_t s = 0; s < g.size; s++) EXPECT_EQ(g.des[s].coreach, expected[s]) << "state " << s;
}

TEST(Coreach, MarkerStateWithoutTransitionsIsCoreachable) {
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  coreach2(g.size, &g.des);
  EXPECT_TRUE(g.des[0].coreach);
  EXPECT_TRUE(g.des[1].coreach);
}

TEST(Coreach, SingleSearchFlagsItsPathOrProvesItsStatesDead) {
  // 0 -> 1 -> 2 -> 1 (cycle without exit), 0 -> 3 -> 4 (marked).
  owned_des g;
  make_des(5, {{0, 1, 1}, {1, 1, 2}, {2, 1, 1}, {0, 2, 3}, {3, 1, 4}}, {4}, &g);
  std::vector<char> dead(5, 0);
  coreach1(1, g.size, &g.des, dead.data());
  EXPECT_FALSE(g.des[1].coreach);
  EXPECT_EQ(dead, (std::vector<char>{0, 1, 1, 0, 0}));
  coreach1(0, g.size, &g.des, dead.data());
  EXPECT_TRUE(g.des[0].coreach);
  EXPECT_TRUE(g.des[3].coreach);
  EXPECT_FALSE(g.des[1].coreach);
  EXPECT_EQ(dead[0], 0);
}

TEST(Coreach, SingleSearchWalksPastManyTransitionsOfOneState) {
  // The successful branch sits behind 1500 dead transitions of the same state: positions in the
  // search stack must not wrap at the event field width.
  std::vector<transition_spec> t;
  for (state_t k = 0; k < 1500; k++) t.push_back({1, 0, 3 + k});
  t.push_back({0, 1, 1});
  t.push_back({1, 2, 2});
  t.push_back({2, 1, 1503});
  owned_des g;
  make_des(1504, t, {1503}, &g);
  std::vector<char> dead(1504, 0);
  coreach1(0, g.size, &g.des, dead.data());
  EXPECT_TRUE(g.des[0].coreach);
  EXPECT_TRUE(g.des[1].coreach);
  EXPECT_TRUE(g.des[2].coreach);
}

TEST(Trim, RemovesUnreachableAndBlockingStatesInOrder) {
  owned_des g;
  build_sample(&g);
  std::vector<pair_code_t> codes = {100, 101, 102, 103, 104, 105};
  trim2(&g.size, &g.des, codes.data());
  ASSERT_EQ(des_check(g.des, g.size), 0);
  // Survivors 0, 2, 5 become 0, 1, 2; 5 -2-> 2 becomes 2 -2-> 1.
  ref_des expected;
  expected.out = {{{1, 1}}, {{5, 2}}, {{2, 1}}};
  expected.marked = {false, false, true};
  expected.vocal = {0, 0, 42};
  EXPECT_EQ(diff_des(expected, g.des, g.size), "");
  EXPECT_EQ(codes[0], 100);
  EXPECT_EQ(codes[1], 102);
  EXPECT_EQ(codes[2], 105);
  for (state_t s = 0; s < g.size; s++) EXPECT_TRUE(g.des[s].reached && g.des[s].coreach);
}

TEST(Trim, NoReachableMarkerStateGivesEmptyDes) {
  owned_des none, unreachable;
  make_des(3, {{0, 1, 1}, {1, 1, 0}}, {}, &none);
  make_des(3, {{0, 1, 1}, {1, 1, 0}, {2, 1, 0}}, {2}, &unreachable);
  for (owned_des *g : {&none, &unreachable}) {
    trim1(&g->size, &g->des);
    EXPECT_EQ(g->size, 0);
    EXPECT_EQ(g->des, nullptr);
  }
}

TEST(Trim, RemovesACycleWithoutExitToAMarkerState) {
  owned_des g;
  make_des(5, {{0, 1, 1}, {1, 1, 2}, {2, 1, 3}, {3, 1, 1}, {0, 2, 4}}, {4}, &g);
  trim1(&g.size, &g.des);
  ASSERT_EQ(g.size, 2);
  ASSERT_EQ(g.des[0].numelts, 1);
  EXPECT_EQ(g.des[0].next[0].event(), 2);
  EXPECT_EQ(g.des[0].next[0].target(), 1);
  EXPECT_EQ(g.des[1].numelts, 0);
}

TEST(Recode, MovesFlagsOutputsAndPairCodesWithTheirStates) {
  owned_des g;
  make_des(4, {{0, 1, 3}, {3, 2, 0}, {3, 4, 1}, {1, 1, 3}}, {3}, &g);
  g.des[3].vocal = 17;
  g.des[1].vocal = 11;
  std::vector<uint32_t> map = {RECODE_SURVIVES | 0, 0, 0, RECODE_SURVIVES | 1};
  std::vector<pair_code_t> codes = {7, 8, 9, 10};
  recode2(4, &g.des, map.data(), codes.data());
  resize_des(&g.des, 4, 2);
  g.size = 2;
  ASSERT_EQ(des_check(g.des, g.size), 0);
  ref_des expected;
  expected.out = {{{1, 1}}, {{2, 0}}};
  expected.marked = {false, true};
  expected.vocal = {0, 17};
  EXPECT_EQ(diff_des(expected, g.des, g.size), "");
  EXPECT_EQ(codes[1], 10);
}

TEST(Purge, DropsBadStatesTransitionsAndTransitionsIntoThem) {
  owned_des g;
  make_des(3, {{0, 1, 1}, {0, 2, 2}, {1, 1, 0}, {2, 1, 0}}, {1}, &g);
  g.des[0].reached = g.des[1].reached = 1;
  purgebadstates(g.size, &g.des);
  ASSERT_EQ(des_check(g.des, g.size), 0);
  ref_des expected;
  expected.out = {{{1, 1}}, {{1, 0}}, {}};
  expected.marked = {false, true, false};
  expected.vocal = {0, 0, 0};
  EXPECT_EQ(diff_des(expected, g.des, g.size), "");
}

TEST(ReverseGraph, ListsEveryTransitionBackwards) {
  std::mt19937 rng(7);
  random_des_options options;
  options.states = 20;
  options.deterministic = false;
  for (int round = 0; round < 20; round++) {
    owned_des g, rev;
    make_random_des(rng, options, &g);
    rev.size = g.size;
    rev.des = newdes(g.size);
    for (state_t s = 0; s < g.size; s++) reversetran1(s, g.des, rev.des);
    ASSERT_EQ(des_check(rev.des, rev.size), 0);
    EXPECT_EQ(count_tran(rev.des, rev.size), count_tran(g.des, g.size));
    for (state_t s = 0; s < g.size; s++)
      for (int j = 0; j < g.des[s].numelts; j++) {
        tran_entry t = g.des[s].next[j];
        const state_node &back = rev.des[t.target()];
        bool found = false;
        for (int k = 0; k < back.numelts; k++)
          found = found || tran_equal(back.next[k], make_tran(t.event(), s));
        EXPECT_TRUE(found);
      }
  }
}

TEST(ReachProperty, RandomDesMatchReferenceAndKeepTheirLanguages) {
  std::mt19937 rng(20240611);
  random_des_options options;
  options.vocal = true;
  for (int round = 0; round < 300; round++) {
    options.states = 1 + round % 17;
    options.marked_fraction = (round % 5) * 0.1;
    owned_des g;
    make_random_des(rng, options, &g);
    ref_des original = to_ref(g.des, g.size);

    owned_des r, t;
    copy_des(g.des, g.size, &r);
    reach(&r.size, &r.des);
    ASSERT_EQ(des_check(r.des, r.size), 0);
    EXPECT_EQ(diff_des(ref_reach(original), r.des, r.size), "") << "round " << round;
    EXPECT_EQ(ref_closed_language(to_ref(r.des, r.size), 6), ref_closed_language(original, 6));

    copy_des(g.des, g.size, &t);
    trim1(&t.size, &t.des);
    ASSERT_EQ(des_check(t.des, t.size), 0);
    EXPECT_EQ(diff_des(ref_trim(original), t.des, t.size), "") << "round " << round;
    ref_des trimmed = to_ref(t.des, t.size);
    EXPECT_EQ(ref_marked_language(trimmed, 6), ref_marked_language(original, 6));
    EXPECT_EQ(num_marked(t.des, t.size),
              static_cast<state_t>(std::count(trimmed.marked.begin(), trimmed.marked.end(), true)));
  }
}

TEST(ReachProperty, AllocationFailureAnywhereInTrimIsReportedAndLeavesAFreeableDes) {
  std::mt19937 rng(99);
  random_des_options options;
  options.states = 40;
  int failures = 0;
  for (long fail_at = 0; fail_at < 8; fail_at++) {
    owned_des g;
    make_random_des(rng, options, &g);
    mem_result = 0;
    fail_allocation_after(fail_at);
    trim1(&g.size, &g.des);
    fail_allocation_after(-1);
    failures += mem_result;
    EXPECT_EQ(des_check(g.des, g.size), 0) << "failure after " << fail_at << " allocations";
    mem_result = 0;
  }
  EXPECT_GE(failures, 3);
}

TEST(ReverseGraph, StateEnteredMoreOftenThanAListCanCountIsReported) {
  // The reverse list of state 0 already holds 65535 entries; state 65536 adds one more.
  const state_t n = 65537;
  owned_des g, rev;
  make_des(n, {{n - 1, 2, 0}}, {}, &g);
  rev.size = n;
  rev.des = newdes(n);
  rev.des[0].next = static_cast<tran_entry *>(malloc(65535 * sizeof(tran_entry)));
  for (state_t s = 1; s < n - 1; s++) rev.des[0].next[s - 1] = make_tran(2, s);
  rev.des[0].numelts = 65535;
  mem_result = 0;
  reversetran1(n - 1, g.des, rev.des);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(rev.des[0].numelts, 65535);
  EXPECT_EQ(des_check(rev.des, rev.size), 0);
  mem_result = 0;
}

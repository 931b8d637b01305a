// Isomorphism, nonconflict, determinism and breadth-first recode, checked on hand-made DES and
// against brute-force references on seeded random DES.
#include "algo/compare.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <random>
#include <string>

#include "algo/des_proc.h"
#include "model/mymalloc.h"
#include "model/progress.h"
#include "support/random_des.h"
#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

// Runs iso1 on two DES held by the test; checks both stay well formed.
int run_iso(owned_des &a, owned_des &b, std::vector<state_t> *corr) {
  corr->assign(a.size > 0 ? a.size : 0, -1);
  int result = -1;
  iso1(a.size, b.size, a.des, b.des, &result, corr->data());
  EXPECT_EQ(des_check(a.des, a.size), 0);
  EXPECT_EQ(des_check(b.des, b.size), 0);
  return result;
}

// A copy of g with states 1..n-1 renamed by a random permutation (state 0 stays).
std::vector<state_t> random_renaming(std::mt19937 &rng, state_t n) {
  std::vector<state_t> map(n);
  std::iota(map.begin(), map.end(), 0);
  if (n > 1) std::shuffle(map.begin() + 1, map.end(), rng);
  return map;
}

// A random deterministic DES reduced to the states reachable from state 0.
void random_reachable(std::mt19937 &rng, state_t states, owned_des *out) {
  random_des_options options;
  options.states = states;
  options.events = {0, 1, 2, 3, 4};
  options.max_out = 3;
  options.vocal = true;
  make_random_des(rng, options, out);
  from_ref(ref_reach(to_ref(out->des, out->size)), out);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Isomorphism

TEST(Isomorphism, EmptyAndSizeMismatches) {
  owned_des a, b;
  std::vector<state_t> corr;
  EXPECT_EQ(run_iso(a, b, &corr), 1);

  make_des(2, {{0, 1, 1}}, {1}, &a);
  make_des(3, {{0, 1, 1}}, {1}, &b);
  EXPECT_EQ(run_iso(a, b, &corr), 0) << "different state counts";
  make_des(2, {{0, 1, 1}}, {0, 1}, &b);
  EXPECT_EQ(run_iso(a, b, &corr), 0) << "different marker counts";
  make_des(2, {{0, 1, 1}, {1, 1, 1}}, {1}, &b);
  EXPECT_EQ(run_iso(a, b, &corr), 0) << "different transition counts";
}

TEST(Isomorphism, PermutedStatesGiveThePermutation) {
  std::mt19937 rng(12);
  for (int round = 0; round < 60; round++) {
    owned_des a, b;
    random_reachable(rng, 10, &a);
    std::vector<state_t> renaming = random_renaming(rng, a.size);
    from_ref(ref_renumber(to_ref(a.des, a.size), renaming), &b);
    std::vector<state_t> corr;
    ASSERT_EQ(run_iso(a, b, &corr), 1) << "round " << round;
    EXPECT_EQ(corr, renaming) << "round " << round;
  }
}

TEST(Isomorphism, OneDifferentOutputBreaksIt) {
  owned_des a, b;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 3, 0}}, {0}, &a);
  copy_des(a.des, a.size, &b);
  b.des[2].vocal = 11;
  std::vector<state_t> corr;
  EXPECT_EQ(run_iso(a, b, &corr), 0);
}

// Equal target numbers on both sides say nothing about correspondence: here event 1 leads to a
// marker state in one DES and to an unmarked state in the other.
TEST(Isomorphism, SameTargetNumbersDoNotProveCorrespondence) {
  owned_des a, b;
  make_des(3, {{0, 1, 1}, {0, 3, 2}}, {1}, &a);
  make_des(3, {{0, 1, 1}, {0, 3, 2}}, {2}, &b);
  std::vector<state_t> corr;
  EXPECT_EQ(run_iso(a, b, &corr), 0);
}

// Scratch flags left by earlier searches (every state `reached` after reach or trim) must not
// make states count as matched.
TEST(Isomorphism, StaleReachedFlagsAreIgnored) {
  owned_des a, b;
  // Same reachable part; the unreachable states 2 and 3 differ in where event 5 leads.
  make_des(4, {{0, 1, 1}, {2, 5, 3}, {3, 5, 3}}, {1, 3}, &a);
  make_des(4, {{0, 1, 1}, {2, 5, 2}, {3, 5, 2}}, {1, 3}, &b);
  for (state_t s = 0; s < 4; s++) a.des[s].reached = b.des[s].reached = 1;
  std::vector<state_t> corr;
  EXPECT_EQ(run_iso(a, b, &corr), 0);
  EXPECT_FALSE(ref_isomorphic(to_ref(a.des, a.size), to_ref(b.des, b.size)));
}

// iso1 never claims an isomorphism that brute force denies, its correspondence is a true
// isomorphism, and on reachable deterministic DES it finds every isomorphism there is.
TEST(Isomorphism, AgreesWithBruteForceOnRandomPairs) {
  std::mt19937 rng(13);
  int isomorphic = 0;
  for (int round = 0; round < 400; round++) {
    random_des_options options;
    options.states = 1 + static_cast<state_t>(rng() % 6);
    options.events = {1, 2};
    options.max_out = 2;
    options.marked_fraction = 0.4;
    options.deterministic = round % 4 != 0;
    owned_des a, b;
    make_random_des(rng, options, &a);
    if (round % 2 == 0) {
      // A renamed copy, sometimes with one marking flipped.
      std::vector<state_t> renaming = random_renaming(rng, a.size);
      from_ref(ref_renumber(to_ref(a.des, a.size), renaming), &b);
      if (round % 3 == 0) b.des[rng() % b.size].marked ^= 1;
    } else {
      make_random_des(rng, options, &b);
    }
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    bool expected = ref_isomorphic(ra, rb);
    std::vector<state_t> corr;
    int result = run_iso(a, b, &corr);
    if (result == 1) {
      EXPECT_TRUE(expected) << "round " << round;
      EXPECT_TRUE(is_isomorphism(ra, rb, corr)) << "round " << round;
    }
    bool exact = options.deterministic && ref_reach(ra).size() == ra.size();
    if (exact) {
      EXPECT_EQ(result, expected ? 1 : 0) << "round " << round;
    }
    isomorphic += result;
  }
  EXPECT_GT(isomorphic, 50) << "the random pairs should include many isomorphic ones";
}

std::vector<std::string> progress_seen;

// With debug mode on, the test reports one "ISO1" line per further state of DES1.
TEST(Isomorphism, ProgressLinesOnlyInDebugMode) {
  owned_des a, b;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {2}, &a);
  copy_des(a.des, a.size, &b);
  set_progress_sink([](const char *line) { progress_seen.push_back(line); });
  std::vector<state_t> corr;
  debug_mode = 0;
  run_iso(a, b, &corr);
  EXPECT_TRUE(progress_seen.empty());
  debug_mode = 1;
  run_iso(a, b, &corr);
  debug_mode = 0;
  set_progress_sink(nullptr);
  EXPECT_EQ(progress_seen, (std::vector<std::string>{"ISO1: 1 3", "ISO1: 2 3"}));
}

TEST(Isomorphism, AllocationFailureIsReported) {
  owned_des a, b;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {2}, &a);
  copy_des(a.des, a.size, &b);
  for (long after = 0; after < 6; after++) {
    mem_result = 0;
    fail_allocation_after(after);
    std::vector<state_t> corr(3, -1);
    int result = -1;
    iso1(3, 3, a.des, b.des, &result, corr.data());
    fail_allocation_after(-1);
    EXPECT_TRUE(mem_result ? result == 0 : result == 1) << "after " << after;
  }
  mem_result = 0;
}

// ---------------------------------------------------------------------------------------------
// Nonconflict

TEST(Nonconflict, EmptyMeetIsNonconflicting) {
  owned_des a, empty;
  make_des(2, {{0, 1, 1}}, {}, &a);
  EXPECT_EQ(nonconflict_des(a.size, a.des, empty.size, empty.des), 1);
  EXPECT_EQ(nonconflict(0, nullptr), 1);
}

TEST(Nonconflict, MeetWithoutMarkerStatesConflicts) {
  owned_des a, b;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  make_des(2, {{0, 1, 1}}, {0}, &b);
  EXPECT_EQ(nonconflict_des(a.size, a.des, b.size, b.des), 0);
}

TEST(Nonconflict, WithItselfMeansNonblocking) {
  std::mt19937 rng(21);
  int blocking = 0;
  for (int round = 0; round < 150; round++) {
    owned_des a;
    random_reachable(rng, 1 + static_cast<state_t>(rng() % 8), &a);
    std::vector<bool> co = ref_coreachable(to_ref(a.des, a.size));
    bool nonblocking = std::all_of(co.begin(), co.end(), [](bool c) { return c; });
    blocking += nonblocking ? 0 : 1;
    EXPECT_EQ(nonconflict_des(a.size, a.des, a.size, a.des), nonblocking ? 1 : 0);
    EXPECT_EQ(des_check(a.des, a.size), 0);
  }
  EXPECT_GT(blocking, 10);
}

TEST(Nonconflict, AgreesWithBruteForceOnRandomPairs) {
  std::mt19937 rng(22);
  int conflicting = 0, rounds = 300;
  for (int round = 0; round < rounds; round++) {
    random_des_options options;
    options.states = 1 + static_cast<state_t>(rng() % 7);
    options.events = {0, 1, 2, 3};
    options.marked_fraction = 0.6;
    owned_des a, b;
    make_random_des(rng, options, &a);
    make_random_des(rng, options, &b);
    bool expected = ref_nonconflicting(to_ref(a.des, a.size), to_ref(b.des, b.size));
    conflicting += expected ? 0 : 1;
    EXPECT_EQ(nonconflict_des(a.size, a.des, b.size, b.des), expected ? 1 : 0) << round;
  }
  EXPECT_GT(conflicting, rounds / 10);
  EXPECT_LT(conflicting, rounds * 9 / 10);
}

// ---------------------------------------------------------------------------------------------
// Determinism

TEST(Determinism, TwoTargetsOnOneEventAreNondeterministic) {
  owned_des a;
  make_des(5, {{2, 5, 3}, {2, 5, 4}, {0, 1, 2}}, {}, &a);
  EXPECT_EQ(checkdet(a.size, a.des), 0);
  make_des(5, {{2, 5, 3}, {2, 7, 4}, {0, 1, 2}, {0, 3, 2}}, {}, &a);
  EXPECT_EQ(checkdet(a.size, a.des), 1);
  EXPECT_EQ(checkdet(0, nullptr), 1);
}

TEST(Determinism, CorruptTargetInFrontEndIsReportedNotFatal) {
  owned_des a;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {}, &a);
  a.des[1].next[0].set_target(7);
  cmdline = 0;
  EXPECT_EQ(checkdet(a.size, a.des), -1);
  a.des[1].next[0].set_target(-1);
  EXPECT_EQ(checkdet(a.size, a.des), -1);
}

TEST(DeterminismDeathTest, CorruptTargetEndsComputeProcess) {
  owned_des a;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {}, &a);
  a.des[1].next[0].set_target(9);
  EXPECT_EXIT(
      {
        cmdline = 1;
        checkdet(a.size, a.des);
      },
      testing::ExitedWithCode(1), "");
}

// ---------------------------------------------------------------------------------------------
// Breadth-first recode

namespace {

// Runs b_recode on `a`; returns the map and checks the count and the invariants.
std::vector<state_t> run_recode(owned_des *a) {
  state_t count = -1, *map = nullptr;
  state_t old_size = a->size;
  b_recode(a->size, &a->des, &count, &map);
  std::vector<state_t> result(map, map + old_size);
  free(map);
  a->size = count;
  EXPECT_EQ(des_check(a->des, a->size), 0);
  return result;
}

}  // namespace

// Random DES, some with unreachable states between reachable ones: those are dropped, the others
// are numbered breadth-first and keep their transitions, markings and outputs.
TEST(BfsRecode, RenumbersInBreadthFirstOrderAndStaysIsomorphic) {
  std::mt19937 rng(31);
  for (int round = 0; round < 120; round++) {
    owned_des a, before;
    if (round % 2 == 0) {
      random_reachable(rng, 12, &a);
    } else {
      random_des_options options;
      options.states = 10;
      options.max_out = 2;
      options.vocal = true;
      make_random_des(rng, options, &a);
    }
    ref_des original = to_ref(a.des, a.size);
    from_ref(ref_reach(original), &before);
    std::vector<state_t> map = run_recode(&a);
    ASSERT_EQ(map, ref_bfs_numbering(original)) << "round " << round;
    EXPECT_EQ(diff_des(ref_renumber(original, map), a.des, a.size), "") << round;
    std::vector<state_t> corr;
    ASSERT_EQ(run_iso(before, a, &corr), 1) << "round " << round;
    EXPECT_TRUE(is_isomorphism(to_ref(before.des, before.size), to_ref(a.des, a.size), corr));
  }
}

TEST(BfsRecode, BreadthFirstDesIsUnchanged) {
  std::mt19937 rng(32);
  for (int round = 0; round < 30; round++) {
    owned_des a;
    random_reachable(rng, 10, &a);
    run_recode(&a);
    ref_des once = to_ref(a.des, a.size);
    std::vector<state_t> map = run_recode(&a);
    std::vector<state_t> identity(map.size());
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(map, identity);
    EXPECT_EQ(diff_des(once, a.des, a.size), "");
  }
}

// Renumbering can swap the order of two targets of one event: the list must be re-sorted.
TEST(BfsRecode, NondeterministicListsStaySorted) {
  owned_des a;
  make_des(3, {{0, 1, 2}, {0, 3, 1}, {0, 3, 2}}, {1}, &a);
  ref_des original = to_ref(a.des, a.size);
  std::vector<state_t> map = run_recode(&a);
  EXPECT_EQ(map, (std::vector<state_t>{0, 2, 1}));
  EXPECT_TRUE(is_isomorphism(original, to_ref(a.des, a.size), map));
}

TEST(BfsRecode, AllocationFailureLeavesDesUnchanged) {
  owned_des a;
  make_des(4, {{0, 1, 3}, {3, 2, 1}, {1, 4, 2}}, {2}, &a);
  ref_des original = to_ref(a.des, a.size);
  for (long after = 0; after < 3; after++) {
    mem_result = 0;
    fail_allocation_after(after);
    state_t count = -1, *map = nullptr;
    b_recode(a.size, &a.des, &count, &map);
    fail_allocation_after(-1);
    EXPECT_EQ(mem_result, 1);
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(diff_des(original, a.des, a.size), "");
  }
  mem_result = 0;
}

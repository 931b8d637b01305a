// Isomorphism, determinism and breadth-first recode against brute-force references.
#include "algo/compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>

#include "support/transform_ref.h"

namespace {

int run_iso(owned_des &a, owned_des &b, std::vector<state_t> *corr) {
  corr->assign(a.size, -1);
  int result = -1;
  iso1(a.size, b.size, a.des, b.des, &result, corr->data());
  return result;
}

}  // namespace

// iso1's claims and correspondences are true isomorphisms, and exact on reachable deterministic
// DES; stale `reached` flags and equal target numbers must not count as matches.
TEST(Isomorphism, AgreesWithBruteForceOnRandomPairs) {
  std::mt19937 rng(13);
  int isomorphic = 0, exact = 0;
  for (int round = 0; round < 600; round++) {
    random_des_options options{1 + state_t(rng() % 6), {1, 2},        2, 0.4,
                               round % 4 != 0,         round % 5 == 0};
    owned_des a, b;
    make_random_des(rng, options, &a);
    if (round % 2 == 0) {  // a renamed copy, sometimes with one marking or output changed
      std::vector<state_t> renaming(a.size);
      std::iota(renaming.begin(), renaming.end(), 0);
      std::shuffle(renaming.begin() + 1, renaming.end(), rng);
      from_ref(ref_renumber(to_ref(a.des, a.size), renaming), &b);
      if (round % 3 == 0) b.des[rng() % b.size].marked ^= 1;
      if (round % 5 == 2) b.des[rng() % b.size].vocal ^= 1;
    } else {
      make_random_des(rng, options, &b);
    }
    for (state_t s = 0; s < std::min(a.size, b.size); s++) a.des[s].reached = b.des[s].reached = 1;
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    bool expected = ref_isomorphic(ra, rb);
    std::vector<state_t> corr;
    int result = run_iso(a, b, &corr);
    if (result == 1) {
      EXPECT_TRUE(expected && is_isomorphism(ra, rb, corr)) << round;
    }
    if (options.deterministic && ref_reach(ra).size() == ra.size()) {
      EXPECT_EQ(result, expected ? 1 : 0) << round;
      exact += expected ? 1 : 0;
    }
    isomorphic += result;
  }
  EXPECT_GT(isomorphic, 100);
  EXPECT_GT(exact, 20);
}

TEST(Compare, EmptyInputsNondeterminismAndCorruptTargets) {
  owned_des a, none;
  std::vector<state_t> corr;
  EXPECT_EQ(run_iso(none, none, &corr), 1);
  EXPECT_EQ(checkdet(0, nullptr), 1);
  EXPECT_EQ(nonconflict(0, nullptr), 1);
  make_des(5, {{2, 5, 3}, {2, 5, 4}, {0, 1, 2}}, {}, &a);
  EXPECT_EQ(nonconflict_des(a.size, a.des, 0, nullptr), 1) << "empty meet";
  EXPECT_EQ(checkdet(a.size, a.des), 0);
  // A corrupt target is reported to the caller, in compute mode too.
  a.des[2].next[0].set_target(7);
  EXPECT_EQ(checkdet(a.size, a.des), -1);
  a.des[2].next[0].set_target(-1);
  cmdline = 1;
  EXPECT_EQ(checkdet(a.size, a.des), -1);
  cmdline = 0;
}

// Unreachable states go; the others are numbered breadth-first and keep transitions and flags.
TEST(BfsRecode, RenumbersInBreadthFirstOrderAndStaysIsomorphic) {
  std::mt19937 rng(31);
  for (int round = 0; round < 150; round++) {
    random_des_options options{
        1 + state_t(rng() % 12), {0, 1, 2, 3, 4}, 3, 0.3, round % 3 != 0, true};
    owned_des a, before;
    make_random_des(rng, options, &a);
    if (round % 2 == 0) from_ref(ref_reach(to_ref(a.des, a.size)), &a);
    ref_des original = to_ref(a.des, a.size);
    from_ref(ref_reach(original), &before);
    state_t *map = nullptr;
    b_recode(a.size, &a.des, &a.size, &map);
    std::vector<state_t> numbers(map, map + original.size());
    free(map);
    ASSERT_EQ(des_check(a.des, a.size), 0);
    ASSERT_EQ(numbers, ref_bfs_numbering(original)) << round;
    EXPECT_EQ(diff_des(ref_renumber(original, numbers), a.des, a.size), "") << round;
    std::vector<state_t> corr;
    EXPECT_TRUE(!options.deterministic || run_iso(before, a, &corr) == 1) << round;
  }
}

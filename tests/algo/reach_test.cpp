// Reachability, coreachability and trim.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "support/random_des.h"
#include "support/reference.h"

// A recursive search would run out of stack on a chain this long (the sanitizer build shows it).
TEST(Trim, LongChainIsSearchedIteratively) {
  const state_t n = 30000;
  std::vector<transition_spec> chain;
  for (state_t s = 0; s + 1 < n; s++) chain.push_back({s, 1, s + 1});
  owned_des g;
  make_des(n, chain, {n - 1}, &g);
  trim1(&g.size, &g.des);
  EXPECT_EQ(g.size, n);
}

TEST(ReachProperty, RandomDesMatchTheReference) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 300; round++) {
    SCOPED_TRACE(round);
    random_des_options options{1 + round % 17,    {0, 1, 2, 3},   3,
                               (round % 5) * 0.1, round % 3 != 0, true};
    owned_des g, r, t;
    make_random_des(rng, options, &g);
    ref_des original = to_ref(g.des, g.size);
    copy_des(g.des, g.size, &r);
    state_node *before = r.des;
    reach(&r.size, &r.des);
    ASSERT_EQ(diff_des(ref_reach(original), r.des, r.size), "");
    EXPECT_TRUE(r.size < g.size || r.des == before) << "fully reachable DES keeps its array";
    copy_des(g.des, g.size, &t);
    trim1(&t.size, &t.des);
    ASSERT_EQ(diff_des(ref_trim(original), t.des, t.size), "");
    EXPECT_TRUE(t.size > 0 || t.des == nullptr);
    EXPECT_EQ(des_check(r.des, r.size) + des_check(t.des, t.size), 0);

    // Coreach flags exactly the coreachable states, whatever stale flags were set.
    std::vector<bool> co = ref_coreachable(original);
    for (state_t s = 0; s < g.size; s++) g.des[s].coreach = rng() % 2;
    coreach2(g.size, &g.des);
    for (state_t s = 0; s < g.size; s++) ASSERT_EQ(g.des[s].coreach, co[s]);
  }
}

TEST(ListCount, StateListsThatWouldOverflowTheirCountAreRefused) {
  // State 0 holds 65535 entries; a selfloop would add one more, and 65536 transitions enter it.
  std::vector<transition_spec> t = {{65536, 2, 0}};
  for (state_t s = 1; s <= 65535; s++) t.insert(t.end(), {{0, 2, s}, {s, 3, 0}});
  owned_des g;
  make_des(65537, t, {}, &g);
  event_t loop = 3;
  EXPECT_TRUE(fails_after(-1, [&] { gentran(1, &loop, g.size, g.des); }));
  owned_des rev;
  rev.size = g.size;
  rev.des = newdes(g.size);
  EXPECT_TRUE(fails_after(-1, [&] { EXPECT_EQ(reverse_graph(g.size, g.des, rev.des), 0); }));
  EXPECT_EQ(g.des[0].numelts, 65535);
  EXPECT_EQ(des_check(g.des, g.size), 0);
}

// Meet, reversed meet, synchronous product and their pair tables.
#include "algo/product.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "algo/des_proc.h"
#include "model/mymalloc.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

// Owns a product result and its two tables.
struct owned_product {
  owned_des des;
  product_index *index = nullptr;
  pair_code_t *codes = nullptr;

  ~owned_product() {
    free_product_index(&index);
    free(codes);
  }
};

typedef void product_function(state_t, state_node *, state_t, state_node *, state_t *,
                              state_node **, product_index **, pair_code_t **);

void run(product_function *f, owned_des &a, owned_des &b, owned_product *p) {
  f(a.size, a.des, b.size, b.des, &p->des.size, &p->des.des, &p->index, &p->codes);
  ASSERT_EQ(des_check(p->des.des, p->des.size), 0);
}

std::vector<pair_code_t> codes_of(const owned_product &p) {
  return std::vector<pair_code_t>(p.codes, p.codes + p.des.size);
}

// Restores the default choice between dense and hashed product index at the end of a test.
struct index_form {
  int64_t saved = product_dense_limit;
  explicit index_form(int64_t limit) { product_dense_limit = limit; }
  ~index_form() { product_dense_limit = saved; }
};

// Every word of at most 4 events over both alphabets is in the synchronous product's closed
// (marked) language exactly when its projections on the two alphabets are in the components'.
std::string sync_language_mismatch(const ref_des &a, const ref_des &b, const owned_product &p) {
  const int len = 4;
  std::vector<event_t> ea = ref_alphabet(a), eb = ref_alphabet(b), all;
  std::set_union(ea.begin(), ea.end(), eb.begin(), eb.end(), std::back_inserter(all));
  ref_des got = to_ref(p.des.des, p.des.size);
  std::set<word> closed[3] = {ref_closed_language(a, len), ref_closed_language(b, len),
                              ref_closed_language(got, len)};
  std::set<word> marked[3] = {ref_marked_language(a, len), ref_marked_language(b, len),
                              ref_marked_language(got, len)};
  auto project = [](const word &w, const std::vector<event_t> &alphabet) {
    word out;
    for (event_t e : w)
      if (std::binary_search(alphabet.begin(), alphabet.end(), e)) out.push_back(e);
    return out;
  };
  std::vector<word> words = {word{}};
  for (size_t i = 0; i < words.size(); i++) {
    const word w = words[i];
    word wa = project(w, ea), wb = project(w, eb);
    if ((closed[2].count(w) > 0) != (closed[0].count(wa) && closed[1].count(wb)))
      return "closed language differs";
    if ((marked[2].count(w) > 0) != (marked[0].count(wa) && marked[1].count(wb)))
      return "marked language differs";
    if (static_cast<int>(w.size()) == len) continue;
    for (event_t e : all) {
      words.push_back(w);
      words.back().push_back(e);
    }
  }
  return "";
}

}  // namespace

TEST(Meet, EitherDesEmptyGivesEmptyProductAndNoTables) {
  owned_des g, empty;
  make_des(2, {{0, 1, 1}}, {0}, &g);
  for (product_function *f : {meet2, nc_meet2, sync2}) {
    owned_product p1, p2;
    run(f, g, empty, &p1);
    run(f, empty, g, &p2);
    for (owned_product *p : {&p1, &p2}) {
      EXPECT_EQ(p->des.size, 0);
      EXPECT_EQ(p->des.des, nullptr);
      EXPECT_EQ(p->index, nullptr);
      EXPECT_EQ(p->codes, nullptr);
    }
  }
}

TEST(Meet, NumbersJointStatesInDiscoveryOrderWhateverTheirPairCodes) {
  // From (0, 0) event 2 leads to one pair and event 5 to another; both are dead ends.
  for (bool swapped : {false, true}) {
    owned_des g1, g2;
    make_des(3, {{0, 2, swapped ? 0 : 1}, {0, 5, swapped ? 1 : 0}}, {1}, &g1);
    make_des(2, {{0, 2, swapped ? 1 : 0}, {0, 5, swapped ? 0 : 1}}, {0, 1}, &g2);
    owned_product p;
    run(meet2, g1, g2, &p);
    ASSERT_EQ(p.des.size, 3);
    pair_code_t first = swapped ? 3 : 1, second = swapped ? 1 : 3;
    EXPECT_EQ(codes_of(p), (std::vector<pair_code_t>{0, first, second}));
    ref_des expected;
    expected.out = {{{2, 1}, {5, 2}}, {}, {}};
    expected.marked = {false, !swapped, swapped};
    expected.vocal = {0, 0, 0};
    EXPECT_EQ(diff_des(expected, p.des.des, p.des.size), "");
    EXPECT_TRUE(p.des.des[0].reached);
    EXPECT_FALSE(p.des.des[1].reached || p.des.des[2].reached);
  }
}

TEST(Meet, DisjointAlphabetsGiveTheInitialPairOnly) {
  owned_des g1, g2;
  make_des(2, {{0, 1, 1}}, {0}, &g1);
  make_des(2, {{0, 2, 1}}, {0, 1}, &g2);
  owned_product p;
  run(meet2, g1, g2, &p);
  ASSERT_EQ(p.des.size, 1);
  EXPECT_EQ(p.des.des[0].numelts, 0);
  EXPECT_TRUE(p.des.des[0].marked);
  g1.des[0].marked = 0;
  owned_product q;
  run(meet2, g1, g2, &q);
  EXPECT_FALSE(q.des.des[0].marked);
}

TEST(Meet, SelfProductIsIsomorphicToTheReachablePart) {
  std::mt19937 rng(5);
  random_des_options options;
  options.states = 12;
  for (int round = 0; round < 50; round++) {
    owned_des g;
    make_random_des(rng, options, &g);
    owned_product p;
    run(meet2, g, g, &p);
    owned_des r;
    copy_des(g.des, g.size, &r);
    reach(&r.size, &r.des);
    ASSERT_EQ(p.des.size, r.size);
    for (state_t k = 0; k < p.des.size; k++) {
      state_t s1 = pair_first(p.codes[k], g.size);
      ASSERT_EQ(s1, pair_second(p.codes[k], g.size));
      ASSERT_EQ(p.des.des[k].numelts, g.des[s1].numelts);
      EXPECT_EQ(p.des.des[k].marked, g.des[s1].marked);
      for (int j = 0; j < g.des[s1].numelts; j++) {
        tran_entry t = p.des.des[k].next[j];
        EXPECT_EQ(t.event(), g.des[s1].next[j].event());
        EXPECT_EQ(pair_first(p.codes[t.target()], g.size), g.des[s1].next[j].target());
      }
    }
  }
}

TEST(Meet, TablesAgreeWithEachOtherInBothIndexForms) {
  std::mt19937 rng(11);
  random_des_options options;
  options.states = 9;
  for (int64_t limit : {int64_t{1} << 22, int64_t{0}}) {
    index_form form(limit);
    for (int round = 0; round < 40; round++) {
      owned_des g1, g2;
      make_random_des(rng, options, &g1);
      make_random_des(rng, options, &g2);
      owned_product p;
      run(meet2, g1, g2, &p);
      ASSERT_NE(p.index, nullptr);
      EXPECT_EQ(p.index->dense == nullptr, limit == 0);
      std::vector<int> hits(p.des.size, 0);
      for (state_t s2 = -1; s2 <= g2.size; s2++)
        for (state_t s1 = -1; s1 <= g1.size; s1++) {
          state_t k = product_lookup(p.index, s1, s2);
          if (k < 0) continue;
          ASSERT_LT(k, p.des.size);
          EXPECT_EQ(p.codes[k], make_pair_code(s1, s2, g1.size));
          hits[k]++;
        }
      EXPECT_EQ(hits, std::vector<int>(p.des.size, 1));
    }
  }
}

TEST(Meet, PairCodesBeyondThirtyOneBitsAreKept) {
  // N1 * N2 = 2.5e9 pairs: only two are reachable, the second with code 2,499,999,999.
  const state_t n = 50000;
  owned_des g1, g2;
  make_des(n, {{0, 1, n - 1}}, {n - 1}, &g1);
  make_des(n, {{0, 1, n - 1}}, {n - 1}, &g2);
  owned_product p;
  run(meet2, g1, g2, &p);
  ASSERT_EQ(p.des.size, 2);
  EXPECT_EQ(p.codes[1], pair_code_t{2499999999});
  EXPECT_EQ(pair_first(p.codes[1], n), n - 1);
  EXPECT_EQ(pair_second(p.codes[1], n), n - 1);
  EXPECT_EQ(product_lookup(p.index, n - 1, n - 1), 1);
  EXPECT_EQ(product_lookup(p.index, n - 1, 0), -1);
  EXPECT_EQ(p.index->dense, nullptr);
  EXPECT_TRUE(p.des.des[1].marked);
}

TEST(Meet, ProductBeyondTheTargetRangeIsRefusedCleanly) {
  // Two cycles of coprime lengths on one event: the reachable product has N1 * N2 states.
  auto cycle = [](state_t len, owned_des *g) {
    std::vector<transition_spec> t;
    for (state_t s = 0; s < len; s++) t.push_back({s, 1, (s + 1) % len});
    make_des(len, t, {0}, g);
  };
  owned_des g1, g2;
  cycle(1449, &g1);
  cycle(1451, &g2);  // 2,102,499 joint states > MAX_STATES
  mem_result = 0;
  owned_product p;
  run(meet2, g1, g2, &p);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(p.des.size, 0);
  EXPECT_EQ(p.des.des, nullptr);
  EXPECT_EQ(p.index, nullptr);
  EXPECT_EQ(p.codes, nullptr);
  mem_result = 0;
}

TEST(Meet, AllocationFailureGivesAnEmptyResult) {
  std::mt19937 rng(3);
  random_des_options options;
  options.states = 30;
  owned_des g1, g2;
  make_random_des(rng, options, &g1);
  make_random_des(rng, options, &g2);
  int failures = 0;
  for (product_function *f : {meet2, nc_meet2, sync2})
    for (long fail_at = 0; fail_at < 12; fail_at++) {
      mem_result = 0;
      owned_product p;
      fail_allocation_after(fail_at);
      f(g1.size, g1.des, g2.size, g2.des, &p.des.size, &p.des.des, &p.index, &p.codes);
      fail_allocation_after(-1);
      if (!mem_result) continue;
      failures++;
      EXPECT_EQ(p.des.des, nullptr);
      EXPECT_EQ(p.codes, nullptr);
    }
  mem_result = 0;
  EXPECT_GT(failures, 20);
}

TEST(ReversedMeet, HasTheMeetsStatesWithEveryStepReversed) {
  std::mt19937 rng(17);
  random_des_options options;
  options.states = 10;
  for (int round = 0; round < 60; round++) {
    owned_des g1, g2;
    make_random_des(rng, options, &g1);
    make_random_des(rng, options, &g2);
    owned_product m, r;
    run(meet2, g1, g2, &m);
    run(nc_meet2, g1, g2, &r);
    ASSERT_EQ(r.des.size, m.des.size);
    EXPECT_EQ(codes_of(r), codes_of(m));
    owned_des back;
    back.size = m.des.size;
    back.des = newdes(back.size);
    for (state_t s = 0; s < m.des.size; s++) {
      reversetran1(s, m.des.des, back.des);
      back.des[s].marked = m.des.des[s].marked;
    }
    EXPECT_EQ(diff_des(to_ref(back.des, back.size), r.des.des, r.des.size), "");
  }
}

TEST(Sync, InterleavesPrivateEventsAndAddsSelfloopsToItsInputs) {
  // DES1 uses 1 and 3, DES2 uses 3 and 4; 3 is shared.
  owned_des g1, g2;
  make_des(2, {{0, 1, 1}, {1, 3, 0}}, {0}, &g1);
  make_des(2, {{0, 4, 1}, {1, 3, 0}}, {0}, &g2);
  ref_des r1 = to_ref(g1.des, g1.size), r2 = to_ref(g2.des, g2.size);
  owned_product p;
  run(sync2, g1, g2, &p);
  EXPECT_EQ(diff_des(ref_sync(r1, r2), p.des.des, p.des.size), "");
  ASSERT_EQ(p.des.size, 4);
  EXPECT_EQ(codes_of(p), (std::vector<pair_code_t>{0, 1, 2, 3}));
  for (state_t s = 0; s < 2; s++) {
    bool loop4 = false, loop1 = false;
    for (int j = 0; j < g1.des[s].numelts; j++)
      loop4 = loop4 || tran_equal(g1.des[s].next[j], make_tran(4, s));
    for (int j = 0; j < g2.des[s].numelts; j++)
      loop1 = loop1 || tran_equal(g2.des[s].next[j], make_tran(1, s));
    EXPECT_TRUE(loop4 && loop1) << "state " << s;
  }
}

TEST(Sync, SharedEventNeverPossibleTogetherIsBlocked) {
  // Event 2 is shared; DES1 offers it only at its state 0, DES2 only at its state 2, which it
  // never reaches.
  owned_des g1, g2;
  make_des(2, {{0, 2, 0}, {0, 3, 1}}, {1}, &g1);
  make_des(3, {{0, 3, 1}, {1, 5, 1}, {2, 2, 0}}, {1}, &g2);
  owned_product p;
  ref_des r1 = to_ref(g1.des, g1.size), r2 = to_ref(g2.des, g2.size);
  run(sync2, g1, g2, &p);
  EXPECT_EQ(diff_des(ref_sync(r1, r2), p.des.des, p.des.size), "");
  uint16_t count;
  event_t *events;
  gentranlist(p.des.size, p.des.des, &count, &events);
  std::vector<event_t> used(events, events + count);
  free(events);
  EXPECT_EQ(used, (std::vector<event_t>{3, 5}));
}

TEST(Sync, DisjointAlphabetsGiveTheFullInterleaving) {
  owned_des g1, g2;
  make_des(3, {{0, 1, 1}, {1, 1, 2}}, {2}, &g1);
  make_des(2, {{0, 2, 1}, {1, 4, 0}}, {0}, &g2);
  owned_product p;
  run(sync2, g1, g2, &p);
  EXPECT_EQ(p.des.size, 6);
  EXPECT_EQ(count_tran(p.des.des, p.des.size), 2 * 2 + 3 * 2);
  EXPECT_EQ(num_marked(p.des.des, p.des.size), 1);
}

TEST(EventLists, DifferencesAndSelfloops) {
  std::vector<event_t> e1 = {1, 3, 5, 9}, e2 = {0, 3, 9, 11, 12};
  uint16_t ca, cb;
  event_t *a, *b;
  gensublist(4, e1.data(), 5, e2.data(), &ca, &a, &cb, &b);
  EXPECT_EQ(std::vector<event_t>(a, a + ca), (std::vector<event_t>{1, 5}));
  EXPECT_EQ(std::vector<event_t>(b, b + cb), (std::vector<event_t>{0, 11, 12}));
  free(a);
  free(b);
  owned_des g;
  make_des(2, {{0, 5, 1}, {0, 5, 0}, {1, 2, 1}}, {}, &g);
  std::vector<event_t> loops = {2, 5, 7};
  gentran(3, loops.data(), g.size, g.des);
  ASSERT_EQ(des_check(g.des, g.size), 0);
  ref_des expected;
  expected.out = {{{2, 0}, {5, 0}, {5, 1}, {7, 0}}, {{2, 1}, {5, 1}, {7, 1}}};
  expected.marked = {false, false};
  expected.vocal = {0, 0};
  EXPECT_EQ(diff_des(expected, g.des, g.size), "");
}

TEST(ProductProperty, RandomProductsMatchReferenceAndLanguages) {
  std::mt19937 rng(424242);
  random_des_options o1, o2;
  o1.events = {0, 1, 2, 3, 5};
  o2.events = {1, 2, 3, 4, 6};
  for (int round = 0; round < 200; round++) {
    o1.states = 1 + round % 9;
    o2.states = 1 + (round / 3) % 11;
    index_form form(round % 2 == 0 ? int64_t{1} << 22 : 0);
    owned_des g1, g2;
    make_random_des(rng, o1, &g1);
    make_random_des(rng, o2, &g2);
    ref_des r1 = to_ref(g1.des, g1.size), r2 = to_ref(g2.des, g2.size);
    owned_product m;
    run(meet2, g1, g2, &m);
    ref_des expected = ref_meet(r1, r2);
    EXPECT_EQ(diff_des(expected, m.des.des, m.des.size), "") << "round " << round;
    EXPECT_EQ(codes_of(m), expected.codes);
    // Meet language = intersection of the languages.
    ref_des got = to_ref(m.des.des, m.des.size);
    for (bool marked : {false, true}) {
      auto lang = marked ? ref_marked_language : ref_closed_language;
      std::set<word> l1 = lang(r1, 5), l2 = lang(r2, 5), both;
      for (const word &w : l1)
        if (l2.count(w)) both.insert(w);
      EXPECT_EQ(lang(got, 5), both) << "round " << round;
    }
    owned_product s;
    run(sync2, g1, g2, &s);
    expected = ref_sync(r1, r2);
    EXPECT_EQ(diff_des(expected, s.des.des, s.des.size), "") << "round " << round;
    EXPECT_EQ(codes_of(s), expected.codes);
    if (round % 4 == 0) {
      EXPECT_EQ(sync_language_mismatch(r1, r2, s), "") << "round " << round;
    }
  }
}

TEST(ProductProperty, HashedIndexGivesTheSameProductAsItGrows) {
  // Complete random DES of 120 states on 4 events: products of thousands of joint states, so the
  // hashed index grows several times.
  std::mt19937 rng(77);
  auto complete = [&](owned_des *g) {
    std::vector<transition_spec> t;
    for (state_t s = 0; s < 120; s++)
      for (event_t e = 0; e < 4; e++) t.push_back({s, e, static_cast<state_t>(rng() % 120)});
    make_des(120, t, {0, 7, 50}, g);
  };
  for (int round = 0; round < 4; round++) {
    owned_des g1, g2;
    complete(&g1);
    complete(&g2);
    owned_product dense, hashed;
    {
      index_form form(int64_t{1} << 22);
      run(meet2, g1, g2, &dense);
    }
    {
      index_form form(0);
      run(meet2, g1, g2, &hashed);
    }
    EXPECT_GT(dense.des.size, 1000);
    EXPECT_EQ(diff_des(to_ref(dense.des.des, dense.des.size), hashed.des.des, hashed.des.size), "");
    EXPECT_EQ(codes_of(dense), codes_of(hashed));
    for (state_t s2 = 0; s2 < g2.size; s2++)
      for (state_t s1 = 0; s1 < g1.size; s1++)
        ASSERT_EQ(product_lookup(hashed.index, s1, s2), product_lookup(dense.index, s1, s2));
  }
}

TEST(ReversedMeet, StateEnteredByMoreStepsThanAListCanCountIsRefused) {
  // 300 states after the start, each with 300 events into 300 * 300 leaves, all of which step to
  // one sink: reversed, the sink would list 90,000 entries.
  const state_t fan = 300, leaves = 1 + fan, sink = leaves + fan * fan;
  std::vector<transition_spec> t;
  for (state_t a = 0; a < fan; a++) {
    t.push_back({0, static_cast<event_t>(a), 1 + a});
    for (state_t b = 0; b < fan; b++) {
      state_t leaf = leaves + a * fan + b;
      t.push_back({1 + a, static_cast<event_t>(b), leaf});
      t.push_back({leaf, 999, sink});
    }
  }
  owned_des g;
  make_des(sink + 1, t, {sink}, &g);
  owned_product forward, reversed;
  mem_result = 0;
  run(meet2, g, g, &forward);
  EXPECT_EQ(mem_result, 0);
  EXPECT_EQ(forward.des.size, g.size);
  run(nc_meet2, g, g, &reversed);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(reversed.des.size, 0);
  EXPECT_EQ(reversed.des.des, nullptr);
  mem_result = 0;
}

TEST(EventLists, SelfloopsThatWouldOverflowAStatesListAreRefused) {
  const state_t n = 65536;
  owned_des g;
  make_des(n, {}, {}, &g);
  g.des[0].next = static_cast<tran_entry *>(malloc(65535 * sizeof(tran_entry)));
  for (state_t s = 1; s < n; s++) g.des[0].next[s - 1] = make_tran(2, s);
  g.des[0].numelts = 65535;
  std::vector<event_t> loop = {3};
  mem_result = 0;
  gentran(1, loop.data(), g.size, g.des);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(g.des[0].numelts, 65535);
  EXPECT_EQ(des_check(g.des, g.size), 0);
  mem_result = 0;
}

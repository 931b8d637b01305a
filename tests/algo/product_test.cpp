// Meet, reversed meet, synchronous product and their pair tables.
#include "algo/product.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "algo/des_proc.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

typedef decltype(meet2) product_function;

// A product of two DES with its tables, freed at the end of the scope.
struct owned_product {
  owned_des des;
  product_index *index = nullptr;
  pair_code_t *codes = nullptr;
  int result;

  owned_product(product_function *f, owned_des &a, owned_des &b) {
    result = f(a.size, a.des, b.size, b.des, &des.size, &des.des, &index, &codes);
    EXPECT_EQ(des_check(des.des, des.size), 0);
  }
  ~owned_product() {
    free_product_index(&index);
    free(codes);
  }
  std::vector<pair_code_t> code_list() const { return {codes, codes + des.size}; }
  bool empty() const { return !des.size && !des.des && !index && !codes; }
};

// The product equals the reference, and its index finds each joint state under exactly its own
// pair and nothing out of range.
void check_meet(const owned_product &p, owned_des &g1, owned_des &g2, bool hashed) {
  ref_des expected = ref_meet(to_ref(g1.des, g1.size), to_ref(g2.des, g2.size));
  ASSERT_EQ(diff_des(expected, p.des.des, p.des.size), "");
  EXPECT_EQ(p.code_list(), expected.codes);
  ASSERT_EQ(p.index->dense == nullptr, hashed);
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

void cycle(state_t len, owned_des *g) {
  std::vector<transition_spec> t;
  for (state_t s = 0; s < len; s++) t.push_back({s, 1, (s + 1) % len});
  make_des(len, t, {0}, g);
}

}  // namespace

TEST(Meet, PairCodesBeyondThirtyOneBitsAreKept) {
  // N1 * N2 = 2.5e9 pairs: only two are reachable, the second with code 2,499,999,999.
  const state_t n = 50000;
  owned_des g;  // met with itself
  make_des(n, {{0, 1, n - 1}}, {n - 1}, &g);
  owned_product p(meet2, g, g);
  EXPECT_EQ(p.code_list(), (std::vector<pair_code_t>{0, 2499999999}));
  EXPECT_EQ(product_lookup(p.index, n - 1, n - 1), 1);
  EXPECT_EQ(product_lookup(p.index, n - 1, 0), -1);
}

TEST(Meet, ProductsBeyondTheStateRangeOrAListCountAreRefusedCleanly) {
  // Cycles of coprime lengths on one event: 1449 * 1451 = 2,102,499 joint states > MAX_STATES.
  owned_des g1, g2, g;
  cycle(1449, &g1);
  cycle(1451, &g2);
  EXPECT_TRUE(fails_after(-1, [&] {
    owned_product p(meet2, g1, g2);
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.result, PRODUCT_STATE_LIMIT);
  }));
  // 66 states with 1000 events each into one sink: reversed, the sink would list 66,000 entries.
  std::vector<transition_spec> t;
  for (state_t a = 0; a < 66; a++) {
    t.push_back({0, static_cast<event_t>(a), 1 + a});
    for (event_t b = 0; b < 1000; b++) t.push_back({1 + a, b, 67});
  }
  make_des(68, t, {67}, &g);
  EXPECT_FALSE(fails_after(-1, [&] { EXPECT_EQ(owned_product(meet2, g, g).des.size, g.size); }));
  EXPECT_TRUE(fails_after(-1, [&] {
    owned_product p(nc_meet2, g, g);
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.result, PRODUCT_FAILED);
  }));
  // 256 targets on one event in each input: 65,536 joint steps out of (0, 0) cannot be listed.
  t.clear();
  for (state_t s = 0; s < 256; s++) t.push_back({0, 1, s});
  make_des(256, t, {}, &g1);
  EXPECT_TRUE(fails_after(-1, [&] { EXPECT_TRUE(owned_product(meet2, g1, g1).empty()); }));
}

TEST(ProductProperty, ProductsMatchTheReferenceInBothIndexForms) {
  std::mt19937 rng(424242);
  random_des_options o1, o2;
  o1.events = {0, 1, 2, 3, 5};
  o2.events = {1, 2, 3, 4, 6};
  const int64_t dense_limit = product_dense_limit;
  for (int round = 0; round < 200; round++) {
    SCOPED_TRACE(round);
    o1.states = 1 + round % 9;
    o2.states = 1 + (round / 3) % 11;
    o1.deterministic = round % 4 < 2;
    o2.deterministic = round % 8 < 4;
    product_dense_limit = round % 2 ? 0 : dense_limit;  // 0: hashed index
    owned_des g1, g2;
    make_random_des(rng, o1, &g1);
    make_random_des(rng, o2, &g2);
    ref_des expected = ref_sync(to_ref(g1.des, g1.size), to_ref(g2.des, g2.size));
    owned_product m(meet2, g1, g2), nc(nc_meet2, g1, g2);
    check_meet(m, g1, g2, round % 2);
    EXPECT_EQ(diff_des(ref_reverse(to_ref(m.des.des, m.des.size)), nc.des.des, nc.des.size), "");
    EXPECT_EQ(nc.code_list(), m.code_list());
    // Sync is the meet of its inputs once it has selflooped each with the other's private events.
    owned_product s(sync2, g1, g2);
    EXPECT_EQ(diff_des(expected, s.des.des, s.des.size), "");
    check_meet(s, g1, g2, round % 2);
  }
  owned_des none, one;
  cycle(1, &one);
  for (product_function *f : {meet2, nc_meet2, sync2})  // an empty input gives nothing at all
    EXPECT_TRUE(owned_product(f, one, none).empty() && owned_product(f, none, one).empty());
  // One cycle of 37 * 41 = 1517 joint states: the hashed index grows from its first 1024 slots.
  owned_des c1, c2;
  cycle(37, &c1);
  cycle(41, &c2);
  product_dense_limit = 0;
  check_meet(owned_product(meet2, c1, c2), c1, c2, true);
  product_dense_limit = dense_limit;
}

// Sorted lists and records, checked against the standard containers under random traffic.
#include "model/des_supp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>
#include <utility>

#include "model/model_test_util.h"
#include "model/mymalloc.h"

namespace {

// A sorted array (items, n) and the std::set of keys it must hold.
template <typename T, typename Key>
struct checked_list {
  T *items = nullptr;
  state_t n = 0;
  std::set<Key> ref;
  ~checked_list() { free(items); }
  // Accounts for an insertion (or removal) of `k` that reported `changed`.
  void note(const Key &k, int changed, bool remove = false) {
    ASSERT_EQ(changed, static_cast<int>(remove ? ref.erase(k) : ref.insert(k).second)) << n;
    n += remove ? -changed : changed;
  }
  template <typename F>
  void expect_holds_ref(F key) const {
    std::vector<Key> got;
    for (state_t i = 0; i < n; i++) got.push_back(key(items[i]));
    EXPECT_EQ(got, std::vector<Key>(ref.begin(), ref.end()));
  }
};

}  // namespace

TEST(SortedLists, RandomInsertionsAndDeletionsMatchOrderedSets) {
  std::mt19937 rng(11);
  checked_list<tran_entry, std::pair<event_t, state_t>> trans;
  checked_list<event_t, event_t> events;
  checked_list<state_t, state_t> states;
  checked_list<state_pair, std::pair<state_t, state_t>> pairs;
  std::set<std::tuple<state_t, event_t, state_t>> keys;  // (p, b, q) of the quads
  checked_list<quad, std::tuple<state_t, event_t, state_t, int16_t>> quads;
  int c;
  for (int step = 0; step < 4000; step++) {
    event_t e = rng() % 12 == 0 ? 1023 : draw<event_t>(rng, 0, 19),
            big_e = draw<event_t>(rng, 0, 1023);
    event_t b = rng() % 4 == 0 ? 60000 : draw<event_t>(rng, 0, 4);  // record middles are unsigned
    state_t t = draw<state_t>(rng, 0, 29), s = draw<state_t>(rng, -1000, 1000);
    state_t p = draw<state_t>(rng, -3, 5), q = draw<state_t>(rng, -3, 5);
    int16_t d = draw<int16_t>(rng, -3, 5), found = 999;
    bool del = rng() % 3 == 0;
    if (del) delete_ordlist1(e, t, &trans.items, trans.n, &c);
    if (!del) addordlist1(e, t, &trans.items, trans.n, &c);
    trans.note({e, t}, c, del);
    ASSERT_EQ(trans.n == 0, trans.items == nullptr);
    addordlist(big_e, &events.items, static_cast<uint16_t>(events.n), &c);
    events.note(big_e, c);
    addstatelist(s, &states.items, states.n, &c);
    states.note(s, c);
    addstatepair(p, q, &pairs.items, pairs.n, &c);
    pairs.note({p, q}, c);
    int in_quads = inlist_quad(quads.items, quads.n, p, b, q, &found);
    ASSERT_EQ(in_quads, static_cast<int>(keys.count({p, b, q})));
    ASSERT_TRUE(!in_quads || quads.ref.count({p, b, q, found}));
    keys.insert({p, b, q});
    add_quad(p, b, q, d, &quads.items, quads.n, &c);
    quads.note({p, b, q, d}, c);
  }
  trans.expect_holds_ref([](tran_entry x) { return std::make_pair(x.event(), x.target()); });
  events.expect_holds_ref([](event_t x) { return x; });
  states.expect_holds_ref([](state_t x) { return x; });
  pairs.expect_holds_ref([](state_pair x) { return std::make_pair(x.data1, x.data2); });
  quads.expect_holds_ref([](quad x) { return std::make_tuple(x.a, x.b, x.c, x.d); });
}

// A failed growth changes nothing. Outputs map once, not on along a chain.
TEST(DesHelpers, FailedGrowthAndMapOutputs) {
  owned_des d;
  int c;
  make_des(3, {{0, 1, 1}}, {0}, &d);
  const std::string before = des_text(d);
  fail_allocation_after(0);
  addordlist1(5, 5, &d.des[0].next, d.des[0].numelts, &c);
  fail_allocation_after(-1);
  EXPECT_TRUE(std::exchange(mem_result, 0) == 1 && c == 0 && des_text(d) == before);
  d.des[0].vocal = 10;
  d.des[2].vocal = 30;
  const state_pair pairs[] = {{10, 20}, {20, 30}, {30, 40}};
  vocalmap_des(d.des, d.size, pairs, 3);
  EXPECT_TRUE(d.des[0].vocal == 20 && d.des[1].vocal == 0 && d.des[2].vocal == 40);
}

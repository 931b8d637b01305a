// Sorted lists and records, the (event, state) stack, the state queue and the whole-DES helpers,
// checked against the standard containers under random traffic.
#include "model/des_supp.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "model/model_test_util.h"
#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

// Frees a malloc'ed array at the end of a test.
template <typename T>
struct freed_array {
  T *items = nullptr;
  ~freed_array() { free(items); }
};

// The elements of an array, each turned into a comparable key.
template <typename T, typename Key>
auto keys(const T *items, int64_t n, Key key) {
  std::vector<decltype(key(items[0]))> out;
  for (int64_t i = 0; i < n; i++) out.push_back(key(items[i]));
  return out;
}

template <typename Set>
std::vector<typename Set::value_type> in_order(const Set &set) {
  return {set.begin(), set.end()};
}

}  // namespace

// Each step inserts into (or, for transitions, deletes from) every list kind and its std::set.
TEST(SortedLists, RandomInsertionsAndDeletionsMatchOrderedSets) {
  std::mt19937 rng(11);
  freed_array<tran_entry> trans;
  freed_array<event_t> events;
  freed_array<state_t> states;
  freed_array<state_pair> pairs;
  freed_array<triple> triples;
  freed_array<quad> quads;
  int nt = 0, ne = 0, ns = 0, np = 0, n3 = 0, nq = 0, added;
  std::set<std::pair<event_t, state_t>> tran_ref;
  std::set<event_t> event_ref;
  std::set<state_t> state_ref;
  std::set<std::pair<state_t, state_t>> pair_ref;
  std::set<std::tuple<state_t, event_t, state_t>> triple_ref;
  std::set<std::tuple<state_t, event_t, state_t, int16_t>> quad_ref;
  auto small = [&rng]() { return static_cast<state_t>(rng() % 9) - 3; };  // signed fields
  for (int step = 0; step < 4000; step++) {
    SCOPED_TRACE(step);
    event_t e = static_cast<event_t>(rng() % 12 == 0 ? 1023 : rng() % 20), big_e = rng() % 1024;
    state_t t = rng() % 30, s = static_cast<state_t>(rng() % 2001) - 1000, a = small(), c = small();
    event_t b = static_cast<event_t>(rng() % 4 == 0 ? 60000 : rng() % 5);  // unsigned middle
    int16_t d = static_cast<int16_t>(small());
    if (rng() % 3 == 0) {
      delete_ordlist1(e, t, &trans.items, nt, &added);
      ASSERT_EQ(added, static_cast<int>(tran_ref.erase({e, t})));
      nt -= added;
    } else {
      addordlist1(e, t, &trans.items, nt, &added);
      ASSERT_EQ(added, tran_ref.insert({e, t}).second);
      nt += added;
    }
    ASSERT_EQ(nt == 0, trans.items == nullptr);
    ASSERT_EQ(inlist(big_e, events.items, ne), static_cast<int>(event_ref.count(big_e)));
    addordlist(big_e, &events.items, ne, &added);
    ASSERT_EQ(added, event_ref.insert(big_e).second);
    ne += added;
    ASSERT_EQ(instatelist(s, states.items, ns), static_cast<int>(state_ref.count(s)));
    addstatelist(s, &states.items, ns, &added);
    ASSERT_EQ(added, state_ref.insert(s).second);
    ns += added;
    ASSERT_EQ(instatepair(a, c, pairs.items, np), static_cast<int>(pair_ref.count({a, c})));
    addstatepair(a, c, &pairs.items, np, &added);
    ASSERT_EQ(added, pair_ref.insert({a, c}).second);
    np += added;
    addtriple(a, b, c, &triples.items, n3, &added);
    ASSERT_EQ(added, triple_ref.insert({a, b, c}).second);
    n3 += added;
    int16_t found = 999;
    auto first = quad_ref.lower_bound({a, b, c, INT16_MIN});
    bool present = first != quad_ref.end() && std::get<0>(*first) == a &&
                   std::get<1>(*first) == b && std::get<2>(*first) == c;
    ASSERT_EQ(inlist_quad(quads.items, nq, a, b, c, &found), present);
    ASSERT_TRUE(!present || quad_ref.count({a, b, c, found}));
    add_quad(a, b, c, d, &quads.items, nq, &added);
    ASSERT_EQ(added, quad_ref.insert({a, b, c, d}).second);
    nq += added;
  }
  EXPECT_EQ(
      keys(trans.items, nt, [](tran_entry x) { return std::make_pair(x.event(), x.target()); }),
      in_order(tran_ref));
  EXPECT_EQ(keys(events.items, ne, [](event_t x) { return x; }), in_order(event_ref));
  EXPECT_EQ(keys(states.items, ns, [](state_t x) { return x; }), in_order(state_ref));
  EXPECT_EQ(keys(pairs.items, np, [](state_pair x) { return std::make_pair(x.data1, x.data2); }),
            in_order(pair_ref));
  EXPECT_EQ(
      keys(triples.items, n3, [](triple x) { return std::make_tuple(x.first, x.middle, x.third); }),
      in_order(triple_ref));
  EXPECT_EQ(keys(quads.items, nq, [](quad x) { return std::make_tuple(x.a, x.b, x.c, x.d); }),
            in_order(quad_ref));
}

// Inserting beyond the last state adds empty states, whatever an earlier failure left in
// mem_result.
TEST(SortedLists, InsertBeyondTheLastStateGrowsTheDes) {
  owned_des d;
  make_des(3, {{0, 1, 1}}, {0}, &d);
  d.des[2].vocal = 15;
  mem_result = 1;
  insertlist4(7, 2, 0, &d.size, &d.des);
  EXPECT_EQ(mem_result, 1);
  mem_result = 0;
  owned_des expected;
  make_des(8, {{0, 1, 1}, {7, 2, 0}}, {0}, &expected);
  expected.des[2].vocal = 15;
  EXPECT_EQ(des_check(d.des, d.size), 0);
  ASSERT_EQ(d.size, 8);
  for (state_t s = 0; s < 8; s++)
    EXPECT_TRUE(
        d.des[s].marked == expected.des[s].marked && d.des[s].vocal == expected.des[s].vocal &&
        d.des[s].numelts == expected.des[s].numelts && !d.des[s].reached && !d.des[s].coreach)
        << s;
}

TEST(SortedLists, StateMapFilesMembersUnderSignedKeysAndKeepsTheFlag) {
  state_map *maps = nullptr;
  state_t n = 0;
  int added;
  for (auto km : {std::make_pair(4, 9), {-2, 1}, {4, 3}, {4, 9}}) {
    addstatemap(km.first, km.second, &maps, n, &added);
    n += added;
    if (n == 1) maps[0].set_flag(true);
  }
  ASSERT_EQ(n, 2);
  EXPECT_TRUE(maps[0].key() == -2 && !maps[0].flag() && maps[1].key() == 4 && maps[1].flag());
  ASSERT_EQ(maps[1].numelts, 2);
  EXPECT_TRUE(maps[1].next[0] == 3 && maps[1].next[1] == 9);
  free_map(n, &maps);
  EXPECT_EQ(maps, nullptr);
}

TEST(WholeDes, RecodeVocalMapSanityAndCounts) {
  owned_des src, dst;
  make_des(4, {{0, 1, 1}, {1, 2, 2}, {2, 2, 3}, {3, 1, 0}}, {3}, &src);
  src.des[1].vocal = 12;
  dst.des = newdes(dst.size = 2);
  dst.des[1].reached = 1;
  const state_t map[4] = {0, 1, 1, 0};
  recode_min(src.size, src.des, dst.des, map);  // the last state mapped to a class decides
  owned_des expected;
  make_des(2, {{0, 1, 0}, {0, 1, 1}, {1, 2, 0}, {1, 2, 1}}, {0}, &expected);
  EXPECT_EQ(des_difference(expected.des, expected.size, dst.des, dst.size), "");
  EXPECT_TRUE(dst.des[1].reached);

  src.des[0].vocal = 10;
  src.des[2].vocal = 33;
  const state_pair pairs[2] = {{10, 12}, {12, 30}};  // each state uses the first match once
  vocalmap_des(src.des, src.size, pairs, 2);
  EXPECT_TRUE(src.des[0].vocal == 12 && src.des[1].vocal == 30 && src.des[2].vocal == 33);
  EXPECT_EQ(num_mark_states(src.des, src.size), 1);
  EXPECT_EQ(num_vocal_output(src.des, src.size), 3);
  EXPECT_EQ(check_des_sanity(src.des, src.size), 1);
  EXPECT_EQ(check_des_sanity(nullptr, 5), 1);
  for (uint32_t bad : {make_tran(1000, 1).word, make_tran(1, 4).word, make_tran(1, -1).word}) {
    src.des[0].next[0].word = bad;
    EXPECT_EQ(check_des_sanity(src.des, src.size), 0);
  }
}

// Bursts of pushes and pops grow both past 512 entries; the queue's live entries wrap past the
// end of its ring, also while it grows.
TEST(StackAndQueue, RandomTrafficMatchesVectorAndDeque) {
  std::mt19937 rng(23);
  pstack s;
  queue q;
  pstack_Init(&s);
  queue_init(&q);
  std::vector<std::pair<event_t, state_t>> stack_ref;
  std::deque<int32_t> queue_ref;
  size_t deepest = 0;
  int wrapped_growths = 0;
  for (int step = 0; step < 20000; step++) {
    SCOPED_TRACE(step);
    bool push = rng() % 100 < (step % 6000 < 3000 ? 70u : 30u);
    event_t e = rng() % 1024;
    state_t v = static_cast<state_t>(rng() % 4000) - 2000;
    if (push) {
      wrapped_growths += q.capacity > 0 && q.tail + 1 == q.head;
      ASSERT_EQ(enqueue(&q, v), 1);
      ASSERT_EQ(pstack_Push(&s, e, v), 1);
      queue_ref.push_back(v);
      stack_ref.emplace_back(e, v);
      deepest = std::max(deepest, stack_ref.size());
    }
    ASSERT_EQ(queue_empty(&q), queue_ref.empty());
    ASSERT_EQ(pstack_IsEmpty(&s), stack_ref.empty());
    if (push || queue_ref.empty()) continue;
    ASSERT_EQ(dequeue(&q), queue_ref.front());
    queue_ref.pop_front();
    int ok = 0;
    pstack_Pop(&s, &e, &v, &ok);
    ASSERT_TRUE(ok && std::make_pair(e, v) == stack_ref.back());
    stack_ref.pop_back();
  }
  EXPECT_GT(deepest, 1024u);
  EXPECT_GT(wrapped_growths, 0);
  pstack_Done(&s);
  queue_done(&q);
  event_t e = 5;
  state_t v = 6;
  int ok = 1;
  pstack_Pop(&s, &e, &v, &ok);  // empty: nothing changes
  EXPECT_TRUE(ok == 0 && e == 5 && v == 6 && s.items == nullptr);
}

// A failed growth reports mem_result and leaves list, queue and stack as they were.
TEST(StackAndQueue, FailedGrowthChangesNothing) {
  freed_array<tran_entry> list;
  int added;
  addordlist1(1, 1, &list.items, 0, &added);
  queue q;
  pstack s;
  queue_init(&q);
  pstack_Init(&s);
  for (int i = 0; i < 511; i++) ASSERT_EQ(enqueue(&q, i), 1);
  for (int which = 0; which < 3; which++) {
    mem_result = 0;
    fail_allocation_after(0);
    if (which == 0) addordlist1(2, 2, &list.items, 1, &added);
    if (which == 1) added = enqueue(&q, 511);
    if (which == 2) added = pstack_Push(&s, 1, 1);
    fail_allocation_after(-1);
    EXPECT_TRUE(added == 0 && mem_result == 1) << which;
  }
  mem_result = 0;
  EXPECT_EQ(list.items[0].word, make_tran(1, 1).word);
  for (int i = 0; i < 511; i++) ASSERT_EQ(dequeue(&q), i);
  EXPECT_TRUE(queue_empty(&q) && pstack_IsEmpty(&s));
  queue_done(&q);
  pstack_Done(&s);
}

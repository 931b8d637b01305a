// Sorted lists and records, the (event, state) stack, the state queue and the whole-DES helpers.
// The sorted arrays are checked against std::set under random insertions.
#include "model/des_supp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

// Frees a malloc'ed array at the end of a test.
template <typename T>
struct freed_array {
  T *items = nullptr;
  ~freed_array() { free(items); }
};

typedef std::vector<std::pair<event_t, state_t>> tran_vector;
typedef std::tuple<state_t, state_t> pair_key;
typedef std::tuple<state_t, event_t, state_t> triple_key;
typedef std::tuple<state_t, event_t, state_t, int16_t> quad_key;

tran_vector contents(const tran_entry *list, int n) {
  tran_vector out;
  for (int j = 0; j < n; j++) out.emplace_back(list[j].event(), list[j].target());
  return out;
}

}  // namespace

TEST(TransitionList, InsertsInOrderAndDropsDuplicates) {
  freed_array<tran_entry> list;
  int n = 0, added;
  addordlist1(5, 3, &list.items, n, &added);
  n += added;
  addordlist1(5, 1, &list.items, n, &added);
  n += added;
  addordlist1(4, 9, &list.items, n, &added);
  n += added;
  addordlist1(5, 1, &list.items, n, &added);
  EXPECT_EQ(added, 0);
  n += added;
  tran_vector expected = {{4, 9}, {5, 1}, {5, 3}};
  EXPECT_EQ(contents(list.items, n), expected);
}

TEST(TransitionList, RandomInsertionsAndDeletionsMatchAnOrderedSet) {
  std::mt19937 rng(11);
  freed_array<tran_entry> list;
  int n = 0;
  std::set<std::pair<event_t, state_t>> reference;
  for (int step = 0; step < 4000; step++) {
    event_t e = static_cast<event_t>(rng() % 12 == 0 ? 1023 : rng() % 20);
    state_t t = static_cast<state_t>(rng() % 30);
    int changed;
    if (rng() % 3 == 0) {
      delete_ordlist1(e, t, &list.items, n, &changed);
      ASSERT_EQ(changed, static_cast<int>(reference.erase({e, t}))) << step;
      n -= changed;
    } else {
      addordlist1(e, t, &list.items, n, &changed);
      ASSERT_EQ(changed, reference.insert({e, t}).second ? 1 : 0) << step;
      n += changed;
    }
    ASSERT_EQ(n == 0, list.items == nullptr) << step;
  }
  EXPECT_EQ(contents(list.items, n), tran_vector(reference.begin(), reference.end()));
}

TEST(TransitionList, DeletingTheOnlyTransitionLeavesNoArray) {
  owned_des d;
  make_des(2, {{0, 3, 1}}, {}, &d);
  int removed;
  delete_ordlist1(3, 0, &d.des[0].next, d.des[0].numelts, &removed);
  EXPECT_EQ(removed, 0);
  delete_ordlist1(3, 1, &d.des[0].next, d.des[0].numelts, &removed);
  ASSERT_EQ(removed, 1);
  d.des[0].numelts--;
  EXPECT_EQ(d.des[0].next, nullptr);
  EXPECT_EQ(des_check(d.des, d.size), 0);
}

TEST(TransitionList, InsertBeyondTheLastStateGrowsTheDesWithEmptyStates) {
  owned_des d;
  make_des(3, {{0, 1, 1}}, {0}, &d);
  d.des[2].vocal = 15;
  insertlist4(7, 2, 0, &d.size, &d.des);
  ASSERT_EQ(d.size, 8);
  for (state_t s = 3; s < 7; s++) {
    EXPECT_EQ(d.des[s].marked + d.des[s].reached + d.des[s].coreach + d.des[s].vocal, 0) << s;
    EXPECT_EQ(d.des[s].numelts, 0) << s;
    EXPECT_EQ(d.des[s].next, nullptr) << s;
  }
  ASSERT_EQ(d.des[7].numelts, 1);
  EXPECT_EQ(d.des[7].next[0].event(), 2);
  EXPECT_EQ(d.des[2].vocal, 15);
  EXPECT_EQ(des_check(d.des, d.size), 0);
}

TEST(TransitionList, InsertBeyondTheLastStateIgnoresAnEarlierMemoryFailure) {
  owned_des d;
  make_des(3, {}, {}, &d);
  mem_result = 1;  // left over from an earlier, already reported operation
  insertlist4(5, 4, 1, &d.size, &d.des);
  EXPECT_EQ(mem_result, 1);
  mem_result = 0;
  ASSERT_EQ(d.size, 6);
  EXPECT_EQ(d.des[5].numelts, 1);
}

TEST(TransitionList, FailedGrowthLeavesTheArrayAndReportsMemory) {
  freed_array<tran_entry> list;
  int n = 0, added;
  addordlist1(1, 1, &list.items, n, &added);
  n += added;
  tran_entry *before = list.items;
  mem_result = 0;
  fail_allocation_after(0);
  addordlist1(2, 2, &list.items, n, &added);
  fail_allocation_after(-1);
  EXPECT_EQ(added, 0);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(list.items, before);
  EXPECT_EQ(list.items[0].word, make_tran(1, 1).word);
  mem_result = 0;
}

TEST(IntegerLists, EventAndStateListsMatchAnOrderedSet) {
  std::mt19937 rng(5);
  freed_array<event_t> events;
  freed_array<state_t> states;
  uint16_t ne = 0;
  state_t ns = 0;
  std::set<event_t> event_ref;
  std::set<state_t> state_ref;
  for (int step = 0; step < 3000; step++) {
    event_t e = static_cast<event_t>(rng() % 1024);
    state_t s = static_cast<state_t>(rng() % 2001) - 1000;  // state lists are signed
    int added;
    ASSERT_EQ(inlist(e, events.items, ne), event_ref.count(e) ? 1 : 0);
    addordlist(e, &events.items, ne, &added);
    ASSERT_EQ(added, event_ref.insert(e).second ? 1 : 0);
    ne = static_cast<uint16_t>(ne + added);
    ASSERT_EQ(instatelist(s, states.items, ns), state_ref.count(s) ? 1 : 0);
    addstatelist(s, &states.items, ns, &added);
    ASSERT_EQ(added, state_ref.insert(s).second ? 1 : 0);
    ns += added;
  }
  EXPECT_EQ(std::vector<event_t>(events.items, events.items + ne),
            std::vector<event_t>(event_ref.begin(), event_ref.end()));
  EXPECT_EQ(std::vector<state_t>(states.items, states.items + ns),
            std::vector<state_t>(state_ref.begin(), state_ref.end()));
  EXPECT_EQ(inlist(7, nullptr, 0), 0);
  EXPECT_EQ(instatelist(7, nullptr, 0), 0);
}

TEST(RecordLists, PairsTriplesAndQuadsMatchAnOrderedSet) {
  std::mt19937 rng(17);
  freed_array<state_pair> pairs;
  freed_array<triple> triples;
  freed_array<quad> quads;
  state_t np = 0, nt = 0, nq = 0;
  std::set<pair_key> pair_ref;
  std::set<triple_key> triple_ref;
  std::set<quad_key> quad_ref;
  auto small = [&rng]() { return static_cast<state_t>(rng() % 9) - 3; };
  for (int step = 0; step < 2000; step++) {
    state_t a = small(), c = small();
    event_t b = static_cast<event_t>(rng() % 4 == 0 ? 60000 : rng() % 5);  // middle is unsigned
    int16_t d = static_cast<int16_t>(small());
    int added;
    ASSERT_EQ(instatepair(a, c, pairs.items, np), pair_ref.count({a, c}) ? 1 : 0);
    addstatepair(a, c, &pairs.items, np, &added);
    ASSERT_EQ(added, pair_ref.insert({a, c}).second ? 1 : 0);
    np += added;
    addtriple(a, b, c, &triples.items, nt, &added);
    ASSERT_EQ(added, triple_ref.insert({a, b, c}).second ? 1 : 0);
    nt += added;
    add_quad(a, b, c, d, &quads.items, nq, &added);
    ASSERT_EQ(added, quad_ref.insert({a, b, c, d}).second ? 1 : 0);
    nq += added;
  }
  std::vector<pair_key> got_pairs;
  for (state_t i = 0; i < np; i++)
    got_pairs.emplace_back(pairs.items[i].data1, pairs.items[i].data2);
  EXPECT_EQ(got_pairs, std::vector<pair_key>(pair_ref.begin(), pair_ref.end()));
  std::vector<triple_key> got_triples;
  for (state_t i = 0; i < nt; i++)
    got_triples.emplace_back(triples.items[i].first, triples.items[i].middle,
                             triples.items[i].third);
  EXPECT_EQ(got_triples, std::vector<triple_key>(triple_ref.begin(), triple_ref.end()));
  std::vector<quad_key> got_quads;
  for (state_t i = 0; i < nq; i++)
    got_quads.emplace_back(quads.items[i].a, quads.items[i].b, quads.items[i].c, quads.items[i].d);
  EXPECT_EQ(got_quads, std::vector<quad_key>(quad_ref.begin(), quad_ref.end()));
}

TEST(RecordLists, QuadLookupMatchesTheFirstThreeFields) {
  freed_array<quad> quads;
  state_t n = 0;
  int added;
  add_quad(2, 5, 3, 40, &quads.items, n, &added);
  n += added;
  add_quad(1, 5, 3, 20, &quads.items, n, &added);
  n += added;
  int16_t value = -7;
  EXPECT_EQ(inlist_quad(quads.items, n, 2, 5, 3, &value), 1);
  EXPECT_EQ(value, 40);
  EXPECT_EQ(inlist_quad(quads.items, n, 2, 5, 4, &value), 0);
  EXPECT_EQ(value, 40);
}

TEST(StateMap, FilesMembersUnderKeysAndKeepsTheUserFlag) {
  state_map *maps = nullptr;
  state_t n = 0;
  int added;
  addstatemap(4, 9, &maps, n, &added);
  n += added;
  EXPECT_EQ(added, 1);
  maps[0].set_flag(true);
  addstatemap(-2, 1, &maps, n, &added);  // keys are signed
  n += added;
  addstatemap(4, 3, &maps, n, &added);
  EXPECT_EQ(added, 0);
  addstatemap(4, 9, &maps, n, &added);
  EXPECT_EQ(added, 0);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(maps[0].key(), -2);
  EXPECT_FALSE(maps[0].flag());
  EXPECT_EQ(maps[1].key(), 4);
  EXPECT_TRUE(maps[1].flag());
  ASSERT_EQ(maps[1].numelts, 2);
  EXPECT_EQ(maps[1].next[0], 3);
  EXPECT_EQ(maps[1].next[1], 9);
  free_map(n, &maps);
  EXPECT_EQ(maps, nullptr);
}

TEST(WholeDes, RecodeMinMergesStatesAndKeepsTheDestinationsSearchMarks) {
  owned_des src, dst;
  make_des(4, {{0, 1, 1}, {1, 2, 2}, {2, 2, 3}, {3, 1, 0}}, {3}, &src);
  src.des[1].vocal = 12;
  dst.size = 2;
  dst.des = newdes(2);
  dst.des[1].reached = 1;
  const state_t map[4] = {0, 1, 1, 0};
  recode_min(src.size, src.des, dst.des, map);
  EXPECT_EQ(des_check(dst.des, dst.size), 0);
  EXPECT_TRUE(dst.des[0].marked);  // from state 3, the last one mapped to 0
  EXPECT_EQ(dst.des[1].vocal, 0);  // from state 2, the last one mapped to 1
  EXPECT_TRUE(dst.des[1].reached);
  ASSERT_EQ(dst.des[0].numelts, 2);  // (1 -> 1) and (1 -> 0)
  ASSERT_EQ(dst.des[1].numelts, 2);  // (2 -> 1) and (2 -> 0)
  EXPECT_EQ(dst.des[0].next[0].word, make_tran(1, 0).word);
  EXPECT_EQ(dst.des[1].next[1].word, make_tran(2, 1).word);
}

TEST(WholeDes, VocalMapUsesTheFirstMatchingPairOnce) {
  owned_des d;
  make_des(3, {}, {}, &d);
  d.des[0].vocal = 10;
  d.des[1].vocal = 20;
  d.des[2].vocal = 33;
  const state_pair pairs[2] = {{10, 20}, {20, 30}};
  vocalmap_des(d.des, d.size, pairs, 2);
  EXPECT_EQ(d.des[0].vocal, 20);
  EXPECT_EQ(d.des[1].vocal, 30);
  EXPECT_EQ(d.des[2].vocal, 33);
}

TEST(WholeDes, SanityRejectsBadEventsAndTargetsAndCountsMarksAndOutputs) {
  owned_des d;
  make_des(3, {{0, 999, 2}, {1, 0, 0}}, {0, 2}, &d);
  d.des[1].vocal = 10;
  EXPECT_EQ(check_des_sanity(d.des, d.size), 1);
  EXPECT_EQ(check_des_sanity(nullptr, 5), 1);
  EXPECT_EQ(num_mark_states(d.des, d.size), 2);
  EXPECT_EQ(num_vocal_output(d.des, d.size), 1);
  d.des[0].next[0].set_event(1000);
  EXPECT_EQ(check_des_sanity(d.des, d.size), 0);
  d.des[0].next[0].set_event(999);
  d.des[1].next[0].set_target(3);
  EXPECT_EQ(check_des_sanity(d.des, d.size), 0);
  d.des[1].next[0].set_target(-1);
  EXPECT_EQ(check_des_sanity(d.des, d.size), 0);
}

TEST(Stack, GrowsPast512AndPopsInReverseWithSignedStates) {
  pstack s;
  pstack_Init(&s);
  const int n = 1300;
  for (int i = 0; i < n; i++)
    ASSERT_EQ(pstack_Push(&s, static_cast<event_t>(i % 1024), i % 7 == 0 ? -i : i), 1);
  EXPECT_EQ(s.capacity, 1536);
  for (int i = n - 1; i >= 0; i--) {
    event_t e;
    state_t state;
    int ok;
    pstack_Pop(&s, &e, &state, &ok);
    ASSERT_EQ(ok, 1);
    ASSERT_EQ(e, i % 1024);
    ASSERT_EQ(state, i % 7 == 0 ? -i : i);
  }
  EXPECT_EQ(pstack_IsEmpty(&s), 1);
  event_t e = 5;
  state_t state = 6;
  int ok = 1;
  pstack_Pop(&s, &e, &state, &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(e, 5);
  EXPECT_EQ(state, 6);
  pstack_Done(&s);
  EXPECT_EQ(s.items, nullptr);
  EXPECT_EQ(s.capacity, 0);
}

TEST(Queue, SeedThen600MoreComeOutInOrder) {
  queue q;
  queue_init(&q);
  ASSERT_EQ(enqueue(&q, 1000), 1);
  EXPECT_EQ(dequeue(&q), 1000);
  for (int i = 0; i < 600; i++) ASSERT_EQ(enqueue(&q, i), 1);
  for (int i = 0; i < 600; i++) ASSERT_EQ(dequeue(&q), i);
  EXPECT_EQ(queue_empty(&q), 1);
  queue_done(&q);
}

// Growth while the live entries wrap past the end of the ring must keep them in order.
TEST(Queue, RandomTrafficWithWrapAroundMatchesADeque) {
  std::mt19937 rng(23);
  queue q;
  queue_init(&q);
  std::deque<int32_t> reference;
  int32_t next = 0;
  int wrapped_growths = 0;
  for (int step = 0; step < 20000; step++) {
    // Bursts of enqueues between runs of dequeues move head and tail around the ring.
    bool push = reference.empty() || rng() % 100 < (step % 3000 < 1500 ? 60u : 45u);
    if (push) {
      bool wrapped_full = q.capacity > 0 && q.tail < q.head && q.tail + 1 == q.head;
      ASSERT_EQ(enqueue(&q, next), 1);
      wrapped_growths += wrapped_full;
      reference.push_back(next++);
    } else {
      ASSERT_EQ(queue_empty(&q), 0);
      ASSERT_EQ(dequeue(&q), reference.front()) << step;
      reference.pop_front();
    }
  }
  while (!reference.empty()) {
    ASSERT_EQ(dequeue(&q), reference.front());
    reference.pop_front();
  }
  EXPECT_EQ(queue_empty(&q), 1);
  EXPECT_GT(wrapped_growths, 0);
  queue_done(&q);
}

TEST(Queue, FailedGrowthLeavesTheQueueAsItWas) {
  queue q;
  queue_init(&q);
  for (int i = 0; i < 511; i++) ASSERT_EQ(enqueue(&q, i), 1);
  mem_result = 0;
  fail_allocation_after(0);
  EXPECT_EQ(enqueue(&q, 511), 0);
  fail_allocation_after(-1);
  EXPECT_EQ(mem_result, 1);
  mem_result = 0;
  for (int i = 0; i < 511; i++) ASSERT_EQ(dequeue(&q), i);
  EXPECT_EQ(queue_empty(&q), 1);
  queue_done(&q);

  pstack s;
  pstack_Init(&s);
  fail_allocation_after(0);
  EXPECT_EQ(pstack_Push(&s, 1, 1), 0);
  fail_allocation_after(-1);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(pstack_IsEmpty(&s), 1);
  mem_result = 0;
  pstack_Done(&s);
}

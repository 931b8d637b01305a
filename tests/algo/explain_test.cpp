// Explanations against brute force on random DES: every string is accepted by the DES it is
// about and leads where the item says, it is as short as a breadth-first reference allows, the
// causes hold there, and the counts and verdicts agree with the reference algorithms and with
// languages enumerated up to a bound.
#include "algo/explain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "support/random_des.h"
#include "support/reference.h"

namespace {

// Distance from state 0 of every state (-1 when unreachable), by a plain breadth-first search.
std::vector<int> distances(const ref_des &g) {
  std::vector<int> d(g.out.size(), -1);
  std::vector<state_t> queue = {0};
  if (g.size() > 0) d[0] = 0;
  for (size_t i = 0; i < queue.size(); i++)
    for (auto [e, t] : g.out[queue[i]])
      if (d[t] < 0) d[t] = d[queue[i]] + 1, queue.push_back(t);
  return d;
}

// The states a string leads to from `from` (none when g is empty).
std::set<state_t> run(const ref_des &g, const std::vector<event_t> &w, state_t from = 0) {
  return g.size() > 0 ? ref_after(g, {from}, w) : std::set<state_t>{};
}

bool allows(const ref_des &g, state_t s, event_t e) {
  return !run(g, {e}, s).empty();
}

// Every item's string leads in the meet m (deterministic) to the item's state, shortest, and its
// pair is the state's.
void check_strings(const explanation &x, const ref_des &m, state_t n1) {
  std::vector<int> d = distances(m);
  for (const explain_item &item : x.items) {
    if (d[item.state] < 0) continue;  // unreachable: no string
    ASSERT_EQ(run(m, item.string).count(item.state), 1u);
    EXPECT_EQ(static_cast<int>(item.string.size()), d[item.state]);
    EXPECT_TRUE(n1 == 0 || item.first < 0 || item.first + n1 * item.second == m.codes[item.state]);
  }
}

random_des_options options(state_t states, bool deterministic) {
  return {states, {0, 1, 2, 3, 4, 5}, 3, 0.4, deterministic};
}

}  // namespace

// Supcon: the removed states are exactly the meet's states missing from the reference result;
// each cause holds at its state; the chains follow uncontrollable events to a removed state.
TEST(ExplainProperty, SupconRemovalsMatchReference) {
  std::mt19937 rng(2027);
  int causes_seen[CAUSE_COUNT] = {}, empty = 0;
  for (int round = 0; round < 1000; round++) {
    SCOPED_TRACE(round);
    owned_des plant, spec;
    make_random_des(rng, options(2 + round % 9, true), &plant);
    make_random_des(rng, options(1 + round % 5, true), &spec);
    ref_des rp = to_ref(plant.des, plant.size), rs = to_ref(spec.des, spec.size);
    ref_des m = ref_meet(rp, rs), sup = ref_supcon(rp, rs);
    explanation x;
    ASSERT_EQ(explain_supcon(plant.size, plant.des, spec.size, spec.des, &x), EXPLAIN_OK);
    ASSERT_EQ(x.states, m.size());
    ASSERT_EQ(x.survivors, sup.size());
    EXPECT_EQ(std::accumulate(x.count, x.count + CAUSE_COUNT, 0L), m.size() - sup.size());
    EXPECT_EQ(x.has_initial, m.size() > 0 && sup.size() == 0);
    empty += x.has_initial;
    check_strings(x, m, plant.size);
    for (const explain_item &item : x.items) {
      causes_seen[item.cause]++;
      EXPECT_EQ(std::count(sup.codes.begin(), sup.codes.end(), m.codes[item.state]), 0);
      if (item.cause == CAUSE_UNCONTROLLABLE) {
        EXPECT_EQ(item.event % 2, 0);
        EXPECT_TRUE(allows(rp, item.first, static_cast<event_t>(item.event)));
        EXPECT_FALSE(allows(rs, item.second, static_cast<event_t>(item.event)));
      }
      if (item.cause == CAUSE_LEADS_TO_REMOVED) {
        for (event_t e : item.chain) EXPECT_EQ(e % 2, 0);
        EXPECT_EQ(run(m, item.chain, item.state), std::set<state_t>{item.chain_end});
        EXPECT_NE(item.chain_cause, CAUSE_LEADS_TO_REMOVED);
      }
    }
  }
  for (int c = 0; c <= CAUSE_UNREACHABLE; c++) EXPECT_GT(causes_seen[c], 5) << c;
  EXPECT_GT(empty, 10);
}

// Nonconflict, Condat and Trim: counts agree with the reference tests, the first item is a
// shortest string to a state of its kind, and every item is of that kind.
TEST(ExplainProperty, BlockingDisabledAndTrimmedStatesMatchReference) {
  std::mt19937 rng(2028);
  int conflicting = 0, uncontrollable = 0;
  for (int round = 0; round < 300; round++) {
    SCOPED_TRACE(round);
    bool det = round % 2 == 0;
    owned_des a, b;
    make_random_des(rng, options(1 + round % 7, det), &a);
    make_random_des(rng, options(1 + round % 5, det), &b);
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size), m = ref_meet(ra, rb);
    std::vector<bool> co = ref_coreachable(m);
    std::vector<int> d = distances(m);
    explanation x;
    ASSERT_EQ(explain_nonconflict(a.size, a.des, b.size, b.des, &x), EXPLAIN_OK);
    conflicting += x.count[CAUSE_BLOCKING] > 0;
    check_strings(x, m, a.size);
    int nearest = INT32_MAX;
    for (state_t s = 0; s < m.size(); s++)
      if (!co[s]) nearest = std::min(nearest, d[s]);
    EXPECT_EQ(x.count[CAUSE_BLOCKING] == 0, nearest == INT32_MAX);
    for (const explain_item &item : x.items) EXPECT_FALSE(co[item.state]);
    EXPECT_TRUE(x.items.empty() || static_cast<int>(x.items[0].string.size()) == nearest);

    ASSERT_EQ(explain_trim(a.size, a.des, &x), EXPLAIN_OK);
    EXPECT_EQ(x.survivors, ref_trim(ra).size());
    std::vector<int> da = distances(ra);
    for (const explain_item &item : x.items)
      EXPECT_TRUE(item.cause == CAUSE_UNREACHABLE ? da[item.state] < 0
                                                  : !ref_coreachable(ra)[item.state]);
    if (!det) continue;
    ASSERT_EQ(explain_condat(a.size, a.des, b.size, b.des, &x), EXPLAIN_OK);
    bool controllable = true;
    for (const auto &events : ref_condat(ra, rb))
      for (event_t e : events) controllable &= e % 2 == 1;
    EXPECT_EQ(x.count[CAUSE_UNCONTROLLABLE] == 0, controllable);
    uncontrollable += !controllable;
    check_strings(x, m, a.size);
    for (const explain_item &item : x.items) {
      EXPECT_TRUE(allows(ra, item.first, static_cast<event_t>(item.event)));
      EXPECT_FALSE(allows(m, item.state, static_cast<event_t>(item.event)));
    }
  }
  EXPECT_GT(conflicting, 30);
  EXPECT_GT(uncontrollable, 30);
}

// Compare: each verdict agrees with the languages enumerated up to length 6; each witness lies
// in the difference it stands for, and no shorter string of the enumeration does.
TEST(ExplainProperty, CompareAgreesWithEnumeratedLanguages) {
  std::mt19937 rng(2029);
  const int bound = 6;
  int differing = 0;
  for (int round = 0; round < 300; round++) {
    SCOPED_TRACE(round);
    owned_des a, b;
    random_des_options o = {static_cast<state_t>(round % 4), {1, 2, 3}, 2, 0.5, round % 3 != 0};
    make_random_des(rng, o, &a);
    if (round % 5 == 0)
      copy_des(a.des, a.size, &b);
    else
      o.states = static_cast<state_t>(1 + round % 3), make_random_des(rng, o, &b);
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    explanation x;
    ASSERT_EQ(explain_compare(a.size, a.des, b.size, b.des, &x), EXPLAIN_OK);
    const std::set<word> lang[2][2] = {
        {ref_closed_language(ra, bound), ref_marked_language(ra, bound)},
        {ref_closed_language(rb, bound), ref_marked_language(rb, bound)}};
    // verdict v: closed (0) or marked (1); directions A in B (1), B in A (2) or both (3).
    const int kind[VERDICT_COUNT] = {0, 1, 0, 1, 0, 1}, dirs[VERDICT_COUNT] = {3, 3, 1, 1, 2, 2};
    for (int v = 0; v < VERDICT_COUNT; v++) {
      std::vector<word> diff;
      for (int dir = 0; dir < 2; dir++)
        if (dirs[v] & (1 << dir))
          for (const word &w : lang[dir][kind[v]])
            if (!lang[1 - dir][kind[v]].count(w)) diff.push_back(w);
      EXPECT_TRUE(!x.verdict[v] || diff.empty()) << v;
      if (x.verdict[v]) continue;
      differing++;
      const word &w = x.witness[v];
      auto in = [&](const ref_des &g) {
        std::set<state_t> at = run(g, w);
        bool marked = false;
        for (state_t s : at) marked |= g.marked[s];
        return kind[v] == 0 ? !at.empty() : marked;
      };
      EXPECT_TRUE(in(ra) != in(rb)) << v;
      EXPECT_TRUE(dirs[v] == 3 || in(dirs[v] == 1 ? ra : rb)) << v;  // in the first-named DES
      for (const word &shorter : diff) EXPECT_GE(shorter.size(), w.size()) << v;
    }
  }
  EXPECT_GT(differing, 300);
}

// State minimization: numbering of classes, what may and may not merge, agreement of the two
// methods and equivalence with the input on random DES, and allocation failure.
#include "algo/minm.h"

#include <gtest/gtest.h>

#include <random>

#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "support/brute_lang.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

typedef void (*minimizer)(state_t *, state_node **);

struct method {
  const char *name;
  minimizer run;
};

const method methods[] = {{"minimize2", minimize2}, {"minimize1", minimize1}};

// Runs one method on a copy of `input` and checks the DES invariants of the result.
void minimized_copy(const method &m, const owned_des &input, owned_des *out) {
  copy_des(input.des, input.size, out);
  mem_result = 0;
  m.run(&out->size, &out->des);
  ASSERT_EQ(mem_result, 0) << m.name;
  ASSERT_EQ(des_check(out->des, out->size), 0) << m.name;
}

bool has_transition(const owned_des &d, state_t s, event_t e, state_t t) {
  for (int j = 0; j < d.des[s].numelts; j++)
    if (d.des[s].next[j].event() == e && d.des[s].next[j].target() == t) return true;
  return false;
}

// A random DES whose states come in `copies` interchangeable copies: copy c of state s has the
// flags of s and, for each transition s --e--> t, a transition to a randomly chosen copy of t.
void make_redundant_des(std::mt19937 &rng, const random_des_options &base, int copies,
                        owned_des *out) {
  owned_des core;
  make_random_des(rng, base, &core);
  std::vector<transition_spec> edges;
  std::vector<state_t> marked;
  std::uniform_int_distribution<int> any_copy(0, copies - 1);
  for (int c = 0; c < copies; c++)
    for (state_t s = 0; s < core.size; s++) {
      state_t self = c * core.size + s;
      if (core.des[s].marked) marked.push_back(self);
      for (int j = 0; j < core.des[s].numelts; j++) {
        tran_entry t = core.des[s].next[j];
        edges.push_back({self, t.event(), any_copy(rng) * core.size + t.target()});
      }
    }
  make_des(core.size * copies, edges, marked, out);
  for (int c = 0; c < copies; c++)
    for (state_t s = 0; s < core.size; s++) out->des[c * core.size + s].vocal = core.des[s].vocal;
}

}  // namespace

TEST(MinimizeNumbering, ClassesAreNumberedBySmallestMember) {
  // Classes {0, 3}, {1, 4}, {2}; 4 --7--> 3 must become 1 --7--> 0.
  owned_des d;
  make_des(5, {{0, 1, 1}, {1, 2, 2}, {1, 7, 0}, {2, 3, 3}, {3, 1, 4}, {4, 2, 2}, {4, 7, 3}}, {2},
           &d);
  for (const method &m : methods) {
    owned_des r;
    minimized_copy(m, d, &r);
    ASSERT_EQ(r.size, 3) << m.name;
    EXPECT_TRUE(has_transition(r, 0, 1, 1)) << m.name;
    EXPECT_TRUE(has_transition(r, 1, 2, 2)) << m.name;
    EXPECT_TRUE(has_transition(r, 1, 7, 0)) << m.name;
    EXPECT_TRUE(has_transition(r, 2, 3, 0)) << m.name;
    EXPECT_EQ(r.des[0].numelts + r.des[1].numelts + r.des[2].numelts, 4) << m.name;
    EXPECT_EQ(r.des[2].marked, 1) << m.name;
    EXPECT_EQ(r.des[0].marked + r.des[1].marked, 0) << m.name;
  }
}

TEST(MinimizeNumbering, AllStatesAlikeGiveOneStateWithSelfloops) {
  owned_des d;
  make_des(4,
           {{0, 1, 1}, {0, 2, 3}, {1, 1, 2}, {1, 2, 0}, {2, 1, 3}, {2, 2, 2}, {3, 1, 0}, {3, 2, 1}},
           {0, 1, 2, 3}, &d);
  for (int s = 0; s < 4; s++) d.des[s].vocal = 20;
  for (const method &m : methods) {
    owned_des r;
    minimized_copy(m, d, &r);
    ASSERT_EQ(r.size, 1) << m.name;
    EXPECT_EQ(r.des[0].numelts, 2) << m.name;
    EXPECT_TRUE(has_transition(r, 0, 1, 0) && has_transition(r, 0, 2, 0)) << m.name;
    EXPECT_EQ(r.des[0].marked, 1) << m.name;
    EXPECT_EQ(r.des[0].vocal, 20) << m.name;
  }
}

TEST(MinimizeNumbering, MinimalAndTinyDesAreLeftUntouched) {
  owned_des d;
  make_des(3, {{0, 1, 1}, {1, 1, 2}, {2, 1, 2}}, {2}, &d);
  for (const method &m : methods) {
    owned_des r;
    copy_des(d.des, d.size, &r);
    state_node *before = r.des;
    m.run(&r.size, &r.des);
    EXPECT_EQ(des_check(r.des, r.size), 0) << m.name;
    EXPECT_EQ(r.des, before) << m.name << ": same array when nothing merges";
    EXPECT_TRUE(same_des(r.des, r.size, d.des, d.size)) << m.name;
    owned_des empty;
    m.run(&empty.size, &empty.des);
    EXPECT_EQ(empty.size, 0) << m.name;
    owned_des single;
    make_des(1, {{0, 4, 0}}, {}, &single);
    m.run(&single.size, &single.des);
    EXPECT_EQ(des_check(single.des, single.size), 0) << m.name;
    EXPECT_EQ(single.size, 1) << m.name;
    EXPECT_EQ(single.des[0].numelts, 1) << m.name;
  }
}

TEST(MinimizeSeparation, OutputMarkingAndMissingEventsKeepStatesApart) {
  // 1 and 2 differ only in output; 3 and 4 only in marking; 5 and 6 in a missing event deeper
  // down (5 --1--> 7 has event 3 out of 7, 6 --1--> 8 has nothing).
  owned_des d;
  make_des(9,
           {{0, 1, 1},
            {0, 3, 2},
            {0, 5, 3},
            {0, 7, 4},
            {0, 9, 5},
            {0, 11, 6},
            {5, 1, 7},
            {6, 1, 8},
            {7, 3, 7}},
           {4}, &d);
  d.des[1].vocal = 10;
  d.des[2].vocal = 11;
  for (const method &m : methods) {
    owned_des r;
    minimized_copy(m, d, &r);
    EXPECT_EQ(r.size, 8) << m.name << ": only the leaves 3 and 8 merge";
    EXPECT_TRUE(naive_equivalent(d.des, d.size, r.des, r.size)) << m.name;
  }
}

TEST(MinimizeProperties, MethodsAgreeAndResultIsEquivalentAndMinimal) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 300; round++) {
    random_des_options options;
    options.states = 1 + static_cast<int>(rng() % 12);
    options.vocal = round % 3 == 0;
    options.marked_fraction = round % 4 == 0 ? 0.0 : 0.4;
    options.max_out = 1 + static_cast<int>(rng() % 4);
    owned_des input;
    make_redundant_des(rng, options, 1 + static_cast<int>(rng() % 4), &input);
    owned_des by2, by1;
    minimized_copy(methods[0], input, &by2);
    minimized_copy(methods[1], input, &by1);
    ASSERT_TRUE(same_des(by2.des, by2.size, by1.des, by1.size)) << "round " << round;
    ASSERT_TRUE(naive_equivalent(input.des, input.size, by2.des, by2.size)) << "round " << round;
    std::vector<int> classes = naive_state_classes(by2.des, by2.size);
    for (state_t s = 0; s < by2.size; s++)
      ASSERT_EQ(classes[s], s) << "round " << round << ": two result states are equivalent";
    // Classes by smallest member: the reference classes of the input, in order, are the result.
    std::vector<int> input_classes = naive_state_classes(input.des, input.size);
    int expected = 0;
    for (int c : input_classes) expected = std::max(expected, c + 1);
    ASSERT_EQ(by2.size, expected) << "round " << round;
    for (state_t s = 0; s < input.size; s++)
      ASSERT_EQ(input.des[s].marked, by2.des[input_classes[s]].marked) << "round " << round;
  }
}

TEST(MinimizeProperties, DispatchFollowsMinflag) {
  std::mt19937 rng(77);
  random_des_options options;
  options.states = 10;
  owned_des input;
  make_redundant_des(rng, options, 3, &input);
  int saved = minflag;
  for (int flag : {0, 1}) {
    minflag = flag;
    owned_des r, expected;
    copy_des(input.des, input.size, &r);
    minimize(&r.size, &r.des);
    EXPECT_EQ(des_check(r.des, r.size), 0);
    minimized_copy(methods[flag == 0 ? 1 : 0], input, &expected);
    EXPECT_TRUE(same_des(r.des, r.size, expected.des, expected.size)) << "minflag " << flag;
  }
  minflag = saved;
}

TEST(MinimizeProperties, NondeterministicInputKeepsItsLanguages) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 200; round++) {
    random_des_options options;
    options.states = 2 + static_cast<int>(rng() % 8);
    options.events = {1, 2};
    options.deterministic = false;
    options.max_out = 4;
    owned_des input;
    make_redundant_des(rng, options, 2, &input);
    bounded_language expected = bounded_projected_language(input.des, input.size, 6, {});
    for (const method &m : methods) {
      owned_des r;
      minimized_copy(m, input, &r);
      ASSERT_LE(r.size, input.size);
      ASSERT_TRUE(bounded_projected_language(r.des, r.size, 6, {}) == expected)
          << m.name << " round " << round;
    }
  }
}

TEST(MinimizeProperties, NondeterministicSuccessorSetsAreCompared) {
  // 1 --1--> {3, 5} and 2 --1--> {3, 4}: 3 and 4 continue with event 2, 5 with event 3. States
  // 3..7 share one initial block, whose larger part {5, 6, 7} holds the only difference.
  owned_des d;
  make_des(9,
           {{0, 1, 1},
            {0, 4, 2},
            {1, 1, 3},
            {1, 1, 5},
            {2, 1, 3},
            {2, 1, 4},
            {3, 2, 8},
            {4, 2, 8},
            {5, 3, 8},
            {6, 3, 8},
            {7, 3, 8}},
           {}, &d);
  bounded_language expected = bounded_projected_language(d.des, d.size, 4, {});
  for (const method &m : methods) {
    owned_des r;
    minimized_copy(m, d, &r);
    EXPECT_TRUE(bounded_projected_language(r.des, r.size, 4, {}) == expected) << m.name;
  }
}

TEST(MinimizeFailure, AllocationFailureLeavesInputIntact) {
  std::mt19937 rng(99);
  random_des_options options;
  options.states = 12;
  owned_des input;
  make_redundant_des(rng, options, 3, &input);
  for (const method &m : methods) {
    owned_des expected;
    minimized_copy(m, input, &expected);
    bool completed = false;
    for (long k = 0; !completed && k < 5000; k++) {
      owned_des r;
      copy_des(input.des, input.size, &r);
      mem_result = 0;
      fail_allocation_after(k);
      m.run(&r.size, &r.des);
      fail_allocation_after(-1);
      ASSERT_EQ(des_check(r.des, r.size), 0) << m.name << " failing allocation " << k;
      if (mem_result) {
        EXPECT_TRUE(same_des(r.des, r.size, input.des, input.size)) << m.name << " at " << k;
      } else {
        EXPECT_TRUE(same_des(r.des, r.size, expected.des, expected.size)) << m.name;
        completed = true;
      }
    }
    EXPECT_TRUE(completed) << m.name;
    mem_result = 0;
  }
}

// Vocalize and Outconsis: worked examples, the recolouring cases that used to circulate, and
// random vocal DES against brute-force consistency and language walks.
#include "algo/output_consistency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/brute_lang.h"
#include "support/hier_ref.h"

namespace {

std::vector<int> outputs_of(const owned_des &d) {
  std::vector<int> out;
  for (state_t s = 0; s < d.size; s++)
    if (d.des[s].vocal) out.push_back(d.des[s].vocal);
  std::sort(out.begin(), out.end());
  return out;
}

void run_vocalize(owned_des *d, std::vector<quad> list) {
  quad *requests = nullptr;
  state_t count = 0;
  int added;
  for (const quad &q : list) {
    add_quad(q.a, q.b, q.c, q.d, &requests, count, &added);
    count += added;
  }
  mem_result = 0;
  vocalize_des(&d->size, &d->des, &requests, &count);
  free(requests);
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(d->des, d->size), 0);
}

// Runs Outconsis and checks the properties every result must have against the input.
void check_outcon(owned_des *d) {
  ref_des input = to_ref(d->des, d->size);
  mem_result = 0;
  outcon_des(&d->size, &d->des);
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(d->des, d->size), 0);
  ref_des result = to_ref(d->des, d->size);
  EXPECT_EQ(occ_violation(d->des, d->size), "");
  EXPECT_EQ(walk_difference(input, result, SAME_BASE), "");
  EXPECT_EQ(ref_reach(result).size(), result.size());  // all reachable
}

}  // namespace

TEST(Vocalize, OneCopyPerEntranceAndOutput) {
  // 0 -1-> 3 -5-> 7, 0 -2-> 4 -6-> 7, 7 -8-> 0.
  owned_des one, two, loop, other;
  make_des(8, {{0, 1, 3}, {0, 2, 4}, {3, 5, 7}, {4, 6, 7}, {7, 8, 0}}, {7}, &one);
  copy_des(one.des, one.size, &two);
  ref_des input = to_ref(one.des, one.size);
  run_vocalize(&one, {{3, 5, 7, 20}, {4, 6, 7, 20}});
  EXPECT_EQ(outputs_of(one), std::vector<int>({20}));
  EXPECT_EQ(walk_difference(input, to_ref(one.des, one.size), IGNORE_OUTPUTS), "");
  run_vocalize(&two, {{3, 5, 7, 20}, {4, 6, 7, 30}});
  EXPECT_EQ(outputs_of(two), std::vector<int>({20, 30}));
  EXPECT_EQ(two.size, 5);  // the original state 7 lost its entries and is gone
  // 0 -1-> 1 with a self-loop 1 -2-> 1; both entries into 1 ask for 40: no silent 1 remains.
  make_des(2, {{0, 1, 1}, {1, 2, 1}}, {}, &loop);
  run_vocalize(&loop, {{0, 1, 1, 40}, {1, 2, 1, 40}});
  ASSERT_EQ(loop.size, 2);
  EXPECT_EQ(loop.des[1].vocal, 40);
  EXPECT_EQ(loop.des[1].next[0].target(), 1);
  // Requests without their transition, or with an output out of range, are ignored.
  make_des(2, {{0, 1, 1}}, {}, &other);
  run_vocalize(&other, {{0, 3, 1, 20}, {5, 1, 1, 20}, {0, 1, 1, 7}});
  EXPECT_EQ(other.size, 2);
  EXPECT_TRUE(outputs_of(other).empty());
}

// Worked examples, and cases where colours used to circulate: a silent cycle 1 -2-> 4 -2-> 2 -2-> 1
// entered with colour 1 at 1 and colour 0 at 4, feeding vocal 3; a silent source 5 of both colours
// feeding a vocal state with a split sibling.
TEST(Outconsis, SplitsRecodesAndEnds) {
  struct {
    state_t states, marked;
    std::vector<transition_spec> moves;
    std::vector<std::pair<state_t, uint16_t>> outputs;
    std::vector<int> expected;  // outputs afterwards, sorted
  } cases[] = {
      // 3 (output 23) is entered by 0 -1-> 2 -2-> 3 (controllable) and by 0 -4-> 3: split.
      {4, 3, {{0, 1, 2}, {2, 2, 3}, {0, 4, 3}, {3, 6, 0}}, {{3, 231}}, {230, 231}},
      {2, 1, {{0, 2, 1}}, {{1, 231}}, {230}},  // recoded from the base output
      {5,
       3,
       {{0, 1, 1}, {0, 4, 4}, {1, 2, 4}, {4, 2, 2}, {2, 2, 1}, {2, 6, 3}, {3, 8, 2}},
       {{3, 20}},
       {}},
      {7,
       6,
       {{0, 1, 5}, {0, 2, 5}, {5, 4, 6}, {0, 3, 6}, {6, 2, 1}, {1, 4, 5}, {1, 1, 6}},
       {{6, 30}, {1, 40}},
       {}},
  };
  for (const auto &c : cases) {
    owned_des d;
    make_des(c.states, c.moves, {c.marked}, &d);
    for (auto [s, w] : c.outputs) set_output(&d.des[s], w);
    check_outcon(&d);
    EXPECT_TRUE(c.expected.empty() || outputs_of(d) == c.expected);
  }
  owned_des none;
  outcon_des(&none.size, &none.des);
  EXPECT_EQ(none.size, 0);
}

TEST(Outconsis, RandomVocalDesAreConsistentAndKeepTheirLanguage) {
  std::mt19937 rng(91);
  for (int round = 0; round < 400; round++) {
    owned_des d, again;
    make_random_vocal(rng, 2 + round % 11, 3, &d);
    SCOPED_TRACE(round);
    check_outcon(&d);
    copy_des(d.des, d.size, &again);
    outcon_des(&again.size, &again.des);
    EXPECT_TRUE(same_des(d.des, d.size, again.des, again.size));  // coding twice is safe
  }
}

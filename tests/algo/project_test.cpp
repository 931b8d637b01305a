// Natural projection: subset numbering, staging, languages against enumeration, subset limit.
#include "algo/project.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "algo/compare.h"
#include "support/brute_lang.h"
#include "support/reference.h"

namespace {

void run_project(void (*project)(state_t *, state_node **, uint16_t, const event_t *), owned_des *d,
                 std::vector<event_t> nulls) {
  mem_result = 0;
  project(&d->size, &d->des, static_cast<uint16_t>(nulls.size()), nulls.data());
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(d->des, d->size), 0);
}

}  // namespace

TEST(Project, SubsetsAreNumberedBreadthFirstByEvent) {
  // Erasing 9: the closure of 0 is {0, 1} (a cycle of erased events). Its successors: event 2
  // -> {3}, event 4 -> {2, 4, 5}, so {3} is subset 1 and {2, 4, 5} subset 2; {3} --6--> {5} is 3.
  owned_des d;
  make_des(6, {{0, 9, 1}, {1, 9, 0}, {0, 4, 2}, {1, 2, 3}, {1, 4, 4}, {3, 6, 5}, {2, 9, 5}}, {5},
           &d);
  d.des[0].vocal = 12;
  run_project(project1, &d, {9});
  ref_des expected{
      {{{2, 1}, {4, 2}}, {{6, 3}}, {}, {}}, {false, false, true, true}, {0, 0, 0, 0}, {}};
  EXPECT_EQ(diff_des(expected, d.des, d.size), "");
}

TEST(Project, ProjectedLanguagesMatchEnumeration) {
  std::mt19937 rng(1207);
  const std::vector<event_t> pool = {0, 1, 2, 3, 4};
  for (int round = 0; round < 250; round++) {
    random_des_options options{1 + state_t(rng() % 10), pool,          1 + int(rng() % 4), 0.3,
                               round % 2 == 0,          round % 3 == 0};
    owned_des input, by1, by0;
    make_random_des(rng, options, &input);
    std::vector<event_t> nulls;
    for (event_t e : pool)
      if (rng() % 3 == 0) nulls.push_back(e);
    std::set<event_t> erased(nulls.begin(), nulls.end());
    bounded_language expected = bounded_projected_language(input.des, input.size, 4, erased);
    std::vector<event_t> used = ref_alphabet(to_ref(input.des, input.size));
    bool erases = std::any_of(used.begin(), used.end(), [&](event_t e) { return erased.count(e); });

    copy_des(input.des, input.size, &by1);
    state_node *before = by1.des;
    run_project(project1, &by1, nulls);
    ASSERT_TRUE(bounded_projected_language(by1.des, by1.size, 4, {}) == expected) << round;
    if (!erases) {
      ASSERT_EQ(by1.des, before) << round;
      ASSERT_TRUE(same_des(by1.des, by1.size, input.des, input.size)) << round;
    } else {
      ASSERT_TRUE(checkdet(by1.size, by1.des) == 1) << round;
      for (state_t s = 0; s < by1.size; s++) ASSERT_EQ(by1.des[s].vocal, 0) << round;
    }
    copy_des(input.des, input.size, &by0);
    run_project(project0, &by0, nulls);
    ASSERT_TRUE(bounded_projected_language(by0.des, by0.size, 4, {}) == expected) << round;
    if (erases || options.deterministic) {
      ASSERT_TRUE(checkdet(by0.size, by0.des) == 1) << round;
    }
    std::vector<int> classes = naive_state_classes(by0.des, by0.size);
    for (state_t s = 0; s < by0.size; s++) ASSERT_EQ(classes[s], s) << round;
  }
}

TEST(Project, MoreSubsetsThanADesCanHoldIsTooLarge) {
  // With n = MAX_STATES: 0 --9--> 1 erased, 0 --3--> 1, the chain 1 -1-> 2 -1-> ... -1-> n-1 and
  // 0 --2--> {n-2, n-1}: the subsets {0, 1}, {2}, {1}, {n-2, n-1}, {3} .. {n-1} are one too many.
  std::vector<transition_spec> edges = {
      {0, 9, 1}, {0, 3, 1}, {0, 2, MAX_STATES - 2}, {0, 2, MAX_STATES - 1}};
  for (state_t s = 1; s + 1 < MAX_STATES; s++) edges.push_back({s, 1, s + 1});
  owned_des d;
  make_des(MAX_STATES, edges, {MAX_STATES - 1}, &d);
  const event_t nulls[] = {9};
  mem_result = 0;
  project1(&d.size, &d.des, 1, nulls);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(des_check(d.des, d.size), 0);
  ASSERT_EQ(d.size, MAX_STATES);
  EXPECT_EQ(d.des[0].numelts, 4) << "the DES is left untouched";
  mem_result = 0;
}

// Higen and Convert: languages against the relabelled DES, minimality, duplicate repair and the
// two label overflows.
#include "algo/higen.h"

#include <gtest/gtest.h>

#include <random>

#include "algo/des_proc.h"
#include "algo/minm.h"
#include "algo/outcon.h"
#include "algo/project.h"
#include "support/brute_lang.h"
#include "support/hier_ref.h"

namespace {

struct null_list {
  event_t *events = nullptr;
  uint16_t count = 0;
  ~null_list() { free(events); }
};

// Higen with the projection and minimization the compute process adds.
int run_higen(owned_des *d, uint16_t *nulls_listed = nullptr) {
  null_list nulls;
  mem_result = 0;
  int status = higen_des(&d->size, &d->des, &nulls.events, &nulls.count);
  if (status != RELABEL_OK) return status;
  if (nulls_listed) *nulls_listed = nulls.count;
  if (nulls.count) project1(&d->size, &d->des, nulls.count, nulls.events);
  if (nulls.count == 0 || d->size > 1) {
    reach(&d->size, &d->des);
    minimize(&d->size, &d->des);
  }
  EXPECT_EQ(mem_result, 0);
  EXPECT_EQ(des_check(d->des, d->size), 0);
  return status;
}

// Convert with the projection the compute process adds; the result replaces d.
int run_convert(owned_des *d, std::vector<std::pair<int, int>> list) {
  state_pair *pairs = nullptr;
  state_t count = 0;
  int added;
  for (auto [from, to] : list) {
    addstatepair(from, to, &pairs, count, &added);
    count += added;
  }
  null_list nulls;
  owned_des out;
  int done = 0;
  mem_result = 0;
  int status = eventmap_des(d->des, d->size, &out.des, &out.size, pairs, count, &nulls.events,
                            &nulls.count, &done);
  free(pairs);
  if (status != RELABEL_OK) return status;
  EXPECT_EQ(done, 1);
  if (nulls.count) project0(&out.size, &out.des, nulls.count, nulls.events);
  EXPECT_EQ(des_check(out.des, out.size), 0);
  std::swap(d->size, out.size);
  std::swap(d->des, out.des);
  return status;
}

}  // namespace

TEST(Higen, WithoutVocalStatesOneStateRemains) {
  owned_des d;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 3, 0}}, {0}, &d);
  ASSERT_EQ(run_higen(&d), RELABEL_OK);
  EXPECT_EQ(d.size, 1);
  EXPECT_EQ(d.des[0].numelts, 0);
}

TEST(Higen, TwoTargetsOfOneOutputGoThroughAFreshLabel) {
  owned_des d;
  make_des(3, {{0, 1, 1}, {0, 3, 2}, {1, 2, 0}}, {1}, &d);
  d.des[1].vocal = d.des[2].vocal = 20;
  uint16_t listed = 0;
  ASSERT_EQ(run_higen(&d, &listed), RELABEL_OK);
  EXPECT_EQ(listed, 2);  // 0 and the fresh label
  ASSERT_EQ(d.size, 2);
  EXPECT_EQ(d.des[0].numelts, 1);
  EXPECT_EQ(d.des[0].next[0].event(), 20);
}

TEST(Higen, RandomResultIsTheMinimalProjectionOfEntranceOutputs) {
  std::mt19937 rng(23);
  for (int round = 0; round < 300; round++) {
    owned_des d;
    make_random_vocal(rng, 2 + round % 9, 3, &d);
    ref_des labelled = ref_entrance_labelled(to_ref(d.des, d.size));
    owned_des reference;
    from_ref(labelled, &reference);
    SCOPED_TRACE(round);
    ASSERT_EQ(run_higen(&d), RELABEL_OK);
    EXPECT_TRUE(bounded_projected_language(d.des, d.size, 5, {}) ==
                bounded_projected_language(reference.des, reference.size, 5, {0}));
    std::vector<int> classes = naive_state_classes(d.des, d.size);
    EXPECT_EQ(std::set<int>(classes.begin(), classes.end()).size(), static_cast<size_t>(d.size));
  }
}

TEST(Higen, ContractingNullCyclesLeavesTheProjectionAsItIs) {
  std::mt19937 rng(31);
  random_des_options options;
  options.events = {0, 0, 0, 1, 2};
  options.deterministic = false;
  for (int round = 0; round < 200; round++) {
    options.states = 2 + round % 9;
    owned_des d, contracted;
    make_random_des(rng, options, &d);
    copy_des(d.des, d.size, &contracted);
    contract_null_cycles(&contracted.size, &contracted.des);
    ASSERT_EQ(des_check(contracted.des, contracted.size), 0);
    const event_t null[] = {0};
    project1(&d.size, &d.des, 1, null);
    project1(&contracted.size, &contracted.des, 1, null);
    EXPECT_TRUE(same_des(d.des, d.size, contracted.des, contracted.size)) << round;
  }
}

TEST(Higen, TooManyEventsForTheOutputsOverflows) {
  // 950 events on state 0 and 60 coded outputs: renumbering around the outputs passes 1000.
  std::vector<transition_spec> moves;
  for (int e = 0; e < 950; e++) moves.push_back({0, static_cast<event_t>(e), 0});
  for (state_t s = 1; s <= 60; s++) moves.push_back({s - 1, 951, s});
  owned_des d;
  make_des(61, moves, {}, &d);
  for (state_t s = 1; s <= 60; s++) set_output(&d.des[s], static_cast<unsigned>(100 + 10 * s));
  EXPECT_EQ(run_higen(&d), RELABEL_REMAP_OVERFLOW);
  EXPECT_STREQ(relabel_overflow_message(RELABEL_REMAP_OVERFLOW),
               "Excessed maximum - re-map events has fail");
}

TEST(Convert, MergedLabelsCollapseOrSplit) {
  owned_des same, apart;
  make_des(4, {{0, 5, 2}, {0, 6, 2}, {2, 1, 0}}, {2}, &same);
  ASSERT_EQ(run_convert(&same, {{5, 7}, {6, 7}}), RELABEL_OK);
  ASSERT_EQ(same.des[0].numelts, 1);
  EXPECT_EQ(same.des[0].next[0].event(), 7);
  make_des(4, {{0, 5, 2}, {0, 6, 3}, {2, 1, 0}, {3, 2, 0}}, {2}, &apart);
  ref_des expected = ref_relabelled(to_ref(apart.des, apart.size), {{5, 7}, {6, 7}});
  owned_des ref;
  from_ref(expected, &ref);
  ASSERT_EQ(run_convert(&apart, {{5, 7}, {6, 7}}), RELABEL_OK);
  EXPECT_TRUE(bounded_projected_language(apart.des, apart.size, 6, {}) ==
              bounded_projected_language(ref.des, ref.size, 6, {}));
  EXPECT_EQ(apart.des[0].numelts, 1);  // projection made it deterministic again
}

TEST(Convert, EmptyListCopiesAndRandomListsRelabel) {
  std::mt19937 rng(8);
  owned_des d, copy;
  make_random_vocal(rng, 7, 3, &d);
  copy_des(d.des, d.size, &copy);
  ASSERT_EQ(run_convert(&d, {}), RELABEL_OK);
  EXPECT_TRUE(same_des(d.des, d.size, copy.des, copy.size));
  std::uniform_int_distribution<int> label(0, 5);
  for (int round = 0; round < 200; round++) {
    owned_des g;
    make_random_vocal(rng, 2 + round % 8, 3, &g);
    std::vector<std::pair<int, int>> list = {{label(rng), label(rng)}, {label(rng), label(rng)}};
    std::sort(list.begin(), list.end());
    owned_des ref;
    from_ref(ref_relabelled(to_ref(g.des, g.size), list), &ref);
    SCOPED_TRACE(round);
    ASSERT_EQ(run_convert(&g, list), RELABEL_OK);
    EXPECT_TRUE(bounded_projected_language(g.des, g.size, 5, {}) ==
                bounded_projected_language(ref.des, ref.size, 5, {}));
  }
}

TEST(Convert, TooManyDuplicatesRunOutOfFreshLabels) {
  std::vector<transition_spec> moves;
  for (state_t t = 1; t <= 1100; t++) moves.push_back({0, 1, t});
  owned_des d;
  make_des(1101, moves, {}, &d);
  EXPECT_EQ(run_convert(&d, {}), RELABEL_FIX_OVERFLOW);
  auto lines = progress_lines_of([&] {
    owned_des small;
    make_des(3, {{0, 1, 1}, {0, 1, 2}}, {}, &small);
    run_convert(&small, {});
  });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "FIX_SEMI: 0 3");
}

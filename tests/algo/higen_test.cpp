// Higen and Convert: languages against the relabelled DES, minimality, duplicate repair and the
// two label overflows.
#include "algo/higen.h"

#include <gtest/gtest.h>

#include <random>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/minimize.h"
#include "algo/output_consistency.h"
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
int run_higen(owned_des *d) {
  null_list nulls;
  mem_result = 0;
  int status = higen_des(&d->size, &d->des, &nulls.events, &nulls.count);
  if (status != RELABEL_OK) return status;
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

TEST(Higen, TooManyEventsForTheOutputsOverflows) {
  // 950 events on state 0 and 60 coded outputs: renumbering around the outputs passes 1000.
  std::vector<transition_spec> moves;
  for (int e = 0; e < 950; e++) moves.push_back({0, static_cast<event_t>(e), 0});
  for (state_t s = 1; s <= 60; s++) moves.push_back({s - 1, 951, s});
  owned_des d;
  make_des(61, moves, {}, &d);
  for (state_t s = 1; s <= 60; s++) set_output(&d.des[s], static_cast<unsigned>(100 + 10 * s));
  EXPECT_EQ(run_higen(&d), RELABEL_REMAP_OVERFLOW);
}

// Every 50th list is empty, which copies the DES exactly.
TEST(Convert, EmptyListCopiesAndRandomListsRelabel) {
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> label(0, 5);
  for (int round = 0; round < 200; round++) {
    owned_des g;
    make_random_vocal(rng, 2 + round % 8, 3, &g);
    std::vector<std::pair<int, int>> list = {{label(rng), label(rng)}, {label(rng), label(rng)}};
    if (round % 50 == 7) list.clear();
    std::sort(list.begin(), list.end());
    owned_des ref;
    from_ref(ref_relabelled(to_ref(g.des, g.size), list), &ref);
    SCOPED_TRACE(round);
    ASSERT_EQ(run_convert(&g, list), RELABEL_OK);
    EXPECT_TRUE(bounded_projected_language(g.des, g.size, 5, {}) ==
                bounded_projected_language(ref.des, ref.size, 5, {}));
    EXPECT_EQ(checkdet(g.size, g.des), 1);  // merged labels made deterministic again
    EXPECT_TRUE(!list.empty() || same_des(g.des, g.size, ref.des, ref.size));
  }
}

TEST(Convert, TooManyDuplicatesRunOutOfFreshLabels) {
  std::vector<transition_spec> moves;
  for (state_t t = 1; t <= 1100; t++) moves.push_back({0, 1, t});
  owned_des d;
  make_des(1101, moves, {}, &d);
  EXPECT_EQ(run_convert(&d, {}), RELABEL_FIX_OVERFLOW);
}

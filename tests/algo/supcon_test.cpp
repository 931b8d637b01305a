// Supremal controllable sublanguage and control data.
#include "algo/supcon.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

// The meet of two DES with its pair codes; supcon() turns it into the supremal controllable
// sublanguage as the compute engine does: the fixed point on the untrimmed meet.
struct meet_of {
  owned_des des;
  pair_code_t *codes = nullptr;
  meet_of(owned_des &a, owned_des &b) {
    meet2(a.size, a.des, b.size, b.des, &des.size, &des.des, nullptr, &codes);
  }
  ~meet_of() { free(codes); }
  void supcon(owned_des &plant) {
    shave1(plant.size, plant.des, &des.size, &des.des, codes);
    EXPECT_EQ(des_check(des.des, des.size), 0);
  }
};

// Control data of `sup` by condat1 must match the reference and be judged controllable exactly
// when no uncontrollable (even) event is disabled. Returns that verdict.
int check_condat(owned_des &plant, owned_des &sup) {
  meet_of m(plant, sup);
  owned_des dat;
  condat1(plant.des, plant.size, sup.size, m.des.size, m.des.des, &dat.size, &dat.des, m.codes);
  EXPECT_EQ(des_check(dat.des, dat.size), 0);
  auto expected = ref_condat(to_ref(plant.des, plant.size), to_ref(sup.des, sup.size));
  int controllable = 1;
  std::vector<std::vector<std::pair<event_t, state_t>>> lists(expected.size());
  for (size_t y = 0; y < expected.size(); y++)
    for (event_t e : expected[y]) lists[y].emplace_back(e, 0), controllable &= e % 2;
  EXPECT_EQ(to_ref(dat.des, dat.size).out, lists);
  EXPECT_EQ(compute_controllable(dat.des, dat.size), controllable);
  return controllable;
}

}  // namespace

TEST(SupconProperty, RandomProblemsMatchReferenceWithControlData) {
  std::mt19937 rng(31337);
  random_des_options po{2, {0, 1, 2, 3, 4, 5}, 4, 0.4}, so{1, {0, 1, 2, 3, 4, 5}, 5, 0.6};
  int nonempty = 0, uncontrollable_seen = 0;
  for (int round = 0; round < 400; round++) {
    SCOPED_TRACE(round);
    po.states = 2 + round % 8;
    so.states = 1 + round % 6;
    owned_des plant, spec;
    make_random_des(rng, po, &plant);
    make_random_des(rng, so, &spec);
    ref_des rp = to_ref(plant.des, plant.size), rs = to_ref(spec.des, spec.size);
    // The specification as a supervisor: control data of all kinds.
    uncontrollable_seen += !check_condat(plant, spec);
    meet_of r(plant, spec);
    r.supcon(plant);
    ref_des expected = ref_supcon(rp, rs);
    ASSERT_EQ(diff_des(expected, r.des.des, r.des.size), "");
    ASSERT_EQ(std::vector<pair_code_t>(r.codes, r.codes + r.des.size), expected.codes);
    EXPECT_TRUE(r.des.size > 0 || r.des.des == nullptr);
    if (r.des.size == 0) continue;
    nonempty++;
    // As a supervisor the result disables only controllable events.
    EXPECT_EQ(check_condat(plant, r.des), 1);
  }
  EXPECT_GT(nonempty, 30);
  EXPECT_GT(uncontrollable_seen, 30);
}

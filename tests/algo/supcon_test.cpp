// Supremal controllable sublanguage and control data.
#include "algo/supcon.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "model/mymalloc.h"
#include "model/progress.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

// Supcon as the compute engine runs it: meet, trim with the pair codes, then the fixed point.
struct supcon_result {
  owned_des des;
  pair_code_t *codes = nullptr;
  ~supcon_result() { free(codes); }
};

void supcon(owned_des &plant, owned_des &spec, supcon_result *r) {
  meet2(plant.size, plant.des, spec.size, spec.des, &r->des.size, &r->des.des, nullptr, &r->codes);
  trim2(&r->des.size, &r->des.des, r->codes);
  shave1(plant.size, plant.des, &r->des.size, &r->des.des, r->codes);
  ASSERT_EQ(des_check(r->des.des, r->des.size), 0);
}

// Control data as the compute engine builds it.
void condat(owned_des &plant, owned_des &sup, owned_des *dat) {
  state_t n;
  state_node *meet;
  pair_code_t *codes;
  meet2(plant.size, plant.des, sup.size, sup.des, &n, &meet, nullptr, &codes);
  condat1(plant.des, plant.size, sup.size, n, meet, &dat->size, &dat->des, codes);
  freedes(n, &meet);
  free(codes);
  ASSERT_EQ(des_check(dat->des, dat->size), 0);
}

std::vector<std::set<event_t>> disabled_sets(const owned_des &dat) {
  std::vector<std::set<event_t>> sets(dat.size);
  for (state_t y = 0; y < dat.size; y++)
    for (int j = 0; j < dat.des[y].numelts; j++) {
      EXPECT_EQ(dat.des[y].next[j].target(), 0);
      sets[y].insert(dat.des[y].next[j].event());
    }
  return sets;
}

std::vector<std::string> progress_seen;
void capture_progress(const char *line) {
  progress_seen.push_back(line);
}

// Strings of the closed language that can be extended by an uncontrollable event in the plant but
// not in the candidate: empty exactly when the candidate is controllable (up to the bound).
std::vector<word> controllability_violations(const ref_des &plant, const ref_des &candidate,
                                             int max_len) {
  std::set<word> closed_plant = ref_closed_language(plant, max_len + 1);
  std::set<word> closed = ref_closed_language(candidate, max_len + 1);
  std::vector<word> bad;
  for (const word &w : closed) {
    if (static_cast<int>(w.size()) > max_len) continue;
    for (event_t e : ref_alphabet(plant)) {
      if (e % 2 != 0) continue;
      word longer = w;
      longer.push_back(e);
      if (closed_plant.count(longer) && !closed.count(longer)) bad.push_back(longer);
    }
  }
  return bad;
}

}  // namespace

TEST(Supcon, SpecificationAllowingEverythingGivesTheTrimPlant) {
  owned_des plant, spec, trimmed;
  make_des(4, {{0, 1, 1}, {1, 2, 0}, {1, 4, 2}, {2, 3, 3}}, {0, 3}, &plant);
  copy_des(plant.des, plant.size, &spec);
  copy_des(plant.des, plant.size, &trimmed);
  trim1(&trimmed.size, &trimmed.des);
  supcon_result r;
  supcon(plant, spec, &r);
  ASSERT_EQ(r.des.size, trimmed.size);
  EXPECT_EQ(ref_marked_language(to_ref(r.des.des, r.des.size), 8),
            ref_marked_language(to_ref(trimmed.des, trimmed.size), 8));
}

TEST(Supcon, UncontrollableEventDisabledAtTheStartGivesEmptyResult) {
  owned_des plant, spec;
  make_des(2, {{0, 2, 1}, {0, 1, 1}, {1, 3, 0}}, {0}, &plant);
  make_des(2, {{0, 1, 1}, {1, 3, 0}}, {0}, &spec);  // forbids the uncontrollable 2
  supcon_result r;
  supcon(plant, spec, &r);
  EXPECT_EQ(r.des.size, 0);
  EXPECT_EQ(r.des.des, nullptr);
}

TEST(Supcon, BadnessPropagatesBackAlongUncontrollableChainsAndCutsAtControllableEvents) {
  // Plant: 0 -1-> 1 -2-> 2 -4-> 3 -6-> 4 -3-> 0, and 0 -5-> 5 -3-> 0; every state marked. The
  // specification forbids 6 at its copy of plant state 3, so the joint states of plant states
  // 3, 2 and 1 become bad in turn (one pass each when judged in numbering order) and the
  // controllable 1 is disabled at 0.
  owned_des plant, spec;
  make_des(6, {{0, 1, 1}, {1, 2, 2}, {2, 4, 3}, {3, 6, 4}, {4, 3, 0}, {0, 5, 5}, {5, 3, 0}},
           {0, 1, 2, 3, 4, 5}, &plant);
  make_des(6, {{0, 1, 1}, {1, 2, 2}, {2, 4, 3}, {0, 5, 5}, {5, 3, 0}}, {0, 1, 2, 3, 4, 5}, &spec);
  supcon_result r;
  supcon(plant, spec, &r);
  ref_des expected;
  expected.out = {{{5, 1}}, {{3, 0}}};
  expected.marked = {true, true};
  expected.vocal = {0, 0};
  EXPECT_EQ(diff_des(expected, r.des.des, r.des.size), "");
  EXPECT_EQ(pair_first(r.codes[1], plant.size), 5);
}

TEST(Supcon, StateBlockedByARemovedBadStateIsRemovedToo) {
  // Plant: 0 -1-> 1 -3-> 2 -2-> 0 and 1 -5-> 3 -2-> 4 -1-> 2, marked 2 and 3. The specification
  // forbids the uncontrollable 2 at its copy of plant state 3 but allows it at 2. Joint state
  // (3, 3) is bad; (1, 1) keeps its path through (2, 2) and survives.
  owned_des plant, spec;
  make_des(5, {{0, 1, 1}, {1, 3, 2}, {2, 2, 0}, {1, 5, 3}, {3, 2, 4}, {4, 1, 2}}, {2, 3}, &plant);
  make_des(4, {{0, 1, 1}, {1, 3, 2}, {2, 2, 0}, {1, 5, 3}}, {2, 3}, &spec);
  supcon_result r;
  supcon(plant, spec, &r);
  ASSERT_EQ(r.des.size, 3);
  for (state_t k = 0; k < r.des.size; k++) EXPECT_NE(pair_first(r.codes[k], plant.size), 3);
  // (1, 1) reaches a marker state only through the bad (2, 2): it becomes blocking and goes too.
  owned_des plant2, spec2;
  make_des(4, {{0, 1, 1}, {1, 1, 2}, {2, 2, 3}, {0, 3, 3}}, {2, 3}, &plant2);
  make_des(4, {{0, 1, 1}, {1, 1, 2}, {0, 3, 3}}, {2, 3}, &spec2);
  supcon_result r2;
  supcon(plant2, spec2, &r2);
  ref_des expected;
  expected.out = {{{3, 1}}, {}};
  expected.marked = {false, true};
  expected.vocal = {0, 0};
  EXPECT_EQ(diff_des(expected, r2.des.des, r2.des.size), "");
}

TEST(Supcon, ReportsOneProgressLinePerRound) {
  owned_des plant, spec;
  make_des(2, {{0, 1, 1}, {1, 2, 0}}, {0, 1}, &plant);
  make_des(2, {{0, 1, 1}}, {0, 1}, &spec);
  progress_seen.clear();
  set_progress_sink(capture_progress);
  debug_mode = 1;
  supcon_result r;
  supcon(plant, spec, &r);
  debug_mode = 0;
  set_progress_sink(nullptr);
  std::vector<std::string> shave_lines;
  for (const std::string &line : progress_seen)
    if (line.rfind("SHAVE1 ", 0) == 0) shave_lines.push_back(line);
  ASSERT_EQ(shave_lines.size(), 1u);
  EXPECT_EQ(shave_lines[0], "SHAVE1 2 2");
  EXPECT_EQ(r.des.size, 1);
}

TEST(Supcon, EmptyInputGivesEmptyResult) {
  owned_des plant, spec;
  make_des(2, {{0, 1, 1}}, {1}, &plant);
  supcon_result r;
  supcon(plant, spec, &r);
  EXPECT_EQ(r.des.size, 0);
}

TEST(Supcon, AllocationFailureLeavesAFreeableDes) {
  std::mt19937 rng(8);
  random_des_options options;
  options.states = 25;
  options.marked_fraction = 0.5;
  int failures = 0;
  for (long fail_at = 0; fail_at < 10; fail_at++) {
    owned_des plant, spec;
    make_random_des(rng, options, &plant);
    copy_des(plant.des, plant.size, &spec);
    supcon_result r;
    meet2(plant.size, plant.des, spec.size, spec.des, &r.des.size, &r.des.des, nullptr, &r.codes);
    trim2(&r.des.size, &r.des.des, r.codes);
    mem_result = 0;
    fail_allocation_after(fail_at);
    shave1(plant.size, plant.des, &r.des.size, &r.des.des, r.codes);
    fail_allocation_after(-1);
    failures += mem_result;
    EXPECT_EQ(des_check(r.des.des, r.des.size), 0);
  }
  mem_result = 0;
  EXPECT_GE(failures, 5);
}

TEST(Condat, SupervisorThatDisablesNothingGivesEmptyLists) {
  owned_des plant, sup, dat;
  make_des(2, {{0, 1, 1}, {1, 2, 0}}, {0}, &plant);
  copy_des(plant.des, plant.size, &sup);
  condat(plant, sup, &dat);
  ASSERT_EQ(dat.size, 2);
  EXPECT_EQ(count_tran(dat.des, dat.size), 0);
  EXPECT_EQ(compute_controllable(dat.des, dat.size), 1);
}

TEST(Condat, ListsDisabledEventsPerSupervisorState) {
  // Plant allows 1, 2, 3 at 0; supervisor state 0 allows only 3, state 1 allows 1 and 2 but is
  // met with plant state 0 too; supervisor state 2 never occurs in the meet.
  owned_des plant, sup, dat;
  make_des(1, {{0, 1, 0}, {0, 2, 0}, {0, 3, 0}}, {0}, &plant);
  make_des(3, {{0, 3, 1}, {1, 1, 1}, {1, 2, 1}, {2, 5, 2}}, {0}, &sup);
  condat(plant, sup, &dat);
  ASSERT_EQ(dat.size, 3);
  std::vector<std::set<event_t>> sets = disabled_sets(dat);
  EXPECT_EQ(sets[0], (std::set<event_t>{1, 2}));
  EXPECT_EQ(sets[1], (std::set<event_t>{3}));
  EXPECT_TRUE(sets[2].empty());
  EXPECT_EQ(compute_controllable(dat.des, dat.size), 0);  // 2 is uncontrollable
}

TEST(Condat, SingleListMergeMatchesTheBulkConstruction) {
  owned_des plant, sup;
  make_des(2, {{0, 1, 1}, {0, 2, 0}, {0, 7, 1}, {1, 3, 0}}, {0}, &plant);
  make_des(1, {{0, 2, 0}}, {0}, &sup);
  owned_des d;
  d.size = 1;
  d.des = newdes(1);
  genlist(plant.des[0].numelts, plant.des[0].next, sup.des[0].numelts, sup.des[0].next, 0, d.des);
  genlist(plant.des[1].numelts, plant.des[1].next, 0, nullptr, 0, d.des);
  genlist(plant.des[0].numelts, plant.des[0].next, 0, nullptr, 0, d.des);
  ASSERT_EQ(des_check(d.des, d.size), 0);
  EXPECT_EQ(disabled_sets(d)[0], (std::set<event_t>{1, 2, 3, 7}));
}

TEST(Condat, AllocationFailureLeavesNoControlData) {
  std::mt19937 rng(12);
  random_des_options options;
  options.states = 20;
  owned_des plant, sup;
  make_random_des(rng, options, &plant);
  make_random_des(rng, options, &sup);
  state_t n;
  state_node *meet;
  pair_code_t *codes;
  meet2(plant.size, plant.des, sup.size, sup.des, &n, &meet, nullptr, &codes);
  int failures = 0;
  for (long fail_at = 0; fail_at < 6; fail_at++) {
    owned_des dat;
    mem_result = 0;
    fail_allocation_after(fail_at);
    condat1(plant.des, plant.size, sup.size, n, meet, &dat.size, &dat.des, codes);
    fail_allocation_after(-1);
    if (mem_result) {
      failures++;
      EXPECT_EQ(dat.des, nullptr);
    } else {
      EXPECT_EQ(des_check(dat.des, dat.size), 0);
    }
  }
  mem_result = 0;
  freedes(n, &meet);
  free(codes);
  EXPECT_GE(failures, 3);
}

TEST(SupconProperty, RandomProblemsMatchReferenceAndAreControllable) {
  std::mt19937 rng(31337);
  random_des_options po, so;
  po.events = {0, 1, 2, 3, 4, 5};
  po.max_out = 4;
  po.marked_fraction = 0.4;
  so = po;
  so.max_out = 5;
  so.marked_fraction = 0.6;
  int nonempty = 0;
  for (int round = 0; round < 400; round++) {
    po.states = 2 + round % 8;
    so.states = 1 + round % 6;
    owned_des plant, spec;
    make_random_des(rng, po, &plant);
    make_random_des(rng, so, &spec);
    ref_des rp = to_ref(plant.des, plant.size), rs = to_ref(spec.des, spec.size);
    supcon_result r;
    supcon(plant, spec, &r);
    ref_des expected = ref_supcon(rp, rs);
    ASSERT_EQ(diff_des(expected, r.des.des, r.des.size), "") << "round " << round;
    ASSERT_EQ(std::vector<pair_code_t>(r.codes, r.codes + r.des.size), expected.codes);
    if (r.des.size == 0) continue;
    nonempty++;
    ref_des got = to_ref(r.des.des, r.des.size);
    EXPECT_TRUE(controllability_violations(rp, got, 5).empty()) << "round " << round;
    std::set<word> mp = ref_marked_language(rp, 6), ms = ref_marked_language(rs, 6);
    for (const word &w : ref_marked_language(got, 6))
      EXPECT_TRUE(mp.count(w) && ms.count(w)) << "round " << round;
    EXPECT_EQ(diff_des(ref_trim(got), r.des.des, r.des.size), "") << "not trim, round " << round;

    // The result as a supervisor disables only controllable events; Condat matches its reference.
    owned_des sup, dat;
    copy_des(r.des.des, r.des.size, &sup);
    condat(plant, sup, &dat);
    EXPECT_EQ(compute_controllable(dat.des, dat.size), 1) << "round " << round;
    EXPECT_EQ(disabled_sets(dat), ref_condat(rp, to_ref(sup.des, sup.size)));
  }
  EXPECT_GT(nonempty, 30);
}

TEST(CondatProperty, RandomSupervisorsMatchReference) {
  std::mt19937 rng(2718);
  random_des_options po, so;
  po.events = {0, 1, 2, 3, 4, 5, 6, 7};
  so = po;
  for (int round = 0; round < 200; round++) {
    po.states = 1 + round % 7;
    so.states = 1 + round % 9;
    owned_des plant, sup, dat;
    make_random_des(rng, po, &plant);
    make_random_des(rng, so, &sup);
    ref_des rp = to_ref(plant.des, plant.size), rs = to_ref(sup.des, sup.size);
    condat(plant, sup, &dat);
    std::vector<std::set<event_t>> expected = ref_condat(rp, rs);
    ASSERT_EQ(disabled_sets(dat), expected) << "round " << round;
    bool any_uncontrollable = false;
    for (const auto &s : expected)
      for (event_t e : s) any_uncontrollable = any_uncontrollable || e % 2 == 0;
    EXPECT_EQ(compute_controllable(dat.des, dat.size), any_uncontrollable ? 0 : 1);
  }
}

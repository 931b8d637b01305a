// Complement, mutual exclusion, all-events DES and supremal closed sublanguage, checked on
// hand-made DES and against brute-force languages and fixpoints on seeded random DES.
#include "algo/transform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "algo/des_proc.h"
#include "model/mymalloc.h"
#include "support/random_des.h"
#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

const int kMaxLen = 5;

// Complement over the DES's events plus `aux`, followed by reach, as the procedure runs it.
void run_complement(owned_des *a, const std::vector<event_t> &aux) {
  complement1(&a->size, &a->des, static_cast<uint16_t>(aux.size()), aux.data());
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(a->des, a->size), 0);
  reach(&a->size, &a->des);
  ASSERT_EQ(des_check(a->des, a->size), 0);
}

// Sync of a and b (copies), mutex with the excluded pairs, then reach: the Mutex procedure.
void run_mutex(const owned_des &a, const owned_des &b,
               const std::vector<std::pair<state_t, state_t>> &excluded, owned_des *out) {
  owned_des a2, b2;
  copy_des(a.des, a.size, &a2);
  copy_des(b.des, b.size, &b2);
  state_pair *pairs = nullptr;
  state_t npairs = 0;
  for (const auto &p : excluded) {
    int added;
    addstatepair(p.first, p.second, &pairs, npairs, &added);
    npairs += added;
  }
  freedes(out->size, &out->des);
  product_index *index = nullptr;
  sync2(a2.size, a2.des, b2.size, b2.des, &out->size, &out->des, &index, nullptr);
  ASSERT_EQ(des_check(out->des, out->size), 0);
  mutex1(&out->size, &out->des, a2.size, b2.size, index, pairs, npairs);
  free_product_index(&index);
  free(pairs);
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(out->des, out->size), 0);
  reach(&out->size, &out->des);
  ASSERT_EQ(des_check(out->des, out->size), 0);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Event lists

TEST(EventLists, StateEventsAndDifference) {
  owned_des a;
  make_des(2, {{0, 4, 1}, {0, 4, 0}, {0, 1, 1}, {0, 9, 0}}, {}, &a);
  uint16_t count;
  event_t *events;
  genstatetran(0, a.des, &count, &events);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(std::vector<event_t>(events, events + count), (std::vector<event_t>{1, 4, 9}));
  free(events);
  genstatetran(1, a.des, &count, &events);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(events, nullptr);

  const event_t A[] = {1, 2, 4, 7, 9}, B[] = {0, 2, 3, 9, 11};
  event_t *diff;
  gendifflist(5, A, 5, B, &count, &diff);
  EXPECT_EQ(std::vector<event_t>(diff, diff + count), (std::vector<event_t>{1, 4, 7}));
  free(diff);
  gendifflist(5, A, 0, nullptr, &count, &diff);
  EXPECT_EQ(std::vector<event_t>(diff, diff + count), std::vector<event_t>(A, A + 5));
  free(diff);
  gendifflist(3, A, 5, A, &count, &diff);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(diff, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Complement

TEST(Complement, FullDesOnlyTogglesMarkings) {
  owned_des a;
  make_des(2, {{0, 1, 1}, {0, 2, 0}, {1, 1, 0}, {1, 2, 1}}, {1}, &a);
  a.des[1].vocal = 12;
  complement1(&a.size, &a.des, 0, nullptr);
  ASSERT_EQ(des_check(a.des, a.size), 0);
  ASSERT_EQ(a.size, 2);
  EXPECT_EQ(a.des[0].marked, 1);
  EXPECT_EQ(a.des[1].marked, 0);
  EXPECT_EQ(a.des[1].vocal, 12);
  EXPECT_EQ(a.des[0].numelts + a.des[1].numelts, 4);
}

TEST(Complement, EmptyDesBecomesDumpState) {
  owned_des a;
  const event_t aux[] = {3, 8};
  complement1(&a.size, &a.des, 2, aux);
  ASSERT_EQ(a.size, 1);
  ASSERT_EQ(des_check(a.des, a.size), 0);
  EXPECT_EQ(a.des[0].marked, 1);
  ref_des expected;
  expected.out = {{{3, 0}, {8, 0}}};
  expected.marked = {true};
  expected.vocal = {0};
  EXPECT_EQ(diff_des(expected, a.des, a.size), "");
}

TEST(Complement, UnusedAuxEventLeadsEveryStateToDump) {
  owned_des a;
  make_des(3, {{0, 1, 1}, {1, 1, 2}, {2, 1, 0}}, {0}, &a);
  const event_t aux[] = {6};
  complement1(&a.size, &a.des, 1, aux);
  ASSERT_EQ(des_check(a.des, a.size), 0);
  ASSERT_EQ(a.size, 4);
  for (state_t s = 0; s < 3; s++) {
    ASSERT_EQ(a.des[s].numelts, 2);
    EXPECT_EQ(a.des[s].next[1].event(), 6);
    EXPECT_EQ(a.des[s].next[1].target(), 3);
  }
  EXPECT_EQ(a.des[0].marked, 0);
  EXPECT_EQ(a.des[3].marked, 1);
  EXPECT_EQ(a.des[3].vocal, 0);
  EXPECT_EQ(a.des[3].numelts, 2) << "dump state has a selfloop on each of events 1 and 6";
}

// Over E = (events of G) + aux, the complement marks exactly the strings of E* that G does not
// mark, and complementing twice over the same E gives back G's marked language.
TEST(Complement, MarkedLanguageIsComplementedAndRestored) {
  std::mt19937 rng(41);
  for (int round = 0; round < 120; round++) {
    random_des_options options;
    options.states = 1 + static_cast<state_t>(rng() % 6);
    options.events = {0, 1, 2};
    options.max_out = 2;
    owned_des a;
    make_random_des(rng, options, &a);
    std::vector<event_t> aux;
    if (round % 3 == 0) aux.push_back(5);
    ref_des original = to_ref(a.des, a.size);
    std::vector<event_t> E = ref_alphabet(original);
    if (!aux.empty()) E.push_back(5);

    run_complement(&a, aux);
    std::set<word> all = all_words(E, kMaxLen), lm = ref_marked_language(original, kMaxLen);
    std::set<word> expected;
    for (const word &w : all)
      if (!lm.count(w)) expected.insert(w);
    EXPECT_EQ(ref_marked_language(to_ref(a.des, a.size), kMaxLen), expected) << round;
    EXPECT_EQ(ref_closed_language(to_ref(a.des, a.size), kMaxLen), all) << round;

    run_complement(&a, E);
    EXPECT_EQ(ref_marked_language(to_ref(a.des, a.size), kMaxLen), lm) << round;
  }
}

TEST(Complement, AllocationFailureIsReportedWithoutCrash) {
  for (long after = 0; after < 24; after++) {
    owned_des a;
    if (after % 2 == 0) make_des(3, {{0, 1, 1}, {1, 2, 2}}, {2}, &a);
    const event_t aux[] = {4};
    mem_result = 0;
    fail_allocation_after(after / 2);
    complement1(&a.size, &a.des, 1, aux);
    fail_allocation_after(-1);
    if (!mem_result) {
      EXPECT_EQ(des_check(a.des, a.size), 0) << after;
    }
  }
  mem_result = 0;
}

// A dump state beyond the largest state count would get a number no transition can hold.
TEST(Complement, NoDumpStateBeyondTheStateRange) {
  owned_des a;
  a.size = MAX_STATES;
  a.des = newdes(a.size);
  ASSERT_NE(a.des, nullptr);
  const event_t aux[] = {1};
  mem_result = 0;
  complement1(&a.size, &a.des, 1, aux);
  EXPECT_EQ(mem_result, 1);
  EXPECT_EQ(a.size, MAX_STATES);
  mem_result = 0;
}

// ---------------------------------------------------------------------------------------------
// Mutex

TEST(Mutex, AbsentOrOutOfRangePairsLeaveTheProduct) {
  owned_des a, b, product, out;
  make_des(3, {{0, 1, 1}, {1, 3, 0}}, {0}, &a);  // state 2 unreachable
  make_des(2, {{0, 2, 1}, {1, 4, 0}}, {0}, &b);
  run_mutex(a, b, {}, &product);
  run_mutex(a, b, {{2, 0}, {2, 1}, {5, 0}, {0, 9}, {-1, 0}}, &out);
  EXPECT_EQ(diff_des(to_ref(product.des, product.size), out.des, out.size), "");
  EXPECT_EQ(out.size, 4);
}

TEST(Mutex, ExcludedInitialPairEmptiesResult) {
  owned_des a, b, out;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  make_des(2, {{0, 3, 1}}, {1}, &b);
  run_mutex(a, b, {{0, 0}}, &out);
  EXPECT_EQ(out.size, 0);
  EXPECT_EQ(out.des, nullptr);
}

TEST(Mutex, UncontrollablePathIntoExcludedPairEmptiesResult) {
  owned_des a, b, out;
  make_des(3, {{0, 2, 1}, {1, 4, 2}}, {2}, &a);
  make_des(1, {{0, 6, 0}}, {0}, &b);
  run_mutex(a, b, {{2, 0}}, &out);
  EXPECT_EQ(out.size, 0);
}

TEST(Mutex, ControllableEventIsDisabledAndItsSourceKept) {
  owned_des a, b, out;
  // a: 0 -1-> 1 (controllable) -2-> 2, b: one state; excluding (1, 0) cuts event 1 at state 0.
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {0, 4, 2}}, {2}, &a);
  make_des(1, {}, {0}, &b);
  run_mutex(a, b, {{1, 0}}, &out);
  ref_des expected;
  expected.out = {{{4, 1}}, {}};
  expected.marked = {false, true};
  expected.vocal = {0, 0};
  EXPECT_EQ(diff_des(expected, out.des, out.size), "");
}

// The result equals the fixpoint reference: the sync without the excluded pairs and the states
// that reach them by uncontrollable events, then its reachable part.
TEST(Mutex, AgreesWithFixpointReferenceOnRandomPairs) {
  std::mt19937 rng(51);
  int emptied = 0, shrunk = 0;
  for (int round = 0; round < 200; round++) {
    random_des_options options;
    options.states = 1 + static_cast<state_t>(rng() % 5);
    options.events = {0, 1, 2, 3, 5};
    owned_des a, b, out;
    make_random_des(rng, options, &a);
    options.events = {1, 2, 4, 6, 7};
    make_random_des(rng, options, &b);
    std::vector<std::pair<state_t, state_t>> excluded;
    for (int p = 0, np = static_cast<int>(rng() % 4); p < np; p++)
      excluded.push_back(
          {static_cast<state_t>(rng() % a.size), static_cast<state_t>(rng() % b.size)});
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    ref_des expected = ref_mutex(ra, rb, excluded);
    run_mutex(a, b, excluded, &out);
    EXPECT_EQ(diff_des(expected, out.des, out.size), "") << "round " << round;
    emptied += out.size == 0 ? 1 : 0;
    shrunk += out.size > 0 && out.size < ref_reach(ref_sync(ra, rb)).size() ? 1 : 0;
  }
  EXPECT_GT(emptied, 5);
  EXPECT_GT(shrunk, 20);
}

TEST(Mutex, AllocationFailureIsReportedWithoutCrash) {
  owned_des a, b;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 4, 0}}, {0}, &a);
  make_des(2, {{0, 3, 1}, {1, 6, 0}}, {0}, &b);
  for (long after = 0; after < 20; after++) {
    owned_des a2, b2, out;
    copy_des(a.des, a.size, &a2);
    copy_des(b.des, b.size, &b2);
    product_index *index = nullptr;
    sync2(a2.size, a2.des, b2.size, b2.des, &out.size, &out.des, &index, nullptr);
    ASSERT_EQ(mem_result, 0);
    const state_pair pairs[] = {{2, 1}};
    mem_result = 0;
    fail_allocation_after(after);
    mutex1(&out.size, &out.des, a2.size, b2.size, index, pairs, 1);
    fail_allocation_after(-1);
    free_product_index(&index);
    if (!mem_result) {
      EXPECT_EQ(des_check(out.des, out.size), 0) << after;
    }
    mem_result = 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Allevents

TEST(Allevents, OneMarkedStateWithEveryEvent) {
  owned_des a, out;
  make_des(3, {{0, 7, 1}, {1, 2, 2}, {2, 7, 0}, {2, 0, 2}}, {}, &a);
  ref_des before = to_ref(a.des, a.size);
  allevent_des(&a.des, &a.size, &out.des, &out.size);
  ASSERT_EQ(des_check(out.des, out.size), 0);
  ref_des expected;
  expected.out = {{{0, 0}, {2, 0}, {7, 0}}};
  expected.marked = {true};
  expected.vocal = {0};
  EXPECT_EQ(diff_des(expected, out.des, out.size), "");
  EXPECT_EQ(diff_des(before, a.des, a.size), "");
}

TEST(Allevents, EmptyDesLeavesOutputUntouched) {
  owned_des a, out;
  allevent_des(&a.des, &a.size, &out.des, &out.size);
  EXPECT_EQ(out.size, 0);
  EXPECT_EQ(out.des, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Supclo

TEST(Supclo, AllMarkedIsReturnedUntrimmed) {
  owned_des a, out;
  make_des(3, {{0, 1, 1}, {2, 3, 0}}, {0, 1, 2}, &a);  // state 2 unreachable
  state_node *array = a.des;
  supclo_des(&a.des, &a.size, &out.des, &out.size);
  EXPECT_EQ(a.size, 0);
  EXPECT_EQ(a.des, nullptr);
  EXPECT_EQ(out.des, array);
  EXPECT_EQ(out.size, 3);
  EXPECT_EQ(des_check(out.des, out.size), 0);
}

TEST(Supclo, OnlyInitialMarkedKeepsItsSelfloops) {
  owned_des a, out;
  make_des(2, {{0, 1, 0}, {0, 2, 1}, {0, 4, 0}, {1, 3, 0}}, {0}, &a);
  supclo_des(&a.des, &a.size, &out.des, &out.size);
  ref_des expected;
  expected.out = {{{1, 0}, {4, 0}}};
  expected.marked = {true};
  expected.vocal = {0};
  EXPECT_EQ(diff_des(expected, out.des, out.size), "");
  EXPECT_EQ(a.size, 2) << "the input is not consumed";
}

// The result marks exactly the strings of G's marked language whose every prefix G marks, and
// it generates nothing else.
TEST(Supclo, IsTheClosedPartOfTheMarkedLanguage) {
  std::mt19937 rng(61);
  int nonempty = 0;
  for (int round = 0; round < 150; round++) {
    random_des_options options;
    options.states = 1 + static_cast<state_t>(rng() % 6);
    options.events = {0, 1, 2};
    options.marked_fraction = 0.6;
    owned_des a, out;
    make_random_des(rng, options, &a);
    std::set<word> lm = ref_marked_language(to_ref(a.des, a.size), kMaxLen);
    supclo_des(&a.des, &a.size, &out.des, &out.size);
    ASSERT_EQ(des_check(out.des, out.size), 0);
    ref_des result = to_ref(out.des, out.size);
    std::set<word> expected = prefix_closed_part(lm);
    EXPECT_EQ(ref_marked_language(result, kMaxLen), expected) << round;
    EXPECT_EQ(ref_closed_language(result, kMaxLen), expected) << round;
    nonempty += out.size > 0 ? 1 : 0;
  }
  EXPECT_GT(nonempty, 40);
}

// Allocation failure at any point leaves input and output freeable (the sanitizer build checks
// for leaks) and a result that is either complete or flagged.
TEST(Supclo, AllocationFailureWithAlleventsLeavesFreeableDes) {
  for (long after = 0; after < 30; after++) {
    owned_des a, out, all;
    make_des(4, {{0, 1, 1}, {1, 2, 2}, {2, 3, 0}, {0, 5, 0}, {1, 4, 3}}, {0, 1, 3}, &a);
    mem_result = 0;
    fail_allocation_after(after);
    allevent_des(&a.des, &a.size, &all.des, &all.size);
    supclo_des(&a.des, &a.size, &out.des, &out.size);
    fail_allocation_after(-1);
    if (!mem_result) {
      EXPECT_EQ(all.size, 1);
      EXPECT_EQ(des_check(out.des, out.size), 0) << after;
    }
  }
  mem_result = 0;
}

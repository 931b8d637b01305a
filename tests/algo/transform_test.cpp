// Complement, mutex, allevents and supclo against brute-force languages and fixpoints.
#include "algo/transform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <utility>

#include "support/transform_ref.h"

namespace {

const int kMaxLen = 5;

std::set<word> marked_language(const owned_des &a) {
  return ref_marked_language(to_ref(a.des, a.size), kMaxLen);
}

// Complement over the DES's events plus `aux`, checking old and dump state flags; then reach.
void run_complement(owned_des *a, const std::vector<event_t> &aux) {
  ref_des before = to_ref(a->des, a->size);
  complement1(&a->size, &a->des, static_cast<uint16_t>(aux.size()), aux.data());
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(a->des, a->size), 0);
  ASSERT_LE(a->size, before.size() + 1);
  for (state_t s = 0; s < a->size; s++) {
    ASSERT_EQ(a->des[s].marked, s < before.size() ? !before.marked[s] : true);
    ASSERT_EQ(a->des[s].vocal, s < before.size() ? before.vocal[s] : 0);
  }
  reach(&a->size, &a->des);
}

}  // namespace

// Over E = (events of G) + aux, the complement marks exactly the strings of E* that G does not
// mark and generates all of E*; complementing twice over E gives back G's marked language.
TEST(Complement, MarkedLanguageIsComplementedAndRestored) {
  std::mt19937 rng(41);
  for (int round = 0; round < 120; round++) {
    // states, events, out-degree, marked fraction, deterministic, vocal
    random_des_options options{1 + state_t(rng() % 6), {0, 1, 2}, 2, 0.3, true, round % 2 == 0};
    owned_des a;
    if (round > 0) make_random_des(rng, options, &a);  // round 0: the empty DES
    std::vector<event_t> aux, E = ref_alphabet(to_ref(a.des, a.size));
    if (round % 3 == 0) aux.push_back(5);
    E.insert(E.end(), aux.begin(), aux.end());
    std::set<word> all = all_words(E, kMaxLen), lm = marked_language(a), expected;
    for (const word &w : all)
      if (!lm.count(w)) expected.insert(w);

    run_complement(&a, aux);
    EXPECT_EQ(marked_language(a), expected) << round;
    EXPECT_EQ(ref_closed_language(to_ref(a.des, a.size), kMaxLen), all) << round;
    run_complement(&a, E);
    EXPECT_EQ(marked_language(a), lm) << round;
  }
}

// A dump state beyond the largest state count would get a number no transition can hold, and a
// state of 65,535 transitions cannot count one more into the dump state.
TEST(Complement, NoDumpStateOrTransitionBeyondWhatADesHolds) {
  owned_des a, b;
  make_des(MAX_STATES, {}, {}, &a);
  const event_t aux[] = {999};
  mem_result = 0;
  complement1(&a.size, &a.des, 1, aux);
  EXPECT_EQ(std::exchange(mem_result, 0), 1);
  EXPECT_EQ(a.size, MAX_STATES);
  std::vector<transition_spec> t;
  for (state_t k = 0; k < 65535; k++) t.push_back({0, static_cast<event_t>(k / 66), k % 66});
  make_des(66, t, {}, &b);
  complement1(&b.size, &b.des, 1, aux);
  EXPECT_EQ(std::exchange(mem_result, 0), 1);
}

// Sync, mutex and reach against the fixpoint reference; pairs out of range are ignored.
TEST(Mutex, AgreesWithFixpointReferenceOnRandomPairs) {
  std::mt19937 rng(51);
  int emptied = 0, shrunk = 0;
  for (int round = 0; round < 200; round++) {
    random_des_options options{1 + state_t(rng() % 5), {0, 1, 2, 3, 5}};
    owned_des a, b, out;
    make_random_des(rng, options, &a);
    options.events = {1, 2, 4, 6, 7};
    make_random_des(rng, options, &b);
    std::vector<std::pair<state_t, state_t>> excluded;
    for (int p = 0, np = static_cast<int>(rng() % 4); p < np; p++)
      excluded.push_back({state_t(rng() % a.size), state_t(rng() % b.size)});
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    ref_des expected = ref_mutex(ra, rb, excluded);
    excluded.insert(excluded.end(), {{a.size, 0}, {0, b.size}, {-1, 0}});
    std::vector<state_pair> pairs;
    for (const auto &p : excluded) pairs.push_back({p.first, p.second});
    product_index *index = nullptr;
    sync2(a.size, a.des, b.size, b.des, &out.size, &out.des, &index, nullptr);
    mutex1(&out.size, &out.des, a.size, b.size, index, pairs.data(),
           static_cast<state_t>(pairs.size()));
    free_product_index(&index);
    ASSERT_EQ(mem_result, 0);
    ASSERT_EQ(des_check(out.des, out.size), 0);
    reach(&out.size, &out.des);
    EXPECT_EQ(diff_des(expected, out.des, out.size), "") << round;
    emptied += out.size == 0 ? 1 : 0;
    shrunk += out.size > 0 && out.size < ref_reach(ref_sync(ra, rb)).size() ? 1 : 0;
  }
  EXPECT_GT(emptied, 5);
  EXPECT_GT(shrunk, 20);
}

// Allevents: one marked state with a selfloop per event of G. Supclo: the strings of Lm(G) whose
// every prefix is in Lm(G), generated and marked; an all-marked input moves to the result.
TEST(AlleventsSupclo, AgreeWithBruteForceOnRandomDes) {
  std::mt19937 rng(61);
  int nonempty = 0;
  for (int round = 0; round < 150; round++) {
    random_des_options options{1 + state_t(rng() % 6), {0, 1, 2}, 3, round % 10 ? 0.6 : 1.0};
    owned_des a, out, loops;
    make_random_des(rng, options, &a);
    std::set<word> expected = prefix_closed_part(marked_language(a));
    ref_des all{{{}}, {true}, {0}, {}};
    for (event_t e : ref_alphabet(to_ref(a.des, a.size))) all.out[0].push_back({e, 0});
    allevent_des(&a.des, &a.size, &loops.des, &loops.size);
    EXPECT_EQ(diff_des(all, loops.des, loops.size), "") << round;
    state_node *array = a.des;
    supclo_des(&a.des, &a.size, &out.des, &out.size);
    ASSERT_EQ(des_check(out.des, out.size), 0);
    EXPECT_EQ(marked_language(out), expected) << round;
    EXPECT_EQ(ref_closed_language(to_ref(out.des, out.size), kMaxLen), expected) << round;
    if (options.marked_fraction == 1.0 && options.states > 1) {
      EXPECT_TRUE(out.des == array && a.des == nullptr && a.size == 0) << round;
    }
    nonempty += out.size > 0 ? 1 : 0;
  }
  EXPECT_GT(nonempty, 40);
}

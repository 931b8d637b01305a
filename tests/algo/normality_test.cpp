// Supremal normal sublanguages: Supnorm against its definition, the properties of the Supnormclo
// and Supscop fixed points, and their failures.
#include "algo/normality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/brute_lang.h"
#include "support/reduce_ref.h"

namespace {

const int MAX_LEN = 6;
typedef int (*normal_procedure)(state_node *, state_t, state_node *, state_t, state_node **,
                                state_t *, const event_t *, uint16_t);

// A random legal language E, plant G and null list drawn from seed `seed`.
struct random_case {
  owned_des e, g;
  std::vector<event_t> nulls;
  event_set erased;
  explicit random_case(unsigned seed) {
    std::mt19937 rng(seed);
    random_des_options options{4 + static_cast<state_t>(rng() % 5), {0, 1, 2, 3, 4}, 3, 0.5};
    make_random_des(rng, options, &g);
    // E: G with some transitions cut and some markings flipped.
    ref_des r = to_ref(g.des, g.size);
    for (state_t s = 0; s < r.size(); s++) {
      r.marked[s] = r.marked[s] != (rng() % 5 == 0);
      for (size_t j = r.out[s].size(); j-- > 0;)
        if (rng() % 4 == 0) r.out[s].erase(r.out[s].begin() + static_cast<long>(j));
    }
    from_ref(r, &e);
    for (event_t ev : options.events)
      if (rng() % 3 == 0) nulls.push_back(ev), erased.insert(ev);
  }
  int run(normal_procedure procedure, owned_des *out) {
    return procedure(e.des, e.size, g.des, g.size, &out->des, &out->size, nulls.data(),
                     static_cast<uint16_t>(nulls.size()));
  }
};

// Checks a procedure's result: well formed, trim, marking only strings of Lm(E) ∩ Lm(G) (of
// Lm(E) ∩ L(G) when `plant_closed`).
void expect_trim_and_contained(const owned_des &out, const random_case &c,
                               bool plant_closed = false) {
  ASSERT_EQ(des_check(out.des, out.size), 0);
  ref_des r = to_ref(out.des, out.size), g = to_ref(c.g.des, c.g.size);
  EXPECT_EQ(ref_trim(r).size(), r.size()) << "not trim";
  if (plant_closed) g.marked.assign(g.marked.size(), true);
  std::set<word> meet = ref_marked_language(ref_meet(to_ref(c.e.des, c.e.size), g), MAX_LEN);
  for (const word &s : ref_marked_language(r, MAX_LEN)) EXPECT_TRUE(meet.count(s));
}

// The first `count` seeds whose E and G share at least two states of their trimmed meet.
const std::vector<unsigned> &seeds(size_t count = 50) {
  static std::vector<unsigned> found;
  for (unsigned seed = 1; found.size() < count; seed++) {
    random_case c(seed);
    if (ref_trim(ref_meet(to_ref(c.e.des, c.e.size), to_ref(c.g.des, c.g.size))).size() >= 2)
      found.push_back(seed);
  }
  return found;
}

std::set<word> marked_of(const owned_des &d) {
  return ref_marked_language(to_ref(d.des, d.size), MAX_LEN);
}

}  // namespace

// Supnorm marks exactly what its definition gives, with a minimal DES;
// Supnormclo's closed behaviour is normal and its cheap stopping test stops no later; Supscop's
// result is controllable and normal in both languages. All results trim and within the meet.
TEST(NormalProcedures, RandomProblemsMatchDefinitionsAndProperties) {
  int nonempty[3] = {};
  for (unsigned seed : seeds()) {
    SCOPED_TRACE(seed);
    random_case c(seed);
    ref_des e = to_ref(c.e.des, c.e.size), g = to_ref(c.g.des, c.g.size);
    owned_des norm, clo, clo1, scop, scop1;
    ASSERT_EQ(c.run(suprema_normal, &norm), CNORM_DONE);
    expect_trim_and_contained(norm, c);
    EXPECT_EQ(marked_of(norm), ref_supnorm(e, g, c.erased, MAX_LEN));
    std::vector<int> classes = naive_state_classes(norm.des, norm.size);  // minimal
    EXPECT_EQ(std::set<int>(classes.begin(), classes.end()).size(), size_t(norm.size));

    ASSERT_EQ(c.run(suprema_normal_clo, &clo), CNORM_DONE);
    expect_trim_and_contained(clo, c, true);
    EXPECT_EQ(normality_violation(to_ref(clo.des, clo.size), g, c.erased, MAX_LEN, false), "");
    ASSERT_EQ(c.run(suprema_normal_clo1, &clo1), CNORM_DONE);
    std::set<word> exact = marked_of(clo), early = marked_of(clo1);
    EXPECT_TRUE(std::includes(early.begin(), early.end(), exact.begin(), exact.end()));

    ASSERT_EQ(c.run(suprema_normal_scop, &scop), CNORM_DONE);
    expect_trim_and_contained(scop, c);
    ref_des k = to_ref(scop.des, scop.size);
    EXPECT_TRUE(k.size() == 0 || ref_controllable(k, g));
    EXPECT_EQ(normality_violation(k, g, c.erased, MAX_LEN, false), "");
    EXPECT_EQ(normality_violation(k, g, c.erased, MAX_LEN, true), "");
    ASSERT_EQ(c.run(suprema_normal_scop1, &scop1), CNORM_DONE);
    expect_trim_and_contained(scop1, c);

    nonempty[0] += norm.size > 0, nonempty[1] += clo.size > 0, nonempty[2] += scop.size > 0;
  }
  EXPECT_GE(nonempty[0], 20);
  EXPECT_GE(nonempty[1], 15);
  EXPECT_GE(nonempty[2], 8);
}

TEST(NormalProcedures, RefuseNondeterministicInputAndReportTheRoundLimitAsAFailure) {
  random_case c(5);
  owned_des nd, out;
  make_des(2, {{0, 1, 0}, {0, 1, 1}}, {1}, &nd);
  EXPECT_EQ(suprema_normal(nd.des, nd.size, c.g.des, c.g.size, &out.des, &out.size, nullptr, 0),
            CNORM_NONDETERMINISTIC);
  EXPECT_EQ(
      suprema_normal_scop(c.e.des, c.e.size, nd.des, nd.size, &out.des, &out.size, nullptr, 0),
      CNORM_NONDETERMINISTIC);
  EXPECT_EQ(out.size, 0);
  long saved = cnorm_round_limit;
  cnorm_round_limit = 1;
  int limited = 0;
  for (unsigned seed : seeds()) {
    random_case r(seed);
    owned_des o;
    if (r.run(suprema_normal_clo, &o) != CNORM_NO_FIXED_POINT) continue;
    limited++;
    EXPECT_EQ(o.des, nullptr);
  }
  cnorm_round_limit = saved;
  EXPECT_GT(limited, 0);
}

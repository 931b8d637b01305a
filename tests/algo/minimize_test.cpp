// State minimization against naive refinement, and allocation failure in every algorithm here.
#include "algo/minimize.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

#include "algo/des_proc.h"
#include "algo/normality.h"
#include "algo/output_consistency.h"
#include "algo/project.h"
#include "algo/supcon.h"
#include "algo/transform.h"
#include "model/mymalloc.h"
#include "support/brute_lang.h"
#include "support/reference.h"

namespace {

// Minimizes a copy of input; the copy's array stays where it was exactly when nothing merges.
void minimized_copy(void (*m)(state_t *, state_node **), const owned_des &input, owned_des *out) {
  copy_des(input.des, input.size, out);
  const state_node *before = out->des;
  mem_result = 0;
  m(&out->size, &out->des);
  ASSERT_EQ(mem_result, 0);
  ASSERT_EQ(des_check(out->des, out->size), 0);
  EXPECT_EQ(out->des == before, out->size == input.size);
}

// `copies` copies of a random DES; a transition of copy c leads to a random copy of its target.
void make_redundant_des(std::mt19937 &rng, const random_des_options &base, int copies,
                        owned_des *out) {
  owned_des core;
  make_random_des(rng, base, &core);
  ref_des g = to_ref(core.des, core.size), r;
  for (int c = 0; c < copies; c++)
    for (state_t s = 0; s < g.size(); s++) {
      r.out.push_back(g.out[s]);
      for (auto &t : r.out.back()) t.second += draw<state_t>(rng, 0, copies - 1) * g.size();
      r.marked.push_back(g.marked[s]);
      r.vocal.push_back(g.vocal[s]);
    }
  from_ref(r, out);
}

// Replaces d by `from` (which then frees d's old array).
void take(owned_des *d, owned_des *from) {
  std::swap(from->size, d->size);
  std::swap(from->des, d->des);
}

}  // namespace

// Deterministic DES: both methods give the reference classes by smallest member, and the same
// array when nothing merges. Nondeterministic: both languages kept; in the first DES, 1 --1-->
// {3, 5} and 2 --1--> {3, 4}, and only the larger part {5, 6, 7} of block 3..7 differs.
TEST(Minimize, AgreesWithNaiveRefinementOnRandomDes) {
  const std::vector<transition_spec> edges = {{0, 1, 1}, {0, 4, 2}, {1, 1, 3}, {1, 1, 5},
                                              {2, 1, 3}, {2, 1, 4}, {3, 2, 8}, {4, 2, 8},
                                              {5, 3, 8}, {6, 3, 8}, {7, 3, 8}};
  std::mt19937 rng(20261207);
  for (int round = 0; round < 400; round++) {
    random_des_options options{1 + state_t(rng() % 12), {0, 1, 2, 3}, 1 + int(rng() % 4)};
    options.marked_fraction = round % 5 ? 0.4 : 0.0;
    options.vocal = round % 3 == 0;
    options.deterministic = round % 4 != 0;
    if (!options.deterministic) options.events = {1, 2};
    owned_des input, by2, by1;
    make_redundant_des(rng, options, 1 + int(rng() % 4), &input);
    if (round == 0) make_des(9, edges, {}, &input);
    minimized_copy(minimize2, input, &by2);
    minimized_copy(minimize1, input, &by1);
    if (!options.deterministic) {
      bounded_language lang = bounded_projected_language(input.des, input.size, 6, {});
      for (const owned_des *m : {&by2, &by1})
        ASSERT_TRUE(bounded_projected_language(m->des, m->size, 6, {}) == lang) << round;
      continue;
    }
    ASSERT_TRUE(same_des(by2.des, by2.size, by1.des, by1.size)) << round;
    ref_des expected = naive_quotient(to_ref(input.des, input.size));
    ASSERT_EQ(diff_des(expected, by2.des, by2.size), "") << round;
  }
}

// Each allocation fails in turn: the run completes normally or sets mem_result, leaving the DES
// as it was where the contract says so (the sanitizer build checks that nothing leaks).
TEST(AllocationFailure, EveryAlgorithmFailsCleanly) {
  std::mt19937 rng(99);
  owned_des input, other;
  make_redundant_des(rng, random_des_options{}, 3, &input);
  make_des(2, {{0, 1, 1}, {1, 3, 0}, {1, 4, 1}}, {0}, &other);
  const event_t nulls[] = {0, 2};
  const state_pair pairs[] = {{2, 1}, {5, 0}};
  struct {
    const char *name;
    bool keeps_input;
    std::function<void(owned_des *)> run;  // in place
  } cases[] = {
      {"minimize1", true, [](owned_des *d) { minimize1(&d->size, &d->des); }},
      {"minimize2", true, [](owned_des *d) { minimize2(&d->size, &d->des); }},
      {"project1", true, [&](owned_des *d) { project1(&d->size, &d->des, 2, nulls); }},
      {"sync2+mutex1", false,
       [&](owned_des *d) {
         product_index *index = nullptr;
         owned_des p;
         sync2(d->size, d->des, other.size, other.des, &p.size, &p.des, &index, nullptr);
         if (!mem_result) mutex1(&p.size, &p.des, d->size, other.size, index, pairs, 2);
         free_product_index(&index);
         take(d, &p);
       }},
      {"suprema_normal_scop", false,  // no result after a failure, and it says so
       [&](owned_des *d) {
         owned_des out;
         int status = suprema_normal_scop(d->des, d->size, input.des, input.size, &out.des,
                                          &out.size, nulls, 2);
         EXPECT_EQ(status == CNORM_NO_MEMORY, mem_result != 0);
         EXPECT_TRUE(!mem_result || out.des == nullptr);
         take(d, &out);
       }},
      {"condat1", false,  // control data of other as a supervisor of d; none after a failure
       [&](owned_des *d) {
         owned_des m, dat;
         pair_code_t *codes = nullptr;
         meet2(d->size, d->des, other.size, other.des, &m.size, &m.des, nullptr, &codes);
         if (!mem_result)
           condat1(d->des, d->size, other.size, m.size, m.des, &dat.size, &dat.des, codes);
         EXPECT_TRUE(!mem_result || dat.des == nullptr);
         free(codes);
         take(d, &dat);
       }},
      {"outcon_des", false, [](owned_des *d) { outcon_des(&d->size, &d->des); }},
      {"allevent_des+supclo_des", false,
       [](owned_des *d) {
         owned_des all, out;
         allevent_des(&d->des, &d->size, &all.des, &all.size);
         EXPECT_TRUE(mem_result || all.size == 1);
         supclo_des(&d->des, &d->size, &out.des, &out.size);
         take(d, &out);
       }},
  };
  for (auto &c : cases) {
    owned_des expected;
    copy_des(input.des, input.size, &expected);
    mem_result = 0;
    c.run(&expected);
    ASSERT_EQ(mem_result, 0) << c.name;
    ASSERT_EQ(des_check(expected.des, expected.size), 0) << c.name;
    bool completed = false;
    for (long k = 0; !completed && k < 100000; k++) {
      owned_des d;
      copy_des(input.des, input.size, &d);
      completed = !fails_after(k, [&] { c.run(&d); });
      const owned_des &want = completed ? expected : input;
      if (completed || c.keeps_input) {
        ASSERT_TRUE(same_des(d.des, d.size, want.des, want.size)) << c.name << " at " << k;
      }
    }
    EXPECT_TRUE(completed) << c.name;
  }
}

// Supreduce, Supnorm, Supnormclo, Supscop and their variants end to end: each code through the
// real program in compute mode, compared with the algorithm run here.
#include <gtest/gtest.h>

#include <random>

#include "algo/cnorm.h"
#include "algo/supred.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "support/brute_lang.h"
#include "support/reference.h"

namespace {

// Files a random plant G, a legal language E inside it, the supervisor S = Supcon(G, E) and its
// control data C, the last two made by the compute process. Returns the supervisor's state count.
state_t file_case(unsigned seed, owned_des *e, owned_des *g) {
  std::mt19937 rng(seed);
  make_random_des(rng, {6, {0, 1, 2, 3, 4}, 3, 0.6, true, false}, g);
  copy_des(g->des, g->size, e);
  for (state_t s = 0; s < e->size; s++)
    if (e->des[s].numelts > 1) e->des[s].numelts--;  // the freed entry stays allocated
  scratch_install::file("G", *g);
  scratch_install::file("E", *e);
  EXPECT_EQ(supcon_runProgram("S", "G", "E"), MURN_OK);
  EXPECT_EQ(condat_runProgram("C", "G", "S"), MURN_OK);
  owned_des s;
  scratch_install::load("S", 0, &s);
  return s.size;
}

}  // namespace

TEST(ReduceProcedures, NormalityCodesRunTheirProcedureOnTheNullList) {
  scratch_install install;
  const event_t nulls[] = {0, 3};
  typedef int (*normal)(state_node *, state_t, state_node *, state_t, state_node **, state_t *,
                        const event_t *, uint16_t);
  typedef int (*request)(const char *, const char *, const char *, const event_t *, int);
  const std::pair<request, normal> cases[] = {{supnorm_runProgram, suprema_normal},
                                              {supnormclo_runProgram, suprema_normal_clo},
                                              {supscop_runProgram, suprema_normal_scop},
                                              {supnormclo_runProgram1, suprema_normal_clo1},
                                              {supscop_runProgram1, suprema_normal_scop1}};
  int nonempty = 0;
  for (unsigned seed = 1; seed <= 4; seed++) {
    owned_des e, g;
    file_case(seed, &e, &g);
    for (const auto &[run, direct] : cases) {
      ASSERT_EQ(run("OUT", "E", "G", nulls, 2), MURN_OK);
      owned_des out, expected;
      scratch_install::load("OUT", 0, &out);
      ASSERT_EQ(direct(e.des, e.size, g.des, g.size, &expected.des, &expected.size, nulls, 2),
                CNORM_DONE);
      EXPECT_TRUE(same_des(expected.des, expected.size, out.des, out.size));
      nonempty += out.size > 0;
    }
  }
  EXPECT_GE(nonempty, 8);
  install.expect_no_protocol_files();
  owned_des nd;
  make_des(2, {{0, 1, 0}, {0, 1, 1}}, {0}, &nd);
  install.file("ND", nd);
  EXPECT_EQ(supscop_runProgram("OUT", "ND", "G", nulls, 2), MURN_NONDETERMINISTIC);
}

TEST(ReduceProcedures, SupreduceAnswersBoundAndRatioAndCopiesOrEmptiesItsSpecialCases) {
  scratch_install install;
  owned_des e, g, one, r;
  for (unsigned seed = 1; file_case(seed, &e, &g) < 3; seed++) {
  }
  int32_t bound = -1, direct_bound = -1;
  float ratio = 0, direct_ratio = 0;
  ASSERT_EQ(supreduce("G", "S", "C", "EXPECTED", &direct_bound, &direct_ratio), SUPRED_DONE);
  ASSERT_EQ(supreduce_runProgram("R", "G", "S", "C", &bound, &ratio), MURN_OK);
  EXPECT_TRUE(bound == direct_bound && ratio == direct_ratio);
  EXPECT_EQ(read_bytes(install.user_file("R.des")), read_bytes(install.user_file("EXPECTED.des")));
  install.expect_no_protocol_files();
  // One state with one selfloop is copied, ratio 1 and bound 1; an empty plant gives no states.
  make_des(1, {{0, 1, 0}}, {0}, &one);
  install.file("ONE", one);
  ASSERT_EQ(supreduce_runProgram("R", "G", "ONE", "C", &bound, &ratio), MURN_OK);
  EXPECT_TRUE(bound == 1 && ratio == 1.0f);
  EXPECT_EQ(read_bytes(install.user_file("R.des")), read_bytes(install.user_file("ONE.des")));
  install.file("EMPTY", owned_des());
  ASSERT_EQ(supreduce_runProgram("R", "EMPTY", "S", "C", &bound, &ratio), MURN_OK);
  scratch_install::load("R", 0, &r);
  EXPECT_EQ(r.size, 0);
  // Control data of another supervisor fail the reduction, and nothing is written.
  std::filesystem::remove(install.user_file("R.des"));
  ASSERT_EQ(filedes("C", 1, -1, one.des), 0);
  EXPECT_EQ(supreduce_runProgram("R", "G", "S", "C", &bound, &ratio), MURN_SUPREDUCE_ERROR);
  EXPECT_FALSE(install.user_has("R.des"));
}

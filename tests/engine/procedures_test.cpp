// Every catalogue procedure through the real program in compute mode on random DES against the
// references (reductions against their algorithm run here): wiring, output kind, failure codes.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "algo/normality.h"
#include "algo/output_consistency.h"
#include "algo/reduce.h"
#include "engine/catalogue.h"
#include "engine/engine_test_util.h"
#include "engine/protocol.h"
#include "engine/transform_procedures.h"
#include "support/brute_lang.h"
#include "support/hier_ref.h"
#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

ref_des with_selfloops(ref_des g, std::vector<event_t> events) {
  for (state_t s = 0; s < g.size(); s++) {
    for (event_t e : events) g.out[s].push_back({e, s});
    sort_unique(&g.out[s]);
  }
  return g;
}

// Each output "O<code>" must be non-empty in some rounds, so that no comparison is vacuous.
TEST(Procedures, EveryCodeOnRandomDesMatchesTheReference) {
  scratch_install install;
  const int codes[] = {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 17, 19, 20};
  const event_t loops[] = {7, 4, 7}, erased[] = {4, 1, 4}, aux[] = {2, 6};
  const state_pair excluded[] = {{1, 1}, {0, 2}};
  std::mt19937 rng(20261207);
  int nonempty[21] = {};
  for (int round = 0; round < 8; round++) {
    minflag = round % 2;  // both minimization methods
    // States, events, at most so many transitions per state, marked fraction, deterministic, vocal.
    state_t states = 2 + round % 5;
    random_des_options for_a{states, {0, 1, 2, 3, 4, 5}, 3, 0.5, true, round % 3 == 2},
        for_b{states, {0, 1, 2, 3, 4, 7}, 6, 0.7, true, false};
    owned_des a, b, out[21];
    make_random_des(rng, for_a, &a);
    a.des[0].marked = a.des[0].marked || round % 2 == 0;  // so that Supclo keeps something
    make_random_des(rng, for_b, &b);
    install.file("A", a);
    install.file("B", b);
    int results[] = {selfloop_runProgram("O1", "A", 3, loops),
                     trim_runProgram("O2", "A"),
                     sync_runProgram("O3", "A", "B"),
                     meet_runProgram("O4", "A", "B"),
                     supcon_runProgram("O5", "A", "B"),
                     mutex_runProgram("O6", "A", "B", excluded, 2),
                     condat_runProgram("O7", "A", "B"),
                     minstate_runProgram("O9", "A"),
                     complement_runProgram("O10", "A", aux, 2),
                     project_runProgram("O11", "A", erased, 3),
                     allevent_runProgram("O17", "A"),
                     bfs_recode_runProgram("O19", "A"),
                     supclo_runProgram("O20", "A")};
    install.expect_no_protocol_files();
    for (int i = 0; i < 13; i++) {
      ASSERT_EQ(results[i], MURN_OK) << codes[i] << " round " << round;
      install.load("O" + std::to_string(codes[i]), codes[i] == 7 ? OUTPUT_DAT : OUTPUT_DES,
                   &out[codes[i]]);  // Condat: DAT
      nonempty[codes[i]] += out[codes[i]].size > 0;
    }
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size), reached = ref_reach(ra);
    ref_des all{{{}}, {true}, {0}, {}};  // one marked state
    std::pair<int, ref_des> exact[] = {{1, with_selfloops(ra, {4, 7})},
                                       {2, ref_trim(ra)},
                                       {3, ref_sync(ra, rb)},
                                       {4, ref_meet(ra, rb)},
                                       {5, ref_supcon(ra, rb)},
                                       {6, ref_mutex(ra, rb, {{1, 1}, {0, 2}})},
                                       {9, naive_quotient(reached)},  // one state per class
                                       {17, with_selfloops(all, ref_alphabet(ra))},
                                       {19, ref_renumber(reached, ref_bfs_numbering(reached))}};
    for (const auto &[code, ref] : exact)
      EXPECT_EQ(diff_des(ref, out[code].des, out[code].size), "") << code << " round " << round;
    // Condat: the events the plant allows but the supervisor B does not, with target 0.
    std::vector<std::set<event_t>> disabled(out[7].size);
    for (state_t y = 0; y < out[7].size; y++)
      for (int j = 0; j < out[7].des[y].numelts; j++)
        if (out[7].des[y].next[j].target() == 0) disabled[y].insert(out[7].des[y].next[j].event());
    EXPECT_EQ(disabled, ref_condat(ra, rb)) << round;
    // Supclo. (Complement's and Project's lists reach them through the dialogs' scripts.)
    EXPECT_EQ(ref_closed_language(to_ref(out[20].des, out[20].size), 5),
              prefix_closed_part(ref_marked_language(ra, 5)));
  }
  for (int code : codes) EXPECT_GE(nonempty[code], 2) << code;
}

// Corrupt, mistaken and nondeterministic inputs, results too large to file or number, vocal DES
// refused, and debug mode: no failure writes an output.
TEST(Procedures, EdgeCasesOfTheExchange) {
  scratch_install install;
  for (const char *name : {"A", "M"}) install.file(name, 2, {{0, 1, 1}}, {1});
  // A corrupt second input, or control data under a DES name, is not taken for an empty DES, and
  // an earlier output stays as it was (a corrupt first input: end to end, failure messages).
  write_bytes(install.user_file("BAD.des"), "SARV DES file. Version 1.0\x1a");
  filedes("D", 0, -1, nullptr);
  std::filesystem::rename(install.user_file("D.dat"), install.user_file("D.des"));
  std::string before = read_bytes(install.user_file("M.des"));
  EXPECT_EQ(meet_runProgram("M", "A", "BAD"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(sync_runProgram("M", "A", "D"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(read_bytes(install.user_file("M.des")), before);
  // Projecting (1|2)* 1 (1|2)^21 needs 2^22 states, more than a DES file can number.
  std::vector<transition_spec> edges = {{0, 1, 0}, {0, 2, 0}, {0, 1, 1}, {0, 9, 0}};
  for (state_t s = 1; s < 22; s++) edges.insert(edges.end(), {{s, 1, s + 1}, {s, 2, s + 1}});
  install.file("G", 23, edges, {22});
  const event_t erase[] = {9};
  EXPECT_EQ(project_runProgram("P", "G", erase, 1), MURN_OUT_OF_MEMORY);
  // Cycles of 1449 and 1451 states on one event: their product passes the state limit.
  for (state_t len : {1449, 1451}) {
    std::vector<transition_spec> loop;
    for (state_t s = 0; s < len; s++) loop.push_back({s, 1, (s + 1) % len});
    install.file(len == 1449 ? "C1" : "C2", len, loop, {0});
  }
  for (auto run : {meet_runProgram, sync_runProgram, supcon_runProgram})
    EXPECT_EQ(run("X", "C1", "C2"), MURN_STATE_LIMIT);
  // Supcon and Condat count transitions: a nondeterministic plant or specification is refused.
  install.file("ND", 2, {{0, 1, 0}, {0, 1, 1}}, {1});
  for (auto run : {supcon_runProgram, condat_runProgram}) {
    EXPECT_EQ(run("S", "ND", "A"), MURN_NONDETERMINISTIC);
    EXPECT_EQ(run("S", "A", "ND"), MURN_NONDETERMINISTIC);
  }
  // Vocal DES the procedures on outputs refuse.
  owned_des loud, full;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 4, 0}}, {0}, &loud);
  loud.des[0].vocal = 10;  // the initial state may not carry an output
  loud.des[2].vocal = 20;
  install.file("LOUD", loud);
  for (auto run :
       {outconsis_runProgram, hiconsis_runProgram, higen_runProgram, hiconsis_runProgram1})
    EXPECT_EQ(run("X", "LOUD"), MURN_VOCAL_STATE0);
  // Every output 10..99 in use: both variants overflow.
  std::vector<transition_spec> chain;
  for (state_t s = 0; s < 90; s++) chain.push_back({s, 2, s + 1});
  make_des(91, chain, {}, &full);
  for (state_t s = 1; s <= 90; s++) set_output(&full.des[s], static_cast<unsigned>(9 + s));
  install.file("FULL", full);
  for (auto run : {hiconsis_runProgram, hiconsis_runProgram1})
    EXPECT_EQ(run("Y", "FULL"), MURN_VOCAL_OVERFLOW);
  // 1100 transitions on one label from one state need more fresh labels than there are.
  std::vector<transition_spec> fan;
  for (state_t t = 1; t <= 1100; t++) fan.push_back({0, 1, t});
  install.file("DUP", 1101, fan, {});
  const state_pair none[] = {{1, 1}};
  EXPECT_EQ(convert_runProgram("Z", "DUP", none, 1), MURN_LABEL_OVERFLOW);
  // Outputs a label cannot hold, labels outside 0..999, outputs outside 10..99 and vocalizations
  // of transitions DES1 lacks are refused, not dropped or cut to their low bits.
  set_output(&loud.des[0], 0);
  for (unsigned output : {1000u, 1500u, 4096u}) {
    set_output(&loud.des[2], output);
    install.file("LOUD", loud);
    EXPECT_EQ(higen_runProgram("X", "LOUD"), MURN_OUTPUT_TOO_LARGE) << output;
  }
  for (state_pair wide : {state_pair{1, 1000}, state_pair{1000, 1}})
    EXPECT_EQ(convert_runProgram("Z", "LOUD", &wide, 1), MURN_BAD_REQUEST);
  for (quad q : {quad{0, 1, 1, 9}, quad{0, 1, 1, 100}, quad{0, 2, 1, 40}, quad{0, 1, 2, 40},
                 quad{5, 1, 1, 40}})
    EXPECT_EQ(vocalize_runProgram("Z", "LOUD", &q, 1), MURN_BAD_REQUEST) << q.a << q.b << q.c;
  EXPECT_EQ(install.user_listing(),
            (std::vector<std::string>{"A.des", "BAD.des", "C1.des", "C2.des", "D.des", "DUP.des",
                                      "FULL.des", "G.des", "LOUD.des", "M.des", "ND.des"}));
  // In debug mode the compute process shares the front end's standard output, progress included.
  debug_mode = 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(trim_runProgram("H", "A"), MURN_OK);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("B_REACH: 0"), std::string::npos);
}

// The procedures on vocal DES.
TEST(HierProcedures, EveryCodeRunsFromItsRequest) {
  scratch_install install;
  std::mt19937 rng(2026);
  for (int round = 0; round < 4; round++) {
    owned_des a, out[26];
    make_random_vocal(rng, 3 + round, 3, &a);
    install.file("A", a);
    ref_des ra = to_ref(a.des, a.size);
    const state_pair pairs[] = {{1, 3}, {2, 4}};
    std::vector<quad> requests;  // output 40 + j entered by move j of state 0
    std::set<int> wanted, entered;
    for (int j = 0; j < a.des[0].numelts; j++) {
      const tran_entry t = a.des[0].next[j];
      requests.push_back({0, t.event(), t.target(), static_cast<int16_t>(40 + j)});
      wanted.insert(40 + j);
    }
    ASSERT_EQ(convert_runProgram("O12", "A", pairs, 2), MURN_OK);
    ASSERT_EQ(vocalize_runProgram("O13", "A", requests.data(), static_cast<int>(requests.size())),
              MURN_OK);
    ASSERT_EQ(outconsis_runProgram("O14", "A"), MURN_OK);
    ASSERT_EQ(hiconsis_runProgram("O15", "A"), MURN_OK);
    ASSERT_EQ(higen_runProgram("O16", "A"), MURN_OK);
    ASSERT_EQ(hiconsis_runProgram1("O25", "A"), MURN_OK);
    for (int code : {12, 13, 14, 15, 16, 25})
      install.load("O" + std::to_string(code), 0, &out[code]);
    owned_des relabelled, high;
    from_ref(ref_relabelled(ra, {{1, 3}, {2, 4}}), &relabelled);
    EXPECT_TRUE(bounded_projected_language(out[12].des, out[12].size, 5, {}) ==
                bounded_projected_language(relabelled.des, relabelled.size, 5, {}));
    EXPECT_EQ(walk_difference(ra, to_ref(out[13].des, out[13].size), IGNORE_OUTPUTS), "");
    for (int j = 0; j < out[13].des[0].numelts; j++)
      entered.insert(out[13].des[out[13].des[0].next[j].target()].vocal);
    EXPECT_EQ(entered, wanted);
    for (int code : {14, 15, 25}) {
      EXPECT_EQ(occ_violation(out[code].des, out[code].size), "") << code;
      EXPECT_EQ(walk_difference(ra, to_ref(out[code].des, out[code].size),
                                code == 14 ? SAME_BASE : SAME_BASE_WHERE_FIRST_VOCAL),
                "")
          << code;
    }
    from_ref(ref_entrance_labelled(ra), &high);
    EXPECT_TRUE(bounded_projected_language(out[16].des, out[16].size, 5, {}) ==
                bounded_projected_language(high.des, high.size, 5, {0}));
  }
}

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

TEST(ReduceProcedures, NormalityCodesRunTheirProcedureOnTheNullList) {
  scratch_install install;
  const event_t nulls[] = {0, 3};
  const std::pair<decltype(&supnorm_runProgram), decltype(&suprema_normal)> cases[] = {
      {supnorm_runProgram, suprema_normal},
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
  install.file("ND", 2, {{0, 1, 0}, {0, 1, 1}}, {0});
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

}  // namespace

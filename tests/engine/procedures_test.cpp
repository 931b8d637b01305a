// Every catalogue procedure end to end through the real program in compute mode on random DES,
// compared with the references: the wiring (inputs and their order, list, output kind, result).
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "engine/catalogue.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "engine/transform_procedures.h"
#include "support/brute_lang.h"
#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

ref_des with_selfloops(ref_des g, std::vector<event_t> events) {
  for (state_t s = 0; s < g.size(); s++) {
    for (event_t e : events) g.out[s].push_back({e, s});
    std::sort(g.out[s].begin(), g.out[s].end());
    g.out[s].erase(std::unique(g.out[s].begin(), g.out[s].end()), g.out[s].end());
  }
  return g;
}

// Each output "O<code>" must be non-empty in some rounds, so that no comparison is vacuous.
TEST(Procedures, EveryCodeOnRandomDesMatchesTheReference) {
  ASSERT_NE(getenv("SARV"), nullptr);
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
      std::string name = "O" + std::to_string(codes[i]);
      ASSERT_EQ(results[i], MURN_OK) << codes[i] << " round " << round;
      output_kind kind = codes[i] == 7 ? OUTPUT_DAT : OUTPUT_DES;  // only Condat files control data
      EXPECT_TRUE(install.user_has(name + (kind == OUTPUT_DAT ? ".dat" : ".des"))) << name;
      install.load(name, kind, &out[codes[i]]);
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
    // Minstate: equivalent to A with one state per class of its reachable states.
    owned_des r;
    from_ref(reached, &r);
    std::vector<int> classes = naive_state_classes(r.des, r.size);
    EXPECT_EQ(out[9].size, r.size == 0 ? 0 : *std::max_element(classes.begin(), classes.end()) + 1);
    EXPECT_TRUE(naive_equivalent(a.des, a.size, out[9].des, out[9].size)) << round;
    // Complement over A's events and the list; Supclo; Project erasing {1, 4}, minimal.
    std::set<event_t> events = {2, 6};
    for (event_t e : ref_alphabet(ra)) events.insert(e);
    std::set<word> complement, marked = ref_marked_language(ra, 5);
    for (const word &w : all_words({events.begin(), events.end()}, 5))
      if (!marked.count(w)) complement.insert(w);
    EXPECT_EQ(ref_marked_language(to_ref(out[10].des, out[10].size), 5), complement) << round;
    EXPECT_EQ(ref_closed_language(to_ref(out[20].des, out[20].size), 5),
              prefix_closed_part(marked));
    const owned_des &p = out[11];
    EXPECT_TRUE(bounded_projected_language(p.des, p.size, 4, {}) ==
                bounded_projected_language(a.des, a.size, 4, {1, 4}));
    classes = naive_state_classes(p.des, p.size);
    for (state_t s = 0; s < p.size; s++) EXPECT_EQ(classes[s], s) << round << ": not minimal";
  }
  for (int code : codes) EXPECT_GE(nonempty[code], 2) << code;
}

// Corrupt, mistaken and nondeterministic inputs, a result too large to file, and debug mode.
TEST(Procedures, EdgeCasesOfTheExchange) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  owned_des a, g;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  install.file("A", a);
  install.file("M", a);
  // A corrupt input, or control data under a DES name, is not taken for an empty DES, and an
  // earlier output stays as it was.
  write_bytes(install.user_file("BAD.des"), "SARV DES file. Version 1.0\x1a");
  filedes("D", 0, -1, nullptr);
  std::filesystem::rename(install.user_file("D.dat"), install.user_file("D.des"));
  std::string before = read_bytes(install.user_file("M.des"));
  EXPECT_EQ(meet_runProgram("M", "A", "BAD"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(trim_runProgram("M", "BAD"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(sync_runProgram("M", "A", "D"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(read_bytes(install.user_file("M.des")), before);
  // Projecting (1|2)* 1 (1|2)^21 needs 2^22 states, more than a DES file can number.
  std::vector<transition_spec> edges = {{0, 1, 0}, {0, 2, 0}, {0, 1, 1}, {0, 9, 0}};
  for (state_t s = 1; s < 22; s++) edges.insert(edges.end(), {{s, 1, s + 1}, {s, 2, s + 1}});
  make_des(23, edges, {22}, &g);
  install.file("G", g);
  const event_t erase[] = {9};
  EXPECT_EQ(project_runProgram("P", "G", erase, 1), MURN_OUT_OF_MEMORY);
  // Supcon and Condat count transitions: a nondeterministic plant or specification is refused.
  make_des(2, {{0, 1, 0}, {0, 1, 1}}, {1}, &g);
  install.file("ND", g);
  for (auto run : {supcon_runProgram, condat_runProgram}) {
    EXPECT_EQ(run("S", "ND", "A"), MURN_NONDETERMINISTIC);
    EXPECT_EQ(run("S", "A", "ND"), MURN_NONDETERMINISTIC);
  }
  EXPECT_EQ(install.user_listing(),
            (std::vector<std::string>{"A.des", "BAD.des", "D.des", "G.des", "M.des", "ND.des"}));
  // In debug mode the compute process shares the front end's standard output, progress included.
  debug_mode = 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(trim_runProgram("H", "A"), MURN_OK);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("B_REACH: 0"), std::string::npos);
}

}  // namespace

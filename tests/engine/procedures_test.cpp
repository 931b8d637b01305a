// The catalogue's procedures end to end: the front end's request functions start the real
// program in compute mode on DES files of a scratch user directory, and the output files are
// checked against answers worked out by hand and against the slow reference implementations.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "algo/des_proc.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "model/des_file.h"
#include "support/random_des.h"
#include "support/reference.h"

namespace {

// Checks, independently of the supcon algorithms, that K is a controllable nonblocking sublanguage
// of the specification E within plant G: walking K, G and E together from their initial states,
// every step of K is a step of G and of E, every uncontrollable step G allows is a step of K, and
// a marked state of K is marked in G and E; every state of K reaches a marker state. All three
// DES are deterministic. Returns an empty string, or the first violation.
std::string check_supervisor(const owned_des &k, const owned_des &g, const owned_des &e) {
  if (k.size == 0) return "";
  auto step = [](const state_node &node, event_t ev) -> state_t {
    for (int j = 0; j < node.numelts; j++)
      if (node.next[j].event() == ev) return node.next[j].target();
    return -1;
  };
  std::set<std::vector<state_t>> seen{{0, 0, 0}};
  std::vector<std::vector<state_t>> todo{{0, 0, 0}};
  while (!todo.empty()) {
    std::vector<state_t> t = todo.back();
    todo.pop_back();
    const state_node &kn = k.des[t[0]], &gn = g.des[t[1]], &en = e.des[t[2]];
    std::string where = " at (" + std::to_string(t[0]) + "," + std::to_string(t[1]) + "," +
                        std::to_string(t[2]) + ")";
    if (kn.marked && !(gn.marked && en.marked)) return "marked outside G or E" + where;
    for (int j = 0; j < gn.numelts; j++) {
      event_t ev = gn.next[j].event();
      if (ev % 2 == 0 && step(kn, ev) < 0) return "uncontrollable " + std::to_string(ev) + where;
    }
    for (int j = 0; j < kn.numelts; j++) {
      event_t ev = kn.next[j].event();
      std::vector<state_t> next{kn.next[j].target(), step(gn, ev), step(en, ev)};
      if (next[1] < 0 || next[2] < 0) return "step " + std::to_string(ev) + " outside" + where;
      if (seen.insert(next).second) todo.push_back(next);
    }
  }
  std::vector<bool> coreachable = ref_coreachable(to_ref(k.des, k.size));
  for (state_t s = 0; s < k.size; s++)
    if (!coreachable[s]) return "blocking state " + std::to_string(s);
  return "";
}

class Procedures : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    debug_mode = 0;
    minflag = 1;
  }
  static void file(const char *name, const owned_des &g) {
    ASSERT_EQ(filedes(name, g.size, 0, g.des), 0) << name;
  }
  // Loads the output `name` (kind -1 for control data) and checks it is well formed.
  static void load(const char *name, state_t kind, owned_des *out, state_t *init = nullptr) {
    state_t field = kind;
    ASSERT_EQ(getdes(name, &out->size, &field, &out->des), 1) << name;
    EXPECT_EQ(des_check(out->des, out->size), 0) << name;
    if (init != nullptr) *init = field;
  }
  // After a completed exchange only DES/DAT files remain in the user directory.
  void expect_no_protocol_files() const {
    for (const char *f : {"murn.prm", "murn.rst", "murn.out", "murn.err"})
      EXPECT_FALSE(install_.user_has(f)) << f;
  }

  scratch_install install_;
};

TEST_F(Procedures, TrimDropsUnreachableAndBlockingStatesKeepingTheirOrder) {
  owned_des g;
  // 3 is a dead end, 4 is unreachable; 0 -1-> 1 -2-> 2 (marked) -4-> 0.
  make_des(5, {{0, 1, 1}, {0, 3, 3}, {1, 2, 2}, {2, 4, 0}, {4, 5, 0}}, {2}, &g);
  file("G", g);
  ASSERT_EQ(trim_runProgram("H", "G"), MURN_OK);
  owned_des h;
  state_t init;
  load("H", 0, &h, &init);
  EXPECT_EQ(init, 0);
  EXPECT_EQ(diff_des(ref_trim(to_ref(g.des, g.size)), h.des, h.size), "");
  ASSERT_EQ(h.size, 3);
  EXPECT_EQ(count_tran(h.des, h.size), 3);
  EXPECT_TRUE(h.des[2].marked);
  expect_no_protocol_files();
}

TEST_F(Procedures, TrimOfRandomDesMatchesTheReference) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 10; round++) {
    random_des_options options;
    options.states = 1 + round * 3;
    owned_des g, h;
    make_random_des(rng, options, &g);
    file("G", g);
    ASSERT_EQ(trim_runProgram("H", "G"), MURN_OK) << round;
    load("H", 0, &h);
    EXPECT_EQ(diff_des(ref_trim(to_ref(g.des, g.size)), h.des, h.size), "") << round;
  }
}

TEST_F(Procedures, TrimRequestWithoutOutputNameAnswersTwoAndWritesNothing) {
  owned_des g;
  make_des(1, {}, {0}, &g);
  file("G", g);
  scratch_install::write_text(install_.user_file("murn.prm"), "0\n1\n2\nG\n");
  EXPECT_EQ(mySystem(), MURN_MISSING_NAME);
  EXPECT_EQ(install_.user_listing(), (std::vector<std::string>{"G.des", "murn.prm"}));
}

TEST_F(Procedures, OutputThatCannotBeWrittenAnswersSeven) {
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  file("G", g);
  EXPECT_EQ(trim_runProgram("no_such_dir/H", "G"), MURN_OUTPUT_NOT_WRITTEN);
  std::string too_long(90, 'h');
  EXPECT_EQ(trim_runProgram(too_long.c_str(), "G"), MURN_OUTPUT_NOT_WRITTEN);
}

TEST_F(Procedures, MeetFollowsCommonEventsOnlyFromTheInitialPair) {
  owned_des a, b;
  make_des(2, {{0, 1, 1}, {1, 2, 0}}, {1}, &a);
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {1, 3, 0}}, {1, 2}, &b);
  file("A", a);
  file("B", b);
  ASSERT_EQ(meet_runProgram("M", "A", "B"), MURN_OK);
  owned_des m;
  load("M", 0, &m);
  // (0,0) -1-> (1,1) -2-> (0,2); only (1,1) has both components marked.
  ASSERT_EQ(m.size, 3);
  EXPECT_EQ(count_tran(m.des, m.size), 2);
  EXPECT_EQ(num_marked(m.des, m.size), 1);
  EXPECT_TRUE(m.des[1].marked);
  EXPECT_EQ(diff_des(ref_meet(to_ref(a.des, a.size), to_ref(b.des, b.size)), m.des, m.size), "");
  expect_no_protocol_files();
}

TEST_F(Procedures, SyncInterleavesPrivateEvents) {
  owned_des a, b;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  make_des(2, {{0, 2, 1}}, {1}, &b);
  file("A", a);
  file("B", b);
  ASSERT_EQ(sync_runProgram("S", "A", "B"), MURN_OK);
  owned_des s;
  load("S", 0, &s);
  // (0,0) -1-> (1,0), -2-> (0,1); both reach (1,1), the one marked state.
  ASSERT_EQ(s.size, 4);
  EXPECT_EQ(count_tran(s.des, s.size), 4);
  EXPECT_EQ(num_marked(s.des, s.size), 1);
  EXPECT_TRUE(s.des[3].marked);
}

TEST_F(Procedures, ProductsOfRandomDesMatchTheReference) {
  std::mt19937 rng(7);
  for (int round = 0; round < 8; round++) {
    random_des_options options;
    options.states = 2 + round;
    options.events = {0, 1, 2, 3, 4, 5};
    owned_des a, b, m, s;
    make_random_des(rng, options, &a);
    options.events = {1, 2, 3, 6, 7};
    make_random_des(rng, options, &b);
    file("A", a);
    file("B", b);
    ref_des ra = to_ref(a.des, a.size), rb = to_ref(b.des, b.size);
    ASSERT_EQ(meet_runProgram("M", "A", "B"), MURN_OK);
    load("M", 0, &m);
    EXPECT_EQ(diff_des(ref_meet(ra, rb), m.des, m.size), "") << round;
    ASSERT_EQ(sync_runProgram("S", "A", "B"), MURN_OK);
    load("S", 0, &s);
    EXPECT_EQ(diff_des(ref_sync(ra, rb), s.des, s.size), "") << round;
  }
}

// A missing input reads as the empty DES, whose product with anything is empty.
TEST_F(Procedures, MissingInputGivesAnEmptyProduct) {
  owned_des a, m;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  file("A", a);
  ASSERT_EQ(meet_runProgram("M", "A", "NONE"), MURN_OK);
  load("M", 0, &m);
  EXPECT_EQ(m.size, 0);
}

// A corrupt input must not pass for an empty DES: the procedure answers 8, and an earlier output
// of the same name stays as it was.
TEST_F(Procedures, CorruptInputIsReportedAndLeavesTheOldOutput) {
  owned_des a;
  make_des(2, {{0, 1, 1}}, {1}, &a);
  file("A", a);
  file("M", a);
  scratch_install::write_text(install_.user_file("BAD.des"), "SARV DES file. Version 1.0\x1a");
  std::string before = scratch_install::read_text(install_.user_file("M.des"));
  EXPECT_EQ(meet_runProgram("M", "A", "BAD"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(trim_runProgram("M", "BAD"), MURN_INPUT_NOT_READ);
  EXPECT_EQ(scratch_install::read_text(install_.user_file("M.des")), before);
}

// The progress lines of debug mode reach the front end's standard output (drawn on row 23 when
// there is a terminal), which the compute process shares in debug mode; otherwise they vanish
// with "murn.out".
TEST_F(Procedures, ProgressLinesOnlyInDebugMode) {
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  file("G", g);
  for (int debug : {1, 0}) {
    debug_mode = debug;
    testing::internal::CaptureStdout();
    EXPECT_EQ(trim_runProgram("H", "G"), MURN_OK);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("B_REACH: 0") != std::string::npos, debug == 1) << out;
  }
}

TEST_F(Procedures, SupconDisablesOnlyControllableEventsAndRemovesWhatCannotBeKept) {
  owned_des plant, spec;
  // The plant may go 0 -1-> 1 and then 1 -2-> 2 (uncontrollable) or 1 -4-> 0 (uncontrollable);
  // the specification does not allow event 2, so controllable event 1 must never occur.
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {1, 4, 0}}, {0, 2}, &plant);
  make_des(2, {{0, 1, 1}, {1, 4, 0}}, {0}, &spec);
  file("G", plant);
  file("E", spec);
  ASSERT_EQ(supcon_runProgram("K", "G", "E"), MURN_OK);
  owned_des k;
  load("K", 0, &k);
  ASSERT_EQ(k.size, 1);
  EXPECT_EQ(count_tran(k.des, k.size), 0);
  EXPECT_TRUE(k.des[0].marked);
  expect_no_protocol_files();
}

TEST_F(Procedures, SupconUnderAPermissiveSpecificationIsTheTrimmedMeet) {
  owned_des plant, spec;
  // 3 is blocking; the specification allows every event everywhere.
  make_des(4, {{0, 1, 1}, {1, 2, 0}, {0, 3, 3}}, {1}, &plant);
  make_des(1, {{0, 1, 0}, {0, 2, 0}, {0, 3, 0}}, {0}, &spec);
  file("G", plant);
  file("E", spec);
  ASSERT_EQ(supcon_runProgram("K", "G", "E"), MURN_OK);
  owned_des k;
  load("K", 0, &k);
  EXPECT_EQ(diff_des(ref_trim(ref_meet(to_ref(plant.des, plant.size), to_ref(spec.des, spec.size))),
                     k.des, k.size),
            "");
  EXPECT_EQ(k.size, 2);
  EXPECT_EQ(count_tran(k.des, k.size), 2);
}

TEST_F(Procedures, SupconOfAnEmptyPlantIsEmpty) {
  owned_des spec, k;
  make_des(1, {{0, 1, 0}}, {0}, &spec);
  file("E", spec);
  ASSERT_EQ(supcon_runProgram("K", "NONE", "E"), MURN_OK);
  load("K", 0, &k);
  EXPECT_EQ(k.size, 0);
}

// Random plants and specifications: the result equals the reference fixed point, and is checked
// directly for controllability, containment and nonblocking; its control data disable only
// controllable events and equal the reference control data.
TEST_F(Procedures, SupconAndCondatOfRandomDesAgreeWithReferenceAndProperties) {
  std::mt19937 rng(4242);
  int nonempty = 0;
  for (int round = 0; round < 30; round++) {
    random_des_options options;
    options.states = 3 + round % 6;
    options.events = {0, 1, 2, 3, 5};
    options.marked_fraction = 0.5;
    owned_des g, e, k, d;
    make_random_des(rng, options, &g);
    // A specification with many transitions and markers leaves something to keep.
    options.states = 2 + round % 4;
    options.max_out = 5;
    options.marked_fraction = 0.7;
    make_random_des(rng, options, &e);
    file("G", g);
    file("E", e);
    ASSERT_EQ(supcon_runProgram("K", "G", "E"), MURN_OK) << round;
    load("K", 0, &k);
    ref_des rg = to_ref(g.des, g.size);
    EXPECT_EQ(diff_des(ref_supcon(rg, to_ref(e.des, e.size)), k.des, k.size), "") << round;
    EXPECT_EQ(check_supervisor(k, g, e), "") << round;
    if (k.size == 0) continue;
    nonempty++;
    ASSERT_EQ(condat_runProgram("D", "G", "K"), MURN_OK) << round;
    state_t init;
    load("D", -1, &d, &init);
    EXPECT_EQ(init, -1);
    ASSERT_EQ(d.size, k.size);
    std::vector<std::set<event_t>> expected = ref_condat(rg, to_ref(k.des, k.size));
    for (state_t y = 0; y < d.size; y++) {
      std::set<event_t> disabled;
      for (int j = 0; j < d.des[y].numelts; j++) {
        disabled.insert(d.des[y].next[j].event());
        EXPECT_EQ(d.des[y].next[j].target(), 0);
        EXPECT_EQ(d.des[y].next[j].event() % 2, 1) << "uncontrollable event disabled";
      }
      EXPECT_EQ(disabled, expected[y]) << round << " state " << y;
    }
  }
  EXPECT_GE(nonempty, 5);
}

TEST_F(Procedures, CondatWritesADatFileListingDisabledEvents) {
  owned_des plant, supervisor;
  // The plant offers 1 and 3 at state 0; the supervisor only lets 1 happen.
  make_des(3, {{0, 1, 1}, {0, 3, 2}, {1, 2, 0}}, {0}, &plant);
  make_des(2, {{0, 1, 1}, {1, 2, 0}}, {0}, &supervisor);
  file("G", plant);
  file("S", supervisor);
  ASSERT_EQ(condat_runProgram("D", "G", "S"), MURN_OK);
  EXPECT_TRUE(install_.user_has("D.dat"));
  EXPECT_FALSE(install_.user_has("D.des"));
  owned_des d;
  state_t init;
  load("D", -1, &d, &init);
  EXPECT_EQ(init, -1);
  ASSERT_EQ(d.size, 2);
  ASSERT_EQ(d.des[0].numelts, 1);
  EXPECT_EQ(d.des[0].next[0].event(), 3);
  EXPECT_EQ(d.des[1].numelts, 0);
  expect_no_protocol_files();
}

}  // namespace

// Create, File ADS and Edit by key scripts: files, MAKEIT entries, screens, and every file kept
// after Esc, a failed write or running out of memory; then the DES editing steps below them.
#include <sys/stat.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/replay.h"
#include "engine/script.h"
#include "engine/startup.h"
#include "model/des_file.h"
#include "model/mymalloc.h"
#include "support/reference.h"
#include "support/transform_ref.h"
#include "tests/ui/screen_fixture.h"
#include "ui/create.h"
#include "ui/des_edit.h"
#include "ui/editor.h"
#include "ui/listing.h"

namespace {

class Dialogs : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    snprintf(path, sizeof path, "%s", dir_.c_str());
  }

  std::string log() { return file("makeit.txt"); }

  // Files DES `name` made of the transitions and marker states given.
  void put(const char *name, state_t size, const std::vector<transition_spec> &trans,
           const std::vector<state_t> &marked, owned_des *d) {
    make_des(size, trans, marked, d);
    ASSERT_EQ(filedes(name, d->size, 0, d->des), 0);
  }

  // Loads DES `name` into d; false when it cannot be read.
  bool load(const char *name, owned_des *d) {
    state_t init = 0;
    return getdes(name, &d->size, &init, &d->des) == 1;
  }
};

// The key script of a keyboard Create, cut where each prompt begins.
const std::vector<std::string> CREATE_KEYS = {"1\r",  "G\r",  "3\r", "0\r", "2\r",  "-1\r", "1\r",
                                              "20\r", "-1\r", "0\r", "1\r", "1\r",  "0\r",  "1\r",
                                              "1\r",  "1\r",  "2\r", "2\r", "-1\r", "y"};

// Edit of OLD saved as NEW: mark 3, add 0 -1-> 2, visit every other prompt, remove unreachable
// states. OLD: 0 -3-> 1 -5-> 3, and 4 -7-> 0 unreachable.
const std::vector<std::string> EDIT_KEYS = {
    "OLD\r", "\r",   "NEW\r", "n", "3\r", "-1\r", "-1\r", "n",    "0\r", "1\r", "2\r",
    "-1\r",  "-1\r", "\r",    "n", "\r",  "-1\r", "y",    "-1\r", "y",   "\r",  "y"};
const size_t EDIT_PAUSE_AFTER_CHECK = 20;  // "Press <Enter> to continue" ignores Esc

// Esc at any prompt of Create or Edit writes nothing; the whole scripts file and log the automata.
TEST_F(Dialogs, EscAtAnyPromptThenTheWholeCreateAndEdit) {
  owned_des old, g, result, want;
  put("OLD", 5, {{0, 3, 1}, {1, 5, 3}, {4, 7, 0}}, {}, &old);
  std::string before = file("OLD.des");
  const struct {
    const std::vector<std::string> &pieces;
    void (*run)();
    size_t skipped;
    std::string output;
  } runs[] = {{CREATE_KEYS, create_p, SIZE_MAX, "G.des"},
              {EDIT_KEYS, edit_p, EDIT_PAUSE_AFTER_CHECK, "NEW.des"},
              {{"2\r", "T\r"}, create_p, SIZE_MAX, "T.ads"}};
  for (auto &r : runs)
    for (size_t cut = 0; cut < r.pieces.size(); cut++) {
      if (cut == r.skipped) continue;
      keys(std::accumulate(r.pieces.begin(), r.pieces.begin() + cut, std::string()) + "\x1b\xff");
      r.run();
      EXPECT_EQ(file("OLD.des") + file(r.output) + log(), before + "<none><none>") << cut;
    }
  keys(std::accumulate(CREATE_KEYS.begin(), CREATE_KEYS.end(), std::string()) + "\r");
  create_p();
  ASSERT_TRUE(load("G", &g));  // the repeated transition is stored once
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {0, 2}, &want);
  want.des[1].vocal = 20;
  EXPECT_EQ(diff_des(to_ref(want.des, want.size), g.des, g.size), "");
  EXPECT_EQ(log(), "G = Create(G,[mark 0,2],[voc [1,20]],[tran [0,1,1],[1,2,2]])  (3,2)\n\n");
  expect_rows({{3, "G is OK."}, {21, "G has been filed as " + dir_ + "/G.des"}});
  EXPECT_EQ(unread(), 0);
  remove("makeit.txt");
  keys(std::accumulate(EDIT_KEYS.begin(), EDIT_KEYS.end(), std::string()) + "\r");
  edit_p();
  EXPECT_EQ(log(), "NEW = Edit(OLD,[mark +[3]],[trans +[0,1,2]],rch)  (4,3)\n\n");
  EXPECT_EQ(file("OLD.des"), before);
  ASSERT_TRUE(load("NEW", &result));
  make_des(4, {{0, 1, 2}, {0, 3, 1}, {1, 5, 3}}, {3}, &want);
  EXPECT_EQ(diff_des(to_ref(want.des, want.size), result.des, result.size), "");
}

TEST_F(Dialogs, CreateReportsNondeterminismOneRowPerRunFilesTemplatesAndFailsWrites) {
  // Shared events first, in the middle and last in a state's list; one transition typed twice.
  keys(
      "1\rN\r3\r-1\r-1\r0\r1\r1\r0\r1\r2\r1\r3\r0\r1\r3\r1\r1\r3\r2\r1\r3\r2\r0\r5\r0\r2\r1\r0\r"
      "2\r4\r0\r2\r4\r1\r-1\ry\r");
  create_p();
  expect_rows({{3, "WARNING: N is nondeterministic!"},
               {6, "[    0,  1,    1]  [    0,  1,    2]"},
               {7, ""},
               {8, "[    1,  3,    0]  [    1,  3,    1]  [    1,  3,    2]"},
               {10, "[    2,  4,    0]  [    2,  4,    1]"}});
  EXPECT_EQ(log().substr(0, 14), "N = Create(N,[");

  keys("1\rE\r0\r*\r-1\r-1\r\r\r");  // no states: "*" marks nothing, Enter skips the check
  create_p();
  owned_des e;
  ASSERT_TRUE(load("E", &e));
  EXPECT_EQ(e.size, 0);
  EXPECT_EQ(log().substr(log().size() - 22), "E = Create(E)  (0,0)\n\n");
  // A template, and a failed write.
  remove("makeit.txt");
  keys("2\rT\r\r");
  create_p();
  EXPECT_EQ(file("T.ads").substr(0, 20), "# MURN ADS Template\n");
  EXPECT_EQ(row(18), "T.ads to T.des");

  ASSERT_EQ(mkdir((dir_ + "/X.des").c_str(), 0700), 0);
  keys("1\rX\ry1\r-1\r-1\r-1\r\r\r");
  create_p();
  EXPECT_EQ(unread(), 0);  // the last Enter answered the pause after the failed write
  EXPECT_EQ(log(), "<none>");
  EXPECT_NE(terminal_output().find("Error writing file: " + dir_ + "/X.des"), std::string::npos);
}

const char *const GOOD_ADS =
    "GOOD\n\nState size (State set will be (0,1....,size-1)):\n3\n\nMarker states:\n*\n\n"
    "Vocal states:\n\nTransitions:\n0 1 1\n1 0 2\n";

TEST_F(Dialogs, FileOneAdsWithErrorsShowsAtMostTen) {
  std::string bad = "BAD\nState size\n2\nMarker states:\n";
  for (int i = 0; i < 12; i++) bad += "5\n";
  write("BAD.ads", bad + "Vocal states:\nTransitions:\n");
  keys("1\rBAD\r\r\r");
  file_ads_p();
  expect_rows({{8, "Error(s) reading file: " + dir_ + "/BAD.ads"},
               {10, "  Marker state too large at line 5."},
               {19, "  Marker state too large at line 14."},
               {20, ""}});
  EXPECT_EQ(file("BAD.des") + log(), "<none><none>");

  write("N.ads",
        "N\nState size\n3\nMarker states:\nVocal states:\nTransitions:\n0 1 1\n0 1 2\n9 1 1\n");
  keys("1\rN\r\r\r");
  file_ads_p();
  expect_rows({{9, ""},
               {10, "  Nondeterministic transition at lines 7 and 8."},
               {12, "  Exit state too large at line 9."}});

  write("GOOD.ads", GOOD_ADS);
  keys("1\rGOOD\rnNEW\r\r");
  file_ads_p();
  EXPECT_EQ(log(), "NEW = Create(NEW,[mark 0,1,2],[tran [0,1,1],[1,0,2]])  (3,2)\n\n");
  EXPECT_EQ(row(21), "NEW has been filed as " + dir_ + "/NEW.des");
}

// A base name the rule refuses fails; existing DES are replaced after one question ("n": none).
TEST_F(Dialogs, FileAllAdsListsTheFailuresAndAsksBeforeReplacing) {
  write("good.ads", GOOD_ADS);
  write("UP.ADS", GOOD_ADS);
  write("bad.ads", "bad\n");
  write("p(1).ads", GOOD_ADS);
  ASSERT_EQ(mkdir((dir_ + "/sub.ads").c_str(), 0700), 0);
  keys("2\r\r");
  file_ads_p();
  const std::string entry = "good = Create(good,[mark 0,1,2],[tran [0,1,1],[1,0,2]])  (3,2)\n\n";
  EXPECT_EQ(log(), entry);
  EXPECT_EQ(file("UP.des"), "<none>");
  expect_rows(
      {{10, "Number of successful filings is: 1"}, {12, "Failures:  bad.ads          p(1).ads"}});

  remove((dir_ + "/bad.ads").c_str());
  remove((dir_ + "/p(1).ads").c_str());
  keys("2\rn");
  file_ads_p();
  EXPECT_EQ(row(10), "1 DES files exist and will be replaced. Continue? (y/*n)  n");
  keys("2\ry\r");
  file_ads_p();
  expect_rows({{14, "Replaced:  good.des"}, {20, "Failures: 0"}});
  EXPECT_EQ(log(), entry + entry);
}

TEST_F(Dialogs, EditWriteFailureAndOutOfMemoryLeaveTheFiles) {
  owned_des g;
  put("G", 2, {{0, 1, 1}}, {1}, &g);
  std::string before = file("G.des");
  ASSERT_EQ(mkdir((dir_ + "/X.des").c_str(), 0700), 0);
  keys("G\r\rX\ry\r\r\r\r\r\r\r");
  edit_p();
  EXPECT_EQ(row(22), "Error writing file: " + dir_ + "/X.des");
  EXPECT_EQ(log(), "<none>");

  bool failed_while_editing = false, completed = false;
  for (long k = 0; k < 40 && !completed; k++) {
    keys("G\rnn50\r-1\r-1\r\r\r\r\r\r\r\r\r\r");
    fail_allocation_after(k);
    edit_p();
    fail_allocation_after(-1);
    if (row(22) == "Problem too large -- out of memory!") {
      EXPECT_EQ(file("G.des") + log(), before + "<none>") << k;
      if (row(0).find("Enter states of G to be newly marked") == 0) failed_while_editing = true;
    } else {
      completed = true;
      EXPECT_EQ(log(), "G = Edit(G,[mark +[50]])  (51,1)\n\n");
    }
  }
  EXPECT_TRUE(failed_while_editing);
  EXPECT_TRUE(completed);
}

// Sources of the edits below: B 0-1->1-1->2-3->3; A 0-1->1-2->0, 1-4->2-3->0; D 0-1->1-2->2-3->1,
// 2 marked; C one empty state; E none; T ten states; M marks 999998..1000001; F 3000, all marked.
struct source_des {
  state_t size;
  std::vector<transition_spec> trans;
  std::vector<state_t> marked;
};
const source_des B{4, {{0, 1, 1}, {1, 1, 2}, {2, 3, 3}}, {}},
    A{3, {{0, 1, 1}, {1, 2, 0}, {1, 4, 2}, {2, 3, 0}}, {}},
    D{3, {{0, 1, 1}, {1, 2, 2}, {2, 3, 1}}, {2}}, C{1, {}, {}}, E{0, {}, {}}, T{10, {}, {}},
    M{1000012, {}, {999998, 999999, 1000000, 1000001}};

// Edits of S in place ("S\rn" first): entry, refusals (bells), rows, a well-formed saved DES equal
// to the entry replayed on the source, or, where the entry leaves the new initial state unnamed,
// with the marked words (up to 4) given. An edit stopped by Esc logs nothing, keeps its screen.
TEST_F(Dialogs, EditSavesWhatItsEntryReplays) {
  const std::string tail = "\r\r\r\r", esc = "\x1b";  // no deletion, check, reach; closing screen
  std::vector<state_t> all(3000);
  std::iota(all.begin(), all.end(), 0);
  const source_des F{3000, {}, all};
  struct {
    const source_des &source;
    std::string keys, entry;  // no entry: stopped by Esc
    int refusals;
    std::vector<std::pair<int, std::string>> rows = {};
    std::set<word> language = {};
  } cases[] = {
      // clang-format off
      {B, "\r\r\ry1\r-1\r\r\r\r", "S = Edit(S,[states -[1]])  (4,1)", 0},
      {A, "\r\r\ry0\r0\r2\r2\r-1\r\r\r\r", "S = Edit(S,[states -[0]])  (2,1)", 2},
      {D, "\r\r\ry0\r2\r-1\r\rn\r", "S = Edit(S,[states -[0]])  (2,2)", 0, {}, {{}, {3, 2}, {3, 2, 3, 2}}},
      {C, "\rn0\r1\r9\r-1\r0\r1\r9\r-1\r\r\r" + tail, "S = Edit(S)  (1,0)", 0},
      {E, "\rn*\r1\r5\r-1\r-1\r\r\r" + tail, "S = Edit(S)  (0,0)", 0},
      {B, "\rn-1\r1\r99\r0\r*\r7\r0\r1\r1\r2\r-1\r\r\r" + tail,
       "S = Edit(S,[trans -[1,1,2]])  (4,2)", 2},
      {B, "\rn-1\r0\r1\r1\r-1\rn0\r1\r1\r-1\r-1\r\r\r" + tail, "S = Edit(S)  (4,3)", 0},
      {B, "n11\r*\r12\r-1\r1\r-1\rn-1\r1\r1\r2\r2\r3\r3\r-1\r\rny0\r20\r30\r0\r-1\r1\r20\r-1\r"
          "y5\r4\r-1\r\r\r\r",
       "S = Edit(S,[mark +[11],+[all],+[12],-[1]],[states -[4],-[5]],[trans -[1,1,\n"
       "    2],-[2,3,3]],[voc [1,20]],[unif [0,20],[30,0]])  (13,1)", 0},
      {B, "n-1\r*\rn0\r1\r0\r-1\r0\r1\r1\r-1\r\r\r" + tail,
       "S = Edit(S,[mark -[all]],[trans +[0,1,0],-[0,1,1]])  (4,3)", 0},
      {T, "n12\r*\r14\r-1\r-1\r\r\r" + tail, "S = Edit(S,[mark +[12],+[all],+[14]])  (15,0)", 0},
      {T, "n12\r-1\r-1\rn*\r9\r0\r-1\r-1\r\r\r" + tail,
       "S = Edit(S,[mark +[12]],[trans +[0,9,0],+[1,9,0],+[2,9,0],+[3,9,0],+[4,9,0\n"
       "    ],+[5,9,0],+[6,9,0],+[7,9,0],+[8,9,0],+[9,9,0]])  (13,10)", 0},
      {B, "\r\rn\r9\r20\r9\r0\r-1\r" + tail, "S = Edit(S,[voc [9,0]])  (4,3)", 0},
      {B, "\r\rn\r9\r20\r-1\r" + tail, "S = Edit(S,[voc [9,20]])  (10,3)", 0},  // an output keeps 9
      {B, "\r\r\r\r\r\r\r", "S = Edit(S)  (4,3)", 0, {{7, "EDITING COMPLETE"},
          {9, "S has been filed as"}, {12, "Size (states,transitions):  (4,3)"}}},
      {M, esc, "", 0, {{11, "     999998   999999   1000000  1000001"}}},
      {F, "T" + esc, "", 0, {{3, "     2988   2989   2990   2991   2992   2993   2994   2995   2996"},
          {4, "     2997   2998   2999"}, {6, "OK?  (*y/n)"}}},
      {B, "\rn3\r5\r0\r-1\r0\r1\r1\r-1\r" + esc, "", 0, {{2, "Transitions added so far: 1"},
          {3, "[    3,  5,    0]"}, {5, "Transitions deleted so far: 1"}, {6, "[    0,  1,    1]"},
          {8, "Current transition list OK?  (*y/n)"}}},
      // clang-format on
  };
  for (auto &c : cases) {
    owned_des source, saved, replayed;
    put("S", c.source.size, c.source.trans, c.source.marked, &source);
    remove("makeit.txt");
    int bells_before = bells();
    keys("S\rn" + c.keys);
    edit_p();
    EXPECT_EQ(unread(), 0) << c.keys;
    EXPECT_EQ(log(), c.entry.empty() ? "<none>" : c.entry + "\n\n");
    EXPECT_EQ(bells() - bells_before, c.refusals) << c.keys;
    expect_rows(c.rows);
    if (c.entry.empty()) continue;
    ASSERT_TRUE(load("S", &saved)) << c.keys;
    EXPECT_EQ(des_check(saved.des, saved.size), 0) << c.keys;
    std::vector<script_step> steps;
    std::string error;
    ASSERT_EQ(parse_script(log(), &steps, &error), 0) << error;
    if (c.entry.find("-[0]") != std::string::npos) {
      EXPECT_EQ(ref_marked_language(to_ref(saved.des, saved.size), 4), c.language) << c.keys;
      continue;
    }
    copy_des(source.des, source.size, &replayed);
    EXPECT_EQ(apply_edit(steps[0], &replayed.size, &replayed.des), "");
    EXPECT_EQ(diff_des(to_ref(saved.des, saved.size), replayed.des, replayed.size), "") << c.keys;
  }
  // The nondeterminism listing: a continuation page of 100 shared transitions.
  std::vector<triple> list;
  for (state_t t = 0; t < 100; t++) list.push_back(triple{0, 1, t});
  keys("\r");
  clear();
  display_conflict_tran(list.data(), list.size(), 200);
  EXPECT_EQ(unread(), 0);
  expect_rows({{0, "Nondeterministic transitions:"},
               {1, "[    0,  1,   72]  [    0,  1,   73]  [    0,  1,   74]  [    0,  1,   75]"},
               {7, "[    0,  1,   96]  [    0,  1,   97]  [    0,  1,   98]  [    0,  1,   99]"}});
}

TEST(SwapStates, IsARenumberingThatMovesTheInitialState) {
  std::mt19937 rng(11);
  for (int round = 0; round < 40; round++) {
    owned_des d;
    random_des_options o{.states = 2 + round % 7, .deterministic = round % 2 == 0, .vocal = true};
    make_random_des(rng, o, &d);
    state_t b = static_cast<state_t>(rng() % static_cast<unsigned>(d.size));
    std::vector<state_t> map(static_cast<size_t>(d.size));
    for (state_t s = 0; s < d.size; s++) map[s] = s == 0 ? b : (s == b ? 0 : s);
    ref_des expected = ref_renumber(to_ref(d.des, d.size), map);
    swap_states(d.des, d.size, 0, b);
    EXPECT_EQ(des_check(d.des, d.size), 0);
    EXPECT_EQ(diff_des(expected, d.des, d.size), "") << round;
  }
}

}  // namespace

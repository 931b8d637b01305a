// Trimming and renumbering a hand-made DES, its nondeterministic transitions, and the
// Edit entries of the MAKEIT log.
#include "ui/des_edit.h"

#include <gtest/gtest.h>

#include <random>

#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

TEST(TrimEndstates, DropsOnlyTrailingEmptyUnreachableStates) {
  struct {
    state_t size;
    std::vector<transition_spec> trans;
    std::vector<state_t> marked;
    state_t kept;
  } cases[] = {{7, {{0, 1, 1}}, {2}, 4},  // 3 has an output; 4, 5 and 6 are empty
               {3, {{0, 2, 2}}, {}, 3},   // the last state is entered from 0
               {3, {}, {}, 1}};           // state 0 stays even when it is empty
  for (auto &c : cases) {
    owned_des d;
    make_des(c.size, c.trans, c.marked, &d);
    if (c.size == 7) d.des[3].vocal = 20;
    trim_endstates(&d.size, &d.des);
    EXPECT_EQ(d.size, c.kept);
    EXPECT_EQ(des_check(d.des, d.size), 0);
  }
}

TEST(SwapStates, IsARenumberingThatMovesTheInitialState) {
  std::mt19937 rng(11);
  for (int round = 0; round < 40; round++) {
    owned_des d;
    random_des_options o;
    o.states = 2 + round % 7;
    o.deterministic = round % 2 == 0;
    o.vocal = true;
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

// Every transition sharing its event with another one of the same state is listed, wherever the
// pair stands in the state's list.
TEST(Nondeterminism, ListsEveryPartnerOfASharedEvent) {
  owned_des d;
  make_des(4, {{0, 1, 1}, {0, 1, 2}, {0, 3, 3}, {2, 2, 0}, {3, 1, 0}, {3, 5, 1}, {3, 5, 3}}, {},
           &d);
  std::vector<triple> found = nondeterministic_transitions(d.des, d.size);
  std::vector<std::vector<long>> listed;
  for (const triple &t : found) listed.push_back({t.first, t.middle, t.third});
  EXPECT_EQ(listed, (std::vector<std::vector<long>>{{0, 1, 1}, {0, 1, 2}, {3, 5, 1}, {3, 5, 3}}));
  owned_des det;
  make_des(2, {{0, 1, 1}, {0, 2, 1}, {1, 1, 0}}, {}, &det);
  EXPECT_TRUE(nondeterministic_transitions(det.des, det.size).empty());
}

TEST(EditEntry, GroupsOpenAndCloseAsLogged) {
  EXPECT_EQ(edit_entry("A", "A", edit_record(), 2, 1), "A = Edit(A)  (2,1)\n\n");
  edit_record all;
  all.all_marked = true;
  all.new_marks = {0, 1};
  all.old_marks = {1};
  all.deleted_states = {0, 4};
  all.old_trans = {triple{1, 2, 3}, triple{2, 2, 3}};
  all.vocals = {state_pair{1, 20}};
  all.unif_pairs = {state_pair{0, 20}, state_pair{30, 0}};
  EXPECT_EQ(edit_entry("B", "A", all, 3, 0),
            "B = Edit(A,[mark +[all],-[1]],[states -[0],-[4]],[trans -[1,2,3],-[2,2,3]],"
            "[voc [1,20]],[unif [0,20],[30,0]])  (3,0)\n\n");
  edit_record unmark;
  unmark.all_unmarked = true;
  unmark.new_trans = {triple{0, 1, 0}};
  unmark.old_trans = {triple{0, 3, 0}};
  EXPECT_EQ(edit_entry("B", "A", unmark, 1, 1),
            "B = Edit(A,[mark -[all]],[trans +[0,1,0],-[0,3,0]])  (1,1)\n\n");
}

}  // namespace

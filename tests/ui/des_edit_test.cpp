// Growing, trimming and renumbering a hand-made DES, its nondeterministic transitions, and the
// Create and Edit entries of the MAKEIT log.
#include "ui/des_edit.h"

#include <gtest/gtest.h>

#include <random>

#include "model/mymalloc.h"
#include "support/reference.h"
#include "support/transform_ref.h"

namespace {

TEST(AddDes, GrowsWithEmptyStatesAndKeepsTheDesOnFailure) {
  owned_des d;
  make_des(10, {{0, 1, 9}}, {3}, &d);
  EXPECT_EQ(add_des(&d.des, &d.size, 4), 0);
  EXPECT_EQ(d.size, 10);
  EXPECT_EQ(add_des(&d.des, &d.size, 12), 0);
  ASSERT_EQ(d.size, 13);
  for (state_t s = 10; s < 13; s++) {
    EXPECT_EQ(d.des[s].marked + d.des[s].vocal + d.des[s].numelts, 0) << s;
    EXPECT_EQ(d.des[s].next, nullptr);
  }
  EXPECT_EQ(d.des[0].numelts, 1);
  EXPECT_EQ(des_check(d.des, d.size), 0);

  mem_result = 0;
  fail_allocation_after(0);
  EXPECT_EQ(add_des(&d.des, &d.size, 40), 1);
  fail_allocation_after(-1);
  EXPECT_EQ(mem_result, 1);
  mem_result = 0;
  EXPECT_EQ(d.size, 13);
  EXPECT_EQ(d.des[0].next[0].target(), 9);
}

TEST(TrimEndstates, DropsOnlyTrailingEmptyUnreachableStates) {
  owned_des d;
  // 0 -1-> 1; 2 isolated but marked; 3 isolated with an output; 4, 5 and 6 isolated and empty.
  make_des(7, {{0, 1, 1}}, {2}, &d);
  d.des[3].vocal = 20;
  trim_endstates(&d.size, &d.des);
  EXPECT_EQ(d.size, 4);
  EXPECT_EQ(des_check(d.des, d.size), 0);

  owned_des reached;  // the last state is entered from 0: nothing goes
  make_des(3, {{0, 2, 2}}, {}, &reached);
  trim_endstates(&reached.size, &reached.des);
  EXPECT_EQ(reached.size, 3);

  owned_des lonely;  // state 0 stays even when it is empty
  make_des(3, {}, {}, &lonely);
  trim_endstates(&lonely.size, &lonely.des);
  EXPECT_EQ(lonely.size, 1);
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
  // The language from 0 afterwards is the one that started at the chosen state.
  owned_des g;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 3, 0}}, {0}, &g);
  swap_states(g.des, g.size, 0, 2);
  std::set<word> marked = ref_marked_language(to_ref(g.des, g.size), 3);
  EXPECT_EQ(marked, (std::set<word>{{3}}));
}

TEST(Nondeterminism, ListsEveryPartnerOfASharedEvent) {
  owned_des d;
  make_des(4, {{0, 1, 1}, {0, 1, 2}, {0, 3, 3}, {2, 2, 0}, {3, 5, 0}, {3, 5, 1}, {3, 5, 3}}, {},
           &d);
  std::vector<triple> found = nondeterministic_transitions(d.des, d.size);
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].first, 0);
  EXPECT_EQ(found[1].third, 2);
  EXPECT_EQ(found[2].first, 3);
  EXPECT_EQ(found[4].third, 3);
  owned_des det;
  make_des(2, {{0, 1, 1}, {0, 2, 1}, {1, 1, 0}}, {}, &det);
  EXPECT_TRUE(nondeterministic_transitions(det.des, det.size).empty());
}

TEST(CreateEntry, MarksAllOrListedVocalsAndTransitions) {
  owned_des d;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {0, 3, 2}}, {0, 1, 2}, &d);
  d.des[2].vocal = 11;
  EXPECT_EQ(create_entry("G", d.des, d.size, false),
            "G = Create(G,[mark all],[voc [2,11]],[tran [0,1,1],[0,3,2],[1,2,2]])  (3,3)\n\n");
  EXPECT_EQ(create_entry("G", d.des, d.size, true),
            "G = Create(G,[mark 0,1,2],[voc [2,11]],[tran [0,1,1],[0,3,2],[1,2,2]])  (3,3)\n\n");
  d.des[1].marked = 0;
  d.des[2].vocal = 0;
  EXPECT_EQ(create_entry("G", d.des, d.size, false),
            "G = Create(G,[mark 0,2],[tran [0,1,1],[0,3,2],[1,2,2]])  (3,3)\n\n");
  EXPECT_EQ(create_entry("E", nullptr, 0, false), "E = Create(E)  (0,0)\n\n");
}

TEST(EditEntry, GroupsOpenAndCloseAsLogged) {
  edit_record r;
  r.new_marks = {3};
  r.new_trans = {triple{0, 1, 2}};
  r.reached = true;
  EXPECT_EQ(edit_entry("NEW", "OLD", r, 4, 5),
            "NEW = Edit(OLD,[mark +[3]],[trans +[0,1,2]],rch)  (4,5)\n\n");
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
  unmark.all_unmarked = false;
  unmark.old_marks = {2, 5};
  unmark.new_marks = {7};
  EXPECT_EQ(edit_entry("B", "A", unmark, 8, 1).substr(0, 39),
            "B = Edit(A,[mark +[7],-[2],-[5]],[trans");
}

}  // namespace

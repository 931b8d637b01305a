// Whole-DES helpers: the rules other procedures build on.
#include <gtest/gtest.h>

#include "model/des_supp.h"
#include "support/random_des.h"

namespace {

TEST(DesHelpers, OutputsMapOnceAndShrinkingReleasesTransitions) {
  owned_des g;
  make_des(3, {{0, 1, 1}, {1, 2, 2}}, {2}, &g);
  g.des[0].vocal = 10;
  g.des[2].vocal = 30;
  const state_pair pairs[] = {{10, 20}, {20, 30}, {30, 40}};
  vocalmap_des(g.des, g.size, pairs, 3);
  EXPECT_EQ(g.des[0].vocal, 20);  // not chained on to 30
  EXPECT_EQ(g.des[1].vocal, 0);
  EXPECT_EQ(g.des[2].vocal, 40);
  EXPECT_EQ(num_mark_states(g.des, g.size), 1);
  // Shrinking releases the dropped states' transitions (the sanitizer build sees a leak).
  resize_des(&g.des, g.size, 1);
  g.size = 1;
  resize_des(&g.des, g.size, 0);
  g.size = 0;
}

}  // namespace

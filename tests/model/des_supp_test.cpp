// Sorted lists, the stack and the queue.
#include "model/des_supp.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(TransitionList, InsertsInOrderAndDropsDuplicates) {
  tran_entry *list = nullptr;
  int n = 0, added;
  addordlist1(5, 3, &list, n, &added);
  n += added;
  addordlist1(5, 1, &list, n, &added);
  n += added;
  addordlist1(4, 9, &list, n, &added);
  n += added;
  addordlist1(5, 1, &list, n, &added);
  EXPECT_EQ(added, 0);
  n += added;
  ASSERT_EQ(n, 3);
  EXPECT_EQ(list[0].event(), 4);
  EXPECT_EQ(list[0].target(), 9);
  EXPECT_EQ(list[1].target(), 1);
  EXPECT_EQ(list[2].target(), 3);
  free(list);
}

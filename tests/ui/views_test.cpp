// The read-only views on an 80x25 screen: Show DES pages, jumps and cell widths, Show DAT rows,
// the text pager, the directory columns.
#include <string>

#include "engine/startup.h"
#include "model/des_file.h"
#include "support/random_des.h"
#include "tests/ui/screen_fixture.h"
#include "ui/dialogs.h"
#include "ui/display.h"
#include "ui/show.h"
#include "ui/viewer.h"

namespace {

using Views = ScreenTest;

TEST_F(Views, DatBlocksShareARowOnlyWhenBothAreShortAndShowDesRefusesThem) {
  owned_des d;
  std::vector<transition_spec> t;  // states with 1, 6, 7, 2, none and 27 disabled events
  for (auto [s, count] : {std::pair<state_t, int>{0, 1}, {1, 6}, {2, 7}, {3, 2}, {5, 27}})
    for (int i = 0; i < count; i++) t.push_back({s, static_cast<event_t>(2 * i + 1), 0});
  make_des(6, t, {}, &d);
  keys("\r");
  show_dat_r("C", d.size, d.des);
  expect_rows({{7, "C is CONTROLLABLE"},
               {10, "       0:   1                             1:   1    3    5    7    9   11"},
               {11, "       2:   1    3    5    7    9   11   13"},
               {12, "       3:   1    3"},
               {13, "       5:   1    3    5    7    9   11   13   15   17   19   21   23   25"},
               {14, "           27   29   31   33   35   37   39   41   43   45   47   49"},
               {15, "           51   53"}});

  d.des[3].next[1].set_event(4);
  keys("\r");
  show_dat_r("C", d.size, d.des);
  EXPECT_EQ(row(7), "C is NOT CONTROLLABLE");

  owned_des none;
  make_des(2, {}, {}, &none);
  keys("x\r");
  show_dat_r("N", none.size, none.des);
  expect_rows({{7, "N is CONTROLLABLE"}, {10, "empty."}});
  EXPECT_EQ(unread(), 0);
  // Show DES refuses control data filed under a DES name.
  ASSERT_EQ(filedes("C", d.size, -1, d.des), 0);
  ASSERT_EQ(rename((dir_ + "/C.dat").c_str(), (dir_ + "/C.des").c_str()), 0);
  keys("C\r\r");
  show_des_p();
  expect_rows({{6, "This is a DAT file."}, {7, "Use show DAT command."}});
}

TEST_F(Views, MakeitOpensAtItsLastPageAndPagesBack) {
  std::string text;
  for (int i = 1; i <= 50; i++) text += "line " + std::to_string(i) + "\n";
  text += std::string(85, 'x') + "\r\n";  // wraps onto a second row; the carriage return is dropped
  write("makeit.txt", text);
  keys("vd\r");  // no jumps here; "d" on the last page rings
  int before = bells();
  ascii_viewer((dir_ + "/makeit.txt").c_str(), "makeit");
  EXPECT_EQ(bells() - before, 1);
  expect_rows({{2, "line 41"}, {12, std::string(80, 'x')}, {13, "xxxxx"}});
  EXPECT_EQ(row(0).substr(0, 21), "makeit     " + std::to_string(text.size()) + " ( 65%)");

  keys("uu\x1b");
  ascii_viewer((dir_ + "/makeit.txt").c_str(), "makeit");
  expect_rows({{2, "line 1"}, {21, "line 20"}});

  keys("");  // a file that is not there ends the view without reading a key
  ascii_viewer((dir_ + "/gone.txt").c_str(), "gone");
}

TEST_F(Views, DirectoryColumnsFollowTheLongestNameAndPage) {
  snprintf(path, sizeof path, "%s", dir_.c_str());
  touch(std::string(17, 'a'));
  touch("b");
  for (int i = 0; i < 80; i++) touch("f" + std::to_string(100 + i));  // 84 names, 72 a page
  keys("\x1b\xff");
  directory_p();
  EXPECT_EQ(row(0), "FILES IN: " + dir_);
  EXPECT_EQ(row(3), ".                   ..                  " + std::string(17, 'a') + "   b");
  keys("dd\r");
  int before = bells();
  directory_p();
  EXPECT_EQ(bells() - before, 1);
  EXPECT_EQ(row(3), "f168                f169                f170                f171");

  touch(std::string(18, 'c'));
  keys("\x1b\xff");
  directory_p();
  EXPECT_EQ(row(4), std::string(17, 'a') + std::string(23, ' ') + "b");
  for (auto [count, per_row] : {std::pair{14, 4}, {15, 2}, {31, 2}, {32, 1}})
    EXPECT_EQ(failure_layout(count).per_row, per_row) << count;
  // Survives a missing directory.
  snprintf(path, sizeof path, "%s/none", dir_.c_str());
  keys("\r");
  directory_p();
  expect_rows({{0, "FILES IN: " + dir_ + "/none"}, {3, ""}});
}

// Screen cases at 80x24 or their own size, and the bells they ring: Show DES of n states, the
// first `marked` even states marked, states below `vocal` with output 20, `trans` self-loops, 4 a
// state (cells widen at 100000 and a million states; "d" on the last page and "u" on the first
// ring, Enter on the last ends); or a dialog run on DES "G" (Supnorm and Convert cancelled with
// their lists on a third screen).
TEST_F(Views, ScreenCases) {
  const char *footer = " D(own)  U(p)  H(ead)  V(ocal table)  T(ransition table)  Esc (Exit Show)";
  std::string events;
  for (int e = 1; e <= 175; e++) events += std::to_string(e) + "\r";
  const std::string
      wide = "[      0,  1,      0]  [      0,  3,      0]  [      0,  5,      0]",
      last_page = "[   27,  1,   27]  [   27,  3,   27]  [   27,  5,   27]  [   27,  7,   27]";
  struct {
    int lines, cols;
    state_t n, marked, vocal, trans;
    int dialog;  // -1: Show DES
    std::string keys;
    std::vector<std::pair<int, std::string>> rows;
    int rings = 0;
  } cases[] = {
      // clang-format off
      {24, 80, 100000, 1, 1, 4, -1, "\r", {{4, "      0"}, {7, "[    0,  20]"}, {12, "[    0,  1,    0]"
          "  [    0,  3,    0]  [    0,  5,    0]  [    0,  7,    0]"}}},
      {24, 80, 100001, 1, 1, 4, -1, "\r", {{7, "[     0,  20]"}, {12, wide}}},
      {24, 80, 1000001, 1, 1, 4, -1, "\r", {{7, "[      0,  20]"}, {12, wide}}},
      {24, 80, 30, 0, 0, 120, -1, "ddd\x1b", {{6, last_page}}, 1},
      {24, 80, 30, 0, 0, 120, -1, "duDu\x1b", {{6, "[    0,  1,    0]  [    0,  3,    0]  [    0,  5,    0]"
          "  [    0,  7,    0]"}}, 1},
      {24, 80, 30, 0, 0, 120, -1, "ddu\x1b", {{6, "[   11,  1,   11]  [   11,  3,   11]  [   11,  5,   11]"
          "  [   11,  7,   11]"}}},
      {24, 80, 30, 0, 0, 120, -1, "dd\r", {{6, last_page}}},
      {24, 80, 0, 0, 0, 0, -1, "\r", {{0, "D    # states: 0    state set: empty     initial state: none"},
          {2, "marker states: none"}, {5, "vocal states: none"}, {6, "transition table : empty"}}},
      {24, 80, 300, 144, 0, 1, -1, "\x1b", {{21, "    272      274      276      278      280      282"
          "      284      286"}, {22, ""}, {23, footer}}},
      {24, 80, 300, 144, 0, 1, -1, "\r\x1b", {{3, "vocal states: none"}, {5, "# transitions: 1"},
          {9, "[    0,  1,    0]"}}},
      {24, 80, 300, 144, 0, 0, -1, "\r\r", {{3, "vocal states: none"}, {4, "transition table : empty"}}},
      {24, 80, 300, 40, 50, 1, -1, "\x1b", {{4, "      0        2        4        6        8       10"
          "       12       14"}, {21, "[   45,  20]   [   46,  20]   [   47,  20]   [   48,  20]   [   49,  20]"}}},
      {24, 80, 300, 40, 50, 1, -1, "\r\x1b", {{2, "# transitions: 1"}}},
      {24, 80, 400, 200, 0, 1, -1, "dd\r\x1b", {{3, "vocal states: none"}, {5, "# transitions: 1"}}, 1},
      {24, 80, 400, 200, 0, 1, -1, "d\x1b", {{3, "marker states:"}, {5, "    288      290      292      294"
          "      296      298      300      302"}}},
      {24, 80, 30, 0, 1, 120, -1, "dV\x1b", {{0, "D    # states: 30    state set: 0 ... 29    initial state: 0"},
          {3, "vocal states:"}, {5, "[    0,  20]"}, {6, "# transitions: 120"}}},
      {24, 80, 30, 0, 1, 120, -1, "dt\x1b", {{3, "# transitions: 120"}}},
      {24, 80, 30, 0, 1, 120, -1, "dth\x1b", {{2, "marker states: none"}}},
      {20, 60, 300, 144, 0, 1, -1, "x", {{0, "Screen 60x20 is too small:"}}},
      {60, 200, 300, 144, 0, 1, -1, "\x1b", {{22, ""}, {23, footer}, {24, ""}}},
      {24, 80, 0, 0, 0, 0, PROC_SUPNORM, "G\rG\rO\ry" + events + "\x1b\xff", {{14, "     171    172    173"
          "    174    175"}, {12, "               ,161,162,163,164,165,166,167,168,169,170]"}}},
      {24, 80, 0, 0, 0, 0, PROC_CONVERT, "G\rC\r1\r2\r-1\r\r", {{2, "DES2 = CONVERT (DES1, EVENT_MAP_PAIR_LIST)"
          "    (DES1 = G, DES2 = C)"}}, 1},
      {24, 80, 0, 0, 0, 0, PROC_CONVERT, "G\rK\r" + events + "\x1b\xff", {{13, "               64],"
          "[165,166],[167,168]]"}, {15, "Old value:  169          New value:  170"}}},
      // clang-format on
  };
  argv0 = getenv("SARV");  // the compute process of the dialogs
  for (auto &c : cases) {
    if (c.dialog >= 0 && argv0 == nullptr) continue;
    resizeterm(c.lines, c.cols);
    keys(c.keys);
    int before = bells();
    if (c.dialog >= 0) {
      owned_des g;
      make_des(2, {{0, 1, 1}}, {1}, &g);
      ASSERT_EQ(filedes("G", g.size, 0, g.des), 0);
      clear();
      run_dialog(static_cast<procedure_id>(c.dialog));
    } else {
      owned_des d;
      std::vector<state_t> marked;
      std::vector<transition_spec> t;
      for (state_t s = 0; s < c.marked; s++) marked.push_back(2 * s);
      for (state_t s = 0; s < c.trans; s++)
        t.push_back({s / 4, static_cast<event_t>(2 * (s % 4) + 1), s / 4});
      make_des(c.n, t, marked, &d);
      for (state_t s = 0; s < c.vocal; s++) d.des[s].vocal = 20;
      show_des_r("D", d.size, d.des);
    }
    expect_rows(c.rows);
    EXPECT_EQ(bells() - before, c.rings) << c.keys;
  }
  EXPECT_EQ(page_key(KEY_NPAGE, false, 0, false), PAGE_NEXT);
  EXPECT_EQ(page_key(KEY_PPAGE, false, 1, false), PAGE_FIRST);
  for (auto [typed, file] : {std::pair{"R.pds", "R.pds"}, {"a.ADS", "a.ADS"}, {"b", "b.txt"}})
    EXPECT_EQ(text_file_name(typed), file);
}

}  // namespace

// DOT pictures checked through Graphviz itself: its "plain" layout lists every node with its
// label and shape and every edge with its label and style, so the test reads what a viewer sees.
// Pictures too large to draw and a missing Graphviz are checked end to end by the picture script.
#include "report/dot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/model_test_util.h"

namespace {

// Graphviz's plain output as sorted lines "node name label shape" and "edge tail head label
// style"; labels with blanks are quoted there and kept whole.
std::vector<std::string> read_plain(const std::string &path) {
  std::vector<std::string> items;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string kind, a, b, label, style, skip;
    words >> kind >> a;
    if (kind == "node") {
      words >> skip >> skip >> skip >> skip >> std::quoted(label) >> style >> b;
      items.push_back("node " + a + " " + label + " " + b);
    } else if (kind == "edge") {
      int points;
      words >> b >> points;
      for (int i = 0; i < 2 * points; i++) words >> skip;
      std::vector<std::string> rest;  // label, its position, style, colour; no label: 2 words
      for (std::string w; words >> std::quoted(w);) rest.push_back(w);
      if (rest.size() >= 4) label = rest[0];
      style = rest.size() >= 2 ? rest[rest.size() - 2] : "";
      items.push_back("edge " + a + " " + b + " " + label + " " + style);
    }
  }
  std::sort(items.begin(), items.end());
  return items;
}

bool have_graphviz() {
  char found[4096];
  return find_graphviz(found, sizeof found) != 0;
}

// Three states: 0 initial, 1 with output 12, 2 marked. From 0 to 1 the controllable events 1 and
// 3 share one solid edge, the uncontrollable 2 has its own dashed edge; 2 has a selfloop.
TEST(DotPicture, GraphvizSeesStatesEdgesAndStyles) {
  if (!have_graphviz()) GTEST_SKIP() << "Graphviz (dot) is not installed";
  scratch_dir dir;
  owned_des d;
  make_des(3, {{0, 1, 1}, {0, 2, 1}, {0, 3, 1}, {1, 4, 2}, {2, 5, 0}, {2, 5, 2}}, {2}, &d);
  d.des[1].vocal = 12;
  std::string dot = dir.file("G.dot"), plain = dir.file("G.plain");
  ASSERT_EQ(picture_files("G", d.des, d.size, 0, dot.c_str(), plain.c_str(), "plain"), DOT_OK);
  EXPECT_EQ(read_plain(plain),
            (std::vector<std::string>{
                "edge 0 1 1,3 solid", "edge 0 1 2 dashed", "edge 1 2 4 dashed", "edge 2 0 5 solid",
                "edge 2 2 5 solid", "edge _start 0  solid", "node 0 0 circle", "node 1 1/12 circle",
                "node 2 2 doublecircle", "node _start  none"}));
  EXPECT_EQ(dir.listing(), (std::set<std::string>{"G.dot", "G.plain"}));
}

// Control data are a table of the states with disabled events; names are escaped for HTML and
// DOT strings; an empty DES is an empty picture.
TEST(DotPicture, OddNamesEmptyDesAndControlDataStayValidDot) {
  if (!have_graphviz()) GTEST_SKIP() << "Graphviz (dot) is not installed";
  scratch_dir dir;
  owned_des empty, data;
  std::string dot = dir.file("E.dot"), plain = dir.file("E.plain");
  ASSERT_EQ(picture_files("A\"B\\", empty.des, 0, 0, dot.c_str(), plain.c_str(), "plain"), DOT_OK);
  EXPECT_TRUE(read_plain(plain).empty());
  make_des(4, {{1, 11, 0}, {1, 13, 0}, {3, 15, 0}}, {}, &data);
  ASSERT_EQ(picture_files("D<&>", data.des, data.size, 1, dot.c_str(), plain.c_str(), "plain"),
            DOT_OK);
  std::string text = read_bytes(dot);
  EXPECT_NE(text.find("<TD>1</TD><TD>11,13</TD>"), std::string::npos) << text;
  EXPECT_NE(text.find("<TD>3</TD><TD>15</TD>"), std::string::npos);
  EXPECT_EQ(text.find("<TD>0</TD>"), std::string::npos);
  EXPECT_NE(text.find("D&lt;&amp;&gt;: control data"), std::string::npos);
  EXPECT_EQ(read_plain(plain).size(), 1u);
}

// A DOT file that cannot be written, or that Graphviz refuses, fails and keeps the old picture.
TEST(DotPicture, FailedWriteOrRenderKeepsTheOldPicture) {
  scratch_dir dir;
  owned_des d;
  make_des(2, {{0, 1, 1}}, {1}, &d);
  EXPECT_EQ(picture_files("G", d.des, d.size, 0, dir.file("no/G.dot").c_str(), nullptr, "svg"),
            DOT_WRITE_FAILED);
  if (!have_graphviz()) return;
  std::string dot = dir.file("B.dot"), svg = dir.file("B.svg");
  write_bytes(dot, "digraph {");
  write_bytes(svg, "old");
  EXPECT_EQ(render_dot(dot.c_str(), svg.c_str(), "svg"), DOT_RENDER_FAILED);
  EXPECT_EQ(read_bytes(svg), "old");
  EXPECT_EQ(dir.listing(), (std::set<std::string>{"B.dot", "B.svg"}));
}

}  // namespace

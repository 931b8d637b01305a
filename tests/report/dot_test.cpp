// DOT pictures: edge styles, control data as a table, names escaped, failures that keep the old
// picture.
// States, edges and their styles as Graphviz reads them, pictures too large to draw and a missing
// Graphviz are checked end to end by the picture script.
#include "report/dot.h"

#include <gtest/gtest.h>

#include <string>

#include "model/model_test_util.h"

namespace {

bool have_graphviz() {
  char found[4096];
  return find_graphviz(found, sizeof found) != 0;
}

// Nodes in Graphviz's plain layout of a picture.
int plain_nodes(const std::string &plain) {
  return occurrences(read_bytes(plain), "\nnode ");
}

// Control data are a table of the states with disabled events; names are escaped for HTML and
// DOT strings; an empty DES is an empty picture.
TEST(DotPicture, OddNamesEmptyDesAndControlDataStayValidDot) {
  if (!have_graphviz()) GTEST_SKIP() << "Graphviz (dot) is not installed";
  scratch_dir dir;
  owned_des empty, data;
  std::string dot = dir.file("E.dot"), plain = dir.file("E.plain");
  ASSERT_EQ(picture_files("A\"B\\", empty.des, 0, 0, dot.c_str(), plain.c_str(), "plain"), DOT_OK);
  EXPECT_EQ(plain_nodes(plain), 0);
  make_des(4, {{1, 11, 0}, {1, 13, 0}, {3, 15, 0}}, {}, &data);
  ASSERT_EQ(picture_files("D<&>", data.des, data.size, 1, dot.c_str(), plain.c_str(), "plain"),
            DOT_OK);
  std::string text = read_bytes(dot);
  EXPECT_NE(text.find("<TD>1</TD><TD>11,13</TD>"), std::string::npos) << text;
  EXPECT_NE(text.find("<TD>3</TD><TD>15</TD>"), std::string::npos);
  EXPECT_EQ(text.find("<TD>0</TD>"), std::string::npos);
  EXPECT_NE(text.find("D&lt;&amp;&gt;: control data"), std::string::npos);
  EXPECT_EQ(plain_nodes(plain), 1);
}

// Controllable (odd) events to one target share a solid edge, uncontrollable ones a dashed edge.
// A DOT file that cannot be written, or that Graphviz refuses, fails and keeps the old picture.
TEST(DotPicture, EdgesMergedByControllabilityAndFailuresKeepTheOldPicture) {
  scratch_dir dir;
  owned_des d;
  make_des(2, {{0, 1, 1}, {0, 2, 1}, {0, 3, 1}, {0, 4, 1}}, {1}, &d);
  ASSERT_EQ(picture_files("G", d.des, d.size, 0, dir.file("G.dot").c_str(), nullptr, "svg"),
            DOT_OK);
  std::string text = read_bytes(dir.file("G.dot"));
  EXPECT_NE(text.find("0 -> 1 [label=\"1,3\"];"), std::string::npos) << text;
  EXPECT_NE(text.find("0 -> 1 [label=\"2,4\", style=dashed];"), std::string::npos) << text;
  EXPECT_EQ(picture_files("G", d.des, d.size, 0, dir.file("no/G.dot").c_str(), nullptr, "svg"),
            DOT_WRITE_FAILED);
  if (!have_graphviz()) return;
  std::string dot = dir.file("B.dot"), svg = dir.file("B.svg");
  write_bytes(dot, "digraph {");
  write_bytes(svg, "old");
  EXPECT_EQ(render_dot(dot.c_str(), svg.c_str(), "svg"), DOT_RENDER_FAILED);
  EXPECT_EQ(read_bytes(svg), "old");
  EXPECT_EQ(dir.listing(), (std::set<std::string>{"B.dot", "B.svg", "G.dot"}));
}

}  // namespace

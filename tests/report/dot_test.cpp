// DOT pictures checked through Graphviz itself: its "plain" layout lists every node with its
// label and shape and every edge with its label and style, so the test reads what a viewer sees.
#include "report/dot.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../model/model_test_util.h"
#include "support/random_des.h"

namespace {

struct plain_graph {
  std::vector<std::string> nodes;  // "name label shape"
  std::vector<std::string> edges;  // "tail head label style"
};

// Parses Graphviz's plain output; labels with blanks are quoted there and kept whole.
plain_graph read_plain(const std::string &path) {
  plain_graph g;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind, name, tail, head, label, style, shape, skip;
    words >> kind;
    if (kind == "node") {
      words >> name >> skip >> skip >> skip >> skip >> std::quoted(label) >> style >> shape;
      g.nodes.push_back(name + " " + label + " " + shape);
    } else if (kind == "edge") {
      int points;
      words >> tail >> head >> points;
      for (int i = 0; i < 2 * points; i++) words >> skip;
      std::vector<std::string> rest;  // label, its position, style, colour; no label: 2 words
      for (std::string w; words >> std::quoted(w);) rest.push_back(w);
      if (rest.size() >= 4) label = rest[0];
      style = rest.size() >= 2 ? rest[rest.size() - 2] : "";
      g.edges.push_back(tail + " " + head + " " + label + " " + style);
    }
  }
  return g;
}

bool has(const std::vector<std::string> &items, const std::string &item) {
  for (const std::string &x : items)
    if (x == item) return true;
  return false;
}

// Three states: 0 initial, 1 with output 12, 2 marked. From 0 to 1 the controllable events 1 and
// 3 share one solid edge, the uncontrollable 2 has its own dashed edge.
void small_des(owned_des *d) {
  make_des(3, {{0, 1, 1}, {0, 2, 1}, {0, 3, 1}, {1, 4, 2}, {2, 5, 0}, {2, 5, 2}}, {2}, d);
  d->des[1].vocal = 12;
}

// Graphviz reads the pictures back where it is installed; without it those checks are skipped.
bool have_graphviz() {
  char found[4096];
  return find_graphviz(found, sizeof found) != 0;
}

TEST(DotPicture, GraphvizSeesStatesEdgesAndStyles) {
  if (!have_graphviz()) GTEST_SKIP() << "Graphviz (dot) is not installed";
  scratch_dir dir;
  owned_des d;
  small_des(&d);
  std::string dot = dir.file("G.dot"), plain = dir.file("G.plain");
  ASSERT_EQ(picture_files("G", d.des, d.size, 0, dot.c_str(), plain.c_str(), "plain"), DOT_OK);
  plain_graph g = read_plain(plain);
  EXPECT_EQ(g.nodes.size(), 4u);  // three states and the invisible start of the entry arrow
  EXPECT_TRUE(has(g.nodes, "0 0 circle"));
  EXPECT_TRUE(has(g.nodes, "1 1/12 circle"));
  EXPECT_TRUE(has(g.nodes, "2 2 doublecircle"));
  EXPECT_EQ(g.edges.size(), 6u);
  EXPECT_TRUE(has(g.edges, "_start 0  solid"));
  EXPECT_TRUE(has(g.edges, "0 1 1,3 solid"));
  EXPECT_TRUE(has(g.edges, "0 1 2 dashed"));
  EXPECT_TRUE(has(g.edges, "1 2 4 dashed"));
  EXPECT_TRUE(has(g.edges, "2 0 5 solid"));
  EXPECT_TRUE(has(g.edges, "2 2 5 solid"));
  EXPECT_EQ(dir.listing(), (std::set<std::string>{"G.dot", "G.plain"}));
}

TEST(DotPicture, OddNamesEmptyDesAndControlDataStayValidDot) {
  if (!have_graphviz()) GTEST_SKIP() << "Graphviz (dot) is not installed";
  scratch_dir dir;
  owned_des empty, data;
  std::string dot = dir.file("E.dot"), plain = dir.file("E.plain");
  ASSERT_EQ(picture_files("A\"B\\", empty.des, 0, 0, dot.c_str(), plain.c_str(), "plain"), DOT_OK);
  EXPECT_TRUE(read_plain(plain).nodes.empty());

  make_des(4, {{1, 11, 0}, {1, 13, 0}, {3, 15, 0}}, {}, &data);
  ASSERT_EQ(picture_files("D<&>", data.des, data.size, 1, dot.c_str(), plain.c_str(), "plain"),
            DOT_OK);
  std::string text = read_bytes(dot);
  EXPECT_NE(text.find("<TD>1</TD><TD>11,13</TD>"), std::string::npos) << text;
  EXPECT_NE(text.find("<TD>3</TD><TD>15</TD>"), std::string::npos);
  EXPECT_EQ(text.find("<TD>0</TD>"), std::string::npos);
  EXPECT_NE(text.find("D&lt;&amp;&gt;: control data"), std::string::npos);
  EXPECT_EQ(read_plain(plain).nodes.size(), 1u);
}

TEST(DotPicture, LargeMissingGraphvizAndUnwritableAreRefusedCleanly) {
  scratch_dir dir;
  owned_des big;
  std::vector<transition_spec> ring;
  for (state_t s = 0; s <= DOT_RENDER_LIMIT; s++) ring.push_back({s, 1, (s + 1) % 201});
  make_des(DOT_RENDER_LIMIT + 1, ring, {0}, &big);
  std::string dot = dir.file("B.dot"), svg = dir.file("B.svg");
  EXPECT_EQ(picture_files("B", big.des, big.size, 0, dot.c_str(), svg.c_str(), "svg"),
            DOT_TOO_LARGE);
  EXPECT_EQ(dir.listing(), std::set<std::string>{"B.dot"});
  EXPECT_EQ(picture_files("B", big.des, big.size, 0, dot.c_str(), nullptr, "svg"), DOT_OK);

  owned_des small;
  small_des(&small);
  std::string saved = getenv("PATH");
  setenv("PATH", dir.path.c_str(), 1);
  int code = picture_files("G", small.des, small.size, 0, dot.c_str(), svg.c_str(), "svg");
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(code, DOT_NO_GRAPHVIZ);
  EXPECT_EQ(dir.listing(), std::set<std::string>{"B.dot"});

  EXPECT_EQ(
      picture_files("G", small.des, small.size, 0, dir.file("no/G.dot").c_str(), nullptr, "svg"),
      DOT_WRITE_FAILED);
  if (!have_graphviz()) return;
  write_bytes(dot, "digraph {");  // Graphviz refuses a broken file; the old picture survives
  write_bytes(svg, "old");
  EXPECT_EQ(render_dot(dot.c_str(), svg.c_str(), "svg"), DOT_RENDER_FAILED);
  EXPECT_EQ(read_bytes(svg), "old");
  EXPECT_EQ(dir.listing(), (std::set<std::string>{"B.dot", "B.svg"}));
}

}  // namespace

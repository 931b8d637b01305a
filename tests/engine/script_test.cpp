// Scripts in the log syntax: entries joined from wrapped lines, malformed entries refused with
// their line and reason.
#include "engine/script.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/makeit.h"
#include "model/des_file.h"

namespace {

TEST(Script, ReadsTheLogAsWrittenWrappedTimedAndSpaced) {
  // A Selfloop entry wrapped by the log inside a number, with its computing time; a Create entry;
  // a Sync with its computing time; a Supreduce wrapped at the blank inside a name.
  std::string log =
      "G2 = Selfloop(G,[1,3,5,7,9,11,13,15,17,19,21,23,25,27,29,31,33,35,37,39,4\n"
      "     1,43])  (3,30)\n"
      "     Computing time = 00:00:00\n"
      "\n"
      "NEWNAME = Create(NEWNAME,[mark 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,\n"
      "          17],[tran [0,1,1]])  (18,1)\n"
      "\n\r\n"
      "# a comment line\n"
      "X = Sync(A,B)  (4,6)  Blocked_events = [2,4]  \n"
      "    Computing time = 00:00:01\n"
      "R = Supreduce(AAAAAAAAAAAAAAAAAAAA,BBBBBBBBBBBBBBBBBBBB,CCCCCCCCCCCCCCCCCC\n"
      "     D)  (3,5;slb=2)\n";
  std::vector<script_step> steps;
  std::string error;
  ASSERT_EQ(parse_script(log, &steps, &error), 0) << error;
  std::vector<std::string> got;
  for (const script_step &s : steps) got.push_back(std::to_string(s.line) + " " + s.text);
  EXPECT_EQ(got, (std::vector<std::string>{
                     "1 G2 = Selfloop(G,[1,3,5,7,9,11,13,15,17,19,21,23,25,27,29,31,33,35,37,39,"
                     "41,43])  (3,30)",
                     "5 NEWNAME = Create(NEWNAME,[mark 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,"
                     "17],[tran [0,1,1]])  (18,1)",
                     "10 X = Sync(A,B)  (4,6)  Blocked_events = [2,4]  ",
                     "12 R = Supreduce(AAAAAAAAAAAAAAAAAAAA,BBBBBBBBBBBBBBBBBBBB,CCCCCCCCCCCCCCCCCC"
                     " D)  (3,5;slb=2)"}));
  EXPECT_EQ(steps[0].events.size(), 22u);
}

// Unknown procedures, long names and event 1000 are checked end to end by the batch-run script.
TEST(Script, MalformedEntriesNameTheirLineAndReason) {
  const std::tuple<std::string, int, std::string> cases[] = {
      // script, line, reason
      {"X = Sync(A,B  (1,1)\n", 1, "unbalanced brackets"},
      {"X = Trim(G))\n", 1, "unbalanced brackets"},
      {"sub/X = Trim(G)\n", 1, "name \"sub/X\" contains a path separator"},
      {"X = Selfloop(G,[-1])\n", 1, "event -1 out of range 0..999"},
      {"X = Trim(G)  (99999999999999999999,1)\n", 1, "state count 99999999999999999999 out of"},
      {"X = Vocalize(G,[[0,1,5]])\n", 1, "vocal output 5 out of range 10..99"},
      {"X = Project(G,Some[1])\n", 1, "expected \"Null[\" or \"Image[\""},
      {"X = Trim(G)  (1,1) extra\n", 1, "unexpected text \"extra\""},
      {"X = Trim(G)  (1,x)\n", 1, "expected a number (transition count)"},
      {"maybe = Nonconflict(A,B)\n", 1, "Nonconflict records \"true\" or \"false\""},
      {"X = Edit(G,[mark 3])\n", 1, "expected \"+\" or \"-\""},
      {"X = Create(G,[colour 3])\n", 1, "unknown Create group \"colour\""},
      {"  (1,1)\n", 1, "continuation line without an entry"},
      {"X = Trim(G)\n\n   (1,1)\n", 3, "continuation line without an entry"},
      {"Trim G\n", 1, "expected \"NAME = Procedure(...)\""},
      {"X = Trim()\n", 1, "missing name"},
  };
  for (const auto &[script, line, reason] : cases) {
    std::vector<script_step> steps;
    std::string error;
    EXPECT_EQ(parse_script(script, &steps, &error), line) << script;
    EXPECT_EQ(error.compare(0, reason.size(), reason), 0) << script << " -> " << error;
    EXPECT_TRUE(steps.empty());
  }
}

// The name rule and the script reader agree: a name des_name_ok accepts reads back as itself, as
// result and as argument wrapped anywhere inside it; every name read is one des_name_ok accepts.
TEST(Script, NamesOfTheRuleReplayAsThemselvesAndNoOthersAreRead) {
  std::mt19937 rng(18);
  auto text = [&](size_t longest, const std::string &letters) {
    std::string t(rng() % (longest + 1), ' ');
    for (char &c : t) c = letters[rng() % letters.size()];
    return t;
  };
  for (int i = 0; i < 20000; i++) {
    std::string name = text(22, i % 2 ? "aZ9 _-.#/\\,;()[]=\t*" : "aZ9 _-.#");
    std::string entry = "R = Supreduce(P" + text(19, "p") + ",S" + text(19, "s") + "," + name + ")";
    std::vector<script_step> steps;
    std::string error;
    bool read = parse_script(name + " = Trim(G)\n" + makeit_wrap(entry, 4), &steps, &error) == 0;
    if (des_name_ok(name.c_str())) {
      ASSERT_TRUE(read && steps.size() == 2) << "[" << name << "] " << error;
      EXPECT_TRUE(steps[0].result == name && steps[1].names[2] == name) << "[" << name << "]";
    }
    for (const script_step &step : read ? steps : std::vector<script_step>{})
      for (const std::string &n : step.names)
        EXPECT_TRUE(des_name_ok(n.c_str()) && des_name_ok(step.result.c_str())) << "[" << n << "]";
  }
}

}  // namespace

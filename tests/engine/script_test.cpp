// Scripts in the log syntax: entries joined from wrapped lines, every entry form read back into
// names, lists and recorded results, and malformed entries refused with their line and reason.
#include "engine/script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A step as one line: procedure, result = names, lists, recorded results.
std::string summary(const script_step &s) {
  std::string text = s.procedure + " " + s.result + "=";
  for (size_t k = 0; k < s.names.size(); k++) text += (k ? "," : "") + s.names[k];
  if (s.image) text += " image";
  if (!s.events.empty()) text += " e";
  for (long e : s.events) text += " " + std::to_string(e);
  auto item_text = [](const script_item &it) {
    std::string t = it.sign ? std::string(1, it.sign) : "";
    t += it.count == 0 ? "[all" : "[";
    for (int k = 0; k < it.count; k++) t += (k ? "," : "") + std::to_string(it.v[size_t(k)]);
    return t + "]";
  };
  for (const script_item &it : s.items) text += " " + item_text(it);
  if (s.identity) text += " identity";
  for (const script_group &g : s.groups) {
    text += " {" + g.keyword + (g.all ? " all" : "");
    for (const script_item &it : g.items) text += " " + item_text(it);
    text += "}";
  }
  if (s.reach) text += " rch";
  if (s.sized) text += " (" + std::to_string(s.states) + "," + std::to_string(s.transitions) + ")";
  if (s.has_bound) text += " slb " + std::to_string(s.bound);
  if (s.controllable >= 0) text += s.controllable ? " controllable" : " uncontrollable";
  if (s.has_blocked) {
    text += " blocked";
    for (long e : s.blocked) text += " " + std::to_string(e);
  }
  if (s.has_new_labels) {
    text += " new";
    for (long e : s.new_labels) text += " " + std::to_string(e);
  }
  return text;
}

std::vector<std::string> parse_ok(const std::string &script) {
  std::vector<script_step> steps;
  std::string error;
  EXPECT_EQ(parse_script(script, &steps, &error), 0) << error;
  std::vector<std::string> lines;
  for (const script_step &s : steps) lines.push_back(std::to_string(s.line) + " " + summary(s));
  return lines;
}

TEST(Script, ReadsTheLogAsWrittenWrappedTimedAndSpaced) {
  // A Selfloop entry wrapped by the log inside a number, with its computing time; a Create entry;
  // a Sync with its blocked events; a Supreduce wrapped at the blank inside a name.
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
  EXPECT_EQ(parse_ok(log),
            (std::vector<std::string>{
                "1 Selfloop G2=G e 1 3 5 7 9 11 13 15 17 19 21 23 25 27 29 31 33 35 37 39 41 43 "
                "(3,30)",
                "5 Create NEWNAME=NEWNAME {mark [0] [1] [2] [3] [4] [5] [6] [7] [8] [9] [10] [11] "
                "[12] [13] [14] [15] [16] [17]} {tran [0,1,1]} (18,1)",
                "10 Sync X=A,B (4,6) blocked 2 4",
                "12 Supreduce R=AAAAAAAAAAAAAAAAAAAA,BBBBBBBBBBBBBBBBBBBB,CCCCCCCCCCCCCCCCCC D "
                "(3,5) slb 2"}));
}

TEST(Script, EveryEntryFormOfTheLog) {
  std::string log =
      "T = Trim(G)  (3,2)\n\nM = Meet(A,B)  (0,0)\n\nS = Supcon(P,E)  (12,24)\n\n"
      "X = Sync(A,B)  (4,6)  Blocked_events = None  \n\n"
      "X = Mutex(A,B,[[0,1],[2,3]])  (5,7)\n\nD = Condat(P,S)  Uncontrollable.\n\n"
      "R = Supreduce(P,S,D)  (3,5;slb=2)\n\nM2 = Minstate(M)  (2,2)\n\n"
      "C = Complement(G,[])  (4,8)\n\nP = Project(G,Image[1,3])  (2,2)\n\n"
      "V = Convert(G,[[1,3],[2,4]])  (2,2)\n\nV = Vocalize(G,[[0,1,10],[2,3,99]])  (3,3)\n\n"
      "O = Outconsis(G)  (3,3)\n\nH = Hiconsis(G)   New event labels: [101]  (4,4)\n\n"
      "H = Higen(G)  (1,1)\n\nA = Allevents(G)  (1,2)\n\nN = Supnorm(A,B,Null[])  (2,1)\n\n"
      "N = Supscop(A,B,Null[2])  (2,1)\n\ntrue = Isomorph(B,A;identity)\n\n"
      "true = Isomorph(B,A;[[1,2],[2,1]])\n\nfalse = Nonconflict(A,B)\n\nR = Recode(G)  (1,0)\n\n"
      "E = Create(E)  (0,0)\n\nE = Create(E,[mark all],[voc [1,10]])  (2,0)\n\n"
      "N = Edit(O,[mark +[all],-[3]],[states -[4]],[trans +[0,1,2],-[1,2,3]],[voc [1,0]],"
      "[unif [10,20]],rch)  (3,1)\n\nN = Edit(O)  (3,1)\n\nhand = Trim(G)\n";
  std::vector<std::string> got = parse_ok(log);
  std::vector<std::string> expected = {
      "1 Trim T=G (3,2)",
      "3 Meet M=A,B (0,0)",
      "5 Supcon S=P,E (12,24)",
      "7 Sync X=A,B (4,6) blocked",
      "9 Mutex X=A,B [0,1] [2,3] (5,7)",
      "11 Condat D=P,S uncontrollable",
      "13 Supreduce R=P,S,D (3,5) slb 2",
      "15 Minstate M2=M (2,2)",
      "17 Complement C=G (4,8)",
      "19 Project P=G image e 1 3 (2,2)",
      "21 Convert V=G [1,3] [2,4] (2,2)",
      "23 Vocalize V=G [0,1,10] [2,3,99] (3,3)",
      "25 Outconsis O=G (3,3)",
      "27 Hiconsis H=G (4,4) new 101",
      "29 Higen H=G (1,1)",
      "31 Allevents A=G (1,2)",
      "33 Supnorm N=A,B (2,1)",
      "35 Supscop N=A,B e 2 (2,1)",
      "37 Isomorph true=B,A identity",
      "39 Isomorph true=B,A [1,2] [2,1]",
      "41 Nonconflict false=A,B",
      "43 Recode R=G (1,0)",
      "45 Create E=E (0,0)",
      "47 Create E=E {mark all} {voc [1,10]} (2,0)",
      "49 Edit N=O {mark +[all] -[3]} {states -[4]} {trans +[0,1,2] -[1,2,3]} {voc [1,0]} "
      "{unif [10,20]} rch (3,1)",
      "51 Edit N=O (3,1)",
      "53 Trim hand=G",
  };
  EXPECT_EQ(got, expected);
}

TEST(Script, MalformedEntriesNameTheirLineAndReason) {
  struct bad {
    std::string script;
    int line;
    std::string reason;
  } cases[] = {
      {"A = Trim(G)\n\nX = Supcom(P,E)  (1,1)\n", 3, "unknown procedure \"Supcom\""},
      {"X = Selfloop(G,[1,2)  (1,1)\n", 1, "unbalanced brackets"},
      {"X = Sync(A,B  (1,1)\n", 1, "unbalanced brackets"},
      {"X = Trim(G))\n", 1, "unbalanced brackets"},
      {"X = Trim(ABCDEFGHIJKLMNOPQRSTU)\n", 1,
       "name \"ABCDEFGHIJKLMNOPQRSTU\" is longer than 20 characters"},
      {"X = Trim(../etc/G)\n", 1, "name \"../etc/G\" contains a path separator"},
      {"sub/X = Trim(G)\n", 1, "name \"sub/X\" contains a path separator"},
      {"X = Selfloop(G,[1000])\n", 1, "event 1000 out of range 0..999"},
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
  for (const bad &c : cases) {
    std::vector<script_step> steps;
    std::string error;
    EXPECT_EQ(parse_script(c.script, &steps, &error), c.line) << c.script;
    EXPECT_EQ(error.compare(0, c.reason.size(), c.reason), 0) << c.script << " -> " << error;
    EXPECT_TRUE(steps.empty());
  }
}

}  // namespace

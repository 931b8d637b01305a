// Generator files: exact round trips of random DES, the accepted forms of the format, event
// numbering, and refused files with their lines.
#include "model/gen_format.h"

#include <gtest/gtest.h>

#include <utility>

#include "model/model_test_util.h"

namespace {

// `text` read with `known` names: the result code, the import record and the DES it gave.
struct gen_read {
  owned_des d;
  gen_import g;
  gen_error error;
  int code;
  gen_read(const std::string &text, const event_names &known) {
    code = read_gen(text.data(), text.size(), "base", known, &g, &error);
    d.size = g.size;
    d.des = std::exchange(g.des, nullptr);
  }
};

}  // namespace

TEST(GenFormat, RandomDesComeBackExactly) {
  std::mt19937 rng(2311);
  event_names names;
  names.name[1] = "start_1";
  names.name[500] = "tick";
  names.name[2] = "e1";  // names that cannot stand for one event: "eN", and a name given twice
  names.name[3] = names.name[998] = "twice";
  for (int round = 0; round < 80; round++) {
    SCOPED_TRACE(round);
    owned_des d;
    random_des(rng, round == 0 ? 0 : draw<state_t>(rng, 1, round < 60 ? 30 : 400),
               draw<int>(rng, 0, 6), round % 3 != 0, &d);
    event_names used = round % 2 ? names : event_names{};
    std::string text =
        capture([&](FILE *f) { EXPECT_EQ(write_gen(f, "G", d.des, d.size, used), 0); });
    gen_read r(text, used);
    ASSERT_EQ(r.code, 0) << r.error.line << ": " << r.error.message;
    EXPECT_EQ(des_check(r.d.des, r.d.size), 0);
    EXPECT_EQ(des_text(r.d), des_text(d));
    EXPECT_EQ(r.g.added_count + r.g.unnamed, 0);
    EXPECT_EQ(r.g.generator_name, "G");
  }
}

// Quoted and bare names, comments, ranges, ignored attributes and sections, the name attribute;
// states named or out of order are numbered breadth-first, unreachable ones last.
TEST(GenFormat, AcceptedFormsAndEventNumbers) {
  event_names known;
  known.name[7] = "go";
  struct accepted_case {
    std::string text, name, des;
    std::vector<std::pair<int, std::string>> added;
  } cases[] = {
      {"<Generator>\n% c\n\"NAME\"\n<Alphabet>\n\"e11\" +C+ \"e12\" \"e13\" +C+\n</Alphabet>\n"
       "<States>\n1 2 3\n</States>\n<TransRel>\n1 \"e11\" 2\n2 \"e12\" 1\n</TransRel>\n"
       "<InitStates>\n1\n</InitStates>\n<MarkedStates>\n1\n</MarkedStates>\n</Generator>\n",
       "NAME",
       "3\n0 m 0 46137345\n1 0 50331648\n2 0",
       {}},
      {"<Generator name=\"attr\"> <Alphabet> a +CF+ go +C+ \"q\\\"x\" e2 +C+ e3 </Alphabet>"
       "<States> idle \"busy\" <Consecutive> 5 6 </Consecutive> +x+ </States>"
       "<StateAttributes> <Inner> 1 </Inner> </StateAttributes> <TransRel> busy go idle +y+ "
       "busy a 5 busy \"q\\\"x\" busy busy e2 6 </TransRel> <InitStates> busy </InitStates>"
       "<MarkedStates> <Consecutive> 5 6 </Consecutive> </MarkedStates> <Empty/> </Generator>",
       "attr",
       "4\n0 0 0 4194305 12582914 29360131\n1 m 0\n2 m 0\n3 0",
       {{0, ""}, {1, "a"}, {3, "e2"}, {2, "e3"}}},
      {"<Generator></Generator>", "base", "0", {}},
  };
  for (const accepted_case &c : cases) {
    SCOPED_TRACE(c.text);
    gen_read r(c.text, known);
    ASSERT_EQ(r.code, 0) << r.error.line << ": " << r.error.message;
    EXPECT_EQ(des_text(r.d), c.des);
    EXPECT_EQ(r.g.generator_name, c.name);
    int added = 0;
    for (const auto &[number, name] : c.added) {
      EXPECT_EQ(r.g.added.name[number], name) << number;
      added += !name.empty();
    }
    EXPECT_EQ(r.g.added_count, added);
  }
}

TEST(GenFormat, BadFilesAreRefusedWithTheirLineAndWriteNothing) {
  event_names known;
  known.name[4] = "stop";
  std::string many;
  for (int i = 0; i <= 1000; i++) many += "x" + std::to_string(i) + "\n";
  const std::string head = "<Generator>\n<Alphabet> a b +C+ </Alphabet>\n<States> 1 2 </States>\n";
  struct refused_case {
    std::string text;
    int line;
    std::string message;
  } cases[] = {
      {"% only a comment\n", 2, "the file holds no <Generator>"},
      {"<Generator>\n<States> 1 2 \n", 3, "expected </States> instead of the end of the file"},
      {head + "<TransRel>\n1 a 3\n</TransRel></Generator>", 5, "unknown state 3"},
      {head + "<TransRel>\n1 c 2\n</TransRel></Generator>", 5,
       "unknown event c (not in the alphabet)"},
      {head + "<TransRel>\n1 a\n</TransRel></Generator>", 6,
       "a transition is cut short by </TransRel>"},
      {head + "<InitStates> 1\n2 </InitStates></Generator>", 5, "more than one initial state"},
      {head + "</Generator>", 4, "no initial state"},
      {"<Generator>\n<Alphabet> a +C+ b\na </Alphabet>", 3,
       "event \"a\" is listed as controllable and"},
      {"<Generator>\n<Alphabet>\nstop +C+ </Alphabet></Generator>", 3,
       "event \"stop\" is 4 in EVENTS.txt"},
      {"<Generator><Alphabet>\n" + many + "</Alphabet>", 1002, "more than 1,000 events"},
      {"<Generator>\n<States> <Consecutive> 1 2097153 </Consecutive>", 2,
       "more than 2,097,152 states"},
      {"<Generator>\n<States> 0 </States>", 2, "state index 0"},
      {"<Generator>\n<States> 1\n+Output=100+ </States>", 3, "the state output 100 is not"},
      {"<Generator>\n\"open", 2, "a string that is not closed"},
      {"<Generator>\n<Alphabet> a +C </Alphabet>", 2, "an attribute that is not closed"},
      {"<Generator>\n<Alphabet> 12 </Alphabet>", 2, "the event name 12 is a number"},
      {"<Generator>\n<States> 1 </Alphabet>", 2, "expected </States> instead of </Alphabet>"},
  };
  scratch_dir dir;
  write_bytes(dir.file("EVENTS.txt"), "4 stop\n");
  for (const refused_case &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    gen_read r(c.text, known);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.d.des, nullptr);
    EXPECT_EQ(r.error.line, c.line);
    EXPECT_EQ(r.error.message.substr(0, c.message.size()), c.message);
    write_bytes(dir.file("in.gen"), c.text);
    std::string message;
    EXPECT_EQ(import_gen_file("in.gen", "OUT", &message), GEN_BAD_FILE);
    EXPECT_EQ(dir.listing(), (std::set<std::string>{"EVENTS.txt", "in.gen"}));
    EXPECT_EQ(read_bytes(dir.file("EVENTS.txt")), "4 stop\n");
  }
}

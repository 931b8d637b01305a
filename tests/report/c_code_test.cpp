// Supervisor C code: generated files for random supervisors (with and without control data)
// compile warning-free with the system C compiler and answer every step, enabled and marked
// query on random event sequences as the DES does.
#include "report/c_code.h"

#include <gtest/gtest.h>

#include <sstream>

#include "model/model_test_util.h"

namespace {

struct supervisor_case {
  owned_des sup, dat;
  bool with_data;
};

// What the generated functions must answer, from the DES itself.
int step(const owned_des &d, int state, int event) {
  if (state < 0 || state >= d.size) return -1;
  for (int j = 0; j < d.des[state].numelts; j++)
    if (d.des[state].next[j].event() == event) return d.des[state].next[j].target();
  return -1;
}

int enabled(const supervisor_case &c, int state, int event) {
  if (!c.with_data) return step(c.sup, state, event) >= 0;
  if (state < 0 || state >= c.sup.size) return 0;
  for (int j = 0; j < c.dat.des[state].numelts; j++)
    if (c.dat.des[state].next[j].event() == event) return 0;
  return 1;
}

}  // namespace

TEST(CCode, CompilesWarningFreeAndAgreesWithTheDes) {
  if (system("cc --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no system C compiler (cc)";
  const int count = 6;
  std::mt19937 rng(2323);
  supervisor_case cases[count];
  scratch_dir dir;
  event_names names;
  names.name[11] = "start_1";
  names.name[12] = "start_1";  // a name given twice is defined once
  std::string driver = "#include <stdio.h>\n", calls;
  for (int k = 0; k < count; k++) {
    supervisor_case &c = cases[k];
    random_des(rng, k == 0 ? 0 : draw<state_t>(rng, 1, 60), 4, true, &c.sup);
    c.with_data = k % 2 == 1;
    if (c.with_data && c.sup.size > 0)
      make_random_des(rng, {c.sup.size, {1, 3, 999, 2}, 2, 0, true, false}, &c.dat);
    std::string id = "S" + std::to_string(k), file = dir.file(id + ".c");
    FILE *out = fopen(file.c_str(), "w");
    ASSERT_EQ(write_c_code(out, id.c_str(), c.sup.des, c.sup.size,
                           c.with_data ? c.dat.des : nullptr, names),
              0);
    fclose(out);
    driver += "#include \"" + file + "\"\n";
    calls += "    if (k == " + std::to_string(k) + ") printf(\"%d %d %d\\n\", " + id +
             "_step(s, e), " + id + "_enabled(s, e), " + id + "_is_marked(s));\n";
  }
  EXPECT_NE(read_bytes(dir.file("S1.c")).find("#define S1_EVENT_start_1 11\n"), std::string::npos);
  write_bytes(dir.file("driver.c"), driver +
                                        "int main(void) {\n  int k, s, e;\n"
                                        "  while (scanf(\"%d %d %d\", &k, &s, &e) == 3) {\n" +
                                        calls + "  }\n  return 0;\n}\n");
  std::string compile = "cc -std=c99 -pedantic -Wall -Wextra -Werror -o " + dir.file("driver") +
                        " " + dir.file("driver.c") + " 2>" + dir.file("cc.err");
  ASSERT_EQ(system(compile.c_str()), 0) << read_bytes(dir.file("cc.err"));

  // Random walks: mostly events the state has, sometimes others and states out of range.
  std::ostringstream queries, expected;
  for (int k = 0; k < count; k++) {
    const supervisor_case &c = cases[k];
    int state = 0;
    for (int i = 0; i < 400; i++) {
      int event = draw<int>(rng, 0, 999);
      if (state >= 0 && state < c.sup.size && c.sup.des[state].numelts > 0 && rng() % 4 != 0)
        event = c.sup.des[state].next[rng() % c.sup.des[state].numelts].event();
      int probe = rng() % 50 == 0 ? draw<int>(rng, -2, c.sup.size + 1) : state;
      queries << k << " " << probe << " " << event << "\n";
      int next = step(c.sup, probe, event);
      int marked = probe >= 0 && probe < c.sup.size && c.sup.des[probe].marked;
      expected << next << " " << enabled(c, probe, event) << " " << marked << "\n";
      if (probe == state) state = next >= 0 ? next : 0;
    }
  }
  write_bytes(dir.file("queries"), queries.str());
  std::string run = dir.file("driver") + " <" + dir.file("queries") + " >" + dir.file("answers");
  ASSERT_EQ(system(run.c_str()), 0);
  EXPECT_EQ(read_bytes(dir.file("answers")), expected.str());
}

// The compute exchange never loses or misplaces a file: long and blank user directories, names that
// would leave the user directory, control data where a DES is expected, memory and file-size
// limits, and an interrupt while the output is written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <functional>

#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
const bool SANITIZED = true;  // the sanitizer's shadow memory cannot live under a memory limit
#else
const bool SANITIZED = false;
#endif

// The longest user directory whose protocol file paths fit.
const size_t LONG_DIR = 246;

// Makes `dir` the user directory of the scratch installation (start-up file and prefix).
void use_user_dir(const scratch_install &install, const std::string &dir) {
  std::filesystem::create_directories(dir);
  write_text(install.root() + "/murn.ini", dir + "\n");
  snprintf(prefix, sizeof prefix, "%s/", dir.c_str());
}

// A chain 0 -> 1 -> ... -> n-1 by event 1, last state marked, and one more state that no marked
// state follows (trim drops it): n + 1 states, n transitions.
void file_chain(const char *name, state_t n) {
  owned_des g;
  std::vector<transition_spec> edges = {{0, 3, n}};
  for (state_t s = 0; s + 1 < n; s++) edges.push_back({s, 1, s + 1});
  make_des(n + 1, edges, {n - 1}, &g);
  scratch_install::file(name, g);
}

state_t states_of(const std::string &name, state_t kind = 0) {
  owned_des d;
  scratch_install::load(name, kind, &d);
  return d.size;
}

std::vector<std::string> temp_files(const std::string &dir) {
  std::vector<std::string> found;
  for (const auto &e : std::filesystem::directory_iterator(dir))
    if (e.path().filename().string().find(".des.") != std::string::npos)
      found.push_back(e.path().filename().string());
  return found;
}

struct exchange_case {
  const char *what;
  std::function<int(scratch_install &)> run;
  int expected;
  std::function<void(scratch_install &)> check;
};

TEST(ComputeExchange, FilesStayInTheUserDirectoryAndAreNeverMisread) {
  ASSERT_NE(getenv("SARV"), nullptr);
  const std::string fixed = std::string(20, 'M'), outside = "ESCAPED";
  const exchange_case cases[] = {
      {"long user directory, names of 20",
       [&](scratch_install &in) {
         use_user_dir(in, in.root() + "/" + std::string(LONG_DIR - 1 - in.root().size(), 'd'));
         file_chain(fixed.c_str(), 3);
         file_chain("X", 5);
         return trim_runProgram("X", fixed.c_str());
       },
       MURN_OK, [](scratch_install &) { EXPECT_EQ(states_of("X"), 3); }},
      {"user directory with a blank",
       [](scratch_install &in) {
         use_user_dir(in, in.root() + "/my files");
         file_chain("A", 2);
         return trim_runProgram("T", "A");
       },
       MURN_OK,
       [](scratch_install &in) {
         EXPECT_EQ(states_of("T"), 2);
         EXPECT_EQ(read_text(in.root() + "/murn.ini"), in.root() + "/my files\n");
         EXPECT_FALSE(std::filesystem::exists(in.root() + "/my"));
       }},
      {"control data under a DES name as Trim input",
       [](scratch_install &in) {
         file_chain("OUT", 4);
         filedes("OUT", 0, -1, nullptr);  // existing control data of the same name
         filedes("D", 0, -1, nullptr);
         std::filesystem::rename(in.user_file("D.dat"), in.user_file("D.des"));
         return trim_runProgram("OUT", "D");
       },
       MURN_INPUT_NOT_READ,
       [](scratch_install &) {
         EXPECT_EQ(states_of("OUT"), 5);
         EXPECT_EQ(states_of("OUT", -1), 0);
       }},
      {"control data under a DES name as second Sync input",
       [](scratch_install &in) {
         file_chain("A", 2);
         filedes("D", 0, -1, nullptr);
         std::filesystem::rename(in.user_file("D.dat"), in.user_file("D.des"));
         return sync_runProgram("S", "A", "D");
       },
       MURN_INPUT_NOT_READ, [](scratch_install &in) { EXPECT_FALSE(in.user_has("S.des")); }},
      {"output name leading out",
       [&](scratch_install &) { return trim_runProgram("../ESCAPED", "A"); }, MURN_MISSING_NAME,
       nullptr},
      {"input name leading out",
       [&](scratch_install &in) {
         file_chain("OUTSIDE", 2);  // then moved beside the user directory
         std::filesystem::rename(in.user_file("OUTSIDE.des"), in.root() + "/OUTSIDE.des");
         return trim_runProgram("T", "../OUTSIDE");
       },
       MURN_MISSING_NAME, [](scratch_install &in) { EXPECT_FALSE(in.user_has("T.des")); }},
      {"absolute output name",
       [](scratch_install &in) { return trim_runProgram((in.root() + "/ESCAPED").c_str(), "A"); },
       MURN_MISSING_NAME, nullptr},
      {"output name \"..\"", [](scratch_install &) { return trim_runProgram("..", "A"); },
       MURN_MISSING_NAME, nullptr},
      {"input name \".\"", [](scratch_install &) { return meet_runProgram("T", "A", "."); },
       MURN_MISSING_NAME, nullptr},
      {"memory limit while reading the input",
       [](scratch_install &in) {
         file_chain("BIG", 1500000);
         in.use_stub("ulimit -v 60000; exec '" + in.program() + "' -cmdline");
         return trim_runProgram("T", "BIG");
       },
       MURN_OUT_OF_MEMORY, [](scratch_install &in) { EXPECT_FALSE(in.user_has("T.des")); }},
      {"file-size limit while writing the output",
       [](scratch_install &in) {
         file_chain("T", 2);
         file_chain("A", 20000);
         in.use_stub("ulimit -f 64; exec '" + in.program() + "' -cmdline");
         return trim_runProgram("T", "A");
       },
       MURN_OUTPUT_NOT_WRITTEN, [](scratch_install &) { EXPECT_EQ(states_of("T"), 3); }},
  };
  for (const exchange_case &c : cases) {
    SCOPED_TRACE(c.what);
    if (SANITIZED && strstr(c.what, "memory") != nullptr) continue;
    scratch_install install;
    EXPECT_EQ(c.run(install), c.expected);
    if (c.check) c.check(install);
    std::string user(prefix, strlen(prefix) - 1);
    EXPECT_FALSE(std::filesystem::exists(install.root() + "/" + outside + ".des"));
    EXPECT_TRUE(temp_files(user).empty());
    for (const char *f : {"/murn.prm", "/murn.rst"})
      EXPECT_FALSE(std::filesystem::exists(user + f));
  }
}

// An interrupt while the output is being written removes the temporary file and the request; a
// temporary file that a killed process could not remove is swept by the next exchange.
TEST(ComputeExchange, InterruptedWriteLeavesNoTemporaryFile) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  file_chain("A", 1000000);
  bool seen = false;
  for (int attempt = 0; attempt < 5 && !seen; attempt++) {
    write_text(install.user_file("murn.prm"), "0\n1\n2\nA\nT\n");
    pid_t child = fork();
    if (child == 0) {
      unsetenv("TERM");
      execl(install.program().c_str(), install.program().c_str(), "-cmdline", nullptr);
      _exit(127);
    }
    while (!(seen = !temp_files(install.user_file("")).empty()) &&
           waitpid(child, nullptr, WNOHANG) == 0)
      usleep(200);
    if (seen) kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(!seen || (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT));
  }
  ASSERT_TRUE(seen) << "the write was never caught in progress";
  EXPECT_EQ(install.user_listing(), (std::vector<std::string>{"A.des"}));
  write_text(install.user_file("T.des.k1Lled"), "left by a killed writer");
  EXPECT_EQ(trim_runProgram("T", "T"), MURN_OK);  // a missing input: an empty result
  EXPECT_EQ(install.user_listing(), (std::vector<std::string>{"A.des", "T.des"}));
}

}  // namespace

// The compute exchange never loses or misplaces a file: a long user directory, names leading out,
// memory and file-size limits, an interrupt while the output is written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "engine/engine_test_util.h"
#include "engine/protocol.h"

namespace {

// A chain 0 -> ... -> n-1 by event 1, the last state marked, and a state n that trim drops.
void file_chain(const std::string &name, state_t n) {
  std::vector<transition_spec> edges = {{0, 3, n}};
  for (state_t s = 0; s + 1 < n; s++) edges.push_back({s, 1, s + 1});
  scratch_install::file(name.c_str(), n + 1, edges, {n - 1});
}

state_t states_of(const std::string &name) {
  owned_des d;
  scratch_install::load(name, 0, &d);
  return d.size;
}

// Names in the user directory that an exchange must not leave: temporary and protocol files.
std::vector<std::string> leftovers(bool temporary_only = false) {
  std::vector<std::string> found;
  for (const std::string &name : list_directory(prefix))
    if (name.rfind(".sarv-tmp-", 0) == 0 || (!temporary_only && name.rfind("murn.", 0) == 0))
      found.push_back(name);
  return found;
}

// The longest user directory (254 characters) with the longest names works; no name leads out.
TEST(ComputeExchange, LongDirectoryWorksAndNoNameLeadsOut) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install in;
  const std::string machine(20, 'M'),
      dir = in.root() + "/" + std::string(253 - in.root().size(), 'd');
  std::filesystem::create_directories(dir);
  write_bytes(in.root() + "/murn.ini", dir + "\n");
  snprintf(prefix, sizeof prefix, "%s/", dir.c_str());
  file_chain(machine, 3);
  file_chain("X", 5);
  EXPECT_EQ(trim_runProgram("X", machine.c_str()), MURN_OK);
  EXPECT_EQ(states_of("X"), 3);
  write_bytes(in.root() + "/OUTSIDE.des", read_bytes(dir + "/X.des"));
  const std::string names[][2] = {{"../ESCAPED", "X"},
                                  {in.root() + "/ESCAPED", "X"},
                                  {"T", "../OUTSIDE"},
                                  {"..", "X"},
                                  {"T", "."}};
  for (const auto &n : names)
    EXPECT_EQ(trim_runProgram(n[0].c_str(), n[1].c_str()), MURN_MISSING_NAME) << n[0] << n[1];
  EXPECT_FALSE(std::filesystem::exists(in.root() + "/ESCAPED.des"));
  EXPECT_EQ(list_directory(dir), (std::set<std::string>{"X.des", machine + ".des"}));
}

// Limits in the child: a write past the file-size limit answers 7, memory running out while
// reading answers 3; the old output stays.
TEST(ComputeExchange, ResourceLimitsAreAnswered) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install in;
  file_chain("T", 2);
  file_chain("A", 20000);
  in.use_stub("ulimit -f 64; exec '" + in.program() + "' -cmdline");
  EXPECT_EQ(trim_runProgram("T", "A"), MURN_OUTPUT_NOT_WRITTEN);
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's shadow memory cannot live under a limit
  file_chain("BIG", 1500000);
  in.use_stub("ulimit -v 60000; exec '" + in.program() + "' -cmdline");
  EXPECT_EQ(trim_runProgram("T", "BIG"), MURN_OUT_OF_MEMORY);
#endif
  EXPECT_EQ(states_of("T"), 3);
  EXPECT_TRUE(leftovers().empty());
}

// An interrupt while writing removes the temporary file and the request; one a killed process
// left is swept by the next exchange.
TEST(ComputeExchange, InterruptedWriteLeavesNoTemporaryFile) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install in;
  file_chain("A", 1000000);
  bool seen = false;
  for (int attempt = 0; attempt < 10 && !seen; attempt++) {
    write_bytes(in.user_file("murn.prm"), "0\n1\n2\nA\nT\n");
    pid_t child = fork();
    if (child == 0) {
      unsetenv("TERM");
      execl(in.program().c_str(), in.program().c_str(), "-cmdline", nullptr);
      _exit(127);
    }
    while (!(seen = !leftovers(true).empty()) && waitpid(child, nullptr, WNOHANG) == 0) usleep(200);
    if (seen) kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    if (seen && WIFEXITED(status)) {  // the write ended before the signal came: try again
      seen = false;
      for (const char *f : {"T.des", "murn.rst"}) std::filesystem::remove(in.user_file(f));
    }
    EXPECT_TRUE(!seen || (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT));
  }
  ASSERT_TRUE(seen) << "the write was never caught in progress";
  EXPECT_EQ(in.user_listing(), (std::vector<std::string>{"A.des"}));
  write_bytes(in.user_file(".sarv-tmp-k1Lled.des"), "left by a killed writer");
  EXPECT_EQ(trim_runProgram("T", "T"), MURN_OK);  // a missing input: an empty result
  EXPECT_EQ(in.user_listing(), (std::vector<std::string>{"A.des", "T.des"}));
}

}  // namespace

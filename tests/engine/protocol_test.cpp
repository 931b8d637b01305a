// The request/result protocol seen from the front end: the request file it writes, how it reads
// every kind of result, and the files it leaves behind. The compute process is either a stub
// script (to produce each fault on purpose) or the real program.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "engine/catalogue.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"

namespace {

using namespace engine_test;

TEST(RequestFile, HeaderNamesAndOneLinePerListItem) {
  scratch_install install;
  const char *names[] = {"G", "H", "K"};
  const event_t events[] = {11, 13};
  ASSERT_EQ(write_request(find_procedure(1), names, events, 2), 0);
  EXPECT_EQ(read_text(install.user_file("murn.prm")), "0\n1\n1\nG\nH\n11\n13\n");
  const state_pair pairs[] = {{3, 1}, {0, 12}};
  ASSERT_EQ(write_request(find_procedure(6), names, pairs, 2), 0);
  EXPECT_EQ(read_text(install.user_file("murn.prm")), "0\n1\n6\nG\nH\nK\n3 1\n0 12\n");
  procedure_row quads_row = {13, "Q", "Q", 1, OUTPUT_DES, LIST_QUADS, FRAME_STANDARD, nullptr};
  const quad quads[] = {{0, 11, 2, 10}, {4, 998, 0, 99}};
  ASSERT_EQ(write_request(&quads_row, names, quads, 2), 0);
  EXPECT_EQ(read_text(install.user_file("murn.prm")), "0\n1\n13\nG\nH\n0 11 2 10\n4 998 0 99\n");
  // The header carries the debug and minimization switches; the output name comes last.
  install.use_stub("cp '" + install.user_file("murn.prm") + "' '" + install.root() +
                   "/request'\nprintf '0\\n' > \"$R\"");
  debug_mode = 1;
  minflag = 0;
  EXPECT_EQ(supcon_runProgram("SUP", "PLANT", "SPEC"), MURN_OK);
  EXPECT_EQ(read_text(install.root() + "/request"), "1\n0\n5\nPLANT\nSPEC\nSUP\n");
}

TEST(RequestFile, UncreatableRequestAnswersMinusOneWithoutStartingAnything) {
  scratch_install install;
  install.use_stub("touch '" + install.root() + "/started'");
  snprintf(prefix, sizeof prefix, "%s/missing/", install.root().c_str());
  EXPECT_EQ(trim_runProgram("H", "G"), MURN_REQUEST_NOT_CREATED);
  // A user directory so long that "murn.prm" does not fit is refused, not cut short.
  snprintf(prefix, sizeof prefix, "%s/%s/", install.root().c_str(), std::string(250, 'd').c_str());
  EXPECT_EQ(trim_runProgram("H", "G"), MURN_REQUEST_NOT_CREATED);
  EXPECT_FALSE(std::filesystem::exists(install.root() + "/started"));
}

// Each fault of the compute process or its result file maps to its own code, and the result
// file never outlives the exchange.
TEST(ResultFile, FaultsMapToTheirCodes) {
  scratch_install install;
  struct {
    const char *stub;
    int expected;
  } cases[] = {
      {"exit 0", MURN_NO_RESULT},
      {"printf 'x\\n' > \"$R\"", MURN_RESULT_GARBLED},
      {"printf '' > \"$R\"", MURN_RESULT_GARBLED},
      {"printf '3\\n' > \"$R\"", MURN_OUT_OF_MEMORY},
      {"printf '  6\\n' > \"$R\"", MURN_VOCAL_STATE0},
      {"printf '0\\n' > \"$R\"; kill -9 $$", MURN_CHILD_FAILED},
      {"printf '0\\n' > \"$R\"; exit 3", MURN_CHILD_FAILED},
  };
  for (const auto &c : cases) {
    install.use_stub(c.stub);
    EXPECT_EQ(trim_runProgram("H", "G"), c.expected) << c.stub;
    EXPECT_TRUE(c.expected == MURN_CHILD_FAILED || !install.user_has("murn.rst")) << c.stub;
  }
  argv0 = "/nonexistent/sarv";
  EXPECT_EQ(trim_runProgram("H", "G"), MURN_CHILD_FAILED);
  argv0 = nullptr;
  EXPECT_EQ(trim_runProgram("H", "G"), MURN_CHILD_FAILED);
  // A result file that exists but cannot be opened (no descriptor left).
  write_text(install.user_file("murn.rst"), "0\n");
  int lowest_free = dup(0);
  close(lowest_free);
  rlimit saved;
  getrlimit(RLIMIT_NOFILE, &saved);
  rlimit tight = saved;
  tight.rlim_cur = lowest_free;
  setrlimit(RLIMIT_NOFILE, &tight);
  int code = get_murn_result();
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(code, MURN_RESULT_UNREADABLE);
}

TEST(ResultFile, SupreduceResultCarriesBoundAndRatio) {
  scratch_install install;
  int32_t bound = -1;
  float ratio = -1;
  ASSERT_EQ(murn_result_supreduce(MURN_OK, 7, 1.75f), 0);
  EXPECT_EQ(read_text(install.user_file("murn.rst")), "0\n7 1.750000\n");
  EXPECT_EQ(get_murn_result_supreduce(&bound, &ratio), MURN_OK);
  EXPECT_EQ(bound, 7);
  EXPECT_FLOAT_EQ(ratio, 1.75f);
  install.use_stub("printf '4\\n' > \"$R\"");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_SUPREDUCE_ERROR);
  EXPECT_EQ(bound, 0);
  install.use_stub("printf '0\\n' > \"$R\"");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_RESULT_GARBLED);
  EXPECT_FALSE(install.user_has("murn.rst"));
}

// The child's output goes to "murn.out"/"murn.err" while it runs, and both are gone afterwards;
// in debug mode neither is created.
TEST(OutputCapture, CapturedUnlessDebugAndRemovedAfterwards) {
  scratch_install install;
  std::string seen = install.root() + "/seen";
  install.use_stub("echo to-out; echo to-err >&2\ncat '" + install.user_file("murn.out") + "' '" +
                   install.user_file("murn.err") + "' > '" + seen + "' 2>/dev/null\n" +
                   "printf '0\\n' > \"$R\"");
  EXPECT_EQ(mySystem(), MURN_OK);
  EXPECT_EQ(read_text(seen), "to-out\nto-err\n");
  EXPECT_TRUE(install.user_listing().empty());
  debug_mode = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(mySystem(), MURN_OK);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("to-out"), std::string::npos);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("to-err"), std::string::npos);
  EXPECT_EQ(read_text(seen), "");
  EXPECT_TRUE(install.user_listing().empty());
}

// Whole exchanges with the real program: an unknown code runs nothing, answers 0 and leaves
// nothing behind; a missing request answers 1; a missing name line answers 2 for every
// catalogue code, keeps the request and files nothing.
TEST(RealExchange, UnknownCodeMissingRequestAndMissingName) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  const char *names[] = {"G", "H"};
  procedure_row unknown = {26, "None", "", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, nullptr};
  ASSERT_EQ(write_request(&unknown, names, nullptr, 0), 0);
  EXPECT_EQ(mySystem(), MURN_OK);
  EXPECT_TRUE(install.user_listing().empty());
  EXPECT_EQ(mySystem(), MURN_NO_REQUEST);
  EXPECT_TRUE(install.user_listing().empty());
  owned_des g;
  make_des(1, {}, {0}, &g);
  install.file("G", g);
  for (int code : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 17, 19, 20}) {
    ASSERT_NE(find_procedure(code), nullptr) << code;
    write_text(install.user_file("murn.prm"), "0\n1\n" + std::to_string(code) + "\nG\n");
    EXPECT_EQ(mySystem(), MURN_MISSING_NAME) << code;
    EXPECT_EQ(install.user_listing(), (std::vector<std::string>{"G.des", "murn.prm"})) << code;
  }
}

}  // namespace

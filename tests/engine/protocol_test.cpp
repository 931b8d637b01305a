// The request/result protocol seen from the front end: the request file it writes, how it reads
// every kind of result, and the files it leaves behind. The compute process is either a stub
// script (to produce each fault on purpose) or the real program.
#include <gtest/gtest.h>

#include "engine/catalogue.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"

namespace {

// A stub compute process that keeps a copy of the request and answers `result`.
std::string copying_stub(const scratch_install &install, const std::string &result) {
  return "cp '" + install.user_file("murn.prm") + "' '" + install.root() + "/request'\n" +
         "printf '" + result + "' > '" + install.user_file("murn.rst") + "'";
}

const procedure_row selfloop_like = {1,          "Selfloop",  "1: Selfloop",  1,
                                     OUTPUT_DES, LIST_EVENTS, FRAME_STANDARD, nullptr};

TEST(RequestFile, ListRequestHasHeaderNamesAndOneLinePerItem) {
  scratch_install install;
  install.use_stub(copying_stub(install, "0\\n"));
  debug_mode = 0;
  minflag = 1;
  const char *names[] = {"G", "H"};
  const event_t events[] = {11, 13};
  ASSERT_EQ(write_request(&selfloop_like, names, events, 2), 0);
  EXPECT_EQ(mySystem(), MURN_OK);
  EXPECT_EQ(scratch_install::read_text(install.root() + "/request"), "0\n1\n1\nG\nH\n11\n13\n");
}

TEST(RequestFile, CoreProceduresWriteInputsFirstAndOutputLast) {
  scratch_install install;
  install.use_stub(copying_stub(install, "0\\n"));
  debug_mode = 1;
  minflag = 0;
  EXPECT_EQ(trim_runProgram("OUT", "IN"), MURN_OK);
  EXPECT_EQ(scratch_install::read_text(install.root() + "/request"), "1\n0\n2\nIN\nOUT\n");
  EXPECT_EQ(supcon_runProgram("SUP", "PLANT", "SPEC"), MURN_OK);
  EXPECT_EQ(scratch_install::read_text(install.root() + "/request"), "1\n0\n5\nPLANT\nSPEC\nSUP\n");
  EXPECT_EQ(condat_runProgram("DATA", "PLANT", "SUP"), MURN_OK);
  EXPECT_EQ(scratch_install::read_text(install.root() + "/request"), "1\n0\n7\nPLANT\nSUP\nDATA\n");
}

TEST(RequestFile, PairAndQuadListsUseTheirFormats) {
  scratch_install install;
  debug_mode = 0;
  minflag = 1;
  const char *names[] = {"A", "B", "C"};
  procedure_row pairs_row = {6,          "Mutex",          "6: Mutex",     2,
                             OUTPUT_DES, LIST_STATE_PAIRS, FRAME_STANDARD, nullptr};
  const state_pair pairs[] = {{3, 1}, {0, 12}};
  ASSERT_EQ(write_request(&pairs_row, names, pairs, 2), 0);
  EXPECT_EQ(scratch_install::read_text(install.user_file("murn.prm")),
            "0\n1\n6\nA\nB\nC\n3 1\n0 12\n");
  procedure_row quads_row = {13,         "Vocalize", "H0: Vocalize", 1,
                             OUTPUT_DES, LIST_QUADS, FRAME_STANDARD, nullptr};
  const quad quads[] = {{0, 11, 2, 10}, {4, 998, 0, 99}};
  ASSERT_EQ(write_request(&quads_row, names, quads, 2), 0);
  EXPECT_EQ(scratch_install::read_text(install.user_file("murn.prm")),
            "0\n1\n13\nA\nB\n0 11 2 10\n4 998 0 99\n");
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

// Each fault of the compute process or its result file maps to its own negative code, and the
// result file never outlives the exchange.
TEST(ResultFile, FaultsMapToNegativeCodes) {
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
    install.use_stub("R='" + install.user_file("murn.rst") + "'\n" + c.stub);
    EXPECT_EQ(trim_runProgram("H", "G"), c.expected) << c.stub;
    if (c.expected != MURN_CHILD_FAILED) {
      EXPECT_FALSE(install.user_has("murn.rst")) << c.stub;
    }
  }
}

TEST(ResultFile, MissingProgramIsAFailedChild) {
  scratch_install install;
  argv0 = "/nonexistent/sarv";
  EXPECT_EQ(trim_runProgram("H", "G"), MURN_CHILD_FAILED);
  argv0 = nullptr;
  EXPECT_EQ(trim_runProgram("H", "G"), MURN_CHILD_FAILED);
}

TEST(ResultFile, SupreduceResultCarriesBoundAndRatio) {
  scratch_install install;
  int32_t bound = -1;
  float ratio = -1;
  install.use_stub("printf '0\\n4 2.500000\\n' > '" + install.user_file("murn.rst") + "'");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_OK);
  EXPECT_EQ(bound, 4);
  EXPECT_FLOAT_EQ(ratio, 2.5f);
  install.use_stub("printf '4\\n' > '" + install.user_file("murn.rst") + "'");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_SUPREDUCE_ERROR);
  EXPECT_EQ(bound, 0);
  install.use_stub("printf '0\\n' > '" + install.user_file("murn.rst") + "'");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_RESULT_GARBLED);
  install.use_stub("exit 0");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_NO_RESULT);
  EXPECT_FALSE(install.user_has("murn.rst"));
}

TEST(ResultFile, CompressionResultRoundTripsThroughTheWriter) {
  scratch_install install;
  ASSERT_EQ(murn_result_supreduce(MURN_OK, 7, 1.75f), 0);
  EXPECT_EQ(scratch_install::read_text(install.user_file("murn.rst")), "0\n7 1.750000\n");
  int32_t bound;
  float ratio;
  EXPECT_EQ(get_murn_result_supreduce(&bound, &ratio), MURN_OK);
  EXPECT_EQ(bound, 7);
  EXPECT_FLOAT_EQ(ratio, 1.75f);
}

// The child's output goes to "murn.out"/"murn.err" while it runs, and both are gone afterwards;
// in debug mode neither is created.
TEST(OutputCapture, CapturedUnlessDebugAndRemovedAfterwards) {
  scratch_install install;
  std::string seen = install.root() + "/seen";
  install.use_stub("echo to-out; echo to-err >&2\ncat '" + install.user_file("murn.out") + "' '" +
                   install.user_file("murn.err") + "' > '" + seen + "' 2>/dev/null\n" +
                   "printf '0\\n' > '" + install.user_file("murn.rst") + "'");
  debug_mode = 0;
  EXPECT_EQ(mySystem(), MURN_OK);
  EXPECT_EQ(scratch_install::read_text(seen), "to-out\nto-err\n");
  EXPECT_TRUE(install.user_listing().empty());

  debug_mode = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(mySystem(), MURN_OK);
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(scratch_install::read_text(seen), "");
  EXPECT_NE(out.find("to-out"), std::string::npos);
  EXPECT_NE(err.find("to-err"), std::string::npos);
  EXPECT_TRUE(install.user_listing().empty());
}

// A whole exchange with the real program: an unknown code runs nothing, answers 0 and leaves
// neither protocol file nor output behind.
TEST(RealExchange, UnknownCodeAnswersZeroAndLeavesNothing) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  debug_mode = 0;
  const char *names[] = {"G", "H"};
  procedure_row unknown = {26, "None", "", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, nullptr};
  ASSERT_EQ(write_request(&unknown, names, nullptr, 0), 0);
  EXPECT_EQ(mySystem(), MURN_OK);
  EXPECT_TRUE(install.user_listing().empty());
}

TEST(RealExchange, MissingRequestAnswersOne) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  EXPECT_EQ(mySystem(), MURN_NO_REQUEST);
  EXPECT_TRUE(install.user_listing().empty());
}

TEST(RealExchange, MissingNameLineAnswersTwoAndKeepsTheRequest) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  scratch_install::write_text(install.user_file("murn.prm"), "0\n1\n2\nG\n");
  EXPECT_EQ(mySystem(), MURN_MISSING_NAME);
  EXPECT_TRUE(install.user_has("murn.prm"));
  EXPECT_FALSE(install.user_has("G.des"));
  EXPECT_FALSE(install.user_has("murn.rst"));
}

}  // namespace

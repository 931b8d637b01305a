// The request/result protocol from the front end's side, with a stub or the real compute process.
#include "engine/protocol.h"

#include <gtest/gtest.h>

#include "engine/catalogue.h"
#include "engine/engine_test_util.h"

namespace {

// Each fault maps to its own code and the result file never outlives the exchange; supervisor
// reduction's result also carries bound and ratio.
TEST(ResultFile, FaultsMapToTheirCodes) {
  scratch_install install;
  std::pair<const char *, int> cases[] = {
      {"printf '' > \"$R\"", MURN_RESULT_GARBLED},
      {"printf '  6\\n' > \"$R\"", MURN_VOCAL_STATE0},
      {"printf '0\\n' > \"$R\"; exit 3", MURN_CHILD_FAILED},
  };
  for (const auto &[stub, expected] : cases) {
    install.use_stub(stub);
    EXPECT_EQ(trim_runProgram("H", "G"), expected) << stub;
    EXPECT_TRUE(expected == MURN_CHILD_FAILED || !install.user_has("murn.rst")) << stub;
  }
  for (const char *program : {"/nonexistent/sarv", static_cast<const char *>(nullptr)}) {
    argv0 = program;
    EXPECT_EQ(trim_runProgram("H", "G"), MURN_CHILD_FAILED);
  }
  int32_t bound;
  float ratio;
  ASSERT_EQ(murn_result_supreduce(MURN_OK, 7, 1.75f), 0);
  EXPECT_EQ(read_bytes(install.user_file("murn.rst")), "0\n7 1.750000\n");
  EXPECT_EQ(get_murn_result_supreduce(&bound, &ratio), MURN_OK);
  EXPECT_TRUE(bound == 7 && ratio == 1.75f);
  install.use_stub("printf '4\\n' > \"$R\"");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_SUPREDUCE_ERROR);
  EXPECT_EQ(bound, 0);
  install.use_stub("printf '0\\n' > \"$R\"");
  EXPECT_EQ(mySystem_supreduce(&bound, &ratio), MURN_RESULT_GARBLED);
  EXPECT_FALSE(install.user_has("murn.rst"));
}

// Outside debug mode the child's output goes to "murn.out" and "murn.err", removed afterwards.
TEST(OutputCapture, CapturedUnlessDebugAndRemovedAfterwards) {
  scratch_install install;
  install.use_stub("echo out; echo err >&2\ncd \"$(dirname \"$R\")\"\n" +
                   std::string("cat murn.out murn.err > ../seen 2>/dev/null; ls >> ../seen\n") +
                   "printf '0\\n' > \"$R\"");
  for (int debug : {0, 1}) {
    debug_mode = debug;
    EXPECT_EQ(mySystem(), MURN_OK);
    EXPECT_EQ(read_bytes(install.root() + "/seen"), debug ? "" : "out\nerr\nmurn.err\nmurn.out\n");
    EXPECT_TRUE(install.user_listing().empty());
  }
}

// The real program: a missing request answers 1, a missing name 2 for every code (request removed).
TEST(RealExchange, MissingRequestOrName) {
  ASSERT_NE(getenv("SARV"), nullptr);
  scratch_install install;
  EXPECT_EQ(mySystem(), MURN_NO_REQUEST);
  EXPECT_TRUE(install.user_listing().empty());
  for (int code = 1; code <= LAST_PROCEDURE_CODE; ++code) {
    if (find_procedure(code) == nullptr) continue;
    write_bytes(install.user_file("murn.prm"), "0\n1\n" + std::to_string(code) + "\nG\n");
    EXPECT_EQ(mySystem(), MURN_MISSING_NAME) << code;
    EXPECT_TRUE(install.user_listing().empty()) << code;
  }
}

}  // namespace

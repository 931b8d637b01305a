// Program entry: the type-out mode, option words, the start-up file and the user directory it
// selects. The real program runs without a terminal in a scratch installation.
#include <gtest/gtest.h>

#include "engine/engine_test_util.h"
#include "model/des_file.h"
#include "support/random_des.h"

namespace {

class Entry : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    work_ = install_.root() + "/work";
    std::filesystem::create_directory(work_);
  }
  run_outcome sarv(const std::string &args) {
    return run_in(work_, "'" + install_.program() + "' " + args);
  }
  std::string ini() const { return scratch_install::read_text(install_.root() + "/murn.ini"); }
  void set_ini(const std::string &text) {
    scratch_install::write_text(install_.root() + "/murn.ini", text);
  }
  // Runs compute mode on a request with an unknown code placed in `dir`; true when the request
  // was answered there, i.e. `dir` was the user directory.
  bool compute_mode_uses(const std::string &dir, const std::string &how_to_run) {
    std::filesystem::create_directories(dir);
    scratch_install::write_text(dir + "/murn.prm", "0\n1\n26\n");
    run_outcome outcome = run_in(work_, how_to_run);
    bool answered = outcome.exit_status == 0 &&
                    scratch_install::read_text(dir + "/murn.rst") == "0\n" &&
                    !std::filesystem::exists(dir + "/murn.prm");
    std::filesystem::remove(dir + "/murn.rst");
    std::filesystem::remove(dir + "/murn.prm");
    return answered;
  }
  bool compute_mode_uses(const std::string &dir) {
    return compute_mode_uses(dir, "'" + install_.program() + "' -cmdline");
  }

  scratch_install install_;
  std::string work_;
};

TEST_F(Entry, TypeOutOfADesFileStopsAfterItsHeader) {
  owned_des g;
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {2}, &g);
  ASSERT_EQ(filedes("G", g.size, 0, g.des), 0);
  std::string file = scratch_install::read_text(install_.user_file("G.des"));
  run_outcome outcome = sarv("'" + install_.user_file("G.des") + "'");
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.output, "SARV DES file. Version 1.0\x1A");
  EXPECT_EQ(outcome.output, file.substr(0, 27));
}

TEST_F(Entry, TypeOutOfATextFilePrintsItOnce) {
  std::string text = "line one\nline two\n\tlast line without end";
  scratch_install::write_text(work_ + "/notes.txt", text);
  run_outcome outcome = sarv("notes.txt");
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.output, text);
}

TEST_F(Entry, UnreadableFileOrScriptReportsAndExitsOne) {
  struct {
    const char *args;
    const char *message;
  } cases[] = {
      {"missing.txt", "Error reading missing.txt\n"},
      {"-autotest missing.key", "Error reading missing.key\n"},
      {"-autotest", "Error reading \n"},
      {"-CMDLINE", "Error reading -CMDLINE\n"},
  };
  for (const auto &c : cases) {
    run_outcome outcome = sarv(c.args);
    EXPECT_EQ(outcome.exit_status, 1) << c.args;
    EXPECT_EQ(outcome.output, c.message) << c.args;
  }
}

TEST_F(Entry, CapitalisedOptionWordsAreFileNames) {
  scratch_install::write_text(work_ + "/-Cmdline", "typed out\n");
  scratch_install::write_text(work_ + "/-AUTOTEST", "also typed\n");
  EXPECT_EQ(sarv("-Cmdline").output, "typed out\n");
  EXPECT_EQ(sarv("-AUTOTEST script").output, "also typed\n");
}

TEST_F(Entry, StartUpFileNamingADirectorySelectsItAndIsRewrittenUnchanged) {
  std::string dir = install_.root() + "/mine";
  std::filesystem::create_directory(dir);
  set_ini(dir + "\n");
  EXPECT_TRUE(compute_mode_uses(dir));
  EXPECT_EQ(ini(), dir + "\n");
}

TEST_F(Entry, PathWithABlankKeepsThePartBeforeIt) {
  std::string dir = install_.root() + "/mine";
  std::filesystem::create_directory(dir);
  set_ini(dir + " and more words\n");
  EXPECT_TRUE(compute_mode_uses(dir));
  EXPECT_EQ(ini(), dir + "\n");
}

TEST_F(Entry, UnusableStartUpFileFallsBackToUserBelowTheWorkingDirectory) {
  std::string fallback = work_ + "/user";
  struct {
    const char *what;
    std::string text;
  } cases[] = {
      {"missing directory", install_.root() + "/nowhere\n"},
      {"empty file", ""},
      {"path too long to hold", "/" + std::string(300, 'd') + "\n"},
  };
  for (const auto &c : cases) {
    set_ini(c.text);
    EXPECT_TRUE(compute_mode_uses(fallback)) << c.what;
    EXPECT_EQ(ini(), fallback + "\n") << c.what;
  }
  std::filesystem::remove(install_.root() + "/murn.ini");
  EXPECT_TRUE(compute_mode_uses(fallback));
  EXPECT_EQ(ini(), fallback + "\n");
}

TEST_F(Entry, ProgramStartedWithoutPathUsesTheStartUpFileInHome) {
  std::string home = install_.root() + "/home", dir = install_.root() + "/homedir";
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(dir);
  scratch_install::write_text(home + "/murn.ini", dir + "\n");
  std::string path_env = "PATH='" + install_.root() + "':\"$PATH\" ";
  EXPECT_TRUE(compute_mode_uses(dir, "env HOME='" + home + "' " + path_env + "sarv -cmdline"));
  EXPECT_TRUE(compute_mode_uses(dir, "env HOME='" + home + "/' " + path_env + "sarv -cmdline"));
  run_outcome outcome = run_in(work_, "env -u HOME " + path_env + "sarv -cmdline");
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_NE(outcome.output.find("Cannot determine your HOME directory!"), std::string::npos);
}

TEST(StartUpFileLocation, NextToTheProgramOrInHome) {
  char file[256];
  EXPECT_EQ(locate_murn_ini("./sarv", "/home/x", file), MURN_INI_FOUND);
  EXPECT_STREQ(file, "./murn.ini");
  EXPECT_EQ(locate_murn_ini("/opt/x/sarv", nullptr, file), MURN_INI_FOUND);
  EXPECT_STREQ(file, "/opt/x/murn.ini");
  EXPECT_EQ(locate_murn_ini("sarv", "/home/x/", file), MURN_INI_FOUND);
  EXPECT_STREQ(file, "/home/x/murn.ini");
  EXPECT_EQ(locate_murn_ini("sarv", nullptr, file), MURN_INI_NO_HOME);
  std::string deep = "/" + std::string(250, 'd') + "/sarv";
  EXPECT_EQ(locate_murn_ini(deep.c_str(), nullptr, file), MURN_INI_TOO_LONG);
  EXPECT_STREQ(file, "");
  std::string fits = "/" + std::string(245, 'd') + "/sarv";
  EXPECT_EQ(locate_murn_ini(fits.c_str(), nullptr, file), MURN_INI_FOUND);
  EXPECT_EQ(strlen(file), 255u);
}

}  // namespace

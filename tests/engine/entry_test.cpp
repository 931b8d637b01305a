// Program entry: the type-out mode, option words, and the start-up file with the user directory
// it selects. The real program runs without a terminal in a scratch installation.
#include <gtest/gtest.h>

#include "engine/engine_test_util.h"

namespace {

using namespace engine_test;

class Entry : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("SARV"), nullptr);
    work_ = install_.root() + "/work";
    std::filesystem::create_directory(work_);
  }
  std::pair<int, std::string> sarv(const std::string &args) {
    return run_in(work_, "'" + install_.program() + "' " + args);
  }
  // Runs compute mode on a request with an unknown code placed in `dir`; true when it was
  // answered there, i.e. `dir` was the user directory.
  bool compute_mode_uses(const std::string &dir, const std::string &how_to_run = "") {
    std::filesystem::create_directories(dir);
    write_text(dir + "/murn.prm", "0\n1\n26\n");
    auto outcome =
        run_in(work_, how_to_run.empty() ? "'" + install_.program() + "' -cmdline" : how_to_run);
    bool answered = outcome.first == 0 && read_text(dir + "/murn.rst") == "0\n" &&
                    !std::filesystem::exists(dir + "/murn.prm");
    std::filesystem::remove(dir + "/murn.rst");
    std::filesystem::remove(dir + "/murn.prm");
    return answered;
  }

  scratch_install install_;
  std::string work_;
};

TEST_F(Entry, TypeOutPrintsTextFilesAndDesFilesUpToTheirHeader) {
  owned_des g;
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {2}, &g);
  install_.file("G", g);
  std::string des = read_text(install_.user_file("G.des"));
  EXPECT_EQ(sarv("'" + install_.user_file("G.des") + "'"),
            std::make_pair(0, std::string("SARV DES file. Version 1.0\x1A")));
  EXPECT_EQ(des.substr(0, 27), "SARV DES file. Version 1.0\x1A");
  std::string text = "line one\nline two\n\tlast line without end";
  write_text(work_ + "/notes.txt", text);
  EXPECT_EQ(sarv("notes.txt"), std::make_pair(0, text));
  // Option words are lower case; capitalised ones are file names.
  write_text(work_ + "/-Cmdline", "typed out\n");
  write_text(work_ + "/-AUTOTEST", "also typed\n");
  EXPECT_EQ(sarv("-Cmdline").second, "typed out\n");
  EXPECT_EQ(sarv("-AUTOTEST script").second, "also typed\n");
}

TEST_F(Entry, UnreadableFileOrScriptReportsAndExitsOne) {
  const char *cases[][2] = {{"missing.txt", "missing.txt"},
                            {"-autotest missing.key", "missing.key"},
                            {"-autotest", ""},
                            {"-CMDLINE", "-CMDLINE"}};
  for (const auto &c : cases)
    EXPECT_EQ(sarv(c[0]), std::make_pair(1, "Error reading " + std::string(c[1]) + "\n")) << c[0];
}

// The first word of the start-up file's first line selects the user directory when it exists;
// otherwise "user" below the working directory is used. The file is rewritten with the choice.
TEST_F(Entry, StartUpFileSelectsTheUserDirectory) {
  std::string dir = install_.root() + "/mine", fallback = work_ + "/user";
  std::filesystem::create_directory(dir);
  struct {
    std::string text, used;
  } cases[] = {
      {dir + "\n", dir},
      {dir + " and more words\n", dir},
      {install_.root() + "/nowhere\n", fallback},
      {"", fallback},
      {"/" + std::string(300, 'd') + "\n", fallback},
  };
  std::string ini = install_.root() + "/murn.ini";
  for (const auto &c : cases) {
    write_text(ini, c.text);
    EXPECT_TRUE(compute_mode_uses(c.used)) << c.text;
    EXPECT_EQ(read_text(ini), c.used + "\n") << c.text;
  }
  std::filesystem::remove(ini);
  EXPECT_TRUE(compute_mode_uses(fallback));
  EXPECT_EQ(read_text(ini), fallback + "\n");
}

TEST_F(Entry, ProgramStartedWithoutPathUsesTheStartUpFileInHome) {
  std::string home = install_.root() + "/home", dir = install_.root() + "/homedir";
  std::filesystem::create_directories(home);
  write_text(home + "/murn.ini", dir + "\n");
  std::string path = "PATH='" + install_.root() + "':\"$PATH\" sarv -cmdline";
  EXPECT_TRUE(compute_mode_uses(dir, "env HOME='" + home + "' " + path));
  EXPECT_TRUE(compute_mode_uses(dir, "env HOME='" + home + "/' " + path));
  auto outcome = run_in(work_, "env -u HOME " + path);
  EXPECT_EQ(outcome.first, 0);
  EXPECT_NE(outcome.second.find("Cannot determine your HOME directory!"), std::string::npos);
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

// Program entry: type-out mode, option words, and the start-up file selecting the user directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "engine/engine_test_util.h"

namespace {

class Entry : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(getenv("SARV"), nullptr); }
  // Exit status (-1: no normal exit) and standard output of `command`, run without a terminal.
  std::pair<int, std::string> run(const std::string &command) {
    std::string out = install_.root() + "/stdout";
    int status = system(
        ("cd '" + work_ + "' && env -u TERM " + command + " </dev/null >'" + out + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_bytes(out)};
  }
  std::pair<int, std::string> sarv(const std::string &args) {
    return run("'" + install_.program() + "' " + args);
  }
  // True when a compute-mode request placed in `dir` was answered there.
  bool compute_mode_uses(const std::string &dir, const std::string &how_to_run = "") {
    std::filesystem::create_directories(dir);
    write_bytes(dir + "/murn.prm", "0\n1\n99\n");
    bool answered = (how_to_run.empty() ? sarv("-cmdline") : run(how_to_run)).first == 0 &&
                    read_bytes(dir + "/murn.rst") == "9\n";
    for (const char *file : {"/murn.rst", "/murn.prm"}) std::filesystem::remove(dir + file);
    return answered;
  }

  scratch_install install_;
  const std::string &work_ = install_.root();  // the working directory
};

// Type-out prints a text file whole, a DES file up to its header; an unreadable file or script
// exits 1. Option words are lower case; capitalised ones are file names.
TEST_F(Entry, TypeOutPrintsTextFilesAndDesFilesUpToTheirHeader) {
  install_.file("G", 3, {{0, 1, 1}, {1, 0, 2}}, {2});
  std::string text = "line one\nline two\n\tlast line without end";
  write_bytes(work_ + "/notes.txt", text);
  const std::tuple<std::string, int, std::string> cases[] = {
      {"'" + work_ + "'", 1, "Error reading " + work_ + ": it is a directory\n"},
      {"'" + install_.user_file("G.des") + "'", 0, "SARV DES file. Version 1.0\x1A"},
      {"notes.txt", 0, text},
      {"missing.txt", 1, "Error reading missing.txt\n"},
      {"-autotest missing.key", 1, "Error reading missing.key\n"},
      {"-autotest", 1, "Error reading \n"},
      {"-CMDLINE", 1, "Error reading -CMDLINE\n"},
      {"-AUTOTEST script", 1, "Error reading -AUTOTEST\n"}};
  for (const auto &[args, status, out] : cases) EXPECT_EQ(sarv(args), std::make_pair(status, out));
}

// Compute mode takes the start-up file's whole first line as user directory when it can be
// entered, else "user" below the working directory, never writing the file; the front end's first.
TEST_F(Entry, StartUpFileSelectsTheUserDirectory) {
  std::string dir = install_.root() + "/mine", blank = install_.root() + "/my files",
              fallback = work_ + "/user";
  std::filesystem::create_directory(dir);
  std::filesystem::create_directory(blank);
  std::pair<std::string, std::string> cases[] = {
      {dir + "\n", dir},
      {blank + "\n", blank},
      {dir + "\r\n", dir},
      {dir + " and more words\n", fallback},
      {install_.root() + "/nowhere\n", fallback},
      {"", fallback},
      {"/" + std::string(300, 'd') + "\n", fallback},
  };
  std::string ini = install_.root() + "/murn.ini";
  for (const auto &[text, used] : cases) {
    write_bytes(ini, text);
    EXPECT_TRUE(compute_mode_uses(used)) << text;
    EXPECT_EQ(read_bytes(ini), text);
  }
  std::filesystem::remove(ini);
  EXPECT_TRUE(compute_mode_uses(fallback));
  EXPECT_FALSE(std::filesystem::exists(ini));
  std::string handed = "env " + std::string(USER_DIR_VARIABLE) + "='" + blank + "' '";
  EXPECT_TRUE(compute_mode_uses(blank, handed + install_.program() + "' -cmdline"));
  // A program started without a path uses the start-up file in HOME.
  std::string home = install_.root() + "/u";
  write_bytes(home + "/murn.ini", home + "\n");
  std::string path = "PATH='" + install_.root() + "':\"$PATH\" sarv -cmdline";
  EXPECT_TRUE(compute_mode_uses(home, "env HOME='" + home + "' " + path));
  auto outcome = run("env -u HOME " + path);
  EXPECT_EQ(outcome.first, 0);
  EXPECT_NE(outcome.second.find("Cannot determine your HOME directory!"), std::string::npos);
}

// A start-up file next to a program named with a path has 255 characters at most.
TEST(StartUpFileLocation, TooLongBesideTheProgramIsRefused) {
  char file[256];
  std::string fits = "/" + std::string(245, 'd') + "/sarv";
  EXPECT_EQ(locate_murn_ini(fits.c_str(), "/home/x", file), MURN_INI_FOUND);
  EXPECT_EQ(std::string(file), fits.substr(0, 247) + "murn.ini");
  EXPECT_EQ(locate_murn_ini(("d" + fits).c_str(), nullptr, file), MURN_INI_TOO_LONG);
  EXPECT_STREQ(file, "");
}

}  // namespace

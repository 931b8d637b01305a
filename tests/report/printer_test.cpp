// Text reports of DES and DAT files line for line, report files replaced safely, and a failing
// stand-in `lpr`.
#include "report/printer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/model_test_util.h"
#include "report/ps.h"

namespace {

std::string des_report(const owned_des &d, const char *name, des_report_variant variant) {
  return capture([&](FILE *f) { des_text_report(f, name, d.des, d.size, 0, variant); });
}

// The control data of a DAT report, after its heading (checked by the report dialogs' script).
std::string dat_report(const owned_des &d) {
  std::string text = capture([&](FILE *f) { dat_text_report(f, "CTRL", d.des, d.size); });
  return text.substr(text.find("\ncontrol data:\n") + 15);
}

}  // namespace

// Marker lists eight to a line, "all" only when printed, or "none"; transitions wrap after every
// 4th over the whole table, not per state.
TEST(DesTextReport, MarkersAndTransitionsInBothVariants) {
  owned_des empty, small, many, none;
  make_des(2, {{0, 1, 1}}, {}, &none);
  make_des(3, {{0, 1, 1}, {0, 2, 2}, {0, 3, 0}, {1, 0, 2}, {2, 5, 0}}, {0, 1, 2}, &small);
  small.des[1].vocal = 12;
  make_des(10, {}, {0, 1, 2, 3, 4, 5, 6, 7, 9}, &many);
  const std::string empty_text =
      "E    # states: 0    state set: empty     initial state: none\n\nmarker states: none\n\n"
      "\nvocal states: none\n\ntransition table : empty\n";
  const std::string
      head = "E    # states: 3    state set: 0 ... 2    initial state: 0\n\n",
      tail =
          "\nvocal states:       \n[    1,  12]   \n"
          "\n# transitions: 5\n\ntransitions: \n\n"
          "[    0,  1,    1]  [    0,  2,    2]  [    0,  3,    0]  [    1,  0,    2]  \n"
          "[    2,  5,    0]  \n";
  const std::tuple<const owned_des *, des_report_variant, std::string> cases[] = {
      {&empty, REPORT_FILE, empty_text},
      {&empty, REPORT_PRINT, empty_text},
      {&small, REPORT_FILE, head + "marker states:       \n\n      0       1       2 \n" + tail},
      {&small, REPORT_PRINT, head + "marker states: all\n\n" + tail},
      {&many, REPORT_PRINT,
       "E    # states: 10    state set: 0 ... 9    initial state: 0\n\nmarker states:       \n\n"
       "      0       1       2       3       4       5       6       7 \n      9 \n"
       "\nvocal states: none\n\ntransition table : empty\n"},
      {&none, REPORT_PRINT,
       "E    # states: 2    state set: 0 ... 1    initial state: 0\n\nmarker states: none\n\n"
       "\nvocal states: none\n\n\n# transitions: 1\n\ntransitions: \n\n[    0,  1,    1]  \n"}};
  for (const auto &[d, variant, expected] : cases)
    EXPECT_EQ(des_report(*d, "E", variant), expected) << expected;
}

// Vocal entries keep the narrow field up to and including 100000 states.
TEST(DesTextReport, VocalFieldWidensAbove100000States) {
  for (state_t n : {100000, 100001}) {
    owned_des d;
    make_des(n, {}, {}, &d);
    d.des[7].vocal = 12;
    d.des[n - 1].vocal = 99;
    std::string text = des_report(d, "BIG", REPORT_FILE);
    const char *expected = n == 100000 ? "vocal states:       \n[    7,  12]   [99999,  99]   \n"
                                       : "vocal states:       \n[     7,  12]  [100000,  99]  \n";
    EXPECT_NE(text.find(expected), std::string::npos) << n;
    // The PostScript listing widens the field already at 100000 states.
    std::string job = capture([&](FILE *f) { postscript_outputfile("BIG", f, d.des, n); });
    EXPECT_NE(job.find(n == 100000 ? "([     7,  12]  [ 99999,  99]  )N" : "[100000,  99]  )N"),
              std::string::npos)
        << n;
  }
}

// Short blocks pair up on a line (the first padded to 7 slots); a block that joined a line, or a
// long one, lets the next block start a new line; a long block continues after 13 events.
TEST(DatTextReport, ShortBlocksShareALineAndLongBlocksWrap) {
  owned_des d;
  std::vector<transition_spec> t = {{0, 1, 0}, {3, 13, 0}, {5, 9, 0}};
  for (event_t e = 1; e <= 11; e += 2) t.push_back({1, e, 0});
  for (event_t e = 1; e <= 27; e += 2) t.push_back({4, e, 0});
  make_des(6, t, {}, &d);
  EXPECT_EQ(dat_report(d),
            "\n\n       0:   1 " + std::string(6 * 5, ' ') +  // 6 empty slots of 5
                "   1:   1    3    5    7    9   11 "
                "\n       3:  13 "
                "\n       4:   1    3    5    7    9   11   13   15   17   19   21   23   25 "
                "\n           27 "
                "\n       5:   9 \n\n");
  owned_des empty;
  make_des(3, {}, {}, &empty);
  EXPECT_EQ(dat_report(empty), "empty.\n");
}

TEST(ReportFile, FailedWriteKeepsTheOldReportAndLeavesNoTemporary) {
  scratch_dir dir;
  const std::string target = dir.file("R.pds");
  write_bytes(target, "old");
  chmod(target.c_str(), 0640);

  report_file rf;
  for (int attempt = 0; attempt < 3; attempt++) {  // abandoned, failing, whole
    ASSERT_EQ(report_open(&rf, target.c_str()), 0);
    if (attempt == 1) close(fileno(rf.stream));  // every later write fails
    fputs("new", rf.stream);
    if (attempt == 0)
      report_abort(&rf);
    else
      EXPECT_EQ(report_commit(&rf), attempt == 1 ? 1 : 0);
    EXPECT_EQ(read_bytes(target), attempt == 2 ? "new" : "old");
    EXPECT_EQ(dir.listing(), (std::set<std::string>{"R.pds"})) << attempt;
  }
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(report_open(&rf, dir.file("missing/R.pds").c_str()), 1);
  EXPECT_EQ(rf.stream, nullptr);
}

// A spooler that fails is reported with its message, never taken for success, and no job file is
// left behind. Spooling and a missing spooler are checked end to end by the report dialogs.
TEST(LinePrinter, FailingSpoolerIsReported) {
  scratch_dir dir;
  const std::string bin = dir.file("bin"), jobs = dir.file("jobs");
  mkdir(bin.c_str(), 0755);
  mkdir(jobs.c_str(), 0755);
  setenv("TMPDIR", jobs.c_str(), 1);
  write_script(bin + "/lpr", "echo 'lpr: no default destination' >&2\nexit 3\n");
  path_override path(bin + ":/usr/bin:/bin");
  char detail[100];
  report_file pj;
  ASSERT_EQ(print_job_open(&pj), PRINT_OK);
  fputs("line 1\n", pj.stream);
  EXPECT_EQ(print_job_submit(&pj, detail, sizeof detail), PRINT_SPOOLER_FAILED);
  EXPECT_STREQ(detail, "lpr: no default destination");
  unsetenv("TMPDIR");
  EXPECT_TRUE(std::filesystem::is_empty(jobs));
}

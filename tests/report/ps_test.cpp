// PostScript listings: every kind of job is run through Ghostscript and must give the expected
// number of pages without an error; pages break after 66 counted body lines.
#include "report/ps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "algo/output_consistency.h"
#include "model/model_test_util.h"
#include "report/printer.h"

namespace {

bool have_gs() {
  return system("gs --version >/dev/null 2>&1") == 0;
}

// Runs Ghostscript on the job with `device` options and returns its log; files it writes go to
// `dir`. An error or failed run is reported as a test failure.
std::string ghostscript(const scratch_dir &dir, const std::string &job, const std::string &device) {
  write_bytes(dir.file("job.ps"), job);
  std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE " + device + " " + dir.file("job.ps") +
                        " >" + dir.file("log") + " 2>&1";
  int status = system(command.c_str());
  std::string log = read_bytes(dir.file("log"));
  if (status != 0 || log.find("Error") != std::string::npos) ADD_FAILURE() << log;
  return log;
}

// The number of pages the bounding-box device names (one line for each page it renders).
int rendered_pages(const std::string &job) {
  scratch_dir dir;
  return occurrences(ghostscript(dir, job, "-sDEVICE=bbox"), "%%BoundingBox");
}

std::string des_job(const owned_des &d, const char *name) {
  return capture([&](FILE *f) { postscript_outputfile(name, f, d.des, d.size); });
}

// A DES of `t` transitions and nothing marked or vocal: 4 header lines, 3 vocal lines, 5
// transition headings, the transition lines (closed by "n" when the last line is full) and a
// closing "n" are counted.
void make_chain(owned_des *d, int t) {
  std::vector<transition_spec> ts;
  for (int i = 0; i < t; i++) ts.push_back({i / 4, static_cast<event_t>(i % 4), (i + 1) / 4});
  make_des(t / 4 + 1, ts, {}, d);
}

// Rightmost inked column in the upper half of page 1 rendered at 72 dpi (the border and the first
// body lines; the sheet number sits lower).
int rightmost_ink(const std::string &job) {
  scratch_dir dir;
  ghostscript(dir, job, "-r72 -sDEVICE=pbmraw -dLastPage=1 -sOutputFile=" + dir.file("p.pbm"));
  std::istringstream pbm(read_bytes(dir.file("p.pbm")));
  std::string magic;
  int w = 0, h = 0, right = -1;
  pbm >> magic >> std::ws;
  while (pbm.peek() == '#') pbm.ignore(1 << 20, '\n');  // Ghostscript's comment line
  pbm >> w >> h;
  pbm.get();
  std::string bits((std::istreambuf_iterator<char>(pbm)), {});
  for (int y = 0; y < h / 2; y++)
    for (int x = 0; x < w; x++)
      if ((bits[static_cast<size_t>(y * ((w + 7) / 8) + x / 8)] >> (7 - x % 8)) & 1)
        right = std::max(right, x);
  return right;
}

}  // namespace

// Above 100000 states a transition line has 92 columns: the body font narrows so that no ink
// lies right of the border, as with an empty listing.
TEST(PostScriptJob, WideTransitionLinesStayInsideTheBorder) {
  if (!have_gs()) GTEST_SKIP() << "Ghostscript (gs) is not installed: jobs not rendered";
  owned_des empty;
  int border = rightmost_ink(des_job(empty, "WIDE"));
  EXPECT_GT(border, 0);
  for (state_t n : {100000, 2000000}) {
    owned_des d;
    make_des(n, {{n - 1, 1, n - 1}, {n - 1, 3, n - 1}, {n - 1, 5, n - 1}, {n - 1, 7, n - 1}}, {},
             &d);
    EXPECT_EQ(rightmost_ink(des_job(d, "WIDE")), border) << n;
  }
}

// 207 transitions fill 65 lines; 208 fill 66, and no empty page follows the last one; 212 fill 67,
// two pages; 999 transitions make 263 lines, four pages. 800 marked states with outputs on every
// third: 2 header lines, 115 marker lines (7 to a line), 2 + 54 vocal lines (173), then the empty
// transition table, which is not counted.
TEST(PostScriptJob, PagesBreakAfter66CountedLines) {
  owned_des many;
  make_des(800, {}, {}, &many);
  for (state_t s = 0; s < 800; s++) {
    many.des[s].marked = 1;
    if (s % 3 == 0) set_output(&many.des[s], static_cast<unsigned>(10 + s % 90));
  }
  for (const auto &[t, pages] : {std::pair{207, 1}, {208, 1}, {212, 2}, {999, 4}, {0, 3}}) {
    owned_des d;
    make_chain(&d, t);
    std::string job = des_job(t ? d : many, "CHAIN");
    EXPECT_EQ(occurrences(job, "\nstartpage\n"), pages) << t;
    if (have_gs()) {
      EXPECT_EQ(rendered_pages(job), pages);
    }
  }
}

// Both kinds of job, empty or long enough to break pages, and names with PostScript string
// delimiters (escaped). Listings use the fixed layout of MODE_init only.
TEST(PostScriptJob, EveryKindRenders) {
  owned_des empty, small, dat;
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 0, 0}}, {0, 2}, &small);
  small.des[1].vocal = 20;
  std::string named = des_job(small, "a(b\\");
  EXPECT_NE(named.find("(a\\(b\\\\) newfile"), std::string::npos);
  EXPECT_NE(named.find("(a\\(b\\\\    # states: 3"), std::string::npos);
  if (!have_gs()) GTEST_SKIP() << "Ghostscript (gs) is not installed: jobs not rendered";
  std::vector<transition_spec> t;
  for (state_t s = 0; s < 60; s++)
    for (int e = 0; e < (s % 2 == 0 ? 40 : 3); e++) t.push_back({s, static_cast<event_t>(e), 0});
  make_des(60, t, {}, &dat);
  auto dat_job = [](const owned_des &d, const char *name) {
    return capture([&](FILE *f) { postscript_dat_output(name, f, d.des, d.size); });
  };
  EXPECT_EQ(rendered_pages(des_job(empty, "EMPTY")), 1);
  EXPECT_EQ(rendered_pages(named), 1);
  EXPECT_EQ(rendered_pages(dat_job(small, ")x(")), 1);
  EXPECT_EQ(rendered_pages(dat_job(empty, "NONE")), 1);
  EXPECT_EQ(rendered_pages(dat_job(dat, "CTRL")), 3);
}

// PostScript listings: every kind of job is run through Ghostscript and must give the expected
// number of pages without an error; pages break after 66 counted body lines.
#include "report/ps.h"

#include <gtest/gtest.h>

#include <sstream>

#include "algo/output_consistency.h"
#include "model/model_test_util.h"
#include "report/printer.h"

namespace {

bool have_gs() {
  return system("gs --version >/dev/null 2>&1") == 0;
}

// Renders the job with Ghostscript's bounding-box device, which names every page it renders.
// Returns the number of pages, or -1 (with Ghostscript's log) when it reported an error.
int rendered_pages(const std::string &job) {
  scratch_dir dir;
  write_bytes(dir.file("job.ps"), job);
  std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox " + dir.file("job.ps") +
                        " >" + dir.file("log") + " 2>&1";
  int status = system(command.c_str());
  std::string log = read_bytes(dir.file("log"));
  if (status != 0 || log.find("Error") != std::string::npos) {
    ADD_FAILURE() << log;
    return -1;
  }
  int pages = 0;
  for (size_t at = log.find("%%BoundingBox"); at != std::string::npos;
       at = log.find("%%BoundingBox", at + 1))
    pages++;
  return pages;
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

int pages_of(const std::string &job) {
  int pages = 0;
  for (size_t at = job.find("\nstartpage\n"); at != std::string::npos;
       at = job.find("\nstartpage\n", at + 1))
    pages++;
  return pages;
}

// Black pixels right of the page border on page 1 rendered at 72 dpi, between the border's top
// and bottom rules (-1 when Ghostscript fails). The border's right edge is the rightmost column
// inked over half the sheet's height; the rules are the rows inked over a third of its width.
long ink_right_of_border(const std::string &job) {
  scratch_dir dir;
  write_bytes(dir.file("job.ps"), job);
  std::string command =
      "gs -q -dSAFER -dBATCH -dNOPAUSE -r72 -sDEVICE=pbmraw -dLastPage=1 "
      "-sOutputFile=" +
      dir.file("p.pbm") + " " + dir.file("job.ps") + " >/dev/null 2>&1";
  if (system(command.c_str()) != 0) return -1;
  std::istringstream pbm(read_bytes(dir.file("p.pbm")));
  std::string magic;
  int w = 0, h = 0;
  pbm >> magic >> std::ws;
  while (pbm.peek() == '#') pbm.ignore(1 << 20, '\n');  // Ghostscript's comment line
  pbm >> w >> h;
  pbm.get();
  std::string bits((std::istreambuf_iterator<char>(pbm)), {});
  auto ink = [&](int x, int y) {
    return (bits[static_cast<size_t>(y * ((w + 7) / 8) + x / 8)] >> (7 - x % 8)) & 1;
  };
  int right = -1, top = h, bottom = -1;
  for (int x = 0; x < w; x++) {
    int count = 0;
    for (int y = 0; y < h; y++) count += ink(x, y);
    if (count > h / 2) right = x;
  }
  for (int y = 0; y < h; y++) {
    int count = 0;
    for (int x = 0; x < w; x++) count += ink(x, y);
    if (count > w / 3) top = std::min(top, y), bottom = y;
  }
  long outside = 0;
  for (int y = top; y <= bottom; y++)
    for (int x = right + 2; x < w; x++) outside += ink(x, y);
  return right < 0 ? -1 : outside;
}

}  // namespace

// Above 100000 states a transition line has 92 columns: the body font narrows so that every
// character stays inside the border, as at 80 columns.
TEST(PostScriptJob, WideTransitionLinesStayInsideTheBorder) {
  if (!have_gs()) GTEST_SKIP() << "Ghostscript (gs) is not installed: jobs not rendered";
  for (state_t n : {100000, 2000000}) {
    owned_des d;
    make_des(n, {{n - 1, 1, n - 1}, {n - 1, 3, n - 1}, {n - 1, 5, n - 1}, {n - 1, 7, n - 1}}, {},
             &d);
    std::string job = des_job(d, "WIDE");
    EXPECT_NE(job.find(n > 100000 ? "/columns 92 def" : "/columns 80 def"), std::string::npos);
    EXPECT_EQ(ink_right_of_border(job), 0) << n;
  }
}

// 207 transitions fill 65 lines; 208 fill 66, and no empty page follows the last one; 999
// transitions make 263 lines, four pages. 800 marked states with outputs on every third: 2 header
// lines, 115 marker lines (7 to a line), 2 + 54 vocal lines (173), then the empty transition table,
// which is not counted.
TEST(PostScriptJob, PagesBreakAfter66CountedLines) {
  owned_des many;
  make_des(800, {}, {}, &many);
  for (state_t s = 0; s < 800; s++) {
    many.des[s].marked = 1;
    if (s % 3 == 0) set_output(&many.des[s], static_cast<unsigned>(10 + s % 90));
  }
  for (const auto &[t, pages] : {std::pair{207, 1}, {208, 1}, {999, 4}, {0, 3}}) {
    owned_des d;
    make_chain(&d, t);
    std::string job = des_job(t ? d : many, "CHAIN");
    EXPECT_EQ(pages_of(job), pages) << t;
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

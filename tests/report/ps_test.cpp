// PostScript listings: every kind of job is run through Ghostscript and must give the expected
// number of pages without an error; pages break after 66 counted body lines; names with
// PostScript string delimiters are escaped.
#include "report/ps.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sstream>

#include "report/printer.h"
#include "report/report_test_util.h"

namespace {

bool have_gs() {
  return system("gs --version >/dev/null 2>&1") == 0;
}

// Renders the job with Ghostscript's bounding-box device, which names every page it renders.
// Returns the number of pages, or -1 when Ghostscript reported an error.
int rendered_pages(const std::string &job, std::string *log) {
  scratch_dir dir;
  write_bytes(dir.file("job.ps"), job);
  std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox " + dir.file("job.ps") +
                        " >" + dir.file("log") + " 2>&1";
  int status = system(command.c_str());
  *log = read_bytes(dir.file("log"));
  if (status != 0 || log->find("Error") != std::string::npos) return -1;
  int pages = 0;
  for (size_t at = log->find("%%BoundingBox"); at != std::string::npos;
       at = log->find("%%BoundingBox", at + 1))
    pages++;
  return pages;
}

#define EXPECT_PAGES(job, pages)                              \
  do {                                                        \
    std::string gs_log;                                       \
    EXPECT_EQ(rendered_pages(job, &gs_log), pages) << gs_log; \
  } while (0)

#define REQUIRE_GS()                                                        \
  if (!have_gs())                                                           \
  GTEST_SKIP() << "Ghostscript (gs) is not installed: PostScript jobs not " \
                  "rendered"

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

// Body lines ("...)N", ") N" or "n") of each page between startpage and endpage.
std::vector<int> lines_per_page(const std::string &job) {
  std::vector<int> pages;
  std::istringstream in(job.substr(job.find("%%EndProlog")));
  std::string line;
  bool on_page = false;
  while (std::getline(in, line)) {
    if (line == "startpage") {
      pages.push_back(0);
      on_page = true;
    } else if (line == "endpage") {
      on_page = false;
    } else if (on_page && (line == "n" || (line.size() >= 2 && line.back() == 'N'))) {
      pages.back()++;
    }
  }
  return pages;
}

}  // namespace

TEST(PostScriptJob, SmallJobsRenderOnePage) {
  REQUIRE_GS();
  owned_des empty, small;
  EXPECT_PAGES(des_job(empty, "EMPTY"), 1);
  make_des(3, {{0, 1, 1}, {1, 2, 2}, {2, 0, 0}}, {0, 2}, &small);
  small.des[1].vocal = 20;
  EXPECT_PAGES(des_job(small, "SMALL"), 1);
  std::string dat = capture([&](FILE *f) { postscript_dat_output("CTRL", f, small.des, 3); });
  EXPECT_PAGES(dat, 1);
  EXPECT_PAGES(capture([&](FILE *f) { postscript_dat_output("NONE", f, empty.des, 0); }), 1);
}

// 207 transitions fill 65 lines; 208 fill 66, so "endpage startpage" follows the last line and
// an empty page closes the job; 999 transitions make 263 lines, four pages.
TEST(PostScriptJob, PagesBreakAfter66CountedLines) {
  for (int t : {207, 208, 999}) {
    owned_des d;
    make_chain(&d, t);
    std::string job = des_job(d, "CHAIN");
    std::vector<int> pages = lines_per_page(job);
    std::vector<int> expected = t == 207   ? std::vector<int>{65}
                                : t == 208 ? std::vector<int>{66, 0}
                                           : std::vector<int>{66, 66, 66, 65};
    EXPECT_EQ(pages, expected) << t;
    if (have_gs()) EXPECT_PAGES(job, static_cast<int>(expected.size()));
  }
}

TEST(PostScriptJob, MarkersVocalsAndLongDatBlocksBreakPages) {
  REQUIRE_GS();
  owned_des d, dat;
  make_des(800, {}, {}, &d);
  for (state_t s = 0; s < 800; s++) {
    d.des[s].marked = 1;
    int output = s % 3 == 0 ? 10 + s % 90 : 0;
    d.des[s].vocal = static_cast<uint16_t>(output & 0x1FFF);
  }
  std::string job = des_job(d, "MANY");
  // 2 header lines, 115 marker lines (7 to a line), 2 + 54 vocal lines: 173 counted lines, then
  // the empty transition table, which is not counted.
  EXPECT_EQ(lines_per_page(job), (std::vector<int>{66, 66, 42}));
  EXPECT_PAGES(job, 3);

  std::vector<transition_spec> t;
  for (state_t s = 0; s < 60; s++)
    for (int e = 0; e < (s % 2 == 0 ? 40 : 3); e++) t.push_back({s, static_cast<event_t>(e), 0});
  make_des(60, t, {}, &dat);
  std::string dat_job = capture([&](FILE *f) { postscript_dat_output("CTRL", f, dat.des, 60); });
  EXPECT_PAGES(dat_job, 3);
}

// Names reach the job as PostScript strings: unbalanced parentheses and a backslash are escaped.
TEST(PostScriptJob, NamesWithStringDelimitersAreEscaped) {
  owned_des d;
  make_des(2, {{0, 1, 1}}, {1}, &d);
  std::string job = des_job(d, "a(b\\");
  EXPECT_NE(job.find("(a\\(b\\\\) newfile"), std::string::npos);
  EXPECT_NE(job.find("(a\\(b\\\\    # states: 2"), std::string::npos);
  if (!have_gs()) GTEST_SKIP() << "Ghostscript (gs) is not installed: PostScript jobs not rendered";
  EXPECT_PAGES(job, 1);
  EXPECT_PAGES(capture([&](FILE *f) { postscript_dat_output(")x(", f, d.des, 2); }), 1);
}

// The prologue's other layouts: landscape with two pages per sheet, printed on both sides, and
// a portrait sheet without borders.
TEST(PostScriptJob, TwinPageLandscapeAndBorderlessLayoutsRender) {
  REQUIRE_GS();
  owned_des d;
  make_chain(&d, 999);
  ps_mode mode;
  MODE_init(&mode);
  mode.mode_landscape = mode.mode_twinpage = mode.mode_doublesize = "true";
  EXPECT_PAGES(capture([&](FILE *f) { ps_des_job("TWIN", f, d.des, d.size, mode); }), 2);
  MODE_init(&mode);
  mode.mode_twinpage = mode.mode_noborder = "true";
  EXPECT_PAGES(capture([&](FILE *f) { ps_des_job("NB", f, d.des, d.size, mode); }), 2);
}

TEST(PostScriptJob, PdfIsWrittenBesideThePostScript) {
  if (!ps2pdf_available()) GTEST_SKIP() << "ps2pdf is not installed: no PDF written";
  scratch_dir dir;
  owned_des d;
  make_chain(&d, 300);
  write_bytes(dir.file("C.pss"), des_job(d, "C"));
  char detail[100];
  ASSERT_EQ(ps_to_pdf(dir.file("C.pss").c_str(), dir.file("C.pdf").c_str(), detail, 100), 0);
  EXPECT_EQ(read_bytes(dir.file("C.pdf")).substr(0, 5), "%PDF-");
  EXPECT_EQ(dir.listing(), (std::set<std::string>{"C.pdf", "C.pss"}));
}

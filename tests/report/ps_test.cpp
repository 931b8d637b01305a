// PostScript listings: every kind of job is run through Ghostscript and must give the expected
// number of pages without an error; pages break after 66 counted body lines.
#include "report/ps.h"

#include <gtest/gtest.h>

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

}  // namespace

// 207 transitions fill 65 lines; 208 fill 66, so "endpage startpage" follows the last line and
// an empty page closes the job; 999 transitions make 263 lines, four pages. 800 marked states with
// outputs on every third: 2 header lines, 115 marker lines (7 to a line), 2 + 54 vocal lines (173),
// then the empty transition table, which is not counted.
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

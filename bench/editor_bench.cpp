// The DES editor on a large DES: runs whole Edit dialogs from key scripts on a curses screen that
// writes to /dev/null, and times every step, that is the time from the last key of a step until
// the editor asks for the next key. The DES has 1,000,000 states by default, each with two
// transitions (a ring on event 1 and a jump on event 2), all marked, every seventh vocal.
// Usage: editor_bench [states]
#include <curses.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "algo/output_consistency.h"
#include "bench/measure.h"
#include "engine/startup.h"
#include "model/des_data.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "ui/editor.h"
#include "ui/io.h"

namespace {

// Key script read one byte at a time, recording when each byte was asked for.
struct key_feed {
  std::string keys;
  size_t at = 0;
  std::vector<double> asked, asked_cpu;  // wall-clock and processor seconds
};

ssize_t feed_read(void *cookie, char *buf, size_t size) {
  key_feed *feed = static_cast<key_feed *>(cookie);
  feed->asked.push_back(now_seconds());
  feed->asked_cpu.push_back(cpu_seconds());
  if (size == 0 || feed->at >= feed->keys.size()) return 0;
  buf[0] = feed->keys[feed->at++];
  return 1;
}

void build_source(state_t states) {
  state_node *des = newdes(states);
  for (state_t s = 0; s < states; s++) {
    des[s].marked = 1;
    set_output(&des[s], s % 7 == 0 ? 10 + static_cast<unsigned>(s) % 90 : 0);
    des[s].numelts = 2;
    des[s].next = MALLOC_N<tran_entry>(2);
    des[s].next[0] = make_tran(1, (s + 1) % states);
    des[s].next[1] = make_tran(2, static_cast<state_t>((s * 7L + 3) % states));
  }
  if (filedes("BIG", states, 0, des) != 0) {
    fprintf(stderr, "cannot write BIG.des\n");
    exit(1);
  }
  freedes(states, &des);
}

struct step {
  std::string name;
  std::string keys;
};

// Runs one Edit of BIG (saved as OUT) and prints the time of each step.
void run_edit(const char *title, const std::vector<step> &steps) {
  remove("OUT.des");
  key_feed feed;
  for (const step &s : steps) feed.keys += s.keys;
  cookie_io_functions_t io = {feed_read, nullptr, nullptr, nullptr};
  auto_in = fopencookie(&feed, "r", io);
  setvbuf(auto_in, nullptr, _IONBF, 0);
  stopwatch whole;
  edit_p();
  double end = now_seconds(), end_cpu = cpu_seconds();
  fclose(auto_in);
  auto_in = nullptr;
  // The time a key costs: from its reading to the reading of the next key (or the end).
  std::vector<double> cost(feed.keys.size(), 0.0), cpu(feed.keys.size(), 0.0);
  for (size_t k = 0; k < feed.keys.size() && k < feed.asked.size(); k++) {
    bool more = k + 1 < feed.asked.size();
    cost[k] = (more ? feed.asked[k + 1] : end) - feed.asked[k];
    cpu[k] = (more ? feed.asked_cpu[k + 1] : end_cpu) - feed.asked_cpu[k];
  }
  printf("%s: %.2f s in all (%.2f s CPU)\n", title, whole.wall(), whole.cpu());
  printf("  %-58s %8s %8s\n", "step (keys)", "seconds", "CPU s");
  size_t at = 0;
  for (const step &s : steps) {
    double seconds = 0, cpu_seconds_used = 0;
    for (size_t k = 0; k < s.keys.size(); k++) {
      seconds += cost[at + k];
      cpu_seconds_used += cpu[at + k];
    }
    at += s.keys.size();
    printf("  %-58s %8.3f %8.3f\n", s.name.c_str(), seconds, cpu_seconds_used);
  }
  if (feed.at != feed.keys.size()) printf("  (the dialog ended before its last key)\n");
}

}  // namespace

int main(int argc, char **argv) {
  state_t states = argc > 1 ? atoi(argv[1]) : 1000000;
  if (states < 100 || states > 1999999) {
    fprintf(stderr, "usage: editor_bench [states (100..1999999)]\n");
    return 2;
  }
  char dir[] = "/tmp/sarveditbenchXXXXXX";
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) return 1;
  snprintf(path, sizeof path, "%s", dir);
  snprintf(prefix, sizeof prefix, "%s/", dir);
  setenv("LINES", "25", 1);
  setenv("COLUMNS", "80", 1);
  FILE *screen_out = fopen("/dev/null", "w");
  FILE *screen_in = fopen("/dev/null", "r");
  SCREEN *screen = newterm("xterm", screen_out, screen_in);
  if (screen == nullptr) return 1;
  autotest = 1;
  ring_active = 0;
  stopwatch build;
  build_source(states);
  printf("Edit of a DES of %d states and %d transitions (written in %.2f s)\n\n", states,
         2 * states, build.wall());

  std::string last = std::to_string(states - 1);
  run_edit("Unchanged copy: every listing skipped to its last page, determinism check",
           {{"load BIG, name OUT, list the markers", "BIG\r\rOUT\r"},
            {"marker listing: skip to the last page (T)", "T"},
            {"marker states OK, transition question", "\r"},
            {"transitions OK, vocal listing", "\r"},
            {"vocal listing: skip to the last page (T)", "T"},
            {"vocal states OK, deletion question", "\r"},
            {"no deletion, determinism question", "\r"},
            {"check for nondeterminism", "y"},
            {"pause, reach question", "\r"},
            {"no reach: trim, save, log", "\r"},
            {"closing screen", "\r"}});
  run_edit("Markers: mark all, unmark all",
           {{"load BIG, name OUT, list the markers", "BIG\r\rOUT\r"},
            {"marker listing: skip (T)", "T"},
            {"edit the markers", "n"},
            {"\"*\": mark all", "*\r"},
            {"end of marking", "-1\r"},
            {"\"*\": unmark all, transition question", "*\r"},
            {"transitions OK", "\r"},
            {"vocal listing: skip (T)", "T"},
            {"vocal OK, no deletion, no check, no reach: save, log", "\r\r\r\r"},
            {"closing screen", "\r"}});
  run_edit("Transitions: three \"*\" lines, a second round, reach",
           {{"load BIG, name OUT, list the markers", "BIG\r\rOUT\r"},
            {"marker listing: skip (T)", "T"},
            {"markers OK", "\r"},
            {"edit the transitions", "n"},
            {"first \"*\" line: every state -5-> 0", "*\r5\r0\r"},
            {"second \"*\" line: every state -7-> " + last, "*\r7\r" + last + "\r"},
            {"end of additions", "-1\r"},
            {"\"*\" deletion: every state -5-> 0", "*\r5\r0\r"},
            {"end of deletions: list the changes", "-1\r"},
            {"change listing: skip (T)", "T"},
            {"second round", "n"},
            {"add 0 -9-> 1", "0\r9\r1\r-1\r"},
            {"end of deletions: list the changes", "-1\r"},
            {"change listing: skip (T)", "T"},
            {"transitions OK", "\r"},
            {"vocal listing: skip (T)", "T"},
            {"vocal OK, no deletion, no check", "\r\r\r"},
            {"reach: remove unreachable states, save, log", "y"},
            {"closing screen", "\r"}});
  run_edit("States: delete 0 (new initial 5) and 1000 more, uniform output change",
           {{"load BIG, name OUT, list the markers", "BIG\r\rOUT\r"},
            {"marker listing: skip (T)", "T"},
            {"markers OK, transitions OK", "\r\r"},
            {"vocal listing: skip (T)", "T"},
            {"edit the outputs", "n"},
            {"uniform change 10 -> 20, 20 -> 0", "y10\r20\r20\r0\r-1\r"},
            {"no single output", "-1\r"},
            {"delete state 0, new initial 5", "y0\r5\r"},
            {"delete 1000 states",
             [] {
               std::string k;
               for (int s = 1000; s < 2000; s++) k += std::to_string(s) + "\r";
               return k;
             }()},
            {"end of deletions: purge, renumber, trim", "-1\r"},
            {"no check", "\r"},
            {"reach: remove unreachable states, save, log", "y"},
            {"closing screen", "\r"}});

  endwin();
  delscreen(screen);
  fclose(screen_out);
  fclose(screen_in);
  std::filesystem::remove_all(dir);
  return 0;
}

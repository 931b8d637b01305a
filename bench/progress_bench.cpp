// Cost of progress lines: Minstate (partition refinement) of a random DES of about 490,000
// states with debug mode off, with debug mode on and every line handed over, and with debug mode
// on and lines limited to five a second. The sink writes each line to standard error as a
// terminal would draw it on row 23 (cursor to the row, erase, text), so redirect standard error
// to see the price of a real terminal or to /dev/null for the price of the calls alone.
// Usage: progress_bench [states] (default 490000). Each case runs in its own child process.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "algo/des_proc.h"
#include "algo/minimize.h"
#include "bench/measure.h"
#include "model/des_supp.h"
#include "model/progress.h"

namespace {

long lines_shown = 0;

void terminal_sink(const char *line) {
  char text[160];
  int length = snprintf(text, sizeof text, "\033[24;1H\033[K%s", line);
  if (write(STDERR_FILENO, text, static_cast<size_t>(length)) < 0) return;
  lines_shown++;
}

// Random deterministic DES: each state has events 1..6 with probability 0.6 each, to uniform
// targets; a third of the states marked. Nearly every state is its own class, so refinement
// splits about once per state.
void make_des(state_t size, state_t *n, state_node **des) {
  std::mt19937 rng(static_cast<unsigned>(size));
  std::uniform_int_distribution<state_t> any_state(0, size - 1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  *n = size;
  *des = newdes(size);
  for (state_t s = 0; s < size; s++) {
    (*des)[s].marked = unit(rng) < 0.33;
    for (event_t e = 1; e <= 6; e++) {
      if (unit(rng) >= 0.6) continue;
      int added;
      addordlist1(e, any_state(rng), &(*des)[s].next, (*des)[s].numelts, &added);
      (*des)[s].numelts = static_cast<uint16_t>((*des)[s].numelts + added);
    }
  }
}

void run_case(state_t size, int debug, int interval_ms, const char *label) {
  state_t n;
  state_node *des;
  make_des(size, &n, &des);
  reach(&n, &des);
  long transitions = static_cast<long>(count_tran(des, n));
  state_t reached = n;
  debug_mode = debug;
  set_progress_sink(terminal_sink);
  set_progress_interval(interval_ms);
  stopwatch clock;
  minimize2(&n, &des);
  double wall = clock.wall(), cpu = clock.cpu();
  printf(
      "%-26s %7ld states %8ld transitions -> %7ld states  %6.2f s wall %6.2f s cpu  %7ld lines"
      "  peak RSS %4.0f MB\n",
      label, static_cast<long>(reached), transitions, static_cast<long>(n), wall, cpu, lines_shown,
      peak_rss_mib());
  freedes(n, &des);
}

}  // namespace

int main(int argc, char **argv) {
  state_t size = argc > 1 ? static_cast<state_t>(atol(argv[1])) : 490000;
  run_in_child([=] { run_case(size, 0, 0, "debug off"); });
  run_in_child([=] { run_case(size, 1, 0, "debug on, every line"); });
  run_in_child([=] { run_case(size, 1, 200, "debug on, 5 lines a second"); });
  return 0;
}

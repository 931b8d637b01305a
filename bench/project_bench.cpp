// Project on large DES: the synchronous product of a cell of independent machines (idle,
// working, down), with the finish and break events of every machine erased, half of all events.
// Each case runs in its own child process so that its peak resident set is its own.
// Usage: project_bench [machines ...] (default 10 11: 59049 and 177147 states).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "algo/project.h"
#include "bench/measure.h"
#include "model/des_supp.h"

namespace {

// Machine j of the cell: idle (0) --start--> working (1) --finish--> idle, working --break-->
// down (2) --repair--> idle, with start 10j+1, finish 10j+2, repair 10j+3, break 10j+4. Only the
// idle state is marked.
void make_machine(int j, state_t *n, state_node **des) {
  event_t base = static_cast<event_t>(10 * j);
  const struct {
    state_t from;
    event_t event;
    state_t to;
  } moves[] = {{0, 1, 1}, {1, 2, 0}, {1, 4, 2}, {2, 3, 0}};
  *n = 3;
  *des = newdes(3);
  (*des)[0].marked = 1;
  for (auto m : moves) {
    int added;
    addordlist1(base + m.event, m.to, &(*des)[m.from].next, (*des)[m.from].numelts, &added);
    if (added) (*des)[m.from].numelts++;
  }
}

// Synchronous product of `machines` machines (3^machines states); the null list holds every
// finish and break event, half of the 4 * machines events.
void run_case(int machines) {
  state_t n;
  state_node *des;
  make_machine(0, &n, &des);
  for (int j = 1; j < machines; j++) {
    state_t nm, np;
    state_node *machine, *product = nullptr;
    make_machine(j, &nm, &machine);
    sync2(n, des, nm, machine, &np, &product, nullptr, nullptr);
    freedes(n, &des);
    freedes(nm, &machine);
    n = np;
    des = product;
  }
  std::vector<event_t> nulls;
  for (int j = 0; j < machines; j++) {
    nulls.push_back(static_cast<event_t>(10 * j + 2));
    nulls.push_back(static_cast<event_t>(10 * j + 4));
  }
  state_t input = n;
  long transitions = static_cast<long>(count_tran(des, n));
  double rss_input = peak_rss_mib();
  stopwatch clock;
  project0(&n, &des, static_cast<uint16_t>(nulls.size()), nulls.data());
  printf(
      "project0  %8ld states %8ld transitions, %2zu of %2d events erased -> %6ld states  "
      "%6.2f s wall %6.2f s cpu  peak RSS %5.0f MB (input %.0f MB)%s\n",
      static_cast<long>(input), transitions, nulls.size(), 4 * machines, static_cast<long>(n),
      clock.wall(), clock.cpu(), peak_rss_mib(), rss_input, mem_result ? "  OUT OF MEMORY" : "");
  freedes(n, &des);
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<int> cells;
  for (int i = 1; i < argc; i++) cells.push_back(atoi(argv[i]));
  if (cells.empty()) cells = {10, 11};
  for (int machines : cells) run_in_child([=] { run_case(machines); });
  return 0;
}

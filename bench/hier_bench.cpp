// Outconsis, Higen and Hiconsis (both variants) on large vocal DES: the product of a cell of
// independent machines (bench/plants.h, 3^machines states) with a few hundred vocal states
// picked evenly through the state numbers (every state k * stride + stride / 2), outputs cycling
// through 10..49 (so that Hiconsis has 50 free outputs). Each case runs in its own child process,
// so its peak resident set is its own, and is stopped after a time limit. Usage: hier_bench
// [LIMIT_SECONDS [PROCEDURE] [cell ...]] (default 60 s; cells 8 8+ 9 11 13; every procedure unless
// one of outconsis, higen, hiconsis, hiconsis1 is named), where a cell is a number of machines,
// and a trailing "+" adds a one-place buffer after the last machine (twice the states). Each line
// ends with a checksum of the result DES (states, marking, outputs, transitions), so that two
// builds can be shown to give the same result state for state.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "algo/des_proc.h"
#include "algo/hierarchy_consistency.h"
#include "algo/higen.h"
#include "algo/minimize.h"
#include "algo/output_consistency.h"
#include "algo/project.h"
#include "bench/measure.h"
#include "bench/plants.h"

namespace {

const int VOCAL_STATES = 300;

bench_des make_vocal_cell(int machines, bool buffer) {
  std::vector<bench_des> parts;
  for (int i = 1; i <= machines; i++) parts.push_back(make_machine(i));
  if (buffer) parts.push_back(make_buffer(machines, 1));
  bench_des d = sync_all(parts);
  state_t stride = d.n / VOCAL_STATES;
  for (int k = 0; k < VOCAL_STATES; k++)
    set_output(&d.des[k * stride + stride / 2], static_cast<unsigned>(10 + k % 40));
  return d;
}

// FNV-1a over the state count and every state's marking, output and transition list.
uint64_t des_checksum(state_t n, const state_node *des) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(static_cast<uint64_t>(n));
  for (state_t s = 0; s < n; s++) {
    mix(des[s].marked);
    mix(des[s].vocal);
    mix(des[s].numelts);
    for (int j = 0; j < des[s].numelts; j++) mix(des[s].next[j].word);
  }
  return h;
}

void run_case(const char *procedure, int machines, bool buffer) {
  bench_des d = make_vocal_cell(machines, buffer);
  state_t input = d.n;
  long transitions = static_cast<long>(count_tran(d.des, d.n));
  double rss_input = peak_rss_mib();
  stopwatch clock;
  const char *note = "";
  if (strcmp(procedure, "outconsis") == 0) {
    outcon_des(&d.n, &d.des);
  } else if (strcmp(procedure, "higen") == 0) {
    event_t *nulls = nullptr;
    uint16_t count = 0;
    if (higen_des(&d.n, &d.des, &nulls, &count) != RELABEL_OK) note = "  LABEL OVERFLOW";
    if (count) project1(&d.n, &d.des, count, nulls);
    if (count == 0 || d.n > 1) {
      reach(&d.n, &d.des);
      minimize(&d.n, &d.des);
    }
    free(nulls);
  } else {
    int overflow = strcmp(procedure, "hiconsis") == 0 ? hiconsis_des(&d.n, &d.des)
                                                      : hiconsis_1_des(&d.n, &d.des);
    if (overflow) note = "  VOCAL OUTPUT OVERFLOW";
  }
  printf(
      "%-10s %8ld states %9ld transitions -> %8ld states %9ld transitions  %7.2f s wall "
      "%7.2f s cpu  peak RSS %5.0f MiB (input %.0f MiB)  checksum %016llx%s%s\n",
      procedure, static_cast<long>(input), transitions, static_cast<long>(d.n),
      static_cast<long>(count_tran(d.des, d.n)), clock.wall(), clock.cpu(), peak_rss_mib(),
      rss_input, static_cast<unsigned long long>(des_checksum(d.n, d.des)),
      mem_result ? "  OUT OF MEMORY" : "", note);
  freedes(d.n, &d.des);
}

}  // namespace

int main(int argc, char **argv) {
  unsigned limit = argc > 1 ? static_cast<unsigned>(atoi(argv[1])) : 60;
  std::vector<const char *> procedures = {"outconsis", "higen", "hiconsis", "hiconsis1"};
  int first_cell = 2;
  for (const char *procedure : procedures)
    if (argc > 2 && strcmp(argv[2], procedure) == 0) {
      procedures = {procedure};
      first_cell = 3;
      break;
    }
  std::vector<const char *> cells;
  for (int i = first_cell; i < argc; i++) cells.push_back(argv[i]);
  if (cells.empty()) cells = {"8", "8+", "9", "11", "13"};
  for (const char *cell : cells)
    for (const char *procedure : procedures) {
      int machines = atoi(cell);
      bool buffer = strchr(cell, '+') != nullptr;
      if (!run_in_child([=] {
            alarm(limit);
            run_case(procedure, machines, buffer);
          }))
        printf("%-10s cell %s: stopped after %u s (or failed)\n", procedure, cell, limit);
    }
  return 0;
}

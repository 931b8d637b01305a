// Opening the simulator on a large plant: reads a DES of 1,000,000 states and 10,000,000
// transitions from its file, then prepares the simulation (which states can reach a marker
// state) and lists the first events, and compares the two times.
// Usage: simulate_bench [states [transitions-per-state]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "algo/simulate.h"
#include "bench/measure.h"
#include "model/des_file.h"
#include "model/mymalloc.h"

int main(int argc, char **argv) {
  state_t states = argc > 1 ? atoi(argv[1]) : 1000000;
  int per_state = argc > 2 ? atoi(argv[2]) : 10;
  if (states <= 0 || states > MAX_STATES || per_state <= 0 || per_state > MAX_EVENT + 1) {
    fprintf(stderr, "usage: simulate_bench [states [transitions per state (1..1000)]]\n");
    return 2;
  }
  char dir[] = "/tmp/sarvsimbenchXXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  snprintf(prefix, sizeof prefix, "%s/", dir);
  {
    std::mt19937 rng(1);
    state_node *des = newdes(states);
    const int stride = (MAX_EVENT + 1) / per_state;
    for (state_t s = 0; s < states; s++) {
      des[s].marked = s % 1000 == 0;
      des[s].numelts = static_cast<uint16_t>(per_state);
      des[s].next = MALLOC_N<tran_entry>(static_cast<size_t>(per_state));
      for (int j = 0; j < per_state; j++)
        des[s].next[j] =
            make_tran(static_cast<event_t>(j * stride + static_cast<int>(rng() % stride)),
                      static_cast<state_t>(rng() % static_cast<unsigned>(states)));
    }
    if (filedes("plant", states, 0, des) != 0) return 1;
    freedes(states, &des);
  }
  stopwatch timer;
  state_t size = 0, init = 0;
  state_node *plant = nullptr;
  if (!getdes("plant", &size, &init, &plant)) return 1;
  double load_s = timer.wall(), load_cpu = timer.cpu();
  timer = stopwatch();
  sim_model m;
  m.plant = plant;
  m.plant_size = size;
  sim_run run;
  if (sim_prepare(&m) != 0) return 1;
  sim_restart(m, &run);
  size_t listed = sim_events(m, run).size();
  double open_s = timer.wall(), open_cpu = timer.cpu();
  printf("plant of %d states, %ld transitions; %zu events at state 0\n", size,
         static_cast<long>(size) * per_state, listed);
  printf("load DES file:        %.2f s  (processor %.2f s)\n", load_s, load_cpu);
  printf("prepare and list:     %.2f s  (processor %.2f s)\n", open_s, open_cpu);
  printf("peak RSS: %.1f MB\n", peak_rss_mib());
  freedes(size, &plant);
  std::filesystem::remove_all(dir);
  return 0;
}

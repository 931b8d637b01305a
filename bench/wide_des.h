// A large DES with random targets, for the benchmarks of the file formats, and the exact
// comparison of two such DES.
#ifndef SARV_BENCH_WIDE_DES_H
#define SARV_BENCH_WIDE_DES_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "model/des_data.h"
#include "model/mymalloc.h"

// Each state gets `per_state` transitions under distinct events in ascending order, with random
// targets; every fifth state is marked and every seventh has an output.
inline state_node *build_des(state_t states, int per_state) {
  std::mt19937 rng(1);
  state_node *des = newdes(states);
  const int stride = (MAX_EVENT + 1) / per_state;
  for (state_t s = 0; s < states; s++) {
    des[s].marked = s % 5 == 0;
    int output = s % 7 == 0 ? 10 + s % 90 : 0;
    des[s].vocal = static_cast<uint16_t>(output & 0x1FFF);
    des[s].numelts = static_cast<uint16_t>(per_state);
    des[s].next = MALLOC_N<tran_entry>(static_cast<size_t>(per_state));
    for (int j = 0; j < per_state; j++) {
      event_t e = static_cast<event_t>(j * stride + static_cast<int>(rng() % stride));
      des[s].next[j] = make_tran(e, static_cast<state_t>(rng() % static_cast<unsigned>(states)));
    }
  }
  return des;
}

// Reads "[states [transitions-per-state]]" (1,000,000 and 10 by default) and makes the scratch
// user directory `dir` (a mkdtemp template) the one `prefix` names. False, after a usage line
// naming `program`, when an argument is out of range or the directory cannot be made.
inline bool setup_wide_bench(int argc, char **argv, const char *program, char *dir, state_t *states,
                             int *per_state) {
  *states = argc > 1 ? atoi(argv[1]) : 1000000;
  *per_state = argc > 2 ? atoi(argv[2]) : 10;
  if (*states <= 0 || *states > MAX_STATES || *per_state <= 0 || *per_state > MAX_EVENT + 1) {
    fprintf(stderr, "usage: %s [states (1..%d) [transitions per state (1..1000)]]\n", program,
            MAX_STATES);
    return false;
  }
  if (mkdtemp(dir) == nullptr) return false;
  snprintf(prefix, sizeof prefix, "%s/", dir);
  return true;
}

inline bool same_des(const state_node *a, const state_node *b, state_t size) {
  for (state_t s = 0; s < size; s++) {
    if (a[s].marked != b[s].marked || a[s].vocal != b[s].vocal || a[s].numelts != b[s].numelts)
      return false;
    if (memcmp(a[s].next, b[s].next, a[s].numelts * sizeof(tran_entry)) != 0) return false;
  }
  return true;
}

#endif

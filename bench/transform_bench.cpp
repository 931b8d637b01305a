// Running time of the transforms and tests on one large deterministic DES: reach and breadth-first
// recode, isomorphism of the recoded DES with the original, complement, nonconflict of the DES
// with itself, and mutex on its synchronous product with a two-state DES. Reports seconds and
// peak resident memory. Usage: transform_bench [states [transitions-per-state]]

#include <cstdio>
#include <cstdlib>
#include <random>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/product.h"
#include "algo/transform.h"
#include "bench/measure.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"

namespace {

// State s has `per_state` transitions under distinct events (from 2 * per_state), ascending,
// with random targets;
// a ring s -> s+1 on event 0 keeps every state reachable. Every fifth state is marked.
state_node *build_des(state_t states, int per_state) {
  std::mt19937 rng(7);
  state_node *des = newdes(states);
  for (state_t s = 0; s < states; s++) {
    des[s].marked = s % 5 == 0;
    des[s].numelts = static_cast<uint16_t>(per_state);
    des[s].next = MALLOC_N<tran_entry>(static_cast<size_t>(per_state));
    des[s].next[0] = make_tran(0, (s + 1) % states);
    for (int j = 1; j < per_state; j++) {
      event_t e = static_cast<event_t>(2 * j - 1 + static_cast<int>(rng() % 2));
      des[s].next[j] = make_tran(e, static_cast<state_t>(rng() % static_cast<unsigned>(states)));
    }
  }
  return des;
}

state_node *copy_des(const state_node *des, state_t n) {
  state_node *copy = newdes(n);
  for (state_t s = 0; s < n; s++) {
    copy[s] = des[s];
    copy[s].next = MALLOC_N<tran_entry>(des[s].numelts);
    for (int j = 0; j < des[s].numelts; j++) copy[s].next[j] = des[s].next[j];
  }
  return copy;
}

}  // namespace

int main(int argc, char **argv) {
  state_t n = argc > 1 ? atoi(argv[1]) : 1000000;
  int per_state = argc > 2 ? atoi(argv[2]) : 5;
  if (n <= 1 || n >= MAX_STATES / 2 || per_state < 1 || per_state > 100) {
    fprintf(stderr, "usage: transform_bench [states (2..%d) [transitions per state (1..100)]]\n",
            MAX_STATES / 2 - 1);
    return 2;
  }
  state_node *g = build_des(n, per_state);
  printf("DES: %d states, %d transitions\n", n, n * per_state);

  state_node *recoded = copy_des(g, n);
  state_t size = n, count = 0, *map = nullptr;
  stopwatch t1;
  reach(&size, &recoded);
  b_recode(size, &recoded, &count, &map);
  printf("reach + b_recode:       %.3f s\n", t1.wall());

  state_t *corr = MALLOC_N<state_t>(static_cast<size_t>(n));
  int isomorphic = 0;
  stopwatch t2;
  iso1(n, count, g, recoded, &isomorphic, corr);
  printf("iso1 (result %d):        %.3f s\n", isomorphic, t2.wall());

  state_node *comp = copy_des(g, n);
  state_t comp_size = n;
  const event_t aux[] = {998};  // unused by the DES: every state gets a dump transition
  stopwatch t3;
  complement1(&comp_size, &comp, 1, aux);
  reach(&comp_size, &comp);
  printf("complement1 + reach:    %.3f s (%d states)\n", t3.wall(), comp_size);

  stopwatch t4;
  int nc = nonconflict_des(n, g, n, g);
  printf("nonconflict with self:  %.3f s (result %d)\n", t4.wall(), nc);

  state_t two_size = 2;
  state_node *two = newdes(two_size);
  insertlist4(0, 999, 1, &two_size, &two);
  two[0].marked = two[1].marked = 1;
  state_node *g2 = copy_des(g, n);
  state_t product_size = 0;
  state_node *product = nullptr;
  product_index *index = nullptr;
  state_pair excluded[] = {{n / 2, 1}, {n / 3, 1}};
  stopwatch t5;
  sync2(n, g2, two_size, two, &product_size, &product, &index, nullptr);
  printf("sync2:                  %.3f s (%d states)\n", t5.wall(), product_size);
  stopwatch t6;
  mutex1(&product_size, &product, n, two_size, index, excluded, 2);
  reach(&product_size, &product);
  printf("mutex1 + reach:         %.3f s (%d states)\n", t6.wall(), product_size);

  printf("peak resident memory:   %.0f MB%s\n", peak_rss_mib(),
         mem_result ? " (out of memory)" : "");
  free_product_index(&index);
  freedes(product_size, &product);
  freedes(n, &g2);
  freedes(two_size, &two);
  freedes(comp_size, &comp);
  free(corr);
  free(map);
  freedes(count, &recoded);
  freedes(n, &g);
  return 0;
}

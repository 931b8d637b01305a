// Minstate on large DES: the synchronous product of two random components over disjoint
// alphabets (five events each), padded with interchangeable copies of every product state so
// that minimization has to merge. Each case runs in its own child process so that its peak
// resident set is its own. Usage: minstate_bench [states ...] (default 100000 1000000), or
// minstate_bench pairwise [states ...] to run both methods (default 5000; the pairwise method is
// quadratic).
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "algo/des_proc.h"
#include "algo/minimize.h"
#include "algo/product.h"
#include "bench/measure.h"
#include "model/des_supp.h"

namespace {

const int COPIES = 4;

// Random deterministic component: every state has each of the events with probability 0.8, to a
// uniform target; a third of the states are marked.
void make_component(std::mt19937 &rng, state_t size, event_t first_event, state_t *n,
                    state_node **des) {
  *n = size;
  *des = newdes(size);
  std::uniform_int_distribution<state_t> any_state(0, size - 1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (state_t s = 0; s < size; s++) {
    (*des)[s].marked = unit(rng) < 0.33;
    for (event_t k = 0; k < 5; k++) {
      if (unit(rng) >= 0.8) continue;
      int added;
      addordlist1(static_cast<event_t>(first_event + 2 * k), any_state(rng), &(*des)[s].next,
                  (*des)[s].numelts, &added);
      if (added) (*des)[s].numelts++;
    }
  }
}

// Copy c of product state s is state c * n + s; each transition goes to a random copy of its
// target, so the copies of a state are equivalent to it.
void pad_with_copies(std::mt19937 &rng, state_t n, const state_node *product, state_t *padded_n,
                     state_node **padded) {
  *padded_n = n * COPIES;
  *padded = newdes(*padded_n);
  std::uniform_int_distribution<int> any_copy(0, COPIES - 1);
  for (int c = 0; c < COPIES; c++)
    for (state_t s = 0; s < n; s++) {
      state_node &node = (*padded)[c * n + s];
      node.marked = product[s].marked;
      node.numelts = product[s].numelts;
      node.next = static_cast<tran_entry *>(malloc(node.numelts * sizeof(tran_entry)));
      for (int j = 0; j < node.numelts; j++) {
        tran_entry t = product[s].next[j];
        node.next[j] = make_tran(t.event(), any_copy(rng) * n + t.target());
      }
    }
}

// Builds a padded product of about `states` states, reaches and minimizes it, prints one line.
void run_case(state_t states, int method) {
  std::mt19937 rng(static_cast<unsigned>(states));
  state_t side = static_cast<state_t>(std::sqrt(static_cast<double>(states) / COPIES / 0.9));
  state_t n1, n2, np, n;
  state_node *g1, *g2, *product = nullptr, *des;
  make_component(rng, side, 1, &n1, &g1);
  make_component(rng, side, 2, &n2, &g2);
  sync2(n1, g1, n2, g2, &np, &product, nullptr, nullptr);
  freedes(n1, &g1);
  freedes(n2, &g2);
  pad_with_copies(rng, np, product, &n, &des);
  freedes(np, &product);
  long transitions = static_cast<long>(count_tran(des, n));
  double rss_input = peak_rss_mib();
  reach(&n, &des);
  state_t reached = n;
  stopwatch clock;
  if (method == 2)
    minimize2(&n, &des);
  else
    minimize1(&n, &des);
  printf(
      "minimize%d  %8ld states %8ld transitions -> %7ld states  %6.2f s wall %6.2f s cpu  "
      "peak RSS %5.0f MB (input %.0f MB)%s\n",
      method, static_cast<long>(reached), transitions, static_cast<long>(n), clock.wall(),
      clock.cpu(), peak_rss_mib(), rss_input, mem_result ? "  OUT OF MEMORY" : "");
  freedes(n, &des);
}

}  // namespace

int main(int argc, char **argv) {
  bool pairwise = argc > 1 && strcmp(argv[1], "pairwise") == 0;
  std::vector<state_t> sizes;
  for (int i = pairwise ? 2 : 1; i < argc; i++)
    sizes.push_back(static_cast<state_t>(atol(argv[i])));
  if (sizes.empty())
    sizes = pairwise ? std::vector<state_t>{5000} : std::vector<state_t>{100000, 1000000};
  for (state_t size : sizes) {
    run_in_child([=] { run_case(size, 2); });
    if (pairwise) run_in_child([=] { run_case(size, 1); });
  }
  return 0;
}

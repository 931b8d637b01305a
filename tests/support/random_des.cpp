// Test support: seeded random DES.
#include "support/random_des.h"

#include "model/des_supp.h"

namespace {

void add_transition(owned_des *out, state_t source, event_t event, state_t target) {
  state_node &node = out->des[source];
  int added;
  addordlist1(event, target, &node.next, node.numelts, &added);
  if (added) node.numelts++;
}

bool has_event(const state_node &node, event_t event) {
  for (int j = 0; j < node.numelts; j++)
    if (node.next[j].event() == event) return true;
  return false;
}

}  // namespace

void make_random_des(std::mt19937 &rng, const random_des_options &options, owned_des *out) {
  freedes(out->size, &out->des);
  out->size = options.states;
  out->des = newdes(options.states);
  std::uniform_int_distribution<state_t> any_state(0, options.states - 1);
  std::uniform_int_distribution<int> out_degree(0, options.max_out);
  std::uniform_int_distribution<size_t> any_event(0, options.events.size() - 1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> any_output(10, 99);
  for (state_t s = 0; s < options.states; s++) {
    out->des[s].marked = unit(rng) < options.marked_fraction;
    if (options.vocal && unit(rng) < 0.3)
      out->des[s].vocal = static_cast<uint16_t>(any_output(rng) & 0x1FFF);
    int degree = out_degree(rng);
    for (int k = 0; k < degree; k++) {
      event_t event = options.events[any_event(rng)];
      if (options.deterministic && has_event(out->des[s], event)) continue;
      add_transition(out, s, event, any_state(rng));
    }
  }
}

void make_des(state_t states, const std::vector<transition_spec> &transitions,
              const std::vector<state_t> &marked, owned_des *out) {
  freedes(out->size, &out->des);
  out->size = states;
  out->des = newdes(states);
  for (const transition_spec &t : transitions) add_transition(out, t.source, t.event, t.target);
  for (state_t s : marked) out->des[s].marked = 1;
}

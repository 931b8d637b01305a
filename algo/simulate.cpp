// Closed-loop simulation on state sets: successor sets by merging the rows of the current states,
// event standing from the supervisor's rows and the control data, undo from a stack of sets.
#include "algo/simulate.h"

#include <algorithm>
#include <new>

namespace {

// Marks the states from which a marker state can be reached: a backward breadth-first search
// over the reversed transitions, starting from the marker states.
void coreachable(const state_node *des, state_t size, std::vector<char> *out) {
  size_t n = static_cast<size_t>(size);
  std::vector<uint32_t> first(n + 1, 0);
  for (size_t s = 0; s < n; s++)
    for (int j = 0; j < des[s].numelts; j++)
      first[static_cast<size_t>(des[s].next[j].target()) + 1]++;
  for (size_t s = 0; s < n; s++) first[s + 1] += first[s];
  std::vector<state_t> sources(first[n]);
  std::vector<uint32_t> fill(first.begin(), first.end() - 1);
  for (size_t s = 0; s < n; s++)
    for (int j = 0; j < des[s].numelts; j++)
      sources[fill[static_cast<size_t>(des[s].next[j].target())]++] = static_cast<state_t>(s);
  out->assign(n, 0);
  std::vector<state_t> queue;
  for (size_t s = 0; s < n; s++)
    if (des[s].marked) {
      (*out)[s] = 1;
      queue.push_back(static_cast<state_t>(s));
    }
  for (size_t head = 0; head < queue.size(); head++) {
    size_t t = static_cast<size_t>(queue[head]);
    for (uint32_t i = first[t]; i < first[t + 1]; i++) {
      size_t s = static_cast<size_t>(sources[i]);
      if ((*out)[s]) continue;
      (*out)[s] = 1;
      queue.push_back(static_cast<state_t>(s));
    }
  }
}

// True when some state of `states` has a transition under `event`.
bool some_state_has(const state_node *des, const std::vector<state_t> &states, event_t event) {
  for (state_t s : states) {
    const state_node &node = des[s];
    const tran_entry *end = node.next + node.numelts;
    const tran_entry *at = std::lower_bound(static_cast<const tran_entry *>(node.next), end,
                                            make_tran(event, 0), tran_less);
    if (at == end) continue;
    if (at->event() == event) return true;
  }
  return false;
}

// Targets under `event` of every state of `states`, sorted and without duplicates.
std::vector<state_t> successors(const state_node *des, const std::vector<state_t> &states,
                                event_t event) {
  std::vector<state_t> next;
  for (state_t s : states) {
    const state_node &node = des[s];
    const tran_entry *end = node.next + node.numelts;
    for (const tran_entry *at = std::lower_bound(static_cast<const tran_entry *>(node.next), end,
                                                 make_tran(event, 0), tran_less);
         at != end && at->event() == event; ++at)
      next.push_back(at->target());
  }
  std::sort(next.begin(), next.end());
  next.erase(std::unique(next.begin(), next.end()), next.end());
  return next;
}

// Whether the control data disable `event` at some current supervisor state.
bool data_disables(const sim_model &m, const std::vector<state_t> &sup_states, event_t event) {
  if (m.dat == nullptr) return false;
  for (state_t s : sup_states) {
    if (s >= m.dat_size) continue;
    const state_node &row = m.dat[s];
    for (int j = 0; j < row.numelts; j++)
      if (row.next[j].event() == event) return true;
  }
  return false;
}

// Next number of the run's generator (splitmix64: the same seed gives the same walk on every
// platform).
uint64_t next_random(sim_run *run) {
  uint64_t z = (run->rng += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

bool any_of_states(const std::vector<state_t> &states, const std::vector<char> &flag) {
  return std::any_of(states.begin(), states.end(),
                     [&](state_t s) { return flag[static_cast<size_t>(s)] != 0; });
}

}  // namespace

int sim_prepare(sim_model *m) {
  try {
    coreachable(m->plant, m->plant_size, &m->plant_coreach);
    if (m->sup != nullptr) coreachable(m->sup, m->sup_size, &m->sup_coreach);
  } catch (const std::bad_alloc &) {
    return 1;
  }
  return 0;
}

void sim_restart(const sim_model &m, sim_run *run) {
  run->plant_states.assign(m.plant_size > 0 ? 1 : 0, 0);
  run->sup_states.assign(m.sup != nullptr && m.sup_size > 0 ? 1 : 0, 0);
  run->trace.clear();
  run->plant_history.clear();
  run->sup_history.clear();
  run->rng = run->seed;
}

std::vector<sim_event> sim_events(const sim_model &m, const sim_run &run) {
  std::vector<event_t> events;
  for (state_t s : run.plant_states)
    for (int j = 0; j < m.plant[s].numelts; j++) events.push_back(m.plant[s].next[j].event());
  std::sort(events.begin(), events.end());
  events.erase(std::unique(events.begin(), events.end()), events.end());
  std::vector<sim_event> listed;
  for (event_t e : events) {
    bool blocked = m.sup != nullptr && (!some_state_has(m.sup, run.sup_states, e) ||
                                        data_disables(m, run.sup_states, e));
    listed.push_back({e, !blocked ? SIM_ALLOWED : e % 2 == 1 ? SIM_DISABLED : SIM_FAULT});
  }
  return listed;
}

int sim_fire(const sim_model &m, sim_run *run, event_t event) {
  std::vector<sim_event> listed = sim_events(m, *run);
  auto at = std::find_if(listed.begin(), listed.end(),
                         [&](const sim_event &e) { return e.event == event; });
  if (at == listed.end()) return SIM_NOT_ENABLED;
  if (at->status == SIM_DISABLED) return SIM_REFUSED_DISABLED;
  if (at->status == SIM_FAULT) return SIM_REFUSED_FAULT;
  std::vector<state_t> plant_next = successors(m.plant, run->plant_states, event);
  std::vector<state_t> sup_next;
  if (m.sup != nullptr) sup_next = successors(m.sup, run->sup_states, event);
  run->plant_history.push_back(std::move(run->plant_states));
  run->sup_history.push_back(std::move(run->sup_states));
  run->plant_states = std::move(plant_next);
  run->sup_states = std::move(sup_next);
  run->trace.push_back(event);
  return SIM_FIRED;
}

bool sim_undo(sim_run *run) {
  if (run->trace.empty()) return false;
  run->plant_states = std::move(run->plant_history.back());
  run->sup_states = std::move(run->sup_history.back());
  run->plant_history.pop_back();
  run->sup_history.pop_back();
  run->trace.pop_back();
  return true;
}

bool sim_marked(const sim_model &m, const sim_run &run) {
  auto marked = [](const state_node *des, const std::vector<state_t> &states) {
    return std::any_of(states.begin(), states.end(), [&](state_t s) { return des[s].marked != 0; });
  };
  return marked(m.plant, run.plant_states) && (m.sup == nullptr || marked(m.sup, run.sup_states));
}

bool sim_can_finish(const sim_model &m, const sim_run &run) {
  return any_of_states(run.plant_states, m.plant_coreach) &&
         (m.sup == nullptr || any_of_states(run.sup_states, m.sup_coreach));
}

sim_stop sim_random_walk(const sim_model &m, sim_run *run, int limit, int *steps) {
  for (*steps = 0; *steps < limit; ++*steps) {
    std::vector<sim_event> listed = sim_events(m, *run);
    std::vector<event_t> allowed;
    for (const sim_event &e : listed) {
      if (e.status == SIM_FAULT) return SIM_STOP_FAULT;
      if (e.status == SIM_ALLOWED) allowed.push_back(e.event);
    }
    if (allowed.empty()) return SIM_STOP_DEADLOCK;
    if (!sim_can_finish(m, *run)) return SIM_STOP_BLOCKING;
    sim_fire(m, run, allowed[next_random(run) % allowed.size()]);
  }
  return SIM_STOP_LIMIT;
}

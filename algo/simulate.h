// Closed-loop simulation: a plant stepped event by event under an optional supervisor (and its
// control data), on the sets of current states so that nondeterministic DES are followed too,
// with undo, seeded random walks and the trace of fired events.
#ifndef SARV_ALGO_SIMULATE_H
#define SARV_ALGO_SIMULATE_H

#include <cstdint>
#include <vector>

#include "model/des_data.h"

// The automata of a simulation, borrowed (never changed or freed here), and what sim_prepare
// derives from them once.
struct sim_model {
  const state_node *plant = nullptr;
  state_t plant_size = 0;
  const state_node *sup = nullptr;  // null: the plant runs alone
  state_t sup_size = 0;
  const state_node *dat =
      nullptr;  // control data of the supervisor (events to disable); may be null
  state_t dat_size = 0;
  std::vector<char> plant_coreach;  // 1 for a plant state that can reach a marker state
  std::vector<char> sup_coreach;    // the same for supervisor states
};

// How an event the plant enables stands under the supervisor.
enum sim_status {
  SIM_ALLOWED,   // the supervisor follows it and the control data do not disable it
  SIM_DISABLED,  // controllable, and the supervisor does not follow it or the data disable it
  SIM_FAULT      // uncontrollable, and yet not followed or disabled: a controllability fault
};

struct sim_event {
  event_t event;
  sim_status status;
};

// One run: the current state sets (sorted, duplicate-free), the steps taken, and the random
// generator. A step's earlier sets are kept so that it can be undone.
struct sim_run {
  std::vector<state_t> plant_states;
  std::vector<state_t> sup_states;
  std::vector<event_t> trace;
  std::vector<std::vector<state_t>> plant_history;
  std::vector<std::vector<state_t>> sup_history;
  uint64_t seed = 1;  // random walks start from it again at every restart
  uint64_t rng = 1;
};

// Results of sim_fire.
enum sim_fire_result { SIM_FIRED, SIM_NOT_ENABLED, SIM_REFUSED_DISABLED, SIM_REFUSED_FAULT };

// Why a random walk stopped.
enum sim_stop { SIM_STOP_LIMIT, SIM_STOP_DEADLOCK, SIM_STOP_BLOCKING, SIM_STOP_FAULT };

// Computes which plant and supervisor states can reach a marker state (one backward search
// each). Returns 0, or 1 when memory ran out. Time: O(states + transitions).
int sim_prepare(sim_model *m);

// Back to the initial states (state 0 of each DES, none for an empty one), empty trace, the
// random generator rewound to run->seed.
void sim_restart(const sim_model &m, sim_run *run);

// The events some current plant state enables, ascending, with their standing under the
// supervisor and data. Time: O(transitions of the current states).
std::vector<sim_event> sim_events(const sim_model &m, const sim_run &run);

// Fires `event` when sim_events lists it as allowed: the state sets move to the targets under
// the event, the trace grows by it. Otherwise leaves the run as it was and says why.
int sim_fire(const sim_model &m, sim_run *run, event_t event);

// Takes back the last step. Returns false when there is none.
bool sim_undo(sim_run *run);

// True when some current plant state is marked (and, with a supervisor, some current supervisor
// state too).
bool sim_marked(const sim_model &m, const sim_run &run);
// True when some current plant state can reach a marker state (and, with a supervisor, some
// current supervisor state too).
bool sim_can_finish(const sim_model &m, const sim_run &run);

// Up to `limit` steps, each an allowed event drawn with the run's generator; stops first at a
// fault, a deadlock (nothing allowed) or a blocking state (no marker state reachable), checked
// before every step. *steps receives the number of steps taken.
sim_stop sim_random_walk(const sim_model &m, sim_run *run, int limit, int *steps);

#endif

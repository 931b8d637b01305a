// The procedure catalogue built from engine/procedures.def, its compile-time checks, and the
// algorithm steps of the core procedures. Steps receive the loaded inputs in job->input (request
// order) and leave the result in job->output; the frame files it.
#include "engine/catalogue.h"

#include <cstdlib>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/minimize.h"
#include "algo/product.h"
#include "algo/project.h"
#include "algo/supcon.h"
#include "engine/protocol.h"
#include "engine/request_shapes.h"
#include "engine/transform_procedures.h"

void trim_steps(compute_job *job) {
  take_input_as_output(job, 0);
  trim1(&job->output.size, &job->output.des);
}

// Synchronous product of the two inputs (both gain selfloops on each other's private events).
void sync_steps(compute_job *job) {
  fail_over_state_limit(sync2(job->input[0].size, job->input[0].des, job->input[1].size,
                              job->input[1].des, &job->output.size, &job->output.des, nullptr,
                              nullptr));
}

// Reachable product of the two inputs over their common events.
void meet_steps(compute_job *job) {
  fail_over_state_limit(meet2(job->input[0].size, job->input[0].des, job->input[1].size,
                              job->input[1].des, &job->output.size, &job->output.des, nullptr,
                              nullptr));
}

// Supremal controllable sublanguage of the specification (input 1) for the plant (input 0): the
// meet, shaved until every state is controllable and nonblocking (the shave trims it as well). The
// controllability test counts transitions, so both inputs must be deterministic.
// Departure from the classic procedure: nondeterministic inputs are refused (result 10), not
// computed wrongly.
void supcon_steps(compute_job *job) {
  job_des &plant = job->input[0], &spec = job->input[1];
  if (checkdet(plant.size, plant.des) != 1 || checkdet(spec.size, spec.des) != 1)
    compute_fail(MURN_NONDETERMINISTIC);
  pair_code_t *pair_codes = nullptr;
  fail_over_state_limit(meet2(plant.size, plant.des, spec.size, spec.des, &job->output.size,
                              &job->output.des, nullptr, &pair_codes));
  freedes(spec.size, &spec.des);
  spec.size = 0;
  shave1(plant.size, plant.des, &job->output.size, &job->output.des, pair_codes);
  free(pair_codes);
}

// Control data of the supervisor (input 1) for the plant (input 0): per supervisor state, the
// events the plant allows there that the supervisor disables. Both inputs must be deterministic.
void condat_steps(compute_job *job) {
  job_des &plant = job->input[0], &supervisor = job->input[1];
  if (checkdet(plant.size, plant.des) != 1 || checkdet(supervisor.size, supervisor.des) != 1)
    compute_fail(MURN_NONDETERMINISTIC);
  job_des product{};
  pair_code_t *pair_codes = nullptr;
  fail_over_state_limit(meet2(plant.size, plant.des, supervisor.size, supervisor.des, &product.size,
                              &product.des, nullptr, &pair_codes));
  state_t supervisor_states = supervisor.size;
  freedes(supervisor.size, &supervisor.des);
  supervisor.size = 0;
  condat1(plant.des, plant.size, supervisor_states, product.size, product.des, &job->output.size,
          &job->output.des, pair_codes);
  freedes(product.size, &product.des);
  free(pair_codes);
}

// Reachable part of the input, minimized by the method minflag selects.
void minstate_steps(compute_job *job) {
  take_input_as_output(job, 0);
  reach(&job->output.size, &job->output.des);
  minimize(&job->output.size, &job->output.des);
}

// The input with the listed events erased, staged and minimized.
void project_steps(compute_job *job) {
  take_input_as_output(job, 0);
  project0(&job->output.size, &job->output.des, job->event_count, job->events);
}

// Steps defined in other engine modules.
#define PROCEDURE(ID, SHAPE, request_function, compute_function, steps_function, ...) \
  void steps_function(compute_job *job);
#include "engine/procedures.def"

namespace {

// Every row, in id order.
constexpr procedure_row CATALOGUE[] = {
#define PROCEDURE(ID, SHAPE, request_function, compute_function, steps_function, ...) \
  procedure_row{.id = PROC_##ID, __VA_ARGS__, .steps = steps_function},
#define DIALOG_ONLY(ID, ...) procedure_row{.id = PROC_##ID, __VA_ARGS__},
#define RESERVED(ID, ...) procedure_row{.id = PROC_##ID, __VA_ARGS__},
#include "engine/procedures.def"
};
static_assert(sizeof CATALOGUE / sizeof CATALOGUE[0] == PROC_COUNT);

constexpr bool same_text(const char *a, const char *b) {
  if (a == nullptr || b == nullptr) return a == b;
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

// Codes are unique and in 1..LAST_PROCEDURE_CODE (0 only for tests computed in the front end); menu
// keys are unique; every row with keys has a label and a menu place; a dialog has a name per prompt
// (a text output is named after DES1).
constexpr bool catalogue_consistent() {
  for (int i = 0; i < PROC_COUNT; ++i) {
    const procedure_row &row = CATALOGUE[i];
    if (row.id != i || row.name == nullptr) return false;
    if (row.code < 0 || row.code > LAST_PROCEDURE_CODE) return false;
    if (row.keys != nullptr && (row.label == nullptr || row.menu.row == 0)) return false;
    if (row.title != nullptr && row.output != OUTPUT_TEXT &&
        row.names[name_count(row) - 1].prompt == nullptr)
      return false;
    for (int j = 0; j < i; ++j) {
      if (row.code != 0 && CATALOGUE[j].code == row.code) return false;
      if (row.keys != nullptr && same_text(CATALOGUE[j].keys, row.keys)) return false;
    }
  }
  return true;
}
static_assert(catalogue_consistent());

// A PROCEDURE row always names its steps function, so only the request's form is checked here
// (an external function's address is no constant expression under the sanitizers).
constexpr bool fits(const procedure_row &row, request_shape shape) {
  return row.inputs == shape.inputs && row.list == shape.list && row.result == shape.result;
}
#define PROCEDURE(ID, SHAPE, ...)                          \
  static_assert(fits(CATALOGUE[PROC_##ID], SHAPE##_SHAPE), \
                #ID ": request shape does not fit the row");
#include "engine/procedures.def"

}  // namespace

const procedure_row &procedure(procedure_id id) {
  return CATALOGUE[id];
}

const procedure_row *find_procedure(int code) {
  for (const procedure_row &row : CATALOGUE)
    if (row.code == code && row.steps != nullptr) return &row;
  return nullptr;
}

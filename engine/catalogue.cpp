// The procedure catalogue and the algorithm steps of each procedure. Steps receive the loaded
// inputs in job->input (request order) and leave the result in job->output; the frame files it.
#include "engine/catalogue.h"

#include <cstdlib>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/minm.h"
#include "algo/product.h"
#include "algo/project.h"
#include "algo/supcon.h"
#include "engine/cl_kep.h"
#include "engine/transform_procedures.h"

namespace {

void trim_steps(compute_job *job) {
  take_input_as_output(job, 0);
  trim1(&job->output.size, &job->output.des);
}

// Synchronous product of the two inputs (both gain selfloops on each other's private events).
void sync_steps(compute_job *job) {
  sync2(job->input[0].size, job->input[0].des, job->input[1].size, job->input[1].des,
        &job->output.size, &job->output.des, nullptr, nullptr);
}

// Reachable product of the two inputs over their common events.
void meet_steps(compute_job *job) {
  meet2(job->input[0].size, job->input[0].des, job->input[1].size, job->input[1].des,
        &job->output.size, &job->output.des, nullptr, nullptr);
}

// Supremal controllable sublanguage of the specification (input 1) for the plant (input 0): the
// trimmed meet, shaved until every state is controllable and nonblocking. The controllability
// test counts transitions, so both inputs must be deterministic.
void supcon_steps(compute_job *job) {
  job_des &plant = job->input[0], &spec = job->input[1];
  if (checkdet(plant.size, plant.des) != 1 || checkdet(spec.size, spec.des) != 1)
    compute_fail(MURN_NONDETERMINISTIC);
  pair_code_t *pair_codes = nullptr;
  meet2(plant.size, plant.des, spec.size, spec.des, &job->output.size, &job->output.des, nullptr,
        &pair_codes);
  freedes(spec.size, &spec.des);
  spec.size = 0;
  trim2(&job->output.size, &job->output.des, pair_codes);
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
  meet2(plant.size, plant.des, supervisor.size, supervisor.des, &product.size, &product.des,
        nullptr, &pair_codes);
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

// One row per procedure code, in code order.
const procedure_row catalogue[] = {
    {1, "Selfloop", "1: Selfloop", 1, OUTPUT_DES, LIST_EVENTS, FRAME_STANDARD, selfloop_steps},
    {2, "Trim", "2: Trim", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, trim_steps},
    {3, "Sync", "3: Sync", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, sync_steps},
    {4, "Meet", "4: Meet", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, meet_steps},
    {5, "Supcon", "5: Supcon", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, supcon_steps},
    {6, "Mutex", "6: Mutex", 2, OUTPUT_DES, LIST_STATE_PAIRS, FRAME_STANDARD, mutex_steps},
    {7, "Condat", "7: Condat", 2, OUTPUT_DAT, LIST_NONE, FRAME_STANDARD, condat_steps},
    {9, "Minstate", "9: Minstate", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, minstate_steps},
    {10, "Complement", "10: Complement", 1, OUTPUT_DES, LIST_EVENTS, FRAME_STANDARD,
     complement_steps},
    {11, "Project", "P0: Project", 1, OUTPUT_DES, LIST_EVENTS, FRAME_STANDARD, project_steps},
    {17, "Allevents", "H4: Allevents", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, allevent_steps},
    {19, "BFS-recode", "B: BFS-recode", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, bfs_recode_steps},
    // Supclo has no dialog (null label); other means of writing a request run it.
    {20, "Supclo", nullptr, 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, supclo_steps},
};

}  // namespace

const procedure_row *find_procedure(int code) {
  for (const procedure_row &row : catalogue)
    if (row.code == code) return &row;
  return nullptr;
}

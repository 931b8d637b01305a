// The procedure catalogue and the algorithm steps of each procedure. Steps receive the loaded
// inputs in job->input (request order) and leave the result in job->output; the frame files it.
#include "engine/catalogue.h"

#include "algo/des_proc.h"
#include "algo/minm.h"
#include "algo/product.h"
#include "algo/project.h"
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

// One row per procedure code. Rows without steps (run null) are requested by the front end but
// not yet computed: the compute process answers them like an unknown code.
const procedure_row catalogue[] = {
    {1, "Selfloop", "1: Selfloop", 1, OUTPUT_DES, LIST_EVENTS, FRAME_STANDARD, selfloop_steps},
    {2, "Trim", "2: Trim", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, trim_steps},
    {3, "Sync", "3: Sync", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, sync_steps},
    {4, "Meet", "4: Meet", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, meet_steps},
    {5, "Supcon", "5: Supcon", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, nullptr},
    {6, "Mutex", "6: Mutex", 2, OUTPUT_DES, LIST_STATE_PAIRS, FRAME_STANDARD, mutex_steps},
    {7, "Condat", "7: Condat", 2, OUTPUT_DAT, LIST_NONE, FRAME_STANDARD, nullptr},
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

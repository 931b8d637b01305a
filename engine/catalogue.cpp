// The procedure catalogue and the algorithm steps of each procedure. Steps receive the loaded
// inputs in job->input (request order) and leave the result in job->output; the frame files it.
#include "engine/catalogue.h"

#include "algo/des_proc.h"
#include "algo/minm.h"
#include "algo/project.h"

namespace {

void trim_steps(compute_job *job) {
  take_input_as_output(job, 0);
  trim1(&job->output.size, &job->output.des);
}

void minstate_steps(compute_job *job) {
  take_input_as_output(job, 0);
  reach(&job->output.size, &job->output.des);
  minimize(&job->output.size, &job->output.des);
}

void project_steps(compute_job *job) {
  take_input_as_output(job, 0);
  project0(&job->output.size, &job->output.des, job->event_count, job->events);
}

// One row per procedure code. Rows without steps (run null) are requested by the front end but
// not yet computed: the compute process answers them like an unknown code.
const procedure_row catalogue[] = {
    {2, "Trim", "2: Trim", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, trim_steps},
    {3, "Sync", "3: Sync", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, nullptr},
    {4, "Meet", "4: Meet", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, nullptr},
    {5, "Supcon", "5: Supcon", 2, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, nullptr},
    {7, "Condat", "7: Condat", 2, OUTPUT_DAT, LIST_NONE, FRAME_STANDARD, nullptr},
    {9, "Minstate", "9: Minstate", 1, OUTPUT_DES, LIST_NONE, FRAME_STANDARD, minstate_steps},
    {11, "Project", "P0: Project", 1, OUTPUT_DES, LIST_EVENTS, FRAME_STANDARD, project_steps},
};

}  // namespace

const procedure_row *find_procedure(int code) {
  for (const procedure_row &row : catalogue)
    if (row.code == code) return &row;
  return nullptr;
}

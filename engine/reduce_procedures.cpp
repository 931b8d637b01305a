// Steps of the normality and reduction procedures of the catalogue.
#include "engine/reduce_procedures.h"

#include "algo/normality.h"
#include "algo/reduce.h"
#include "engine/protocol.h"
#include "model/des_file.h"

namespace {

typedef int (*normal_procedure)(state_node *, state_t, state_node *, state_t, state_node **,
                                state_t *, const event_t *, uint16_t);

void run_normal(compute_job *job, normal_procedure procedure) {
  job_des &e = job->input[0], &g = job->input[1];
  int status = procedure(e.des, e.size, g.des, g.size, &job->output.des, &job->output.size,
                         job->events, job->event_count);
  if (status == CNORM_NONDETERMINISTIC) compute_fail(MURN_NONDETERMINISTIC);
  if (status == CNORM_NO_FIXED_POINT) compute_fail(MURN_NO_FIXED_POINT);
  if (status == CNORM_NO_MEMORY) mem_result = 1;
}

}  // namespace

void supreduce_steps(compute_job *job) {
  const char *plant = job->name[0], *sup = job->name[1], *dat = job->name[2], *out = job->name[3];
  int status = supreduce(plant, sup, dat, out, &job->bound, &job->ratio);
  if (mem_result || status == SUPRED_NO_MEMORY) compute_fail(MURN_OUT_OF_MEMORY);
  if (status > 0) compute_fail(MURN_SUPREDUCE_ERROR);
  if (status == SUPRED_SINGLE_TRIPLE) {
    job_des &s = job->input[1];
    state_t init = 0;
    getdes(sup, &s.size, &init, &s.des);
    if (mem_result) compute_fail(MURN_OUT_OF_MEMORY);
    job->bound = s.size;
    job->ratio = 1.0f;
    if (filedes(out, s.size, 0, s.des) != 0) compute_fail(MURN_OUTPUT_NOT_WRITTEN);
  } else if (status == SUPRED_EMPTY) {
    job->bound = 0;
    job->ratio = 0.0f;
    if (filedes(out, 0, 0, nullptr) != 0) compute_fail(MURN_OUTPUT_NOT_WRITTEN);
  }
}

void supnorm_steps(compute_job *job) {
  run_normal(job, suprema_normal);
}
void supnormclo_steps(compute_job *job) {
  run_normal(job, suprema_normal_clo);
}
void supscop_steps(compute_job *job) {
  run_normal(job, suprema_normal_scop);
}
void supnormclo1_steps(compute_job *job) {
  run_normal(job, suprema_normal_clo1);
}
void supscop1_steps(compute_job *job) {
  run_normal(job, suprema_normal_scop1);
}

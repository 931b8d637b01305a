// Algorithm steps of the transform procedures of the catalogue.
#include "engine/transform_procedures.h"

#include <cstdlib>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/product.h"
#include "algo/transform.h"
#include "engine/protocol.h"

void fail_over_state_limit(int product_result) {
  if (product_result == PRODUCT_STATE_LIMIT) compute_fail(MURN_STATE_LIMIT);
}

void selfloop_steps(compute_job *job) {
  take_input_as_output(job, 0);
  gentran(job->event_count, job->events, job->output.size, job->output.des);
}

void mutex_steps(compute_job *job) {
  job_des &a = job->input[0], &b = job->input[1];
  product_index *index = nullptr;
  fail_over_state_limit(
      sync2(a.size, a.des, b.size, b.des, &job->output.size, &job->output.des, &index, nullptr));
  if (!mem_result)
    mutex1(&job->output.size, &job->output.des, a.size, b.size, index, job->pairs, job->pair_count);
  free_product_index(&index);
  if (!mem_result) reach(&job->output.size, &job->output.des);
}

void complement_steps(compute_job *job) {
  take_input_as_output(job, 0);
  complement1(&job->output.size, &job->output.des, job->event_count, job->events);
  if (!mem_result) reach(&job->output.size, &job->output.des);
}

void allevent_steps(compute_job *job) {
  allevent_des(&job->input[0].des, &job->input[0].size, &job->output.des, &job->output.size);
}

void bfs_recode_steps(compute_job *job) {
  take_input_as_output(job, 0);
  reach(&job->output.size, &job->output.des);
  if (mem_result || job->output.size <= 0) return;
  state_t count = job->output.size, *map = nullptr;
  b_recode(job->output.size, &job->output.des, &count, &map);
  free(map);
  if (!mem_result) job->output.size = count;
}

void supclo_steps(compute_job *job) {
  supclo_des(&job->input[0].des, &job->input[0].size, &job->output.des, &job->output.size);
}

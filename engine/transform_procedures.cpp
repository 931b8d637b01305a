// Steps and named wrappers of the transform procedures of the catalogue.
#include "engine/transform_procedures.h"

#include <cstdlib>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/product.h"
#include "algo/transform.h"
#include "engine/cl_kep.h"

// Algorithm steps ------------------------------------------------------------------------------

void selfloop_steps(compute_job *job) {
  take_input_as_output(job, 0);
  gentran(job->event_count, job->events, job->output.size, job->output.des);
}

void mutex_steps(compute_job *job) {
  job_des &a = job->input[0], &b = job->input[1];
  product_index *index = nullptr;
  sync2(a.size, a.des, b.size, b.des, &job->output.size, &job->output.des, &index, nullptr);
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

// Front end ------------------------------------------------------------------------------------

int selfloop_runProgram(const char *name2, const char *name1, int count, const event_t *events) {
  const char *names[] = {name1, name2};
  return run_request(1, names, events, count);
}

int mutex_runProgram(const char *name3, const char *name1, const char *name2,
                     const state_pair *pairs, int count) {
  const char *names[] = {name1, name2, name3};
  return run_request(6, names, pairs, count);
}

int complement_runProgram(const char *name2, const char *name1, const event_t *events, int count) {
  const char *names[] = {name1, name2};
  return run_request(10, names, events, count);
}

int allevent_runProgram(const char *name2, const char *name1) {
  const char *names[] = {name1, name2};
  return run_request(17, names, nullptr, 0);
}

int bfs_recode_runProgram(const char *name2, const char *name1) {
  const char *names[] = {name1, name2};
  return run_request(19, names, nullptr, 0);
}

int supclo_runProgram(const char *name2, const char *name1) {
  const char *names[] = {name1, name2};
  return run_request(20, names, nullptr, 0);
}

// Compute process ------------------------------------------------------------------------------

void selfloop_program(FILE *request) {
  compute_procedure(find_procedure(1), request);
}
void mutex_program(FILE *request) {
  compute_procedure(find_procedure(6), request);
}
void complement_program(FILE *request) {
  compute_procedure(find_procedure(10), request);
}
void allevent_program(FILE *request) {
  compute_procedure(find_procedure(17), request);
}
void bfs_recode_program(FILE *request) {
  compute_procedure(find_procedure(19), request);
}
void supclo_program(FILE *request) {
  compute_procedure(find_procedure(20), request);
}

// Algorithm steps of the procedures on vocal DES.
#include "engine/hier_procedures.h"

#include <cstdio>
#include <cstdlib>

#include "algo/des_proc.h"
#include "algo/hierarchy_consistency.h"
#include "algo/higen.h"
#include "algo/minimize.h"
#include "algo/output_consistency.h"
#include "algo/project.h"
#include "engine/protocol.h"

namespace {

// Outconsis, Hiconsis and Higen need a silent initial state.
void require_silent_state0(const compute_job *job) {
  const job_des &in = job->input[0];
  if (in.size > 0 && in.des[0].vocal != 0) compute_fail(MURN_VOCAL_STATE0);
}

// A relabelling that ran out of labels: its message for whoever reads the compute process's
// standard output, and a result code the front end can report.
void fail_on_label_overflow(int status, event_t *nulls) {
  if (status == RELABEL_OK) return;
  free(nulls);
  if (status == RELABEL_OUTPUT_TOO_LARGE) compute_fail(MURN_OUTPUT_TOO_LARGE);
  printf("%s\n", relabel_overflow_message(status));
  fflush(stdout);
  compute_fail(MURN_LABEL_OVERFLOW);
}

void hiconsis_variant(compute_job *job, int (*variant)(state_t *, state_node **)) {
  require_silent_state0(job);
  take_input_as_output(job, 0);
  if (variant(&job->output.size, &job->output.des) == 1 && !mem_result)
    compute_fail(MURN_VOCAL_OVERFLOW);
}

// A vocalization must name a transition of the input: exit state, event and entrance state.
bool names_transition(const job_des &in, const quad &q) {
  if (q.a >= in.size || q.c >= in.size) return false;
  const state_node &exit = in.des[q.a];
  for (int j = 0; j < exit.numelts; j++)
    if (exit.next[j].event() == q.b && exit.next[j].target() == q.c) return true;
  return false;
}

}  // namespace

void convert_steps(compute_job *job) {
  event_t *nulls = nullptr;
  uint16_t count = 0;
  int done = 0;
  job_des &in = job->input[0];
  int status = eventmap_des(in.des, in.size, &job->output.des, &job->output.size, job->pairs,
                            job->pair_count, &nulls, &count, &done);
  fail_on_label_overflow(status, nulls);
  if (!mem_result && count > 0) project0(&job->output.size, &job->output.des, count, nulls);
  free(nulls);
}

// The request list is sorted: two outputs for one transition (exit state, event, entrance
// state) stand side by side. Such a request is refused, since only one output could be kept.
// Departure from the classic procedure: two outputs for one transition are refused instead of
// keeping one.
void vocalize_steps(compute_job *job) {
  for (state_t r = 0; r < job->quad_count; r++)
    if (!names_transition(job->input[0], job->quads[r])) compute_fail(MURN_BAD_REQUEST);
  for (state_t i = 1; i < job->quad_count; ++i) {
    const quad &p = job->quads[i - 1], &q = job->quads[i];
    if (p.a == q.a && p.b == q.b && p.c == q.c) compute_fail(MURN_BAD_REQUEST);
  }
  take_input_as_output(job, 0);
  vocalize_des(&job->output.size, &job->output.des, &job->quads, &job->quad_count);
}

void outconsis_steps(compute_job *job) {
  require_silent_state0(job);
  take_input_as_output(job, 0);
  outcon_des(&job->output.size, &job->output.des);
}

void hiconsis_steps(compute_job *job) {
  hiconsis_variant(job, hiconsis_des);
}

void hiconsis1_steps(compute_job *job) {
  hiconsis_variant(job, hiconsis_1_des);
}

void higen_steps(compute_job *job) {
  require_silent_state0(job);
  take_input_as_output(job, 0);
  job_des &out = job->output;
  event_t *nulls = nullptr;
  uint16_t count = 0;
  fail_on_label_overflow(higen_des(&out.size, &out.des, &nulls, &count), nulls);
  if (!mem_result && count > 0) project1(&out.size, &out.des, count, nulls);
  free(nulls);
  if (!mem_result && (count == 0 || out.size > 1)) {
    reach(&out.size, &out.des);
    if (!mem_result) minimize2(&out.size, &out.des);
  }
}

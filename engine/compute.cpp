// Compute-process side of the protocol: reads the request, runs the procedure through the
// catalogue's frame, files the output and writes the result.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "engine/catalogue.h"
#include "engine/protocol.h"
#include "model/des_file.h"

namespace {

compute_job *active_job = nullptr;

void release_job(compute_job *job) {
  for (job_des &d : job->input) freedes(d.size, &d.des);
  freedes(job->output.size, &job->output.des);
  free(job->events);
  free(job->pairs);
  free(job->quads);
  *job = compute_job{};
}

// Reads one name line into name[256] and cuts its newline. False when the line is missing,
// longer than 255 characters (which no DES name can be), or not a name inside the user directory
// (des_name_ok).
bool read_name(FILE *request, char *name) {
  if (fgets(name, 256, request) == nullptr) return false;
  size_t len = strlen(name);
  if (len > 0 && name[len - 1] == '\n') {
    name[len - 1] = '\0';
  } else if (len >= 255 && !feof(request)) {
    return false;
  }
  return des_name_ok(name);
}

bool is_event(int value) {
  return value >= 0 && value <= MAX_EVENT;
}

// Reads list items up to the end of the request and inserts each into the job's sorted list.
// Returns false when an item is not complete, not a number, or not representable: the list is
// garbled.
bool read_list(FILE *request, list_kind kind, compute_job *job) {
  int a, b, c, d, added, got;
  switch (kind) {
    case LIST_NONE:
      return true;
    case LIST_EVENTS:
      while ((got = fscanf(request, "%d", &a)) == 1) {
        if (!is_event(a)) return false;
        addordlist(static_cast<event_t>(a), &job->events, job->event_count, &added);
        job->event_count = static_cast<uint16_t>(job->event_count + added);
      }
      return got == EOF;
    case LIST_STATE_PAIRS:
      while ((got = fscanf(request, "%d %d", &a, &b)) == 2) {
        addstatepair(a, b, &job->pairs, job->pair_count, &added);
        job->pair_count += added;
      }
      return got == EOF;
    case LIST_QUADS:
      while ((got = fscanf(request, "%d %d %d %d", &a, &b, &c, &d)) == 4) {
        if (!is_event(b) || d < INT16_MIN || d > INT16_MAX) return false;
        add_quad(a, static_cast<event_t>(b), c, static_cast<int16_t>(d), &job->quads,
                 job->quad_count, &added);
        job->quad_count += added;
      }
      return got == EOF;
  }
  return false;
}

// Loads input i as the kind its name field gives (".dat": control data, else a DES). A missing
// file reads as the empty DES; one that is there but cannot be read (corrupt, truncated,
// unreadable) or is of the other kind (its initial-state field tells) ends the process with
// MURN_INPUT_NOT_READ, so control data never pass for a DES nor the reverse.
void load_input(const procedure_row &row, compute_job *job, int i) {
  state_t kind = strcmp(row.names[i].ext, ".dat") == 0 ? -1 : 0;
  state_t field = kind;
  job_des &d = job->input[i];
  char file[MAX_DES_PATH + 1];
  if (getdes(job->name[i], &d.size, &field, &d.des)) {
    if ((field == -1) != (kind == -1)) compute_fail(MURN_INPUT_NOT_READ);
  } else if (des_file_path(job->name[i], kind, file) && access(file, F_OK) == 0) {
    compute_fail(MURN_INPUT_NOT_READ);
  }
  job->init = field;
}

// Reads one header number; false when the line does not start with an integer.
bool read_header_number(FILE *request, int *value) {
  return fscanf(request, "%d\n", value) == 1;
}

}  // namespace

void take_input_as_output(compute_job *job, int i) {
  job->output = job->input[i];
  job->input[i] = job_des{};
}

void compute_fail(int code) {
  if (active_job != nullptr) release_job(active_job);
  murn_result(code);
  exit(0);
}

void compute_procedure(const procedure_row &row, FILE *request, int32_t *bound, float *ratio) {
  static compute_job job;
  job = compute_job{};
  active_job = &job;
  for (int i = 0; i <= row.inputs; i++)
    if (!read_name(request, job.name[i])) compute_fail(MURN_MISSING_NAME);
  if (!read_list(request, row.list, &job)) compute_fail(MURN_BAD_REQUEST);
  mem_result = 0;
  if (row.frame == FRAME_STANDARD) {
    job.init = 0;
    for (int i = 0; i < row.inputs; i++) load_input(row, &job, i);
  }
  row.steps(&job);
  if (row.frame == FRAME_STANDARD) {
    if (mem_result == 1) compute_fail(MURN_OUT_OF_MEMORY);
    if (row.output != OUTPUT_TEXT &&
        filedes(job.name[row.inputs], job.output.size, row.output, job.output.des) != 0)
      compute_fail(MURN_OUTPUT_NOT_WRITTEN);
  }
  if (bound != nullptr) *bound = job.bound;
  if (ratio != nullptr) *ratio = job.ratio;
  release_job(&job);
  active_job = nullptr;
}

int murn_result(int code) {
  if (get_rst_file() != 0) return -1;
  FILE *f = fopen(rst_file, "w");
  if (f == nullptr) return -1;
  fprintf(f, "%d\n", code);
  return fclose(f) == 0 ? 0 : -1;
}

int murn_result_supreduce(int code, int32_t bound, float ratio) {
  if (get_rst_file() != 0) return -1;
  FILE *f = fopen(rst_file, "w");
  if (f == nullptr) return -1;
  fprintf(f, "%d\n%d %f\n", code, bound, ratio);
  return fclose(f) == 0 ? 0 : -1;
}

int cmdline_kep_run() {
  FILE *request = get_prm_file() == 0 ? fopen(prm_file, "r") : nullptr;
  if (request == nullptr) {
    murn_result(MURN_NO_REQUEST);
    return -1;
  }
  int code = 0;
  const procedure_row *row = nullptr;
  if (read_header_number(request, &debug_mode) && read_header_number(request, &minflag) &&
      read_header_number(request, &code))
    row = find_procedure(code);
  if (row == nullptr) {
    fclose(request);
    murn_result(MURN_BAD_REQUEST);
    return 0;
  }
  int32_t bound = 0;
  float ratio = 0.0f;
  compute_procedure(*row, request, &bound, &ratio);
  fclose(request);
  remove(prm_file);
  if (row->result == RESULT_BOUND_RATIO)
    murn_result_supreduce(MURN_OK, bound, ratio);
  else
    murn_result(MURN_OK);
  return 0;
}

// The named compute functions of the rows.
#define PROCEDURE(ID, SHAPE, request_function, compute_function, ...) \
  void compute_function(FILE *request) {                              \
    compute_procedure(procedure(PROC_##ID), request);                 \
  }
#include "engine/procedures.def"

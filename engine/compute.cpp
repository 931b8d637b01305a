// Compute-process side of the protocol: reads the request, runs the procedure through the
// catalogue's frame, files the output and writes the result.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/catalogue.h"
#include "engine/protocol.h"
#include "model/des_file.h"

namespace {

compute_job *active_job = nullptr;

// The request is read line by line, each line checked whole against what its place requires, so
// a stray blank or trailing text can never shift the names that follow.
char *line = nullptr;  // the line last read, without its line end
size_t line_capacity = 0;

// Reads the next line of the request. Returns its length, -1 at the end of the request, or -2 for
// a line holding a zero byte. The last line may lack its line end.
ssize_t read_line(FILE *request) {
  ssize_t len = getline(&line, &line_capacity, request);
  if (len <= 0) return -1;
  if (line[len - 1] == '\n') line[--len] = '\0';
  return strlen(line) == static_cast<size_t>(len) ? len : -2;
}

// Parses exactly `count` integers separated by single blanks, with nothing before or after.
bool parse_numbers(const char *text, long *values, int count) {
  for (int i = 0; i < count; i++) {
    if (i > 0 && *text++ != ' ') return false;
    if (!isdigit(static_cast<unsigned char>(*text)) &&
        !(*text == '-' && isdigit(static_cast<unsigned char>(text[1]))))
      return false;
    char *end;
    errno = 0;
    values[i] = strtol(text, &end, 10);
    if (errno != 0) return false;
    text = end;
  }
  return *text == '\0';
}

// Reads one line of exactly `count` integers, each in min..max. False at the end of the request or
// for any other line.
bool read_numbers(FILE *request, long *values, int count, long min, long max) {
  if (read_line(request) < 0 || !parse_numbers(line, values, count)) return false;
  for (int i = 0; i < count; i++)
    if (values[i] < min || values[i] > max) return false;
  return true;
}

// Reads one name line into name[256]: MURN_OK, MURN_MISSING_NAME at the end of the request or for
// a line that is no name inside the user directory (empty, longer than 255 characters, "/", "."
// or "..": des_name_ok).
int read_name(FILE *request, char *name) {
  ssize_t len = read_line(request);
  if (len < 0 || len > 255 || !des_name_ok(line)) return MURN_MISSING_NAME;
  memcpy(name, line, static_cast<size_t>(len) + 1);
  return MURN_OK;
}

bool is_label(long value) {
  return value >= 0 && value <= MAX_EVENT;
}

// Reads list items, one per line, up to the end of the request, and inserts each into the job's
// sorted list. Returns false when a line is not exactly one item or an item is out of range:
// events and the labels of event pairs 0..999, state numbers 0..MAX_STATES-1, vocal outputs
// 10..99. Whether a vocalization names an existing transition is checked once the input is read.
bool read_list(FILE *request, const procedure_row &row, compute_job *job) {
  long v[4];
  int added;
  const int width[] = {0, 1, 2, 4};
  const int n = width[row.list];
  const long item_max = row.list == LIST_EVENTS || row.entry == ENTRY_EVENT_PAIRS
                            ? MAX_EVENT
                            : static_cast<long>(MAX_STATES) - 1;
  while (n > 0) {
    ssize_t len = read_line(request);
    if (len == -1) return true;
    if (len < 0 || !parse_numbers(line, v, n)) return false;
    for (int i = 0; i < n; i++)
      if (v[i] < 0 || v[i] > item_max) return false;
    if (row.list == LIST_EVENTS) {
      addordlist(static_cast<event_t>(v[0]), &job->events, job->event_count, &added);
      job->event_count = static_cast<uint16_t>(job->event_count + added);
    } else if (row.list == LIST_STATE_PAIRS) {
      addstatepair(static_cast<state_t>(v[0]), static_cast<state_t>(v[1]), &job->pairs,
                   job->pair_count, &added);
      job->pair_count += added;
    } else {
      if (!is_label(v[1]) || v[3] < 10 || v[3] > 99) return false;
      add_quad(static_cast<state_t>(v[0]), static_cast<event_t>(v[1]), static_cast<state_t>(v[2]),
               static_cast<int16_t>(v[3]), &job->quads, job->quad_count, &added);
      job->quad_count += added;
    }
  }
  return read_line(request) == -1;
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

// Reads one header line: exactly one integer in min..max.
bool read_header_number(FILE *request, int *value, int min, int max) {
  long number;
  if (!read_numbers(request, &number, 1, min, max)) return false;
  *value = static_cast<int>(number);
  return true;
}

}  // namespace

void release_job(compute_job *job) {
  for (job_des &d : job->input) freedes(d.size, &d.des);
  freedes(job->output.size, &job->output.des);
  free(job->events);
  free(job->pairs);
  free(job->quads);
  *job = compute_job{};
}

int read_request_header(FILE *request, const procedure_row **row) {
  int code = 0;
  *row = nullptr;
  if (read_header_number(request, &debug_mode, 0, 1) &&
      read_header_number(request, &minflag, 0, 1) && read_header_number(request, &code, 1, 999))
    *row = find_procedure(code);
  return *row != nullptr ? MURN_OK : MURN_BAD_REQUEST;
}

int read_request_body(const procedure_row &row, FILE *request, compute_job *job) {
  for (int i = 0; i <= row.inputs; i++)
    if (read_name(request, job->name[i]) != MURN_OK) return MURN_MISSING_NAME;
  return read_list(request, row, job) ? MURN_OK : MURN_BAD_REQUEST;
}

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
  int read = read_request_body(row, request, &job);
  if (read != MURN_OK) compute_fail(read);
  mem_result = 0;
  state_limit_reached = 0;
  if (row.frame == FRAME_STANDARD) {
    job.init = 0;
    for (int i = 0; i < row.inputs; i++) load_input(row, &job, i);
  }
  row.steps(&job);
  if (row.frame == FRAME_STANDARD) {
    if (mem_result == 1) compute_fail(state_limit_reached ? MURN_STATE_LIMIT : MURN_OUT_OF_MEMORY);
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
  const procedure_row *row = nullptr;
  if (read_request_header(request, &row) != MURN_OK) {
    fclose(request);
    murn_result(MURN_BAD_REQUEST);
    return 0;
  }
  int32_t bound = 0;
  float ratio = 0.0f;
  compute_procedure(*row, request, &bound, &ratio);
  fclose(request);
  // Departure from the classic procedure: the request goes even after a failure, so it never runs
  // twice.
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

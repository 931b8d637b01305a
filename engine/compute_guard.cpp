// Safeguards of the compute process: out-of-memory answer, signal clean-up, request screening.
#include "engine/compute_guard.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/catalogue.h"
#include "engine/cl_kep.h"
#include "engine/startup.h"
#include "model/des_file.h"
#include "model/mymalloc.h"

namespace {

// Enough for the standard streams and exit handlers once memory has run out.
const size_t RESERVE_BYTES = 64 * 1024;
void *reserve = nullptr;
char result_path[256];
char request_path[256];

[[noreturn]] void answer_out_of_memory() {
  free(reserve);
  reserve = nullptr;
  int fd = open(result_path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd >= 0) {
    char text[16];
    int len = snprintf(text, sizeof text, "%d\n", MURN_OUT_OF_MEMORY);
    ssize_t written = write(fd, text, static_cast<size_t>(len));
    (void)written;  // nothing more can be done without memory
    close(fd);
  }
  exit(0);
}

void on_new_failure() {
  answer_out_of_memory();
}

void remove_request() {
  unlink(request_path);
}

void on_fatal_signal(int signal_number) {
  des_file_discard_temp();
  remove_request();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// Reads one header number as cmdline_kep_run does (the number and the white space after it).
bool skip_header_number(FILE *request) {
  int value;
  return fscanf(request, "%d\n", &value) == 1;
}

// True unless a name line of the request (as many as the procedure has names) is refused.
bool request_names_ok() {
  FILE *request = fopen(request_path, "r");
  if (request == nullptr) return true;  // cmdline_kep_run answers that
  int code = 0;
  bool ok = true;
  if (skip_header_number(request) && skip_header_number(request) &&
      fscanf(request, "%d\n", &code) == 1) {
    const procedure_row *row = find_procedure(code);
    char name[256];
    for (int i = 0; row != nullptr && ok && i <= row->inputs; i++) {
      if (fgets(name, sizeof name, request) == nullptr) break;  // missing: answered later
      name[strcspn(name, "\n")] = '\0';
      ok = des_name_ok(name);
    }
  }
  fclose(request);
  return ok;
}

}  // namespace

void compute_guard_start() {
  get_rst_file();
  get_prm_file();
  memcpy(result_path, rst_file, sizeof result_path);
  memcpy(request_path, prm_file, sizeof request_path);
  reserve = malloc(RESERVE_BYTES);
  set_out_of_memory_handler(answer_out_of_memory);
  std::set_new_handler(on_new_failure);
  const int caught[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  for (int s : caught) signal(s, on_fatal_signal);
  signal(SIGXFSZ, SIG_IGN);
  if (request_path[0] != '\0') atexit(remove_request);
  remove_stale_temp_files(path);
  if (!request_names_ok()) {
    murn_result(MURN_MISSING_NAME);
    exit(0);
  }
}

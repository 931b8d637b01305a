// Safeguards of the compute process: out-of-memory answer, signal and exit clean-up.
#include "engine/compute_guard.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/progress_file.h"
#include "engine/protocol.h"
#include "engine/startup.h"
#include "model/des_file.h"
#include "model/mymalloc.h"

namespace {

// Enough for the standard streams and exit handlers once memory has run out.
const size_t RESERVE_BYTES = 64 * 1024;
void *reserve = nullptr;
char result_path[PROTOCOL_PATH];
char request_path[PROTOCOL_PATH];
char progress_path[PROTOCOL_PATH];
char capture_paths[2][PROTOCOL_PATH];  // murn.out and murn.err, gone with a starter that died
pid_t starter = 0;                     // the process that started this one

void on_new_failure() {
  murn_out_of_memory();
}

void remove_request() {
  unlink(request_path);
}

void on_fatal_signal(int signal_number) {
  des_file_discard_temp();
  remove_request();
  if (progress_path[0] != '\0') unlink(progress_path);
  if (getppid() != starter)
    for (const char *capture : capture_paths)
      if (capture[0] != '\0') unlink(capture);
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

}  // namespace

void murn_out_of_memory() {
  free(reserve);
  reserve = nullptr;
  if (result_path[0] == '\0' && get_rst_file() == 0)
    memcpy(result_path, rst_file, sizeof result_path);
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

void compute_guard_start() {
  const char *started_by = getenv(STARTER_VARIABLE);
  starter = started_by != nullptr ? static_cast<pid_t>(atol(started_by)) : getppid();
  get_rst_file();
  get_prm_file();
  memcpy(result_path, rst_file, sizeof result_path);
  memcpy(request_path, prm_file, sizeof request_path);
  if (progress_file_path(progress_path, sizeof progress_path) != 0) progress_path[0] = '\0';
  if (get_out_file() == 0) memcpy(capture_paths[0], outname, sizeof capture_paths[0]);
  if (get_err_file() == 0) memcpy(capture_paths[1], errname, sizeof capture_paths[1]);
  reserve = malloc(RESERVE_BYTES);
  set_out_of_memory_handler(murn_out_of_memory);
  std::set_new_handler(on_new_failure);
  const int caught[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  sigset_t unblocked;
  sigemptyset(&unblocked);
  for (int s : caught) {
    signal(s, on_fatal_signal);
    sigaddset(&unblocked, s);
  }
  sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);  // the starter blocks them until now
  signal(SIGXFSZ, SIG_IGN);
  if (request_path[0] != '\0') atexit(remove_request);
  remove_stale_temp_files(path);
}

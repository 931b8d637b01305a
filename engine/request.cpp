// Front-end side of the compute protocol: writing requests, running the compute process, reading
// its result.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/catalogue.h"
#include "engine/progress_file.h"
#include "engine/protocol.h"
#include "engine/startup.h"
#include "model/des_file.h"

char prm_file[PROTOCOL_PATH] = "";
char rst_file[PROTOCOL_PATH] = "";
char outname[PROTOCOL_PATH] = "";
char errname[PROTOCOL_PATH] = "";

namespace {

int protocol_path(char *dst, const char *name) {
  int written = snprintf(dst, PROTOCOL_PATH, "%s%s", prefix, name);
  if (written < 0 || written >= PROTOCOL_PATH) {
    dst[0] = '\0';
    return 1;
  }
  return 0;
}

void write_list(FILE *f, list_kind kind, const void *list, int count) {
  for (int i = 0; i < count; i++) {
    switch (kind) {
      case LIST_NONE:
        return;
      case LIST_EVENTS:
        fprintf(f, "%d\n", static_cast<const event_t *>(list)[i]);
        break;
      case LIST_STATE_PAIRS: {
        const state_pair &p = static_cast<const state_pair *>(list)[i];
        fprintf(f, "%ld %ld\n", static_cast<long>(p.data1), static_cast<long>(p.data2));
        break;
      }
      case LIST_QUADS: {
        const quad &q = static_cast<const quad *>(list)[i];
        fprintf(f, "%ld %d %ld %d\n", static_cast<long>(q.a), q.b, static_cast<long>(q.c), q.d);
        break;
      }
    }
  }
}

// Points descriptor `fd` at a new file `name` (write-only, created, truncated, mode 0600).
bool capture_output(int fd, const char *name) {
  int file = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (file < 0) return false;
  bool ok = dup2(file, fd) >= 0;
  close(file);
  return ok;
}

compute_watch current_watch = nullptr;
bool watch_own_group = false;
volatile sig_atomic_t interrupt_seen = 0;

void note_interrupt(int) {
  interrupt_seen = 1;
}

// Child side: default interrupt handling, optional capture, the user directory handed down, then
// the program in compute mode. In a process group of its own (a watched run of the front end) the
// interrupt key reaches only the waiting process, which asks before it ends the computation; the
// child then ignores the stop a background process gets for setting up the terminal.
[[noreturn]] void exec_compute_process(bool capture, bool own_group, pid_t parent) {
  // A front end that dies without a chance to act (SIGKILL) takes its computation with it: the
  // compute process gets the termination signal, which it answers by cleaning up and ending.
  // The signal stays blocked across exec until the compute process has its clean-up handlers.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGTERM);
  sigaddset(&ending, SIGHUP);
  sigprocmask(SIG_BLOCK, &ending, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(127);
  signal(SIGINT, SIG_DFL);
  signal(SIGQUIT, SIG_DFL);
  if (own_group) {
    setpgid(0, 0);
    signal(SIGTTOU, SIG_IGN);
  }
  if (capture &&
      (!capture_output(STDOUT_FILENO, outname) || !capture_output(STDERR_FILENO, errname)))
    _exit(127);
  char dir[sizeof prefix];  // the user directory in use, whatever the start-up file says
  snprintf(dir, sizeof dir, "%s", prefix);
  size_t len = strlen(dir);
  if (len > 1 && dir[len - 1] == '/') dir[len - 1] = '\0';
  setenv(USER_DIR_VARIABLE, dir, 1);
  char starter[16];
  snprintf(starter, sizeof starter, "%ld", static_cast<long>(parent));
  setenv(STARTER_VARIABLE, starter, 1);
  char *const args[] = {const_cast<char *>(argv0), const_cast<char *>("-cmdline"), nullptr};
  execvp(argv0, args);
  _exit(127);
}

// The hang-up or termination signal that arrived while a compute process ran, else 0.
volatile sig_atomic_t end_signal = 0;
volatile sig_atomic_t child_running = 0;
void (*restore_screen)() = nullptr;

[[noreturn]] void end_by_signal(int signal_number) {
  if (restore_screen != nullptr) restore_screen();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
  _exit(128 + signal_number);
}

void on_end_signal(int signal_number) {
  if (child_running) {
    end_signal = signal_number;
    return;
  }
  end_by_signal(signal_number);
}

void clean_after_cancel();

// Ends the compute process as the cancel does and waits for it.
void end_child(pid_t child, int *status, bool *waited) {
  compute_cancelled = 1;
  kill(child, SIGKILL);
  while (!(*waited = waitpid(child, status, 0) == child) && errno == EINTR) {
  }
}

// Starts the compute process and waits for it. Returns true when it ended with exit status 0.
bool run_compute_process() {
  if (argv0 == nullptr) return false;
  bool capture = !debug_mode;
  if (capture && (get_out_file() != 0 || get_err_file() != 0)) return false;
  fflush(stdout);
  fflush(stderr);
  struct sigaction ignore {
  }, old_int{}, old_quit{};
  ignore.sa_handler = current_watch != nullptr ? note_interrupt : SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  interrupt_seen = 0;
  compute_cancelled = 0;
  sigaction(SIGINT, &ignore, &old_int);
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGQUIT, &ignore, &old_quit);
  char progress_path[256];
  bool progress = progress_file_path(progress_path, sizeof progress_path) == 0;
  if (progress) remove(progress_path);
  bool own_group = current_watch != nullptr && watch_own_group;
  pid_t parent = getpid();
  child_running = 1;
  pid_t child = fork();
  if (child == 0) exec_compute_process(capture, own_group, parent);
  int status = -1;
  bool waited = false;
  if (child > 0 && current_watch != nullptr) {
    if (own_group) setpgid(child, child);
    struct timespec start, now, pause = {0, 50 * 1000 * 1000};
    clock_gettime(CLOCK_MONOTONIC, &start);
    double last_call = -1;
    while (!waited) {
      pid_t ended = waitpid(child, &status, WNOHANG);
      if (ended == child) {
        waited = true;
        break;
      }
      if (ended < 0 && errno != EINTR) break;
      if (end_signal) {
        end_child(child, &status, &waited);
        break;
      }
      clock_gettime(CLOCK_MONOTONIC, &now);
      double elapsed = static_cast<double>(now.tv_sec - start.tv_sec) +
                       static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
      if (elapsed - last_call >= 0.1) {
        last_call = elapsed;
        int seen = interrupt_seen;
        interrupt_seen = 0;
        if (current_watch(elapsed, seen) != 0) {
          end_child(child, &status, &waited);
          break;
        }
      }
      nanosleep(&pause, nullptr);
    }
  } else if (child > 0) {
    while (!(waited = waitpid(child, &status, 0) == child) && errno == EINTR) {
      if (end_signal) end_child(child, &status, &waited);
    }
  }
  child_running = 0;
  if (progress) remove(progress_path);
  sigaction(SIGINT, &old_int, nullptr);
  sigaction(SIGQUIT, &old_quit, nullptr);
  if (capture) {
    remove(outname);
    remove(errname);
  }
  if (end_signal) {
    clean_after_cancel();
    end_by_signal(end_signal);
  }
  return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Opens the result file for reading, or returns the negative code that says why not.
int open_result(FILE **f) {
  struct stat info;
  if (get_rst_file() != 0 || stat(rst_file, &info) != 0) return MURN_NO_RESULT;
  *f = fopen(rst_file, "r");
  return *f == nullptr ? MURN_RESULT_UNREADABLE : 0;
}

int held_directory = -1;  // descriptor of the user directory while held
int hold_depth = 0;

void notice_on_stderr(const char *line) {
  fprintf(stderr, "%s\n", line);
}

lock_wait_notice wait_notice = notice_on_stderr;

double seconds_since(const struct timespec &start) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec - start.tv_sec) +
         static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

}  // namespace

int compute_cancelled = 0;

void end_compute_on_signals(void (*restore)()) {
  restore_screen = restore;
  struct sigaction action {};
  action.sa_handler = on_end_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a wait for the compute process returns to look at the signal
  sigaction(SIGHUP, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void set_lock_wait_notice(lock_wait_notice notice) {
  wait_notice = notice != nullptr ? notice : notice_on_stderr;
}

int hold_user_directory() {
  if (hold_depth > 0) {
    hold_depth++;
    return 0;
  }
  int fd = open(prefix[0] != '\0' ? prefix : ".", O_RDONLY | O_DIRECTORY);
  if (fd < 0) return MURN_REQUEST_NOT_CREATED;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    char line[sizeof prefix + 80];
    snprintf(line, sizeof line, "Waiting for another sarv process working in %s ...", prefix);
    wait_notice(line);
    struct timespec start, pause = {0, 100 * 1000 * 1000};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        close(fd);
        return MURN_REQUEST_NOT_CREATED;
      }
      if (current_watch != nullptr && current_watch(seconds_since(start), 0) != 0) {
        close(fd);
        compute_cancelled = 1;
        return MURN_CHILD_FAILED;
      }
      nanosleep(&pause, nullptr);
    }
  }
  held_directory = fd;
  hold_depth = 1;
  return 0;
}

void release_user_directory() {
  if (hold_depth == 0 || --hold_depth > 0) return;
  close(held_directory);  // the compute process that inherited it has ended
  held_directory = -1;
}

void set_compute_watch(compute_watch watch, bool own_group) {
  current_watch = watch;
  watch_own_group = own_group;
}

int get_prm_file() {
  return protocol_path(prm_file, "murn.prm");
}
int get_rst_file() {
  return protocol_path(rst_file, "murn.rst");
}
int get_out_file() {
  return protocol_path(outname, "murn.out");
}
int get_err_file() {
  return protocol_path(errname, "murn.err");
}

int write_request(const procedure_row &row, const char *const *names, const void *list, int count) {
  if (get_prm_file() != 0) return MURN_REQUEST_NOT_CREATED;
  FILE *f = fopen(prm_file, "w");
  if (f == nullptr) return MURN_REQUEST_NOT_CREATED;
  fprintf(f, "%d\n%d\n%d\n", debug_mode, minflag, row.code);
  for (int i = 0; i <= row.inputs; i++) fprintf(f, "%s\n", names[i]);
  write_list(f, row.list, list, count);
  bool failed = ferror(f) != 0;
  if (fclose(f) != 0 || failed) return MURN_REQUEST_NOT_CREATED;
  return 0;
}

namespace {

// After a cancelled request: the request the killed compute process left and the temporary file
// it was writing through (no longer locked) are removed; the output itself is untouched.
void clean_after_cancel() {
  if (get_prm_file() == 0) remove(prm_file);
  remove_stale_temp_files(prefix);
}

}  // namespace

int run_request(procedure_id id, const char *const *names, const void *list, int count,
                int32_t *bound, float *ratio) {
  const procedure_row &row = procedure(id);
  compute_cancelled = 0;
  int held = hold_user_directory();
  if (held != 0) return held;
  if (get_rst_file() == 0) remove(rst_file);  // a result nobody read must not pass for this one
  int written = write_request(row, names, list, count);
  if (written != 0) {
    release_user_directory();
    return written;
  }
  int code;
  int32_t read_bound = 0;
  float read_ratio = 0.0f;
  if (row.result != RESULT_BOUND_RATIO)
    code = mySystem();
  else
    code = mySystem_supreduce(&read_bound, &read_ratio);
  if (bound != nullptr) *bound = read_bound;
  if (ratio != nullptr) *ratio = read_ratio;
  if (compute_cancelled) clean_after_cancel();
  release_user_directory();
  return code;
}

int get_murn_result() {
  FILE *f = nullptr;
  int code = open_result(&f);
  if (code != 0) return code;
  if (fscanf(f, "%d", &code) != 1) code = MURN_RESULT_GARBLED;
  fclose(f);
  remove(rst_file);
  return code;
}

int get_murn_result_supreduce(int32_t *bound, float *ratio) {
  *bound = 0;
  *ratio = 0.0f;
  FILE *f = nullptr;
  int code = open_result(&f);
  if (code != 0) return code;
  long read_bound = 0;
  float read_ratio = 0.0f;
  if (fscanf(f, "%d", &code) != 1) {
    code = MURN_RESULT_GARBLED;
  } else if (code == MURN_OK) {
    if (fscanf(f, "%ld %f", &read_bound, &read_ratio) == 2) {
      *bound = static_cast<int32_t>(read_bound);
      *ratio = read_ratio;
    } else {
      code = MURN_RESULT_GARBLED;
    }
  }
  fclose(f);
  remove(rst_file);
  return code;
}

int mySystem() {
  if (!run_compute_process()) return MURN_CHILD_FAILED;
  return get_murn_result();
}

int mySystem_supreduce(int32_t *bound, float *ratio) {
  *bound = 0;
  *ratio = 0.0f;
  if (!run_compute_process()) return MURN_CHILD_FAILED;
  return get_murn_result_supreduce(bound, ratio);
}

// The named request functions of the rows.
#define PROCEDURE(ID, SHAPE, request_function, ...) \
  SHAPE(request_function) {                         \
    SHAPE##_BODY(PROC_##ID)                         \
  }
#include "engine/procedures.def"

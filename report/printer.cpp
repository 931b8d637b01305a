// Text reports of DES and DAT files, and print jobs handed to the `lpr` spooler.
#include "report/printer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "model/des_supp.h"

extern char **environ;

namespace {

bool all_marked(const state_node *states, state_t n) {
  for (state_t s = 0; s < n; s++)
    if (!states[s].marked) return false;
  return true;
}

}  // namespace

void print_des_stat_header(FILE *stream, const char *name, state_t n, state_t initial) {
  fprintf(stream, "%s    # states: %d", name, n);
  if (n == 0)
    fprintf(stream, "    state set: empty     initial state: none\n");
  else
    fprintf(stream, "    state set: 0 ... %d    initial state: %d\n", n - 1, initial);
  fputc('\n', stream);
}

void print_marker_states(FILE *stream, const state_node *states, state_t n) {
  fprintf(stream, "marker states:       \n\n");
  long count = 0;
  for (state_t s = 0; s < n; s++) {
    if (!states[s].marked) continue;
    fprintf(stream, "%7d ", s);
    if (++count % 8 == 0) fputc('\n', stream);
  }
  fputc('\n', stream);
}

void print_vocal_output(FILE *stream, const state_node *states, state_t n) {
  const char *format = n <= 100000    ? "[%5ld,%4d]   "
                       : n <= 1000000 ? "[%6ld,%4d]  "
                                      : "[%7ld,%4d] ";
  fprintf(stream, "\nvocal states:       \n");
  long count = 0;
  for (state_t s = 0; s < n; s++) {
    if (states[s].vocal == 0) continue;
    fprintf(stream, format, static_cast<long>(s), static_cast<int>(states[s].vocal));
    if (++count % 5 == 0) fputc('\n', stream);
  }
  fputc('\n', stream);
}

void print_transitions(FILE *stream, const state_node *states, state_t n) {
  fprintf(stream, "\n# transitions: %ld\n\ntransitions: \n\n", num_transitions(states, n));
  long count = 0;
  for (state_t s = 0; s < n; s++) {
    for (int j = 0; j < states[s].numelts; j++) {
      tran_entry t = states[s].next[j];
      fprintf(stream, "[%5ld,%3d,%5ld]  ", static_cast<long>(s), static_cast<int>(t.event()),
              static_cast<long>(t.target()));
      if (++count % 4 == 0) fputc('\n', stream);
    }
  }
  fputc('\n', stream);
}

int des_text_report(FILE *stream, const char *name, const state_node *states, state_t n,
                    state_t initial, des_report_variant variant) {
  print_des_stat_header(stream, name, n, initial);
  if (variant == REPORT_PRINT && all_marked(states, n))
    fprintf(stream, n > 0 ? "marker states: all\n\n" : "marker states: none\n\n");
  else if (num_mark_states(states, n) == 0)
    fprintf(stream, "marker states: none\n\n");
  else
    print_marker_states(stream, states, n);

  if (num_vocal_output(states, n) > 0)
    print_vocal_output(stream, states, n);
  else
    fprintf(stream, "\nvocal states: none\n\n");

  if (num_transitions(states, n) == 0)
    fprintf(stream, "transition table : empty\n");
  else
    print_transitions(stream, states, n);
  return ferror(stream) ? 1 : 0;
}

void print_dat_header_stat(FILE *stream, const char *name) {
  fprintf(stream,
          "%s\n\n\n"
          "Control data are displayed as a list of supervisor states\n"
          "where disabling occurs, together with the events that must\n"
          "be disabled there.\n\n"
          "control data:\n",
          name);
}

// Each state with events opens a line of its own, four blanks in, as "state:" and its events,
// 13 on the first line and 12 on each continuation line (nine blanks in). A block of at most 6
// events joins the line of the block before when that one opened the line and also had at most
// 6 events; the first block is then padded to 7 event slots.
void print_dat(FILE *stream, const state_node *states, state_t n) {
  fputc('\n', stream);
  bool previous_opened = false;
  int previous_count = 0;
  for (state_t s = 0; s < n; s++) {
    int count = states[s].numelts;
    if (count == 0) continue;
    if (previous_opened && previous_count <= 6 && count <= 6) {
      for (int slot = previous_count; slot < 7; slot++) fprintf(stream, "%5s", "");
      previous_opened = false;
    } else {
      fputs("\n    ", stream);
      previous_opened = true;
    }
    fprintf(stream, "%4d:", s);
    for (int j = 0; j < count; j++) {
      fprintf(stream, "%4d ", static_cast<int>(states[s].next[j].event()));
      if (j + 1 >= 13 && (j + 1 - 13) % 12 == 0 && j + 1 < count) fputs("\n         ", stream);
    }
    previous_count = count;
  }
  fputc('\n', stream);
}

int dat_text_report(FILE *stream, const char *name, const state_node *states, state_t n) {
  print_dat_header_stat(stream, name);
  if (num_transitions(states, n) == 0) {
    fprintf(stream, "empty.\n");
  } else {
    print_dat(stream, states, n);
    fputc('\n', stream);
  }
  return ferror(stream) ? 1 : 0;
}

int copy_text_report(FILE *in, FILE *out) {
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
    if (fwrite(buffer, 1, got, out) != got) return 1;
  fputc('\n', out);
  return ferror(in) || ferror(out) ? 1 : 0;
}

int print_job_open(report_file *pj) {
  pj->stream = nullptr;
  pj->path[0] = '\0';
  const char *dir = getenv("TMPDIR");
  if (dir == nullptr || dir[0] == '\0') dir = "/tmp";
  int len = snprintf(pj->temp, sizeof pj->temp, "%s/sarv-print.XXXXXX", dir);
  if (len < 0 || static_cast<size_t>(len) >= sizeof pj->temp) {
    pj->temp[0] = '\0';
    return PRINT_WRITE_FAILED;
  }
  int fd = mkstemp(pj->temp);
  if (fd >= 0) pj->stream = fdopen(fd, "w+");
  if (pj->stream == nullptr) {
    if (fd >= 0) {
      close(fd);
      unlink(pj->temp);
    }
    pj->temp[0] = '\0';
    return PRINT_WRITE_FAILED;
  }
  return PRINT_OK;
}

namespace {

// Runs argv[0] (searched on PATH) with stdin from `in_fd` (or /dev/null when -1), stdout
// discarded and stderr into `err_fd`, and waits for it. Returns PRINT_OK, PRINT_NO_SPOOLER when
// the command cannot be started (or the shell's 127, "command not found") or
// PRINT_SPOOLER_FAILED with *exit_status set.
int run_command(char *const argv[], int in_fd, int err_fd, int *exit_status) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return PRINT_NO_SPOOLER;
  if (in_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, in_fd, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return PRINT_NO_SPOOLER;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return PRINT_SPOOLER_FAILED;
  *exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (*exit_status == 127) return PRINT_NO_SPOOLER;
  return *exit_status == 0 ? PRINT_OK : PRINT_SPOOLER_FAILED;
}

// run_command with the first line of the command's error output (or its exit status) in
// `detail` when it fails.
int run_reporting(char *const argv[], int in_fd, char *detail, size_t size) {
  if (detail != nullptr && size > 0) detail[0] = '\0';
  FILE *errors = tmpfile();
  if (errors == nullptr) return PRINT_WRITE_FAILED;
  int exit_status = 0;
  int result = run_command(argv, in_fd, fileno(errors), &exit_status);
  if (result == PRINT_SPOOLER_FAILED && detail != nullptr && size > 0) {
    rewind(errors);
    if (fgets(detail, static_cast<int>(size), errors) != nullptr)
      detail[strcspn(detail, "\n")] = '\0';
    else
      snprintf(detail, size, "exit status %d", exit_status);
  }
  fclose(errors);
  return result;
}

}  // namespace

int print_job_submit(report_file *pj, char *detail, size_t size) {
  if (detail != nullptr && size > 0) detail[0] = '\0';
  if (pj->stream == nullptr) return PRINT_WRITE_FAILED;
  int result = PRINT_WRITE_FAILED;
  if (fflush(pj->stream) == 0 && !ferror(pj->stream) &&
      lseek(fileno(pj->stream), 0, SEEK_SET) == 0) {
    char arg0[] = "lpr";
    char *argv[] = {arg0, nullptr};
    result = run_reporting(argv, fileno(pj->stream), detail, size);
  }
  report_abort(pj);
  return result;
}

int ps_to_pdf(const char *ps_path, const char *pdf_path, char *detail, size_t size) {
  report_file pdf;
  if (report_open(&pdf, pdf_path) != 0) return PRINT_WRITE_FAILED;
  char arg0[] = "ps2pdf";
  char *argv[] = {arg0, const_cast<char *>(ps_path), pdf.temp, nullptr};
  int result = run_reporting(argv, -1, detail, size);
  if (result == PRINT_OK && report_commit(&pdf) != 0) result = PRINT_WRITE_FAILED;
  if (result != PRINT_OK) report_abort(&pdf);
  return result;
}

bool ps2pdf_available() {
  const char *path = getenv("PATH");
  if (path == nullptr) return false;
  for (const char *dir = path;; dir = strchr(dir, ':') + 1) {
    size_t len = strcspn(dir, ":");
    char candidate[1024];
    if (len > 0 && len + 8 < sizeof candidate) {
      snprintf(candidate, sizeof candidate, "%.*s/ps2pdf", static_cast<int>(len), dir);
      if (access(candidate, X_OK) == 0) return true;
    }
    if (dir[len] == '\0') return false;
  }
}

// Measurements shared by the benchmarks: wall-clock and processor time of a phase, peak resident
// memory, and running a case in a child process so that its peak memory is its own.
#ifndef SARV_BENCH_MEASURE_H
#define SARV_BENCH_MEASURE_H

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

inline double now_seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor time (user and system) of this process so far.
inline double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Wall-clock and processor seconds since construction: on a shared machine the processor time
// is the steadier figure.
struct stopwatch {
  double wall0 = now_seconds(), cpu0 = cpu_seconds();
  double wall() const { return now_seconds() - wall0; }
  double cpu() const { return cpu_seconds() - cpu0; }
  void stop(double *wall_s, double *cpu_s) const {
    *wall_s = wall();
    *cpu_s = cpu();
  }
};

// Largest resident set of this process so far, in MiB.
inline double peak_rss_mib() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Runs `run_case` in a child process and waits for it. Returns false when the child did not end
// normally (crashed, killed, or ran out of memory outside the wrappers).
template <typename Case>
bool run_in_child(Case run_case) {
  fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    run_case();
    fflush(stdout);
    _exit(0);
  }
  int status;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#endif

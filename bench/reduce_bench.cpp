// Speed and memory of Supreduce on the Supcon supervisors of transfer lines (bench/plants.h), and
// of Supnorm and Supscop on line plants with a few unobservable events. Each case runs in its
// own child process so that its peak resident memory (getrusage, inputs included) is its own.
// Prints one Markdown table row per case.
// Usage: reduce_bench [--before OLD_SARV] [quick | reduce MACHINES CAPACITY [LAST] |
//                      supnorm MACHINES [pairwise] | supscop MACHINES [pairwise]]
// "pairwise" sets the minimization switch to the pairwise method (as "M" does) before the run.
// With --before, each Supreduce case runs twice as `sarv -run`, by OLD_SARV (a build of an
// earlier version) and by the sarv built beside this benchmark, and the Supnorm and Supscop
// cases are left out.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "algo/des_proc.h"
#include "algo/normality.h"
#include "algo/product.h"
#include "algo/reduce.h"
#include "algo/supcon.h"
#include "bench/measure.h"
#include "bench/plants.h"
#include "model/des_file.h"

namespace {

void print_row(const char *op, const char *name, const char *inputs, state_t states,
               const char *extra, double seconds, double cpu, double rss = peak_rss_mib()) {
  printf("| %s | %s | %s | %d | %s | %.2f | %.2f | %.0f |\n", op, name, inputs, states, extra,
         seconds, cpu, rss);
  fflush(stdout);
}

// FNV-1a hash of a file's bytes (0 when it cannot be read), to tell equal results apart.
unsigned long long file_hash(const std::string &path) {
  FILE *f = fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  unsigned long long h = 14695981039346656037ull;
  for (int c; (c = fgetc(f)) != EOF;) h = (h ^ static_cast<unsigned>(c)) * 1099511628211ull;
  fclose(f);
  return h;
}

// Runs `program -run` on a one-line script in the user directory `dir` and measures the whole
// run (front end and compute process): wall seconds, processor seconds and peak RSS in MiB.
bool run_script(const char *program, const char *dir, const char *line, double *wall, double *cpu,
                double *rss) {
  std::string script = std::string(dir) + "/script.txt";
  FILE *f = fopen(script.c_str(), "w");
  if (f == nullptr) return false;
  fprintf(f, "%s\n", line);
  fclose(f);
  double start = now_seconds();
  pid_t child = fork();
  if (child == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execl(program, program, "-run", script.c_str(), "-d", dir, static_cast<char *>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return false;
  *wall = now_seconds() - start;
  *cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  *rss = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The lower bound of the last Supreduce entry in the user directory's log ("slb=N"), or -1.
int logged_bound(const char *dir) {
  FILE *f = fopen((std::string(dir) + "/makeit.txt").c_str(), "r");
  int bound = -1;
  char line[512];
  while (f != nullptr && fgets(line, sizeof line, f) != nullptr)
    if (const char *at = strstr(line, "slb=")) bound = atoi(at + 4);
  if (f != nullptr) fclose(f);
  return bound;
}

// The sarv binaries compared by `reduce_bench --before OLD_SARV`: the given one, and the one
// built beside this benchmark.
const char *before_program = nullptr;
std::string after_program;

// Supreduce of the line's supervisor, from files in a scratch user directory. With a program to
// compare, both programs run it as `sarv -run` (whole process, same inputs, one after the other)
// and the rows say whether their results are the same bytes; else it runs in this process.
void bench_reduce(int machines, int capacity, int last) {
  if (!run_in_child([&] {
        char dir[] = "/tmp/sarv_reduce_benchXXXXXX";
        if (mkdtemp(dir) == nullptr) return;
        snprintf(prefix, sizeof prefix, "%s/", dir);
        bench_des plant = make_line_plant(machines);
        bench_des sup = run_supcon(plant, make_line_spec(machines, capacity, last));
        bench_des m, d;
        pair_code_t *codes;
        meet2(plant.n, plant.des, sup.n, sup.des, &m.n, &m.des, nullptr, &codes);
        condat1(plant.des, plant.n, sup.n, m.n, m.des, &d.n, &d.des, codes);
        free(codes);
        freedes(m.n, &m.des);
        filedes("PLANT", plant.n, 0, plant.des);
        filedes("SUP", sup.n, 0, sup.des);
        filedes("SUPDAT", d.n, -1, d.des);
        char name[64], inputs[64], extra[96];
        snprintf(name, sizeof name, "line %d machines, buffers %d (last %d)", machines, capacity,
                 last);
        snprintf(inputs, sizeof inputs, "(%d, %lld)", sup.n,
                 static_cast<long long>(count_tran(sup.des, sup.n)));
        freedes(plant.n, &plant.des);
        freedes(sup.n, &sup.des);
        freedes(d.n, &d.des);
        auto result_states = [](const char *des) {
          state_t n = 0, init = 0;
          state_node *red = nullptr;
          getdes(des, &n, &init, &red);
          freedes(n, &red);
          return n;
        };
        if (before_program != nullptr) {
          unsigned long long hash[2] = {0, 0};
          const char *out[2] = {"RB", "RA"};
          const char *program[2] = {before_program, after_program.c_str()};
          for (int k = 0; k < 2; k++) {
            char line[64];
            double wall = 0, cpu = 0, rss = 0;
            snprintf(line, sizeof line, "%s = Supreduce(PLANT,SUP,SUPDAT)", out[k]);
            bool ran = run_script(program[k], dir, line, &wall, &cpu, &rss);
            hash[k] = file_hash(std::string(dir) + "/" + out[k] + ".des");
            snprintf(extra, sizeof extra, "%s, bound %d%s", k == 0 ? "before" : "after",
                     logged_bound(dir),
                     !ran                 ? ", failed"
                     : k == 0             ? ""
                     : hash[0] == hash[1] ? ", same DES3"
                                          : ", DES3 differs");
            print_row("Supreduce", name, inputs, result_states(out[k]), extra, wall, cpu, rss);
          }
        } else {
          int32_t bound = 0;
          float ratio = 0;
          stopwatch clock;
          int status = supreduce("PLANT", "SUP", "SUPDAT", "RED", &bound, &ratio);
          double wall, cpu;
          clock.stop(&wall, &cpu);
          snprintf(extra, sizeof extra, "bound %d, ratio %.1f, status %d, hash %016llx", bound,
                   ratio, status, file_hash(std::string(dir) + "/RED.des"));
          print_row("Supreduce", name, inputs, result_states("RED"), extra, wall, cpu);
        }
        std::filesystem::remove_all(dir);
      }))
    printf("| Supreduce | (case failed) |\n");
}

// E: buffer 1 (capacity 2) between machines 1 and 2, selflooped with every other event of the
// line; the break events of machines 1 and 2 are unobservable.
bench_des one_buffer_spec(int machines) {
  bench_des spec = make_buffer(1, 2);
  std::vector<event_t> others;
  for (int i = 1; i <= machines; i++)
    for (event_t e : {start_event(i), finish_event(i), repair_event(i), break_event(i)})
      if (e != finish_event(1) && e != start_event(2)) others.push_back(e);
  std::sort(others.begin(), others.end());
  gentran(static_cast<uint16_t>(others.size()), others.data(), spec.n, spec.des);
  return spec;
}

void bench_normal(bool scop, int machines) {
  if (!run_in_child([&] {
        bench_des plant = make_line_plant(machines), spec = one_buffer_spec(machines);
        event_t nulls[] = {break_event(1), break_event(2)};
        char name[96], inputs[64], extra[64];
        snprintf(name, sizeof name, "line %d machines, breaks of 1 and 2 unobservable%s", machines,
                 minflag ? "" : ", switch pairwise");
        snprintf(inputs, sizeof inputs, "(%d, %lld) x (%d, %lld)", plant.n,
                 static_cast<long long>(count_tran(plant.des, plant.n)), spec.n,
                 static_cast<long long>(count_tran(spec.des, spec.n)));
        bench_des out;
        stopwatch clock;
        int status = (scop ? suprema_normal_scop : suprema_normal)(
            spec.des, spec.n, plant.des, plant.n, &out.des, &out.n, nulls, 2);
        double wall, cpu;
        clock.stop(&wall, &cpu);
        snprintf(extra, sizeof extra, "%lld transitions, status %d",
                 static_cast<long long>(count_tran(out.des, out.n)), status);
        print_row(scop ? "Supscop" : "Supnorm", name, inputs, out.n, extra, wall, cpu);
      }))
    printf("| %s | (case failed) |\n", scop ? "Supscop" : "Supnorm");
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 3 && strcmp(argv[1], "--before") == 0) {
    before_program = argv[2];
    after_program = (std::filesystem::path(argv[0]).parent_path() / "sarv").string();
    argc -= 2;
    argv += 2;
  }
  bool quick = argc > 1 && strcmp(argv[1], "quick") == 0;
  printf(
      "| procedure | case | input (states, transitions) | result states | result | seconds "
      "| CPU seconds | peak RSS MiB |\n|---|---|---|---|---|---|---|---|\n");
  if (argc >= 3 && strcmp(argv[1], "reduce") == 0) {
    int capacity = argc > 3 ? atoi(argv[3]) : 2;
    bench_reduce(atoi(argv[2]), capacity, argc > 4 ? atoi(argv[4]) : capacity);
    return 0;
  }
  if (argc >= 3) {
    if (argc > 3 && strcmp(argv[3], "pairwise") == 0) minflag = 0;
    bench_normal(strcmp(argv[1], "supscop") == 0, atoi(argv[2]));
    return 0;
  }
  bench_reduce(4, 2, 2);
  if (before_program == nullptr) bench_normal(false, 8);
  if (quick) return 0;
  bench_reduce(5, 2, 3);
  bench_reduce(5, 3, 3);
  bench_reduce(5, 4, 5);
  if (before_program != nullptr) return 0;
  for (int m : {9, 10}) bench_normal(false, m);
  for (int m : {8, 9}) bench_normal(true, m);
  return 0;
}

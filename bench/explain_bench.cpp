// Cost of explaining a Supcon against Supcon itself, on transfer lines of machines and buffers
// (bench/plants.h) whose meet has up to about a million states. Each measurement runs in its own
// child process (peak resident memory its own, inputs included). Prints one Markdown table row
// per case. Usage: explain_bench [quick]   ("quick" runs only the small case)
#include <cstdio>
#include <cstring>

#include "algo/explain.h"
#include "bench/measure.h"
#include "bench/plants.h"

namespace {

struct line {
  int machines, capacity, last;
};

struct timing {
  double seconds = 0, cpu = 0, rss = 0;
  long meet = 0, kept = 0;
};

// Runs `measure` on a fresh plant and specification in a child; its timing comes back through a
// pipe.
template <typename Measure>
bool timed(const line &l, Measure measure, timing *t) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  bool ok = run_in_child([&] {
    bench_des plant = make_line_plant(l.machines);
    bench_des spec = make_line_spec(l.machines, l.capacity, l.last);
    timing mine;
    stopwatch clock;
    measure(plant, spec, &mine);
    clock.stop(&mine.seconds, &mine.cpu);
    mine.rss = peak_rss_mib();
    if (write(fds[1], &mine, sizeof mine) != static_cast<ssize_t>(sizeof mine)) _exit(1);
  });
  ok = ok && read(fds[0], t, sizeof *t) == static_cast<ssize_t>(sizeof *t);
  close(fds[0]);
  close(fds[1]);
  return ok;
}

void bench_line(const line &l) {
  timing sup, why;
  bool ok = timed(
      l,
      [](bench_des plant, bench_des spec, timing *t) {
        bench_des s = run_supcon(plant, spec);
        t->kept = s.n;
      },
      &sup);
  ok = ok && timed(
                 l,
                 [](bench_des plant, bench_des spec, timing *t) {
                   explanation e;
                   explain_supcon(plant.n, plant.des, spec.n, spec.des, &e);
                   t->meet = e.states;
                   t->kept = e.survivors;
                 },
                 &why);
  if (!ok || sup.kept != why.kept) {
    printf("| line %d machines, buffers %d (last %d) | (case failed) |\n", l.machines, l.capacity,
           l.last);
    return;
  }
  printf(
      "| line %d machines, buffers %d (last %d) | %ld | %ld | %.3f | %.3f | %.0f | %.3f | %.3f "
      "| %.0f | %.2f |\n",
      l.machines, l.capacity, l.last, why.meet, why.kept, sup.seconds, sup.cpu, sup.rss,
      why.seconds, why.cpu, why.rss, why.cpu / sup.cpu);
  fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
  bool quick = argc > 1 && strcmp(argv[1], "quick") == 0;
  printf(
      "| case | meet states | Supcon states | Supcon s | Supcon CPU s | Supcon RSS MiB "
      "| explain s | explain CPU s | explain RSS MiB | CPU ratio |\n"
      "|---|---|---|---|---|---|---|---|---|---|\n");
  const line lines[] = {{5, 3, 3}, {6, 3, 3}, {6, 3, 4}, {7, 2, 2}};
  for (const line &l : lines) {
    bench_line(l);
    if (quick) break;
  }
  return 0;
}

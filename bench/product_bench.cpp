// Speed and memory of Sync, Meet, Supcon and Condat on transfer lines of machines and buffers
// (bench/plants.h). Each case runs in its own child process so that its peak resident memory
// (getrusage, inputs included) is its own. Prints one Markdown table row per case.
// Usage: product_bench [quick | OP MACHINES CAPACITY [LAST]]   ("quick" runs only the small cases)
//        product_bench files DIR MACHINES CAPACITY [LAST]
// The files form writes the line's plant and specification as PLANT.des and SPEC.des into the
// directory DIR, with the compute requests meet.prm, sync.prm and supcon.prm (output OUT), so
// that a whole compute process can be timed: copy one to murn.prm and run
// SARV_USER_DIR=DIR sarv -cmdline. It also writes MORE.des, the next MACHINES machines of a
// longer line (their events are disjoint from PLANT's), and limit.prm, the Sync of PLANT and MORE,
// whose (3^MACHINES)^2 states pass the state limit from 7 machines on.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "algo/supcon.h"
#include "bench/measure.h"
#include "bench/plants.h"
#include "model/des_data.h"
#include "model/des_file.h"

namespace {

// A transfer line: machines, buffer capacity, and the last buffer's capacity.
struct line {
  int machines;
  int capacity;
  int last;
};

void line_name(char *out, size_t size, const line &l, const char *suffix) {
  if (l.last == l.capacity)
    snprintf(out, size, "line %d machines, buffers %d%s", l.machines, l.capacity, suffix);
  else
    snprintf(out, size, "line %d machines, buffers %d (last %d)%s", l.machines, l.capacity, l.last,
             suffix);
}

bench_des line_spec(const line &l) {
  return make_line_spec(l.machines, l.capacity, l.last);
}

struct row {
  const char *op;
  char name[64];
  char inputs[96];
  state_t states;
  int64_t transitions;
  double seconds;
  double cpu;
  int64_t produced;  // product transitions built, for the rate column; 0 = no rate
};

void print_row(const row &r) {
  char rate[32] = "";
  if (r.produced > 0)
    snprintf(rate, sizeof rate, "%.1f", static_cast<double>(r.produced) / r.cpu / 1e6);
  printf("| %s | %s | %s | %d | %lld | %.3f | %.3f | %s | %.0f |\n", r.op, r.name, r.inputs,
         r.states, static_cast<long long>(r.transitions), r.seconds, r.cpu, rate, peak_rss_mib());
  fflush(stdout);
}

void describe(char *out, size_t size, const bench_des &a, const bench_des &b) {
  snprintf(out, size, "(%d, %lld) x (%d, %lld)", a.n,
           static_cast<long long>(count_tran(a.des, a.n)), b.n,
           static_cast<long long>(count_tran(b.des, b.n)));
}

// Runs `body` in a child process; a case that fails gets a row saying so.
void in_child(const std::function<void()> &body) {
  if (!run_in_child(body)) printf("| (case failed) |\n");
}

// The last step of building a line plant: machines 1..m-1 in parallel, synchronised with one
// more machine (disjoint alphabets: the full interleaving).
void bench_sync(int machines) {
  in_child([&] {
    bench_des a = make_line_plant(machines - 1), b = make_machine(machines);
    row r{"Sync", "", "", 0, 0, 0, 0, 0};
    snprintf(r.name, sizeof r.name, "line of %d machines, last step", machines);
    describe(r.inputs, sizeof r.inputs, a, b);
    bench_des p;
    stopwatch clock;
    sync2(a.n, a.des, b.n, b.des, &p.n, &p.des, nullptr, nullptr);
    clock.stop(&r.seconds, &r.cpu);
    r.states = p.n;
    r.produced = r.transitions = count_tran(p.des, p.n);
    print_row(r);
  });
}

// Many small components: the whole line plant built machine by machine.
void bench_sync_chain(int machines) {
  in_child([&] {
    row r{"Sync", "", "", 0, 0, 0, 0, 0};
    snprintf(r.name, sizeof r.name, "%d machines one by one", machines);
    snprintf(r.inputs, sizeof r.inputs, "%d x (3, 4)", machines);
    stopwatch clock;
    bench_des p = make_line_plant(machines);
    clock.stop(&r.seconds, &r.cpu);
    r.states = p.n;
    r.transitions = count_tran(p.des, p.n);
    print_row(r);
  });
}

void bench_meet(const line &l, bool hashed) {
  in_child([&] {
    bench_des plant = make_line_plant(l.machines), spec = line_spec(l);
    if (hashed) product_dense_limit = 0;
    row r{"Meet", "", "", 0, 0, 0, 0, 0};
    line_name(r.name, sizeof r.name, l, hashed ? ", hashed index" : "");
    describe(r.inputs, sizeof r.inputs, plant, spec);
    bench_des m;
    product_index *index;
    pair_code_t *codes;
    stopwatch clock;
    meet2(plant.n, plant.des, spec.n, spec.des, &m.n, &m.des, &index, &codes);
    clock.stop(&r.seconds, &r.cpu);
    r.states = m.n;
    r.produced = r.transitions = count_tran(m.des, m.n);
    print_row(r);
  });
}

void bench_supcon(const line &l) {
  in_child([&] {
    bench_des plant = make_line_plant(l.machines), spec = line_spec(l);
    row r{"Supcon", "", "", 0, 0, 0, 0, 0};
    line_name(r.name, sizeof r.name, l, "");
    describe(r.inputs, sizeof r.inputs, plant, spec);
    stopwatch clock;
    bench_des s = run_supcon(plant, spec);
    clock.stop(&r.seconds, &r.cpu);
    r.states = s.n;
    r.transitions = count_tran(s.des, s.n);
    print_row(r);
  });
}

// Condat as the compute engine runs it, for the line's supervisor (computed first, untimed).
void bench_condat(const line &l) {
  in_child([&] {
    bench_des plant = make_line_plant(l.machines);
    bench_des sup = run_supcon(plant, line_spec(l));
    row r{"Condat", "", "", 0, 0, 0, 0, 0};
    line_name(r.name, sizeof r.name, l, "");
    describe(r.inputs, sizeof r.inputs, plant, sup);
    stopwatch clock;
    bench_des m, d;
    pair_code_t *codes;
    meet2(plant.n, plant.des, sup.n, sup.des, &m.n, &m.des, nullptr, &codes);
    condat1(plant.des, plant.n, sup.n, m.n, m.des, &d.n, &d.des, codes);
    clock.stop(&r.seconds, &r.cpu);
    r.states = d.n;
    r.transitions = count_tran(d.des, d.n);
    if (!compute_controllable(d.des, d.n)) snprintf(r.name + strlen(r.name), 20, " (UNCONTR.)");
    print_row(r);
  });
}

// Writes the inputs and requests of the files form; 1 when a file cannot be written.
int write_files(int argc, char **argv) {
  int capacity = atoi(argv[4]);
  snprintf(prefix, sizeof prefix, "%s/", argv[2]);
  bench_des plant = make_line_plant(atoi(argv[3]));
  bench_des spec = make_line_spec(atoi(argv[3]), capacity, argc > 5 ? atoi(argv[5]) : capacity);
  std::vector<bench_des> parts;
  for (int i = atoi(argv[3]) + 1; i <= 2 * atoi(argv[3]); i++) parts.push_back(make_machine(i));
  bench_des more = sync_all(parts);
  int failed = filedes("PLANT", plant.n, 0, plant.des) | filedes("SPEC", spec.n, 0, spec.des) |
               filedes("MORE", more.n, 0, more.des);
  const struct {
    const char *file;
    int code;
    const char *second;
  } requests[] = {{"sync.prm", 3, "SPEC"},
                  {"meet.prm", 4, "SPEC"},
                  {"supcon.prm", 5, "SPEC"},
                  {"limit.prm", 3, "MORE"}};
  for (const auto &r : requests) {
    char path[sizeof prefix + 16];
    snprintf(path, sizeof path, "%s%s", prefix, r.file);
    FILE *f = fopen(path, "w");
    if (f == nullptr || fprintf(f, "0\n1\n%d\nPLANT\n%s\nOUT\n", r.code, r.second) < 0 ||
        fclose(f) != 0)
      failed = 1;
  }
  freedes(more.n, &more.des);
  freedes(plant.n, &plant.des);
  freedes(spec.n, &spec.des);
  return failed != 0;
}

// One case from the command line: OP MACHINES CAPACITY [LAST], OP one of sync, meet, hashmeet,
// supcon, condat (sync ignores the capacities).
int run_one(int argc, char **argv) {
  int capacity = atoi(argv[3]);
  line l{atoi(argv[2]), capacity, argc > 4 ? atoi(argv[4]) : capacity};
  if (strcmp(argv[1], "sync") == 0)
    bench_sync(l.machines);
  else if (strcmp(argv[1], "meet") == 0)
    bench_meet(l, false);
  else if (strcmp(argv[1], "hashmeet") == 0)
    bench_meet(l, true);
  else if (strcmp(argv[1], "supcon") == 0)
    bench_supcon(l);
  else if (strcmp(argv[1], "condat") == 0)
    bench_condat(l);
  else
    return 2;
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 5 && strcmp(argv[1], "files") == 0) return write_files(argc, argv);
  bool quick = argc > 1 && strcmp(argv[1], "quick") == 0;
  printf(
      "| procedure | case | inputs (states, transitions) | result states | result transitions "
      "| seconds | CPU seconds | M product transitions per CPU s | peak RSS MiB |\n");
  printf("|---|---|---|---|---|---|---|---|---|\n");
  if (argc >= 4) return run_one(argc, argv);
  std::vector<line> lines = {{4, 2, 2}, {5, 3, 3}, {6, 2, 2}};
  if (!quick) lines.insert(lines.end(), {{6, 3, 3}, {6, 3, 4}, {7, 2, 2}});
  for (int m : quick ? std::vector<int>{8} : std::vector<int>{8, 11, 13}) bench_sync(m);
  for (int m : quick ? std::vector<int>{8} : std::vector<int>{10, 13}) bench_sync_chain(m);
  for (const line &l : lines) bench_meet(l, false);
  bench_meet(lines.back(), true);
  for (const line &l : lines) bench_supcon(l);
  for (const line &l : lines) bench_condat(l);
  return 0;
}

// Throughput of generator files (.gen): exports a DES of 1,000,000 states and 10,000,000
// transitions to a .gen file, imports it back through the file-level entry points (user directory
// in /tmp), checks that the DES came back unchanged, and reports seconds and MB/s.
// Usage: gen_bench [states [transitions-per-state]]
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "bench/measure.h"
#include "bench/wide_des.h"
#include "model/des_data.h"
#include "model/des_file.h"
#include "model/gen_format.h"
#include "model/mymalloc.h"

int main(int argc, char **argv) {
  char dir[] = "/tmp/sarvgenbenchXXXXXX";
  state_t states = 0;
  int per_state = 0;
  if (!setup_wide_bench(argc, argv, "gen_bench", dir, &states, &per_state)) return 2;
  state_node *des = build_des(states, per_state);
  if (filedes("bench", states, 0, des) != 0) return 1;

  std::string message;
  stopwatch timer;
  int exported = export_gen_file("bench", "bench.gen", &message);
  double export_s = timer.wall(), export_cpu = timer.cpu();
  struct stat st;
  if (exported != GEN_OK || stat((std::string(prefix) + "bench.gen").c_str(), &st) != 0) {
    fprintf(stderr, "export failed: %s\n", message.c_str());
    return 1;
  }
  double mb = static_cast<double>(st.st_size) / 1e6;
  timer = stopwatch();
  int imported = import_gen_file("bench.gen", "back", &message);
  double import_s = timer.wall(), import_cpu = timer.cpu();
  state_t size = 0, init = 0;
  state_node *back = nullptr;
  bool same = imported == GEN_OK && getdes("back", &size, &init, &back) == 1 && size == states &&
              same_des(des, back, states);

  printf("DES of %d states and %ld transitions, .gen file %.1f MB\n", states,
         static_cast<long>(states) * per_state, mb);
  printf("export: %.2f s  %.0f MB/s  (processor %.2f s; DES file read included)\n", export_s,
         mb / export_s, export_cpu);
  printf("import: %.2f s  %.0f MB/s  (processor %.2f s; DES file written included, %s)\n", import_s,
         mb / import_s, import_cpu, same ? "read back unchanged" : "MISMATCH");
  printf("peak RSS: %.1f MB\n", peak_rss_mib());
  freedes(states, &des);
  freedes(size, &back);
  std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}

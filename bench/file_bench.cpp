// Throughput of DES files: writes and reads back a DES of 1,000,000 states and 10,000,000
// transitions in a scratch user directory, and reports seconds, MB/s and peak resident memory.
// Usage: file_bench [states [transitions-per-state]]
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

#include "bench/measure.h"
#include "bench/wide_des.h"
#include "model/des_data.h"
#include "model/des_file.h"
#include "model/mymalloc.h"

int main(int argc, char **argv) {
  char dir[] = "/tmp/sarvbenchXXXXXX";
  state_t states = 0;
  int per_state = 0;
  if (!setup_wide_bench(argc, argv, "file_bench", dir, &states, &per_state)) return 2;

  state_node *des = build_des(states, per_state);
  stopwatch timer;
  int written = filedes("bench", states, 0, des);
  double write_s = timer.wall(), write_cpu = timer.cpu();

  struct stat st;
  std::string path = std::string(prefix) + "bench.des";
  if (written != 0 || stat(path.c_str(), &st) != 0) {
    fprintf(stderr, "writing failed\n");
    return 1;
  }
  double mb = static_cast<double>(st.st_size) / 1e6;

  state_t size = 0, init = 0;
  state_node *back = nullptr;
  timer = stopwatch();
  int read = getdes("bench", &size, &init, &back);
  double read_s = timer.wall(), read_cpu = timer.cpu();
  bool same = read == 1 && size == states && same_des(des, back, states);

  printf("DES of %d states and %ld transitions, file %.1f MB\n", states,
         static_cast<long>(states) * per_state, mb);
  printf("write: %.3f s  %.0f MB/s  (processor %.3f s)\n", write_s, mb / write_s, write_cpu);
  printf("read:  %.3f s  %.0f MB/s  (processor %.3f s, %s)\n", read_s, mb / read_s, read_cpu,
         same ? "read back unchanged" : "MISMATCH");
  printf("peak RSS: %.1f MB (both copies of the DES in memory)\n", peak_rss_mib());

  freedes(states, &des);
  freedes(size, &back);
  std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}

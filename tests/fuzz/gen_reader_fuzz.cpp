// Fuzz target of the generator-file (.gen) reader: any input is either refused with a line and a
// message, or read into a well-formed DES that writes out and reads back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/gen_format.h"
#include "tests/fuzz/fuzz_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static event_names known;
  known.name[7] = "go";
  known.name[10] = "stop";
  gen_import g;
  gen_error error;
  const char *text = reinterpret_cast<const char *>(data);
  if (read_gen(text, size, "fuzz", known, &g, &error) != 0) {
    if (error.message.empty() || error.line < 0) abort();
    return 0;
  }
  if (des_check(g.des, g.size) != 0) abort();
  char *written = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&written, &length);
  event_names all = known;
  for (int e = 0; e <= MAX_EVENT; e++)
    if (!g.added.name[e].empty()) all.name[e] = g.added.name[e];
  if (write_gen(out, "fuzz", g.des, g.size, all) != 0) abort();
  fclose(out);
  gen_import back;
  if (read_gen(written, length, "fuzz", all, &back, &error) != 0 || back.size != g.size ||
      !same_nodes(g.des, back.des, g.size))
    abort();
  free(written);
  freedes(g.size, &g.des);
  freedes(back.size, &back.des);
  return 0;
}

// The compute process's request reader on arbitrary text: a request is refused with its code or
// gives a known procedure, names inside the user directory and list items in range, sorted.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine/catalogue.h"
#include "engine/protocol.h"
#include "model/des_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  FILE *request = fmemopen(const_cast<uint8_t *>(data), size, "r");
  if (request == nullptr) return 0;
  const procedure_row *row = nullptr;
  static compute_job job;
  if (read_request_header(request, &row) == MURN_OK &&
      read_request_body(*row, request, &job) == MURN_OK) {
    for (int i = 0; i <= row->inputs; i++)
      if (!des_name_ok(job.name[i])) abort();
    for (int i = 0; i < job.event_count; i++)
      if (job.events[i] > MAX_EVENT || (i > 0 && job.events[i - 1] >= job.events[i])) abort();
    for (state_t i = 0; i < job.pair_count; i++)
      if (job.pairs[i].data1 < 0 || job.pairs[i].data2 < 0) abort();
    for (state_t i = 0; i < job.quad_count; i++)
      if (job.quads[i].b > MAX_EVENT || job.quads[i].d < 10 || job.quads[i].d > 99) abort();
  }
  release_job(&job);
  fclose(request);
  return 0;
}

// The -run script parser on arbitrary text: a script is refused at a line of the text with a
// reason, or gives steps that each name a procedure and a result.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  std::vector<script_step> steps;
  std::string error;
  int bad_line = parse_script(text, &steps, &error);
  if (bad_line < 0 || (bad_line > 0 && (error.empty() || !steps.empty()))) abort();
  for (const script_step &step : steps)
    if (step.procedure.empty() || step.result.empty()) abort();
  return 0;
}

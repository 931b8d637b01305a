// The ADS reader on arbitrary text: both readers refuse the file or return a DES that passes
// des_check, and they agree on which.
#include "model/ads2des.h"
#include "tests/fuzz/fuzz_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string path = fuzz_file("F.ads", data, size);
  mem_result = 0;
  ads_error *errors = nullptr;
  int32_t count = 0, line = 0, earlier = 0;
  state_node *des = nullptr;
  state_t n = 0;
  int found = ads_2_des(path.c_str(), &errors, &count, &des, &n);
  free(errors);
  if (found != count || (found == 0 && des_check(des, n) != 0)) abort();
  freedes(n, &des);
  n = 0;
  int first = ads_2_des_all(path.c_str(), &line, &earlier, &des, &n);
  if ((first == 0) != (found == 0) || (first == 0 && des_check(des, n) != 0)) abort();
  freedes(n, &des);
  return 0;
}

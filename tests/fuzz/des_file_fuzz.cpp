// The DES/DAT reader on arbitrary bytes: getdes refuses the file or returns a DES that passes
// des_check, and that DES written by filedes reads back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/des_file.h"
#include "tests/fuzz/fuzz_dir.h"

namespace {

bool same_des(const state_node *a, const state_node *b, state_t n) {
  for (state_t s = 0; s < n; s++) {
    if (a[s].marked != b[s].marked || a[s].vocal != b[s].vocal || a[s].numelts != b[s].numelts)
      return false;
    if (a[s].numelts > 0 && memcmp(a[s].next, b[s].next, a[s].numelts * sizeof(tran_entry)) != 0)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  make_fuzz_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_file("F.des", data, size);
  fuzz_file("F.dat", data, size);
  for (state_t kind : {0, -1}) {
    mem_result = 0;
    state_t n = 0, init = kind;
    state_node *des = nullptr;
    if (!getdes("F", &n, &init, &des)) continue;
    if (des_check(des, n) != 0) abort();
    state_t back_n = 0, back_init = init;
    state_node *back = nullptr;
    if (filedes("R", n, init, des) != 0 || !getdes("R", &back_n, &back_init, &back) ||
        back_n != n || back_init != init || !same_des(des, back, n))
      abort();
    freedes(n, &des);
    freedes(back_n, &back);
  }
  return 0;
}

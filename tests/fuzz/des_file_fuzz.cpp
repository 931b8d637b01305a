// The DES/DAT reader on arbitrary bytes: getdes refuses the file or returns a DES that passes
// des_check and that reads back the same after filedes.
#include <cstring>

#include "model/des_file.h"
#include "tests/fuzz/fuzz_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_file("F.des", data, size);
  fuzz_file("F.dat", data, size);
  for (state_t kind : {0, -1}) {
    state_t n = 0, init = kind, back_n = 0;
    state_node *des = nullptr, *back = nullptr;
    mem_result = 0;
    if (!getdes("F", &n, &init, &des)) continue;
    state_t back_init = init;
    if (des_check(des, n) != 0 || filedes("R", n, init, des) != 0 ||
        !getdes("R", &back_n, &back_init, &back) || back_n != n || back_init != init)
      abort();
    for (state_t s = 0; s < n; s++)
      if (des[s].marked != back[s].marked || des[s].vocal != back[s].vocal ||
          des[s].numelts != back[s].numelts ||
          (des[s].numelts > 0 &&
           memcmp(des[s].next, back[s].next, des[s].numelts * sizeof(tran_entry)) != 0))
        abort();
    freedes(n, &des);
    freedes(back_n, &back);
  }
  return 0;
}

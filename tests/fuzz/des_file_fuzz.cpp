// The DES/DAT reader on arbitrary bytes: getdes refuses the file or returns a DES that passes
// des_check and that reads back the same after filedes.
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
        !getdes("R", &back_n, &back_init, &back) || back_n != n || back_init != init ||
        !same_nodes(des, back, n))
      abort();
    freedes(n, &des);
    freedes(back_n, &back);
  }
  return 0;
}

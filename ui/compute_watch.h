// What the front end shows and asks while a compute process runs: the elapsed time and the
// computation's latest progress line on row 23, and on Esc or Ctrl-C the question whether to
// cancel the computation.
#ifndef SARV_UI_COMPUTE_WATCH_H
#define SARV_UI_COMPUTE_WATCH_H

// The front end's compute watch (engine/protocol.h set_compute_watch): redraws row 23 with the
// elapsed time and the latest progress line and, after Esc or the interrupt key, asks "Cancel the
// computation? (y/*n)" on row 22, the time running on while it waits for the answer. Returns 1
// when the answer is "y" or "Y". In both modes; in debug mode, where the compute process writes
// to the same terminal, both rows are drawn again whole at every call.
int front_end_watch(double elapsed, int interrupted);

#endif

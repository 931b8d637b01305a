// Safeguards of the compute process around one request: the out-of-memory answer is prepared
// before any work, and a caught signal or an early exit leaves no temporary or request file
// behind.
#ifndef SARV_ENGINE_COMPUTE_GUARD_H
#define SARV_ENGINE_COMPUTE_GUARD_H

// Called once in compute mode after the user directory is known and before cmdline_kep_run:
// - keeps a reserve block and the result file's path for murn_out_of_memory, and makes it the
//   action on any allocation failure (the wrappers' and operator new's);
// - on the interrupt, termination, hang-up and quit signals removes the temporary file of a write
//   in progress, the request and the progress side file (and the captured output files when
//   the starting process has died: the signal is then the one its death sends), then ends by the
//   signal; ignores the
//   file-size signal, so a write beyond the limit fails and is answered with
//   MURN_OUTPUT_NOT_WRITTEN;
// - removes the request on every exit, so a refused or failed request never runs again;
// - removes the temporary DES/DAT files of earlier writers that died.
void compute_guard_start();

#endif

// DES and DAT files: the binary form in which every automaton is kept in the user directory and
// handed between the front end and the compute process.
#ifndef SARV_MODEL_DES_FILE_H
#define SARV_MODEL_DES_FILE_H

#include "model/des_data.h"

// Longest path (prefix + name + extension) a DES or DAT file may have.
const int MAX_DES_PATH = 80;

// Builds prefix + name + ".des" (".dat" when init is -1) into path[MAX_DES_PATH + 1].
// Returns 1, or 0 (path left empty) when the result would exceed MAX_DES_PATH characters.
int des_file_path(const char *name, state_t init, char *path);

// Writes the DES (init 0) or the control data (init -1) `name` from (size, des); des is not
// changed. The bytes go to a temporary file beside the target, which replaces the target only
// after it was written, flushed and closed completely, so a failed write never spoils an existing
// file. Returns 0 on success; 1 on failure (the temporary file is removed; nothing is printed:
// the caller tells the user).
// Time: O(size + transitions), one block write per state's transition array.
int filedes(const char *name, state_t size, state_t init, const state_node *des);

// Reads the DES (*init other than -1) or DAT (*init == -1) file `name`. On success stores the
// state count in *size, the file's initial-state field in *init and a new DES in *des (owned by
// the caller, released with freedes; only state 0 has `reached`, no state has `coreach`) and
// returns 1. Returns 0 without touching *size, *init or *des when the file is missing, its path is
// too long, or it is truncated or corrupt: a wrong signature, a state count outside
// 0..MAX_STATES, a state number outside 0..size-1 in any list, a transition list out of state
// order, a transition with event above 999 or target outside 0..size-1, or a transition array
// that is not strictly sorted. Out of memory also sets mem_result.
// Time: O(file length); each transition array is read in one block and checked in one pass.
int getdes(const char *name, state_t *size, state_t *init, state_node **des);

#endif

// DES and DAT files: the binary form in which every automaton is kept in the user directory and
// handed between the front end and the compute process.
#ifndef SARV_MODEL_DES_FILE_H
#define SARV_MODEL_DES_FILE_H

#include <sys/types.h>

#include "model/des_data.h"

// Longest path (prefix + name + extension) a DES or DAT file may have: room for a full prefix
// (255 characters) and any name a request line can carry (255), so no name that reaches the
// reader or writer is cut short.
const int MAX_DES_PATH = 1023;

// Builds prefix + name + ".des" (".dat" when init is -1) into path[MAX_DES_PATH + 1].
// Returns 1, or 0 (path left empty) when the result would exceed MAX_DES_PATH characters or the
// name holds a "/" (a DES name never leaves the user directory).
int des_file_path(const char *name, state_t init, char *path);

// The one rule for the names of the user's files (DES, DAT, ADS, reports), which every entry
// point applies: name prompts, compute requests, File ADS, `sarv -run` scripts and pictures. A
// name is 1 to DES_NAME_MAX printable ASCII characters, none of DES_NAME_FORBIDDEN (path
// separators and the punctuation of the MAKEIT log syntax), neither "." nor "..", with no blank
// at either end and no "#" first (a log line starting with a blank continues an entry, one
// starting with "#" is a comment). So every accepted name stays inside the user directory and
// reads back from the log as itself.
const int DES_NAME_MAX = 20;
const char DES_NAME_FORBIDDEN[] = "/\\,;()[]=";
// The rule in words, for messages (shorter than 80 columns).
const char DES_NAME_RULE[] = "names are 1..20 characters, none of / \\ , ; ( ) [ ] =, no # first";

// True when `c` may stand at `position` (0 = first) of a name; blanks at the ends are checked
// by des_name_ok only.
bool des_name_char_ok(char c, int position);
// True for a name that follows the rule above.
bool des_name_ok(const char *name);

// The permission bits a file written over `path` gets: those of the regular file there, or for
// a new file 0666 under the current umask.
mode_t replaced_file_permissions(const char *path);

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

// Temporary files. Every file this program writes goes first to a temporary file beside its
// target, named TEMP_MARK + six letters or digits + a suffix (".des", ".dat" for DES and DAT
// files, ".tmp" for text), a name no user picks by accident. The writer holds an exclusive flock
// on it until it is renamed or removed, so a temporary file nobody holds locked was left by a
// writer that died; only such files are ever swept.
extern const char TEMP_MARK[];

// Creates and locks a temporary file in the directory of `target` (the part up to its last "/",
// or the working directory) with `suffix` (at most 4 characters), its path in temp[size].
// Returns the descriptor (close-on-exec), or -1 when the path does not fit or the file cannot be
// created.
int open_locked_temp(const char *target, const char *suffix, char *temp, size_t size);

// True for a name of the form above.
bool is_temp_name(const char *entry);

// Removes the temporary file of a filedes in progress, if any. Async-signal-safe, for the signal
// handlers of the compute process.
void des_file_discard_temp();

// Removes from directory `dir` every temporary file of the form above that no process holds
// locked. User files of any other name are never touched. Returns the number removed.
int remove_stale_temp_files(const char *dir);

#endif

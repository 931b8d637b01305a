// Start-up of every screen mode: where the start-up file "murn.ini" lives, which user directory it
// names, and the type-out mode that copies a file's text head to standard output.
#ifndef SARV_ENGINE_STARTUP_H
#define SARV_ENGINE_STARTUP_H

#include <cstdio>

// The program's own name as started (argument 0); the front end starts compute mode with it.
extern const char *argv0;
// The user directory without a trailing "/" (prefix, in model/des_data.h, is path + "/").
extern char path[256];
// Full path of the start-up file; empty when no usable path could be formed.
extern char murn_ini_file[256];
// Name of the introduction text, looked up in the working directory.
extern char info_file[256];

// Results of locate_murn_ini.
const int MURN_INI_FOUND = 0;
const int MURN_INI_NO_HOME = 1;   // program name without "/" and no HOME in the environment
const int MURN_INI_TOO_LONG = 2;  // the path would exceed 255 characters; file is left empty

// Forms the start-up file path into file[256]: next to the program when `program` contains a "/"
// (the part before the last "/" plus "/murn.ini"), otherwise `home` plus "/" (unless it already
// ends in one) plus "murn.ini". `home` may be null. Returns one of the MURN_INI_ codes above.
int locate_murn_ini(const char *program, const char *home, char *file);

// Sets path and prefix from the start-up file `file` and rewrites the file with path and a newline.
// The file's first blank-delimited word is taken when it names a directory that can be entered and
// fits (at most 254 characters, so that prefix fits its 256 bytes). Otherwise the user directory
// becomes the working directory's "user" subdirectory (or the relative "user" when the working
// directory's name is too long); it is not created. The working directory is unchanged on return.
// An empty `file`, or one that cannot be written, is silently skipped.
void setuserpath(const char *file);

// Copies the bytes of the file `name` to `out`, up to and including the first byte 0x1A, or the
// whole file when it has none. Returns 0, or 1 (nothing written) when the file cannot be opened.
int type_out(const char *name, FILE *out);

#endif

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
// Path of the introduction text "kepinfo.txt" (see locate_info_file).
extern char info_file[256];

// Results of locate_murn_ini.
const int MURN_INI_FOUND = 0;
const int MURN_INI_NO_HOME = 1;   // program name without "/" and no HOME in the environment
const int MURN_INI_TOO_LONG = 2;  // the path would exceed 255 characters; file is left empty

// Forms the start-up file path into file[256]: next to the program when `program` contains a "/"
// (the part before the last "/" plus "/murn.ini"), otherwise `home` plus "/" (unless it already
// ends in one) plus "murn.ini". `home` may be null. Returns one of the MURN_INI_ codes above.
int locate_murn_ini(const char *program, const char *home, char *file);

// Sets info_file to "kepinfo.txt" next to the program when `program` contains a "/" and the file
// is there (where murn.ini is looked for too), otherwise to "kepinfo.txt" in the working
// directory.
void locate_info_file(const char *program);

// The user directory of a run mode without screen: `dir` (made absolute, and handed to the
// compute processes through USER_DIR_VARIABLE) when given, else the start-up file's. Returns
// null, or the one-line reason it cannot be used.
const char *choose_user_directory(const char *program, const char *dir);

// The environment variable through which the front end (or a batch run with -d DIR) hands its
// user directory to the compute process it starts, so both use the same directory whatever the
// start-up file holds.
extern const char USER_DIR_VARIABLE[];

// How the start-up file's setting fared (user_dir_status), for the front end to report.
const int USER_DIR_OK = 0;
const int USER_DIR_MISSING = 1;    // the file names a directory that cannot be entered (kept in
                                   // missing_user_dir; the file is left as it is)
const int USER_DIR_NOT_SAVED = 2;  // the start-up file could not be written
extern int user_dir_status;
extern char missing_user_dir[256];

// Sets path and prefix. The user directory is the start-up file's first line without its line
// end (blanks included) when it names a directory that can be entered and fits (at most 254
// characters, so that prefix fits its 256 bytes); otherwise the working directory's "user"
// subdirectory (or the relative "user" when the working directory's name is too long), which is
// not created. The working directory is unchanged on return.
// Front end: a missing or empty start-up file is written with the default; a line naming a
// directory that cannot be entered is kept (USER_DIR_MISSING). Compute mode: USER_DIR_VARIABLE,
// when set, names the directory; the start-up file is read only without it and is never written.
// Sets user_dir_status.
void setuserpath(const char *file);

// The R dialog's choice: makes `dir` the user directory (path and prefix) and saves it in
// murn_ini_file. Returns USER_DIR_OK, USER_DIR_NOT_SAVED (the directory is used for
// this run only), or USER_DIR_MISSING when dir is empty or longer than 254 characters (nothing
// changed).
int adopt_user_directory(const char *dir);

// Results of type_out.
const int TYPE_OUT_DONE = 0;
const int TYPE_OUT_UNREADABLE = 1;
const int TYPE_OUT_DIRECTORY = 2;

// Copies the bytes of the file `name` to `out`, up to and including the first byte 0x1A, or the
// whole file when it has none. Returns TYPE_OUT_DONE, or (nothing written) TYPE_OUT_UNREADABLE
// when the file cannot be opened and TYPE_OUT_DIRECTORY when it is a directory.
int type_out(const char *name, FILE *out);

#endif

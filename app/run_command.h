// The batch run mode: "sarv -run SCRIPT [-d DIR] [--json] [--keep-going]" replays a script in the
// MAKEIT log syntax through the same compute requests and log entries as the dialogs.
#ifndef SARV_APP_RUN_COMMAND_H
#define SARV_APP_RUN_COMMAND_H

// Runs the batch mode on the arguments after "-run" (`program` is the program's own name, used
// to start compute processes). Reports one line per step on standard output and errors on
// standard error. Returns the exit status: 0 every step ran and matched what its entry recorded,
// 1 a step failed or differed (or the script is malformed: then nothing runs), 2 usage errors.
int run_command(const char *program, int argc, char **argv);

#endif

// The interchange run modes: "sarv -export-gen NAME [OUT.gen]", "sarv -import-gen IN.gen NAME"
// and "sarv -c SUP [DATA] [OUT.c]", working in the user directory of murn.ini.
#ifndef SARV_APP_INTERCHANGE_COMMAND_H
#define SARV_APP_INTERCHANGE_COMMAND_H

// Runs the mode named by argv[1] ("-export-gen", "-import-gen" or "-c") on the arguments after it.
// Prints what was written on standard output, or why not on standard error (one line, with the
// line of a refused .gen file). Returns the exit status: 0 written, 1 failed (missing or refused
// input, write error), 2 usage errors.
int interchange_command(const char *program, int argc, char **argv);

#endif

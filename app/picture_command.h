// The picture run modes: "sarv -dot NAME [OUT] [-d DIR]", "-svg" and "-png".
#ifndef SARV_APP_PICTURE_COMMAND_H
#define SARV_APP_PICTURE_COMMAND_H

// Writes the picture of DES NAME (or, when there is no such DES, DAT NAME as a table) of the user
// directory: the DOT text into OUT (default NAME.dot; "-" for standard output) and, for "svg" or
// "png", the drawing by Graphviz into OUT (default NAME.svg or NAME.png) with the DOT text beside
// it as NAME.dot. A bare OUT is a file of the user directory; an OUT with a "/" is a path (from
// the working directory). An OUT named like one of the program's data files (.des, .dat, .ads,
// makeit.txt, EVENTS.txt) is refused, so no picture replaces a DES or the log. Messages go to
// standard output (what was written) and standard error (why not). Returns the exit status: 0
// written, 1 failed (missing DES, too large to draw, no Graphviz, write error), 2 for a bad NAME
// or OUT.
int picture_command(const char *format, const char *name, const char *out);

// The whole run mode from its arguments (argv[0] is "-dot", "-svg" or "-png"; then NAME, an
// optional OUT and "-d DIR" anywhere): the user directory is DIR, else the one of the start-up
// file. Returns the exit status as above; 2 with a usage line for bad arguments.
int picture_main(const char *program, int argc, char **argv);

#endif

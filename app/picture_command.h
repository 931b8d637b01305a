// The picture run modes: "sarv -dot NAME [OUT]", "-svg" and "-png".
#ifndef SARV_APP_PICTURE_COMMAND_H
#define SARV_APP_PICTURE_COMMAND_H

// Writes the picture of DES NAME (or, when there is no such DES, DAT NAME as a table) of the user
// directory: the DOT text into OUT (default NAME.dot; "-" for standard output) and, for "svg" or
// "png", the drawing by Graphviz into OUT (default NAME.svg or NAME.png) with the DOT text beside
// it as NAME.dot. OUT is a file name in the user directory. Messages go to standard output (what
// was written) and standard error (why not). Returns the exit status: 0 written, 1 failed
// (missing DES, too large to draw, no Graphviz, write error), 2 for a bad NAME or OUT.
int picture_command(const char *format, const char *name, const char *out);

#endif

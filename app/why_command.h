// The explanation run mode: "sarv -why WHAT ARGS... [-d DIR] [--json]" explains a result of the
// user directory through the compute process, as the Why screen does.
#ifndef SARV_APP_WHY_COMMAND_H
#define SARV_APP_WHY_COMMAND_H

// Runs the mode on the arguments after "-why" (`program` starts the compute process). WHAT is
// supcon G E, nonconflict A B, condat G S, compare A B or trim A. Prints the explanation (the
// text written to ARG1.why.txt, or with --json its JSON object) on standard output and failures
// on standard error. Returns the exit status: 0 explained, 1 failed, 2 usage error.
int why_command(const char *program, int argc, char **argv);

#endif

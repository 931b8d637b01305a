// The program's usage and version texts, shown by "--help" and "--version".
#ifndef SARV_ENGINE_USAGE_H
#define SARV_ENGINE_USAGE_H

// Version of the program.
extern const char *const sarv_version;

// Usage text listing every run mode, several lines ending in a line end.
const char *usage_text();

// 1 when `arg` is exactly "--help", 2 when it is exactly "--version", else 0. A file of
// either name is still typed out when named with a path, as in "./--help".
int usage_option(const char *arg);

#endif

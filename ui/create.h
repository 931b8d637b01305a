// Create and File ADS: the two dialogs that bring a new DES into the user directory without a
// compute request. Create takes a whole automaton from the keyboard or writes an ADS template;
// File ADS converts one ADS file, or every ADS file of the user directory, into DES files. Both
// file the DES themselves, confirm the full name and log a Create entry.
#ifndef SARV_UI_CREATE_H
#define SARV_UI_CREATE_H

#include <string>

#include "model/ads2des.h"
#include "model/des_data.h"
#include "model/des_supp.h"

// Menu operations.
void create_p();
void file_ads_p();

// Asks whether to check `name` for nondeterminism and, on "y", lists the transitions that share
// an event with another one of their state. Esc sets *quit_flag to 1. With `pause` set, a check
// made ends with "Press <Enter> to continue  ".
void check_determinism(const state_node *des, state_t n, const char *name, int *quit_flag,
                       int pause);
void display_conflict_tran(const triple *triples, size_t count, state_t n);

// Writes the DES (kind 0) or DAT (kind -1) file through filedes. On failure sets quit, shows
// "Error writing file: ..." on row 22 and pauses. Returns 0 on success, 1 on failure.
int FILEDES(const char *name, state_t n, state_t kind, const state_node *des);
// Confirms on rows 21-22 that `name` was filed, with its full name, and pauses.
void echo_save(const char *name);

// Appends an entry to the MAKEIT log, wrapped with `indent` blanks. A log that cannot be written
// is named on row 22, with the pause.
void write_wrapped_entry(const std::string &entry, int indent);

// Splits a directory entry at its last "." (no "." means no extension).
void file_split(const char *name, std::string *base, std::string *ext);

// One line of the File ADS error screen: "  text", "  text at line L." or
// "  text at lines L1 and L2.".
std::string ads_error_line(const ads_error &error);

#endif

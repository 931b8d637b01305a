// ADS files: the hand-editable text form of a DES. Writes blank templates and descriptions of
// existing DES, and reads ADS text back into a DES with line-numbered error reports.
#ifndef SARV_MODEL_ADS2DES_H
#define SARV_MODEL_ADS2DES_H

#include <cstdio>

#include "model/des_data.h"

// Reader error codes and their texts, declared once.
#define ADS_ERRORS(X)                                          \
  X(ADS_OK, "ok")                                              \
  X(ADS_NO_FILE, "File does not exist")                        \
  X(ADS_UNEXPECTED_EOF, "Unexpected end of file")              \
  X(ADS_INTERNAL, "Internal error")                            \
  X(ADS_NO_NAME, "No file name present")                       \
  X(ADS_NAME_TOO_LONG, "File name too long")                   \
  X(ADS_EXPECT_STATE_SIZE, "Expecting string 'State size'")    \
  X(ADS_STATE_RANGE, "State out of range")                     \
  X(ADS_STATE_TOO_LARGE, "State number too large")             \
  X(ADS_EXPECT_MARKER, "Expecting string 'Marker states:'")    \
  X(ADS_MARKER_RANGE, "Marker state out of range")             \
  X(ADS_MARKER_TOO_LARGE, "Marker state too large")            \
  X(ADS_EXPECT_VOCAL, "Expecting string 'Vocal states:'")      \
  X(ADS_VOCAL_TOO_SMALL, "Vocal output too small")             \
  X(ADS_VOCAL_TOO_LARGE, "Vocal output too large")             \
  X(ADS_EXPECT_TRANSITIONS, "Expecting string 'Transitions:'") \
  X(ADS_LABEL_RANGE, "Transition label out of range")          \
  X(ADS_LABEL_TOO_LARGE, "Transition label too large")         \
  X(ADS_BAD_STATE_NUMBER, "Invalid state number")              \
  X(ADS_BAD_MARKER, "Invalid marker state")                    \
  X(ADS_BAD_VOCAL, "Invalid vocal output")                     \
  X(ADS_BAD_TRANSITION, "Invalid transition label")            \
  X(ADS_EXIT_RANGE, "Exit state out of range")                 \
  X(ADS_EXIT_TOO_LARGE, "Exit state too large")                \
  X(ADS_ENTRANCE_RANGE, "Entrance state out of range")         \
  X(ADS_ENTRANCE_TOO_LARGE, "Entrance state too large")        \
  X(ADS_NONDETERMINISTIC, "Nondeterministic transition")

#define ADS_ERROR_ENUM(code, text) code,
enum ads_error_code { ADS_ERRORS(ADS_ERROR_ENUM) ADS_ERROR_COUNT };
#undef ADS_ERROR_ENUM

// Error texts indexed by code (0..ADS_ERROR_COUNT-1).
extern const char ads_error_str[ADS_ERROR_COUNT][60];

// Largest state count an ADS file may declare.
const long ADS_MAX_STATES = 2000000;

// One error of the single-file reader; -1 marks a line that does not apply. `earlier_line` is
// used by ADS_NONDETERMINISTIC only: the line of the transition the rejected one contradicts.
struct ads_error {
  int32_t code;
  int32_t line;
  int32_t earlier_line;
};

// Writes the empty template for DES `name` to `path` through a temporary file beside it, which
// replaces `path` only once written completely. Returns 0, or 1 when the file cannot be created
// or written (an older file at `path` is then left as it was, and no new one is made).
int generate_ads_file(const char *path, const char *name);

// Writes the description of (size, des) under `name` to an open text stream; des is not changed
// and the caller closes the stream. Returns 0, or 1 when the stream reports a write error.
// Time: O(size + transitions).
int des_to_ads(const char *name, FILE *stream, const state_node *des, state_t size);

// Reads one ADS file and records every error. Returns the number of errors: 0 with the new DES
// in *des and *size (owned by the caller, released with freedes); otherwise *des and *size are
// not touched. *errors receives the error records (malloc'ed, owned and freed by the caller; null
// when there are none) and *count their number. A file that cannot be opened gives the single
// record (ADS_NO_NAME, -1, -1). Running out of memory sets mem_result and ends the reading with an
// ADS_INTERNAL record at the line being read.
int ads_2_des(const char *path, ads_error **errors, int32_t *count, state_node **des,
              state_t *size);

// Reads one ADS file up to its first error. Returns 0 with the new DES in *des and *size, or the
// first error's code with its line in *line and, for ADS_NONDETERMINISTIC, the earlier line in
// *earlier_line (-1 otherwise); *des and *size are then not touched. A file that cannot be opened
// returns ADS_NO_FILE with *line -1. Running out of memory sets mem_result and returns
// ADS_INTERNAL.
int ads_2_des_all(const char *path, int32_t *line, int32_t *earlier_line, state_node **des,
                  state_t *size);

// Appends one record to the error list that the running ads_2_des hands to its caller.
void log_ads_err(int32_t code, int32_t line, int32_t earlier_line);

#endif

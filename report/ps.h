// PostScript listings of DES and DAT files (the ".pss" and ".pst" jobs): a prologue of our own
// that lays out 66 lines of 80 columns (more, in a narrower font, for longer lines) per logical
// page under a header band with the date, the file name and the page number, then the report
// lines as PostScript strings.
#ifndef SARV_REPORT_PS_H
#define SARV_REPORT_PS_H

#include <cstdio>

#include "model/des_data.h"

// Page settings of a job; MODE_init sets the fixed values used for every listing.
struct ps_mode {
  const char *mode_landscape;   // "false" or "true": the sheet is turned a quarter
  const char *mode_twinpage;    // two logical pages per sheet
  const char *mode_doublesize;  // printed on both sides: the binding margin alternates
  const char *mode_noborder;    // no border, no sheet number
  float mode_sheetheight;       // inches
  float mode_sheetwidth;        // inches
  float mode_page_margin;       // inches
  float mode_bind_margin;       // inches
  float mode_col_margin;        // gap between two logical pages, inches
  float mode_headersize;        // header band height, inches
  float mode_bodyfontwidth;     // points
  float mode_bodyfontheight;    // line pitch, points
  int mode_columns;             // characters per line
  int mode_lines;               // lines per logical page, 1 and up
};

void MODE_init(ps_mode *mode);

// One job being written: the stream and the lines written on the current page.
struct ps_job {
  FILE *stream;
  int line_num;
  int mode_lines;
  bool page_full;  // mode_lines counted: the next body text goes on a new page
};

// The job frame. PS_Header writes the comment line, the prologue with `mode` and the current
// local date and time; PS_FileHeader starts the listing of `name`.
void PS_Header(ps_job *job, const ps_mode &mode);
void PS_FileHeader(ps_job *job, const char *name);
void PS_StartPage(ps_job *job);
void PS_EndPage(ps_job *job);
void PS_Footer(ps_job *job);

// Writes `text` as the body of a PostScript string: "(", ")" and "\" are escaped, and bytes
// outside 32..126 written as octal escapes, so any name yields a well-formed job.
void ps_string(FILE *stream, const char *text);

// Counts one body line; when the count reaches mode_lines, counts from 0 again and marks the page
// full: "endpage" and "startpage" are written before the next body text, so a job whose body
// ends there closes its last page without starting an empty one.
void line_check(ps_job *job);
// An empty body line ("n"), counted and checked.
void ps_newline(ps_job *job);

// Body pieces of the DES listing (none changes the DES).
void ps_des_stat_header(ps_job *job, const char *name, state_t n);
void ps_marker_states(ps_job *job, const state_node *states, state_t n);
void ps_vocal_output(ps_job *job, const state_node *states, state_t n);
void ps_transitions(ps_job *job, const state_node *states, state_t n);
// Body pieces of the DAT listing.
void ps_dat_header_stat(ps_job *job, const char *name);
void ps_dat(ps_job *job, const state_node *states, state_t n);

// Whole jobs with the given settings. Return 0, or 1 when the stream reported a write error.
// A body line wider than mode_columns (transitions of DES above 100000 states, long names) makes
// the job narrow its body font so the line stays inside the page border.
// Time: O(n + transitions), the body written twice (measured, then kept); the prologue is 6 KB.
int ps_des_job(const char *name, FILE *stream, const state_node *states, state_t n,
               const ps_mode &mode);
int ps_dat_job(const char *name, FILE *stream, const state_node *states, state_t n,
               const ps_mode &mode);

// The listings with the settings of MODE_init.
int postscript_outputfile(const char *name, FILE *stream, const state_node *states, state_t n);
int postscript_dat_output(const char *name, FILE *stream, const state_node *states, state_t n);

#endif

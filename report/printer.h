// Text reports of DES and DAT files (the ".pds" and ".pdt" listings) and the line printer,
// reached through the system's print spooler command `lpr`.
#ifndef SARV_REPORT_PRINTER_H
#define SARV_REPORT_PRINTER_H

#include <cstddef>
#include <cstdio>

#include "model/des_data.h"
#include "model/report_file.h"

// The two forms of the DES text report; they differ only in how marker states are listed.
enum des_report_variant {
  REPORT_FILE,   // every marker state listed, even when all states are marked
  REPORT_PRINT,  // "marker states: all" when every state is marked
};

// Pieces of the DES text report. None changes the DES; each writes to an open stream.
// "NAME    # states: n    state set: 0 ... n-1    initial state: i" and an empty line.
void print_des_stat_header(FILE *stream, const char *name, state_t n, state_t initial);
// The marked states ascending, eight to a line.
void print_marker_states(FILE *stream, const state_node *states, state_t n);
// The (state, output) pairs ascending, five to a line; the field width grows above 100000 states.
void print_vocal_output(FILE *stream, const state_node *states, state_t n);
// The transition count and every (exit, event, entrance), four to a line over the whole table.
void print_transitions(FILE *stream, const state_node *states, state_t n);

// The whole DES text report. Returns 0, or 1 when the stream reported a write error.
// Time: O(n + transitions).
int des_text_report(FILE *stream, const char *name, const state_node *states, state_t n,
                    state_t initial, des_report_variant variant);

// Pieces of the DAT text report: the name and the explanation of the listing; then the states
// with events to disable, short lists paired two to a line.
void print_dat_header_stat(FILE *stream, const char *name);
void print_dat(FILE *stream, const state_node *states, state_t n);

// The whole DAT text report of control data (n states, each state's list holding the events to
// disable). Returns 0, or 1 when the stream reported a write error. Time: O(n + events).
int dat_text_report(FILE *stream, const char *name, const state_node *states, state_t n);

// Copies every character of `in` to `out`, then a line end. Returns 0, or 1 on a read or write
// error.
int copy_text_report(FILE *in, FILE *out);

// Outcome of handing a report to the line printer.
enum print_status {
  PRINT_OK = 0,
  PRINT_NO_SPOOLER = 1,      // the command (`lpr`, `ps2pdf`) could not be started
  PRINT_SPOOLER_FAILED = 2,  // the command ran but did not end with status 0
  PRINT_WRITE_FAILED = 3,    // the job could not be prepared (temporary file)
};

// A print job is written like a report file, into a temporary file in $TMPDIR (or /tmp), then
// handed to `lpr` on its standard input. Returns 0 with pj->stream open, or 1 (PRINT_WRITE_FAILED).
int print_job_open(report_file *pj);

// Closes the job and runs `lpr` (searched on PATH) with the job on its standard input, its
// output discarded; the temporary file is removed in every case. Returns a print_status; for
// PRINT_SPOOLER_FAILED, `detail` (of `size` bytes, may be null) receives the first line the
// spooler wrote to its error output, or its exit status when it wrote none.
int print_job_submit(report_file *pj, char *detail, size_t size);

// PDF beside a PostScript report: runs `ps2pdf PS PDF` into a temporary file beside `pdf_path`
// and renames it into place. Returns a print_status as print_job_submit does (PRINT_NO_SPOOLER:
// ps2pdf missing; PRINT_WRITE_FAILED: the PDF could not be created or renamed).
int ps_to_pdf(const char *ps_path, const char *pdf_path, char *detail, size_t size);
// True when an executable `ps2pdf` is on PATH.
bool ps2pdf_available();

#endif

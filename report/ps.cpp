// PostScript listings of DES and DAT files.
#include "report/ps.h"

#include <cstring>
#include <ctime>

#include "model/des_supp.h"

namespace {

// The prologue after the settings: fonts, text operators, page geometry and the page procedures.
// Coordinates inside a logical page run from (0, 0) at its lower left to (pagewidth, pageheight);
// the page is scaled to fit its slot of the sheet, and with two pages per sheet clipped to its
// border so that a long line never runs into the neighbouring page. Each text line is a saved
// graphics state translated one line pitch below the previous one.
const char *const PROLOGUE_BODY = R"PS(
/xdef {exch def} bind def
/getfont {exch findfont exch scalefont} bind def
/getscaledfont {/fh xdef /fw xdef findfont [fw 0 0 fh 0 0] makefont} bind def

/filenamefontsize 12 def
/filenamefont /Helvetica-Bold filenamefontsize getfont def
/datefont /Helvetica filenamefontsize 0.8 mul getfont def
/bodyfont /Courier bodyfontwidth bodyfontheight getscaledfont def
/boldfont /Courier-Bold bodyfontwidth bodyfontheight getscaledfont def
/italicfont /Courier-Oblique bodyfontwidth bodyfontheight getscaledfont def
/bolditalicfont /Courier-BoldOblique bodyfontwidth bodyfontheight getscaledfont def
/headermargin filenamefontsize 0.25 mul def
/bodymargin bodyfontheight 0.7 mul def

/Normal {bodyfont setfont} bind def
/Bold {boldfont setfont} bind def
/Italic {italicfont setfont} bind def
/BoldItalic {bolditalicfont setfont} bind def
/s {show} bind def
/B {Bold show Normal} bind def
/I {Italic show Normal} bind def
/BI {BoldItalic show Normal} bind def
/b {charwidth mul neg 0 rmoveto} bind def
/c {charwidth mul 0 moveto} bind def
/n {grestore 0 bodyfontheight neg translate gsave 0 0 moveto} bind def
/N {show n} bind def
/U {dup stringwidth pop exch currentpoint 3 -1 roll show
    gsave newpath bodyfontheight 0.12 mul sub moveto 0 rlineto
    borderwidth setlinewidth stroke grestore} bind def
/BU {Bold U Normal} bind def

bodyfont setfont (0) stringwidth pop /charwidth xdef
noheader {/headersize 0 def} if
/pagewidth columns charwidth mul bodymargin 2 mul add def
/pageheight lines bodyfontheight mul bodymargin 2 mul add headersize add def
/rightmargin page_margin 2 div def
/leftmargin rightmargin bind_margin add def
/topmargin rightmargin def
/framewidth landscape {sheetheight} {sheetwidth} ifelse def
/frameheight landscape {sheetwidth} {sheetheight} ifelse def
/slotwidth framewidth leftmargin sub rightmargin sub
  twinpage landscape and {col_margin sub 2 div} if def
/slotheight frameheight topmargin 2 mul sub
  twinpage landscape not and {col_margin sub 2 div} if def
/pagescale slotwidth pagewidth div slotheight pageheight div 2 copy gt {exch} if pop def
/sheetframe {landscape {90 rotate 0 sheetwidth neg translate} if} bind def
/pagecorner {
  /side xdef
  doubleside sheetside 1 eq and {rightmargin} {leftmargin} ifelse
  twinpage landscape and {side slotwidth col_margin add mul add} if
  frameheight topmargin sub pageheight pagescale mul sub
  twinpage landscape not and {side slotheight col_margin add mul sub} if
} bind def
/sheetsperpage twinpage {2} {1} ifelse def

/startdoc {/sheetside 0 def /pageside 0 def /sheet 1 def /pagenum 1 def
  /filename () def /fnfont filenamefont def} bind def
/newfile {
  /filename xdef
  /pagenum 1 def
  datefont setfont
  /fnroom pagewidth headermargin 4 mul sub
    date stringwidth pop (Page 99999) stringwidth pop 2 copy lt {exch} if pop 2 mul sub def
  filenamefont setfont filename stringwidth pop /fnwidth xdef
  /fnfont fnwidth fnroom gt fnroom 0 gt and
    {filenamefont fnroom fnwidth div scalefont} {filenamefont} ifelse def
} bind def
/sheetnumber {
  gsave sheetframe datefont setfont
  sheet 10 string cvs dup stringwidth pop
  framewidth rightmargin sub exch sub rightmargin 2 div moveto show
  grestore
} bind def
/printpage {
  noborder not {sheetnumber} if
  showpage
  /sheet sheet 1 add def
  /pageside 0 def
  /sheetside 1 sheetside sub def
} bind def
/cleanup {pageside 0 gt {printpage} if} bind def
/printheader {
  gsave
  /hy pageheight headersize sub headermargin add def
  datefont setfont headermargin hy moveto date show
  pagenum 10 string cvs /pnum xdef
  pagewidth headermargin sub (Page ) stringwidth pop sub pnum stringwidth pop sub hy moveto
  (Page ) show pnum show
  fnfont setfont pagewidth filename stringwidth pop sub 2 div hy moveto filename show
  grestore
} bind def
/printborder {
  gsave borderwidth setlinewidth newpath
  0 0 moveto pagewidth 0 rlineto 0 pageheight rlineto pagewidth neg 0 rlineto closepath stroke
  noheader not {0 pageheight headersize sub moveto pagewidth 0 rlineto stroke} if
  grestore
} bind def
/startpage {
  gsave
  sheetframe
  pageside pagecorner translate
  pagescale dup scale
  noborder not {printborder} if
  noheader not {printheader} if
  twinpage {newpath 0 0 moveto pagewidth 0 rlineto 0 pageheight rlineto
    pagewidth neg 0 rlineto closepath clip newpath} if
  bodymargin pageheight headersize sub bodymargin sub bodyfontheight 0.8 mul sub translate
  Normal
  gsave 0 0 moveto
} bind def
/endpage {
  grestore grestore
  /pagenum pagenum 1 add def
  /pageside pageside 1 add def
  pageside sheetsperpage ge {printpage} if
} bind def
%%EndProlog
/docsave save def
startdoc
)PS";

// The stream for the next body text. A page that filled up is ended, and the next one started,
// only when more text follows, so a listing never ends on an empty page.
FILE *out(ps_job *job) {
  if (job->page_full) {
    job->page_full = false;
    PS_EndPage(job);
    PS_StartPage(job);
  }
  return job->stream;
}

void put_line(ps_job *job, const char *text) {
  fputs(text, out(job));
  fputc('\n', out(job));
}

// Opens a body line: "(" and the text.
void open_line(ps_job *job, const char *text) {
  fputc('(', out(job));
  fputs(text, out(job));
}

// Closes a body line opened with open_line, counted and checked.
void close_line(ps_job *job) {
  put_line(job, ")N");
  line_check(job);
}

void start_job(ps_job *job, FILE *stream, const char *name, const ps_mode &mode) {
  job->stream = stream;
  job->line_num = 0;
  job->page_full = false;
  job->mode_lines = mode.mode_lines > 0 ? mode.mode_lines : 1;
  PS_Header(job, mode);
  PS_FileHeader(job, name);
  PS_StartPage(job);
}

int end_job(ps_job *job) {
  job->page_full = false;
  PS_EndPage(job);
  PS_Footer(job);
  return ferror(job->stream) ? 1 : 0;
}

}  // namespace

void MODE_init(ps_mode *mode) {
  mode->mode_landscape = "false";
  mode->mode_twinpage = "false";
  mode->mode_doublesize = "false";
  mode->mode_noborder = "false";
  mode->mode_sheetheight = 11.0f;
  mode->mode_sheetwidth = 8.5f;
  mode->mode_page_margin = 1.2f;
  mode->mode_bind_margin = 0.3f;
  mode->mode_col_margin = 0.2f;
  mode->mode_headersize = 0.22f;
  mode->mode_bodyfontwidth = 7.10234f;
  mode->mode_bodyfontheight = 7.98953f;
  mode->mode_columns = 80;
  mode->mode_lines = 66;
}

void ps_string(FILE *stream, const char *text) {
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p != 0; p++) {
    if (*p == '(' || *p == ')' || *p == '\\')
      fprintf(stream, "\\%c", *p);
    else if (*p < 32 || *p > 126)
      fprintf(stream, "\\%03o", *p);
    else
      fputc(*p, stream);
  }
}

void PS_Header(ps_job *job, const ps_mode &mode) {
  FILE *f = job->stream;
  time_t now = time(nullptr);
  char date[64] = "";
  struct tm local;
  if (localtime_r(&now, &local) != nullptr) {
    char text[32];
    if (asctime_r(&local, text) != nullptr) {
      text[strcspn(text, "\n")] = '\0';
      snprintf(date, sizeof date, "%s", text);
    }
  }
  fprintf(f, "%%! Generated by the %s 1.0 Program.\n\n", "SARV");
  fprintf(f, "/sarvdict 100 dict def\nsarvdict begin\n/inch {72 mul} def\n");
  fprintf(f, "/landscape %s def\n/twinpage %s def\n/doubleside %s def\n", mode.mode_landscape,
          mode.mode_twinpage, mode.mode_doublesize);
  fprintf(f, "/sheetheight %g inch def\n/sheetwidth %g inch def\n",
          static_cast<double>(mode.mode_sheetheight), static_cast<double>(mode.mode_sheetwidth));
  fprintf(f, "/page_margin %g inch def\n/bind_margin %g inch def\n/col_margin %g inch def\n",
          static_cast<double>(mode.mode_page_margin), static_cast<double>(mode.mode_bind_margin),
          static_cast<double>(mode.mode_col_margin));
  fprintf(f, "/noborder %s def\n/borderwidth 0.3 def\n/noheader false def\n", mode.mode_noborder);
  fprintf(f, "/headersize %g inch def\n/bodyfontwidth %g def\n/bodyfontheight %g def\n",
          static_cast<double>(mode.mode_headersize), static_cast<double>(mode.mode_bodyfontwidth),
          static_cast<double>(mode.mode_bodyfontheight));
  fprintf(f, "/columns %d def\n/lines %d def\n/date (", mode.mode_columns, job->mode_lines);
  ps_string(f, date);
  fputs(") def\n", f);
  fputs(PROLOGUE_BODY, f);
}

void PS_FileHeader(ps_job *job, const char *name) {
  put_line(job, "cleanup");
  fputc('(', out(job));
  ps_string(out(job), name);
  put_line(job, ") newfile");
  put_line(job, "/sheet 1 def\n\n\n");
}

void PS_StartPage(ps_job *job) {
  put_line(job, "startpage");
}

void PS_EndPage(ps_job *job) {
  put_line(job, "endpage");
}

void PS_Footer(ps_job *job) {
  put_line(job, "\n%%Trailer\ncleanup\ndocsave restore end");
}

void line_check(ps_job *job) {
  if (++job->line_num >= job->mode_lines) {
    job->page_full = true;
    job->line_num = 0;
  }
}

void ps_newline(ps_job *job) {
  put_line(job, "n");
  line_check(job);
}

// The first two lines are counted without the page check: a page always has room for them.
void ps_des_stat_header(ps_job *job, const char *name, state_t n) {
  fputc('(', out(job));
  ps_string(out(job), name);
  if (n == 0)
    fprintf(out(job), "    # states: %d    state set: empty     initial state: none)N\n", n);
  else
    fprintf(out(job), "    # states: %d    state set: 0 ... %d    initial state: %d)N\n", n, n - 1,
            0);
  put_line(job, "n");
  job->line_num += 2;
}

void ps_marker_states(ps_job *job, const state_node *states, state_t n) {
  open_line(job, "marker states:       ");
  long count = 0;
  for (state_t s = 0; s < n; s++) {
    if (!states[s].marked) continue;
    fprintf(out(job), "%7d ", s);
    if (++count % 7 == 0) {
      close_line(job);
      fprintf(out(job), "(%-21s", "");
    }
  }
  close_line(job);
}

void ps_vocal_output(ps_job *job, const state_node *states, state_t n) {
  const char *format = n < 100000 ? "[%5ld,%4d]   " : n < 1000000 ? "[%6ld,%4d]  " : "[%7ld,%4d] ";
  ps_newline(job);
  open_line(job, "vocal states:       ");
  close_line(job);
  long count = 0;
  for (state_t s = 0; s < n; s++) {
    if (states[s].vocal == 0) continue;
    if (count % 5 == 0) fputc('(', out(job));
    fprintf(out(job), format, static_cast<long>(s), static_cast<int>(states[s].vocal));
    if (++count % 5 == 0) close_line(job);
  }
  if (count % 5 != 0)
    close_line(job);
  else
    ps_newline(job);
}

void ps_transitions(ps_job *job, const state_node *states, state_t n) {
  ps_newline(job);
  fprintf(out(job), "(# transitions: %ld", num_transitions(states, n));
  close_line(job);
  ps_newline(job);
  open_line(job, "transitions: ");
  close_line(job);
  ps_newline(job);
  long count = 0;
  for (state_t s = 0; s < n; s++) {
    for (int j = 0; j < states[s].numelts; j++) {
      tran_entry t = states[s].next[j];
      if (count % 4 == 0) fputc('(', out(job));
      fprintf(out(job), "[%5ld,%3d,%5ld]  ", static_cast<long>(s), static_cast<int>(t.event()),
              static_cast<long>(t.target()));
      if (++count % 4 == 0) close_line(job);
    }
  }
  if (count % 4 != 0)
    close_line(job);
  else
    ps_newline(job);
  ps_newline(job);
}

// Eight lines counted without the page check: they open the first page.
void ps_dat_header_stat(ps_job *job, const char *name) {
  fputc('(', out(job));
  ps_string(out(job), name);
  put_line(job, ")N\nn\nn");
  put_line(job, "(Control data are displayed as a list of supervisor states)N");
  put_line(job, "(where disabling occurs, together with the events that must)N");
  put_line(job, "(be disabled there.)N\nn\n(control data:)N");
  job->line_num += 8;
}

// The blocks of the DAT text report, one PostScript line per text line.
void ps_dat(ps_job *job, const state_node *states, state_t n) {
  ps_newline(job);
  bool open = false, previous_opened = false;
  int previous_count = 0;
  for (state_t s = 0; s < n; s++) {
    int count = states[s].numelts;
    if (count == 0) continue;
    if (previous_opened && previous_count <= 6 && count <= 6) {
      for (int slot = previous_count; slot < 7; slot++) fprintf(out(job), "%5s", "");
      previous_opened = false;
    } else {
      if (open) close_line(job);
      open_line(job, "    ");
      open = previous_opened = true;
    }
    fprintf(out(job), "%4d:", s);
    for (int j = 0; j < count; j++) {
      fprintf(out(job), "%4d ", static_cast<int>(states[s].next[j].event()));
      if (j + 1 >= 13 && (j + 1 - 13) % 12 == 0 && j + 1 < count) {
        close_line(job);
        open_line(job, "         ");
      }
    }
    previous_count = count;
  }
  if (open)
    close_line(job);
  else
    ps_newline(job);
}

namespace {

// Widest line written to a measuring stream.
struct line_meter {
  size_t line = 0;
  size_t widest = 0;
};

ssize_t measure_lines(void *cookie, const char *bytes, size_t size) {
  line_meter *meter = static_cast<line_meter *>(cookie);
  for (size_t i = 0; i < size; i++) {
    if (bytes[i] == '\n') {
      if (meter->line > meter->widest) meter->widest = meter->line;
      meter->line = 0;
    } else {
      meter->line++;
    }
  }
  return static_cast<ssize_t>(size);
}

// Writes a whole job whose body `body` writes. The body is first written to a stream that only
// measures its lines: when the widest text is longer than mode_columns, the body font is made
// narrower and the columns more, in the same proportion, so the page keeps its size and every
// character lands inside the border.
template <typename Body>
int run_job(const char *name, FILE *stream, const ps_mode &mode, Body body) {
  ps_mode fitted = mode;
  line_meter meter;
  FILE *measure =
      fopencookie(&meter, "w", cookie_io_functions_t{nullptr, measure_lines, nullptr, nullptr});
  if (measure != nullptr) {
    ps_job dry{measure, 0, fitted.mode_lines > 0 ? fitted.mode_lines : 1, false};
    body(&dry);
    fclose(measure);
    // A body line is "(" text ")N"; escapes in names count as written, which only errs wide.
    int columns = meter.widest > 3 ? static_cast<int>(meter.widest - 3) : 0;
    if (columns > fitted.mode_columns && fitted.mode_columns > 0) {
      fitted.mode_bodyfontwidth *=
          static_cast<float>(fitted.mode_columns) / static_cast<float>(columns);
      fitted.mode_columns = columns;
    }
  }
  ps_job job;
  start_job(&job, stream, name, fitted);
  body(&job);
  return end_job(&job);
}

void des_body(ps_job *job, const char *name, const state_node *states, state_t n) {
  ps_des_stat_header(job, name, n);
  if (num_mark_states(states, n) > 0) {
    ps_marker_states(job, states, n);
  } else {
    put_line(job, "(marker states: none) N\nn");
    job->line_num += 2;
  }
  if (num_vocal_output(states, n) > 0) {
    ps_vocal_output(job, states, n);
  } else {
    ps_newline(job);
    put_line(job, "(vocal states: none)N");
    line_check(job);
    ps_newline(job);
  }
  if (num_transitions(states, n) == 0)
    put_line(job, "(transition table : empty)N");
  else
    ps_transitions(job, states, n);
}

void dat_body(ps_job *job, const char *name, const state_node *states, state_t n) {
  ps_dat_header_stat(job, name);
  if (num_transitions(states, n) == 0) {
    put_line(job, "(empty.)N");
    line_check(job);
  } else {
    ps_dat(job, states, n);
    ps_newline(job);
  }
}

}  // namespace

int ps_des_job(const char *name, FILE *stream, const state_node *states, state_t n,
               const ps_mode &mode) {
  return run_job(name, stream, mode, [&](ps_job *job) { des_body(job, name, states, n); });
}

int ps_dat_job(const char *name, FILE *stream, const state_node *states, state_t n,
               const ps_mode &mode) {
  return run_job(name, stream, mode, [&](ps_job *job) { dat_body(job, name, states, n); });
}

int postscript_outputfile(const char *name, FILE *stream, const state_node *states, state_t n) {
  ps_mode mode;
  MODE_init(&mode);
  return ps_des_job(name, stream, states, n, mode);
}

int postscript_dat_output(const char *name, FILE *stream, const state_node *states, state_t n) {
  ps_mode mode;
  MODE_init(&mode);
  return ps_dat_job(name, stream, states, n, mode);
}

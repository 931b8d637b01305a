// The report dialogs. File and Print share one loader per input kind; the chosen output is a row
// of OUTPUTS naming its prompt, extension and writer.
#include "ui/report_dialogs.h"

#include <curses.h>

#include <cctype>
#include <cstring>

#include "model/ads2des.h"
#include "model/des_file.h"
#include "report/printer.h"
#include "report/ps.h"
#include "ui/display.h"
#include "ui/io.h"

namespace {

// Writes one report of the loaded input to an open stream; returns 0, or 1 on a write error.
typedef int (*report_writer)(FILE *stream, const char *name, const state_node *des, state_t n,
                             state_t init);

int write_ads(FILE *f, const char *name, const state_node *des, state_t n, state_t) {
  return des_to_ads(name, f, des, n);
}
int write_des_file_text(FILE *f, const char *name, const state_node *des, state_t n, state_t init) {
  return des_text_report(f, name, des, n, init, REPORT_FILE);
}
int write_des_print_text(FILE *f, const char *name, const state_node *des, state_t n,
                         state_t init) {
  return des_text_report(f, name, des, n, init, REPORT_PRINT);
}
int write_des_ps(FILE *f, const char *name, const state_node *des, state_t n, state_t) {
  return postscript_outputfile(name, f, des, n);
}
int write_dat_text(FILE *f, const char *name, const state_node *des, state_t n, state_t) {
  return dat_text_report(f, name, des, n);
}
int write_dat_ps(FILE *f, const char *name, const state_node *des, state_t n, state_t) {
  return postscript_dat_output(name, f, des, n);
}

// One kind of output: the key that picks it at the File question (0: the default), the name
// prompt, the extension and the writer.
struct report_output {
  char key;
  const char *prompt;
  const char *ext;
  report_writer write;
};

const report_output DES_FILE_OUTPUTS[] = {
    {'P', "Enter the Postcript file name ....  ", ".pss", write_des_ps},
    {'T', "Enter ASCII text file name ....  ", ".pds", write_des_file_text},
    {0, "Enter the ADS file name ....  ", ".ads", write_ads},
};
const report_output DAT_FILE_OUTPUTS[] = {
    {'P', "Enter the Postcript file name ....  ", ".pst", write_dat_ps},
    {0, "Enter ASCII text file name ....  ", ".pdt", write_dat_text},
};
const report_output DES_PRINT_OUTPUT = {0, "ASCII text file name .... ", ".pds",
                                        write_des_print_text};
const report_output DAT_PRINT_OUTPUT = {0, "ASCII text file name .... ", ".pdt", write_dat_text};

// One report dialog: its headers, the input prompt and kind, and the refusal of the other kind.
struct report_dialog {
  const char *header;    // "FILE" or "PRINT"
  const char *title;     // "FILE(DES)", ...
  const char *prompt;    // input name prompt
  const char *ext;       // ".des" or ".dat"
  state_t kind;          // 0: DES, -1: DAT (the initial-state field getdes reports)
  const char *refusal;   // two lines shown for a file of the other kind
  const char *question;  // File: the output question; Print: null
  const report_output *outputs;
  int n_outputs;
};

const report_dialog FILE_DES = {
    .header = "FILE",
    .title = "FILE(DES)",
    .prompt = "Enter name of DES ....  ",
    .ext = ".des",
    .kind = 0,
    .refusal = "This is a DAT file.\nUse file DAT command.\n",
    .question = "File as ADS (.ADS) or ASCII Text (.PDS) or Postscript (.PSS)?  (*A/T/P) ",
    .outputs = DES_FILE_OUTPUTS,
    .n_outputs = 3};
const report_dialog FILE_DAT = {
    .header = "FILE",
    .title = "FILE(DAT)",
    .prompt = "Enter name of DAT ....  ",
    .ext = ".dat",
    .kind = -1,
    .refusal = "This is a DES file.\nUse file DES command.\n",
    .question = "File as ASCII text (.PDT) or Postscript (.PST)?  (*A/P) ",
    .outputs = DAT_FILE_OUTPUTS,
    .n_outputs = 2};
const report_dialog PRINT_DES = {.header = "PRINT",
                                 .title = "PRINT(DES)",
                                 .prompt = "Enter name of DES ....  ",
                                 .ext = ".des",
                                 .kind = 0,
                                 .refusal = "This is a DAT file.\nUse print DAT command.\n",
                                 .question = nullptr,
                                 .outputs = &DES_PRINT_OUTPUT,
                                 .n_outputs = 1};
const report_dialog PRINT_DAT = {.header = "PRINT",
                                 .title = "PRINT(DAT)",
                                 .prompt = "Enter name of DAT ....  ",
                                 .ext = ".dat",
                                 .kind = -1,
                                 .refusal = "This is a DES file.\nUse print DES command.\n",
                                 .question = nullptr,
                                 .outputs = &DAT_PRINT_OUTPUT,
                                 .n_outputs = 1};

// The input a dialog loaded; released by release_input.
struct loaded_input {
  char name[MAX_NAME_LEN + 1];
  state_t n;
  state_t init;
  state_node *des;
};

void release_input(loaded_input *in) {
  echo_free();
  freedes(in->n, &in->des);
}

// Clears the message row and leaves the cursor at its start.
void message_row() {
  move(MESSAGE_ROW, 0);
  clrtoeol();
}

void start_screen(const char *header, const char *title) {
  clear();
  move(0, 0);
  printw("%s\n\n%s\n\n", header, title);
}

// Header, input name and loading. Returns true with the input loaded; false when the user
// cancelled or the input was refused (the refusal or the error has been shown with the pause).
bool read_input(const report_dialog &dialog, loaded_input *in) {
  *in = loaded_input{};
  mem_result = 0;
  start_screen(dialog.header, dialog.title);
  if (getname(dialog.prompt, dialog.ext, in->name, 0) != 0) return false;
  in->init = dialog.kind;
  if (!getdes(in->name, &in->n, &in->init, &in->des)) {
    if (mem_result) {
      mem_result = 0;
      OutOfMemoryMsg();
    } else {
      message_row();
      printw("Error reading file: %s%s%s", prefix, in->name, dialog.ext);
    }
    user_pause();
    return false;
  }
  if ((in->init == -1) != (dialog.kind == -1)) {
    clear();
    move(0, 0);
    addstr(dialog.refusal);
    user_pause();
    release_input(in);
    return false;
  }
  return true;
}

// One key answer, echoed when printable, then `breaks`. Returns the key, or KEY_ESCAPE.
int read_answer(const char *breaks) {
  refresh();
  int key = read_key();
  if (key == KEY_ESCAPE) return key;
  if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
  addstr(breaks);
  return key;
}

// Writes the report to prefix + name + ext through a temporary file. On failure shows
// "Error writing file" and pauses. Returns true when written.
bool write_report_file(const report_output &out, const loaded_input &in, const char *name) {
  char path[FULL_NAME_SIZE];
  snprintf(path, sizeof path, "%s%s%s", prefix, name, out.ext);
  report_file rf;
  bool ok = report_open(&rf, path) == 0;
  if (ok && out.write(rf.stream, in.name, in.des, in.n, in.init) != 0) {
    report_abort(&rf);
    ok = false;
  }
  ok = ok && report_commit(&rf) == 0;
  if (!ok) {
    message_row();
    printw("Error writing file: %s%s%s", prefix, name, out.ext);
    user_pause();
  }
  return ok;
}

// Offers the PDF beside a PostScript report when ps2pdf is installed; an existing NAME.pdf is
// replaced only after the overwrite question is answered with Enter or "y" (any other answer
// writes no PDF). Returns 1 on Esc at either question.
int ask_pdf(const char *name, bool *wanted) {
  *wanted = false;
  if (!ps2pdf_available()) return 0;
  printw("Also write %s.pdf with ps2pdf?  (y/*n) ", name);
  int key = read_answer("\n\n");
  if (key == KEY_ESCAPE) return 1;
  *wanted = key == 'y' || key == 'Y';
  char pdf[MAX_NAME_LEN + 5], full[FULL_NAME_SIZE];
  snprintf(pdf, sizeof pdf, "%s.pdf", name);
  snprintf(full, sizeof full, "%s%s", prefix, pdf);
  if (!*wanted || !exist(full)) return 0;
  overwriteYN(pdf);
  key = read_answer("\n\n");
  if (key == KEY_ESCAPE) return 1;
  *wanted = key == KEY_RETURN || key == 'y' || key == 'Y';
  return 0;
}

// Converts the PostScript report `name` + ps_ext to name.pdf and says how that went on row 21.
void write_pdf(const char *name, const char *ps_ext) {
  char ps_path[FULL_NAME_SIZE], pdf_path[FULL_NAME_SIZE], detail[60];
  snprintf(ps_path, sizeof ps_path, "%s%s%s", prefix, name, ps_ext);
  snprintf(pdf_path, sizeof pdf_path, "%s%s.pdf", prefix, name);
  move(STATUS_ROW, 0);
  clrtoeol();
  addstr("Processing:  Please wait...");
  refresh();
  int status = ps_to_pdf(ps_path, pdf_path, detail, sizeof detail);
  move(MESSAGE_ROW - 1, 0);
  clrtoeol();
  if (status == PRINT_OK)
    printw("%s%s has been copied to %s%s", name, ps_ext, name, ".pdf");
  else if (status == PRINT_SPOOLER_FAILED)
    printw("ps2pdf failed: %s", detail);
  else
    printw("Error writing file: %s%s%s", prefix, name, ".pdf");
}

// File DES and File DAT: the output question, the output name, the report, the message.
void file_report(const report_dialog &dialog) {
  loaded_input in;
  if (!read_input(dialog, &in)) return;
  addstr("\n");
  addstr(dialog.question);
  int key = read_answer("\n\n");
  const report_output *out = &dialog.outputs[dialog.n_outputs - 1];
  int upper_key = key >= 0 && key < 256 ? toupper(key) : key;
  for (int i = 0; i < dialog.n_outputs; ++i)
    if (dialog.outputs[i].key != 0 && upper_key == dialog.outputs[i].key) out = &dialog.outputs[i];
  char name[MAX_NAME_LEN + 1];
  bool pdf = false;
  bool go = key != KEY_ESCAPE && getname(out->prompt, out->ext, name, 1) == 0 &&
            (out->key != 'P' || ask_pdf(name, &pdf) == 0);
  if (go && write_report_file(*out, in, name)) {
    if (pdf) write_pdf(name, out->ext);
    message_row();
    printw("%s%s has been copied to %s%s", in.name, dialog.ext, name, out->ext);
    user_pause();
  }
  release_input(&in);
}

// Says why the line printer did not take the report, and pauses.
void show_print_failure(int status, const char *detail) {
  message_row();
  if (status == PRINT_NO_SPOOLER)
    addstr("No line printer: the lpr command was not found.");
  else if (status == PRINT_SPOOLER_FAILED)
    printw("Line printer error: %.50s", detail);
  else
    addstr("Line printer error: the print job could not be prepared.");
  user_pause();
}

// Hands one report to the line printer; a failure is shown with the pause.
void print_report(const report_output &out, const loaded_input &in) {
  report_file job;
  int status = print_job_open(&job);
  if (status == PRINT_OK && out.write(job.stream, in.name, in.des, in.n, in.init) != 0) {
    report_abort(&job);
    status = PRINT_WRITE_FAILED;
  }
  char detail[100] = "";
  if (status == PRINT_OK) status = print_job_submit(&job, detail, sizeof detail);
  if (status != PRINT_OK) show_print_failure(status, detail);
}

// Print DES and Print DAT: to the line printer, or to a text report file.
void print_to(const report_dialog &dialog) {
  loaded_input in;
  if (!read_input(dialog, &in)) return;
  int key;
  do {
    addstr("\nPrint to line printer?  (*y/n) ");
    refresh();
    key = read_key();
    if (key == KEY_RETURN) key = 'y';
    if (key != KEY_ESCAPE) {
      if (key >= 32 && key <= 126) addch(static_cast<chtype>(key));
      addstr("\n");
    }
  } while (key != KEY_ESCAPE && strchr("YNyn", key) == nullptr);
  if (key == 'n' || key == 'N') {
    addstr("\n");
    char name[MAX_NAME_LEN + 1];
    if (getname(dialog.outputs->prompt, dialog.outputs->ext, name, 1) == 0)
      write_report_file(*dialog.outputs, in, name);
  } else if (key != KEY_ESCAPE) {
    print_report(*dialog.outputs, in);
  }
  release_input(&in);
}

}  // namespace

void file_des_p() {
  file_report(FILE_DES);
}

void file_dat_p() {
  file_report(FILE_DAT);
}

void print_des_p() {
  print_to(PRINT_DES);
}

void print_dat_p() {
  print_to(PRINT_DAT);
}

// Print TXT: the file's characters and a line end go to the line printer once the user confirms.
void print_ascii_p() {
  start_screen("PRINT", "PRINT(TXT)");
  char name[MAX_NAME_LEN + 1], path[FULL_NAME_SIZE];
  if (getname("Enter name of TXT ....  ", ".txt", name, 0) != 0) return;
  make_filename_ext(path, name, ".txt");
  FILE *in = fopen(path, "r");
  if (in == nullptr) {
    message_row();
    printw("Error reading file: %s%s%s", prefix, name, ".txt");
    user_pause();
    return;
  }
  int key;
  do {
    addstr("Check that printer is online, then press <Enter> to print  \n\n");
    refresh();
    key = read_key();
  } while (key != KEY_RETURN && key != KEY_ESCAPE);
  if (key == KEY_RETURN) {
    report_file job;
    int status = print_job_open(&job);
    if (status == PRINT_OK && copy_text_report(in, job.stream) != 0) {
      report_abort(&job);
      status = PRINT_WRITE_FAILED;
    }
    char detail[100] = "";
    if (status == PRINT_OK) status = print_job_submit(&job, detail, sizeof detail);
    if (status != PRINT_OK) show_print_failure(status, detail);
  }
  fclose(in);
}

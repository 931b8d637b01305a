// ADS files. A description has four sections, each opened by a label line: the DES name, the
// state count ("State size ..."), "Marker states:", "Vocal states:" and "Transitions:". Lines
// starting with "#" are comments, empty lines are skipped, and line numbers count every line.
#include "model/ads2des.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "model/des_supp.h"
#include "model/mymalloc.h"
#include "model/report_file.h"

#define ADS_ERROR_TEXT(code, text) text,
const char ads_error_str[ADS_ERROR_COUNT][60] = {ADS_ERRORS(ADS_ERROR_TEXT)};
#undef ADS_ERROR_TEXT

namespace {

const char MARKER_LABEL[] = "Marker states:";
const char VOCAL_LABEL[] = "Vocal states:";
const char TRANSITION_LABEL[] = "Transitions:";
const event_t ADS_MAX_EVENT = 999;
const long MIN_OUTPUT = 10, MAX_OUTPUT = 99;
// Buffer of the first word of a label line (longer words are compared by their first 254
// characters). Lines themselves may have any length.
const int LINE_BUFFER = 255;

const char *const STATE_SECTION[] = {
    "State size (State set will be (0,1....,size-1)):",
    "# <-- Enter state size, in range 0 to 2000000, on line below.",
};
const char *const MARKER_SECTION[] = {
    MARKER_LABEL,
    "# <-- Enter marker states, one per line.",
    "# To mark all states, enter *.",
    "# If no marker states, leave line blank.",
    "# End marker list with blank line.",
};
const char *const VOCAL_SECTION[] = {
    VOCAL_LABEL,
    "# <-- Enter vocal output states, one per line.",
    "# Format: State  Vocal_Output.  Vocal_Output in range 10 to 99.",
    "# Example: 0 10",
    "# If no vocal states, leave line blank.",
    "# End vocal list with blank line.",
};
const char *const TRANSITION_SECTION[] = {
    TRANSITION_LABEL,
    "# <-- Enter transition triple, one per line.",
    "# Format: Exit_(Source)_State  Transition_Label  Entrance_(Target)_State.",
    "# Transition_Label in range 0 to 999.",
    "# Example: 2 0 1 (for transition labeled 0 from state 2 to state 1).",
};

template <size_t N>
void put_lines(FILE *f, const char *const (&lines)[N]) {
  for (const char *line : lines) fprintf(f, "%s\n", line);
}

// Error list of the single-file reader, handed over to ads_2_des's caller.
ads_error *error_list = nullptr;
int32_t error_count = 0;
int32_t error_capacity = 0;

// Reader states, in the order of the sections.
enum ads_section {
  NAME_LINE = 1,
  STATE_LABEL,
  STATE_COUNT,
  MARKER_LABEL_LINE,
  MARKER_LINES,
  VOCAL_LABEL_LINE,
  VOCAL_LINES,
  TRANSITION_LABEL_LINE,
  TRANSITION_LINES,
};

struct ads_reader {
  bool every_error;  // single-file mode: record all errors; else stop at the first
  int section = NAME_LINE;
  int32_t line = 0;
  int32_t errors = 0;
  int first_code = ADS_OK;
  int32_t first_line = -1, first_earlier = -1;
  bool stop = false;  // first error in all-files mode, or out of memory
  state_t size = 0;
  state_node *des = nullptr;
  // Per state, the line of each accepted transition, parallel to the state's transition array.
  int32_t **lines = nullptr;
};

void A2D_report(ads_reader *r, int code, int32_t earlier = -1) {
  if (r->stop) return;
  if (r->errors == 0) {
    r->first_code = code;
    r->first_line = r->line;
    r->first_earlier = earlier;
  }
  r->errors++;
  if (r->every_error)
    log_ads_err(code, r->line, earlier);
  else
    r->stop = true;
}

void A2D_out_of_memory(ads_reader *r) {
  A2D_report(r, ADS_INTERNAL);
  r->stop = true;
}

// True when low <= value <= high; otherwise reports `below` or `above` and returns false.
bool A2D_in_range(ads_reader *r, long value, long low, long high, int below, int above) {
  if (value < low) A2D_report(r, below);
  if (value > high) A2D_report(r, above);
  return value >= low && value <= high;
}

// Reads up to `n` integers the way consecutive "%ld" conversions do; returns how many were read.
int A2D_scan(const char *text, long *values, int n) {
  for (int k = 0; k < n; k++) {
    char *end;
    values[k] = strtol(text, &end, 10);
    if (end == text) return k;
    text = end;
  }
  return n;
}

void A2D_free(ads_reader *r) {
  if (r->lines != nullptr) {
    for (state_t s = 0; s < r->size; s++) free(r->lines[s]);
    free(r->lines);
    r->lines = nullptr;
  }
  freedes(r->size, &r->des);
}

void A2D_name_line(ads_reader *r, const char *text) {
  char word[LINE_BUFFER];
  if (sscanf(text, "%254s", word) != 1)
    A2D_report(r, ADS_NO_NAME);
  else
    r->section = STATE_LABEL;
}

void A2D_state_label(ads_reader *r, const char *text) {
  char word[LINE_BUFFER];
  if (sscanf(text, "%254s", word) == 1 && strcmp(word, "State") == 0)
    r->section = STATE_COUNT;
  else
    A2D_report(r, ADS_EXPECT_STATE_SIZE);
}

void A2D_state_count(ads_reader *r, const char *text) {
  long n;
  if (A2D_scan(text, &n, 1) != 1) return A2D_report(r, ADS_BAD_STATE_NUMBER);
  if (!A2D_in_range(r, n, 0, ADS_MAX_STATES, ADS_STATE_RANGE, ADS_STATE_TOO_LARGE)) return;
  if (n > 0) {
    r->des = newdes(static_cast<state_t>(n));
    r->lines = static_cast<int32_t **>(CALLOC(static_cast<size_t>(n), sizeof(int32_t *)));
    r->size = static_cast<state_t>(n);
    if (r->des == nullptr || r->lines == nullptr) return A2D_out_of_memory(r);
  }
  r->section = MARKER_LABEL_LINE;
}

void A2D_label(ads_reader *r, const char *text, const char *label, int next, int code) {
  if (strcmp(text, label) == 0)
    r->section = next;
  else
    A2D_report(r, code);
}

void A2D_marker_line(ads_reader *r, const char *text) {
  if (strcmp(text, VOCAL_LABEL) == 0) {
    r->section = VOCAL_LINES;
    return;
  }
  if (text[0] == '*' || (text[0] == ' ' && text[1] == '*')) {
    for (state_t s = 0; s < r->size; s++) r->des[s].marked = 1;
    r->section = VOCAL_LABEL_LINE;
    return;
  }
  long s;
  if (A2D_scan(text, &s, 1) != 1) return A2D_report(r, ADS_BAD_MARKER);
  if (!A2D_in_range(r, s, 0, r->size - 1, ADS_MARKER_RANGE, ADS_MARKER_TOO_LARGE)) return;
  r->des[s].marked = 1;
}

void A2D_vocal_line(ads_reader *r, const char *text) {
  if (strcmp(text, TRANSITION_LABEL) == 0) {
    r->section = TRANSITION_LINES;
    return;
  }
  long v[2];
  if (A2D_scan(text, v, 2) != 2) return A2D_report(r, ADS_BAD_VOCAL);
  bool state_ok = A2D_in_range(r, v[0], 0, r->size - 1, ADS_STATE_RANGE, ADS_STATE_TOO_LARGE);
  bool output_ok =
      A2D_in_range(r, v[1], MIN_OUTPUT, MAX_OUTPUT, ADS_VOCAL_TOO_SMALL, ADS_VOCAL_TOO_LARGE);
  if (state_ok && output_ok) r->des[v[0]].vocal = static_cast<uint16_t>(v[1] & 0x1FFF);
}

// Adds an accepted transition, or reports one that contradicts an earlier transition with the
// same exit state and label. An exact repeat changes nothing but the remembered line.
void A2D_add_transition(ads_reader *r, state_t exit, event_t e, state_t entrance) {
  state_node &node = r->des[exit];
  int at = 0, high = node.numelts;  // first transition with event >= e
  while (at < high) {
    int mid = (at + high) / 2;
    if (node.next[mid].event() < e)
      at = mid + 1;
    else
      high = mid;
  }
  if (at < node.numelts && node.next[at].event() == e) {
    if (node.next[at].target() != entrance)
      return A2D_report(r, ADS_NONDETERMINISTIC, r->lines[exit][at]);
    r->lines[exit][at] = r->line;
    return;
  }
  int added;
  addordlist1(e, entrance, &node.next, node.numelts, &added);
  if (!added) return A2D_out_of_memory(r);
  int32_t *grown = REALLOC_N(r->lines[exit], static_cast<size_t>(node.numelts) + 1);
  node.numelts++;
  if (grown == nullptr) return A2D_out_of_memory(r);
  memmove(grown + at + 1, grown + at, static_cast<size_t>(node.numelts - 1 - at) * sizeof *grown);
  grown[at] = r->line;
  r->lines[exit] = grown;
}

void A2D_transition_line(ads_reader *r, const char *text) {
  long v[3];
  if (A2D_scan(text, v, 3) != 3) return A2D_report(r, ADS_BAD_TRANSITION);
  bool exit_ok = A2D_in_range(r, v[0], 0, r->size - 1, ADS_EXIT_RANGE, ADS_EXIT_TOO_LARGE);
  bool label_ok = A2D_in_range(r, v[1], 0, ADS_MAX_EVENT, ADS_LABEL_RANGE, ADS_LABEL_TOO_LARGE);
  bool entrance_ok =
      A2D_in_range(r, v[2], 0, r->size - 1, ADS_ENTRANCE_RANGE, ADS_ENTRANCE_TOO_LARGE);
  if (exit_ok && label_ok && entrance_ok)
    A2D_add_transition(r, static_cast<state_t>(v[0]), static_cast<event_t>(v[1]),
                       static_cast<state_t>(v[2]));
}

void A2D_step(ads_reader *r, const char *text) {
  switch (r->section) {
    case NAME_LINE:
      return A2D_name_line(r, text);
    case STATE_LABEL:
      return A2D_state_label(r, text);
    case STATE_COUNT:
      return A2D_state_count(r, text);
    case MARKER_LABEL_LINE:
      return A2D_label(r, text, MARKER_LABEL, MARKER_LINES, ADS_EXPECT_MARKER);
    case MARKER_LINES:
      return A2D_marker_line(r, text);
    case VOCAL_LABEL_LINE:
      return A2D_label(r, text, VOCAL_LABEL, VOCAL_LINES, ADS_EXPECT_VOCAL);
    case VOCAL_LINES:
      return A2D_vocal_line(r, text);
    case TRANSITION_LABEL_LINE:
      return A2D_label(r, text, TRANSITION_LABEL, TRANSITION_LINES, ADS_EXPECT_TRANSITIONS);
    case TRANSITION_LINES:
      return A2D_transition_line(r, text);
    default:
      return A2D_report(r, ADS_INTERNAL);
  }
}

// Runs the reader over the whole file (or up to the first error when r->every_error is false).
// The DES built on the way stays in r for the caller to take or free.
void A2D_read(ads_reader *r, FILE *f) {
  char *text = nullptr;
  size_t capacity = 0;
  ssize_t read;
  while (!r->stop && (read = getline(&text, &capacity, f)) >= 0) {
    r->line++;
    if (text[0] == '#') continue;
    size_t len = static_cast<size_t>(read);
    if (len > 0 && text[len - 1] == '\n') text[--len] = '\0';
    if (len == 0) continue;
    A2D_step(r, text);
  }
  bool failed = !r->stop && !feof(f);  // out of memory for the line, or a read error
  int cause = errno;
  free(text);
  if (failed) {
    if (cause == ENOMEM) mem_result = 1;
    r->line++;
    return A2D_out_of_memory(r);
  }
  if (r->errors == 0 && r->section < TRANSITION_LABEL_LINE) A2D_report(r, ADS_UNEXPECTED_EOF);
}

// Hands the reader's DES to the caller and releases the line bookkeeping.
void A2D_take_des(ads_reader *r, state_node **des, state_t *size) {
  *des = r->des;
  *size = r->size;
  r->des = nullptr;
  A2D_free(r);
}

}  // namespace

void log_ads_err(int32_t code, int32_t line, int32_t earlier_line) {
  if (error_count == error_capacity) {
    int32_t capacity = error_capacity == 0 ? 16 : 2 * error_capacity;
    ads_error *grown = REALLOC_N(error_list, static_cast<size_t>(capacity));
    if (grown == nullptr) return;
    error_list = grown;
    error_capacity = capacity;
  }
  error_list[error_count++] = ads_error{code, line, earlier_line};
}

int generate_ads_file(const char *path, const char *name) {
  report_file rf;
  if (report_open(&rf, path) != 0) return 1;
  FILE *f = rf.stream;
  fprintf(f, "# MURN ADS Template\n\n%s\n\n", name);
  put_lines(f, STATE_SECTION);
  fprintf(f, "\n");
  put_lines(f, MARKER_SECTION);
  fprintf(f, "\n");
  put_lines(f, VOCAL_SECTION);
  fprintf(f, "\n");
  put_lines(f, TRANSITION_SECTION);
  fprintf(f, "\n");
  return report_commit(&rf);
}

int des_to_ads(const char *name, FILE *stream, const state_node *des, state_t size) {
  fprintf(stream, "# MURN ADS auto-generated\n\n%s\n\n", name);
  put_lines(stream, STATE_SECTION);
  fprintf(stream, "%d\n\n", size);
  put_lines(stream, MARKER_SECTION);
  for (state_t s = 0; s < size; s++)
    if (des[s].marked) fprintf(stream, "%d\n", s);
  fprintf(stream, "\n");
  put_lines(stream, VOCAL_SECTION);
  for (state_t s = 0; s < size; s++)
    if (des[s].vocal > 0) fprintf(stream, "%-5ld %-4d\n", static_cast<long>(s), des[s].vocal);
  fprintf(stream, "\n");
  put_lines(stream, TRANSITION_SECTION);
  for (state_t s = 0; s < size; s++)
    for (int j = 0; j < des[s].numelts; j++)
      fprintf(stream, "%-5ld %-3d %-5ld\n", static_cast<long>(s), des[s].next[j].event(),
              static_cast<long>(des[s].next[j].target()));
  fprintf(stream, "\n");
  return ferror(stream) ? 1 : 0;
}

int ads_2_des(const char *path, ads_error **errors, int32_t *count, state_node **des,
              state_t *size) {
  error_list = nullptr;
  error_count = error_capacity = 0;
  int result = 1;
  FILE *f = fopen(path, "r");
  if (f == nullptr) {
    log_ads_err(ADS_NO_NAME, -1, -1);
  } else {
    ads_reader r;
    r.every_error = true;
    A2D_read(&r, f);
    fclose(f);
    result = r.errors;  // also counts records lost to a failed growth of the list
    if (r.errors == 0)
      A2D_take_des(&r, des, size);
    else
      A2D_free(&r);
  }
  *errors = error_list;
  *count = error_count;
  error_list = nullptr;
  error_count = error_capacity = 0;
  return result;
}

int ads_2_des_all(const char *path, int32_t *line, int32_t *earlier_line, state_node **des,
                  state_t *size) {
  *line = *earlier_line = -1;
  FILE *f = fopen(path, "r");
  if (f == nullptr) return ADS_NO_FILE;
  ads_reader r;
  r.every_error = false;
  A2D_read(&r, f);
  fclose(f);
  if (r.errors == 0) {
    A2D_take_des(&r, des, size);
    return ADS_OK;
  }
  *line = r.first_line;
  *earlier_line = r.first_earlier;
  A2D_free(&r);
  return r.first_code;
}

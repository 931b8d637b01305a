// Batch runs: a script in the MAKEIT log syntax, replayed step by step through the compute
// requests of the dialogs, each completed step logged as its dialog would log it and checked
// against the results its entry recorded.
#include "app/run_command.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/supcon.h"
#include "engine/alphabet_notes.h"
#include "engine/catalogue.h"
#include "engine/makeit.h"
#include "engine/progress_file.h"
#include "engine/protocol.h"
#include "engine/replay.h"
#include "engine/result_messages.h"
#include "engine/script.h"
#include "engine/startup.h"
#include "model/des_file.h"
#include "model/des_supp.h"
#include "ui/des_edit.h"
#include "ui/dialogs.h"

namespace {

struct run_options {
  const char *script = nullptr;
  const char *dir = nullptr;
  bool json = false;
  bool keep_going = false;
};

// A DES (or DAT) a step holds while it runs.
struct held_des {
  state_t size = 0;
  state_node *des = nullptr;
  held_des() = default;
  held_des(const held_des &) = delete;
  held_des &operator=(const held_des &) = delete;
  ~held_des() { freedes(size, &des); }
};

// How a step ended before its recorded results are compared.
struct step_run {
  bool ran = false;
  std::string reason;  // why it did not run
  step_outcome outcome;
};

volatile sig_atomic_t interrupted = 0;
bool show_progress = false;
std::string progress_label;

void on_interrupt(int) {
  interrupted = 1;
}

int usage_error(const std::string &what) {
  fprintf(stderr, "sarv -run: %s\nUsage: sarv -run SCRIPT [-d DIR] [--json] [--keep-going]\n",
          what.c_str());
  return 2;
}

std::string file_path(const std::string &name, const char *ext) {
  return std::string(prefix) + name + ext;
}

bool file_exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool load(const std::string &name, bool dat, held_des *held) {
  state_t init = dat ? -1 : 0;
  return getdes(name.c_str(), &held->size, &init, &held->des) != 0;
}

// The events on transitions of the DES, added to the ascending list.
void add_events(const held_des &held, std::vector<event_t> *events) {
  for (state_t s = 0; s < held.size; ++s)
    for (uint16_t j = 0; j < held.des[s].numelts; ++j) {
      event_t e = held.des[s].next[j].event();
      auto at = std::lower_bound(events->begin(), events->end(), e);
      if (at == events->end() || *at != e) events->insert(at, e);
    }
}

// The row a log entry names: one the compute process runs, else a test computed here, else the
// row the build keeps reserved; null when no row has the name.
const procedure_row *row_named(const std::string &name) {
  const procedure_row *found = nullptr;
  for (int i = 0; i < PROC_COUNT; ++i) {
    const procedure_row &row = procedure(static_cast<procedure_id>(i));
    if (row.name == nullptr || name != row.name) continue;
    if (row.steps != nullptr) return &row;
    if (found == nullptr || row.code == 0) found = &row;
  }
  return found;
}

// The message of a failed request, with the file it is about.
std::string failure_text(const procedure_row &row, int code,
                         const std::vector<std::string> &names) {
  std::string file = file_path(names.back(), row.names[row.inputs].ext);
  if (code == MURN_INPUT_NOT_READ || code == MURN_NONDETERMINISTIC) {
    for (int i = 0; i < row.inputs; ++i) {
      held_des held;
      bool readable =
          load(names[static_cast<size_t>(i)], strcmp(row.names[i].ext, ".dat") == 0, &held);
      if (code == MURN_INPUT_NOT_READ ? !readable : readable && !checkdet(held.size, held.des)) {
        file = code == MURN_NONDETERMINISTIC
                   ? names[static_cast<size_t>(i)] + row.names[i].ext
                   : file_path(names[static_cast<size_t>(i)], row.names[i].ext);
        break;
      }
    }
  }
  if (code == MURN_SUPREDUCE_ERROR && names.size() >= 3)
    return "result " + std::to_string(code) + ": " +
           supreduce_failure_text(names[0].c_str(), names[1].c_str(), names[2].c_str());
  char text[512];
  snprintf(text, sizeof text, result_text(code), file.c_str());
  return "result " + std::to_string(code) + ": " + text;
}

bool append_entry(const std::string &entry, std::string *reason) {
  std::string log = std::string(prefix) + "makeit.txt";
  if (makeit_append(log.c_str(), entry) == 0) return true;
  *reason = "cannot write the log " + log;
  return false;
}

// Isomorph and Nonconflict, computed here as their dialogs compute them.
void run_test(const procedure_row &row, const script_step &step, double start, step_run *run) {
  std::vector<std::string> names = step.names;
  if (row.log_inputs_reversed) std::swap(names[0], names[1]);
  held_des first, second;
  for (int i = 0; i < 2; ++i) {
    if (!load(names[static_cast<size_t>(i)], false, i == 0 ? &first : &second)) {
      run->reason = "cannot read " + file_path(names[static_cast<size_t>(i)], ".des");
      return;
    }
  }
  int verdict = 1;
  std::vector<state_t> map;
  if (row.log_args == LOG_CORRESPONDENCE) {
    if (names[0] != names[1] && (first.size > 0 || second.size > 0)) {
      map.assign(static_cast<size_t>(first.size > 0 ? first.size : 1), -1);
      iso1(first.size, second.size, first.des, second.des, &verdict, map.data());
    }
  } else {
    verdict = nonconflict_des(first.size, first.des, second.size, second.des);
  }
  if (mem_result) {
    run->reason = "out of memory";
    return;
  }
  makeit_facts facts;
  facts.output = verdict ? "true" : "false";
  facts.inputs[0] = names[0].c_str();
  facts.inputs[1] = names[1].c_str();
  facts.map = map.empty() ? nullptr : map.data();
  facts.map_size = first.size;
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count() -
      start;
  if (!append_entry(makeit_entry(row, facts, timing_mode != 0, seconds), &run->reason)) return;
  run->ran = true;
  run->outcome.truth = verdict;
}

// The vocal outputs on states of the DES, ascending, without 0.
std::vector<event_t> outputs_of(const held_des &held) {
  std::vector<event_t> outputs;
  for (state_t s = 0; s < held.size; ++s) {
    event_t v = static_cast<event_t>(held.des[s].vocal);
    auto at = std::lower_bound(outputs.begin(), outputs.end(), v);
    if (v != 0 && (at == outputs.end() || *at != v)) outputs.insert(at, v);
  }
  return outputs;
}

// The vocalization requests of a Vocalize entry, looked up in DES1 as its dialog does: the
// entrance state of [exit state, event, output] is the target of the exit state's first
// transition on the event. Sorted and without duplicates (add_quad). "" or the reason.
std::string entry_quads(const script_step &step, const std::string &des1, quad **quads,
                        state_t *count) {
  held_des held;
  if (!load(des1, false, &held)) return "cannot read " + file_path(des1, ".des");
  for (const script_item &item : step.items) {
    char triple[80];
    snprintf(triple, sizeof triple, "[%ld,%ld,%ld]", item.v[0], item.v[1], item.v[2]);
    state_t s = static_cast<state_t>(item.v[0]);
    if (item.v[0] >= held.size)
      return std::string("entry ") + triple + ": " + des1 + " has no such state";
    uint16_t j = 0;
    while (j < held.des[s].numelts && held.des[s].next[j].event() != item.v[1]) ++j;
    if (j == held.des[s].numelts)
      return std::string("entry ") + triple + ": no transition on that event from that state";
    int16_t other = 0;
    if (inlist_quad(*quads, *count, s, static_cast<event_t>(item.v[1]),
                    held.des[s].next[j].target(), &other) &&
        other != item.v[2])
      return std::string("entry ") + triple + ": that transition already has output " +
             std::to_string(other);
    int added = 0;
    add_quad(s, static_cast<event_t>(item.v[1]), held.des[s].next[j].target(),
             static_cast<int16_t>(item.v[2]), quads, *count, &added);
    if (mem_result) return "out of memory";
    if (added) ++*count;
  }
  return "";
}

// Runs the request of `row` and reads its output back into *output. "" or the reason.
std::string request_output(const procedure_row &row, const std::vector<std::string> &names,
                           const void *list, int count, held_des *output, int32_t *bound,
                           float *ratio) {
  const char *request_names[MAX_REQUEST_NAMES];
  for (size_t i = 0; i < names.size(); ++i) request_names[i] = names[i].c_str();
  int code = run_request(row.id, request_names, list, count, bound, ratio);
  if (code != MURN_OK) return failure_text(row, code, names);
  if (!load(names.back(), row.output == OUTPUT_DAT, output))
    return "no readable output " + file_path(names.back(), row.names[row.inputs].ext);
  return "";
}

// A step of a procedure the compute process runs: request, output read back, entry.
void run_procedure(const procedure_row &row, const script_step &step, double start, step_run *run) {
  std::vector<std::string> names = step.names;
  names.push_back(step.result);
  for (int i = 0; i < row.inputs; ++i) {
    std::string input = file_path(names[static_cast<size_t>(i)], row.names[i].ext);
    if (!file_exists(input)) {
      run->reason = "missing input file " + input;
      return;
    }
  }
  // The list as the dialog would hold it: ascending, without duplicates.
  std::vector<event_t> typed, erased;
  for (long e : step.events) {
    auto at = std::lower_bound(typed.begin(), typed.end(), static_cast<event_t>(e));
    if (at == typed.end() || *at != e) typed.insert(at, static_cast<event_t>(e));
  }
  std::vector<state_pair> pairs;
  for (const script_item &item : step.items) {
    state_pair p{static_cast<state_t>(item.v[0]), static_cast<state_t>(item.v[1])};
    auto at = std::lower_bound(pairs.begin(), pairs.end(), p,
                               [](const state_pair &a, const state_pair &b) {
                                 return a.data1 != b.data1 ? a.data1 < b.data1 : a.data2 < b.data2;
                               });
    if (at == pairs.end() || at->data1 != p.data1 || at->data2 != p.data2) pairs.insert(at, p);
  }
  if (step.image) {  // the request erases the inputs' events outside the retained list
    std::vector<event_t> all;
    for (int i = 0; i < row.inputs; ++i) {
      held_des held;
      if (load(names[static_cast<size_t>(i)], false, &held)) add_events(held, &all);
    }
    for (event_t e : all)
      if (!std::binary_search(typed.begin(), typed.end(), e)) erased.push_back(e);
  }
  std::unique_ptr<quad, decltype(&free)> quads(nullptr, free);
  state_t n_quads = 0;
  const void *list = nullptr;
  int count = 0;
  if (row.list == LIST_EVENTS) {
    const std::vector<event_t> &events = step.image ? erased : typed;
    list = events.data();
    count = static_cast<int>(events.size());
  } else if (row.list == LIST_STATE_PAIRS) {
    list = pairs.data();
    count = static_cast<int>(pairs.size());
  } else if (row.list == LIST_QUADS) {
    quad *held_quads = nullptr;
    run->reason = entry_quads(step, names[0], &held_quads, &n_quads);
    quads.reset(held_quads);
    if (!run->reason.empty()) return;
    list = quads.get();
    count = static_cast<int>(n_quads);
  }
  // Hiconsis: the outputs DES1 has; the new ones of the result are the entry's new labels.
  std::vector<event_t> old_outputs;
  bool hiconsis = row.log_tail == LOG_NEW_LABELS_SIZES;
  if (hiconsis) {
    held_des held;
    if (load(names[0], false, &held)) old_outputs = outputs_of(held);
  }
  auto new_labels = [&old_outputs](const held_des &output) {
    std::vector<long> labels;
    for (event_t v : outputs_of(output))
      if (!std::binary_search(old_outputs.begin(), old_outputs.end(), v)) labels.push_back(v);
    return labels;
  };
  progress_label = step.result + " = " + step.procedure;
  int32_t bound = 0;
  float ratio = 0;
  held_des output;
  const procedure_row *ran = &row;
  if (hiconsis) {
    // The entry does not say whether one shared new output or one per new location was asked
    // for: run the dialog's default (one shared output), and the other variant when the new
    // labels or sizes differ from the entry's; keep the one that matches.
    auto matches = [&step, &new_labels](const held_des &h) {
      return new_labels(h) == step.new_labels &&
             (!step.sized || (h.size == step.states &&
                              static_cast<long>(count_tran(h.des, h.size)) == step.transitions));
    };
    ran = &procedure(PROC_HICONSIS1);
    run->reason = request_output(*ran, names, list, count, &output, &bound, &ratio);
    if (run->reason.empty() && step.has_new_labels && !matches(output)) {
      held_des second;
      const procedure_row *multiple = &procedure(PROC_HICONSIS);
      if (request_output(*multiple, names, list, count, &second, &bound, &ratio).empty() &&
          matches(second))
        ran = multiple;
      else {  // neither matches: the default's output is filed again and reported
        freedes(second.size, &second.des);
        second.size = 0;
        run->reason = request_output(*ran, names, list, count, &second, &bound, &ratio);
      }
      std::swap(output.size, second.size);
      std::swap(output.des, second.des);
    }
  } else {
    run->reason = request_output(row, names, list, count, &output, &bound, &ratio);
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count() -
      start;
  if (!run->reason.empty()) return;
  step_outcome &o = run->outcome;
  o.has_size = true;
  o.states = output.size;
  o.transitions = static_cast<long>(count_tran(output.des, output.size));
  o.bound = bound;
  o.has_bound = row.result == RESULT_BOUND_RATIO;
  o.ratio = ratio;
  if (row.output == OUTPUT_DAT) o.controllable = compute_controllable(output.des, output.size);
  o.has_new_labels = hiconsis;
  if (hiconsis) o.new_labels = new_labels(output);
  o.has_blocked = row.log_tail == LOG_SIZES_BLOCKED;
  std::vector<event_t> blocked;
  if (row.log_tail == LOG_SIZES_BLOCKED) {
    std::vector<event_t> inputs_events, output_events;
    for (int i = 0; i < row.inputs; ++i) {
      held_des held;
      if (load(names[static_cast<size_t>(i)], false, &held)) add_events(held, &inputs_events);
    }
    add_events(output, &output_events);
    for (event_t e : inputs_events)
      if (!std::binary_search(output_events.begin(), output_events.end(), e)) {
        blocked.push_back(e);
        o.blocked.push_back(e);
      }
  }
  makeit_facts facts;
  facts.output = step.result.c_str();
  for (int i = 0; i < row.inputs; ++i) facts.inputs[i] = names[static_cast<size_t>(i)].c_str();
  facts.typed = typed.data();
  facts.n_typed = static_cast<uint16_t>(typed.size());
  facts.pairs = pairs.data();
  facts.n_pairs = static_cast<state_t>(pairs.size());
  facts.image = step.image;
  facts.des = output.des;
  facts.size = output.size;
  facts.blocked = blocked.data();
  facts.n_blocked = static_cast<uint16_t>(blocked.size());
  facts.quads = quads.get();
  facts.n_quads = n_quads;
  facts.old_outputs = old_outputs.data();
  facts.n_old_outputs = static_cast<uint16_t>(old_outputs.size());
  facts.bound = bound;
  if (!append_entry(makeit_entry(*ran, facts, timing_mode != 0, seconds), &run->reason)) return;
  run->ran = true;
  const char *inputs[] = {names[0].c_str(), names[names.size() > 2 ? 1 : 0].c_str()};
  o.notes = alphabet_notes(
      row, inputs, row.list == LIST_EVENTS ? static_cast<const event_t *>(list) : nullptr, count);
}

// Files `d` under the step's result name; false, with the reason, when it cannot be written.
bool file_result(const script_step &step, const held_des &d, step_run *run) {
  if (filedes(step.result.c_str(), d.size, 0, d.des) == 0) return true;
  run->reason = "cannot write " + file_path(step.result, ".des");
  return false;
}

// Logs the entry of a step that filed `d` (wrapped under its result name) and records the run
// with the size of d.
void log_filed(const script_step &step, const std::string &entry, const held_des &d,
               step_run *run) {
  if (!append_entry(makeit_wrap(entry, static_cast<int>(step.result.size()) + 3), &run->reason))
    return;
  run->ran = true;
  run->outcome.has_size = true;
  run->outcome.states = d.size;
  run->outcome.transitions = static_cast<long>(count_tran(d.des, d.size));
}

// A Create entry: the DES it describes, filed, and its entry logged again.
void run_create(const script_step &step, step_run *run) {
  held_des built;
  run->reason = build_created_des(step, &built.size, &built.des);
  if (!run->reason.empty()) return;
  if (!file_result(step, built, run)) return;
  // A fully marked DES filed from ADS text lists its marker states; typed in, it says "all".
  bool list_all_marks = true;
  for (const script_group &group : step.groups)
    if (group.keyword == "mark" && group.all) list_all_marks = false;
  log_filed(step, create_entry(step.result.c_str(), built.des, built.size, list_all_marks), built,
            run);
}

// What an Edit entry lists, as the editor records it for its entry.
edit_record edit_record_of(const script_step &step) {
  edit_record record;
  record.reached = step.reach;
  for (const script_group &g : step.groups)
    for (const script_item &it : g.items) {
      state_t a = static_cast<state_t>(it.v[0]), c = static_cast<state_t>(it.v[2]);
      if (g.keyword == "mark" && it.count == 0) {
        (it.sign == '+' ? record.all_marked : record.all_unmarked) = true;
      } else if (g.keyword == "mark") {
        (it.sign == '+' ? record.new_marks : record.old_marks).push_back(a);
      } else if (g.keyword == "states") {
        record.deleted_states.push_back(a);
      } else if (g.keyword == "trans") {
        triple t{a, static_cast<event_t>(it.v[1]), c};
        (it.sign == '+' ? record.new_trans : record.old_trans).push_back(t);
      } else {
        state_pair p{a, static_cast<state_t>(it.v[1])};
        (g.keyword == "voc" ? record.vocals : record.unif_pairs).push_back(p);
      }
    }
  return record;
}

// An Edit entry: the changes it lists applied to its source DES, filed under its result name.
void run_edit(const script_step &step, step_run *run) {
  held_des edited;
  if (!file_exists(file_path(step.names[0], ".des")) || !load(step.names[0], false, &edited)) {
    run->reason = "missing input file " + file_path(step.names[0], ".des");
    return;
  }
  run->reason = apply_edit(step, &edited.size, &edited.des);
  if (!run->reason.empty()) return;
  if (!file_result(step, edited, run)) return;
  log_filed(step,
            edit_entry(step.result.c_str(), step.names[0].c_str(), edit_record_of(step),
                       edited.size, static_cast<long>(count_tran(edited.des, edited.size))),
            edited, run);
}

step_run run_held_step(const script_step &step) {
  step_run run;
  mem_result = 0;
  double start =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  if (step.procedure == "Create") {
    run_create(step, &run);
    return run;
  }
  if (step.procedure == "Edit") {
    run_edit(step, &run);
    return run;
  }
  const procedure_row *row = row_named(step.procedure);
  if (row == nullptr || (row->steps == nullptr && row->code != 0)) {
    run.reason = "procedure " + step.procedure + " is not available in this build";
    return run;
  }
  if (static_cast<int>(step.names.size()) != row->inputs) {
    run.reason = step.procedure + " takes " + std::to_string(row->inputs) + " input names";
    return run;
  }
  if (row->code == 0)
    run_test(*row, step, start, &run);
  else
    run_procedure(*row, step, start, &run);
  return run;
}

// A step holds the user directory from its request until its entry is logged, so another process
// on the directory can neither replace the output before it is read back nor slip its own result
// in.
step_run run_step(const script_step &step) {
  if (int held = hold_user_directory(); held != 0) {
    step_run run;
    run.reason = held == MURN_CHILD_FAILED
                     ? "interrupted while waiting for the user directory"
                     : std::string("cannot open the user directory ") + prefix;
    return run;
  }
  step_run run = run_held_step(step);
  release_user_directory();
  return run;
}

// Live progress on standard error while a compute process runs: elapsed time and its last line.
int watch_compute(double elapsed, int) {
  if (!show_progress) return interrupted ? 1 : 0;
  char path[256], line[PROGRESS_RECORD + 1] = "";
  if (progress_file_path(path, sizeof path) == 0) read_progress(path, line, sizeof line);
  int seconds = static_cast<int>(elapsed);
  fprintf(stderr, "\r\033[K  %s  %02d:%02d:%02d  %s", progress_label.c_str(), seconds / 3600,
          seconds / 60 % 60, seconds % 60, line);
  fflush(stderr);
  return interrupted ? 1 : 0;
}

int parse_options(int argc, char **argv, run_options *options) {
  for (int i = 0; i < argc; ++i) {
    if (strcmp(argv[i], "--json") == 0) {
      options->json = true;
    } else if (strcmp(argv[i], "--keep-going") == 0) {
      options->keep_going = true;
    } else if (strcmp(argv[i], "-d") == 0) {
      if (i + 1 >= argc) return usage_error("-d needs a directory");
      options->dir = argv[++i];
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return usage_error(std::string("unknown option ") + argv[i]);
    } else if (options->script == nullptr) {
      options->script = argv[i];
    } else {
      return usage_error("one script only");
    }
  }
  if (options->script == nullptr) return usage_error("no script given");
  return 0;
}

// The user directory: -d DIR (handed to the compute processes), else the start-up file's.
int set_user_directory(const char *program, const char *dir) {
  const char *problem = choose_user_directory(program, dir);
  return problem == nullptr ? 0 : usage_error(problem + (dir ? std::string(" ") + dir : ""));
}

}  // namespace

int run_command(const char *program, int argc, char **argv) {
  run_options options;
  int status = parse_options(argc, argv, &options);
  if (status != 0) return status;
  std::ifstream in(options.script, std::ios::binary);
  if (!in) return usage_error(std::string("cannot read ") + options.script);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<script_step> steps;
  std::string error;
  int bad_line = parse_script(text.str(), &steps, &error);
  if (bad_line != 0) {
    fprintf(stderr, "%s:%d: %s; nothing was run\n", options.script, bad_line, error.c_str());
    return 1;
  }
  status = set_user_directory(program, options.dir);
  if (status != 0) return status;
  argv0 = program;
  show_progress = isatty(STDERR_FILENO) != 0;
  signal(SIGINT, on_interrupt);
  set_compute_watch(watch_compute, false);

  int result = 0;
  for (const script_step &step : steps) {
    auto start = std::chrono::steady_clock::now();
    step_run run = run_step(step);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (show_progress) fprintf(stderr, "\r\033[K");
    step_status state = STEP_OK;
    std::string reason = run.reason;
    if (!run.ran) {
      state = STEP_FAILED;
    } else {
      reason = check_recorded(step, run.outcome);
      if (!reason.empty()) state = STEP_MISMATCH;
    }
    printf("%s\n", step_report(step, state, run.outcome, seconds, reason, options.json).c_str());
    for (size_t i = 0; !options.json && i < run.outcome.notes.size(); ++i)
      printf("  %s\n", run.outcome.notes[i].c_str());
    fflush(stdout);
    if (state != STEP_OK) {
      if (!options.json)
        fprintf(stderr, "%s:%d: %s: %s\n", options.script, step.line, step.procedure.c_str(),
                reason.c_str());
      result = 1;
      if (!options.keep_going) break;
    }
    if (interrupted) {
      fprintf(stderr, "sarv -run: interrupted\n");
      result = 1;
      break;
    }
  }
  set_compute_watch(nullptr, false);
  return result;
}

// Scripts of procedure calls written in the syntax of the MAKEIT log, so that a log is itself a
// script: "SUP = Supcon(PLANT,SPEC)  (12,24)", "P = Project(SUP,Null[11,13])", "true =
// Nonconflict(A,B)", "NEW = Create(NEW,[mark 2],[tran [0,1,1],[1,2,2]])  (3,2)". An entry starts
// at the beginning of a line; its continuation lines are indented by the length of the result
// name plus 3, as the log wraps them; "Computing time = ..." lines, blank lines and lines starting
// with "#" are skipped. The sizes an entry records become checks of the replayed result.
#ifndef SARV_ENGINE_SCRIPT_H
#define SARV_ENGINE_SCRIPT_H

#include <array>
#include <string>
#include <vector>

#include "model/des_file.h"

// Longest DES name a script may use: the one name rule (des_name_ok) holds for every name.
const int SCRIPT_NAME_MAX = DES_NAME_MAX;

// A numbered item of a list: one to three numbers, with the sign "+" or "-" an Edit group puts
// before it (0 otherwise). An "all" item of an Edit marker group has count 0.
struct script_item {
  char sign = 0;
  int count = 0;
  std::array<long, 3> v{};
};

// One group of a Create or Edit entry: "[mark 1,2]", "[tran [0,1,1]]", "[trans +[0,1,2],-[..]]".
struct script_group {
  std::string keyword;  // mark, voc, tran (Create); mark, states, trans, voc, unif (Edit)
  bool all = false;     // Create's "[mark all]"
  std::vector<script_item> items;
};

// One procedure call of a script.
struct script_step {
  int line = 0;           // line of the script where the entry starts
  std::string text;       // the entry as one line, continuation lines joined, time dropped
  std::string procedure;  // as written: "Supcon"
  std::string result;     // name left of " = ", or "true"/"false" for Isomorph and Nonconflict
  std::vector<std::string> names;    // argument names in the order written
  bool image = false;                // "Image[...]" rather than "Null[...]"
  std::vector<long> events;          // Selfloop, Complement, Null/Image lists
  std::vector<script_item> items;    // pairs (Mutex, Convert, Isomorph), triples (Vocalize)
  bool identity = false;             // Isomorph ";identity"
  std::vector<script_group> groups;  // Create and Edit
  bool reach = false;                // Edit ",rch"
  // Recorded results, checked after the step runs.
  bool sized = false;
  long states = 0, transitions = 0;
  bool has_bound = false;  // Supreduce "slb="
  long bound = 0;
  int controllable = -1;     // Condat: 1 "Controllable.", 0 "Uncontrollable."
  bool has_blocked = false;  // Sync: "Blocked_events = [..]" or "None"
  std::vector<long> blocked;
  bool has_new_labels = false;  // Hiconsis "New event labels: [..]"
  std::vector<long> new_labels;
};

// The arguments a procedure's entry takes and the results it records, by procedure name.
struct script_form {
  const char *procedure;
  const char *arguments;  // N name, E [events], P [[a,b],..], T [[a,b,c],..], L Null[..]/Image[..],
                          // I ";identity" or ";[[a,b],..]", G Create/Edit groups
  const char *recorded;   // S (states,transitions), B S and blocked events, K Controllable.,
                          // R (states,transitions;slb=n), H new labels and S, T true/false
};

// The form of `procedure`, or null for a name no entry uses.
const script_form *find_script_form(const std::string &procedure);

// Parses the script text. On success fills *steps (in order) and returns 0. On the first error
// returns its line number (> 0) and puts the reason in *error ("unknown procedure \"Supcom\"",
// "unbalanced brackets", "name \"a/b\" contains a path separator", ...). Nothing is run.
int parse_script(const std::string &text, std::vector<script_step> *steps, std::string *error);

#endif

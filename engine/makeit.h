// Entries of the MAKEIT log, "makeit.txt" in the user directory: each completed procedure appends
// one entry that reads like an assignment ("OUT = Sync(A,B)  (4,6)  ..."). The text is built here
// from the procedure's row and what the procedure produced, without a screen, so that the dialogs
// and a replay without a terminal write the same bytes.
#ifndef SARV_ENGINE_MAKEIT_H
#define SARV_ENGINE_MAKEIT_H

#include <string>

#include "engine/catalogue.h"

// Longest line of a wrapped entry.
const int MAKEIT_LINE = 74;

// What one entry reports. Pointers are borrowed; null lists are empty.
struct makeit_facts {
  const char *output = nullptr;                    // result name, or "true"/"false" for a test
  const char *inputs[MAX_REQUEST_NAMES - 1] = {};  // input names in request order
  const event_t *typed = nullptr;                  // the list the user typed, ascending
  uint16_t n_typed = 0;
  const state_pair *pairs = nullptr;  // the pairs the user typed, ascending
  state_t n_pairs = 0;
  bool image = false;  // the typed events are those retained (IMAGE), not erased (NULL)
  const state_node *des = nullptr;  // the output read back
  state_t size = 0;
  const event_t *blocked = nullptr;  // Sync: events the result blocks, ascending
  uint16_t n_blocked = 0;
  const state_t *map = nullptr;  // Isomorph: state of DES2 per state of DES1; null: identity
  state_t map_size = 0;
  const quad *quads = nullptr;  // Vocalize: the entries typed (exit state, event, -, output)
  state_t n_quads = 0;
  const event_t *old_outputs = nullptr;  // Hiconsis: the outputs on states of the input
  uint16_t n_old_outputs = 0;
  int32_t bound = 0;  // Supreduce: lower bound of the minimal supervisor's state count
};

// The entry of `row` for `facts`: "<output> = <name>(<inputs><args>)<tail>", the computing time
// line when `timing` is set (`seconds` elapsed), and two line ends; wrapped at MAKEIT_LINE
// columns when the row says so, continuation lines indented by the output name's length + 3.
std::string makeit_entry(const procedure_row &row, const makeit_facts &facts, bool timing,
                         double seconds);

// `text` with every line longer than MAKEIT_LINE broken before its 75th character, continuing
// after `indent` blanks (at most MAKEIT_LINE - 1) and counting on from there. A zero byte ends it.
std::string makeit_wrap(const std::string &text, int indent);

// Elapsed whole seconds as "%02d:%02d:%02d", or "%d (days) %02d:%02d:%02d" (hours modulo 24) from
// one day on; negative spans count as 0.
std::string cdifftime(double start, double stop);

// Appends `text` to the file `log` (created when missing), whole or not at all: a write that
// stops short (full disk, file-size limit) is cut back to the log's old length. Returns 0, or -1
// when the file cannot be opened or the text not written whole.
int makeit_append(const char *log, const std::string &text);

#endif

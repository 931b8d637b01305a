// The token format of generator files (".gen") that other DES libraries read and write: a
// generator's alphabet with controllability attributes, its states, transition relation, initial
// and marked states as white-space separated tokens inside <Section> ... </Section> tags.
#ifndef SARV_MODEL_GEN_FORMAT_H
#define SARV_MODEL_GEN_FORMAT_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "model/des_data.h"
#include "model/event_names.h"

// Most events a generator may carry into a DES (labels 0..999).
const int GEN_MAX_EVENTS = 1000;

// Result codes of the file-level operations below.
enum gen_result {
  GEN_OK = 0,
  GEN_NO_INPUT = 1,      // the DES or the .gen file cannot be read
  GEN_BAD_FILE = 2,      // the .gen file is refused (syntax, limits, conflicts)
  GEN_WRITE_FAILED = 3,  // the output (or EVENTS.txt) could not be written; nothing changed
  GEN_BAD_NAME = 4       // a name would leave the user directory
};

// Why a .gen text was refused: the line (1-based; 0 when the fault belongs to no line) and a
// one-line message in the user's words.
struct gen_error {
  int line = 0;
  std::string message;
};

// A DES read from a .gen text. The caller owns `des` (freedes).
struct gen_import {
  state_t size = 0;
  state_node *des = nullptr;
  std::string generator_name;  // from the file, or the base name given when it has none
  event_names added;           // events numbered here whose names EVENTS.txt does not hold yet
  int added_count = 0;         // events in `added`
  int unnamed = 0;  // new events whose name EVENTS.txt cannot hold (not 1..20 of [A-Za-z0-9_])
  bool nondeterministic = false;
};

// Writes (des, size) as a generator named `name` to `out`: states as indices 1..size (state 0
// becomes index 1, the one initial state), events as "e" + number unless `names` gives them a
// name of their own (one not given to another event too, and not itself of the form "e" +
// number), odd events with +C+, a state's output as "+Output=N+" after the state. Only the events
// that label a transition form the alphabet. des is not changed. Returns 0, or 1 when the stream
// reports a write error. Time: O(size + transitions), one pass with a private output buffer.
int write_gen(FILE *out, const char *name, const state_node *des, state_t size,
              const event_names &names);

// Reads a .gen text of `length` bytes (need not end in a zero byte). States are numbered 0..n-1:
// a file whose states are exactly the indices 1..n with initial state 1 keeps that order (index
// k becomes state k - 1; this is how write_gen files come back unchanged); any other file is
// numbered breadth-first from its initial state, successors in ascending event order, and states
// that cannot be reached follow in the order the file lists them. An attribute "+Output=N+"
// after a state in <States> gives its output (N in 10..99). A file without states and
// without initial state is the empty DES. Event numbers: a name `known` holds keeps its number;
// "e" + number keeps the number when its parity agrees with +C+ and no other event took it;
// every other event gets the smallest free odd (+C+) or even number, recorded in result->added.
// On success fills *result and returns 0. Otherwise returns 1 with *error set and nothing
// allocated: syntax errors, unknown states or events, more than one initial state or none,
// controllability conflicts (within the file or against `known`), an output outside 10..99, more
// than 1000 events (or 500 controllable, 500 uncontrollable), more than MAX_STATES states, a state
// with more than 65,535 transitions, out of memory. Time: O(length + transitions log
// transitions-per-state).
int read_gen(const char *text, size_t length, const char *base_name, const event_names &known,
             gen_import *result, gen_error *error);

// Writes DES `name` of the user directory as the .gen file `out_file` of the user directory,
// with the names of EVENTS.txt when there is one. On return *message holds a one-line report
// (what was written, or why not). Returns a gen_result; nothing is written unless GEN_OK.
int export_gen_file(const char *name, const char *out_file, std::string *message);

// Reads the .gen file `in_file` of the user directory into DES `name` of the user directory and
// appends the names of newly numbered events to EVENTS.txt. On return *message holds a one-line
// report (states, transitions, new event names, nondeterminism; or the refusal with its line).
// Returns a gen_result; on any failure neither the DES nor EVENTS.txt has changed.
int import_gen_file(const char *in_file, const char *name, std::string *message);

#endif

// Event names: the optional text file "EVENTS.txt" of a user directory maps event numbers to
// names, one "11 start_1" per line ("#" starts a comment). Names are for reading only: every
// place that takes input still takes numbers, and DES files never hold names.
#ifndef SARV_MODEL_EVENT_NAMES_H
#define SARV_MODEL_EVENT_NAMES_H

#include <string>

const char EVENT_NAMES_FILE[] = "EVENTS.txt";
const int EVENT_NAME_MAX = 20;

struct event_names {
  std::string name[1000];  // "" for an event without a name
  int bad_line = 0;        // number of the first malformed line (1-based), 0 when none
  std::string bad_text;    // that line as read, for the one-time report
};

// True for 1 to 20 characters of letters, digits and "_".
bool event_name_ok(const char *name);

// Reads prefix + "EVENTS.txt" into *names (cleared first). Malformed lines (not "NUMBER NAME"
// with NUMBER in 0..999 and a valid name, or a number named twice) are skipped; the first is
// recorded in bad_line/bad_text. Returns 1 when the file was read, 0 when there is none or it
// cannot be opened (names then all empty).
int load_event_names(const char *prefix, event_names *names);

// "start_1 (11)" for a named event, "11" otherwise.
std::string event_label(const event_names &names, int event);
// The name alone where space is short, else the number.
std::string event_short_label(const event_names &names, int event);

// Appends "NUMBER NAME" lines for the given events to prefix + "EVENTS.txt" (created when
// missing), through a temporary file and rename so the file is never left half-written. Events
// whose name is empty in `added` are skipped. Returns 0, or 1 when the file cannot be written
// (it is then unchanged).
int append_event_names(const char *prefix, const event_names &added);

#endif

// Alphabet notes on the inputs of a completed procedure.
#include "engine/alphabet_notes.h"

#include <cstdlib>

#include "algo/product.h"
#include "model/des_file.h"

namespace {

// The events on transitions of the named DES, ascending; false when it cannot be read.
bool events_of(const char *name, std::vector<event_t> *events) {
  state_t size = 0, init = 0;
  state_node *des = nullptr;
  if (!getdes(name, &size, &init, &des)) return false;
  uint16_t count = 0;
  event_t *list = nullptr;
  gentranlist(size, des, &count, &list);
  freedes(size, &des);
  events->assign(list, list + count);
  free(list);
  return !mem_result;
}

std::string event_list(const std::vector<event_t> &events) {
  std::string text;
  for (size_t i = 0; i < events.size(); ++i) text += (i > 0 ? "," : "") + std::to_string(events[i]);
  return text;
}

}  // namespace

std::vector<std::string> alphabet_notes(const procedure_row &row, const char *const *inputs,
                                        const event_t *events, int count) {
  std::vector<std::string> notes;
  if (row.note == NOTE_NONE || row.inputs < 2) return notes;
  std::vector<event_t> first, second, found;
  if (!events_of(inputs[0], &first) || !events_of(inputs[1], &second)) return notes;
  auto in = [](const std::vector<event_t> &list, event_t e) {
    for (event_t x : list)
      if (x == e) return true;
    return false;
  };
  if (row.note == NOTE_MISSING_EVENTS) {
    for (event_t e : first)
      if (!in(second, e)) found.push_back(e);
    if (!found.empty())
      notes.push_back("Note: DES2 does not use events " + event_list(found) +
                      " of DES1; they are disabled in every state of DES3. Selfloop them in "
                      "DES2 to leave them free.");
  } else {
    for (int i = 0; i < count; ++i)
      if (!in(first, events[i]) && !in(second, events[i])) found.push_back(events[i]);
    if (!found.empty())
      notes.push_back(std::string("Note: null event") + (found.size() > 1 ? "s " : " ") +
                      event_list(found) + (found.size() > 1 ? " are" : " is") +
                      " used by neither DES1 nor DES2; erasing " +
                      (found.size() > 1 ? "them" : "it") + " changes nothing.");
  }
  return notes;
}

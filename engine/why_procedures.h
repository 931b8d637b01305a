// The explanation procedures ("why"): the compute side runs an explanation of algo/explain.h on
// the request's inputs and writes it twice, as text for people to NAME.why.txt in the user
// directory and as one JSON object to "murn.why" beside the request, which the front end reads
// and removes. Explanations log nothing. Event names of EVENTS.txt label the events where the
// user directory has that file.
#ifndef SARV_ENGINE_WHY_PROCEDURES_H
#define SARV_ENGINE_WHY_PROCEDURES_H

#include <string>

#include "algo/explain.h"
#include "engine/catalogue.h"
#include "model/event_names.h"

// One kind of explanation: its procedure row, the word the run mode takes ("supcon"), the label
// of its choice on the Why screen, and what the states of the two inputs are called.
struct why_topic {
  procedure_id id;
  const char *what;
  const char *choice;
  const char *first_state;   // JSON field of the first input's state ("plant_state"), or null
  const char *second_state;  // and of the second input's
  const char *heading[CAUSE_COUNT];  // per cause: the text heading its items, null if unused
};

extern const why_topic WHY_TOPICS[];
extern const int WHY_TOPIC_COUNT;

// The topic whose word is `what`, or null.
const why_topic *find_why_topic(const char *what);

// Extension of the explanation text file.
const char WHY_TEXT_EXT[] = ".why.txt";

// Full path of the JSON side file: prefix + "murn.why".
std::string why_json_path();

// The explanation as text and as JSON, for the topic, its input names and the event names.
std::string why_text(const why_topic &topic, const char *const *inputs, const explanation &e,
                     const event_names &names);
std::string why_json(const why_topic &topic, const char *const *inputs, const explanation &e,
                     const event_names &names, bool named);

#endif

// The explanation procedures: compute steps of the "why" rows and the text and JSON they write.
#include "engine/why_procedures.h"

#include <cstring>

#include "algo/compare.h"
#include "engine/protocol.h"
#include "model/report_file.h"

const why_topic WHY_TOPICS[] = {
    {PROC_WHY_SUPCON,
     "supcon",
     "Supcon: which states were removed, and why",
     "plant_state",
     "spec_state",
     {"where the plant allows an uncontrollable event that the specification does not",
      "that cannot reach a marker state among the states that survive",
      "where an uncontrollable event leads to a removed state", "that only removed states lead to",
      nullptr, nullptr, nullptr, nullptr}},
    {PROC_WHY_NONCONFLICT,
     "nonconflict",
     "Nonconflict: where the product blocks",
     "a_state",
     "b_state",
     {nullptr, "of the product from which no marker state can be reached", nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr}},
    {PROC_WHY_CONDAT,
     "condat",
     "Condat: where an uncontrollable event is disabled",
     "plant_state",
     "supervisor_state",
     {"where the supervisor disables an uncontrollable event that the plant allows", nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
    {PROC_WHY_COMPARE,
     "compare",
     "Compare: the languages of two DES",
     nullptr,
     nullptr,
     {nullptr, nullptr, nullptr, nullptr, "in L(%1) and not in L(%2)", "in L(%2) and not in L(%1)",
      "in Lm(%1) and not in Lm(%2)", "in Lm(%2) and not in Lm(%1)"}},
    {PROC_WHY_TRIM,
     "trim",
     "Trim: which states are unreachable or blocking",
     nullptr,
     nullptr,
     {nullptr, "reachable, that cannot reach a marker state", nullptr,
      "that no string from the initial state reaches", nullptr, nullptr, nullptr, nullptr}},
};
const int WHY_TOPIC_COUNT = sizeof WHY_TOPICS / sizeof WHY_TOPICS[0];

const why_topic *find_why_topic(const char *what) {
  for (const why_topic &topic : WHY_TOPICS)
    if (strcmp(topic.what, what) == 0) return &topic;
  return nullptr;
}

std::string why_json_path() {
  return std::string(prefix) + "murn.why";
}

namespace {

const why_topic &topic_of(procedure_id id) {
  for (const why_topic &topic : WHY_TOPICS)
    if (topic.id == id) return topic;
  return WHY_TOPICS[0];
}

std::string json_quoted(const std::string &text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') q += '\\';
    if (static_cast<unsigned char>(c) >= 32) q += c;
  }
  return q + "\"";
}

// The heading text with %1 and %2 replaced by the input names.
std::string heading_text(const char *heading, const char *const *inputs) {
  std::string text;
  for (const char *c = heading; *c != '\0'; ++c) {
    if (c[0] == '%' && (c[1] == '1' || c[1] == '2')) {
      text += inputs[c[1] - '1'];
      ++c;
    } else {
      text += *c;
    }
  }
  return text;
}

std::string string_text(const std::vector<event_t> &string, const event_names &names) {
  if (string.empty()) return "the empty string";
  std::string text;
  for (size_t i = 0; i < string.size(); ++i)
    text += (i > 0 ? ", " : "") + event_label(names, string[i]);
  return text;
}

// `head` followed by the events of `string`, wrapped before 80 columns; continuation lines are
// indented by six blanks. Ends with a line end.
std::string wrapped(const std::string &head, const std::vector<event_t> &string,
                    const event_names &names) {
  std::string text = head, line = head;
  if (string.empty()) return text + "the empty string\n";
  for (size_t i = 0; i < string.size(); ++i) {
    std::string word = event_label(names, string[i]) + (i + 1 < string.size() ? "," : "");
    if (line.size() > head.size() && line.size() + 1 + word.size() > 79) {
      text += "\n      ";
      line = "      ";
    } else if (line.size() > head.size()) {
      text += " ";
      line += " ";
    }
    text += word;
    line += word;
  }
  return text + "\n";
}

std::string plural(long count, const char *word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// One item: a line naming the state and what happens there, then the string that leads to it
// and, for a chain, the uncontrollable events onwards. Ends with a line end.
std::string item_text(const why_topic &topic, const char *const *inputs, const explain_item &item,
                      const event_names &names) {
  if (topic.id == PROC_WHY_COMPARE) return wrapped("  ", item.string, names);
  std::string text = "  state " + std::to_string(item.state);
  if (item.first >= 0)
    text += std::string(" (") + inputs[0] + " " + std::to_string(item.first) + ", " + inputs[1] +
            " " + std::to_string(item.second) + ")";
  if (item.cause == CAUSE_UNCONTROLLABLE)
    text += topic.id == PROC_WHY_CONDAT
                ? ": " + event_label(names, item.event) + " disabled"
                : std::string(": ") + inputs[0] + " allows " + event_label(names, item.event);
  text += "\n";
  if (topic.id == PROC_WHY_TRIM && item.cause == CAUSE_UNREACHABLE) return text;
  text += wrapped("    after: ", item.string, names);
  if (item.cause == CAUSE_LEADS_TO_REMOVED) {
    text += wrapped("    then:  ", item.chain, names);
    text += "    to state " + std::to_string(item.chain_end) +
            (item.chain_cause == CAUSE_UNCONTROLLABLE
                 ? std::string(", where ") + inputs[0] + " allows " +
                       event_label(names, item.chain_event) + " and " + inputs[1] + " does not\n"
                 : std::string(", which cannot reach a marker state\n"));
  }
  return text;
}

std::string yes_no(bool v) {
  return v ? "yes" : "no";
}

std::string summary_text(const why_topic &topic, const char *const *inputs, const explanation &e,
                         const event_names &names) {
  std::string a = inputs[0], b = topic.id == PROC_WHY_TRIM ? "" : inputs[1];
  std::string kept = std::to_string(e.survivors);
  switch (topic.id) {
    case PROC_WHY_SUPCON: {
      if (e.states == 0) return "The meet of " + a + " and " + b + " is empty, and so is Supcon.\n";
      std::string text = "The meet of " + a + " and " + b + " has " + plural(e.states, "state") +
                         "; Supcon keeps " + kept + ".\n";
      if (e.has_initial)
        text += std::string("The result is empty: the initial state was removed (") +
                explain_cause_word(e.initial.cause) + "):\n" +
                item_text(topic, inputs, e.initial, names);
      return text;
    }
    case PROC_WHY_NONCONFLICT:
      return a + " and " + b +
             (e.count[CAUSE_BLOCKING] == 0 ? " are NONCONFLICTING" : " are CONFLICTING") +
             " (their product has " + plural(e.states, "state") + ").\n";
    case PROC_WHY_CONDAT:
      return e.count[CAUSE_UNCONTROLLABLE] == 0 ? "Controllable.\n" : "Uncontrollable.\n";
    case PROC_WHY_COMPARE: {
      static const char *const verdicts[] = {"L(%1) = L(%2)",  "Lm(%1) = Lm(%2)",
                                             "L(%1) in L(%2)", "Lm(%1) in Lm(%2)",
                                             "L(%2) in L(%1)", "Lm(%2) in Lm(%1)"};
      std::string text;
      for (int v = 0; v < VERDICT_COUNT; ++v) {
        text += "  " + heading_text(verdicts[v], inputs) + ": " + yes_no(e.verdict[v]);
        if (!e.verdict[v]) text += "  (witness: " + string_text(e.witness[v], names) + ")";
        text += "\n";
      }
      return text;
    }
    default:
      return a + " has " + plural(e.states, "state") + "; Trim keeps " + kept + ".\n";
  }
}

std::string string_json(const std::vector<event_t> &string, const event_names &names, bool named,
                        const char *field) {
  std::string text = std::string(",\"") + field + "\":[";
  for (size_t i = 0; i < string.size(); ++i) text += (i > 0 ? "," : "") + std::to_string(string[i]);
  text += "]";
  if (!named) return text;
  text += std::string(",\"") + field + "_labels\":[";
  for (size_t i = 0; i < string.size(); ++i)
    text += (i > 0 ? "," : "") + json_quoted(event_label(names, string[i]));
  return text + "]";
}

std::string event_json(const char *field, int event, const event_names &names, bool named) {
  std::string text = std::string(",\"") + field + "\":" + std::to_string(event);
  if (named)
    text += std::string(",\"") + field + "_label\":" + json_quoted(event_label(names, event));
  return text;
}

std::string item_json(const why_topic &topic, const explain_item &item, const event_names &names,
                      bool named) {
  std::string text = std::string("{\"cause\":\"") + explain_cause_word(item.cause) + "\"";
  text += string_json(item.string, names, named, "string");
  if (item.event >= 0) text += event_json("event", item.event, names, named);
  if (item.state >= 0) text += ",\"state\":" + std::to_string(item.state);
  if (item.first >= 0 && topic.first_state != nullptr)
    text += std::string(",\"") + topic.first_state + "\":" + std::to_string(item.first) + ",\"" +
            topic.second_state + "\":" + std::to_string(item.second);
  if (item.cause == CAUSE_LEADS_TO_REMOVED) {
    text += string_json(item.chain, names, named, "chain");
    text += ",\"chain_end\":" + std::to_string(item.chain_end) + ",\"chain_cause\":\"" +
            explain_cause_word(item.chain_cause) + "\"";
    if (item.chain_event >= 0) text += event_json("chain_event", item.chain_event, names, named);
  }
  return text + "}";
}

}  // namespace

std::string why_text(const why_topic &topic, const char *const *inputs, const explanation &e,
                     const event_names &names) {
  int n_inputs = topic.id == PROC_WHY_TRIM ? 1 : 2;
  std::string text = std::string("WHY ") + topic.what + " (" + inputs[0];
  if (n_inputs == 2) text += std::string(", ") + inputs[1];
  text += ")\n\n" + summary_text(topic, inputs, e, names);
  for (int c = 0; c < CAUSE_COUNT; ++c) {
    if (e.count[c] == 0 || topic.heading[c] == nullptr) continue;
    text += "\n";
    if (topic.id == PROC_WHY_COMPARE) {
      text += "Shortest string " + heading_text(topic.heading[c], inputs) + ":\n";
    } else {
      text += plural(e.count[c], "state") + " " + heading_text(topic.heading[c], inputs) + ":\n";
    }
    long shown = 0;
    for (const explain_item &item : e.items)
      if (item.cause == c) text += item_text(topic, inputs, item, names), ++shown;
    if (shown < e.count[c]) text += "  ... and " + std::to_string(e.count[c] - shown) + " more\n";
  }
  if (names.bad_line > 0)
    text += "\nEVENTS.txt line " + std::to_string(names.bad_line) +
            " is malformed and was ignored: " + names.bad_text + "\n";
  return text;
}

std::string why_json(const why_topic &topic, const char *const *inputs, const explanation &e,
                     const event_names &names, bool named) {
  int n_inputs = topic.id == PROC_WHY_TRIM ? 1 : 2;
  std::string text =
      std::string("{\"what\":\"") + topic.what + "\",\"inputs\":[" + json_quoted(inputs[0]);
  if (n_inputs == 2) text += "," + json_quoted(inputs[1]);
  text += "],\"states\":" + std::to_string(e.states);
  if (topic.id == PROC_WHY_SUPCON || topic.id == PROC_WHY_TRIM)
    text += ",\"survivors\":" + std::to_string(e.survivors);
  if (topic.id == PROC_WHY_NONCONFLICT)
    text += std::string(",\"nonconflicting\":") + (e.count[CAUSE_BLOCKING] == 0 ? "true" : "false");
  if (topic.id == PROC_WHY_CONDAT)
    text +=
        std::string(",\"controllable\":") + (e.count[CAUSE_UNCONTROLLABLE] == 0 ? "true" : "false");
  if (topic.id == PROC_WHY_COMPARE) {
    static const char *const fields[] = {"closed_equal",  "marked_equal",  "closed_a_in_b",
                                         "marked_a_in_b", "closed_b_in_a", "marked_b_in_a"};
    for (int v = 0; v < VERDICT_COUNT; ++v)
      text += std::string(",\"") + fields[v] + "\":" + (e.verdict[v] ? "true" : "false");
    text += ",\"witnesses\":{";
    bool first = true;
    for (int v = 0; v < VERDICT_COUNT; ++v) {
      if (e.verdict[v]) continue;
      text += std::string(first ? "" : ",") + "\"" + fields[v] + "\":[";
      for (size_t i = 0; i < e.witness[v].size(); ++i)
        text += (i > 0 ? "," : "") + std::to_string(e.witness[v][i]);
      text += "]";
      first = false;
    }
    text += "}";
  }
  text += ",\"counts\":{";
  bool first = true;
  for (int c = 0; c < CAUSE_COUNT; ++c) {
    if (topic.heading[c] == nullptr) continue;
    text += std::string(first ? "" : ",") + "\"" +
            explain_cause_word(static_cast<explain_cause>(c)) + "\":" + std::to_string(e.count[c]);
    first = false;
  }
  text += "}";
  if (topic.id == PROC_WHY_SUPCON) {
    text += std::string(",\"empty\":") + (e.survivors == 0 ? "true" : "false");
    if (e.has_initial) text += ",\"initial\":" + item_json(topic, e.initial, names, named);
  }
  text += ",\"items\":[";
  for (size_t i = 0; i < e.items.size(); ++i)
    text += (i > 0 ? "," : "") + item_json(topic, e.items[i], names, named);
  text += "]";
  if (names.bad_line > 0)
    text += ",\"events_file_error\":{\"line\":" + std::to_string(names.bad_line) +
            ",\"text\":" + json_quoted(names.bad_text) + "}";
  return text + "}";
}

namespace {

// Writes `text` to `path` through a temporary file; false when it cannot be written.
bool write_text(const std::string &path, const std::string &text) {
  report_file rf;
  if (report_open(&rf, path.c_str()) != 0) return false;
  fputs(text.c_str(), rf.stream);
  return report_commit(&rf) == 0;
}

typedef int (*explain_two)(state_t, state_node *, state_t, state_node *, explanation *);

// Runs the explanation of row `id` on the loaded inputs and writes the text and the JSON. Ends
// the process with MURN_NONDETERMINISTIC when a product explanation that needs deterministic
// inputs gets another, MURN_STATE_LIMIT when the comparison grows too large.
void run_why(compute_job *job, procedure_id id, explain_two explain, bool deterministic) {
  const int inputs = procedure(id).inputs;
  for (int i = 0; deterministic && i < inputs; ++i)
    if (checkdet(job->input[i].size, job->input[i].des) != 1) compute_fail(MURN_NONDETERMINISTIC);
  explanation e;
  job_des &a = job->input[0], &b = job->input[inputs - 1];
  int code =
      inputs == 1 ? explain_trim(a.size, a.des, &e) : explain(a.size, a.des, b.size, b.des, &e);
  if (mem_result) compute_fail(MURN_OUT_OF_MEMORY);
  if (code == EXPLAIN_TOO_LARGE) compute_fail(MURN_STATE_LIMIT);
  static event_names names;
  bool named = load_event_names(prefix, &names) == 1;
  const char *input_names[] = {job->name[0], job->name[inputs - 1]};
  const why_topic &topic = topic_of(id);
  std::string text_path = std::string(prefix) + job->name[inputs] + WHY_TEXT_EXT;
  if (!write_text(text_path, why_text(topic, input_names, e, names)) ||
      !write_text(why_json_path(), why_json(topic, input_names, e, names, named) + "\n"))
    compute_fail(MURN_OUTPUT_NOT_WRITTEN);
}

}  // namespace

void why_supcon_steps(compute_job *job) {
  run_why(job, PROC_WHY_SUPCON, explain_supcon, true);
}
void why_nonconflict_steps(compute_job *job) {
  run_why(job, PROC_WHY_NONCONFLICT, explain_nonconflict, false);
}
void why_condat_steps(compute_job *job) {
  run_why(job, PROC_WHY_CONDAT, explain_condat, true);
}
void why_compare_steps(compute_job *job) {
  run_why(job, PROC_WHY_COMPARE, explain_compare, false);
}
void why_trim_steps(compute_job *job) {
  run_why(job, PROC_WHY_TRIM, nullptr, false);
}

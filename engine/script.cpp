// Reading scripts in the MAKEIT log syntax: entries are joined from their wrapped lines, then
// parsed by one cursor walk driven by the procedure's form.
#include "engine/script.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "model/des_data.h"
#include "model/des_file.h"

namespace {

// Every entry form of the log. Procedures without a dialog have no entry.
const script_form forms[] = {
    {"Selfloop", "NE", "S"},   {"Trim", "N", "S"},        {"Sync", "NN", "B"},
    {"Meet", "NN", "S"},       {"Supcon", "NN", "S"},     {"Mutex", "NNP", "S"},
    {"Condat", "NN", "K"},     {"Supreduce", "NNN", "R"}, {"Minstate", "N", "S"},
    {"Complement", "NE", "S"}, {"Project", "NL", "S"},    {"Convert", "NM", "S"},
    {"Vocalize", "NT", "S"},   {"Outconsis", "N", "S"},   {"Hiconsis", "N", "H"},
    {"Higen", "N", "S"},       {"Allevents", "N", "S"},   {"Supnorm", "NNL", "S"},
    {"Supscop", "NNL", "S"},   {"Isomorph", "NNI", "T"},  {"Nonconflict", "NN", "T"},
    {"Recode", "N", "S"},      {"Create", "NG", "S"},     {"Edit", "NG", "S"},
};

const long LARGEST_STATE = MAX_STATES - 1;
const long EDIT_LARGEST_STATE = 1999999;

struct cursor {
  const std::string &s;
  size_t i;
  std::string error;

  bool failed() const { return !error.empty(); }
  void skip_blanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) i++;
  }
  bool at_end() {
    skip_blanks();
    return i >= s.size();
  }
  bool peek(const char *word) {
    skip_blanks();
    return s.compare(i, strlen(word), word) == 0;
  }
  bool accept(const char *word) {
    if (!peek(word)) return false;
    i += strlen(word);
    return true;
  }
  void expect(const char *word) {
    if (failed() || accept(word)) return;
    fail(std::string("expected \"") + word + "\" at \"" + rest() + "\"");
  }
  void fail(const std::string &reason) {
    if (!failed()) error = reason;
  }
  std::string rest() const { return s.substr(i, 20); }

  long number(long low, long high, const char *what) {
    skip_blanks();
    if (failed()) return 0;
    size_t start = i;
    if (i < s.size() && s[i] == '-') i++;
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) i++;
    std::string digits = s.substr(start, i - start);
    if (digits.empty() || digits == "-") {
      fail(std::string("expected a number (") + what + ") at \"" + rest() + "\"");
      return 0;
    }
    long value = digits.size() > 18 ? high + 1 : strtol(digits.c_str(), nullptr, 10);
    if (value < low || value > high) {
      fail(std::string(what) + " " + digits + " out of range " + std::to_string(low) + ".." +
           std::to_string(high));
      return 0;
    }
    return value;
  }

  // A DES name: up to the next ",", ";", "(", ")", "[" or "]", inner blanks kept.
  std::string name() {
    skip_blanks();
    size_t start = i;
    while (i < s.size() && strchr(",;()[]", s[i]) == nullptr) i++;
    std::string text = s.substr(start, i - start);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    check_name(text);
    return text;
  }
  void check_name(const std::string &text) {
    if (text.empty())
      fail("missing name at \"" + rest() + "\"");
    else if (text.find_first_of("/\\") != std::string::npos)
      fail("name \"" + text + "\" contains a path separator");
    else if (static_cast<int>(text.size()) > SCRIPT_NAME_MAX)
      fail("name \"" + text + "\" is longer than " + std::to_string(SCRIPT_NAME_MAX) +
           " characters");
    else if (!des_name_ok(text.c_str()))
      fail("name \"" + text + "\" is not a DES name (" + DES_NAME_RULE + ")");
  }

  // "[a,b,...]" of single numbers in low..high.
  std::vector<long> numbers(long low, long high, const char *what) {
    std::vector<long> values;
    expect("[");
    if (!failed() && !accept("]")) {
      do values.push_back(number(low, high, what));
      while (!failed() && accept(","));
      expect("]");
    }
    return values;
  }

  // "[x,y]" or "[x,y,z]" with the ranges of each position.
  script_item tuple(int count, const long *low, const long *high, const char *const *what) {
    script_item item{0, count, {0, 0, 0}};
    expect("[");
    for (int k = 0; k < count && !failed(); k++) {
      if (k > 0) expect(",");
      item.v[static_cast<size_t>(k)] = number(low[k], high[k], what[k]);
    }
    expect("]");
    return item;
  }

  // "[" tuple ("," tuple)* "]", possibly empty.
  std::vector<script_item> tuples(int count, const long *low, const long *high,
                                  const char *const *what) {
    std::vector<script_item> items;
    expect("[");
    if (!failed() && !accept("]")) {
      do items.push_back(tuple(count, low, high, what));
      while (!failed() && accept(","));
      expect("]");
    }
    return items;
  }
};

const long event_low[] = {0, 0, 0}, event_high[] = {MAX_EVENT, MAX_EVENT, MAX_EVENT};
const char *const event_what[] = {"event", "event", "event"};

void parse_pairs_of_states(cursor *c, script_step *step, long largest) {
  const long low[] = {0, 0}, high[] = {largest, largest};
  const char *const what[] = {"state", "state"};
  step->items = c->tuples(2, low, high, what);
}

// One group of a Create or Edit entry, after its opening "[".
void parse_group(cursor *c, const std::string &procedure, script_group *group) {
  bool create = procedure == "Create";
  c->skip_blanks();
  size_t start = c->i;
  while (c->i < c->s.size() && isalpha(static_cast<unsigned char>(c->s[c->i]))) c->i++;
  group->keyword = c->s.substr(start, c->i - start);
  group->all = false;
  const char *const create_words[] = {"mark", "voc", "tran"};
  const char *const edit_words[] = {"mark", "states", "trans", "voc", "unif"};
  bool known = false;
  for (const char *w : create ? std::vector<const char *>(create_words, create_words + 3)
                              : std::vector<const char *>(edit_words, edit_words + 5))
    known = known || group->keyword == w;
  if (!known) {
    c->fail("unknown " + procedure + " group \"" + group->keyword + "\"");
    return;
  }
  long largest = create ? LARGEST_STATE : EDIT_LARGEST_STATE;
  const long state_low[] = {0, 0, 0}, trans_high[] = {largest, MAX_EVENT, largest};
  const char *const trans_what[] = {"state", "event", "state"};
  if (create && group->keyword == "mark" && c->accept("all")) {
    group->all = true;
  } else if (!c->peek("]")) {
    do {
      script_item item{0, 1, {0, 0, 0}};
      bool signed_item =
          group->keyword == "mark" || group->keyword == "states" || group->keyword == "trans";
      if (!create && signed_item) {
        if (c->accept("+"))
          item.sign = '+';
        else if (c->accept("-"))
          item.sign = '-';
        else
          c->fail("expected \"+\" or \"-\" at \"" + c->rest() + "\"");
      }
      const std::string &k = group->keyword;
      if (k == "mark" && create) {
        item.v[0] = c->number(0, largest, "state");
      } else if (k == "mark" || k == "states") {
        c->expect("[");
        if (k == "mark" && c->accept("all"))
          item.count = 0;
        else
          item.v[0] = c->number(0, largest, "state");
        c->expect("]");
      } else if (k == "tran" || k == "trans") {
        item = script_item{item.sign, 3, c->tuple(3, state_low, trans_high, trans_what).v};
      } else if (k == "voc") {
        const long low[] = {0, create ? 10 : 0}, high[] = {largest, create ? 99 : 999};
        const char *const what[] = {"state", "vocal output"};
        item = script_item{item.sign, 2, c->tuple(2, low, high, what).v};
        if (!create && item.v[1] > 0 && item.v[1] < 10) c->fail("vocal output 1..9 not allowed");
      } else {  // unif: old and new outputs
        const long low[] = {0, 0}, high[] = {999, 999};
        const char *const what[] = {"vocal output", "vocal output"};
        item = script_item{item.sign, 2, c->tuple(2, low, high, what).v};
      }
      group->items.push_back(item);
    } while (!c->failed() && c->accept(","));
  }
  c->expect("]");
}

void parse_arguments(cursor *c, const script_form *form, script_step *step) {
  const std::string &p = step->procedure;
  for (const char *a = form->arguments; *a != '\0' && !c->failed(); a++) {
    if (*a == 'I') {
      c->expect(";");
      if (c->accept("identity")) {
        step->identity = true;
      } else {
        parse_pairs_of_states(c, step, LARGEST_STATE);
      }
      continue;
    }
    if (*a == 'G') {
      while (!c->failed() && c->accept(",")) {
        if (p == "Edit" && c->accept("rch")) {
          step->reach = true;
          continue;
        }
        c->expect("[");
        script_group group;
        if (!c->failed()) parse_group(c, p, &group);
        step->groups.push_back(group);
      }
      continue;
    }
    if (a != form->arguments) c->expect(",");
    if (*a == 'N') {
      std::string n = c->name();
      step->names.push_back(n);
    } else if (*a == 'E') {
      step->events = c->numbers(0, MAX_EVENT, "event");
    } else if (*a == 'L') {
      if (c->accept("Image"))
        step->image = true;
      else if (!c->accept("Null"))
        c->fail("expected \"Null[\" or \"Image[\" at \"" + c->rest() + "\"");
      step->events = c->numbers(0, MAX_EVENT, "event");
    } else if (*a == 'P') {
      parse_pairs_of_states(c, step, EDIT_LARGEST_STATE);
    } else if (*a == 'M') {
      step->items = c->tuples(2, event_low, event_high, event_what);
    } else if (*a == 'T') {
      const long low[] = {0, 0, 10}, high[] = {LARGEST_STATE, MAX_EVENT, 99};
      const char *const what[] = {"state", "event", "vocal output"};
      step->items = c->tuples(3, low, high, what);
    }
  }
  c->expect(")");
}

void parse_sizes(cursor *c, script_step *step, bool bound) {
  if (!c->accept("(")) {
    if (!c->at_end()) c->fail("expected \"(states,transitions)\" at \"" + c->rest() + "\"");
    return;
  }
  step->sized = true;
  step->states = c->number(0, MAX_STATES, "state count");
  c->expect(",");
  step->transitions = c->number(0, 1L << 40, "transition count");
  if (bound) {
    c->expect(";");
    c->expect("slb=");
    step->has_bound = true;
    step->bound = c->number(-1, MAX_STATES, "lower bound");
  }
  c->expect(")");
}

void parse_recorded(cursor *c, const script_form *form, script_step *step) {
  switch (form->recorded[0]) {
    case 'S':
    case 'R':
      parse_sizes(c, step, form->recorded[0] == 'R');
      break;
    case 'B':
      parse_sizes(c, step, false);
      if (step->sized && c->accept("Blocked_events")) {
        c->expect("=");
        step->has_blocked = true;
        if (!c->accept("None")) step->blocked = c->numbers(0, MAX_EVENT, "event");
      }
      break;
    case 'K':
      if (c->accept("Controllable."))
        step->controllable = 1;
      else if (c->accept("Uncontrollable."))
        step->controllable = 0;
      break;
    case 'H':
      if (c->accept("New event labels:")) {
        step->has_new_labels = true;
        step->new_labels = c->numbers(0, 8191, "event label");
      }
      parse_sizes(c, step, false);
      break;
  }
  if (!c->failed() && !c->at_end()) c->fail("unexpected text \"" + c->rest() + "\"");
}

// Parses one joined entry into *step; returns the reason of the first error, or "".
std::string parse_entry(script_step *step) {
  const std::string &text = step->text;
  int depth[2] = {0, 0};
  for (char ch : text) {
    if (ch == '(') depth[0]++;
    if (ch == ')') depth[0]--;
    if (ch == '[') depth[1]++;
    if (ch == ']') depth[1]--;
    if (depth[0] < 0 || depth[1] < 0) break;
  }
  if (depth[0] != 0 || depth[1] != 0) return "unbalanced brackets";
  size_t equals = text.find('=');
  size_t open = text.find('(');
  if (equals == std::string::npos || open == std::string::npos || open < equals)
    return "expected \"NAME = Procedure(...)\"";
  cursor c{text, 0, ""};
  step->result = text.substr(0, equals);
  while (!step->result.empty() && step->result.back() == ' ') step->result.pop_back();
  step->procedure = text.substr(equals + 1, open - equals - 1);
  size_t first = step->procedure.find_first_not_of(' ');
  step->procedure = first == std::string::npos ? "" : step->procedure.substr(first);
  while (!step->procedure.empty() && step->procedure.back() == ' ') step->procedure.pop_back();
  const script_form *form = find_script_form(step->procedure);
  if (form == nullptr) return "unknown procedure \"" + step->procedure + "\"";
  if (form->recorded[0] == 'T') {
    if (step->result != "true" && step->result != "false")
      return step->procedure + " records \"true\" or \"false\", not \"" + step->result + "\"";
  } else {
    c.check_name(step->result);
    if (c.failed()) return c.error;
  }
  c.i = open + 1;
  parse_arguments(&c, form, step);
  if (!c.failed()) parse_recorded(&c, form, step);
  return c.error;
}

bool blank(const std::string &line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

const script_form *find_script_form(const std::string &procedure) {
  for (const script_form &form : forms)
    if (procedure == form.procedure) return &form;
  return nullptr;
}

int parse_script(const std::string &text, std::vector<script_step> *steps, std::string *error) {
  std::vector<script_step> parsed;
  size_t indent = 0;
  bool open_entry = false;
  int number = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (blank(line)) {
      open_entry = false;
      continue;
    }
    if (line[0] == '#') continue;
    if (line[0] != ' ' && line[0] != '\t') {
      script_step step;
      step.line = number;
      step.text = line;
      size_t equals = line.find(" = ");
      indent = equals == std::string::npos ? 0 : equals + 3;
      parsed.push_back(step);
      open_entry = true;
      continue;
    }
    if (!open_entry) {
      *error = "continuation line without an entry";
      return number;
    }
    // The log wraps by inserting a line end and exactly `indent` blanks: remove just those, so a
    // blank that fell at the start of the continuation stays. Hand-made lines lose all blanks.
    size_t blanks = line.find_first_not_of(' ');
    std::string rest = line.substr(blanks >= indent ? indent : blanks);
    if (rest.compare(rest.find_first_not_of(' '), 17, "Computing time = ") == 0) continue;
    parsed.back().text += rest;
  }
  for (script_step &step : parsed) {
    std::string reason = parse_entry(&step);
    if (!reason.empty()) {
      *error = reason;
      return step.line;
    }
  }
  *steps = parsed;
  return 0;
}

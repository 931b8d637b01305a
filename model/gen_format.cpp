// Generator files (.gen): a writer in one buffered pass, and a reader in three phases (tokens and
// sections with their line numbers, event numbers, state numbering and the DES itself).
#include "model/gen_format.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/des_file.h"
#include "model/mymalloc.h"
#include "model/report_file.h"

namespace {

// ---- Writing ----------------------------------------------------------------------------------

// Output collected in a large buffer and handed to the stream in blocks.
struct gen_writer {
  FILE *out;
  std::string buf;
  bool failed = false;

  void flush() {
    if (!buf.empty() && fwrite(buf.data(), 1, buf.size(), out) != buf.size()) failed = true;
    buf.clear();
  }
  void put(std::string_view s) {
    buf.append(s);
    if (buf.size() >= (1u << 20)) flush();
  }
  void number(unsigned long v) {
    char digits[24];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    while (n > 0) buf.push_back(digits[--n]);
  }
};

// A name as a quoted string, with a quote inside written as \".
std::string quoted(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '\\';
    q += c;
  }
  return q + "\"";
}

// A state's output as the attribute that follows the state in <States>.
void write_output(gen_writer *w, unsigned output) {
  w->put("+Output=");
  w->number(output);
  w->put("+");
}

// A list of state indices (0-based states written from 1), ten to a line; with `des`, each state
// that has an output is followed by it.
void write_state_list(gen_writer *w, const std::vector<state_t> &states,
                      const state_node *des = nullptr) {
  for (size_t i = 0; i < states.size(); i++) {
    w->number(static_cast<unsigned long>(states[i]) + 1);
    if (des != nullptr && des[states[i]].vocal != 0) {
      w->put(" ");
      write_output(w, des[states[i]].vocal);
    }
    w->put(i % 10 == 9 || i + 1 == states.size() ? "\n" : " ");
  }
}

// The number N of an event name "eN" (N in 0..999, no leading zeros), or -1 for any other name.
int e_number(std::string_view name) {
  if (name.size() < 2 || name.size() > 4 || name[0] != 'e' || (name[1] == '0' && name.size() > 2))
    return -1;
  int n = 0;
  for (char c : name.substr(1)) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The EVENTS.txt names that stand for their event in a .gen file: names given to one number only
// and not of the form "eN" (which always means event N).
void usable_names(const event_names &names, bool usable[MAX_EVENT + 1]) {
  std::unordered_map<std::string, int> uses;
  for (int e = 0; e <= MAX_EVENT; e++)
    if (!names.name[e].empty()) uses[names.name[e]]++;
  for (int e = 0; e <= MAX_EVENT; e++)
    usable[e] = !names.name[e].empty() && uses[names.name[e]] == 1 && e_number(names.name[e]) < 0;
}

// ---- Tokens -----------------------------------------------------------------------------------

enum token_kind { T_END, T_OPEN, T_CLOSE, T_STRING, T_NUMBER, T_WORD, T_ATTR };

struct token {
  token_kind kind = T_END;
  std::string_view text;       // tag name, string value, word, digits, attribute letters
  std::string_view name_attr;  // the name="..." of an opening tag, if any
  bool has_name_attr = false;
  bool self_closing = false;
  unsigned long long number = 0;
  int line = 0;
};

// Thrown inside the reader only (never across the module border): the refusal and its line.
struct gen_refusal {
  int line;
  std::string message;
};

[[noreturn]] void refuse(int line, std::string message) {
  throw gen_refusal{line, std::move(message)};
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool is_tag_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == ':';
}

// Splits the text into tokens: white space and "%" comments separate them.
struct lexer {
  const char *p;
  const char *end;
  int line = 1;
  std::string scratch;  // a string value whose escapes had to be removed

  void skip_space() {
    while (p < end) {
      if (*p == '\n') {
        ++line;
        ++p;
      } else if (is_space(*p)) {
        ++p;
      } else if (*p == '%') {
        while (p < end && *p != '\n') ++p;
      } else {
        return;
      }
    }
  }

  void tag(token *t) {
    ++p;
    if (p < end && *p == '/') {
      t->kind = T_CLOSE;
      ++p;
    } else {
      t->kind = T_OPEN;
    }
    const char *start = p;
    while (p < end && is_tag_char(*p)) ++p;
    t->text = std::string_view(start, static_cast<size_t>(p - start));
    if (t->text.empty()) refuse(t->line, "a tag without a name");
    for (;;) {
      skip_space();
      if (p >= end) refuse(t->line, "the tag <" + std::string(t->text) + "> is not closed");
      if (*p == '>') {
        ++p;
        return;
      }
      if (*p == '/' && p + 1 < end && p[1] == '>' && t->kind == T_OPEN) {
        t->self_closing = true;
        p += 2;
        return;
      }
      const char *key = p;
      while (p < end && is_tag_char(*p)) ++p;
      std::string_view key_text(key, static_cast<size_t>(p - key));
      if (key_text.empty() || p >= end || *p != '=' || p + 1 >= end ||
          (p[1] != '"' && p[1] != '\''))
        refuse(line, "a malformed attribute in the tag <" + std::string(t->text) + ">");
      char quote = p[1];
      p += 2;
      const char *value = p;
      while (p < end && *p != quote) {
        if (*p == '\n') ++line;
        ++p;
      }
      if (p >= end) refuse(t->line, "the tag <" + std::string(t->text) + "> is not closed");
      if (key_text == "name") {
        t->name_attr = std::string_view(value, static_cast<size_t>(p - value));
        t->has_name_attr = true;
      }
      ++p;
    }
  }

  void string(token *t) {
    t->kind = T_STRING;
    const char *start = ++p;
    bool escaped = false;
    while (p < end && *p != '"') {
      if (*p == '\\' && p + 1 < end && p[1] == '"') {
        escaped = true;
        ++p;
      } else if (*p == '\n') {
        ++line;
      }
      ++p;
    }
    if (p >= end) refuse(t->line, "a string that is not closed");
    t->text = std::string_view(start, static_cast<size_t>(p - start));
    ++p;
    if (!escaped) return;
    scratch.clear();
    for (size_t i = 0; i < t->text.size(); i++) {
      if (t->text[i] == '\\' && i + 1 < t->text.size() && t->text[i + 1] == '"') ++i;
      scratch += t->text[i];
    }
    t->text = scratch;
  }

  // Reads the next token into *t; T_END at the end of the text.
  void next(token *t) {
    *t = token{};
    skip_space();
    t->line = line;
    if (p >= end) return;
    if (*p == '<') return tag(t);
    if (*p == '"') return string(t);
    if (*p == '+') {
      const char *start = ++p;
      while (p < end && *p != '+' && !is_space(*p)) ++p;
      if (p >= end || *p != '+') refuse(t->line, "an attribute that is not closed with \"+\"");
      t->kind = T_ATTR;
      t->text = std::string_view(start, static_cast<size_t>(p - start));
      ++p;
      return;
    }
    const char *start = p;
    while (p < end && !is_space(*p) && *p != '<' && *p != '"' && *p != '%' && *p != '+') ++p;
    t->text = std::string_view(start, static_cast<size_t>(p - start));
    bool digits =
        std::all_of(t->text.begin(), t->text.end(), [](char c) { return c >= '0' && c <= '9'; });
    t->kind = digits ? T_NUMBER : T_WORD;
    if (!digits) return;
    if (t->text.size() > 18)
      refuse(t->line, "the number " + std::string(t->text) + " is too large");
    for (char c : t->text) t->number = t->number * 10 + static_cast<unsigned>(c - '0');
  }
};

// Hash and equality that let a map of strings be searched with a string_view.
struct text_hash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
typedef std::unordered_map<std::string, int32_t, text_hash, std::equal_to<>> name_map;

std::string shown(const token &t) {
  switch (t.kind) {
    case T_END:
      return "the end of the file";
    case T_OPEN:
      return "<" + std::string(t.text) + ">";
    case T_CLOSE:
      return "</" + std::string(t.text) + ">";
    case T_STRING:
      return quoted(t.text);
    case T_ATTR:
      return "+" + std::string(t.text) + "+";
    default:
      return std::string(t.text);
  }
}

// ---- Sections ---------------------------------------------------------------------------------

struct alphabet_entry {
  std::string name;
  bool controllable;
  int line;
  int number = -1;
};

// One transition as read: source state id, and a word with the alphabet index in the event
// field and the target state id in the target field.
struct raw_transition {
  uint32_t source;
  tran_entry word;
};

struct gen_parser {
  lexer lx;
  token tok;
  std::string name;  // the generator's name, or the base name given
  bool named = false;

  std::vector<alphabet_entry> alphabet;
  name_map event_ids;

  int32_t states = 0;
  std::vector<int32_t> by_index;  // index -> state id + 1 (0: none), for indices below 2^24
  std::unordered_map<unsigned long long, int32_t> by_big_index;
  name_map by_name;
  bool all_indices = true;
  unsigned long long largest_index = 0;
  std::vector<unsigned long long> index_of;  // state id -> index (0 for a named state)

  std::vector<raw_transition> transitions;
  std::vector<uint32_t> out_count;  // transitions read per source state id
  std::vector<int32_t> initial;
  std::vector<int> initial_lines;
  std::vector<char> marked;
  std::vector<uint16_t> output;  // output per state id (0: silent), as far as one was given

  gen_parser(const char *text, size_t length, const char *base_name)
      : lx{text, text + length, 1, {}}, name(base_name) {}

  void next() { lx.next(&tok); }

  [[noreturn]] void unexpected(const char *where) {
    refuse(tok.line, "unexpected " + shown(tok) + " " + where);
  }

  // Skips an unknown section whose opening tag was just read.
  void skip_section() {
    std::string section(tok.text);
    int line = tok.line;
    for (int depth = 1; depth > 0;) {
      next();
      if (tok.kind == T_END) refuse(line, "the section <" + section + "> is not closed");
      if (tok.kind == T_OPEN && !tok.self_closing) ++depth;
      if (tok.kind == T_CLOSE) --depth;
    }
  }

  void expect_close(std::string_view section) {
    if (tok.kind != T_CLOSE || tok.text != section)
      refuse(tok.line, "expected </" + std::string(section) + "> instead of " + shown(tok));
  }

  // ---- Alphabet: names, each optionally followed by attributes (+C+: controllable).
  void read_alphabet() {
    std::vector<std::pair<int32_t, bool>> listings;  // alphabet index, controllable as listed
    std::vector<int> listing_lines;
    for (next(); !(tok.kind == T_CLOSE && tok.text == "Alphabet"); next()) {
      if (tok.kind == T_OPEN) {
        if (!tok.self_closing) skip_section();
      } else if (tok.kind == T_ATTR) {
        if (listings.empty()) unexpected("before the first event");
        if (tok.text.find('C') != std::string_view::npos) listings.back().second = true;
      } else if (tok.kind == T_STRING || tok.kind == T_WORD) {
        auto found = event_ids.find(tok.text);
        int32_t id;
        if (found != event_ids.end()) {
          id = found->second;
        } else {
          if (alphabet.size() >= static_cast<size_t>(GEN_MAX_EVENTS))
            refuse(tok.line, "more than 1,000 events");
          id = static_cast<int32_t>(alphabet.size());
          alphabet.push_back({std::string(tok.text), false, tok.line});
          event_ids.emplace(alphabet.back().name, id);
        }
        listings.push_back({id, false});
        listing_lines.push_back(tok.line);
      } else if (tok.kind == T_NUMBER) {
        refuse(tok.line, "the event name " + std::string(tok.text) + " is a number");
      } else {
        expect_close("Alphabet");
      }
    }
    std::vector<char> listed(alphabet.size(), 0);
    for (size_t i = 0; i < listings.size(); i++) {
      alphabet_entry &e = alphabet[static_cast<size_t>(listings[i].first)];
      if (!listed[static_cast<size_t>(listings[i].first)]) {
        e.controllable = listings[i].second;
        listed[static_cast<size_t>(listings[i].first)] = 1;
      } else if (e.controllable != listings[i].second) {
        refuse(listing_lines[i],
               "event " + quoted(e.name) + " is listed as controllable and as uncontrollable");
      }
    }
  }

  void add_index_state(unsigned long long index, int line) {
    if (index == 0) refuse(line, "state index 0 (indices start at 1)");
    if (find_index(index) >= 0) return;
    new_state(line);
    if (index < (1u << 24)) {
      if (by_index.size() <= index)
        by_index.resize(std::max<size_t>(index + 1, by_index.size() * 2), 0);
      by_index[index] = states;
    } else {
      by_big_index.emplace(index, states - 1);
    }
    index_of.push_back(index);
    largest_index = std::max(largest_index, index);
  }

  void new_state(int line) {
    if (states >= MAX_STATES) refuse(line, "more than 2,097,152 states");
    ++states;
  }

  int32_t find_index(unsigned long long index) const {
    if (index < by_index.size()) return by_index[index] - 1;
    if (index < (1u << 24)) return -1;
    auto found = by_big_index.find(index);
    return found == by_big_index.end() ? -1 : found->second;
  }

  // Reads "<Consecutive> FIRST LAST </Consecutive>" after its opening tag; calls visit(index)
  // for each index.
  template <typename Visit>
  void read_range(Visit visit) {
    int line = tok.line;
    next();
    if (tok.kind != T_NUMBER) unexpected("in <Consecutive>");
    unsigned long long first = tok.number;
    next();
    if (tok.kind != T_NUMBER) unexpected("in <Consecutive>");
    unsigned long long last = tok.number;
    next();
    expect_close("Consecutive");
    if (first == 0) refuse(line, "state index 0 (indices start at 1)");
    if (last >= first && last - first >= static_cast<unsigned long long>(MAX_STATES))
      refuse(line, "more than 2,097,152 states");
    for (unsigned long long i = first; i <= last; i++) visit(i, line);
  }

  // The output of the state `id` from an attribute "Output=N" (N in 10..99) after it; other
  // attributes are ignored.
  void read_output(int32_t id) {
    std::string_view key = "Output=";
    if (id < 0 || tok.text.substr(0, key.size()) != key) return;
    std::string_view digits = tok.text.substr(key.size());
    unsigned value = 0;
    bool ok = digits.size() == 2;
    for (char c : digits) {
      ok = ok && c >= '0' && c <= '9';
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (!ok || value < 10)
      refuse(tok.line, "the state output " + std::string(digits) + " is not in 10..99");
    if (output.size() < static_cast<size_t>(states)) output.resize(static_cast<size_t>(states), 0);
    output[static_cast<size_t>(id)] = static_cast<uint16_t>(value);
  }

  // ---- States: indices, names, and ranges of indices; an attribute "Output=N" after a state
  // gives its output, other attributes are ignored.
  void read_states() {
    int32_t last = -1;  // the state just listed, which an attribute describes
    for (next(); !(tok.kind == T_CLOSE && tok.text == "States"); next()) {
      if (tok.kind == T_ATTR) {
        read_output(last);
        continue;
      }
      last = -1;
      if (tok.kind == T_NUMBER) {
        add_index_state(tok.number, tok.line);
        last = find_index(tok.number);
      } else if (tok.kind == T_STRING || tok.kind == T_WORD) {
        auto found = by_name.find(tok.text);
        if (found != by_name.end()) {
          last = found->second;
          continue;
        }
        new_state(tok.line);
        by_name.emplace(std::string(tok.text), states - 1);
        index_of.push_back(0);
        all_indices = false;
        last = states - 1;
      } else if (tok.kind == T_OPEN && tok.text == "Consecutive" && !tok.self_closing) {
        read_range([this](unsigned long long i, int line) { add_index_state(i, line); });
      } else if (tok.kind == T_OPEN) {
        if (!tok.self_closing) skip_section();
      } else {
        expect_close("States");
      }
    }
  }

  // The state id the current token names.
  int32_t state_ref() {
    int32_t id = -1;
    if (tok.kind == T_NUMBER) {
      id = find_index(tok.number);
    } else if (tok.kind == T_STRING || tok.kind == T_WORD) {
      auto found = by_name.find(tok.text);
      if (found != by_name.end()) id = found->second;
    } else {
      unexpected("where a state belongs");
    }
    if (id < 0) refuse(tok.line, "unknown state " + shown(tok));
    return id;
  }

  // ---- TransRel: triples "source event target", each optionally followed by attributes.
  void read_transitions() {
    out_count.assign(static_cast<size_t>(states), 0);
    int position = 0;
    raw_transition t{};
    for (next(); !(tok.kind == T_CLOSE && tok.text == "TransRel"); next()) {
      if (tok.kind == T_OPEN) {
        if (!tok.self_closing) skip_section();
        continue;
      }
      if (tok.kind == T_ATTR && position == 0) continue;
      if (tok.kind == T_CLOSE || tok.kind == T_END) {
        if (position != 0) break;
        expect_close("TransRel");
      }
      if (position == 1) {
        if (tok.kind != T_STRING && tok.kind != T_WORD) unexpected("where an event belongs");
        auto found = event_ids.find(tok.text);
        if (found == event_ids.end())
          refuse(tok.line, "unknown event " + shown(tok) + " (not in the alphabet)");
        t.word.set_event(static_cast<event_t>(found->second));
      } else {
        int32_t id = state_ref();
        if (position == 0) {
          t.source = static_cast<uint32_t>(id);
          if (++out_count[static_cast<size_t>(id)] > 65535)
            refuse(tok.line, "state " + shown(tok) + " has more than 65,535 transitions");
        } else {
          t.word.set_target(id);
          transitions.push_back(t);
        }
      }
      position = (position + 1) % 3;
    }
    if (position != 0) refuse(tok.line, "a transition is cut short by " + shown(tok));
  }

  template <typename Add>
  void read_state_set(std::string_view section, Add add) {
    for (next(); !(tok.kind == T_CLOSE && tok.text == section); next()) {
      if (tok.kind == T_OPEN && tok.text == "Consecutive" && !tok.self_closing) {
        read_range([&](unsigned long long i, int line) {
          int32_t id = find_index(i);
          if (id < 0) refuse(line, "unknown state " + std::to_string(i));
          add(id, line);
        });
      } else if (tok.kind == T_OPEN) {
        if (!tok.self_closing) skip_section();
      } else if (tok.kind == T_NUMBER || tok.kind == T_STRING || tok.kind == T_WORD) {
        add(state_ref(), tok.line);
      } else if (tok.kind != T_ATTR) {
        expect_close(section);
      }
    }
  }

  void read_generator() {
    next();
    if (tok.kind != T_OPEN || tok.text != "Generator") {
      if (tok.kind == T_END) refuse(tok.line, "the file holds no <Generator>");
      unexpected("before <Generator>");
    }
    if (tok.has_name_attr) {
      name = tok.name_attr;
      named = true;
    }
    if (tok.self_closing) return;
    bool first = true;
    for (next(); !(tok.kind == T_CLOSE && tok.text == "Generator"); next(), first = false) {
      if (first && (tok.kind == T_STRING || tok.kind == T_WORD)) {
        name = tok.text;
        named = true;
      } else if (tok.kind == T_OPEN && tok.self_closing) {
        continue;
      } else if (tok.kind == T_OPEN && tok.text == "Alphabet") {
        read_alphabet();
      } else if (tok.kind == T_OPEN && tok.text == "States") {
        read_states();
      } else if (tok.kind == T_OPEN && tok.text == "TransRel") {
        read_transitions();
      } else if (tok.kind == T_OPEN && tok.text == "InitStates") {
        read_state_set("InitStates", [this](int32_t id, int line) {
          if (std::find(initial.begin(), initial.end(), id) != initial.end()) return;
          initial.push_back(id);
          initial_lines.push_back(line);
        });
      } else if (tok.kind == T_OPEN && tok.text == "MarkedStates") {
        marked.resize(static_cast<size_t>(states), 0);
        read_state_set("MarkedStates",
                       [this](int32_t id, int) { marked[static_cast<size_t>(id)] = 1; });
      } else if (tok.kind == T_OPEN) {
        skip_section();
      } else if (tok.kind == T_END) {
        refuse(tok.line, "the file ends before </Generator>");
      } else {
        unexpected("in <Generator>");
      }
    }
  }

  // ---- Event numbers.
  void number_events(const event_names &known) {
    name_map known_numbers;
    bool usable[MAX_EVENT + 1];
    usable_names(known, usable);
    for (int e = 0; e <= MAX_EVENT; e++)
      if (usable[e]) known_numbers.emplace(known.name[e], e);
    bool used[MAX_EVENT + 1] = {};
    for (alphabet_entry &e : alphabet) {
      auto found = known_numbers.find(e.name);
      if (found == known_numbers.end()) continue;
      int n = found->second;
      if ((n % 2 == 1) != e.controllable)
        refuse(e.line, "event " + quoted(e.name) + " is " + std::to_string(n) + " in " +
                           EVENT_NAMES_FILE + ", " + (n % 2 ? "controllable" : "uncontrollable") +
                           ", but " + (e.controllable ? "controllable" : "uncontrollable") +
                           " here");
      e.number = n;
      used[n] = true;
    }
    for (alphabet_entry &e : alphabet) {
      int n = e_number(e.name);
      if (e.number >= 0 || n < 0 || (n % 2 == 1) != e.controllable || used[n]) continue;
      e.number = n;
      used[n] = true;
    }
    for (alphabet_entry &e : alphabet) {
      if (e.number >= 0) continue;
      int n = e.controllable ? 1 : 0;
      while (n <= MAX_EVENT && (used[n] || !known.name[n].empty())) n += 2;
      if (n > MAX_EVENT)
        refuse(e.line, std::string("no free ") + (e.controllable ? "odd" : "even") +
                           " event number left for " + quoted(e.name));
      e.number = n;
      used[n] = true;
    }
  }
};

// Numbers the states: 0..n-1 as listed by index 1..n when the file is in that form with initial
// index 1, else breadth-first from the initial state. Returns new number per state id.
std::vector<int32_t> state_order(const gen_parser &g, const std::vector<uint32_t> &first,
                                 const std::vector<tran_entry> &rows) {
  size_t n = static_cast<size_t>(g.states);
  std::vector<int32_t> order(n, -1);
  if (g.all_indices && g.largest_index == n && g.index_of[static_cast<size_t>(g.initial[0])] == 1) {
    for (size_t id = 0; id < n; id++) order[id] = static_cast<int32_t>(g.index_of[id] - 1);
    return order;
  }
  std::vector<int32_t> queue;
  queue.reserve(n);
  int32_t next_number = 0;
  order[static_cast<size_t>(g.initial[0])] = next_number++;
  queue.push_back(g.initial[0]);
  for (size_t head = 0; head < queue.size(); head++) {
    size_t s = static_cast<size_t>(queue[head]);
    for (uint32_t j = first[s]; j < first[s + 1]; j++) {
      size_t t = static_cast<size_t>(rows[j].target());
      if (order[t] >= 0) continue;
      order[t] = next_number++;
      queue.push_back(static_cast<int32_t>(t));
    }
  }
  for (size_t id = 0; id < n; id++)
    if (order[id] < 0) order[id] = next_number++;
  return order;
}

// Builds the DES from a parsed file; on failure refuses (no DES left allocated).
void build_des(gen_parser &g, gen_import *result) {
  size_t n = static_cast<size_t>(g.states);
  if (n == 0) return;
  if (g.initial.empty()) refuse(0, "no initial state (exactly one is needed)");
  // Transition rows by source state id, events numbered, sorted.
  std::vector<uint32_t> first(n + 1, 0);
  for (const raw_transition &t : g.transitions) first[t.source + 1]++;
  for (size_t s = 0; s < n; s++) first[s + 1] += first[s];
  std::vector<tran_entry> rows(g.transitions.size());
  {
    std::vector<uint32_t> fill(first.begin(), first.end() - 1);
    for (const raw_transition &t : g.transitions) {
      tran_entry w = t.word;
      w.set_event(static_cast<event_t>(g.alphabet[w.event()].number));
      rows[fill[t.source]++] = w;
    }
  }
  std::vector<raw_transition>().swap(g.transitions);
  for (size_t s = 0; s < n; s++)
    std::sort(rows.begin() + first[s], rows.begin() + first[s + 1], tran_less);
  std::vector<int32_t> order = state_order(g, first, rows);
  std::vector<int32_t> id_of(n);
  for (size_t id = 0; id < n; id++)
    id_of[static_cast<size_t>(order[id])] = static_cast<int32_t>(id);

  state_node *des = newdes(g.states);
  if (des == nullptr) refuse(0, "out of memory");
  for (size_t s = 0; s < n; s++) {
    size_t id = static_cast<size_t>(id_of[s]);
    des[s].marked = id < g.marked.size() && g.marked[id];
    des[s].vocal = static_cast<uint16_t>(id < g.output.size() ? g.output[id] & 0x1FFF : 0);
    tran_entry *row = rows.data() + first[id];
    size_t count = first[id + 1] - first[id];
    for (size_t j = 0; j < count; j++)
      row[j].set_target(order[static_cast<size_t>(row[j].target())]);
    std::sort(row, row + count, tran_less);
    count = static_cast<size_t>(std::unique(row, row + count, tran_equal) - row);
    for (size_t j = 1; j < count; j++)
      if (row[j].event() == row[j - 1].event()) result->nondeterministic = true;
    if (count == 0) continue;
    des[s].next = MALLOC_N<tran_entry>(count);
    if (des[s].next == nullptr) {
      freedes(g.states, &des);
      refuse(0, "out of memory");
    }
    memcpy(des[s].next, row, count * sizeof(tran_entry));
    des[s].numelts = static_cast<uint16_t>(count);
  }
  des[0].reached = 1;
  result->size = g.states;
  result->des = des;
}

bool plain_file_name(const char *name) {
  return des_name_ok(name) && strlen(name) <= 200;
}

long transition_count(const state_node *des, state_t size) {
  long m = 0;
  for (state_t s = 0; s < size; s++) m += des[s].numelts;
  return m;
}

bool read_file(const std::string &path, std::string *text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff length = in.tellg();
  if (length < 0) return false;
  in.seekg(0);
  text->resize(static_cast<size_t>(length));
  in.read(text->data(), length);
  return static_cast<bool>(in) || in.gcount() == length;
}

}  // namespace

int write_gen(FILE *out, const char *name, const state_node *des, state_t size,
              const event_names &names) {
  gen_writer w{out, {}};
  bool used[MAX_EVENT + 1] = {};
  long transitions = 0;
  for (state_t s = 0; s < size; s++) {
    transitions += des[s].numelts;
    for (int j = 0; j < des[s].numelts; j++) used[des[s].next[j].event()] = true;
  }
  std::string event_text[MAX_EVENT + 1];
  bool usable[MAX_EVENT + 1];
  usable_names(names, usable);
  w.put("<Generator>\n" + quoted(name) + "\n% written by sarv: " + std::to_string(size) +
        " states (sarv state s is index s+1), " + std::to_string(transitions) + " transitions\n");
  w.put("<Alphabet>\n");
  for (int e = 0; e <= MAX_EVENT; e++) {
    if (!used[e]) continue;
    event_text[e] = quoted(usable[e] ? names.name[e] : "e" + std::to_string(e));
    w.put(event_text[e]);
    w.put(e % 2 ? " +C+\n" : "\n");
  }
  w.put("</Alphabet>\n<States>\n");
  if (size > 100) {
    // Ranges of silent states; a state with an output stands alone with its attribute.
    state_t first = 0;
    for (state_t s = 0; s <= size; s++) {
      if (s < size && des[s].vocal == 0) continue;
      if (s > first) {
        w.put("<Consecutive> ");
        w.number(static_cast<unsigned long>(first) + 1);
        w.put(" ");
        w.number(static_cast<unsigned long>(s));
        w.put(" </Consecutive>\n");
      }
      if (s < size) {
        w.number(static_cast<unsigned long>(s) + 1);
        w.put(" ");
        write_output(&w, des[s].vocal);
        w.put("\n");
      }
      first = s + 1;
    }
  } else {
    std::vector<state_t> all(static_cast<size_t>(size));
    for (state_t s = 0; s < size; s++) all[static_cast<size_t>(s)] = s;
    write_state_list(&w, all, des);
  }
  w.put("</States>\n<TransRel>\n");
  for (state_t s = 0; s < size; s++) {
    for (int j = 0; j < des[s].numelts; j++) {
      w.number(static_cast<unsigned long>(s) + 1);
      w.buf.push_back(' ');
      w.buf.append(event_text[des[s].next[j].event()]);
      w.buf.push_back(' ');
      w.number(static_cast<unsigned long>(des[s].next[j].target()) + 1);
      w.put("\n");
    }
  }
  w.put("</TransRel>\n<InitStates>\n");
  if (size > 0) w.put("1\n");
  w.put("</InitStates>\n<MarkedStates>\n");
  std::vector<state_t> marked;
  for (state_t s = 0; s < size; s++)
    if (des[s].marked) marked.push_back(s);
  write_state_list(&w, marked);
  w.put("</MarkedStates>\n</Generator>\n");
  w.flush();
  return w.failed || ferror(out) ? 1 : 0;
}

int read_gen(const char *text, size_t length, const char *base_name, const event_names &known,
             gen_import *result, gen_error *error) {
  gen_import built;
  try {
    gen_parser g(text, length, base_name);
    g.read_generator();
    if (g.states > 0 && g.initial.empty())
      refuse(g.tok.line, "no initial state (exactly one is needed)");
    if (g.initial.size() > 1)
      refuse(g.initial_lines[1], "more than one initial state (exactly one is needed)");
    g.number_events(known);
    for (const alphabet_entry &e : g.alphabet) {
      if (!known.name[e.number].empty() || e.name == "e" + std::to_string(e.number)) continue;
      if (!event_name_ok(e.name.c_str())) {
        built.unnamed++;
        continue;
      }
      built.added.name[e.number] = e.name;
      built.added_count++;
    }
    built.generator_name = g.name;
    build_des(g, &built);
  } catch (const gen_refusal &r) {
    error->line = r.line;
    error->message = r.message;
    return 1;
  } catch (const std::bad_alloc &) {
    error->line = 0;
    error->message = "out of memory";
    return 1;
  }
  *result = std::move(built);
  return 0;
}

int export_gen_file(const char *name, const char *out_file, std::string *message) {
  if (!des_name_ok(name) || !plain_file_name(out_file)) {
    *message = "names must stay inside the user directory (no \"/\")";
    return GEN_BAD_NAME;
  }
  state_t size = 0, init = 0;
  state_node *des = nullptr;
  if (!getdes(name, &size, &init, &des)) {
    *message = std::string("no readable DES ") + name + " in " + prefix;
    return GEN_NO_INPUT;
  }
  event_names names;
  load_event_names(prefix, &names);
  std::string path = std::string(prefix) + out_file;
  report_file out;
  int code = GEN_OK;
  if (report_open(&out, path.c_str()) != 0) {
    code = GEN_WRITE_FAILED;
  } else if (write_gen(out.stream, name, des, size, names) != 0) {
    report_abort(&out);
    code = GEN_WRITE_FAILED;
  } else if (report_commit(&out) != 0) {
    code = GEN_WRITE_FAILED;
  }
  if (code == GEN_OK)
    *message = path + " written (DES " + name + ": " + std::to_string(size) + " states, " +
               std::to_string(transition_count(des, size)) + " transitions)";
  else
    *message = "error writing file: " + path;
  freedes(size, &des);
  return code;
}

int import_gen_file(const char *in_file, const char *name, std::string *message) {
  if (!des_name_ok(name) || !plain_file_name(in_file)) {
    *message = "names must stay inside the user directory (no \"/\")";
    return GEN_BAD_NAME;
  }
  std::string path = std::string(prefix) + in_file;
  std::string text;
  if (!read_file(path, &text)) {
    *message = "cannot read " + path;
    return GEN_NO_INPUT;
  }
  std::string base = in_file;
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".gen") == 0)
    base.resize(base.size() - 4);
  event_names known;
  load_event_names(prefix, &known);
  gen_import g;
  gen_error error;
  if (read_gen(text.data(), text.size(), base.c_str(), known, &g, &error) != 0) {
    *message = std::string(in_file) +
               (error.line > 0 ? " line " + std::to_string(error.line) : std::string()) + ": " +
               error.message;
    return GEN_BAD_FILE;
  }
  std::string().swap(text);
  std::string names_path = std::string(prefix) + EVENT_NAMES_FILE;
  std::string old_names;
  bool had_names = read_file(names_path, &old_names);
  int code = GEN_OK;
  if (g.added_count > 0 && append_event_names(prefix, g.added) != 0) {
    *message = "error writing file: " + names_path;
    code = GEN_WRITE_FAILED;
  } else if (filedes(name, g.size, 0, g.des) != 0) {
    *message = std::string("error writing file: ") + prefix + name + ".des";
    code = GEN_WRITE_FAILED;
    if (g.added_count > 0) {
      report_file back;
      if (!had_names) {
        remove(names_path.c_str());
      } else if (report_open(&back, names_path.c_str()) == 0) {
        fwrite(old_names.data(), 1, old_names.size(), back.stream);
        report_commit(&back);
      }
    }
  }
  if (code == GEN_OK) {
    *message = std::string(prefix) + name + ".des written (" + std::to_string(g.size) +
               " states, " + std::to_string(transition_count(g.des, g.size)) + " transitions)";
    if (g.added_count > 0)
      *message +=
          "; " + std::to_string(g.added_count) + " new event names added to " + EVENT_NAMES_FILE;
    if (g.unnamed > 0)
      *message += "; " + std::to_string(g.unnamed) +
                  " event names not kept (not 1 to 20 letters, digits, _)";
    if (g.nondeterministic) *message += "; the DES is nondeterministic";
  }
  freedes(g.size, &g.des);
  return code;
}

#include "model/event_names.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "model/report_file.h"

bool event_name_ok(const char *name) {
  size_t len = strlen(name);
  if (len < 1 || len > static_cast<size_t>(EVENT_NAME_MAX)) return false;
  for (size_t i = 0; i < len; ++i)
    if (!isalnum(static_cast<unsigned char>(name[i])) && name[i] != '_') return false;
  return true;
}

namespace {

// Parses one line; returns true and sets *event/*name for "NUMBER NAME", true with *event -1 for
// a blank or comment line, false for anything else.
bool parse_line(const std::string &raw, int *event, std::string *name) {
  std::string line = raw.substr(0, raw.find('#'));
  std::istringstream in(line);
  std::string number, word, extra;
  *event = -1;
  if (!(in >> number)) return true;
  if (!(in >> word) || (in >> extra)) return false;
  if (number.size() > 3 || number.find_first_not_of("0123456789") != std::string::npos)
    return false;
  if (!event_name_ok(word.c_str())) return false;
  *event = atoi(number.c_str());
  *name = word;
  return true;
}

}  // namespace

int load_event_names(const char *prefix, event_names *names) {
  *names = event_names{};
  std::ifstream in(std::string(prefix) + EVENT_NAMES_FILE);
  if (!in) return 0;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    int event;
    std::string name;
    bool ok = parse_line(line, &event, &name);
    if (ok && event >= 0 && !names->name[event].empty()) ok = false;
    if (!ok) {
      if (names->bad_line == 0) {
        names->bad_line = number;
        names->bad_text = line;
      }
      continue;
    }
    if (event >= 0) names->name[event] = name;
  }
  return 1;
}

std::string event_label(const event_names &names, int event) {
  if (event < 0 || event > 999 || names.name[event].empty()) return std::to_string(event);
  return names.name[event] + " (" + std::to_string(event) + ")";
}

std::string event_short_label(const event_names &names, int event) {
  if (event < 0 || event > 999 || names.name[event].empty()) return std::to_string(event);
  return names.name[event];
}

int append_event_names(const char *prefix, const event_names &added) {
  std::string path = std::string(prefix) + EVENT_NAMES_FILE;
  std::string text;
  {
    std::ifstream old(path, std::ios::binary);
    if (old) {
      std::ostringstream all;
      all << old.rdbuf();
      text = all.str();
      if (!text.empty() && text.back() != '\n') text += '\n';
    }
  }
  for (int e = 0; e < 1000; ++e)
    if (!added.name[e].empty()) text += std::to_string(e) + " " + added.name[e] + "\n";
  report_file out;
  if (report_open(&out, path.c_str()) != 0) return 1;
  fputs(text.c_str(), out.stream);
  return report_commit(&out) == 0 ? 0 : 1;
}

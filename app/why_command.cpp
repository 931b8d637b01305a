// The explanation run mode: one request of a "why" row, its text or JSON copied to standard output.
#include "app/why_command.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "algo/compare.h"
#include "engine/protocol.h"
#include "engine/result_messages.h"
#include "engine/startup.h"
#include "engine/why_procedures.h"
#include "model/des_file.h"

namespace {

volatile sig_atomic_t interrupted = 0;

void on_interrupt(int) {
  interrupted = 1;
}

int watch(double, int) {
  return interrupted ? 1 : 0;
}

int usage_error(const std::string &what) {
  fprintf(stderr,
          "sarv -why: %s\nUsage: sarv -why WHAT ARGS... [-d DIR] [--json]\n"
          "  WHAT ARGS: supcon PLANT SPEC | nonconflict A B | condat PLANT SUPERVISOR |\n"
          "             compare A B | trim A\n",
          what.c_str());
  return 2;
}

bool read_file(const std::string &path, std::string *text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream buffer;
  buffer << in.rdbuf();
  *text = buffer.str();
  return true;
}

// The user directory: DIR when given, else the start-up file's. 0, or the usage status.
int user_directory(const char *program, const char *dir) {
  const char *problem = choose_user_directory(program, dir);
  return problem == nullptr ? 0 : usage_error(problem + (dir ? std::string(" ") + dir : ""));
}

// The message of a failed request, naming the input it is about where there is one.
std::string failure_text(const procedure_row &row, int code,
                         const std::vector<std::string> &names) {
  std::string file = std::string(prefix) + names.back() + WHY_TEXT_EXT;
  for (int i = 0; i < row.inputs; ++i) {
    state_t size = 0, init = 0;
    state_node *des = nullptr;
    bool readable = getdes(names[static_cast<size_t>(i)].c_str(), &size, &init, &des) != 0;
    bool found = code == MURN_INPUT_NOT_READ     ? !readable
                 : code == MURN_NONDETERMINISTIC ? readable && checkdet(size, des) != 1
                                                 : false;
    freedes(size, &des);
    if (found) {
      file = (code == MURN_NONDETERMINISTIC ? "" : std::string(prefix)) +
             names[static_cast<size_t>(i)] + ".des";
      break;
    }
  }
  char text[768];
  snprintf(text, sizeof text, result_text(code), file.c_str());
  return text;
}

}  // namespace

int why_command(const char *program, int argc, char **argv) {
  bool json = false;
  const char *dir = nullptr;
  std::vector<std::string> words;
  for (int i = 0; i < argc; ++i) {
    if (strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (strcmp(argv[i], "-d") == 0) {
      if (i + 1 >= argc) return usage_error("-d needs a directory");
      dir = argv[++i];
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return usage_error(std::string("unknown option ") + argv[i]);
    } else {
      words.push_back(argv[i]);
    }
  }
  if (words.empty()) return usage_error("nothing to explain");
  const why_topic *topic = find_why_topic(words[0].c_str());
  if (topic == nullptr) return usage_error("cannot explain \"" + words[0] + "\"");
  const procedure_row &row = procedure(topic->id);
  std::vector<std::string> names(words.begin() + 1, words.end());
  if (static_cast<int>(names.size()) != row.inputs)
    return usage_error(words[0] + " takes " + std::to_string(row.inputs) +
                       (row.inputs == 1 ? " DES name" : " DES names"));
  for (const std::string &name : names)
    if (!des_name_ok(name.c_str())) return usage_error("\"" + name + "\" is not a DES name");
  int status = user_directory(program, dir);
  if (status != 0) return status;
  for (const std::string &name : names) {
    struct stat info;
    std::string file = std::string(prefix) + name + ".des";
    if (stat(file.c_str(), &info) != 0) {
      fprintf(stderr, "sarv -why: missing input file %s\n", file.c_str());
      return 1;
    }
  }
  names.push_back(names[0]);  // the explanation is filed as DES1.why.txt
  const char *request_names[MAX_REQUEST_NAMES];
  for (size_t i = 0; i < names.size(); ++i) request_names[i] = names[i].c_str();
  argv0 = program;
  signal(SIGINT, on_interrupt);
  set_compute_watch(watch, false);
  int code = run_request(row.id, request_names, nullptr, 0);
  set_compute_watch(nullptr, false);
  std::string json_path = why_json_path(), text;
  bool read = code == MURN_OK &&
              read_file(json ? json_path : std::string(prefix) + names[0] + WHY_TEXT_EXT, &text);
  remove(json_path.c_str());
  if (code != MURN_OK) {
    fprintf(stderr, "sarv -why: %s\n",
            interrupted ? "interrupted" : failure_text(row, code, names).c_str());
    return 1;
  }
  if (!read) {
    fprintf(stderr, "sarv -why: the explanation cannot be read\n");
    return 1;
  }
  fputs(text.c_str(), stdout);
  return 0;
}

// DOT pictures of a DES or control data, and their rendering with Graphviz.
#include "report/dot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/des_supp.h"

namespace {

// `name` as a DOT double-quoted string body (quotes and backslashes escaped).
std::string quoted(const char *name) {
  std::string text;
  for (const char *c = name; *c != '\0'; c++) {
    if (*c == '"' || *c == '\\') text += '\\';
    text += *c;
  }
  return text;
}

// `name` with the characters HTML-like DOT labels reserve replaced by entities.
std::string html(const char *name) {
  std::string text;
  for (const char *c = name; *c != '\0'; c++) {
    if (*c == '<')
      text += "&lt;";
    else if (*c == '>')
      text += "&gt;";
    else if (*c == '&')
      text += "&amp;";
    else if (*c == '"')
      text += "&quot;";
    else
      text += *c;
  }
  return text;
}

// The label of events on one edge: the number alone without names; with names, a lone event as
// "start_1 (11)" and several by their names alone (numbers for unnamed ones), joined by ",".
std::string labels(const std::vector<event_t> &events, const event_names *names) {
  std::string text;
  for (size_t i = 0; i < events.size(); ++i) {
    if (i > 0) text += ',';
    if (names == nullptr)
      text += std::to_string(events[i]);
    else
      text += events.size() == 1 ? event_label(*names, events[i])
                                 : event_short_label(*names, events[i]);
  }
  return text;
}

// Temporary file beside `path` (path + ".XXXXXX"), opened for writing; its name in *tmp.
int open_beside(const char *path, std::string *tmp) {
  *tmp = std::string(path) + ".XXXXXX";
  int fd = mkstemp(&(*tmp)[0]);
  if (fd >= 0) fchmod(fd, 0644);
  return fd;
}

}  // namespace

int write_des_dot(FILE *out, const char *name, const state_node *des, state_t size,
                  const event_names *names) {
  fprintf(out, "digraph \"%s\" {\n", quoted(name).c_str());
  fprintf(out, "  label=\"%s  (%ld states, %ld transitions)\";\n  labelloc=t;\n  rankdir=LR;\n",
          quoted(name).c_str(), static_cast<long>(size), num_transitions(des, size));
  fprintf(out, "  node [shape=circle];\n");
  if (size > 0) fprintf(out, "  _start [shape=none, label=\"\", width=0, height=0];\n");
  for (state_t s = 0; s < size; s++) {
    fprintf(out, "  %ld [", static_cast<long>(s));
    if (des[s].marked) fprintf(out, "shape=doublecircle, ");
    if (des[s].vocal != 0)
      fprintf(out, "label=\"%ld/%d\"];\n", static_cast<long>(s), des[s].vocal);
    else
      fprintf(out, "label=\"%ld\"];\n", static_cast<long>(s));
  }
  if (size > 0) fprintf(out, "  _start -> 0;\n");
  // Parallel edges of one kind merged: (target, uncontrollable) -> events in event order.
  std::map<std::pair<state_t, int>, std::vector<event_t>> edges;
  for (state_t s = 0; s < size; s++) {
    edges.clear();
    for (int j = 0; j < des[s].numelts; j++) {
      event_t e = des[s].next[j].event();
      edges[std::make_pair(des[s].next[j].target(), e % 2 == 0 ? 1 : 0)].push_back(e);
    }
    for (const auto &edge : edges)
      fprintf(out, "  %ld -> %ld [label=\"%s\"%s];\n", static_cast<long>(s),
              static_cast<long>(edge.first.first), labels(edge.second, names).c_str(),
              edge.first.second ? ", style=dashed" : "");
  }
  fprintf(out, "}\n");
  return ferror(out) ? DOT_WRITE_FAILED : DOT_OK;
}

int write_dat_dot(FILE *out, const char *name, const state_node *dat, state_t size,
                  const event_names *names) {
  fprintf(out, "digraph \"%s\" {\n  node [shape=plaintext];\n", quoted(name).c_str());
  fprintf(out,
          "  control [label=<<TABLE BORDER=\"0\" CELLBORDER=\"1\" CELLSPACING=\"0\">\n"
          "    <TR><TD COLSPAN=\"2\"><B>%s: control data</B></TD></TR>\n"
          "    <TR><TD>state</TD><TD>disabled events</TD></TR>\n",
          html(name).c_str());
  bool any = false;
  for (state_t s = 0; s < size; s++) {
    if (dat[s].numelts == 0) continue;
    any = true;
    fprintf(out, "    <TR><TD>%ld</TD><TD>", static_cast<long>(s));
    std::vector<event_t> events;
    for (int j = 0; j < dat[s].numelts; j++) events.push_back(dat[s].next[j].event());
    fputs(html(labels(events, names).c_str()).c_str(), out);
    fprintf(out, "</TD></TR>\n");
  }
  if (!any) fprintf(out, "    <TR><TD COLSPAN=\"2\">no event disabled</TD></TR>\n");
  fprintf(out, "  </TABLE>>];\n}\n");
  return ferror(out) ? DOT_WRITE_FAILED : DOT_OK;
}

int file_dot(const char *path, const char *name, const state_node *des, state_t size, int is_dat,
             const event_names *names) {
  std::string tmp;
  int fd = open_beside(path, &tmp);
  if (fd < 0) return DOT_WRITE_FAILED;
  FILE *out = fdopen(fd, "w");
  if (out == nullptr) {
    close(fd);
    unlink(tmp.c_str());
    return DOT_WRITE_FAILED;
  }
  int code = is_dat ? write_dat_dot(out, name, des, size, names)
                    : write_des_dot(out, name, des, size, names);
  if (fclose(out) != 0) code = DOT_WRITE_FAILED;
  if (code == DOT_OK && rename(tmp.c_str(), path) != 0) code = DOT_WRITE_FAILED;
  if (code != DOT_OK) unlink(tmp.c_str());
  return code;
}

int find_graphviz(char *found, size_t size) {
  const char *path = getenv("PATH");
  if (path == nullptr || size == 0) return 0;
  std::string dirs(path);
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/dot";
    if (access(candidate.c_str(), X_OK) == 0 && candidate.size() < size) {
      memcpy(found, candidate.c_str(), candidate.size() + 1);
      return 1;
    }
    start = end + 1;
  }
  return 0;
}

int render_dot(const char *dot_path, const char *out_path, const char *format) {
  char program[4096];
  if (!find_graphviz(program, sizeof program)) return DOT_NO_GRAPHVIZ;
  std::string tmp;
  int fd = open_beside(out_path, &tmp);
  if (fd < 0) return DOT_WRITE_FAILED;
  close(fd);
  std::string type = std::string("-T") + format;
  fflush(nullptr);
  pid_t child = fork();
  if (child < 0) {
    unlink(tmp.c_str());
    return DOT_RENDER_FAILED;
  }
  if (child == 0) {
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, STDIN_FILENO);
      dup2(null_fd, STDOUT_FILENO);
      dup2(null_fd, STDERR_FILENO);
    }
    const char *args[] = {"dot", type.c_str(), "-o", tmp.c_str(), dot_path, nullptr};
    execv(program, const_cast<char *const *>(args));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) break;
  int code = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? DOT_OK : DOT_RENDER_FAILED;
  if (code == DOT_OK && rename(tmp.c_str(), out_path) != 0) code = DOT_WRITE_FAILED;
  if (code != DOT_OK) unlink(tmp.c_str());
  return code;
}

int picture_files(const char *name, const state_node *des, state_t size, int is_dat,
                  const char *dot_path, const char *out_path, const char *format,
                  const event_names *names) {
  int code = file_dot(dot_path, name, des, size, is_dat, names);
  if (code != DOT_OK || out_path == nullptr) return code;
  if (size > DOT_RENDER_LIMIT) return DOT_TOO_LARGE;
  return render_dot(dot_path, out_path, format);
}

const char *dot_message(int code) {
  static const char *const messages[] = {
      "done",
      "the file could not be written",
      "Graphviz (dot) is not installed or not on PATH; the DOT file was written",
      "too many states to draw; the DOT file was written",
      "Graphviz (dot) failed to draw the picture",
  };
  if (code < 0 || code >= static_cast<int>(sizeof messages / sizeof messages[0]))
    return "unknown result";
  return messages[code];
}

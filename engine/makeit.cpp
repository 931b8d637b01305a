// Building, wrapping and appending MAKEIT log entries.
#include "engine/makeit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "algo/des_proc.h"
#include "algo/supcon.h"

namespace {

std::string format(const char *fmt, long a, long b) {
  char text[64];
  snprintf(text, sizeof text, fmt, a, b);
  return text;
}

// "e1,e2,...": values separated by commas, without blanks.
std::string event_list(const event_t *events, uint16_t count) {
  std::string text;
  for (uint16_t i = 0; i < count; ++i) {
    if (i > 0) text += ',';
    text += std::to_string(events[i]);
  }
  return text;
}

std::string args_text(const procedure_row &row, const makeit_facts &facts) {
  switch (row.log_args) {
    case LOG_ARGS_NONE:
      return "";
    case LOG_TYPED_EVENTS:
      return ",[" + event_list(facts.typed, facts.n_typed) + "]";
    case LOG_TYPED_PAIRS: {
      std::string text = ",[";
      for (state_t i = 0; i < facts.n_pairs; ++i)
        text +=
            format(i == 0 ? "[%ld,%ld]" : ",[%ld,%ld]", facts.pairs[i].data1, facts.pairs[i].data2);
      return text + "]";
    }
    case LOG_NULL_OR_IMAGE:
      return (facts.image ? ",Image[" : ",Null[") + event_list(facts.typed, facts.n_typed) + "]";
    case LOG_CORRESPONDENCE: {
      if (strcmp(facts.output, "true") != 0) return "";
      std::string text;
      for (state_t x = 0; facts.map != nullptr && x < facts.map_size; ++x)
        if (facts.map[x] != x)
          text += format(text.empty() ? ";[[%ld,%ld]" : ",[%ld,%ld]", x, facts.map[x]);
      return text.empty() ? ";identity" : text + "]";
    }
    case LOG_VOCAL_TRIPLES: {
      std::string text = ",[";
      char item[64];
      for (state_t i = 0; i < facts.n_quads; ++i) {
        const quad &q = facts.quads[i];
        snprintf(item, sizeof item, i == 0 ? "[%ld,%d,%d]" : ",[%ld,%d,%d]", static_cast<long>(q.a),
                 q.b, q.d);
        text += item;
      }
      return text + "]";
    }
  }
  return "";
}

// The outputs on states of the DES that are not in `old`, ascending, as "v1,v2".
std::string new_outputs(const makeit_facts &facts) {
  bool seen[8192] = {};
  for (state_t s = 0; s < facts.size; ++s) seen[facts.des[s].vocal] = true;
  seen[0] = false;
  for (uint16_t i = 0; i < facts.n_old_outputs; ++i) seen[facts.old_outputs[i] & 0x1FFF] = false;
  std::string text;
  for (int w = 1; w < 8192; ++w) {
    if (!seen[w]) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(w);
  }
  return text;
}

std::string sizes_text(const makeit_facts &facts) {
  return format("  (%ld,%ld)", facts.size, static_cast<long>(count_tran(facts.des, facts.size)));
}

std::string tail_text(const procedure_row &row, const makeit_facts &facts) {
  switch (row.log_tail) {
    case LOG_TAIL_NONE:
      return "";
    case LOG_SIZES:
      return sizes_text(facts);
    case LOG_SIZES_BLOCKED: {
      std::string text = sizes_text(facts);
      text += "  Blocked_events = ";
      if (facts.n_blocked == 0) return text + "None  ";
      text += '[';
      text += event_list(facts.blocked, facts.n_blocked);
      return text + "]  ";
    }
    case LOG_CONTROLLABLE:
      return compute_controllable(facts.des, facts.size) ? "  Controllable." : "  Uncontrollable.";
    case LOG_NEW_LABELS_SIZES:
      return "   New event labels: [" + new_outputs(facts) + "]" + sizes_text(facts);
    case LOG_SIZES_BOUND: {
      char text[96];
      snprintf(text, sizeof text, "  (%ld,%ld;slb=%ld)", static_cast<long>(facts.size),
               static_cast<long>(count_tran(facts.des, facts.size)),
               static_cast<long>(facts.bound));
      return text;
    }
  }
  return "";
}

}  // namespace

std::string makeit_entry(const procedure_row &row, const makeit_facts &facts, bool timing,
                         double seconds) {
  std::string text = std::string(facts.output) + " = " + row.name + "(";
  int inputs = row.inputs;
  for (int i = 0; i < inputs; ++i) {
    if (i > 0) text += ',';
    text += facts.inputs[row.log_inputs_reversed ? inputs - 1 - i : i];
  }
  text += args_text(row, facts);
  text += ')';
  text += tail_text(row, facts);
  int indent = static_cast<int>(strlen(facts.output)) + 3;
  if (timing) {
    text += '\n';
    text.append(static_cast<size_t>(indent), ' ');
    text += "Computing time = ";
    text += cdifftime(0, seconds);
  }
  text += "\n\n";
  return row.log_wrapped ? makeit_wrap(text, indent) : text;
}

std::string makeit_wrap(const std::string &text, int indent) {
  if (indent > MAKEIT_LINE - 1) indent = MAKEIT_LINE - 1;  // each line keeps room for one character
  std::string wrapped;
  int column = 0;
  for (char c : text) {
    if (c == '\0') break;
    if (c == '\n') {
      column = 0;
    } else if (column == MAKEIT_LINE) {
      wrapped += '\n';
      wrapped.append(static_cast<size_t>(indent), ' ');
      column = indent;
    }
    wrapped += c;
    if (c != '\n') ++column;
  }
  return wrapped;
}

std::string cdifftime(double start, double stop) {
  char text[48];
  long seconds = static_cast<long>(stop - start);
  if (seconds < 0) seconds = 0;
  long days = seconds / 86400;
  int hours = static_cast<int>(seconds / 3600 % 24);
  int minutes = static_cast<int>(seconds / 60 % 60);
  int secs = static_cast<int>(seconds % 60);
  if (days > 0)
    snprintf(text, sizeof text, "%ld (days) %02d:%02d:%02d", days, hours, minutes, secs);
  else
    snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, secs);
  return text;
}

int makeit_append(const char *log, const std::string &text) {
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat before;
  bool whole = fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
  size_t done = 0;
  while (whole && done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    whole = written > 0;
    if (whole) done += static_cast<size_t>(written);
  }
  // A short write (full disk, file-size limit) is cut back, so the log never holds half an entry.
  if (!whole && done > 0 && ftruncate(fd, before.st_size) != 0) done = 0;
  return close(fd) == 0 && whole ? 0 : -1;
}

// Supervisor C code: the rows of the supervisor (and of its control data) as offset, event and
// target arrays, searched by binary search in the generated functions.
#include "report/c_code.h"

#include <cctype>
#include <cstring>
#include <set>
#include <vector>

#include "model/des_file.h"
#include "model/report_file.h"

namespace {

// Prints `count` values given by value(i) as the initializer of a C array, twelve to a line; an
// empty array holds one 0, since C has no arrays of length 0.
template <typename Value>
void c_array(FILE *out, const char *type, const std::string &array, size_t count, Value value) {
  fprintf(out, "static const %s %s[%zu] = {", type, array.c_str(), count == 0 ? 1 : count);
  if (count == 0) fputs("0", out);
  for (size_t i = 0; i < count; i++)
    fprintf(out, "%s%ld%s", i % 12 == 0 ? "\n  " : "", static_cast<long>(value(i)),
            i + 1 < count ? ", " : "");
  fputs("\n};\n\n", out);
}

// Offsets of each state's row in a flattened array, and the flattened events (and targets).
struct flat_rows {
  std::vector<long> first;
  std::vector<long> event;
  std::vector<long> target;
};

flat_rows flatten(const state_node *des, state_t size, bool distinct_events) {
  flat_rows f;
  f.first.push_back(0);
  for (state_t s = 0; s < size; s++) {
    for (int j = 0; j < des[s].numelts; j++) {
      long e = des[s].next[j].event();
      if (distinct_events && static_cast<long>(f.event.size()) > f.first.back() &&
          f.event.back() == e)
        continue;
      f.event.push_back(e);
      f.target.push_back(des[s].next[j].target());
    }
    f.first.push_back(static_cast<long>(f.event.size()));
  }
  return f;
}

bool plain_file_name(const char *name) {
  return des_name_ok(name) && strlen(name) <= 200;
}

}  // namespace

std::string c_identifier(const char *name) {
  std::string id;
  for (const char *c = name; *c != '\0'; c++)
    id += isalnum(static_cast<unsigned char>(*c)) || *c == '_' ? *c : '_';
  if (id.empty() || isdigit(static_cast<unsigned char>(id[0]))) id = "des_" + id;
  return id;
}

int write_c_code(FILE *out, const char *id_text, const state_node *sup, state_t size,
                 const state_node *dat, const event_names &names) {
  const std::string id = id_text;
  flat_rows rows = flatten(sup, size, false);
  fprintf(out,
          "/* Supervisor %s as C99 code, written by sarv: %ld states, %zu transitions%s.\n"
          "   States are numbered 0..%ld as in sarv; state 0 is the initial state. */\n\n",
          id.c_str(), static_cast<long>(size), rows.event.size(),
          dat != nullptr ? ", with its control data" : "", static_cast<long>(size) - 1);
  fputs("#include <stdint.h>\n\n", out);
  fprintf(out, "#define %s_STATES %ld\n#define %s_INITIAL 0\n", id.c_str(), static_cast<long>(size),
          id.c_str());
  std::set<std::string> defined;
  for (int e = 0; e <= MAX_EVENT; e++)
    if (!names.name[e].empty() && defined.insert(names.name[e]).second)
      fprintf(out, "#define %s_EVENT_%s %d\n", id.c_str(), names.name[e].c_str(), e);
  fprintf(out,
          "\n/* Next state, or -1 if the event is not possible. */\n"
          "int %s_step(int state, int event);\n"
          "/* 1 if the supervisor allows the event in the state, else 0. */\n"
          "int %s_enabled(int state, int event);\n"
          "/* 1 if the state is a marker state, else 0. */\n"
          "int %s_is_marked(int state);\n\n",
          id.c_str(), id.c_str(), id.c_str());

  c_array(out, "int32_t", id + "_first", rows.first.size(),
          [&](size_t i) { return rows.first[i]; });
  c_array(out, "uint16_t", id + "_event", rows.event.size(),
          [&](size_t i) { return rows.event[i]; });
  c_array(out, "int32_t", id + "_target", rows.target.size(),
          [&](size_t i) { return rows.target[i]; });
  c_array(out, "unsigned char", id + "_marked", (static_cast<size_t>(size) + 7) / 8, [&](size_t i) {
    long bits = 0;
    for (size_t b = 0; b < 8 && i * 8 + b < static_cast<size_t>(size); b++)
      if (sup[i * 8 + b].marked) bits |= 1L << b;
    return bits;
  });
  if (dat != nullptr) {
    flat_rows disabled = flatten(dat, size, true);
    c_array(out, "int32_t", id + "_disabled_first", disabled.first.size(),
            [&](size_t i) { return disabled.first[i]; });
    c_array(out, "uint16_t", id + "_disabled_event", disabled.event.size(),
            [&](size_t i) { return disabled.event[i]; });
  }

  const char *n = id.c_str();
  fprintf(out,
          "/* Position of `event` in events[lo..hi-1] (sorted ascending), or -1. */\n"
          "static int32_t %s_find(const uint16_t *events, int32_t lo, int32_t hi, int event) {\n"
          "  while (lo < hi) {\n"
          "    int32_t mid = lo + (hi - lo) / 2;\n"
          "    if (events[mid] == event) return mid;\n"
          "    if (events[mid] < event) lo = mid + 1; else hi = mid;\n"
          "  }\n"
          "  return -1;\n"
          "}\n\n",
          n);
  fprintf(out,
          "int %s_step(int state, int event) {\n"
          "  int32_t at;\n"
          "  if (state < 0 || state >= %s_STATES) return -1;\n"
          "  at = %s_find(%s_event, %s_first[state], %s_first[state + 1], event);\n"
          "  return at < 0 ? -1 : (int)%s_target[at];\n"
          "}\n\n",
          n, n, n, n, n, n, n);
  if (dat != nullptr)
    fprintf(out,
            "int %s_enabled(int state, int event) {\n"
            "  if (state < 0 || state >= %s_STATES) return 0;\n"
            "  return %s_find(%s_disabled_event, %s_disabled_first[state],\n"
            "                 %s_disabled_first[state + 1], event) < 0;\n"
            "}\n\n",
            n, n, n, n, n, n);
  else
    fprintf(out,
            "int %s_enabled(int state, int event) {\n"
            "  return %s_step(state, event) >= 0;\n"
            "}\n\n",
            n, n);
  fprintf(out,
          "int %s_is_marked(int state) {\n"
          "  if (state < 0 || state >= %s_STATES) return 0;\n"
          "  return (%s_marked[state >> 3] >> (state & 7)) & 1;\n"
          "}\n",
          n, n, n);
  return ferror(out) ? 1 : 0;
}

int c_code_file(const char *sup_name, const char *data_name, const char *out_file,
                std::string *message) {
  if (!des_name_ok(sup_name) || (data_name != nullptr && !des_name_ok(data_name)) ||
      !plain_file_name(out_file)) {
    *message = "names must stay inside the user directory (no \"/\")";
    return C_CODE_BAD_NAME;
  }
  state_t size = 0, init = 0, dat_size = 0, dat_init = -1;
  state_node *sup = nullptr, *dat = nullptr;
  int code = C_CODE_OK;
  if (!getdes(sup_name, &size, &init, &sup)) {
    *message = std::string("no readable DES ") + sup_name + " in " + prefix;
    return C_CODE_NO_INPUT;
  }
  if (data_name != nullptr && !getdes(data_name, &dat_size, &dat_init, &dat)) {
    *message = std::string("no readable DAT ") + data_name + " in " + prefix;
    code = C_CODE_NO_INPUT;
  }
  if (code == C_CODE_OK && dat != nullptr && dat_size != size) {
    *message = std::string("control data ") + data_name + " has " + std::to_string(dat_size) +
               " states but supervisor " + sup_name + " has " + std::to_string(size);
    code = C_CODE_REFUSED;
  }
  for (state_t s = 0; code == C_CODE_OK && s < size; s++)
    for (int j = 1; j < sup[s].numelts; j++)
      if (sup[s].next[j].event() == sup[s].next[j - 1].event()) {
        *message = std::string("supervisor ") + sup_name + " is nondeterministic (state " +
                   std::to_string(s) + ", event " + std::to_string(sup[s].next[j].event()) +
                   "); C code needs one next state";
        code = C_CODE_REFUSED;
        break;
      }
  std::string path = std::string(prefix) + out_file;
  if (code == C_CODE_OK) {
    event_names names;
    load_event_names(prefix, &names);
    report_file out;
    if (report_open(&out, path.c_str()) != 0) {
      code = C_CODE_WRITE_FAILED;
    } else if (write_c_code(out.stream, c_identifier(sup_name).c_str(), sup, size, dat, names) !=
               0) {
      report_abort(&out);
      code = C_CODE_WRITE_FAILED;
    } else if (report_commit(&out) != 0) {
      code = C_CODE_WRITE_FAILED;
    }
    *message = code == C_CODE_OK ? path + " written (supervisor " + sup_name + ", functions " +
                                       c_identifier(sup_name) + "_step, _enabled, _is_marked)"
                                 : "error writing file: " + path;
  }
  freedes(size, &sup);
  freedes(dat_size, &dat);
  return code;
}
